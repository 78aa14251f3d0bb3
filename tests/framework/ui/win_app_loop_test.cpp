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

} // namespace
} // namespace vael::test
