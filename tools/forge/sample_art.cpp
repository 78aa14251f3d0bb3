#include "tools/forge/sample_art.h"

#include <cstdlib>

#include "framework/display/bitmap.h"
#include "tools/forge/forge_palette.h"
#include "tools/forge/picture.h"

namespace vael::forge {

namespace {
// A fixed sequence of pseudo-random numbers, so that the art comes out the same on every build.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    int next(int n) {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int>((state_ >> 16) % static_cast<std::uint32_t>(n));
    }

private:
    std::uint32_t state_;
};

ForgedImage raw(const char* name, const Picture& p, std::int32_t kind, Point hotSpot = Point()) {
    return ForgedImage{name, Dim(static_cast<std::int16_t>(p.width()), static_cast<std::int16_t>(p.height())),
                       hotSpot, kind, p.rawRows()};
}

ForgedImage runLength(const char* name, const Picture& p, std::int32_t kind, Point hotSpot) {
    return ForgedImage{name, Dim(static_cast<std::int16_t>(p.width()), static_cast<std::int16_t>(p.height())),
                       hotSpot, kind, p.runLengthRows(kind == PixelRunLengthShadow)};
}

// Inside the diamond of a 64 x 32 tile.
bool inDiamond(int x, int y) {
    return std::abs(x - 32) * 16 + std::abs(y - 16) * 32 <= 32 * 16;
}

Picture grass() {
    Picture p(64, 32);
    Noise noise(7);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            p.set(x, y, shade(Grass, 5 + noise.next(3)));
    for (int i = 0; i < 40; ++i) {
        const int x = noise.next(64), y = 2 + noise.next(28);
        p.line(x, y, x + noise.next(3) - 1, y - 2, shade(Grass, 9));
    }
    return p;
}

Picture water() {
    Picture p(64, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            if (inDiamond(x, y))
                p.set(x, y, static_cast<std::uint8_t>(colour::WaterFirst + (x + 2 * y) / 4 % 9));
    return p;
}

// A foot soldier facing the viewer: shadow under the feet, legs a step apart, tunic in the nation's
// colour, round shield on the left arm, spear upright on the right.
Picture soldier(int step) {
    Picture p(24, 40);
    p.fillEllipse(12, 37, 9, 2, colour::Shadow);
    p.fillRect(9 - step, 27, 2, 10, shade(Leather, 5));
    p.fillRect(13 + step, 27, 2, 10, shade(Leather, 5));
    p.fillRect(8, 15, 8, 13, shade(NationRed, 7));
    p.fillRect(8, 15, 8, 2, shade(NationRed, 10));
    p.fillEllipse(12, 10, 3, 4, shade(Skin, 8));
    p.fillRect(9, 5, 7, 3, shade(Steel, 9));
    p.fillEllipse(6, 21, 5, 6, shade(NationRed, 5));
    p.fillEllipse(6, 21, 3, 4, shade(NationRed, 9));
    p.set(6, 21, shade(Steel, 11));
    p.line(19, 1, 19, 36, shade(Wood, 7));
    p.line(19, 0, 19, 3, shade(Steel, 11));
    p.fillRect(17, 19, 3, 3, shade(Skin, 7));
    return p;
}

Picture flag() {
    Picture p(12, 16);
    p.line(1, 0, 1, 15, shade(Wood, 6));
    p.fillRect(2, 1, 9, 6, shade(NationRed, 8));
    p.fillRect(2, 6, 9, 1, shade(NationRed, 5));
    return p;
}

// A ring that lightens what lies under it around a darkened centre.
Picture highlight() {
    Picture p(16, 16);
    p.fillEllipse(8, 8, 7, 7, colour::Light);
    p.fillEllipse(8, 8, 5, 5, colour::Transparent);
    p.fillEllipse(8, 8, 1, 1, colour::Shadow);
    return p;
}
} // namespace

ForgedArchive sampleArchive() {
    ForgedArchive a;
    a.title = "Sample artwork";
    a.groups.push_back({"Terrain", {raw("Grass", grass(), PixelOpaque), raw("Water", water(), PixelKeyed)}});
    a.groups.push_back({"Soldier",
                        {runLength("Standing", soldier(0), PixelRunLengthShadow, Point(12, 37)),
                         runLength("Walking", soldier(1), PixelRunLengthShadow, Point(12, 37))}});
    a.groups.push_back({"Marks",
                        {runLength("Flag", flag(), PixelRunLength, Point(1, 15)),
                         raw("Highlight", highlight(), PixelLit, Point(8, 8))}});
    return a;
}

} // namespace vael::forge
