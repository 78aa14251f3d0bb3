#include <gtest/gtest.h>

#include <cstring>

#include "framework/ui/main_window.h"
#include "support/failed_checks.h"
#include "support/ui/test_frame.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

using R = platform::Rect;

class PlainWindow : public WindowsWindow {
public:
    PlainWindow()
        : Window(Point(0, 0), Dim(0, 0), "Plain"),
          WindowsWindow(Point(0, 0), Dim(0, 0), "Plain", nullptr, nullptr) {}
};

TEST(WindowsWindowTest, OnlyTheDirtyBoxesAreCopiedAndTheListStaysUntilDrawn) {
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    os.openWindow(200, 100, "t");
    PlainWindow w;
    ASSERT_EQ(w.create(Dim(200, 100), "GenericWindow", 0, 0), 1);
    EXPECT_EQ((std::tuple{w.size(), w.frameWidth(), w.frameHeight()}), std::tuple(Dim(200, 100), 0, 0));
    w.draw();
    w.bits()[0] = 9; // drawn without being marked: it must not reach the screen
    w.fillRect(Box(10, 20, 5, 6), 255, 255, 255);
    const int before = os.presents;
    w.update();
    EXPECT_EQ((std::tuple{os.presents - before, os.presentedBoxes, os.index(10, 20), os.index(14, 25),
                          os.index(0, 0)}),
              std::tuple(1, std::vector<R>{{10, 20, 5, 6}}, 255, 255, 0));
    w.update(); // the list is left as it was
    EXPECT_EQ((std::tuple{os.presents - before, os.presentedBoxes}),
              std::tuple(2, std::vector<R>{{10, 20, 5, 6}}));
    w.draw(); // drawing empties it: nothing more to copy
    w.update();
    EXPECT_EQ(os.presents - before, 2);
}

class ChildScreenTest : public ::testing::Test {
protected:
    ChildScreenTest() {
        frame =
            std::make_unique<WindowsMainWindow>(Point(0, 0), Dim(200, 100), "F", nullptr, nullptr, nullptr);
    }
    TestChild& add(Point at) {
        children.push_back(std::make_unique<TestChild>(at, Dim(50, 30), "C"));
        children.back()->createInFrame();
        children.back()->draw();
        return *children.back();
    }
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    std::unique_ptr<WindowsMainWindow> frame;
    std::vector<std::unique_ptr<TestChild>> children;
};

TEST_F(ChildScreenTest, WithUpdatesOffBoxesPileUpAndReachTheScreenWhenSwitchedOn) {
    // The child's client lies 3 right of and 21 below its frame's corner at (10, 10).
    TestChild& c = add(Point(10, 10));
    EXPECT_EQ(WindowManager::instance().clientOnScreen(c.hwnd()), (R{13, 31, 50, 30}));
    c.enableUpdates(0);
    const int before = os.presents;
    c.fillRect(Box(0, 0, 4, 4), 255, 255, 255);
    c.update();
    c.fillRect(Box(20, 10, 4, 4), 255, 255, 255);
    c.update();
    EXPECT_EQ((std::tuple{os.presents - before, c.updatesOff(), c.dirtyBoxes().size()}),
              std::tuple(0, 1, 2u));
    c.enableUpdates(1);
    EXPECT_EQ((std::tuple{os.presents - before, os.presentedBoxes}),
              std::tuple(1, std::vector<R>{{13, 31, 4, 4}, {33, 41, 4, 4}}));
}

TEST_F(ChildScreenTest, AWindowAboveCoversWhatIsCopiedFromTheOneBelow) {
    TestChild& below = add(Point(0, 0));
    TestChild& above = add(Point(20, 10));
    ASSERT_EQ(frame->mdiGetActive(), above.hwnd());
    // Below's client is (3, 21, 50, 30) on the screen; above's frame covers x 20 to 75 and y 10 to 63.
    const std::uint8_t covered = os.index(20, 21);
    below.fill(77);
    below.update();
    EXPECT_EQ((std::tuple{os.presentedBoxes, os.index(19, 21), os.index(20, 21)}),
              std::tuple(std::vector<R>{{3, 21, 17, 30}}, 77, covered));
}

TEST(ShiftStringTest, UpAndDownByTwoStoppingAtABecomeNulByte) {
    struct Row {
        const char* name;
        std::string text;
        bool up;
        std::string expected;
    } rows[] = {
        {"plain up", "Hello", true, "Jgnnq"},
        {"plain down", "Jgnnq", false, "Hello"},
        {"wraps past 255", "\xFF", true, "\x01"},
        {"254 becomes NUL and ends it",
         std::string("a\xFE"
                     "b"),
         true, "c"},
        {"2 becomes NUL and ends it", std::string("x\x02y"), false, "v"},
        {"empty", "", true, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<char> buffer(r.text.begin(), r.text.end());
        buffer.push_back('\0');
        (r.up ? shiftStringUp : shiftStringDown)(buffer.data());
        EXPECT_EQ(std::string(buffer.data()), r.expected);
    }
    shiftStringUp(nullptr);
}

TEST(WindowsWindowTest, CaptionsLongerThanTheWindowManagerKeepsAreRefused) {
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    FailedChecks checks;
    PlainWindow w;
    w.setCaption(std::string(254, 'a'));
    EXPECT_EQ((std::tuple{std::strlen(w.caption()), checks.count()}), std::tuple(254u, 0u));
    w.setCaption(std::string(255, 'b'));
    EXPECT_EQ((std::tuple{std::string(w.caption()), checks.count()}), std::tuple(std::string(254, 'a'), 1u));
}

} // namespace
} // namespace vael::test
