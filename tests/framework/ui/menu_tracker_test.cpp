#include <gtest/gtest.h>

#include "framework/ui/menu_resource.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/windows_menu.h"
#include "support/test_application.h"
#include "test_display.h"

namespace vael::test {
namespace {

using platform::KeyDown;
using platform::KeyEscape;
using platform::KeyLeft;
using platform::KeyReturn;
using platform::KeyRight;
using platform::KeyUp;

class MenuTrackerTest : public ::testing::Test {
protected:
    std::unique_ptr<SystemMenu> read(const char* text) { return MenuResource(text).take(); }
    // The frame's bar: "&File" (0, 0, 44, 20), "&Window" (44, 0, 58, 20), "&Help" (102, 0, 44, 20); the
    // file pull-down (0, 20, 140, 82) holds four items of 18 pixels and a separator of 8.
    std::unique_ptr<SystemMenu> bar =
        read("popup \"&File\"\n item 228 \"&Open Game...\"\n item 249 \"&Start "
             "Game...\"\n item 230 \"&Preferences...\"\n separator\n item 101 "
             "\"E&xit\"\nend\npopup \"&Window\"\n item 104 \"&Cascade\"\nend\npopup "
             "\"&Help\" grayed\n item 300 \"&About...\"\nend\n");
    MenuTracker tracker{*bar, Dim(640, 480)};
};

TEST_F(MenuTrackerTest, PlacesTitlesAndEntriesByTheLengthsOfTheirLabels) {
    EXPECT_EQ((std::vector{tracker.titleBox(0), tracker.titleBox(1), tracker.titleBox(2)}),
              (std::vector{Box(0, 0, 44, 20), Box(44, 0, 58, 20), Box(102, 0, 44, 20)}));
    tracker.buttonDown(Point(43, 19)); // the title's last pixel
    ASSERT_EQ(tracker.openTitle(), 0);
    // The widest label, "Preferences...", is 98.
    EXPECT_EQ(
        (std::vector{tracker.levelBox(0), tracker.entryBox(0, 0), tracker.entryBox(0, 3),
                     tracker.entryBox(0, 4)}),
        (std::vector{Box(0, 20, 140, 82), Box(1, 21, 138, 18), Box(1, 75, 138, 8), Box(1, 83, 138, 18)}));
}

TEST_F(MenuTrackerTest, ScriptedMouseInputChoosesOnlyCommandsThatMayBeChosen) {
    const struct {
        const char* what;
        char input; // d down, u up, m move
        Point at;
        std::uint16_t chosen;
        int open;
        std::vector<int> lit;
    } steps[] = {
        {"press on File", 'd', {10, 10}, 0, 0, {-1}},
        {"release on the title", 'u', {10, 10}, 0, 0, {-1}},
        {"slide to Window", 'm', {44, 10}, 0, 1, {-1}},
        {"back to File", 'm', {43, 10}, 0, 0, {-1}},
        {"slide to Help, grayed: chosen, nothing opens", 'm', {120, 10}, 0, 2, {}},
        {"press on File again", 'd', {10, 10}, 0, 0, {-1}},
        {"onto the separator", 'm', {5, 78}, 0, 0, {3}},
        {"release on it", 'u', {5, 78}, 0, 0, {3}},
        {"below the last entry, inside the frame", 'u', {5, 101}, 0, 0, {3}},
        {"onto Exit's last row", 'm', {5, 100}, 0, 0, {4}},
        {"release on Exit", 'u', {5, 100}, 101, -1, {}},
        {"press on File", 'd', {10, 10}, 0, 0, {-1}},
        {"press on it again", 'd', {10, 10}, 0, -1, {}},
        {"press on File", 'd', {10, 10}, 0, 0, {-1}},
        {"press outside", 'd', {300, 300}, 0, -1, {}},
        {"release outside", 'u', {300, 300}, 0, -1, {}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        const std::uint16_t chosen = s.input == 'd'   ? tracker.buttonDown(s.at)
                                     : s.input == 'u' ? tracker.buttonUp(s.at)
                                                      : tracker.mouseMove(s.at);
        EXPECT_EQ((std::tuple{chosen, tracker.openTitle(), tracker.highlighted()}),
                  (std::tuple{s.chosen, s.open, s.lit}));
    }
}

TEST_F(MenuTrackerTest, KeysMoveOverEntriesAndTitlesSkippingSeparators) {
    tracker.buttonDown(Point(10, 10));
    const struct {
        std::int32_t key;
        std::uint16_t chosen;
        int open;
        std::vector<int> lit;
    } steps[] = {
        {KeyDown, 0, 0, {0}},  {KeyUp, 0, 0, {4}},     {KeyUp, 0, 0, {2}},       {KeyDown, 0, 0, {4}},
        {KeyDown, 0, 0, {0}},  {KeyRight, 0, 1, {-1}}, {KeyLeft, 0, 0, {-1}},    {KeyLeft, 0, 2, {}},
        {KeyLeft, 0, 1, {-1}}, {KeyDown, 0, 1, {0}},   {KeyReturn, 104, -1, {}}, {KeyDown, 0, -1, {}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.key);
        EXPECT_EQ((std::tuple{tracker.keyDown(s.key), tracker.openTitle(), tracker.highlighted()}),
                  (std::tuple{s.chosen, s.open, s.lit}));
    }
    tracker.buttonDown(Point(10, 10));
    // Nothing highlighted: enter chooses nothing.
    EXPECT_EQ((std::tuple{tracker.keyDown(KeyReturn), tracker.keyDown(KeyEscape), tracker.isOpen()}),
              (std::tuple{std::uint16_t(0), std::uint16_t(0), false}));
}

TEST_F(MenuTrackerTest, APopUpStaysInsideTheWindowAndOpensItsPullDownsBesideTheirItems) {
    const auto popup =
        read("popup \"&Zoom\"\n item 216 \"Zoom &Out\"\n item 217 \"&Normal\" checked\nend\n"
             "item 223 \"&Reverse View\\tCtrl+R\"\nitem 251 \"&Show\" grayed\nitem 230 \"Col2\" break\n");
    MenuTracker menu(*popup, Point(600, 470), Dim(640, 480));
    ASSERT_TRUE(menu.isOpen());
    // Columns of 182 ("Reverse View" and its accelerator) and 68; three rows of 18 in the first.
    EXPECT_EQ((std::tuple{menu.openTitle(), menu.levelBox(0), menu.entryBox(0, 2), menu.entryBox(0, 3)}),
              (std::tuple{-1, Box(388, 424, 252, 56), Box(389, 461, 182, 18), Box(571, 425, 68, 18)}));
    EXPECT_EQ(menu.buttonUp(Point(400, 465)), 0); // grayed
    using Lit = std::vector<int>;
    EXPECT_EQ((std::pair{menu.mouseMove(Point(390, 430)), menu.highlighted()}),
              (std::pair{std::uint16_t(0), Lit{0, -1}}));
    // Pushed left to fit, over the second column; a move within the same item leaves the pull-down.
    EXPECT_EQ(menu.levelBox(1), Box(542, 425, 98, 38));
    EXPECT_EQ((std::pair{menu.mouseMove(Point(390, 431)), menu.highlighted()}),
              (std::pair{std::uint16_t(0), Lit{0, -1}}));
    EXPECT_EQ((std::pair{menu.keyDown(KeyDown), menu.highlighted()}),
              (std::pair{std::uint16_t(0), Lit{0, 0}}));
    EXPECT_EQ((std::pair{menu.keyDown(KeyLeft), menu.highlighted()}), (std::pair{std::uint16_t(0), Lit{0}}));
    EXPECT_EQ(menu.keyDown(KeyRight), 0);
    EXPECT_EQ((std::pair{menu.buttonUp(Point(550, 450)), menu.isOpen()}),
              (std::pair{std::uint16_t(217), false}));
    EXPECT_EQ((std::pair{menu.mouseMove(Point(390, 430)), menu.isOpen()}),
              (std::pair{std::uint16_t(0), false}));
}

TEST(MenuTrackerText, ShowsLabelsWithoutTheirMarks) {
    const struct {
        const char* label;
        const char* shown;
        const char* accelerator;
    } rows[] = {{"&Open", "Open", ""},
                {"Save &As...\tCtrl+A", "Save As...", "Ctrl+A"},
                {"Fish && Chips", "Fish & Chips", ""},
                {"End&", "End", ""},
                {"\tF1", "", "F1"},
                {"", "", ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::string accelerator = "x";
        EXPECT_EQ((std::pair{MenuTracker::shownText(row.label, &accelerator), accelerator}),
                  (std::pair{std::string(row.shown), std::string(row.accelerator)}));
    }
}

struct DrawnText {
    Point at;
    std::string text;
    std::uint8_t colour;
    bool operator==(const DrawnText&) const = default;
};
std::vector<DrawnText> drawn;
void recordText(Display&, const Point& at, const std::string& text, std::uint8_t colour) {
    drawn.push_back({at, text, colour});
}
// Menu grey 1, highlight 2, grey text 3, white 4, black 0.
std::uint8_t fiveColours(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (r == 192) return 1;
    if (r == 0 && g == 0 && b == 128) return 2;
    if (r == 128) return 3;
    return r == 255 ? 4 : 0;
}

TEST_F(MenuTrackerTest, DrawsTheBarAndTheOpenPullDownIntoTheWindowsPicture) {
    const auto previousText = MenuTracker::setTextDrawer(recordText);
    const auto previousColours = Display::setColourMatcher(fiveColours);
    drawn.clear();
    TestDisplay window(Dim(200, 120), "frame");
    tracker.buttonDown(Point(10, 10));
    tracker.mouseMove(Point(5, 90));
    tracker.draw(window);
    // The bar, the open title, the pull-down's frame left and right, an entry, the highlighted one, the
    // separator's line and the row above it, and a point outside every menu, untouched.
    std::string samples;
    for (const auto& [x, y] :
         {std::pair{60, 5}, {10, 10}, {0, 20}, {139, 60}, {5, 30}, {5, 90}, {5, 79}, {5, 78}, {150, 60}})
        samples += static_cast<char>('0' + window.bits()[y * window.stride() + x]);
    EXPECT_EQ(samples, "120012310");
    ASSERT_EQ(drawn.size(), 7u);
    EXPECT_EQ((std::vector{drawn[0], drawn[1], drawn[2], drawn[3], drawn[6]}),
              (std::vector<DrawnText>{{Point(8, 3), "File", 4},
                                      {Point(52, 3), "Window", 0},
                                      {Point(110, 3), "Help", 3},
                                      {Point(21, 23), "Open Game...", 0},
                                      {Point(21, 85), "Exit", 4}}));
    MenuTracker::setTextDrawer(previousText);
    Display::setColourMatcher(previousColours);
}

} // namespace
} // namespace vael::test
