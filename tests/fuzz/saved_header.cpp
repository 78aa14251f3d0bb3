// Arbitrary bytes as the application's part of a saved game: the scenario it names, the player's description
// and the viewports of the two map views, read by the stand-in of views without windows and by the two views'
// display layers, which open the map windows the bytes hold. A file that is not one is refused with a reason;
// one whose scenario is taken names a battle that writes back to the same record; no view opens more windows
// than one holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/map/vael_physical_layer.h"
#include "game/shell/layer_viewports.h"
#include "game/shell/saved_game_header.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

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
    // A description is read only from a header that names its battle, and never longer than is kept.
    std::string description;
    if (readSavedDescription(file, description) != readSavedScenario(file, scenario, error) ||
        description.size() > saved_header::MaxDescription)
        std::abort();
    ClosedViewportLayer view0, view4;
    error.clear();
    if (!readSavedViewports(file, view0, view4, error) && error.empty()) std::abort();

    test::continueOnFailedChecks();
    static test::TestApplication app;
    app.forgetRecords();
    {
        VaelPhysicalLayers layers(app);
        for (VaelPhysicalLayer* l : {&layers.normal(), &layers.reversed()})
            l->beginLandscape(LandscapeDefinition{1, Point(3, 4), 12, 0});
        auto map = [] { return MapInfoStruct{"Ghatmar", Point(4, 3)}; };
        LayerViewports normal(layers.normal(), map), reversed(layers.reversed(), map);
        error.clear();
        if (!readSavedViewports(file, normal, reversed, error) && error.empty()) std::abort();
        for (VaelPhysicalLayer* l : {&layers.normal(), &layers.reversed()})
            if (l->viewports().count() > LayerViewports::MostWindows) std::abort();
    }
    return 0;
}
