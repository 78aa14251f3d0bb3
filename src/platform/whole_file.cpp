#include "platform/whole_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
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

// Whether name is one of the temporary files written for target's file name: "." NAME "." and the six
// letters and digits mkstemp puts in.
bool isOwnTemporary(const std::string& name, const std::string& target) {
    const std::string prefix = "." + target + ".";
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

// A program killed mid-write leaves its temporary file behind: the next write of the same file takes
// those away, and nothing else of the folder.
void removeStaleTemporaries(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    const std::string name = target.filename().string();
    std::error_code error;
    std::vector<std::filesystem::path> stale;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (isOwnTemporary(it->path().filename().string(), name) && it->is_regular_file(error))
            stale.push_back(it->path());
    for (const auto& path : stale)
        ::unlink(path.c_str());
}

} // namespace

bool writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error,
                    FileOutput* output) {
    FileOutput plain;
    FileOutput& out = output ? *output : plain;
    const std::filesystem::path target(path);
    // Beside the file, so that the rename stays on one file system and cannot half-happen.
    const std::string hidden = std::string(".").append(target.filename().string()).append(".XXXXXX");
    std::string pattern = target.parent_path().empty() ? hidden : (target.parent_path() / hidden).string();
    removeStaleTemporaries(target);
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return error = because("write", path, errno), false;
    const std::string temporary = pattern;
    const auto fail = [&](const char* what, int code) {
        ::close(fd);
        ::unlink(temporary.c_str());
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
    // mkstemp makes the file readable by its owner only: the new file keeps the old one's permissions, and
    // a first one gets those a new file usually has.
    struct stat old {};
    ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return error = because("write", path, code), false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return error = because("replace", path, code), false;
    }
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
