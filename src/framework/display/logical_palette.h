#pragma once
// The 256-colour palette as the drawing code sees it: five remap tables that turn any palette index into
// the index of a darker, grey or lighter version of its colour. The screen side is the windows palette's.
#include <array>
#include <cstdint>
#include <string>

#include "framework/display/palette_entry.h"

namespace vael {

class RealisedPalette;
using PaletteHandle = RealisedPalette*;

class LogicalPalette {
public:
    static constexpr int Entries = 256;
    using Table = std::array<std::uint8_t, Entries>;

    LogicalPalette() = default;
    LogicalPalette(const LogicalPalette&) = delete;
    LogicalPalette& operator=(const LogicalPalette&) = delete;
    virtual ~LogicalPalette() = default;

    virtual void reserveRange(std::uint16_t first, std::uint16_t last) = 0;
    virtual void releaseRange(std::uint16_t first, std::uint16_t last) = 0;
    // 1 with the range while one is reserved for animation, else 0.
    virtual std::int16_t animatedRange(std::uint16_t& first, std::uint16_t& last) const = 0;
    virtual const RgbQuad* colours() const = 0;
    virtual PaletteHandle handle() const = 0;
    // Writes the cached palette file; false when it cannot be written.
    virtual bool save(const std::string& path) const = 0;
    virtual std::uint8_t nearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const = 0;

    const std::uint8_t* darkRemap() const { return tables_[Dark].data(); }
    const std::uint8_t* greyRemap() const { return tables_[Grey].data(); }
    const std::uint8_t* lightRemap() const { return tables_[Light].data(); }
    const std::uint8_t* halfLightRemap() const { return tables_[HalfLight].data(); }
    const std::uint8_t* mixedLightRemap() const { return tables_[MixedLight].data(); }

protected:
    enum TableIndex { Dark, Grey, Light, HalfLight, MixedLight, TableCount };
    std::array<Table, TableCount> tables_{};
};

} // namespace vael
