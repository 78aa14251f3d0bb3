#pragma once
// The game's palette as the forge lays it out. Entries 0-9 and 246-255 are the screen's standard colours
// (the screen keeps them whatever the file says, so the file says the same); 0 is the transparent byte of
// images, 255 their shadow byte and 252 their light byte; pure red, green, blue and white are the
// screen's own. Entries 10-201 are sixteen ramps of twelve shades, 202-210 the water colours that the
// palette animator cycles, 211-245 a grey ramp.
#include <array>
#include <cstdint>

#include "framework/display/palette_entry.h"

namespace vael::forge {

namespace colour {
constexpr std::uint8_t Transparent = 0;
constexpr std::uint8_t Black = 0;
constexpr std::uint8_t Shadow = 255;
constexpr std::uint8_t Light = 252;
constexpr std::uint8_t Red = 249;
constexpr std::uint8_t Green = 250;
constexpr std::uint8_t Blue = 252;
constexpr std::uint8_t White = 255;
constexpr std::uint8_t WaterFirst = 202;
constexpr std::uint8_t WaterLast = 210;
constexpr std::uint8_t GreyFirst = 211;
constexpr int Shades = 12;
} // namespace colour

enum Ramp : int {
    Grass,
    Forest,
    Earth,
    Sand,
    Stone,
    Skin,
    NationRed,
    NationBlue,
    NationYellow,
    NationPurple,
    NationOrange,
    Cloth,
    Steel,
    Wood,
    Horse,
    Leather,
    RampCount
};

// Shade 0 (darkest) to 11 (lightest) of a ramp.
constexpr std::uint8_t shade(Ramp ramp, int level) {
    return static_cast<std::uint8_t>(10 + ramp * colour::Shades + (level < 0 ? 0 : level > 11 ? 11 : level));
}

std::array<RgbQuad, 256> paletteColours();

} // namespace vael::forge
