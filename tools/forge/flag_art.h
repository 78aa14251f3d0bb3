#pragma once
// The activation flags' artwork at the three sizes: each nation's waving cloth, the pole ("Stem") and the
// shadow the pole and cloth cast on the ground ("Flag Shadow"), frame for frame with the cloth's wave.
#include <filesystem>
#include <string>
#include <vector>

#include "tools/forge/archive_writer.h"
#include "tools/forge/picture.h"

namespace vael::forge {

struct FlagArchive {
    std::string dataFile;
    std::string name;
    ForgedArchive archive;
    std::vector<Picture> pictures; // in archive order, for the contact sheet
};

// Waving frames of each cloth and of the shadow.
constexpr int FlagFrames = 6;

// Full, half and quarter size.
std::vector<FlagArchive> flagArchives();
// One PNG contact sheet per size, the groups row by row.
bool writeFlagSheets(const std::vector<FlagArchive>& archives, const std::filesystem::path& directory);

} // namespace vael::forge
