#pragma once
// Test support: the flag pictures as an archive written out field by field. Every picture is one keyed
// pixel whose value names it: "Stem" 10; "Macedonian Flag" 21 22 23; "Persian Flag" 31 32; "Indian Flag"
// 41; "Greek Flag" 51 52; "Flag Shadow" 61 62 63 (shadow pictures draw 255 over the ground, so these are
// keyed here, to be seen).
#include <string>
#include <utility>
#include <vector>

#include "support/display/archive_bytes.h"

namespace vael::test {

inline Bytes flagArchive() {
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> groups = {
        {"Stem", {10}},        {"Macedonian Flag", {21, 22, 23}}, {"Persian Flag", {31, 32}},
        {"Indian Flag", {41}}, {"Greek Flag", {51, 52}},          {"Flag Shadow", {61, 62, 63}}};
    constexpr std::uint32_t ImageSize = 150 + 4, GroupSize = 138;
    int images = 0;
    for (const auto& g : groups)
        images += static_cast<int>(g.second.size());
    Bytes b;
    putText(b, "Activation Unit Flags", 128);
    put16(b, static_cast<int>(groups.size())), put16(b, images);
    std::uint32_t previous = 0;
    for (const auto& [name, pixels] : groups) {
        const auto start = static_cast<std::uint32_t>(b.size());
        putGroup(b, name, static_cast<int>(pixels.size()), previous,
                 start + GroupSize + ImageSize * static_cast<std::uint32_t>(pixels.size()));
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const auto at = static_cast<std::uint32_t>(b.size());
            putImageHeader(b, name.substr(0, 1) + std::to_string(i), 1, 1, 0, 0, 2, 4,
                           i + 1 < pixels.size() ? at + ImageSize : 0);
            append(b, {pixels[i], 0, 0, 0});
        }
        previous = start;
    }
    return b;
}

} // namespace vael::test
