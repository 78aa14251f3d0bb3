#include "platform/kept_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vael::platform {

KeptFiles::~KeptFiles() {
    closeAll();
}

KeptFiles& KeptFiles::shared() {
    static KeptFiles files;
    return files;
}

void KeptFiles::closeAll() {
    for (const Kept& kept : files_)
        ::close(kept.fd);
    files_.clear();
}

KeptFiles::Read KeptFiles::read(const std::string& path, std::uint64_t offset, std::size_t size,
                                const std::function<void*()>& buffer) {
    // The path is looked at on every read, so that a file put in its place is never read through the
    // descriptor of the one it replaced; while that descriptor is open its inode cannot name a new file.
    struct stat now {};
    if (::stat(path.c_str(), &now) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Read::Missing : Read::NotAFile;
    if (!S_ISREG(now.st_mode)) return Read::NotAFile;
    const auto length = static_cast<std::uint64_t>(now.st_size);
    if (offset > length || size > length - offset) return Read::Short;

    int fd = -1;
    for (auto it = files_.begin(); it != files_.end(); ++it) {
        if (it->path != path) continue;
        if (it->device == static_cast<std::uint64_t>(now.st_dev) &&
            it->inode == static_cast<std::uint64_t>(now.st_ino)) {
            fd = it->fd;
        } else {
            ::close(it->fd);
            files_.erase(it);
        }
        break;
    }
    if (fd < 0) {
        // Without waiting: a FIFO put in the file's place since the look must not hold the program.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? Read::Missing : Read::NotAFile;
        struct stat opened {};
        // Between the look and the opening another file may have taken the path: the one opened is read.
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return Read::NotAFile;
        }
        const auto openedLength = static_cast<std::uint64_t>(opened.st_size);
        if (offset > openedLength || size > openedLength - offset) {
            ::close(fd);
            return Read::Short;
        }
        if (files_.size() >= MaxOpen) {
            ::close(files_.front().fd);
            files_.erase(files_.begin());
        }
        files_.push_back(Kept{path, fd, static_cast<std::uint64_t>(opened.st_dev),
                              static_cast<std::uint64_t>(opened.st_ino)});
    }

    if (size == 0) return Read::Done;
    auto* bytes = static_cast<char*>(buffer());
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Read::Failed;
        // The file was cut short since it was looked at.
        if (n == 0) return Read::Short;
        done += static_cast<std::size_t>(n);
    }
    return Read::Done;
}

} // namespace vael::platform
