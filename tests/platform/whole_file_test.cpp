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
#include "support/kept_umask.h"
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

// A write killed after its first bytes, as a crash or a kill leaves one.
class DyingOutput : public platform::FileOutput {
public:
    ssize_t write(int fd, const void* data, std::size_t size) override {
        platform::FileOutput::write(fd, data, size < 3 ? size : 3);
        ::_exit(0);
    }
};

// The temporary a writer killed mid-write leaves beside file (a child that ends within its write, waited
// for: its id now surely names no process), by its name in the folder; empty when it left none.
std::string killedWrite(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    const auto before = namesIn(folder);
    const pid_t child = ::fork();
    if (child == 0) {
        DyingOutput dying;
        std::string error;
        platform::writeWholeFile(file.string(),
                                 Bytes{'a', ' ', 'k', 'i', 'l', 'l', 'e', 'd', ' ', 's', 'a', 'v', 'e'},
                                 error, &dying);
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    for (const auto& name : namesIn(folder))
        if (std::find(before.begin(), before.end(), name) == before.end()) return name;
    return {};
}

// A save killed mid-write leaves its hidden temporary ".NAME.vael-writing-PID-XXXXXX" beside the file. The
// next write of the same name takes it away when its writer is gone (no such process, and its lock free),
// and nothing else: the player's own hidden files beside the save, whatever they look like (the pattern of
// temporaries among them, with a dead writer's id: a file the game did not write is never its temporary),
// a temporary whose writer lives or whose lock is held, our own process's, another name's, a name one letter
// short or long of the pattern, and a folder or a link that happens to match.
TEST(WholeFile, TheNextWriteOfTheSameNameRemovesOnlyTemporariesOfOursWhoseWriterIsGone) {
    TempDir dir("whole-file-stale");
    const auto file = dir / "game.vel";
    const pid_t dead = deadProcess(), parent = ::getppid(), self = ::getpid();
    ASSERT_NE(::kill(parent, 0), -1);
    // A killed writer's temporary whose lock another holds (a writer whose process id means nothing here:
    // another machine's, another container's), then one whose lock is free.
    const std::string locked = killedWrite(file);
    ASSERT_EQ(locked.rfind(".game.vel.vael-writing-", 0), 0u) << locked;
    const int holder = ::open((dir / locked).c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const std::string stale = killedWrite(file);
    ASSERT_EQ(stale.rfind(".game.vel.vael-writing-", 0), 0u) << stale;
    ASSERT_NE(stale, locked);
    EXPECT_EQ(readBytes(dir / stale), (Bytes{'a', ' ', 'k'}));
    const std::vector<std::string> kept = {".game.vel.backup",
                                           ".game.vel.before",
                                           ".game.vel.Ab3xYz",
                                           ".game.vel.000000",
                                           ".game.vel.",
                                           ".game.backup",
                                           temporaryOf("game.vel", dead),
                                           temporaryOf("game.vel", dead, "000000"),
                                           temporaryOf("game.vel", dead, "abcdef"),
                                           temporaryOf("game.vel", parent),
                                           temporaryOf("game.vel", self),
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
    for (const auto& name : kept)
        std::ofstream(dir / name) << "not ours to take";
    ::chmod((dir / temporaryOf("game.vel", dead, "abcdef")).c_str(), 0604);
    std::filesystem::create_directories(dir / temporaryOf("game.vel", dead, "Folder"));
    std::filesystem::create_symlink("other.vel", dir / temporaryOf("game.vel", dead, "Linked"));
    std::string error;
    ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'n', 'e', 'w'}, error)) << error;
    std::vector<std::string> expected = kept;
    expected.push_back(locked);
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
    EXPECT_EQ(std::filesystem::status(dir / temporaryOf("game.vel", dead, "abcdef")).permissions(),
              std::filesystem::perms(0604));
    // A copy of a killed writer's temporary under its very name, byte for byte, is the player's file: the
    // original goes, the copy stays.
    const std::string copied = killedWrite(file);
    ASSERT_FALSE(copied.empty());
    std::filesystem::rename(dir / copied, dir / "aside");
    std::filesystem::copy_file(dir / "aside", dir / copied);
    std::filesystem::rename(dir / "aside", dir / (copied + ".moved"));
    ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'c'}, error)) << error;
    EXPECT_EQ(readBytes(dir / copied), (Bytes{'a', ' ', 'k'}));
    // Its lock let go, the dead writer's file goes with the next write; a file named without a folder is
    // written in the current one, whose temporaries go the same way.
    ::close(holder);
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string killedHere = killedWrite("game.vel");
    ASSERT_FALSE(killedHere.empty());
    EXPECT_TRUE(platform::writeWholeFile("game.vel", Bytes{'x'}, error)) << error;
    std::filesystem::current_path(here);
    EXPECT_FALSE(std::filesystem::exists(dir / killedHere));
    EXPECT_FALSE(std::filesystem::exists(dir / locked));
    EXPECT_TRUE(std::filesystem::exists(dir / copied));
    EXPECT_TRUE(std::filesystem::exists(dir / temporaryOf("game.vel", parent)));
    EXPECT_TRUE(std::filesystem::exists(dir / temporaryOf("game.vel", dead)));
}

// Looks at the temporary file while the bytes go into it: its name, and whether another opening of it can
// take its lock (it must not: the writer holds it until the file has its name).
class WatchingOutput : public platform::FileOutput {
public:
    ssize_t write(int fd, const void* data, std::size_t size) override {
        char link[4096];
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t n = ::readlink(self.c_str(), link, sizeof link);
        if (n > 0) name = std::filesystem::path(std::string(link, static_cast<std::size_t>(n))).filename();
        const int other = ::open(self.c_str(), O_RDONLY);
        lockFree = ::flock(other, LOCK_EX | LOCK_NB) == 0;
        ::close(other);
        return platform::FileOutput::write(fd, data, size);
    }
    std::string name;
    bool lockFree = true;
};

// The longest name the Save box takes (251 bytes and ".vel", the system's limit on a file name) is written,
// in ASCII and in letters of two and three bytes. Its temporary cannot be "." NAME and the mark: it is the
// name's start, cut on a letter's boundary, "~" and a hash of the whole name, within the limit, locked while
// it is written. A dead writer's temporary of that form goes with the next write of the name; one of
// another long name sharing the start, or of a live writer, stays.
TEST(WholeFile, TheLongestNameASaveCanHaveIsWrittenAndItsTemporariesSweptByTheirOwnForm) {
    TempDir dir("whole-file-long");
    const std::string e = "\xC3\xA9", euro = "\xE2\x82\xAC";
    std::string accented = "x", euros;
    for (int i = 0; i < 125; ++i)
        accented += e;
    for (int i = 0; i < 83; ++i)
        euros += euro;
    const struct {
        const char* what;
        std::string name, head, hash;
    } rows[] = {
        {"ASCII", std::string(251, 'a') + ".vel", std::string(206, 'a'), "c99787008a519427"},
        // Byte 206 continues a letter: the start is cut before it.
        {"two-byte letters", accented + ".vel", accented.substr(0, 205), "b80290b8a72cf236"},
        {"three-byte letters", euros + "ab.vel", euros.substr(0, 204), "55d6c0bd4546d0e1"},
    };
    const pid_t dead = deadProcess(), parent = ::getppid();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(row.name.size(), 255u);
        const auto file = dir / row.name;
        const std::string form = "." + row.head + "~" + row.hash + ".vael-writing-";
        const std::string living = form + std::to_string(parent) + "-Ab3xYz",
                          another = "." + row.head + "~0123456789abcdef.vael-writing-" +
                                    std::to_string(dead) + "-Ab3xYz";
        for (const std::string& name : {living, another})
            std::ofstream(dir / name) << "left";
        const std::string stale = killedWrite(file);
        EXPECT_EQ(stale.rfind(form, 0), 0u) << stale;
        WatchingOutput watch;
        std::string error;
        ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'l', 'o', 'n', 'g'}, error, &watch))
            << error;
        EXPECT_EQ(readBytes(file), (Bytes{'l', 'o', 'n', 'g'}));
        EXPECT_EQ(watch.name.rfind(form + std::to_string(::getpid()) + "-", 0), 0u) << watch.name;
        EXPECT_LE(watch.name.size(), 255u);
        EXPECT_FALSE(watch.lockFree);
        std::vector<std::string> expected = {row.name, another, living};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(namesIn(dir.path()), expected);
        for (const std::string& name : expected)
            std::filesystem::remove(dir / name);
    }
    // A name whose plain temporary still fits keeps the plain form, to the last byte.
    const std::string fits(223, 'b');
    WatchingOutput watch;
    std::string error;
    ASSERT_TRUE(platform::writeWholeFile((dir / fits).string(), Bytes{'b'}, error, &watch)) << error;
    EXPECT_EQ(watch.name.rfind("." + fits + ".vael-writing-" + std::to_string(::getpid()) + "-", 0), 0u);
    ASSERT_TRUE(platform::writeWholeFile((dir / (fits + "c")).string(), Bytes{'c'}, error, &watch)) << error;
    EXPECT_EQ(watch.name.rfind("." + fits.substr(0, 206) + "~", 0), 0u) << watch.name;
}

// What the player made read-only stays as it was, byte for byte and mode for mode, with the reason; a file
// with a write bit is replaced as ever. Through a link the same.
TEST(WholeFile, AFileThePlayerMadeReadOnlyIsNotReplacedAndSaysWhy) {
    TempDir dir("whole-file-read-only");
    const auto file = dir / "game.vel", link = dir / "link.vel";
    std::filesystem::create_symlink("game.vel", link);
    const struct {
        unsigned mode;
        bool replaced;
    } rows[] = {{0444, false}, {0400, false}, {0555, false}, {0644, true}, {0200, true}};
    for (const auto& row : rows)
        for (const auto& path : {file, link}) {
            char named[40];
            std::snprintf(named, sizeof named, "mode %03o ", row.mode);
            SCOPED_TRACE(named + path.filename().string());
            std::filesystem::remove(file);
            writeBytes(file, Bytes{'o', 'l', 'd'});
            ASSERT_EQ(::chmod(file.c_str(), row.mode), 0);
            std::string error;
            EXPECT_EQ(platform::writeWholeFile(path.string(), Bytes{'n', 'e', 'w'}, error), row.replaced);
            EXPECT_EQ(error, row.replaced ? std::string()
                                          : "cannot replace " + path.string() +
                                                ": it is read-only, and is kept as it is");
            EXPECT_EQ(readBytes(file), row.replaced ? (Bytes{'n', 'e', 'w'}) : (Bytes{'o', 'l', 'd'}));
            struct stat info {};
            ASSERT_EQ(::stat(file.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, row.mode);
            EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"game.vel", "link.vel"}));
        }
}

// A first file gets what the umask leaves of a new file's permissions; a file replaced keeps its own.
TEST(WholeFile, AFirstFileFollowsTheUmaskAndAReplacedOneKeepsItsMode) {
    TempDir dir("whole-file-umask");
    const test::KeptUmask kept;
    const struct {
        mode_t mask;
        unsigned made;
    } rows[] = {{077, 0600}, {022, 0644}, {002, 0664}, {027, 0640}};
    for (const auto& row : rows) {
        char named[40];
        std::snprintf(named, sizeof named, "umask %03o", unsigned(row.mask));
        SCOPED_TRACE(named);
        ::umask(row.mask);
        const auto file = dir / ("first-" + std::to_string(row.mask) + ".vel");
        std::string error;
        ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'1'}, error)) << error;
        struct stat info {};
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, row.made);
        // Replaced under another umask, it keeps what it had.
        ::umask(row.mask == 077 ? 0 : 077);
        ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'2'}, error)) << error;
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, row.made);
        EXPECT_EQ(readBytes(file), Bytes{'2'});
    }
}

// What the temporary file's mode is while the new bytes go into it.
class ModeWatchingOutput : public platform::FileOutput {
public:
    ssize_t write(int fd, const void* data, std::size_t size) override {
        struct stat info {};
        if (::fstat(fd, &info) == 0) seen.push_back(info.st_mode & 07777);
        return platform::FileOutput::write(fd, data, size);
    }
    std::vector<unsigned> seen;
};

// A private file replaced under a lax umask: the temporary holding its new bytes is never readable by
// others, from its creation to the rename; a first file is made with the mode it keeps.
TEST(WholeFile, TheTemporaryOfAPrivateFileIsNeverReadableByOthers) {
    TempDir dir("whole-file-private");
    const test::KeptUmask kept;
    const struct {
        const char* what;
        mode_t mask;
        unsigned before; // 0: no file yet
        unsigned whileWritten;
        unsigned after;
    } rows[] = {{"a private save replaced under umask 022", 022, 0600, 0600, 0600},
                {"a private save replaced under umask 000", 0, 0600, 0600, 0600},
                {"a save for the group replaced under umask 077", 077, 0640, 0600, 0640},
                {"a first save under umask 022", 022, 0, 0644, 0644},
                {"a first save under umask 077", 077, 0, 0600, 0600}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto file = dir / "game.vel";
        std::filesystem::remove(file);
        if (row.before) {
            writeBytes(file, Bytes{'o', 'l', 'd'});
            ASSERT_EQ(::chmod(file.c_str(), row.before), 0);
        }
        ::umask(row.mask);
        ModeWatchingOutput output;
        std::string error;
        ASSERT_TRUE(platform::writeWholeFile(file.string(), Bytes{'n', 'e', 'w'}, error, &output)) << error;
        ::umask(022);
        EXPECT_EQ(output.seen, std::vector<unsigned>{row.whileWritten});
        struct stat info {};
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, row.after);
        EXPECT_EQ(readBytes(file), (Bytes{'n', 'e', 'w'}));
    }
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
