#include "game/ai/stream_tokenizer.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_dir.h"

namespace vael {
namespace {

constexpr std::uint32_t WORD = StreamTokenizer::CT_WORD;
constexpr std::uint32_t DIGIT = StreamTokenizer::CT_DIGIT | StreamTokenizer::CT_WORD;
constexpr std::uint32_t SINGLE = StreamTokenizer::CT_SINGLE;
constexpr std::uint32_t QUOTE = StreamTokenizer::CT_QUOTE | StreamTokenizer::CT_SINGLE;
constexpr std::uint32_t END = StreamTokenizer::CT_END | StreamTokenizer::CT_WHITE;

struct Token {
    std::uint32_t cls;
    std::string text;
    std::int32_t line;
    bool operator==(const Token&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Token& t) {
    return out << "{" << t.cls << ", \"" << t.text << "\", line " << t.line << "}";
}

// Scans the text up to the end token or the first error, with the comment class the compiler adds.
std::vector<Token> scan(const std::string& text) {
    StreamTokenizer scanner;
    scanner.setCharType('\'', StreamTokenizer::CT_COMMENT);
    scanner.openText(text);
    std::vector<Token> tokens;
    for (int guard = 0; guard < 100; ++guard) {
        const std::uint32_t cls = scanner.nextToken();
        tokens.push_back({cls, scanner.tokenText(), scanner.lineNumber()});
        if (cls == 0 || (cls & StreamTokenizer::CT_END)) break;
    }
    return tokens;
}

TEST(StreamTokenizer, DefaultClassesOfBoundaryCharacters) {
    StreamTokenizer scanner;
    const std::pair<int, std::uint32_t> rows[] = {
        {0, StreamTokenizer::CT_END | StreamTokenizer::CT_WHITE},
        {10, StreamTokenizer::CT_NEWLINE | StreamTokenizer::CT_WHITE},
        {11, StreamTokenizer::CT_WHITE},
        {12, StreamTokenizer::CT_NEWLINE | StreamTokenizer::CT_WHITE},
        {32, StreamTokenizer::CT_WHITE},
        {33, SINGLE},
        {34, QUOTE},
        {39, SINGLE},
        {47, SINGLE},
        {'0', DIGIT | 0},
        {'9', StreamTokenizer::CT_DIGIT | WORD},
        {58, SINGLE},
        {64, SINGLE},
        {'A', WORD},
        {'Z', WORD},
        {91, SINGLE},
        {94, SINGLE},
        {'_', WORD},
        {96, 0},
        {'z', WORD},
        {123, SINGLE},
        {126, SINGLE},
        {127, 0},
        {255, 0},
    };
    for (const auto& [c, bits] : rows) {
        SCOPED_TRACE(c);
        EXPECT_EQ(scanner.charType(c), bits);
    }
    scanner.setCharTypes('a', 'c', StreamTokenizer::CT_SINGLE);
    EXPECT_EQ(scanner.charType('b'), WORD | SINGLE);
    EXPECT_EQ(scanner.charType('d'), WORD);
    scanner.resetCharTypes('a', 'b');
    EXPECT_EQ(scanner.charType('a'), WORD);
    EXPECT_EQ(scanner.charType('c'), WORD | SINGLE);
}

TEST(StreamTokenizer, CutsTextIntoTokens) {
    const struct {
        std::string text;
        std::vector<Token> tokens;
    } rows[] = {
        {"abc_1 42;", {{WORD, "abc_1", 1}, {DIGIT, "42", 1}, {SINGLE, ";", 1}, {END, "", 1}}},
        // A comment may follow a word directly: the apostrophe ends the word and the comment the line.
        {"x'note y\nz", {{WORD, "x", 1}, {WORD, "z", 2}, {END, "", 2}}},
        // Two-character operators are two tokens.
        {"<=", {{SINGLE, "<", 1}, {SINGLE, "=", 1}, {END, "", 1}}},
        // Quoted text spans lines without counting them and drops its quotes.
        {"\"a\nb\" c", {{QUOTE, "a\nb", 1}, {WORD, "c", 1}, {END, "", 1}}},
        // A carriage return and line feed is one line end; a lone one of either counts a line.
        {"a\r\nb\rc\n\nd", {{WORD, "a", 1}, {WORD, "b", 2}, {WORD, "c", 3}, {WORD, "d", 5}, {END, "", 5}}},
        // Byte 0 ends the input.
        {std::string("a\0b", 3), {{WORD, "a", 1}, {END, "", 1}}},
        {"", {{END, "", 1}}},
        {"'only a comment", {{END, "", 1}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(scan(row.text), row.tokens);
    }
}

TEST(StreamTokenizer, ReportsMalformedTokens) {
    const std::string word255(255, 'w');
    const struct {
        std::string text;
        std::string message;
    } rows[] = {
        {"\"abc", "Scanner Error at 1: Unmatched quotation"},
        {"\n\"ab\ncd", "Scanner Error at 2: Unmatched quotation"},
        {"12ab", "Scanner Error at 1: Number contains illegal 'a'"},
        {"a`", "Scanner Error at 1: Alpha contains illegal char '`'"},
        {"`", "Scanner Error at 1: Unknown token starts with '`'"},
        // A byte that is not a character of ASCII is shown as \xHH, never as itself: alone it is half a
        // character of UTF-8, or a control, on the player's screen.
        {"\x7f", "Scanner Error at 1: Unknown token starts with '\\x7F'"},
        {"ab\xc3", "Scanner Error at 1: Alpha contains illegal char '\\xC3'"},
        {"a\x7f", "Scanner Error at 1: Alpha contains illegal char '\\x7F'"},
        {"a\x80", "Scanner Error at 1: Alpha contains illegal char '\\x80'"},
        {"a\x9f", "Scanner Error at 1: Alpha contains illegal char '\\x9F'"},
        {"a\xa0", "Scanner Error at 1: Alpha contains illegal char '\\xA0'"},
        {"a\xff", "Scanner Error at 1: Alpha contains illegal char '\\xFF'"},
        {"7\xa0", "Scanner Error at 1: Number contains illegal '\\xA0'"},
        {"7\xff", "Scanner Error at 1: Number contains illegal '\\xFF'"},
        {"\xa0", "Scanner Error at 1: Unknown token starts with '\\xA0'"},
        {"\xff", "Scanner Error at 1: Unknown token starts with '\\xFF'"},
        {word255 + "w", "Scanner Error at 1: Token exceeds 255 characters"},
        {std::string(256, '7'), "Scanner Error at 1: Token exceeds 255 characters"},
        {"\"" + word255 + "w\"", "Scanner Error at 1: Token exceeds 255 characters"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 20));
        const std::vector<Token> tokens = scan(row.text);
        ASSERT_FALSE(tokens.empty());
        EXPECT_EQ(tokens.back().cls, 0u);
        EXPECT_EQ(tokens.back().text, row.message);
    }
    // The longest word and the longest quoted text are still tokens.
    EXPECT_EQ(scan(word255)[0], (Token{WORD, word255, 1}));
    EXPECT_EQ(scan("\"" + word255 + "\"")[0], (Token{QUOTE, word255, 1}));
}

TEST(StreamTokenizer, NeedsAnOpenStream) {
    StreamTokenizer scanner;
    EXPECT_EQ(scanner.nextToken(), 0u);
    EXPECT_EQ(scanner.tokenText(), "Scanner Error at 1: Stream is not open");
    EXPECT_FALSE(scanner.open("/nonexistent/script.txt"));
}

TEST(StreamTokenizer, ReadsAFileAsText) {
    test::TempDir dir("tokenizer-file");
    std::ofstream(dir / "s.txt", std::ios::binary) << "one\r\ntwo";
    StreamTokenizer scanner;
    ASSERT_TRUE(scanner.open((dir / "s.txt").string()));
    scanner.nextToken();
    EXPECT_EQ(scanner.nextToken(), WORD);
    EXPECT_EQ(scanner.tokenText(), "two");
    EXPECT_EQ(scanner.lineNumber(), 2);
}

} // namespace
} // namespace vael
