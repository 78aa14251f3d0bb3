#pragma once
// The other archers: horse archers (six riders), archer chariots (three chariots on places of their own)
// and archers who also fight hand to hand. All shoot the foot archers' volley.
#include "game/figures/p_archer.h"

namespace vael {

class PMountedArcher : public PArcher {
public:
    PMountedArcher(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                   std::int16_t missileKind, std::int16_t region, std::int32_t facing);
    void setupAnimations() override;
    std::int16_t turnRate() override { return turnFacing() == 3 || turnFacing() == 7 ? 260 : 166; }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
};

class PChariotArcher : public PArcher {
public:
    PChariotArcher(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                   std::int16_t missileKind, std::int16_t region, std::int32_t facing);
    void setupAnimations() override;
    std::int16_t turnRate() override { return turnFacing() == 3 || turnFacing() == 7 ? 260 : 166; }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
};

class PShockingArcher : public PArcher {
public:
    PShockingArcher(const std::string& normalName, const std::string& halfName,
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
