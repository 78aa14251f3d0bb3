#include <gtest/gtest.h>

#include "framework/core/super_string.h"
#include "game/rules/leaders/group.h"
#include <memory>

#include "game/rules/combat/heavy_infantry.h"

namespace vael {
namespace {

TEST(GroupRecord, ReadsNumberAndNameAndNothingMore) {
    struct Row {
        const char* label;
        std::initializer_list<std::uint8_t> input;
        bool read;
        std::uint16_t number;
        const char* name;
        std::int32_t consumed;
    };
    const Row rows[] = {
        {"named", {0x07, 0x01, 0x03, 0x00, 'V', 'a', 'n', 0xAA}, true, 0x0107, "Van", 7},
        {"empty name: four bytes", {0x02, 0x00, 0x00, 0x00, 0xAA}, true, 2, "", 4},
        {"name cut short", {0x02, 0x00, 0x03, 0x00, 'V', 'a'}, false, 0xFFFF, "", 6},
        {"length cut short", {0x02, 0x00, 0x03}, false, 0xFFFF, "", 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        SuperString s;
        s.write(row.input.begin(), static_cast<std::int32_t>(row.input.size()));
        Group group;
        EXPECT_EQ(group.read(s), row.read);
        EXPECT_EQ(s.failed(), !row.read);
        EXPECT_EQ(group.number, row.number);
        EXPECT_EQ(group.name, row.name);
        if (row.read) {
            EXPECT_EQ(s.readPosition(), row.consumed);
        }
    }
}

// A unit standing nowhere, known by its number.
std::unique_ptr<VaelUnit> soldier(std::uint16_t number) {
    CombatUnitData record;
    record.unitNumber = number;
    record.hex = 0xFFFF;
    record.facing = NorthEast;
    record.TQ = record.size = 1;
    return std::make_unique<Hoplite>(record, "Soldier");
}

// Adding twice keeps one; the leader belongs to the group though he is no member; copies share the units.
TEST(GroupMembers, MembersTheLeaderAndCopies) {
    std::unique_ptr<VaelUnit> units[3] = {soldier(10), soldier(11), soldier(12)};
    VaelUnit *a = units[0].get(), *b = units[1].get(), *chief = units[2].get();
    Group group{1, "Van"};
    group.addUnit(a);
    group.addUnit(a);
    group.addUnit(b);
    EXPECT_EQ(group.units.count(), 2);
    group.removeUnit(b);
    EXPECT_EQ(group.units.count(), 1);
    EXPECT_FALSE(group.contains(b));
    EXPECT_TRUE(group.contains(a));
    group.setLeader(chief);
    EXPECT_TRUE(group.contains(chief));
    EXPECT_FALSE(group.contains(nullptr));
    EXPECT_TRUE(group.containsUnitNumber(12));
    EXPECT_TRUE(group.containsUnitNumber(10));
    EXPECT_FALSE(group.containsUnitNumber(11));
    EXPECT_EQ(group.memberByNumber(10), a);
    EXPECT_EQ(group.memberByNumber(12), nullptr); // the leader is no member
    Group copy = group;
    copy.addUnit(b);
    EXPECT_EQ(copy.leader, chief);
    EXPECT_EQ(copy.memberByNumber(10), a);
    EXPECT_EQ(group.units.count(), 1);
    // Groups are equal by number alone.
    EXPECT_TRUE(Group(3, "A") == Group(3, "B"));
    EXPECT_FALSE(Group(3, "A") == Group(4, "A"));
}

} // namespace
} // namespace vael
