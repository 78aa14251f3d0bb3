// Arbitrary text as a map description: the builder must refuse a bad one with the documented error and
// its line number, never another exception, and whatever it accepts the map reader must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/landscape/map_file_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const vael::MapFileBuilder built = vael::MapFileBuilder::fromText(text);
        const auto bytes = built.bytes();
        vael::LogicalMapFile file;
        if (!file.read(bytes.data(), bytes.size(), "built.map")) std::abort();
        if (file.width() != built.width() || file.height() != built.height()) std::abort();
    } catch (const std::invalid_argument& e) {
        if (std::string(e.what()).rfind("map description line ", 0) != 0) std::abort();
    }
    return 0;
}
