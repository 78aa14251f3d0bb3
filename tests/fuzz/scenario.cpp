// Arbitrary bytes as a scenario file: a file that is not one is refused with a message naming it and
// leaves nothing read; one that is read holds only names within their buffers and records of known kinds,
// each of which gets a prototype key or a report.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "game/flow/prototype_key.h"
#include "game/flow/scenario_file.h"
#include "support/failed_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    test::continueOnFailedChecks();
    ScenarioFile file;
    if (!file.read(data, size, "fuzz.scn")) {
        if (file.error().find("fuzz.scn") == std::string::npos || !file.units.empty() || !file.groups.empty())
            std::abort();
        return 0;
    }
    if (file.mapFileName.size() > ScenarioFile::maxMapFileName) std::abort();
    if (file.home.nation < 1 || file.home.nation > 6 || file.home.nation == file.visitor.nation) std::abort();
    for (ScenarioFile::UnitRecord& unit : file.units) {
        if (!unit.data || ScenarioFile::fixedRecordBytes(unit.kind) == 0) std::abort();
        remapLightCavalryMissiles(unit.kind, *unit.data);
        const PrototypeKey key = choosePrototypeKey(unit.kind, *unit.data);
        if ((key.key < 0) != (key.message != nullptr) || key.key > 44) std::abort();
    }
    return 0;
}
