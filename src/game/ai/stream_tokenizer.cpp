#include "game/ai/stream_tokenizer.h"

#include "framework/core/read_file.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace vael {

namespace {

// The byte that stopped the scanner, as the refusal shows it: a character of ASCII as itself, any other byte
// as \xHH. Past ASCII it is a piece of a character the scanner does not read, which alone would reach the
// player's screen or terminal as a broken character or a control.
std::string shownByte(unsigned char c) {
    if (c > 0x20 && c < 0x7F) return std::string(1, static_cast<char>(c));
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    return hex;
}

} // namespace

StreamTokenizer::StreamTokenizer() {
    initCharTypes();
}

std::uint32_t StreamTokenizer::defaultCharType(int c) {
    std::uint32_t bits = 0;
    if (c <= 32) bits |= CT_WHITE;
    if (c == 10 || c == 13 || c == 12) bits |= CT_NEWLINE;
    if (c == 0) bits |= CT_END;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')
        bits |= CT_WORD;
    if (c >= '0' && c <= '9') bits |= CT_DIGIT;
    if (c == '"') bits |= CT_QUOTE;
    if ((c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 94) || (c >= 123 && c <= 126))
        bits |= CT_SINGLE;
    return bits;
}

void StreamTokenizer::initCharTypes() {
    for (int c = 0; c < 256; ++c)
        charTypes_[c] = defaultCharType(c);
}

void StreamTokenizer::setCharType(int character, std::uint32_t bits) {
    charTypes_[character & 0xFF] |= bits;
}

void StreamTokenizer::setCharTypes(int first, int last, std::uint32_t bits) {
    for (int c = first; c <= last; ++c)
        setCharType(c, bits);
}

void StreamTokenizer::resetCharTypes(int first, int last) {
    for (int c = first; c <= last; ++c)
        charTypes_[c & 0xFF] = defaultCharType(c & 0xFF);
}

bool StreamTokenizer::open(const std::string& fileName) {
    close();
    std::string text;
    openError_.clear();
    if (!readDataText(fileName, text, openError_, file_limits::Text)) return false;
    openText(text);
    return true;
}

void StreamTokenizer::openText(const std::string& text) {
    close();
    text_ = text;
    position_ = 0;
    open_ = true;
    // Lines are counted per file; an import sets the enclosing file's count aside and restores it.
    lineNumber_ = 1;
}

void StreamTokenizer::close() {
    open_ = false;
    text_.clear();
    position_ = 0;
    pushedBack_ = 0;
    pushedBackClass_ = 0;
}

StreamTokenizer::Source StreamTokenizer::takeSource() {
    Source saved{std::move(text_), position_, open_, pushedBack_, pushedBackClass_, lineNumber_};
    text_.clear();
    open_ = false;
    position_ = 0;
    pushedBack_ = 0;
    pushedBackClass_ = 0;
    lineNumber_ = 1;
    return saved;
}

void StreamTokenizer::restoreSource(Source source) {
    text_ = std::move(source.text);
    position_ = source.position;
    open_ = source.open;
    pushedBack_ = source.pushedBack;
    pushedBackClass_ = source.pushedBackClass;
    lineNumber_ = source.lineNumber;
}

unsigned char StreamTokenizer::readChar() {
    if (position_ >= text_.size()) return 0;
    unsigned char c = static_cast<unsigned char>(text_[position_++]);
    if (c == '\r' && position_ < text_.size() && text_[position_] == '\n')
        c = static_cast<unsigned char>(text_[position_++]);
    return c;
}

std::uint32_t StreamTokenizer::fail(const std::string& message) {
    token_ = "Scanner Error at " + std::to_string(lineNumber_) + ": " + message;
    tokenClass_ = 0;
    return 0;
}

// Reads the rest of a number or word. The terminator is pushed back only when it may stand next to a
// token (white space or a character of its own); any other neighbour makes the token malformed.
std::uint32_t StreamTokenizer::readRun(std::uint32_t runClass, const char* illegalFormat) {
    for (;;) {
        const unsigned char c = readChar();
        const std::uint32_t cls = charTypes_[c];
        if (cls & runClass) {
            if (token_.size() >= maxTokenLength) return fail("Token exceeds 255 characters");
            token_.push_back(static_cast<char>(c));
            continue;
        }
        if (cls & (CT_WHITE | CT_SINGLE)) {
            pushBack(c, cls);
            return tokenClass_;
        }
        char message[64];
        std::snprintf(message, sizeof message, illegalFormat, shownByte(c).c_str());
        return fail(message);
    }
}

std::uint32_t StreamTokenizer::nextToken() {
    tokenClass_ = 0;
    token_.clear();
    if (!open_) return fail("Stream is not open");
    for (;;) {
        unsigned char c;
        if (pushedBackClass_ != 0) {
            c = pushedBack_;
            tokenClass_ = pushedBackClass_;
            pushedBackClass_ = 0;
        } else {
            c = readChar();
            tokenClass_ = charTypes_[c];
        }
        // The end of the input reads as an empty token text, as the zero that ends it would.
        if (c == 0)
            token_.clear();
        else
            token_.assign(1, static_cast<char>(c));
        if (tokenClass_ & CT_END) return tokenClass_;
        if (tokenClass_ & CT_NEWLINE) {
            ++lineNumber_;
            continue;
        }
        if (tokenClass_ & CT_WHITE) continue;
        if (tokenClass_ & CT_COMMENT) {
            unsigned char d;
            do
                d = readChar();
            while (!(charTypes_[d] & (CT_END | CT_NEWLINE)));
            pushBack(d, charTypes_[d]);
            continue;
        }
        break;
    }
    if (tokenClass_ & CT_QUOTE) {
        token_.clear();
        for (;;) {
            const unsigned char c = readChar();
            const std::uint32_t cls = charTypes_[c];
            if (cls & CT_QUOTE) return tokenClass_;
            if (cls & CT_END) return fail("Unmatched quotation");
            if (token_.size() >= maxTokenLength) return fail("Token exceeds 255 characters");
            token_.push_back(static_cast<char>(c));
        }
    }
    if (tokenClass_ & CT_SINGLE) return tokenClass_;
    if (tokenClass_ & CT_DIGIT) return readRun(CT_DIGIT, "Number contains illegal '%s'");
    if (tokenClass_ & CT_WORD) return readRun(CT_WORD, "Alpha contains illegal char '%s'");
    char message[64];
    std::snprintf(message, sizeof message, "Unknown token starts with '%s'",
                  shownByte(static_cast<unsigned char>(token_[0])).c_str());
    return fail(message);
}

} // namespace vael
