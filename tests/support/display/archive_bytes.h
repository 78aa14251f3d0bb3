#pragma once
// Test support: a small image archive and its image-index entry written out field by field.
//
// The archive "Test" has two groups: "Walk" with "A" (2 x 1 raw, pixels 1 2) and "B" (3 x 1 run-length,
// pixels 4 5 6), and "Stand" with "C" (1 x 1 keyed, pixel 9, hot spot (1, 2)). Offsets: group "Walk" at
// 132, A at 270 (pixels 420), B at 424 (pixels 574), group "Stand" at 581, C at 719 (pixels 869), end 873.
#include <string>
#include <utility>
#include <vector>

#include "support/display/image_bytes.h"

namespace vael::test {

inline void putImageHeader(Bytes& b, const std::string& name, int w, int h, int hx, int hy, int kind,
                           std::uint32_t dataSize, std::uint32_t next) {
    putText(b, name, 128);
    put16(b, w), put16(b, h), put16(b, hx), put16(b, hy), put16(b, kind);
    put32(b, dataSize), put32(b, 0), put32(b, next);
}

inline void putGroup(Bytes& b, const std::string& name, int count, std::uint32_t previous,
                     std::uint32_t next) {
    putText(b, name, 128);
    put16(b, count), put32(b, previous), put32(b, next);
}

inline Bytes testArchive() {
    Bytes b;
    putText(b, "Test", 128);
    put16(b, 2), put16(b, 3);
    putGroup(b, "Walk", 2, 0, 581);
    putImageHeader(b, "A", 2, 1, 0, 0, 1, 4, 424);
    append(b, {1, 2, 0, 0});
    putImageHeader(b, "B", 3, 1, 0, 0, 4, 7, 0);
    append(b, row({literal({4, 5, 6})}));
    putGroup(b, "Stand", 1, 132, 0);
    putImageHeader(b, "C", 1, 1, 1, 2, 2, 4, 0);
    append(b, {9, 0, 0, 0});
    return b;
}

inline void putCompact(Bytes& b, const std::string& name, int w, int h, int hx, int hy, int kind,
                       std::uint32_t dataSize, std::uint32_t offset) {
    putText(b, name, 24);
    put16(b, w), put16(b, h), put16(b, hx), put16(b, hy), put16(b, kind);
    put32(b, dataSize), put32(b, offset);
}

// The index entry of the archive under a library name, its data file named dataFile.
inline Bytes testIndexEntry(const std::string& library, const std::string& dataFile) {
    Bytes b;
    putText(b, library, 64);
    putText(b, dataFile, 13);
    put16(b, 2), put16(b, 3);
    putText(b, "Walk", 24), put16(b, 2);
    putText(b, "Stand", 24), put16(b, 1);
    putCompact(b, "A", 2, 1, 0, 0, 1, 4, 420);
    putCompact(b, "B", 3, 1, 0, 0, 4, 7, 574);
    putCompact(b, "C", 1, 1, 1, 2, 2, 4, 869);
    return b;
}

// An archive of groups (name, picture count) of 1 x 1 keyed pictures named after their group and index,
// pixel values 1, 2, 3 ... in file order.
using GroupList = std::vector<std::pair<std::string, int>>;

inline Bytes keyedArchive(const std::string& title, const GroupList& groups) {
    constexpr std::uint32_t ImageSize = 150 + 4, GroupSize = 138;
    int images = 0;
    for (const auto& g : groups)
        images += g.second;
    Bytes b;
    putText(b, title, 128);
    put16(b, static_cast<int>(groups.size())), put16(b, images);
    std::uint32_t previous = 0;
    std::uint8_t pixel = 1;
    for (const auto& [name, count] : groups) {
        const auto start = static_cast<std::uint32_t>(b.size());
        putGroup(b, name, count, previous, start + GroupSize + ImageSize * static_cast<std::uint32_t>(count));
        for (int i = 0; i < count; ++i) {
            const auto at = static_cast<std::uint32_t>(b.size());
            putImageHeader(b, name + std::to_string(i), 1, 1, 0, 0, 2, 4, i + 1 < count ? at + ImageSize : 0);
            append(b, {pixel++, 0, 0, 0});
        }
        previous = start;
    }
    return b;
}

} // namespace vael::test
