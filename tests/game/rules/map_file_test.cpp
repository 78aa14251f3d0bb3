#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game/rules/logical_map_file.h"
#include "game/rules/map_file_builder.h"

namespace vael {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool readBytes(LogicalMapFile& file, const Bytes& bytes, const std::string& name = "test.map") {
    static const std::uint8_t none = 0;
    return file.read(bytes.empty() ? &none : bytes.data(), bytes.size(), name);
}

TEST(MapFileBuilder, WritesTheHeaderHeightsAndLatticeRecordsByteForByte) {
    MapFileBuilder b(1, 1);
    b.setName("A").setHexOffset(1000).setLandscapeStyle(2).setHeight(0, 3).addTerrain(0, 1).addSide(0, 1, 6);
    const Bytes bytes = b.bytes();
    // 9 header bytes, 1 height byte, then 4 x 5 = 20 records of which two hold one value.
    ASSERT_EQ(bytes.size(), 9u + 1u + 20u * 2u + 2u * 2u);
    const Bytes header{0x01, 0x00, 'A', 0x01, 0x01, 0xE8, 0x03, 0x02, 0x00, 0x03};
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 10), header);
    // Record 2 is the lattice point (2, 0): the north side of hex 0. Record 10 is (2, 2): its centre.
    std::size_t at = 10;
    for (int r = 0; r < 20; ++r) {
        if (r == 2 || r == 10) {
            const std::uint8_t value = r == 2 ? 6 : 1;
            EXPECT_EQ(Bytes(bytes.begin() + at, bytes.begin() + at + 4), (Bytes{0x01, 0x00, value, 0x00}))
                << r;
            at += 4;
        } else {
            EXPECT_EQ(Bytes(bytes.begin() + at, bytes.begin() + at + 2), (Bytes{0x00, 0x00})) << r;
            at += 2;
        }
    }
}

TEST(MapFileBuilder, ATwoByTwoMapWithAOneByteNameHasANineByteHeaderAndFiftyFourRecords) {
    MapFileBuilder b(2, 2);
    b.setName("x");
    EXPECT_EQ(b.bytes().size(), 9u + 4u + 54u * 2u);
}

TEST(MapFileBuilder, TheTextFormGivesTheSameBytesAsTheCalls) {
    const std::string text = R"(# a small field
name Ford of Tiren
offset 1000
style 2
heights
0 1 2
1 1 1
terrain
. wm [4,12]
c . -
side 101 1 stream barrier
side 0 4 20
record 0 0 7 8
)";
    // '-' is no terrain letter: the description above must be refused first.
    EXPECT_THROW(MapFileBuilder::fromText(text), std::invalid_argument);

    std::string fixed = text;
    fixed.replace(fixed.find("c . -"), 5, "c . .");
    const MapFileBuilder parsed = MapFileBuilder::fromText(fixed);
    MapFileBuilder made(3, 2);
    made.setName("Ford of Tiren").setHexOffset(1000).setLandscapeStyle(2);
    made.setHeight(0, 0).setHeight(100, 1).setHeight(200, 2);
    made.addTerrain(100, 1).addTerrain(100, 3).addTerrain(200, 4).addTerrain(200, 12).addTerrain(1, 0);
    made.addSide(101, 1, 6)
        .addSide(101, 1, 11)
        .addSide(0, 4, 20)
        .addRecordValue(0, 0, 7)
        .addRecordValue(0, 0, 8);
    EXPECT_EQ(parsed.bytes(), made.bytes());
}

TEST(MapFileBuilder, TerrainLettersAndSideNames) {
    const MapFileBuilder b =
        MapFileBuilder::fromText("terrain\nc w k m r R a o p\nside 0 5 impassable stream barrier 9\n");
    LogicalMapFile file;
    ASSERT_TRUE(readBytes(file, b.bytes())) << file.error();
    const std::uint16_t codes[9] = {0, 1, 2, 3, 4, 5, 10, 12, 13};
    for (int column = 0; column < 9; ++column) {
        const auto hex = static_cast<std::int16_t>(column * 100);
        const int x = MapFileBuilder::latticeX(hex), y = MapFileBuilder::latticeY(hex);
        ASSERT_EQ(file.recordCount(x, y), 1) << column;
        EXPECT_EQ(file.recordValues(x, y)[0], codes[column]) << column;
    }
    ASSERT_EQ(file.recordCount(2, 4), 4);
    EXPECT_EQ(file.recordValues(2, 4)[0], 20);
    EXPECT_EQ(file.recordValues(2, 4)[1], 6);
    EXPECT_EQ(file.recordValues(2, 4)[2], 11);
    EXPECT_EQ(file.recordValues(2, 4)[3], 9);
}

TEST(MapFileBuilder, TheTextFormTakesItsSizeFromEitherBlockOrFromASizeLine) {
    EXPECT_EQ(MapFileBuilder::fromText("terrain\n. .\n. .\n. .\n").width(), 2);
    EXPECT_EQ(MapFileBuilder::fromText("terrain\n. .\n. .\n. .\n").height(), 3);
    const MapFileBuilder sized = MapFileBuilder::fromText("size 4 5\n");
    EXPECT_EQ(sized.width(), 4);
    EXPECT_EQ(sized.height(), 5);
}

TEST(MapFileBuilder, MalformedDescriptionsAreRefusedWithTheLineNumber) {
    auto message = [](const std::string& text) {
        try {
            MapFileBuilder::fromText(text);
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message(""), "map description line 1: the map has no size, heights or terrain");
    EXPECT_EQ(message("heights\n1 1\n1\n"),
              "map description line 3: heights row has 1 hexes, the map is 2 wide");
    EXPECT_EQ(message("size 2 2\nterrain\n. .\n"), "map description line 3: terrain has 1 rows, the map 2");
    EXPECT_EQ(message("size 2 2\nside 1 3 6\n"), "map description line 2: region direction 3 names no side");
    EXPECT_EQ(message("size 2 2\nside 300 1 6\n"), "map description line 2: hex 300 is not on the map");
    EXPECT_EQ(message("size 2 2\nside 0 1 river\n"),
              "map description line 2: side value \"river\" is not a number");
    EXPECT_EQ(message("size 2 2\nheights\n1 256\n1 1\n"),
              "map description line 3: height level 256 is outside 0..255");
    EXPECT_EQ(message("size 2 2\nfog 1\n"), "map description line 2: unknown statement \"fog\"");
    EXPECT_EQ(message("size 2 2\nsize 2 2\n"), "map description line 2: \"size\" is given twice");
    EXPECT_EQ(message("size 1 1\nterrain\n[4,5\n"),
              "map description line 3: terrain cell \"[4,5\" lacks its closing bracket");
    EXPECT_THROW(MapFileBuilder(2, 2).addSide(0, 7, 6), std::out_of_range);
    EXPECT_THROW(MapFileBuilder(2, 2).addTerrain(2, 1), std::out_of_range);
    EXPECT_THROW(MapFileBuilder(2, 2).addRecordValue(6, 0, 1), std::out_of_range);
}

TEST(LogicalMapFile, ReadsBackWhatTheBuilderWrote) {
    MapFileBuilder b(3, 2);
    b.setName("Hill")
        .setHexOffset(2000)
        .setLandscapeStyle(-2)
        .setHeight(201, 7)
        .addTerrain(201, 3)
        .addTerrain(201, 1);
    b.addSide(0, 5, 20);
    LogicalMapFile file;
    ASSERT_TRUE(readBytes(file, b.bytes())) << file.error();
    EXPECT_EQ(file.name(), "Hill");
    EXPECT_EQ(file.width(), 3);
    EXPECT_EQ(file.height(), 2);
    EXPECT_EQ(file.hexOffset(), 2000);
    EXPECT_EQ(file.landscapeStyle(), -2); // kept sign-extended
    EXPECT_EQ(file.heightLevel(1 * 3 + 2), 7);
    EXPECT_EQ(file.heightLevel(0), 1);
    EXPECT_EQ(file.latticeColumns(), 8);
    EXPECT_EQ(file.latticeRows(), 9);
    // Hex 201 (column 2, row 1) has its centre at (6, 6); the south side of hex 0 is at (2, 4).
    ASSERT_EQ(file.recordCount(6, 6), 2);
    EXPECT_EQ(file.recordValues(6, 6)[0], 3);
    EXPECT_EQ(file.recordValues(6, 6)[1], 1);
    ASSERT_EQ(file.recordCount(2, 4), 1);
    EXPECT_EQ(file.recordValues(2, 4)[0], 20);
    EXPECT_EQ(file.recordCount(3, 3), 0);
    EXPECT_EQ(file.recordValues(3, 3), nullptr);
    EXPECT_EQ(file.recordCount(-1, 0), 0);
    EXPECT_EQ(file.recordCount(8, 0), 0);
    EXPECT_EQ(file.recordCount(0, 9), 0);
}

TEST(LogicalMapFile, RefusesShortOversizedAndImpossibleFilesNamingTheFile) {
    const Bytes good = MapFileBuilder(2, 2).setName("x").bytes();
    LogicalMapFile file;
    auto refusal = [&file](const Bytes& bytes) {
        EXPECT_FALSE(readBytes(file, bytes, "field.map"));
        EXPECT_EQ(file.width(), 0);
        EXPECT_EQ(file.height(), 0);
        return file.error();
    };
    EXPECT_EQ(refusal({}), "Map file \"field.map\" is too short to hold a map header");
    EXPECT_EQ(refusal(Bytes(good.begin(), good.begin() + 8)),
              "Map file \"field.map\" is too short to hold a map header");
    EXPECT_EQ(refusal(Bytes(good.begin(), good.begin() + 11)),
              "Map file \"field.map\" ends inside the height levels of its hexes");
    EXPECT_EQ(refusal(Bytes(good.begin(), good.begin() + 13)),
              "Map file \"field.map\" ends before the lattice record at (0, 0)");
    EXPECT_EQ(refusal(Bytes(good.begin(), good.end() - 1)),
              "Map file \"field.map\" ends before the lattice record at (5, 8)");
    Bytes longer = good;
    longer.push_back(0);
    longer.push_back(0);
    longer.push_back(0);
    EXPECT_EQ(refusal(longer), "Map file \"field.map\" has 3 bytes after the end of the map");

    Bytes negative = good;
    negative[1] = 0x80;
    EXPECT_EQ(refusal(negative), "Map file \"field.map\" has a negative name length (-32767)");
    Bytes flat = good;
    flat[3] = 0; // width
    EXPECT_EQ(refusal(flat), "Map file \"field.map\" has no hexes (width 0, height 2)");
    const Bytes tall = MapFileBuilder(1, 101).bytes();
    EXPECT_EQ(refusal(tall), "Map file \"field.map\" has 101 rows; a map has at most 100");
    MapFileBuilder widest(255, 100);
    EXPECT_TRUE(readBytes(file, widest.bytes())) << file.error();

    // A record may hold twelve values, never thirteen.
    MapFileBuilder twelve(1, 1);
    for (int v = 0; v < 12; ++v)
        twelve.addRecordValue(1, 1, 6);
    EXPECT_TRUE(readBytes(file, twelve.bytes())) << file.error();
    twelve.addRecordValue(1, 1, 6);
    EXPECT_EQ(
        refusal(twelve.bytes()),
        "Map file \"field.map\" has 13 values in the lattice record at (1, 1); a record holds at most 12");
    MapFileBuilder cut(1, 1);
    cut.addRecordValue(3, 4, 6).addRecordValue(3, 4, 11);
    const Bytes cutBytes = cut.bytes();
    EXPECT_EQ(refusal(Bytes(cutBytes.begin(), cutBytes.end() - 2)),
              "Map file \"field.map\" ends inside the lattice record at (3, 4)");
}

TEST(LogicalMapFile, AMissingFileIsRefusedAndAWrittenOneIsRead) {
    const auto dir = std::filesystem::temp_directory_path() / "vael-map-file-test";
    std::filesystem::create_directories(dir);
    const std::string missing = (dir / "no-such.map").string();
    LogicalMapFile file;
    EXPECT_FALSE(file.readFile(missing));
    EXPECT_EQ(file.error(), "Map file \"" + missing + "\" cannot be opened");

    const std::string path = (dir / "written.map").string();
    MapFileBuilder b(4, 3);
    b.addTerrain(302, 5);
    std::string error;
    ASSERT_TRUE(b.writeFile(path, &error)) << error;
    ASSERT_TRUE(file.readFile(path)) << file.error();
    EXPECT_EQ(file.width(), 4);
    EXPECT_EQ(file.recordCount(MapFileBuilder::latticeX(302), MapFileBuilder::latticeY(302)), 1);
    EXPECT_FALSE(b.writeFile((dir / "no-dir" / "x.map").string(), &error));
    EXPECT_NE(error.find("cannot create map file"), std::string::npos);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace vael
