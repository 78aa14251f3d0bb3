#pragma once
// What the battle tests say of an outcome when it is not what they expected, and the check they all make
// of its tallies.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "battle_runner.h"

namespace vael::battle {

inline std::string describe(const BattleOutcome& outcome) {
    std::ostringstream text;
    printOutcome(outcome, text);
    return text.str() + outcome.message;
}

// No tally of a side's losses is ever below nothing.
inline void expectNoNegativeTally(const BattleOutcome& outcome) {
    for (const SideLosses* side : {&outcome.home, &outcome.visitor}) {
        SCOPED_TRACE(side->name);
        EXPECT_GE(side->lostTQ, 0) << describe(outcome);
        EXPECT_GE(side->routedTQ, 0) << describe(outcome);
        EXPECT_GE(side->routing, 0) << describe(outcome);
        EXPECT_GE(side->eliminated, 0) << describe(outcome);
    }
}

} // namespace vael::battle
