#include "framework/core/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace vael {
namespace {

TEST(Utf8, CodesAreWrittenInTheirShortestForm) {
    const struct {
        std::uint32_t code;
        const char* bytes;
    } rows[] = {
        {0x41, "A"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0xE4, "\xC3\xA4"},   // a-umlaut
        {0x3A9, "\xCE\xA9"},  // Omega
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0x20AC, "\xE2\x82\xAC"}, // euro
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {0x110000, "\xEF\xBF\xBD"}, // past Unicode: the replacement character
        {0xD800, "\xEF\xBF\xBD"},   // a surrogate too
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(utf8Encode(r.code), r.bytes);
    }
}

TEST(Utf8, ReadingTakesWholeCharactersAndBytesThatAreNoneAsLatin1) {
    const struct {
        const char* what;
        std::string text;
        std::uint32_t code;
        std::size_t length;
    } rows[] = {
        {"ASCII", "K", 'K', 1},
        {"two bytes", "\xC3\xA4x", 0xE4, 2},
        {"three", "\xE2\x82\xAC", 0x20AC, 3},
        {"four", "\xF0\x9F\x98\x80", 0x1F600, 4},
        {"a Latin-1 byte", "\xE4rnten", 0xE4, 1},
        {"a lead cut short", "\xC3", 0xC3, 1},
        {"a lead followed by no continuation", "\xC3" "A", 0xC3, 1},
        {"a lone continuation", "\xA4", 0xA4, 1},
        {"an overlong slash", "\xC0\xAF", 0xC0, 1},
        {"a surrogate", "\xED\xA0\x80", 0xED, 1},
        {"past Unicode", "\xF4\x90\x80\x80", 0xF4, 1},
        {"nothing", "", 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::size_t length = 99;
        EXPECT_EQ(utf8Decode(r.text, 0, length), r.code);
        EXPECT_EQ(length, r.length);
    }
}

TEST(Utf8, PlacesStepOverWholeCharacters) {
    // K, a-umlaut, Omega, euro, a face, then a Latin-1 byte: places 0 1 3 5 8 12 13.
    const std::string text = "K\xC3\xA4\xCE\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xE4";
    const std::size_t places[] = {0, 1, 3, 5, 8, 12, 13};
    for (std::size_t i = 0; i + 1 < std::size(places); ++i) {
        SCOPED_TRACE(places[i]);
        EXPECT_EQ(utf8Next(text, places[i]), places[i + 1]);
        EXPECT_EQ(utf8Previous(text, places[i + 1]), places[i]);
    }
    EXPECT_EQ(utf8Next(text, 13), 13u);
    EXPECT_EQ(utf8Next(text, 40), 13u);
    EXPECT_EQ(utf8Previous(text, 0), 0u);
    EXPECT_EQ(utf8Previous(text, 40), 13u);
    // Continuation bytes with no lead before them go one at a time.
    EXPECT_EQ(utf8Previous("a\x82\xAC", 3), 2u);
}

TEST(Utf8, OnlyTextThatIsNotUtf8IsReadAsLatin1) {
    EXPECT_TRUE(isUtf8(""));
    EXPECT_TRUE(isUtf8("K\xC3\xA4rnten \xC3\x86\xC3\x98\xC3\x85"));
    EXPECT_FALSE(isUtf8("K\xE4rnten"));
    EXPECT_FALSE(isUtf8("ok\xC3"));
    // The first byte past ASCII, alone, is a Latin-1 letter (a control character there), not UTF-8; the
    // last ASCII byte is.
    EXPECT_FALSE(isUtf8("\x80"));
    EXPECT_FALSE(isUtf8("a\x80z"));
    EXPECT_TRUE(isUtf8("\x7F"));
    EXPECT_EQ(asUtf8("\x80"), "\xC2\x80");
    EXPECT_EQ(asUtf8("K\xC3\xA4rnten"), "K\xC3\xA4rnten");
    // The name as an older game was saved: "Kärnten ÆØÅ save".
    EXPECT_EQ(asUtf8("K\344rnten \346\370\345 save"), "K\xC3\xA4rnten \xC3\xA6\xC3\xB8\xC3\xA5 save");
}

} // namespace
} // namespace vael
