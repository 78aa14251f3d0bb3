#pragma once
// Text kept as a bounded list of lines: long lines wrap, the oldest lines beyond the maximum are dropped,
// and a range of lines can be copied to the clipboard as plain text. Each chunk of the byte buffer
// underneath is one line; its tag is the line's number counted from the first line ever written.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/super_string.h"

namespace vael {

class Display;

class FormatBuffer : public SuperString {
public:
    static constexpr std::int32_t DefaultMaxLines = 2048;
    static constexpr std::int32_t DefaultLineWidth = 81;

    FormatBuffer();
    // A line holds lineWidth - 1 characters (and the carriage return that ends it); lineWidth lies
    // between 2 and the size of a chunk, maxLines is at least 1.
    FormatBuffer(std::int32_t lineWidth, std::int32_t maxLines);

    // Appends the text (count 0: up to its terminating zero byte). A carriage return ends its line and is
    // kept as the line's last character; a line feed is dropped; a full line wraps. 1, or 0 when a new
    // line could not be made.
    std::int16_t write(const void* data, std::int32_t count = 0) override;
    std::int16_t write(const std::string& text) {
        return write(text.data(), static_cast<std::int32_t>(text.size()));
    }
    // Starts a new line, dropping the oldest when the buffer holds its maximum.
    std::int16_t newLine();
    // Lines written so far as the buffer counts them: the index of the last kept line plus the lines
    // dropped.
    std::int32_t lineCount() const { return lastLine_ + droppedLines_; }

    // The readers answer the text of a line (null when there is none) and make it the current line.
    const char* line(std::int32_t n);
    const char* nextLine();
    const char* currentLineText();
    const char* lastLineText();
    // Moves the current line n lines on (back for n < 0), stopping at either end; answers the index of
    // the line reached among the kept lines.
    std::int32_t moveCurrent(std::int32_t n);
    void deleteLastCharacter();
    void clear() override;
    // Takes text up to the delimiter off the front as the byte buffer does; the lines it used up count as
    // dropped, and the current line moves to the first line left.
    std::int32_t extract(std::string& out, char delimiter) override;

    // Copies lines firstLine (from firstColumn) to lastLine (to lastColumn, inclusive) to the clipboard as
    // plain text, lines joined as they are stored; 1 on success, 0 on failure (reported to the user).
    std::int16_t copyToClipboard(Display* window, std::int32_t firstLine, std::int32_t firstColumn,
                                 std::int32_t lastLine, std::int32_t lastColumn);

    std::int32_t lastLine() const { return lastLine_; }
    std::int32_t maxLines() const { return maxLines_; }
    std::int32_t lineWidth() const { return lineWidth_; }
    std::int32_t droppedLines() const { return droppedLines_; }

private:
    const char* textOf(const Chunk* chunk);
    Chunk* lineChunk(std::int32_t n) const;

    std::int32_t lastLine_ = 0;
    std::int32_t maxLines_ = DefaultMaxLines;
    std::int32_t lineWidth_ = DefaultLineWidth;
    Chunk* currentLine_ = nullptr;
    std::int32_t droppedLines_ = 0;
    std::vector<char> lineText_;
};

} // namespace vael
