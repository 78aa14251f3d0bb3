#pragma once
// Test support: images and files of the display written out byte by byte, so that readers are pinned by
// bytes a test can read, not only by what a writer makes.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/display/bitmap.h"

namespace vael::test {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
inline void put32(Bytes& b, std::uint32_t v) {
    put16(b, static_cast<int>(v & 0xFFFF));
    put16(b, static_cast<int>(v >> 16));
}
inline void putText(Bytes& b, const std::string& text, std::size_t field) {
    for (std::size_t i = 0; i < field; ++i)
        b.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}
inline void append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

// Run words: a transparent, literal or shadow run of n pixels (a literal's bytes follow it).
inline Bytes skip(int n) {
    return {static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8)};
}
inline Bytes literal(std::initializer_list<std::uint8_t> pixels) {
    Bytes b{static_cast<std::uint8_t>(pixels.size()), 0x20};
    b.insert(b.end(), pixels);
    return b;
}
inline Bytes shadow(int n) {
    return {static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(0x40 | n >> 8)};
}
// A row record: its length word, then its runs.
inline Bytes row(std::initializer_list<Bytes> runs) {
    Bytes body;
    for (const Bytes& r : runs)
        append(body, r);
    Bytes b;
    put16(b, static_cast<int>(body.size() + 2));
    append(b, body);
    return b;
}
inline Bytes rows(std::initializer_list<Bytes> all) {
    Bytes b;
    for (const Bytes& r : all)
        append(b, r);
    return b;
}

// Raw rows given without padding, padded to the stride.
inline Bytes padded(int width, std::initializer_list<Bytes> all) {
    Bytes b;
    for (const Bytes& r : all) {
        append(b, r);
        b.resize(b.size() + Bitmap::paddingFor(width), 0);
    }
    return b;
}

// The pixels of a bitmap row by row, padding left out.
inline std::vector<Bytes> pixelRows(const Bitmap& bitmap) {
    std::vector<Bytes> out;
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* p = bitmap.bits() + y * bitmap.stride();
        out.emplace_back(p, p + bitmap.width());
    }
    return out;
}

} // namespace vael::test
