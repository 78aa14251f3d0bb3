#pragma once
// Small logical maps for tests, made with the map-file builder.
#include <memory>

#include "game/rules/logical_map_file.h"
#include "game/rules/map_file_builder.h"
#include "game/rules/vael_logical_landscape.h"

namespace vael::test {

inline LogicalMapFile readMapFile(const MapFileBuilder& builder) {
    LogicalMapFile file;
    const auto bytes = builder.bytes();
    file.read(bytes.data(), bytes.size(), "test.map");
    return file;
}

inline std::unique_ptr<VaelLogicalLandscape> makeLandscape(const MapFileBuilder& builder) {
    return std::make_unique<VaelLogicalLandscape>(readMapFile(builder));
}

inline std::unique_ptr<VaelLogicalLandscape> makeLandscape(int width, int height) {
    return makeLandscape(MapFileBuilder(static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height)));
}

} // namespace vael::test
