#pragma once
// Points of the screen where a unit's figure stands up into the hex behind it, for the tests that click a
// figure's body, on the headless platform and in the real window alike: they differ only in how the
// screen's colour at a point is read.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>

#include "framework/core/list_walk.h"
#include "framework/display/bitmap.h"
#include "framework/display/logical_palette.h"
#include "framework/ui/window_manager.h"
#include "game/map/vael_sprite.h"
#include "game/shell/clicking_player.h"

namespace vael::test {

// The palette index a sprite draws plain at a point of the map, at a zoom.
inline std::uint8_t colourAt(VaelSprite& sprite, const Point& onMap, int zoom) {
    Bitmap* frame = sprite.levelFrame(zoom);
    if (!frame) return 0;
    const Point at = onMap - (sprite.position(zoom) - frame->hotSpot());
    if (at.x < 0 || at.y < 0 || at.x >= frame->width() || at.y >= frame->height()) return 0;
    Bitmap one(frame->size(), PixelOpaque);
    std::fill(one.bits(), one.bits() + one.stride() * one.height(), 0);
    one.drawWholeBitmap(frame->hotSpot(), *frame, DrawPlain);
    return one.bits()[at.y * one.stride() + at.x];
}

// Every sprite of the view, from the grid of screen cells it is filed in.
inline std::set<Sprite*> viewSprites(VaelPhysicalLayer& view) {
    std::set<Sprite*> sprites;
    for (std::int16_t row = 0; view.gridCell(0, row); ++row)
        for (std::int16_t column = 0; const List<Sprite*>* cell = view.gridCell(column, row); ++column)
            for (Sprite* sprite : each(*cell))
                sprites.insert(sprite);
    return sprites;
}

// The screen's colour (0xRRGGBB) at a point of the screen, nothing where it cannot be read.
using ScreenColour = std::function<std::optional<std::uint32_t>(std::int32_t x, std::int32_t y)>;

// A point of the upper half of one of the unit's figures, on the screen, where the ground under it is
// another hex's (the figure stands up into the hex behind), the figure shows there in its own colour and no
// other figure stands there; nothing when no figure of the unit offers one.
inline std::optional<Point> figureBodyPoint(VaelApp& app, const ScreenColour& screen, const Combat& unit) {
    VaelMapWindow* w = mapWindow(app);
    PointedVaelLandscape* land = shownLandscape(app);
    const LogicalPalette* palette = app.getPalette();
    if (!w || !land || !palette) return std::nullopt;
    const int zoom = w->tile().zoomIndex();
    const Point origin = w->tile().origin();
    const platform::Rect client = WindowManager::instance().clientOnScreen(w->hwnd());
    const auto hex = static_cast<short>(unit.getHex());
    const std::set<Sprite*> sprites = viewSprites(app.views()->normal());
    for (Sprite* sprite : sprites) {
        auto* figure = dynamic_cast<VaelSprite*>(sprite);
        Bitmap* frame = figure ? figure->levelFrame(zoom) : nullptr;
        // A soldier of the unit: its flag and its fallen take no clicks.
        if (!frame || figure->isHidden() || figure->getState() != 0 ||
            figure->region() != static_cast<std::uint16_t>(hex))
            continue;
        Bitmap one(frame->size(), PixelOpaque), two(frame->size(), PixelOpaque);
        std::fill(one.bits(), one.bits() + one.stride() * one.height(), 1);
        std::fill(two.bits(), two.bits() + two.stride() * two.height(), 2);
        one.drawWholeBitmap(frame->hotSpot(), *frame, DrawPlain);
        two.drawWholeBitmap(frame->hotSpot(), *frame, DrawPlain);
        const Point corner = figure->position(zoom) - frame->hotSpot();
        for (std::int32_t y = 0; y < frame->height() / 2; ++y)
            for (std::int32_t x = 0; x < frame->width(); ++x) {
                const std::uint8_t v = one.bits()[y * one.stride() + x];
                const Point onMap(static_cast<std::int16_t>(corner.x + x),
                                  static_cast<std::int16_t>(corner.y + y));
                const std::int32_t sx = client.x + onMap.x - origin.x, sy = client.y + onMap.y - origin.y;
                if (v != two.bits()[y * two.stride() + x] || sx < client.x || sy < client.y ||
                    sx >= client.x + client.width || sy >= client.y + client.height ||
                    WindowManager::instance().windowAt(sx, sy) != w->hwnd())
                    continue;
                const RgbQuad& c = palette->colours()[v];
                if (screen(sx, sy) != (std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | c.blue))
                    continue;
                const std::int16_t block = land->blockAtPoint(onMap);
                if (block < 0 || land->blockToHex(block) == hex) continue;
                // Another sprite there, in front or behind, shows another colour there: the screen shows
                // this figure in front of it.
                if (std::any_of(sprites.begin(), sprites.end(), [&](Sprite* other) {
                        auto* o = dynamic_cast<VaelSprite*>(other);
                        return other != sprite && o && !o->isHidden() && o->hitTestAt(onMap, zoom) &&
                               colourAt(*o, onMap, zoom) == v;
                    }))
                    continue;
                return Point(static_cast<std::int16_t>(sx), static_cast<std::int16_t>(sy));
            }
    }
    return std::nullopt;
}

} // namespace vael::test
