#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/flow/scenario_file.h"
#include "game/rules/combat/combat_unit_data.h"
#include "game/rules/leaders/leader_unit_data.h"
#include "support/failed_checks.h"
#include "support/rules/test_maps.h"

namespace vael {
namespace {

// A whole scenario: one group, the header, a leader and a phalanx. Offsets in the comments.
const std::vector<std::uint8_t> toy = {
    0x01, 0x00,                                     // 0: one group
    0x07, 0x00, 0x04, 0x00, 'W',  'i',  'n',  'g',  // 2: group 7 "Wing"
    0x00, 0x00,                                     // 10: skipped
    0x03, 'T',  'o',  'y',                          // 12: title
    0x05, 'm',  '.',  'm',  'a',  'p',              // 16: map file
    0x00,                                           // 22: the string nobody reads
    0x02, 0x07, 0x1E,                               // 23: home: Macedonian, rout 7, 30 points
    0x03, 0x03, 0x14,                               // 26: visitor: Indian, rout 3, 20 points
    0x01, 0x00, 0x02,                               // 29: Greek becomes Macedonian
    0x01, 0x01,                                     // 32: one script a side
    0x03, 'a',  '.',  'p',  0x03, 'b',  '.',  'p',  // 34: their names
    0x00, 0x03, 'K',  'a',  'r',  0x02,             // 42: a leader "Kar", Macedonian
    0x09, 0x00, 0x07, 0x00, 0xEB, 0x03, 0x03,       // 48: value 9, group 7, hex 1003, facing east
    0x02, 0x00, 0x04, 0x00, 0x05, 0x00, 0x03, 0x00, // 55: shock 2, range 4, initiative 5, duel 3
    0x13, 0x01, 'P',  0x02,                         // 63: a phalanx "P", Macedonian
    0x06, 0x00, 0x07, 0x00, 0xEC, 0x03, 0x03,       // 67: value 6, group 7, hex 1004, facing east
    0x08, 0x00, 0x07, 0x00, 0x01,                   // 74: size 8, TQ 7, two hexes
};

TEST(ScenarioFileRead, ReadsEverySectionOfHandWrittenBytes) {
    ScenarioFile file;
    ASSERT_TRUE(file.read(toy.data(), toy.size(), "toy.scn")) << file.error();
    ASSERT_EQ(file.groups.size(), 1u);
    ASSERT_EQ(file.units.size(), 2u);
    // the group; title and map; nation, rout direction and points of each side; the kinds of the records
    EXPECT_EQ(test::values(file.groups[0].number, file.groups[0].name, file.title, file.mapFileName,
                           file.home.nation, file.home.routDirection, file.home.tqPoints, file.visitor.nation,
                           file.visitor.routDirection, file.visitor.tqPoints, file.units[0].kind,
                           file.units[1].kind),
              "7 Wing Toy m.map 1 7 30 3 3 20 0 19");
    EXPECT_EQ(file.substitutions, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{4, 1}}));
    EXPECT_EQ(file.homeScripts, std::vector<std::string>{"a.p"});
    EXPECT_EQ(file.visitorScripts, std::vector<std::string>{"b.p"});
    const auto* leader = dynamic_cast<const LeaderUnitData*>(file.units[0].data.get());
    const auto* phalanx = dynamic_cast<const CombatUnitData*>(file.units[1].data.get());
    ASSERT_TRUE(leader && phalanx);
    // name, nation, value, group, hex, facing; shock precedence, command range, initiative, duel rating
    EXPECT_EQ(test::values(leader->name, leader->nation, leader->movementAllowance, leader->leaderId,
                           leader->hex, leader->facing, leader->shockPrecedence, leader->commandRange,
                           leader->initiative, leader->duelRating),
              "Kar 1 9 7 1003 3 2 4 5 3");
    EXPECT_EQ(test::values(phalanx->hex, phalanx->size, phalanx->TQ, phalanx->doubleSized), "1004 8 7 1");
}

// Only the end of the header and the end of a record are ends of a file; every other cut is refused.
TEST(ScenarioFileRead, EveryPrefixEndsAtARecordOrIsRefused) {
    test::FailedChecks quiet;
    for (std::size_t size = 0; size < toy.size(); ++size) {
        SCOPED_TRACE(size);
        ScenarioFile file;
        const bool read = file.read(toy.data(), size, "toy.scn");
        EXPECT_EQ(read, size == 42 || size == 63);
        if (read) {
            EXPECT_EQ(file.units.size(), size == 42 ? 0u : 1u);
        }
        if (!read) {
            EXPECT_NE(file.error().find("toy.scn"), std::string::npos) << file.error();
            EXPECT_TRUE(file.groups.empty() && file.units.empty() && file.title.empty());
        }
    }
    EXPECT_EQ(quiet.count(), 0u); // cuts are found before any record's own reader sees them
}

TEST(ScenarioFileRead, RefusesWhatNoBattleCanHave) {
    struct Row {
        const char* label;
        std::size_t offset;
        std::uint8_t value;
        const char* error;
        bool recordReported;
    };
    const Row rows[] = {
        {"home nation code 6", 23, 6, "Invalid nation passed in (home side, code 6)", false},
        {"home nation code 5 is Scythian", 23, 5, "", false},
        {"visitor nation code 6", 26, 6, "Invalid nation passed in (visitor side, code 6)", false},
        {"rout direction 9", 24, 9, "routs toward 9", false},
        {"rout direction 8", 24, 8, "", false},
        {"both sides Macedonian", 26, 2, "both sides are of one nation", false},
        {"substitution to code 6", 31, 6, "Invalid nation passed in (substitution 1)", false},
        {"record kind 11", 63, 11,
         "Undefined unit in VLL::readUnits(...): unit record 2 (at byte 63) is of kind 11", false},
        {"record kind 20", 63, 20, "is of kind 20", false},
        {"record kind 15 is a hypaspist", 63, 15, "", false},
        {"leader's nation code 6", 47, 6, "unit record 1 (at byte 42) holds a value no unit can have", true},
        {"phalanx of TQ 0", 76, 0, "unit record 2 (at byte 63) holds a value no unit can have", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        test::FailedChecks checks;
        std::vector<std::uint8_t> bytes = toy;
        bytes[row.offset] = row.value;
        ScenarioFile file;
        const bool read = file.read(bytes.data(), bytes.size(), "toy.scn");
        EXPECT_EQ(read, *row.error == '\0');
        if (*row.error) {
            EXPECT_NE(file.error().find(row.error), std::string::npos) << file.error();
            EXPECT_EQ(file.error().rfind("The scenario file toy.scn cannot be played: ", 0), 0u)
                << file.error();
        }
        EXPECT_EQ(file.recordReported(), row.recordReported);
        EXPECT_EQ(checks.count(), row.recordReported ? 1u : 0u); // only a record's own reader reports here
    }
}

// A unit record's own reader knows its bytes only; its failed check says which file and which record. The
// facing is the record's last byte before its fighting fields: after kind, name, nation, value, group and hex.
TEST(ScenarioFileRead, ARecordsOwnFailedCheckNamesTheFileAndTheRecord) {
    const std::size_t facingAt = 63 + 2 + toy[64] + 1 + 2 + 2 + 2;
    const struct {
        std::uint8_t facing;
        bool read;
    } rows[] = {{1, false}, {2, true}, {5, false}, {8, true}, {9, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE("facing " + std::to_string(row.facing));
        test::FailedChecks checks;
        std::vector<std::uint8_t> bytes = toy;
        bytes[facingAt] = row.facing;
        ScenarioFile file;
        EXPECT_EQ(file.read(bytes.data(), bytes.size(), "toy.scn"), row.read) << file.error();
        EXPECT_EQ(checks.texts,
                  row.read ? std::vector<std::string>{}
                           : std::vector<std::string>{"Invalid facing in VaelUnitData::Load(...) (the scenario "
                                                      "file toy.scn, unit record 2 (at byte 63))  Abort?"});
    }
    // Past the reading the record's checks say nothing more than their own words.
    test::FailedChecks after;
    Assertion::fail("Invalid facing in VaelUnitData::Load(...)", "VAELUNIT", 42);
    EXPECT_EQ(after.texts, std::vector<std::string>{"Invalid facing in VaelUnitData::Load(...)  Abort?"});
}

TEST(ScenarioFileRead, KeepsNamesWithinTheirBuffers) {
    for (std::size_t length : {29u, 30u}) {
        SCOPED_TRACE(length);
        std::vector<std::uint8_t> bytes(toy.begin(), toy.begin() + 16);
        bytes.push_back(static_cast<std::uint8_t>(length));
        bytes.insert(bytes.end(), length, 'm');
        bytes.insert(bytes.end(), toy.begin() + 22, toy.begin() + 42);
        ScenarioFile file;
        EXPECT_EQ(file.read(bytes.data(), bytes.size(), "long.scn"), length == 29) << file.error();
        if (length == 30) {
            EXPECT_NE(file.error().find("30 characters; at most 29"), std::string::npos);
        }
    }
    for (std::size_t length : {127u, 128u}) {
        SCOPED_TRACE(length);
        std::vector<std::uint8_t> bytes(toy.begin(), toy.begin() + 32);
        bytes.insert(bytes.end(), {0x01, 0x00, static_cast<std::uint8_t>(length)});
        bytes.insert(bytes.end(), length, 's');
        ScenarioFile file;
        EXPECT_EQ(file.read(bytes.data(), bytes.size(), "long.scn"), length == 127) << file.error();
    }
}

TEST(ScenarioFileRead, RecordSizesAfterTheName) {
    // nation 1 + value 2 + group 2 + hex 2 + facing 1 = 8; fighting units + 5; missile units + 5 more.
    const std::pair<int, std::size_t> rows[] = {{0, 16},  {1, 18},  {2, 14},  {3, 18},  {4, 18},  {5, 19},
                                                {6, 13},  {7, 18},  {8, 18},  {9, 13},  {10, 18}, {11, 0},
                                                {12, 0},  {13, 0},  {14, 13}, {15, 13}, {16, 0},  {17, 18},
                                                {18, 18}, {19, 13}, {20, 0},  {255, 0}};
    for (const auto& [kind, bytes] : rows) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(ScenarioFile::fixedRecordBytes(static_cast<std::uint8_t>(kind)), bytes);
        EXPECT_EQ(ScenarioFile::makeRecord(static_cast<std::uint8_t>(kind)) != nullptr, bytes != 0);
    }
}

} // namespace
} // namespace vael
