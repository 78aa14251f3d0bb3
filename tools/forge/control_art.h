#pragma once
// The art of the frame's controls: the glyph archives of the bitmap fonts, rendered from a free TrueType
// font, and the pictures of the tool-bar buttons and of the tool bar's background.
#include <string>
#include <vector>

#include "tools/forge/archive_writer.h"

namespace vael::forge {

// An archive with the data file and the name the map file gives it.
struct ControlArchive {
    std::string dataFile;
    std::string name;
    ForgedArchive archive;
};

// The dialog font: every code from 33 to 255 in the group "Alphanumeric" (index code - 33), rendered
// from the TrueType file at the pixel size. Throws when the font cannot be read.
ForgedArchive dialogGlyphArchive(const std::string& fontFile, int pixelSize);
// The chiselled capitals: letters (codes 65 to 122) in "Alpha" and digits in "Numeric".
ForgedArchive chiseledGlyphArchive(const std::string& fontFile, int pixelSize);
// One group per command, each with the four pictures of a button.
ForgedArchive buttonArchive();
// "Mirror #1" and its mirror image "Mirror #2".
ForgedArchive toolbarArchive();

// Every archive of the frame, fonts from the directory of the font package.
std::vector<ControlArchive> controlArchives(const std::string& fontDirectory);

// The commands the tool-bar pictures are drawn for, in the order of the archive's groups.
const std::vector<std::string>& buttonCommands();

} // namespace vael::forge
