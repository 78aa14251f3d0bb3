#pragma once
// Mounted javelin throwers (six riders) and javelin chariots (three chariots): the javelinists' throw, the
// plain unit's melee and a walk twice as fast as foot.
#include "game/figures/p_javelinist.h"

namespace vael {

class PMountedJavelinist : public PJavelinist {
public:
    PMountedJavelinist(const std::string& normalName, const std::string& halfName,
                       const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                       std::int32_t facing);
    void setupAnimations() override;
    std::int16_t turnRate() override { return turnFacing() == 3 || turnFacing() == 7 ? 260 : 166; }
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

class PChariotJavelinist : public PJavelinist {
public:
    PChariotJavelinist(const std::string& normalName, const std::string& halfName,
                       const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                       std::int32_t facing);
    void setupAnimations() override;
    std::int16_t turnRate() override { return turnFacing() == 3 || turnFacing() == 7 ? 260 : 166; }
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
