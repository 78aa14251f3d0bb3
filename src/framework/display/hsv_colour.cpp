#include <algorithm>
#include <cmath>

#include "framework/display/palette_entry.h"

namespace vael {

HSVColour rgbToHsv(const RgbQuad& colour) {
    const float scale = 1.0f / 255;
    const float r = colour.red * scale, g = colour.green * scale, b = colour.blue * scale;
    const float max = std::max({r, g, b});
    const float min = std::min({r, g, b});
    HSVColour c;
    c.value = max;
    c.saturation = max != 0 ? (max - min) / max : 0;
    if (c.saturation == 0) {
        c.hue = -1;
        return c;
    }
    const float delta = max - min;
    float hue;
    if (r == max)
        hue = (g - b) / delta;
    else if (g == max)
        hue = 2 + (b - r) / delta;
    else
        hue = 4 + (r - g) / delta;
    hue *= 60;
    if (hue < 0) hue += 360;
    c.hue = hue;
    return c;
}

namespace {
std::uint8_t toByte(float component) {
    // Float rounding can put a full component a hair past 1; it still truncates into a byte.
    const float scaled = component * 255;
    if (!(scaled > 0)) return 0;
    if (scaled >= 255) return 255;
    return static_cast<std::uint8_t>(scaled);
}
} // namespace

RgbQuad hsvToRgb(const HSVColour& c) {
    float r, g, b;
    if (c.saturation == 0) {
        r = g = b = c.value;
    } else {
        const float hue = c.hue == 360 ? 0 : c.hue;
        const float h = hue / 60;
        const float i = std::floor(h);
        const float f = h - i;
        const float p = c.value * (1 - c.saturation);
        const float q = c.value * (1 - c.saturation * f);
        const float t = c.value * (1 - c.saturation * (1 - f));
        const float v = c.value;
        // A hue outside 0 to 360 (only a damaged colour has one) gives black, never a wild index.
        const int sector = i >= 0 && i < 6 ? static_cast<int>(i) : -1;
        switch (sector) {
        case 0:
            r = v, g = t, b = p;
            break;
        case 1:
            r = q, g = v, b = p;
            break;
        case 2:
            r = p, g = v, b = t;
            break;
        case 3:
            r = p, g = q, b = v;
            break;
        case 4:
            r = t, g = p, b = v;
            break;
        case 5:
            r = v, g = p, b = q;
            break;
        default:
            r = g = b = 0;
            break;
        }
    }
    RgbQuad out;
    out.red = toByte(r);
    out.green = toByte(g);
    out.blue = toByte(b);
    return out;
}

} // namespace vael
