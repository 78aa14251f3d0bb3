#pragma once
// A 10 x 10 map on the game-flow double below a test application, with the display double listening,
// and units placed on it as the scenario reader places them: listed on their hexes and attached to the
// layer (which registers their standing handlers).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "support/failed_checks.h"
#include "support/rules/test_display.h"
#include "support/rules/test_game_flow.h"
#include "support/rules/test_movers.h"
#include "support/test_application.h"

namespace vael::test {

class UnitRules : public ::testing::Test {
protected:
    UnitRules() {
        app.strings = ruleStrings();
        layer.attach(app);
        map->attach(layer);
        display.attach(layer);
        runner.attach(layer);
        VaelUnit::setGlobalOrderMode(0);
    }
    ~UnitRules() override { VaelUnit::setGlobalOrderMode(0); }

    template <class U = CombatMover>
    U& place(std::uint16_t number, std::int16_t hex, std::uint32_t nation = 1, std::int16_t doubleSized = 0,
             std::uint32_t type = 2) {
        UnitSetup setup(number, hex, map.get(), nation, type, doubleSized);
        owned.push_back(std::make_unique<U>(setup));
        auto& unit = static_cast<U&>(*owned.back());
        map->addToRegion(&unit, hex);
        if (doubleSized && unit.getSecondHex() >= 0) map->addToRegion(&unit, unit.getSecondHex());
        unit.attach(layer);
        layer.units.push_back(&unit);
        return unit;
    }
    std::string occupants() { return occupantsOf(*map); }
    // Puts a map of the builder's in place of the plain one, before any unit is placed.
    void useMap(const MapFileBuilder& builder) {
        map = makeLandscape(builder);
        map->attach(layer);
    }
    // Runs the step inside a bus handler, as the game runs every rule: what it sends is delivered after it.
    void inHandler(std::function<void()> step) {
        runner.step = std::move(step);
        runner.sendNamedEmpty("TestRunStep");
    }
    // What the display heard since the last call.
    std::vector<std::string> heard() { return std::exchange(display.heard, {}); }

    TestApplication app;
    TestFlowLayer layer;
    std::unique_ptr<VaelLogicalLandscape> map = makeLandscape(10, 10);
    TestDisplay display{{HIGHLIGHT_REGION, DEHIGHLIGHT_REGION, INVALIDATE_VIEW, ENABLE_MENU_ITEM,
                         DISABLE_MENU_ITEM, LOGICAL_OBJECT_SELECTED, LOGICAL_OBJECT_DESELECTED},
                        {"UnitMovement", "UnitMovementDone", "MovementDone", "ShowHexToMoveTo",
                         "HideHexToMoveTo", "UsedThisTurn", "OWResolved", "EndOWSegment", "BeginOWSegment",
                         "InZOC", "AttemptRefaceFromCharge", "EntryReactionFire", "ChangeFacing",
                         "ChangeFacingDone", "AboutFaceDone", "RemoveFromCombat", "LastOrderDeselected",
                         "OWMovementDone", "Center On Region"}};
    std::vector<std::unique_ptr<VaelUnit>> owned;

private:
    struct Runner : Component {
        Runner() : Component("Runner") {}
        void connectHandlers() override { connectNamed("TestRunStep", run); }
        static ContainerBase* run(Component* target, BusMessage, ContainerBase*) {
            static_cast<Runner*>(target)->step();
            return nullptr;
        }
        std::function<void()> step;
    };
    Runner runner;
};

} // namespace vael::test
