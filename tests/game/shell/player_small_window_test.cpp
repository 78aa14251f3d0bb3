// Every box of the game in a window of 640 x 480, on the headless platform with the forged data: shown
// there, and left open while the window shrinks to it from 1280 x 1024, it lies wholly inside the frame's
// client area below the menu bar (640 x 460); a box too big for it stands at its top-left corner, its caption
// in sight, and the wheel over it brings its foot, with its buttons, into sight.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ui/dialog_control.h"
#include "framework/ui/dialog_template.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/toolbar.h"
#include "game/net/net_dialogs.h"
#include "game/shell/campaign.h"
#include "game/shell/campaign_dialogs.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/leader_almost_done_dialog.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

using Root = platform::Settings::Root;

// A dialog of any template, centred as the game's dialogs centre themselves.
class CentredDialog : public Dialog {
public:
    CentredDialog()
        : Window(Point(0, 0), Dialog::InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", "") {}
    void onInitDialog() override { centre(); }
};

// What the test saw of a box: where it stood (the frame's client coordinates) and the area it had.
struct Seen {
    platform::Rect at, area;
    // Too tall for the area: where it stood once the wheel had turned it down as far as it goes, and the
    // bottom edge of its lowest button then.
    platform::Rect slid;
    std::int32_t buttonsFoot = 0;
};

std::string text(const platform::Rect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

class SmallWindow : public ::testing::Test {
protected:
    TempDir dir{"smallwindow"};
    DataHome home{dir.path().string()};
    ScriptedPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};

    void resize(int width, int height) {
        platform::Event e;
        e.kind = platform::EventKind::Resize, e.x = width, e.y = height;
        os.postEvent(e);
    }
    void pump() {
        for (int i = 0; i < 200 && game.app().messageWaiting(); ++i)
            game.app().pumpMessage();
    }
    platform::Rect frameArea() {
        const platform::Rect client = WindowManager::instance().clientOnScreen(game.frame().hwnd());
        return {0, 0, client.width, client.height};
    }
    // A point of the dialog's client area, on the screen, that no control of it takes: the wheel there
    // moves the box, not a list.
    std::optional<platform::Rect> background(const Dialog& d) {
        const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
        const platform::Rect area = WindowManager::instance().clientOnScreen(game.frame().hwnd());
        for (std::int32_t y = 2; y < client.height; y += 5)
            for (std::int32_t x = 2; x < client.width; x += 5) {
                const platform::Rect at{client.x + x, client.y + y, 1, 1};
                bool free = !isEmpty(intersection(at, area));
                for (const auto& w : d.items())
                    free = free && !(w->isVisible() && w->contains(Point(static_cast<std::int16_t>(x),
                                                                         static_cast<std::int16_t>(y))));
                if (free) return at;
            }
        return std::nullopt;
    }
    // Opens the dialog as the game opens its questions (modal) and looks at it each time the game waits
    // with it shown: first as it shows, then after each of the sizes the window takes meanwhile; a box too
    // tall is turned down by the wheel last. Then the box is taken away.
    std::vector<Seen> open(Dialog& d, const std::string& name, std::vector<std::pair<int, int>> sizes = {}) {
        std::vector<Seen> seen;
        std::size_t step = 0;
        bool wheeled = false;
        os.idle = [&] {
            if (!d.isOpen() || !d.hwnd()) return;
            const platform::Rect at = WindowManager::instance().find(d.hwnd())->outer;
            if (wheeled) {
                seen.back().slid = at;
                const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
                const platform::Rect frame = WindowManager::instance().clientOnScreen(game.frame().hwnd());
                for (const auto& w : d.items())
                    if (w->isVisible() && w->controlClass() == ClassButton &&
                        Dialog::isPushButton(d.control(w->handle())))
                        seen.back().buttonsFoot =
                            std::max(seen.back().buttonsFoot, client.y + w->box().y + w->box().h - frame.y);
                d.close(0);
                return resize(1024, 768); // wakes the loop, which finds the box gone
            }
            seen.push_back({at, frameArea(), {}, 0});
            if (step < sizes.size()) {
                resize(sizes[step].first, sizes[step].second);
                ++step;
                return;
            }
            wheeled = true;
            // Turned towards the player as far as it goes: what scrolls under it (Army Details' rows) first.
            if (at.height > seen.back().area.height)
                if (const std::optional<platform::Rect> p = background(d)) {
                    for (int turn = 0; turn < 3; ++turn) {
                        platform::Event e;
                        e.kind = platform::EventKind::Wheel, e.x = p->x, e.y = p->y, e.wheel = -100;
                        os.postEvent(e);
                    }
                    return;
                }
            resize(1024, 768);
        };
        d.attach(game.app());
        d.create(name, Dialog::Modal);
        os.idle = nullptr;
        return seen;
    }
};

// What a player must see of a box in the area: all of it; or, too big, its caption at the top-left corner
// and, once the wheel turned it down, every push button whole.
void expectInside(const std::string& name, const Seen& s) {
    SCOPED_TRACE(testing::Message() << name << " at " << text(s.at) << " in " << text(s.area));
    ASSERT_GT(s.area.width, 0);
    const bool wide = s.at.width > s.area.width, tall = s.at.height > s.area.height;
    if (wide) {
        EXPECT_EQ(s.at.x, 0);
    } else {
        EXPECT_GE(s.at.x, 0);
        EXPECT_LE(s.at.x + s.at.width, s.area.width);
    }
    if (tall) {
        EXPECT_EQ(s.at.y, 0) << "its caption at the top";
        EXPECT_EQ(s.slid.y + s.slid.height, s.area.height) << "turned down: its foot at the bottom, "
                                                           << text(s.slid);
        EXPECT_LE(s.buttonsFoot, s.area.height) << "its buttons in sight";
    } else {
        EXPECT_GE(s.at.y, 0);
        EXPECT_LE(s.at.y + s.at.height, s.area.height);
    }
}

// Every template of the program, centred as the game centres its dialogs: at 640 x 480, and left open while
// the window shrinks from 1280 x 1024.
TEST_F(SmallWindow, EveryTemplateLiesInsideTheFrameShownThereAndWhenTheWindowShrinks) {
    ASSERT_TRUE(game.ready());
    const std::vector<std::string> names = dialogTemplateNames();
    ASSERT_GE(names.size(), 40u);
    std::size_t tooTall = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        resize(640, 480);
        pump();
        {
            CentredDialog d;
            const std::vector<Seen> seen = open(d, name);
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_EQ(seen[0].area, (platform::Rect{0, 0, 640, 460}));
            expectInside("shown at 640x480", seen[0]);
            tooTall += seen[0].at.height > seen[0].area.height ? 1 : 0;
        }
        resize(1280, 1024);
        pump();
        CentredDialog d;
        const std::vector<Seen> seen = open(d, name, {{640, 480}});
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].area, (platform::Rect{0, 0, 1280, 1004}));
        expectInside("shown at 1280x1024", seen[0]);
        expectInside("left open as it shrank to 640x480", seen[1]);
    }
    // The start dialog, Army Details, the campaign's map and results and the end of the game are taller.
    EXPECT_EQ(tooTall, 5u);
}

// The game's own dialogs of the way, each as the game makes it, with what it fills in.
TEST_F(SmallWindow, TheGamesDialogsLieInsideTheFrameShownThereAndWhenTheWindowShrinks) {
    ASSERT_TRUE(game.ready());
    Campaign& campaign = game.app().campaign();
    ASSERT_TRUE(campaign.begin());
    std::vector<ArmyDetailsRow> rows;
    for (int i = 1; i <= 30; ++i)
        rows.push_back({"Scythed Chariots of Khurven " + std::to_string(i), "6", "0", "", "10", ""});
    EndOfGameResults results;
    results.homeName = "Macedonian", results.visitorName = "Persian";
    const std::vector<std::pair<std::string, std::function<std::unique_ptr<Dialog>()>>> dialogs{
        {StartGameDlg::TemplateName, [] { return std::make_unique<StartGameDlg>(); }},
        {ArmyDetailsDlg::TemplateName, [&] { return std::make_unique<ArmyDetailsDlg>("Persian", rows); }},
        {CampaignMapDlg::TemplateName, [&] { return std::make_unique<CampaignMapDlg>(campaign); }},
        {CampaignResultsDlg::TemplateName,
         [&] { return std::make_unique<CampaignResultsDlg>(campaign.definition(), campaign.state()); }},
        {LeaderAlmostDoneDlg::TemplateName, [] { return std::make_unique<LeaderAlmostDoneDlg>(); }},
        {LoadSaveDlg::TemplateName, [&] { return std::make_unique<LoadSaveDlg>(dir.path().string(), true); }},
        {PreferencesDlg::TemplateName, [] { return std::make_unique<PreferencesDlg>(Preferences{}, 0); }},
        {EndTurnDlg::TemplateName, [&] { return std::make_unique<EndTurnDlg>(results); }},
        {EndOfGameDlg::TemplateName, [] { return std::make_unique<EndOfGameDlg>(2, true); }},
        {NetChooseLeadersDlg::TemplateName,
         [] {
             return std::make_unique<NetChooseLeadersDlg>(
                 std::vector<std::string>{"Vaelmoric", "Keldrian", "Tezhar III"},
                 std::vector<std::string>{"Ann", "Bob"}, std::vector<std::int32_t>{0, 1, 0});
         }},
        {TempNetDlg::TemplateName, [] { return std::make_unique<TempNetDlg>(); }},
        {StartServerDlg::TemplateName, [] { return std::make_unique<StartServerDlg>("Ann"); }},
        {StartClientDlg::TemplateName, [] { return std::make_unique<StartClientDlg>("Bob"); }},
        {ConnectNetDlg::TemplateName,
         [] { return std::make_unique<ConnectNetDlg>("Ann", "Ann", "The Fords of Ghatmar", true); }},
        {InformationDlg::TemplateName,
         [] {
             auto box = std::make_unique<InformationDlg>(0, std::string(300, 'w') + " " + std::string(300, 'v'));
             return box;
         }},
        {AILeaderGoingDlg::TemplateName, [] { return std::make_unique<AILeaderGoingDlg>("Vaelmoric the Bold"); }},
        {AboutDlg::TemplateName, [] { return std::make_unique<AboutDlg>("The Iron Vigils of Vaelmoric, version 1"); }},
    };
    for (const auto& [name, make] : dialogs) {
        SCOPED_TRACE(name);
        resize(640, 480);
        pump();
        {
            const std::unique_ptr<Dialog> d = make();
            const std::vector<Seen> seen = open(*d, name);
            ASSERT_EQ(seen.size(), 1u);
            expectInside("shown at 640x480", seen[0]);
        }
        resize(1280, 1024);
        pump();
        const std::unique_ptr<Dialog> d = make();
        const std::vector<Seen> seen = open(*d, name, {{640, 480}});
        ASSERT_EQ(seen.size(), 2u);
        expectInside("left open as it shrank to 640x480", seen[1]);
    }
}

// The Finish Leader prompt remembered at (720, 456) of a larger window shows in the bottom-right corner of
// a window of 640 x 480; closed there, the place kept is still (720, 456), where the window grown again
// shows it.
TEST_F(SmallWindow, TheFinishLeaderPromptRememberedOffTheWindowShowsInItsCorner) {
    ASSERT_TRUE(game.ready());
    os.settings().writeNumber(Root::User, LeaderAlmostDoneDlg::PlacementKey, "X", 720);
    os.settings().writeNumber(Root::User, LeaderAlmostDoneDlg::PlacementKey, "Y", 456);
    resize(640, 480);
    pump();
    std::vector<Seen> seen;
    {
        LeaderAlmostDoneDlg prompt;
        seen = open(prompt, LeaderAlmostDoneDlg::TemplateName);
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ((std::pair{seen[0].at.x, seen[0].at.y}), (std::pair{640 - seen[0].at.width, 460 - seen[0].at.height}));
    EXPECT_EQ(os.settings().readNumber(Root::User, LeaderAlmostDoneDlg::PlacementKey, "X"), 720u);
    EXPECT_EQ(os.settings().readNumber(Root::User, LeaderAlmostDoneDlg::PlacementKey, "Y"), 456u);
    resize(1280, 1024);
    pump();
    LeaderAlmostDoneDlg prompt;
    seen = open(prompt, LeaderAlmostDoneDlg::TemplateName);
    ASSERT_EQ(seen.size(), 1u);
    // The screen's (720, 456) is the frame's client area's (720, 436), below the menu bar.
    EXPECT_EQ((std::pair{seen[0].at.x, seen[0].at.y}), (std::pair{720, 456 - MenuTracker::BarHeight}));
}

// A box taller than the window shows its caption first: the wheel turned with the pointer resting there
// slides it as the wheel over its face does, until its foot with its buttons shows.
TEST_F(SmallWindow, TheWheelOverTheCaptionOfABoxTallerThanTheWindowSlidesItToItsFoot) {
    ASSERT_TRUE(game.ready());
    std::vector<ArmyDetailsRow> rows;
    for (int i = 1; i <= 30; ++i)
        rows.push_back({"Scythed Chariots of Khurven " + std::to_string(i), "6", "0", "", "10", ""});
    resize(640, 480);
    pump();
    ArmyDetailsDlg d("Persian", rows);
    platform::Rect shown{}, slid{};
    bool turned = false, onCaption = false;
    os.idle = [&] {
        if (!d.isOpen() || !d.hwnd()) return;
        const platform::Rect at = WindowManager::instance().find(d.hwnd())->outer;
        if (turned) {
            slid = at;
            d.close(0);
            return resize(1024, 768);
        }
        shown = at;
        turned = true;
        const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
        const std::int32_t x = client.x + 20, y = client.y - 4;
        onCaption = WindowManager::instance().windowAt(x, y) == d.hwnd();
        for (int turn = 0; turn < 3; ++turn) {
            platform::Event e;
            e.kind = platform::EventKind::Wheel, e.x = x, e.y = y, e.wheel = -100;
            os.postEvent(e);
        }
    };
    d.attach(game.app());
    d.create(ArmyDetailsDlg::TemplateName, Dialog::Modal);
    os.idle = nullptr;
    SCOPED_TRACE("shown at " + text(shown) + ", after the wheel at " + text(slid));
    ASSERT_TRUE(turned);
    EXPECT_TRUE(onCaption);
    ASSERT_GT(shown.height, 460);
    EXPECT_EQ(shown.y, 0);
    EXPECT_EQ(slid.y + slid.height, 460);
}

// The start dialog is a box like the others: brought back at 640 x 480 by a start-screen box cancelled
// there (Multiplayer's), it stands inside the window at its top-left corner, and the window grown again to
// its first size puts it back where it stood at the game's start, not left in the corner over the tool bar.
// Where the window has room for both, the tool bar stays in sight above it.
TEST_F(SmallWindow, TheStartDialogComesBackToItsPlaceWhenTheWindowGrowsAgain) {
    ASSERT_TRUE(game.ready());
    const platform::Rect window = WindowManager::instance().outerOnScreen(game.frame().hwnd());
    const auto toolbarFoot = static_cast<std::int32_t>(game.frame().toolbar()->barHeight());
    const auto outer = [](const Dialog& d) { return WindowManager::instance().find(d.hwnd())->outer; };
    enum Stage { First, Shrunk, Cancelled, Grown, Roomy, Done } stage = First;
    Dialog* start = nullptr;
    platform::Rect atStart, small, grown, roomy;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName) {
            start = &d;
            if (stage == First) atStart = outer(d);
            if (stage == Shrunk) {
                small = outer(d);
                stage = Cancelled;
            }
        }
        if (name == TempNetDlg::TemplateName) postKey(os, platform::KeyEscape);
    };
    os.idle = [&] {
        if (!start || !start->isOpen()) return;
        switch (stage) {
        case First:
            stage = Shrunk;
            // The click comes at the next look, once the box has moved in.
            return resize(640, 480);
        case Shrunk:
            return clickOn(os, *start, StartGameDlg::IdMultiplayer);
        case Cancelled:
            stage = Grown;
            return resize(window.width, window.height);
        case Grown:
            grown = outer(*start);
            stage = Roomy;
            // Room for the box under the tool bar, though not in the middle of the window.
            return resize(window.width, toolbarFoot + atStart.height + MenuTracker::BarHeight + 8);
        case Roomy:
            roomy = outer(*start);
            stage = Done;
            return clickOn(os, *start, StartGameDlg::IdExit);
        case Done:
            return;
        }
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(stage, Done);
    EXPECT_EQ(text(small), text({0, 0, atStart.width, atStart.height})) << "inside the small window";
    EXPECT_EQ(text(grown), text(atStart)) << "back where it stood";
    EXPECT_GE(roomy.y, toolbarFoot) << "the tool bar in sight: " << text(roomy);
}

} // namespace
} // namespace vael::test
