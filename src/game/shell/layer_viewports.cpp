#include "game/shell/layer_viewports.h"

#include <sstream>
#include <vector>

#include "game/map/vael_physical_layer.h"

namespace vael {

void LayerViewports::saveViewports(SuperString& stream) {
    std::ostringstream out;
    layer_.saveViewports(out);
    const std::string bytes = out.str();
    stream.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

bool LayerViewports::LoadViewports(SuperString& stream, std::string& error) {
    const std::int32_t at = stream.readPosition();
    std::string rest(static_cast<std::size_t>(stream.remaining()), '\0');
    if (!rest.empty()) stream.peek(rest.data(), at, static_cast<std::int32_t>(rest.size()));
    if (rest.size() < 2) {
        stream.setFailed();
        return error = "the saved game ends in its viewports", false;
    }
    const auto count = static_cast<std::int16_t>(static_cast<std::uint8_t>(rest[0]) |
                                                 static_cast<std::uint8_t>(rest[1]) << 8);
    // The count is told as the file holds it: its two bytes unsigned, never a count below nothing.
    if (count < 0 || count > MostWindows)
        return error = "the saved game has " + std::to_string(static_cast<std::uint16_t>(count)) +
                       " map views to open in one view",
               false;
    const MapInfoStruct map = count > 0 ? map_() : MapInfoStruct{};
    std::istringstream in(rest);
    if (!layer_.loadViewports(in, map.name, Dim(map.size.x, map.size.y)))
        return error = "the saved game ends in its viewports", false;
    stream.setReadPosition(at + static_cast<std::int32_t>(in.tellg()));
    return true;
}

} // namespace vael
