#include <gtest/gtest.h>

#include "game/rules/units/unit_payloads.h"
#include "support/flow/shock_fixture.h"

namespace vael {
namespace {

using namespace test;

struct Archers : LightInfantry {
    using Combat::routing_;
    using LightInfantry::LightInfantry;
    using MissileCapable::missilesLeft_;
};

// 705's neighbours in the table's order: 704, 805, 806, 706, 606, 605. Facing West from 805 and East
// from 605 both have 705 in front, in the zone of control. Arrows (type 1) hit medium infantry at one
// hex on 5 or less, sling stones (type 3) on 3 or less.
class ReactionFire : public ShockFixture {
protected:
    ReactionFire() : ShockFixture({"DoMissileFire", "AddCommentary"}) { display.answers = false; }
};

TEST_F(ReactionFire, EnemyMissileTroopsFireAtAUnitEnteringTheirZone) {
    struct Row {
        const char* label;
        bool entererIsLeader;
        std::uint16_t arrowsLeft;
        std::int16_t archersRouting;
        std::uint32_t archersNation;
        std::initializer_list<int> dice;
        const char* arrows; // the commentary's end for each that fires, in that order; null: silent
        const char* stones;
        std::uint16_t hits;
    } rows[] = {
        {"both fire, in neighbour order", false, 3, 0, 2, {5, 4}, "1 cohesion hit.", "0 cohesion hits.", 1},
        {"the arrows miss on 6", false, 3, 0, 2, {6, 3}, "0 cohesion hits.", "1 cohesion hit.", 1},
        {"archers out of arrows stop the slingers too", false, 0, 0, 2, {}, nullptr, nullptr, 0},
        {"routing archers stop the slingers too", false, 3, 1, 2, {}, nullptr, nullptr, 0},
        {"friendly archers are no candidates", false, 3, 0, 1, {3}, nullptr, "1 cohesion hit.", 1},
        {"a leader draws no fire", true, 3, 0, 2, {}, nullptr, nullptr, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        Combat* entering = nullptr;
        if (row.entererIsLeader)
            leader(1, 705, 1, "Unit 1", 2, 1);
        else
            entering = &unit({1, 705, 1, East}, 3);
        auto& archers = shooter<Archers>({2, 805, row.archersNation, West}, 1);
        archers.missilesLeft_ = row.arrowsLeft;
        shooter<Archers>({3, 605, 2, East}, 3);
        archers.routing_ = row.archersRouting; // caught as it breaks, its zone not yet given up
        display.log.clear();
        ScriptedRolls rolls(row.dice);
        say("EntryReactionFire", short(705));
        EXPECT_EQ(rolls.left(), 0u);
        Lines expected; // for each that fires, the archers first: the volley, then the commentary
        for (auto [number, fires, end] :
             {std::tuple{2, "fires arrows", row.arrows}, {3, "slings stones", row.stones}})
            if (end)
                expected.insert(expected.end(), {"DoMissileFire 705 " + text(number),
                                                 "AddCommentary \\BUnit " + text(number) + "\\b " + fires +
                                                     " at Unit 1 for " + end});
        EXPECT_EQ(display.log, expected);
        if (entering) {
            EXPECT_EQ(entering->getCohesionHits(), row.hits);
        }
        restage();
    }
}

// The battle over here (the other machine lost, or the rules' end alone): a unit that still steps into the
// archers' zone on its way draws no volley and takes no hit. Before it, the same step draws the arrows.
TEST_F(ReactionFire, NoVolleyOnceTheLayerHasStoodDown) {
    for (bool stoodDown : {false, true}) {
        SCOPED_TRACE(stoodDown ? "stood down" : "in the battle");
        auto& entering = unit({1, 705, 1, East}, 3);
        shooter<Archers>({2, 805, 2, West}, 1);
        if (stoodDown) layer.standDown();
        display.log.clear();
        ScriptedRolls rolls;
        if (!stoodDown) rolls.add({5});
        say("EntryReactionFire", short(705));
        EXPECT_EQ(rolls.left(), 0u);
        EXPECT_EQ(display.log, stoodDown ? Lines{}
                                         : (Lines{"DoMissileFire 705 2",
                                                  "AddCommentary \\BUnit 2\\b fires arrows at Unit 1 for 1 "
                                                  "cohesion hit."}));
        EXPECT_EQ(entering.getCohesionHits(), stoodDown ? 0 : 1);
        restage();
    }
}

// The charger stands on 605. Its neighbours in the table's order are 604, 704, 705, ...; 605 is a flank
// hex of a unit on 704 facing South-East and of one on 705 facing North-East. Turning one step toward the
// charger, the first faces South-West and the second North-West.
TEST_F(ReactionFire, ChargedUnitsTryToTurnToFaceTheCharger) {
    struct Row {
        const char* label;
        int firstType, secondType; // -1: no unit there
        std::uint16_t spent;
        bool firstEngaged;
        std::initializer_list<int> dice;
        DIRECTION first, second;
    } rows[] = {
        {"heavy infantry, charge 2: 3 + 1 passes TQ 5", -1, 2, 2, false, {3}, NoDirection, NorthWest},
        {"charge 2: 4 + 1 fails", -1, 2, 2, false, {4}, NoDirection, NorthEast},
        {"charge 3: 4 + 1 - 1 passes", -1, 2, 3, false, {4}, NoDirection, NorthWest},
        {"charge 4: 5 + 1 - 1 fails", -1, 2, 4, false, {5}, NoDirection, NorthEast},
        {"charge 5: 5 + 1 - 2 passes", -1, 2, 5, false, {5}, NoDirection, NorthWest},
        {"charge 5: 6 + 1 - 2 fails", -1, 2, 5, false, {6}, NoDirection, NorthEast},
        {"skirmishers: 7 - 3 passes", -1, 7, 0, false, {7}, NoDirection, NorthWest},
        {"skirmishers: 8 - 3 fails", -1, 7, 0, false, {8}, NoDirection, NorthEast},
        {"a chariot never turns", -1, 14, 5, false, {0}, NoDirection, NorthEast},
        {"both turn", 2, 3, 0, false, {0, 0}, SouthWest, NorthWest},
        {"the first failure ends the check", 2, 3, 0, false, {9}, SouthEast, NorthEast},
        {"a kind that cannot turn ends the check", 0, 3, 0, false, {}, SouthEast, NorthEast},
        {"an engaged unit does not try", 2, 3, 0, true, {0}, SouthEast, NorthWest},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        unit({1, 605, 1, East});
        Combat* first = row.firstType >= 0 ? &unit({2, 704, 2, SouthEast}, row.firstType) : nullptr;
        Combat& second = unit({3, 705, 2, NorthEast}, row.secondType);
        if (row.firstEngaged) unit({4, 804, 1, West});
        ScriptedRolls rolls(row.dice);
        say("AttemptRefaceFromCharge", RefaceFromChargeStruct{605, row.spent});
        EXPECT_EQ(rolls.left(), 0u);
        if (first) {
            EXPECT_EQ(first->getFacing(), row.first);
        }
        EXPECT_EQ(second.getFacing(), row.second);
        restage();
    }
}

} // namespace
} // namespace vael
