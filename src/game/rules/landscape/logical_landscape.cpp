#include "game/rules/landscape/logical_landscape.h"

namespace vael {

LogicalLandscape::LogicalLandscape(const char* name) : Component(name ? name : "Unnamed Logical Landscape") {}

LogicalLandscape::~LogicalLandscape() = default;

LogicalRegion* LogicalLandscape::regionAt(std::int16_t n) const {
    return regionAtTableIndex(n);
}

std::uint16_t LogicalLandscape::neighbourId(std::int16_t hex, std::int32_t direction) const {
    if (direction < 0 || direction >= LogicalRegion::slots) return LogicalRegion::none;
    const LogicalRegion* region = regionAtTableIndex(lookupIndex(hex));
    if (!region) return LogicalRegion::none;
    return region->neighbours[static_cast<std::size_t>(direction)];
}

LogicalRegion* LogicalLandscape::neighbourRegion(std::int16_t hex, std::int32_t direction) const {
    const std::uint16_t id = neighbourId(hex, direction);
    if (id == LogicalRegion::none) return nullptr;
    return regionAtTableIndex(lookupIndex(static_cast<std::int16_t>(id)));
}

} // namespace vael
