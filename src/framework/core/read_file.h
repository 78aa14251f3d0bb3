#pragma once
// A file read whole into memory, for every reader of the program's files. A path that names a folder is
// refused by name: read through a stream, a folder opens and then throws at the first read, which no
// reader expects, and an empty name joined to a data folder's path names that folder.
#include <cstdint>
#include <string>
#include <vector>

namespace vael {

// False with a message that names the path ("cannot open PATH", "PATH is a folder, not a file", "cannot
// read PATH"); the bytes are left empty then.
bool readFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);
bool readFileText(const std::string& path, std::string& text, std::string& error);

} // namespace vael
