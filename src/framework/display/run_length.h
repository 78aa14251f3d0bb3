#pragma once
// Run-length coded images: rows of 16-bit run words, top to bottom, with transparent, literal and shadow
// runs. The draws trust their image: every image is checked once with runLengthRowsValid before it is
// drawn, so that the per-pixel work needs no bounds tests.
#include <cstddef>
#include <cstdint>

namespace vael {

// Run kinds in the top four bits of a run word.
constexpr std::uint16_t RunTransparent = 0;
constexpr std::uint16_t RunLiteral = 2;
constexpr std::uint16_t RunShadow = 4;

void remapCopy(std::uint8_t* dest, const std::uint8_t* src, std::int32_t count, const std::uint8_t* table);
void remapInPlace(std::uint8_t* dest, std::int32_t count, const std::uint8_t* table);

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
