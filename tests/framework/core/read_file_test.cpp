// Files read whole: the bytes as they are on the disk, and a clear refusal for a path that names a folder,
// nothing, something that is not a regular file or a file larger than its reader holds, never an exception
// and never a wait.
#include "framework/core/read_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/ordinary_user.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

TEST(ReadFile, ReadsEveryByteAndRefusesAFolderOrAMissingFileByName) {
    test::TempDir dir("read-file");
    std::ofstream(dir / "bytes.bin", std::ios::binary).write("\0\x01\xFFz\n", 5);
    std::ofstream(dir / "empty.bin", std::ios::binary);
    std::filesystem::create_directories(dir / "plans");
    const std::string folder = (dir / "plans").string(), missing = (dir / "none.bin").string();
    const struct {
        const char* what;
        std::string path;
        bool read;
        std::vector<std::uint8_t> bytes;
        std::string error;
    } rows[] = {
        {"a file of five bytes", (dir / "bytes.bin").string(), true, {0, 1, 0xFF, 'z', '\n'}, ""},
        {"an empty file", (dir / "empty.bin").string(), true, {}, ""},
        {"a folder", folder, false, {}, folder + " is a folder, not a file"},
        // An empty name joined to a folder's path, as a battle that names no plan makes it.
        {"a folder named with its slash", folder + "/", false, {}, folder + "/ is a folder, not a file"},
        {"nothing there", missing, false, {}, "cannot open " + missing + ": No such file or directory"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::uint8_t> bytes{7};
        std::string error;
        EXPECT_EQ(readFileBytes(row.path, bytes, error, 5), row.read);
        EXPECT_EQ(bytes, row.bytes);
        EXPECT_EQ(error, row.error);
        std::string text = "left over", textError;
        EXPECT_EQ(readFileText(row.path, text, textError, 5), row.read);
        EXPECT_EQ(text, std::string(row.bytes.begin(), row.bytes.end()));
        EXPECT_EQ(textError, row.error);
    }
}

// A text of the data folder saved by an editor that marks UTF-8: the mark before the first byte is dropped,
// and only there; a file of the mark alone is empty, a part of it is kept, and what cannot be read is refused
// as readFileText refuses it.
TEST(ReadFile, ADataTextIsReadWithoutTheByteOrderMarkBeforeIt) {
    test::TempDir dir("read-data-text");
    const struct {
        const char* what;
        std::string bytes, text;
    } rows[] = {
        {"marked", "\xEF\xBB\xBF# types\n1 PArcher\n", "# types\n1 PArcher\n"},
        {"unmarked", "# types\n", "# types\n"},
        {"the mark alone", "\xEF\xBB\xBF", ""},
        {"the mark twice: the second is the text's", "\xEF\xBB\xBF\xEF\xBB\xBFx", "\xEF\xBB\xBFx"},
        {"the mark on the second line",
         "a\n\xEF\xBB\xBF"
         "b",
         "a\n\xEF\xBB\xBF"
         "b"},
        {"two bytes of the mark", "\xEF\xBBx", "\xEF\xBBx"},
        {"the mark's last byte wrong", "\xEF\xBB\xBEx", "\xEF\xBB\xBEx"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = (dir / "text.txt").string();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << row.bytes;
        std::string text = "left over", error;
        EXPECT_TRUE(readDataText(path, text, error, 64));
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(error, "");
    }
    const std::string missing = (dir / "none.txt").string();
    std::string text = "left over", error;
    EXPECT_FALSE(readDataText(missing, text, error, 64));
    EXPECT_EQ(text, "");
    EXPECT_EQ(error, "cannot open " + missing + ": No such file or directory");
    // The limit counts the mark: it is in the file.
    std::ofstream(dir / "four.txt", std::ios::binary) << "\xEF\xBB\xBFx";
    EXPECT_TRUE(readDataText((dir / "four.txt").string(), text, error, 4));
    EXPECT_EQ(text, "x");
    EXPECT_FALSE(readDataText((dir / "four.txt").string(), text, error, 3));
}

// The limit is the most a reader takes: a file of exactly that many bytes is read, one byte more is refused
// unread, by its size, and so is a sparse file of a gigabyte. What is not a regular file is refused before a
// byte is read: a FIFO nobody writes to would wait for ever, a device like /dev/zero never ends.
TEST(ReadFile, RefusesWhatIsNotARegularFileAndAFileLargerThanItsLimitBeforeReadingIt) {
    test::TempDir dir("read-file-kinds");
    const std::string ten = (dir / "ten.bin").string(), huge = (dir / "huge.bin").string();
    const std::string fifo = (dir / "fifo").string();
    std::ofstream(ten, std::ios::binary) << "0123456789";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    { std::ofstream make(huge, std::ios::binary); }
    ASSERT_EQ(::truncate(huge.c_str(), std::int64_t(1) << 30), 0);
    const struct {
        const char* what;
        std::string path;
        std::uint64_t most;
        bool read;
        std::string error;
    } rows[] = {
        {"ten bytes, ten allowed", ten, 10, true, ""},
        {"ten bytes, nine allowed", ten, 9, false,
         ten + " is too large: 10 bytes, where at most 9 are expected"},
        {"a sparse gigabyte", huge, file_limits::SavedGame, false,
         huge + " is too large: 1073741824 bytes, where at most 4194304 are expected"},
        {"a FIFO nobody writes to", fifo, 10, false, fifo + " is not a regular file"},
        {"/dev/zero", "/dev/zero", 10, false, "/dev/zero is not a regular file"},
        {"/dev/null", "/dev/null", 10, false, "/dev/null is not a regular file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::uint8_t> bytes{7};
        std::string error;
        EXPECT_EQ(readFileBytes(row.path, bytes, error, row.most), row.read);
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(bytes.size(), row.read ? 10u : 0u);
        std::string text = "left over", textError;
        EXPECT_EQ(readFileText(row.path, text, textError, row.most), row.read);
        EXPECT_EQ(textError, row.error);
    }
}

// The start of a file: as many bytes as asked for, or all of a shorter file, from a regular file of any
// size; anything else is refused as a whole read is.
TEST(ReadFile, TheStartOfAFileIsReadFromARegularFileOnly) {
    test::TempDir dir("read-file-start");
    const std::string ten = (dir / "ten.bin").string(), fifo = (dir / "fifo").string();
    std::ofstream(ten, std::ios::binary) << "0123456789";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(readFileStart(ten, 4, bytes, error)) << error;
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'0', '1', '2', '3'}));
    ASSERT_TRUE(readFileStart(ten, 11, bytes, error)) << error;
    EXPECT_EQ(bytes.size(), 10u);
    ASSERT_TRUE(readFileStart(ten, 0, bytes, error)) << error;
    EXPECT_EQ(bytes.size(), 0u);
    EXPECT_FALSE(readFileStart(fifo, 4, bytes, error));
    EXPECT_EQ(error, fifo + " is not a regular file");
    EXPECT_FALSE(readFileStart((dir / "none").string(), 4, bytes, error));
    EXPECT_EQ(error, "cannot open " + (dir / "none").string() + ": No such file or directory");
    EXPECT_FALSE(readFileStart(dir.path().string(), 4, bytes, error));
    EXPECT_EQ(error, dir.path().string() + " is a folder, not a file");
}

// Why a read failed, as a reader that treats a missing file as no fault at all needs to know it: nothing
// at the path (nor a folder for it to be in) is missing; whatever is there and was not read is not.
TEST(ReadFile, AMissingFileIsToldFromOneThatIsThereAndWasNotRead) {
    test::TempDir dir("read-file-fault");
    std::ofstream(dir / "file") << "a file where a folder should be";
    std::ofstream(dir / "ten") << "0123456789";
    std::filesystem::create_directories(dir / "folder");
    const struct {
        const char* what;
        std::string path;
        ReadFault fault;
    } rows[] = {
        {"nothing there", (dir / "none").string(), ReadFault::Missing},
        {"under a file", (dir / "file" / "x").string(), ReadFault::Missing},
        {"a folder", (dir / "folder").string(), ReadFault::Unreadable},
        {"too large", (dir / "ten").string(), ReadFault::Unreadable},
        {"a device", "/dev/zero", ReadFault::Unreadable},
        {"read", (dir / "file").string(), ReadFault::None},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string text, error;
        ReadFault fault = ReadFault::Unreadable;
        readFileText(row.path, text, error, 40, &fault);
        if (row.fault == ReadFault::Unreadable) readFileText(row.path, text, error, 9, &fault);
        EXPECT_EQ(fault, row.fault) << error;
    }
}

// A file that may not be read is refused with the system's reason; run as an ordinary user, since the owner
// of all rights reads it anyway, in a folder that user can reach wherever the checkout is.
TEST(ReadFile, AFileThatMayNotBeReadIsRefusedWithTheReason) {
    test::OpenTempDir dir("vael-read-file-locked");
    const std::string locked = (dir / "locked").string();
    std::ofstream(locked) << "held";
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    int answer[2];
    ASSERT_EQ(::pipe(answer), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (!test::becomeOrdinaryUser()) ::_exit(3);
        std::vector<std::uint8_t> bytes;
        std::string error;
        ReadFault fault = ReadFault::None;
        const bool read = readFileBytes(locked, bytes, error, 10, &fault);
        error += fault == ReadFault::Unreadable ? "|unreadable" : "|other";
        if (::write(answer[1], error.data(), error.size()) < 0) ::_exit(4);
        ::_exit(read ? 1 : 0);
    }
    ::close(answer[1]);
    std::string said(200, '\0');
    const ssize_t n = ::read(answer[0], said.data(), said.size());
    ::close(answer[0]);
    said.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "skipped: root may not become an ordinary user here, and root reads every file";
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << " " << said;
    EXPECT_EQ(said, "cannot open " + locked + ": Permission denied|unreadable");
}

// A file whose size the system does not know (those of /proc say 0) and that holds more than the limit is
// caught by the byte asked for past the limit: without it the reader would stop at the limit and take the
// file for whole. The command line of this process does not change while it runs.
TEST(ReadFile, AFileThatHoldsMoreThanItsSizeSaidIsCaughtOneBytePastTheLimit) {
    std::string whole, error;
    ASSERT_TRUE(readFileText("/proc/self/cmdline", whole, error, 1 << 16)) << error;
    ASSERT_GT(whole.size(), 2u);
    const struct {
        const char* what;
        std::uint64_t most;
        bool read;
    } rows[] = {
        {"room for every byte", whole.size(), true},
        {"room for one more", whole.size() + 1, true},
        {"one byte short", whole.size() - 1, false},
        {"two bytes short", whole.size() - 2, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string text;
        EXPECT_EQ(readFileText("/proc/self/cmdline", text, error, row.most), row.read);
        if (row.read) {
            EXPECT_EQ(text, whole);
        } else {
            EXPECT_EQ(text, "");
            EXPECT_EQ(error, "/proc/self/cmdline is too large: it grew past " + std::to_string(row.most) +
                                 " bytes as it was read");
        }
    }
}

// A file to write to: a regular file, or nothing (made then, empty); what would hold a writer (a FIFO nobody
// reads) or is no file is refused at once with the reason.
TEST(ReadFile, OnlyARegularFileOrNothingIsTakenForWriting) {
    test::TempDir dir("writable-file");
    const std::string fifo = (dir / "fifo").string(), fresh = (dir / "fresh").string(),
                      old = (dir / "old").string(), folder = dir.path().string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(old) << "kept";
    const struct {
        const char* what;
        std::string path;
        bool taken;
        std::string error;
    } rows[] = {
        {"a FIFO nobody reads", fifo, false, fifo + " is not a regular file"},
        {"a device", "/dev/null", false, "/dev/null is not a regular file"},
        {"a folder", folder, false, folder + " is a folder, not a file"},
        {"under a missing folder", (dir / "no" / "x").string(), false,
         "cannot write " + (dir / "no" / "x").string() + ": No such file or directory"},
        {"nothing yet", fresh, true, ""},
        {"a file", old, true, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string error;
        EXPECT_EQ(checkWritableFile(row.path, error), row.taken);
        EXPECT_EQ(error, row.error);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(std::filesystem::file_size(fresh), 0u);
    // What the file held is the writer's to empty, not the check's.
    EXPECT_EQ(std::filesystem::file_size(old), 4u);
}

} // namespace
} // namespace vael
