#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/super_string.h"
#include "game/rules/combat_records.h"
#include "game/rules/missile_capable_unit_data.h"
#include "support/failed_checks.h"
#include "support/rules/test_maps.h"

namespace vael {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;

// The shared part of a unit record: name "Ajax", nation code 2 (side 1), movement 6, leader 3, hex 1205,
// facing 3.
const Bytes unitPart = {4, 'A', 'j', 'a', 'x', 2, 6, 0, 3, 0, 0xB5, 0x04, 3};

SuperString streamOf(std::initializer_list<Bytes> parts) {
    SuperString s;
    for (const Bytes& p : parts)
        for (std::uint8_t b : p)
            s << b;
    return s;
}

std::string bytesOf(SuperString& s) {
    std::string out;
    for (unsigned char c : s.str())
        out += std::to_string(c) + ' ';
    return out;
}

TEST(CombatUnitRecord, ReadsSizeBeforeTroopQualityAndTheTwoHexFlagFromOneByte) {
    SuperString s = streamOf({unitPart, {8, 0, 6, 0, 1}, {0xEE}});
    CombatUnitData r;
    ASSERT_TRUE(r.Load(s));
    // The next record's byte is left alone.
    EXPECT_EQ(values(r.name, r.hex, r.size, r.TQ, r.doubleSized, s.readPosition(), s.failed()),
              "Ajax 1205 8 6 1 18 0");
}

TEST(CombatUnitRecord, RefusesATroopQualityOrSizeBelowOne) {
    struct Row {
        const char* what;
        Bytes own;
        bool loads;
    } rows[] = {
        {"TQ 1, size 1", {1, 0, 1, 0, 0}, true},   {"TQ 0", {8, 0, 0, 0, 0}, false},
        {"size 0", {0, 0, 6, 0, 0}, false},        {"TQ -1", {8, 0, 0xFF, 0xFF, 0}, false},
        {"size -3", {0xFD, 0xFF, 6, 0, 0}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        test::FailedChecks checks;
        SuperString s = streamOf({unitPart, row.own});
        CombatUnitData r;
        r.TQ = 9;
        r.size = 9;
        const bool loaded = r.Load(s);
        EXPECT_EQ(values(loaded, s.failed(), checks.count(), r.TQ, r.size),
                  row.loads ? "1 0 0 1 1" : "0 1 1 9 9");
        if (!row.loads) {
            EXPECT_NE(checks.texts.at(0).find("must be above 0 in CombatUnitData::Load"), std::string::npos);
        }
    }
}

TEST(CombatUnitRecord, ARecordCutShortKeepsItsFieldsAndFailsTheStream) {
    test::FailedChecks checks;
    SuperString s = streamOf({unitPart, {8, 0, 6, 0}});
    CombatUnitData r;
    const bool loaded = r.Load(s);
    EXPECT_EQ(values(loaded, s.failed(), r.TQ, r.size, checks.count()), "0 1 0 0 1");
}

TEST(MissileRecord, MapsTheStoredMissileCodes) {
    struct Row {
        std::uint8_t code;
        std::uint32_t type; // 0: refused
    } rows[] = {{0, 0}, {1, 1}, {2, 3}, {3, 4}, {4, 8}, {5, 0}, {255, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.code));
        test::FailedChecks checks;
        SuperString s = streamOf({unitPart, {8, 0, 6, 0, 0}, {row.code, 0x34, 0x12, 0xFE, 0xFF}, {0xEE}});
        MissileCapableUnitData r;
        r.missileType = 77;
        const bool loaded = r.Load(s);
        // The two values after the code come from their own places even after a bad code.
        EXPECT_EQ(
            values(loaded, r.missileType, r.value1, r.value2, s.readPosition(), s.failed(), checks.count()),
            values(row.type != 0, row.type ? row.type : 77u, 0x1234, -2, 23, row.type == 0,
                   row.type ? 0 : 1));
        if (!row.type) {
            EXPECT_EQ(
                checks.texts.at(0).find("Undefined missile type int16 MissileCapableUnitData::Load(...)"),
                0u);
        }
    }
}

TEST(MissileRecord, ElephantAndHeavyCavalryReadTheirByteLast) {
    SuperString elephantBytes = streamOf({unitPart, {8, 0, 6, 0, 0}, {3, 1, 0, 2, 0}, {9}});
    ElephantUnitData elephant;
    ASSERT_TRUE(elephant.Load(elephantBytes));
    EXPECT_EQ(values(elephant.missileType, elephant.elephantValue), "4 9");

    SuperString cavalryBytes = streamOf({unitPart, {8, 0, 6, 0, 0}, {1}});
    HeavyCavUnitData cavalry;
    ASSERT_TRUE(cavalry.Load(cavalryBytes));
    EXPECT_EQ(cavalry.cataphract, 1);

    test::FailedChecks checks;
    SuperString shortBytes = streamOf({unitPart, {8, 0, 6, 0, 0}});
    HeavyCavUnitData cut;
    cut.cataphract = 5;
    const bool loaded = cut.Load(shortBytes);
    EXPECT_EQ(values(loaded, cut.cataphract), "0 5");
}

TEST(CombatPayloads, StreamFieldByFieldLittleEndian) {
    SuperString s;
    s << TQHitInfo{3, 0x0102, 0x0A0B0C0D} << RestoreCohesionInfo{1, 7} << UnitRoutData{2, 14, 0}
      << EliminateUnitData{1, 5, 8, 0x0304};
    EXPECT_EQ(bytesOf(s), "3 0 2 1 13 12 11 10 "
                          "1 0 7 0 "
                          "2 0 0 0 14 0 0 0 0 0 "
                          "1 0 0 0 5 0 8 0 0 0 4 3 ");
    TQHitInfo hit;
    RestoreCohesionInfo restored;
    UnitRoutData routed;
    EliminateUnitData gone;
    s >> hit >> restored >> routed >> gone;
    EXPECT_EQ(hit, (TQHitInfo{3, 0x0102, 0x0A0B0C0D}));
    EXPECT_EQ(restored, (RestoreCohesionInfo{1, 7}));
    EXPECT_EQ(routed, (UnitRoutData{2, 14, 0}));
    EXPECT_EQ(gone, (EliminateUnitData{1, 5, 8, 0x0304}));
}

} // namespace
} // namespace vael
