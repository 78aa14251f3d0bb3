#include "game/map/landscape_save.h"

namespace vael {

namespace {
bool has(std::size_t size, std::size_t at, std::size_t count) {
    return at <= size && count <= size - at;
}
std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
} // namespace

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    putU16(out, static_cast<std::uint16_t>(v));
    putU16(out, static_cast<std::uint16_t>(v >> 16));
}

std::vector<std::uint8_t> landscapeBlockBytes(const LandscapeBlock& block) {
    std::vector<std::uint8_t> out;
    putU32(out, block.normalSection);
    putU32(out, block.reversedSection);
    putU16(out, static_cast<std::uint16_t>(block.scars.size()));
    for (std::uint16_t s : block.scars)
        putU16(out, s);
    return out;
}

std::vector<std::uint8_t> viewSectionBytes(const std::vector<SavedArrow>& arrows, std::uint16_t spriteCount) {
    std::vector<std::uint8_t> out;
    putU16(out, static_cast<std::uint16_t>(arrows.size()));
    for (const SavedArrow& a : arrows) {
        putU16(out, static_cast<std::uint16_t>(a.hex));
        putU16(out, static_cast<std::uint16_t>(a.key));
        putU32(out, a.direction);
    }
    putU16(out, spriteCount);
    return out;
}

bool readBlockOffset(const std::uint8_t* data, std::size_t size, std::uint32_t& offset) {
    if (!has(size, 0, 4)) return false;
    offset = u32(data);
    return true;
}

bool readLandscapeBlock(const std::uint8_t* data, std::size_t size, std::uint32_t at, LandscapeBlock& block,
                        std::string& error) {
    block = LandscapeBlock();
    if (!has(size, at, 10)) {
        error = "The saved game's landscape block lies outside the file";
        return false;
    }
    block.normalSection = u32(data + at);
    block.reversedSection = u32(data + at + 4);
    const std::uint16_t count = u16(data + at + 8);
    if (!has(size, at + 10u, 2u * count)) {
        error = "The saved game's landscape block lists more scars than the file holds";
        return false;
    }
    for (std::uint16_t k = 0; k < count; ++k)
        block.scars.push_back(u16(data + at + 10 + 2 * k));
    return true;
}

bool readViewSection(const std::uint8_t* data, std::size_t size, std::uint32_t at, ViewSection& section,
                     std::string& error) {
    section = ViewSection();
    if (!has(size, at, 2)) {
        error = "The saved game's map section lies outside the file";
        return false;
    }
    const std::uint16_t count = u16(data + at);
    std::size_t cursor = at + 2u;
    if (!has(size, cursor, 8u * count + 2u)) {
        error = "The saved game's map section lists more arrows than the file holds";
        return false;
    }
    for (std::uint16_t k = 0; k < count; ++k, cursor += 8) {
        const std::uint32_t direction = u32(data + cursor + 4);
        // An arrow points along one of the eight directions; any other number points nowhere.
        if (direction < 1 || direction > 8) {
            section = ViewSection();
            error = "The saved game's map section has an arrow of no direction (" +
                    std::to_string(direction) + ")";
            return false;
        }
        section.arrows.push_back(SavedArrow{static_cast<std::int16_t>(u16(data + cursor)),
                                            static_cast<std::int16_t>(u16(data + cursor + 2)), direction});
    }
    section.spriteCount = u16(data + cursor);
    section.spritesAt = cursor + 2;
    return true;
}

} // namespace vael
