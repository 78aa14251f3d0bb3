// The application's sixteen timer slots driven by one system timer.
#include <memory>

#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

class TimerTest : public RecorderTest {
protected:
    // The ticks (counted from 1) on which the handler was called, once per call.
    std::vector<int> ticksOf(int handler, int ticks) {
        std::vector<int> fired;
        for (int t = 1; t <= ticks; ++t) {
            rec().calls.clear();
            app.tickSystemTimer();
            for (const auto& call : rec().calls)
                if (call.handler == handler) fired.push_back(t);
        }
        return fired;
    }
    TestApplication app;
    Probe p{"P"};
};

TEST_F(TimerTest, SlotsAtTheirOwnRatesFromOneSystemTimerKeepingTheRemainder) {
    p.addTimer(h1, 10), p.addTimer(h2, 3); // 100 ms and 333 ms
    // Elapsed 400 -> 67, 367 -> 34, 334 -> 1.
    EXPECT_EQ((std::tuple{app.log, TimerCallback::minimumPeriod, app.timer(1).period, ticksOf(2, 10),
                          app.timer(1).elapsed}),
              std::tuple(Labels{"startTimer 100"}, 100, 333u, std::vector<int>{4, 7, 10}, 1));
}

// A period is 1000 / rate cut short, never rounded; the system timer restarts only for a period shorter
// than the one it runs at.
TEST_F(TimerTest, PeriodsAreCutShortAndOnlyAShorterPeriodRestartsTheSystemTimer) {
    const std::tuple<std::uint16_t, std::uint16_t, std::uint32_t, Labels> rows[] = {
        {6, 6, 166u, {"startTimer 166"}},   {7, 7, 142u, {"startTimer 142"}},
        {10, 10, 100u, {"startTimer 100"}}, {10, 11, 90u, {"startTimer 100", "stopTimer", "startTimer 90"}},
        {10, 9, 111u, {"startTimer 100"}},  {1000, 1000, 1u, {"startTimer 1"}}};
    for (auto [first, second, secondPeriod, log] : rows) {
        SCOPED_TRACE(::testing::Message() << first << " " << second);
        p.addTimer(h1, first), p.addTimer(h2, second);
        EXPECT_EQ(std::tuple(app.timer(1).period, app.log), std::tuple(secondPeriod, log));
        p.killTimer(h1), p.killTimer(h2), app.log.clear();
    }
}

TEST_F(TimerTest, ATickDeliversTimerClickWithTheTimeDirectlyAndDeletesTheReply) {
    p.addTimer(h1, 5, 0); // state 0 means running
    rec().on(&p, 1, replyWith(1));
    app.clock = 1000; // five times a second
    EXPECT_EQ((std::tuple{app.timer(0).state, app.timer(0).period, ticksOf(1, 5), rec().traces().back(),
                          rec().calls.back().event, app.queuedTasks()}),
              std::tuple(TimerCallback::Running, 200u, std::vector<int>{1, 2, 3, 4, 5}, "P.h1 - long:2000",
                         TIMER_CLICK, 0));
}

TEST_F(TimerTest, TheSystemTimerFollowsTheShortestPeriodOfRunningAndPausedSlots) {
    p.addTimer(h1, 2); // 500
    p.addTimer(h2, 4); // 250
    p.addTimer(h3, 1); // 1000: no restart
    p.pauseTimer(h1);
    p.killTimer(h2); // the paused slot still counts
    EXPECT_EQ(TimerCallback::minimumPeriod, 500);
    p.killTimer(h3); // not the minimum: the system timer is left alone
    EXPECT_EQ(app.log,
              (Labels{"startTimer 500", "stopTimer", "startTimer 250", "stopTimer", "startTimer 500"}));
    p.killTimer(h1); // the last slot: the system timer stops and the minimum is unset
    EXPECT_EQ((std::tuple{app.log.back(), TimerCallback::minimumPeriod, TimerCallback::activeCount,
                          app.systemTimerId()}),
              std::tuple("stopTimer", -1, 0, 0));
    p.addTimer(h1, 8);
    EXPECT_EQ((std::tuple{app.log.back(), app.systemTimerId()}), std::tuple("startTimer 125", 1));
}

TEST_F(TimerTest, KillPauseAndResumeActOnTheFirstSlotWithTheCallback) {
    auto states = [&] { return std::tuple(app.timer(0).state, app.timer(1).state); };
    const auto Free = TimerCallback::Free, Running = TimerCallback::Running, Paused = TimerCallback::Paused;
    p.addTimer(h1, 10), p.addTimer(h1, 10), p.pauseTimer(h1);
    EXPECT_EQ(states(), std::tuple(Paused, Running));
    p.pauseTimer(h1), p.resumeTimer(h1);
    EXPECT_EQ(states(), std::tuple(Running, Paused));
    p.killTimer(h1);
    p.killTimer(h2), p.resumeTimer(h2); // nothing matches these: nothing happens
    Probe("Other").pauseTimer(h1);
    EXPECT_EQ(states(), std::tuple(Free, Paused));
}

TEST_F(TimerTest, APausedSlotKeepsItsElapsedTimeAndResumesFromIt) {
    p.addTimer(h1, 10), p.addTimer(h2, 4); // 100 (the tick) and 250
    EXPECT_EQ((std::tuple{ticksOf(2, 2), app.timer(1).elapsed}), std::tuple(std::vector<int>{}, 200));
    p.pauseTimer(h2);
    EXPECT_EQ((std::tuple{ticksOf(2, 5), app.timer(1).elapsed}), std::tuple(std::vector<int>{}, 200));
    p.resumeTimer(h2); // 300 fires keeping 50; 150; 250 fires keeping 0
    EXPECT_EQ((std::tuple{ticksOf(2, 3), app.timer(1).elapsed}), std::tuple(std::vector<int>{1, 3}, 0));
}

TEST_F(TimerTest, ASeventeenthTimerIsNotAddedAndABadRateIsRefused) {
    FailedChecks checks;
    p.addTimer(h1, 0), p.addTimer(h1, 1001);
    p.addTimer(h2, 1000), p.killTimer(h2); // 1 ms is the fastest
    EXPECT_EQ((std::tuple{checks.texts, app.log}),
              std::tuple(Labels{"Timer rate 0 is outside 1 to 1000 calls per second  Abort?",
                                "Timer rate 1001 is outside 1 to 1000 calls per second  Abort?"},
                         Labels{"startTimer 1", "stopTimer"}));
    std::vector<std::unique_ptr<Probe>> probes;
    for (int i = 0; i < 17; ++i)
        probes.push_back(std::make_unique<Probe>("T")), probes.back()->addTimer(h1, 10);
    EXPECT_EQ(TimerCallback::activeCount, 16);
    for (int i = 0; i < Application::TimerSlots; ++i)
        EXPECT_EQ(app.timer(i).callback.component, probes[i].get());
    EXPECT_EQ(ticksOf(1, 1), std::vector<int>(16, 1));
}

TEST_F(TimerTest, ADestroyedComponentLosesItsTimersAndAHandlerMayKillItsOwn) {
    auto doomed = std::make_unique<Probe>("Doomed");
    doomed->addTimer(h1, 10), p.addTimer(h2, 2), doomed.reset();
    EXPECT_EQ((std::tuple{app.timer(0).state, TimerCallback::minimumPeriod}),
              std::tuple(TimerCallback::Free, 500));
    rec().on(&p, 2, does([](Component* self) { self->killTimer(h2); }));
    p.addTimer(h3, 2); // into the slot the destroyed component left, so it ticks first
    EXPECT_EQ(trail([&] { app.tickSystemTimer(), app.tickSystemTimer(); }), "P.h3 P.h2 P.h3");
}

TEST(TimerAcrossApplications, ANewApplicationStartsWithNoActiveSlot) {
    Probe p, q; // they outlive the first application, which goes with p's slot still active
    {
        TestApplication first;
        p.addTimer(h1, 10);
    }
    TestApplication second;
    q.addTimer(h1, 2);
    EXPECT_EQ((std::tuple{second.log, TimerCallback::activeCount}), std::tuple(Labels{"startTimer 500"}, 1));
}

// A game saved inside a tick goes on with the rest of it: the slots after the one given count it, a slot
// taken meanwhile among them, those before it do not; each handler is told its slot and the tick's time,
// and outside a tick no slot is ticking.
TEST_F(TimerTest, TheRestOfATickCountsTheSlotsAfterTheOneGivenATimerTakenMeanwhileAmongThem) {
    p.addTimer(h1, 1), p.addTimer(h2, 1); // slots 0 and 1, a second each
    std::vector<std::pair<int, std::uint32_t>> told;
    const auto tell = [&](ContainerBase* answer) {
        return [&, answer](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
            told.emplace_back(app.tickingSlot(), app.tickingTime());
            return answer;
        };
    };
    rec().on(&p, 2, [&](Component* c, BusMessage e, ContainerBase* d) -> ContainerBase* {
        if (app.timerSlot(Callback(&p, h3)) < 0) p.addTimer(h3, 1); // slot 2, taken in the middle of the tick
        return tell(nullptr)(c, e, d);
    });
    rec().on(&p, 1, tell(nullptr));
    rec().on(&p, 3, tell(nullptr));
    app.tickTimersAfter(0, 5000);
    EXPECT_EQ(told, (std::vector<std::pair<int, std::uint32_t>>{{1, 5000}, {2, 5000}}));
    EXPECT_EQ(app.tickingSlot(), -1);
    told.clear();
    app.tickTimersAfter(-1, 6000);
    EXPECT_EQ(told, (std::vector<std::pair<int, std::uint32_t>>{{0, 6000}, {1, 6000}, {2, 6000}}));
}

// A slot below -1 names no timer: it is refused, and nothing is counted nor left ticking.
TEST_F(TimerTest, TheRestOfATickAfterASlotBelowTheFirstIsRefused) {
    p.addTimer(h1, 1);
    FailedChecks checks;
    for (const int slot : {-2, -32768}) {
        SCOPED_TRACE(slot);
        checks.texts.clear();
        EXPECT_EQ(trail([&] { app.tickTimersAfter(slot, 5000); }), "");
        EXPECT_EQ(
            (std::tuple{checks.texts, app.tickingSlot()}),
            std::tuple(Labels{"Timer slot " + std::to_string(slot) + " is below the first  Abort?"}, -1));
    }
    EXPECT_EQ(trail([&] { app.tickTimersAfter(-1, 6000); }), "P");
}

// A loaded tick's share of its period: what it had gathered, short of a whole period, or what is left over
// of a whole number of periods.
TEST_F(TimerTest, ALoadedElapsedTimeIsKeptWithinItsPeriod) {
    p.addTimer(h1, 3); // 333 ms
    for (const auto& [elapsed, kept] : {std::pair<std::uint16_t, std::uint16_t>{0, 0},
                                        {332, 332},
                                        {333, 0},
                                        {334, 1},
                                        {666, 0},
                                        {700, 34},
                                        {0xFFFF, 65535 % 333}}) {
        SCOPED_TRACE(elapsed);
        app.setTimerElapsed(Callback(&p, h1), elapsed);
        EXPECT_EQ(app.timer(0).elapsed, kept);
    }
}

} // namespace
} // namespace vael::test
