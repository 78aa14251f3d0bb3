#include "platform/headless/headless_platform.h"

#include <gtest/gtest.h>
#include <vector>

namespace vael::platform {
namespace {

Event posted(std::uint32_t message) {
    Event e;
    e.kind = EventKind::Posted;
    e.posted.message = message;
    return e;
}

TEST(HeadlessTimer, TicksAtItsPeriodAndKeepsOneTickWaiting) {
    HeadlessPlatform p;
    const std::uint32_t id = p.startTimer(100);
    ASSERT_NE(id, 0u);
    Event e;
    p.advance(99);
    EXPECT_FALSE(p.pollEvent(e));
    p.advance(1);
    ASSERT_TRUE(p.pollEvent(e));
    EXPECT_EQ(e.kind, EventKind::TimerTick);
    EXPECT_EQ(e.timer, id);
    EXPECT_EQ(e.time, 100u);
    // The tick of 200 waits; those of 300 and 400 fall due meanwhile and are lost; the next is at 500.
    p.advance(350); // now 450
    ASSERT_TRUE(p.pollEvent(e));
    EXPECT_EQ(e.time, 200u);
    EXPECT_FALSE(p.pollEvent(e));
    p.advance(49);
    EXPECT_FALSE(p.pollEvent(e));
    p.advance(1);
    ASSERT_TRUE(p.pollEvent(e));
    EXPECT_EQ(e.time, 500u);
    EXPECT_EQ(p.tickCount(), 500u);
}

TEST(HeadlessTimer, AStoppedTimersWaitingTickIsDroppedAndZeroPeriodIsRefused) {
    HeadlessPlatform p;
    EXPECT_EQ(p.startTimer(0), 0u);
    const std::uint32_t a = p.startTimer(10), b = p.startTimer(15);
    EXPECT_NE(a, b);
    p.postEvent(posted(1));
    p.advance(15); // a's tick at 10, then b's at 15
    EXPECT_EQ(p.queuedEvents(), 3u);
    EXPECT_TRUE(p.stopTimer(a));
    EXPECT_FALSE(p.stopTimer(a));
    EXPECT_EQ(p.timerPeriod(a), 0u);
    EXPECT_EQ(p.timerPeriod(b), 15u);
    std::vector<std::pair<EventKind, std::uint32_t>> got;
    for (Event e; p.pollEvent(e);)
        got.emplace_back(e.kind, e.kind == EventKind::TimerTick ? e.timer : e.posted.message);
    EXPECT_EQ(got, (std::vector<std::pair<EventKind, std::uint32_t>>{{EventKind::Posted, 1},
                                                                     {EventKind::TimerTick, b}}));
}

TEST(HeadlessQueue, WaitingMovesTheClockToTheNextTickOnlyWhenNothingIsQueued) {
    HeadlessPlatform p;
    Event e;
    EXPECT_FALSE(p.waitEvent(e)); // nothing will ever come
    p.startTimer(40);
    p.postEvent(posted(7));
    ASSERT_TRUE(p.waitEvent(e));
    EXPECT_EQ(e.posted.message, 7u);
    EXPECT_EQ(p.tickCount(), 0u);
    ASSERT_TRUE(p.waitEvent(e));
    EXPECT_EQ(e.kind, EventKind::TimerTick);
    EXPECT_EQ(e.time, 40u);
    EXPECT_EQ(p.tickCount(), 40u);
    EXPECT_TRUE(p.waitEvent(e));
    EXPECT_EQ(e.time, 80u);
    EXPECT_FALSE(p.eventWaiting());
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

// The window as rows of indexes; '.' where entry 0 shows (nothing presented).
std::vector<std::vector<int>> screen(const HeadlessPlatform& p) {
    std::vector<std::vector<int>> rows(p.height(), std::vector<int>(p.width()));
    for (std::int32_t y = 0; y < p.height(); ++y)
        for (std::int32_t x = 0; x < p.width(); ++x)
            rows[y][x] = p.index(x, y);
    return rows;
}

TEST(HeadlessWindow, ShowsAPictureThroughThePalette) {
    HeadlessPlatform p;
    ASSERT_TRUE(p.openWindow(4, 3, "Test"));
    rampPalette(p);
    Picture picture(4, 3, 8); // rows padded to 8 bytes
    p.present(picture.surface, 0, 0, nullptr, 0);
    EXPECT_EQ(p.pixel(0, 0), 0x000000u);
    EXPECT_EQ(p.pixel(3, 0), 0x030609u);
    EXPECT_EQ(p.pixel(1, 2), 0x152A3Fu); // index 21
    EXPECT_EQ(p.pixel(3, 2), 0x172E45u); // index 23
    // A changed entry changes what the screen shows at once.
    const Rgb red{255, 0, 0};
    p.setPalette(&red, 21, 1);
    EXPECT_EQ(p.pixel(1, 2), 0xFF0000u);
    EXPECT_EQ(p.pixel(2, 2), 0x162C42u);
    // Entries outside the palette are left out.
    const Rgb blue[2] = {{0, 0, 255}, {0, 0, 255}};
    p.setPalette(blue, 255, 2);
    p.setPalette(blue, -1, 1);
    EXPECT_EQ(p.pixel(0, 0), 0x000000u);
}

TEST(HeadlessWindow, PresentsBoxesClippedToPictureAndWindow) {
    const struct {
        const char* what;
        std::int32_t x, y;
        Rect box;
        std::vector<Rect> changed;
        std::vector<std::vector<int>> screen;
    } rows[] = {
        {"one box",
         0,
         0,
         {1, 1, 2, 1},
         {{1, 1, 2, 1}},
         {{0, 0, 0, 0, 0}, {0, 11, 12, 0, 0}, {0, 0, 0, 0, 0}}},
        {"box past the picture's right and bottom",
         0,
         0,
         {2, 1, 9, 9},
         {{2, 1, 2, 2}},
         {{0, 0, 0, 0, 0}, {0, 0, 12, 13, 0}, {0, 0, 22, 23, 0}}},
        {"box reaching above and left of the picture",
         0,
         0,
         {-1, -1, 2, 2},
         {{0, 0, 1, 1}},
         {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}},
        {"picture partly left of and above the window",
         -2,
         -1,
         {},
         {{0, 0, 2, 2}},
         {{12, 13, 0, 0, 0}, {22, 23, 0, 0, 0}, {0, 0, 0, 0, 0}}},
        {"picture partly right of the window",
         3,
         1,
         {},
         {{3, 1, 2, 2}},
         {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 1}, {0, 0, 0, 10, 11}}},
        {"picture just past the right edge",
         5,
         0,
         {},
         {},
         {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}},
        {"picture just below the bottom edge",
         0,
         3,
         {},
         {},
         {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}},
        {"empty box", 0, 0, {1, 1, 0, 1}, {}, {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}},
        {"box far out of range",
         0x7FFFFFF0,
         0,
         {0x7FFFFFF0, 0, 0x7FFFFFF0, 1},
         {},
         {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        HeadlessPlatform p;
        ASSERT_TRUE(p.openWindow(5, 3, "Test"));
        rampPalette(p);
        Picture picture(4, 3, 4);
        p.present(picture.surface, row.x, row.y, row.box.width || row.box.height ? &row.box : nullptr,
                  row.box.width || row.box.height ? 1 : 0);
        EXPECT_EQ(p.presentedBoxes, row.changed);
        EXPECT_EQ(screen(p), row.screen);
    }
}

TEST(HeadlessWindow, NothingIsShownWithoutAnOpenWindow) {
    HeadlessPlatform p;
    EXPECT_FALSE(p.openWindow(0, 10, "No"));
    Picture picture(4, 3, 4);
    p.present(picture.surface, 0, 0, nullptr, 0);
    EXPECT_EQ(p.presents, 0);
    ASSERT_TRUE(p.openWindow(2, 2, "Yes"));
    p.closeWindow();
    p.present(picture.surface, 0, 0, nullptr, 0);
    EXPECT_EQ(p.presents, 0);
    EXPECT_FALSE(p.windowOpen());
}

TEST(HeadlessDialogs, AnswerFromTheScriptThenCautiously) {
    const struct {
        MessageButtons buttons;
        MessageAnswer cautious;
    } rows[] = {
        {MessageButtons::Ok, MessageAnswer::Ok},
        {MessageButtons::OkCancel, MessageAnswer::Cancel},
        {MessageButtons::AbortRetryIgnore, MessageAnswer::Ignore},
        {MessageButtons::YesNoCancel, MessageAnswer::Cancel},
        {MessageButtons::YesNo, MessageAnswer::No},
        {MessageButtons::RetryCancel, MessageAnswer::Cancel},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.buttons));
        HeadlessPlatform p;
        p.answers = {MessageAnswer::Retry};
        EXPECT_EQ(p.messageBox("t", "c", row.buttons, MessageIcon::Stop), MessageAnswer::Retry);
        EXPECT_EQ(p.messageBox("t2", "c2", row.buttons, MessageIcon::None), row.cautious);
        ASSERT_EQ(p.boxes.size(), 2u);
        EXPECT_EQ(p.boxes[1].text, "t2");
        EXPECT_EQ(p.boxes[1].title, "c2");
    }
    HeadlessPlatform p;
    p.chosenFiles = {"/data/a.vel"};
    EXPECT_EQ(p.chooseFile("Saved games", "*.vel"), "/data/a.vel");
    EXPECT_EQ(p.chooseFile("Saved games", "*.vel"), std::nullopt);
    ASSERT_EQ(p.fileChoices.size(), 2u);
    EXPECT_EQ(p.fileChoices[0].pattern, "*.vel");
}

} // namespace
} // namespace vael::platform
