#include "tools/forge/forge.h"

#include "framework/display/image_index.h"
#include "framework/display/windows_palette.h"
#include "tools/forge/archive_writer.h"
#include "tools/forge/forge_palette.h"
#include "tools/forge/sample_art.h"
#include "tools/forge/scenario_writer.h"

namespace vael::forge {

bool forgeData(const std::filesystem::path& directory, std::string& error) {
    std::error_code made;
    std::filesystem::create_directories(directory, made);
    const auto colours = paletteColours();
    // The cached form: the tables are worked out here once rather than at every start of the program.
    if (!WindowsPalette(colours.data()).save((directory / PaletteFile).string())) {
        error = "cannot write " + (directory / PaletteFile).string();
        return false;
    }
    const ForgedArchive sample = sampleArchive();
    std::vector<std::uint32_t> offsets;
    const Bytes archive = archiveBytes(sample, &offsets);
    const Bytes index = indexEntryBytes(SampleName, SampleFile, sample, offsets);
    const Bytes map = mapFileBytes({{SampleFile, SampleName}});
    for (const auto& [name, bytes] : {std::pair<std::string, const Bytes*>{SampleFile, &archive},
                                      {ImageIndex::FileName, &index},
                                      {MapFile, &map}}) {
        if (!writeBytes(directory / name, *bytes)) {
            error = "cannot write " + (directory / name).string();
            return false;
        }
    }
    return forgeScenarios(VAEL_SCENARIO_SOURCES, directory, error);
}

} // namespace vael::forge
