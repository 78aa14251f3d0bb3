// The walking-animation archive: one record read from hand-written bytes and written back to them, the
// group and item look-ups with their misses, the compact index form, and damaged files refused whole.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <vector>

#include "game/figures/walking_animation_data.h"
#include "game/figures/walking_animation_writer.h"
#include "support/display/image_bytes.h"

namespace vael::test {
namespace {

constexpr std::size_t Record = 5920, Facing = 724, Step = 72, Variant = 24;

// Where a field of a record lies: facing f (1-8), step d (1-10), variant v (0-2), then the field's offset
// within the 24 bytes (0 waypoint 0 x, 2 its y, 4 and 6 waypoint 1, 8 and 10 waypoint 2, 12, 16, 20 the
// durations).
std::size_t fieldAt(int f, int d, int v, int field) {
    return 128 + static_cast<std::size_t>(f - 1) * Facing + static_cast<std::size_t>(d - 1) * Step +
           static_cast<std::size_t>(v) * Variant + static_cast<std::size_t>(field);
}
std::size_t homeAt(int f) {
    return 128 + static_cast<std::size_t>(f - 1) * Facing + 10 * Step;
}
void poke16(Bytes& b, std::size_t at, int v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
void poke32(Bytes& b, std::size_t at, std::uint32_t v) {
    poke16(b, at, static_cast<int>(v & 0xFFFF));
    poke16(b, at + 2, static_cast<int>(v >> 16));
}

// The record "0": waypoints (5, -6) in 100 ms and (7, 8) in 200 ms stepping NE (2) in facing 1, level
// variant; the downhill variant of step 10 in facing 8 lasting 0x01020304 ms to its third point; homes
// (1, 2) in facing 3 and (-13, 35) in facing 8; the rest zero.
Bytes oneRecord(const std::string& name = "0") {
    Bytes r;
    putText(r, name, 128);
    r.resize(Record, 0);
    poke16(r, fieldAt(1, 2, 0, 0), 5), poke16(r, fieldAt(1, 2, 0, 2), -6);
    poke16(r, fieldAt(1, 2, 0, 4), 7), poke16(r, fieldAt(1, 2, 0, 6), 8);
    poke32(r, fieldAt(1, 2, 0, 12), 100), poke32(r, fieldAt(1, 2, 0, 16), 200);
    poke16(r, fieldAt(8, 10, 2, 8), -300), poke32(r, fieldAt(8, 10, 2, 20), 0x01020304);
    poke16(r, homeAt(3), 1), poke16(r, homeAt(3) + 2, 2);
    poke16(r, homeAt(8), -13), poke16(r, homeAt(8) + 2, 35);
    return r;
}

// Groups of (name, records) laid out as the archive: each group's next offset is where the next begins,
// the last one's the end of the file.
Bytes archive(const std::vector<std::pair<std::string, int>>& groups) {
    Bytes b;
    putText(b, "Walking Animation Data", 128);
    int total = 0;
    for (const auto& g : groups)
        total += g.second;
    put16(b, static_cast<int>(groups.size())), put16(b, total);
    std::uint32_t previous = 0;
    for (const auto& [name, count] : groups) {
        const auto start = static_cast<std::uint32_t>(b.size());
        putText(b, name, 128);
        put16(b, count), put32(b, previous),
            put32(b, start + 138 + static_cast<std::uint32_t>(count) * Record);
        for (int i = 0; i < count; ++i)
            append(b, oneRecord(std::to_string(i)));
        previous = start;
    }
    return b;
}

bool readInto(WalkingAnimationData& data, const Bytes& b) {
    std::istringstream in(std::string(b.begin(), b.end()));
    data.readFile("walkanim.oif", in);
    return data.loaded();
}

TEST(WalkingAnimation, ARecordIsReadFromItsBytesWithZeroHeightsAndWrittenBackToThem) {
    const Bytes bytes = archive({{"Foot", 1}});
    ASSERT_EQ(bytes.size(), 132u + 138 + Record);
    WalkingAnimationData data;
    ASSERT_TRUE(readInto(data, bytes));
    const FacingOffsets* r = data.item(0, 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->name(), "0");
    const HexOffsets& ne = r->facings[1].entries[2].variants[0];
    EXPECT_EQ((std::tuple{ne.waypoints[0], ne.waypoints[1], ne.waypoints[2]}),
              std::tuple(Point3D(5, -6, 0), Point3D(7, 8, 0), Point3D()));
    EXPECT_EQ((std::tuple{ne.durations[0], ne.durations[1], ne.durations[2]}), std::tuple(100u, 200u, 0u));
    const HexOffsets& down = r->facings[8].entries[10].variants[2];
    EXPECT_EQ((std::tuple{down.waypoints[2], down.durations[2]}),
              std::tuple(Point3D(-300, 0, 0), 0x01020304u));
    EXPECT_EQ((std::tuple{r->facings[3].home, r->facings[8].home, r->facings[1].home}),
              std::tuple(Point3D(1, 2, 0), Point3D(-13, 35, 0), Point3D()));
    // Entry 0 at both levels is never read and stays zero.
    EXPECT_EQ(r->facings[0].home, Point3D());
    EXPECT_EQ(r->facings[1].entries[0].variants[0], HexOffsets());
    std::ostringstream out;
    out.write("0", 1);
    out.write(std::string(127, '\0').data(), 127);
    r->write(out);
    const Bytes expected = oneRecord();
    EXPECT_EQ(out.str(), std::string(expected.begin(), expected.end()));
}

TEST(WalkingAnimation, TheWriterLaysOutGroupsWithTheirNeighboursOffsetsAndRecordsNamedByIndex) {
    FacingOffsets record;
    std::istringstream in([] {
        const Bytes b = oneRecord();
        return std::string(b.begin(), b.end());
    }());
    record = FacingOffsets(in);
    std::ostringstream out;
    writeWalkingAnimationData(out, {{"Foot", {record, record}}, {"Leader", {record}}});
    const Bytes expected = archive({{"Foot", 2}, {"Leader", 1}});
    EXPECT_EQ(out.str(), std::string(expected.begin(), expected.end()));
}

class WalkingLookUp : public ::testing::Test {
protected:
    WalkingLookUp() { readInto(data, archive({{"Foot", 3}, {"Leader", 2}, {"Phalanx", 1}})); }
    WalkingAnimationData data;
};

TEST_F(WalkingLookUp, GroupsAreSelectedByTheirExactNameAndAMissSelectsNone) {
    EXPECT_EQ((std::tuple{data.groupCount(), data.recordCount()}), std::tuple(3, 6));
    const std::vector<std::pair<std::string, std::int16_t>> rows = {
        {"Foot", 0}, {"Leader", 1}, {"Phalanx", 2}, {"foot", -1}, {"Foot ", -1}, {"", -1}, {"Elephant", -1}};
    for (const auto& [name, index] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(data.selectGroup(name), index);
        EXPECT_EQ(data.currentGroup(), index);
    }
    // No group selected: every look-up answers null and reads nothing.
    EXPECT_EQ((std::tuple{data.item(), data.item(0), data.itemCount(), data.currentGroupName()}),
              std::tuple(nullptr, nullptr, 0, std::string()));
}

TEST_F(WalkingLookUp, ItemsAreFoundByGroupAndIndexAndEveryIndexOutsideTheGroupAnswersNull) {
    struct Row {
        std::int16_t index, group;
        std::string name; // of the record found, empty for none
    };
    const std::vector<Row> rows = {{0, 0, "0"}, {2, 0, "2"}, {3, 0, ""},  {-2, 0, ""},
                                   {0, 1, "0"}, {1, 1, "1"}, {2, 1, ""},  {0, 2, "0"},
                                   {1, 2, ""},  {0, 3, ""},  {0, -2, ""}, {32767, 0, ""}};
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "item " << r.index << " of group " << r.group);
        FacingOffsets* found = data.item(r.index, r.group);
        EXPECT_EQ(found ? found->name() : std::string(), r.name);
    }
    // The second record of "Leader" is the fifth of the file.
    data.selectGroup("Leader");
    data.setCurrentItem(1);
    EXPECT_EQ(data.item(), data.item(1, 1));
    EXPECT_NE(data.item(), data.item(1, 0));
    data.setCurrentItem(5);
    EXPECT_EQ(data.item(), nullptr);
}

TEST_F(WalkingLookUp, TheNextItemWrapsToTheFirstAfterTheLast) {
    data.selectGroup("Foot");
    data.setCurrentItem(2);
    data.nextItem();
    EXPECT_EQ(data.currentItemIndex(), 0);
    data.nextItem(1);
    data.nextItem(1);
    data.selectGroup("Leader");
    EXPECT_EQ(data.currentItemIndex(), 0);
    data.nextItem(7); // no such group: nothing changes
    EXPECT_EQ(data.currentItemIndex(), 0);
}

TEST_F(WalkingLookUp, ItemsAreFoundByNameInTheNamedGroupOrTheCurrentOne) {
    data.selectGroup("Foot");
    EXPECT_EQ(data.itemByNames("Leader", "1"), data.item(1, 1));
    EXPECT_EQ(data.itemByNames("Nowhere", "2"), data.item(2, 0));
    EXPECT_EQ(data.itemByName("3"), nullptr);
    data.setCurrentItemByName("2");
    EXPECT_EQ((std::tuple{data.currentItemIndex(), data.itemIndexInCurrentGroup("9")}), std::tuple(2, -1));
}

TEST(WalkingAnimation, TheCompactFormGivesZeroRecordsInItsGroups) {
    Bytes b;
    put16(b, 2), put16(b, 3);
    putText(b, "Foot", 24), put16(b, 1);
    putText(b, "Leader", 24), put16(b, 2);
    b.push_back(0xEE); // the next entry
    WalkingAnimationData data;
    const std::uint8_t* cursor = b.data();
    data.readMemory("index", cursor, b.data() + b.size());
    EXPECT_EQ(cursor, b.data() + b.size() - 1);
    EXPECT_EQ((std::tuple{data.loaded(), data.groupCount(), data.itemCount(1)}), std::tuple(1, 2, 2));
    ASSERT_NE(data.item(1, 1), nullptr);
    EXPECT_EQ(*data.item(1, 1), FacingOffsets());
}

// The compact index form gives a total and each group's count: the groups have to add up to the total
// exactly, neither short of it nor past it.
TEST(WalkingAnimation, ACompactEntryWhoseTotalDisagreesWithItsGroupsIsRefused) {
    const struct {
        int total;
        bool taken;
    } rows[] = {{2, false}, {3, true}, {4, false}, {0, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.total);
        Bytes b;
        put16(b, 2), put16(b, row.total);
        putText(b, "Foot", 24), put16(b, 1);
        putText(b, "Leader", 24), put16(b, 2);
        WalkingAnimationData data;
        const std::uint8_t* cursor = b.data();
        data.readMemory("index", cursor, b.data() + b.size());
        EXPECT_EQ((std::tuple{data.loaded(), data.groupCount(), data.recordCount()}),
                  row.taken ? std::tuple(1, 2, 3) : std::tuple(0, 0, 0));
    }
}

// Two records are the same only when every step and every facing's home point is: a home point that
// differs in any of its coordinates, in any facing, makes them differ.
TEST(WalkingAnimation, OffsetRecordsAreEqualOnlyWhenTheirHomePointsAreEqualToo) {
    const Bytes record = oneRecord();
    auto read = [](const Bytes& r) {
        std::istringstream in(std::string(r.begin(), r.end()));
        return FacingOffsets(in);
    };
    const FacingOffsets base = read(record);
    ASSERT_TRUE(base.isValid());
    EXPECT_EQ(read(record), base);
    const struct {
        const char* what;
        std::size_t at;
        int value;
    } rows[] = {
        {"facing 3's home x", homeAt(3), 2},      {"facing 3's home y", homeAt(3) + 2, 3},
        {"facing 8's home x", homeAt(8), -12},    {"facing 1's home x", homeAt(1), 1},
        {"facing 1's home y", homeAt(1) + 2, -1}, {"a step's waypoint", fieldAt(1, 2, 0, 0), 6},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes changed = record;
        poke16(changed, row.at, row.value);
        const FacingOffsets other = read(changed);
        EXPECT_FALSE(other == base);
        EXPECT_TRUE(other != base);
    }
    // A home point's z is not in the file: a copy with another z is another record.
    FacingOffsets moved = base;
    EXPECT_TRUE(moved == base);
    moved.facings[5].home.z = 1;
    EXPECT_FALSE(moved == base);
}

TEST(WalkingAnimation, AFileWhoseCountsOffsetsOrRecordsDisagreeWithItIsRefusedWhole) {
    const Bytes good = archive({{"Foot", 2}, {"Leader", 1}});
    const std::size_t leader = 132 + 138 + 2 * Record; // where the second group begins
    struct Row {
        const char* name;
        Bytes bytes;
    };
    auto with = [&good](std::size_t at, int v16) {
        Bytes b = good;
        poke16(b, at, v16);
        return b;
    };
    auto with32 = [&good](std::size_t at, std::uint32_t v) {
        Bytes b = good;
        poke32(b, at, v);
        return b;
    };
    const std::vector<Row> rows = {
        {"empty", Bytes()},
        {"header cut", Bytes(good.begin(), good.begin() + 131)},
        {"negative group count", with(128, -1)},
        {"more groups than the file holds", with(128, 3)},
        {"record count too high", with(130, 4)},
        {"record count too low", with(130, 2)},
        {"group holds more than the archive", with(132 + 128, 4)},
        {"negative group size", with(132 + 128, -1)},
        {"next offset inside the records", with32(132 + 134, static_cast<std::uint32_t>(leader - 1))},
        {"next offset past the end", with32(132 + 134, static_cast<std::uint32_t>(good.size() + 1))},
        {"last record cut", Bytes(good.begin(), good.end() - 1)},
        {"records of a group run past the end", with(leader + 128, 2)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        WalkingAnimationData data;
        EXPECT_FALSE(readInto(data, r.bytes));
        EXPECT_EQ((std::tuple{data.groupCount(), data.recordCount(), data.item(0, 0)}),
                  std::tuple(0, 0, nullptr));
    }
    WalkingAnimationData data;
    EXPECT_TRUE(readInto(data, good));
    // No group follows the last one: its next offset is never sought, so any value there is taken, and
    // bytes after its records are left unread.
    const std::vector<Row> accepted = {
        {"last next offset short of the end",
         with32(leader + 134, static_cast<std::uint32_t>(good.size() - 1))},
        {"last next offset past the end", with32(leader + 134, static_cast<std::uint32_t>(good.size() + 1))},
        {"last next offset zero", with32(leader + 134, 0)},
        {"last next offset all ones", with32(leader + 134, 0xFFFFFFFFu)},
        {"bytes after the last group",
         [&good] {
             Bytes b = good;
             b.insert(b.end(), {1, 2, 3});
             return b;
         }()},
    };
    for (const Row& r : accepted) {
        SCOPED_TRACE(r.name);
        WalkingAnimationData taken;
        ASSERT_TRUE(readInto(taken, r.bytes));
        EXPECT_EQ((std::tuple{taken.groupCount(), taken.recordCount()}), std::tuple(2, 3));
        ASSERT_NE(taken.item(0, 1), nullptr);
        EXPECT_EQ(taken.item(0, 1)->facings[8].home, Point3D(-13, 35, 0));
    }
    // Bytes after a group's records that the next offset passes over are skipped.
    Bytes padded = good;
    padded.insert(padded.begin() + static_cast<std::ptrdiff_t>(leader), 5, 0xAB);
    poke32(padded, 132 + 134, static_cast<std::uint32_t>(leader + 5));
    poke32(padded, leader + 5 + 130, 132);
    poke32(padded, leader + 5 + 134, static_cast<std::uint32_t>(padded.size()));
    WalkingAnimationData skipping;
    ASSERT_TRUE(readInto(skipping, padded));
    EXPECT_EQ(skipping.item(0, 1)->facings[8].home, Point3D(-13, 35, 0));
}

} // namespace
} // namespace vael::test
