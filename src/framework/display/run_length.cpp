#include "framework/display/run_length.h"

#include <algorithm>
#include <cstring>

namespace vael {

namespace {
inline std::uint16_t word(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// n pixels of one run into dest; a literal's bytes start at pixels.
template <bool Shadows>
inline void drawRun(std::uint8_t* dest, std::uint16_t kind, const std::uint8_t* pixels, std::int32_t n,
                    const std::uint8_t* shadowTable, const std::uint8_t* colourTable) {
    if (kind == RunLiteral) {
        if (colourTable)
            remapCopy(dest, pixels, n, colourTable);
        else
            std::memcpy(dest, pixels, static_cast<std::size_t>(n));
    } else if (Shadows && kind == RunShadow) {
        remapInPlace(dest, n, shadowTable);
    }
}

template <bool Shadows>
void draw(std::uint8_t* dest, const std::uint8_t* image, std::int32_t skipX, std::int32_t skipY,
          std::int32_t width, std::int32_t height, std::int32_t destSkip, const std::uint8_t* shadowTable,
          const std::uint8_t* colourTable) {
    const std::uint8_t* row = image;
    for (std::int32_t i = 0; i < skipY; ++i)
        row += word(row) & 0xFFF;
    for (std::int32_t r = 0; r < height; ++r) {
        const std::uint8_t* run = row + 2;
        std::int32_t accumulator = 0;
        if (skipX > 0) {
            for (;;) {
                const std::uint16_t w = word(run);
                const std::int32_t length = w & 0xFFF;
                const std::uint16_t kind = w >> 12;
                accumulator += length;
                if (accumulator > skipX) {
                    // This run straddles the left edge.
                    const std::int32_t visible = accumulator - skipX;
                    const std::int32_t n = std::min(visible, width);
                    drawRun<Shadows>(dest, kind, run + 2 + (length - visible), n, shadowTable, colourTable);
                    dest += n;
                }
                run += 2 + (kind == RunLiteral ? length : 0);
                if (accumulator >= skipX) break;
            }
        }
        std::int32_t done = accumulator - std::max<std::int32_t>(skipX, 0);
        while (done < width) {
            const std::uint16_t w = word(run);
            const std::int32_t length = w & 0xFFF;
            const std::uint16_t kind = w >> 12;
            const std::int32_t n = std::min(length, width - done);
            drawRun<Shadows>(dest, kind, run + 2, n, shadowTable, colourTable);
            dest += n;
            run += 2 + (kind == RunLiteral ? length : 0);
            done += length;
        }
        dest += destSkip;
        row += word(row) & 0xFFF;
    }
}
} // namespace

void remapCopy(std::uint8_t* dest, const std::uint8_t* src, std::int32_t count, const std::uint8_t* table) {
    for (std::int32_t i = 0; i < count; ++i)
        dest[i] = table[src[i]];
}

void remapInPlace(std::uint8_t* dest, std::int32_t count, const std::uint8_t* table) {
    for (std::int32_t i = 0; i < count; ++i)
        dest[i] = table[dest[i]];
}

void rleDraw(std::uint8_t* dest, const std::uint8_t* image, std::int32_t skipX, std::int32_t skipY,
             std::int32_t width, std::int32_t height, std::int32_t destSkip,
             const std::uint8_t* colourTable) {
    draw<false>(dest, image, skipX, skipY, width, height, destSkip, nullptr, colourTable);
}

void rleDrawDoubleMapped(std::uint8_t* dest, const std::uint8_t* image, std::int32_t skipX,
                         std::int32_t skipY, std::int32_t width, std::int32_t height, std::int32_t destSkip,
                         const std::uint8_t* shadowTable, const std::uint8_t* colourTable) {
    draw<true>(dest, image, skipX, skipY, width, height, destSkip, shadowTable, colourTable);
}

std::int16_t rleIsOpaque(const std::uint8_t* image, std::int32_t x, std::int32_t y) {
    if (x < 0) return 0;
    const std::uint8_t* row = image;
    for (std::int32_t i = 0; i < y; ++i)
        row += word(row) & 0xFFF;
    const std::uint8_t* run = row + 2;
    std::int32_t accumulator = 0;
    for (;;) {
        const std::uint16_t w = word(run);
        const std::int32_t length = w & 0xFFF;
        const std::uint16_t kind = w >> 12;
        accumulator += length;
        if (x < accumulator) {
            if (kind != RunLiteral) return 0;
            return run[2 + x - (accumulator - length)] != 255 ? 1 : 0;
        }
        run += 2 + (kind == RunLiteral ? length : 0);
    }
}

bool runLengthRowsValid(const std::uint8_t* image, std::size_t size, std::int32_t width,
                        std::int32_t height) {
    if (width < 0 || height < 0) return false;
    std::size_t at = 0;
    for (std::int32_t r = 0; r < height; ++r) {
        if (size - at < 2) return false;
        const std::size_t rowLength = word(image + at) & 0xFFF;
        if (rowLength < 2 || rowLength > size - at) return false;
        const std::size_t rowEnd = at + rowLength;
        std::size_t run = at + 2;
        std::int32_t covered = 0;
        while (covered < width) {
            if (rowEnd - run < 2) return false;
            const std::uint16_t w = word(image + run);
            const std::int32_t length = w & 0xFFF;
            run += 2;
            if (w >> 12 == RunLiteral) {
                if (static_cast<std::size_t>(length) > rowEnd - run) return false;
                run += static_cast<std::size_t>(length);
            }
            covered += length;
        }
        // A run reaching past the width would be drawn past the image's right edge by the left clip.
        if (covered != width) return false;
        at = rowEnd;
    }
    return true;
}

} // namespace vael
