#pragma once
// Test support: scenario files spelled field by field, little-endian, and written to disk.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vael::test {

struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& u8(int v) { return b.push_back(static_cast<std::uint8_t>(v)), *this; }
    Bytes& u16(int v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& text(const std::string& s) {
        u8(static_cast<int>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
};

// kind, name, nation code, value, group, stored hex, facing: the part every record starts with.
inline Bytes& unit(Bytes& out, int kind, const std::string& name, int code, int value, int group, int hex,
                   int facing) {
    return out.u8(kind).text(name).u8(code).u16(value).u16(group).u16(hex).u8(facing);
}

inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace vael::test
