#pragma once
// A phalanx: a block two hexes deep shown as twenty soldiers, ten in each hex, in four files of five. It
// keeps the plain unit's tables and commands but lays out its own block, wheels on one of its hexes when it
// changes facing, places dropped gear in each soldier's own hex, names both hexes as its regions and keeps
// both in saved games.
#include "game/figures/vael_physical_object.h"

namespace vael {

class PPhalanx : public VaelPhysicalObject {
public:
    static constexpr std::int16_t Soldiers = 20;

    PPhalanx(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
             std::int16_t region, std::int32_t facing);

    // The about-face, the rout, restored cohesion, combat losses, the teleport and the march are the
    // block's own; every other command is the plain unit's.
    void handleEvent(LogicalCommandInfo& command) override;
    void setupAnimations() override;
    VaelSprite* setupSpear(std::int16_t soldier) override;
    VaelSprite* setupShield(std::int16_t soldier) override;
    VaelSprite* setupHelmet(std::int16_t soldier, std::int32_t direction) override;
    void changeFacing(LogicalCommandInfo& command, std::int16_t animate) override;
    // Both hexes, the first one first; the caller owns the list.
    ContainerBase* getRegions() override;
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
    void setReversedView(std::int16_t v) override;
    // The two hexes go before the plain unit's record; a record that does not fit leaves them as they were.
    void save(std::ostream& stream) override;
    void load(std::istream& stream) override;

    // The neighbour of a hex across one of the six sides (1, 2, 4, 5, 6, 8), seen through the reversed
    // view when it is on; 0 and the in-between directions 3 and 7 have no neighbour and give the hex itself.
    std::int16_t hexAhead(std::int16_t hex, std::int32_t direction) const;
    std::int16_t hexBehind(std::int16_t hex, std::int32_t direction) const;
    // Where the block's front rows stand when it stands on hex facing direction: the hex ahead, or the
    // block's own hex when that lies off the map (a block at the edge facing off it).
    std::int16_t frontHexFrom(std::int16_t hex, std::int32_t direction) const;
    // The hex ahead of each hex of a path in the facing, in order.
    List<short> hexesAhead(const List<short>& hexes) const;

    std::int16_t primaryHex() const { return primaryHex_; }
    std::int16_t frontHex() const { return frontHex_; }
    // The hex a layout row stands in: the front hex for the second and fourth files.
    std::int16_t hexOfRow(std::int16_t row) const;

    // A soldier's layout point and depth at a facing, from the block's table.
    static Point3D layoutPoint(std::int16_t soldier, std::int32_t facing);
    static std::int16_t layoutDepth(std::int16_t soldier, std::int32_t facing);
    // The picture group a soldier turns through when he turns in place from one facing to another.
    static std::int32_t pivotTurn(std::int32_t from, std::int32_t to);

protected:
    void aboutFace();
    void terminalRout(const List<short>& path);
    void restoreCohesion(std::int16_t percent);
    void combatLosses(const List<short>& enemies, std::int16_t advanceFirst);
    void teleport(const List<short>& hexes);
    void march(const List<short>& path);
    // Which soldiers fall, one flag each, for the losses from the shown count up to the target: those in
    // contact first, seeded with the hex so every machine picks the same ones.
    std::vector<bool> pickFallen(std::int16_t target, const std::vector<std::int32_t>& enemy);
    void showFlag();
    void placeFlag(bool changeRegion);

    std::int16_t primaryHex_;
    std::int16_t frontHex_;
};

VAEL_TYPE_NAME(PPhalanx*, "PPhalanx *");

} // namespace vael
