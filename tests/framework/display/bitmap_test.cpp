// Drawing one bitmap into another: the kind x mode matrix, clipping on every side, the source box kept
// inside its source, references, outlines and the opacity test, against pixels worked out by hand.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "framework/display/bitmap.h"
#include "framework/display/bitmap_reference.h"
#include "framework/display/block_overlay.h"
#include "support/display/image_bytes.h"
#include "support/display/table_palette.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

using Rows = std::vector<Bytes>;

// A target of w x h pixels all of colour 10.
struct Target : Bitmap {
    Target(int w, int h)
        : Bitmap(Dim(static_cast<std::int16_t>(w), static_cast<std::int16_t>(h)), PixelOpaque) {
        fill(10);
    }
};

class BitmapTest : public ::testing::Test {
    TablePaletteApp app;
};

std::uint8_t add(int value, int step) {
    return static_cast<std::uint8_t>(value + step);
}

TEST_F(BitmapTest, PaddingMakesEveryRowAMultipleOfFourBytes) {
    struct Row {
        std::int16_t width;
        std::uint16_t padding;
    } rows[] = {{1, 3}, {2, 2}, {3, 1}, {4, 0}, {5, 3}, {8, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.width);
        Bitmap b(Dim(r.width, 3), PixelOpaque);
        EXPECT_EQ((std::tuple{b.padding(), b.stride(), b.dataSize()}),
                  std::tuple(r.padding, r.width + r.padding, 3u * (r.width + r.padding)));
    }
}

TEST_F(BitmapTest, FillCoversThePaddingAndAnswersTheWholeImage) {
    Bitmap b(Dim(1, 2), PixelOpaque);
    EXPECT_EQ(b.fill(9), Box(0, 0, 1, 2));
    EXPECT_EQ(Bytes(b.bits(), b.bits() + 8), Bytes(8, 9));
    for (Dim size : {Dim(0, 5), Dim(3, 0), Dim(-4, 2), Dim(2, -1)}) {
        SCOPED_TRACE(std::to_string(size.w) + " x " + std::to_string(size.h));
        Bitmap empty(size, PixelOpaque);
        EXPECT_EQ((std::tuple{empty.bits(), empty.dataSize(), empty.fill(9)}),
                  std::tuple(nullptr, 0u, Box()));
    }
}

// Every raw kind in every mode: a 2 x 2 source [0 255 / 252 7] over colour 10. The table palette's dark
// table adds 1, light 3, and the mode's table its step k.
TEST_F(BitmapTest, KindByModeMatrixOfRawKinds) {
    const Bytes source = padded(2, {{0, 255}, {252, 7}});
    for (std::int32_t kind : {1, 2, 3, 5}) {
        for (std::int16_t mode = 1; mode <= 6; ++mode) {
            SCOPED_TRACE("kind " + std::to_string(kind) + " mode " + std::to_string(mode));
            const int k = TablePalette::modeStep(mode);
            Rows expected;
            if (kind == 5)
                expected = {{10, 11}, {13, 7}};
            else if (mode == 1 && kind == 1)
                expected = {{0, 255}, {252, 7}};
            else if (mode == 1 && kind == 2)
                expected = {{10, 255}, {252, 7}};
            else if (mode == 1)
                expected = {{10, 11}, {252, 7}};
            else if (kind == 3)
                expected = {{10, add(11, k)}, {add(252, k), add(7, k)}};
            else
                expected = {{10, add(255, k)}, {add(252, k), add(7, k)}};
            Bitmap src(Dim(2, 2), kind, source.data(), static_cast<std::uint32_t>(source.size()));
            Target dst(2, 2);
            EXPECT_EQ(dst.drawWholeBitmap(Point(0, 0), src, mode), Box(0, 0, 2, 2));
            EXPECT_EQ(pixelRows(dst), expected);
        }
    }
}

// Run-length kinds: one row of a transparent, a literal 7 and a shadow pixel.
TEST_F(BitmapTest, KindByModeMatrixOfRunLengthKinds) {
    const Bytes source = row({skip(1), literal({7}), shadow(1)});
    for (std::int32_t kind : {4, 6}) {
        for (std::int16_t mode = 1; mode <= 6; ++mode) {
            SCOPED_TRACE("kind " + std::to_string(kind) + " mode " + std::to_string(mode));
            const std::uint8_t shade = kind == 6 ? 11 : 10;
            Bitmap src(Dim(3, 1), kind, source.data(), static_cast<std::uint32_t>(source.size()));
            Target dst(3, 1);
            dst.drawWholeBitmap(Point(0, 0), src, mode);
            EXPECT_EQ(pixelRows(dst), (Rows{{10, add(7, TablePalette::modeStep(mode)), shade}}));
        }
    }
}

// Each draws nothing onto a 2 x 2 target.
TEST_F(BitmapTest, BadModesKindsAndImagesDrawNothing) {
    const Bytes one = padded(1, {{7}}), shortRaw(7, 1); // 2 x 2 raw needs 8
    const Bytes badRuns = row({literal({1})});          // one pixel in a row of two
    Bitmap src(Dim(1, 1), PixelOpaque, one.data(), 4), odd(Dim(1, 1), 9, one.data(), 4);
    Bitmap blank(Dim(0, 0), PixelOpaque), zeroRunLength(Dim(2, 2), PixelRunLength); // zero bytes are no rows
    Bitmap raw(Dim(2, 2), PixelOpaque, shortRaw.data(), 7);
    Bitmap runs(Dim(2, 1), PixelRunLength, badRuns.data(), static_cast<std::uint32_t>(badRuns.size()));
    Target dst(2, 2);
    EXPECT_EQ((std::tuple{raw.isValid(), raw.bits()}), std::tuple(false, nullptr));
    const struct {
        const char* name;
        std::function<Box()> draw;
        std::optional<Box> changed;
    } rows[] = {
        {"mode 7", [&] { return dst.drawWholeBitmap(Point(0, 0), src, 7); }, Box()},
        {"mode 0", [&] { return dst.drawWholeBitmap(Point(0, 0), src, 0); }, Box()},
        {"an unknown kind still answers its box", [&] { return dst.drawWholeBitmap(Point(0, 0), odd, 1); },
         Box(0, 0, 1, 1)},
        {"onto a target without pixels", [&] { return blank.drawWholeBitmap(Point(0, 0), src, 1); }, Box()},
        {"a source without pixels", [&] { return dst.drawWholeBitmap(Point(0, 0), blank, 1); }, Box()},
        {"run-length without bytes", [&] { return dst.drawWholeBitmap(Point(0, 0), zeroRunLength, 1); }, {}},
        {"raw bytes too few", [&] { return dst.drawWholeBitmap(Point(0, 0), raw, 1); }, Box()},
        {"a run-length row short of the width",
         [&] { return dst.drawWholeBitmap(Point(0, 0), runs, 1); },
         {}},
        {"fillRect changes no pixel", [&] { return dst.fillRect(Box(0, 0, 1, 1), 1, 2, 3); },
         Box(0, 0, 1, 1)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const Box changed = r.draw();
        EXPECT_EQ(changed, r.changed.value_or(changed)); // a row without a box pins the pixels only
        EXPECT_EQ(pixelRows(dst), (Rows{{10, 10}, {10, 10}}));
    }
}

// A 3 x 3 source 1..9, raw and run-length, drawn into a 4 x 4 target at points off every side.
struct ClipRow {
    const char* name;
    Point at;
    Box source;
    Box changed;
    Rows pixels;
};

const std::vector<ClipRow>& clipRows() {
    // One row a case: name, drawing point, source box, changed box, the target's pixels after.
    // clang-format off
    static const std::vector<ClipRow> rows = {
        {"inside", {1, 1}, {0, 0, 3, 3}, {1, 1, 3, 3}, {{10, 10, 10, 10}, {10, 1, 2, 3}, {10, 4, 5, 6}, {10, 7, 8, 9}}},
        {"left", {-1, 0}, {0, 0, 3, 3}, {0, 0, 2, 3}, {{2, 3, 10, 10}, {5, 6, 10, 10}, {8, 9, 10, 10}, {10, 10, 10, 10}}},
        {"right", {3, 0}, {0, 0, 3, 3}, {3, 0, 1, 3}, {{10, 10, 10, 1}, {10, 10, 10, 4}, {10, 10, 10, 7}, {10, 10, 10, 10}}},
        {"top", {0, -2}, {0, 0, 3, 3}, {0, 0, 3, 1}, {{7, 8, 9, 10}, {10, 10, 10, 10}, {10, 10, 10, 10}, {10, 10, 10, 10}}},
        {"bottom", {0, 2}, {0, 0, 3, 3}, {0, 2, 3, 2}, {{10, 10, 10, 10}, {10, 10, 10, 10}, {1, 2, 3, 10}, {4, 5, 6, 10}}},
        {"all four", {-1, -1}, {0, 0, 3, 3}, {0, 0, 2, 2}, {{5, 6, 10, 10}, {8, 9, 10, 10}, {10, 10, 10, 10}, {10, 10, 10, 10}}},
        {"box inside the source", {0, 0}, {1, 1, 2, 1}, {0, 0, 2, 1}, {{5, 6, 10, 10}, {10, 10, 10, 10}, {10, 10, 10, 10}, {10, 10, 10, 10}}},
        // The source box reaches outside the source: only its part inside is drawn, where it would land.
        {"box left of and above the source", {0, 0}, {-1, -1, 3, 3}, {1, 1, 2, 2}, {{10, 10, 10, 10}, {10, 1, 2, 10}, {10, 4, 5, 10}, {10, 10, 10, 10}}},
        {"box past the source", {0, 0}, {2, 1, 5, 5}, {0, 0, 1, 2}, {{6, 10, 10, 10}, {9, 10, 10, 10}, {10, 10, 10, 10}, {10, 10, 10, 10}}},
        {"just off the left", {-3, 0}, {0, 0, 3, 3}, {}, {}},
        {"just off the right", {4, 0}, {0, 0, 3, 3}, {}, {}},
        {"just off the top", {0, -3}, {0, 0, 3, 3}, {}, {}},
        {"just off the bottom", {0, 4}, {0, 0, 3, 3}, {}, {}},
        {"empty box", {0, 0}, {0, 0, 0, 3}, {}, {}},
    };
    // clang-format on
    return rows;
}

TEST_F(BitmapTest, ClippingOnEverySideForRawAndRunLengthSources) {
    const Bytes raw = padded(3, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    // Each row split into runs differently, so that clipped runs straddle the edges.
    const Bytes runs = rows({row({literal({1, 2, 3})}), row({literal({4}), literal({5, 6})}),
                             row({literal({7, 8}), literal({9})})});
    const Rows untouched(4, Bytes(4, 10));
    for (const ClipRow& r : clipRows()) {
        for (std::int32_t kind : {1, 4}) {
            SCOPED_TRACE(std::string(r.name) + " kind " + std::to_string(kind));
            const Bytes& bytes = kind == 1 ? raw : runs;
            Bitmap src(Dim(3, 3), kind, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
            Target dst(4, 4);
            EXPECT_EQ(dst.drawBitmap(r.at, src, r.source, 1), r.changed);
            EXPECT_EQ(pixelRows(dst), r.pixels.empty() ? untouched : r.pixels);
        }
    }
}

// A whole run-length image draws its spans in one loop; cut by an edge, row by row, a row the window holds
// whole without clipping. A 3 x 3 image with shadow, drawn touching each edge of a 4 x 4 view and one pixel
// past it: rows [1 2 3], [shadow, -, 4], [-, 5, -]. The view lies inside an 8 x 6 bitmap of colour 10, so a
// pixel drawn past the view's edge shows; the table palette darkens by 1.
TEST_F(BitmapTest, ARunLengthImageTouchingEachEdgeAndOnePixelPastIt) {
    const Bytes runs = rows({row({literal({1, 2, 3})}), row({shadow(1), skip(1), literal({4})}),
                             row({skip(1), literal({5}), skip(1)})});
    const Bytes none(8, 10);
    struct Row {
        const char* name;
        Point at;
        Box changed;
        Rows pixels; // the 8 x 6 bitmap's; the view is its columns 2 to 5 of rows 1 to 4
    } cases[] = {
        {"touching the left and top",
         {0, 0},
         {0, 0, 3, 3},
         {none,
          {10, 10, 1, 2, 3, 10, 10, 10},
          {10, 10, 11, 10, 4, 10, 10, 10},
          {10, 10, 10, 5, 10, 10, 10, 10},
          none,
          none}},
        {"touching the right and bottom",
         {1, 1},
         {1, 1, 3, 3},
         {none,
          none,
          {10, 10, 10, 1, 2, 3, 10, 10},
          {10, 10, 10, 11, 10, 4, 10, 10},
          {10, 10, 10, 10, 5, 10, 10, 10},
          none}},
        {"one past the left",
         {-1, 0},
         {0, 0, 2, 3},
         {none,
          {10, 10, 2, 3, 10, 10, 10, 10},
          {10, 10, 10, 4, 10, 10, 10, 10},
          {10, 10, 5, 10, 10, 10, 10, 10},
          none,
          none}},
        {"one past the right",
         {2, 0},
         {2, 0, 2, 3},
         {none,
          {10, 10, 10, 10, 1, 2, 10, 10},
          {10, 10, 10, 10, 11, 10, 10, 10},
          {10, 10, 10, 10, 10, 5, 10, 10},
          none,
          none}},
        {"one past the top",
         {0, -1},
         {0, 0, 3, 2},
         {none, {10, 10, 11, 10, 4, 10, 10, 10}, {10, 10, 10, 5, 10, 10, 10, 10}, none, none, none}},
        {"one past the bottom",
         {0, 2},
         {0, 2, 3, 2},
         {none, none, none, {10, 10, 1, 2, 3, 10, 10, 10}, {10, 10, 11, 10, 4, 10, 10, 10}, none}},
    };
    for (const Row& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap src(Dim(3, 3), PixelRunLengthShadow, runs.data(), static_cast<std::uint32_t>(runs.size()));
        Target whole(8, 6);
        BitmapReference view(whole, Box(2, 1, 4, 4));
        EXPECT_EQ(view.drawWholeBitmap(c.at, src, 1), c.changed);
        EXPECT_EQ(pixelRows(whole), c.pixels);
    }
}

// Run-length bytes are fewer than the rows they make (here 11 for 8 x 2) and are read once into what draws:
// every draw into such an image is refused and leaves its bytes and its picture as they were.
TEST_F(BitmapTest, ARunLengthImageIsDrawnFromNeverInto) {
    const Bytes runs = rows({row({literal({7}), skip(7)}), row({skip(8)})});
    Bitmap image(Dim(8, 2), PixelRunLength, runs.data(), static_cast<std::uint32_t>(runs.size()));
    Target opaque(8, 2);
    // A window onto the image would write rows into its run data just the same.
    BitmapReference window(image, Box(1, 0, 6, 2));
    const struct {
        const char* name;
        std::function<Box()> draw;
    } draws[] = {
        {"fill", [&] { return image.fill(3); }},
        {"draw a bitmap", [&] { return image.drawWholeBitmap(Point(0, 0), opaque, 1); }},
        {"frame a box", [&] { return image.frameRect(Box(0, 0, 8, 2), 4, 0, 0); }},
        {"fill a window", [&] { return window.fill(3); }},
        {"fill a box of a window", [&] { return window.fillRect(Box(0, 0, 6, 2), 4, 0, 0); }},
        {"draw a bitmap into a window", [&] { return window.drawWholeBitmap(Point(0, 0), opaque, 1); }},
    };
    for (const auto& d : draws) {
        SCOPED_TRACE(d.name);
        EXPECT_EQ(d.draw(), Box());
        EXPECT_EQ(Bytes(image.bits(), image.bits() + image.dataSize()), runs);
    }
    Target dst(8, 2);
    EXPECT_EQ(dst.drawWholeBitmap(Point(0, 0), image, 1), Box(0, 0, 8, 2));
    EXPECT_EQ(pixelRows(dst), (Rows{{7, 10, 10, 10, 10, 10, 10, 10}, Bytes(8, 10)}));
}

TEST_F(BitmapTest, ABlockOverlayDrawsItsBitmapWhole) {
    const Bytes bytes = padded(2, {{1, 2}, {3, 4}});
    Bitmap src(Dim(2, 2), PixelOpaque, bytes.data(), 8);
    Target dst(3, 3);
    BlockOverlay overlay(&src, Box(0, 0, 2, 2));
    EXPECT_EQ((std::tuple{BlockOverlay().draw(dst, Point(0, 0), 1), overlay.draw(dst, Point(1, 0), 1),
                          overlay.size()}),
              std::tuple(Box(), Box(1, 0, 2, 2), Dim(2, 2)));
    EXPECT_EQ(pixelRows(dst), (Rows{{10, 1, 2}, {10, 3, 4}, {10, 10, 10}}));
}

TEST_F(BitmapTest, ResizeTakesNewZeroPixelsAndNoneForAnEmptySide) {
    Bitmap b(Dim(2, 2), PixelOpaque);
    b.fill(5);
    b.resize(Dim(3, 1));
    EXPECT_EQ((std::tuple{b.dataSize(), b.padding(), pixelRows(b)}), std::tuple(4u, 1, Rows{{0, 0, 0}}));
    b.resize(Dim(3, 0));
    EXPECT_EQ(b.bits(), nullptr);
}

TEST_F(BitmapTest, FrameRectOutlinesTheClippedBoxInTheNearestColour) {
    struct Row {
        const char* name;
        Box box;
        Box changed;
        Rows pixels;
    } rows[] = {
        {"inside", {0, 0, 3, 3}, {0, 0, 3, 3}, {{4, 4, 4, 10}, {4, 10, 4, 10}, {4, 4, 4, 10}}},
        {"one row", {1, 1, 2, 1}, {1, 1, 2, 1}, {{10, 10, 10, 10}, {10, 4, 4, 10}, {10, 10, 10, 10}}},
        {"off the left and top",
         {-1, -1, 3, 3},
         {0, 0, 2, 2},
         {{4, 4, 10, 10}, {4, 4, 10, 10}, {10, 10, 10, 10}}},
        {"off the right and bottom",
         {2, 1, 5, 5},
         {2, 1, 2, 2},
         {{10, 10, 10, 10}, {10, 10, 4, 4}, {10, 10, 4, 4}}},
        {"outside", {4, 0, 2, 2}, {}, {{10, 10, 10, 10}, {10, 10, 10, 10}, {10, 10, 10, 10}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Target dst(4, 3);
        EXPECT_EQ(dst.frameRect(r.box, 4, 0, 0), r.changed); // the table palette's nearest index is red
        EXPECT_EQ(pixelRows(dst), r.pixels);
    }
}

TEST_F(BitmapTest, OpacityByKind) {
    const Bytes raw = padded(3, {{0, 255, 7}});
    const Bytes runs = row({skip(1), literal({255, 0}), shadow(1)});
    struct Row {
        std::int32_t kind;
        std::int16_t x;
        std::int16_t answer;
    } rows[] = {{1, 0, 1}, {1, 1, 1}, {2, 0, 0}, {2, 1, 0}, {2, 2, 1}, {3, 1, 0},  {3, 2, 1}, {5, 0, 1},
                {4, 0, 0}, {4, 1, 0}, {4, 2, 1}, {4, 3, 0}, {6, 2, 1}, {1, -1, 0}, {1, 3, 0}, {4, 4, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE("kind " + std::to_string(r.kind) + " x " + std::to_string(r.x));
        const bool rle = Bitmap::isRunLength(r.kind);
        const Bytes& bytes = rle ? runs : raw;
        Bitmap b(Dim(rle ? 4 : 3, 1), r.kind, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        EXPECT_EQ(b.isOpaqueAt(Point(r.x, 0)), r.answer);
    }
}

TEST_F(BitmapTest, AReferenceShowsItsRectangleAndShiftsDrawsByItsOffset) {
    Target whole(5, 3);
    BitmapReference view(whole, Box(-5, 1, 8, 2)); // x -5: from 0, 5 narrower, own offset 5
    EXPECT_EQ((std::tuple{view.rect(), view.offset(), view.stride(), view.width()}),
              std::tuple(Box(0, 1, 3, 2), Point(5, 0), 8, 3));
    const Bytes bytes = padded(2, {{1, 2}});
    Bitmap src(Dim(2, 1), PixelOpaque, bytes.data(), 4);
    // At x 6 the draw lands at 6 - 5 = 1; at x 4 it starts one column into the source at 0.
    EXPECT_EQ(view.drawWholeBitmap(Point(6, 0), src, 1), Box(1, 0, 2, 1));
    EXPECT_EQ(view.drawWholeBitmap(Point(4, 1), src, 1), Box(0, 1, 1, 1));
    EXPECT_EQ(pixelRows(whole), (Rows{{10, 10, 10, 10, 10}, {10, 1, 2, 10, 10}, {2, 10, 10, 10, 10}}));
    EXPECT_EQ(view.fill(3), Box(0, 0, 3, 2));
    EXPECT_EQ(pixelRows(whole), (Rows{{10, 10, 10, 10, 10}, {3, 3, 3, 10, 10}, {3, 3, 3, 10, 10}}));
    EXPECT_EQ(view.fillRect(Box(0, 0, 1, 1), 0, 0, 0), Box());
    // Cut to its bitmap; one wholly outside has no pixels and draws nothing.
    Target four(4, 4);
    BitmapReference cut(four, Point(2, 3), Dim(5, 5)), outside(four, Box(6, 0, 2, 2));
    EXPECT_EQ((std::tuple{cut.size(), cut.padding(), outside.bits(), outside.fill(1)}),
              std::tuple(Dim(2, 1), 2, nullptr, Box()));
}

} // namespace
} // namespace vael::test
