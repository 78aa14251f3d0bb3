// The drawing of the dialog's controls that a player sees at once: the arrows of scroll and drop-down
// buttons, the scroll bar's track and thumb, a push button's face fitted to any box, frames of dialogs
// without a caption, and the proportional system font's places for the edit caret.
#include <gtest/gtest.h>

#include "framework/ui/dialog.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/system_font.h"
#include "framework/ui/window_manager.h"
#include "support/ui/test_win_app.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

// K black, W white, G the button grey, D the dark grey, N the active caption's navy; anything else x.
std::uint8_t lookColours(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (r == 0 && g == 0 && b == 0) return 'K';
    if (r == 255 && g == 255 && b == 255) return 'W';
    if (r == 192 && g == 192 && b == 192) return 'G';
    if (r == 128 && g == 128 && b == 128) return 'D';
    if (r == 0 && g == 0 && b == 128) return 'N';
    return 'x';
}

// A system font whose characters have widths of their own: i 3, W 11, every other one 7.
class MeasuringPlatform : public platform::HeadlessPlatform {
public:
    std::int32_t textWidth(const std::string& text, bool) override {
        std::int32_t w = 0;
        for (char c : text)
            w += c == 'i' ? 3 : c == 'W' ? 11 : 7;
        return w;
    }
};

class PlainDialog : public Dialog {
public:
    PlainDialog() : Window(Point(0, 0), Dialog::InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", "") {}
};

class ControlLook : public ::testing::Test {
protected:
    ControlLook() {
        pictures["MS Sans Serif 2"] = dialogGlyphs();
        previous = Display::setColourMatcher(&lookColours);
    }
    ~ControlLook() override { Display::setColourMatcher(previous); }
    std::string at(Dialog& d, std::initializer_list<Point> points) {
        std::string out;
        for (const Point& p : points)
            out += static_cast<char>(d.bits()[p.y * d.stride() + p.x]);
        return out;
    }

    TestPictures pictures;
    MeasuringPlatform os;
    TestWinApp app{os};
    Display::ColourMatcher previous = nullptr;
};

TEST_F(ControlLook, AScrollBarHasArrowsOnItsEndButtonsAndARaisedThumbOverAStippledTrack) {
    PlainDialog d;
    d.create("CohesionOverview", Dialog::Modeless);
    ASSERT_TRUE(d.isOpen());
    // Scroll bar 102: 94 x 10 at (6, 174) is 164 x 16 pixels at (10, 282); its end buttons are 16 square.
    ASSERT_EQ(d.item(102)->box(), Box(10, 282, 164, 16));
    // The left arrow: four columns from its tip at (16, 290) to the column of seven at x 19, centred on
    // row 290; the right arrow the mirror image in the last button (158 to 173): tip at (168, 290).
    const struct {
        const char* what;
        std::vector<Point> points;
        const char* shown;
    } rows[] = {
        {"left tip, and the face left, above and below it",
         {Point(16, 290), Point(15, 290), Point(16, 289), Point(16, 291)},
         "KGGG"},
        {"left arrow's base column of seven, and past its ends",
         {Point(19, 287), Point(19, 293), Point(19, 286), Point(19, 294), Point(20, 290)},
         "KKGGG"},
        {"right tip and the face beyond it", {Point(168, 290), Point(169, 290), Point(165, 287)}, "KGK"},
        {"thumb at the track's start: outline, highlight, face",
         {Point(26, 290), Point(27, 290), Point(30, 290)},
         "KWG"},
        {"track stipple on two rows",
         {Point(50, 290), Point(51, 290), Point(50, 289), Point(51, 289)},
         "GWWG"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::string shown;
        for (const Point& p : r.points)
            shown += static_cast<char>(d.bits()[p.y * d.stride() + p.x]);
        EXPECT_EQ(shown, r.shown);
    }
}

TEST_F(ControlLook, AComboBoxsDropDownButtonPointsDown) {
    PlainDialog d;
    d.create("ChooseSides", Dialog::Modeless);
    ASSERT_TRUE(d.isOpen());
    // Combo 101: its field is 252 x 15 at (10, 8); the button is the last 12 columns, from x 250. The arrow
    // has four rows from the row of seven at y 14 (253 to 259) to its tip at (256, 17).
    ASSERT_EQ(d.item(101)->box().x, 10);
    ASSERT_EQ(d.item(101)->box().y, 8);
    ASSERT_EQ(d.item(101)->box().w, 252);
    EXPECT_EQ(at(d, {Point(256, 17), Point(255, 17), Point(257, 17), Point(256, 18)}), "KGGG");
    EXPECT_EQ(at(d, {Point(253, 14), Point(259, 14), Point(252, 14), Point(260, 14), Point(256, 13)}),
              "KKGGG");
}

TEST_F(ControlLook, TheCaretGoesToTheNearestPlaceBetweenProportionalCharacters) {
    // "iWa": the places are at 0, 3, 14 and 21 pixels; a point goes to the place after a character once it
    // is past the character's middle (rounded up).
    const struct {
        std::int32_t x, place;
    } rows[] = {{-5, 0}, {0, 0}, {1, 0}, {2, 1}, {3, 1}, {8, 1}, {9, 2}, {17, 2}, {18, 3}, {21, 3}, {99, 3}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.x);
        EXPECT_EQ(systemTextPlace("iWa", r.x, false), r.place);
    }
    EXPECT_EQ(systemTextPlace("", 10, false), 0);
    EXPECT_EQ(systemTextWidth("iWa", false), 21);
}

TEST_F(ControlLook, AClickInAnEditFieldPutsTheCaretBetweenTheCharactersUnderIt) {
    PlainDialog d;
    d.create("GetString", Dialog::Modeless);
    ASSERT_TRUE(d.isOpen());
    DialogItemWindow* edit = d.item(101);
    edit->setText("iWa");
    const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
    const Box b = edit->box();
    // The text starts 4 pixels in; W takes pixels 3 to 13 of it: a click 8 pixels past the start is in
    // W's left half, so the caret goes before it; 9 past is in its right half.
    for (const auto& [dx, place] : {std::pair{4 + 8, 1}, std::pair{4 + 9, 2}}) {
        SCOPED_TRACE(dx);
        postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}, client.x + b.x + dx,
                    client.y + b.y + b.h / 2);
        pumpAll(app);
        EXPECT_EQ(edit->caret(), place);
    }
}

TEST(DialogFrames, ACaptionDialogFrameOrSizingBorderGetsAFrameAndNothingElseDoes) {
    constexpr std::uint32_t Caption = 0x00C00000, DlgFrame = 0x00400000, Thick = 0x00040000;
    constexpr std::int32_t B = WindowManager::Border, C = WindowManager::CaptionHeight, M = 20;
    const struct {
        const char* what;
        std::uint32_t style;
        bool menu, top;
        Insets insets;
    } rows[] = {
        {"caption", Caption, false, false, {B, B + C, B, B}},
        {"caption and menu", Caption, true, false, {B, B + C + M, B, B}},
        {"dialog frame", DlgFrame, false, false, {B, B, B, B}},
        {"sizing border", Thick, false, false, {B, B, B, B}},
        {"sizing border and menu", Thick, true, false, {B, B + M, B, B}},
        {"no frame", 0, false, false, {}},
        {"border alone", 0x00800000, false, false, {}},
        {"top level with a dialog frame", DlgFrame, false, true, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(WindowManager::insetsFor(r.style, r.menu, r.top), r.insets);
    }
}

// A picture whose every pixel says where it came from: 16 + 16 * row + column.
TestPicture numberedFace(Dim size) {
    TestPicture p{"Up", size, Point(), PictureOpaque, {}};
    for (int y = 0; y < size.h; ++y)
        for (int x = 0; x < size.w; ++x)
            p.pixels.push_back(static_cast<std::uint8_t>(16 + 16 * y + x));
    return p;
}

TEST_F(ControlLook, APushButtonsFaceKeepsItsEdgesAndRepeatsOrDropsItsMiddleToFillTheBox) {
    RecordingWindow recording{"button"};
    const WindowHandle window = app.addWindow(&recording);
    pictures["DialogButtons"] = TestArchive{{{"Pushbutton", {numberedFace(Dim(6, 4))}}}};
    DialogButton button(window, "", Point(-1, -1), "DialogButtons", 0);
    // A box of 14 x 6: the face is 10 x 2 at (2, 2). Columns 0 to 2 and the last three come from the
    // picture's own (0 to 2 and 3 to 5), the middle repeats column 3; the two rows are the first and the
    // last of the picture's four.
    TestDisplay target(Dim(14, 6), "target");
    target.fill(0);
    button.draw(target, 0);
    const auto pixel = [&](int x, int y) { return static_cast<int>(target.bits()[y * target.stride() + x]); };
    const int columns[10] = {0, 1, 2, 3, 3, 3, 3, 3, 4, 5};
    for (int x = 0; x < 10; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(pixel(2 + x, 2), 16 + columns[x]);
        EXPECT_EQ(pixel(2 + x, 3), 16 + 48 + columns[x]);
    }
    // Nothing in the two rows and columns round the face, where the default frame goes.
    EXPECT_EQ((std::tuple{pixel(1, 2), pixel(12, 3), pixel(2, 1), pixel(2, 4)}), (std::tuple{0, 0, 0, 0}));
    app.removeWindow(window);
}

} // namespace
} // namespace vael::test
