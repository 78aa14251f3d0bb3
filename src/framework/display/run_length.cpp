#include "framework/display/run_length.h"

#include <algorithm>
#include <cstring>

namespace vael {

namespace {
inline std::uint16_t word(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// The first and the last sizeof(Word) of n bytes, n at least that and at most twice it: two moves that
// overlap, each inside the run.
template <class Word> inline void copyEnds(std::uint8_t* dest, const std::uint8_t* src, std::size_t n) {
    Word first, last;
    std::memcpy(&first, src, sizeof(Word));
    std::memcpy(&last, src + n - sizeof(Word), sizeof(Word));
    std::memcpy(dest, &first, sizeof(Word));
    std::memcpy(dest + n - sizeof(Word), &last, sizeof(Word));
}

// A sprite's literal runs are mostly a few pixels long, where a call to memcpy costs more than the copy:
// moves of a fixed size, none reaching outside the run.
inline void copyRun(std::uint8_t* dest, const std::uint8_t* src, std::int32_t count) {
    const auto n = static_cast<std::size_t>(count);
    if (n > 16) {
        std::size_t i = 0;
        for (; i + 16 < n; i += 16)
            std::memcpy(dest + i, src + i, 16);
        std::memcpy(dest + n - 16, src + n - 16, 16);
    } else if (n >= 8) {
        copyEnds<std::uint64_t>(dest, src, n);
    } else if (n >= 4) {
        copyEnds<std::uint32_t>(dest, src, n);
    } else if (n >= 2) {
        copyEnds<std::uint16_t>(dest, src, n);
    } else if (n == 1) {
        dest[0] = src[0];
    }
}

// Draws each span of the list that the window of the image shows through draw(out, span, skip, n): n pixels
// from skip pixels into the span.
template <class Draw>
void drawList(std::uint8_t* dest, const RunSpanList& list, std::int32_t imageWidth, std::int32_t skipX,
              std::int32_t skipY, std::int32_t width, std::int32_t height, std::int32_t destSkip, Draw draw) {
    const std::ptrdiff_t pitch = width + destSkip;
    const RunSpan* spans = list.spans.data();
    if (width == imageWidth && height + 1 == static_cast<std::int32_t>(list.rows.size())) {
        // The whole image (a window as wide and as tall as it can only start at its corner): one loop over
        // every span, with no row to finish and nothing to clip.
        const RunSpan* end = spans + list.spans.size();
        for (const RunSpan* s = spans; s != end; ++s)
            draw(dest + s->y * pitch + s->x, *s, 0, s->length);
        return;
    }
    const std::int32_t right = skipX + width;
    const std::uint32_t* rows = list.rows.data() + skipY;
    for (std::int32_t r = 0; r < height; ++r, dest += pitch) {
        const RunSpan* first = spans + rows[r];
        const RunSpan* end = spans + rows[r + 1];
        if (first == end) continue;
        // A row whose spans the window holds whole draws them without clipping.
        if (first->x >= skipX && end[-1].x + end[-1].length <= right) {
            for (const RunSpan* s = first; s != end; ++s)
                draw(dest + (s->x - skipX), *s, 0, s->length);
            continue;
        }
        for (const RunSpan* s = first; s != end; ++s) {
            const std::int32_t from = std::max<std::int32_t>(s->x, skipX);
            const std::int32_t to = std::min<std::int32_t>(s->x + s->length, right);
            if (from < to) draw(dest + (from - skipX), *s, from - s->x, to - from);
        }
    }
}
} // namespace

RunSpans readRunSpans(const std::uint8_t* image, std::int32_t firstRow, std::int32_t rowCount,
                      std::int32_t width) {
    RunSpans runs;
    runs.width = width;
    const std::uint8_t* row = image;
    for (std::int32_t i = 0; i < firstRow; ++i)
        row += word(row) & 0xFFF;
    for (std::int32_t r = 0; r < rowCount; ++r) {
        runs.literals.rows.push_back(static_cast<std::uint32_t>(runs.literals.spans.size()));
        runs.shadows.rows.push_back(static_cast<std::uint32_t>(runs.shadows.spans.size()));
        const std::uint8_t* run = row + 2;
        for (std::int32_t x = 0; x < width;) {
            const std::uint16_t w = word(run);
            const std::int32_t length = w & 0xFFF;
            const std::uint16_t kind = w >> 12;
            // A run reaching past the width read ends there, so that every span lies inside it.
            const RunSpan span{static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(r),
                               static_cast<std::uint16_t>(std::min(length, width - x)),
                               static_cast<std::uint32_t>(run + 2 - image)};
            // Transparent runs, runs of no kind we know and empty runs leave the destination as it is.
            if (length > 0 && kind == RunLiteral) runs.literals.spans.push_back(span);
            if (length > 0 && kind == RunShadow) runs.shadows.spans.push_back(span);
            run += 2 + (kind == RunLiteral ? length : 0);
            x += length;
        }
        row += word(row) & 0xFFF;
    }
    runs.literals.rows.push_back(static_cast<std::uint32_t>(runs.literals.spans.size()));
    runs.shadows.rows.push_back(static_cast<std::uint32_t>(runs.shadows.spans.size()));
    return runs;
}

void drawRunSpans(std::uint8_t* dest, const RunSpans& runs, const std::uint8_t* image, std::int32_t skipX,
                  std::int32_t skipY, std::int32_t width, std::int32_t height, std::int32_t destSkip,
                  const std::uint8_t* shadowTable, const std::uint8_t* colourTable) {
    const auto window = [&](const RunSpanList& list, auto draw) {
        drawList(dest, list, runs.width, skipX, skipY, width, height, destSkip, draw);
    };
    if (colourTable)
        window(runs.literals, [&](std::uint8_t* out, const RunSpan& s, std::int32_t skip, std::int32_t n) {
            remapCopy(out, image + s.pixels + skip, n, colourTable);
        });
    else
        window(runs.literals, [&](std::uint8_t* out, const RunSpan& s, std::int32_t skip, std::int32_t n) {
            copyRun(out, image + s.pixels + skip, n);
        });
    if (shadowTable)
        window(runs.shadows, [&](std::uint8_t* out, const RunSpan&, std::int32_t, std::int32_t n) {
            remapInPlace(out, n, shadowTable);
        });
}

void remapCopy(std::uint8_t* dest, const std::uint8_t* src, std::int32_t count, const std::uint8_t* table) {
    for (std::int32_t i = 0; i < count; ++i)
        dest[i] = table[src[i]];
}

void remapInPlace(std::uint8_t* dest, std::int32_t count, const std::uint8_t* table) {
    // Four pixels looked up before any is written back: a fifth faster on a sprite's shadow than one by one.
    std::int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const std::uint8_t remapped[4] = {table[dest[i]], table[dest[i + 1]], table[dest[i + 2]],
                                          table[dest[i + 3]]};
        std::memcpy(dest + i, remapped, 4);
    }
    for (; i < count; ++i)
        dest[i] = table[dest[i]];
}

void rleDraw(std::uint8_t* dest, const std::uint8_t* image, std::int32_t skipX, std::int32_t skipY,
             std::int32_t width, std::int32_t height, std::int32_t destSkip,
             const std::uint8_t* colourTable) {
    drawRunSpans(dest, readRunSpans(image, skipY, height, skipX + width), image, skipX, 0, width, height,
                 destSkip, nullptr, colourTable);
}

void rleDrawDoubleMapped(std::uint8_t* dest, const std::uint8_t* image, std::int32_t skipX,
                         std::int32_t skipY, std::int32_t width, std::int32_t height, std::int32_t destSkip,
                         const std::uint8_t* shadowTable, const std::uint8_t* colourTable) {
    drawRunSpans(dest, readRunSpans(image, skipY, height, skipX + width), image, skipX, 0, width, height,
                 destSkip, shadowTable, colourTable);
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
