#pragma once
// Test support for the leaders: a 10 x 10 map on the test layer below a test application, the game-flow
// double beside them, and makers of leaders and units standing on the map. Leaders come open, so that a
// test can set the state a rule reads (movement spent, a granted group move) without playing up to it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/rules/leaders/vaelmoric.h"
#include "support/rules/game_flow_double.h"
#include "support/rules/scripted_rolls.h"
#include "support/rules/test_logical_layer.h"
#include "support/rules/test_units.h"
#include "support/test_application.h"

namespace vael::test {

template <class Kind> struct OpenLeader : Kind {
    using Kind::failedGroupMoves_, Kind::forcedWithdrawal_, Kind::fullGroupMove_, Kind::groupFacing_,
        Kind::groupMoveGranted_, Kind::groupMoveTried_, Kind::movementLeft_, Kind::ordersPhaseActive_,
        Kind::ordersUsed_, Kind::potentialToBeOrdered_, Kind::selected_, Kind::validMoves_;
    using Kind::Kind;
};

// A missile unit that notes its refills and can be set routing.
struct RefillingShooter : TestMissileUnit {
    using TestMissileUnit::TestMissileUnit;
    void replenish() override { ++refills, missilesLeft_ = 1; }
    void setRouting(std::int16_t v) { routing_ = v; }
    int refills = 0;
};

struct Ratings {
    std::uint16_t initiative = 3;
    std::uint16_t commandRange = 4;
    std::uint16_t shockPrecedence = 2;
    std::uint16_t duelRating = 1;
};

inline LeaderUnitData leaderRecord(std::uint16_t number, std::int16_t hex, VaelLogicalLandscape* map,
                                   std::uint32_t nation, const std::string& name, Ratings r) {
    LeaderUnitData record;
    static_cast<VaelUnitData&>(record) = UnitSetup(number, hex, map, nation);
    record.name = name;
    record.initiative = r.initiative;
    record.commandRange = r.commandRange;
    record.shockPrecedence = r.shockPrecedence;
    record.duelRating = r.duelRating;
    return record;
}

class LeaderFixture : public ::testing::Test {
protected:
    static constexpr std::uint32_t home = 1;
    static constexpr std::uint32_t visitor = 2;

    LeaderFixture() {
        // The toolbar gives the player's "finish leader" command its fixed id before any battle.
        RegisteredMessage::registerWithId(224, "LeaderFinishLeader");
        app.strings = ruleStrings();
        app.strings[90] = "(R)";
        app.strings[143] = "I:";
        app.strings[144] = "Com:";
        layer.attach(app);
        map->attach(layer);
        flow.attach(layer);
        Leader::setShowFinishLeader(0);
        Leader::setFinishPrompt([this](Leader& l) { flow.heard.push_back("prompt|" + l.getName()); });
    }
    ~LeaderFixture() override { Leader::setFinishPrompt(nullptr); }

    template <class Kind = Leader>
    OpenLeader<Kind>& leader(std::uint16_t number, std::int16_t hex, Ratings r = {},
                             const std::string& name = "Kavel", std::uint32_t nation = home) {
        return stand(std::make_unique<OpenLeader<Kind>>(leaderRecord(number, hex, map.get(), nation, name, r),
                                                        name.c_str()),
                     hex);
    }
    TestCombat& unit(std::uint16_t number, std::int16_t hex, std::uint32_t nation = home,
                     std::uint32_t type = 2) {
        return stand(std::make_unique<TestCombat>(UnitSetup(number, hex, map.get(), nation, type)), hex);
    }
    RefillingShooter& archer(std::uint16_t number, std::int16_t hex, std::uint32_t type = 2) {
        return stand(std::make_unique<RefillingShooter>(UnitSetup(number, hex, map.get(), home, type, 0, 1)),
                     hex);
    }
    template <class U> U& stand(std::unique_ptr<U> made, std::int16_t hex) {
        U& unit = *made;
        if (hex >= 0) map->addToRegion(&unit, hex);
        unit.attach(layer);
        flow.units.push_back(&unit);
        owned.push_back(std::move(made));
        return unit;
    }

    TestApplication app;
    TestLogicalLayer layer;
    std::unique_ptr<VaelLogicalLandscape> map = makeLandscape(10, 10);
    GameFlowDouble flow;
    std::vector<std::unique_ptr<VaelUnit>> owned;
};

} // namespace vael::test
