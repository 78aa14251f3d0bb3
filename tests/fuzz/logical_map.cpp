// Arbitrary bytes as a logical map file: the reader must refuse what is not a map with a message and
// never read out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "game/rules/logical_map_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::LogicalMapFile file;
    if (!file.read(data, size, "fuzz.map")) {
        if (file.error().empty() || file.width() != 0) std::abort();
        return 0;
    }
    for (int y = 0; y < file.latticeRows(); ++y)
        for (int x = 0; x < file.latticeColumns(); ++x) {
            const std::uint16_t n = file.recordCount(x, y);
            const std::uint16_t* values = file.recordValues(x, y);
            if (n > vael::LogicalMapFile::maxRecordValues) std::abort();
            for (std::uint16_t i = 0; i < n; ++i)
                if (values[i] == 0xBEEF) return 1;
        }
    return 0;
}
