#pragma once
// Message names of the display framework: sprites going away, the palette animation's switches.
// Every send, query and handler registration names its message through these constants, so that a
// misspelt name fails to compile instead of sending to nobody; the texts are the names on the bus. The
// header of the layer below comes with it, so that a file includes only its own layer's names.

#include "framework/ui/ui_message_names.h"

namespace vael::msg {

inline constexpr char ChangeRegionAttribute[] = "Change Region Attribute";
inline constexpr char ChangeViewport[] = "Change Viewport";
inline constexpr char GetRegionLocation[] = "Get Region Location";
inline constexpr char RebuildVisibleSpriteListKludge[] = "RebuildVisibleSpriteListKludge";
inline constexpr char ResumePaletteAnimation[] = "ResumePaletteAnimation";
inline constexpr char SpriteDestroyed[] = "SpriteDestroyed";
inline constexpr char StartPaletteAnimation[] = "StartPaletteAnimation";
inline constexpr char StopPaletteAnimation[] = "StopPaletteAnimation";
inline constexpr char SuspendPaletteAnimation[] = "SuspendPaletteAnimation";

} // namespace vael::msg
