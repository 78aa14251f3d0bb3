#pragma once
// What a combat leaves behind of a fallen rider or chariot: a horse that falls, or a horse or chariot that
// runs off along a line of hexes. It has no unit of its own; its one figure starts hidden, waits a little
// after the fall that made it, then shows.
#include "game/figures/vael_physical_object.h"

namespace vael {

class PHorse : public VaelPhysicalObject {
public:
    // delayedStart non-zero: each command first keeps the figure hidden for seven steps and a random wait.
    PHorse(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
           std::int16_t region, std::int32_t facing, std::int32_t kind, std::uint16_t delayedStart);

    void handleEvent(LogicalCommandInfo& command) override;
    void setupAnimations() override;
    std::int16_t turnRate() override { return turnFacing() == 3 || turnFacing() == 7 ? 260 : 166; }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;

    std::uint16_t delayedStart() const { return delayedStart_; }

private:
    void waitHidden(VaelSprite& s);

    std::uint16_t delayedStart_;
};

} // namespace vael
