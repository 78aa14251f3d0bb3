#include "tools/forge/forge_palette.h"

#include <algorithm>

#include "framework/display/realised_palette.h"

namespace vael::forge {

namespace {
struct Base {
    int r, g, b;
};
constexpr Base bases[RampCount] = {
    {110, 170, 60},  {40, 110, 40}, {150, 110, 70}, {220, 200, 140}, {160, 160, 155}, {230, 180, 140},
    {200, 40, 30},   {40, 70, 190}, {220, 190, 40}, {130, 50, 150},  {220, 120, 30},  {235, 230, 215},
    {180, 190, 200}, {140, 95, 55}, {120, 75, 45},  {100, 70, 40},
};

std::uint8_t scaled(int component, double factor) {
    return static_cast<std::uint8_t>(std::clamp(static_cast<int>(component * factor), 0, 255));
}
} // namespace

std::array<RgbQuad, 256> paletteColours() {
    std::array<RgbQuad, 256> c{};
    const auto& system = RealisedPalette::systemColours();
    for (int i = 0; i < 20; ++i) {
        const PaletteEntry& e = system[static_cast<std::size_t>(i)];
        c[static_cast<std::size_t>(i < 10 ? i : 236 + i)] = RgbQuad{e.blue, e.green, e.red, 0};
    }
    for (int ramp = 0; ramp < RampCount; ++ramp)
        for (int level = 0; level < colour::Shades; ++level) {
            const double factor = 0.3 + 0.08 * level;
            const Base& b = bases[ramp];
            c[shade(static_cast<Ramp>(ramp), level)] =
                RgbQuad{scaled(b.b, factor), scaled(b.g, factor), scaled(b.r, factor), 0};
        }
    for (int i = 0; i <= colour::WaterLast - colour::WaterFirst; ++i)
        c[static_cast<std::size_t>(colour::WaterFirst + i)] =
            RgbQuad{static_cast<std::uint8_t>(130 + 9 * i), static_cast<std::uint8_t>(60 + 10 * i),
                    static_cast<std::uint8_t>(25 + 6 * i), 0};
    for (int i = colour::GreyFirst; i <= 245; ++i) {
        const auto v = static_cast<std::uint8_t>(7 * (i - colour::GreyFirst + 1));
        c[static_cast<std::size_t>(i)] = RgbQuad{v, v, v, 0};
    }
    return c;
}

} // namespace vael::forge
