#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "framework/core/registered_message.h"
#include "framework/ui/spinner.h"
#include "placed_at.h"
#include "support/test_application.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

using Log = std::vector<std::string>;

// What the spinner announces, as "time:name value".
Log* heard = nullptr;
Spinner* watched = nullptr;
std::uint32_t* clock = nullptr;
ContainerBase* listen(Component*, BusMessage event, ContainerBase*) {
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

class SpinnerTest : public ::testing::Test {
protected:
    SpinnerTest() {
        heard = &log;
        clock = &app.clock;
        pictures["Spinner"] = TestArchive{
            {solidGroup("Vertical", {"Top end up", "Top end down", "Bottom end up", "Bottom end down"},
                        Dim(12, 9), "UuDd")}};
        pictures["MS Sans Serif 2"] = dialogGlyphs();
        listener.setup = [](Probe& p) {
            p.connectNamed("SPINNER_INCREMENT", &listen);
            p.connectNamed("SPINNER_DECREMENT", &listen);
        };
        listener.attach(bus);
    }
    ~SpinnerTest() override {
        Spinner::closeSharedFont();
        heard = nullptr, watched = nullptr, clock = nullptr;
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
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            app.tickSystemTimer();
    }
    char at(Point p) {
        return static_cast<char>(parent.bits()[(p.y + Origin.y) * parent.stride() + p.x + Origin.x]);
    }

    TestApplication app;
    TestPictures pictures;
    Bus bus{"Bus"};
    Probe listener{"Listener"};
    PointerDisplay parent{Dim(100, 40), "parent"};
    Log log;
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
    EXPECT_EQ(rows[9 + Origin.y].substr(19 + Origin.x, 8), "x44x222x");
    EXPECT_EQ(rows[14 + Origin.y].substr(19 + Origin.x, 8), "x44x222x");
    EXPECT_EQ(rows[8 + Origin.y].substr(19 + Origin.x, 8), "xxxxxxxx");
    EXPECT_EQ(rows[15 + Origin.y].substr(19 + Origin.x, 8), "xxxxxxxx");
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
