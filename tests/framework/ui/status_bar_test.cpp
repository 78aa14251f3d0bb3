#include <gtest/gtest.h>

#include "framework/core/command_records.h"
#include "framework/ui/status_bar.h"
#include "support/failed_checks.h"
#include "support/ui/test_frame.h"
#include "support/ui/test_win_app.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

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
    struct Row {
        int x;
        std::uint8_t index;
    } rows[] = {{0, 1}, {11, 1}, {12, 2}, {77, 2}, {78, 4}, {83, 4}, {84, 2}, {89, 2}, {90, 3}, {99, 3}};
    for (const Row& r : rows) {
        SCOPED_TRACE("x " + std::to_string(r.x));
        EXPECT_EQ(bar->bits()[r.x + 5 * bar->stride()], r.index);
    }
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
