#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "support/rules/test_maps.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;

TEST(MapFileBuilder, WritesTheFormatByteForByteFromCallsOrItsTextForm) {
    MapFileBuilder b(1, 1);
    b.setName("A").setHexOffset(1000).setLandscapeStyle(2).setHeight(0, 3).addTerrain(0, 1).addSide(0, 1, 6);
    Bytes expected{0x01, 0x00, 'A', 0x01, 0x01, 0xE8, 0x03, 0x02, 0x00, 0x03};
    for (int r = 0; r < 4 * 5; ++r) { // record y * 4 + x: 2 is (2, 0), the north side of hex 0; 10 its centre
        expected.insert(expected.end(), {static_cast<std::uint8_t>(r == 2 || r == 10), 0});
        if (r == 2 || r == 10)
            expected.insert(expected.end(), {static_cast<std::uint8_t>(r == 2 ? 6 : 1), 0});
    }
    EXPECT_EQ(b.bytes(), expected);
    // A 2 x 2 map with a one-byte name: 9 header bytes, 4 heights, 6 x 9 empty records.
    EXPECT_EQ(MapFileBuilder(2, 2).setName("x").bytes().size(), 9u + 4u + 54u * 2u);

    const MapFileBuilder parsed = MapFileBuilder::fromText(R"(# a small field
name Ford of Tiren
offset 1000
style 2
heights
0 1 2
1 1 1
terrain
cwkmrRaop wm [4,12]
. . .
side 101 1 stream barrier
side 0 4 20 impassable 9
record 0 0 7 8
)");
    MapFileBuilder made(3, 2);
    made.setName("Ford of Tiren").setHexOffset(1000).setLandscapeStyle(2).setHeight(0, 0).setHeight(200, 2);
    for (std::uint16_t code : {0, 1, 2, 3, 4, 5, 10, 12, 13})
        made.addTerrain(0, code);
    made.addTerrain(100, 1).addTerrain(100, 3).addTerrain(200, 4).addTerrain(200, 12).addRecordValue(0, 0, 7);
    made.addSide(101, 1, 6).addSide(101, 1, 11).addSide(0, 4, 20).addSide(0, 4, 20).addSide(0, 4, 9);
    EXPECT_EQ(parsed.bytes(), made.addRecordValue(0, 0, 8).bytes());
    for (const char* text : {"terrain\n. .\n. .\n. .\n", "heights\n1 1\n1 1\n1 1\n", "size 2 3\n"})
        EXPECT_EQ(MapFileBuilder::fromText(text).bytes(), MapFileBuilder(2, 3).bytes()) << text;
}

TEST(MapFileBuilder, MalformedDescriptionsAreRefusedWithTheLineNumber) {
    auto refusal = [](const char* description) {
        try {
            return "accepted: " + text(MapFileBuilder::fromText(description).width());
        } catch (const std::invalid_argument& e) {
            return std::string(e.what()) + ";";
        }
    };
    EXPECT_EQ(
        answers({"", "size 1 1\nterrain\n-\n", "size 2 2\nside 1 3 6\n"}, refusal),
        "map description line 1: the map has no size, heights or terrain; map description line 3: unknown "
        "terrain letter '-'; map description line 2: region direction 3 names no side;");
    EXPECT_THROW(MapFileBuilder(2, 2).addTerrain(2, 1), std::out_of_range);
}

std::string repeated(const std::string& word, int times, const char* separator = " ") {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += (i ? separator : "") + word;
    return out;
}

// Whatever the map reader would refuse, the text form is refused for, naming the line; each limit is
// pinned from both sides.
TEST(MapFileBuilder, DescriptionsOfMapsTheReaderWouldRefuseAreRefusedWithTheLineNumber) {
    const std::string hundredRows = "heights\n" + repeated("1", 100, "\n"), tallName(32768, 'n');
    const std::tuple<std::string, std::string> rows[] = {
        {"size 255 100\n", "accepted 255 100"},
        {"size 1 101\n", "line 1: height 101 is outside 1..100"},
        {hundredRows + "\n", "accepted 1 100"},
        {hundredRows + "\n1\n", "line 102: a map has at most 100 rows"},
        {"terrain\n" + repeated("c", 255) + "\n", "accepted 255 1"},
        {"terrain\n" + repeated("c", 256) + "\n",
         "line 2: a map is at most 255 hexes wide, this row has 256"},
        {"size 1 1\nterrain\n[" + repeated("4", 10, ",") + "]\n", "accepted 1 1"},
        {"size 1 1\nterrain\n[" + repeated("4", 11, ",") + "]\n",
         "line 3: the terrain of hex 0 already holds 10 values, the most it can"},
        {"size 1 1\nterrain\nwwwwwmmmmmo\n",
         "line 3: the terrain of hex 0 already holds 10 values, the most it can"},
        {"size 1 1\nrecord 1 1 " + repeated("6", 12) + "\n", "accepted 1 1"},
        {"size 1 1\nrecord 1 1 " + repeated("6", 6) + "\nrecord 1 1 " + repeated("6", 7) + "\n",
         "line 3: the lattice record at (1, 1) already holds 12 values, the most it can"},
        {"size 2 2\nside 1 2 " + repeated("stream", 6) + "\nside 100 6 " + repeated("barrier", 6) + "\n",
         "accepted 2 2"}, // one side of two hexes
        {"size 2 2\nside 1 2 " + repeated("stream", 6) + "\nside 100 6 " + repeated("barrier", 7) + "\n",
         "line 3: side 6 of hex 100 already holds 12 values, the most it can"},
        // The unused last hex of an odd column has its lower sides off the lattice; its upper ones are on it.
        {"size 2 2\nside 101 1 6\nside 101 2 6\nside 101 8 6\n", "accepted 2 2"},
        {"size 2 2\nside 101 4 6\n", "line 2: lattice point (5, 9) is outside the lattice"},
        {"size 2 2\nside 101 5 6\n", "line 2: lattice point (4, 10) is outside the lattice"},
        {"size 2 2\nside 101 6 6\n", "line 2: lattice point (3, 9) is outside the lattice"},
        {"name " + std::string(32767, 'n') + "\nsize 1 1\n", "accepted 1 1"},
        {"size 1 1\n# a name\nname " + tallName + "\n",
         "line 3: a map name is at most 32767 bytes, not 32768"}};
    for (const auto& [description, answer] : rows) {
        SCOPED_TRACE(description.substr(0, 60));
        try {
            const MapFileBuilder built = MapFileBuilder::fromText(description);
            EXPECT_EQ(values("accepted", built.width(), built.height()), answer);
            const LogicalMapFile file = readMapFile(built);
            EXPECT_EQ(values(file.error(), file.width()), values("", built.width()));
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(e.what(), "map description " + answer);
        }
    }
}

// The calls refuse as the text form does, and leave the builder as it was.
TEST(MapFileBuilder, CallsRefuseWhatTheFileCannotHold) {
    auto made = [](auto&& build) {
        try {
            return values("made", build().bytes().size());
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
    };
    EXPECT_EQ(made([] { return MapFileBuilder(1, 0); }), "a map is 1 to 100 hexes high, not 0");
    EXPECT_EQ(made([] { return MapFileBuilder(0, 1); }), "a map is 1 to 255 hexes wide, not 0");
    EXPECT_EQ(made([] { return MapFileBuilder(1, 101); }), "a map is 1 to 100 hexes high, not 101");
    // 2 + 6 header bytes and the name "Map", 100 heights, 4 x 401 empty records.
    EXPECT_EQ(made([] { return MapFileBuilder(1, 100); }), "made 3319");
    EXPECT_EQ(made([] { return MapFileBuilder(1, 1).setName(std::string(32767, 'n')); }), "made 32816");
    EXPECT_EQ(made([] { return MapFileBuilder(1, 1).setName(std::string(65537, 'n')); }),
              "a map name is at most 32767 bytes, not 65537");
    MapFileBuilder full(1, 1);
    for (int i = 0; i < 10; ++i)
        full.addTerrain(0, 4);
    for (int i = 0; i < 12; ++i)
        full.addRecordValue(0, 0, 6).addSide(0, 1, 20);
    const auto before = full.bytes();
    EXPECT_EQ(made([&] { return full.addTerrain(0, 1); }),
              "the terrain of hex 0 already holds 10 values, the most it can");
    EXPECT_EQ(made([&] { return full.addRecordValue(0, 0, 1); }),
              "the lattice record at (0, 0) already holds 12 values, the most it can");
    EXPECT_EQ(made([&] { return full.addSide(0, 1, 1); }),
              "side 1 of hex 0 already holds 12 values, the most it can");
    EXPECT_EQ(full.bytes(), before);
}

TEST(LogicalMapFile, RefusesWhatIsNoMapNamingTheFile) {
    const Bytes good = MapFileBuilder(2, 2).setName("x").bytes();
    LogicalMapFile file;
    // Why a file is refused, after the file's name; and that a refusal leaves no map.
    auto refusal = [&](const Bytes& bytes) {
        static const std::uint8_t none = 0;
        file.read(good.data(), good.size(), "good.map");
        const bool read = file.read(bytes.empty() ? &none : bytes.data(), bytes.size(), "field.map");
        if (read) return std::string("read;");
        EXPECT_EQ(file.error().rfind("Map file \"field.map\" ", 0), 0u);
        return file.error().substr(21) + values(",", file.width(), file.height()) + ";";
    };
    auto cut = [&good](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
    Bytes longer = good, negative = good, flat = good,
          split = MapFileBuilder(1, 1).addRecordValue(3, 4, 6).bytes();
    longer.insert(longer.end(), 3, 0);
    negative[1] = 0x80;
    flat[3] = 0; // width
    split.resize(split.size() - 2);
    // A 1 x 1 map: no name, width, height, offset 1000, style 0, height level 1, then its 20 records.
    const Bytes oneHex{0x00, 0x00, 0x01, 0x01, 0xE8, 0x03, 0x00, 0x00, 0x01};
    Bytes twelve = oneHex, thirteen = oneHex;
    for (Bytes* b : {&twelve, &thirteen})
        b->insert(b->end(), 10, 0x00); // records 0 to 4, empty; record 5 is (1, 1)
    twelve.insert(twelve.end(), {0x0C, 0x00});
    thirteen.insert(thirteen.end(), {0x0D, 0x00});
    for (int v = 0; v < 13; ++v)
        twelve.insert(twelve.end(), {0x06, 0x00}), thirteen.insert(thirteen.end(), {0x06, 0x00});
    twelve.resize(twelve.size() - 2);
    twelve.insert(twelve.end(), 28, 0x00);                            // records 6 to 19
    const Bytes tall{0x00, 0x00, 0x01, 0x65, 0xE8, 0x03, 0x00, 0x00}; // 101 rows
    EXPECT_EQ(
        values(refusal(Bytes()), refusal(cut(8)), refusal(cut(11)), refusal(cut(13)),
               refusal(cut(good.size() - 1)), refusal(longer), refusal(negative), refusal(flat),
               refusal(tall), refusal(thirteen), refusal(split), refusal(MapFileBuilder(255, 100).bytes()),
               refusal(twelve)),
        "is too short to hold a map header, 0 0; is too short to hold a map header, 0 0; "
        "ends inside the height levels of its hexes, 0 0; ends before the lattice record at (0, 0), 0 0; "
        "ends before the lattice record at (5, 8), 0 0; has 3 bytes after the end of the map, 0 0; "
        "has a negative name length (-32767), 0 0; has no hexes (width 0, height 2), 0 0; "
        "has 101 rows; a map has at most 100, 0 0; "
        "has 13 values in the lattice record at (1, 1); a record holds at most 12, 0 0; "
        "ends inside the lattice record at (3, 4), 0 0; read; read;");
    ASSERT_EQ(refusal(twelve), "read;");
    // Outside the 1 x 1 map's lattice of 4 x 5 points.
    auto count = [&](int x, int y) { return file.recordCount(x, y); };
    EXPECT_EQ(pairAnswers({-1, 0, 4, 0, 0, 5, 0, -1}, count), "0 0 0 0");

    TempDir dir("vael-map-file");
    const std::string path = (dir / "written.map").string();
    std::string error;
    ASSERT_TRUE(MapFileBuilder(1, 1).addTerrain(0, 5).writeFile(path, &error)) << error;
    ASSERT_TRUE(file.readFile(path)) << file.error();
    EXPECT_EQ(values(file.recordCount(2, 2), *file.recordValues(2, 2)), "1 5");
}

// Files written by hand, byte by byte, rather than by the builder, which shares the loader's convention.
TEST(LogicalMapFile, ReadsHandWrittenFilesFieldByField) {
    // A 2 x 2 map named "x" at offset 2000 in style -2: 9 header bytes, 4 height levels in row order, then
    // 6 x 9 records: (0, 0) holds 7; hex 101's centre (4, 8), record 8 * 6 + 4 = 52, holds 4 and 0x0102.
    Bytes bytes{0x01, 0x00, 'x',  0x02, 0x02, 0xD0, 0x07, 0xFE, 0xFF,
                0x00, 0x01, 0x02, 0x03, 0x01, 0x00, 0x07, 0x00};
    bytes.insert(bytes.end(), 51 * 2, 0x00);
    bytes.insert(bytes.end(), {0x02, 0x00, 0x04, 0x00, 0x02, 0x01, 0x00, 0x00});
    LogicalMapFile file;
    ASSERT_TRUE(file.read(bytes.data(), bytes.size(), "hand.map")) << file.error();
    EXPECT_EQ(values(file.name(), file.width(), file.height(), file.hexOffset(), file.landscapeStyle(),
                     answers({0, 1, 2, 3}, [&](int i) { return file.heightLevel(i); })),
              "x 2 2 2000 -2 0 1 2 3");
    EXPECT_EQ(values(file.recordCount(0, 0), *file.recordValues(0, 0), file.recordCount(4, 8),
                     file.recordValues(4, 8)[0], file.recordValues(4, 8)[1], file.recordCount(5, 8),
                     file.recordValues(5, 8) == nullptr),
              "1 7 2 4 258 0 1");
    // The last record of a 1 x 1 map, (3, 4), counts 3 values: 5 bytes are short of them, 6 are exactly
    // them, 7 are one too many.
    const std::tuple<int, std::string> rows[] = {
        {5, "Map file \"short.map\" ends inside the lattice record at (3, 4)"},
        {6, ""},
        {7, "Map file \"short.map\" has 1 bytes after the end of the map"}};
    for (const auto& [left, error] : rows) {
        SCOPED_TRACE(left);
        Bytes oneHex{0x00, 0x00, 0x01, 0x01, 0xE8, 0x03, 0x00, 0x00, 0x01};
        oneHex.insert(oneHex.end(), 19 * 2, 0x00);
        oneHex.insert(oneHex.end(), {0x03, 0x00});
        oneHex.insert(oneHex.end(), static_cast<std::size_t>(left), 0x09);
        EXPECT_EQ(file.read(oneHex.data(), oneHex.size(), "short.map"), error.empty());
        EXPECT_EQ(values(file.error(), file.recordCount(3, 4)), values(error, error.empty() ? 3 : 0));
    }
}

TEST(MapLoading, RegionsInRowOrderWithTheirPositionTerrainAndTheHeaderWords) {
    auto small = makeLandscape(MapFileBuilder(2, 2).setName("x"));
    EXPECT_EQ(answers({0, 1, 2, 3}, [&](int i) { return small->regionAtIndex(i)->id; }), "0 100 1 101");
    EXPECT_EQ(values(small->isValidHex(101), small->getName()), "0 Vael Logical Landscape");
    MapFileBuilder b(3, 3);
    b.setHexOffset(2000).setLandscapeStyle(-2).setHeight(201, 5).setHeight(0, 0).setHeight(100, 0);
    b.addTerrain(100, 2).addTerrain(1, 1).addTerrain(1, 3).addTerrain(1, 10);
    for (std::uint16_t code = 0; code < 12; ++code) // more than the builder gives a hex, as the file allows
        b.addRecordValue(MapFileBuilder::latticeX(2), MapFileBuilder::latticeY(2),
                         static_cast<std::uint16_t>(20 + code))
            .addRecordValue(MapFileBuilder::latticeX(200), MapFileBuilder::latticeY(200),
                            static_cast<std::uint16_t>(40 + code));
    auto map = makeLandscape(b);
    const LogicalRegion* r =
        map->regionAt(201); // position without the lattice's + 2; the style sign-extended
    EXPECT_EQ(values(map->loadError(), map->getHexOffset(), map->getLandscapeStyle(), r->position.x,
                     r->position.y, r->position.z, map->regionAt(102)->position.y, r->neighbourCount),
              " 2000 4294967294 4 4 5 10 10");
    auto terrain = [&](int hex) {
        const LogicalRegion* r = map->regionAt(static_cast<std::int16_t>(hex));
        return values(r->terrainCount, ":", answers(r->terrain, [](std::uint16_t c) { return c; }));
    };
    // Level 0 presets the river, which survives an empty centre record although the count is 0; twelve
    // codes keep the first ten.
    const std::string none = " 65535 65535 65535 65535 65535 65535 65535";
    EXPECT_EQ(values(terrain(0), terrain(100), terrain(101)),
              "0 : 4 65535 65535" + none + " 1 : 2 65535 65535" + none + " 0 : 65535 65535 65535" + none);
    EXPECT_EQ(values(terrain(1), terrain(2), terrain(200)),
              "3 : 1 3 10" + none + " 10 : 20 21 22 23 24 25 26 27 28 29 10 : 40 41 42 43 44 45 46 47 48 49");
}

TEST(MapLoading, SideValuesFlagBothHexesOfTheSideAndOnlyTwentySixAndEleven) {
    MapFileBuilder b(6, 6);
    b.addSide(202, 1, 6).addSide(202, 1, 11); // the point between 202 and 201
    b.addSide(404, 2, 20).addSide(404, 4, 7).addSide(404, 4, 14).addSide(404, 4, 8).addSide(404, 6, 9);
    // 105 is off the map: the record at its north side only flags the south side of 104.
    b.addRecordValue(MapFileBuilder::latticeX(105), MapFileBuilder::latticeY(105) - 2, 20);
    auto map = makeLandscape(b);
    // Side 1 of 202 and side 5 of 201: flags 1 and 2; side 2 of 404 and side 6 of 503: flag 0.
    EXPECT_EQ(
        answers({202, 201, 404, 503, 504, 304, 105, 104}, [&](int h) { return map->regionAt(h)->edgeFlags; }),
        values((1u << 1) | (1u << 2), (1u << 16) | (1u << 17), 1u << 5, 1u << 20, 0, 0, 0, 1u << 15));
}

TEST(MapLoading, AMapThatCannotBeReadIsEmptySaysWhyAndAnswersSafely) {
    auto map = makeLandscape(3, 3);
    ASSERT_TRUE(map->loadMap(readMapFile(MapFileBuilder(5, 2).setHexOffset(500))));
    EXPECT_EQ(values(map->regionCount(), map->getHexOffset(), map->isValidHex(400)), "10 500 1");
    EXPECT_FALSE(map->loadMap("/nonexistent/dir/field.map"));
    List<short> fill;
    map->hexesWithinCost(fill, 0, 3, VaelLogicalLandscape::unitStepCost);
    EXPECT_EQ(values(map->loadError(), map->regionCount(), map->getSize().x, map->getSize().y,
                     map->getHexOffset(), map->idOf(3), map->isValidHex(0), !map->regionAt(0),
                     map->neighbourId(0, 1), fill, map->unitsInHex(0).count(), map->hexLine(0, 1)),
              "Map file \"/nonexistent/dir/field.map\" cannot be opened 0 0 0 1000 -1 0 1 65535 [] 0 []");
    EXPECT_EQ(VaelLogicalLandscape("/nonexistent/x.map").loadError(),
              "Map file \"/nonexistent/x.map\" cannot be opened");
    EXPECT_EQ(VaelLogicalLandscape(LogicalMapFile()).loadError(), "The map file holds no map");
}

} // namespace
} // namespace vael
