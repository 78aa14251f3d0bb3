// A unit's reach is kept between askings and answered again only while nothing it is worked out from has
// changed: each change below must show in the next answer, and an unchanged state must not fill again.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/core/debug_stream.h"
#include "support/rules/fighting_units.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

using namespace test;

// Counts the steps its fills try.
template <class Kind> struct Counted : Kind {
    using Kind::Kind;
    std::int16_t testStep(std::int16_t from, std::int16_t to) override {
        ++steps;
        return Kind::testStep(from, to);
    }
    int steps = 0;
};

struct OpenLeader : Leader {
    using Leader::groupMoveGranted_, Leader::groupFacing_, Leader::movementLeft_;
    using Leader::Leader;
};

class KeptReach : public FightingUnits {
protected:
    // Unit 1 on 505 facing east with 2 movement points: alone on the map it reaches 605, 606 and the three
    // hexes beyond (see the movement tests).
    Open<Counted<Hoplite>>& mover() {
        auto& unit = add<Counted<Hoplite>>({1, 505, 1, East, 5, 4, 0, 2});
        unit.selectedHex_ = 505;
        return unit;
    }
    // Takes a unit from where it stands to hex, as a move does.
    void moveTo(VaelUnit& unit, std::int16_t hex) {
        map->removeFromRegion(&unit, static_cast<std::int16_t>(unit.getHex()));
        unit.setHex(static_cast<std::uint16_t>(hex));
        map->addToRegion(&unit, hex);
        if (auto* c = dynamic_cast<Combat*>(&unit)) c->updateSurroundings();
    }
    OpenLeader& openLeader(int number, std::int16_t hex, std::uint32_t nation) {
        LeaderUnitData r;
        static_cast<VaelUnitData&>(r) = record({number, hex, nation});
        r.name = "Leader " + std::to_string(number);
        r.initiative = 3;
        r.commandRange = 4;
        return place(std::make_unique<OpenLeader>(r, r.name.c_str()), hex);
    }
};

constexpr const char* alone = "[505 605 606 704 705 706]";

TEST_F(KeptReach, AnUnchangedStateIsAnsweredWithoutAFillButTheMenusAreStillSent) {
    auto& unit = mover();
    add({9, 705, 2, West}); // controls 605 and 606
    const std::string first = values(unit.GetValidMovement(), unit.getAttackHexes());
    const int firstSteps = unit.steps;
    unit.attackHexes_.clear();
    unit.blockedMoves_.append(1010);
    layer.clearLog();
    unit.steps = 0;
    EXPECT_EQ(values(unit.GetValidMovement(), unit.getAttackHexes(), unit.getBlockedMoves(), unit.steps),
              first + " [] 0");
    EXPECT_GT(firstSteps, 0);
    EXPECT_EQ(layer.lines({"menu"}), (std::vector<std::string>{"menu- 235", "menu+ 220", "menu+ 221"}));
    // Asked for another facing or allowance, it fills for that, and again on going back.
    EXPECT_EQ(text(unit.GetValidMovement(NoDirection, 1)), "[505 605 606]");
    EXPECT_GT(unit.steps, 0);
    unit.steps = 0;
    EXPECT_EQ(text(unit.GetValidMovement()), "[505 605 606]");
    EXPECT_GT(unit.steps, 0);
}

// The fill writes trace lines as it goes, so a run with a trace file fills every time.
TEST_F(KeptReach, NothingIsKeptWhileATraceIsWritten) {
    test::TempDir dir("kept-reach-trace");
    auto& unit = mover();
    unit.GetValidMovement();
    debugStream().rdbuf()->open((dir / "trace").c_str());
    unit.steps = 0;
    const std::string traced = text(unit.GetValidMovement());
    const int tracedSteps = unit.steps;
    unit.steps = 0;
    unit.GetValidMovement();
    const int again = unit.steps;
    debugStream().rdbuf()->open(nullptr);
    unit.steps = 0;
    const std::string after = text(unit.GetValidMovement());
    EXPECT_EQ(values(traced, tracedSteps > 0, again == tracedSteps, after, unit.steps > 0),
              std::string(alone) + " 1 1 " + alone + " 1");
}

TEST_F(KeptReach, EachChangeItDependsOnDropsIt) {
    struct Row {
        const char* change;
        std::function<void(Open<Counted<Hoplite>>&unit)> set, act;
        const char* before;
        const char* after;
    };
    Open<Hoplite>* enemy = nullptr;
    const auto enemyAt705 = [&](auto&) { enemy = &add({9, 705, 2, West}); };
    const Row rows[] = {
        {"a friend moves into the way",
         [&](auto&) {
             enemy = &add({2, 1010, 1});
         },
         [&](auto&) { moveTo(*enemy, 605); }, alone, "[505 606 705 706]"},
        {"an enemy moves up, its zone stopping the move",
         [&](auto&) {
             enemy = &add({9, 1010, 2, West});
         },
         [&](auto&) { moveTo(*enemy, 705); }, alone, "[505 605 606]"},
        {"the enemy turns away", enemyAt705,
         [&](auto&) {
             enemy->setFacing(East);
             enemy->rebuildZOC();
         },
         "[505 605 606]", "[505 605 606 704 706]"},
        {"the enemy is taken off the map", enemyAt705, [&](auto&) { map->removeFromRegion(enemy, 705); },
         "[505 605 606]", alone},
        {"the enemy is eliminated", enemyAt705, [&](auto&) { enemy->disconnectHandlers(); }, "[505 605 606]",
         alone},
        // Its zone goes, and it runs off the hex.
        {"the enemy routs", enemyAt705, [&](auto&) { enemy->prepareToRout(); }, "[505 605 606]", alone},
        // Westward, the south-west side first as the south-east one is eastward.
        {"the unit turns", [](auto&) {}, [](auto& unit) { unit.setFacing(West); }, alone,
         "[505 406 405 306 305 304]"},
        {"a new turn gives the movement back", [](auto& unit) { unit.movementLeft_ = 1; },
         [](auto& unit) { unit.BeginTurn(); }, "[505 605 606]", alone},
        {"a new map", [](auto&) {},
         [&](auto& unit) {
             MapFileBuilder woods(12, 12);
             woods.addTerrain(605, 1).addTerrain(606, 1);
             map->loadMap(readMapFile(woods));
             map->addToRegion(&unit, 505);
         },
         alone, "[505 605 606]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        clearUnits();
        auto& unit = mover();
        row.set(unit);
        const std::string before = text(unit.GetValidMovement());
        row.act(unit);
        unit.steps = 0;
        const std::string after = text(unit.GetValidMovement());
        EXPECT_EQ(values(before, after, unit.steps > 0), std::string(row.before) + " " + row.after + " 1");
    }
}

// The fill reads each declared combat's hex and defenders: an enemy that already defends against
// somebody whom this unit's zone cannot reach is no target of this unit.
TEST_F(KeptReach, ADeclaredCombatDropsIt) {
    auto& unit = mover();
    auto& target = add({9, 705, 2, West});
    auto& elsewhere = add({10, 1010, 2, West});
    unit.GetValidMovement();
    const std::string before = text(unit.getAttackHexes());
    CombatStruct combat;
    combat.hex = 1010;
    combat.defenders.append(&target);
    combat.defenders.append(&elsewhere);
    layer.combats.append(combat);
    unit.GetValidMovement();
    const std::string declared = text(unit.getAttackHexes());
    layer.combats.clear();
    unit.GetValidMovement();
    EXPECT_EQ(values(before, declared, unit.getAttackHexes()), "[705] [] [705]");
}

// A leader alone keeps his reach too; an enemy coming near, or a granted group move, shows at once.
TEST_F(KeptReach, ALeadersReachFollowsTheEnemyAndTheGroupMove) {
    auto& leader = openLeader(1, 505, 1);
    leader.movementLeft_ = 1;
    const std::string first = text(leader.GetValidMovement());
    auto& enemy = add({9, 1010, 2, West});
    const std::string unchanged = text(leader.GetValidMovement());
    moveTo(enemy, 705); // next to 605 and 606, where a leader may not go
    const std::string near = text(leader.GetValidMovement());
    leader.groupMoveGranted_ = 1;
    leader.groupFacing_ = East;
    const std::string group = text(leader.GetValidMovement());
    leader.groupMoveGranted_ = 0;
    // Alone he tries north, north-east, south-east, south, south-west and north-west, and lists his own
    // hex last; in a group move the block goes east.
    EXPECT_EQ(
        values(first, unchanged, near, group, leader.GetValidMovement()),
        "[504 605 606 506 406 405 505] [504 605 606 506 406 405 505] [504 506 406 405 505] [505 605 606] "
        "[504 506 406 405 505]");
}

} // namespace
} // namespace vael
