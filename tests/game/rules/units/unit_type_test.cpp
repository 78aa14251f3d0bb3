// The unit type codes by name: each is the code whose two letters the status bar and the combat trace
// show.
#include <gtest/gtest.h>

#include "game/rules/combat/combat.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/units/unit_type.h"

namespace vael {
namespace {

TEST(UnitType, EachNameIsTheCodeOfItsLetters) {
    const struct {
        UNIT_TYPE type;
        std::uint32_t code;
        const char* letters;
    } rows[] = {{PH, 0, "PH"},  {LG, 1, "LG"},  {HI, 2, "HI"},  {MI, 3, "MI"}, {BI, 4, "BI"},  {LP, 5, "LP"},
                {LI, 6, "LI"},  {SK, 7, "SK"},  {HC, 8, "HC"},  {RC, 9, "RC"}, {BC, 10, "BC"}, {LN, 11, "LN"},
                {LC, 12, "LC"}, {EL, 13, "EL"}, {CH, 14, "CH"}, {AT, 15, "AT"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.letters);
        EXPECT_EQ(static_cast<std::uint32_t>(row.type), row.code);
        EXPECT_STREQ(VaelLogicalLandscape::unitTypeCode(row.type), row.letters);
    }
    EXPECT_STREQ(VaelLogicalLandscape::unitTypeCode(16), "");
}

TEST(UnitType, OnlyHeavyCavalryLancersAndLightCavalryAreHorses) {
    for (std::uint32_t code = 0; code <= 16; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(Combat::isCavalry(code), code == 8 || code == 11 || code == 12);
    }
}

} // namespace
} // namespace vael
