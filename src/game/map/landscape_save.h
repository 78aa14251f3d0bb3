#pragma once
// The battle landscape's part of a saved game, as bytes. The file's first four bytes hold the offset of
// the landscape block (0 when no landscape wrote one); the block holds the offsets of the two views'
// sections and the scars; a section holds the view's arrows and then its sprites. Integers are
// little-endian. The readers check every length against the bytes there are.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vael {

struct SavedArrow {
    std::int16_t hex = 0;
    std::int16_t key = 0;
    std::uint32_t direction = 0;
    bool operator==(const SavedArrow&) const = default;
};

struct LandscapeBlock {
    std::uint32_t normalSection = 0;
    std::uint32_t reversedSection = 0;
    // Scars by the normal view's block index, whichever view wrote them.
    std::vector<std::uint16_t> scars;
};

struct ViewSection {
    std::vector<SavedArrow> arrows;
    std::uint16_t spriteCount = 0;
    // Where the first sprite's stream form starts.
    std::size_t spritesAt = 0;
};

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v);
void putU32(std::vector<std::uint8_t>& out, std::uint32_t v);
std::vector<std::uint8_t> landscapeBlockBytes(const LandscapeBlock& block);
std::vector<std::uint8_t> viewSectionBytes(const std::vector<SavedArrow>& arrows, std::uint16_t spriteCount);

// The offset at byte 0; false when the file is shorter than four bytes.
bool readBlockOffset(const std::uint8_t* data, std::size_t size, std::uint32_t& offset);
// False, with the reason, when the block does not lie whole inside the bytes.
bool readLandscapeBlock(const std::uint8_t* data, std::size_t size, std::uint32_t at, LandscapeBlock& block,
                        std::string& error);
bool readViewSection(const std::uint8_t* data, std::size_t size, std::uint32_t at, ViewSection& section,
                     std::string& error);

} // namespace vael
