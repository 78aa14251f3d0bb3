#pragma once
// Reads of parts of files that stay open between reads. The images of a battle come a few at a time from
// a handful of archives, each first use reading one image's bytes: opening the archive for every image
// cost more than the reading. A kept file is known by its identity (device and inode): a path that has
// come to name another file since (an archive written anew) is opened afresh, and the file it named
// before is closed.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vael::platform {

class KeptFiles {
public:
    enum class Read {
        Done,     // every byte asked for was read
        Missing,  // nothing at the path
        NotAFile, // something other than a regular file (a folder, a FIFO, a link that loops), or a file
                  // that cannot be opened
        Short,    // the file ends before the last byte asked for
        Failed,   // the system refused the read
    };

    // At most this many files are kept open; a further one closes the one opened longest ago.
    static constexpr std::size_t MaxOpen = 16;

    KeptFiles() = default;
    ~KeptFiles();
    KeptFiles(const KeptFiles&) = delete;
    KeptFiles& operator=(const KeptFiles&) = delete;

    // The one the program's images read through.
    static KeptFiles& shared();

    // Reads size bytes from offset of the file at path into the block that buffer gives, asked for only
    // once the file is known to hold them (a damaged record may claim more bytes than memory holds), and
    // not at all for no bytes.
    Read read(const std::string& path, std::uint64_t offset, std::size_t size,
              const std::function<void*()>& buffer);
    // Closes every kept file.
    void closeAll();
    std::size_t openCount() const { return files_.size(); }

private:
    struct Kept {
        std::string path;
        int fd;
        std::uint64_t device, inode;
    };
    std::vector<Kept> files_;
};

} // namespace vael::platform
