// Text from a file made fit for a message: control bytes written as \xHH (C0, DEL and C1, in UTF-8 or alone),
// every other byte as it was.
#include "framework/core/printable.h"

#include <gtest/gtest.h>

namespace vael {
namespace {

TEST(Printable, ControlBytesAreWrittenAsHexEscapesAndEveryOtherByteIsKept) {
    const struct {
        const char* what;
        std::string text, shown;
    } rows[] = {
        {"plain text", "GHATMAR_V1.pln", "GHATMAR_V1.pln"},
        {"an escape sequence that clears the screen", "\x1B[2J\x1B[31mred", "\\x1B[2J\\x1B[31mred"},
        {"a bell and a carriage return", "a\x07\rb", "a\\x07\\x0Db"},
        {"a line break and a tab", "one\ntwo\tthree", "one\\x0Atwo\\x09three"},
        {"the first and last control bytes", std::string("\0\x1F", 2), "\\x00\\x1F"},
        {"delete", "x\x7Fy", "x\\x7Fy"},
        {"the first printable byte and the last below delete", " ~", " ~"},
        {"UTF-8 is kept", "Vael\xC3\xA9", "Vael\xC3\xA9"},
        {"the first C1 control in UTF-8", "a\xC2\x80", "a\\xC2\\x80"},
        {"the control sequence introducer in UTF-8", "\xC2\x9B" "31m", "\\xC2\\x9B" "31m"},
        {"the last C1 control in UTF-8", "a\xC2\x9F", "a\\xC2\\x9F"},
        {"the first character past the C1 controls", "a\xC2\xA0", "a\xC2\xA0"},
        {"a lone C1 byte", "Bob\x85", "Bob\\x85"},
        {"the first lone C1 byte", "Bob\x80", "Bob\\x80"},
        {"the last lone C1 byte", "Bob\x9F", "Bob\\x9F"},
        {"a lone byte past the C1 controls", "Bob\xA0", "Bob\xA0"},
        {"a letter of three bytes", "\xE2\x82\xAC", "\xE2\x82\xAC"},
        {"a backslash is kept", "a\\x1B", "a\\x1B"},
        {"nothing", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(printable(row.text), row.shown);
        // Shown once, it has nothing left to escape.
        EXPECT_EQ(printable(row.shown), row.shown);
    }
}

// In a message about a data file a byte that begins no whole UTF-8 character is written as \xHH as well, so
// that a file named in another encoding is told by the bytes that find it; UTF-8 is kept as it is.
TEST(Printable, ForADataFileEveryByteThatIsNoUtf8IsWrittenAsAHexEscapeToo) {
    const struct {
        const char* what;
        std::string text, shown, kept;
    } rows[] = {
        {"a plan named in Latin-1", "g\xFF\xFFtmar_v2.pln", "g\\xFF\\xFFtmar_v2.pln", "g\xFF\xFFtmar_v2.pln"},
        {"the first lone byte past the C1 controls", "Bob\xA0", "Bob\\xA0", "Bob\xA0"},
        {"a lone C1 byte, as before", "Bob\x80", "Bob\\x80", "Bob\\x80"},
        {"delete, as before", "x\x7Fy", "x\\x7Fy", "x\\x7Fy"},
        {"the last byte below delete", "x~", "x~", "x~"},
        {"a letter of two bytes", "Vael\xC3\xA9", "Vael\xC3\xA9", "Vael\xC3\xA9"},
        {"the first character past the C1 controls", "a\xC2\xA0", "a\xC2\xA0", "a\xC2\xA0"},
        {"a letter of four bytes", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"a letter cut short", "x\xE2\x82", "x\\xE2\\x82", "x\xE2\\x82"},
        {"an overlong slash", "\xC0\xAF", "\\xC0\\xAF", "\xC0\xAF"},
        {"a lone continuation byte", "\xBF", "\\xBF", "\xBF"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(printable(row.text, LoneBytes::Escaped), row.shown);
        EXPECT_EQ(printable(row.shown, LoneBytes::Escaped), row.shown);
        EXPECT_EQ(printable(row.text), row.kept);
    }
}

// A name quoted from a file is cut to what a box can show, never inside a character or an escape, and says
// that it was cut; one that fits is shown whole.
TEST(Printable, ACutNameEndsBeforeTheCharacterOrEscapeThatWouldPassItsBytes) {
    const struct {
        const char* what;
        std::string text;
        std::size_t most;
        std::string shown;
    } rows[] = {
        {"a name that fits exactly", "abcdef", 6, "abcdef"},
        {"a byte more than fits", "abcdefg", 6, "abcdef..."},
        {"a control byte whose escape ends exactly", "abc\x01", 7, "abc\\x01"},
        {"a control byte whose escape would pass by one", "abcd\x01", 7, "abcd..."},
        {"a control byte whose escape would straddle the end", "ab\x01\x01", 7, "ab\\x01..."},
        {"a letter of two bytes that ends exactly", "abcd\xC3\xA9", 6, "abcd\xC3\xA9"},
        {"a letter of two bytes one past", "abcde\xC3\xA9", 6, "abcde..."},
        {"a C1 control in UTF-8 escaped whole", "a\xC2\x80", 9, "a\\xC2\\x80"},
        {"a C1 control in UTF-8 one past", "a\xC2\x80", 8, "a..."},
        {"nothing", "", 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(printableCut(row.text, row.most), row.shown);
    }
    SCOPED_TRACE("two thousand control bytes");
    const std::string cut = printableCut(std::string(2000, '\x01'), QuotedNameBytes);
    EXPECT_EQ(cut, [] {
        std::string shown;
        for (int k = 0; k < 16; ++k)
            shown += "\\x01";
        return shown + "...";
    }());
}

} // namespace
} // namespace vael
