#pragma once
// A leader on the battle map: one figure that waves its flag while the leader is active, takes on a
// wounded look for good once wounded, is replaced by a fresh figure when it falls, and leaves the unit
// events that animate a formation's losses alone.
#include <string>

#include "game/figures/vael_physical_object.h"

namespace vael {

class PLeader : public VaelPhysicalObject {
public:
    // kindFlag non-zero makes the leader of the second leader kind.
    PLeader(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
            std::int16_t region, std::int32_t facing, std::int16_t kindFlag);
    ~PLeader() override;

    void handleEvent(LogicalCommandInfo& command) override;
    void commandFinished(LogicalCommandInfo& command) override;
    // The stand name (u16 length and its characters) before the base's record.
    void save(std::ostream& stream) override;
    void load(std::istream& stream) override;
    void setupAnimations() override { buildSingleFigureFormation(); }
    std::int16_t turnRate() override { return turnFacing() == 3 || turnFacing() == 7 ? 260 : 166; }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;

    const std::string& standName() const { return standName_; }

protected:
    // The leader's flag-waving frames for its facing, or none when flags are not animated.
    List<FrameInfo> wavingFrames();
    void buryFallenLeader();

    std::string standName_ = "Standing";
    // The figure that fell and was replaced: it finishes its fall among the loose sprites and then goes
    // into the ground.
    VaelSprite* fallenLeader_ = nullptr;
};

// The chieftain: a leader of a kind of its own.
class PTezhar : public PLeader {
public:
    PTezhar(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
            std::int16_t region, std::int32_t facing);
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
};

} // namespace vael
