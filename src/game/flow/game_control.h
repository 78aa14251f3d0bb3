#pragma once
// The driver of a battle on the machine that runs it: it counts the turns, decides which leader goes
// next (elite initiative, momentum, a choice weighted by initiative), waits until every playing machine
// has finished showing a step, starts the rout phase when no leader is left, tests for the end of the
// game after it, and keeps the sides' tallies of troop quality lost, routing and eliminated. It lives on
// the logical layer's bus and talks only through it; clients of a network game have none and reach the
// host's through the relay.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/dyn_array.h"
#include "framework/core/type_name.h"
#include "game/flow/battle_tallies.h"
#include "game/flow/end_of_game_results.h"
#include "game/flow/flow_records.h"
#include "game/rules/units/nation.h"

namespace vael {

class SuperString;
class VaelLogicalLayer;

// "SetPlayerInfo": a player and the leaders he plays, written "(name,name,...)".
struct PlyrInfo {
    std::string name;
    std::string leaders;
};

// "UnitRouted" and "UnitRallied" carry the rules' UnitRoutData; "UnitEliminated" their EliminateUnitData.
struct UnitRoutData;
struct EliminateUnitData;

class GameControl : public Component {
public:
    GameControl();
    ~GameControl() override;
    void connectHandlers() override;

    static constexpr std::int16_t NoLeader = -1;

    // What the leader-order test dialog gave when it was closed with OK.
    struct LeaderOrderChoice {
        bool ok = false;
        std::int16_t leader = NoLeader; // NoLeader: none picked
        bool momentum = false;
    };
    // The dialogs and the main window belong to the shell, which the game flow cannot reach: the shell
    // installs what puts them up and reads the caption. Without them the dialog is never shown and the
    // caption is empty.
    using LeaderOrderDialog = std::function<LeaderOrderChoice(
        const DynArray<LeaderUnitInfo>& leaders, const DynArray<short>& gone, std::int16_t count)>;
    using CaptionSource = std::function<std::string()>;
    void setLeaderOrderDialog(LeaderOrderDialog dialog) { leaderOrderDialog_ = std::move(dialog); }
    void setCaptionSource(CaptionSource source) { captionSource_ = std::move(source); }
    // Who is still awaited when all but one player have checked in, by name; the machines that carry the
    // battle know it, game control does not. Unnamed, the line counts the players instead.
    void setAwaitedName(CaptionSource source) { awaitedName_ = std::move(source); }
    // What the display had still to play of a tick it was in when the game was saved (the battle's step
    // came from within it): played as a loaded game begins again, once its resumption is queued, so that
    // the two go on interleaved as they did.
    void setResumeDisplay(std::function<void()> resume) { resumeDisplay_ = std::move(resume); }
    // What the loaded game owes the rules before its leader goes on (a rampage the display shows no more
    // ends first): told once the tallies count again, ahead of the resumption.
    void setResumeRules(std::function<void()> resume) { resumeRules_ = std::move(resume); }

    // Set-up, in the order the layer gives it.
    void addLeader(const LeaderUnitInfo& record);
    void setHomeNation(std::uint32_t nation) { homeNation_ = nation; }
    void setVisitorNation(std::uint32_t nation) { visitorNation_ = nation; }
    void setHomeTQLimit(std::int16_t limit) { homeTQLimit_ = limit; }
    void setVisitorTQLimit(std::int16_t limit) { visitorTQLimit_ = limit; }
    void setHomeUnits(std::int16_t count) { homeUnits_ = count; }
    void setVisitorUnits(std::int16_t count) { visitorUnits_ = count; }
    void setScenario(std::uint32_t scenario) { scenario_ = scenario; }
    void setPlayers(std::int16_t players) { players_ = players; }
    void setLeaderOrderTest(std::int16_t on) { leaderOrderTest_ = on; }
    void setAutoSave(std::int16_t on) { autoSave_ = on; }

    // The turn sequence.
    void BeginGame(std::int16_t resume);
    // True when a leader was chosen to open the turn.
    bool EliteInitiative();
    // 1 when a leader was chosen (the active one again on momentum), 0 when none is left for the turn.
    std::int16_t ChooseNextLeader();
    void SynchronizeGame(const std::string& doing);
    void NextLeader();
    void EndOfTurnRoutingDone();
    void BeginTurn();
    void SetPlayerInfo(const PlyrInfo& info);
    // The player has gone: his leaders act no more and nobody waits for him. Told in the commentary as
    // having left, unless his line was lost (told): whoever lost it tells how instead.
    void PlayerDeleted(const std::string& player, bool told = true);
    void CanAttemptMomentum(std::int16_t value);
    void LeaderActivated();

    // The tallies.
    void UnitRouted(const UnitRoutData& record);
    void UnitRallied(const UnitRoutData& record);
    void UnitEliminated(const EliminateUnitData& record);
    // A loss decided on this machine or the other, its elimination still to come: counted once at the
    // close of a battle that ends before the elimination does, unless that elimination came first.
    void UnitLossSealed(const EliminateUnitData& record);
    // A battle read back from a saved game: each leader replaced in it bears the replacement's mark in
    // the turn sequence too, as his fall gave it in the battle that was saved.
    void markReplacedLeaders();

    // The end of the game.
    struct EndTest {
        bool over = false;
        bool homeWon = false;
        bool operator==(const EndTest&) const = default;
    };
    EndTest endOfGameTest() const;
    // The turn by whose end the battle's turn counter ends it (as the counter counts, from 0); the
    // largest count for a battle that only its armies end.
    std::int16_t lastTurn() const;
    void UnitMovementDone(std::uint16_t unitNumber);
    void EndGame();
    void GameEnded();
    // The continuation that "GameSynchronized" ran has gone: nothing is awaited until a new one is set.
    void continuationRan() { continuation_ = nullptr; }
    void AutomaticWin(std::int16_t side);
    // The turn that has just ended is the last to be played (a battle run to a cap of turns): the next
    // one does not begin, and nothing of it is played or said.
    void playNoFurtherTurn();
    // The battle ended without game control's own end (the other machine of a network game left, and the
    // side played here wins by default): from now on game control moves nothing on, neither a leader nor a
    // phase, whatever comes after.
    // Its tallies stay open for the reports the step under way had already sent (a rally, a rout, an
    // elimination told before the loss) until closeTallies, once that step has unwound.
    void endedElsewhere(bool homeWon);
    // The battle ended elsewhere has settled: the eliminations sealed but never carried out are counted,
    // and nothing counts from now on.
    void closeTallies();
    EndOfGameResults results(std::uint32_t winner) const;

    // The block game control keeps in a saved game. Reading a block cut short or holding values no game
    // can have fails and changes nothing.
    void write(SuperString& stream) const;
    bool read(SuperString& stream);
    // What was wrong with the last block refused for its values rather than cut short; empty otherwise.
    const std::string& readProblem() const { return readProblem_; }

    // Accessors.
    static const char* nationName(std::uint32_t nation);
    const char* getNationName(std::uint32_t nation) const {
        return nationName(isHome(nation) ? homeNation_ : visitorNation_);
    }
    std::int16_t getTQLimit(std::uint32_t nation) const {
        return isHome(nation) ? homeTQLimit_ : visitorTQLimit_;
    }
    std::int16_t getRoutedTQ(std::uint32_t nation) const { return sideOf(isHome(nation)).routedTQ; }
    std::int16_t getLostTQ(std::uint32_t nation) const { return sideOf(isHome(nation)).lostTQ; }
    std::int16_t getSideTQLimit(std::int16_t home) const { return home ? homeTQLimit_ : visitorTQLimit_; }
    std::int16_t getSideRoutedTQ(std::int16_t home) const { return sideOf(home).routedTQ; }
    std::int16_t getSideLostTQ(std::int16_t home) const { return sideOf(home).lostTQ; }
    std::int16_t getSideRouting(std::int16_t home) const { return sideOf(home).routing; }
    std::int16_t getSideEliminated(std::int16_t home) const { return sideOf(home).eliminated; }
    LeaderUnitInfo& leaderAt(std::int16_t index) { return leaders_[index]; }
    // The active leader's record; none between activations, when leaderAt(getActiveLeader()) would be asked
    // for the table's place -1.
    LeaderUnitInfo* activeLeaderInfo() {
        return activeLeader_ >= 0 && activeLeader_ < leaderCount_ ? &leaders_[activeLeader_] : nullptr;
    }
    std::int16_t getLeaderCount() const { return leaderCount_; }
    std::int16_t goneThisTurn(std::int16_t index) { return goneThisTurn_[index]; }
    std::int16_t getActiveLeader() const { return activeLeader_; }
    std::int16_t getTurn() const { return turn_; }
    std::int16_t getMomentumTries() const { return momentumTries_; }
    std::int16_t getEliteCount() const { return eliteCount_; }
    std::int16_t getRiverScore() const { return riverScore_; }
    std::int16_t getAwaitedPlayers() const { return awaitedPlayers_; }
    std::int16_t getPlayers() const { return players_; }
    std::int16_t isGameOver() const { return gameOver_; }
    std::int16_t isLoading() const { return loading_; }
    std::uint32_t getWinner() const { return winner_; }
    std::uint32_t getScenario() const { return scenario_; }

    // The names the elite tables give a fixed battle: the leader who opens its first turn, and the chance
    // in percent that he opens a later one. A battle of one's own has neither.
    static const char* eliteLeaderName(std::uint32_t scenario);
    static std::int16_t eliteChance(std::uint32_t scenario);
    // The battle's turns may end it (a last turn, a river crossed) as well as its losses.
    static bool turnsMayDecide(std::uint32_t scenario);
    // The losses the battle's end counts though their eliminations would come after it (sealed, not yet
    // carried out): the home side's units, the visitor side's, then the leaders. A machine without game
    // control counts the same list to judge the host's end by.
    static std::vector<EliminateUnitData> lossesDue(const VaelLogicalLayer& layer);

private:
    // Counts, as the battle is decided, the eliminations already sealed but not yet carried out.
    void countLossesUnderWay();
    // Counts, as the battle is decided, the routs and rallies already told whose reports are still queued.
    void countRoutsUnderWay();
    // A unit fights for the side of the nation it became by the scenario's substitutions; one of a third
    // nation, which a scenario without them fields, is the home side's, as the layer lists and commands it,
    // so that its routs and losses count where its side's do.
    bool isHome(std::uint32_t nation) const { return !onVisitorSide(nation, visitorNation_); }
    bool hasLeader(std::int16_t index) const { return index >= 0 && index < leaderCount_; }
    const BattleTallies::Side& sideOf(bool home) const { return home ? tallies_.home : tallies_.visitor; }
    void commentary(const std::string& text);
    void activate(std::int16_t index, bool announce);
    void goToRoutPhase();
    void awaitGameEnded();
    void sendCaption();
    void completeSynchronisation();
    // The continuation the next "GameSynchronized" runs; null for none.
    void awaitSynchronisation(HandlerFunction continuation);
    // Every machine is told of the end, and game control waits until each has seen it.
    void tellEnd();
    // In a battle between machines, a leader's activation may be under way on the other machine when the
    // end is decided: the end is then told once that activation has ended on every machine. True when it
    // waits so.
    bool tellEndAfterActivation();

    DynArray<LeaderUnitInfo> leaders_{10};
    DynArray<short> goneThisTurn_{10};
    std::int16_t leaderCount_ = 0;
    std::int16_t reserved_ = 0;
    std::int16_t activeLeader_ = NoLeader;
    std::int16_t turn_ = 0;
    std::string readProblem_;
    std::int16_t momentumTries_ = -1;
    BattleTallies tallies_;
    std::int16_t homeUnits_ = 0, visitorUnits_ = 0;
    std::uint32_t homeNation_ = 0, visitorNation_ = 0;
    std::int16_t homeTQLimit_ = 0, visitorTQLimit_ = 0;
    std::int16_t eliteCount_ = 0;
    std::uint32_t scenario_ = 10;
    std::string caption_;
    std::int16_t gameOver_ = 0;
    // Ended elsewhere, with the reports already sent still to be counted (endedElsewhere).
    bool talliesOpen_ = false;
    std::uint32_t winner_ = 0;
    std::int16_t leaderOrderTest_ = 0;
    std::int16_t players_ = 1;
    std::int16_t awaitedPlayers_ = -1;
    std::int16_t riverScore_ = 0;
    std::int16_t loading_ = 0;
    std::int16_t autoSave_ = 0;
    HandlerFunction continuation_ = nullptr;
    // The battle stops at the end of this turn (playNoFurtherTurn).
    bool noFurtherTurn_ = false;
    LeaderOrderDialog leaderOrderDialog_;
    CaptionSource captionSource_;
    CaptionSource awaitedName_;
    std::function<void()> resumeDisplay_;
    std::function<void()> resumeRules_;
};

VAEL_TYPE_NAME(PlyrInfo, "PlyrInfo");
VAEL_TYPE_NAME(GameControl, "GameControl");

} // namespace vael
