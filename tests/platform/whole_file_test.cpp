// A file written whole or not at all: the old file stays byte for byte when the writing fails anywhere,
// and the message names the file and the cause.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
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

// A process that is surely gone: a child that has ended and been waited for.
pid_t deadProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

std::string temporaryOf(const std::string& name, pid_t writer, const std::string& tail = "Ab3xYz") {
    return "." + name + ".vael-writing-" + std::to_string(writer) + "-" + tail;
}

// A save killed mid-write leaves its hidden temporary ".NAME.vael-writing-PID-XXXXXX" beside the file. The
// next write of the same name takes it away when its writer is gone (no such process, and its lock free),
// and nothing else: the player's own hidden files beside the save, whatever they look like (the pattern of
// temporaries of old among them), a temporary whose writer lives or whose lock is held, our own process's,
// another name's, a name one letter short or long of the pattern, and a folder or a link that happens to
// match.
TEST(WholeFile, TheNextWriteOfTheSameNameRemovesOnlyTemporariesOfOursWhoseWriterIsGone) {
    TempDir dir("whole-file-stale");
    const auto file = dir / "game.vel";
    const pid_t dead = deadProcess(), parent = ::getppid(), self = ::getpid();
    ASSERT_NE(::kill(parent, 0), -1);
    const std::vector<std::string> stale = {temporaryOf("game.vel", dead),
                                            temporaryOf("game.vel", dead, "000000")};
    const std::string locked = temporaryOf("game.vel", dead, "Locked");
    const std::vector<std::string> kept = {".game.vel.backup",
                                           ".game.vel.before",
                                           ".game.vel.Ab3xYz",
                                           ".game.vel.000000",
                                           ".game.vel.",
                                           temporaryOf("game.vel", parent),
                                           temporaryOf("game.vel", self),
                                           locked,
                                           temporaryOf("game.vel", dead, "Ab3xY"),
                                           temporaryOf("game.vel", dead, "Ab3xYz9"),
                                           temporaryOf("game.vel", dead, "Ab-xYz"),
                                           ".game.vel.vael-writing--Ab3xYz",
                                           ".game.vel.vael-writing-0" + std::to_string(dead) + "-Ab3xYz",
                                           ".game.vel.vael-writing-x1-Ab3xYz",
                                           temporaryOf("other.vel", dead),
                                           temporaryOf("game.vel", dead).substr(1),
                                           temporaryOf("game.vel", dead) + ".bak",
                                           "other.vel"};
    for (const auto& name : stale)
        std::ofstream(dir / name) << "a killed save";
    for (const auto& name : kept)
        std::ofstream(dir / name) << "not ours to take";
    // A writer whose process id means nothing here (another machine's, another container's) holds its lock.
    const int holder = ::open((dir / locked).c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    std::filesystem::create_directories(dir / temporaryOf("game.vel", dead, "Folder"));
    std::filesystem::create_symlink("other.vel", dir / temporaryOf("game.vel", dead, "Linked"));
    std::string error;
    ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'n', 'e', 'w'}, error)) << error;
    ::close(holder);
    std::vector<std::string> expected = kept;
    expected.push_back(temporaryOf("game.vel", dead, "Folder"));
    expected.push_back(temporaryOf("game.vel", dead, "Linked"));
    expected.push_back("game.vel");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(dir.path()), expected);
    EXPECT_EQ(readBytes(file), (Bytes{'n', 'e', 'w'}));
    for (const auto& name : kept) {
        SCOPED_TRACE(name);
        EXPECT_EQ(readBytes(dir / name),
                  (Bytes{'n', 'o', 't', ' ', 'o', 'u', 'r', 's', ' ', 't', 'o', ' ', 't', 'a', 'k', 'e'}));
    }
    // Its lock let go, the dead writer's file goes with the next write; a file named without a folder is
    // written in the current one, whose temporaries go the same way.
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    std::ofstream(temporaryOf("game.vel", dead, "QQQQQQ")) << "a killed save";
    EXPECT_TRUE(platform::writeWholeFile("game.vel", Bytes{'x'}, error)) << error;
    std::filesystem::current_path(here);
    EXPECT_FALSE(std::filesystem::exists(dir / temporaryOf("game.vel", dead, "QQQQQQ")));
    EXPECT_FALSE(std::filesystem::exists(dir / locked));
    EXPECT_TRUE(std::filesystem::exists(dir / temporaryOf("game.vel", parent)));
}

// A disk that takes its time: each write goes a block at a time with a pause, so that two writers of one
// name overlap as two saves started together do.
class SlowOutput : public platform::FileOutput {
public:
    ssize_t write(int fd, const void* data, std::size_t size) override {
        ::usleep(200);
        return platform::FileOutput::write(fd, data, std::min<std::size_t>(size, 16384));
    }
};

// Two saves of one name started together, each in a process of its own: both succeed, and what is left
// is the one file whole, as one or the other wrote it, and no temporary beside it.
TEST(WholeFile, TwoProcessesWritingOneNameAtOnceBothSucceedAndLeaveOneWholeFile) {
    TempDir dir("whole-file-pairs");
    const auto file = dir / "same.vel";
    const Bytes first(256 * 1024, 'a'), second(200 * 1024, 'b');
    for (int pair = 0; pair < 20; ++pair) {
        SCOPED_TRACE("pair " + std::to_string(pair));
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        pid_t writers[2];
        for (int k = 0; k < 2; ++k) {
            writers[k] = ::fork();
            if (writers[k] == 0) {
                ::close(start[1]);
                char go;
                // Both wait for the word, so that neither is done before the other begins.
                if (::read(start[0], &go, 1) != 0) ::_exit(3);
                SlowOutput slow;
                std::string error;
                const bool written =
                    platform::writeWholeFile(file.string(), k == 0 ? first : second, error, &slow);
                if (!written) std::fprintf(stderr, "%s\n", error.c_str());
                ::_exit(written ? 0 : 1);
            }
        }
        ::close(start[0]);
        ::close(start[1]);
        for (const pid_t writer : writers) {
            int status = -1;
            ASSERT_EQ(::waitpid(writer, &status, 0), writer);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        const Bytes left = readBytes(file);
        EXPECT_TRUE(left == first || left == second) << left.size();
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"same.vel"});
    }
}

// A save never replaces what is not a regular file: a device or a FIFO in the file's place is refused by
// name and stays what it was, and nothing is left beside it.
TEST(WholeFile, ADeviceOrAFifoInTheFilesPlaceIsRefusedAndStaysWhatItWas) {
    TempDir dir("whole-file-device");
    const auto device = dir / "mynull", fifo = dir / "fifo.vel";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const bool madeDevice = ::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
    if (!madeDevice) std::fprintf(stderr, "no character device can be made here; the FIFO stands for it\n");
    const struct {
        const char* what;
        std::filesystem::path path;
        std::string error;
        bool (*stillIs)(const std::filesystem::path&);
    } rows[] = {
        {"a character device", device,
         "cannot replace " + device.string() + ": it is a device, not a regular file",
         [](const std::filesystem::path& p) { return std::filesystem::is_character_file(p); }},
        {"a FIFO", fifo, "cannot replace " + fifo.string() + ": it is a FIFO, not a regular file",
         [](const std::filesystem::path& p) { return std::filesystem::is_fifo(p); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.path == device && !madeDevice) continue;
        std::string error;
        EXPECT_FALSE(platform::writeWholeFile(row.path.string(), Bytes{'n', 'e', 'w'}, error));
        EXPECT_EQ(error, row.error);
        EXPECT_TRUE(row.stillIs(row.path));
        // Through a link too.
        const auto link = dir / "link.vel";
        std::filesystem::create_symlink(row.path.filename(), link);
        EXPECT_FALSE(platform::writeWholeFile(link.string(), Bytes{'n', 'e', 'w'}, error));
        EXPECT_EQ(error, "cannot replace " + link.string() + row.error.substr(row.error.find(':')));
        EXPECT_TRUE(row.stillIs(row.path));
        std::filesystem::remove(link);
    }
    std::vector<std::string> expected = {"fifo.vel"};
    if (madeDevice) expected.push_back("mynull");
    EXPECT_EQ(namesIn(dir.path()), expected);
}

// A symbolic link is written through to the file it names, as an editor writes it: the link stays a link,
// the file it names takes the bytes and keeps its permissions, and the temporary lies beside that file.
TEST(WholeFile, ASymbolicLinkIsWrittenThroughToItsFileAndStaysALink) {
    TempDir dir("whole-file-link");
    std::filesystem::create_directories(dir / "saves");
    const auto target = dir / "saves" / "real.vel", link = dir / "game.vel", chain = dir / "chain.vel";
    std::ofstream(target) << "old";
    std::filesystem::permissions(target, std::filesystem::perms(0640));
    std::filesystem::create_symlink("saves/real.vel", link);
    std::filesystem::create_symlink(dir / "game.vel", chain);
    std::string error;
    ASSERT_TRUE(platform::writeWholeFile(link.string(), Bytes{'n', 'e', 'w'}, error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), "saves/real.vel");
    EXPECT_EQ(readBytes(target), (Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
    ASSERT_TRUE(platform::writeWholeFile(chain.string(), Bytes{'t', 'w', 'o'}, error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(chain) && std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(target), (Bytes{'t', 'w', 'o'}));
    EXPECT_EQ(namesIn(dir / "saves"), std::vector<std::string>{"real.vel"});
    // A link to nothing yet makes the file it names; links that lead round in a circle are refused.
    const auto dangling = dir / "first.vel";
    std::filesystem::create_symlink("saves/first.vel", dangling);
    ASSERT_TRUE(platform::writeWholeFile(dangling.string(), Bytes{'1'}, error)) << error;
    EXPECT_EQ(readBytes(dir / "saves" / "first.vel"), Bytes{'1'});
    std::filesystem::create_symlink("loop-b", dir / "loop-a");
    std::filesystem::create_symlink("loop-a", dir / "loop-b");
    EXPECT_FALSE(platform::writeWholeFile((dir / "loop-a").string(), Bytes{'x'}, error));
    EXPECT_EQ(error, "cannot replace " + (dir / "loop-a").string() + ": Too many levels of symbolic links");
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"chain.vel", "first.vel", "game.vel", "loop-a", "loop-b", "saves"}));
}

} // namespace
} // namespace vael::test
