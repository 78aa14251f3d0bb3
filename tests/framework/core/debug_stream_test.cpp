#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "framework/core/assertion.h"
#include "framework/core/debug_stream.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets an environment variable for a scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Points the global stream at a file for a scope and back at nothing afterwards.
class GlobalTrace {
public:
    explicit GlobalTrace(const std::filesystem::path& file) { debugStream().rdbuf()->open(file.c_str()); }
    ~GlobalTrace() { debugStream().rdbuf()->open(nullptr); }
};

TEST(DebugStream, EachOpeningStartsAnEmptyFile) {
    test::TempDir dir("debug-stream-runs");
    const auto file = dir / "VaelDebugStream";
    {
        DebugStreamBuffer first;
        ASSERT_NE(first.open(file.c_str()), nullptr);
        std::ostream out(&first);
        out << "first run, a longer trace than the second" << std::endl;
    }
    EXPECT_EQ(contents(file), "first run, a longer trace than the second\n");
    DebugStreamBuffer second;
    second.open(file.c_str());
    std::ostream out(&second);
    out << "second run" << std::endl;
    EXPECT_EQ(contents(file), "second run\n");
    // Opening again closes the file in use first.
    const auto other = dir / "other";
    second.open(other.c_str());
    out << "elsewhere" << std::endl;
    EXPECT_EQ(contents(file), "second run\n");
    EXPECT_EQ(contents(other), "elsewhere\n");
}

TEST(DebugStream, ANullNameWritesToTheNullDeviceAndMakesNoFile) {
    test::TempDir dir("debug-stream-null");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    {
        DebugStreamBuffer buffer;
        EXPECT_NE(buffer.open(nullptr), nullptr);
        std::ostream out(&buffer);
        out << "discarded" << std::endl;
        EXPECT_TRUE(out.good());
    }
    std::filesystem::current_path(previous);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(DebugStream, AFlushedBlockReachesTheWindowPartWithCarriageReturnsInItsCopy) {
    test::TempDir dir("debug-stream-window");
    DebugStreamBuffer buffer;
    buffer.open((dir / "trace").c_str());
    std::ostream out(&buffer);
    out << "a\nb\n";
    out.flush();
    EXPECT_EQ(buffer.window().lastLength(), 4u);
    EXPECT_EQ(buffer.window().lastCopy(), "a\r\nb\r\n");
    EXPECT_EQ(contents(dir / "trace"), "a\nb\n"); // the file itself gets the text as written
    // A flush with nothing pending hands nothing on.
    DebugStreamWindow window;
    window.write("x\n", 2);
    EXPECT_EQ(window.lastCopy(), "x\r\n");
}

TEST(DebugStream, TheGlobalStreamDiscardsUntilItIsOpened) {
    std::ostream& out = debugStream();
    out << "before the program entry" << std::endl;
    EXPECT_TRUE(out.good());
    test::TempDir dir("debug-stream-global");
    {
        GlobalTrace trace(dir / "VaelDebugStream");
        debugStream() << "traced" << std::endl;
        EXPECT_EQ(contents(dir / "VaelDebugStream"), "traced\n");
    }
    debugStream() << "discarded again" << std::endl;
    EXPECT_EQ(contents(dir / "VaelDebugStream"), "traced\n");
}

TEST(DebugStream, TheTraceFileComesFromTheOptionTheEnvironmentOrTheStateDirectory) {
    test::TempDir dir("debug-stream-path");
    const std::string state = (dir / "state").string();
    ScopedEnv xdg("XDG_STATE_HOME", state.c_str());
    {
        ScopedEnv trace("VAEL_TRACE", nullptr);
        EXPECT_EQ(traceFilePath(nullptr), dir / "state" / "vael" / "VaelDebugStream");
        EXPECT_TRUE(std::filesystem::is_directory(dir / "state" / "vael"));
        EXPECT_EQ(traceFilePath(""), dir / "state" / "vael" / "VaelDebugStream");
        EXPECT_EQ(traceFilePath("/tmp/x/given"), "/tmp/x/given");
    }
    {
        ScopedEnv trace("VAEL_TRACE", "/tmp/y/from-env");
        EXPECT_EQ(traceFilePath(nullptr), "/tmp/y/from-env");
        EXPECT_EQ(traceFilePath("/tmp/x/given"), "/tmp/x/given"); // the option wins
    }
    {
        ScopedEnv trace("VAEL_TRACE", "");
        ScopedEnv noXdg("XDG_STATE_HOME", nullptr);
        ScopedEnv home("HOME", (dir / "home").c_str());
        EXPECT_EQ(traceFilePath(nullptr), dir / "home" / ".local" / "state" / "vael" / "VaelDebugStream");
    }
}

// --- the assertion routine -----------------------------------------------------------------------------

struct Asked {
    std::string text;
    std::string caption;
};

class AssertionTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = Assertion::setPrompt([this](const std::string& text, const std::string& caption) {
            asked.push_back({text, caption});
            return answer;
        });
    }
    void TearDown() override { Assertion::setPrompt(std::move(previous_)); }

    std::vector<Asked> asked;
    bool answer = false;
    test::TempDir dir{"assertion"};

private:
    AssertionPrompt previous_;
};

TEST_F(AssertionTest, ATrueConditionShowsAndWritesNothing) {
    GlobalTrace trace(dir / "trace");
    Assertion::check(1, "never shown", "framework/core/utils.cpp", 817);
    Assertion::check(-5, "never shown", "framework/core/utils.cpp", 818);
    debugStream().flush();
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(contents(dir / "trace"), "");
}

TEST_F(AssertionTest, AFailureIsTracedThenAskedWithFileAndLine) {
    GlobalTrace trace(dir / "trace");
    answer = false;
    Assertion::fail("Bad data passed in bus message to function", "framework/core/utils.cpp", 817);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, "Failure in framework/core/utils.cpp at line 817.");
    EXPECT_EQ(asked[0].text, "Bad data passed in bus message to function  Abort?");
    EXPECT_EQ(
        contents(dir / "trace"),
        "<<Failure in framework/core/utils.cpp at line 817.>>\nBad data passed in bus message to function\n");
    // Answered No: the caller carries on, and a failed check reports the same way.
    Assertion::check(0, "Invalid Box Dimensions", "geometry.cpp", 28);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].caption, "Failure in geometry.cpp at line 28.");
    EXPECT_EQ(asked[1].text, "Invalid Box Dimensions  Abort?");
}

TEST_F(AssertionTest, AnsweringYesThrowsTheFactsOfTheFailure) {
    answer = true;
    try {
        Assertion::fail("Out of range", "framework/core/utils.cpp", 817);
        FAIL() << "no Assertion thrown";
    } catch (const Assertion& a) {
        EXPECT_EQ(a.message(), "Out of range");
        EXPECT_EQ(a.file(), "framework/core/utils.cpp");
        EXPECT_EQ(a.line(), 817);
        const Assertion copy(a);
        EXPECT_EQ(copy.message(), a.message());
        EXPECT_EQ(copy.file(), a.file());
        EXPECT_EQ(copy.line(), a.line());
    }
    EXPECT_THROW(Assertion::check(0, "x", "y.cpp", 1), Assertion);
    EXPECT_EQ(asked.size(), 2u);
}

TEST(AssertionWithoutPrompt, EveryFailureAborts) {
    AssertionPrompt previous = Assertion::setPrompt(nullptr);
    EXPECT_THROW(Assertion::fail("no one to ask", nullptr, 3), Assertion);
    try {
        Assertion::fail("no one to ask", nullptr, 3);
    } catch (const Assertion& a) {
        EXPECT_EQ(a.file(), "");
    }
    Assertion::setPrompt(std::move(previous));
}

} // namespace
} // namespace vael
