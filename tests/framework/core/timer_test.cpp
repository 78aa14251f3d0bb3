// The application's sixteen timer slots driven by one system timer.
#include <gtest/gtest.h>

#include <memory>

#include "framework/core/application.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael {
namespace {

using test::BusRecorder;
using test::FailedChecks;
using test::h1;
using test::h2;
using test::h3;
using test::Probe;
using test::TestApplication;
using test::TrackedReply;
using Labels = std::vector<std::string>;

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override { rec().reset(); }
    void TearDown() override { rec().reset(); }
    static BusRecorder& rec() { return BusRecorder::instance(); }
    // The ticks (counted from 1) on which a handler of the component was called.
    std::vector<int> ticksOf(int handler, int ticks) {
        std::vector<int> fired;
        for (int t = 1; t <= ticks; ++t) {
            rec().clearCalls();
            app.tickSystemTimer();
            for (const auto& call : rec().calls())
                if (call.handler == handler) fired.push_back(t);
        }
        return fired;
    }

    TestApplication app;
    Probe p{"P"};
};

TEST_F(TimerTest, SlotsAtTheirOwnRatesFromOneSystemTimerKeepingTheRemainder) {
    p.addTimer(h1, 10); // 100 ms
    p.addTimer(h2, 3);  // 333 ms
    EXPECT_EQ(app.log, Labels{"startTimer 100"});
    EXPECT_EQ(TimerCallback::minimumPeriod, 100);
    EXPECT_EQ(app.timer(1).period, 333u);
    EXPECT_EQ(ticksOf(2, 10), (std::vector<int>{4, 7, 10}));
    EXPECT_EQ(app.timer(1).elapsed, 1); // 400 -> 67, 367 -> 34, 334 -> 1
}

TEST_F(TimerTest, ATickDeliversTimerClickWithTheTimeDirectly) {
    p.addTimer(h1, 5, 0); // state 0 means running
    EXPECT_EQ(app.timer(0).state, TimerCallback::Running);
    EXPECT_EQ(app.timer(0).period, 200u);
    app.clock = 1000;
    EXPECT_EQ(ticksOf(1, 5), (std::vector<int>{1, 2, 3, 4, 5})); // five times a second
    const auto& call = rec().calls().back();
    EXPECT_EQ(call.event, TIMER_CLICK);
    EXPECT_EQ(call.mode, BusMessage::NoMode);
    EXPECT_EQ(call.payload, "long:2000");
    EXPECT_EQ(call.target, &p);
    EXPECT_EQ(app.queuedTasks(), 0);
}

TEST_F(TimerTest, TheReplyOfATimerHandlerIsDeleted) {
    p.addTimer(h1, 10);
    rec().on(&p, 1, test::replyWith(1));
    app.tickSystemTimer();
    EXPECT_EQ(TrackedReply::live(), 0);
}

TEST_F(TimerTest, AFasterSlotRestartsTheSystemTimerAndKillingItFallsBackToTheShortestLeft) {
    p.addTimer(h1, 2); // 500
    p.addTimer(h2, 4); // 250
    p.addTimer(h3, 1); // 1000: no restart
    EXPECT_EQ(app.log, (Labels{"startTimer 500", "stopTimer", "startTimer 250"}));
    p.pauseTimer(h1);
    app.log.clear();
    p.killTimer(h2);
    // The paused slot still counts for the minimum.
    EXPECT_EQ(app.log, (Labels{"stopTimer", "startTimer 500"}));
    EXPECT_EQ(TimerCallback::minimumPeriod, 500);
    app.log.clear();
    p.killTimer(h3); // not the minimum: the system timer is left alone
    EXPECT_TRUE(app.log.empty());
    EXPECT_EQ(TimerCallback::activeCount, 1);
}

TEST_F(TimerTest, KillingTheOnlySlotStopsTheSystemTimerAndTheNextAddStartsIt) {
    p.addTimer(h1, 4);
    p.killTimer(h1);
    EXPECT_EQ(app.log, (Labels{"startTimer 250", "stopTimer"}));
    EXPECT_EQ(TimerCallback::minimumPeriod, -1);
    EXPECT_EQ(TimerCallback::activeCount, 0);
    EXPECT_EQ(app.systemTimerId(), 0);
    p.addTimer(h1, 8);
    EXPECT_EQ(app.log.back(), "startTimer 125");
    EXPECT_NE(app.systemTimerId(), 0);
}

TEST_F(TimerTest, KillPauseAndResumeActOnTheFirstSlotWithTheCallback) {
    p.addTimer(h1, 10);
    p.addTimer(h1, 10);
    p.pauseTimer(h1);
    EXPECT_EQ(app.timer(0).state, TimerCallback::Paused);
    EXPECT_EQ(app.timer(1).state, TimerCallback::Running);
    p.pauseTimer(h1);
    EXPECT_EQ(app.timer(1).state, TimerCallback::Paused);
    p.resumeTimer(h1);
    EXPECT_EQ(app.timer(0).state, TimerCallback::Running);
    EXPECT_EQ(app.timer(1).state, TimerCallback::Paused);
    p.killTimer(h1);
    EXPECT_EQ(app.timer(0).state, TimerCallback::Free);
    EXPECT_EQ(app.timer(1).state, TimerCallback::Paused);
    // Nothing matches: nothing happens.
    p.killTimer(h2);
    p.resumeTimer(h2);
    Probe other("Other");
    other.pauseTimer(h1);
    EXPECT_EQ(app.timer(1).state, TimerCallback::Paused);
}

TEST_F(TimerTest, APausedSlotKeepsItsElapsedTimeAndResumesFromIt) {
    p.addTimer(h1, 10); // 100: the tick
    p.addTimer(h2, 4);  // 250
    EXPECT_EQ(ticksOf(2, 2), std::vector<int>{});
    EXPECT_EQ(app.timer(1).elapsed, 200);
    p.pauseTimer(h2);
    EXPECT_EQ(ticksOf(2, 5), std::vector<int>{});
    EXPECT_EQ(app.timer(1).elapsed, 200);
    p.resumeTimer(h2);
    // 200 + 100 = 300 fires and keeps 50; 150; 250 fires and keeps 0.
    EXPECT_EQ(ticksOf(2, 3), (std::vector<int>{1, 3}));
    EXPECT_EQ(app.timer(1).elapsed, 0);
}

TEST_F(TimerTest, ASeventeenthTimerIsNotAdded) {
    std::vector<std::unique_ptr<Probe>> probes;
    for (int i = 0; i < 17; ++i) {
        probes.push_back(std::make_unique<Probe>("T"));
        probes.back()->addTimer(h1, 10);
    }
    EXPECT_EQ(TimerCallback::activeCount, 16);
    for (int i = 0; i < Application::TimerSlots; ++i)
        EXPECT_EQ(app.timer(i).callback.component, probes[i].get());
    EXPECT_EQ(ticksOf(1, 1), std::vector<int>(16, 1));
}

TEST_F(TimerTest, ARateOfZeroOrAboveAThousandIsRefused) {
    FailedChecks checks;
    p.addTimer(h1, 0);
    p.addTimer(h1, 1001);
    ASSERT_EQ(checks.count(), 2u);
    EXPECT_EQ(checks.texts[0], "Timer rate 0 is outside 1 to 1000 calls per second  Abort?");
    EXPECT_EQ(TimerCallback::activeCount, 0);
    EXPECT_TRUE(app.log.empty());
    p.addTimer(h1, 1000); // 1 ms is the fastest
    EXPECT_EQ(app.log, Labels{"startTimer 1"});
}

TEST_F(TimerTest, ADestroyedComponentLosesItsTimers) {
    auto doomed = std::make_unique<Probe>("Doomed");
    doomed->addTimer(h1, 10);
    p.addTimer(h2, 2);
    doomed.reset();
    EXPECT_EQ(app.timer(0).state, TimerCallback::Free);
    EXPECT_EQ(TimerCallback::minimumPeriod, 500);
    EXPECT_EQ(ticksOf(2, 1), std::vector<int>{1});
    EXPECT_EQ(rec().labels(), Labels{"P.h2"});
}

TEST_F(TimerTest, AHandlerMayKillItsOwnTimerDuringTheTick) {
    p.addTimer(h1, 10);
    p.addTimer(h2, 10);
    rec().on(&p, 1, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->killTimer(h1);
        return nullptr;
    });
    app.tickSystemTimer();
    app.tickSystemTimer();
    EXPECT_EQ(rec().labels(), (Labels{"P.h1", "P.h2", "P.h2"}));
}

TEST(TimerAcrossApplications, ANewApplicationStartsWithNoActiveSlot) {
    {
        TestApplication first;
        Probe p;
        p.addTimer(h1, 10);
        EXPECT_EQ(TimerCallback::activeCount, 1);
    }
    TestApplication second;
    Probe q;
    q.addTimer(h1, 2);
    EXPECT_EQ(second.log, Labels{"startTimer 500"});
    EXPECT_EQ(TimerCallback::activeCount, 1);
}

} // namespace
} // namespace vael
