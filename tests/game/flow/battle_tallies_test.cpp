// The sides' tallies game control keeps, and a machine without it: sealed losses are handed over once, a
// fall counted takes its sealed loss back, and a fighting unit's fall counts once however often it is told.
#include <gtest/gtest.h>

#include <vector>

#include "game/flow/battle_tallies.h"

namespace vael {
namespace {

std::vector<int> counts(const BattleTallies::Side& s) {
    return {s.lostTQ, s.routedTQ, s.routing, s.eliminated};
}

TEST(BattleTallies, SealedLossesAreHandedOverOnceAndAFallTakesItsOwnBack) {
    BattleTallies t;
    t.lossSealed(EliminateUnitData{1, 6, 2, 4});
    t.lossSealed(EliminateUnitData{1, 7, 2, 5});
    // Sealed again with other points: the later word stands, once.
    t.lossSealed(EliminateUnitData{1, 8, 2, 4});
    t.forgetSealed(5);
    EXPECT_EQ(t.takeSealed(), (std::vector<EliminateUnitData>{{1, 8, 2, 4}}));
    EXPECT_EQ(t.takeSealed(), std::vector<EliminateUnitData>{});
}

TEST(BattleTallies, AFightingUnitFallsOnceALeaderEachTimeHeFalls) {
    BattleTallies t;
    t.routed(UnitRoutData{1, 6, 2}, true);
    EXPECT_TRUE(t.eliminated(EliminateUnitData{1, 6, 2, 4}, true));
    EXPECT_FALSE(t.eliminated(EliminateUnitData{1, 6, 2, 4}, true));
    // Counted on the other side, the number is still the one unit's.
    EXPECT_FALSE(t.eliminated(EliminateUnitData{1, 6, 2, 4}, false));
    EXPECT_TRUE(t.eliminated(EliminateUnitData{1, 10, 0xFFFFFFFF, 9}, true));
    EXPECT_TRUE(t.eliminated(EliminateUnitData{1, 10, 0xFFFFFFFF, 9}, true));
    // An elephant (13) and a bolt thrower (15), the kinds at either end of those never counted as
    // routing, take nothing off the routing count; cavalry (12), the kind below them, does.
    t.routed(UnitRoutData{2, 2, 13}, false);
    t.routed(UnitRoutData{2, 3, 12}, false);
    EXPECT_TRUE(t.eliminated(EliminateUnitData{2, 2, 13, 20}, false));
    EXPECT_TRUE(t.eliminated(EliminateUnitData{2, 1, 15, 21}, false));
    EXPECT_EQ(counts(t.home), (std::vector<int>{26, 0, 0, 3}));
    EXPECT_EQ(counts(t.visitor), (std::vector<int>{3, 3, 1, 2}));
    t.rallied(UnitRoutData{2, 3, 12}, false);
    t.rallied(UnitRoutData{2, 2, 13}, false);
    EXPECT_EQ(counts(t.visitor), (std::vector<int>{3, 0, 0, 2}));
}

// Whatever the reports say, no count falls below nothing: a rally, or a routing unit's fall, of a side that
// has less routing than it takes off leaves that count at nothing, and the rest of the report counts.
TEST(BattleTallies, NoRoutingCountFallsBelowNothing) {
    BattleTallies t;
    t.rallied(UnitRoutData{1, 5, 6}, true);
    EXPECT_EQ(counts(t.home), (std::vector<int>{0, 0, 0, 0}));
    t.routed(UnitRoutData{1, 3, 6}, true);
    t.rallied(UnitRoutData{1, 5, 6}, true);
    EXPECT_EQ(counts(t.home), (std::vector<int>{0, 0, 0, 0}));
    // One routing, worth 3: the fall of a unit worth 5 loses 5 and leaves nobody routing.
    t.routed(UnitRoutData{1, 3, 6}, true);
    EXPECT_TRUE(t.eliminated(EliminateUnitData{1, 5, 6, 7}, true));
    EXPECT_EQ(counts(t.home), (std::vector<int>{5, 0, 0, 1}));
    EXPECT_TRUE(t.eliminated(EliminateUnitData{1, 4, 6, 8}, true));
    EXPECT_EQ(counts(t.home), (std::vector<int>{9, 0, 0, 2}));
    // Exactly what is routing comes off to nothing.
    t.routed(UnitRoutData{2, 4, 6}, false);
    t.rallied(UnitRoutData{2, 4, 6}, false);
    EXPECT_EQ(counts(t.visitor), (std::vector<int>{0, 0, 0, 0}));
}

} // namespace
} // namespace vael
