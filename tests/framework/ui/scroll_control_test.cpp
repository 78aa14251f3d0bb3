#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "framework/core/bus_event.h"
#include "framework/ui/scroll_control.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"

namespace vael::test {
namespace {

class Plain : public ScrollControl {
public:
    using ScrollControl::ScrollControl;
    void enableMouseEvents() override {}
    void setView(const Box& view) { view_ = view; }
    void setThumb(const Box& thumb) { thumb_ = thumb; }
};

TEST(ScrollControl, AViewLargerThanTheContentIsCentredAndOthersAreKeptInside) {
    const struct {
        std::int16_t content, x, w, expected, changed;
    } rows[] = {
        {100, 0, 140, -20, 1}, {100, 0, 101, 0, 1},  {100, 0, 100, 0, 0},  {100, -1, 50, 0, 1},
        {100, 0, 50, 0, 0},    {100, 50, 50, 50, 0}, {100, 51, 50, 50, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "content " << r.content << " view " << r.x << "+" << r.w);
        Plain control(Dim(r.content, r.content));
        control.setView(Box(r.x, r.x, r.w, r.w));
        EXPECT_EQ(control.clampView(), r.changed);
        EXPECT_EQ(control.getView(), Box(r.expected, r.expected, r.w, r.w));
    }
}

TEST(ScrollControl, AThumbLargerThanTheTrackIsCentredAndOthersAreKeptInside) {
    const struct {
        std::int16_t x, w, expected, changed;
    } rows[] = {
        {0, 201, 10, 1}, {0, 240, -10, 1},  {9, 50, 10, 1},
        {10, 50, 10, 0}, {160, 50, 160, 0}, {161, 50, 160, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "thumb " << r.x << "+" << r.w);
        Plain control(Dim(1000, 1000));
        control.setTrack(Box(10, 0, 200, 0));
        control.setThumb(Box(r.x, 0, r.w, 0));
        EXPECT_EQ(control.clampThumb(), r.changed);
        EXPECT_EQ(control.getThumb(), Box(r.expected, 0, r.w, 0));
    }
}

TEST(ScrollControl, TheThumbMapsTheViewIntoTheTrack) {
    Plain control(Dim(1000, 500));
    control.setTrack(Box(10, 4, 200, 100));
    control.setViewSize(Dim(250, 50));
    control.scrollTo(Point(300, 20));
    EXPECT_EQ(control.getThumb(), Box(70, 8, 50, 10));
    control.scrollBy(Dim(500, 500)); // past the end: kept inside
    EXPECT_EQ(control.getView(), Box(750, 450, 250, 50));
    EXPECT_EQ(control.getThumb(), Box(160, 94, 50, 10));
}

TEST(ScrollControl, EverySetComputesBothScalesAgain) {
    Plain control(Dim(1000, 500));
    control.setTrack(Box(10, 0, 200, 100));
    EXPECT_EQ(control.trackToContent(Point(110, 50)), Point(500, 250));
    control.setContentSize(Dim(400, 100));
    EXPECT_EQ(control.trackToContent(Point(110, 50)), Point(200, 50));
    control.setTrackSize(Dim(100, 50));
    EXPECT_EQ(control.trackToContent(Point(110, 50)), Point(400, 100));
    EXPECT_EQ(control.contentToTrack(Point(399, 99)), Point(109, 49)); // 99.75 and 49.5 truncated
    EXPECT_EQ(control.contentToTrackBox(Box(4, 2, 8, 6)), Box(11, 1, 2, 3));
    EXPECT_EQ(control.trackToContentBox(Box(11, 1, 2, 3)), Box(4, 2, 8, 6));
    EXPECT_EQ(control.trackToContentDim(Dim(3, 3)), Dim(12, 6));
}

TEST(ScrollControl, AnAxisWithoutContentMapsToZeroInsteadOfDividingByIt) {
    Plain control(Dim(0, 0));
    control.setTrack(Box(10, 4, 200, 100));
    EXPECT_EQ((std::pair{control.xScale(), control.yScale()}), (std::pair{0.0f, 0.0f}));
    EXPECT_EQ(control.contentToTrack(Point(50, 50)), Point(10, 4));
    EXPECT_EQ(control.trackToContent(Point(110, 50)), Point(0, 0));
    // Lengths far past 16 bits saturate rather than wrap.
    control.setContentSize(Dim(1, 1));
    EXPECT_EQ(control.contentToTrackDim(Dim(32767, -32768)), Dim(32767, -32768));
}

class ScrollToTest : public RecorderTest {
protected:
    Bus bus{"Bus"};
    Probe sender{"Sender"};
    Plain control{Dim(100, 100)};
    void SetUp() override {
        RecorderTest::SetUp();
        control.setTrack(Box(0, 0, 100, 100));
        control.setViewSize(Dim(50, 50));
        control.attach(bus);
        sender.attach(bus);
    }
};

TEST_F(ScrollToTest, APointScrollsToItAndASizeScrollsByIt) {
    Container<Point> to(Point(40, 10));
    sender.send(SCROLL_TO, &to);
    EXPECT_EQ(control.getView(), Box(40, 10, 50, 50));
    Container<Dim> by(Dim(5, -20));
    sender.send(SCROLL_TO, &by);
    EXPECT_EQ(control.getView(), Box(45, 0, 50, 50));
}

TEST_F(ScrollToTest, AnyOtherPayloadIsReportedAndMovesNothing) {
    FailedChecks checks;
    Container<short> wrong(5);
    sender.send(SCROLL_TO, &wrong);
    sender.sendEmpty(SCROLL_TO);
    EXPECT_EQ(checks.texts,
              (std::vector<std::string>(2, "Bad data passed in bus message -- SCROLL_TO  Abort?")));
    EXPECT_EQ(control.getView(), Box(0, 0, 50, 50));
}

} // namespace
} // namespace vael::test
