#pragma once
// The game's logical layer: the bus on which the rules components of one battle live. It reads a
// scenario into the battle's map, groups, units and leaders, owns them until the game is closed, and
// answers the look-ups the rules make about them. The application creates one and keeps it for the life
// of the program; each battle fills it, "CloseGame" empties it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/dyn_array.h"
#include "framework/core/list.h"
#include "framework/core/list_walk.h"
#include "framework/core/owned_list.h"
#include "framework/core/super_string.h"
#include "game/flow/flow_records.h"
#include "game/flow/game_control.h"
#include "game/flow/leader_activation.h"
#include "game/flow/phase_handlers.h"
#include "game/flow/scenario_builder.h"
#include "game/flow/shock_phase.h"
#include "game/flow/shock_records.h"
#include "game/flow/side_control.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/combat_struct.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/logical_layer.h"
#include "game/rules/units/nation.h"

namespace vael {

struct LeaderUnitData;
struct CombatNameStruct;
struct RefaceFromChargeStruct;

class VaelLogicalLayer : public LogicalLayer {
public:
    explicit VaelLogicalLayer(const char* name = nullptr);
    ~VaelLogicalLayer() override;

    // The layer registers its handlers when it joins its parent, as the rules' layer does.
    void connectParent() override;
    void loadScenario(const std::string&) override {}
    void regionSelected(std::int16_t) override {}
    void regionFlyby(std::int16_t) override {}

    // The main window shows the battle's title; the shell tells the layer how to reach it.
    using TitleSink = std::function<void(const std::string&)>;
    void setTitleSink(TitleSink sink) { titleSink_ = std::move(sink); }
    // Whether the display this machine shows still owes the rules the end of something it plays (a walk,
    // a volley, a rout): the shell's to say, as the display is its own. Unset, nothing is owed.
    using DisplayOwes = std::function<bool()>;
    void setDisplayOwes(DisplayOwes owes) { displayOwes_ = std::move(owes); }
    bool displayOwesAReply() const { return displayOwes_ && displayOwes_(); }

    // Look-ups; null (or false) when nothing matches.
    VaelUnit* findUnit(std::uint16_t unitNumber) const;
    Combat* findCombatUnit(std::uint16_t unitNumber) const;
    Combat* findCombatUnitByName(const std::string& name) const;
    Leader* findLeader(std::uint16_t unitNumber) const;
    Leader* findLeaderByName(const std::string& name) const;
    Group* findGroup(std::uint16_t number) const;
    std::int16_t isInEnemyZOC(std::int16_t hex, std::uint32_t nation) const;
    const List<Combat*>& getUnits() const { return allUnits_.links(); }
    // The declared combats, which the movement rules read through the rules' layer.
    const List<CombatStruct>* getCombats() const override { return &combats_; }
    List<CombatStruct>& combats() { return combats_; }

    // Reads the scenario and builds the battle; on a bad file the battle is closed, the reason reported
    // once, no "ScenarioLoaded" is sent and the answer is false.
    bool LoadScenario(const ScenarioInfoStruct& info) { return ScenarioBuilder(*this).load(info); }
    // Frees the battle and leaves the layer as new.
    void CloseGame();
    void RemoveFromCombat(std::uint16_t unitNumber);
    void UnitEliminated(const EliminateUnitData& record);
    // The record of a fallen leader, which the layer takes over.
    void AddBogusLeader(Leader* leader);

    // Makes a unit or leader from the prototype of a key, places it and announces it; null (with the
    // unit reported and left out) when there is no such prototype or the unit would stand off the map.
    VaelUnit* createUnit(std::uint16_t key, const VaelUnitData& record, const std::string& name) {
        return ScenarioBuilder(*this).createUnit(key, record, name);
    }
    Leader* createLeader(std::uint16_t key, const LeaderUnitData& record, const std::string& name) {
        return ScenarioBuilder(*this).createLeader(key, record, name);
    }

    // What the layer holds of the battle.
    const std::string& getScenarioName() const { return scenarioName_; }
    const char* getMapFileName() const { return mapFileName_; }
    std::uint16_t getUnitCounter() const { return unitCounter_; }
    std::int16_t getHexOffset() const { return hexOffset_; }
    VaelLogicalLandscape* getVaelLandscape() const { return vaelLandscape_; }
    std::uint32_t getHomeNation() const { return homeNation_; }
    std::uint32_t getVisitorNation() const { return visitorNation_; }
    // The side a unit of the nation fights on (onVisitorSide): a nation of neither side is the home side's.
    bool onVisitorSide(std::uint32_t nation) const { return vael::onVisitorSide(nation, visitorNation_); }
    std::uint32_t getHomeRoutDirection() const { return homeRoutDirection_; }
    std::uint32_t getVisitorRoutDirection() const { return visitorRoutDirection_; }
    std::uint16_t getHomeTQPoints() const { return homeTQPoints_; }
    std::uint16_t getVisitorTQPoints() const { return visitorTQPoints_; }
    std::uint16_t getHomeUnitCount() const { return homeUnitCount_; }
    std::uint16_t getVisitorUnitCount() const { return visitorUnitCount_; }
    std::uint16_t getCampaign() const { return campaign_; }
    DynArray<std::string>& getScriptNames(bool visitor) { return visitor ? visitorScripts_ : homeScripts_; }
    std::uint8_t getScriptCount(bool visitor) const {
        return visitor ? visitorScriptCount_ : homeScriptCount_;
    }
    // The kind of each plan script: 1 or 0.
    const std::vector<std::uint16_t>& getScriptKinds(bool visitor) const {
        return visitor ? visitorScriptKinds_ : homeScriptKinds_;
    }
    std::uint16_t getShowOCR() const { return showOCR_; }
    void setShowOCR(std::uint16_t show) { showOCR_ = show; }
    Group* getActiveGroup() const { return activeGroup_; }
    void setActiveGroup(Group* group) { activeGroup_ = group; }
    const List<Group*>& getGroups() const { return groups_.links(); }
    const List<Combat*>& getHomeUnits() const { return homeUnits_; }
    const List<Combat*>& getVisitorUnits() const { return visitorUnits_; }
    const List<Leader*>& getLeaders() const { return allLeaders_.links(); }
    const List<Leader*>& getHomeLeaders() const { return homeLeaders_; }
    const List<Leader*>& getVisitorLeaders() const { return visitorLeaders_; }
    // Every unit and leader of the battle in one fixed order, the same on every machine: home units,
    // visitor units, leaders. Saved games and the state passed between machines are written in it.
    std::vector<VaelUnit*> allUnits() const;
    const List<LeaderUnitInfo>& getLeaderRecords() const { return leaderRecords_; }

    // Who plays which leader on this machine, and the turn sequence of the machine that runs the game.
    void addLocalLeader(Leader* leader) { localLeaders_.append(leader); }
    void addComputerLeader(Leader* leader) { computerLeaders_.append(leader); }
    bool isLocalLeader(const Leader* leader) const { return holds(localLeaders_, leader); }
    bool isComputerLeader(const Leader* leader) const { return holds(computerLeaders_, leader); }
    // Creates game control for the battle loaded (a second call replaces the first); null before a
    // battle is loaded.
    GameControl* CreateGameControl(std::uint32_t scenario);
    GameControl* getGameControl() const { return gameControl_.get(); }
    // The leader-order test dialog is the shell's: every game control made from now on puts it up.
    void setLeaderOrderDialog(GameControl::LeaderOrderDialog dialog) {
        leaderOrderDialog_ = std::move(dialog);
    }
    List<SingleCombatResult>& getCombatResults() { return combatResults_; }
    const GameFlowDialogs& getDialogs() const { return dialogs_; }
    void setDialogs(GameFlowDialogs dialogs) { dialogs_ = std::move(dialogs); }

    // A battle set up without a scenario file (the battle runner's and the tests' own): the layer takes
    // over the map, the two sides' nations, and then each unit or leader enlisted, as the scenario reader
    // would have made them.
    void stageBattle(VaelLogicalLandscape* landscape, std::uint32_t homeNation, std::uint32_t visitorNation);
    void enlist(Combat* unit);
    void enlist(Leader* leader);

    // Shock combat: the attacks declared while a leader gives orders, fought all at once afterwards by
    // the layer's shock phase.
    ShockPhase& getShockPhase() { return shockPhase_; }
    void AddCombatants(const CombatNameStruct& declared) { shockPhase_.AddCombatants(declared); }
    void performShock() { shockPhase_.performShock(); }
    void performNextCombatGroup() { shockPhase_.performNextCombatGroup(); }
    // Resolves one battle; started is 0 for the first of a set and then the previous battle's answer.
    std::uint16_t resolveShockBattle(const CombatStruct& combat, std::int16_t started) {
        return shockPhase_.resolveShockBattle(combat, started);
    }
    std::uint16_t willCombatFit(const List<CombatStruct>& combats) {
        return shockPhase_.willCombatFit(combats);
    }
    void combatCenterOnRegion(const List<CombatStruct>& combats) {
        shockPhase_.combatCenterOnRegion(combats);
    }
    void RoutingDone(short value) { shockPhase_.RoutingDone(value); }
    void advanceUnits() { shockPhase_.advanceUnits(); }
    void UnitAdvanced(short unitNumber) { shockPhase_.UnitAdvanced(unitNumber); }
    void SomeCombatDone() { shockPhase_.SomeCombatDone(); }
    // The hex a winner moves into when a defender left hex; -1 when it cannot go.
    std::int16_t advanceAfterCombat(std::int16_t hex, const Combat* attacker) {
        return shockPhase_.advanceAfterCombat(hex, attacker);
    }
    std::int16_t getBattleCount() const { return shockPhase_.getBattleCount(); }
    const List<short>& getUnitsRouting() const { return shockPhase_.getUnitsRouting(); }
    const List<CombatAdvance>& getAdvances() const { return shockPhase_.getAdvances(); }
    const List<short>& getUnitsAdvancing() const { return shockPhase_.getUnitsAdvancing(); }
    const List<List<CombatStruct>>& getCombatGroups() const { return shockPhase_.getCombatGroups(); }
    std::uint16_t getWontFit() const { return shockPhase_.getWontFit(); }

    // The phases the game control and the rules drive.
    void EndOfTurn(const EndOfGameResults& results);
    void RoutPhase();
    void UnitDoneRouting(short value);
    std::int16_t getRoutingCount() const { return routingCount_; }
    // The battle is decided (END_GAME was heard, or the host's word of the end came): from then on the
    // layer fights no shock and runs no rout phase, so that what is shown is what decided it.
    bool isBattleDecided() const { return battleDecided_; }
    void battleDecided() { battleDecided_ = true; }
    // Decided, or a commander's fall sealed whose elimination (and so the end) is still queued.
    bool isBattleSettled() const override;
    // The battle is decided and nothing of it is left to show on another machine: every unit, leader and
    // computer opponent stops hearing the bus, and what was queued for them is dropped, so that no move,
    // volley, withdrawal or order still under way plays on after the end.
    void standDown();
    bool hasStoodDown() const { return stoodDown_; }
    // The battle is played on two machines: each acts on its own rules and state, and the other machine
    // takes over from the state handed to it, so no step of the rules here may hang on this display's
    // pace (a beast's rampage ends in the rules as it is shown). Cleared when the battle closes.
    void setPlayedOnTwoMachines(bool two) { playedOnTwoMachines_ = two; }
    bool isPlayedOnTwoMachines() const { return playedOnTwoMachines_; }
    // The side this machine's player fights with (true: the visitor's), which sides shared between the
    // machines leave to count: the side most of the leaders he plays here lead, on a tie the side of the
    // commander among them (the computer's leaders count where it plays all of them here). None when no
    // leader is played here.
    std::optional<bool> visitorSideHere() const;
    const PhaseDialogs& getPhaseDialogs() const { return phaseDialogs_; }
    void setPhaseDialogs(PhaseDialogs dialogs) { phaseDialogs_ = std::move(dialogs); }
    // The reactions of the enemies beside a hex a unit has just entered.
    void EntryReactionFire(std::int16_t hex);
    void AttemptRefaceFromCharge(RefaceFromChargeStruct record);
    // Side control: the computer opponents (owned, gone with the battle), the plans they play, the leaders
    // played here and by the computer, and the shell's dialogs and preference.
    SideControlServices& getSideControlServices() { return sideServices_; }
    ComputerOpponent* getOpponent(bool visitor) const { return (visitor ? visitorAI_ : homeAI_).get(); }
    void setOpponent(bool visitor, std::unique_ptr<ComputerOpponent> opponent);
    // A computer leader's orders under way that a loaded game goes on with, kept until his resumed
    // activation takes them.
    std::optional<ComputerOrders>& resumedComputerOrders() { return resumedComputerOrders_; }
    std::string getScriptFileName() const { return scriptFileName_; }
    void setScriptFileName(const std::string& name);
    const std::string& getHomePlanName() const { return homePlanName_; }
    void setHomePlanName(const std::string& name) { homePlanName_ = name; }
    List<Leader*>& getComputerLeaders() { return computerLeaders_; }
    List<Leader*>& getLocalLeaders() { return localLeaders_; }
    void setTQPoints(std::uint16_t home, std::uint16_t visitor) {
        homeTQPoints_ = home, visitorTQPoints_ = visitor;
    }
    // The scenario last asked for, which a saved game is read over.
    const ScenarioInfoStruct& getLoadedScenario() const { return loadedScenario_; }
    // Runs the conditions of every computer side's plan.
    void runOpponentsConditions();

    // The kind of a plan script from its first line: 1 when the line ends in "1".
    static std::uint16_t scriptKindOfLine(const std::string& firstLine) {
        return ScenarioBuilder::scriptKindOfLine(firstLine);
    }

private:
    // The builder fills the battle the layer holds, from the scenario file or unit by unit.
    friend class ScenarioBuilder;

    void deleteBattle();

    std::string scenarioName_;
    char mapFileName_[30] = {};
    std::uint16_t unitCounter_ = 0;
    VaelLogicalLandscape* vaelLandscape_ = nullptr; // the rules layer's landscape, owned there
    std::int16_t hexOffset_ = -1;
    std::uint32_t homeNation_ = 0, visitorNation_ = 0;
    std::uint32_t homeRoutDirection_ = 0, visitorRoutDirection_ = 0;
    std::uint16_t homeTQPoints_ = 0, visitorTQPoints_ = 0;
    std::uint16_t homeUnitCount_ = 0, visitorUnitCount_ = 0;
    char scriptFileName_[128] = {};
    DynArray<std::string> homeScripts_{10}, visitorScripts_{10};
    std::uint8_t homeScriptCount_ = 0, visitorScriptCount_ = 0;
    std::vector<std::uint16_t> homeScriptKinds_, visitorScriptKinds_;
    std::uint16_t campaign_ = 0;
    std::uint16_t showOCR_ = 0;
    Group* activeGroup_ = nullptr;
    // The battle's groups, units and leaders are owned here; the lists of sides and players only link.
    OwnedList<Group> groups_;
    OwnedList<Combat> allUnits_;
    List<Combat*> visitorUnits_, homeUnits_;
    OwnedList<Leader> allLeaders_;
    List<Leader*> homeLeaders_, visitorLeaders_, computerLeaders_, localLeaders_;
    OwnedList<Leader> bogusLeaders_; // the records of fallen leaders, which no other list holds
    List<CombatStruct> combats_;
    List<LeaderUnitInfo> leaderRecords_;
    TitleSink titleSink_;
    DisplayOwes displayOwes_;
    std::unique_ptr<GameControl> gameControl_;
    GameControl::LeaderOrderDialog leaderOrderDialog_;
    SideControlServices sideServices_;
    std::unique_ptr<ComputerOpponent> homeAI_, visitorAI_;
    std::optional<ComputerOrders> resumedComputerOrders_;
    std::string homePlanName_;
    ScenarioInfoStruct loadedScenario_;
    List<SingleCombatResult> combatResults_;
    GameFlowDialogs dialogs_;
    ShockPhase shockPhase_{*this};
    // The rout phase.
    std::int16_t routingCount_ = 0;
    PhaseDialogs phaseDialogs_;
    bool battleDecided_ = false;
    bool stoodDown_ = false;
    bool playedOnTwoMachines_ = false;
};

VAEL_TYPE_NAME(VaelLogicalLayer, "VaelLogicalLayer");

} // namespace vael
