// Files read whole: the bytes as they are on the disk, and a clear refusal for a path that names a folder,
// nothing, something that is not a regular file or a file larger than its reader holds, never an exception
// and never a wait.
#include "framework/core/read_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
        {"nothing there", missing, false, {}, "cannot open " + missing},
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
    EXPECT_EQ(error, "cannot open " + (dir / "none").string());
    EXPECT_FALSE(readFileStart(dir.path().string(), 4, bytes, error));
    EXPECT_EQ(error, dir.path().string() + " is a folder, not a file");
}

} // namespace
} // namespace vael
