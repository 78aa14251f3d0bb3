#include "platform/whole_file.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vael::platform {

ssize_t FileOutput::write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

int FileOutput::sync(int fd) {
    return ::fsync(fd);
}

namespace {

std::string because(const std::string& what, const std::string& path, int code) {
    return "cannot " + what + " " + path + ": " + std::strerror(code);
}

// The temporary file of a write is named "." NAME ".vael-writing-" PID "-" and six letters and digits:
// hidden beside the file, with a mark no person gives a file of theirs, and the process that writes it. A
// file of the player's that merely begins with ".NAME." is never taken for one.
const std::string WritingMark = ".vael-writing-";
// What follows the mark: the process id (at most ten digits), a dash and six letters and digits.
constexpr std::size_t WriterRoom = 10 + 1 + 6;
// A name too long for that within the system's limit on a file name (a save's name may take all of it) is
// cut, on a letter's boundary, and followed by "~" and sixteen hexadecimal digits of a hash of the whole
// name, so that two long names sharing their start still have temporaries of their own.
constexpr std::size_t HashRoom = 1 + 16;

std::string plainPrefix(const std::string& target) {
    return "." + target + WritingMark;
}

std::string temporaryPrefix(const std::string& target) {
    std::string prefix = plainPrefix(target);
    if (prefix.size() + WriterRoom <= NAME_MAX) return prefix;
    std::size_t head = NAME_MAX - WriterRoom - WritingMark.size() - HashRoom - 1;
    while (head > 0 && (static_cast<unsigned char>(target[head]) & 0xC0) == 0x80)
        --head;
    // FNV-1a: the same digits on every machine and in every build, which a sweep of another run relies on.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : target)
        hash = (hash ^ c) * 1099511628211ull;
    static const char digits[] = "0123456789abcdef";
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        hex[static_cast<std::size_t>(i)] = digits[hash & 15];
    return "." + target.substr(0, head) + "~" + hex + WritingMark;
}

// The six letters that end the name of a temporary the game wrote: a hash of the rest of its name and of
// the file it names (its inode), which the writer gives it once the file exists. A file of the player's that
// merely takes the name of one (made by hand, or copied from a temporary) lacks them: only a file the game
// made is ever taken for its stale temporary.
std::string sealOf(const std::string& head, ino_t inode) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : head)
        hash = (hash ^ c) * 1099511628211ull;
    auto number = static_cast<std::uint64_t>(inode);
    for (int i = 0; i < 8; ++i, number >>= 8)
        hash = (hash ^ (number & 0xFF)) * 1099511628211ull;
    std::string seal(6, 'A');
    for (auto& letter : seal) {
        letter = letters[hash % (sizeof letters - 1)];
        hash /= sizeof letters - 1;
    }
    return seal;
}

bool sealedFor(const std::string& name, ino_t inode) {
    return name.size() > 6 &&
           name.compare(name.size() - 6, 6, sealOf(name.substr(0, name.size() - 6), inode)) == 0;
}

// The writer's process id when name is one of the temporary files written for target's file name, in the
// form of today or, for a long name, the plain form a program of before might have left.
std::optional<pid_t> temporaryWriter(const std::string& name, const std::string& target) {
    std::string prefix = temporaryPrefix(target);
    if (name.compare(0, prefix.size(), prefix) != 0) prefix = plainPrefix(target);
    if (name.size() < prefix.size() + 1 + 1 + 6 || name.compare(0, prefix.size(), prefix) != 0) return {};
    const std::size_t dash = name.size() - 7;
    if (name[dash] != '-') return {};
    for (std::size_t i = dash + 1; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return {};
    const std::string digits = name.substr(prefix.size(), dash - prefix.size());
    if (digits.size() > 10 || digits[0] == '0') return {};
    long long pid = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return {};
        pid = pid * 10 + (c - '0');
    }
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return {};
    return static_cast<pid_t>(pid);
}

// A program killed mid-write leaves its temporary file behind: the next write of the same file takes away
// those whose writer is surely gone, and nothing else of the folder. Gone means both: no process has the
// id in the name (a live one, even another user's, is left alone), and nobody holds the lock its writer
// keeps while writing (the process may live in another process-id space, or on another machine sharing
// the folder). A temporary of a save of the same name running at this moment has both and is kept. And the
// file must be one the game wrote, sealed as it seals its temporaries: a file of the player's named like
// one is his, whatever its name.
void removeStaleTemporaries(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    const std::string name = target.filename().string();
    std::error_code error;
    std::vector<std::filesystem::path> stale;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const auto writer = temporaryWriter(it->path().filename().string(), name);
        if (!writer || *writer == ::getpid()) continue;
        if (::kill(*writer, 0) == 0 || errno != ESRCH) continue;
        stale.push_back(it->path());
    }
    for (const auto& path : stale) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) continue;
        struct stat opened {
        }, named{};
        // Removed while its lock is held here, and only when the name still names what was locked.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            sealedFor(path.filename().string(), opened.st_ino) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino)
            ::unlink(path.c_str());
        ::close(fd);
    }
}

const char* kindOf(mode_t mode) {
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    return "something else";
}

// The file a write of path replaces: path itself, or what a symbolic link there leads to (the link stays a
// link, as an editor keeps it). False with the reason when that is something a file must never replace: a
// device, a FIFO, a socket. A folder is left to the rename, which refuses it by name.
bool fileToReplace(const std::string& path, std::string& target, std::string& error) {
    target = path;
    for (int links = 0;; ++links) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0) return true; // nothing there yet, or the write says why
        if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) return true;
        if (!S_ISLNK(info.st_mode))
            return error =
                       "cannot replace " + path + ": it is " + kindOf(info.st_mode) + ", not a regular file",
                   false;
        // As the system follows links, so far and no further.
        if (links == 40) return error = because("replace", path, ELOOP), false;
        std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return error = because("replace", path, errno), false;
        if (static_cast<std::size_t>(n) >= link.size())
            return error = because("replace", path, ENAMETOOLONG), false;
        const std::filesystem::path to(std::string(link.data(), static_cast<std::size_t>(n)));
        target = to.is_absolute() ? to.string() : (std::filesystem::path(target).parent_path() / to).string();
    }
}

// Creates the temporary file at a free name of the pattern (its last six letters drawn at random), as
// mkstemp would, with the permissions asked, which the umask and the folder's default access list then
// narrow: a first save gets what any new file of the player's would.
int createTemporary(std::string& pattern, mode_t mode) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char drawn[6];
        if (::getrandom(drawn, sizeof drawn, 0) != static_cast<ssize_t>(sizeof drawn)) {
            const auto mixed =
                static_cast<std::uint64_t>(::getpid()) * 2654435761u ^
                static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
            for (std::size_t i = 0; i < sizeof drawn; ++i)
                drawn[i] = static_cast<unsigned char>(mixed >> (8 * i));
        }
        for (std::size_t i = 0; i < sizeof drawn; ++i)
            pattern[pattern.size() - 6 + i] = letters[drawn[i] % (sizeof letters - 1)];
        const int fd = ::open(pattern.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

bool readOnlyFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if ((info.st_mode & 0222) == 0) return true;
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0) return false;
    // Any other failure of the check (no memory, an input error) says nothing of the file: the write tries,
    // and tells what it meets.
    return errno == EACCES || errno == EPERM || errno == EROFS;
}

bool writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error,
                    FileOutput* output) {
    FileOutput plain;
    FileOutput& out = output ? *output : plain;
    std::string file;
    if (!fileToReplace(path, file, error)) return false;
    struct stat old {};
    const bool replacing = ::stat(file.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing && readOnlyFile(file))
        return error = "cannot replace " + path + ": it is read-only, and is kept as it is", false;
    const std::filesystem::path target(file);
    // Beside the file, so that the rename stays on one file system and cannot half-happen.
    const std::string hidden =
        temporaryPrefix(target.filename().string()) + std::to_string(::getpid()) + "-XXXXXX";
    std::string pattern = target.parent_path().empty() ? hidden : (target.parent_path() / hidden).string();
    removeStaleTemporaries(target);
    // The new bytes of a private file are never readable by others, not even for the moment before the
    // rename: a file replaced is written into a temporary only its owner may read, given the old mode last.
    const int fd = createTemporary(pattern, replacing ? 0600 : 0666);
    if (fd < 0) return error = because("write", path, errno), false;
    // Held until the file has its name: while it is, no other write of the name takes the file for stale.
    ::flock(fd, LOCK_EX | LOCK_NB);
    // Sealed before the first byte goes in: a write killed from here on leaves a temporary the next write
    // knows for the game's. Where the seal cannot be given (a name taken, a file system without the
    // rename that never replaces), the temporary keeps its drawn letters and, left behind, stays.
    struct stat made {};
    if (::fstat(fd, &made) == 0) {
        const std::string drawn = std::filesystem::path(pattern).filename().string();
        std::string sealed = pattern;
        sealed.replace(sealed.size() - 6, 6, sealOf(drawn.substr(0, drawn.size() - 6), made.st_ino));
        if (sealed != pattern &&
            ::renameat2(AT_FDCWD, pattern.c_str(), AT_FDCWD, sealed.c_str(), RENAME_NOREPLACE) == 0)
            pattern = sealed;
    }
    const std::string temporary = pattern;
    const auto fail = [&](const char* what, int code) {
        ::unlink(temporary.c_str());
        ::close(fd);
        error = because(what, path, code);
        return false;
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = out.write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        // A write that takes nothing without an error is a full disk by another name.
        if (n <= 0) return fail("write", n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    if (out.sync(fd) != 0) return fail("write", errno);
    // A file replaced keeps the permissions the player gave it (a save kept private stays so); a first one
    // keeps those it was created with.
    if (replacing) ::fchmod(fd, old.st_mode & 07777);
    if (::rename(temporary.c_str(), file.c_str()) != 0) return fail("replace", errno);
    // The bytes reached the disk before the rename: what closing could still report is no loss of them.
    ::close(fd);
    // The rename itself is made lasting by flushing the directory that holds it.
    const std::string directory = target.parent_path().empty() ? "." : target.parent_path().string();
    const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace vael::platform
