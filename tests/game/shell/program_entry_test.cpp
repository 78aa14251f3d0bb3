// One game per user: the lock is held for the life of its holder and refused to a second one meanwhile.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "framework/core/assertion.h"
#include "framework/core/data_file_report.h"
#include "framework/core/memory_manager.h"
#include "framework/display/bitmap.h"
#include "game/shell/program_entry.h"
#include "game/shell/vael_game.h"
#include "platform/headless/headless_platform.h"
#include "support/linked_data.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

TEST(SingleInstance, ASecondGameIsRefusedWhileTheFirstRunsAndLetInOnceItHasGone) {
    TempDir dir("single-instance");
    const auto lock = dir / "state" / "vael.lock"; // its folder is made as needed
    std::optional<SingleInstance> first(std::in_place, lock);
    EXPECT_TRUE(first->acquired());
    {
        SingleInstance second(lock);
        EXPECT_FALSE(second.acquired());
    }
    // The refused one let go of nothing that was not its own.
    SingleInstance third(lock);
    EXPECT_FALSE(third.acquired());
    first.reset();
    SingleInstance fourth(lock);
    EXPECT_TRUE(fourth.acquired());
}

// What stands in the lock's place is locked instead and told: a second game is refused as ever, and what
// stood there is left as it was.
TEST(SingleInstance, WhatStandsInTheLocksPlaceIsLockedInsteadAndASecondGameRefused) {
    TempDir dir("single-instance-in-the-way");
    const auto folder = dir / "folder";
    std::filesystem::create_directories(folder / "state" / "vael.lock");
    const auto fileState = dir / "file";
    std::filesystem::create_directories(fileState);
    { std::ofstream(fileState / "state") << "not a folder\n"; }
    struct Case {
        const char* name;
        std::filesystem::path lock, standIn;
        const char* why;
    };
    for (const Case& c : {Case{"a folder named as the lock", folder / "state" / "vael.lock",
                               folder / "state" / "vael.lock", "Is a directory"},
                          Case{"the state folder a file", fileState / "state" / "vael.lock", fileState / "state",
                               "Not a directory"}}) {
        SCOPED_TRACE(c.name);
        std::optional<SingleInstance> first(std::in_place, c.lock);
        EXPECT_TRUE(first->acquired());
        EXPECT_EQ(first->problem(), "the lock " + c.lock.string() + " cannot be kept (" + c.why +
                                        "): the game locks " + c.standIn.string() + " in its place");
        {
            SingleInstance second(c.lock);
            EXPECT_FALSE(second.acquired());
            EXPECT_EQ(second.problem(), first->problem());
        }
        first.reset();
        SingleInstance third(c.lock);
        EXPECT_TRUE(third.acquired());
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder / "state" / "vael.lock"));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "state" / "vael.lock"));
    std::ifstream kept(fileState / "state");
    const std::string text{std::istreambuf_iterator<char>(kept), {}};
    EXPECT_EQ(text, "not a folder\n");
}

// State folders that cannot be made under one parent (a file where a folder should be, or the system's own
// /proc): nothing further up their path is locked, which every folder under it would share. Each game locks
// a file of the runtime folder named after its own lock; both start, and a second game of either is refused.
// Without a runtime folder of the player's no game is refused.
TEST(SingleInstance, TwoStateFoldersThatCannotBeMadeUnderOneParentBothStart) {
    TempDir dir("single-instance-unmade");
    { std::ofstream(dir / "parent") << "a file\n"; }
    const auto runtime = dir / "run";
    std::filesystem::create_directories(runtime);
    struct Case {
        const char* name;
        std::filesystem::path parent, runtime;
        const char* why;
    };
    for (const Case& c :
         {Case{"under a file", dir / "parent", runtime, "Not a directory"},
          Case{"under /proc", "/proc", runtime, "No such file or directory"},
          Case{"under a file, no runtime folder", dir / "parent", dir / "none", "Not a directory"},
          Case{"under a file, no runtime folder named", dir / "parent", {}, "Not a directory"}}) {
        SCOPED_TRACE(c.name);
        const auto lockA = c.parent / "vael-test-a" / "vael.lock",
                   lockB = c.parent / "vael-test-b" / "vael.lock";
        std::optional<SingleInstance> a(std::in_place, lockA, c.runtime);
        SingleInstance b(lockB, c.runtime);
        EXPECT_TRUE(a->acquired());
        EXPECT_TRUE(b.acquired());
        const bool locked = c.runtime == runtime;
        const auto start = [&](const std::filesystem::path& lock) {
            return "the lock " + lock.string() + " cannot be kept (" + c.why + "): ";
        };
        for (const auto* lock : {&lockA, &lockB}) {
            const std::string problem = (lock == &lockA ? a->problem() : b.problem());
            EXPECT_EQ(problem.rfind(start(*lock), 0), 0u) << problem;
            if (locked) {
                // "vael-", sixteen hexadecimal digits and ".lock".
                const std::string standIn = "the game locks " + runtime.string() + "/vael-";
                EXPECT_EQ(problem.find(standIn), start(*lock).size()) << problem;
                EXPECT_EQ(problem.size(), start(*lock).size() + standIn.size() + 16 + 18) << problem;
                EXPECT_EQ(problem.substr(problem.size() - 18), ".lock in its place") << problem;
            } else {
                EXPECT_EQ(problem, start(*lock) + "a second game is not refused");
            }
        }
        // Each folder has a stand-in of its own.
        if (locked) {
            EXPECT_NE(a->problem().substr(start(lockA).size()), b.problem().substr(start(lockB).size()));
        }
        {
            // A second game of the same folder meets the first one's stand-in.
            SingleInstance again(lockA, c.runtime);
            EXPECT_EQ(again.acquired(), !locked);
            EXPECT_EQ(again.problem(), a->problem());
        }
        a.reset();
        SingleInstance after(lockA, c.runtime);
        EXPECT_TRUE(after.acquired());
    }
    // One stand-in per folder, each the player's own and nothing else's; the parent is left as it was.
    std::size_t standIns = 0;
    for (const auto& entry : std::filesystem::directory_iterator(runtime)) {
        ++standIns;
        EXPECT_TRUE(entry.is_regular_file());
        EXPECT_EQ(entry.status().permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    EXPECT_EQ(standIns, 4u);
    std::ifstream kept(dir / "parent");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "a file\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "none"));
}

// The runtime folder is the environment's when it names one by its full path, else the user's under /run.
TEST(SingleInstance, TheRuntimeFolderIsXdgRuntimeDirByItsFullPathElseTheUsersUnderRun) {
    const char* before = std::getenv("XDG_RUNTIME_DIR");
    const std::string kept = before ? before : "";
    const std::string own = "/run/user/" + std::to_string(::geteuid());
    for (const auto& [value, folder] : std::vector<std::pair<const char*, std::string>>{
             {"/tmp/run-42", "/tmp/run-42"}, {"relative/run", own}, {"", own}, {nullptr, own}}) {
        SCOPED_TRACE(value ? value : "unset");
        if (value)
            ::setenv("XDG_RUNTIME_DIR", value, 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(SingleInstance::userRuntimeFolder(), folder);
    }
    if (before)
        ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

// A trace never goes into a file of the game's data, whatever path names it: the file itself, another case
// of its name, its folder by a link or a way round, a link or a hard link to it from elsewhere. A new name,
// a file outside the data, and a data folder that is not there let the trace go.
TEST(TraceKeptOff, AFileOfTheDataFoldersIsKeptByAnyPathToIt) {
    TempDir dir("trace-kept-off");
    const auto data = dir / "data", second = dir / "second";
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(second);
    std::filesystem::create_directories(dir / "elsewhere");
    for (const char* name : {"ghatmar.scn", "oiffile.hed", "ghatmar_v1.pln", "display_catalogue.txt"})
        std::ofstream(data / name) << name;
    std::ofstream(second / "vael.pal") << "palette";
    std::ofstream(dir / "elsewhere" / "trace.txt") << "an old trace";
    std::filesystem::create_directory_symlink(data, dir / "data-link");
    std::filesystem::create_symlink(data / "ghatmar_v1.pln", dir / "elsewhere" / "plan-link");
    std::filesystem::create_hard_link(data / "oiffile.hed", dir / "elsewhere" / "index-copy");
    const std::vector<std::filesystem::path> folders{data, second, dir / "none"};
    const std::string kept = "; it is left as it is";
    const struct {
        const char* what;
        std::filesystem::path trace;
        std::string why;
    } rows[] = {
        {"the scenario", data / "ghatmar.scn", " is the game's data file " + (data / "ghatmar.scn").string()},
        {"the scenario in capitals", data / "GHATMAR.SCN",
         " is the game's data file " + (data / "ghatmar.scn").string()},
        {"the catalogue through a link to its folder", dir / "data-link" / "display_catalogue.txt",
         " is the game's data file " + (data / "display_catalogue.txt").string()},
        {"the index by a way round", data / ".." / "data" / "OifFile.hed",
         " is the game's data file " + (data / "oiffile.hed").string()},
        {"a link to a plan", dir / "elsewhere" / "plan-link",
         " is the game's data file " + (data / "ghatmar_v1.pln").string()},
        {"a hard link to the index", dir / "elsewhere" / "index-copy",
         " is the game's data file " + (data / "oiffile.hed").string()},
        {"the palette of the second folder", second / "VAEL.pal",
         " is the game's data file " + (second / "vael.pal").string()},
        {"a new name in the data folder", data / "new.trace", ""},
        {"a file outside the data", dir / "elsewhere" / "trace.txt", ""},
        {"a folder's name alone", data / "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(traceKeptOff(row.trace, {}, folders),
                  row.why.empty() ? "" : row.trace.string() + row.why + kept);
        // Without the data folders only the player's own files are kept.
        EXPECT_EQ(traceKeptOff(row.trace, {}), "");
    }
}

TEST(SingleInstance, AKeptLockIsToldNothing) {
    TempDir dir("single-instance-kept");
    SingleInstance kept(dir / "vael.lock");
    EXPECT_TRUE(kept.acquired());
    EXPECT_EQ(kept.problem(), "");
}

// The system's box as the reports see it: what each asked, and the answers the test gives (none left: no
// box could be shown).
struct AskedBox {
    std::string text, caption;
    platform::MessageButtons buttons;
    platform::MessageIcon icon;
};

class FailureReports : public ::testing::Test {
protected:
    FailureReports() {
        installFailureReports([this](const std::string& text, const std::string& caption,
                                     platform::MessageButtons buttons,
                                     platform::MessageIcon icon) -> std::optional<platform::MessageAnswer> {
            asked.push_back({text, caption, buttons, icon});
            if (answers.empty()) return std::nullopt;
            const platform::MessageAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        });
        previousExit_ = heapSetExitFunction([](int status) { exitStatus() = status; });
        exitStatus() = -1;
    }
    ~FailureReports() override {
        removeFailureReports();
        heapSetExitFunction(previousExit_);
    }
    static int& exitStatus() {
        static int status = -1;
        return status;
    }

    std::vector<AskedBox> asked;
    std::deque<platform::MessageAnswer> answers;

private:
    MemExitFunction previousExit_ = nullptr;
};

// Caption "Failure in FILE at line N.", the message and "  Abort?", Yes and No with the stop icon. No goes
// on past the check; Yes, and a box nobody could be shown, throw the Assertion with the check's facts.
TEST_F(FailureReports, AFailedCheckIsAskedInTheSystemsBoxAndOnlyNoGoesOn) {
    answers = {platform::MessageAnswer::No};
    EXPECT_NO_THROW(Assertion::fail("The palette file x.pal is too short", "windows_palette.cpp", 18));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, "Failure in windows_palette.cpp at line 18.");
    EXPECT_EQ(asked[0].text, "The palette file x.pal is too short  Abort?");
    EXPECT_EQ(asked[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(asked[0].icon, platform::MessageIcon::Stop);

    const struct {
        const char* what;
        std::optional<platform::MessageAnswer> answer;
    } rows[] = {{"Yes", platform::MessageAnswer::Yes}, {"no box shown", std::nullopt}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.answer) answers = {*row.answer};
        try {
            Assertion::fail("Can't find /d/oiffile.map", "win_app.cpp", 127);
            ADD_FAILURE() << "no Assertion thrown";
        } catch (const Assertion& thrown) {
            EXPECT_EQ(thrown.message(), "Can't find /d/oiffile.map");
            EXPECT_EQ(thrown.file(), "win_app.cpp");
            EXPECT_EQ(thrown.line(), 127);
        }
    }
    EXPECT_EQ(asked.size(), 3u);
    // A check that holds asks nothing.
    Assertion::check(1, "never", "x.cpp", 1);
    EXPECT_EQ(asked.size(), 3u);
}

// A check that names what a file or the settings hold (a data folder's "Path" with a NUL or a DEL in it) is
// asked with those bytes escaped: the whole text, never cut at the NUL.
TEST_F(FailureReports, AFailedChecksControlBytesAreAskedEscapedAndANulCutsNothing) {
    answers = {platform::MessageAnswer::No};
    Assertion::fail(std::string("The data folder /games/va\0el\x7F is not there", 42), "vael_app.cpp", 130);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "The data folder /games/va\\x00el\\x7F is not there  Abort?");
}

// A check that names a data file whose name is no UTF-8 asks with those bytes as \xHH; UTF-8 is asked as it
// is.
TEST_F(FailureReports, AFailedChecksBytesThatAreNoUtf8AreAskedEscaped) {
    answers = {platform::MessageAnswer::No};
    Assertion::fail("The scenario file /d/g\xFF\xFFtmar\xC3\xA9.scn cannot be read", "scenario_builder.cpp",
                    94);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "The scenario file /d/g\\xFF\\xFFtmar\xC3\xA9.scn cannot be read  Abort?");
}

// Exhausted memory offers Abort, Retry and Ignore: Retry tries again (1), Ignore gives up (0), Abort ends the
// program (here the test's exit function hears of it); with no box shown the manager gives up.
TEST_F(FailureReports, TheMemoryManagersErrorsAreAskedInTheSameBox) {
    const struct {
        const char* what;
        std::optional<platform::MessageAnswer> answer;
        int result, exit;
    } rows[] = {
        {"Retry", platform::MessageAnswer::Retry, 1, -1},
        {"Ignore", platform::MessageAnswer::Ignore, 0, -1},
        {"Abort", platform::MessageAnswer::Abort, 0, 3},
        {"no box shown", std::nullopt, 0, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        asked.clear();
        exitStatus() = -1;
        if (row.answer) answers = {*row.answer};
        EXPECT_EQ(heapReportError(nullptr, MEM_OUT_OF_MEMORY), row.result);
        EXPECT_EQ(exitStatus(), row.exit);
        ASSERT_GE(asked.size(), 1u);
        EXPECT_EQ(asked[0].text, "Out of memory.  Please free some memory, then choose retry.");
        EXPECT_EQ(asked[0].buttons, platform::MessageButtons::AbortRetryIgnore);
    }
    // The other errors name themselves, with OK and Cancel.
    asked.clear();
    answers = {platform::MessageAnswer::Ok};
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_POINTER), 0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "MEM_BAD_POINTER");
    EXPECT_EQ(asked[0].buttons, platform::MessageButtons::OkCancel);
}

// Once removed, the reports are the core's own again: every failure aborts without asking anybody.
TEST_F(FailureReports, RemovedTheReportsAskNothing) {
    removeFailureReports();
    EXPECT_THROW(Assertion::fail("gone", "x.cpp", 2), Assertion);
    EXPECT_TRUE(asked.empty());
}

// Once the platform stands the reports ask in its system box, as the program does: the headless platform
// records what each asked and answers as the test says; with no answer left no box could be shown.
TEST(FailureReportsOnThePlatform, AFailedCheckAndAMemoryErrorAreAskedInThePlatformsSystemBox) {
    platform::HeadlessPlatform os;
    installFailureReports(systemBoxOf(os));
    os.systemAnswers = {platform::MessageAnswer::No, platform::MessageAnswer::Retry};
    EXPECT_NO_THROW(Assertion::fail("The palette file x.pal is too short", "windows_palette.cpp", 18));
    EXPECT_EQ(heapReportError(nullptr, MEM_OUT_OF_MEMORY), 1);
    EXPECT_THROW(Assertion::fail("Can't find /d/oiffile.map", "win_app.cpp", 127), Assertion);
    removeFailureReports();
    ASSERT_EQ(os.systemBoxes.size(), 3u);
    const struct {
        const char* text;
        const char* title;
        platform::MessageButtons buttons;
    } rows[] = {
        {"The palette file x.pal is too short  Abort?", "Failure in windows_palette.cpp at line 18.",
         platform::MessageButtons::YesNo},
        {"Out of memory.  Please free some memory, then choose retry.", "Vaelmoric Memory Manager",
         platform::MessageButtons::AbortRetryIgnore},
        {"Can't find /d/oiffile.map  Abort?", "Failure in win_app.cpp at line 127.",
         platform::MessageButtons::YesNo},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].text);
        EXPECT_EQ((std::tuple{os.systemBoxes[i].text, os.systemBoxes[i].title, os.systemBoxes[i].buttons,
                              os.systemBoxes[i].icon}),
                  std::tuple(std::string(rows[i].text), std::string(rows[i].title), rows[i].buttons,
                             platform::MessageIcon::Stop));
    }
    // The game's own: started on data without its palette, the player is asked in the platform's box, and
    // No lets the game play on.
    TempDir dir("failure-on-platform");
    LinkedData data(dir / "data", VAEL_BUILD_DATA_DIR);
    data.remove("vael.pal");
    platform::HeadlessPlatform player;
    player.systemAnswers = {platform::MessageAnswer::No};
    installFailureReports(systemBoxOf(player));
    {
        VaelGame game(player, data.path());
        EXPECT_TRUE(game.ready());
    }
    removeFailureReports();
    ASSERT_EQ(player.systemBoxes.size(), 1u);
    EXPECT_EQ(player.systemBoxes[0].title.rfind("Failure in windows_palette.cpp at line ", 0), 0u)
        << player.systemBoxes[0].title;
    EXPECT_EQ(player.systemBoxes[0].text, "Can't find " + data.path() + "/VAEL.PAL  Abort?");
}

// A data file the game does without is told through the report installed, once whoever misses it.
TEST(MissingDataFiles, EachIsToldToTheReportInstalled) {
    std::vector<std::string> told;
    MissingDataFileReport previous = setMissingDataFileReport(
        [&](const std::string& path, const std::string& problem, const std::string& instead) {
            told.push_back(path + " / " + problem + " / " + instead);
        });
    reportMissingDataFile("/d/campaign.txt", "the game goes on without its campaign");
    reportUnusableDataFile("/d/x.oif", "is not a regular file", "the game takes /cd/x.oif in its place");
    // An image's name read from a damaged archive, and a path from the environment, keep no control byte.
    reportUnusableDataFile("/d/\x1B[2Jfigures.oif",
                           "is damaged: image \"Evil\x1B[2J\nHost\xC2\x9B\" holds bad rows",
                           "what is drawn from it is left out");
    setMissingDataFileReport(std::move(previous));
    reportMissingDataFile("/d/display_catalogue.txt", "the game goes on without the units' artwork");
    EXPECT_EQ(told,
              (std::vector<std::string>{
                  "/d/campaign.txt / is missing / the game goes on without its campaign",
                  "/d/x.oif / is not a regular file / the game takes /cd/x.oif in its place",
                  "/d/\\x1B[2Jfigures.oif / is damaged: image \"Evil\\x1B[2J\\x0AHost\\xC2\\x9B\" holds bad "
                  "rows / what is drawn from it is left out"}));
}

// A path or a problem whose bytes are no UTF-8 (a file named in another encoding, a word of a damaged file)
// is told with those bytes as \xHH, as control bytes are; UTF-8 is told as it is.
TEST(MissingDataFiles, BytesThatAreNoUtf8AreToldEscaped) {
    std::vector<std::string> told;
    MissingDataFileReport previous = setMissingDataFileReport(
        [&](const std::string& path, const std::string& problem, const std::string& instead) {
            told.push_back(path + " / " + problem + " / " + instead);
        });
    reportUnusableDataFile("/d/g\xFF\xFFtmar_v2.pln", "is damaged: \"\xEF\xBB\xBF#\xA0\"",
                           "the game takes /cd/\xC3\xA9t\xE9.pln in its place");
    setMissingDataFileReport(std::move(previous));
    EXPECT_EQ(told,
              std::vector<std::string>{"/d/g\\xFF\\xFFtmar_v2.pln / is damaged: \"\xEF\xBB\xBF#\\xA0\" / the "
                                       "game takes /cd/\xC3\xA9t\\xE9.pln in its place"});
}

// The program's own report says each file once on standard error, however often it is looked for and
// missed: the second and later reports of a path add nothing.
TEST(MissingDataFiles, TheProgramSaysEachFileOnceOnStandardError) {
    MissingDataFileReport previous = setMissingDataFileReport(nullptr);
    reportMissingDataFiles();
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        reportMissingDataFile("/told/once/dlgfont.oif", "the game takes /cd/dlgfont.oif in its place");
        reportUnusableDataFile("/told/once/campaign.txt", "is not a regular file",
                               "the game goes on without its campaign");
    }
    const std::string said = testing::internal::GetCapturedStderr();
    setMissingDataFileReport(std::move(previous));
    EXPECT_EQ(said,
              "vael: the data file /told/once/dlgfont.oif is missing: the game takes /cd/dlgfont.oif in "
              "its place\n"
              "vael: the data file /told/once/campaign.txt is not a regular file: the game goes on "
              "without its campaign\n");
}

// The game's end as the program meets it, each in a process of its own: with nobody to answer a box (no
// display), what ends the game leaves with exit 1 and its words on standard error, never by the runtime's
// abort (134).
void withNobodyToAsk() {
    installFailureReports(
        [](const std::string&, const std::string&, platform::MessageButtons,
           platform::MessageIcon) -> std::optional<platform::MessageAnswer> { return std::nullopt; });
    installOutOfMemoryHandler();
}

// The images' pool is held to what it has taken so far: the next image finds it exhausted.
int exhaustTheImagesPool() {
    Bitmap first(Dim(8, 8), PixelOpaque);
    const HeapPool pool = heapBlockPool(first.bits());
    if (!pool) return 5; // not a block of the manager: nothing to exhaust, and the test hears of it
    heapPoolSetCeiling(pool, heapPoolCommitted(pool));
    Bitmap second(Dim(64, 64), PixelOpaque);
    return 0;
}

TEST(GameEnd, AnExhaustedPoolOrAnyFaultEndsTheGameWithExit1AndItsWords) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* what;
        std::function<int()> game;
        const char* said;
    } rows[] = {
        {"the images' pool exhausted", exhaustTheImagesPool,
         "vael: [^\n]*MEM_EXCEEDED_CEILING\n.*vael: the game ends: out of memory\n"},
        {"a failed check nobody could answer",
         [] {
             Assertion::fail("The palette file x.pal is too short", "windows_palette.cpp", 18);
             return 0;
         },
         "vael: Failure in windows_palette.cpp at line 18\\. The palette file x\\.pal is too short  "
         "Abort\\?\n"
         ".*vael: the game ends: The palette file x\\.pal is too short\n"},
        {"another fault", []() -> int { throw std::runtime_error("the saves' folder went away"); },
         "vael: the game ends: the saves' folder went away\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EXIT(
            {
                withNobodyToAsk();
                std::exit(playToTheEnd(row.game));
            },
            ::testing::ExitedWithCode(1), row.said);
    }
}

// A game that ends by itself ends with its own status, whatever it is.
TEST(GameEnd, AGameThatEndsByItselfKeepsItsStatus) {
    for (int status : {0, 1, 2}) {
        SCOPED_TRACE(status);
        EXPECT_EQ(playToTheEnd([status] { return status; }), status);
    }
}

} // namespace
} // namespace vael::test
