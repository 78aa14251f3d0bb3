#pragma once
// A data set for a test's battle: the build's, with the battles replaced by one forged from a text file of
// the tests' data.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/forged_battle.h"
#include "support/temp_dir.h"

namespace vael::test {

// A data set for one test: the build's, with the battles replaced by the one forged from the text file of
// the tests' data; its map is the demonstration battle's.
inline std::string forgedBattleData(const TempDir& dir, const std::string& textFile,
                                    const std::string& scenario) {
    const std::filesystem::path data = dir / "data";
    linkDataWithoutBattles(VAEL_BUILD_DATA_DIR, data);
    std::ifstream in(std::filesystem::path(VAEL_SHELL_TEST_DATA) / textFile, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(forgeScenario(data, text, scenario), "");
    return data.string();
}

} // namespace vael::test
