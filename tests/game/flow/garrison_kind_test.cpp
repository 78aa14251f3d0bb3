// The garrison question keeps its own 0 and 1 in the unit type box.
#include <gtest/gtest.h>

#include <string>

#include "framework/core/type_name.h"
#include "game/flow/flow_records.h"

namespace vael {
namespace {

TEST(GarrisonKind, TheGarrisonQuestionKeepsZeroAndOneInTheUnitTypeBox) {
    EXPECT_EQ(static_cast<std::uint32_t>(INFANTRY_GARRISON), 0u);
    EXPECT_EQ(static_cast<std::uint32_t>(CAVALRY_GARRISON), 1u);
    EXPECT_EQ(std::string(TypeName<UNIT_TYPE>::name()), "UNIT_TYPE");
    EXPECT_EQ(sizeof(UNIT_TYPE), 4u);
}

} // namespace
} // namespace vael
