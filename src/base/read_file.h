#pragma once
// A file read whole into memory, for every reader of the program's files: the framework's and the
// platform's alike (the settings store), so that each kind of file is refused for the same reasons in the
// same words. A path that names a folder is refused by name: read through a stream, a folder opens and then
// throws at the first read, which no reader expects, and an empty name joined to a data folder's path names
// that folder. Only a regular file is read, and only up to the size its reader can hold: a device
// (/dev/zero), a FIFO that nobody writes to or a file of gigabytes would otherwise fill the memory or wait
// for ever. Both are known before a byte is read: the file is opened without waiting and looked at through
// what was opened.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vael {

// Why a read failed, for a reader to whom a file that is not there means something else than one that is
// there and could not be read: a store that has none yet starts empty, one it could not read is left alone.
enum class ReadFault : std::uint8_t {
    None,
    Missing,    // nothing at the path, nor can be (a file stands where a folder of it should)
    Unreadable, // something is there and was not read; the message says why
};

// False with a message that names the path ("cannot open PATH: REASON", "PATH is a folder, not a file",
// "PATH is not a regular file", "PATH is too large: ...", "cannot read PATH: REASON"); the bytes are left
// empty then.
bool readFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error,
                   std::uint64_t most, ReadFault* fault = nullptr);
bool readFileText(const std::string& path, std::string& text, std::string& error, std::uint64_t most,
                  ReadFault* fault = nullptr);
// A text of the data folder (a plan, the campaign, the variants, the display catalogue) as readFileText reads
// it, without the byte order mark an editor may put before UTF-8: the mark is no part of the first line, and
// kept it would make the first word or number of the file unreadable.
bool readDataText(const std::string& path, std::string& text, std::string& error, std::uint64_t most);
// The first count bytes of a regular file of any size (all of a shorter one), for a look at its header.
bool readFileStart(const std::string& path, std::size_t count, std::vector<std::uint8_t>& bytes,
                   std::string& error);

// Makes sure that path names a regular file that can be written, made empty when there was none: true, or
// false with the reason. Opened without waiting, so that a FIFO in its place (nobody reading) is refused at
// once instead of holding the program until someone reads.
bool checkWritableFile(const std::string& path, std::string& error);

} // namespace vael
