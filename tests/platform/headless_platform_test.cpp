#include "platform/headless/headless_platform.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace vael::platform {
namespace {

using Strings = std::vector<std::string>;
using Colours = std::vector<std::uint32_t>;

Event posted(std::uint32_t message) {
    Event e;
    e.kind = EventKind::Posted;
    e.posted.message = message;
    return e;
}

// The next event as "tick <timer>@<time>" or "post <message>"; "-" when there is none.
std::string next(HeadlessPlatform& p, bool wait = false) {
    Event e;
    if (!(wait ? p.waitEvent(e) : p.pollEvent(e))) return "-";
    if (e.kind == EventKind::TimerTick)
        return "tick " + std::to_string(e.timer) + "@" + std::to_string(e.time);
    return e.kind == EventKind::Posted ? "post " + std::to_string(e.posted.message) : "other";
}

TEST(HeadlessTimer, TicksAtItsPeriodAndKeepsOneTickWaiting) {
    HeadlessPlatform p;
    const std::uint32_t id = p.startTimer(100);
    ASSERT_NE(id, 0u);
    const std::string tick = "tick " + std::to_string(id) + "@";
    // The tick of 200 waits; those of 300 and 400 fall due meanwhile and are lost; the next is at 500.
    Strings seen;
    for (std::uint32_t ms : {99, 1, 350, 0, 49, 1})
        p.advance(ms), seen.push_back(next(p));
    EXPECT_EQ(seen, (Strings{"-", tick + "100", tick + "200", "-", "-", tick + "500"}));
    EXPECT_EQ(p.tickCount(), 500u);
}

TEST(HeadlessTimer, AStoppedTimersWaitingTickIsDroppedAndZeroPeriodIsRefused) {
    HeadlessPlatform p;
    EXPECT_EQ(p.startTimer(0), 0u);
    const std::uint32_t a = p.startTimer(10), b = p.startTimer(15);
    p.postEvent(posted(1));
    p.advance(15); // a's tick at 10, then b's at 15
    EXPECT_EQ((std::tuple{a != b, p.queuedEvents(), p.stopTimer(a), p.stopTimer(a), p.timerPeriod(a),
                          p.timerPeriod(b)}),
              std::tuple(true, 3u, true, false, 0u, 15u));
    EXPECT_EQ((Strings{next(p), next(p), next(p)}),
              (Strings{"post 1", "tick " + std::to_string(b) + "@15", "-"}));
}

TEST(HeadlessQueue, WaitingMovesTheClockToTheNextTickOnlyWhenNothingIsQueued) {
    HeadlessPlatform p;
    EXPECT_EQ(next(p, true), "-"); // nothing will ever come
    const std::string tick = "tick " + std::to_string(p.startTimer(40)) + "@";
    p.postEvent(posted(7));
    EXPECT_EQ((std::tuple{next(p, true), p.tickCount(), next(p, true), p.tickCount(), next(p, true),
                          p.eventWaiting()}),
              std::tuple("post 7", 0u, tick + "40", 40u, tick + "80", false));
}

// The bus asks whether an event waits before every task, so that question looks at the sockets only now
// and then; waiting for an event looks at once, and a ready socket still comes before a timer's tick.
TEST(HeadlessSockets, AReadySocketIsTakenAtOnceByWaitingAndSoonByTheQuestion) {
    HeadlessPlatform p;
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    p.watchSocket(fds[0], SocketReadable, [](std::int32_t, std::uint8_t) {});
    p.startTimer(10);
    EXPECT_FALSE(p.eventWaiting()); // looked: nothing yet
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    p.eventWaiting(); // within the millisecond or not: either answer is right here
    Event e;
    ASSERT_TRUE(p.waitEvent(e));
    EXPECT_EQ(e.kind, EventKind::SocketReady);
    EXPECT_EQ(e.socket, fds[0]);
    EXPECT_EQ(p.tickCount(), 0u) << "the clock moved on before the socket was taken";
    p.serviceSocket(e);
    // Still readable: after a millisecond the question sees it again.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(p.eventWaiting());
    ASSERT_TRUE(p.pollEvent(e));
    EXPECT_EQ(e.kind, EventKind::SocketReady);
    p.unwatchSocket(fds[0]);
    ::close(fds[0]);
    ::close(fds[1]);
}

// A timer with a handler of its own: its ticks go to the handler when served, with their time; a tick of
// the program's own timer is not served; a stopped one's waiting tick is dropped.
TEST(HeadlessTimer, AHandledTimersTicksGoToItsHandler) {
    HeadlessPlatform p;
    std::vector<std::uint32_t> ticks;
    const std::uint32_t own = p.startTimer(100);
    const std::uint32_t handled =
        p.startHandledTimer(250, [&ticks](std::uint32_t time) { ticks.push_back(time); });
    ASSERT_NE(handled, 0u);
    std::vector<bool> served;
    p.advance(500);
    Event e;
    while (p.pollEvent(e))
        served.push_back(p.serviceTimer(e));
    EXPECT_EQ(ticks, (std::vector<std::uint32_t>{250}));
    // The own timer's tick at 100 waits first; the handled one's at 250 after it (500's was lost behind it).
    EXPECT_EQ(served, (std::vector<bool>{false, true}));
    p.advance(250);
    p.stopHandledTimer(handled);
    EXPECT_EQ(p.timerPeriod(handled), 0u);
    EXPECT_EQ(p.timerPeriod(own), 100u);
    while (p.pollEvent(e))
        p.serviceTimer(e);
    EXPECT_EQ(ticks.size(), 1u);
}

// Waiting with a socket watched and a timer running: by default the clock jumps to the tick at once; told
// that the network is real, it keeps the wall's time up to a handled timer's tick (a keep-alive's), and
// what comes on the socket meanwhile comes first; the program's own timers still jump.
TEST(HeadlessSockets, WithARealNetworkTheClockWaitsForTheSocketsInRealTime) {
    for (const auto& [networkReal, handled] : {std::pair{false, true}, std::pair{true, true}, std::pair{true, false}}) {
        const bool real = networkReal && handled;
        SCOPED_TRACE(std::string(networkReal ? "real network" : "virtual") + (handled ? ", handled" : ", own"));
        HeadlessPlatform p;
        p.networkInRealTime = networkReal;
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        p.watchSocket(fds[0], SocketReadable, [](std::int32_t, std::uint8_t) {});
        if (handled)
            p.startHandledTimer(5000, [](std::uint32_t) {});
        else
            p.startTimer(5000);
        std::thread writer([fd = fds[1]] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ASSERT_EQ(::write(fd, "x", 1), 1);
        });
        const auto began = std::chrono::steady_clock::now();
        Event e;
        ASSERT_TRUE(p.waitEvent(e));
        const auto waited = std::chrono::steady_clock::now() - began;
        writer.join();
        if (real) {
            EXPECT_EQ(e.kind, EventKind::SocketReady);
            EXPECT_GE(waited, std::chrono::milliseconds(90));
            // The clock moved with the wait, short of the tick.
            EXPECT_GE(p.tickCount(), 90u);
            EXPECT_LT(p.tickCount(), 5000u);
        } else {
            EXPECT_EQ(e.kind, EventKind::TimerTick);
            EXPECT_EQ(p.tickCount(), 5000u);
        }
        p.unwatchSocket(fds[0]);
        ::close(fds[0]);
        ::close(fds[1]);
    }
}

// A battle's own timer that runs beside the keep-alive (a pause due just after its tick): nothing waits in
// real time, the keep-alive's tick and then the battle's come at once, each at its own time on the clock,
// though bytes come on the socket a moment later; they are taken next. Waiting in real time for the
// keep-alive, the first event would be the socket's.
TEST(HeadlessSockets, WithARealNetworkTheProgramsOwnTimerIsNotHeldBackByTheKeepAlive) {
    for (const bool ownFirst : {false, true}) {
        SCOPED_TRACE(ownFirst ? "own timer due first" : "keep-alive due first");
        HeadlessPlatform p;
        p.networkInRealTime = true;
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        p.watchSocket(fds[0], SocketReadable, [](std::int32_t, std::uint8_t) {});
        const std::uint32_t keepAlive = p.startHandledTimer(ownFirst ? 1500 : 1000, [](std::uint32_t) {});
        const std::uint32_t own = p.startTimer(ownFirst ? 1000 : 1500);
        std::thread writer([fd = fds[1]] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ASSERT_EQ(::write(fd, "x", 1), 1);
        });
        const std::uint32_t first = ownFirst ? own : keepAlive, second = ownFirst ? keepAlive : own;
        EXPECT_EQ(next(p, true), "tick " + std::to_string(first) + "@1000");
        EXPECT_EQ(next(p, true), "tick " + std::to_string(second) + "@1500");
        writer.join();
        Event e;
        ASSERT_TRUE(p.waitEvent(e));
        EXPECT_EQ(e.kind, EventKind::SocketReady);
        EXPECT_EQ(p.tickCount(), 1500u);
        p.unwatchSocket(fds[0]);
        ::close(fds[0]);
        ::close(fds[1]);
    }
}

// A 4 x 3 picture whose pixel (x, y) holds index 10 * y + x, shown through palette entry i = (i, 2i, 3i).
struct Picture {
    std::vector<std::uint8_t> pixels;
    Surface surface;
    Picture(std::int32_t width, std::int32_t height, std::int32_t pitch)
        : pixels(std::size_t(pitch) * height) {
        for (std::int32_t y = 0; y < height; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                pixels[std::size_t(y) * pitch + x] = std::uint8_t(10 * y + x);
        surface = {pixels.data(), width, height, pitch};
    }
};

void rampPalette(HeadlessPlatform& p) {
    PaletteColours colours;
    for (int i = 0; i < 256; ++i)
        colours[i] = {std::uint8_t(i), std::uint8_t(2 * i), std::uint8_t(3 * i)};
    p.setPalette(colours.data(), 0, 256);
}

// The window's indexes, row by row ("|" between rows).
std::string screen(const HeadlessPlatform& p) {
    std::string rows;
    for (std::int32_t y = 0; y < p.height(); ++y)
        for (std::int32_t x = 0; x < p.width(); ++x)
            rows += std::to_string(p.index(x, y)) + (x + 1 < p.width() ? " " : y + 1 < p.height() ? "|" : "");
    return rows;
}

TEST(HeadlessWindow, ShowsAPictureThroughThePalette) {
    HeadlessPlatform p;
    ASSERT_TRUE(p.openWindow(4, 3, "Test"));
    rampPalette(p);
    Picture picture(4, 3, 8); // rows padded to 8 bytes
    p.present(picture.surface, 0, 0, nullptr, 0);
    // Indexes 0, 3, 21 and 23.
    EXPECT_EQ((Colours{p.pixel(0, 0), p.pixel(3, 0), p.pixel(1, 2), p.pixel(3, 2)}),
              (Colours{0x000000, 0x030609, 0x152A3F, 0x172E45}));
    // A changed entry changes what the screen shows at once; entries outside the palette are left out.
    const Rgb red{255, 0, 0}, blue[2] = {{0, 0, 255}, {0, 0, 255}};
    p.setPalette(&red, 21, 1);
    p.setPalette(blue, 255, 2);
    p.setPalette(blue, -1, 1);
    EXPECT_EQ((Colours{p.pixel(1, 2), p.pixel(2, 2), p.pixel(0, 0)}), (Colours{0xFF0000, 0x162C42, 0}));
}

TEST(HeadlessWindow, PresentsBoxesClippedToPictureAndWindow) {
    const char* blank = "0 0 0 0 0|0 0 0 0 0|0 0 0 0 0";
    const struct {
        std::int32_t x, y;
        Rect box; // none when empty
        std::vector<Rect> changed;
        const char* screen;
    } rows[] = {
        {0, 0, {1, 1, 2, 1}, {{1, 1, 2, 1}}, "0 0 0 0 0|0 11 12 0 0|0 0 0 0 0"},
        // a box past the picture's right and bottom, and one reaching above and left of it
        {0, 0, {2, 1, 9, 9}, {{2, 1, 2, 2}}, "0 0 0 0 0|0 0 12 13 0|0 0 22 23 0"},
        {0, 0, {-1, -1, 2, 2}, {{0, 0, 1, 1}}, blank},
        // the picture partly left of and above the window, partly right of it, just past each edge
        {-2, -1, {}, {{0, 0, 2, 2}}, "12 13 0 0 0|22 23 0 0 0|0 0 0 0 0"},
        {3, 1, {}, {{3, 1, 2, 2}}, "0 0 0 0 0|0 0 0 0 1|0 0 0 10 11"},
        {5, 0, {}, {}, blank},
        {0, 3, {}, {}, blank},
        {0, 0, {1, 1, 0, 1}, {}, blank}, // an empty box
        {0x7FFFFFF0, 0, {0x7FFFFFF0, 0, 0x7FFFFFF0, 1}, {}, blank},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.x << "," << row.y << " box " << row.box.x << "," << row.box.y
                                          << " " << row.box.width << "x" << row.box.height);
        HeadlessPlatform p;
        ASSERT_TRUE(p.openWindow(5, 3, "Test"));
        rampPalette(p);
        Picture picture(4, 3, 4);
        const bool boxed = row.box.width || row.box.height;
        p.present(picture.surface, row.x, row.y, boxed ? &row.box : nullptr, boxed ? 1 : 0);
        EXPECT_EQ(std::tuple(p.presentedBoxes, screen(p)), std::tuple(row.changed, row.screen));
    }
}

TEST(HeadlessWindow, NothingIsShownWithoutAnOpenWindow) {
    HeadlessPlatform p;
    Picture picture(4, 3, 4);
    EXPECT_FALSE(p.openWindow(0, 10, "No"));
    p.present(picture.surface, 0, 0, nullptr, 0);
    ASSERT_TRUE(p.openWindow(2, 2, "Yes"));
    p.closeWindow();
    p.present(picture.surface, 0, 0, nullptr, 0);
    EXPECT_EQ(std::tuple(p.presents, p.windowOpen()), std::tuple(0, false));
}

TEST(HeadlessDialogs, AnswerFromTheScriptThenCautiously) {
    using B = MessageButtons;
    using A = MessageAnswer;
    const std::pair<B, A> rows[] = {{B::Ok, A::Ok},
                                    {B::OkCancel, A::Cancel},
                                    {B::AbortRetryIgnore, A::Ignore},
                                    {B::YesNoCancel, A::Cancel},
                                    {B::YesNo, A::No},
                                    {B::RetryCancel, A::Cancel}};
    for (const auto& [buttons, cautious] : rows) {
        SCOPED_TRACE(int(buttons));
        HeadlessPlatform p;
        p.answers = {A::Retry};
        EXPECT_EQ((std::tuple{p.messageBox("t", "c", buttons, MessageIcon::Stop),
                              p.messageBox("t2", "c2", buttons, MessageIcon::None)}),
                  std::tuple(A::Retry, cautious));
        ASSERT_EQ(p.boxes.size(), 2u);
        EXPECT_EQ(std::tuple(p.boxes[1].text, p.boxes[1].title), std::tuple("t2", "c2"));
    }
    HeadlessPlatform p;
    p.chosenFiles = {"/data/a.vel"};
    EXPECT_EQ((std::tuple{p.chooseFile("Saved games", "*.vel"), p.chooseFile("Saved games", "*.vel")}),
              std::tuple(std::optional<std::string>("/data/a.vel"), std::nullopt));
    ASSERT_EQ(p.fileChoices.size(), 2u);
    EXPECT_EQ(p.fileChoices[0].pattern, "*.vel");
}

} // namespace
} // namespace vael::platform
