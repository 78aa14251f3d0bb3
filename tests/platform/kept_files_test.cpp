// Reads through kept descriptors: the bytes asked for and no others, one descriptor per file however
// often it is read, a file put in the path's place read afresh, and every failure told apart with no
// block asked for when the file cannot hold the bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/kept_files.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

using platform::KeptFiles;
using Bytes = std::vector<std::uint8_t>;

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Reads size bytes at offset; the text read, or the outcome's name when it is not Done.
std::string readText(KeptFiles& files, const std::filesystem::path& path, std::uint64_t offset,
                     std::size_t size, int* asked = nullptr) {
    std::string into(size, '?');
    const KeptFiles::Read read = files.read(path.string(), offset, size, [&]() -> void* {
        if (asked) ++*asked;
        return into.data();
    });
    switch (read) {
    case KeptFiles::Read::Done:
        return into;
    case KeptFiles::Read::Missing:
        return "<missing>";
    case KeptFiles::Read::NotAFile:
        return "<not a file>";
    case KeptFiles::Read::Short:
        return "<short>";
    case KeptFiles::Read::Failed:
        return "<failed>";
    }
    return "<?>";
}

TEST(KeptFiles, ReadsTheBytesAtAnOffsetAndKeepsOneDescriptorForTheFile) {
    TempDir dir("kept-files");
    const auto archive = dir / "units.oif";
    writeFile(archive, "0123456789");
    KeptFiles files;
    EXPECT_EQ(readText(files, archive, 0, 3), "012");
    EXPECT_EQ(readText(files, archive, 7, 3), "789"); // the last byte of the file
    EXPECT_EQ(readText(files, archive, 4, 1), "4");
    EXPECT_EQ(files.openCount(), 1u);
    // Nothing to read asks for no block, even at the very end.
    int asked = 0;
    EXPECT_EQ(readText(files, archive, 10, 0, &asked), "");
    EXPECT_EQ(asked, 0);
}

TEST(KeptFiles, BytesPastTheEndAreShortAndNoBlockIsAskedFor) {
    TempDir dir("kept-files-short");
    const auto archive = dir / "units.oif";
    writeFile(archive, "0123456789");
    KeptFiles files;
    struct Case {
        const char* name;
        std::uint64_t offset;
        std::size_t size;
    };
    for (const Case& c : {Case{"one byte past the end", 8, 3}, Case{"starting past the end", 11, 1},
                          Case{"an offset that wraps", ~std::uint64_t(0), 2}}) {
        SCOPED_TRACE(c.name);
        int asked = 0;
        EXPECT_EQ(readText(files, archive, c.offset, c.size, &asked), "<short>");
        EXPECT_EQ(asked, 0);
    }
}

// Only what is not there is missing: a folder, a FIFO or a loop of links in the file's place is something
// else, to be told as what it is.
TEST(KeptFiles, AMissingFileIsMissingAndAFolderAFifoOrALinkLoopIsNoFile) {
    TempDir dir("kept-files-missing");
    KeptFiles files;
    int asked = 0;
    writeFile(dir / "file", "x");
    ASSERT_EQ(::mkfifo((dir / "fifo.oif").c_str(), 0644), 0);
    std::filesystem::create_symlink("loop.oif", dir / "loop.oif");
    EXPECT_EQ(readText(files, dir / "gone.oif", 0, 1, &asked), "<missing>");
    EXPECT_EQ(readText(files, dir / "gone" / "units.oif", 0, 1, &asked), "<missing>");
    EXPECT_EQ(readText(files, dir / "file" / "units.oif", 0, 1, &asked), "<missing>");
    EXPECT_EQ(readText(files, dir.path(), 0, 1, &asked), "<not a file>");
    EXPECT_EQ(readText(files, dir / "fifo.oif", 0, 1, &asked), "<not a file>");
    EXPECT_EQ(readText(files, dir / "loop.oif", 0, 1, &asked), "<not a file>");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(files.openCount(), 0u);
}

TEST(KeptFiles, AFilePutInThePathsPlaceIsReadAfreshAndTheOldOneClosed) {
    TempDir dir("kept-files-replaced");
    const auto archive = dir / "units.oif";
    writeFile(archive, "old bytes!");
    KeptFiles files;
    EXPECT_EQ(readText(files, archive, 0, 3), "old");
    // Written beside it and renamed over it, as an archive made anew is.
    writeFile(dir / "next.oif", "new bytes?");
    std::filesystem::rename(dir / "next.oif", archive);
    EXPECT_EQ(readText(files, archive, 0, 3), "new");
    EXPECT_EQ(files.openCount(), 1u);
    // Removed: missing, though a descriptor of the old file was kept.
    std::filesystem::remove(archive);
    EXPECT_EQ(readText(files, archive, 0, 3), "<missing>");
    // Cut short in place: the look at the path sees the new length.
    writeFile(archive, "0123456789");
    EXPECT_EQ(readText(files, archive, 5, 5), "56789");
    std::filesystem::resize_file(archive, 6);
    EXPECT_EQ(readText(files, archive, 5, 5), "<short>");
    EXPECT_EQ(readText(files, archive, 5, 1), "5");
}

TEST(KeptFiles, NoMoreThanTheLimitStayOpenAndAClosedOneOpensAgain) {
    TempDir dir("kept-files-limit");
    KeptFiles files;
    const std::size_t count = KeptFiles::MaxOpen + 2;
    for (std::size_t i = 0; i < count; ++i) {
        const auto path = dir / ("part" + std::to_string(i) + ".oif");
        writeFile(path, "#" + std::to_string(i));
        EXPECT_EQ(readText(files, path, 1, 1), std::to_string(i).substr(0, 1));
        EXPECT_EQ(files.openCount(), std::min(i + 1, KeptFiles::MaxOpen));
    }
    // The first one was closed to make room; it is opened again.
    EXPECT_EQ(readText(files, dir / "part0.oif", 0, 2), "#0");
    EXPECT_EQ(files.openCount(), KeptFiles::MaxOpen);
    files.closeAll();
    EXPECT_EQ(files.openCount(), 0u);
    EXPECT_EQ(readText(files, dir / "part1.oif", 0, 2), "#1");
}

} // namespace
} // namespace vael::test
