#pragma once
// Lancers, a block of six riders (cataphracts in armour when so made), and heavy infantry, a block of
// eight soldiers: they differ from a plain unit only in their kind, formation and who steps up.
#include "game/figures/vael_physical_object.h"

namespace vael {

class PLancer : public VaelPhysicalObject {
public:
    PLancer(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
            std::int16_t region, std::int32_t facing, std::int16_t cataphract);
    void setupAnimations() override { buildSixFigureFormation(), setRearRankOfSix(); }
    std::int16_t turnRate() override { return turnFacing() == 3 || turnFacing() == 7 ? 260 : 166; }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
};

class PHeavyInfantry : public VaelPhysicalObject {
public:
    PHeavyInfantry(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                   std::int16_t region, std::int32_t facing);
    void setupAnimations() override { buildEightFigureFormation(), setRearRankOfEight(); }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
};

} // namespace vael
