#include "platform/indexed_screen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vael::platform {
namespace {

constexpr std::int32_t ScreenWidth = 41, ScreenHeight = 3;
constexpr std::uint8_t Untouched = 0xA5;

std::uint8_t indexAt(std::int32_t x, std::int32_t y) {
    return std::uint8_t(x * 7 + y * 31 + 3);
}

// Entry i shows (i, 255 - i, 3i), encoded as 0xFFrrggbb.
std::uint32_t shown(std::uint8_t i) {
    return 0xFF000000u | std::uint32_t(i) << 16 | std::uint32_t(255 - i) << 8 | std::uint8_t(i * 3);
}

IndexedScreen filledScreen() {
    IndexedScreen screen(
        [](Rgb c) { return 0xFF000000u | std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b; });
    screen.resize(ScreenWidth, ScreenHeight);
    PaletteColours colours;
    for (int i = 0; i < 256; ++i)
        colours[i] = {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 3)};
    screen.setColours(colours.data(), 0, 256);
    std::vector<std::uint8_t> picture(std::size_t(ScreenWidth) * ScreenHeight);
    for (std::int32_t y = 0; y < ScreenHeight; ++y)
        for (std::int32_t x = 0; x < ScreenWidth; ++x)
            picture[std::size_t(y) * ScreenWidth + x] = indexAt(x, y);
    screen.copy({picture.data(), ScreenWidth, ScreenHeight, ScreenWidth}, 0, 0, nullptr, 0);
    return screen;
}

// Every width a loop taking several pixels a step has an edge at (its steps and the pixels left after
// them), at the screen's left and right ends, into a target whose rows are padded and which starts a word,
// not a line, into its buffer: the box's pixels are exactly the palette's, and no byte outside it changes.
TEST(IndexedScreenExpand, WritesExactlyTheBoxAtEveryWidthAndPlace) {
    const IndexedScreen screen = filledScreen();
    const Rect boxes[] = {
        {0, 0, ScreenWidth, ScreenHeight},
        {0, 1, 1, 1},
        {ScreenWidth - 1, 2, 1, 1},
        {0, 0, 7, 3},
        {1, 0, 8, 2},
        {2, 1, 9, 2},
        {3, 0, 15, 3},
        {5, 2, 16, 1},
        {ScreenWidth - 17, 0, 17, 3},
        {1, 0, 31, 1},
        {ScreenWidth - 32, 1, 32, 2},
        {0, 2, 33, 1},
        {1, 0, ScreenWidth - 1, 3},
        {0, 0, ScreenWidth - 1, 2},
        {4, 1, 0, 2},
        {4, 1, 3, 0},
    };
    constexpr std::int32_t Pitch = ScreenWidth * 4 + 12, Lead = 4;
    for (const Rect& box : boxes) {
        SCOPED_TRACE(::testing::Message()
                     << "box " << box.x << "," << box.y << " " << box.width << "x" << box.height);
        std::vector<std::uint8_t> buffer(Lead + std::size_t(Pitch) * ScreenHeight + 16, Untouched);
        screen.expand(box, buffer.data() + Lead, Pitch);
        std::int32_t wrong = 0;
        for (std::size_t at = 0; at < buffer.size(); ++at) {
            const std::ptrdiff_t offset = std::ptrdiff_t(at) - Lead;
            const std::int32_t y = offset < 0 ? -1 : std::int32_t(offset / Pitch);
            const std::int32_t x = offset < 0 ? -1 : std::int32_t(offset % Pitch / 4);
            const bool inside = offset >= 0 && offset % Pitch < ScreenWidth * 4 && x >= box.x &&
                                x < box.x + box.width && y >= box.y && y < box.y + box.height;
            std::uint8_t expected = Untouched;
            if (inside) {
                const std::uint32_t pixel = shown(indexAt(x, y));
                std::memcpy(&expected, reinterpret_cast<const std::uint8_t*>(&pixel) + offset % 4, 1);
            }
            if (buffer[at] != expected && ++wrong <= 3)
                ADD_FAILURE() << "byte " << at << " (pixel " << x << "," << y << ") is " << int(buffer[at])
                              << ", not " << int(expected);
        }
        EXPECT_EQ(wrong, 0);
    }
}

} // namespace
} // namespace vael::platform
