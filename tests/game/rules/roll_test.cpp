#include <gtest/gtest.h>

#include <cstdlib>

#include "support/failed_checks.h"
#include "support/rules/scripted_rolls.h"

namespace vael {
namespace {

TEST(Roll, ScriptedNumbersComeInOrderAndFoldIntoDice) {
    test::ScriptedRolls rolls{19, 123, 7};
    EXPECT_EQ(Roll::d10(), 9);
    EXPECT_EQ(Roll::d100(), 23);
    EXPECT_EQ(Roll::rand(), 7);
    EXPECT_EQ(rolls.left(), 0u);
}

TEST(Roll, AnExhaustedScriptIsAFailedCheckAndRollsZero) {
    test::FailedChecks checks;
    test::ScriptedRolls rolls{5};
    EXPECT_EQ(Roll::d10(), 5);
    EXPECT_EQ(Roll::d10(), 0);
    EXPECT_EQ(checks.count(), 1u);
}

TEST(Roll, WithoutAScriptRollsFollowTheRuntimeGenerator) {
    { test::ScriptedRolls rolls{1, 2}; } // ended with numbers left: they must not leak into later rolls
    std::srand(77);
    int first = std::rand(), second = std::rand();
    std::srand(77);
    EXPECT_EQ(Roll::rand(), first);
    EXPECT_EQ(Roll::rand(), second);
}

} // namespace
} // namespace vael
