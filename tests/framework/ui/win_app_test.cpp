#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <utility>

#include "framework/core/container.h"
#include "framework/core/debug_stream.h"
#include "framework/ui/accelerator_table.h"
#include "framework/ui/map_file.h"
#include "framework/ui/string_table.h"
#include "framework/ui/window.h"
#include "framework/ui/windows_menu.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using Root = platform::Settings::Root;

// The palette seam: a maker that notes the file name it is given.
std::vector<std::string> madePalettes;
int destroyedPalettes = 0;
LogicalPalette* makePalette(const std::string& fileName) {
    madePalettes.push_back(fileName);
    static char palette;
    return reinterpret_cast<LogicalPalette*>(&palette);
}
void destroyPalette(LogicalPalette*) {
    ++destroyedPalettes;
}

using platform::Event;
using platform::EventKind;
using Messages = std::vector<WindowMessage>;

Event key(std::int32_t code, std::uint16_t modifiers) {
    Event e;
    e.kind = EventKind::KeyDown;
    e.key = code;
    e.modifiers = modifiers;
    return e;
}

Event ofKind(EventKind kind) {
    Event e;
    e.kind = kind;
    return e;
}

// The application with its main window (handle 1) and another window (handle 2).
struct Harness {
    Harness() {
        WinApp::setMainWindowHandle(mainHandle = app.addWindow(&main));
        otherHandle = app.addWindow(&other);
    }
    WindowMessage toMain(std::uint32_t message, std::uintptr_t w = 0) {
        return {mainHandle, message, w, 0, 0};
    }
    // What is left in the queue, taken out.
    Messages queued() {
        Messages left;
        for (Event e; os.pollEvent(e);)
            left.push_back({e.posted.window, e.posted.message, e.posted.wParam, e.posted.lParam, 0});
        return left;
    }

    platform::HeadlessPlatform os;
    TestWinApp app{os};
    RecordingWindow main{"main"}, other{"other"};
    WindowHandle mainHandle = 0, otherHandle = 0;
};

class WinAppTest : public ::testing::Test, public Harness {};

// Work held back until the program next looks for an event (the other machine's words held while the
// display played) ends that look with an empty message, as a socket's event would: the clock does not move
// on to the next tick first. With nothing held the look waits for the tick.
TEST(WinApp, HeldWorkThatGoesEndsTheLookWithoutWaitingForTheClock) {
    struct Holding : TestWinApp {
        using TestWinApp::TestWinApp;
        bool lookingForEvents() override {
            ++looks;
            return std::exchange(held, false);
        }
        bool held = false;
        int looks = 0;
    };
    platform::HeadlessPlatform os;
    Holding app(os);
    RecordingWindow main("main");
    WinApp::setMainWindowHandle(app.addWindow(&main));
    app.startTimer(100);
    const std::uint32_t start = os.tickCount();
    app.held = true;
    ASSERT_EQ(app.waitMessage(), 1);
    EXPECT_EQ(os.tickCount(), start) << "the clock moved on before the held work";
    EXPECT_EQ(app.pumpMessage(), 1);
    EXPECT_TRUE(main.got.empty()) << "the empty message reached a window";
    EXPECT_EQ(app.looks, 1);
    ASSERT_EQ(app.waitMessage(), 1);
    EXPECT_EQ(os.tickCount(), start + 100);
    EXPECT_EQ(app.looks, 2);
    app.stopTimer();
}

TEST(WinApp, ReadsTheDataDirectoryAndPaletteUnderItsVendorAndProductKey) {
    const struct {
        const char* vendor;
        const char* key;
        const char* path;
        const char* palette;
    } rows[] = {
        {"", "SOFTWARE\\Tamblor\\Iron Vigils", "/data", "VAEL.PAL"},
        {"Other", "SOFTWARE\\Other\\Iron Vigils", "/other", "other.pal"},
        {"Other", "SOFTWARE\\Tamblor\\Iron Vigils", "", ""}, // the key of another vendor
        {"", "SOFTWARE\\Tamblor", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        platform::HeadlessPlatform os;
        os.settings().writeText(Root::Machine, row.key, "Path", row.path[0] ? row.path : "/wrong");
        os.settings().writeText(Root::Machine, row.key, "Palette",
                                row.palette[0] ? row.palette : "wrong.pal");
        os.settings().writeText(Root::User, "SOFTWARE\\Tamblor\\Iron Vigils", "Path", "/user");
        madePalettes.clear();
        destroyedPalettes = 0;
        WinApp::setPaletteMaker(makePalette, destroyPalette);
        {
            TestWinApp app{os, row.vendor};
            EXPECT_EQ(
                (std::tuple{app.vendorName(), app.mapFileName(), app.dataPath(), madePalettes,
                            app.getPalette() != nullptr}),
                (std::tuple{std::string(row.vendor[0] ? row.vendor : "Tamblor"), std::string("oiffile.map"),
                            std::string(row.path), std::vector<std::string>{row.palette}, true}));
        }
        EXPECT_EQ(destroyedPalettes, 1);
        WinApp::setPaletteMaker(nullptr, nullptr);
        TestWinApp app{os, row.vendor};
        EXPECT_EQ(app.getPalette(), nullptr);
    }
}

TEST(WinApp, MessageBoxesShowTheButtonsAndIconOfTheirStyle) {
    const struct {
        std::uint16_t style;
        MessageButtons buttons;
        MessageIcon icon;
    } rows[] = {
        {0x00, MessageButtons::Ok, MessageIcon::None},
        {0x01, MessageButtons::OkCancel, MessageIcon::None},
        {0x12, MessageButtons::AbortRetryIgnore, MessageIcon::Stop},
        {0x23, MessageButtons::YesNoCancel, MessageIcon::Question},
        {0x34, MessageButtons::YesNo, MessageIcon::Exclamation},
        {0x45, MessageButtons::RetryCancel, MessageIcon::Information},
        {0x56, MessageButtons::Ok, MessageIcon::None}, // no such buttons or icon
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.style);
        platform::HeadlessPlatform os;
        TestWinApp app{os};
        os.answers = {MessageAnswer::Retry};
        EXPECT_EQ(app.messageBox("Text", "Title", row.style), 4);
        ASSERT_EQ(os.boxes.size(), 1u);
        EXPECT_EQ((std::tuple{os.boxes[0].text, os.boxes[0].title, os.boxes[0].buttons, os.boxes[0].icon}),
                  (std::tuple{std::string("Text"), std::string("Title"), row.buttons, row.icon}));
    }
}

// The system's box shows its text in the lines it is given: a long one goes in rows of at most 72
// characters (not bytes), every word kept, the text's own line breaks kept.
TEST(WinApp, TheSystemsBoxIsGivenItsTextInRowsThatFit) {
    const std::string path =
        "/home/melagor/.local/share/vael/the-fords-of-ghatmar/" + std::string(30, 'x') + ".vel";
    const std::string row72(72, 'a');
    std::string e72;
    for (int i = 0; i < 72; ++i)
        e72 += "\xC3\xA9";
    const struct {
        const char* what;
        std::string text, shown;
    } rows[] = {
        {"72 characters stay one row", row72, row72},
        {"73 are cut before the last word", row72.substr(0, 71) + " b", row72.substr(0, 71) + "\nb"},
        {"a path longer than a row is cut after a slash", "Cannot read " + path + ".",
         "Cannot read\n/home/melagor/.local/share/vael/the-fords-of-ghatmar/\n" + std::string(30, 'x') +
             ".vel."},
        {"the text's own breaks stay", "one\ntwo", "one\ntwo"},
        // "é" is two bytes: a row of 72 of them is 144 bytes and still one row.
        {"72 two-byte characters stay one row", e72, e72},
        {"73 are cut before the last word", e72.substr(0, 142) + " \xC3\xA9",
         e72.substr(0, 142) + "\n\xC3\xA9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        platform::HeadlessPlatform os;
        TestWinApp app{os};
        app.messageBox(row.text, "Title", 0x31);
        ASSERT_EQ(os.boxes.size(), 1u);
        EXPECT_EQ(os.boxes[0].text, row.shown);
    }
}

TEST_F(WinAppTest, StringsComeFromTheBuiltInTable) {
    const std::pair<std::uint16_t, const char*> rows[] = {{31, "Greek"},
                                                          {88, "Now starting game..."},
                                                          {90, "(R)"},
                                                          {109, "Please wait"},
                                                          {121, "Hex:"},
                                                          {122, ""},
                                                          {150, "Interpretor Error"},
                                                          {156, "Execution of Orders block failed."},
                                                          {157, ""}};
    for (const auto& [id, text] : rows)
        EXPECT_EQ(app.loadString(id), text) << id;
    EXPECT_TRUE(StringTable::builtIn().errors().empty());
}

TEST(StringTable, ReadsIdsAndEscapedTexts) {
    StringTable table;
    table.add("# comment\n"
              "1 one\r\n"
              "2 tab\\there\\nnext \\\\ end\\\n"
              "3\n"
              "65535 last\n"
              "1 again\n"
              "65536 too big\n"
              "x no id\n"
              "4one no blank\n"
              " 5 leading blank\n"
              "\n",
              "test");
    using Found = std::optional<std::string>;
    EXPECT_EQ(
        (std::vector{table.find(1), table.find(2), table.find(3), table.find(65535), table.find(4),
                     table.find(5)}),
        (std::vector<Found>{"one", "tab\there\nnext \\ end\\", "", "last", std::nullopt, std::nullopt}));
    EXPECT_EQ(table.size(), 4u);
    EXPECT_EQ(table.errors(),
              (std::vector<std::string>{"test line 6: string 1 given twice", "test line 7: no string id",
                                        "test line 8: no string id", "test line 9: no string id",
                                        "test line 10: no string id"}));
}

TEST(AcceleratorTable, ReadsKeysWithModifiersAndFindsExactMatches) {
    AcceleratorTable table("# keys\n"
                           "Ctrl+M 219\n"
                           "  shift+ctrl+f12\t7  \n"
                           "Alt+x 0\n"
                           "PageDown 65535\n"
                           "9 3\n"
                           "Ctrl+M\n"
                           "Ctrl+MM 1\n"
                           "Hyper+M 1\n"
                           "F13 1\n"
                           "F0 1\n"
                           "Ctrl+M 65536\n"
                           "Ctrl+M 2x\n");
    using namespace platform;
    using Found = std::optional<std::uint16_t>;
    EXPECT_EQ((std::vector{table.find('M', ModControl), table.find('M', ModControl | ModShift),
                           table.find('M', 0), table.find(KeyF12, ModControl | ModShift),
                           table.find('X', ModAlt), table.find(KeyPageDown, 0), table.find('9', 0)}),
              (std::vector<Found>{219, std::nullopt, std::nullopt, 7, 0, 65535, 3}));
    EXPECT_EQ(table.entries().size(), 5u);
    EXPECT_EQ(table.errors(),
              (std::vector<std::string>{"line 7: no command id", "line 8: unknown key \"MM\"",
                                        "line 9: unknown key \"Hyper+M\"", "line 10: unknown key \"F13\"",
                                        "line 11: unknown key \"F0\"", "line 12: bad command id \"65536\"",
                                        "line 13: bad command id \"2x\""}));
    ASSERT_NE(AcceleratorTable::load("MAIN"), nullptr);
    EXPECT_TRUE(AcceleratorTable::load("MAIN")->errors().empty());
    EXPECT_EQ(AcceleratorTable::load("Other"), nullptr);
}

TEST_F(WinAppTest, TypedTextBecomesOneCharacterMessageEach) {
    postText(os, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xFF\xC3"); // a, e acute, euro, a face, two bad bytes
    pumpAll(app);
    std::vector<std::uintptr_t> chars;
    for (const WindowMessage& m : main.got)
        chars.push_back(m.message == MessageChar ? m.wParam : 0);
    EXPECT_EQ(chars, (std::vector<std::uintptr_t>{'a', 0xE9, 0x20AC, 0x1F600, 0xFFFD, 0xFFFD}));
}

// A keyboard gives a key's letter between its press and its release. The letter of a key pressed with the
// left Alt (a menu's or a button's) is not typed; with AltGr, or Ctrl and Alt together (a layout's third
// letters) it is, and a system key that gave no letter leaves the next key's letter alone.
TEST_F(WinAppTest, TheLetterOfAKeyPressedWithAltIsNotTyped) {
    using Chars = std::vector<std::uintptr_t>;
    const struct {
        const char* what;
        std::uint16_t modifiers;
        std::string letter;
        bool afterRelease;
        Chars typed;
    } rows[] = {
        {"Alt+L", platform::ModAlt, "l", false, {}},
        {"Alt+Shift+L", platform::ModAlt | platform::ModShift, "L", false, {}},
        {"L", 0, "l", false, {'l'}},
        {"Shift+L", platform::ModShift, "L", false, {'L'}},
        {"Ctrl+Alt+L, a layout's third letter",
         platform::ModAlt | platform::ModControl,
         "\xC5\x82",
         false,
         {0x142}},
        {"Alt+L released, then a letter", platform::ModAlt, "x", true, {'x'}},
        {"AltGr+L, the right Alt", platform::ModAltGr, "\xC5\x82", false, {0x142}},
        {"AltGr+Shift+L", platform::ModAltGr | platform::ModShift, "\xC5\x81", false, {0x141}},
        {"both Alts+L", platform::ModAlt | platform::ModAltGr, "l", false, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        main.got.clear();
        os.postEvent(key('L', r.modifiers));
        if (!r.afterRelease) postText(os, r.letter);
        Event up = key('L', r.modifiers);
        up.kind = EventKind::KeyUp;
        os.postEvent(up);
        if (r.afterRelease) postText(os, r.letter);
        pumpAll(app);
        Chars chars;
        for (const WindowMessage& m : main.got)
            if (m.message == MessageChar) chars.push_back(m.wParam);
        EXPECT_EQ(chars, r.typed);
    }
}

TEST_F(WinAppTest, TheFileChoiceGivesAPathOfAnyLength) {
    const std::string longPath = "/" + std::string(400, 'd') + "/game.vel";
    os.chosenFiles = {longPath, std::nullopt};
    std::string name = "old";
    EXPECT_EQ((std::pair{app.openFileDialog(name, "Saved Games", "*.vel"), name}), (std::pair{1, longPath}));
    EXPECT_EQ((std::pair{app.openFileDialog(name, "Saved Games", "*.vel"), name}), (std::pair{0, longPath}));
    EXPECT_EQ(os.fileChoices[1].description, "Saved Games");
}

TEST_F(WinAppTest, CursorsTickCountBeepAndClipboardGoToThePlatform) {
    app.beginWait();
    EXPECT_EQ(app.setCursor(WinApp::arrowCursor()), WinApp::waitCursor());
    EXPECT_EQ(os.cursors, (std::vector<platform::Cursor>{platform::Cursor::Wait, platform::Cursor::Arrow}));
    os.advance(1234);
    app.beep();
    EXPECT_EQ((std::tuple{app.tickCount(), os.beeps}), (std::tuple{1234u, 1}));
    // Text goes only to an open clipboard, and it opens only once.
    EXPECT_EQ((std::tuple{app.setClipboardText("closed"), app.openClipboard(nullptr),
                          app.openClipboard(nullptr), app.setClipboardText("copied"), os.clipboard}),
              (std::tuple{0, 1, 0, 1, std::string("copied")}));
    os.clipboardRefuses = true;
    EXPECT_EQ(app.setClipboardText("refused"), 0);
    app.closeClipboard();
    EXPECT_EQ(os.clipboard, "copied");
}

// A long operation pumps: the user's close of the main window ends the pump, and the close is handled by
// the loop after the operation has unwound, before anything queued after it.
TEST_F(WinAppTest, ACloseDuringALongOperationIsHandledAfterIt) {
    Probe worker("Worker");
    worker.attach(app);
    std::vector<std::string> order;
    main.onMessage = [&](const WindowMessage& m) {
        if (m.message == MessageUser) {
            order.push_back("operation starts");
            platform::Event close;
            close.kind = platform::EventKind::CloseRequest;
            os.postEvent(close);
            std::int16_t flag = 0;
            EXPECT_EQ(worker.waitForFlag(flag, 60000), 0);
            order.push_back("operation unwinds");
        } else if (m.message == MessageClose) {
            order.push_back("close");
            app.postQuitMessage();
        }
    };
    app.postMessage(WinApp::mainWindowHandle(), MessageUser, 0, 0);
    EXPECT_EQ(app.run(), 1);
    EXPECT_EQ(order, (std::vector<std::string>{"operation starts", "operation unwinds", "close"}));
}

class LoopTest : public RecorderTest, public Harness {};

TEST_F(LoopTest, RunDispatchesInOrderUntilQuitAndTranslatesAccelerators) {
    app.postMessage(otherHandle, MessageUser + 1, 2, 3);
    os.postEvent(key('M', platform::ModControl));                      // Ctrl+M: command 219
    os.postEvent(key('M', platform::ModControl | platform::ModShift)); // not in the table
    os.postEvent(ofKind(EventKind::CloseRequest));
    app.postQuitMessage();
    app.postMessage(otherHandle, MessageUser + 2, 0, 0); // after the quit: never fetched
    EXPECT_EQ(app.run(), 1);
    EXPECT_EQ(other.got, (Messages{{otherHandle, MessageUser + 1, 2, 3, 0}}));
    EXPECT_EQ(main.got,
              (Messages{toMain(MessageCommand, 219 | 1 << 16),
                        {mainHandle, MessageKeyDown, 'M', platform::ModControl | platform::ModShift, 0},
                        toMain(MessageClose)}));
    EXPECT_EQ(queued(), (Messages{{otherHandle, MessageUser + 2, 0, 0, 0}}));
}

TEST_F(LoopTest, StopDuringAHandlerDropsTheNextMessageAndEndsRun) {
    main.onMessage = [this](const WindowMessage&) { app.stop(); };
    app.postMessage(mainHandle, MessageUser, 0, 0);
    app.postMessage(otherHandle, MessageUser + 1, 0, 0); // fetched, found the flag cleared, dropped
    app.postMessage(otherHandle, MessageUser + 2, 0, 0);
    EXPECT_EQ(app.run(), 1);
    EXPECT_EQ(main.got.size(), 1u);
    EXPECT_TRUE(other.got.empty());
    EXPECT_EQ(queued(), (Messages{{otherHandle, MessageUser + 2, 0, 0, 0}}));
}

TEST_F(LoopTest, ModelessDialogsAreOfferedEachMessageInListOrder) {
    RecordingWindow first{"first"}, second{"second"};
    const WindowHandle a = app.addWindow(&first), b = app.addWindow(&second);
    app.addModelessDialog(a);
    app.addModelessDialog(b);
    first.takes = [](const WindowMessage& m) { return m.message == MessageUser + 1; };
    second.takes = [](const WindowMessage& m) { return m.message <= MessageUser + 2; };
    for (std::uint32_t m : {MessageUser + 1, MessageUser + 2, MessageUser + 3})
        app.postMessage(otherHandle, m, 0, 0);
    app.postQuitMessage();
    app.run();
    EXPECT_EQ(first.offered.size(), 3u);
    EXPECT_EQ(second.offered.size(), 2u); // the first took message 1
    EXPECT_EQ(other.got, (Messages{{otherHandle, MessageUser + 3, 0, 0, 0}}));
    // A dialog that goes is no longer asked.
    app.removeWindow(b);
    app.postMessage(otherHandle, MessageUser + 2, 0, 0);
    EXPECT_EQ(app.pumpMessage(), 1);
    EXPECT_EQ(second.offered.size(), 2u);
    EXPECT_EQ(other.got.size(), 2u);
}

TEST(Pump, RepostsCloseOfTheMainWindowAndQuitAndDispatchesTheRest) {
    using Queue = std::function<void(Harness&)>;
    const auto post = [](WindowHandle to, std::uint32_t message, std::uintptr_t w = 0, std::intptr_t l = 0) {
        return Queue([=](Harness& t) { t.app.postMessage(to, message, w, l); });
    };
    const auto event = [](Event e) { return Queue([=](Harness& t) { t.os.postEvent(e); }); };
    // The main window is 1, the other 2.
    const WindowMessage closeMain{1, MessageClose, 0, 0, 0}, quit{0, MessageQuit, 0, 0, 0},
        sysCloseMain{1, MessageSysCommand, SysCommandClose, 7, 0},
        sysOther{1, MessageSysCommand, 0xF020, 0, 0}, closeOther{2, MessageClose, 0, 0, 0},
        sysCloseOther{2, MessageSysCommand, SysCommandClose, 0, 0},
        command{1, MessageCommand, 219 | 1 << 16, 0, 0}, user{2, MessageUser, 0, 0, 0};
    const Queue two = [&](Harness& t) { post(2, MessageUser)(t), post(1, MessageClose)(t); };
    const struct {
        const char* what;
        Queue queue;
        std::int16_t answer;
        Messages reposted, mainGot, otherGot;
    } rows[] = {
        {"nothing waiting", [](Harness&) {}, 1, {}, {}, {}},
        {"close of the main window", post(1, MessageClose), 0, {closeMain}, {}, {}},
        {"the window's close button", event(ofKind(EventKind::CloseRequest)), 0, {closeMain}, {}, {}},
        {"system close, main", post(1, MessageSysCommand, SysCommandClose, 7), 0, {sysCloseMain}, {}, {}},
        {"another system command", post(1, MessageSysCommand, 0xF020), 1, {}, {sysOther}, {}},
        {"close of another window", post(2, MessageClose), 1, {}, {}, {closeOther}},
        {"system close, other", post(2, MessageSysCommand, SysCommandClose), 1, {}, {}, {sysCloseOther}},
        {"quit", [](Harness& t) { t.app.postQuitMessage(); }, 0, {quit}, {}, {}},
        {"quit from the system", event(ofKind(EventKind::Quit)), 0, {quit}, {}, {}},
        {"accelerator", event(key('M', platform::ModControl)), 1, {}, {command}, {}},
        {"one message of two", two, 1, {closeMain}, {}, {user}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Harness t;
        row.queue(t);
        EXPECT_EQ((std::tuple{t.app.pumpMessage(), t.queued(), t.main.got, t.other.got}),
                  (std::tuple{row.answer, row.reposted, row.mainGot, row.otherGot}));
    }
}

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

// A handler that opens a box holding the game (its modal loop nested in the handler, as the end of a turn
// opens the turn's overview) leaves the other slots ticking under it, as a box opened from the menu does;
// its own slot misses the ticks until it returns, and ticks again after.
TEST_F(TimerTest, UnderABoxAHandlerOpenedTheOtherSlotsTickAndItsOwnWaits) {
    Probe water{"W"};
    water.attach(app);
    const auto waterTicks = [&] {
        return std::count_if(rec().calls.begin(), rec().calls.end(),
                             [&](const RecordedCall& c) { return c.target == &water; });
    };
    int calls = 0;
    std::ptrdiff_t under = -1, nested = -1;
    rec().on(&probe, 1, does([&](Component*) {
        if (++calls > 1) return;
        // A loop of its own without a box: the ticks are dropped, the water's too.
        std::ptrdiff_t before = waterTicks();
        os.advance(100);
        pumpAll(app);
        nested = waterTicks() - before;
        before = waterTicks();
        app.enterModal();
        for (int i = 0; i < 3; ++i) {
            os.advance(100);
            pumpAll(app);
        }
        app.leaveModal();
        under = waterTicks() - before;
    }));
    probe.addTimer(h1, 10);
    water.addTimer(h1, 10);
    os.advance(100);
    pumpAll(app);
    EXPECT_EQ((std::tuple{calls, nested, under}), (std::tuple{1, std::ptrdiff_t{0}, std::ptrdiff_t{3}}));
    os.advance(100);
    pumpAll(app);
    EXPECT_EQ(calls, 2) << "the handler's slot ticks again once it has returned";
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

// A timer with a handler of its own (a link's keep-alive) ticks apart from the system timer's callbacks:
// also while one of them waits in a loop of its own, where the system timer's own ticks are dropped.
TEST_F(TimerTest, AHandledTimerTicksEvenWhileTheSystemTimersCallbackWaits) {
    std::vector<std::string> handled;
    bool inside = false;
    const std::uint32_t own = os.startHandledTimer(30, [&](std::uint32_t time) {
        handled.push_back((inside ? "inside@" : "@") + std::to_string(time));
    });
    int calls = 0;
    rec().on(&probe, 1, does([&](Component*) {
        if (++calls > 1) return;
        inside = true;
        os.advance(100);
        pumpAll(app);
        inside = false;
    }));
    probe.addTimer(h1, 10); // every 100 ms
    os.advance(100);
    pumpAll(app);
    EXPECT_EQ(calls, 1);
    // Its tick at 30 waited before the system timer's at 100; the one taken in the callback's loop was
    // queued at 120 (those of 60 and 90 fell due while the first waited).
    EXPECT_EQ(handled, (std::vector<std::string>{"@30", "inside@120"}));
    os.stopHandledTimer(own);
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

TEST_F(WinAppTest, AChoiceFromAPopUpReachesTheMainWindowAsACommand) {
    WindowsMenu bar("childmenu", false);
    Point shownAt;
    const auto previous = SystemMenu::setTracker([&](const SystemMenu& menu, const Point& at) {
        shownAt = at;
        return menu.commandAt({1}); // the second item, "&Normal"
    });
    EXPECT_EQ((std::pair{bar.findPopup("View")->trackPopup(Point(30, -4)), shownAt}),
              (std::pair{std::uint16_t(217), Point(30, -4)}));
    // The platform's own tracker chooses nothing, and nothing is posted.
    SystemMenu::setTracker(previous);
    EXPECT_EQ(bar.findPopup("View")->trackPopup(Point(5, 5)), 0);
    pumpAll(app);
    ASSERT_EQ(main.got.size(), 1u);
    EXPECT_EQ((std::tuple{main.got[0].message, main.got[0].wParam}), (std::tuple{MessageCommand, 217u}));
    WinApp::setMainWindowHandle(0);
}

class PlainWindow : public Window {
public:
    using Window::Window;
    Point cursorPosition() override { return {}; }
    void update() override {}
    Menu* loadMenu(const std::string&) override { return nullptr; }
    void onCommand(std::uint16_t, std::uint16_t) override {}
    void minimize() override {}
    void maximize() override {}
    void setIcon(const std::string&) override {}
    void setCursor(const std::string&) override {}
    void setCaption(const std::string&) override {}
    void moveTo(const Point&) override {}
};

TEST(Window, KeepsItsOwnCopyOfTheCaptionAndIsPlacedAtItsPosition) {
    std::string text = "Landscape View";
    PlainWindow window(Point(-1, 30), Dim(50, 40), text.c_str());
    text = "changed";
    EXPECT_EQ((std::tuple{std::string(window.caption()), window.getName(), window.bounds(),
                          static_cast<Display&>(window).bounds(), window.hwnd()}),
              (std::tuple{std::string("Landscape View"), std::string("Unnamed Window"), Box(-1, 30, 50, 40),
                          Box(0, 0, 50, 40), 0u}));
    window.fill(7);
    window.clearDirtyBoxes();
    window.erase();
    EXPECT_EQ((std::pair{window.bits()[0], window.dirtyBoxes()}),
              (std::pair{std::uint8_t(0), std::vector<Box>{Box(0, 0, 50, 40)}}));
    PlainWindow untitled(Point(0, 0), Dim(1, 1), nullptr, "named");
    EXPECT_EQ((std::pair{untitled.caption(), untitled.getName()}),
              (std::pair{static_cast<const char*>(nullptr), std::string("named")}));
}

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

// The questions that failed checks ask.
Texts asked(const Texts& messages) {
    Texts questions;
    for (const std::string& m : messages)
        questions.push_back(m + "  Abort?");
    return questions;
}

// One record: the data-file field (13 bytes) and the archive field (128 bytes), each the given text padded
// with NULs; a text as long as its field leaves it without a NUL.
void appendRecord(Bytes& bytes, const std::string& dataFile, const std::string& archive) {
    const auto field = [&](const std::string& text, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i)
            bytes.push_back(i < text.size() ? std::uint8_t(text[i]) : 0);
    };
    field(dataFile, 13);
    field(archive, 128);
}

using Records = std::vector<std::pair<std::string, std::string>>; // data file, archive

Bytes mapOf(std::int16_t count, const Records& records) {
    Bytes bytes{std::uint8_t(count & 0xFF), std::uint8_t((count >> 8) & 0xFF)};
    for (const auto& [dataFile, archive] : records)
        appendRecord(bytes, dataFile, archive);
    return bytes;
}

TEST(MapFile, ReadsRecordsAndRefusesAFileItsCountDoesNotFit) {
    const std::string name127(127, 'n'), name128(128, 'm');
    const Records two{{"A.OIF", "One"}, {"B.OIF", "Two"}}, cut{{"ABCDEFGHI.OI", std::string(127, 'm')}};
    const Bytes one = mapOf(1, {{"A", "B"}});
    Bytes short1 = one, over1 = one;
    short1.pop_back(), over1.push_back(0);
    const auto holds = [](int bytes, int count, int asked) {
        return "it holds " + std::to_string(bytes) + " bytes where its count of " + std::to_string(count) +
               " records asks for " + std::to_string(asked);
    };
    const struct {
        const char* what;
        Bytes bytes;
        Records records; // read
        std::string error;
    } rows[] = {
        {"count 0", {0x00, 0x00}, {}, ""},
        {"one record", mapOf(1, {{"ARMY.OIF", "Army"}}), {{"ARMY.OIF", "Army"}}, ""},
        {"longest names", mapOf(1, {{"ABCDEFGH.OIF", name127}}), {{"ABCDEFGH.OIF", name127}}, ""},
        {"fields without their NULs, cut", mapOf(1, {{"ABCDEFGHI.OIF", name128}}), cut, ""},
        {"two records", mapOf(2, two), two, ""},
        {"empty file", {}, {}, "it holds 0 bytes, too few for its record count"},
        {"one byte", {0x00}, {}, "it holds 1 bytes, too few for its record count"},
        {"negative count", {0xFF, 0xFF}, {}, "its record count -1 is negative"},
        {"one byte short", short1, {}, holds(142, 1, 143)},
        {"one byte over", over1, {}, holds(144, 1, 143)},
        {"count larger than the records", mapOf(2, {{"A", "B"}}), {}, holds(143, 2, 284)},
        {"largest count with no records", {0xFF, 0x7F}, {}, holds(2, 32767, 4620149)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MapFile map;
        const bool read = map.read(row.bytes.data(), row.bytes.size());
        Records got;
        for (const MapFileRecord& r : map.records())
            got.emplace_back(r.dataFile, r.archive);
        EXPECT_EQ((std::tuple{read, map.error(), got}),
                  (std::tuple{row.error.empty(), row.error, row.records}));
    }
}

// An archive that notes what it was asked to read.
class NotingArchive : public OIFBase {
public:
    explicit NotingArchive(const std::string& name) : OIFBase(name) {}
    void readFile(const std::string& path, std::istream& file) override {
        std::ostringstream text;
        text << file.rdbuf();
        reads.push_back(path + ": " + text.str());
    }
    void readMemory(const std::string&, const std::uint8_t*&, const std::uint8_t*) override {}
    void copyFrom(const OIFBase&) override {}
    void deleteImages() override {}
    OIFBase* clone(const std::string& name) const override { return new NotingArchive(name); }
    std::vector<std::string> reads;
};

class MapLookupTest : public ::testing::Test {
public:
    MapLookupTest() {
        os.settings().writeText(platform::Settings::Root::Machine, "SOFTWARE\\Tamblor\\Iron Vigils", "Path",
                                dir.path().string());
        debugStream().rdbuf()->open((dir / "trace").c_str());
    }
    ~MapLookupTest() override { debugStream().rdbuf()->open(nullptr); }
    // What the look-ups so far wrote to the trace; the trace starts afresh.
    std::string traced() {
        debugStream().flush();
        std::ostringstream text;
        text << std::ifstream(dir / "trace").rdbuf();
        debugStream().rdbuf()->open((dir / "trace").c_str());
        return text.str();
    }
    void writeMap(const Bytes& bytes, const char* name = "oiffile.map") {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    void writeData(const char* name, const char* text) { std::ofstream(dir / name) << text; }
    // The army's archive looked up by a fresh application: how many files it read, and the questions of the
    // checks that failed.
    std::pair<std::size_t, Texts> lookUpArmy(const std::string& mapFile = "") {
        TestWinApp app{os, "", mapFile};
        FailedChecks checks;
        NotingArchive army("Army");
        app.findInMapFile(&army);
        return {army.reads.size(), checks.texts};
    }

    TempDir dir{"map-lookup"};
    platform::HeadlessPlatform os;
};

TEST_F(MapLookupTest, TheFirstRecordOfTheArchiveNamesItsDataFile) {
    const std::string long127(127, 'x');
    writeMap(
        mapOf(4,
              {{"OTHER.OIF", "Other"}, {"ARMY.OIF", "Army"}, {"SECOND.OIF", "Army"}, {"LONG.OIF", long127}}),
        "OIFFILE.MAP"); // found without regard to case
    writeData("army.oif", "army data");
    writeData("long.oif", "long data");
    writeData("second.oif", "second data");
    TestWinApp app{os};
    FailedChecks checks;
    NotingArchive army("Army"), longName(long127), caseDiffers("army");
    app.findInMapFile(&army);
    app.findInMapFile(&longName);
    app.findInMapFile(&caseDiffers);
    EXPECT_EQ(army.reads, (std::vector<std::string>{(dir / "army.oif").string() + ": army data"}));
    EXPECT_EQ(longName.reads, (std::vector<std::string>{(dir / "long.oif").string() + ": long data"}));
    EXPECT_TRUE(caseDiffers.reads.empty());
    // A name the map file does not list loads nothing and is only traced: no check fails.
    EXPECT_TRUE(checks.texts.empty());
    EXPECT_EQ(traced(), "army does not exist in the map file.\n");
}

TEST_F(MapLookupTest, MissingOrBadFilesAreReportedAndNothingIsRead) {
    const std::string path = dir.path().string(), missing = "Army does not exist in the map file.\n";
    const struct {
        const char* what;
        std::optional<Bytes> map;
        const char* dataFile; // written when given; "fifo" or "folder" stand in the map file's place
        Texts reports;
        bool unlisted; // traced as missing from the map file
    } rows[] = {
        {"count 0", Bytes{0, 0}, nullptr, {}, true},
        {"no map file", std::nullopt, nullptr, {"Can't find " + path + "/oiffile.map"}, true},
        {"a FIFO for a map file",
         std::nullopt,
         "fifo",
         {"The map file " + path + "/oiffile.map is not a regular file"},
         true},
        {"a folder for a map file",
         std::nullopt,
         "folder",
         {"The map file " + path + "/oiffile.map is a folder, not a file"},
         true},
        {"damaged map file",
         mapOf(2, {{"ARMY.OIF", "Army"}}),
         "army.oif",
         {"The map file " + path +
          "/oiffile.map is damaged: it holds 143 bytes where its count of 2 records asks for 284"},
         true},
        {"no data file",
         mapOf(1, {{"Army.oif", "Army"}}),
         nullptr,
         {"Can't find " + path + "/Army.oif"},
         false},
        {"data file out of the data directory",
         mapOf(1, {{"../x.oif", "Army"}}),
         "x.oif",
         {"Can't find " + path + "/../x.oif"},
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove_all(dir / "oiffile.map");
        std::filesystem::remove(dir / "army.oif");
        if (row.map) writeMap(*row.map);
        const std::string other = row.dataFile ? row.dataFile : "";
        if (other == "fifo")
            ASSERT_EQ(::mkfifo((dir / "oiffile.map").c_str(), 0644), 0);
        else if (other == "folder")
            std::filesystem::create_directory(dir / "oiffile.map");
        else if (row.dataFile)
            writeData(row.dataFile, "x");
        EXPECT_EQ(lookUpArmy(), (std::pair{std::size_t(0), asked(row.reports)}));
        EXPECT_EQ(traced().ends_with(missing), row.unlisted);
    }
}

TEST_F(MapLookupTest, AMapFileLongerThanAnyCountAllowsIsRefusedUnread) {
    // 32767 records is the most a count can give: such a file is read, one byte more is not.
    Bytes bytes{0xFF, 0x7F};
    for (int i = 0; i < 32766; ++i)
        appendRecord(bytes, "OTHER.OIF", "Other");
    appendRecord(bytes, "ARMY.OIF", "Army");
    writeData("army.oif", "army");
    const std::string path = dir.path().string();
    for (const bool oneMore : {false, true}) {
        SCOPED_TRACE(oneMore);
        if (oneMore) bytes.push_back(0);
        writeMap(bytes);
        const Texts refused =
            asked({"The map file " + path + "/oiffile.map is damaged: " + path +
                   "/oiffile.map is too large: 4620150 bytes, where at most 4620149 are expected"});
        EXPECT_EQ(lookUpArmy(), (std::pair{std::size_t(oneMore ? 0 : 1), oneMore ? refused : Texts()}));
    }
}

TEST_F(MapLookupTest, AbortingAtAMissingMapFileThrows) {
    TestWinApp app{os};
    FailedChecks checks(true);
    NotingArchive army("Army");
    EXPECT_THROW(app.findInMapFile(&army), Assertion);
    EXPECT_EQ(checks.count(), 1u);
}

TEST_F(MapLookupTest, AnotherMapFileNameIsLookedUpInstead) {
    writeMap(mapOf(1, {{"A.OIF", "Army"}}), "other.map");
    writeData("a.oif", "a");
    EXPECT_EQ(lookUpArmy("Other.MAP"), (std::pair{std::size_t(1), Texts()}));
}

} // namespace
} // namespace vael::test
