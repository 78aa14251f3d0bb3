#include <gtest/gtest.h>
#include <optional>

#include "framework/core/container.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

class TimerTest : public RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        probe.attach(app);
    }
    // The times the probe's timer handler was called with.
    std::vector<long> times() const {
        std::vector<long> got;
        for (const RecordedCall& call : rec().calls)
            if (call.target == &probe) got.push_back(std::stol(call.trace.substr(call.trace.rfind(':') + 1)));
        return got;
    }

    platform::HeadlessPlatform os;
    TestWinApp app{os};
    Probe probe{"P"};
};

TEST_F(TimerTest, TheSystemTimerRunsAtTheShortestSlotPeriodAndTicksTheSlotsWithItsTime) {
    probe.addTimer(h1, 10); // every 100 ms
    const std::uint16_t id = app.systemTimerId();
    ASSERT_NE(id, 0);
    os.advance(250);
    pumpAll(app);
    EXPECT_EQ(times(), (std::vector<long>{100})); // the tick of 200 came while that of 100 waited
    os.advance(50);
    pumpAll(app);
    EXPECT_EQ(times(), (std::vector<long>{100, 300}));
    // A faster slot restarts the system timer at its period.
    Probe fast{"F"};
    fast.attach(app);
    fast.addTimer(h2, 20);
    EXPECT_NE(app.systemTimerId(), 0);
    EXPECT_EQ(os.timerPeriod(1), 0u);
    EXPECT_EQ(os.timerPeriod(2), 50u);
    app.killTimer(Callback(&fast, h2));
    EXPECT_EQ(os.timerPeriod(3), 100u);
}

TEST_F(TimerTest, ATickThatArrivesWhileTheLastOneIsHandledIsDropped) {
    int calls = 0;
    rec().on(&probe, 1, does([&](Component*) {
        if (++calls > 1) return;
        // A nested pump inside the handler meets the next tick.
        os.advance(100);
        EXPECT_EQ(app.pumpMessage(), 1);
        EXPECT_FALSE(app.messageWaiting());
    }));
    probe.addTimer(h1, 10);
    os.advance(100);
    pumpAll(app);
    EXPECT_EQ(times(), (std::vector<long>{100}));
    os.advance(100);
    pumpAll(app);
    EXPECT_EQ(times(), (std::vector<long>{100, 300}));
}

TEST_F(TimerTest, AStoppedTimersWaitingTickIsNotDelivered) {
    probe.addTimer(h1, 10);
    os.advance(100);
    EXPECT_EQ(app.stopTimer(), 1);
    EXPECT_EQ(app.systemTimerId(), 0);
    EXPECT_EQ(app.stopTimer(), 0);
    pumpAll(app);
    EXPECT_TRUE(times().empty());
}

TEST_F(TimerTest, TicksGoOnAfterAHandlersFailedCheckWasAnsweredWithAbort) {
    int calls = 0;
    rec().on(&probe, 1, does([&](Component*) {
        if (++calls == 1) Assertion::fail("broken", "handler.cpp", 1);
    }));
    probe.addTimer(h1, 10);
    FailedChecks checks(true);
    os.advance(100);
    EXPECT_THROW(app.pumpMessage(), Assertion);
    os.advance(100);
    pumpAll(app);
    EXPECT_EQ(times(), (std::vector<long>{100, 200}));
}

TEST(WinAppTimer, TheApplicationStopsItsTimerWhenItGoes) {
    platform::HeadlessPlatform os;
    {
        TestWinApp app{os};
        app.startTimer(100);
        EXPECT_EQ(os.timerPeriod(1), 100u);
    }
    EXPECT_EQ(os.timerPeriod(1), 0u);
}

TEST_F(TimerTest, RunStartsTheHoverTimerAtTwoTicksASecond) {
    app.postQuitMessage();
    app.run();
    EXPECT_EQ(os.timerPeriod(1), 500u);
}

} // namespace
} // namespace vael::test
