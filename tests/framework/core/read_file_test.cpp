// Files read whole: the bytes as they are on the disk, and a clear refusal for a path that names a folder
// or nothing, never an exception.
#include "framework/core/read_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

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
        EXPECT_EQ(readFileBytes(row.path, bytes, error), row.read);
        EXPECT_EQ(bytes, row.bytes);
        EXPECT_EQ(error, row.error);
        std::string text = "left over", textError;
        EXPECT_EQ(readFileText(row.path, text, textError), row.read);
        EXPECT_EQ(text, std::string(row.bytes.begin(), row.bytes.end()));
        EXPECT_EQ(textError, row.error);
    }
}

} // namespace
} // namespace vael
