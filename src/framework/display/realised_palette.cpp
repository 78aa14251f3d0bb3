#include "framework/display/realised_palette.h"

namespace vael {

const std::array<PaletteEntry, 20>& RealisedPalette::systemColours() {
    // Entries 0-9, then 246-255.
    static const std::array<PaletteEntry, 20> colours{{
        {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
        {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
        {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
        {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
    }};
    return colours;
}

int animatePalette(RealisedPalette* palette, std::uint16_t first, std::uint16_t count,
                   const PaletteEntry* colours) {
    if (!palette || !colours) return 0;
    int changed = 0;
    for (int i = 0; i < count && first + i < static_cast<int>(palette->entries.size()); ++i) {
        PaletteEntry& entry = palette->entries[first + i];
        if (!(entry.flags & PC_RESERVED)) continue;
        const PaletteEntry& c = colours[i];
        if (entry.red == c.red && entry.green == c.green && entry.blue == c.blue) continue;
        entry.red = c.red, entry.green = c.green, entry.blue = c.blue;
        ++changed;
    }
    if (changed && palette->onColoursChanged) palette->onColoursChanged();
    return changed;
}

} // namespace vael
