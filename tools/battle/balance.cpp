#include "balance.h"

#include <algorithm>

namespace vael::battle {

namespace {

// Tenths without the float formatting of the stream, so that the table reads the same everywhere.
std::string tenths(std::int64_t total, std::int32_t count) {
    if (count <= 0) return "-";
    const std::int64_t scaled = (total * 10 + count / 2) / count;
    return std::to_string(scaled / 10) + "." + std::to_string(scaled % 10);
}

std::string share(std::int32_t wins, std::int32_t battles) {
    if (battles <= 0) return std::to_string(wins);
    return std::to_string(wins) + " (" + std::to_string(wins * 100 / battles) + "%)";
}

} // namespace

void tally(BalanceRow& row, const BattleOutcome& outcome, std::uint32_t seed) {
    ++row.battles;
    if (outcome.status != BattleStatus::Ended) {
        ++row.unfinished;
        row.unfinishedWhy.push_back("seed " + std::to_string(seed) + ": " + outcome.message);
        return;
    }
    if (row.homeName.empty()) row.homeName = outcome.home.name, row.visitorName = outcome.visitor.name;
    if (!outcome.winner.empty() && outcome.winner == outcome.home.name)
        ++row.homeWins;
    else if (!outcome.winner.empty() && outcome.winner == outcome.visitor.name)
        ++row.visitorWins;
    else
        ++row.undecided;
    row.turns += outcome.turns;
    row.homeLostTQ += outcome.home.lostTQ;
    row.visitorLostTQ += outcome.visitor.lostTQ;
}

BalanceRow playSeeds(BattleOptions options, std::int32_t seeds) {
    BalanceRow row;
    row.scenario = options.scenario;
    for (std::int32_t seed = 1; seed <= seeds; ++seed) {
        options.seed = static_cast<std::uint32_t>(seed);
        options.lastAIType = lastAITypeDrawing(planKindOfSeed(options.seed));
        tally(row, playBattle(options), options.seed);
    }
    return row;
}

std::int32_t topWinShare(const BalanceRow& row) {
    if (row.battles <= 0) return 0;
    return std::max(row.homeWins, row.visitorWins) * 100 / row.battles;
}

void printBalance(const std::vector<BalanceRow>& rows, std::ostream& out) {
    out << "| battle | seeds | home wins | visitor wins | nobody | average turns | home lost TQ | "
           "visitor lost TQ |\n";
    out << "|---|---|---|---|---|---|---|---|\n";
    for (const BalanceRow& r : rows) {
        const std::int32_t ended = r.battles - r.unfinished;
        out << "| " << r.title << " | " << r.battles << " | " << r.homeName << " "
            << share(r.homeWins, r.battles) << " | " << r.visitorName << " "
            << share(r.visitorWins, r.battles) << " | " << r.undecided
            << (r.unfinished ? " (" + std::to_string(r.unfinished) + " unfinished)" : std::string()) << " | "
            << tenths(r.turns, ended) << " | " << tenths(r.homeLostTQ, ended) << " | "
            << tenths(r.visitorLostTQ, ended) << " |\n";
    }
}

} // namespace vael::battle
