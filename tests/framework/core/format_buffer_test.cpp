// The text-line buffer: wrapping, dropping the oldest lines, the line readers and the clipboard copy.
#include "framework/core/format_buffer.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

#include <gtest/gtest.h>

namespace vael::test {
namespace {

using Lines = std::vector<std::string>;

Lines linesOf(FormatBuffer& buffer) {
    Lines out;
    for (std::int32_t n = 0; const char* text = buffer.line(n); ++n)
        out.emplace_back(text);
    return out;
}

std::string text(const char* line) {
    return line ? line : "(none)";
}

TEST(FormatBuffer, LinesWrapAtTheWidthAndEndAtACarriageReturnWhileLineFeedsAreDropped) {
    FormatBuffer buffer, crlf, full, counted;
    EXPECT_EQ(buffer.write(std::string(100, 'x').c_str()), 1);
    crlf.write("ab\r\ncd");
    full.write(std::string(80, 'y') + "\rz"); // a full line still takes its carriage return
    counted.write("abcdef", 3);               // a count writes that many characters
    EXPECT_EQ((std::tuple{buffer.lineWidth(), buffer.maxLines(), linesOf(buffer), buffer.lastLine(),
                          buffer.length()}),
              std::tuple(81, 2048, Lines{std::string(80, 'x'), std::string(20, 'x')}, 1, 100));
    EXPECT_EQ((std::tuple{linesOf(crlf), crlf.lineCount(), linesOf(full), linesOf(counted)}),
              std::tuple(Lines{"ab\r", "cd"}, 1, Lines{std::string(80, 'y') + "\r", "z"}, Lines{"abc"}));
}

TEST(FormatBuffer, TheOldestLinesBeyondTheMaximumAreDroppedAndTheReadersCountTheKeptOnes) {
    FormatBuffer buffer(81, 3), two(81, 2), one(81, 1);
    buffer.write("a\rb\rc\rd\re"); // the bytes underneath go with their lines
    EXPECT_EQ((std::tuple{linesOf(buffer), buffer.lineCount(), buffer.lastLine(), buffer.droppedLines(),
                          buffer.length()}),
              std::tuple(Lines{"c\r", "d\r", "e"}, 4, 2, 2, 5));
    EXPECT_EQ(
        (Lines{text(buffer.line(0)), text(buffer.nextLine()), text(buffer.nextLine()),
               text(buffer.nextLine()), text(buffer.line(3)), text(buffer.line(-1)),
               text(buffer.currentLineText())}),
        (Lines{"c\r", "d\r", "e", "(none)", "(none)", "(none)", "e"})); // a failed look-up moves nothing
    // moveCurrent answers the index among the kept lines, stopping at either end.
    buffer.line(1);
    EXPECT_EQ((std::tuple{buffer.moveCurrent(-5), text(buffer.currentLineText()), buffer.moveCurrent(1),
                          buffer.moveCurrent(9), text(buffer.line(0)), text(buffer.lastLineText()),
                          buffer.moveCurrent(0)}),
              std::tuple(0, "c\r", 1, 2, "c\r", "e", 2));
    two.write("a\rb"), two.line(0), two.write("\rc\rd"); // the current line never stays on a dropped line
    one.write("a\rb\rc");                                // a buffer of one line keeps only the last
    EXPECT_EQ((std::tuple{text(two.currentLineText()), two.moveCurrent(0), linesOf(one), one.lineCount(),
                          one.length()}),
              std::tuple("c\r", 0, Lines{"c"}, 2, 1));
    // Taking text off the front uses up whole lines: the reader that stood on one moves to the first left.
    std::string taken;
    buffer.line(0);
    EXPECT_EQ((std::tuple{buffer.extract(taken, 'd'), taken, text(buffer.currentLineText()),
                          buffer.moveCurrent(0), linesOf(buffer), buffer.lineCount()}),
              std::tuple(2, "c\r", "\r", 0, Lines{"\r", "e"}, 4));
}

TEST(FormatBuffer, DeleteLastCharacterStaysInTheLastLineAndClearStartsAfresh) {
    FormatBuffer buffer;
    buffer.write("ab\rcd");
    buffer.deleteLastCharacter();
    EXPECT_EQ(linesOf(buffer), (Lines{"ab\r", "c"}));
    buffer.deleteLastCharacter(), buffer.deleteLastCharacter(); // the second finds the last line empty
    EXPECT_EQ((std::tuple{linesOf(buffer), buffer.length()}), std::tuple(Lines{"ab\r", ""}, 3));
    buffer.clear();
    EXPECT_EQ((std::tuple{linesOf(buffer), buffer.lastLine(), buffer.length()}), std::tuple(Lines{""}, 0, 0));
    buffer.write("z");
    EXPECT_STREQ(buffer.currentLineText(), "z");
}

TEST(FormatBuffer, AWidthTheLinesCannotHoldIsReportedAndClamped) {
    FailedChecks checks;
    FormatBuffer wide(500, 10), none(1, 0);
    wide.write(std::string(150, 'w').c_str());
    EXPECT_EQ(
        (std::tuple{checks.texts[0], checks.count(), none.lineWidth(), none.maxLines(), wide.lineWidth()}),
        std::tuple("Text buffer of 500 columns and 10 lines: columns must lie between 2 and 100, lines must "
                   "be at least 1  Abort?",
                   2u, 2, 1, 100));
    EXPECT_EQ(linesOf(wide), (Lines{std::string(99, 'w'), std::string(51, 'w')}));
}

TEST(FormatBuffer, ARangeOfLinesIsCopiedToTheClipboardJoinedAsStored) {
    TestApplication app;
    FormatBuffer buffer;
    buffer.write("first\rsecond\rthird\rfourth");
    // {first line, first column, last line, last column, what is copied}
    const std::tuple<int, int, int, int, std::string> copies[] = {
        {0, 2, 2, 1, "rst\rsecond\rth"},
        {1, 0, 2, 99, "second\rthird\r"}, // columns past the end take the whole line
        {2, 0, 9, 3, "third\rfourth"},    // lines past the end: as far as there are
        {1, 1, 1, 3, "eco"},              // within one line
        {1, 4, 1, 2, ""}};
    for (const auto& [line0, column0, line1, column1, copied] : copies)
        EXPECT_EQ(
            (std::tuple{buffer.copyToClipboard(nullptr, line0, column0, line1, column1), app.clipboard}),
            std::tuple(1, copied));
    EXPECT_EQ(Lines(app.log.begin(), app.log.begin() + 4), (Lines{"open", "empty", "setText", "close"}));
    app.log.clear();
    // Failures: no such line, a backward range, a refused text, a clipboard that does not open.
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 4, 0, 5, 0) + buffer.copyToClipboard(nullptr, 2, 0, 1, 0), 0);
    EXPECT_TRUE(app.log.empty());
    app.clipboardAcceptsText = false;
    EXPECT_EQ((std::tuple{buffer.copyToClipboard(nullptr, 0, 0, 1, 0), app.log.back(), app.clipboardIsOpen}),
              std::tuple(0, "close", false));
    app.clipboardOpens = false; // only this one is shown to the user
    EXPECT_EQ((std::tuple{app.boxes.size(), buffer.copyToClipboard(nullptr, 0, 0, 1, 0), app.boxes.size()}),
              std::tuple(0u, 0, 1u));
    EXPECT_EQ(
        (std::tuple{app.boxes[0].text, app.boxes[0].title, app.boxes[0].style}),
        std::tuple("Clipboard error--unable to transfer text", "TARQEL Error", MessageBoxIconExclamation));
}

} // namespace
} // namespace vael::test
