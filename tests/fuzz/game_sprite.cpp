// Arbitrary bytes as a game sprite's saved record: loading either fails and leaves the sprite's record as
// it was, or reads a whole record that saves to the bytes it was read from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "game/map/vael_sprite.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    VaelSprite sprite(1204, Point3D(3, 4, 0), FrameInfo("Walk", 2), 1, nullptr, DrawPlain, nullptr, nullptr,
                      nullptr, 0);
    std::ostringstream before;
    sprite.save(before);
    std::istringstream in(bytes);
    if (!sprite.load(in)) {
        std::ostringstream after;
        sprite.save(after);
        if (after.str() != before.str()) std::abort();
        return 0;
    }
    std::ostringstream out;
    sprite.save(out);
    if (out.str() != bytes.substr(0, out.str().size())) std::abort();
    std::istringstream artwork(bytes);
    VaelSprite other;
    if (other.readArtworkNames(artwork) && other.artwork(0) && other.artwork(0)->name().empty()) std::abort();
    return 0;
}
