// Run-length rows: the clipped draws against hand-made rows, the row check, and a property test of the
// draw against a plain decode of the same image under random clip windows.
#include <gtest/gtest.h>

#include <random>

#include "framework/display/run_length.h"
#include "support/display/image_bytes.h"

namespace vael::test {
namespace {

std::vector<std::uint8_t> shiftTable(int step) {
    std::vector<std::uint8_t> t(256);
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<std::uint8_t>(i + step);
    return t;
}

TEST(RunLengthTest, ClippedRowsAgainstHandMadePixels) {
    const auto colours = shiftTable(100);
    const auto shadows = shiftTable(1);
    // One row: transparent 3, literal 4 (1 2 3 4), transparent 2; then one of shadow 2, literal 2 (8 9) ...
    const Bytes image = rows({row({skip(3), literal({1, 2, 3, 4}), skip(2)}),
                              row({shadow(2), literal({8, 9}), shadow(1), literal({5}), skip(3)})});
    struct Row {
        const char* name;
        int skipX, skipY, width, height;
        bool doubleMapped, coloured;
        Bytes expected; // a destination of 9 bytes a row, colour 50
    } cases[] = {
        {"whole first row", 0, 0, 9, 1, false, false, {50, 50, 50, 1, 2, 3, 4, 50, 50}},
        // A straddling literal draws its last pixels, then the transparent run advances the destination.
        {"skip 5 width 4", 5, 0, 4, 1, false, false, {3, 4, 50, 50, 50, 50, 50, 50, 50}},
        {"literal longer than the width", 4, 0, 2, 1, false, false, {2, 3, 50, 50, 50, 50, 50, 50, 50}},
        {"through the colour table", 3, 0, 3, 1, false, true, {101, 102, 103, 50, 50, 50, 50, 50, 50}},
        {"plain draw: no shadow", 0, 1, 9, 1, false, false, {50, 50, 8, 9, 50, 5, 50, 50, 50}},
        {"shadow runs remap the destination", 0, 1, 9, 1, true, false, {51, 51, 8, 9, 51, 5, 50, 50, 50}},
        {"straddling shadow", 1, 1, 3, 1, true, true, {51, 108, 109, 50, 50, 50, 50, 50, 50}},
        // clang-format off
        {"two rows", 2, 0, 3, 2, true, false, {50, 1, 2, 50, 50, 50, 50, 50, 50, 8, 9, 51, 50, 50, 50, 50, 50, 50}},
        // clang-format on
    };
    for (const Row& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes dest(static_cast<std::size_t>(9 * c.height), 50);
        const std::uint8_t* table = c.coloured ? colours.data() : nullptr;
        if (c.doubleMapped)
            rleDrawDoubleMapped(dest.data(), image.data(), c.skipX, c.skipY, c.width, c.height, 9 - c.width,
                                shadows.data(), table);
        else
            rleDraw(dest.data(), image.data(), c.skipX, c.skipY, c.width, c.height, 9 - c.width, table);
        EXPECT_EQ(dest, c.expected);
    }
    // A run of an unknown kind (3, length 1) is transparent.
    Bytes unknown = row({skip(1), literal({7})}), dest(2, 50);
    unknown[3] = 0x30;
    rleDrawDoubleMapped(dest.data(), unknown.data(), 0, 0, 2, 1, 0, shadows.data(), nullptr);
    EXPECT_EQ(dest, (Bytes{50, 7}));
}

// Literals are copied by moves of fixed sizes: a run of each length about their edges lands whole between two
// transparent pixels on each side, which keep the background.
TEST(RunLengthTest, ALiteralOfEachLengthAboutTheCopySizesLandsWholeAndAlone) {
    for (int n : {1, 2, 3, 4, 7, 8, 9, 15, 16, 17, 31, 32, 33, 48}) {
        SCOPED_TRACE(n);
        Bytes body = skip(2), pixels;
        put16(body, 0x2000 | n);
        for (int i = 1; i <= n; ++i)
            pixels.push_back(static_cast<std::uint8_t>(i));
        append(body, pixels);
        append(body, skip(2));
        Bytes image;
        put16(image, static_cast<int>(body.size()) + 2);
        append(image, body);
        Bytes dest(static_cast<std::size_t>(n + 4), 50), expected{50, 50};
        append(expected, pixels);
        append(expected, {50, 50});
        rleDraw(dest.data(), image.data(), 0, 0, n + 4, 1, 0, nullptr);
        EXPECT_EQ(dest, expected);
    }
}

TEST(RunLengthTest, OpacityOfEveryRunKind) {
    const Bytes image = rows({row({skip(1), literal({255, 0})}), row({shadow(2), literal({6})})});
    struct Row {
        int x, y;
        std::int16_t answer;
    } cases[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 1}, {0, 1, 0}, {1, 1, 0}, {2, 1, 1}, {-1, 0, 0}};
    for (const Row& c : cases)
        EXPECT_EQ(rleIsOpaque(image.data(), c.x, c.y), c.answer)
            << std::to_string(c.x) + "," + std::to_string(c.y);
}

TEST(RunLengthTest, RemapCopyAndInPlaceUseTheUnsignedByte) {
    const auto table = shiftTable(3);
    Bytes src{0, 200, 255}, dest(3);
    remapCopy(dest.data(), src.data(), 3, table.data());
    EXPECT_EQ(dest, (Bytes{3, 203, 2}));
    remapInPlace(dest.data(), 3, table.data());
    EXPECT_EQ(dest, (Bytes{6, 206, 5}));
}

TEST(RunLengthTest, TheRowCheckRefusesEveryDamage) {
    struct Row {
        const char* name;
        Bytes bytes;
        int width, height;
        bool valid;
    } cases[] = {
        {"sound", rows({row({skip(1), literal({1, 2})}), row({shadow(3)})}), 3, 2, true},
        {"no rows at all", {}, 3, 0, true},
        {"row sum short of the width", row({literal({1, 2})}), 3, 1, false},
        {"row sum past the width", row({literal({1, 2}), skip(2)}), 3, 1, false},
        {"missing row", row({skip(3)}), 3, 2, false},
        {"row word of length 0", {0, 0, 3, 0}, 3, 1, false},
        {"row past the data", {8, 0, 3, 0}, 3, 1, false},
        {"literal past its row", {6, 0, 3, 0x20, 1, 2, 3}, 3, 1, false},
        {"run word cut off", {3, 0, 3}, 3, 1, false},
        {"half a row word", {6}, 3, 1, false},
        {"negative height", {}, 3, -1, false},
    };
    for (const Row& c : cases)
        EXPECT_EQ(runLengthRowsValid(c.bytes.data(), c.bytes.size(), c.width, c.height), c.valid) << c.name;
}

// Random images of random runs, drawn through random clip windows, must equal the same window cut out of
// a plain decode of the image.
TEST(RunLengthTest, DrawEqualsAPlainDecodeUnderRandomClipWindows) {
    std::mt19937 random(20261207);
    const std::uint8_t background = 50;
    const auto shadows = shiftTable(1);
    for (int trial = 0; trial < 300; ++trial) {
        SCOPED_TRACE(trial);
        const int width = 1 + static_cast<int>(random() % 40), height = 1 + static_cast<int>(random() % 6);
        Bytes image;
        std::vector<Bytes> decoded; // what each pixel becomes over the background, shadow as background + 1
        for (int y = 0; y < height; ++y) {
            Bytes body, plain;
            while (static_cast<int>(plain.size()) < width) {
                const int n =
                    std::min<int>(1 + static_cast<int>(random() % 9), width - static_cast<int>(plain.size()));
                const int kind = static_cast<int>(random() % 3);
                put16(body, n | (kind == 0 ? 0 : kind == 1 ? 0x2000 : 0x4000));
                for (int i = 0; i < n; ++i) {
                    const auto v = static_cast<std::uint8_t>(random() % 256);
                    if (kind == 1) body.push_back(v);
                    plain.push_back(kind == 1 ? v : kind == 0 ? background : background + 1);
                }
            }
            put16(image, static_cast<int>(body.size() + 2));
            append(image, body);
            decoded.push_back(plain);
        }
        ASSERT_TRUE(runLengthRowsValid(image.data(), image.size(), width, height));
        const int skipX = static_cast<int>(random() % width), skipY = static_cast<int>(random() % height);
        const int w = 1 + static_cast<int>(random() % (width - skipX));
        const int h = 1 + static_cast<int>(random() % (height - skipY));
        const int pitch = w + 3;
        Bytes dest(static_cast<std::size_t>(pitch * h), background);
        rleDrawDoubleMapped(dest.data(), image.data(), skipX, skipY, w, h, pitch - w, shadows.data(),
                            nullptr);
        Bytes expected(dest.size(), background);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                expected[static_cast<std::size_t>(y * pitch + x)] = decoded[skipY + y][skipX + x];
        ASSERT_EQ(dest, expected) << width << "x" << height << " window " << skipX << "," << skipY << " " << w
                                  << "x" << h;
    }
}

} // namespace
} // namespace vael::test
