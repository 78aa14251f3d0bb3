#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "game/rules/random_number_generator.h"
#include "game/rules/roll.h"
#include "support/failed_checks.h"
#include "support/rules/scripted_rolls.h"
#include "support/rules/test_maps.h"
#include "support/test_application.h"

namespace vael {
namespace {

using test::values;

TEST(RandomNumberGenerator, SeedOneGivesTheKnownPercentsOnEveryMachine) {
    RandomNumberGenerator g(1);
    std::string states;
    std::string results;
    for (int i = 0; i < 4; ++i) {
        results += (i ? " " : "") + std::to_string(g.percent());
        states += (i ? " " : "") + std::to_string(g.getState());
    }
    EXPECT_EQ(results, "0 24 36 18");
    // The third step's product wraps at 32 bits before the remainder is taken.
    EXPECT_EQ(states, "16807 282475249 426733040 214041787");
    g.restart();
    const int first = g.percent();
    EXPECT_EQ(values(first, g.percent()), "0 24");
    g.setSeed(1);
    EXPECT_EQ(g.percent(), 0);
}

TEST(RandomNumberGenerator, RangesAndTheirEnds) {
    struct Row {
        std::uint32_t seed;
        int lo, hi;
        const char* first4;
    } rows[] = {
        {0, 3, 90, "3 3 3 3"},                             // a zero seed never moves
        {1, 3, 3, "3 3 3 3"},                              // an empty range
        {1, -5, 0, "-5 -4 -3 -4"},                         // upTo(-5)
        {1, 0, 5, "0 1 2 1"},      {1, 10, 0, "10 8 6 8"}, // a reversed range counts down
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.seed, row.lo, row.hi));
        RandomNumberGenerator g(row.seed);
        std::string out;
        for (int i = 0; i < 4; ++i)
            out += (i ? " " : "") + std::to_string(g.between(row.lo, row.hi));
        EXPECT_EQ(out, row.first4);
    }
    RandomNumberGenerator down(1), up(1);
    const int d1 = down.upTo(-5), d2 = down.upTo(-5), u1 = up.upTo(5), u2 = up.upTo(5);
    EXPECT_EQ(values(d1, d2, u1, u2), "-5 -4 0 1");
}

TEST(RandomNumberGenerator, TheWholeThirtyTwoBitRangeDoesNotOverflow) {
    RandomNumberGenerator g(1);
    g.between(0, 1);
    // x = 282475249 / 1195914823 x (2^32 - 1) = 1014471877.74, which rounds up.
    EXPECT_EQ(g.between(INT32_MIN, INT32_MAX), INT32_MIN + 1014471878);
}

TEST(RandomNumberGenerator, AnUnseededGeneratorStartsFromTheTickCount) {
    {
        test::TestApplication app;
        app.clock = 1;
        RandomNumberGenerator g;
        EXPECT_EQ(values(g.getSeed(), g.percent()), "1 0");
    }
    RandomNumberGenerator none;
    EXPECT_EQ(none.getSeed(), 0u);
}

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

// The numbers drawn since a seed are counted, and only the runtime's: a battle that knows the seed and the
// count lays the same dice down again, whatever was drawn aside or scripted meanwhile.
TEST(Roll, TheRuntimesNumbersSinceTheSeedAreCountedAndDrawnAgainUpToTheCount) {
    std::srand(31);
    std::vector<int> expected;
    for (int i = 0; i < 6; ++i)
        expected.push_back(std::rand());
    Roll::seed(31);
    EXPECT_EQ(Roll::drawn(), 0u);
    EXPECT_EQ(Roll::rand(), expected[0]);
    {
        Roll::Aside aside;
        Roll::rand();
    }
    Roll::script({5});
    EXPECT_EQ(Roll::rand(), 5);
    Roll::endScript();
    EXPECT_EQ(Roll::rand(), expected[1]);
    EXPECT_EQ(Roll::drawn(), 2u);
    const struct {
        const char* what;
        unsigned long long upTo;
        int next;
        unsigned long long drawnAfter;
    } rows[] = {{"none drawn", 0, expected[0], 1}, {"one drawn", 1, expected[1], 2},
                {"four drawn", 4, expected[4], 5}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Roll::seed(31);
        Roll::drawUpTo(row.upTo);
        EXPECT_EQ(Roll::drawn(), row.upTo);
        EXPECT_EQ(Roll::rand(), row.next);
        EXPECT_EQ(Roll::drawn(), row.drawnAfter);
    }
    // Past the count already: nothing more is drawn.
    Roll::drawUpTo(2);
    EXPECT_EQ(Roll::rand(), expected[5]);
}

TEST(Roll, RollsPutAsideLeaveTheRuntimesDiceAsTheyWere) {
    std::srand(7);
    const int first = std::rand(), second = std::rand();
    std::srand(7);
    {
        Roll::Aside aside;
        // Drawn from dice of their own: the runtime's first number is still to come afterwards.
        for (int i = 0; i < 3; ++i) {
            const int r = Roll::rand();
            EXPECT_GE(r, 0);
            EXPECT_LE(r, RAND_MAX);
        }
        {
            Roll::Aside nested;
            Roll::rand();
        }
        // Still aside after the inner one ends.
        EXPECT_TRUE(Roll::asideInForce());
        Roll::rand();
    }
    EXPECT_FALSE(Roll::asideInForce());
    EXPECT_EQ(Roll::rand(), first);
    EXPECT_EQ(Roll::rand(), second);
    // A test's scripted numbers come first, aside or not.
    Roll::script({4, 9});
    {
        Roll::Aside aside;
        EXPECT_EQ(Roll::rand(), 4);
    }
    EXPECT_EQ(Roll::rand(), 9);
    Roll::endScript();
}

} // namespace
} // namespace vael
