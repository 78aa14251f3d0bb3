#pragma once
// The pictures of the main frame: the stone blocks its client area is tiled with, and the status bar's
// caps, middle and pane separator.
#include "tools/forge/archive_writer.h"

namespace vael::forge {

constexpr const char* FrameFile = "frame.oif";
constexpr const char* FrameName = "Vael Frame";
constexpr const char* StatusBarFile = "statbar.oif";
constexpr const char* StatusBarName = "Vael Status Bar";
constexpr int StatusBarHeight = 40;

ForgedArchive frameArchive();
ForgedArchive statusBarArchive();

} // namespace vael::forge
