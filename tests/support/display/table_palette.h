#pragma once
// Test support: a palette whose remap tables shift an index by a fixed step (dark +1, grey +2, light +3,
// half light +4, mixed light +5, wrapping at 256), so that every expected pixel can be worked out by hand.
#include "framework/display/logical_palette.h"
#include "support/test_application.h"

namespace vael::test {

class TablePalette : public LogicalPalette {
public:
    TablePalette() {
        for (int t = 0; t < TableCount; ++t)
            for (int i = 0; i < Entries; ++i)
                tables_[t][i] = static_cast<std::uint8_t>(i + step(t));
    }
    // The step of a drawing mode's table (mode 1 has none).
    static int modeStep(int mode) {
        static constexpr int steps[] = {0, 0, 2, 3, 1, 4, 5};
        return mode >= 1 && mode <= 6 ? steps[mode] : 0;
    }
    void reserveRange(std::uint16_t, std::uint16_t) override {}
    void releaseRange(std::uint16_t, std::uint16_t) override {}
    std::int16_t animatedRange(std::uint16_t&, std::uint16_t&) const override { return 0; }
    const RgbQuad* colours() const override { return nullptr; }
    PaletteHandle handle() const override { return nullptr; }
    bool save(const std::string&) const override { return false; }
    // Index = red, so that tests can name the colour they expect.
    std::uint8_t nearestIndex(std::uint8_t red, std::uint8_t, std::uint8_t) const override { return red; }

private:
    static int step(int table) { return table + 1; }
};

// The test application, drawing through a table palette while it lives.
struct TablePaletteApp : TestApplication {
    TablePaletteApp() { setPalette(&palette, nullptr); }
    ~TablePaletteApp() { setPalette(nullptr, nullptr); }
    TablePalette palette;
};

} // namespace vael::test
