#pragma once
// A file read whole into memory, for every reader of the program's files. A path that names a folder is
// refused by name: read through a stream, a folder opens and then throws at the first read, which no
// reader expects, and an empty name joined to a data folder's path names that folder. Only a regular file
// is read, and only up to the size its reader can hold: a device (/dev/zero), a FIFO that nobody writes to
// or a file of gigabytes would otherwise fill the memory or wait for ever. Both are known before a byte is
// read: the file is opened without waiting and looked at through what was opened.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vael {

// The most each kind of file may hold, far above what the program ever writes or ships.
namespace file_limits {
// A saved game holds some 130 KB at most.
constexpr std::uint64_t SavedGame = std::uint64_t(4) << 20;
// Texts of the data set and of the player: plans, the campaign, variants, the display catalogue.
constexpr std::uint64_t Text = std::uint64_t(4) << 20;
// The data set's binary files: scenarios, maps, the image index, sounds.
constexpr std::uint64_t Data = std::uint64_t(256) << 20;
} // namespace file_limits

// False with a message that names the path ("cannot open PATH", "PATH is a folder, not a file", "PATH is
// not a regular file", "PATH is too large: ...", "cannot read PATH"); the bytes are left empty then.
bool readFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error,
                   std::uint64_t most);
bool readFileText(const std::string& path, std::string& text, std::string& error, std::uint64_t most);
// The first count bytes of a regular file of any size (all of a shorter one), for a look at its header.
bool readFileStart(const std::string& path, std::size_t count, std::vector<std::uint8_t>& bytes,
                   std::string& error);

} // namespace vael
