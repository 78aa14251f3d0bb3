#include <gtest/gtest.h>

#include <array>

#include "framework/core/bus.h"
#include "framework/ui/dialog_control.h"
#include "support/bus_recorder.h"
#include "support/ui/test_win_app.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

std::vector<std::int32_t>* heardIds = nullptr;
ContainerBase* hear(Component*, BusMessage event, ContainerBase*) {
    if (heardIds) heardIds->push_back(event.id());
    return nullptr;
}

std::uint8_t focusColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return r == 100 && g == 100 && b == 100 ? 'F' : 'x';
}

// The grey table of the tests turns the three "Up" pictures into their own disabled colours.
const std::uint8_t* greyTable() {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[i] = static_cast<std::uint8_t>(i);
        t['u'] = 'g', t['U'] = 'v', t['R'] = 'w';
        return t;
    }();
    return table.data();
}

TestGroup group(const char* name, char up, char down, Dim size, char check = 0) {
    TestGroup g = solidGroup(name, {"Up", "Down"}, size, {up, down});
    if (check)
        g.pictures.push_back(solidPicture("Check", Dim(4, 4), Point(), std::uint8_t(check), PictureOpaque));
    return g;
}

class DialogControlTest : public ::testing::Test {
protected:
    DialogControlTest() {
        pictures["MS Sans Serif 2"] = dialogGlyphs();
        pictures["DialogButtons"] = TestArchive{{group("Pushbutton", 'u', 'd', Dim(20, 8)),
                                                 group("CheckBox", 'U', 'D', Dim(8, 8), 'C'),
                                                 group("Radio", 'R', 'S', Dim(8, 8), 'K')}};
        previousMatcher = Display::setColourMatcher(&focusColour);
        previousRemap = DialogControl::setDisabledRemap(&greyTable);
        heardIds = &heard;
        listener.setup = [](Probe& p) { p.connect(500, &hear); };
        listener.attach(app);
        window = app.addWindow(&recording);
    }
    ~DialogControlTest() override {
        heardIds = nullptr;
        Display::setColourMatcher(previousMatcher);
        DialogControl::setDisabledRemap(previousRemap);
    }
    // The repaints asked of the control window since the last look.
    int repaints() {
        pumpAll(app);
        int n = 0;
        for (const WindowMessage& m : recording.got)
            n += m.message == MessagePaint;
        recording.got.clear();
        return n;
    }
    std::string drawn(DialogControl& control, Dim size, std::uint16_t state, std::vector<Point> at) {
        TestDisplay target(size, "target");
        target.fill(0);
        control.draw(target, state);
        std::string out;
        for (const Point& p : at)
            out += static_cast<char>(target.bits()[p.y * target.stride() + p.x]
                                         ? target.bits()[p.y * target.stride() + p.x]
                                         : '.');
        return out;
    }

    TestPictures pictures;
    platform::HeadlessPlatform os;
    TestWinApp app{os};
    RecordingWindow recording{"control"};
    WindowHandle window = 0;
    Probe listener{"Listener"};
    std::vector<std::int32_t> heard;
    Display::ColourMatcher previousMatcher = nullptr;
    DialogControl::RemapSource previousRemap = nullptr;
};

TEST_F(DialogControlTest, APushButtonDrawsItsPictureCentredAndItsLabelByState) {
    // A target of 30 x 12: the 20 x 8 picture at (5, 2); the label "A" (4 wide, ascent 4) centred with its
    // pen at (13, 8), so its glyph's top-left at (13, 4); pressed, at (15, 6). Samples: the picture's corner,
    // the label's corner, the pressed label's corner and the focus frame's corner.
    const std::vector<Point> at = {Point(5, 2), Point(13, 4), Point(16, 10), Point(11, 2)};
    const struct {
        std::uint16_t state;
        const char* shown;
    } rows[] = {
        {0, "uA.u"},
        {ItemSelected, "ddAd"},
        {ItemFocus, "uA.F"},
        {ItemSelected | ItemFocus, "dFAd"},
        {ItemDisabled, "gA.g"},
        {ItemDisabled | ItemFocus, "gA.F"},
        {ItemSelected | ItemDisabled, "uA.u"},
        {0x8, "uA.u"},
    };
    DialogButton button(window, "A", Point(-1, -1), "DialogButtons", 1);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.state);
        EXPECT_EQ(drawn(button, Dim(30, 12), r.state, at), r.shown);
    }
}

TEST_F(DialogControlTest, CheckBoxesAndRadioButtonsDrawAtTheLeftEdgeWithTheirMarks) {
    // A target of 40 x 12: the 8 x 8 pictures at (0, 2), the 4 x 4 mark at (0, 2) as well, the label's pen at
    // (18 or 16, 8). Samples: the mark's corner, a point of the picture beside the mark, the label's corner.
    const struct {
        bool radio;
        std::uint16_t state;
        std::int16_t checked;
        const char* shown;
    } rows[] = {
        {false, 0, 0, "UUA"},
        {false, 0, 1, "CUA"},
        {false, ItemSelected, 0, "DDA"},
        {false, ItemSelected, 1, "CDA"},
        {false, ItemDisabled, 1, "CvA"},
        {true, 0, 0, "RRA"},
        {true, ItemSelected, 1, "KSA"},
        {true, ItemDisabled, 0, "wwA"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.radio) + " " + std::to_string(r.state) + " " +
                     std::to_string(r.checked));
        std::unique_ptr<DialogButton> b;
        if (r.radio)
            b = std::make_unique<DialogRadio>(window, "A", "DialogButtons");
        else
            b = std::make_unique<DialogCheck>(window, "A", "DialogButtons", r.checked);
        if (r.radio && r.checked) static_cast<DialogRadio&>(*b).click();
        const Point label = r.radio ? Point(16, 4) : Point(18, 4);
        EXPECT_EQ(drawn(*b, Dim(40, 12), r.state, {Point(0, 2), Point(6, 8), label}), r.shown);
        EXPECT_EQ(drawn(*b, Dim(40, 12), r.state, {label - Point(1, 0)}), ".") << "the label starts there";
    }
}

TEST_F(DialogControlTest, ACheckBoxClickedTwiceEndsUncheckedRepaintedEachTimeAndSendsNothing) {
    DialogCheck check(window, "&Sounds", "DialogButtons");
    check.attach(app);
    check.onNotify(ButtonClicked);
    EXPECT_EQ(check.getCheck(), 1);
    EXPECT_EQ(repaints(), 2);
    check.onNotify(ButtonClicked);
    app.drainQueue();
    EXPECT_EQ((std::tuple{check.getCheck(), repaints(), heard.size()}), (std::tuple{std::int16_t(0), 2, 0u}));
    check.onNotify(1);
    EXPECT_EQ(check.getCheck(), 0) << "a notification other than a click does nothing";
}

TEST_F(DialogControlTest, APushButtonSendsItsCommandWordOncePerClickAndWordZeroSendsNothing) {
    DialogButton silent(window, "OK", Point(-1, -1), "DialogButtons", 0);
    DialogButton loud(window, "Go", Point(-1, -1), "DialogButtons", 0, BusMessage(500));
    DialogButton high(window, "Go", Point(-1, -1), "DialogButtons", 0, BusMessage::fromWord(0x30000000u));
    for (DialogButton* b : {&silent, &loud, &high})
        b->attach(app);
    silent.onNotify(ButtonClicked);
    high.onNotify(ButtonClicked);
    loud.onNotify(ButtonClicked);
    loud.onNotify(ButtonClicked);
    loud.onNotify(0xFFFF); // a negative code counts as a click as well
    app.drainQueue();
    EXPECT_EQ(heard, (std::vector<std::int32_t>{500, 500, 500}));
    EXPECT_EQ(loud.getCheck(), 0);
}

TEST_F(DialogControlTest, ARadioClickChecksItAndUnchecksTheRestOfItsGroup) {
    DialogRadio a(window, "a", "DialogButtons"), b(window, "b", "DialogButtons"),
        c(window, "c", "DialogButtons");
    List<DialogRadio*> members;
    members << &a << &b << &c;
    for (DialogRadio* r : {&a, &b, &c})
        r->setGroup(members);
    EXPECT_EQ(a.selectedIndex(), 0) << "nothing checked reads as the first";
    a.setCheck(1);
    c.setCheck(1);
    EXPECT_EQ(b.selectedIndex(), 0);
    b.click();
    EXPECT_EQ((std::tuple{a.getCheck(), b.getCheck(), c.getCheck(), c.selectedIndex()}),
              (std::tuple{std::int16_t(0), std::int16_t(1), std::int16_t(0), std::int16_t(1)}));
    a.select(2);
    EXPECT_EQ((std::tuple{a.getCheck(), b.getCheck(), c.getCheck(), b.selectedIndex()}),
              (std::tuple{std::int16_t(0), std::int16_t(0), std::int16_t(1), std::int16_t(2)}));
    a.select(3);
    EXPECT_EQ(a.selectedIndex(), 0) << "a position past the group unchecks them all";
    DialogRadio alone(window, "x", "DialogButtons");
    b.setCheck(1);
    alone.click();
    EXPECT_EQ((std::tuple{alone.getCheck(), b.getCheck()}), (std::tuple{std::int16_t(1), std::int16_t(1)}));
}

TEST_F(DialogControlTest, TheSharedFontLivesUntilTheLastControlGoes) {
    for (const std::array<int, 3> order : {std::array{0, 1, 2}, std::array{2, 0, 1}, std::array{1, 2, 0}}) {
        SCOPED_TRACE(std::to_string(order[0]) + std::to_string(order[1]) + std::to_string(order[2]));
        ASSERT_EQ(DialogControl::sharedFont(), nullptr);
        std::array<std::unique_ptr<DialogControl>, 3> controls = {
            std::make_unique<DialogControl>(window, "a", Point(0, 0), "DialogButtons"),
            std::make_unique<DialogCheck>(window, "b", "DialogButtons"),
            std::make_unique<DialogRadio>(window, "c", "DialogButtons")};
        DialogFont* font = DialogControl::sharedFont();
        ASSERT_NE(font, nullptr);
        controls[order[0]].reset();
        controls[order[1]].reset();
        EXPECT_EQ((std::pair{DialogControl::sharedFont(), DialogControl::liveControls()}),
                  (std::pair{font, 1}));
        controls[order[2]].reset();
        EXPECT_EQ(DialogControl::sharedFont(), nullptr);
    }
}

} // namespace
} // namespace vael::test
