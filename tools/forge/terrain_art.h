#pragma once
// The battle map's terrain: the ground of every height level by slope mask, cliffs, river fords, streams,
// roads and ford fixes; the overlays (bushes, river rocks, scars, trees, stones); the hex grid and outline;
// the background; battle arrows and missile debris; and the overview maps of our battles. Each set at the
// three zoom sizes, drawn with Cairo and reduced to the palette, so the same bytes come out on every run.
#include <filesystem>
#include <string>
#include <vector>

#include "tools/forge/archive_writer.h"
#include "tools/forge/picture.h"

namespace vael::forge {

// Ground levels the art covers: 0 the river bed, up to 6 the highest hills.
constexpr int TerrainLevels = 7;
// Ground variants by slope mask: four plain ones, then one for each mask 1 to 15.
constexpr int GroundFrames = 19;

struct TerrainArchive {
    std::string dataFile;
    std::string name;
    ForgedArchive archive;
    // The same pictures as drawn, in group order, for the contact sheets.
    std::vector<Picture> pictures;
};

// Every terrain archive; the overview maps are drawn from the "*.map.txt" battle maps under sources.
std::vector<TerrainArchive> terrainArchives(const std::filesystem::path& sources);

// One contact sheet a archive, "<data file>.png", for people to look at.
void writeTerrainSheets(const std::vector<TerrainArchive>& archives, const std::filesystem::path& directory);

} // namespace vael::forge
