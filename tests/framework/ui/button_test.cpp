#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/ui/button.h"
#include "framework/ui/dialog.h"
#include "framework/ui/toolbar.h"
#include "framework/ui/window_manager.h"
#include "placed_at.h"
#include "support/failed_checks.h"
#include "support/test_application.h"
#include "support/ui/test_win_app.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

using Log = std::vector<std::string>;

// What reaches the bus from a button, as "name payload".
Log* heard = nullptr;
ContainerBase* listen(Component*, BusMessage event, ContainerBase* data) {
    std::string line = RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id()));
    BusMessage command;
    std::string text;
    short value = 0;
    SetTextData item;
    if (Container<BusMessage>::fromMessage(data, command)) line += " " + std::to_string(command.id());
    if (Container<std::string>::fromMessage(data, text)) line += " " + text;
    // An empty query carries a short of its own.
    if (line != "ToolTipKill" && Container<short>::fromMessage(data, value))
        line += " " + std::to_string(value);
    if (Container<SetTextData>::fromMessage(data, item))
        line += " " + RegisteredMessage::nameOf(static_cast<std::uint16_t>(item.target)) + " " + item.text +
                " " + std::to_string(item.flag);
    if (heard) heard->push_back(line);
    return nullptr;
}

constexpr std::int32_t Open = 500, Save = 501, Close = 502;

TestGroup buttonGroup(const std::string& name, char upEnabled) {
    return solidGroup(name, {"UpEnabled", "DownEnabled", "UpDisabled", "DownDisabled"}, Dim(6, 4),
                      std::string(1, upEnabled) + "dxz");
}

class ButtonTest : public ::testing::Test {
protected:
    ButtonTest() {
        heard = &log;
        pictures["Buttons"] = TestArchive{
            {buttonGroup("FileOpen", 'u'), buttonGroup("FileSave", 's'), buttonGroup("FileClose", 'c')}};
        listener.setup = [](Probe& p) {
            for (const char* name : {"Command", "ToolTipText", "ToolTipEnable", "SetItemText", "ToolTipKill"})
                p.connectNamed(name, &listen);
        };
        listener.attach(bus);
        sender.attach(bus);
    }
    ~ButtonTest() override { heard = nullptr; }

    void place(Button& button) {
        button.attach(bus);
        button.setParent(&parent, placedAt(Box(2, 2, 6, 4)));
        button.draw();
    }
    // The picture shown: the colour of the button's first pixel.
    char shown() const {
        return static_cast<char>(const_cast<TestDisplay&>(parent).bits()[2 * parent.stride() + 2]);
    }
    void mouse(std::int16_t kind, Point p) { parent.routeMouseEvent(kind, p + Point(2, 2)); }
    void menuEvent(std::int32_t event, BusMessage command) {
        Container<BusMessage> box(command);
        sender.send(event, &box);
    }
    // Presses at the point, moves through the others, releases at the last; the pictures shown after each.
    std::string click(const std::vector<Point>& path) {
        std::string pictures;
        mouse(MouseLeftDown, path.front());
        pictures += shown();
        for (std::size_t i = 1; i < path.size(); ++i) {
            mouse(MouseMoved, path[i]);
            pictures += shown();
        }
        mouse(MouseLeftUp, path.back());
        return pictures += shown();
    }

    TestApplication app;
    TestPictures pictures;
    Bus bus{"Bus"};
    Probe listener{"Listener"}, sender{"Sender"};
    TestDisplay parent{Dim(12, 8), "parent"};
    Log log;
};

const Point in(1, 1), out(7, 1), edge(5, 3), pastEdge(6, 3);
// A press kills the tip and says "Up" on the status bar's first line; a click's release adds the command.
const Log Pressed{"ToolTipKill", "SetItemText Sbar1 Up 1"},
    Clicked{"ToolTipKill", "SetItemText Sbar1 Up 1", "Command 500"};

TEST_F(ButtonTest, APlainButtonFollowsThePointerAndSendsOneCommandOnlyWhenReleasedOverIt) {
    const struct {
        const char* what;
        std::vector<Point> path;
        std::string pictures;
        Log heard;
    } cases[] = {
        {"click", {in}, "du", Clicked},
        {"out and back in", {in, out, in}, "dudu", Clicked},
        {"out", {in, out}, "duu", Pressed},
        {"the last pixel inside", {in, edge}, "ddu", Clicked},
        {"just past it", {in, pastEdge}, "duu", Pressed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        Button button("Buttons", "FileOpen", Open, "Open a battle", "Open");
        place(button);
        ASSERT_EQ(shown(), 'u');
        EXPECT_EQ((std::tuple{click(c.path), log, button.tracking(), parent.captured(),
                              button.isMouseEventEnabled(MouseMoved)}),
                  (std::tuple{c.pictures, c.heard, std::int16_t(0), static_cast<Display*>(nullptr),
                              std::int16_t(0)}));
    }
}

TEST_F(ButtonTest, ALatchingButtonStaysDownUntilClickedAgain) {
    Button button("Buttons", "FileOpen", Open, "", "Open", nullptr, 1);
    place(button);
    const auto clicked = [&](const std::vector<Point>& path) {
        return std::pair{click(path), std::exchange(log, {})};
    };
    EXPECT_EQ(clicked({in, out, in}), (std::pair{std::string("dudd"), Clicked}));
    // Pressed while down, it does not follow the pointer, and released outside it stays down.
    EXPECT_EQ(clicked({in, out}), (std::pair{std::string("ddd"), Pressed}));
    EXPECT_EQ(clicked({in, out, in}), (std::pair{std::string("dddu"), Clicked}));
}

TEST_F(ButtonTest, DisabledButtonsAndCheckedPlainButtonsIgnorePresses) {
    Button button("Buttons", "FileOpen", Open, "", "Open");
    place(button);
    menuEvent(DISABLE_MENU_ITEM, Open);
    EXPECT_EQ(click({in}), "xx");
    menuEvent(ENABLE_MENU_ITEM, Open);
    menuEvent(CHECK_MENU_ITEM, Open);
    EXPECT_EQ(click({in}), "dd");
    menuEvent(UNCHECK_MENU_ITEM, Open);
    EXPECT_EQ((std::pair{shown(), log}), (std::pair{'u', Log{}}));
}

TEST_F(ButtonTest, ADisableDuringTrackingLeavesThePressUnfinishedAndTheReleaseSendsNothing) {
    Button button("Buttons", "FileOpen", Open, "", "Open");
    place(button);
    mouse(MouseLeftDown, in);
    menuEvent(DISABLE_MENU_ITEM, Open);
    EXPECT_EQ((std::tuple{shown(), button.tracking()}), (std::tuple{'z', std::int16_t(1)}));
    mouse(MouseMoved, out);
    EXPECT_EQ(shown(), 'z');
    mouse(MouseLeftUp, in);
    EXPECT_EQ((std::tuple{shown(), button.tracking(), log}), (std::tuple{'z', std::int16_t(0), Pressed}));
}

TEST_F(ButtonTest, AnUncheckDuringTrackingEndsIt) {
    Button button("Buttons", "FileOpen", Open, "", "Open", nullptr, 1);
    place(button);
    mouse(MouseLeftDown, in);
    menuEvent(UNCHECK_MENU_ITEM, Open);
    EXPECT_EQ(
        (std::tuple{shown(), button.tracking(), parent.captured(), button.isMouseEventEnabled(MouseMoved)}),
        (std::tuple{'u', std::int16_t(0), static_cast<Display*>(nullptr), std::int16_t(0)}));
    mouse(MouseLeftUp, in);
    EXPECT_EQ(log, (Log{"ToolTipKill"}));
}

TEST_F(ButtonTest, MenuEventsMatchTheCommandOnItsLow28Bits) {
    const struct {
        const char* what;
        std::uint32_t word;
        char shown;
    } cases[] = {
        {"the same id", Open, 'x'},
        {"another dispatch kind in the top four bits", 0x30000000u | Open, 'x'},
        {"bit 27 set: another id", 0x08000000u | Open, 'u'},
        {"another command", Save, 'u'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Button button("Buttons", "FileOpen", Open, "", "Open");
        place(button);
        menuEvent(DISABLE_MENU_ITEM, BusMessage::fromWord(c.word));
        EXPECT_EQ(shown(), c.shown);
    }
}

TEST_F(ButtonTest, MovingToAnotherBusLeavesTheFirstAndKeepsTheButtonInItsParent) {
    Button button("Buttons", "FileOpen", Open, "", "Open");
    place(button);
    Bus other{"Other"};
    button.attach(other);
    menuEvent(DISABLE_MENU_ITEM, Open);
    EXPECT_EQ((std::tuple{shown(), button.parent(), button.getBus()}),
              std::tuple('u', static_cast<Display*>(&parent), static_cast<Bus*>(&other)));
    button.Component::detach();
}

TEST_F(ButtonTest, AMenuEventWithABadPayloadIsReportedAndActsOnCommandZero) {
    FailedChecks checks;
    Button zero("Buttons", "FileOpen", 0, "", "Open");
    place(zero);
    Container<short> wrong(5);
    sender.send(DISABLE_MENU_ITEM, &wrong);
    EXPECT_EQ(
        (std::pair{checks.texts, shown()}),
        (std::pair{std::vector<std::string>{"Bad data passed in bus message to function  Abort?"}, 'x'}));
}

TEST_F(ButtonTest, PointerEnteringHoveringAndLeavingTellStatusAndTips) {
    Button button("Buttons", "FileOpen", Open, "Open a battle", "Open");
    place(button);
    EXPECT_EQ(button.imageSize(), Dim(6, 4));
    for (std::int16_t kind = 0; kind < MouseKinds; ++kind)
        EXPECT_EQ(button.isMouseEventEnabled(kind), kind == 0 || kind == 3 ? 0 : 1) << "kind " << kind;
    mouse(MouseEnter, in);
    mouse(MouseHover, in);
    mouse(MouseLeave, in); // the application tells the display the pointer was last over
    EXPECT_EQ(log, (Log{"ToolTipText Open", "ToolTipEnable 1", "ToolTipEnable 0"}));
    EXPECT_EQ(app.statusTexts,
              (std::vector<std::pair<std::int16_t, std::string>>{{1, "Open a battle"}, {1, ""}}));
    // No tip while the button is down or tracked, and no status text when it has none.
    log.clear();
    app.statusTexts.clear();
    Button quiet("Buttons", "FileSave", Save, "", "Save");
    quiet.attach(bus);
    quiet.mouseEntered(in);
    quiet.check(Save);
    quiet.mouseHover(in);
    quiet.uncheck(Save);
    quiet.leftButtonDown(in);
    quiet.mouseHover(in);
    quiet.mouseLeft(in);
    EXPECT_EQ(log, (Log{"ToolTipText Save", "ToolTipKill", "ToolTipEnable 0"}));
    EXPECT_TRUE(app.statusTexts.empty());
}

TEST_F(ButtonTest, AMultiStateButtonMovesOnWhenItsCurrentCommandIsIssued) {
    MultiStateButton button(3, "Buttons", "FileOpen", Open, "Open a battle", "Open");
    button.setState(1, "FileSave", Save, "", "Save");
    button.setState(2, "FileClose", Close, "Close it", "");
    place(button);
    std::string states, pictures;
    const auto note = [&] {
        states += std::to_string(button.currentState());
        pictures += shown();
    };
    note();
    button.commandIssued(Save); // another state's command
    note();
    for (std::int32_t command : {Open, Save, Close})
        button.commandIssued(command), note();
    EXPECT_EQ(states, "00120");
    EXPECT_EQ(pictures, "uuscu");
    // Empty texts of a state fall back on the defaults.
    EXPECT_EQ(log, (Log{"ToolTipText Save", "ToolTipText Open", "ToolTipText Open"}));
    EXPECT_EQ(app.statusTexts, (std::vector<std::pair<std::int16_t, std::string>>{
                                   {1, "Open a battle"}, {1, "Close it"}, {1, "Open a battle"}}));
    log.clear();
    EXPECT_EQ(click({in}), "du");
    EXPECT_EQ(log.back(), "Command 500");
}

TEST_F(ButtonTest, AMultiStateStateDisabledWhileHiddenIsDrawnDisabledWhenShown) {
    MultiStateButton button(2, "Buttons", "FileOpen", Open, "", "Open");
    button.setState(1, "FileSave", Save, "", "Save");
    place(button);
    menuEvent(DISABLE_MENU_ITEM, Save);
    EXPECT_EQ((std::tuple{shown(), button.stateEnabled(1)}), (std::tuple{'u', std::int16_t(0)}));
    button.showState(1);
    EXPECT_EQ(shown(), 'x');
    menuEvent(ENABLE_MENU_ITEM, Save);
    EXPECT_EQ(shown(), 's');
    // An uncheck for any state's command acts on the shown one.
    menuEvent(CHECK_MENU_ITEM, Save);
    EXPECT_EQ(shown(), 'd');
    menuEvent(UNCHECK_MENU_ITEM, Open);
    EXPECT_EQ(shown(), 's');
    menuEvent(CHECK_MENU_ITEM, Open); // not the shown state's command
    EXPECT_EQ(shown(), 's');
}

TEST_F(ButtonTest, MultiStateIndicesOutsideTheStatesAreRefused) {
    FailedChecks checks;
    MultiStateButton button(2, "Buttons", "FileOpen", Open, "", "Open");
    button.setState(2, "FileSave", Save, "", "");
    button.setState(-1, "FileSave", Save, "", "");
    button.showState(2);
    EXPECT_EQ((std::tuple{checks.count(), button.currentState(), button.message().id()}),
              (std::tuple{std::size_t(3), 0, Open}));
    MultiStateButton none(0, "Buttons", "FileOpen", Open, "", "Open");
    none.commandIssued(Open);
    EXPECT_EQ((std::tuple{none.stateCount(), none.currentState()}), (std::tuple{1, 0}));
}

// Enter, hover and leave reach the display under the pointer, as the game's application hands them on.
class RoutingApp : public TestWinApp {
public:
    using TestWinApp::TestWinApp;
    void routeMouseEvent(Display* display, std::int16_t kind, const Point& point) override {
        display->routeMouseEvent(kind, point);
    }
};

TestGroup buttonGroup(const std::string& name, Dim size, char colour) {
    return solidGroup(name, {"UpEnabled", "DownEnabled", "UpDisabled", "DownDisabled"}, size,
                      std::string(4, colour));
}

// A bar 28 high at the top of a frame of 400 x 280 without a menu: the bar's client area is at (0, 0) of
// the screen.
class ToolbarTest : public ::testing::Test {
protected:
    explicit ToolbarTest(std::int16_t mirrorWidth = 15) {
        pictures["Toolbar"] =
            TestArchive{{solidGroup("Strip", {"Mirror #1", "Mirror #2"}, Dim(mirrorWidth, 28), "ab")}};
        pictures["Buttons"] =
            TestArchive{{buttonGroup("Narrow", Dim(20, 22), 'n'), buttonGroup("Wide", Dim(30, 21), 'w'),
                         buttonGroup("Tall", Dim(10, 31), 't'), buttonGroup("Even", Dim(10, 24), 'e')}};
        frame = std::make_unique<WindowsMainWindow>(Point(0, 0), Dim(400, 280), "Frame", nullptr, nullptr,
                                                    nullptr);
        frame->attach(app);
        bar = std::make_unique<WindowsToolbar>(frame->hwnd(), "Toolbar");
        bar->attach(app);
        frame->setToolbar(bar.get());
        // The hover timer of the running application, at two ticks a second.
        app.addTimer(&Application::hoverTimer, 2, 0);
    }
    ~ToolbarTest() override {
        frame->setToolbar(nullptr);
        bar.reset();
        frame.reset();
    }
    Button* add(const char* group, std::int32_t command, const char* tip) {
        auto* button = new Button("Buttons", group, command, "", tip);
        bar->addButton(button);
        return button;
    }
    // The pointer at a point of the bar: the window manager sees it there and the bar routes the move.
    void moveTo(Point p) {
        const platform::Rect client = WindowManager::instance().clientOnScreen(bar->hwnd());
        WindowManager::instance().setMouse({client.x + p.x, client.y + p.y, 0, 0});
        bar->routeMouseEvent(MouseMoved, p);
        app.drainQueue();
    }
    // The hover timer's ticks on the virtual clock: a hover comes on the second tick after a move.
    void hoverTicks(int ticks) {
        for (int i = 0; i < ticks; ++i)
            app.tickTimers(clock += 500);
        app.drainQueue();
    }
    void send(const char* name, ContainerBase* data) {
        bar->Toolbar::sendNamed(name, data);
        app.drainQueue();
    }
    std::uint8_t barPixel(int x, int y) { return bar->bits()[y * bar->stride() + x]; }

    TestPictures pictures;
    platform::HeadlessPlatform os;
    RoutingApp app{os};
    std::unique_ptr<WindowsMainWindow> frame;
    std::unique_ptr<WindowsToolbar> bar;
    std::uint32_t clock = 0;
};

TEST_F(ToolbarTest, ButtonsGoLeftToRightWithSpacesCentredInTheBarHeight) {
    EXPECT_EQ(bar->getHeight(), 28);
    EXPECT_EQ(bar->bounds(), Box(0, 0, 400, 28));
    const struct {
        const char* group;
        std::int16_t spaceBefore;
        std::int16_t x, y;
    } rows[] = {
        {"Narrow", 0, 0, 3}, // (28 - 22) / 2
        {"Wide", 8, 28, 3},  // (28 - 21) / 2 truncated
        {"Even", 0, 58, 2},  // (28 - 24) / 2
        {"Tall", 0, 68, -1}, // (28 - 31) / 2 truncated toward zero
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.group);
        bar->addSpace(r.spaceBefore);
        Button* b = add(r.group, 500, "");
        TWindowMetrics m;
        ASSERT_EQ(bar->getChildMetrics(b, m), 1);
        EXPECT_EQ((std::pair{m.x.value, m.y.value}), (std::pair{r.x, r.y}));
        EXPECT_EQ(b->getBus(), bar->Toolbar::getBus());
    }
    EXPECT_EQ(bar->nextPosition().x, 78);
    // Placed buttons show in the bar's pixels: the wide one from x 28 on row 3.
    bar->draw();
    std::string row3;
    for (int x : {19, 20, 27, 28, 57, 58, 67, 68})
        row3 += static_cast<char>(barPixel(x, 3));
    EXPECT_EQ(row3, "naawweet");
}

TEST_F(ToolbarTest, TheBackgroundAlternatesMirrorImagesByTheParityOfX) {
    bar->draw();
    // Mirror #1 is 15 wide: x 0, 30, ... are even and show Mirror #2; x 15, 45, ... odd, Mirror #1.
    std::string tiles;
    for (int x = 0; x < 400; x += 15)
        tiles += static_cast<char>(barPixel(x, 27));
    EXPECT_EQ(tiles, "bababababababababababababab");
    EXPECT_TRUE(bar->dirtyBoxes().empty()); // shown, and the list begun again
    EXPECT_EQ((std::tuple{barPixel(14, 0), barPixel(15, 0), barPixel(389, 0), barPixel(399, 0)}),
              (std::tuple<std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t>{'b', 'a', 'a', 'b'}));
}

class EvenToolbarTest : public ToolbarTest {
protected:
    EvenToolbarTest() : ToolbarTest(16) {}
};

TEST_F(EvenToolbarTest, WithAnEvenWidthEveryTileIsTheMirrorImage) {
    bar->draw();
    for (int x = 0; x < 400; ++x)
        ASSERT_EQ(barPixel(x, 27), 'b') << "x " << x;
}

TEST_F(ToolbarTest, CommandsThatTheFrameCarriesOutReachEveryButton) {
    auto* states = new MultiStateButton(2, "Buttons", "Narrow", 500, "", "One");
    states->setState(1, "Wide", 501, "", "Two");
    bar->addButton(states);
    frame->onCommand(500, 0);
    app.drainQueue();
    EXPECT_EQ(states->currentState(), 1);
    bar->onCommand(499);
    EXPECT_EQ(states->currentState(), 1);
}

TEST_F(ToolbarTest, TheTipShowsOnHoverBelowThePointerAndFollowsTheButtons) {
    add("Narrow", 500, "Open");
    bar->addSpace(8);
    add("Wide", 501, "Save");
    moveTo(Point(5, 5));
    EXPECT_EQ(bar->tipText(), "Open");
    hoverTicks(1);
    EXPECT_EQ(bar->tipWindow(), nullptr);
    hoverTicks(1);
    ToolTipWindow* tip = bar->tipWindow();
    ASSERT_NE(tip, nullptr);
    // At (pointer x - 18 / 4, pointer y + 18) on the screen: the pointer is at (5, 5).
    EXPECT_EQ((std::tuple{tip->position(), tip->shownText(), bar->tipActive()}),
              std::tuple(Point(1, 23), std::string(" Open "), std::int16_t(1)));
    EXPECT_EQ(WindowManager::instance().capture(), bar->hwnd());

    // A new text while the tip shows goes into the same window, which stays where it is.
    Container<std::string> longer("Open a saved battle");
    send("ToolTipText", &longer);
    EXPECT_EQ((std::tuple{bar->tipWindow(), tip->position(), tip->shownText()}),
              std::tuple(tip, Point(1, 23), std::string(" Open a saved battle ")));

    // Over empty bar space the tip goes but the bar keeps the mouse; off the bar it lets go.
    moveTo(Point(24, 5));
    EXPECT_EQ((std::tuple{bar->tipWindow(), bar->tipActive(), WindowManager::instance().capture()}),
              std::tuple(static_cast<ToolTipWindow*>(nullptr), std::int16_t(1), bar->hwnd()));
    moveTo(Point(24, 40));
    EXPECT_EQ((std::tuple{bar->tipActive(), WindowManager::instance().capture(),
                          bar->isMouseEventEnabled(MouseMoved)}),
              std::tuple(std::int16_t(0), WindowHandle(0), std::int16_t(0)));
}

TEST_F(ToolbarTest, AHiddenTipStaysAwayUntilThePointerMovesInsideTheBar) {
    add("Narrow", 500, "Open");
    const struct { const char* hide; } rows[] = {{"System Key Pressed"}, {"ToolTipKill"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.hide);
        moveTo(Point(5, 5));
        hoverTicks(2);
        ASSERT_NE(bar->tipWindow(), nullptr);
        moveTo(Point(5, 5)); // the bar, tracking the pointer now, notes where it is
        delete bar->Toolbar::queryNamedEmpty(r.hide);
        app.drainQueue();
        EXPECT_EQ((std::tuple{bar->tipWindow(), bar->tipActive(), bar->tipSuppressed(),
                              WindowManager::instance().capture()}),
                  std::tuple(static_cast<ToolTipWindow*>(nullptr), std::int16_t(0), std::int16_t(1),
                             WindowHandle(0)));
        // The button hovers again, but nothing shows.
        Container<short> on(1);
        send("ToolTipEnable", &on);
        EXPECT_EQ(bar->tipWindow(), nullptr);
        // A move to the same point keeps it away; a move to another point inside lets it come.
        moveTo(Point(5, 5));
        EXPECT_EQ(bar->tipSuppressed(), 1);
        moveTo(Point(6, 5));
        EXPECT_EQ(bar->tipSuppressed(), 0);
        send("ToolTipEnable", &on);
        EXPECT_NE(bar->tipWindow(), nullptr);
        moveTo(Point(6, 100));
    }
}

// A hover noted while the pointer rested on a button asks for the tip only after the dialog that opened
// meanwhile is gone: nothing shows then, whether the tip was up when the dialog opened or not yet, until
// the pointer comes onto a button again.
TEST_F(ToolbarTest, ATipAskedForBeforeADialogOpenedStaysAwayAfterIt) {
    add("Narrow", 500, "Open");
    add("Narrow", 501, "Save");
    for (const bool tipUp : {false, true}) {
        SCOPED_TRACE(tipUp ? "the tip up as the dialog opened" : "the tip not yet up");
        moveTo(Point(5, 5));
        if (tipUp) {
            hoverTicks(2);
            ASSERT_NE(bar->tipWindow(), nullptr);
        }
        bar->dialogOpened();
        EXPECT_EQ(bar->tipWindow(), nullptr);
        EXPECT_EQ(bar->tipSuppressed(), 1);
        // The dialog gone, the hover's request arrives.
        Container<short> on(1);
        send("ToolTipEnable", &on);
        EXPECT_EQ(bar->tipWindow(), nullptr);
        // Onto the next button: its tip may come.
        moveTo(Point(25, 5));
        EXPECT_EQ(bar->tipSuppressed(), 0);
        send("ToolTipEnable", &on);
        EXPECT_NE(bar->tipWindow(), nullptr);
        moveTo(Point(25, 100));
    }
}

TEST_F(ToolbarTest, APressOnAButtonKillsTheTip) {
    add("Narrow", 500, "Open");
    moveTo(Point(5, 5));
    hoverTicks(2);
    ASSERT_NE(bar->tipWindow(), nullptr);
    bar->routeMouseEvent(MouseLeftDown, Point(5, 5));
    app.drainQueue();
    EXPECT_EQ((std::tuple{bar->tipWindow(), bar->tipSuppressed()}),
              std::tuple(static_cast<ToolTipWindow*>(nullptr), std::int16_t(1)));
    bar->routeMouseEvent(MouseLeftUp, Point(5, 5));
    app.drainQueue();
}

class InactiveToolbar : public WindowsToolbar {
public:
    InactiveToolbar(WindowHandle parent, const char* archive)
        : Window(Point(0, 0), Dim(0, 0), nullptr, "Inactive"), WindowsToolbar(parent, archive) {}
    bool applicationActive() const override { return false; }
};

TEST_F(ToolbarTest, NoTipWhileAnotherApplicationIsActive) {
    InactiveToolbar inactive(frame->hwnd(), "Toolbar");
    inactive.attach(app);
    Container<short> on(1);
    inactive.Toolbar::sendNamed("ToolTipEnable", &on);
    app.drainQueue();
    EXPECT_EQ((std::tuple{inactive.tipWindow(), inactive.tipActive()}),
              std::tuple(static_cast<ToolTipWindow*>(nullptr), std::int16_t(0)));
}

TEST_F(ToolbarTest, TipMessagesWithTheWrongPayloadAreReported) {
    FailedChecks checks;
    Container<long> wrong(1);
    send("ToolTipEnable", &wrong);
    send("ToolTipText", &wrong);
    EXPECT_EQ(checks.count(), 2u);
    EXPECT_EQ(bar->tipActive(), 0);
}

// The tip of a button clicked to open a dialog stayed on the screen after the dialog closed: the bar never
// saw the pointer leave while the dialog held the input. A dialog coming up takes the tip, and none comes
// while a modal dialog is up, however the pointer crosses the bar.
TEST_F(ToolbarTest, ADialogComingUpTakesTheTipAndNoneShowsWhileAModalOneIsUp) {
    class PlainDialog : public Dialog {
    public:
        PlainDialog() : Window(Point(0, 0), Dialog::InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", "") {}
    };
    add("Narrow", 500, "Save Game");
    moveTo(Point(5, 5));
    hoverTicks(2);
    ASSERT_NE(bar->tipWindow(), nullptr);
    PlainDialog dialog;
    dialog.create("AboutDlg", Dialog::Modeless);
    app.drainQueue();
    EXPECT_EQ((std::tuple{bar->tipWindow(), bar->tipActive()}),
              std::tuple(static_cast<ToolTipWindow*>(nullptr), std::int16_t(0)));
    // While a modal dialog holds the input the pointer crossing the bar brings no tip.
    app.enterModal();
    moveTo(Point(6, 5));
    hoverTicks(2);
    Container<short> on(1);
    send("ToolTipEnable", &on);
    EXPECT_EQ((std::tuple{bar->tipWindow(), bar->tipActive()}),
              std::tuple(static_cast<ToolTipWindow*>(nullptr), std::int16_t(0)));
    // Once it has closed the tip comes again.
    app.leaveModal();
    dialog.close(0);
    moveTo(Point(7, 5));
    send("ToolTipEnable", &on);
    ASSERT_NE(bar->tipWindow(), nullptr);
    EXPECT_EQ(bar->tipWindow()->shownText(), " Save Game ");
    moveTo(Point(7, 100));
}

} // namespace
} // namespace vael::test
