#include "base/read_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vael {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::string because(const std::string& what, const std::string& path, int code) {
    return what + " " + path + ": " + std::strerror(code);
}

// Opens the path as a regular file: without waiting (a FIFO would wait for a writer), then looked at through
// the descriptor, so that what is read is what was looked at.
int openRegular(const std::string& path, std::uint64_t& size, std::string& error, ReadFault& fault) {
    fault = ReadFault::Unreadable;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat info {};
    if (fd < 0) {
        if (errno == EISDIR) return error = path + " is a folder, not a file", -1;
        // A path under a file, as under a folder that is not there, names nothing.
        if (errno == ENOENT || errno == ENOTDIR) fault = ReadFault::Missing;
        return error = because("cannot open", path, errno), -1;
    }
    if (::fstat(fd, &info) != 0) {
        error = because("cannot read", path, errno);
        ::close(fd);
        return -1;
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        return error = path + " is a folder, not a file", -1;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return error = path + " is not a regular file", -1;
    }
    // A regular file never waits; its reads go on as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(info.st_size);
    fault = ReadFault::None;
    return fd;
}

// Reads up to most bytes; true with more set when the file holds further bytes.
template <class Bytes> bool readUpTo(int fd, std::uint64_t most, Bytes& bytes, bool& more, int& code) {
    more = false;
    char block[1 << 16];
    for (;;) {
        const std::uint64_t room = most - bytes.size();
        // One byte past the limit is asked for, to tell a file that grew since it was looked at.
        const std::size_t want = room < sizeof block ? static_cast<std::size_t>(room) + 1 : sizeof block;
        const ssize_t n = ::read(fd, block, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return code = errno, false;
        if (n == 0) return true;
        const auto got = static_cast<std::uint64_t>(n);
        if (got > room) {
            bytes.insert(bytes.end(), block, block + room);
            more = true;
            return true;
        }
        bytes.insert(bytes.end(), block, block + n);
    }
}

std::string tooLarge(const std::string& path, std::uint64_t size, std::uint64_t most) {
    return path + " is too large: " + std::to_string(size) + " bytes, where at most " + std::to_string(most) +
           " are expected";
}

template <class Bytes>
bool readWhole(const std::string& path, Bytes& bytes, std::string& error, std::uint64_t most,
               ReadFault* fault) {
    bytes.clear();
    std::uint64_t size = 0;
    ReadFault why = ReadFault::None;
    const Descriptor fd(openRegular(path, size, error, why));
    if (fault) *fault = why;
    if (fd.get() < 0) return false;
    if (fault) *fault = ReadFault::Unreadable;
    if (size > most) return error = tooLarge(path, size, most), false;
    // Room for the whole file at once: grown as it came, a large file would pass through twice its size.
    bytes.reserve(static_cast<std::size_t>(size));
    bool more = false;
    int code = 0;
    if (!readUpTo(fd.get(), most, bytes, more, code)) {
        bytes.clear();
        return error = because("cannot read", path, code), false;
    }
    if (more) {
        bytes.clear();
        return error = path + " is too large: it grew past " + std::to_string(most) + " bytes as it was read",
               false;
    }
    if (fault) *fault = ReadFault::None;
    return true;
}

} // namespace

bool readFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error,
                   std::uint64_t most, ReadFault* fault) {
    return readWhole(path, bytes, error, most, fault);
}

bool readFileText(const std::string& path, std::string& text, std::string& error, std::uint64_t most,
                  ReadFault* fault) {
    return readWhole(path, text, error, most, fault);
}

bool readDataText(const std::string& path, std::string& text, std::string& error, std::uint64_t most) {
    if (!readWhole(path, text, error, most, nullptr)) return false;
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    return true;
}

bool readFileStart(const std::string& path, std::size_t count, std::vector<std::uint8_t>& bytes,
                   std::string& error) {
    bytes.clear();
    std::uint64_t size = 0;
    ReadFault fault = ReadFault::None;
    const Descriptor fd(openRegular(path, size, error, fault));
    if (fd.get() < 0) return false;
    bool more = false;
    int code = 0;
    if (!readUpTo(fd.get(), count, bytes, more, code)) {
        bytes.clear();
        return error = because("cannot read", path, code), false;
    }
    return true;
}

bool checkWritableFile(const std::string& path, std::string& error) {
    // O_NONBLOCK: a FIFO with nobody reading refuses at once (ENXIO) where a plain open would wait.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        if (errno == EISDIR) return error = path + " is a folder, not a file", false;
        if (errno == ENXIO) return error = path + " is not a regular file", false;
        return error = because("cannot write", path, errno), false;
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular) return error = path + " is not a regular file", false;
    return true;
}

} // namespace vael
