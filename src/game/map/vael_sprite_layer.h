#pragma once
// What a game sprite needs of the game's physical layer of its view: where a region's anchor lies on the
// landscape of each zoom level, and which view is on screen. The layer answers these from its landscapes;
// sprites hold no landscape themselves, so the same sprite can be placed on all three.
#include <cstdint>

#include "framework/core/geometry.h"

namespace vael {

class VaelSpriteLayer {
public:
    // The values viewMode answers: the normal view, the reversed view, or neither shown.
    static constexpr std::int16_t NormalView = 0;
    static constexpr std::int16_t ReversedView = 4;
    static constexpr std::int16_t NoView = -1;

    virtual ~VaelSpriteLayer() = default;
    // The anchor point of a region on the landscape of zoom level 0 (full), 1 (half) or 2 (quarter), in
    // that level's pixels.
    virtual Point3D regionAnchor(std::int16_t level, std::int16_t region) const = 0;
    virtual std::int16_t viewMode() const = 0;
    // What a saved game's sprite may hold: whether a region is a hex of the map, and the box at a zoom level
    // that every place a battle shows a sprite in lies within. A layer without a map takes every region
    // and place (an empty box).
    virtual bool regionOnMap(std::int16_t) const { return true; }
    virtual Box placesBox(std::int16_t) const { return Box(); }
};

} // namespace vael
