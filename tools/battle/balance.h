#pragma once
// The balance of our battles: each played by the computer on both sides over a run of seeds, counted as
// wins per side, battles that ended with nobody winning or did not end, the turns they took and what each
// side lost. `vael-balance` prints the table the README shows; a side that wins more than four battles in
// five is a battle to tune.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "battle_runner.h"

namespace vael::battle {

struct BalanceRow {
    std::string title, scenario;
    std::string homeName, visitorName;
    std::int32_t battles = 0, homeWins = 0, visitorWins = 0, undecided = 0, unfinished = 0;
    std::int64_t turns = 0, homeLostTQ = 0, visitorLostTQ = 0;
    // Why each battle that did not end stopped, with its seed.
    std::vector<std::string> unfinishedWhy;
};

// Adds one battle's outcome to the row; a battle that did not end counts as unfinished and no more.
void tally(BalanceRow& row, const BattleOutcome& outcome, std::uint32_t seed);

// Plays the scenario of the options for every seed from 1 to seeds, the odd seeds with the plans of one
// kind and the even ones with the other's.
BalanceRow playSeeds(BattleOptions options, std::int32_t seeds);

// The greater share of the battles one side won, in per cent rounded down; 0 for no battles.
std::int32_t topWinShare(const BalanceRow& row);

// The rows as a Markdown table: wins per side with their share, battles nobody won, average turns and
// average troop quality lost per side, with one decimal.
void printBalance(const std::vector<BalanceRow>& rows, std::ostream& out);

} // namespace vael::battle
