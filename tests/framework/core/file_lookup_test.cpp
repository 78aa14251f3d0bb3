#include "framework/core/file_lookup.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace vael {
namespace {

TEST(FileLookup, FindsDataFilesWithoutRegardToCase) {
    test::TempDir dir("lookup");
    std::filesystem::create_directories(dir / "scen");
    for (const char* name :
         {"oiffile.map", "scen/battle1.scn", "Twice.dat", "twice.dat", "\xC3\xA9t\xC3\xA9.dat"})
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
        {"\xC3\xA9T\xC3\xA9.DAT", "\xC3\xA9t\xC3\xA9.dat"}, // ASCII letters fold, other bytes stand
        {"\xC3\x89t\xC3\x89.dat", nullptr},
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

// Something that is no file where a data file is looked for (a folder, a FIFO) is found as what it is, so
// that it is told as that and not as missing; a file there, or nothing, gives no reason.
TEST(FileLookup, WhatStandsInAFilesPlaceIsToldAsWhatItIs) {
    test::TempDir dir("lookup-not-a-file");
    std::filesystem::create_directories(dir / "campaign.txt");
    ASSERT_EQ(::mkfifo((dir / "ghatmar.map").c_str(), 0600), 0);
    std::ofstream(dir / "vael.pal") << "a file";
    const struct {
        const char* name;
        const char* problem;
        const char* where;
    } rows[] = {
        {"CAMPAIGN.TXT", "is a folder, not a file", "campaign.txt"},
        {"Ghatmar.MAP", "is not a regular file", "ghatmar.map"},
        {"ghatmar.map", "is not a regular file", "ghatmar.map"},
        {"VAEL.PAL", "", ""},
        {"missing.txt", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::path where;
        EXPECT_EQ(notAFile(dir.path(), row.name, &where), row.problem);
        EXPECT_EQ(where, *row.where ? dir / row.where : std::filesystem::path());
    }
}

} // namespace
} // namespace vael
