#pragma once
// Run-length coded images: rows of 16-bit run words, top to bottom, with transparent, literal and shadow
// runs. The draws trust their image: every image is checked once with runLengthRowsValid and read once into
// spans before it is drawn, so that the per-pixel work needs no bounds tests and walks no run words.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vael {

// Run kinds in the top four bits of a run word.
constexpr std::uint16_t RunTransparent = 0;
constexpr std::uint16_t RunLiteral = 2;
constexpr std::uint16_t RunShadow = 4;

void remapCopy(std::uint8_t* dest, const std::uint8_t* src, std::int32_t count, const std::uint8_t* table);
void remapInPlace(std::uint8_t* dest, std::int32_t count, const std::uint8_t* table);

// An image's rows read once into what draws: its literal runs and its shadow runs, each kind in a list of
// its own, row by row, so that a draw neither walks the run words nor visits transparent runs, and each
// kind draws in a loop of its own. Runs of a row never overlap, so the order of the kinds is free.
struct RunSpan {
    std::uint16_t x = 0;
    std::uint16_t y = 0; // the row, from the first one read
    std::uint16_t length = 0;
    std::uint32_t pixels = 0; // a literal's bytes: their offset in the image
};
struct RunSpanList {
    std::vector<RunSpan> spans;
    std::vector<std::uint32_t> rows; // row r's spans run from spans[rows[r]] to spans[rows[r + 1]]
};
struct RunSpans {
    std::int32_t width = 0; // as far as each row was read
    RunSpanList literals, shadows;
};

// Reads rowCount rows of a trusted image from firstRow on, each as far as its runs cover width pixels.
RunSpans readRunSpans(const std::uint8_t* image, std::int32_t firstRow, std::int32_t rowCount,
                      std::int32_t width);
// Draws width x height pixels of the image read into spans, skipX columns and skipY rows in, into dest;
// dest moves on by destSkip after each row. Shadow spans remap the destination through the shadow table,
// or are transparent without one; the colour table may be null.
void drawRunSpans(std::uint8_t* dest, const RunSpans& spans, const std::uint8_t* image, std::int32_t skipX,
                  std::int32_t skipY, std::int32_t width, std::int32_t height, std::int32_t destSkip,
                  const std::uint8_t* shadowTable, const std::uint8_t* colourTable);

// Draws width x height pixels of the image, skipX columns and skipY rows in, into dest; dest moves on by
// destSkip after each row. The colour table may be null.
void rleDraw(std::uint8_t* dest, const std::uint8_t* image, std::int32_t skipX, std::int32_t skipY,
             std::int32_t width, std::int32_t height, std::int32_t destSkip, const std::uint8_t* colourTable);
// As rleDraw; shadow runs remap the destination through the shadow table.
void rleDrawDoubleMapped(std::uint8_t* dest, const std::uint8_t* image, std::int32_t skipX,
                         std::int32_t skipY, std::int32_t width, std::int32_t height, std::int32_t destSkip,
                         const std::uint8_t* shadowTable, const std::uint8_t* colourTable);
// 1 when the pixel is a literal other than 255; 0 for x < 0. The caller keeps x and y inside the image.
std::int16_t rleIsOpaque(const std::uint8_t* image, std::int32_t x, std::int32_t y);

// Whether size bytes hold height rows whose runs cover exactly width pixels each, every run and literal
// byte inside its row and every row inside the data.
bool runLengthRowsValid(const std::uint8_t* image, std::size_t size, std::int32_t width, std::int32_t height);

} // namespace vael
