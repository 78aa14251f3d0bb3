#include <gtest/gtest.h>

#include "framework/ui/font.h"
#include "framework/ui/text_tile.h"
#include "placed_at.h"
#include "support/test_application.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

using Rows = std::vector<std::string>;

class PlainTile : public Tile {
public:
    using Tile::Tile;
    void enableMouseEvents() override { enableMouseEvent(MouseLeftDown); }
};

class BottomUpApplication : public TestApplication {
public:
    std::int16_t dibOrientation() override { return 1; }
};

TEST(Tile, ClampsToTheParentAndViewsItsRowsByOrientation) {
    const struct {
        const char* what;
        bool bottomUp;
        Box box;
        Dim size;
        std::uint16_t padding;
        std::ptrdiff_t offset; // of the first pixel in the parent's rows
    } cases[] = {
        {"past the right and bottom", false, Box(10, 5, 200, 100), Dim(90, 45), 10, 5 * 100 + 10},
        {"rows stored bottom-up", true, Box(10, 5, 200, 100), Dim(90, 45), 10, 0 * 100 + 10},
        {"bottom-up, wholly inside", true, Box(10, 5, 20, 10), Dim(20, 10), 80, 35 * 100 + 10},
        {"one column left", false, Box(99, 0, 5, 5), Dim(1, 5), 99, 99},
        {"at the right edge: nothing", false, Box(100, 0, 5, 5), Dim(0, 0), 0, -1},
        {"at the bottom edge: nothing", false, Box(0, 50, 5, 5), Dim(0, 0), 0, -1},
        {"negative origin shrinks", false, Box(-4, 3, 20, 10), Dim(16, 10), 84, 3 * 100},
        {"negative past its size", false, Box(-25, -2, 20, 10), Dim(0, 0), 0, -1},
        {"zero width", false, Box(5, 5, 0, 10), Dim(0, 0), 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TestApplication> app =
            c.bottomUp ? std::make_unique<BottomUpApplication>() : std::make_unique<TestApplication>();
        TestDisplay parent(Dim(100, 50), "parent");
        PlainTile tile(Box(0, 0, 1, 1));
        tile.setParent(&parent, TWindowMetrics());
        tile.setBox(c.box);
        EXPECT_EQ(tile.size(), c.size);
        EXPECT_EQ(tile.padding(), c.padding);
        EXPECT_EQ(tile.bits() ? tile.bits() - parent.bits() : -1, c.offset);
        if (tile.bits()) {
            EXPECT_EQ(tile.stride(), parent.stride());
        }
    }
}

TEST(Tile, SetBoxPlacesTheOriginAtZeroForNegativeCoordinates) {
    TestApplication app;
    TestDisplay parent(Dim(100, 50), "parent");
    PlainTile tile(Box(0, 0, 1, 1));
    tile.setParent(&parent, TWindowMetrics());
    tile.setBox(Box(-4, 3, 20, 10));
    EXPECT_EQ((std::pair{tile.x(), tile.y()}), (std::pair<std::int16_t, std::int16_t>{0, 3}));
    EXPECT_EQ(tile.width(), 16);
}

TEST(Tile, FillChangesOnlyItsRectangleAndDirtiesTheParentThere) {
    TestApplication app;
    TestDisplay parent(Dim(10, 6), "parent"); // stride 12
    parent.fill('.');
    PlainTile tile(Box(0, 0, 1, 1));
    tile.setParent(&parent, placedAt(Box(2, 3, 4, 2)));
    ASSERT_EQ(tile.bounds(), Box(2, 3, 4, 2));
    parent.clearDirtyBoxes();
    EXPECT_EQ(tile.fill('#'), Box(0, 0, 4, 2));
    EXPECT_EQ(rowsOf(parent),
              (Rows{"..........", "..........", "..........", "..####....", "..####....", ".........."}));
    EXPECT_EQ(parent.dirtyBoxes(), (std::vector<Box>{Box(2, 3, 4, 2)}));
    // The padding of the parent's rows is left alone.
    for (int y = 0; y < 6; ++y)
        EXPECT_EQ((std::pair{parent.bits()[y * 12 + 10], parent.bits()[y * 12 + 11]}),
                  (std::pair<std::uint8_t, std::uint8_t>{'.', '.'}));
}

TEST(Tile, InvalidatingReachesTheOutermostDisplayMovedByEveryOrigin) {
    TestApplication app;
    TestDisplay parent(Dim(40, 30), "parent");
    PlainTile outer(Box(0, 0, 1, 1)), inner(Box(0, 0, 1, 1));
    outer.setParent(&parent, placedAt(Box(10, 5, 20, 20)));
    inner.setParent(&outer, placedAt(Box(3, 4, 10, 10)));
    parent.clearDirtyBoxes();
    inner.invalidate(Box(1, 1, 2, 2));
    EXPECT_EQ(parent.dirtyBoxes(), (std::vector<Box>{Box(14, 10, 2, 2)}));
    // Drawing through the inner tile lands in the parent's pixels at the same place.
    RedIsIndex colours;
    inner.fillRect(Box(1, 1, 2, 2), '*', 0, 0);
    const Rows rows = rowsOf(parent);
    EXPECT_EQ((Rows{rows[10].substr(13, 4), rows[11].substr(13, 4), rows[12].substr(13, 4)}),
              (Rows{".**.", ".**.", "...."}));
}

TEST(Tile, AnUnplacedTileHasNoPixelsAndForwardsNothing) {
    TestApplication app;
    PlainTile tile(Point(3, 4), Dim(7, 8), nullptr);
    tile.invalidate(Box(0, 0, 2, 2)); // nothing to pass it to
    EXPECT_EQ((std::tuple{tile.getName(), tile.bits(), tile.size(), tile.fill(1),
                          tile.fillRect(Box(0, 0, 2, 2), 1, 1, 1), tile.rootDisplay(),
                          tile.isMouseEventEnabled(MouseLeftDown)}),
              (std::tuple{std::string("Unnamed Tile"), static_cast<std::uint8_t*>(nullptr), Dim(7, 8), Box(),
                          Box(), static_cast<Display*>(nullptr), std::int16_t(0)}));
}

TEST(Tile, PlacingEnablesItsMouseKindsAndDetachingOrDestroyingTakesItOut) {
    TestApplication app;
    TestDisplay parent(Dim(40, 30), "parent");
    auto tile = std::make_unique<PlainTile>(Box(0, 0, 1, 1));
    tile->setParent(&parent, placedAt(Box(1, 1, 5, 5)));
    EXPECT_EQ((std::tuple{tile->isMouseEventEnabled(MouseLeftDown), tile->rootDisplay(),
                          parent.children().count()}),
              (std::tuple{std::int16_t(1), static_cast<Display*>(&parent), 1}));
    tile->detachFromParent();
    EXPECT_EQ(
        (std::tuple{parent.children().count(), tile->parent(), tile->isMouseEventEnabled(MouseLeftDown)}),
        (std::tuple{0, static_cast<Display*>(nullptr), std::int16_t(0)}));
    tile->setParent(&parent, placedAt(Box(1, 1, 5, 5)));
    tile.reset();
    EXPECT_EQ(parent.children().count(), 0);
    TWindowMetrics m;
    EXPECT_EQ(parent.layout().getChildMetrics(nullptr, m), 0);
}

TEST(Tile, AParentResizeGivesTheTileAFreshView) {
    TestApplication app;
    TestDisplay parent(Dim(20, 10), "parent");
    PlainTile tile(Box(0, 0, 1, 1));
    tile.setParent(&parent, placedAt(Box(2, 2, 4, 4)));
    parent.resize(Dim(30, 12));
    EXPECT_EQ((std::pair{tile.bits() - parent.bits(), tile.padding()}),
              (std::pair{std::ptrdiff_t(2 * 32 + 2), std::uint16_t(28)}));
}

TEST(TextTile, DrawsItsTextWithTheCapitalsTouchingTheTopEdge) {
    TestApplication app;
    TestPictures pictures;
    pictures["MS Sans Serif 2"] = dialogGlyphs();
    TestDisplay parent(Dim(8, 8), "parent");
    TextTile label(-1, "AB", Point(30, 40), Dim(6, 7));
    EXPECT_EQ((std::tuple{label.getName(), label.id(), label.position(), label.text()}),
              (std::tuple{std::string("Unnamed Text Tile"), -1, Point(30, 40), std::string("AB")}));
    label.setParent(&parent, placedAt(Box(1, 1, 6, 7)));
    label.draw();
    EXPECT_EQ(rowsOf(parent), (Rows{"........", ".AAA.B..", ".AAA.B..", ".AAA.B..", ".AAA.B..", ".AAA.B..",
                                    ".AAA.B..", "........"}));
    label.setText("");
    parent.fill(0);
    label.draw();
    EXPECT_EQ(rowsOf(parent), Rows(8, "........"));
    EXPECT_EQ(label.size(), Dim(6, 7));
}

class FontTest : public ::testing::Test {
protected:
    FontTest() {
        pictures["Dialog"] = dialogGlyphs();
        pictures["Letters"] = letterGlyphs();
    }
    TestPictures pictures;
    RedIsIndex colours;
};

TEST_F(FontTest, DialogTextDrawsGlyphsOnTheBaselineAndUnderlinesTheMnemonicByStrength) {
    const struct {
        const char* text;
        std::int16_t strength;
        const char* glyphRow; // each of the six rows above the baseline's underline
        const char* underline;
    } cases[] = {
        {"AB", 3, "AAA.B.....", ".........."},
        {"&AB", 3, "AAA.B.....", ".____....."},
        {"&AB", 2, "AAA.B.....", ".____....."},
        // Strength 1 is a greyed text: its ink a dark grey (index 80 here, shown 'P').
        {"&AB", 1, "PPP.P.....", ".~~~~....."},
        // The second '&' moves the mnemonic on to the B.
        {"A&&B", 3, "AAA.B.....", ".....__..."},
        // A blank and a code below 33 move the pen 3 and draw nothing.
        {"A B", 3, "AAA....B..", ".........."},
        {"A\tB", 3, "AAA....B..", ".........."},
        // Strength 0 moves the pen past every glyph without drawing one.
        {"&AB", 0, "..........", ".~~~~....."},
        {"", 3, "..........", ".........."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " at strength " + std::to_string(c.strength));
        TestDisplay target(Dim(10, 7), "t");
        DialogFont font("Dialog");
        font.drawText(target, Point(0, 4), c.text, c.strength);
        Rows expected(6, c.glyphRow);
        expected.push_back(c.underline);
        EXPECT_EQ(rowsOf(target), expected);
    }
}

TEST_F(FontTest, GlyphsLeaveWhatLiesUnderTheirTransparentPixels) {
    TestDisplay target(Dim(6, 3), "t");
    target.fill('x');
    DialogFont font("Dialog");
    font.drawText(target, Point(1, 5), "A", 1); // the glyph's top row at y 1, its bottom rows off the display
    // Greyed at strength 1, its ink a dark grey (shown 'P').
    EXPECT_EQ(rowsOf(target), (Rows{"xxxxxx", "xPPPxx", "xPPPxx"}));
}

TEST_F(FontTest, EachGlyphIsDrawnStrengthTimesAndMarksTheTargetDirty) {
    TestDisplay target(Dim(10, 7), "t");
    DialogFont font("Dialog");
    font.drawText(target, Point(2, 4), "B", 3);
    ASSERT_EQ(target.dirtyBoxes().size(), 1u);
    EXPECT_EQ(target.dirtyBoxes()[0], Box(2, 0, 2, 6));
}

TEST_F(FontTest, ExtentsCountGlyphWidthsAndBlanks) {
    DialogFont dialog("Dialog");
    Font letters("Letters");
    AllCapsFont caps("Letters");
    const struct {
        const char* what;
        Font& font;
        const char* text;
        Box extent;
    } cases[] = {
        {"dialog", dialog, "AB", Box(0, 0, 6, 7)},
        {"dialog: '&' counts nothing", dialog, "A&B", Box(0, 0, 6, 7)},
        {"dialog: blank", dialog, " ", Box(0, 0, 3, 7)},
        {"dialog: code 32", dialog, "\x20", Box(0, 0, 3, 7)},
        {"dialog: code 33 has a glyph", dialog, "!", Box(0, 0, 2, 7)},
        {"dialog: code 128 counts as a blank", dialog, "\x80", Box(0, 0, 3, 7)},
        {"dialog: empty", dialog, "", Box(0, 0, 0, 7)},
        {"font: lower case counts its capital", letters, "ab", Box(0, 0, 6, 7)},
        {"font: digits and others", letters, "1-", Box(0, 0, 6, 7)},
        {"font: empty", letters, "", Box(0, 0, 0, 7)},
        {"all caps: no descender", caps, "a1-b", Box(0, 0, 12, 4)},
        {"all caps: empty", caps, "", Box(0, 0, 0, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.font.textExtent(c.text), c.extent);
        EXPECT_EQ(c.font.textWidth(c.text), c.extent.w);
    }
    EXPECT_EQ((std::pair{dialog.ascent(), dialog.descent()}), (std::pair<std::int16_t, std::int16_t>{4, 3}));
    EXPECT_EQ((std::pair{letters.ascent(), letters.descent()}),
              (std::pair<std::int16_t, std::int16_t>{4, 3}));
}

TEST_F(FontTest, LetterFontsTakeLettersAndDigitsFromTheirGroupsAndCapsUpperCasesLetters) {
    const struct {
        const char* what;
        bool caps;
        const char* glyphRow; // each of the six rows: the test glyphs are solid columns
    } cases[] = {
        // A (4), the digit 1 (3), a 3-pixel gap, B (2).
        {"all caps", true, "AAA.11....B."},
        // The base font draws the lower-case glyphs: a (3) and b (4).
        {"base", false, "aa.11....bbb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestDisplay target(Dim(12, 6), "t");
        std::unique_ptr<Font> font =
            c.caps ? std::make_unique<AllCapsFont>("Letters") : std::make_unique<Font>("Letters");
        font->drawText(target, Point(0, 4), "a1-b", 3);
        EXPECT_EQ(rowsOf(target), Rows(6, c.glyphRow));
    }
}

TEST_F(FontTest, MissingGlyphsAndArchivesDrawNothingAndCountAsBlanks) {
    TestDisplay target(Dim(6, 7), "t");
    DialogFont missing("No such archive");
    missing.drawText(target, Point(0, 4), "&AB", 3);
    // Only the underline, as wide as a blank.
    Rows underlined(6, "......");
    underlined.push_back(".___..");
    EXPECT_EQ(rowsOf(target), underlined);
    EXPECT_EQ(missing.textExtent("AB"), Box(0, 0, 6, 0));
    EXPECT_EQ(missing.drawWrapped(target, Box(0, 4, 6, 20), "AB AB", 3), 4 + 2);
}

// Wrapped text: A is 4 wide, B 2, the line step 4 + 3 + 2 = 9.
TEST_F(FontTest, WrappedTextBreaksAtTheRightEdgeAndStopsBelowTheBottom) {
    const struct {
        const char* what;
        const char* text;
        Box box;
        std::int32_t answer;
        std::vector<int> lineTops; // rows where a line's glyphs begin
        Rows firstLine;            // row 0
    } cases[] = {
        {"two lines", "AB AB", Box(0, 4, 8, 20), 16, {0, 9}, {"AAA.B......."}},
        {"one word", "AB", Box(0, 4, 8, 20), 7, {0}, {"AAA.B......."}},
        {"a word that just fits stays", "A B", Box(0, 4, 9, 20), 7, {0}, {"AAA....B...."}},
        {"a pixel short, it wraps", "A B", Box(0, 4, 8, 20), 16, {0, 9}, {"AAA........."}},
        {"a baseline on the bottom edge draws", "AB AB", Box(0, 4, 8, 9), 16, {0, 9}, {"AAA.B......."}},
        {"a baseline below it stops", "AB AB", Box(0, 4, 8, 8), 16, {0}, {"AAA.B......."}},
        {"a newline breaks", "A\nB", Box(0, 4, 12, 20), 16, {0, 9}, {"AAA........."}},
        // The second blank starts the next word and widens it by a blank.
        {"two blanks", "A  B", Box(0, 4, 12, 20), 7, {0}, {"AAA.......B."}},
        {"a wide word runs over", "AAA", Box(0, 4, 5, 20), 16, {9}, {"............"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestDisplay target(Dim(12, 20), "t");
        DialogFont font("Dialog");
        EXPECT_EQ(font.drawWrapped(target, c.box, c.text, 3), c.answer);
        const Rows rows = rowsOf(target);
        EXPECT_EQ(rows[0], c.firstLine[0]);
        std::vector<int> tops;
        for (int y = 0; y < 20; ++y)
            if (rows[y] != std::string(12, '.') && (y == 0 || rows[y - 1] == std::string(12, '.')))
                tops.push_back(y);
        EXPECT_EQ(tops, c.lineTops);
    }
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// The dialog font with every Latin-1 glyph, each as wide as 2 + its code mod 3 and of its code's colour.
class LatinFontTest : public ::testing::Test {
protected:
    LatinFontTest() {
        TestGroup group{DialogFont::Group, {}};
        for (int code = 33; code <= 255; ++code)
            group.pictures.push_back(solidPicture(std::string(1, static_cast<char>(code)),
                                                  Dim(static_cast<std::int16_t>(2 + code % 3), 6), Point(0, 4),
                                                  static_cast<std::uint8_t>(code)));
        pictures["Latin"] = TestArchive{{group}};
    }
    // The colours along the glyphs' top row, one per pixel.
    static std::vector<int> topRow(DialogFont& font, const std::string& text) {
        TestDisplay target(Dim(32, 7), "t");
        font.drawText(target, Point(0, 4), text, 3);
        std::vector<int> row;
        for (std::int16_t x = 0; x < target.width(); ++x)
            row.push_back(target.bits()[x]);
        while (!row.empty() && row.back() == 0)
            row.pop_back();
        return row;
    }
    TestPictures pictures;
    RedIsIndex colours;
};

// "Kärnten" in UTF-8 is seven glyphs: K (75, 2 wide), ä (228, 2), r (114, 2), n (110, 4), t (116, 4),
// e (101, 4), n (4): 22 pixels, the second glyph a-umlaut's. Read byte by byte it would be the glyphs of
// 195 and 164 and 24 pixels. A name in Latin-1 bytes reads as the same letters.
TEST_F(LatinFontTest, DialogTextReadsUtf8AsOneGlyphALetterAndLatin1BytesAsTheirLetters) {
    DialogFont font("Latin");
    // Each glyph's last column is its transparent key.
    const std::vector<int> expected{75, 0, 228, 0, 114, 0, 110, 110, 110, 0, 116, 116, 116, 0,
                                    101, 101, 101, 0, 110, 110, 110};
    const struct {
        const char* what;
        const char* text;
    } cases[] = {{"UTF-8", "K\xC3\xA4rnten"}, {"Latin-1", "K\xE4rnten"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(font.textExtent(c.text).w, 22);
        EXPECT_EQ(topRow(font, c.text), expected);
    }
    // A letter past the archive's (Omega) is the system font's, which this test has not: nothing of it
    // is drawn as the Latin-1 glyphs of its bytes (206 and 169).
    EXPECT_EQ(topRow(font, "A\xCE\xA9" "B"), (std::vector<int>{65, 65, 65, 0, 66}));
    EXPECT_EQ(font.textExtent("A\xCE\xA9" "B").w, 6);
}

} // namespace
} // namespace vael::test
