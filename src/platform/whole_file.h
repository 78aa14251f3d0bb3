#pragma once
// A file written whole or not at all: the bytes go to a temporary file beside it, are flushed to the disk,
// and only then renamed over the old one. A write that fails part-way (a full disk, a write limit, no
// permission) removes the temporary file and leaves the old one exactly as it was; a program killed
// mid-write leaves a stray temporary file at worst, never half a file under the real name, and a later
// write of the same name removes it once its writer is surely gone (never a file of the player's that only
// bears such a name). A symbolic link is written through to
// the file it names and stays a link; a device, a FIFO or a socket at the path is never replaced, nor is a
// file the player made read-only. A file replaced keeps its permissions, and its new bytes are never
// readable by others before it has them; a first one gets those the umask leaves a new file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vael::platform {

// The system calls the writing goes through; tests put one in that fails where they choose.
class FileOutput {
public:
    virtual ~FileOutput() = default;
    // As write(2) and fsync(2): -1 with errno set on failure.
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int sync(int fd);
};

// Whether path is a regular file the player made read-only, which is his to keep: no write permission in
// its mode (for the superuser too, whom the system lets write anything), or a write refused to us by the
// file or its disk (another's file, one made immutable, a read-only disk). The rename that replaces a file
// asks only the folder's leave, so the file's own is asked here. Every writer of the player's files asks
// this one rule.
bool readOnlyFile(const std::string& path);

// Writes the bytes as the file at path; false with a message that names the file and the cause ("cannot
// replace PATH: it is a device, not a regular file", "cannot replace PATH: it is read-only, and is kept as
// it is").
bool writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error,
                    FileOutput* output = nullptr);

} // namespace vael::platform
