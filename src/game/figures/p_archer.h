#pragma once
// Foot archers: eight figures in formation and eight arrows. A missile-fire order plays a volley (each
// archer draws, shoots and stands again while its arrow flies a three-leg arc to the target hex); in shock
// combat the archers shoot point-blank into the neighbouring hex. A routing archer drops its bow, and
// archers carry no shield.
#include "game/figures/p_missile_unit.h"

namespace vael {

class PArcher : public PMissileUnit {
public:
    PArcher(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
            std::int16_t missileKind, std::int16_t region, std::int32_t facing);

    void setupAnimations() override;
    VaelSprite* setupSpear(std::int16_t slot) override;
    VaelSprite* setupShield(std::int16_t) override { return nullptr; }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
    // The point-blank shot of one figure in shock combat, across the hex side toward its enemy.
    void animateCombatFigure(std::int16_t figure, std::int16_t hex, bool casualty,
                             std::vector<std::int16_t>& stepTime, std::vector<std::int16_t>& stepFrom,
                             std::int16_t casualtyNumber, const List<FrameInfo>& frames,
                             std::int32_t direction, std::int16_t newCasualties,
                             std::int16_t advanceFirst) override;

    // The three way-points of an arrow's arc (the times are each leg's milliseconds), in full-size map
    // pixels. missileTarget is shifted by the direction's correction on the way.
    struct Arc {
        Point4D w1, w2, w3;
    };
    Arc arcToward(const Point3D& start, std::int32_t direction);

protected:
    bool playsVolleys() const override { return true; }
    void volley(LogicalCommandInfo& command) override;
    // The arrow of figure i: from its slot plus the launch offset along the arc to the target.
    VaelSprite* queueArrow(std::int16_t i, std::int32_t direction, const Point3D& pos, const Point3D& start,
                           const Arc& arc, int waits, bool late, std::int32_t restTime);
};

} // namespace vael
