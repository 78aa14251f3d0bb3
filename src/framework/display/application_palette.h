#pragma once
// The application palette on our platform: the windows application makes it from the file its settings
// name, through the seam installed here, and the window shows its colours. Colours that change under
// palette animation go to the window at once, which shows every pixel of them anew.
#include "framework/display/windows_palette.h"

namespace vael {

namespace platform {
class Platform;
}

// Has every windows application made from now on take a WindowsPalette as its palette.
void installApplicationPalette();
// Shows the palette's colours in the platform's window, now and whenever animation changes them.
void showPaletteOn(WindowsPalette& palette, platform::Platform& platform);

} // namespace vael
