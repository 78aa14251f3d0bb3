#pragma once
// The colour records of the 256-colour display: a palette entry as the screen's palette holds it, and
// a colour as palette files store it (blue first).
#include <cstdint>

namespace vael {

// Entry flags of the screen's palette.
constexpr std::uint8_t PC_RESERVED = 1;   // the entry may change under animation
constexpr std::uint8_t PC_NOCOLLAPSE = 4; // the entry keeps its own slot

struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;

    bool operator==(const PaletteEntry&) const = default;
};

struct RgbQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;

    bool operator==(const RgbQuad&) const = default;
};

// HSV form of a colour: hue in degrees (0 to below 360, -1 for a grey), saturation and value 0 to 1.
struct HSVColour {
    float hue = -1;
    float saturation = 0;
    float value = 0;
};

HSVColour rgbToHsv(const RgbQuad& colour);
// Components are truncated to whole bytes.
RgbQuad hsvToRgb(const HSVColour& colour);

} // namespace vael
