// Arbitrary bytes as the battle landscape's part of a saved game, read by a full-size landscape of a
// small map in each view: a part that is refused changes nothing; one that is taken saves again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/map/landscape_save.h"
#include "game/map/pointed_vael_landscape.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace {

vael::List<vael::LogicalRegion> regions() {
    vael::List<vael::LogicalRegion> out;
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 5; ++col) {
            vael::LogicalRegion r;
            r.id = static_cast<std::uint16_t>(col * 100 + row);
            r.position = vael::Point3D(static_cast<std::int16_t>(2 * col),
                                       static_cast<std::int16_t>(4 * row + 2 * (col % 2)),
                                       static_cast<std::int16_t>(col == 2 ? 0 : 1));
            out.append(r);
        }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    test::continueOnFailedChecks();
    static test::TestApplication app;
    app.forgetRecords();
    const std::vector<std::uint8_t> bytes(data, data + size);
    // Also the readers alone, on every offset the input names.
    std::uint32_t at = 0;
    if (readBlockOffset(data, size, at)) {
        LandscapeBlock block;
        ViewSection section;
        std::string error;
        if (readLandscapeBlock(data, size, at, block, error)) {
            readViewSection(data, size, block.normalSection, section, error);
            readViewSection(data, size, block.reversedSection, section, error);
        }
    }
    for (std::uint16_t mode : {0, 4}) {
        auto l = PointedVaelLandscape::create(mode);
        l->attach(app);
        l->beginLandscape(LandscapeDefinition{10, Point(5, 6), 30, 0});
        l->createRegions(regions());
        l->endLandscape();
        const auto scars = l->scars().count();
        const auto sprites = l->sprites().count();
        if (!l->loadGameBytes(bytes)) {
            if (l->scars().count() != scars || l->sprites().count() != sprites || !l->arrows().empty())
                std::abort();
        } else if (l->scars().count() > 30) {
            std::abort();
        }
        l->detach();
    }
    return 0;
}
