#include "platform/file_lookup.h"

#include <fstream>
#include <gtest/gtest.h>

#include "platform/resources.h"
#include "support/temp_dir.h"

namespace vael::platform {
namespace {

TEST(FileLookup, FindsDataFilesWithoutRegardToCase) {
    test::TempDir dir("lookup");
    std::filesystem::create_directories(dir / "scen");
    for (const char* name : {"oiffile.map", "scen/battle1.scn", "Twice.dat", "twice.dat"})
        std::ofstream(dir / name) << name;
    const struct {
        const char* name;
        const char* found; // relative to dir; null: none
    } rows[] = {
        {"OIFFILE.MAP", "oiffile.map"},
        {"oiffile.map", "oiffile.map"},
        {"SCEN\\Battle1.SCN", "scen/battle1.scn"},
        {"Scen/./battle1.scn", "scen/battle1.scn"},
        {"twice.dat", "twice.dat"}, // the exact spelling wins
        {"TWICE.DAT", "Twice.dat"}, // else the first in name order
        {"scen", nullptr},          // a folder is no file
        {"oiffile.map\\x", nullptr},
        {"missing.map", nullptr},
        {"", nullptr},
        {"scen\\..\\oiffile.map", nullptr}, // never out of the folder
        {"../lookup/oiffile.map", nullptr},
        {"/etc/hostname", nullptr},
        {"\\oiffile.map", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(findFileNoCase(dir.path(), row.name),
                  row.found ? std::optional(dir / row.found) : std::nullopt);
    }
    // An empty directory name is not the current directory.
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(findFileNoCase("", "oiffile.map"), std::nullopt);
    std::filesystem::current_path(here);
}

TEST(Resources, AreFoundByKindAndNameWithoutRegardToCase) {
    const Resource* main = findResource("ACCELERATORS", "mAiN");
    ASSERT_NE(main, nullptr);
    const auto strings = resourcesOfKind("Strings");
    ASSERT_EQ(strings.size(), 1u);
    EXPECT_EQ(
        (std::tuple{main->name, main->text.find("Ctrl+M 219\n") != std::string_view::npos,
                    findResource("accelerators", "Mai"), findResource("strings", "main"), strings[0]->name}),
        std::tuple("main", true, nullptr, nullptr, "strings"));
}

} // namespace
} // namespace vael::platform
