#include <gtest/gtest.h>

#include <fstream>

#include "game/flow/data_files.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

TEST(DataDirectory, SettingsBeforeEnvironmentBeforeTheBuild) {
    struct Row {
        const char *settings, *environment, *expected;
    };
    const Row rows[] = {
        {"/opt/vael", "/env", "/opt/vael"},
        {"", "/env", "/env"},
        {"", "", "/build/data"},
        {"", nullptr, "/build/data"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.settings) + "|" + (row.environment ? row.environment : "(unset)"));
        EXPECT_EQ(chooseDataDirectory(row.settings, row.environment, "/build/data"), row.expected);
    }
}

TEST(DataFile, FoundWithoutRegardToCaseAndNeverOutsideTheDirectory) {
    test::TempDir dir("flow-data-files");
    std::filesystem::create_directories(dir / "Maps");
    std::ofstream(dir / "ghatmar.scn") << "x";
    std::ofstream(dir / "Maps" / "Ghatmar.map") << "x";
    std::ofstream(dir.path().parent_path() / "outside.scn") << "x";
    const std::string root = dir.path().string();
    const std::pair<const char*, std::string> rows[] = {
        {"ghatmar.scn", root + "/ghatmar.scn"},
        {"GHATMAR.SCN", root + "/ghatmar.scn"},
        {"maps\\GHATMAR.MAP", root + "/Maps/Ghatmar.map"},
        {"Maps/./ghatmar.map", root + "/Maps/Ghatmar.map"},
        {"Maps", ""},
        {"missing.scn", ""},
        {"../outside.scn", ""},
        {"Maps/../ghatmar.scn", ""},
        {"/etc/passwd", ""},
        {"\\ghatmar.scn", ""},
        {"", ""},
    };
    for (const auto& [name, expected] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(findDataFile(root, name), expected);
    }
    // No data directory means no file, not one that happens to lie in the current directory.
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(findDataFile("", "ghatmar.scn"), "");
    std::filesystem::current_path(here);
    std::filesystem::remove(dir.path().parent_path() / "outside.scn");
}

} // namespace
} // namespace vael
