#pragma once
// The battle map's cursors: an arrow toward each of the eight edges the view scrolls to, the sword over a
// unit that can be attacked, and the arrow, sling stone and javelin over a unit that can be shot at. Drawn
// with Cairo at 32 x 32, reduced to the palette (byte 0 transparent), with the hot spot where the cursor
// points.
#include <filesystem>
#include <string>
#include <vector>

#include "tools/forge/archive_writer.h"
#include "tools/forge/picture.h"

namespace vael::forge {

constexpr const char* CursorFile = "cursors.oif";
constexpr const char* CursorArchiveName = "Map Cursors";
constexpr const char* CursorGroup = "Cursors";
constexpr int CursorSize = 32;

struct CursorArt {
    ForgedArchive archive;
    std::vector<Picture> pictures; // in archive order, for the contact sheet
};

CursorArt cursorArt();
// The cursors side by side, enlarged, as a PNG for people to look at.
bool writeCursorSheet(const CursorArt& art, const std::filesystem::path& directory);

} // namespace vael::forge
