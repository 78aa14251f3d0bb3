// The finish-leader prompt: where it stands, what it stores, and how it follows the leader's menu.
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "framework/ui/win_app.h"
#include "framework/ui/window_manager.h"
#include "framework/ui/windows_menu.h"
#include "game/shell/leader_almost_done_dialog.h"
#include "support/bus_recorder.h"
#include "support/ui/test_win_app.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

class DialogBase : public ::testing::Test {
protected:
    DialogBase() { pictures["MS Sans Serif 2"] = dialogGlyphs(); }
    void key(std::int32_t k, std::uint16_t modifiers = 0) { postKey(os, k, modifiers); }
    void pump() {
        pumpAll(app);
        app.drainQueue();
    }

    TestPictures pictures;
    platform::HeadlessPlatform os;
    TestWinApp app{os};
};

using Log = std::vector<std::string>;
using Root = platform::Settings::Root;
using Prompt = LeaderAlmostDoneDlg;

Log* heard = nullptr;
Menu* childMenu = nullptr; // the active child's menu, when there is one
ContainerBase* listen(Component*, BusMessage event, ContainerBase* data) {
    std::string line = RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id()));
    short value = 0;
    // An empty send carries a short of its own.
    if (line == "ShowFinishLeader" && Container<short>::fromMessage(data, value))
        line += " " + std::to_string(value);
    if (heard) heard->push_back(line);
    return nullptr;
}
ContainerBase* answerMenu(Component*, BusMessage, ContainerBase*) {
    return childMenu ? new Container<Menu*>(childMenu) : nullptr;
}

// What stands for the screen: the lowest top-level window.
class ScreenWindow : public WindowsWindow {
public:
    ScreenWindow()
        : Window(Point(0, 0), Dim(0, 0), "Screen"),
          WindowsWindow(Point(0, 0), Dim(0, 0), "Screen", nullptr, nullptr) {}
};

class PromptTest : public DialogBase {
protected:
    PromptTest() {
        heard = &log;
        pictures["Dialog Bitmaps"] =
            TestArchive{{{"Intro", {solidPicture("Background", Dim(4, 4), Point(), 'b')}}}};
        os.openWindow(640, 480, "t");
        screen.create(Dim(640, 480), "GenericWindow", 0, 0);
        listener.setup = [](Probe& p) {
            for (const char* name : {"LeaderFinishLeader", "ShowFinishLeader"})
                p.connectNamed(name, &listen);
            p.connectNamed("GetActiveChildMenu", &answerMenu);
        };
        listener.attach(app);
        game.attach(app);
        menu.enable(Prompt::FinishLeaderCommand, 1);
        childMenu = &menu;
    }
    ~PromptTest() override { heard = nullptr, childMenu = nullptr; }

    void open(Prompt& prompt) {
        prompt.attach(app);
        prompt.create(Prompt::TemplateName, Dialog::Modeless);
    }
    platform::Rect placeOf(const Prompt& prompt) {
        return WindowManager::instance().outerOnScreen(prompt.hwnd());
    }
    using Stored = std::pair<std::optional<std::uint32_t>, std::optional<std::uint32_t>>;
    Stored stored() {
        return {os.settings().readNumber(Root::User, Prompt::PlacementKey, "X"),
                os.settings().readNumber(Root::User, Prompt::PlacementKey, "Y")};
    }
    bool finishEnabled(const Prompt& prompt) { return prompt.item(Prompt::IdFinishLeader)->isEnabled(); }

    ScreenWindow screen;
    WindowsMenu menu{"ChildMenu", false};
    Probe listener{"Listener"}, game{"Game"};
    Log log;
};

TEST_F(PromptTest, OnFirstUseItStandsBottomRightOneHeightAboveTheBottomAndIsStoredAtOnce) {
    Prompt prompt;
    open(prompt);
    const platform::Rect at = placeOf(prompt);
    ASSERT_GT(at.width, 0);
    EXPECT_EQ((std::pair{at.x, at.y}), (std::pair{640 - at.width, 480 - 2 * at.height}));
    EXPECT_EQ(stored(), (Stored{at.x, at.y}));
    prompt.close(1);
}

TEST_F(PromptTest, AStoredPlaceIsReadBackEvenLeftOfAndAboveTheScreen) {
    const struct {
        std::uint32_t x, y;
        std::int32_t left, top;
    } rows[] = {{100, 50, 100, 50}, {0, 0, 0, 0}, {0xFFFFFFF6u, 0xFFFFFFFFu, -10, -1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.left << "," << r.top);
        os.settings().writeNumber(Root::User, Prompt::PlacementKey, "X", r.x);
        os.settings().writeNumber(Root::User, Prompt::PlacementKey, "Y", r.y);
        Prompt prompt;
        open(prompt);
        EXPECT_EQ((std::pair{placeOf(prompt).x, placeOf(prompt).y}), (std::pair{r.left, r.top}));
    }
}

TEST_F(PromptTest, MovedAndClosedItComesBackWhereItWasLeft) {
    {
        Prompt prompt;
        open(prompt);
        const platform::Rect at = placeOf(prompt);
        WindowManager::instance().setOuter(prompt.hwnd(), {30, 40, at.width, at.height});
        game.sendNamedEmpty("CloseGame");
        app.drainQueue();
        EXPECT_FALSE(prompt.isOpen());
    }
    EXPECT_EQ(stored(), (Stored{30, 40}));
    Prompt again;
    open(again);
    EXPECT_EQ((std::pair{placeOf(again).x, placeOf(again).y}), (std::pair{30, 40}));
}

// Its remembered place right of and below a window of 640 x 480 (where a larger window left it) shows it
// inside that window, in its bottom-right corner; closed where it showed, the remembered place stays as it
// was, for the larger window to show it there again. Moved by the player, his place is the one kept.
TEST_F(PromptTest, ARememberedPlaceOffTheWindowShowsInsideAndIsKeptUntilMoved) {
    const WindowHandle before = WinApp::mainWindowHandle();
    WinApp::setMainWindowHandle(screen.hwnd());
    os.settings().writeNumber(Root::User, Prompt::PlacementKey, "X", 720);
    os.settings().writeNumber(Root::User, Prompt::PlacementKey, "Y", 456);
    platform::Rect shown;
    {
        Prompt prompt;
        open(prompt);
        shown = placeOf(prompt);
        ASSERT_GT(shown.width, 0);
        EXPECT_EQ((std::pair{shown.x, shown.y}), (std::pair{640 - shown.width, 480 - shown.height}));
        prompt.close(1);
    }
    EXPECT_EQ(stored(), (Stored{720, 456}));
    {
        Prompt prompt;
        open(prompt);
        EXPECT_EQ(placeOf(prompt), shown);
        WindowManager::instance().setOuter(prompt.hwnd(), {30, 40, shown.width, shown.height});
        prompt.close(1);
    }
    EXPECT_EQ(stored(), (Stored{30, 40}));
    WinApp::setMainWindowHandle(before);
}

TEST_F(PromptTest, EveryWayOfClosingStoresTheChoiceAndTellsTheLayer) {
    using Close = std::function<void(Prompt&, Probe&)>;
    const Close finish = [](Prompt& p, Probe&) { p.command(Prompt::IdFinishLeader, 0); };
    const Close cancel = [](Prompt& p, Probe&) { p.command(Dialog::IdCancel, 0); };
    const auto fromGame = [](const char* e) {
        return Close([=](Prompt&, Probe& g) { g.sendNamedEmpty(e); });
    };
    const struct {
        const char* what;
        bool boxSet;
        Close close;
        std::int16_t result;
        Log heard;
    } rows[] = {
        {"the finish button, box clear", false, finish, 1, {"ShowFinishLeader 1", "LeaderFinishLeader"}},
        {"the finish button, box set", true, finish, 1, {"ShowFinishLeader 0", "LeaderFinishLeader"}},
        {"the game closing, box set", true, fromGame("CloseGame"), 1, {"ShowFinishLeader 0"}},
        // The leader finished elsewhere, from the menu: no second "LeaderFinishLeader" from the prompt.
        {"elsewhere", false, fromGame("LeaderFinishLeader"), 1, {"LeaderFinishLeader", "ShowFinishLeader 1"}},
        {"cancel", false, cancel, 0, {"ShowFinishLeader 1"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        log.clear();
        Prompt prompt;
        open(prompt);
        dynamic_cast<DialogButton*>(prompt.controlOf(Prompt::IdDontShowAgain))->setCheck(r.boxSet ? 1 : 0);
        r.close(prompt, game);
        app.drainQueue();
        EXPECT_EQ(
            (std::tuple{prompt.isOpen(), prompt.result(), log,
                        os.settings().readNumber(Root::User, Prompt::PreferencesKey, "Finish Leader")}),
            (std::tuple{std::int16_t(0), r.result, r.heard, std::optional<std::uint32_t>(r.boxSet ? 0 : 1)}));
        // Closed, it no longer follows the game.
        log.clear();
        game.sendNamedEmpty("LeaderFinishLeader");
        app.drainQueue();
        EXPECT_EQ(log, Log{"LeaderFinishLeader"});
    }
}

TEST_F(PromptTest, TheFinishButtonFollowsTheMenuCommandThatFinishesTheLeader) {
    // The item disabled, or grayed as the resource has it, disables the button.
    menu.disable(Prompt::FinishLeaderCommand);
    WindowsMenu grayed{"ChildMenu", false};
    for (Menu* active : {static_cast<Menu*>(&menu), static_cast<Menu*>(&grayed)}) {
        childMenu = active;
        Prompt disabled;
        open(disabled);
        EXPECT_FALSE(finishEnabled(disabled));
        disabled.close(0);
    }
    childMenu = nullptr; // no active child: the button stays as the template has it
    Prompt prompt;
    open(prompt);
    EXPECT_TRUE(finishEnabled(prompt));
    const struct {
        std::int32_t event;
        std::uint32_t word;
        bool enabled;
    } rows[] = {
        {DISABLE_MENU_ITEM, 224, false},
        {ENABLE_MENU_ITEM, 225, false},
        {ENABLE_MENU_ITEM, 0x30000000u | 224, true},
        {DISABLE_MENU_ITEM, 223, true},
        {DISABLE_MENU_ITEM, 0x08000000u | 224, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "event " << r.event << " word " << r.word);
        Container<BusMessage> command(BusMessage::fromWord(r.word));
        game.send(r.event, &command);
        app.drainQueue();
        EXPECT_EQ(finishEnabled(prompt), r.enabled);
    }
}

} // namespace
} // namespace vael::test
