// The display catalogue's reader against hand-written lines, and our own catalogue file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "game/figures/display_catalogue.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

TEST(DisplayCatalogueTest, ReadsEveryFieldOfALineAndSkipsCommentsAndBlankLines) {
    DisplayCatalogue c;
    ASSERT_TRUE(c.parse("# a comment\n\n  \t\n40 PElephant 13 3 3 Indian Elephants  \r\n"
                        "7\tPTezhar\t6\t-\t2\tPersian King\n"))
        << c.error();
    const DisplayCatalogueEntry* e = c.find(40);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(*e, (DisplayCatalogueEntry{40, DisplayClass::PElephant, 13, 3, 3, "Indian Elephants"}));
    EXPECT_EQ(e->archiveNames(),
              (std::array<std::string, 3>{"Indian Elephants", "Indian Elephants (Half size)",
                                          "Indian Elephants (Quarter size)"}));
    ASSERT_NE(c.find(7), nullptr);
    EXPECT_EQ(*c.find(7), (DisplayCatalogueEntry{7, DisplayClass::PTezhar, 6, -1, 2, "Persian King"}));
    EXPECT_EQ(c.find(8), nullptr);
    EXPECT_EQ(c.find(45), nullptr);
    EXPECT_EQ(c.entries().size(), 2u);
    EXPECT_EQ(c.missing().size(), 43u);
}

TEST(DisplayCatalogueTest, ABadLineIsNamedAndNothingIsKept) {
    const std::string good = "1 PArcher 0 0 1 Archers\n";
    struct Row {
        const char* line;
        const char* error;
    } rows[] = {
        {"45 PArcher 0 0 1 A", "line 2: the type id \"45\" is not a number from 0 to 44"},
        {"-1 PArcher 0 0 1 A", "line 2: the type id \"-1\" is not a number from 0 to 44"},
        {"4x PArcher 0 0 1 A", "line 2: the type id \"4x\" is not a number from 0 to 44"},
        {"1 PArcher 0 0 1 B", "line 2: type id 1 is given twice"},
        {"2 PBowman 0 0 1 A", "line 2: \"PBowman\" is no display class"},
        {"2 PArcher 16 0 1 A", "line 2: the unit kind \"16\" is not a number from 0 to 15"},
        {"2 PArcher 0 5 1 A", "line 2: the missile kind \"5\" is neither - nor 0 to 4"},
        {"2 PArcher 0 x 1 A", "line 2: the missile kind \"x\" is neither - nor 0 to 4"},
        {"2 PArcher 0 0 0 A", "line 2: the nation \"0\" is not a number from 1 to 9"},
        {"2 PArcher 0 0 10 A", "line 2: the nation \"10\" is not a number from 1 to 9"},
        {"2 PArcher 0 0 1", "line 2: type id 2 names no archive"},
        {"2 PArcher 0 0 1   \t", "line 2: type id 2 names no archive"},
        {"2 PArcher", "line 2: the unit kind \"\" is not a number from 0 to 15"},
        {"2 PArcher 0 0 1 A\x01", "line 2: the archive name of type id 2 holds a control character"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        DisplayCatalogue c;
        EXPECT_FALSE(c.parse(good + r.line + "\n"));
        EXPECT_EQ(c.error(), std::string("display_catalogue.txt ") + r.error);
        EXPECT_EQ(c.find(1), nullptr);
        EXPECT_TRUE(c.entries().empty());
    }
}

TEST(DisplayCatalogueTest, TheBoundsOfEveryNumberAreKeptFromBothSides) {
    DisplayCatalogue c;
    EXPECT_TRUE(c.parse("0 PLeader 0 0 1 A\n44 POxybeles 15 4 9 B\n")) << c.error();
    EXPECT_EQ(c.find(0)->unitKind, 0);
    EXPECT_EQ(c.find(44)->missileKind, 4);
    EXPECT_EQ(c.find(44)->nation, 9u);
}

TEST(DisplayCatalogueTest, AnArchiveNameLeavesRoomForTheLongestSuffix) {
    DisplayCatalogue c;
    const std::string longest(DisplayCatalogue::LongestArchiveName, 'a');
    EXPECT_TRUE(c.parse("3 PPhalanx 3 - 1 " + longest + "\n")) << c.error();
    EXPECT_EQ(c.find(3)->quarterSizeName().size(), 63u);
    EXPECT_FALSE(c.parse("3 PPhalanx 3 - 1 " + longest + "a\n"));
    EXPECT_NE(c.error().find("line 1: the archive name"), std::string::npos) << c.error();
}

// A catalogue an editor saved with a byte order mark gives every type its artwork, as one without it does; a
// word the file holds is quoted with what is no UTF-8 and every control byte escaped, never as raw bytes.
TEST(DisplayCatalogueTest, AByteOrderMarkIsNoPartOfTheFirstLineAndQuotedWordsAreEscaped) {
    TempDir dir("display-catalogue-mark");
    const auto path = (dir / DisplayCatalogue::FileName).string();
    const struct {
        const char* what;
        std::string text;
        std::size_t types;
        std::string error;
    } rows[] = {
        {"a mark before a comment", "\xEF\xBB\xBF# types\r\n7 PTezhar 6 - 2 Persian King\r\n", 1, ""},
        {"a mark before a type",
         "\xEF\xBB\xBF"
         "7 PTezhar 6 - 2 Persian King\n1 PArcher 0 0 1 A\n",
         2, ""},
        {"a mark on the second line",
         "# types\n\xEF\xBB\xBF"
         "7 PTezhar 6 - 2 Persian King\n",
         0,
         "display_catalogue.txt line 2: the type id \"\xEF\xBB\xBF"
         "7\" is not a number from 0 to 44"},
        {"a byte that is no UTF-8",
         "\xFF\xFE"
         "7 PTezhar 6 - 2 Persian King\n",
         0,
         "display_catalogue.txt line 1: the type id \"\\xFF\\xFE"
         "7\" is not a number from 0 to 44"},
        {"a lone byte in a class name", "7 PT\xE9zhar 6 - 2 Persian King\n", 0,
         "display_catalogue.txt line 1: \"PT\\xE9zhar\" is no display class"},
        {"an escape in a nation", "7 PTezhar 6 - \x1B[2J 2 A\n", 0,
         "display_catalogue.txt line 1: the nation \"\\x1B[2J\" is not a number from 1 to 9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        { std::ofstream(path, std::ios::binary | std::ios::trunc) << row.text; }
        DisplayCatalogue c;
        EXPECT_EQ(c.load(path), row.error.empty());
        EXPECT_EQ(c.error(), row.error);
        EXPECT_EQ(c.entries().size(), row.types);
        if (row.types > 0) {
            ASSERT_NE(c.find(7), nullptr);
            EXPECT_EQ(*c.find(7),
                      (DisplayCatalogueEntry{7, DisplayClass::PTezhar, 6, -1, 2, "Persian King"}));
        }
    }
}

TEST(DisplayCatalogueTest, AFileThatCannotBeOpenedIsNamed) {
    DisplayCatalogue c;
    EXPECT_FALSE(c.load("/nonexistent/display_catalogue.txt"));
    EXPECT_EQ(c.error(), "cannot open /nonexistent/display_catalogue.txt: No such file or directory");
}

// A file of nothing, or of comments only, would show every unit without artwork: refused as a damaged one is,
// while one line of a type is enough to be taken.
TEST(DisplayCatalogueTest, AFileThatNamesNoTypeIsRefused) {
    TempDir dir("display-catalogue");
    const auto path = (dir / DisplayCatalogue::FileName).string();
    for (const char* text : {"", "\n", "# only a comment\n\n   \n"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(text)));
        { std::ofstream(path, std::ios::binary) << text; }
        DisplayCatalogue c;
        EXPECT_FALSE(c.load(path));
        EXPECT_EQ(c.error(), "display_catalogue.txt names no display type");
    }
    { std::ofstream(path, std::ios::binary) << "# one type\n7 PTezhar 6 - 2 Persian King\n"; }
    DisplayCatalogue one;
    EXPECT_TRUE(one.load(path)) << one.error();
    EXPECT_EQ(one.entries().size(), 1u);
}

TEST(DisplayCatalogueTest, EveryClassNameReadsBackToItsClass) {
    for (int i = 0; i <= static_cast<int>(DisplayClass::POxybeles); ++i) {
        const auto c = static_cast<DisplayClass>(i);
        ASSERT_NE(displayClassName(c), nullptr) << i;
        EXPECT_EQ(displayClassNamed(displayClassName(c)), c) << i;
    }
    EXPECT_EQ(displayClassName(static_cast<DisplayClass>(17)), nullptr);
    EXPECT_EQ(displayClassNamed("pleader"), std::nullopt);
}

// Our catalogue covers every type id, and gives the prototypes the program registers their classes.
TEST(DisplayCatalogueTest, OurCatalogueCoversEveryTypeIdWithTheRegisteredClasses) {
    DisplayCatalogue c;
    ASSERT_TRUE(c.load(VAEL_DISPLAY_CATALOGUE)) << c.error();
    EXPECT_TRUE(c.missing().empty());
    struct Row {
        std::uint16_t id;
        DisplayClass displayClass;
        std::int16_t missileKind;
    } rows[] = {{0, DisplayClass::PLeader, -1},   {4, DisplayClass::PLeader, -1},
                {35, DisplayClass::PLeader, -1},  {8, DisplayClass::PLancer, -1},
                {10, DisplayClass::PArcher, 0},   {36, DisplayClass::PArcher, 0},
                {17, DisplayClass::PPhalanx, -1}, {39, DisplayClass::PMountedJavelinist, 3},
                {40, DisplayClass::PElephant, 3}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        ASSERT_NE(c.find(r.id), nullptr);
        EXPECT_EQ(c.find(r.id)->displayClass, r.displayClass);
        EXPECT_EQ(c.find(r.id)->missileKind, r.missileKind);
    }
}

} // namespace
} // namespace vael::test
