#include "framework/core/read_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace vael {

namespace {

template <class Bytes> bool readWhole(const std::string& path, Bytes& bytes, std::string& error) {
    bytes.clear();
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) return error = path + " is a folder, not a file", false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return error = "cannot open " + path, false;
    // Room for the whole file at once: grown as it came, a large file would pass through twice its size.
    if (const auto size = std::filesystem::file_size(path, code); !code) bytes.reserve(size);
    // Read in blocks: a stream's read turns a failure (a folder put in the file's place since the look)
    // into its bad state, where the stream's iterator would throw.
    char block[1 << 16];
    while (in.read(block, sizeof block) || in.gcount() > 0)
        bytes.insert(bytes.end(), block, block + in.gcount());
    if (in.bad()) {
        bytes.clear();
        return error = "cannot read " + path, false;
    }
    return true;
}

} // namespace

bool readFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    return readWhole(path, bytes, error);
}

bool readFileText(const std::string& path, std::string& text, std::string& error) {
    return readWhole(path, text, error);
}

} // namespace vael
