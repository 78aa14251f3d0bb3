// Arbitrary bytes as a palette file: the reader takes them as the cached form or as a BMP, or reports
// them and uses the built-in colours; either way the palette answers for every index.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "display_fuzz_support.h"
#include "framework/display/windows_palette.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::fuzz::continueOnFailedChecks();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    vael::WindowsPalette palette(in, "fuzz.pal");
    const bool cached =
        size >= 15 && std::string(reinterpret_cast<const char*>(data), 15) == "Ostrell Palette";
    if (palette.fromFile() != (cached ? size >= 2319 : size >= 1078)) std::abort();
    int sum = 0;
    for (int i = 0; i < 256; ++i) {
        const vael::RgbQuad& c = palette.colours()[i];
        sum += palette.nearestIndex(c.red, c.green, c.blue) + palette.darkRemap()[i] +
               palette.mixedLightRemap()[i];
    }
    return sum < 0 ? 1 : 0;
}
