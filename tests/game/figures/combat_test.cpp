// The shock combat of one figure with seeded dice: the golden event lists of a casualty falling at its
// share of the fight (recoil first and advance first), and of the figure behind stepping into its place
// late in a half. Every event is queued on the hex passed in, not on the object's own.
#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/sprite_calls.h"
#include "game/figures/test_unit.h"

namespace vael::test {
namespace {

class CombatTest : public FigureScene {
protected:
    TestUnit* unit() {
        auto* u = static_cast<TestUnit*>(attach(std::make_unique<TestUnit>("Unit", 1204, 1, 0, nullptr, 6)));
        FigureStatePeer::setCasualtyCause(*u, 1);
        return u;
    }
    static List<FrameInfo> standing() { return sprite_calls::oneFrame("Standing", 0); }
};

const char* const Recoil = " CN3 CN3 CN2 CN2 CN1 CN1";
const char* const Advance = " CN1 CN1 CN2 CN2 CN3 CN3";

TEST_F(CombatTest, TheOnlyCasualtyFallsAtTheMiddleOfTheFightRecoilFirstAndAdvanceFirst) {
    struct Row {
        std::int16_t advanceFirst;
        Lines events;
    };
    const std::string r = Recoil, a = Advance;
    // Home of slot 0 facing north (-30, -1); lunge north (0, -10). The fall comes at 3600 of the fight:
    // 1200 into the second half, two thirds of the way.
    const std::vector<Row> rows = {
        {0,
         {"plain 5", "plain 5", "plain 5", "sound 15 0", "move 1305 (-24,-8) 600 d-1 CN1 CN2 CN3",
          "move 1305 (-40,4) 1800 d-1" + r, "move 1305 (-30,-17) 1200 d-1" + a, "sound 17 0",
          "once 1305 d0 General1", "sound 16 0"}},
        {1,
         {"plain 5", "plain 5", "plain 5", "sound 15 0", "move 1305 (-24,-8) 600 d-1 CN1 CN2 CN3",
          "move 1305 (-40,-16) 1800 d-1" + a, "move 1305 (-30,-5) 1200 d-1" + r, "sound 17 0",
          "once 1305 d0 General1", "sound 16 0"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "advance first " << row.advanceFirst);
        auto* u = unit();
        ASSERT_EQ(u->slotOffsets(0)[1], Point3D(-30, -1, 0));
        // The death picture (3 of Shock 2 + General 6), the stagger (2 > 0, 1 > 1 stops), t = 640 - 40,
        // jitter y = 5 - 2 and x = 10 - 4, then the first half's u = 60 with jitter 5 - 0 and 10 - 20.
        ScriptedRolls rolls{3, 2, 1, 40, 2, 4, 60, 0, 20};
        std::vector<std::int16_t> stepTime(6, -1), stepFrom(6, -1);
        u->animateCombatFigure(0, 1305, true, stepTime, stepFrom, 0, standing(), 1, 1, row.advanceFirst);
        EXPECT_EQ(eventsOf(*u->figure(0)), row.events);
        EXPECT_EQ(rolls.left(), 0u);
        EXPECT_EQ(stepTime, (std::vector<std::int16_t>{-1, -1, -1, 3600, -1, -1}));
        EXPECT_EQ(stepFrom, (std::vector<std::int16_t>{-1, -1, -1, 0, -1, -1}));
        EXPECT_TRUE(u->looseSprites().contains(u->figure(0)));
        EXPECT_EQ(u->activeSprites().count(), 0);
    }
}

TEST_F(CombatTest, TheFigureBehindStepsIntoTheFallenPlaceLateInAHalfAndFinishesThere) {
    auto* u = unit();
    ASSERT_EQ(u->slotOffsets(3)[1], Point3D(-25, 24, 0));
    std::vector<std::int16_t> stepTime = {-1, -1, -1, 3600, -1, -1}, stepFrom = {-1, -1, -1, 0, -1, -1};
    ScriptedRolls rolls{0, 40 + 81, 5, 10, 0, 5, 10, 20, 5, 10, 120, 5, 10};
    u->animateCombatFigure(3, 1305, false, stepTime, stepFrom, 0, standing(), 1, 1, 0);
    const std::string r = Recoil, a = Advance;
    // The front figure falls at 3600, 600 before the second half ends: the step takes 600 to a third of
    // the lunge past the half, then 1200 to the fallen figure's place at full lunge.
    EXPECT_EQ(eventsOf(*u->figure(3)),
              (Lines{"plain 5", "plain 5", "sound 15 0", "move 1305 (-25,14) 600 d-1 CN1 CN2 CN3",
                     "move 1305 (-25,24) 1860 d-1" + r, "move 1305 (-25,11) 600 d-1" + a,
                     "move 1305 (-30,-21) 1200 d-1" + a, "move 1305 (-30,-1) 1840 d-1" + r,
                     "move 1305 (-30,-21) 1740 d-1" + a, "move 1305 (-30,-1) 0 d-1" + r,
                     "once 1305 d-1 Standing0", "sound 16 0"}));
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(u->figureSlot(3), 0);
    EXPECT_EQ(u->figureSlot(0), -1);
    EXPECT_EQ(u->activeSprites().count(), 1);
}

TEST_F(CombatTest, AFigureWithoutAnEnemyFallsInPlaceAtItsTimeOrGetsNothing) {
    auto* u = unit();
    ScriptedRolls rolls{3};
    std::vector<std::int16_t> stepTime(6, -1), stepFrom(6, -1);
    // The second of two casualties falls at 3 * 7200 / 4.
    u->animateCombatFigure(1, 1204, true, stepTime, stepFrom, 1, standing(), 0, 2, 0);
    EXPECT_EQ(eventsOf(*u->figure(1)),
              (Lines{"move 1204 (0,-1) 5400 d-1 Standing0", "sound 17 0", "once 1204 d0 General1"}));
    EXPECT_EQ(stepTime[4], 5400);
    u->animateCombatFigure(2, 1204, false, stepTime, stepFrom, 1, standing(), 0, 2, 0);
    EXPECT_TRUE(eventsOf(*u->figure(2)).empty());
    EXPECT_EQ(u->activeSprites().count(), 0);
}

} // namespace
} // namespace vael::test
