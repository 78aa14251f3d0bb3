// Arbitrary bytes as an image archive file: the reader refuses what it cannot trust, whole, and every image
// of an archive it takes can be locked and drawn, clipped on every side, and every window picture shown,
// without reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "display_fuzz_support.h"
#include "framework/display/oif.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vael::fuzz::prepareData();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::fuzz::continueOnFailedChecks();
    vael::fuzz::requireDataReady();
    // The pixels load from the file later, so the bytes go to a file of their own.
    static const std::string path = (vael::fuzz::forgedDirectory() / "fuzz.oif").string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::ifstream file(path, std::ios::binary);
    vael::OIF<vael::Bitmap> archive;
    archive.readFile(path, file);
    if (!archive.loaded() && (archive.groupCount() != 0 || archive.totalImages() != 0)) std::abort();
    int sum = 0;
    for (std::int16_t g = 0; g < archive.groupCount(); ++g)
        for (std::int16_t f = 0; f < archive.imageCount(g); ++f)
            if (vael::Bitmap* image = archive.lockImageAt(f, g)) sum += vael::fuzz::exercise(*image);
    archive.deleteImages();
    // The same bytes as window pictures: each taken is read whole.
    std::ifstream again(path, std::ios::binary);
    vael::OIF<vael::WindowsBitmap> pictures;
    pictures.readFile(path, again);
    for (std::int16_t i = 0; i < pictures.totalImages(); ++i) {
        const vael::platform::Surface s = pictures.image(i)->surface();
        for (std::int32_t y = 0; y < s.height; ++y)
            sum += s.pixels[y * s.pitch + s.width - 1];
    }
    pictures.deleteImages();
    return sum < 0 ? 1 : 0;
}
