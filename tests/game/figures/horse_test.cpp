// The debris a combat leaves: a fallen horse hides for seven steps, waits, falls and only then shows; a
// runaway shows before its run and hides after it; without a delayed start nothing waits.
#include "game/figures/figure_fixture.h"
#include "game/figures/p_horse.h"
#include "game/flow/shock_records.h"

namespace vael::test {
namespace {

// A class made from the loose horse is no loose horse: it is a unit of its own, with its flag.
class WarHorse : public PHorse {
public:
    using PHorse::PHorse;
};

class HorseTest : public FigureScene {
protected:
    PHorse* horse(std::uint16_t delayed) {
        PHorse proto("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1, 8, delayed);
        return static_cast<PHorse*>(attach(proto.clone(1204, 1)));
    }
    static LogicalCommandInfo fallCommand() {
        MethodOfDeathStruct m;
        m.percent = 100;
        m.method = 4;
        return LogicalCommandInfo(
            0, new Container<MethodOfDeathStruct>(m), 0,
            BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("CohesionHit"))));
    }
};

TEST_F(HorseTest, OnlyTheLooseHorseClassItselfGoesWithoutAFlag) {
    auto* loose =
        attach(std::make_unique<PHorse>("Unit", "Unit (Half size)", "Unit (Quarter size)", 1204, 1, 8, 0));
    auto* derived =
        attach(std::make_unique<WarHorse>("Unit", "Unit (Half size)", "Unit (Quarter size)", 1205, 1, 8, 0));
    EXPECT_EQ(loose->flag(), nullptr);
    EXPECT_NE(derived->flag(), nullptr);
}

TEST_F(HorseTest, AFallenHorseHidesWaitsFallsAndShowsAndCarriesNoFlag) {
    for (std::uint16_t delayed : {7, 0}) {
        SCOPED_TRACE(delayed);
        auto* h = horse(delayed);
        EXPECT_EQ(h->flag(), nullptr);
        EXPECT_EQ(h->unitKind(), 8);
        EXPECT_EQ(h->delayedStart(), delayed);
        ASSERT_EQ(h->spriteCount(), 1);
        EXPECT_TRUE(h->figure(0)->isHidden());
        // The wait 1300 + 500; the death picture: 3 of the twelve "General" draws.
        ScriptedRolls rolls = delayed ? ScriptedRolls{500, 3} : ScriptedRolls{3};
        LogicalCommandInfo c = fallCommand();
        h->handleEvent(c);
        Lines expected;
        if (delayed) {
            expected.assign(7, "plain 10");
            expected.push_back("move 1204 (0,11) 1800 d-1 Standing0");
        }
        expected.insert(expected.end(), {"sound 17 8", "once 1204 d0 General3", "plain 11"});
        EXPECT_EQ(eventsOf(*h->figure(0)), expected);
        EXPECT_EQ(h->fallenState(0), 1);
        EXPECT_EQ(rolls.left(), 0u);
    }
}

TEST_F(HorseTest, ARunawayShowsBeforeItsRunAndHidesAfterIt) {
    auto* h = horse(7);
    ScriptedRolls rolls{999};
    List<short> line;
    line.append(1204), line.append(1205);
    LogicalCommandInfo c(0, new Container<List<short>>(line), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    h->handleEvent(c);
    Lines expected(7, "plain 10");
    // The longest wait, 1300 + 999; the mounted walk has no data here, so the run is its sound alone.
    expected.insert(expected.end(), {"move 1204 (0,11) 2299 d-1 Standing0", "plain 11", "plain 5", "plain 5",
                                     "sound 10 8", "plain 10"});
    EXPECT_EQ(eventsOf(*h->figure(0)), expected);
    EXPECT_EQ(h->region(), 1205);
    EXPECT_EQ(h->activeSprites().count(), 1);
}

TEST_F(HorseTest, AClonedHorseKeepsItsKindAndDelay) {
    PHorse proto("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1, 10, 7);
    std::unique_ptr<VaelPhysicalObject> c(proto.clone(907, 3));
    auto* h = dynamic_cast<PHorse*>(c.get());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->unitKind(), 10);
    EXPECT_EQ(h->delayedStart(), 7);
    EXPECT_EQ(h->region(), 907);
}

} // namespace
} // namespace vael::test
