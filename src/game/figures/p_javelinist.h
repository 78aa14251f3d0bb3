#pragma once
// Javelin troops: eight figures and eight javelins thrown along a two-leg arc, in a missile-fire order and
// point-blank into the neighbouring hex in shock combat. The mounted, chariot and elephant kinds set the
// mounted mark, which picks their shorter throw and drops the foot soldier's hand offset. The shocking
// kind fights hand to hand as a plain unit does, with a shield.
#include "game/figures/p_missile_unit.h"

namespace vael {

class PJavelinist : public PMissileUnit {
public:
    PJavelinist(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                std::int16_t missileKind, std::int16_t region, std::int32_t facing);

    void setupAnimations() override;
    VaelSprite* setupShield(std::int16_t) override { return nullptr; }
    void animateCombatFigure(std::int16_t figure, std::int16_t hex, bool casualty,
                             std::vector<std::int16_t>& stepTime, std::vector<std::int16_t>& stepFrom,
                             std::int16_t casualtyNumber, const List<FrameInfo>& frames,
                             std::int32_t direction, std::int16_t newCasualties,
                             std::int16_t advanceFirst) override;
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;

    // The two legs of a throw: the apex and the landing point (full-size map pixels), each with its leg's
    // time. Shifts missileTarget by the direction's correction.
    struct Arc {
        Point4D apex, land;
    };
    Arc arcToward(const Point3D& start, std::int32_t direction);
    // The throw of direction d: 12 frames on foot and on chariots, 11 from horseback.
    List<FrameInfo> throwFrames(std::int32_t direction) const;

    std::uint16_t mounted = 0;
    std::int16_t missileKind;

protected:
    bool playsVolleys() const override { return true; }
    void volley(LogicalCommandInfo& command) override;
    VaelSprite* queueJavelin(std::int16_t i, std::int32_t direction, const Point3D& pos, const Point3D& start,
                             const Arc& arc, int waits, bool late);
    bool footThrow() const { return mounted == 0 || traits().throwsOnFoot; }
};

class PShockingJavelinist : public PJavelinist {
public:
    PShockingJavelinist(const std::string& normalName, const std::string& halfName,
                        const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                        std::int32_t facing);
    VaelSprite* setupShield(std::int16_t slot) override { return VaelPhysicalObject::setupShield(slot); }
    void animateCombatFigure(std::int16_t figure, std::int16_t hex, bool casualty,
                             std::vector<std::int16_t>& stepTime, std::vector<std::int16_t>& stepFrom,
                             std::int16_t casualtyNumber, const List<FrameInfo>& frames,
                             std::int32_t direction, std::int16_t newCasualties,
                             std::int16_t advanceFirst) override {
        VaelPhysicalObject::animateCombatFigure(figure, hex, casualty, stepTime, stepFrom, casualtyNumber,
                                                frames, direction, newCasualties, advanceFirst);
    }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
};

} // namespace vael
