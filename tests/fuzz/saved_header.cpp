// Arbitrary bytes as the application's part of a saved game: the scenario it names and the viewports of
// the two map views. A file that is not one is refused with a reason; one whose scenario is taken names
// a battle that writes back to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/shell/saved_game_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    const std::vector<std::uint8_t> file(data, data + size);
    std::string error;
    SavedScenario scenario;
    if (readSavedScenario(file, scenario, error)) {
        if (scenario.index > 10 || scenario.fileName.empty() ||
            scenario.fileName.size() > saved_header::MaxScenarioName)
            std::abort();
        ClosedViewportLayer view0, view4;
        SavedScenario again;
        std::string none;
        if (!readSavedScenario(writeSavedHeader(view0, view4, scenario), again, none) || !(again == scenario))
            std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    ClosedViewportLayer view0, view4;
    error.clear();
    if (!readSavedViewports(file, view0, view4, error) && error.empty()) std::abort();
    return 0;
}
