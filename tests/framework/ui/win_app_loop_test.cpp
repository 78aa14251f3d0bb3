#include <gtest/gtest.h>

#include "framework/core/container.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

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
    const struct {
        const char* what;
        std::function<void(Harness&)> queue;
        std::int16_t answer;
        Messages reposted, mainGot, otherGot;
    } rows[] = {
        {"nothing waiting", [](Harness&) {}, 1, {}, {}, {}},
        {"close of the main window",
         [](Harness& t) { t.app.postMessage(t.mainHandle, MessageClose, 0, 0); },
         0,
         {{1, MessageClose, 0, 0, 0}},
         {},
         {}},
        {"the window's close button",
         [](Harness& t) { t.os.postEvent(ofKind(EventKind::CloseRequest)); },
         0,
         {{1, MessageClose, 0, 0, 0}},
         {},
         {}},
        {"system close command to the main window",
         [](Harness& t) { t.app.postMessage(t.mainHandle, MessageSysCommand, SysCommandClose, 7); },
         0,
         {{1, MessageSysCommand, SysCommandClose, 7, 0}},
         {},
         {}},
        {"another system command",
         [](Harness& t) { t.app.postMessage(t.mainHandle, MessageSysCommand, 0xF020, 0); },
         1,
         {},
         {{1, MessageSysCommand, 0xF020, 0, 0}},
         {}},
        {"close of another window",
         [](Harness& t) { t.app.postMessage(t.otherHandle, MessageClose, 0, 0); },
         1,
         {},
         {},
         {{2, MessageClose, 0, 0, 0}}},
        {"system close of another window",
         [](Harness& t) { t.app.postMessage(t.otherHandle, MessageSysCommand, SysCommandClose, 0); },
         1,
         {},
         {},
         {{2, MessageSysCommand, SysCommandClose, 0, 0}}},
        {"quit", [](Harness& t) { t.app.postQuitMessage(); }, 0, {{0, MessageQuit, 0, 0, 0}}, {}, {}},
        {"quit from the system",
         [](Harness& t) { t.os.postEvent(ofKind(EventKind::Quit)); },
         0,
         {{0, MessageQuit, 0, 0, 0}},
         {},
         {}},
        {"accelerator",
         [](Harness& t) { t.os.postEvent(key('M', platform::ModControl)); },
         1,
         {},
         {{1, MessageCommand, 219 | 1 << 16, 0, 0}},
         {}},
        {"one message of two",
         [](Harness& t) {
             t.app.postMessage(t.otherHandle, MessageUser, 0, 0);
             t.app.postMessage(t.mainHandle, MessageClose, 0, 0);
         },
         1,
         {{1, MessageClose, 0, 0, 0}},
         {},
         {{2, MessageUser, 0, 0, 0}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Harness t;
        row.queue(t);
        EXPECT_EQ(t.app.pumpMessage(), row.answer);
        EXPECT_EQ(t.queued(), row.reposted);
        EXPECT_EQ(t.main.got, row.mainGot);
        EXPECT_EQ(t.other.got, row.otherGot);
    }
}

} // namespace
} // namespace vael::test
