// Arbitrary bytes as the image index: each entry is taken or refused (the rest of the index passed over
// when its end cannot be known), and every image of every library taken can be drawn.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "display_fuzz_support.h"
#include "framework/display/image_index.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vael::fuzz::prepareData();
    vael::fuzz::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::fuzz::continueOnFailedChecks();
    vael::fuzz::requireDataReady();
    int sum = 0;
    {
        vael::ImageIndex index;
        index.read(data, size);
        for (std::int16_t i = 0; i < index.count(); ++i) {
            vael::OIF<vael::Bitmap>* library = index.library(i);
            for (std::int16_t g = 0; g < library->groupCount(); ++g)
                for (std::int16_t f = 0; f < library->imageCount(g); ++f)
                    if (vael::Bitmap* image = library->lockImageAt(f, g)) sum += vael::fuzz::exercise(*image);
        }
    }
    // Every library goes with the index.
    if (vael::fuzz::application().imageLibraryCount("Sample") != 0) std::abort();
    return sum < 0 ? 1 : 0;
}
