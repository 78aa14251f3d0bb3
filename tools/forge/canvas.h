#pragma once
// Drawing the game's art with Cairo and bringing it into the palette. A canvas holds two full-colour
// layers: the art itself and its shadow. Reducing the canvas gives a palette picture in which pixels the
// art leaves (mostly) transparent are byte 0, pixels only the shadow covers are the shadow byte 255, and
// every other pixel is the nearest colour of the palette entries the caller allows, so the same drawing
// gives the same bytes on every run.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/display/palette_entry.h"
#include "tools/forge/picture.h"

struct _cairo;
struct _cairo_surface;

namespace vael::forge {

// The palette entries a reduction may choose from, with a cache of its answers.
class PaletteMatcher {
public:
    // Every entry but the transparent byte, the shadow and light bytes, the water colours (which the
    // palette animator cycles) and the screen's fixed colours.
    static PaletteMatcher art();
    // The same with the water colours, for rivers and fords that should shimmer.
    static PaletteMatcher artWithWater();
    PaletteMatcher(const std::array<RgbQuad, 256>& colours, const std::vector<std::uint8_t>& allowed);

    std::uint8_t nearest(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

private:
    std::array<RgbQuad, 256> colours_;
    std::vector<std::uint8_t> allowed_;
    // Answers by 6 bits of each component; -1 not asked yet.
    std::vector<std::int16_t> cache_;
};

class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    // Cairo contexts of the art layer and of the shadow layer (any opaque paint there casts shadow).
    _cairo* art() { return art_; }
    _cairo* shadow() { return shadow_; }

    // Alpha below alphaCut counts as transparent.
    Picture reduce(PaletteMatcher& matcher, bool withShadow = true, int alphaCut = 128) const;
    // The art layer over a neutral backdrop, as drawn before the reduction (for looking at).
    bool writePng(const std::filesystem::path& path) const;

private:
    int width_;
    int height_;
    _cairo_surface* artSurface_;
    _cairo_surface* shadowSurface_;
    _cairo* art_;
    _cairo* shadow_;
};

// Sets the Cairo source colour of a context from a palette entry.
void setSource(_cairo* cr, std::uint8_t paletteIndex, double alpha = 1.0);

// A contact sheet of pictures in rows of `columns`, shown through the game's palette (transparent as a
// light check pattern, shadow as dark grey) with a gap between them, as a PNG for people to look at.
bool writeContactSheet(const std::filesystem::path& path, const std::vector<const Picture*>& pictures,
                       int columns, int scale = 1);

} // namespace vael::forge
