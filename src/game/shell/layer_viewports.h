#pragma once
// A map view's display layer as the saved game's header keeps it: the layer's map windows (their places,
// zooms, overviews and centres) written into the header and opened again from it on the battle's map.
#include <cstdint>
#include <functional>
#include <string>

#include "game/rules/scenario_records.h"
#include "game/shell/saved_game_header.h"

namespace vael {

class VaelPhysicalLayer;

class LayerViewports : public ViewportLayer {
public:
    // More map windows than this in one view is no file the game wrote: it is refused rather than opened.
    static constexpr std::int16_t MostWindows = 32;

    // map answers the battle's map for the windows read back; asked only when there are some.
    LayerViewports(VaelPhysicalLayer& layer, std::function<MapInfoStruct()> map)
        : layer_(layer), map_(std::move(map)) {}

    void saveViewports(SuperString& stream) override;
    // False, with the reason, when the stream does not hold a whole count and every window it counts; the
    // windows read whole before that stay open.
    bool LoadViewports(SuperString& stream, std::string& error) override;

private:
    VaelPhysicalLayer& layer_;
    std::function<MapInfoStruct()> map_;
};

} // namespace vael
