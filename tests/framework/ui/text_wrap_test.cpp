// Rows of a message no wider than its box: every character of the text in order, blanks between words
// dropped at the row breaks only, a long path broken after a slash, an empty line kept.
#include "framework/ui/text_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vael {
namespace {

using Rows = std::vector<std::string>;

std::int32_t characters(const std::string& row) {
    return static_cast<std::int32_t>(row.size());
}

TEST(TextWrap, RowsBreakAtBlanksAndLongWordsAfterASlash) {
    const struct {
        const char* what;
        std::string text;
        std::int32_t width;
        Rows rows;
    } cases[] = {
        {"fits exactly", "ab cd", 5, {"ab cd"}},
        {"one over", "ab cde", 5, {"ab", "cde"}},
        {"a word as wide as the row", "abcde fg", 5, {"abcde", "fg"}},
        {"a word one wider, no slash", "abcdef", 5, {"abcde", "f"}},
        {"a path, cut after its last slash that fits", "/usr/vael/x.vel", 10, {"/usr/vael/", "x.vel"}},
        {"a slash past the width does not count", "abcdefgh/ij", 5, {"abcde", "fgh/", "ij"}},
        {"a slash at the very end of the head", "abcd/efgh", 5, {"abcd/", "efgh"}},
        {"after a row of words", "go to /a/bb/ccc/dddd", 8, {"go to", "/a/bb/", "ccc/dddd"}},
        {"line breaks begin rows, empty lines stay", "a\n\nb", 5, {"a", "", "b"}},
        {"doubled blanks", "a  b", 5, {"a b"}},
        {"nothing", "", 5, {""}},
        {"the row is never empty of a word", "abc", 0, {"a", "b", "c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(wrapText(c.text, c.width, characters), c.rows);
    }
}

// A word cut where it does not fit is cut between characters, never inside a character's bytes: "é" is two
// bytes of UTF-8, measured as one character.
TEST(TextWrap, AWordIsCutBetweenWholeCharacters) {
    const struct {
        const char* what;
        std::string text;
        std::int32_t width;
        Rows rows;
    } cases[] = {
        {"five characters of eight bytes fit a row of five",
         "\xC3\xA9t\xC3\xA9s\xC3\xA9",
         5,
         {"\xC3\xA9t\xC3\xA9s\xC3\xA9"}},
        {"the sixth goes to the next row whole",
         "\xC3\xA9t\xC3\xA9s\xC3\xA9\xC3\xA9",
         5,
         {"\xC3\xA9t\xC3\xA9s\xC3\xA9", "\xC3\xA9"}},
        {"a row of one character takes a whole one", "\xC3\xA9\xC3\xA9", 0, {"\xC3\xA9", "\xC3\xA9"}},
        {"three bytes of one character", "ab\xE2\x82\xAC", 2, {"ab", "\xE2\x82\xAC"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(wrapText(c.text, c.width, characterCount), c.rows);
    }
    EXPECT_EQ(characterCount("\xC3\xA9t\xE2\x82\xAC"), 3);
}

} // namespace
} // namespace vael
