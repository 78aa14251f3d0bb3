// Game control's end of the battle: when the game is over and who won, the river crossing that decides
// the second battle, and the result carried to every machine.
#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_removed_struct.h"

namespace vael {

namespace {

constexpr std::uint32_t RiverBattle = 2;
constexpr std::uint32_t ShortBattle = 6;

void log(const char* text) {
    debugStream() << text << std::endl;
}

} // namespace

GameControl::EndTest GameControl::endOfGameTest() const {
    const bool fixed = scenario_ < 10;
    if (scenario_ == RiverBattle && riverScore_ > 1000) {
        log("The game is ending because the Macedonians retreated across the river successfully");
        return {true, true};
    }
    const std::int16_t homeLostTQ = tallies_.home.lostTQ, visitorLostTQ = tallies_.visitor.lostTQ;
    const bool homeOver = homeLostTQ >= homeTQLimit_;
    const bool visitorOver = visitorLostTQ >= visitorTQLimit_;
    if (homeOver && visitorOver) {
        log("The game is ending because both teams are over their TQ limit");
        // The smaller excess wins; an even excess goes against the home side.
        const bool homeWon = homeLostTQ - homeTQLimit_ < visitorLostTQ - visitorTQLimit_;
        log(homeWon ? "The game is ending because the visiting team lost"
                    : "The game is ending because the home team lost");
        return {true, homeWon};
    }
    if (visitorOver) {
        if (fixed) log("The game is ending because the visiting team lost");
        return {true, true};
    }
    if (homeOver) {
        if (fixed) log("The game is ending because the home team lost");
        return {true, false};
    }
    if (scenario_ == RiverBattle && turn_ == lastTurn()) {
        log("You lost the game because the turn counter expired");
        return {true, false};
    }
    if (scenario_ == ShortBattle && turn_ == lastTurn()) {
        log("The game is ending because the turn counter expired");
        return {true, false};
    }
    return {};
}

bool GameControl::turnsMayDecide(std::uint32_t scenario) {
    return scenario == RiverBattle || scenario == ShortBattle;
}

std::int16_t GameControl::lastTurn() const {
    if (scenario_ == RiverBattle) return 9;
    if (scenario_ == ShortBattle) return 4;
    return 32767;
}

void GameControl::UnitMovementDone(std::uint16_t unitNumber) {
    log("Here in GameControl::MovementDone");
    if (scenario_ != RiverBattle) return;
    Container<short> number(static_cast<short>(unitNumber));
    VaelUnit* unit = nullptr;
    if (const auto reply = owned(sendNowNamed(msg::GetUnitByNum, &number)))
        takeAnswer(reply.get(), unit, __FILE__, __LINE__);
    if (!unit || unit->isRouting() || unit->willRout()) return;
    int worth = 0;
    if (unit->isCombatUnit())
        worth = static_cast<Combat*>(unit)->getTroopQuality();
    else if (riverScore_ >= 50)
        worth = 1000;
    else
        return;
    const auto hex = static_cast<std::int16_t>(unit->getHex());
    const std::int16_t second = unit->getSecondHex();
    auto atTheRiver = [](std::int16_t h) { return h >= 5 && h <= 20; };
    if (!atTheRiver(hex) && !atTheRiver(second)) return;
    debugStream() << unit->getName() << " here and ready to be removed." << std::endl;
    debugStream() << "Unit region: " << hex << std::endl;
    sendNamedEmpty(msg::UnitDeselected);
    Container<UnitRemovedStruct> removed(UnitRemovedStruct{static_cast<std::uint16_t>(unit->getId()),
                                                           static_cast<std::uint16_t>(hex), second});
    dropAnswer(sendNowNamed(msg::UnitRemoved, &removed));
    riverScore_ = static_cast<std::int16_t>(riverScore_ + worth > 32767 ? 32767 : riverScore_ + worth);
}

void GameControl::AutomaticWin(std::int16_t side) {
    tallies_.side(side == 0).lostTQ = 1000;
    sendEmpty(END_GAME);
}

void GameControl::EndGame() {
    // A second end (the last leader's death in the battle that already ended it, say) shows nothing more.
    if (gameOver_) return;
    if (Application* app = Application::instance()) app->endWait();
    countLossesUnderWay();
    winner_ = 0;
    const EndTest test = endOfGameTest();
    if (test.over) {
        winner_ = test.homeWon ? homeNation_ : visitorNation_;
    } else {
        // Ended from elsewhere: the fall of a side's commander decides it.
        auto fallen = [this](const char* name) {
            for (std::int16_t i = 0; i < leaderCount_; ++i) {
                const LeaderUnitInfo& r = leaders_[i];
                if (r.leader && r.leader->isEliminated() && r.name.find(name) != std::string::npos)
                    return true;
            }
            return false;
        };
        if (fallen("Vael"))
            winner_ = visitorNation_;
        else if (fallen("Tezhar"))
            winner_ = homeNation_;
    }
    gameOver_ = 1;
    // Told once the activation's last step has been seen everywhere, the end counts what that step still
    // reports (a volley of the same orders landing after the fall that decided it), as the other machine,
    // told every report before the end, counts it.
    if (tellEndAfterActivation()) {
        talliesOpen_ = true;
        return;
    }
    tellEnd();
}

void GameControl::countLossesUnderWay() {
    // A unit whose end was sealed before the battle was decided (an elephant whose rampage ends with
    // it, one cut down as it fled, a leader struck down) is a loss of the battle, though its elimination
    // would only come after the end, which counts nothing more. Each counts once: counting it carries
    // out its sealed report.
    const auto* layer = dynamic_cast<const VaelLogicalLayer*>(getBus());
    if (!layer || loading_) return;
    countRoutsUnderWay();
    for (const EliminateUnitData& record : lossesDue(*layer))
        UnitEliminated(record);
    // What the other machine of a network game sealed in a step the loss of that machine cut off: its
    // units here never heard of it, but its line was told here.
    const std::vector<EliminateUnitData> sealed = tallies_.takeSealed();
    for (const EliminateUnitData& record : sealed)
        UnitEliminated(record);
}

std::vector<EliminateUnitData> GameControl::lossesDue(const VaelLogicalLayer& layer) {
    std::vector<EliminateUnitData> due;
    for (const List<Combat*>* units : {&layer.getHomeUnits(), &layer.getVisitorUnits()})
        for (Combat* unit : each(*units))
            if (unit->isEliminationDue() && !unit->isOutOfPlay())
                due.push_back(EliminateUnitData{unit->getNation(), static_cast<std::uint16_t>(unit->pointValue()),
                                                unit->getUnitType(), unit->getUnitNum()});
    for (Leader* leader : each(layer.getLeaders()))
        if (leader->isEliminationDue() && !leader->hasLeftTheField())
            due.push_back(
                EliminateUnitData{leader->getNation(), leader->fallPoints(), 0xFFFFFFFF, leader->getUnitNum()});
    return due;
}

void GameControl::tellEnd() {
    closeTallies();
    Container<EndOfGameResults> box(results(winner_));
    awaitGameEnded();
    sendNamed(msg::EndOfGame, &box);
}

void GameControl::endedElsewhere(bool homeWon) {
    if (gameOver_) return;
    winner_ = homeWon ? homeNation_ : visitorNation_;
    gameOver_ = 1;
    talliesOpen_ = true;
    // Nothing awaited goes on: the step the battle stood at is its last.
    awaitSynchronisation(nullptr);
}

void GameControl::closeTallies() {
    if (!talliesOpen_) return;
    countLossesUnderWay();
    talliesOpen_ = false;
}

void GameControl::GameEnded() {
    Container<short> homeWon(winner_ != 0 && winner_ == homeNation_ ? 1 : 0);
    sendNamed(msg::GameEnded, &homeWon);
}

} // namespace vael
