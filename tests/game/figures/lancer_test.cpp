// Lancers and heavy infantry: their kinds, blocks and figures never shown fallen; a fallen lancer leaves
// a cataphract's or a plain horse that the layer takes in with its one command; heavy infantry never
// rears.
#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/p_horse.h"
#include "game/figures/p_lancer.h"
#include "game/figures/sprite_calls.h"

namespace vael::test {
namespace {

class LancerTest : public FigureScene {
protected:
    LancerTest() { adoptDebris(); }
};

TEST_F(LancerTest, KindsBlocksAndFiguresNeverShownFallen) {
    PLancer lancer("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1, 0);
    PLancer cataphract("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1, 1);
    PHeavyInfantry foot("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1);
    auto* l = attach(lancer.clone(1204, 1));
    auto* c = attach(cataphract.clone(1204, 1));
    auto* f = attach(foot.clone(1204, 1));
    EXPECT_EQ(l->unitKind(), 9);
    EXPECT_EQ(c->unitKind(), 10);
    EXPECT_EQ(f->unitKind(), 2);
    EXPECT_NE(dynamic_cast<PLancer*>(c), nullptr);
    EXPECT_NE(dynamic_cast<PHeavyInfantry*>(f), nullptr);
    EXPECT_EQ(l->spriteCount(), 6);
    EXPECT_EQ(f->spriteCount(), 8);
    EXPECT_EQ(l->survivors(), 2);
    EXPECT_EQ(f->survivors(), 3);
    EXPECT_EQ(l->rearFigure(0), 3);
    EXPECT_EQ(f->rearFigure(0), 4);
}

TEST_F(LancerTest, AFallenRiderLeavesACataphractsOrAPlainHorseThatRunsOrFalls) {
    struct Row {
        std::int16_t cataphract;
        int roll;
        const char* horse;
        bool runs;
    };
    layer.land.line = {1205, 1206};
    for (const Row& r :
         {Row{1, 14, "Cataphracted Horse", true}, Row{0, 14, "Horse", true}, Row{0, 15, "Horse", false}}) {
        SCOPED_TRACE(::testing::Message() << r.horse << " roll " << r.roll);
        PLancer proto("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1, r.cataphract);
        auto* u = attach(proto.clone(1204, 1));
        FigureStatePeer::setCasualtyCause(*u, 1);
        const std::size_t before = objects.size();
        layer.land.lineDirections.clear();
        // The horse roll, a runaway's direction (2 + 1), the debris object's own flag draw, the death
        // picture.
        ScriptedRolls rolls = r.runs ? ScriptedRolls{r.roll, 2, 0, 3} : ScriptedRolls{r.roll, 0, 3};
        std::vector<std::int16_t> stepTime(6, -1), stepFrom(6, -1);
        u->animateCombatFigure(0, 1306, true, stepTime, stepFrom, 0, sprite_calls::oneFrame("Standing", 0), 0,
                               1, 0);
        EXPECT_EQ(rolls.left(), 0u);
        ASSERT_EQ(objects.size(), before + 1);
        auto* horse = dynamic_cast<PHorse*>(objects.back().get());
        ASSERT_NE(horse, nullptr);
        EXPECT_EQ(horse->normalSizeArtwork()->name(), r.horse);
        EXPECT_EQ(horse->region(), 1306);
        EXPECT_EQ(horse->unitKind(), 8);
        EXPECT_EQ(horse->delayedStart(), 7);
        ASSERT_EQ(horse->commands().count(), 1);
        LogicalCommandInfo queued;
        horse->commands().first(queued);
        if (r.runs) {
            EXPECT_EQ(queued.event.id(), LOGICAL_OBJECT_MOVED);
            EXPECT_EQ(layer.land.lineDirections, std::vector<std::int32_t>{3});
            const auto* line = dynamic_cast<const Container<List<short>>*>(queued.payload.get());
            ASSERT_NE(line, nullptr);
            EXPECT_EQ(line->valuePtr()->count(), 3) << "the casualty's hex and the two written down";
        } else {
            EXPECT_EQ(queued.event.id(), static_cast<std::int32_t>(RegisteredMessage::getId("CohesionHit")));
            EXPECT_TRUE(layer.land.lineDirections.empty());
        }
    }
}

TEST_F(LancerTest, HeavyInfantryNeverRearsAndLancersRearOnAFifthOfTheirDraws) {
    PHeavyInfantry foot("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1);
    auto* f = attach(foot.clone(1204, 1));
    PLancer lancer("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1, 0);
    auto* l = attach(lancer.clone(1204, 1));
    {
        // An empty script: any draw would fail the test.
        ScriptedRolls none{};
        f->maybeRear(*f->figure(0), 0);
        EXPECT_TRUE(eventsOf(*f->figure(0)).empty());
    }
    ScriptedRolls rolls{19};
    l->maybeRear(*l->figure(0), 0);
    EXPECT_EQ(rolls.left(), 0u) << "the draw is made even when the pictures are missing";
}

} // namespace
} // namespace vael::test
