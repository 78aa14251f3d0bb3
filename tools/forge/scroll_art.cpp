#include "tools/forge/scroll_art.h"

#include <algorithm>
#include <utility>

#include "framework/display/bitmap.h"
#include "tools/forge/forge_palette.h"
#include "tools/forge/picture.h"

namespace vael::forge {

namespace {

// A bar is 16 pixels across; its thumb 12, so the thumb sits 2 pixels in from the slot's edges.
constexpr int Across = 16, EndLength = 16, TrackEndLength = 4, SlotLength = 16;
constexpr int ThumbAcross = 12, ThumbEndLength = 3, ThumbMidLength = 8;

const std::uint8_t Face = shade(Stone, 8), Light = shade(Stone, 11), Dark = shade(Stone, 3),
                   Outline = shade(Stone, 0), Groove = shade(Stone, 4), Arrow = shade(Stone, 1);

// The directions an arrow points.
enum Pointing { Left, Right, Up, Down };

// A raised button with an arrow; pressed, its edges swap and the arrow sits a pixel lower right.
Picture arrowButton(int w, int h, Pointing pointing, bool pressed) {
    Picture p(w, h, Face);
    p.line(0, 0, w - 1, 0, Outline), p.line(0, h - 1, w - 1, h - 1, Outline);
    p.line(0, 0, 0, h - 1, Outline), p.line(w - 1, 0, w - 1, h - 1, Outline);
    const std::uint8_t first = pressed ? Dark : Light, second = pressed ? Light : Dark;
    p.line(1, 1, w - 2, 1, first), p.line(1, 1, 1, h - 2, first);
    p.line(1, h - 2, w - 2, h - 2, second), p.line(w - 2, 1, w - 2, h - 2, second);
    const int shift = pressed ? 1 : 0, cx = w / 2 + shift, cy = h / 2 + shift;
    const int size = std::min(w, h) / 4;
    for (int i = 0; i <= size; ++i) {
        switch (pointing) {
        case Left:
            p.line(cx - size + i, cy - i, cx - size + i, cy + i, Arrow);
            break;
        case Right:
            p.line(cx + size - i, cy - i, cx + size - i, cy + i, Arrow);
            break;
        case Up:
            p.line(cx - i, cy - size + i, cx + i, cy - size + i, Arrow);
            break;
        case Down:
            p.line(cx - i, cy + size - i, cx + i, cy + size - i, Arrow);
            break;
        }
    }
    return p;
}

// A strip along x, lit on its first long edge and shaded on the second; `edge` closes it on the left (1,
// lit) or on the right (2, shaded).
Picture strip(int length, int across, std::uint8_t fill, std::uint8_t lit, std::uint8_t shaded, int edge) {
    Picture p(length, across, fill);
    p.line(0, 0, length - 1, 0, lit), p.line(0, across - 1, length - 1, across - 1, shaded);
    if (edge == 1) p.line(0, 0, 0, across - 1, lit);
    if (edge == 2) p.line(length - 1, 0, length - 1, across - 1, shaded);
    return p;
}

// The groove the thumb runs in is sunk; the thumb raised.
Picture groove(int length, int edge) {
    return strip(length, Across, Groove, Dark, Light, edge);
}

Picture thumbPiece(int length, int edge) {
    return strip(length, ThumbAcross, Face, Light, Outline, edge);
}

Picture transposed(const Picture& from) {
    Picture p(from.height(), from.width());
    for (int y = 0; y < from.height(); ++y)
        for (int x = 0; x < from.width(); ++x)
            p.set(y, x, from.at(x, y));
    return p;
}

ForgedImage image(const char* name, const Picture& p) {
    return ForgedImage{name, Dim(static_cast<std::int16_t>(p.width()), static_cast<std::int16_t>(p.height())),
                       Point(), PixelOpaque, p.rawRows()};
}

} // namespace

ForgedArchive scrollBarArchive() {
    ForgedGroup h{"Horizontal", {}}, v{"Vertical", {}};
    const std::pair<const char*, const char*> names[] = {
        {"Left end up", "Top end up"},     {"Left end down", "Top end down"},
        {"Right end up", "Bottom end up"}, {"Right end down", "Bottom end down"},
        {"Left track", "Top track"},       {"Slot", "Slot"},
        {"Right track", "Bottom track"},   {"Left thumb", "Top thumb"},
        {"Thumb mid", "Thumb mid"},        {"Right thumb", "Bottom thumb"}};
    const Picture along[] = {arrowButton(EndLength, Across, Left, false),
                             arrowButton(EndLength, Across, Left, true),
                             arrowButton(EndLength, Across, Right, false),
                             arrowButton(EndLength, Across, Right, true),
                             groove(TrackEndLength, 1),
                             groove(SlotLength, 0),
                             groove(TrackEndLength, 2),
                             thumbPiece(ThumbEndLength, 1),
                             thumbPiece(ThumbMidLength, 0),
                             thumbPiece(ThumbEndLength, 2)};
    const Pointing ends[] = {Up, Up, Down, Down};
    for (int i = 0; i < 10; ++i) {
        h.images.push_back(image(names[i].first, along[i]));
        v.images.push_back(image(names[i].second, i < 4 ? arrowButton(Across, EndLength, ends[i], i % 2 == 1)
                                                        : transposed(along[i])));
    }
    return ForgedArchive{"Scroll Bars", {h, v}};
}

ForgedArchive spinnerArchive() {
    return ForgedArchive{"Spinner",
                         {{"Vertical",
                           {image("Top end up", arrowButton(12, 9, Up, false)),
                            image("Top end down", arrowButton(12, 9, Up, true)),
                            image("Bottom end up", arrowButton(12, 9, Down, false)),
                            image("Bottom end down", arrowButton(12, 9, Down, true))}}}};
}

} // namespace vael::forge
