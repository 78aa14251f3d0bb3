// Arbitrary bytes as a saved game over the demonstration battle: a file that is not one is refused with a
// reason and leaves the battle exactly as it was; one that is taken leaves a battle that saves again. The
// whole-file check is taken off first, as the game does: a file whose check does not match is refused with
// its bytes as they were, and one without a whole check may hold no running state.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "support/failed_checks.h"
#include "support/flow/test_shell.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    test::continueOnFailedChecks();
    // One battle for every input: a file that is taken leaves it in another state, which the next input
    // starts from.
    static test::TestShell shell{"", nullptr, VAEL_BUILD_DATA_DIR};
    static VaelLogicalLayer layer;
    static const bool loaded = [] {
        shell.adopt(layer);
        return layer.LoadScenario(ScenarioInfoStruct{10, "Ghatmar", "GHATMAR.SCN", 0});
    }();
    if (!loaded) std::abort();
    const std::vector<std::uint8_t> before = saveLayerPart(layer);
    std::string error;
    // The check over a battle of its own changes nothing of this one.
    std::vector<std::uint8_t> file(data, data + size);
    const std::vector<std::uint8_t> given = file;
    SavedCheck check = SavedCheck::Absent;
    if (!unsealSavedGame(file, error, &check)) {
        if (error.empty() || file != given) std::abort();
        return 0;
    }
    if (file.size() + saved_check::Size != given.size() && file != given) std::abort();
    if (!checkLayerPart(layer.getLoadedScenario(), file, error, check) && error.empty()) std::abort();
    if (saveLayerPart(layer) != before) std::abort();
    error.clear();
    if (!loadLayerPart(layer, file, error, check)) {
        if (error.empty() || saveLayerPart(layer) != before) std::abort();
        return 0;
    }
    saveLayerPart(layer);
    return 0;
}
