// A unit's flag on a move: it walks the path with the figures, at the pace of the first standing figure and
// moved over to where the flag stands in a hex, and is set standing there when the walk ends. It draws no
// dice of its own.
//
// The "Foot" record of slot 0 at facing 1 (see the fixture): a level step in direction d reaches (100 d, 1)
// at time 1000 d + 10 and the home (-5, 3) at 1000 d + 20.
#include "game/figures/figure_fixture.h"
#include "game/figures/test_unit.h"

namespace vael::test {
namespace {

class FlagWalkTest : public FigureScene {};

TEST_F(FlagWalkTest, TheFlagWalksWithTheFiguresAndStandsInTheLastHexWhenTheyArrive) {
    ScriptedRolls placing{5}; // 5 - 5 % 11: the flag stands at x 0 of its hex
    auto* u = static_cast<TestUnit*>(attach(std::make_unique<TestUnit>(
        "Unit", 1204, 1, 0, [](TestUnit& self, LogicalCommandInfo& c) { self.VaelPhysicalObject::handleEvent(c); },
        1)));
    ASSERT_NE(u->flag(), nullptr);
    ASSERT_EQ(u->flagLocation().x, 0);
    List<short> path;
    path.append(1204);
    path.append(1303);
    LogicalCommandInfo moved(0, new Container<List<short>>(path), 0, BusMessage(LOGICAL_OBJECT_MOVED),
                             BusMessage(0), new Container<short>(0));
    ScriptedRolls figures{0, 0}; // the figure's scatter; the flag draws none
    u->handleEvent(moved);
    EXPECT_EQ(figures.left(), 0u);
    // Each point moved by the flag's place less the figure's home, (0 - -5, 0 - 3); then shown (kind 11).
    EXPECT_EQ(eventsOf(*u->flag()), (Lines{"move 1303 (405,-2) 4010 d-1 Stem0", "move 1303 (0,0) 4020 d-1 Stem0",
                                            "sound 11 0", "move -1 (0,0) 0 d-1 Stem0", "plain 11"}));
    // Nothing has played yet: the flag is still in the hex the unit left.
    EXPECT_EQ(u->flag()->region(), 1204);
    EXPECT_EQ(u->region(), 1303);
    EXPECT_TRUE(u->activeSprites().contains(u->flag()));
}

} // namespace
} // namespace vael::test
