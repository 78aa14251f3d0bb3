// Arbitrary bytes as run-length rows: two 16-bit words give the width and height (at most 255 x 63), the
// rest is the image. Rows the check refuses are never drawn; rows it takes draw clipped on every side, with
// and without shadow runs, and answer the opacity test, without reading or writing out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "display_fuzz_support.h"
#include "framework/display/run_length.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    vael::fuzz::continueOnFailedChecks();
    const std::int16_t width = static_cast<std::int16_t>(data[0]);
    const std::int16_t height = static_cast<std::int16_t>(data[2] & 63);
    const std::uint8_t* image = data + 4;
    const auto count = static_cast<std::uint32_t>(size - 4);
    const bool valid = vael::runLengthRowsValid(image, count, width, height);
    int sum = 0;
    for (std::int32_t kind : {vael::PixelRunLength, vael::PixelRunLengthShadow}) {
        vael::Bitmap bitmap(vael::Dim(width, height), kind, image, count);
        if (!valid && bitmap.isValid() && bitmap.bits()) {
            // Refused rows must never reach a draw: the image draws nothing.
            vael::Bitmap target(vael::Dim(8, 8), vael::PixelOpaque);
            if (!target.drawWholeBitmap(vael::Point(0, 0), bitmap, 1).isZero() && height > 0 && width > 0)
                std::abort();
            continue;
        }
        sum += vael::fuzz::exercise(bitmap);
    }
    return sum < 0 ? 1 : 0;
}
