// Arbitrary bytes as a walking-animation archive: the reader refuses what disagrees with the file, whole,
// and of an archive it takes every record is found by its group and index, and nothing outside them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "game/figures/walking_animation_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    WalkingAnimationData archive;
    archive.readFile("fuzz.oif", in);
    if (!archive.loaded() && (archive.groupCount() != 0 || archive.recordCount() != 0)) std::abort();
    std::int32_t records = 0, sum = 0;
    for (std::int16_t g = 0; g < archive.groupCount(); ++g) {
        for (std::int16_t i = -1; i <= archive.itemCount(g); ++i) {
            FacingOffsets* record = archive.item(i, g);
            const bool inside = i >= 0 && i < archive.itemCount(g);
            if (i >= 0 && (record != nullptr) != inside) std::abort();
            if (record && i >= 0) {
                ++records;
                sum += record->facings[8].home.x +
                       static_cast<std::int32_t>(record->facings[1].entries[10].variants[2].durations[2] & 1);
            }
        }
    }
    if (records != archive.recordCount()) std::abort();
    // The compact form from the same bytes.
    WalkingAnimationData compact;
    const std::uint8_t* cursor = data;
    compact.readMemory("fuzz index", cursor, data + size);
    if (cursor < data || cursor > data + size) std::abort();
    for (std::int16_t g = 0; g < compact.groupCount(); ++g)
        if (compact.itemCount(g) > 0 && !compact.item(static_cast<std::int16_t>(compact.itemCount(g) - 1), g))
            std::abort();
    return sum == 12345678 ? 1 : 0;
}
