#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstring>
#include <locale>
#include <tuple>

#include "framework/core/assertion.h"
#include "framework/core/debug_stream.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

using Strings = std::vector<std::string>;

const auto contents = [](const std::filesystem::path& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
};

TEST(DebugStream, EachOpeningStartsAnEmptyFileAndFlushedTextReachesTheWindowPart) {
    test::TempDir dir("debug-stream");
    DebugStreamBuffer buffer;
    std::ostream out(&buffer);
    // Each opening closes the file in use first.
    for (auto [name, text] : {std::pair{"VaelDebugStream", "first run, a longer trace than the second"},
                              {"VaelDebugStream", "second run"},
                              {"other", "elsewhere"}}) {
        ASSERT_NE(buffer.open((dir / name).c_str()), nullptr);
        out << text << std::endl;
    }
    // The window part gets the flushed block; the file gets the text as written.
    out << "a\nb\n" << std::flush;
    EXPECT_EQ(buffer.window().lastLength(), 4u);
    EXPECT_EQ(
        (Strings{buffer.window().lastCopy(), contents(dir / "VaelDebugStream"), contents(dir / "other")}),
        (Strings{"a\r\nb\r\n", "second run\n", "elsewhere\na\nb\n"}));
    // A null name writes to the null device and makes no file.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_NE(buffer.open(nullptr), nullptr);
    out << "discarded" << std::endl;
    std::filesystem::current_path(previous);
    EXPECT_TRUE(out.good());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// With no file the window still gets each flushed block on its own, however much went before (more than
// the stream's buffer holds); a file opened after that gets its text again.
TEST(DebugStream, WithoutAFileEachFlushReachesTheWindowAloneAndALaterFileGetsItsText) {
    test::TempDir dir("debug-stream-null");
    DebugStreamBuffer buffer;
    std::ostream out(&buffer);
    ASSERT_NE(buffer.open(nullptr), nullptr);
    const std::string line(1000, 'x');
    for (int i = 0; i < 100; ++i)
        out << line << std::endl;
    out << "last" << std::endl;
    EXPECT_EQ((std::tuple{buffer.window().lastCopy(), buffer.window().lastLength(), out.good()}),
              std::tuple("last\r\n", 5u, true));
    ASSERT_NE(buffer.open((dir / "after").c_str()), nullptr);
    out << "kept" << std::endl;
    EXPECT_EQ((Strings{buffer.window().lastCopy(), contents(dir / "after")}),
              (Strings{"kept\r\n", "kept\n"}));
}

// The window's copy puts a carriage return before every line feed, at either end and side by side, and
// takes text after the last one as it is.
// A trace is written to a regular file only: a FIFO nobody reads is refused at once with the reason (the
// standard file buffer would wait for a reader for ever), and so is a device; the stream then formats
// nothing, and a later file takes the text as usual.
TEST(DebugStream, AFifoOrADeviceForATraceIsRefusedAtOnceAndTheStreamWritesNothing) {
    test::TempDir dir("debug-stream-fifo");
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& name : {fifo, std::string("/dev/null")}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(debugStream().rdbuf()->open(name.c_str()), nullptr);
        EXPECT_EQ(debugStream().rdbuf()->openError(), name + " is not a regular file");
        EXPECT_FALSE(debugStream().tracing());
        debugStream() << "nobody reads this" << std::endl;
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    ASSERT_NE(debugStream().rdbuf()->open((dir / "after").c_str()), nullptr);
    EXPECT_EQ(debugStream().rdbuf()->openError(), "");
    debugStream() << "read" << std::endl;
    debugStream().rdbuf()->open(nullptr);
    std::ostringstream text;
    text << std::ifstream(dir / "after").rdbuf();
    EXPECT_EQ(text.str(), "read\n");
}

TEST(DebugStream, TheWindowCopyMarksEveryLineFeed) {
    DebugStreamWindow window;
    for (auto [text, copy] : {std::pair{"", ""},
                              {"plain", "plain"},
                              {"\n", "\r\n"},
                              {"x\n\ny", "x\r\n\r\ny"},
                              {"\nlead and tail\n", "\r\nlead and tail\r\n"}}) {
        SCOPED_TRACE(text);
        window.write(text, std::strlen(text));
        EXPECT_EQ(window.lastCopy(), copy);
        EXPECT_EQ(window.lastLength(), std::strlen(text));
    }
}

// A trace that a write error cuts (a limit on the size of files, as "ulimit -f 4" sets) says so once, on
// standard error, however many lines come after; the file keeps what was written before. In a child of
// its own, since the limit is the process's; its standard error goes to a pipe, which no limit cuts.
TEST(DebugStream, ATraceCutByAWriteErrorSaysSoOnceOnStandardError) {
    test::TempDir dir("debug-stream-cut");
    const auto file = dir / "VaelDebugStream";
    int said[2];
    ASSERT_EQ(::pipe(said), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(said[0]);
        ::dup2(said[1], 2);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        DebugStreamBuffer buffer;
        std::ostream out(&buffer);
        buffer.open(file.c_str());
        // Short lines flushed one at a time, then long ones that go past the buffer.
        for (int i = 0; i < 500; ++i)
            out << "line " << i << " of the trace" << std::endl;
        out.clear();
        for (int i = 0; i < 20; ++i)
            out << std::string(3000, 'x') << std::endl;
        ::_exit(0);
    }
    ::close(said[1]);
    std::string text;
    char chunk[512];
    for (ssize_t n; (n = ::read(said[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(n));
    ::close(said[0]);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string line =
        ": the trace " + file.string() + " is cut short: File too large; nothing more is written to it\n";
    ASSERT_GE(text.size(), line.size());
    EXPECT_EQ(text.substr(text.size() - line.size()), line) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
    EXPECT_EQ(std::filesystem::file_size(file), 4096u);
    EXPECT_EQ(contents(file).substr(0, 28), "line 0 of the trace\nline 1 o");
}

// Counts the numbers the stream formats.
class CountingNumbers : public std::num_put<char> {
public:
    explicit CountingNumbers(int& count) : count_(count) {}

protected:
    iter_type do_put(iter_type out, std::ios_base& io, char fill, long value) const override {
        ++count_;
        return std::num_put<char>::do_put(out, io, fill, value);
    }

private:
    int& count_;
};

// The global stream formats nothing while no file is open (a battle traces tens of thousands of lines
// nobody reads), and writes every line byte for byte, manipulators and all, while one is; a file that
// cannot be opened counts as none.
TEST(DebugStream, TheGlobalStreamFormatsOnlyWhileAFileTakesTheText) {
    test::TempDir dir("debug-stream-muted");
    int formatted = 0;
    const std::locale previous =
        debugStream().imbue(std::locale(std::locale::classic(), new CountingNumbers(formatted)));
    const auto traceLines = [] {
        debugStream() << "Taking " << 2 << " hits at " << std::hex << 0x2b << std::dec << '\n'
                      << -7L << std::endl;
    };
    const auto rounds = [&](const char* name) {
        if (name)
            debugStream().rdbuf()->open((dir / name).c_str());
        else
            debugStream().rdbuf()->open(nullptr);
        const bool tracing = debugStream().tracing();
        traceLines();
        return std::tuple(formatted, tracing, debugStream().good());
    };
    using Round = std::tuple<int, bool, bool>;
    EXPECT_EQ(rounds(nullptr), Round(0, false, false));
    EXPECT_EQ(rounds("trace"), Round(3, true, true));
    EXPECT_EQ(rounds(nullptr), Round(3, false, false));
    EXPECT_EQ(rounds("no-such-folder/trace"), Round(3, false, false));
    EXPECT_EQ(rounds("again"), Round(6, true, true));
    debugStream().rdbuf()->open(nullptr);
    debugStream().imbue(previous);
    EXPECT_EQ((Strings{contents(dir / "trace"), contents(dir / "again")}),
              (Strings{"Taking 2 hits at 2b\n-7\n", "Taking 2 hits at 2b\n-7\n"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "no-such-folder"));
}

// --- the assertion routine -----------------------------------------------------------------------------

using Facts = std::tuple<std::string, std::string, int>;

// The message, file and line of the Assertion the call throws.
const auto thrown = [](const std::function<void()>& call) {
    try {
        call();
    } catch (const Assertion& a) {
        const Assertion copy(a);
        return Facts(copy.message(), copy.file(), copy.line());
    }
    return Facts("nothing thrown", "", 0);
};

TEST(Assertion, AFailureIsTracedThenAskedAndAbortingThrowsItsFacts) {
    test::TempDir dir("assertion");
    Strings captions, texts;
    bool abort = false;
    AssertionPrompt previous = Assertion::setPrompt([&](const std::string& text, const std::string& caption) {
        captions.push_back(caption);
        texts.push_back(text);
        return abort;
    });
    // The global stream discards what comes before it is opened, and after it is pointed back at nothing.
    debugStream() << "before the program entry" << std::endl;
    debugStream().rdbuf()->open((dir / "trace").c_str());
    Assertion::check(1, "never shown", "utils.cpp", 816);
    Assertion::check(-5, "never shown", "utils.cpp", 816);
    Assertion::fail("Bad data passed in bus message to function", "..\\BRAMBLE\\UTILS", 817);
    // Answered No: the caller carries on.
    Assertion::check(0, "Invalid Box Dimensions", "geometry.cpp", 28);
    debugStream().rdbuf()->open(nullptr);
    debugStream() << "after the program" << std::endl;
    // Failed on purpose while no file takes the text (see the formatting test above).
    EXPECT_TRUE(debugStream().bad());
    EXPECT_EQ(contents(dir / "trace"), "<<Failure in ..\\BRAMBLE\\UTILS at line 817.>>\n"
                                       "Bad data passed in bus message to function\n"
                                       "<<Failure in geometry.cpp at line 28.>>\nInvalid Box Dimensions\n");
    EXPECT_EQ(captions,
              (Strings{"Failure in ..\\BRAMBLE\\UTILS at line 817.", "Failure in geometry.cpp at line 28."}));
    EXPECT_EQ(texts, (Strings{"Bad data passed in bus message to function  Abort?",
                              "Invalid Box Dimensions  Abort?"}));
    abort = true;
    EXPECT_EQ(thrown([] { Assertion::fail("Out of range", "utils.cpp", 817); }),
              Facts("Out of range", "utils.cpp", 817));
    EXPECT_EQ(thrown([] { Assertion::check(0, "x", "y.cpp", 1); }), Facts("x", "y.cpp", 1));
    EXPECT_EQ(texts.size(), 4u);
    // With nobody to ask, every failure aborts.
    Assertion::setPrompt(nullptr);
    EXPECT_EQ(thrown([] { Assertion::fail("no one to ask", nullptr, 3); }), Facts("no one to ask", "", 3));
    Assertion::setPrompt(previous);
}

} // namespace
} // namespace vael
