#include <gtest/gtest.h>

#include "framework/ui/font.h"
#include "picture_dump.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

using Rows = std::vector<std::string>;

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
        {"&AB", 1, "AAA.B.....", ".~~~~....."},
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
    EXPECT_EQ(rowsOf(target), (Rows{"xxxxxx", "xAAAxx", "xAAAxx"}));
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
