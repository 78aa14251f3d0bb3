// Arbitrary bytes as the map file of archive names: the reader must refuse what its count does not fit
// with a reason and no records, and what it accepts must hold exactly the records the size gives, with
// names no longer than their fields allow.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/ui/map_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::MapFile map;
    if (!map.read(data, size)) {
        if (map.error().empty() || !map.records().empty()) std::abort();
        return 0;
    }
    if (!map.error().empty() || 2 + map.records().size() * vael::MapFile::RecordSize != size) std::abort();
    for (const vael::MapFileRecord& record : map.records()) {
        if (record.dataFile.size() > 12 || record.archive.size() > 127) std::abort();
        if (map.find(record.archive)->archive != record.archive) std::abort();
    }
    return 0;
}
