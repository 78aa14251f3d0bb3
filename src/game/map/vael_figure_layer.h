#pragma once
// What a unit's display object needs of the game's physical layer that owns it and of the full-size
// battle landscape: where a hex lies and how high, which hexes are on the map and which lies next to one on
// screen, the line along which a beaten unit leaves the battle, and the ground that takes fallen figures
// for good. The layer answers from its landscapes; the display objects hold no landscape themselves.
#include <cstdint>

#include "framework/core/geometry.h"
#include "framework/core/list.h"

namespace vael {

class LogicalCommandInfo;
class PhysicalObject;
class VaelDisplayObject;
class VaelSprite;

class VaelFigureLandscape {
public:
    virtual ~VaelFigureLandscape() = default;
    // The full-size pixel point of a hex plus an offset.
    virtual Point3D hexToPoint(std::int16_t hex, const Point3D& offset) const = 0;
    // The z of the hex's block; 0 is water, whose crossing splashes.
    virtual std::int16_t heightOf(std::int16_t hex) const = 0;
    // 1 for a hex of the map, 0 for any other number.
    virtual std::int16_t isOnMap(std::int16_t hex) const = 0;
    // The hex next to this one on screen in a direction 1 to 8 (turned half round in the reversed view).
    virtual std::int16_t neighbourOnScreen(std::int16_t hex, std::int32_t direction) const = 0;
    // The hexes from this one off the map along the battle's exit line, and its flag.
    virtual List<short> exitLineForBattle(std::int16_t hex, std::int16_t& flag) const = 0;
    // Takes the sprite into the ground for good: the landscape owns and draws it from now on.
    virtual void addGroundSprite(VaelSprite* sprite) = 0;
    // The hexes in a line from this one (first) in a direction 1 to 8, as far as the map goes; a landscape
    // that cannot tell answers the hex alone.
    virtual List<short> hexLineInDirection(std::int16_t hex, std::int32_t) const {
        List<short> line;
        line.append(hex);
        return line;
    }
};

class VaelFigureLayer {
public:
    virtual ~VaelFigureLayer() = default;
    // Zoom 0 is full size; the display objects ask only for it.
    virtual VaelFigureLandscape* landscape(std::int16_t zoom) = 0;
    // 0 for the normal view's layer, 4 for the reversed view's.
    virtual std::int16_t layerId() const = 0;
    // 0 while a normal-view map is shown, else 4 while a reversed-view one is, else -1.
    virtual std::int16_t viewMode() const = 0;
    // The units' objects by their unit numbers, which is how a saved game names the victims a rampage
    // holds: the object of a unit (null for none), and the unit of an object (-1 for none).
    virtual VaelDisplayObject* unitObject(std::uint16_t) const { return nullptr; }
    virtual std::int32_t unitNumberOf(const VaelDisplayObject*) const { return -1; }
    // Whether the end of a walk this object has played must wait to be told behind an earlier walk that
    // another object still plays (see VaelPhysicalLayer).
    virtual bool walkEndWaits(const LogicalCommandInfo&, const PhysicalObject*) const { return false; }
};

} // namespace vael
