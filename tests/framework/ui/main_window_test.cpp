#include <cstring>
#include <gtest/gtest.h>

#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/ui/child_window.h"
#include "framework/ui/main_window.h"
#include "framework/ui/ostrell_window.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/windows_menu.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/ui/test_win_app.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

// A child that notes the commands it gets and answers the close question as told, and a toolbar stand-in
// that notes where it is put and the commands it follows.
class TestChild : public WindowsChildWindow {
public:
    TestChild(const Point& at, const Dim& size, const char* caption, const char* menuName = nullptr)
        : Window(at, size, caption, caption),
          WindowsChildWindow(at, size, caption, menuName, nullptr, caption) {}
    void onCommand(std::uint16_t id, std::uint16_t) override { commands.push_back(id); }
    std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == MessageQueryEndSession && mayClose >= 0) return mayClose;
        if (message == MessageMouseMove && !cursorOnMove.empty()) setCursor(cursorOnMove);
        return WindowsChildWindow::handleMessage(message, wParam, lParam);
    }
    using WindowsChildWindow::handleMessage;
    void resizeBackBuffer(const Dim& size) override {
        ++resizes;
        WindowsChildWindow::resizeBackBuffer(size);
    }
    std::vector<std::uint16_t> commands;
    std::intptr_t mayClose = 1; // -1: the window's own answer
    int resizes = 0;
    std::string cursorOnMove; // the cursor the window takes when the mouse moves over it
};

class TestToolbar : public FrameBar {
public:
    explicit TestToolbar(std::uint16_t height) : height_(height) {}
    std::uint16_t barHeight() const override { return height_; }
    void placeBar(const Box& box) override { placed.push_back(box); }
    void followCommand(std::uint16_t id) override { followed.push_back(id); }
    std::vector<Box> placed;
    std::vector<std::uint16_t> followed;

private:
    std::uint16_t height_;
};

class AnsweringApp : public TestWinApp {
public:
    using TestWinApp::TestWinApp;
    std::int16_t canTerminate() override { return mayEnd; }
    std::int16_t mayEnd = 1;
};

class Listener : public Component {
public:
    Listener() : Component("Listener") {}
    void connectHandlers() override {
        connect(229, h1);
        connect(VIEWPORT_DESTROYED, h2);
    }
};

platform::Rect outerOf(const Window& w) {
    return WindowManager::instance().find(w.hwnd())->outer;
}

// A frame of 400 x 280 under a menu bar of 20: the platform's window is 400 x 300.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec().reset();
        frame = std::make_unique<WindowsMainWindow>(Point(0, 0), Dim(400, 280), "Frame", "appmenu", nullptr,
                                                    nullptr);
        frame->attach(app);
        listener.attach(app);
    }
    void TearDown() override {
        children.clear();
        frame.reset();
        rec().reset();
    }
    TestChild& addChild(const char* caption, const char* menu = nullptr, Dim size = Dim(100, 60),
                        Point at = Point(-1, -1)) {
        children.push_back(std::make_unique<TestChild>(at, size, caption, menu));
        children.back()->createInFrame();
        return *children.back();
    }
    // Hands out every posted message and runs every bus task they make; answers whether a quit was among
    // them (it ends no loop here).
    bool settle() {
        bool quit = false;
        platform::Event e;
        while (os.pollEvent(e)) {
            if (e.kind != platform::EventKind::Posted) continue;
            if (e.posted.message == MessageQuit)
                quit = true;
            else
                app.dispatch({e.posted.window, e.posted.message, e.posted.wParam, e.posted.lParam, 0});
        }
        app.drainQueue();
        return quit;
    }

    platform::HeadlessPlatform os;
    AnsweringApp app{os};
    Listener listener;
    std::unique_ptr<WindowsMainWindow> frame;
    std::vector<std::unique_ptr<TestChild>> children;
};

TEST_F(FrameTest, TheFrameIsThePlatformsWindowWithItsClientBelowTheMenuBar) {
    EXPECT_EQ(
        (std::tuple{os.width(), os.height(), frame->size(), WinApp::mainWindowHandle(), app.getMainWindow()}),
        std::tuple(400, 300, Dim(400, 280), frame->hwnd(), static_cast<Display*>(frame.get())));
    EXPECT_EQ(WindowManager::instance().clientOnScreen(frame->clientWindow()),
              (platform::Rect{0, 20, 400, 280}));
}

TEST_F(FrameTest, CommandsRouteToTheActiveChildOrTheBusThenTheToolbar) {
    TestToolbar toolbar(24);
    frame->setToolbar(&toolbar);
    struct Row {
        std::uint16_t id;
        bool withChild;
        bool toChild, toBus, toToolbar;
    } rows[] = {
        {229, true, true, false, true},       {229, false, false, true, true},
        {2999, true, true, false, true},      {3000, true, false, false, false},
        {3999, true, false, false, false},    {4000, true, true, false, true},
        {0xEFFF, true, true, false, true},    {0xF000, true, false, false, false},
        {0xF060, false, false, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("command " + std::to_string(r.id) + (r.withChild ? " with a child" : " without one"));
        children.clear();
        TestChild* child = r.withChild ? &addChild("Map") : nullptr;
        rec().reset();
        toolbar.followed.clear();
        // The listener hears only 229; the others go on the bus unheard, so the child tells for them.
        frame->onCommand(r.id, 0);
        app.drainQueue();
        EXPECT_EQ(child && !child->commands.empty(), r.toChild);
        if (r.id == 229) {
            EXPECT_EQ(rec().calls.size(), r.toBus ? 1u : 0u);
        }
        EXPECT_EQ(!toolbar.followed.empty(), r.toToolbar);
    }
    frame->setToolbar(nullptr);
}

TEST_F(FrameTest, TheCommandMessageRunsTheFramesCommandWithTheLow28BitsAsId) {
    TestChild& child = addChild("Map");
    Container<BusMessage> command(BusMessage(231, 3));
    listener.sendNamed("Command", &command);
    app.drainQueue();
    // A payload of another kind is refused and runs nothing.
    FailedChecks checks;
    Container<short> wrong(231);
    listener.sendNamed("Command", &wrong);
    app.drainQueue();
    EXPECT_EQ((std::tuple{child.commands, checks.count()}), std::tuple(std::vector<std::uint16_t>{231}, 1u));
}

TEST_F(FrameTest, ClosingStopsAtAChildThatRefusesAndKeepsTheOthersOpen) {
    TestChild& bottom = addChild("Bottom");
    TestChild& middle = addChild("Middle");
    TestChild& top = addChild("Top");
    middle.mayClose = 0;
    settle();
    rec().reset();
    frame->handleMessage({frame->hwnd(), MessageClose, 0, 0, 0});
    const bool quit = settle();
    EXPECT_EQ(
        (std::tuple{top.hwnd() == 0, middle.hwnd() != 0, bottom.hwnd() != 0, frame->children().size(), quit}),
        std::tuple(true, true, true, 2u, false));
    // The closed child was announced; the refusing one stays active.
    EXPECT_EQ((std::tuple{rec().labels(), frame->mdiGetActive()}),
              std::tuple(Labels{"Listener.h2"}, middle.hwnd()));
}

// Close All passes over the map, which stays as the player had it: maximized, it fills the client again once
// the window above it, which took the maximized state on, has closed. Before, the map was restored before
// it was asked, and stayed behind as a small window.
TEST_F(FrameTest, CloseAllPassesOverAWindowThatMayNotCloseButClosingTheProgramClosesIt) {
    TestChild& bottom = addChild("Bottom");
    TestChild& map = addChild("Map");
    map.mayClose = -1;
    map.setNoClose(1);
    settle();
    map.maximize();
    const platform::Rect filled = WindowManager::instance().outerOnScreen(map.hwnd());
    TestChild& top = addChild("Top");
    settle();
    ASSERT_EQ((std::tuple{map.isMaximized(), top.isMaximized()}), std::tuple(false, true));
    // Close All: the map refuses and stays, the windows above and below it close.
    frame->onCommand(WindowsMainWindow::CloseAll, 0);
    EXPECT_EQ((std::tuple{top.hwnd() == 0, map.hwnd() != 0, bottom.hwnd() == 0, frame->children().size(),
                          settle()}),
              std::tuple(true, true, true, 1u, false));
    EXPECT_EQ(frame->mdiGetActive(), map.hwnd());
    EXPECT_TRUE(map.isMaximized());
    const platform::Rect kept = WindowManager::instance().outerOnScreen(map.hwnd());
    EXPECT_EQ((std::tuple{kept.x, kept.y, kept.width, kept.height}),
              (std::tuple{filled.x, filled.y, filled.width, filled.height}));
    // Restored by the player, it stays restored through Close All.
    map.restoreWindow();
    const platform::Rect small = WindowManager::instance().outerOnScreen(map.hwnd());
    ASSERT_LT(small.width, filled.width);
    addChild("Another");
    settle();
    frame->onCommand(WindowsMainWindow::CloseAll, 0);
    const platform::Rect still = WindowManager::instance().outerOnScreen(map.hwnd());
    EXPECT_FALSE(map.isMaximized());
    EXPECT_EQ((std::tuple{still.x, still.y, still.width, still.height}),
              (std::tuple{small.x, small.y, small.width, small.height}));
    // Without the flag it closes like any other.
    map.setNoClose(0);
    EXPECT_EQ(map.handleMessage(MessageQueryEndSession, 0, 0), 1);
    map.setNoClose(1);
    EXPECT_EQ(map.handleMessage(MessageQueryEndSession, 0, 0), 0);
    // Closing the program asks it too, and it goes.
    frame->handleMessage({frame->hwnd(), MessageClose, 0, 0, 0});
    EXPECT_EQ((std::tuple{map.hwnd() == 0, frame->children().size(), settle()}), std::tuple(true, 0u, true));
}

TEST_F(FrameTest, ClosingAsksTheApplicationFirstThenClosesEveryChildAndQuits) {
    addChild("One");
    addChild("Two");
    settle();
    app.mayEnd = 0;
    frame->handleMessage({frame->hwnd(), MessageClose, 0, 0, 0});
    EXPECT_EQ((std::tuple{frame->children().size(), settle()}), std::tuple(2u, false));
    app.mayEnd = 1;
    rec().reset();
    frame->handleMessage({frame->hwnd(), MessageClose, 0, 0, 0});
    const bool quit = settle();
    EXPECT_EQ((std::tuple{frame->children().size(), rec().labels(), quit}),
              std::tuple(0u, Labels{"Listener.h2", "Listener.h2"}, true));
}

// A close of the frame, however it came (File, Exit; the close box; the window manager's request), asks
// confirmExit before anything closes: No keeps every child and the program. Met inside a long operation's
// pump, the question is asked there, over whatever box the operation holds: No drops the request and the
// operation goes on; Yes hands the close to the outer loop, where the frame closes without asking again.
// A request while the question stands is refused by it, unasked.
TEST_F(FrameTest, ClosingAsksConfirmExitOnceForEachClose) {
    addChild("One");
    settle();
    int asked = 0;
    bool answer = false, askedWhileAsking = true;
    frame->confirmExit = [&] {
        ++asked;
        askedWhileAsking = frame->agreeToClose();
        return answer;
    };
    frame->handleMessage({frame->hwnd(), MessageClose, 0, 0, 0});
    frame->handleMessage({frame->hwnd(), MessageSysCommand, SysCommandClose, 0, 0});
    EXPECT_EQ((std::tuple{asked, askedWhileAsking, frame->children().size(), settle()}),
              std::tuple(2, false, 1u, false));
    // In a pump: No drops the request, nothing is handed on.
    app.postMessage(frame->hwnd(), MessageClose, 0, 0);
    EXPECT_EQ((std::tuple{app.pumpMessage(), asked, settle()}), std::tuple(std::int16_t(1), 3, false));
    EXPECT_EQ(frame->children().size(), 1u);
    // Yes ends the pump; the close handed on closes the frame, asked once in all.
    answer = true;
    app.postMessage(frame->hwnd(), MessageClose, 0, 0);
    EXPECT_EQ((std::tuple{app.pumpMessage(), asked}), std::tuple(std::int16_t(0), 4));
    EXPECT_EQ((std::tuple{settle(), asked, frame->children().size()}), std::tuple(true, 4, 0u));
}

// A close the player agreed to and the program then refused (the application not ready to end) is no
// agreement for the next one: the next close request asks again, whether the agreement was given at once
// or in a long operation's pump that handed the close on to the outer loop.
TEST_F(FrameTest, ACloseAgreedToAndThenRefusedIsAskedAgainAtTheNextRequest) {
    addChild("One");
    settle();
    int asked = 0;
    frame->confirmExit = [&] {
        ++asked;
        return true;
    };
    app.mayEnd = 0;
    {
        SCOPED_TRACE("agreed at once");
        frame->handleMessage({frame->hwnd(), MessageClose, 0, 0, 0});
        EXPECT_EQ((std::tuple{asked, frame->children().size(), settle()}), std::tuple(1, 1u, false));
    }
    {
        SCOPED_TRACE("agreed in a pump, refused in the outer loop");
        app.postMessage(frame->hwnd(), MessageClose, 0, 0);
        EXPECT_EQ((std::tuple{app.pumpMessage(), asked}), std::tuple(std::int16_t(0), 2));
        EXPECT_EQ((std::tuple{settle(), asked, frame->children().size()}), std::tuple(false, 2, 1u));
    }
    {
        SCOPED_TRACE("the next request, the application ready");
        app.mayEnd = 1;
        frame->handleMessage({frame->hwnd(), MessageClose, 0, 0, 0});
        EXPECT_EQ((std::tuple{asked, frame->children().size(), settle()}), std::tuple(3, 0u, true));
    }
}

TEST_F(FrameTest, CascadeAndTileGiveTheChildrenTheseBoxes) {
    // Frames of children: 3 around, a caption of 18 under the top border; a step is 21.
    using R = platform::Rect;
    struct Row {
        std::uint16_t command;
        std::vector<R> boxes; // bottom child first
    } rows[] = {
        {WindowsMainWindow::Cascade, {{0, 0, 300, 210}, {21, 21, 300, 210}, {42, 42, 300, 210}}},
        {WindowsMainWindow::TileSideBySide, {{0, 0, 133, 280}, {133, 0, 133, 280}, {266, 0, 134, 280}}},
        {WindowsMainWindow::TileColumns, {{0, 0, 133, 280}, {133, 0, 133, 280}, {266, 0, 134, 280}}},
        {WindowsMainWindow::TileRows, {{0, 0, 400, 93}, {0, 93, 400, 93}, {0, 186, 400, 94}}},
    };
    TestChild& a = addChild("A");
    TestChild& b = addChild("B");
    TestChild& c = addChild("C");
    for (const Row& r : rows) {
        SCOPED_TRACE("command " + std::to_string(r.command));
        frame->onCommand(r.command, 0);
        EXPECT_EQ((std::vector<R>{outerOf(a), outerOf(b), outerOf(c)}), r.boxes);
        // The back buffer is the client area inside the frame.
        EXPECT_EQ(c.size(), Dim(static_cast<std::int16_t>(r.boxes[2].width - 6),
                                static_cast<std::int16_t>(r.boxes[2].height - 24)));
    }
}

TEST_F(FrameTest, IconsKeepTheirPicturesAndLeaveARowBelowTheTiles) {
    TestChild& a = addChild("A");
    TestChild& b = addChild("B");
    TestChild& icon = addChild("Icon");
    const int resizes = icon.resizes;
    icon.minimize();
    EXPECT_EQ((std::tuple{outerOf(icon), icon.size(), icon.resizes, icon.isIconic()}),
              std::tuple(platform::Rect{4, 240, 32, 32}, Dim(100, 60), resizes, true));
    frame->onCommand(WindowsMainWindow::TileRows, 0);
    EXPECT_EQ((std::tuple{outerOf(a), outerOf(b), outerOf(icon)}),
              std::tuple(platform::Rect{0, 0, 400, 120}, platform::Rect{0, 120, 400, 120},
                         platform::Rect{4, 240, 32, 32}));
    icon.restore();
    EXPECT_EQ((std::tuple{outerOf(icon), icon.size(), icon.resizes, icon.isIconic()}),
              std::tuple(platform::Rect{42, 42, 106, 84}, Dim(100, 60), resizes, false));
}

TEST_F(FrameTest, TheBackBufferIsMadeAgainOnlyWhenTheClientSizeChanges) {
    TestChild& child = addChild("A");
    const int before = child.resizes;
    child.setWindowPos({50, 60, 106, 84}, 0); // moved only
    EXPECT_EQ((std::tuple{child.resizes, child.position()}), std::tuple(before, Point(50, 60)));
    child.setWindowPos({50, 60, 107, 84}, 0);
    EXPECT_EQ((std::tuple{child.resizes, child.size()}), std::tuple(before + 1, Dim(101, 60)));
    // Sizes smaller than the frame leave a client of nothing, not a negative one.
    child.setWindowPos({50, 60, 2, 2}, 0);
    EXPECT_EQ(child.size(), Dim(0, 0));
}

TEST_F(FrameTest, NoCloseTurnsTheCloseCommandIntoIconising) {
    TestChild& child = addChild("Stays");
    child.setNoClose(1);
    child.handleMessage(MessageSysCommand, SysCommandClose, 0);
    EXPECT_EQ((std::tuple{child.hwnd() != 0, child.isIconic()}), std::tuple(true, true));
    child.setNoClose(0);
    child.handleMessage(MessageSysCommand, SysCommandClose, 0);
    EXPECT_EQ(child.hwnd(), 0u);
}

TEST_F(FrameTest, TheWindowListAndTheMenusFollowTheActiveChild) {
    const auto listed = [&](std::size_t popup) {
        std::vector<std::string> out;
        const SystemMenu* bar = frame->shownMenu()->handle();
        const SystemMenu& list = *bar->entry(popup).submenu;
        for (std::size_t i = 0; i < list.count(); ++i)
            if (list.entry(i).id >= 3000)
                out.push_back(list.entry(i).text + ((list.entry(i).flags & SystemMenu::Checked) ? " *" : ""));
        return out;
    };
    TestChild& map = addChild("Map", "childmenu");
    TestChild& notes = addChild("Notes");
    // A child without a menu shows the frame's: three pull-downs, the list in the second.
    EXPECT_EQ((std::tuple{frame->shownMenu(), listed(1)}),
              std::tuple(frame->menu(), std::vector<std::string>{"&1 Map", "&2 Notes *"}));
    map.activate();
    EXPECT_EQ((std::tuple{frame->shownMenu(), listed(5)}),
              std::tuple(map.menu(), std::vector<std::string>{"&1 Map *", "&2 Notes"}));
    // The list entry 3001 activates the second child; commands of the list stay with the frame.
    frame->onCommand(3001, 0);
    EXPECT_EQ((std::tuple{frame->mdiGetActive(), frame->shownMenu(), notes.commands.empty()}),
              std::tuple(notes.hwnd(), frame->menu(), true));
    frame->onCommand(WindowsMainWindow::CloseAll, 0);
    EXPECT_EQ((std::tuple{frame->shownMenu(), listed(1), frame->mdiGetActive()}),
              std::tuple(frame->menu(), std::vector<std::string>{}, WindowHandle(0)));
}

TEST_F(FrameTest, AMenuOfTwoPullDownsTakesTheWindowListInTheFirst) {
    auto* two = new WindowsMenu(false);
    two->appendPopup("&One", WindowsMenu(true));
    two->appendPopup("&Two", WindowsMenu(true));
    TestChild& child = addChild("Lone");
    child.setMenu(two);
    child.activate();
    frame->setMenu(&child);
    const SystemMenu& first = *frame->shownMenu()->handle()->entry(0).submenu;
    ASSERT_EQ(first.count(), 1u);
    EXPECT_EQ((std::tuple{first.entry(0).id, first.entry(0).text}),
              std::tuple(std::uint16_t(3000), std::string("&1 Lone")));
}

TEST_F(FrameTest, TheBarsAreLaidOutAboveAndBelowTheClient) {
    TestToolbar top(24), bottom(0);
    EXPECT_EQ(frame->layoutBars(Dim(400, 280)), Box(0, 0, 400, 280));
    frame->setToolbar(&top);
    EXPECT_EQ((std::tuple{WindowManager::instance().find(frame->clientWindow())->outer, frame->size(),
                          top.placed.back()}),
              std::tuple(platform::Rect{0, 24, 400, 256}, Dim(400, 256), Box(0, 0, 400, 24)));
    frame->setToolbar(nullptr);
}

TEST_F(FrameTest, MouseOnAChildActivatesItAndReachesItsClientInItsOwnCoordinates) {
    TestChild& a = addChild("A");
    TestChild& b = addChild("B");
    ASSERT_EQ(frame->mdiGetActive(), b.hwnd());
    // A lies at (0, 0) of the client, which is 20 below the platform window's top; its picture 3 and
    // 21 inside. B covers it from (21, 21).
    a.enableMouseEvent(MouseLeftDown);
    frame->handleMessage({frame->hwnd(), MessageButtonDown, platform::ButtonLeft, packPoint(10, 20 + 30), 0});
    EXPECT_EQ(frame->mdiGetActive(), a.hwnd());
    EXPECT_EQ(WindowManager::instance().windowAt(10, 50), a.hwnd());
    EXPECT_EQ(WindowManager::instance().windowAt(30, 20 + 25), a.hwnd()); // a is above b now
}

TEST_F(FrameTest, APullDownOpensAboveTheChildrenAndItsChoiceIsTheFramesCommand) {
    TestChild& child = addChild("Under");
    child.fill(77);
    child.update();
    ASSERT_EQ(os.index(50, 45), 77); // the child's client starts at (3, 41) of the screen
    const auto press = [&](std::uint32_t message, std::int32_t x, std::int32_t y) {
        frame->handleMessage({frame->hwnd(), message, platform::ButtonLeft, packPoint(x, y), 0});
    };
    // "File" takes 44 pixels of the bar, "Window" the next 58; its pull-down opens below it at (44, 20).
    press(MessageButtonDown, 50, 5);
    ASSERT_EQ(WindowManager::instance().overlay().size(), 1u);
    EXPECT_EQ(WindowManager::instance().overlay()[0].x, 44);
    EXPECT_NE(os.index(50, 45), 77);
    // The child's drawing stays under the open menu.
    child.update();
    EXPECT_NE(os.index(50, 45), 77);
    // The fourth entry, "Arrange Icons", lies 3 entries of 18 below the first at 21.
    press(MessageButtonDown, 60, 80);
    press(MessageButtonUp, 60, 80);
    EXPECT_EQ(
        (std::tuple{WindowManager::instance().overlay().size(), os.index(50, 45), child.commands.empty()}),
        std::tuple(0u, 77, true));
}

TEST_F(FrameTest, WhileTheApplicationWaitsMovingOverAWindowKeepsTheWaitCursor) {
    addChild("Busy");
    app.beginWait();
    const std::size_t set = os.cursors.size();
    frame->handleMessage({frame->hwnd(), MessageMouseMove, 0, packPoint(50, 50), 0});
    EXPECT_EQ((std::tuple{os.cursors.size(), os.cursors.back()}), std::tuple(set, platform::Cursor::Wait));
    app.endWait();
    frame->handleMessage({frame->hwnd(), MessageMouseMove, 0, packPoint(51, 50), 0});
    EXPECT_EQ((std::tuple{os.cursors.size(), os.cursors.back()}),
              std::tuple(set + 1, platform::Cursor::Arrow));
}

TEST_F(FrameTest, ACursorAWindowTakesOnAMouseMoveShowsOnThatSameMove) {
    ASSERT_TRUE(WinApp::addCursor(platform::CursorImage{"Test target", 1, 1, 0, 0, {5}}));
    TestChild& child = addChild("Aiming");
    child.cursorOnMove = "Test target";
    frame->handleMessage({frame->hwnd(), MessageMouseMove, 0, packPoint(50, 50), 0});
    ASSERT_EQ(os.cursorImages.size(), 1u);
    EXPECT_EQ(os.cursorImages.back().name, "Test target");
    // Moving on over the same cursor sets nothing again.
    frame->handleMessage({frame->hwnd(), MessageMouseMove, 0, packPoint(51, 50), 0});
    EXPECT_EQ(os.cursorImages.size(), 1u);
}

TEST_F(FrameTest, AChildAtMinusOneIsPlacedACaptionBelowTheOneBefore) {
    const auto placed = [&](Point at) {
        children.push_back(std::make_unique<TestChild>(at, Dim(30, 20), "P"));
        children.back()->createInFrame();
        const platform::Rect r = outerOf(*children.back());
        return Point(static_cast<std::int16_t>(r.x), static_cast<std::int16_t>(r.y));
    };
    EXPECT_EQ(placed(Point(-1, -1)), Point(0, 0));
    EXPECT_EQ(placed(Point(-1, -1)), Point(21, 21));
    EXPECT_EQ(placed(Point(5, -1)), Point(5, 42));
    EXPECT_EQ(placed(Point(-2, 7)), Point(-2, 7)); // only -1 stands for the default
}

TEST(OstrellMainWindowTest, BlocksTileTheClientInTurnAndThePictureGoesOnTopCentred) {
    const struct {
        const char* name;
        std::int32_t pictureWidth, pictureHeight;
        std::vector<int> pixels; // x, y and index of each
    } rows[] = {
        // Three blocks of 16 take turns across the rows, four to a row of 64; the picture of 20 x 10 lies at
        // (22, 15). A picture larger than the window starts at its corner.
        {"centred picture", 20, 10, {0,  0,  5, 16, 0,  6, 32, 0,  7, 0,  16, 6, 16, 16, 7,
                                     21, 15, 6, 22, 15, 9, 41, 24, 9, 42, 25, 5, 63, 39, 7}},
        {"large picture", 100, 50, {0, 0, 9, 63, 39, 9}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        platform::HeadlessPlatform os;
        TestWinApp app{os};
        TestPictures art;
        art["Frame Art"] =
            TestArchive{{solidGroup("Blocks", {"B1", "B2", "B3"}, Dim(16, 16), "\5\6\7"),
                         solidGroup("Pic", {"P"}, Dim(r.pictureWidth, r.pictureHeight), "\11")}};
        OstrellMainWindow frame(Point(0, 0), Dim(64, 40), "F", "Frame Art", 1, "Pic");
        EXPECT_EQ((std::tuple{frame.size(), frame.blockCount(), frame.dirtyBoxes().empty()}),
                  std::tuple(Dim(64, 40), 3, true));
        for (std::size_t i = 0; i < r.pixels.size(); i += 3) {
            const int x = r.pixels[i], y = r.pixels[i + 1], index = r.pixels[i + 2];
            SCOPED_TRACE("at " + std::to_string(x) + "," + std::to_string(y));
            // Shown under the menu bar.
            EXPECT_EQ((std::tuple{frame.bits()[y * frame.stride() + x], os.index(x, 20 + y)}),
                      (std::tuple{index, index}));
        }
    }
}

TEST_F(FrameTest, ChildDestroyedIsAnnouncedWithTheChild) {
    auto child = std::make_unique<TestChild>(Point(5, 5), Dim(20, 20), "C");
    child->createInFrame();
    EXPECT_EQ(outerOf(*child), (platform::Rect{5, 5, 26, 44}));
    ChildWindow* announced = nullptr;
    rec().on(&listener, 2, [&](Component*, BusMessage, ContainerBase* data) -> ContainerBase* {
        Container<ChildWindow*>::fromMessage(data, announced);
        return nullptr;
    });
    child->handleMessage(MessageClose, 0, 0);
    settle();
    EXPECT_EQ((std::tuple{rec().labels(), announced, child->hwnd()}),
              std::tuple(Labels{"Listener.h2"}, static_cast<ChildWindow*>(child.get()), WindowHandle(0)));
}

// The notice of a child that went is read later; by then a new child may stand at the address it had (the
// allocator gives it back). The notice of the one that went is no word about the one standing there now.
TEST_F(FrameTest, ANoticeNamingALiveChildIsNotAnnouncedAsItsGoing) {
    auto child = std::make_unique<TestChild>(Point(5, 5), Dim(20, 20), "C");
    child->createInFrame();
    ASSERT_NE(child->hwnd(), WindowHandle(0));
    int announced = 0;
    rec().on(&listener, 2, [&](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        ++announced;
        return nullptr;
    });
    // What a child gone from that address had posted, read while the new one lives there.
    app.postMessage(frame->hwnd(), WindowsMainWindow::ChildDestroyed, 0,
                                    reinterpret_cast<std::intptr_t>(static_cast<ChildWindow*>(child.get())));
    settle();
    EXPECT_EQ(announced, 0);
    EXPECT_NE(child->hwnd(), WindowHandle(0));
    // Its own going is announced.
    child->handleMessage(MessageClose, 0, 0);
    settle();
    EXPECT_EQ(announced, 1);
}

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

TEST_F(FrameTest, WithUpdatesOffBoxesPileUpAndReachTheScreenWhenSwitchedOn) {
    // The child's client lies 3 right of and 21 below its frame's corner at (10, 10) of the frame's client,
    // which is 20 below the screen's top.
    TestChild& c = addChild("C", nullptr, Dim(50, 30), Point(10, 10));
    c.draw();
    EXPECT_EQ(WindowManager::instance().clientOnScreen(c.hwnd()), (R{13, 51, 50, 30}));
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
              std::tuple(1, std::vector<R>{{13, 51, 4, 4}, {33, 61, 4, 4}}));
}

TEST_F(FrameTest, AWindowAboveCoversWhatIsCopiedFromTheOneBelow) {
    TestChild& below = addChild("C", nullptr, Dim(50, 30), Point(0, 0));
    TestChild& above = addChild("C", nullptr, Dim(50, 30), Point(20, 10));
    below.draw(), above.draw();
    ASSERT_EQ(frame->mdiGetActive(), above.hwnd());
    // Below's client is (3, 41, 50, 30) on the screen; above's frame covers x 20 to 75 and y 30 to 83.
    const std::uint8_t covered = os.index(20, 41);
    below.fill(77);
    below.update();
    EXPECT_EQ((std::tuple{os.presentedBoxes, os.index(19, 41), os.index(20, 41)}),
              std::tuple(std::vector<R>{{3, 41, 17, 30}}, 77, covered));
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
        {"254 becomes NUL and ends it", "a\xFE\x62", true, "c"},
        {"2 becomes NUL and ends it", "x\x02y", false, "v"},
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

struct Written {
    Box clip;
    Point at;
    std::string text;
    friend bool operator==(const Written&, const Written&) = default;
};
std::vector<Written>& written() {
    static std::vector<Written> list;
    return list;
}
void writeText(Display&, const Box& clip, const Point& at, const std::string& text, std::uint8_t) {
    written().push_back({clip, at, text});
}

// Caps of 12 and 10, a middle of 16 and separators of 6, all 40 high; the text origin is (20, 11) and a
// line 13 high.
class StatusBarTest : public ::testing::Test {
protected:
    StatusBarTest() : previous(WindowsStatusBar::setTextWriter(&writeText)) {
        art["Vael Status Bar"] =
            TestArchive{{{"sbArt",
                          {solidPicture("left", Dim(12, 40), Point(), 1, PictureOpaque),
                           solidPicture("center", Dim(16, 40), Point(), 2, PictureOpaque),
                           solidPicture("right", Dim(10, 40), Point(), 3, PictureOpaque),
                           solidPicture("separator", Dim(6, 40), Point(), 4, PictureOpaque)}}}};
        os.openWindow(600, 40, "bar");
        bar = std::make_unique<WindowsStatusBar>("Vael Status Bar", 0, Point(20, 11), 2);
        bar->attach(app);
        written().clear();
    }
    ~StatusBarTest() override {
        bar.reset();
        WindowsStatusBar::setTextWriter(previous);
    }
    void widen(std::int16_t width) { bar->placeBar(Box(0, 0, width, 40)); }

    platform::HeadlessPlatform os;
    TestWinApp app{os};
    TestPictures art;
    WindowsStatusBar::TextWriter previous;
    std::unique_ptr<WindowsStatusBar> bar;
};

TEST_F(StatusBarTest, PanesSitAtTheirOffsetsWithTheSeparatorInTheirWidths) {
    EXPECT_EQ(bar->getHeight(), 40);
    bar->addPane(0x111, 60);
    bar->addPane(0x222, 80);
    ASSERT_EQ(bar->panes().size(), 2u);
    EXPECT_EQ((std::tuple{bar->panes()[0]->offset, bar->panes()[0]->width, bar->panes()[1]->offset,
                          bar->panes()[1]->width, bar->panesWidth(), bar->panes()[1]->count}),
              std::tuple(0, 66, 66, 86, 152, 2));
}

TEST_F(StatusBarTest, TheFreeWidthIsAtLeast200ThenAtMostTheWidthBetweenTheCaps) {
    bar->addPane(0x111, 60);
    bar->addPane(0x222, 80); // 152 of panes, 22 of caps
    struct Row {
        std::int16_t width, free, paneA, widthA, paneB, widthB;
    } rows[] = {
        {600, 426, 432, 66, 498, 86},                             // room for all
        {375, 201, 207, 66, 273, 86},                             // just over the least free width
        {374, 200, 206, 66, 272, 86},                             // exactly the least
        {373, 200, 206, 66, 272, 86},                             // raised to 200
        {367, 200, 206, 66, 272, 85},                             // the last pane is cut at the right cap
        {300, 200, 206, 66, 272, 18}, {222, 200, 206, 6, 272, 0}, // the caps and 200 fill it
        {221, 199, 205, 6, 271, 0}, // narrower: the bar's own lines get what lies between the caps
        {30, 8, 14, 6, 80, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("bar width " + std::to_string(r.width));
        widen(r.width);
        const Box a = bar->paneColumn(*bar->panes()[0], 1), b = bar->paneColumn(*bar->panes()[1], 1);
        EXPECT_EQ((std::tuple{bar->freeWidth(), a.x, a.w, b.x, b.w, a.y, a.h}),
                  std::tuple(r.free, r.paneA, r.widthA, r.paneB, r.widthB, 24, 13));
    }
}

TEST_F(StatusBarTest, TextsAreWrittenInTheirColumnsAndLines) {
    bar->addPane(0x111, 60);
    widen(600);
    written().clear();
    bar->setPaneText("Turn 3", 1);
    Container<SetTextData> set(
        SetTextData(0x111 | 0x30000000, "Hex: 1305", 2)); // the mode bits are not compared
    app.sendNamed("SetItemText", &set);
    app.drainQueue();
    ASSERT_FALSE(written().empty());
    // F = 600 - 22 - 66 = 512: the own lines are clipped at 512 + 12; the pane's text starts at
    // 0 + 6 + 512 + 20 - 20.
    const std::vector<Written> last(written().end() - 2, written().end());
    EXPECT_EQ(last, (std::vector<Written>{{Box(20, 11, 524, 13), Point(20, 11), "Turn 3"},
                                          {Box(518, 24, 66, 13), Point(518, 24), "Hex: 1305"}}));
}

// A text wider than its room (524 pixels of the bar's own line beside a pane, 74 characters of 7) ends after
// its last whole word that fits, with "..." after it, a name never cut in the middle; a first word wider than
// the room is written whole, for the clip to cut. Before, every text was written whole.
TEST_F(StatusBarTest, ATextWiderThanItsRoomEndsAfterItsLastWholeWord) {
    const std::string a66(66, 'a'), a70(70, 'a'), a71(71, 'a');
    const struct {
        const char* what;
        std::string text, shown;
    } rows[] = {
        {"74 characters fit", a70 + " Bob", a70 + " Bob"},
        {"75 do not", a71 + " Bob", a71 + "..."},
        {"the name would be cut", a66 + " Bobbington rides", a66 + "..."},
        {"a stop before the cut",
         "The connection to Bob was lost. The battle ends, won by default by Bobbington.",
         "The connection to Bob was lost. The battle ends, won by default by..."},
        {"one word", std::string(80, 'b'), std::string(80, 'b')},
    };
    bar->addPane(0x111, 60);
    widen(600);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        written().clear();
        bar->setPaneText(r.text, 1);
        bar->redraw();
        ASSERT_FALSE(written().empty());
        EXPECT_EQ(written().front().text, r.shown);
        EXPECT_EQ(bar->text(1), r.text);
    }
}

TEST_F(StatusBarTest, LinesOutsideTheBarAreIgnoredAndClearEmptiesEverything) {
    const std::vector<std::string> texts{"a", "b"};
    bar->addPane(0x111, 60, &texts);
    widen(600);
    bar->setPaneText("one", 1);
    bar->setPaneText("zero", 0);
    bar->setPaneText("minus", -3);
    bar->setPaneText("three", 3);
    Container<SetTextData> outside(SetTextData(0x111, "x", 3)), none(SetTextData(0x111, "y", 0));
    app.sendNamed("SetItemText", &outside);
    app.sendNamed("SetItemText", &none);
    app.drainQueue();
    EXPECT_EQ((std::tuple{bar->text(1), bar->text(2), bar->panes()[0]->texts}),
              std::tuple(std::string("one"), std::string(), texts));
    // A message no pane has changes nothing, but the bar is drawn again.
    const int before = os.presents;
    Container<SetTextData> other(SetTextData(0x999, "z", 1));
    app.sendNamed("SetItemText", &other);
    app.drainQueue();
    EXPECT_EQ((std::tuple{bar->panes()[0]->texts, os.presents > before}), std::tuple(texts, true));
    bar->clear();
    EXPECT_EQ((std::tuple{bar->text(1), bar->panes()[0]->texts}),
              std::tuple(std::string(), std::vector<std::string>{"", ""}));
    FailedChecks checks;
    Container<short> wrong(1);
    app.sendNamed("SetItemText", &wrong);
    app.drainQueue();
    EXPECT_EQ(checks.count(), 1u);
}

TEST_F(StatusBarTest, TheBarIsDrawnFromItsPieces) {
    bar->addPane(0x111, 60);
    widen(100);
    // F = 100 - 22 - 66 = 12, raised to 200, lowered to 78. Left cap, middles from 12 while below 90,
    // right cap at 90, the separator at 0 + 78 over the middle.
    std::string shown;
    for (int x : {0, 11, 12, 77, 78, 83, 84, 89, 90, 99})
        shown += static_cast<char>('0' + bar->bits()[x + 5 * bar->stride()]);
    EXPECT_EQ(shown, "1122442233");
}

TEST_F(StatusBarTest, TheFrameGivesItTheBottomOfItsClientAreaAndItsStatusTexts) {
    bar.reset();
    WindowsMainWindow frame(Point(0, 0), Dim(300, 200), "F", nullptr, nullptr, nullptr);
    WindowsStatusBar status("Vael Status Bar", frame.hwnd(), Point(20, 11), 2);
    frame.setStatusBar(&status);
    EXPECT_EQ((std::tuple{WindowManager::instance().find(status.hwnd())->outer, status.size(), frame.size()}),
              std::tuple(platform::Rect{0, 160, 300, 40}, Dim(300, 40), Dim(300, 160)));
    app.setStatusText("Ready", 2);
    EXPECT_EQ(status.text(2), "Ready");
    frame.setStatusBar(nullptr);
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// A bar along the top of the frame that is a window of its own, filled with one colour.
class ColourBar : public WindowsWindow, public FrameBar {
public:
    ColourBar(WindowHandle frame, std::uint8_t colour)
        : Window(Point(0, 0), Dim(1, 1), nullptr, "Colour Bar"),
          WindowsWindow(Point(0, 0), Dim(1, 1), nullptr, nullptr, nullptr, "Colour Bar"), colour_(colour) {
        create(Dim(1, 1), "Bar", 0x50000000, frame);
    }
    std::uint16_t barHeight() const override { return 24; }
    void placeBar(const Box& box) override {
        setWindowPos({box.x, box.y, box.w, box.h}, 0);
        fill(colour_);
        showAll();
    }
    void erase() override { fill(colour_); }
    void onCommand(std::uint16_t, std::uint16_t) override {}

private:
    std::uint8_t colour_;
};

TEST_F(FrameTest, AMaximizedChildLeavesTheBarAboveTheClientAsItWas) {
    ColourBar bar(frame->hwnd(), 99);
    frame->setToolbar(&bar);
    TestChild& map = addChild("Map", "childmenu");
    ASSERT_EQ((std::tuple{os.index(0, 20), os.index(399, 43)}), std::tuple(99, 99));
    map.handleMessage(MessageSysCommand, SysCommandMaximize, 0);
    map.fill(77);
    map.update();
    // The bar covers rows 20 to 43 of the screen, the client starts at row 44.
    for (const auto& [x, y, want] : std::vector<std::tuple<int, int, int>>{{0, 20, 99},
                                                                           {399, 20, 99},
                                                                           {0, 43, 99},
                                                                           {399, 43, 99},
                                                                           {200, 30, 99},
                                                                           {0, 44, 77},
                                                                           {399, 299, 77}}) {
        SCOPED_TRACE(::testing::Message() << "pixel " << x << ", " << y);
        EXPECT_EQ(os.index(x, y), want);
    }
    frame->setToolbar(nullptr);
}

const WindowManager::Record& recordOf(const Window& w) {
    return *WindowManager::instance().find(w.hwnd());
}

TEST_F(FrameTest, AMaximizedChildFillsTheClientWithoutItsFrameAndRestoringGivesTheFrameBack) {
    ColourBar bar(frame->hwnd(), 99);
    frame->setToolbar(&bar);
    // Its menu goes to the frame's bar: the frame is a border of 3 with a caption of 18 above.
    TestChild& map = addChild("Map", "childmenu");
    const Insets framed{3, 21, 3, 3};
    ASSERT_EQ((std::tuple{recordOf(map).outer, recordOf(map).insets}), std::tuple(R{0, 0, 106, 84}, framed));
    map.handleMessage(MessageSysCommand, SysCommandMaximize, 0);
    const R client = WindowManager::instance().clientOnScreen(frame->clientWindow());
    ASSERT_EQ(client, (R{0, 44, 400, 256}));
    EXPECT_EQ((std::tuple{recordOf(map).outer, recordOf(map).insets,
                          WindowManager::instance().clientOnScreen(map.hwnd()), map.size(), map.isMaximized(),
                          frame->maximizedChild()}),
              std::tuple(R{0, 0, 400, 256}, Insets{}, client, Dim(400, 256), true,
                         static_cast<WindowsChildWindow*>(&map)));
    // The point just inside the client's corner is the child's, the row above it the bar's.
    EXPECT_EQ(
        (std::tuple{WindowManager::instance().windowAt(0, 44), WindowManager::instance().windowAt(0, 43)}),
        std::tuple(map.hwnd(), bar.hwnd()));
    map.handleMessage(MessageSysCommand, SysCommandRestore, 0);
    EXPECT_EQ(
        (std::tuple{recordOf(map).outer, recordOf(map).insets, map.size(), map.isMaximized(),
                    frame->maximizedChild()}),
        std::tuple(R{0, 0, 106, 84}, framed, Dim(100, 60), false, static_cast<WindowsChildWindow*>(nullptr)));
    frame->setToolbar(nullptr);
}

TEST_F(FrameTest, AMaximizedChildsRestoreAndCloseBoxesSitAtTheRightOfTheMenuBar) {
    TestChild& map = addChild("Map", "childmenu");
    // The close box is the last 14 pixels but 2 of the bar, the restore box 2 to the left of it.
    EXPECT_EQ((std::pair{frame->barControlBox(0), frame->barControlBox(1)}),
              (std::pair{Box(368, 3, 14, 14), Box(384, 3, 14, 14)}));
    const auto press = [&](std::int32_t x, std::int32_t y) {
        frame->handleMessage({frame->hwnd(), MessageButtonDown, platform::ButtonLeft, packPoint(x, y), 0});
        frame->handleMessage({frame->hwnd(), MessageButtonUp, platform::ButtonLeft, packPoint(x, y), 0});
    };
    const std::uint8_t plain = os.index(391, 4);
    map.handleMessage(MessageSysCommand, SysCommandMaximize, 0);
    // The cross of the close box runs from (387, 6) to (394, 13).
    const std::uint8_t black = Display::matchColour(0, 0, 0);
    ASSERT_NE(plain, black);
    EXPECT_EQ((std::tuple{os.index(387, 6), os.index(394, 6), os.index(390, 9), os.index(386, 5)}),
              std::tuple(black, black, black, Display::matchColour(192, 192, 192)));
    // Just left of the restore box the bar is untouched; a press there is no restore.
    press(367, 10);
    ASSERT_TRUE(map.isMaximized());
    press(368, 10);
    EXPECT_EQ((std::tuple{map.isMaximized(), os.index(391, 4), frame->maximizedChild()}),
              std::tuple(false, plain, static_cast<WindowsChildWindow*>(nullptr)));
    map.handleMessage(MessageSysCommand, SysCommandMaximize, 0);
    press(397, 16);
    EXPECT_EQ((std::tuple{map.hwnd(), frame->mdiGetActive()}), std::tuple(WindowHandle(0), WindowHandle(0)));
}

TEST_F(FrameTest, ArrangingRestoresAMaximizedChildAndActivationHandsTheMaximizedStateOn) {
    TestChild& a = addChild("A");
    TestChild& b = addChild("B");
    b.handleMessage(MessageSysCommand, SysCommandMaximize, 0);
    a.activate();
    EXPECT_EQ((std::tuple{a.isMaximized(), b.isMaximized(), recordOf(a).outer, recordOf(b).insets}),
              std::tuple(true, false, R{0, 0, 400, 280}, Insets{3, 21, 3, 3}));
    frame->onCommand(WindowsMainWindow::TileColumns, 0);
    EXPECT_EQ((std::tuple{a.isMaximized(), recordOf(a).insets, recordOf(b).outer, recordOf(a).outer}),
              std::tuple(false, Insets{3, 21, 3, 3}, R{0, 0, 200, 280}, R{200, 0, 200, 280}));
    EXPECT_EQ(a.size(), Dim(194, 256));
}

// A captioned window of the frame itself, over its client area, like a modeless dialog.
class Floating : public WindowsWindow {
public:
    Floating(WindowHandle frame, const Point& at)
        : Window(at, Dim(60, 40), "Float", "Float"),
          WindowsWindow(at, Dim(60, 40), "Float", nullptr, nullptr, "Float") {
        create(Dim(60, 40), "Float", 0x50C00000, frame);
    }
    void erase() override { fill(55); }
    void onCommand(std::uint16_t, std::uint16_t) override {}
};

TEST_F(FrameTest, AWindowOfTheFrameStaysAboveTheChildrenWhateverTheyDoAndMovesByItsCaption) {
    TestChild& map = addChild("Map", "childmenu");
    // The floating window's outer box is (100, 120, 66, 64) of the frame's client, so (100, 140) on the
    // screen; its picture starts at (103, 161).
    Floating floating(frame->hwnd(), Point(100, 120));
    floating.erase();
    floating.draw();
    map.handleMessage(MessageSysCommand, SysCommandMaximize, 0);
    map.activate();
    frame->handleMessage({frame->hwnd(), MessageButtonDown, platform::ButtonLeft, packPoint(10, 100), 0});
    map.fill(77);
    map.update();
    for (const auto& [x, y, want] :
         std::vector<std::tuple<int, int, std::uint8_t>>{{103, 161, 55},
                                                         {162, 200, 55},
                                                         {165, 161, Display::matchColour(0, 0, 0)},
                                                         {166, 161, 77},
                                                         {103, 204, 77}}) {
        SCOPED_TRACE(::testing::Message() << "pixel " << x << ", " << y);
        EXPECT_EQ(os.index(x, y), want);
    }
    EXPECT_EQ((std::tuple{WindowManager::instance().windowAt(103, 161),
                          WindowManager::instance().windowAt(166, 161)}),
              std::tuple(floating.hwnd(), map.hwnd()));
    // Taken by the caption (row 143 to 160 of the screen) and moved 30 right and 500 down: the caption
    // stays in the client, 21 above its bottom (280 - 21 = 259).
    const auto mouse = [&](std::uint32_t message, std::int32_t x, std::int32_t y) {
        frame->handleMessage({frame->hwnd(), message, platform::ButtonLeft, packPoint(x, y), 0});
    };
    mouse(MessageButtonDown, 110, 150);
    mouse(MessageMouseMove, 140, 650);
    mouse(MessageButtonUp, 140, 650);
    EXPECT_EQ(outerOf(floating), (R{130, 259, 66, 64}));
    mouse(MessageMouseMove, 10, 10);
    EXPECT_EQ(outerOf(floating), (R{130, 259, 66, 64}));
    // A press just below the caption is the window's own, not a move.
    mouse(MessageButtonDown, 140, 259 + 20 + 21);
    mouse(MessageMouseMove, 150, 200);
    mouse(MessageButtonUp, 150, 200);
    EXPECT_EQ(outerOf(floating), (R{130, 259, 66, 64}));
}

// A floating window that takes the keys it uses (Up) and notes them and the wheel.
class KeyFloating : public Floating {
public:
    KeyFloating(WindowHandle frame, const Point& at)
        : Window(at, Dim(60, 40), "Float", "Float"), Floating(frame, at) {}
    bool takesKeys() const override { return true; }
    std::intptr_t windowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == MessageMouseWheel)
            return log.push_back("wheel " + std::to_string(static_cast<std::intptr_t>(wParam)) + " at " +
                                 std::to_string(pointX(lParam)) + "," + std::to_string(pointY(lParam))),
                   1;
        if (message == MessageKeyDown)
            return wParam == std::uintptr_t(platform::KeyUp) ? (log.push_back("key Up"), 1) : 0;
        return Floating::windowProc(message, wParam, lParam);
    }
    std::vector<std::string> log;
};

// The keys go to the active child until the player clicks into a floating window that takes keys: then
// it is offered them first, and those it does not use go on to the child; a click on the child or the
// child's activation gives the child the keys again. The wheel goes to the window under the pointer, in
// its own coordinates.
TEST_F(FrameTest, AFloatingWindowClickedIntoTakesTheKeysItUsesAndTheWheelGoesUnderThePointer) {
    struct KeyChild : TestChild {
        KeyChild()
            : Window(Point(0, 0), Dim(100, 60), "Map", "Map"), TestChild(Point(0, 0), Dim(100, 60), "Map") {}
        std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override {
            if (message == MessageKeyDown) keys.push_back(static_cast<std::int32_t>(wParam));
            if (message == MessageMouseWheel) ++wheels;
            return TestChild::handleMessage(message, wParam, lParam);
        }
        using TestChild::handleMessage;
        std::vector<std::int32_t> keys;
        int wheels = 0;
    };
    children.push_back(std::make_unique<KeyChild>());
    children.back()->createInFrame();
    auto& map = static_cast<KeyChild&>(*children.back());
    // The floating window's picture starts at (103, 161) of the screen, the map's at (3, 41).
    KeyFloating floating(frame->hwnd(), Point(100, 120));
    const auto press = [&](std::int32_t x, std::int32_t y) {
        frame->handleMessage({frame->hwnd(), MessageButtonDown, platform::ButtonLeft, packPoint(x, y), 0});
        frame->handleMessage({frame->hwnd(), MessageButtonUp, platform::ButtonLeft, packPoint(x, y), 0});
    };
    const auto key = [&](std::int32_t k) {
        frame->handleMessage({frame->hwnd(), MessageKeyDown, std::uintptr_t(k), 0, 0});
    };
    using Keys = std::vector<std::int32_t>;
    key(platform::KeyUp);
    EXPECT_EQ(map.keys, (Keys{platform::KeyUp}));
    press(110, 170);
    key(platform::KeyUp);
    key(platform::KeyLeft);
    EXPECT_EQ(map.keys, (Keys{platform::KeyUp, platform::KeyLeft})) << "Up is the floating window's";
    press(20, 50);
    key(platform::KeyUp);
    EXPECT_EQ(map.keys, (Keys{platform::KeyUp, platform::KeyLeft, platform::KeyUp}));
    press(110, 170);
    frame->mdiActivate(map.hwnd());
    key(platform::KeyUp);
    EXPECT_EQ(map.keys.size(), 4u);
    EXPECT_EQ(floating.log, (std::vector<std::string>{"key Up"}));
    frame->handleMessage({frame->hwnd(), MessageMouseWheel, std::uintptr_t(-2), packPoint(110, 170), 0});
    frame->handleMessage({frame->hwnd(), MessageMouseWheel, std::uintptr_t(1), packPoint(20, 50), 0});
    frame->handleMessage(
        {frame->hwnd(), MessageMouseWheel, std::uintptr_t(1), packPoint(20, 5), 0}); // the bar
    EXPECT_EQ(floating.log, (std::vector<std::string>{"key Up", "wheel -2 at 7,9"}));
    EXPECT_EQ(map.wheels, 1);
}

} // namespace
} // namespace vael::test
