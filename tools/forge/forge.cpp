#include "tools/forge/forge.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>
#include <tuple>

#include "framework/display/image_index.h"
#include "framework/display/windows_palette.h"
#include "game/figures/display_catalogue.h"
#include "tools/forge/archive_writer.h"
#include "tools/forge/control_art.h"
#include "tools/forge/cursor_art.h"
#include "tools/forge/figure_art.h"
#include "tools/forge/flag_art.h"
#include "tools/forge/forge_palette.h"
#include "tools/forge/frame_art.h"
#include "tools/forge/sample_art.h"
#include "tools/forge/scenario_writer.h"
#include "tools/forge/terrain_art.h"
#include "tools/forge/walking_data.h"
#include "tools/forge/wave_art.h"

namespace vael::forge {

namespace {
Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}
} // namespace

std::string figureDataFile(std::size_t archive, int size) {
    char name[16];
    std::snprintf(name, sizeof name, "fig%02zu%c.oif", archive % 100, "fhq"[size]);
    return name;
}

bool forgeData(const std::filesystem::path& directory, std::string& error) {
    std::error_code made;
    std::filesystem::create_directories(directory, made);
    const auto colours = paletteColours();
    // The cached form: the tables are worked out here once rather than at every start of the program.
    if (!WindowsPalette(colours.data()).save((directory / PaletteFile).string())) {
        error = "cannot write " + (directory / PaletteFile).string();
        return false;
    }
    // Every archive goes into its own file and into the image index, in this order.
    std::vector<std::tuple<std::string, std::string, ForgedArchive>> archives{
        {SampleFile, SampleName, sampleArchive()},
        {FrameFile, FrameName, frameArchive()},
        {StatusBarFile, StatusBarName, statusBarArchive()}};
    for (ControlArchive& a : controlArchives(FontDirectory))
        archives.emplace_back(a.dataFile, a.name, std::move(a.archive));
    // The battle map's terrain, with contact sheets to look at.
    std::vector<TerrainArchive> terrain = terrainArchives(VAEL_SCENARIO_SOURCES);
    writeTerrainSheets(terrain, directory / "sheets");
    for (TerrainArchive& a : terrain)
        archives.emplace_back(a.dataFile, a.name, std::move(a.archive));
    // The soldiers: every archive the display catalogue names, with the projectiles and debris.
    DisplayCatalogue catalogue;
    if (!catalogue.load(VAEL_DISPLAY_CATALOGUE)) {
        error = catalogue.error();
        return false;
    }
    std::vector<FigureArtwork> figures = figureArtwork(catalogue, std::thread::hardware_concurrency());
    for (std::size_t i = 0; i < figures.size(); ++i)
        for (int k = 0; k < 3; ++k)
            archives.emplace_back(figureDataFile(i, k), figures[i].name + SizeSuffixes[k],
                                  std::move(figures[i].sizes[k]));
    std::vector<std::pair<std::string, Bytes>> files;
    Bytes index;
    std::vector<std::pair<std::string, std::string>> records;
    for (const auto& [file, name, archive] : archives) {
        std::vector<std::uint32_t> offsets;
        files.emplace_back(file, archiveBytes(archive, &offsets));
        const Bytes entry = indexEntryBytes(name, file, archive, offsets);
        index.insert(index.end(), entry.begin(), entry.end());
        records.emplace_back(file, name);
    }
    // The activation flags, found by name through the map file, with contact sheets to look at.
    std::vector<FlagArchive> flags = flagArchives();
    writeFlagSheets(flags, directory / "sheets");
    for (const FlagArchive& a : flags) {
        files.emplace_back(a.dataFile, archiveBytes(a.archive));
        records.emplace_back(a.dataFile, a.name);
    }
    // The map's cursors, found by name through the map file.
    const CursorArt cursors = cursorArt();
    writeCursorSheet(cursors, directory / "sheets");
    files.emplace_back(CursorFile, archiveBytes(cursors.archive));
    records.emplace_back(CursorFile, CursorArchiveName);
    // The walking paths are an archive of their own, found through the map file only.
    files.emplace_back(WalkingAnimationFile, walkingAnimationBytes());
    records.emplace_back(WalkingAnimationFile, WalkingAnimationTitle);
    files.emplace_back(ImageIndex::FileName, index);
    files.emplace_back(DisplayCatalogue::FileName, fileBytes(VAEL_DISPLAY_CATALOGUE));
    files.emplace_back("campaign.txt", fileBytes(VAEL_CAMPAIGN_FILE));
    files.emplace_back(MapFile, mapFileBytes(records));
    for (ForgedWave& wave : forgedWaves()) files.emplace_back(wave.file, std::move(wave.bytes));
    for (const auto& [name, bytes] : files) {
        if (!writeBytes(directory / name, bytes)) {
            error = "cannot write " + (directory / name).string();
            return false;
        }
    }
    return forgeScenarios(VAEL_SCENARIO_SOURCES, directory, error);
}

} // namespace vael::forge
