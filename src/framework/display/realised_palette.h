#pragma once
// The palette the screen shows: 256 entries with their flags. The window that presents the 8-bit
// surfaces reads its colours from here; whoever shows them listens for changes of the colours, since a
// changed entry recolours every pixel of that index at once and the window must be presented whole.
#include <array>
#include <cstdint>
#include <functional>

#include "framework/display/palette_entry.h"

namespace vael {

class RealisedPalette {
public:
    std::array<PaletteEntry, 256> entries{};
    // Called after animation changed some colours.
    std::function<void()> onColoursChanged;

    // The screen's standard colours of entries 0-9 and 246-255, which no application palette replaces.
    static const std::array<PaletteEntry, 20>& systemColours();
    static bool isSystemEntry(int index) { return index < 10 || index > 245; }
};

// Changes the colours of count entries from first to those given, where the entry is reserved for
// animation; entries outside the palette are left alone. Answers how many colours changed.
int animatePalette(RealisedPalette* palette, std::uint16_t first, std::uint16_t count,
                   const PaletteEntry* colours);

} // namespace vael
