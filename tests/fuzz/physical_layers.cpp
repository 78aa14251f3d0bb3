// Arbitrary bytes as a saved game's display layers: both views' layers of a small map with one unit each
// read them. A block that is refused changes nothing; one that is taken saves again into the same bytes
// as its own block. Read as what a view had under way, they are refused or taken without harm.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/scenario_records.h"
#include "support/failed_checks.h"
#include "support/map/display_object_double.h"
#include "support/test_application.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    test::continueOnFailedChecks();
    static test::TestApplication app;
    app.forgetRecords();
    const std::vector<std::uint8_t> bytes(data, data + size);
    PhysicalLayerState state;
    std::size_t end = 0;
    for (std::size_t at : {std::size_t{0}, std::size_t{8}, size / 2})
        VaelPhysicalLayer::readState(bytes, at, 12, state, end);

    auto layers = std::make_unique<VaelPhysicalLayers>(app);
    PhysicalLayer::registerPrototype(7, new test::DisplayObjectDouble("Foot", 0, 1));
    for (VaelPhysicalLayer* l : {&layers->normal(), &layers->reversed()})
        l->beginLandscape(LandscapeDefinition{1, Point(3, 4), 12, 0});
    Container<LogicalCommandInfo> unit(
        LogicalCommandInfo(0, new Container<LOCreateInfo>(LOCreateInfo{7, 1, 2}), 101));
    app.send(LOGICAL_UNIT_CREATED, &unit);
    for (VaelPhysicalLayer* l : {&layers->normal(), &layers->reversed()}) {
        const std::vector<std::uint32_t> colours = l->hexColours();
        const auto grid = l->hexGridShown();
        if (!l->loadGameBytes(bytes)) {
            if (l->hexColours() != colours || l->hexGridShown() != grid) std::abort();
        } else if (l->hexColours().size() != 12 && l->hasHexColours()) {
            std::abort();
        }
    }
    // The same bytes as what a view had under way at a save, over the layer's one unit.
    std::istringstream underWay(std::string(bytes.begin(), bytes.end()), std::ios::binary);
    if (layers->normal().loadUnderWay(underWay)) layers->normal().restartTick();
    layers.reset();
    return 0;
}
