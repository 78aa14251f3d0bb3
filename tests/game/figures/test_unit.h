#pragma once
// Test support: a display object of a chosen kind whose start of a command a test scripts, as the unit
// classes script theirs; every other command starts nothing, as with the base.
#include <functional>
#include <string>
#include <vector>

#include "game/figures/figure_state_peer.h"
#include "game/figures/vael_physical_object.h"

namespace vael::test {

class TestUnit : public VaelPhysicalObject {
public:
    using Script = std::function<void(TestUnit& self, LogicalCommandInfo& command)>;

    TestUnit(const std::string& name, std::int16_t region, std::int32_t facing, std::int32_t kind,
             Script script = {}, int formation = 0)
        : VaelPhysicalObject(name, name + " (Half size)", name + " (Quarter size)", region, facing),
          script_(std::move(script)), formation_(formation) {
        setKind(kind);
    }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override {
        return new TestUnit(images_.name(), region, facing, unitKind(), script_, formation_);
    }
    void setupAnimations() override {
        if (formation_ == 8) return buildEightFigureFormation(), setRearRankOfEight();
        if (formation_ == 6) return buildSixFigureFormation(), setRearRankOfSix();
        if (formation_ == 1) return buildSingleFigureFormation();
        VaelPhysicalObject::setupAnimations();
    }
    void handleEvent(LogicalCommandInfo& command) override {
        ++started;
        if (script_) script_(*this, command);
    }
    void commandFinished(LogicalCommandInfo& command) override {
        ++finished;
        VaelPhysicalObject::commandFinished(command);
    }
    void activate(Sprite* s) { activeSprites_.append(s); }
    void addLoose(Sprite* s) { addLooseSprite(s); }
    void markFallen(std::int16_t i) { setFallen(i, true); }
    void setFacingTo(std::int32_t f) { setFacing(f); }
    // Another kind once the object is made: a leader's kind on an object that was given a unit's flag.
    void setKind(std::int32_t kind) { VaelPhysicalObject::setKind(static_cast<DisplayKind>(kind)); }
    void setSlotDepthsEmpty() { FigureStatePeer::dropSlotDepths(*this); }

    int started = 0, finished = 0;
    // The rampage hooks called, each with its hex and how many events the sprite held before it.
    std::vector<std::string> hooks;

protected:
    void rear(VaelSprite& s, std::int16_t hex) override {
        hooks.push_back("rear " + std::to_string(hex) + " after " + std::to_string(s.events().count()));
    }
    void trample(VaelSprite& s, std::int16_t hex) override {
        hooks.push_back("trample " + std::to_string(hex) + " after " + std::to_string(s.events().count()));
    }

private:
    Script script_;
    int formation_;
};

} // namespace vael::test
