#pragma once
// A data set for a test's battle: the build's, with the battles replaced by one forged from a text file of
// the tests' data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/rules/logical_map_file.h"
#include "support/temp_dir.h"
#include "tools/forge/scenario_writer.h"

namespace vael::test {

// A data set for one test: the build's, with the battles replaced by the one forged from the text file of
// the tests' data; its map is the demonstration battle's.
inline std::string forgedBattleData(const TempDir& dir, const std::string& textFile,
                                    const std::string& scenario) {
    namespace fs = std::filesystem;
    const fs::path data = dir / "data";
    fs::create_directories(data);
    for (const fs::directory_entry& entry : fs::directory_iterator(VAEL_BUILD_DATA_DIR)) {
        std::string name = entry.path().filename().string();
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (lower.ends_with(".scn") || lower.ends_with(".var")) continue;
        fs::create_symlink(entry.path(), data / name);
    }
    std::ifstream in(fs::path(VAEL_SHELL_TEST_DATA) / textFile, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LogicalMapFile map;
    EXPECT_TRUE(map.readFile((data / forge::scenarioMapName(text)).string())) << map.error();
    const std::vector<std::uint8_t> bytes = forge::scenarioBytes(text, map.hexOffset());
    std::ofstream(data / scenario, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return data.string();
}

} // namespace vael::test
