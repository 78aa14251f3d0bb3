#pragma once
// Little-endian fields on the raw streams of saved games and data files, for the battle map's records.
// Every getter answers false when the stream ends first, so that a reader can refuse a short record
// before it changes anything. The saved game's byte block is read and patched in place by the vector
// forms at the end; their callers check the lengths first.
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace vael::raw {

inline void putU16(std::ostream& s, std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    s.write(b, 2);
}
inline void putU32(std::ostream& s, std::uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    s.write(b, 4);
}
inline void putI16(std::ostream& s, std::int16_t v) {
    putU16(s, static_cast<std::uint16_t>(v));
}

inline bool getBytes(std::istream& s, void* out, std::size_t n) {
    s.read(static_cast<char*>(out), static_cast<std::streamsize>(n));
    return s && static_cast<std::size_t>(s.gcount()) == n;
}
inline bool getU16(std::istream& s, std::uint16_t& v) {
    unsigned char b[2];
    if (!getBytes(s, b, 2)) return false;
    v = static_cast<std::uint16_t>(b[0] | b[1] << 8);
    return true;
}
inline bool getI16(std::istream& s, std::int16_t& v) {
    std::uint16_t u = 0;
    if (!getU16(s, u)) return false;
    v = static_cast<std::int16_t>(u);
    return true;
}
inline bool getU32(std::istream& s, std::uint32_t& v) {
    unsigned char b[4];
    if (!getBytes(s, b, 4)) return false;
    v = static_cast<std::uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
    return true;
}
// n characters, read in pieces so that a corrupt length never allocates more than the stream holds.
inline bool getText(std::istream& s, std::size_t n, std::string& out) {
    std::string text;
    char piece[256];
    while (n > 0) {
        const std::size_t k = n < sizeof piece ? n : sizeof piece;
        if (!getBytes(s, piece, k)) return false;
        text.append(piece, k);
        n -= k;
    }
    out = std::move(text);
    return true;
}

// On a saved game held whole in memory.
inline std::uint32_t read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
inline std::uint16_t read16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
}
inline void append16(std::vector<std::uint8_t>& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void append32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

} // namespace vael::raw
