#pragma once
// A disk that fills up: file writes go through until a number of bytes has been written, then fail with
// the error given (a full disk unless told otherwise); the flush to the disk can be made to fail too.
#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "platform/whole_file.h"

namespace vael::test {

class FailingOutput : public platform::FileOutput {
public:
    explicit FailingOutput(std::size_t room, int error = ENOSPC) : room_(room), error_(error) {}
    ssize_t write(int fd, const void* data, std::size_t size) override {
        // A disk that takes nothing without a word: after a few such writes, a loud failure, so that a
        // writer that waits on it for ever is caught too.
        if (written_ >= room_ && silentWrites > 0) return --silentWrites == 0 ? (errno = EIO, -1) : 0;
        if (written_ >= room_) return errno = error_, -1;
        // The last bytes that fit go as a short write, as a disk that fills up takes them.
        const std::size_t n = std::min(size, room_ - written_);
        const ssize_t done = platform::FileOutput::write(fd, data, n);
        if (done > 0) written_ += static_cast<std::size_t>(done);
        return done;
    }
    int sync(int fd) override {
        if (syncError) return errno = syncError, -1;
        return platform::FileOutput::sync(fd);
    }
    std::size_t written() const { return written_; }
    int syncError = 0;
    // How many writes past the room take 0 bytes, the last of them failing with EIO.
    int silentWrites = 0;

private:
    std::size_t room_, written_ = 0;
    int error_;
};

} // namespace vael::test
