// The palette animator: its four messages in and out of order, its one paused 5 Hz timer, and the colours
// it hands to the palette frame by frame.
#include <gtest/gtest.h>

#include <sstream>

#include "framework/display/palette_animator.h"
#include "framework/display/windows_palette.h"
#include "support/display/image_bytes.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

class PaletteAnimatorTest : public ::testing::Test {
protected:
    PaletteAnimatorTest() {
        animator.attach(bus);
        // Frame f gives entry 202 + i the colour (f, i, 9); entry 210 of frame 3 is never set.
        for (std::int16_t f = 0; f < 4; ++f)
            for (std::int16_t i = 202; i <= 210; ++i)
                if (!(f == 3 && i == 210))
                    animator.setEntry(f, i,
                                      PaletteEntry{static_cast<std::uint8_t>(f),
                                                   static_cast<std::uint8_t>(i - 202), 9, PC_RESERVED});
        palette.handle()->onColoursChanged = [this] { ++presented; };
    }
    void send(const char* message) { bus.sendNamedEmpty(message); }
    void startAndResume() { send("StartPaletteAnimation"), send("ResumePaletteAnimation"); }
    PaletteEntry shown(int index) const { return palette.handle()->entries[index]; }
    int animated() const {
        std::uint16_t first = 0, last = 0;
        return palette.animatedRange(first, last);
    }

    TestApplication app;
    AsynchronousBus bus{"Display"};
    WindowsPalette palette{WindowsPalette::defaultColours().data()};
    PaletteAnimator animator{&palette, 4, 202, 210};
    int presented = 0;
};

TEST_F(PaletteAnimatorTest, StartRegistersOnePausedFiveHertzTimerAndResumeBeginsAtFrameZero) {
    send("ResumePaletteAnimation"); // before any start: nothing
    EXPECT_EQ((std::tuple{animator.running(), app.log}), std::tuple(0, Labels{}));
    send("StartPaletteAnimation");
    send("StartPaletteAnimation");
    EXPECT_EQ((std::tuple{animator.running(), animator.paused(), app.timer(0).state, app.timer(0).period,
                          app.timer(1).state, app.log}),
              std::tuple(1, 1, TimerCallback::Paused, 200u, TimerCallback::Free, Labels{"startTimer 200"}));
    app.tickSystemTimer(); // paused: no colours yet
    EXPECT_EQ(presented, 0);
    send("ResumePaletteAnimation");
    std::uint16_t first = 0, last = 0;
    EXPECT_EQ((std::tuple{palette.animatedRange(first, last), first, last}), std::tuple(1, 202, 210));
    app.tickSystemTimer();
    EXPECT_EQ((std::tuple{shown(202), shown(210), animator.currentFrame(), presented}),
              std::tuple(PaletteEntry{0, 0, 9, PC_RESERVED}, PaletteEntry{0, 8, 9, PC_RESERVED}, 1, 1));
}

TEST_F(PaletteAnimatorTest, FramesCycleAndAnEntryNeverSetShowsRed) {
    startAndResume();
    std::vector<int> frames;
    PaletteEntry never{};
    for (int t = 0; t < 5; ++t) {
        app.tickSystemTimer();
        frames.push_back(shown(205).red);
        if (t == 3) never = shown(210);
    }
    EXPECT_EQ((std::tuple{frames, never}),
              std::tuple(std::vector<int>{0, 1, 2, 3, 0}, PaletteEntry{255, 0, 0, PC_RESERVED}));
    EXPECT_EQ(shown(201), (PaletteEntry{WindowsPalette::defaultColours()[201].red,
                                        WindowsPalette::defaultColours()[201].green,
                                        WindowsPalette::defaultColours()[201].blue, PC_NOCOLLAPSE}));
}

TEST_F(PaletteAnimatorTest, TheFrameAfterTheLastIsFrameZero) {
    startAndResume();
    std::vector<int> next;
    for (int t = 0; t < 4; ++t) {
        app.tickSystemTimer();
        next.push_back(animator.currentFrame());
    }
    // Checked before the next tick, which would show the frame past the last.
    ASSERT_EQ(next, (std::vector<int>{1, 2, 3, 0}));
    for (int t = 0; t < 5; ++t) {
        app.tickSystemTimer();
        next.push_back(animator.currentFrame());
    }
    EXPECT_EQ(next, (std::vector<int>{1, 2, 3, 0, 1, 2, 3, 0, 1}));
}

TEST_F(PaletteAnimatorTest, SuspendKeepsTheLastColoursAndResumeRestartsAtFrameZero) {
    startAndResume();
    app.tickSystemTimer();
    app.tickSystemTimer(); // frame 1 shown
    send("SuspendPaletteAnimation");
    EXPECT_EQ(
        (std::tuple{animator.paused(), animated(), app.timer(0).state, shown(203).red, shown(203).flags}),
        std::tuple(1, 0, TimerCallback::Paused, 1, PC_NOCOLLAPSE));
    send("SuspendPaletteAnimation"); // already paused: ignored
    send("ResumePaletteAnimation");
    app.tickSystemTimer();
    EXPECT_EQ((std::tuple{shown(203).red, animator.currentFrame()}), std::tuple(0, 1));
}

TEST_F(PaletteAnimatorTest, StopReleasesTheRangeAndTheTimer) {
    send("StopPaletteAnimation"); // not running: ignored
    startAndResume();
    app.tickSystemTimer();
    send("StopPaletteAnimation");
    EXPECT_EQ((std::tuple{animator.running(), animator.paused(), animator.currentFrame(), app.timer(0).state,
                          animated(), app.log.back()}),
              std::tuple(0, 0, 0, TimerCallback::Free, 0, "stopTimer"));
    // Started again, it registers a timer again.
    send("StartPaletteAnimation");
    EXPECT_EQ(app.timer(0).state, TimerCallback::Paused);
}

TEST(PaletteAnimatorEdgeTest, ADestroyedRunningAnimatorFreesItsTimerAndAnEmptyRangeAnimatesNothing) {
    TestApplication app;
    AsynchronousBus bus{"Display"};
    WindowsPalette palette{WindowsPalette::defaultColours().data()};
    {
        PaletteAnimator animator(&palette, 2, 202, 203);
        animator.attach(bus);
        animator.start();
        animator.resume();
    }
    std::uint16_t first = 0, last = 0;
    EXPECT_EQ((std::tuple{app.timer(0).state, palette.animatedRange(first, last)}),
              std::tuple(TimerCallback::Free, 0));
    PaletteAnimator reversed(&palette, 2, 210, 202);
    reversed.attach(bus);
    reversed.setEntry(0, 205, PaletteEntry{1, 1, 1, 1}); // outside its (empty) range: ignored
    reversed.start();
    reversed.resume();
    app.tickSystemTimer();
    EXPECT_EQ(reversed.currentFrame(), 1);
}

} // namespace
} // namespace vael::test
