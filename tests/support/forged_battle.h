#pragma once
// Battles of the tests beside the build's data set: the data set linked into a folder of the test's own
// without its battles, and scenario texts compiled into it as the forge compiles ours. Header-only: the
// programs that use it link the forge.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/landscape/map_file_builder.h"
#include "support/linked_data.h"
#include "tools/forge/scenario_writer.h"

namespace vael::test {

// Every file of the data set from, linked into to, but the scenarios and their variant lists.
inline void linkDataWithoutBattles(const std::filesystem::path& from, const std::filesystem::path& to) {
    LinkedData data(to, from);
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(from)) {
        std::string lower = entry.path().filename().string();
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower.ends_with(".scn") || lower.ends_with(".var")) data.remove(entry.path().filename().string());
    }
}

// Compiles a scenario text into directory as the file name, on the map the text names there; empty, or
// why it cannot.
inline std::string forgeScenario(const std::filesystem::path& directory, const std::string& text,
                                 const std::string& name) {
    LogicalMapFile map;
    if (!map.readFile((directory / forge::scenarioMapName(text)).string())) return map.error();
    try {
        const forge::Bytes bytes = forge::scenarioBytes(text, map.hexOffset());
        std::ofstream(directory / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return {};
}

// Compiles a map text into directory as the file name; empty, or why it cannot.
inline std::string forgeMap(const std::filesystem::path& directory, const std::string& text,
                            const std::string& name) {
    try {
        const std::vector<std::uint8_t> bytes = MapFileBuilder::fromText(text).bytes();
        std::ofstream(directory / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return {};
}

} // namespace vael::test
