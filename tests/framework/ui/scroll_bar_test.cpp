#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "framework/ui/scroll_bar.h"
#include "framework/ui/scroll_control.h"
#include "framework/ui/spinner.h"
#include "placed_at.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/test_application.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

using Log = std::vector<std::string>;

// A picture of one colour whose last column along the axis is another, so that whole copies can be
// told from a cut one.
TestPicture marked(const std::string& name, Dim size, char colour, char mark, bool vertical) {
    TestPicture p = solidPicture(name, size, Point(), static_cast<std::uint8_t>(colour), PictureOpaque);
    for (std::int16_t y = 0; y < size.h; ++y)
        for (std::int16_t x = 0; x < size.w; ++x)
            if ((vertical ? y == size.h - 1 : x == size.w - 1))
                p.pixels[static_cast<std::size_t>(y * size.w + x)] = static_cast<std::uint8_t>(mark);
    return p;
}

// Ends and track pieces 10 long and 8 across, a 20-long slot, thumb pieces 3 long and 6 across with a
// 4-long middle.
TestGroup barGroup(const std::string& name, const char* const (&names)[10], bool vertical) {
    const auto size = [vertical](std::int16_t along, std::int16_t across) {
        return vertical ? Dim(across, along) : Dim(along, across);
    };
    const char colours[] = "LlRrtsT<m>";
    TestGroup g{name, {}};
    for (int i = 0; i < 10; ++i) {
        const std::int16_t along = i == 5 ? 20 : i == 8 ? 4 : i >= 7 ? 3 : 10;
        const std::int16_t across = i >= 7 ? 6 : 8;
        const char mark = i == 5 ? 'z' : i == 8 ? 'n' : colours[i];
        g.pictures.push_back(marked(names[i], size(along, across), colours[i], mark, vertical));
    }
    return g;
}

constexpr const char* HNames[10] = {"Left end up", "Left end down", "Right end up", "Right end down",
                                    "Left track",  "Slot",          "Right track",  "Left thumb",
                                    "Thumb mid",   "Right thumb"};
constexpr const char* VNames[10] = {"Top end up", "Top end down", "Bottom end up", "Bottom end down",
                                    "Top track",  "Slot",         "Bottom track",  "Top thumb",
                                    "Thumb mid",  "Bottom thumb"};

Log* heard = nullptr;
ScrollBar* following = nullptr; // the bar an owner moves with every step, as the scrolled view's owner would
std::uint32_t* clock = nullptr;
ContainerBase* listen(Component*, BusMessage, ContainerBase* data) {
    Dim step;
    if (Container<Dim>::fromMessage(data, step) && heard)
        heard->push_back(std::to_string(*clock) + ":" + std::to_string(step.w) + "," +
                         std::to_string(step.h));
    if (following) following->scrollBy(step);
    return nullptr;
}

// A control of a parent display on a bus of its own, with the application's system timer ticked by hand and
// what the listener hears noted with the time it heard it.
class HeldControlTest : public ::testing::Test {
protected:
    HeldControlTest() { heard = &log, clock = &app.clock; }
    ~HeldControlTest() override { heard = nullptr, clock = nullptr; }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            app.tickSystemTimer();
    }

    TestApplication app;
    TestPictures pictures;
    Bus bus{"Bus"};
    Probe listener{"Listener"};
    Log log;
};

class ScrollBarTest : public HeldControlTest {
protected:
    ScrollBarTest() {
        pictures["Scroll Bars"] =
            TestArchive{{barGroup("Horizontal", HNames, false), barGroup("Vertical", VNames, true)}};
        listener.setup = [](Probe& p) { p.connect(SCROLL_TO, &listen); };
        listener.attach(bus);
    }
    ~ScrollBarTest() override { following = nullptr; }

    // Content 1000 on a track of 200 pixels from x 10: a fifth of a pixel per unit.
    void place(ScrollBar& bar, const Box& box = Box(0, 0, 220, 8)) {
        bar.attach(bus);
        bar.setParent(&parent, placedAt(box));
        bar.draw();
    }
    void mouse(std::int16_t kind, Point p) { parent.routeMouseEvent(kind, p); }
    char at(std::int16_t x, std::int16_t y) {
        return static_cast<char>(parent.bits()[y * parent.stride() + x]);
    }
    std::string row(std::int16_t y, std::int16_t from, std::int16_t to) {
        return rowsOf(parent)[static_cast<std::size_t>(y)].substr(static_cast<std::size_t>(from),
                                                                  static_cast<std::size_t>(to - from));
    }
    bool released(ScrollBar& bar) {
        return parent.captured() == nullptr && !bar.isMouseEventEnabled(MouseMoved) &&
               !bar.isMouseEventEnabled(MouseLeftUp) && !bar.timerActive();
    }

    TestDisplay parent{Dim(240, 240), "parent"};
};

TEST_F(ScrollBarTest, TheTrackSpansTheBarBetweenItsEndsOnceTheBarIsPlaced) {
    HScrollBar h(1000, 300, 100);
    EXPECT_EQ(h.getTrack(), Box(10, 1, -20, 6)); // made before it is placed
    place(h);
    EXPECT_EQ(h.getTrack(), Box(10, 1, 200, 6));
    h.scrollTo(Point(300, 0));
    EXPECT_EQ(h.getThumb(), Box(70, 1, 20, 6));
    VScrollBar v(1000, 300, 100);
    place(v, Box(230, 0, 8, 220));
    v.setViewSize(Dim(999, 100)); // only its own axis
    EXPECT_EQ((std::tuple{v.getTrack(), v.getThumb(), v.getView().w}),
              (std::tuple{Box(1, 10, 6, 200), Box(1, 70, 6, 20), std::int16_t(0)}));
    EXPECT_EQ(v.trackToContentY(110), 500);
    EXPECT_EQ(h.contentToTrackX(500), 110);
}

TEST_F(ScrollBarTest, AHeldArrowStepsAtOnceThenOnTheSixthTickAndEveryTickAfterUntilReleased) {
    HScrollBar bar(1000, 0, 100);
    place(bar);
    mouse(MouseLeftDown, Point(215, 4));
    EXPECT_EQ(at(215, 4), 'r');
    ticks(5);
    EXPECT_EQ(log, Log{"0:1,0"});
    ticks(2);
    EXPECT_EQ(log, (Log{"0:1,0", "600:1,0", "700:1,0"}));
    mouse(MouseLeftUp, Point(215, 4));
    EXPECT_TRUE(released(bar));
    EXPECT_EQ((std::tuple{at(215, 4), app.log.back(), bar.scrollStep()}),
              (std::tuple{'R', std::string("stopTimer"), Dim()}));
}

TEST_F(ScrollBarTest, RepeatingStopsAtTheContentsEndAsTheOwnerMovesTheBar) {
    HScrollBar bar(1000, 898, 100);
    place(bar);
    following = &bar;
    mouse(MouseLeftDown, Point(215, 4));
    ticks(8);
    EXPECT_EQ(log, (Log{"0:1,0", "600:1,0"}));
    EXPECT_EQ(bar.getView().x, 900);
}

TEST_F(ScrollBarTest, AnArrowAtItsLimitStepsNothingButShowsDownUntilTheRelease) {
    const struct {
        const char* what;
        std::int16_t viewX;
        Point press;
        char down, up;
    } rows[] = {{"first arrow at 0", 0, Point(5, 4), 'l', 'L'},
                {"second arrow at the end", 900, Point(215, 4), 'r', 'R'}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        HScrollBar bar(1000, r.viewX, 100);
        place(bar);
        app.log.clear();
        mouse(MouseLeftDown, r.press);
        mouse(MouseMoved, r.press + Point(1, 1)); // about on the arrow
        EXPECT_EQ((std::tuple{at(r.press.x, 0), bar.timerActive(), parent.captured()}),
                  (std::tuple{r.down, std::int16_t(0), static_cast<Display*>(&bar)}));
        mouse(MouseLeftUp, r.press);
        EXPECT_EQ(at(r.press.x, 0), r.up);
        EXPECT_EQ((std::tuple{log, app.log}), (std::tuple{Log{}, Log{}}));
    }
}

TEST_F(ScrollBarTest, APressBesideTheThumbPagesByAtMostOneView) {
    const struct {
        std::int16_t viewX, pressX;
        const char* heard;
    } rows[] = {
        {30, 15, "0:-30,0"},   // thumb at 16
        {300, 20, "0:-100,0"}, // thumb 70 to 90
        {300, 10, "0:-100,0"}, // the track's first pixel
        {300, 9, "0:-1,0"},    // the arrow's last
        {300, 69, "0:-100,0"}, // next to the thumb
        {300, 70, ""},         // the thumb: a drag begins
        {300, 89, ""},         // still the thumb
        {300, 90, "0:100,0"},  // just past it
        {300, 209, "0:100,0"}, // the track's last pixel
        {300, 210, "0:1,0"},   // the arrow's first
        {820, 195, "0:80,0"},  // thumb 174 to 194: the rest of the content
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "view " << r.viewX << " press " << r.pressX);
        log.clear();
        HScrollBar bar(1000, r.viewX, 100);
        place(bar);
        bar.scrollTo(Point(r.viewX, 0));
        mouse(MouseLeftDown, Point(r.pressX, 4));
        EXPECT_EQ(log, *r.heard ? Log{r.heard} : Log{});
        EXPECT_EQ(bar.dragging(), *r.heard ? 0 : 1);
        mouse(MouseLeftUp, Point(r.pressX, 4));
    }
}

TEST_F(ScrollBarTest, PagingStopsWhenTheThumbReachesThePointer) {
    HScrollBar bar(1000, 0, 100);
    place(bar);
    following = &bar;
    mouse(MouseLeftDown, Point(150, 4));
    ticks(12);
    EXPECT_EQ(log, (Log{"0:100,0", "600:100,0", "700:100,0", "800:100,0", "900:100,0", "1000:100,0",
                        "1100:100,0"}));
    EXPECT_EQ(bar.getThumb(), Box(150, 1, 20, 6));
    EXPECT_TRUE(released(bar));
}

TEST_F(ScrollBarTest, CrossingTheTracksEdgeWhileRepeatingEndsIt) {
    const struct {
        const char* what;
        Point to;
        bool ends;
    } rows[] = {
        {"along the track", Point(10, 4), false},
        {"onto the arrow", Point(9, 4), true},
        {"the bar's last row", Point(20, 7), false},
        {"off the bar's side", Point(20, 8), true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        HScrollBar bar(1000, 300, 100);
        place(bar);
        mouse(MouseLeftDown, Point(20, 4));
        mouse(MouseMoved, r.to);
        EXPECT_EQ(released(bar), r.ends);
        if (!r.ends) mouse(MouseLeftUp, r.to);
    }
}

TEST_F(ScrollBarTest, DraggingTheThumbStopsExactlyAtTheContentsEnds) {
    HScrollBar bar(1000, 300, 100);
    place(bar);
    bar.scrollTo(Point(300, 0)); // the owner sets the view once the bar is placed
    following = &bar;
    mouse(MouseLeftDown, Point(75, 4));
    EXPECT_EQ(bar.grabOffset(), Point(5, 3));
    for (std::int16_t x : {115, 300, 301, 0, -50})
        mouse(MouseMoved, Point(x, 4));
    EXPECT_EQ(log, (Log{"0:200,0", "0:400,0", "0:-900,0"}));
    mouse(MouseLeftUp, Point(0, 4));
    EXPECT_TRUE(released(bar));
    EXPECT_EQ(bar.dragging(), 0);
}

TEST_F(ScrollBarTest, AViewLargerThanTheContentGivesNoStepsToDrag) {
    HScrollBar bar(100, 0, 140);
    place(bar);
    bar.scrollTo(Point(0, 0));
    EXPECT_EQ((std::tuple{bar.getView().x, bar.getThumb()}),
              (std::tuple{std::int16_t(-20), Box(-30, 1, 280, 6)}));
    mouse(MouseLeftDown, Point(100, 4));
    mouse(MouseMoved, Point(150, 4));
    mouse(MouseMoved, Point(10, 4));
    EXPECT_EQ(log, Log{});
    mouse(MouseLeftUp, Point(10, 4));
}

TEST_F(ScrollBarTest, TheTrackTilesItsSlotAndTheThumbItsMiddleWithACutLastCopy) {
    RedIsIndex colours;
    HScrollBar bar(205, 50, 31);
    place(bar, Box(0, 0, 225, 8));
    bar.scrollTo(Point(50, 0));
    std::string slots;
    for (int i = 0; i < 9; ++i)
        slots += std::string(19, 's') + "z";
    EXPECT_EQ(row(0, 0, 225), std::string(10, 'L') + std::string(9, 't') + "t" + slots + "sssss" +
                                  std::string(10, 'T') + std::string(10, 'R'));
    std::string middle;
    for (int i = 0; i < 6; ++i)
        middle += "mmmn";
    EXPECT_EQ(row(1, 59, 92), "z<<<" + middle + "m>>>s");
}

TEST_F(ScrollBarTest, TheVerticalBarStepsAndDrawsDownItsAxis) {
    VScrollBar bar(1000, 300, 100);
    place(bar, Box(0, 0, 8, 220));
    bar.scrollTo(Point(0, 300));
    mouse(MouseLeftDown, Point(4, 215));
    mouse(MouseLeftUp, Point(4, 215));
    mouse(MouseLeftDown, Point(4, 20));
    mouse(MouseLeftUp, Point(4, 20));
    EXPECT_EQ(log, (Log{"0:0,1", "0:0,-100"}));
    std::string column;
    for (std::int16_t y = 0; y < 220; y += 10)
        column += at(0, y);
    EXPECT_EQ(column, "Lt" + std::string(18, 's') + "TR");
    EXPECT_EQ(std::string() + at(1, 69) + at(1, 70) + at(1, 73) + at(1, 89) + at(1, 90), "s<m>s");
}

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

// What the spinner announces, as "time:name value".
Spinner* watched = nullptr;
ContainerBase* hearSpinner(Component*, BusMessage event, ContainerBase*) {
    if (heard)
        heard->push_back(std::to_string(*clock) + ":" +
                         RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id())) + " " +
                         std::to_string(watched->value()));
    return nullptr;
}

class PointerDisplay : public TestDisplay {
public:
    using TestDisplay::TestDisplay;
    Point cursorPosition() override { return cursor; }
    Point cursor;
};

const Point Origin(10, 5);

class SpinnerTest : public HeldControlTest {
protected:
    SpinnerTest() {
        pictures["Spinner"] = TestArchive{
            {solidGroup("Vertical", {"Top end up", "Top end down", "Bottom end up", "Bottom end down"},
                        Dim(12, 9), "UuDd")}};
        pictures["MS Sans Serif 2"] = dialogGlyphs();
        listener.setup = [](Probe& p) {
            p.connectNamed("SPINNER_INCREMENT", &hearSpinner);
            p.connectNamed("SPINNER_DECREMENT", &hearSpinner);
        };
        listener.attach(bus);
    }
    ~SpinnerTest() override {
        Spinner::closeSharedFont();
        watched = nullptr;
    }

    void place(Spinner& spinner) {
        watched = &spinner;
        spinner.attach(bus);
        spinner.setParent(&parent, placedAt(Box(Origin, Dim(60, 21))));
        spinner.draw();
    }
    // Kinds in the spinner's own pixels; the pointer follows.
    void mouse(std::int16_t kind, Point p) {
        parent.cursor = p + Origin;
        parent.routeMouseEvent(kind, p + Origin);
    }
    char at(Point p) {
        return static_cast<char>(parent.bits()[(p.y + Origin.y) * parent.stride() + p.x + Origin.x]);
    }

    PointerDisplay parent{Dim(100, 40), "parent"};
};

const Point OnUp(50, 4), OnDown(50, 14);

TEST_F(SpinnerTest, OnlyAPressOnAnArrowStepsAndTakesTheMouse) {
    const struct {
        Point press;
        std::int16_t value;
        const char* heard;
    } rows[] = {
        {Point(46, 5), 5, ""},
        {Point(47, 1), 6, "0:SPINNER_INCREMENT 6"},
        {Point(58, 9), 6, "0:SPINNER_INCREMENT 6"},
        {Point(59, 5), 5, ""},
        {Point(47, 0), 5, ""},
        {Point(50, 10), 5, ""},
        {Point(50, 11), 4, "0:SPINNER_DECREMENT 4"},
        {Point(50, 19), 4, "0:SPINNER_DECREMENT 4"},
        {Point(50, 20), 5, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "press at " << r.press.x << "," << r.press.y);
        log.clear();
        Spinner spinner(1, 9, 5, 1);
        place(spinner);
        EXPECT_EQ((std::tuple{spinner.upBox(), spinner.downBox()}),
                  (std::tuple{Box(47, 1, 12, 9), Box(47, 11, 12, 9)}));
        mouse(MouseLeftDown, r.press);
        EXPECT_EQ(spinner.value(), r.value);
        EXPECT_EQ(log, *r.heard ? Log{r.heard} : Log{});
        EXPECT_EQ(parent.captured(), *r.heard ? &spinner : nullptr);
        mouse(MouseLeftUp, r.press);
        EXPECT_EQ((std::tuple{parent.captured(), spinner.timerActive()}),
                  (std::tuple{nullptr, std::int16_t(0)}));
    }
}

TEST_F(SpinnerTest, AStepStopsAtTheLimitAndIsAnnouncedAgainThere) {
    Spinner spinner(1, 5, 4, 2);
    place(spinner);
    for (int i = 0; i < 2; ++i)
        mouse(MouseLeftDown, OnUp), mouse(MouseLeftUp, OnUp);
    EXPECT_EQ(log, (Log{"0:SPINNER_INCREMENT 5", "0:SPINNER_INCREMENT 5"}));
}

TEST_F(SpinnerTest, AHeldArrowRepeatsOnTheSixthTickThenEveryTickAndKeepsAnnouncingAtTheLimit) {
    Spinner spinner(1, 9, 5, 1);
    place(spinner);
    mouse(MouseLeftDown, OnDown);
    EXPECT_EQ(at(OnDown), 'd');
    ticks(5);
    EXPECT_EQ(log, Log{"0:SPINNER_DECREMENT 4"});
    ticks(4);
    EXPECT_EQ(log, (Log{"0:SPINNER_DECREMENT 4", "300:SPINNER_DECREMENT 3", "350:SPINNER_DECREMENT 2",
                        "400:SPINNER_DECREMENT 1", "450:SPINNER_DECREMENT 1"}));
    mouse(MouseLeftUp, OnDown);
    ticks(3);
    EXPECT_EQ(log.size(), 5u);
    EXPECT_EQ((std::tuple{at(OnDown), app.log.back()}), (std::tuple{'D', std::string("stopTimer")}));
}

TEST_F(SpinnerTest, RepeatingPausesWhileThePointerIsOffTheArrow) {
    Spinner spinner(1, 9, 1, 1);
    place(spinner);
    mouse(MouseLeftDown, OnUp);
    ticks(5);
    parent.cursor = Point(46, 4) + Origin; // just left of the arrow
    ticks(2);
    EXPECT_EQ((std::tuple{spinner.value(), at(OnUp), spinner.upShownDown()}),
              (std::tuple{std::int16_t(2), 'U', false}));
    parent.cursor = Point(47, 4) + Origin;
    ticks(1);
    EXPECT_EQ((std::tuple{spinner.value(), at(OnUp)}), (std::tuple{std::int16_t(3), 'u'}));
    mouse(MouseLeftUp, OnUp);
}

TEST_F(SpinnerTest, ADoubleClickIsASecondPress) {
    Spinner spinner(0, 9, 0, 1);
    place(spinner);
    for (std::int16_t kind : {MouseLeftDown, MouseLeftUp, MouseLeftDoubleClick, MouseLeftUp})
        mouse(kind, OnUp);
    EXPECT_EQ(spinner.value(), 2);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(SpinnerTest, AValueOutsideTheLimitsIsKeptAndDrawnCentredLeftOfTheArrows) {
    RedIsIndex colours;
    Spinner spinner(1, 9, 5, 1);
    place(spinner);
    parent.fill('x'); // the host would repaint its background; this one shows what the spinner drew
    spinner.setValue(42);
    EXPECT_EQ(spinner.value(), 42);
    // "42" is 3 + 4 wide and 4 + 3 high: x = 47 / 2 - 7 / 2 = 20, baseline 21 / 2 + 7 / 2 = 13, tops at 9.
    const std::vector<std::string> rows = rowsOf(parent);
    std::vector<std::string> drawn;
    for (int y = 8; y <= 15; ++y)
        drawn.push_back(rows[y + Origin.y].substr(19 + Origin.x, 8));
    EXPECT_EQ(drawn, (std::vector<std::string>{"xxxxxxxx", "x44x222x", "x44x222x", "x44x222x", "x44x222x",
                                               "x44x222x", "x44x222x", "xxxxxxxx"}));
    EXPECT_EQ((std::tuple{at(Point(0, 0)), at(Point(59, 20)), at(Point(1, 1)), at(Point(47, 1)),
                          at(Point(47, 11))}),
              (std::tuple{'\0', '\0', 'x', 'U', 'D'}));
}

TEST_F(SpinnerTest, ADeafSpinnerIgnoresPressesUntilHeardAgain) {
    Spinner spinner(1, 9, 5, 1);
    place(spinner);
    spinner.setMouseEnabled(0);
    mouse(MouseLeftDown, OnUp);
    mouse(MouseLeftDoubleClick, OnUp);
    EXPECT_EQ((std::tuple{spinner.value(), spinner.isMouseEventEnabled(MouseLeftDown),
                          spinner.isMouseEventEnabled(MouseLeftDoubleClick)}),
              (std::tuple{std::int16_t(5), std::int16_t(0), std::int16_t(0)}));
    spinner.setMouseEnabled(1);
    mouse(MouseLeftDown, OnUp);
    mouse(MouseLeftUp, OnUp);
    EXPECT_EQ(spinner.value(), 6);
}

TEST_F(SpinnerTest, DestroyingAHeldSpinnerFreesItsTimer) {
    {
        Spinner spinner(1, 9, 5, 1);
        place(spinner);
        mouse(MouseLeftDown, OnUp);
        EXPECT_EQ(app.timer(0).state, TimerCallback::Running);
    }
    EXPECT_EQ(app.timer(0).state, TimerCallback::Free);
    ticks(10);
    EXPECT_EQ(log.size(), 1u);
}

} // namespace
} // namespace vael::test
