// The forged walking-animation archive: its nine groups and 63 records written and read back, every walk
// ending on the figure's home point from the formation tables, leg times worked out by hand, and the
// archive listed in the map file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "game/figures/walking_animation_data.h"
#include "tools/forge/forge.h"
#include "tools/forge/walking_data.h"

namespace vael::test {
namespace {

class ForgedWalking : public ::testing::Test {
protected:
    ForgedWalking() {
        bytes = forge::walkingAnimationBytes();
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        data.readFile("walkanim.oif", in);
    }
    forge::Bytes bytes;
    WalkingAnimationData data;
};

std::uint32_t u32At(const forge::Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
}

TEST_F(ForgedWalking, NineGroupsOf63RecordsAreWrittenAndEveryRecordIsFoundByGroupAndItem) {
    ASSERT_EQ(bytes.size(), 132u + 9 * 138 + 63 * 5920);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 23), std::string("Walking Animation Data\0", 23));
    ASSERT_EQ((std::tuple{data.loaded(), data.groupCount(), data.recordCount()}), std::tuple(1, 9, 63));
    const std::vector<std::pair<std::string, int>> groups = {
        {"Foot", 9},     {"Mounted", 7}, {"Companion", 7}, {"Thessalian", 7}, {"Leader", 2},
        {"Elephant", 4}, {"Chariot", 4}, {"Phalanx", 21},  {"Oxybeles", 2}};
    std::size_t start = 132;
    std::uint32_t previous = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const auto& [name, count] = groups[g];
        SCOPED_TRACE(name);
        EXPECT_EQ(data.selectGroup(name), static_cast<std::int16_t>(g));
        EXPECT_EQ(data.itemCount(), count);
        for (int i = 0; i < count; ++i) {
            data.setCurrentItem(static_cast<std::int16_t>(i));
            FacingOffsets* record = data.item();
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->name(), std::to_string(i));
        }
        data.setCurrentItem(static_cast<std::int16_t>(count));
        EXPECT_EQ(data.item(), nullptr);
        // The group record: its predecessor's start, and where the next group begins.
        EXPECT_EQ(u32At(bytes, start + 130), previous);
        const std::size_t next = start + 138 + static_cast<std::size_t>(count) * 5920;
        EXPECT_EQ(u32At(bytes, start + 134), next);
        previous = static_cast<std::uint32_t>(start);
        start = next;
    }
    EXPECT_EQ(start, bytes.size());
}

TEST_F(ForgedWalking, WrittenRecordsReadBackToTheRecordsTheGeneratorMade) {
    const auto sections = forge::walkingSections();
    for (std::size_t g = 0; g < sections.size(); ++g)
        for (std::size_t i = 0; i < sections[g].records.size(); ++i) {
            SCOPED_TRACE(sections[g].name + " " + std::to_string(i));
            ASSERT_EQ(*data.item(static_cast<std::int16_t>(i), static_cast<std::int16_t>(g)),
                      sections[g].records[i]);
        }
    EXPECT_EQ(forge::walkingAnimationBytes(), bytes); // the same bytes every time
}

TEST_F(ForgedWalking, EveryFiguresHomeIsItsPlaceInTheFormationAndEveryWalkEndsThere) {
    struct Row {
        const char* group;
        int slot, facing;
        Point3D home;
    };
    const std::vector<Row> rows = {
        {"Foot", 0, 1, {-32, -5, 0}},    {"Foot", 7, 8, {44, 5, 0}},      {"Foot", 3, 3, {0, 0, 0}},
        {"Foot", 8, 5, {0, 11, 0}},      {"Mounted", 5, 2, {0, 24, 0}},   {"Thessalian", 2, 6, {-37, 7, 0}},
        {"Leader", 0, 4, {0, 11, 0}},    {"Elephant", 2, 5, {-1, 23, 0}}, {"Chariot", 1, 8, {-27, 16, 0}},
        {"Phalanx", 7, 1, {-12, -2, 0}}, {"Phalanx", 19, 1, {39, 19, 0}}, {"Phalanx", 15, 5, {49, -4, 0}},
        {"Phalanx", 16, 5, {27, -4, 0}}, {"Phalanx", 0, 3, {10, -11, 0}}, {"Phalanx", 10, 7, {10, 8, 0}},
        {"Phalanx", 20, 2, {0, 11, 0}},  {"Oxybeles", 0, 1, {0, 45, 0}},  {"Oxybeles", 0, 4, {0, 20, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.group << " slot " << r.slot << " facing " << r.facing);
        const FacingOffsets* record = data.item(static_cast<std::int16_t>(r.slot), data.groupIndex(r.group));
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->facings[r.facing].home, r.home);
    }
    for (std::int16_t g = 0; g < data.groupCount(); ++g)
        for (std::int16_t i = 0; i < data.itemCount(g); ++i)
            for (int f = 1; f <= 8; ++f) {
                const DirectionOffsets& d = data.item(i, g)->facings[f];
                for (int step : {2, 3, 4, 6, 7, 8, 9, 10})
                    for (int v = 0; v < 3; ++v) {
                        const HexOffsets& path = d.entries[step].variants[v];
                        const Point3D& last = path.waypoints[2].isZero() && path.durations[2] == 0
                                                  ? path.waypoints[1]
                                                  : path.waypoints[2];
                        if (last != d.home) {
                            ADD_FAILURE() << "group " << g << " item " << i << " facing " << f << " step "
                                          << step << " variant " << v << " ends away from home";
                            return;
                        }
                    }
            }
}

TEST_F(ForgedWalking, LegsTakeTheirDistanceAtTheSpeedOfTheirDirection) {
    const DirectionOffsets& d = data.item(0, data.groupIndex("Foot"))->facings[1]; // home (-32, -5)
    const HexOffsets& east = d.entries[3].variants[0];
    // Out to (65, -5): 97 pixels at 130 a second, 746 ms; in from (-65, -5): 33 pixels, 253 ms.
    EXPECT_EQ((std::tuple{east.waypoints[0], east.durations[0], east.waypoints[1], east.durations[1],
                          east.durations[2]}),
              std::tuple(Point3D(65, -5, 0), 746u, Point3D(-32, -5, 0), 253u, 0u));
    // North-east: out to (33 - 24 - 5, -25 - 6 - 1.25) = (4, -32), 45 pixels at 83 a second: 542 ms.
    const HexOffsets& ne = d.entries[2].variants[0];
    EXPECT_EQ((std::tuple{ne.waypoints[0], ne.durations[0]}), std::tuple(Point3D(4, -32, 0), 542u));
    // Across the border into the next hex's edge in 250 ms: (130, -12) + (-65, -5).
    const HexOffsets& across = d.entries[3].variants[1];
    EXPECT_EQ((std::tuple{across.waypoints[1], across.durations[1]}), std::tuple(Point3D(65, -17, 0), 250u));
    // The mounted kind walks half as fast again: 33 pixels east at 195 a second.
    const DirectionOffsets& rider = data.item(0, data.groupIndex("Mounted"))->facings[3];
    EXPECT_EQ(rider.home, Point3D());
    EXPECT_EQ(rider.entries[3].variants[0].durations[0], 333u); // 65 pixels: 1000 * 65 / 195
}

TEST(ForgedWalkingFile, TheArchiveIsWrittenAndListedInTheMapFile) {
    // The data set the build forged.
    const std::filesystem::path dir = VAEL_BUILD_DATA_DIR;
    ASSERT_TRUE(std::filesystem::exists(dir / forge::MapFile));
    std::ifstream map(dir / forge::MapFile, std::ios::binary);
    const std::string m((std::istreambuf_iterator<char>(map)), std::istreambuf_iterator<char>());
    ASSERT_GE(m.size(), 2u);
    const int count = static_cast<unsigned char>(m[0]) | static_cast<unsigned char>(m[1]) << 8;
    ASSERT_EQ(m.size(), 2u + static_cast<std::size_t>(count) * 141);
    bool listed = false;
    for (int i = 0; i < count; ++i) {
        const std::string record = m.substr(2 + static_cast<std::size_t>(i) * 141, 141);
        if (record.substr(0, 13) == std::string("walkanim.oif\0", 13) &&
            record.substr(13, 23) == std::string("Walking Animation Data\0", 23))
            listed = true;
    }
    EXPECT_TRUE(listed);
    std::ifstream file(dir / "walkanim.oif", std::ios::binary);
    WalkingAnimationData data;
    data.readFile("walkanim.oif", file);
    EXPECT_EQ((std::tuple{data.loaded(), data.recordCount()}), std::tuple(1, 63));
}

} // namespace
} // namespace vael::test
