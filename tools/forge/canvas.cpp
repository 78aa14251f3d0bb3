#include "tools/forge/canvas.h"

#include <cairo.h>

#include <algorithm>
#include <limits>

#include "tools/forge/forge_palette.h"

namespace vael::forge {

namespace {

std::vector<std::uint8_t> artEntries(bool water) {
    std::vector<std::uint8_t> allowed;
    for (int i = 10; i <= 245; ++i) {
        if (!water && i >= colour::WaterFirst && i <= colour::WaterLast) continue;
        if (i == colour::Light) continue;
        allowed.push_back(static_cast<std::uint8_t>(i));
    }
    return allowed;
}

} // namespace

PaletteMatcher PaletteMatcher::art() { return PaletteMatcher(paletteColours(), artEntries(false)); }
PaletteMatcher PaletteMatcher::artWithWater() { return PaletteMatcher(paletteColours(), artEntries(true)); }

PaletteMatcher::PaletteMatcher(const std::array<RgbQuad, 256>& colours, const std::vector<std::uint8_t>& allowed)
    : colours_(colours), allowed_(allowed), cache_(64 * 64 * 64, -1) {}

std::uint8_t PaletteMatcher::nearest(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const std::size_t key = static_cast<std::size_t>((red >> 2) << 12 | (green >> 2) << 6 | (blue >> 2));
    if (cache_[key] >= 0) return static_cast<std::uint8_t>(cache_[key]);
    // The centre of the cached cell, so that the answer does not depend on which colour asked first.
    const int r = (red >> 2) * 4 + 2, g = (green >> 2) * 4 + 2, b = (blue >> 2) * 4 + 2;
    int best = std::numeric_limits<int>::max();
    std::uint8_t chosen = allowed_.empty() ? 0 : allowed_.front();
    for (std::uint8_t index : allowed_) {
        const RgbQuad& c = colours_[index];
        // Weighted like the eye: green counts most, blue least.
        const int dr = r - c.red, dg = g - c.green, db = b - c.blue;
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < best) {
            best = distance;
            chosen = index;
        }
    }
    cache_[key] = chosen;
    return chosen;
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height),
      artSurface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      shadowSurface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      art_(cairo_create(artSurface_)), shadow_(cairo_create(shadowSurface_)) {}

Canvas::~Canvas() {
    cairo_destroy(art_);
    cairo_destroy(shadow_);
    cairo_surface_destroy(artSurface_);
    cairo_surface_destroy(shadowSurface_);
}

Picture Canvas::reduce(PaletteMatcher& matcher, bool withShadow, int alphaCut) const {
    cairo_surface_flush(artSurface_);
    cairo_surface_flush(shadowSurface_);
    Picture picture(width_, height_, colour::Transparent);
    const unsigned char* art = cairo_image_surface_get_data(artSurface_);
    const unsigned char* shade = cairo_image_surface_get_data(shadowSurface_);
    const int artStride = cairo_image_surface_get_stride(artSurface_);
    const int shadeStride = cairo_image_surface_get_stride(shadowSurface_);
    for (int y = 0; y < height_; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(art + y * artStride);
        const auto* shadeRow = reinterpret_cast<const std::uint32_t*>(shade + y * shadeStride);
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t p = row[x];
            const int alpha = static_cast<int>(p >> 24);
            if (alpha >= alphaCut) {
                // Premultiplied: bring the colour back to full strength before matching.
                auto un = [alpha](std::uint32_t v) {
                    return static_cast<std::uint8_t>(std::min(255u, (v * 255u + static_cast<unsigned>(alpha) / 2) /
                                                                        static_cast<unsigned>(alpha)));
                };
                picture.set(x, y, matcher.nearest(un((p >> 16) & 0xFF), un((p >> 8) & 0xFF), un(p & 0xFF)));
            } else if (withShadow && static_cast<int>(shadeRow[x] >> 24) >= 128) {
                picture.set(x, y, colour::Shadow);
            }
        }
    }
    return picture;
}

bool Canvas::writePng(const std::filesystem::path& path) const {
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
    cairo_t* cr = cairo_create(out);
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.75);
    cairo_paint(cr);
    cairo_set_source_surface(cr, shadowSurface_, 0, 0);
    cairo_paint_with_alpha(cr, 0.4);
    cairo_set_source_surface(cr, artSurface_, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    const bool ok = cairo_surface_write_to_png(out, path.string().c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(out);
    return ok;
}

void setSource(cairo_t* cr, std::uint8_t paletteIndex, double alpha) {
    static const auto colours = paletteColours();
    const RgbQuad& c = colours[paletteIndex];
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, alpha);
}

bool writeContactSheet(const std::filesystem::path& path, const std::vector<const Picture*>& pictures,
                       int columns, int scale) {
    if (pictures.empty() || columns <= 0 || scale <= 0) return false;
    const int gap = 4;
    int cellW = 1, cellH = 1;
    for (const Picture* p : pictures) {
        cellW = std::max(cellW, p->width());
        cellH = std::max(cellH, p->height());
    }
    const int rows = (static_cast<int>(pictures.size()) + columns - 1) / columns;
    const int width = (columns * (cellW + gap) + gap) * scale, height = (rows * (cellH + gap) + gap) * scale;
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_surface_flush(out);
    unsigned char* data = cairo_image_surface_get_data(out);
    const int stride = cairo_image_surface_get_stride(out);
    const auto colours = paletteColours();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x) row[x] = 0x303030;
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture& p = *pictures[i];
        const int ox = gap + static_cast<int>(i % static_cast<std::size_t>(columns)) * (cellW + gap);
        const int oy = gap + static_cast<int>(i / static_cast<std::size_t>(columns)) * (cellH + gap);
        for (int y = 0; y < cellH; ++y)
            for (int x = 0; x < cellW; ++x) {
                std::uint32_t rgb;
                if (x >= p.width() || y >= p.height()) {
                    rgb = 0x303030;
                } else {
                    const std::uint8_t v = p.at(x, y);
                    if (v == colour::Transparent)
                        rgb = ((x / 4 + y / 4) % 2) ? 0xC8C8C0 : 0xB4B4AC;
                    else if (v == colour::Shadow)
                        rgb = 0x505050;
                    else
                        rgb = static_cast<std::uint32_t>(colours[v].red) << 16 |
                              static_cast<std::uint32_t>(colours[v].green) << 8 | colours[v].blue;
                }
                for (int sy = 0; sy < scale; ++sy) {
                    auto* row = reinterpret_cast<std::uint32_t*>(data + ((oy + y) * scale + sy) * stride);
                    for (int sx = 0; sx < scale; ++sx) row[(ox + x) * scale + sx] = rgb;
                }
            }
    }
    cairo_surface_mark_dirty(out);
    const bool ok = cairo_surface_write_to_png(out, path.string().c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(out);
    return ok;
}

} // namespace vael::forge
