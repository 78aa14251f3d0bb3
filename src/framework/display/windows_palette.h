#pragma once
// The application's palette: the colours of a palette file realised on the screen, and the five remap
// tables, read ready-made from the cached file form or computed from a BMP file's colour table. A file
// that cannot be read is reported and the built-in colours are used instead, so that drawing goes on.
#include <istream>
#include <memory>
#include <string>

#include "framework/display/logical_palette.h"
#include "framework/display/realised_palette.h"

namespace vael {

class WindowsPalette : public LogicalPalette {
public:
    static constexpr char Magic[] = "Ostrell Palette";
    static constexpr int MagicLength = 15;
    static constexpr int CachedFileSize = MagicLength + 4 * Entries + TableCount * Entries; // 2319
    static constexpr int BmpHeaderSize = 14 + 40;

    // The file of that name in the application's data directory.
    explicit WindowsPalette(const std::string& fileName);
    // An open palette file; the name is only for messages.
    WindowsPalette(std::istream& file, const std::string& name);
    // The given colours, with the tables computed as for a BMP file.
    explicit WindowsPalette(const RgbQuad* colours);
    ~WindowsPalette() override;

    void reserveRange(std::uint16_t first, std::uint16_t last) override;
    void releaseRange(std::uint16_t first, std::uint16_t last) override;
    std::int16_t animatedRange(std::uint16_t& first, std::uint16_t& last) const override;
    const RgbQuad* colours() const override { return colours_.data(); }
    PaletteHandle handle() const override { return realised_.get(); }
    bool save(const std::string& path) const override;
    std::uint8_t nearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const override;

    // Whether the colours came from the file (false when the built-in colours stood in).
    bool fromFile() const { return fromFile_; }
    // The built-in colours: the screen's standard colours, a 6 x 6 x 6 colour cube and a grey ramp.
    static const std::array<RgbQuad, Entries>& defaultColours();

private:
    void read(std::istream& file, const std::string& name);
    void useColours(const RgbQuad* colours);
    void createPalette();
    void computeTables();
    void setEntryFlags(std::uint16_t first, std::uint16_t last, std::uint8_t flags);

    std::array<RgbQuad, Entries> colours_{};
    std::unique_ptr<RealisedPalette> realised_ = std::make_unique<RealisedPalette>();
    std::uint16_t animatedFirst_ = 0;
    std::uint16_t animatedLast_ = 0;
    bool fromFile_ = false;
};

// Deletes an application palette (the application's destroy function for it).
void deletePalette(LogicalPalette* palette);

} // namespace vael
