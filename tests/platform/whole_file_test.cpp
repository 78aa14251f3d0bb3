// A file written whole or not at all: the old file stays byte for byte when the writing fails anywhere,
// and the message names the file and the cause.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/whole_file.h"
#include "support/failing_output.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(WholeFile, ReplacesTheOldFileWithExactlyTheNewBytesAndLeavesNothingElse) {
    TempDir dir("whole-file");
    const auto file = dir / "game.vel";
    std::string error;
    ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'o', 'l', 'd'}, error)) << error;
    EXPECT_EQ(readBytes(file), (Bytes{'o', 'l', 'd'}));
    std::filesystem::permissions(file, std::filesystem::perms(0640));
    const Bytes next{0, 1, 2, 0xFF, 0x80, 'n', 'e', 'w'};
    ASSERT_TRUE(platform::writeWholeFile(file.string(), next, error)) << error;
    EXPECT_EQ(readBytes(file), next);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"game.vel"});
    // The new file keeps the permissions the player gave the old one.
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
    // An empty file is written as one.
    ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{}, error)) << error;
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

TEST(WholeFile, AWriteThatFailsAfterAnyNumberOfBytesLeavesTheOldFileByteIdentical) {
    TempDir dir("whole-file-fails");
    const auto file = dir / "game.vel";
    const Bytes old{'a', 'n', ' ', 'o', 'l', 'd', ' ', 'g', 'a', 'm', 'e'};
    std::string error;
    ASSERT_TRUE(platform::writeWholeFile(file.string(), old, error)) << error;
    Bytes next(1000);
    for (std::size_t i = 0; i < next.size(); ++i)
        next[i] = static_cast<std::uint8_t>(i * 7);
    for (const std::size_t room : {0u, 1u, 11u, 12u, 500u, 998u, 999u}) {
        SCOPED_TRACE(room);
        FailingOutput full(room);
        error.clear();
        EXPECT_FALSE(platform::writeWholeFile(file.string(), next, error, &full));
        EXPECT_EQ(full.written(), room);
        EXPECT_EQ(error, "cannot write " + file.string() + ": No space left on device");
        EXPECT_EQ(readBytes(file), old);
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"game.vel"});
    }
    // Room for every byte: the write goes through.
    FailingOutput room(1000);
    EXPECT_TRUE(platform::writeWholeFile(file.string(), next, error, &room)) << error;
    EXPECT_EQ(readBytes(file), next);
}

TEST(WholeFile, AWriteThatTakesNoBytesIsAFullDiskNeverASuccessNorAWaitForEver) {
    TempDir dir("whole-file-zero");
    const auto file = dir / "game.vel";
    const Bytes old{'o', 'l', 'd'};
    std::string error;
    ASSERT_TRUE(platform::writeWholeFile(file.string(), old, error)) << error;
    // At the first byte, and after some went.
    for (const std::size_t room : {0u, 5u}) {
        SCOPED_TRACE(room);
        FailingOutput silent(room);
        silent.silentWrites = 3;
        error.clear();
        EXPECT_FALSE(platform::writeWholeFile(file.string(), Bytes(10, 'n'), error, &silent));
        EXPECT_EQ(error, "cannot write " + file.string() + ": No space left on device");
        // The first write that took nothing ended it.
        EXPECT_EQ(silent.silentWrites, 2);
        EXPECT_EQ(readBytes(file), old);
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"game.vel"});
    }
}

TEST(WholeFile, AFlushThatFailsOrAPlaceThatCannotBeWrittenKeepsTheOldFileAndSaysWhy) {
    TempDir dir("whole-file-flush");
    const auto file = dir / "game.vel";
    std::string error;
    ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'o', 'l', 'd'}, error)) << error;
    FailingOutput disk(100);
    disk.syncError = EIO;
    EXPECT_FALSE(platform::writeWholeFile(file.string(), Bytes{'n', 'e', 'w'}, error, &disk));
    EXPECT_EQ(error, "cannot write " + file.string() + ": Input/output error");
    EXPECT_EQ(readBytes(file), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"game.vel"});

    FailingOutput refused(0, EACCES);
    EXPECT_FALSE(platform::writeWholeFile(file.string(), Bytes{'n', 'e', 'w'}, error, &refused));
    EXPECT_EQ(error, "cannot write " + file.string() + ": Permission denied");
    EXPECT_EQ(readBytes(file), (Bytes{'o', 'l', 'd'}));

    const auto nowhere = dir / "no such folder" / "game.vel";
    EXPECT_FALSE(platform::writeWholeFile(nowhere.string(), Bytes{'n'}, error));
    EXPECT_EQ(error, "cannot write " + nowhere.string() + ": No such file or directory");
    // A directory standing where the file should be cannot be replaced by it.
    std::filesystem::create_directory(dir / "taken.vel");
    EXPECT_FALSE(platform::writeWholeFile((dir / "taken.vel").string(), Bytes{'n'}, error));
    EXPECT_EQ(error, "cannot replace " + (dir / "taken.vel").string() + ": Is a directory");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"game.vel", "taken.vel"}));
}

// A save killed mid-write leaves its hidden temporary ".NAME.XXXXXX" beside the file. The next write of the
// same name takes away every such file of its own pattern, and nothing else: another name's temporaries,
// names one letter short or long of the pattern or with a character mkstemp never puts there, and a folder
// that happens to match.
TEST(WholeFile, TheNextWriteOfTheSameNameRemovesItsOwnStaleTemporariesAndNothingElse) {
    TempDir dir("whole-file-stale");
    const auto file = dir / "game.vel";
    const std::vector<std::string> stale = {".game.vel.Ab3xYz", ".game.vel.000000", ".game.vel.zzzzzz"};
    const std::vector<std::string> kept = {".game.vel.Ab3xY",      ".game.vel.Ab3xYz9", ".game.vel.Ab-xYz",
                                           ".other.vel.Ab3xYz",    "game.vel.Ab3xYz",   ".game.vel.",
                                           ".game.vel.Ab3xYz.bak", "other.vel"};
    for (const auto& name : stale)
        std::ofstream(dir / name) << "a killed save";
    for (const auto& name : kept)
        std::ofstream(dir / name) << "not ours";
    std::filesystem::create_directories(dir / ".game.vel.folder");
    std::string error;
    ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'n', 'e', 'w'}, error)) << error;
    std::vector<std::string> expected = kept;
    expected.push_back(".game.vel.folder");
    expected.push_back("game.vel");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(dir.path()), expected);
    EXPECT_EQ(readBytes(file), (Bytes{'n', 'e', 'w'}));
    // A file named without a folder is written in the current one, whose temporaries go the same way.
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    std::ofstream(".game.vel.QQQQQQ") << "a killed save";
    EXPECT_TRUE(platform::writeWholeFile("game.vel", Bytes{'x'}, error)) << error;
    std::filesystem::current_path(here);
    EXPECT_FALSE(std::filesystem::exists(dir / ".game.vel.QQQQQQ"));
}

} // namespace
} // namespace vael::test
