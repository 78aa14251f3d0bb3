// The text-line buffer: wrapping, dropping the oldest lines, the line readers and the clipboard copy.
#include <gtest/gtest.h>

#include <string>

#include "framework/core/format_buffer.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael {
namespace {

using test::FailedChecks;
using test::TestApplication;

std::vector<std::string> linesOf(FormatBuffer& buffer) {
    std::vector<std::string> out;
    for (std::int32_t n = 0; const char* text = buffer.line(n); ++n)
        out.emplace_back(text);
    return out;
}

TEST(FormatBuffer, AHundredLettersAtWidth81GiveLinesOf80And20) {
    FormatBuffer buffer;
    EXPECT_EQ(buffer.lineWidth(), 81);
    EXPECT_EQ(buffer.maxLines(), 2048);
    const std::string letters(100, 'x');
    EXPECT_EQ(buffer.write(letters.c_str()), 1);
    EXPECT_EQ(linesOf(buffer), (std::vector<std::string>{std::string(80, 'x'), std::string(20, 'x')}));
    EXPECT_EQ(buffer.lastLine(), 1);
    EXPECT_EQ(buffer.length(), 100);
}

TEST(FormatBuffer, ACarriageReturnEndsItsLineAndALineFeedIsDropped) {
    FormatBuffer buffer;
    buffer.write("ab\r\ncd");
    EXPECT_EQ(linesOf(buffer), (std::vector<std::string>{"ab\r", "cd"}));
    EXPECT_EQ(buffer.lineCount(), 1);
    // A full line still takes its carriage return.
    FormatBuffer full;
    full.write(std::string(80, 'y') + "\rz");
    EXPECT_EQ(linesOf(full), (std::vector<std::string>{std::string(80, 'y') + "\r", "z"}));
    // A count writes that many characters, zero bytes included.
    FormatBuffer counted;
    counted.write("abcdef", 3);
    EXPECT_EQ(linesOf(counted), std::vector<std::string>{"abc"});
}

TEST(FormatBuffer, TheOldestLinesBeyondTheMaximumAreDropped) {
    FormatBuffer buffer(81, 3);
    buffer.write("a\rb\rc\rd\re");
    EXPECT_EQ(linesOf(buffer), (std::vector<std::string>{"c\r", "d\r", "e"}));
    EXPECT_EQ(buffer.lineCount(), 4);
    EXPECT_EQ(buffer.lastLine(), 2);
    EXPECT_EQ(buffer.droppedLines(), 2);
    EXPECT_EQ(buffer.length(), 5);
}

TEST(FormatBuffer, TheLineReadersMoveTheCurrentLine) {
    FormatBuffer buffer(81, 3);
    buffer.write("a\rb\rc\rd\re");
    EXPECT_STREQ(buffer.line(0), "c\r");
    EXPECT_STREQ(buffer.currentLineText(), "c\r");
    EXPECT_STREQ(buffer.nextLine(), "d\r");
    EXPECT_STREQ(buffer.nextLine(), "e");
    EXPECT_EQ(buffer.nextLine(), nullptr);
    EXPECT_STREQ(buffer.currentLineText(), "e");
    EXPECT_EQ(buffer.line(3), nullptr);
    EXPECT_EQ(buffer.line(-1), nullptr);
    EXPECT_STREQ(buffer.currentLineText(), "e"); // a failed look-up moves nothing

    // moveCurrent answers the index among the kept lines, stopping at either end.
    buffer.line(1);
    EXPECT_EQ(buffer.moveCurrent(-5), 0);
    EXPECT_STREQ(buffer.currentLineText(), "c\r");
    EXPECT_EQ(buffer.moveCurrent(1), 1);
    EXPECT_EQ(buffer.moveCurrent(9), 2);
    buffer.line(0);
    EXPECT_STREQ(buffer.lastLineText(), "e");
    EXPECT_EQ(buffer.moveCurrent(0), 2);
}

TEST(FormatBuffer, TheCurrentLineIsNeverLeftOnALineThatIsDropped) {
    FormatBuffer buffer(81, 2);
    buffer.write("a\rb");
    buffer.line(0);
    buffer.write("\rc\rd");
    EXPECT_STREQ(buffer.currentLineText(), "c\r");
    EXPECT_EQ(buffer.moveCurrent(0), 0);
}

TEST(FormatBuffer, ABufferOfOneLineKeepsOnlyTheLastLine) {
    FormatBuffer buffer(81, 1);
    buffer.write("a\rb\rc");
    EXPECT_EQ(linesOf(buffer), std::vector<std::string>{"c"});
    EXPECT_EQ(buffer.lineCount(), 2);
    EXPECT_EQ(buffer.length(), 1);
}

TEST(FormatBuffer, DeleteLastCharacterAndClear) {
    FormatBuffer buffer;
    buffer.write("ab\rcd");
    buffer.deleteLastCharacter();
    EXPECT_EQ(linesOf(buffer), (std::vector<std::string>{"ab\r", "c"}));
    buffer.deleteLastCharacter();
    buffer.deleteLastCharacter(); // the last line is empty: nothing more goes
    EXPECT_EQ(linesOf(buffer), (std::vector<std::string>{"ab\r", ""}));
    EXPECT_EQ(buffer.length(), 3);
    buffer.clear();
    EXPECT_EQ(buffer.lastLine(), 0);
    EXPECT_EQ(buffer.length(), 0);
    EXPECT_EQ(linesOf(buffer), std::vector<std::string>{""});
    buffer.write("z");
    EXPECT_STREQ(buffer.currentLineText(), "z");
}

TEST(FormatBuffer, AWidthTheLinesCannotHoldIsReportedAndClamped) {
    FailedChecks checks;
    FormatBuffer wide(500, 10);
    ASSERT_EQ(checks.count(), 1u);
    EXPECT_EQ(checks.texts[0],
              "Text buffer of 500 columns and 10 lines: columns must lie between 2 and 100, lines "
              "must be at least 1  Abort?");
    EXPECT_EQ(wide.lineWidth(), 100);
    wide.write(std::string(150, 'w').c_str());
    EXPECT_EQ(linesOf(wide), (std::vector<std::string>{std::string(99, 'w'), std::string(51, 'w')}));
    FormatBuffer none(1, 0);
    EXPECT_EQ(none.lineWidth(), 2);
    EXPECT_EQ(none.maxLines(), 1);
}

class FormatBufferClipboard : public ::testing::Test {
protected:
    void SetUp() override { buffer.write("first\rsecond\rthird\rfourth"); }
    TestApplication app;
    FormatBuffer buffer;
};

TEST_F(FormatBufferClipboard, ARangeOfLinesIsJoinedAsStored) {
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 0, 2, 2, 1), 1);
    EXPECT_EQ(app.clipboard, "rst\rsecond\rth");
    EXPECT_EQ(app.log, (std::vector<std::string>{"openClipboard", "emptyClipboard", "setClipboardText",
                                                 "closeClipboard"}));
    EXPECT_FALSE(app.clipboardIsOpen);
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 1, 0, 2, 99), 1); // columns past the end take the whole line
    EXPECT_EQ(app.clipboard, "second\rthird\r");
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 2, 0, 9, 3), 1); // lines past the end: as far as there are
    EXPECT_EQ(app.clipboard, "third\rfourth");
}

TEST_F(FormatBufferClipboard, ARangeWithinOneLine) {
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 1, 1, 1, 3), 1);
    EXPECT_EQ(app.clipboard, "eco");
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 1, 4, 1, 2), 1);
    EXPECT_EQ(app.clipboard, "");
}

TEST_F(FormatBufferClipboard, NothingIsCopiedFromALineThatDoesNotExistOrABackwardRange) {
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 4, 0, 5, 0), 0);
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 2, 0, 1, 0), 0);
    EXPECT_TRUE(app.log.empty());
    EXPECT_TRUE(app.boxes.empty());
}

TEST_F(FormatBufferClipboard, AClipboardThatCannotBeOpenedIsReported) {
    app.clipboardOpens = false;
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 0, 0, 1, 0), 0);
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(app.boxes[0].text, "Clipboard error--unable to transfer text");
    EXPECT_EQ(app.boxes[0].title, "TARQEL Error");
    EXPECT_EQ(app.boxes[0].style, MessageBoxIconExclamation);
}

TEST_F(FormatBufferClipboard, AClipboardThatRefusesTheTextIsClosedAndTheCopyFails) {
    app.clipboardAcceptsText = false;
    EXPECT_EQ(buffer.copyToClipboard(nullptr, 0, 0, 1, 0), 0);
    EXPECT_EQ(app.log.back(), "closeClipboard");
    EXPECT_FALSE(app.clipboardIsOpen);
    EXPECT_TRUE(app.boxes.empty());
}

} // namespace
} // namespace vael
