#pragma once
// The text scanner under the plan-script compiler: cuts a script into words, numbers, quoted texts and
// single characters by a table of character classes that the compiler may extend.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vael {

class StreamTokenizer {
public:
    static constexpr std::uint32_t CT_END = 1;
    static constexpr std::uint32_t CT_NEWLINE = 2;
    static constexpr std::uint32_t CT_WHITE = 4;
    static constexpr std::uint32_t CT_COMMENT = 8;
    static constexpr std::uint32_t CT_QUOTE = 16;
    static constexpr std::uint32_t CT_SINGLE = 32;
    static constexpr std::uint32_t CT_DIGIT = 64;
    static constexpr std::uint32_t CT_WORD = 128;

    // The longest token; one more character is an error.
    static constexpr std::size_t maxTokenLength = 255;

    StreamTokenizer();
    virtual ~StreamTokenizer() = default;

    // Opens the file for reading as text; true when open, else openError() says what is wrong with it.
    bool open(const std::string& fileName);
    const std::string& openError() const { return openError_; }
    // Scans the given text as if it were the file's contents; the compiler's tests and fuzzing feed
    // scripts this way.
    void openText(const std::string& text);
    void close();
    bool isOpen() const { return open_; }

    // Reads the next token and answers its class, or 0 with the message in the token text.
    std::uint32_t nextToken();

    void setCharType(int character, std::uint32_t bits);
    void setCharTypes(int first, int last, std::uint32_t bits);
    void resetCharTypes(int first, int last);
    std::uint32_t charType(int character) const { return charTypes_[character & 0xFF]; }

    const std::string& tokenText() const { return token_; }
    std::uint32_t tokenClass() const { return tokenClass_; }
    std::int32_t lineNumber() const { return lineNumber_; }

protected:
    // Lets an import set the enclosing file aside and take it up again where it stopped.
    struct Source {
        std::string text;
        std::size_t position = 0;
        bool open = false;
        unsigned char pushedBack = 0;
        std::uint32_t pushedBackClass = 0;
        std::int32_t lineNumber = 1;
    };
    Source takeSource();
    void restoreSource(Source source);

private:
    static std::uint32_t defaultCharType(int character);
    void initCharTypes();
    // The next byte as the text-mode reader gives it: a carriage return before a line feed vanishes,
    // and the end of the text reads as 0.
    unsigned char readChar();
    void pushBack(unsigned char c, std::uint32_t charClass) { pushedBack_ = c, pushedBackClass_ = charClass; }
    std::uint32_t fail(const std::string& message);
    std::uint32_t readRun(std::uint32_t runClass, const char* illegalFormat);

    std::uint32_t charTypes_[256];
    unsigned char pushedBack_ = 0;
    std::string text_;
    std::size_t position_ = 0;
    bool open_ = false;
    std::int32_t lineNumber_ = 1;
    std::string token_;
    std::uint32_t tokenClass_ = 0;
    std::uint32_t pushedBackClass_ = 0;
    std::string openError_;
};

} // namespace vael
