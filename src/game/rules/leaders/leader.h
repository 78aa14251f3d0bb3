#pragma once
// The commanding unit: his ratings, the orders he has spent this activation and the group he commands.
// A leader exerts no zone of control. He runs his own activation over the bus (the orders he may give
// and what they cost), takes the casualties of missile fire and of forced withdrawals, and, when killed,
// leaves a record of himself to his side and goes on in command as a soldier from the ranks.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/list.h"
#include "framework/core/type_name.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/leader_unit_data.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

class Group;
class SuperString;

class Leader : public VaelUnit {
public:
    // The unit he ordered last before he has ordered anybody this activation: no unit's number.
    static constexpr std::uint16_t NobodyOrdered = 32767;

    Leader(const LeaderUnitData& record, const char* name);
    ~Leader() override;

    // The factory of the class: a leader of this class from a leader's record; null for another record.
    VaelUnit* create(const VaelUnitData& record, const char* name) override;

    std::uint16_t getInitiative() const { return initiative_; }
    std::uint16_t getCommandRange() const { return commandRange_; }
    std::uint16_t getShockPrecedence() const { return shockPrecedence_; }
    std::uint16_t getDuelRating() const { return duelRating_; }
    std::uint16_t getBaseInitiative() const { return baseInitiative_; }
    std::uint16_t getOrdersUsed() const { return ordersUsed_; }
    std::int16_t ordersLeft() const { return static_cast<std::int16_t>(initiative_ - ordersUsed_); }
    Group* getGroup() const { return group_; }
    void setGroup(Group* group) { group_ = group; }
    std::uint16_t isGroupMoveGranted() const { return groupMoveGranted_; }
    void setComputerControlled() { computerControlled_ = 1; }
    std::uint16_t isComputerControlled() const { return computerControlled_; }
    std::uint16_t isWounded() const { return wounded_; }
    std::uint16_t isFinished() const { return finished_; }
    void setFinished(bool finished = true) { finished_ = finished ? 1 : 0; }
    std::int16_t isEliminated() const { return outOfPlay_; }
    // The army commanders, whose fall ends the battle, are known by their names.
    static bool isCommanderName(const std::string& name) {
        return name.find("Vael") != std::string::npos || name.find("Tezhar") != std::string::npos;
    }
    // What the commentary tells after a leader's fall: a soldier from the ranks takes an ordinary leader's
    // place; nobody takes a commander's, whose fall ends the battle.
    static const char* replacementNote(const std::string& name) {
        return isCommanderName(name) ? "" : " A soldier from the ranks will replace him in command.";
    }
    // Gone for good: a commander's fall leaves nobody in his place, and he cannot fall a second time.
    bool hasLeftTheField() const { return outOfPlay_ && !takesReplacement(); }
    // After the fall has been counted, a commander's ends the battle (END_GAME).
    void endBattleIfCommander();
    std::uint16_t getLastOrderedUnit() const { return lastOrderedUnit_; }
    std::uint16_t isOrdersPhaseActive() const { return ordersPhaseActive_; }
    const List<short>& getCommandHexes() const { return commandHexes_; }
    // Whether the hex lies within the leader's command range; the range is worked out on first need.
    std::int16_t inCommandRange(std::int16_t hex);

    // Switches of every leader: the finish-leader prompt, and the test switches that fix the casualty
    // rolls. Constructing a leader clears the test switches.
    static void setShowFinishLeader(std::uint16_t v) { showFinishLeader_ = v; }
    static void setLeaderCheat(std::uint16_t v) { leaderCheat_ = v; }
    static void setWoundCheat(std::uint16_t v) { woundCheat_ = v; }
    static void setDeadCheat(std::uint16_t v) { deadCheat_ = v; }
    static std::uint16_t showsFinishLeader() { return showFinishLeader_; }
    static std::uint16_t leaderCheat() { return leaderCheat_; }
    static std::uint16_t woundCheat() { return woundCheat_; }
    static std::uint16_t deadCheat() { return deadCheat_; }
    // The finish-leader prompt belongs to the dialogs, which the rules cannot reach: the game installs
    // what puts it up. Without one, no prompt appears.
    using FinishPrompt = std::function<void(Leader&)>;
    static void setFinishPrompt(FinishPrompt prompt) { finishPrompt_ = std::move(prompt); }

    // A message naming a leader by a string names him when the string is his name.
    std::int16_t acceptsEvent(ContainerBase* data) override;
    std::int16_t isHexInZOC(std::int16_t) const override { return 0; }
    std::int16_t isMissileCapable() const override { return 0; }
    std::int16_t isCombatUnit() const override { return 0; }
    std::int16_t isLeader() const override { return 1; }
    std::int16_t testStep(std::int16_t from, std::int16_t to) override;
    std::int16_t hasEnemyContact() override { return 0; }
    // A leader is never routed, so never rallied.
    void rally() override {}
    void rout() override {}
    std::int16_t pointValue() override { return static_cast<std::int16_t>(initiative_ * 5); }
    // Codes 14 to 19 ask the ratings and the orders; any other code is the unit's.
    std::int16_t Query(std::int16_t code) override;
    std::int16_t BeginTurn() override;
    // The leader's orders hook: the unit numbered unitNumber fired a volley.
    std::int16_t MissileVolley(std::int16_t unitNumber) override { return chargeOrderFor(unitNumber); }
    // Where the leader may be ordered to: alone, anywhere his own steps reach that holds no unit; with a
    // granted group move, wherever the whole formation can go.
    List<short> GetValidMovement(DIRECTION facing = NoDirection, std::uint16_t allowance = 0) override;
    // A granted group move gives the leader the allowance of the move before his commands are registered.
    std::int16_t registerSelectedMessages() override;
    // A refusal he told on the status bar goes with his selection.
    std::int16_t unregisterSelectedMessages() override;
    // The clicked destination: the leader moves there, his group with him when a group move is granted.
    std::int16_t hexChosen(std::int16_t hex) override { return MoveUnit(hex); }
    std::int16_t MoveUnit(std::int16_t hex);
    // Why a granted group move refuses a hex it does not offer: beyond the grant's reach, that reach;
    // within it, the places his units would take there.
    std::string groupMoveRefusal(std::int16_t hex) const;
    BestPathResult GetBestPath(std::int16_t dest, List<short>& pathOut, std::int16_t flag) override;
    // The command range follows the leader wherever he ends a move.
    std::uint16_t movementFinished(const List<short>& path, BusMessage doneEvent,
                                   const ContainerBase* donePayload, std::uint16_t noRecompute) override;
    std::int16_t MovementDone(std::uint32_t kind, std::uint16_t unitNumber) override;
    // A leader withdraws alone, along a straight line to the free hex farthest from the enemy, and may be
    // hurt on the way.
    std::int16_t ForceOW(std::int16_t fromHex, std::int16_t otherHex) override;

    // Elimination: the score goes to the side, the figure leaves the map, and a record of the fallen
    // leader goes to the side's leaders while this leader goes on in command as his replacement.
    void disconnectHandlers() override { eliminate(); }
    virtual void eliminate();
    // What his side loses by his fall: five times his initiative before any wound, ten for a commander.
    virtual std::uint16_t fallPoints() const { return static_cast<std::uint16_t>(baseInitiative_ * 5); }

    // A computer leader's orders under way, which his own record keeps only for a leader a player orders: a
    // saved game carries them beside the computer's, and the loaded leader goes on with them rather than
    // beginning his activation again.
    struct OrdersUnderWay {
        std::uint16_t used = 0, lastOrdered = NobodyOrdered, granted = 0, tried = 0, failed = 0, full = 0;
        std::uint32_t facing = NoDirection;
        std::vector<short> commandHexes;
    };
    void writeOrdersUnderWay(SuperString& file) const;
    // False, the file failed and the reason said, when they cannot be this leader's: more orders spent than
    // he has, a flag other than 0 or 1, a facing or a hex of no map.
    bool readOrdersUnderWay(SuperString& file, OrdersUnderWay& orders, std::string& problem) const;
    void resumeOrdersUnderWay(const OrdersUnderWay& orders);
    bool resumesComputerOrders() const { return resumingOrders_; }
    // Saved in the pause after his activation's combats, his orders over: the loaded leader goes on from
    // that pause, finished then as the saved one was.
    void resumePauseAfterCombats(const OrdersUnderWay& orders);
    bool resumesPauseAfterCombats() const { return resumingPause_; }
    void forgetResumedOrders() { resumingOrders_ = resumingPause_ = false; }
    // The order handlers of a computer leader who goes on with his orders: what his activation did to his
    // group (the cohesion restored) is done already.
    void reconnectOrderMessages();

    // The leader's part of a saved game comes before the unit's own part.
    void write(SuperString& file) const override;
    bool read(SuperString& file) override;

    // Step costs of the searches that spread from a leader's hex; -1 bars the step. unit is the unit on
    // the search's start hex (a leader stands with his units), whose nation is the leader's.
    static std::int16_t plainCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                  VaelUnit* unit);
    static std::int16_t ownStepCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                    VaelUnit* unit);
    static std::int16_t ownMoveCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                    VaelUnit* unit);
    static std::int16_t commandRangeCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                         VaelUnit* unit);
    StepCostFunction ownMoveCostFunction() const { return ownMoveCost; }
    StepCostFunction commandRangeCostFunction() const { return commandRangeCost; }
    StepCostFunction stepCostFunction() const override { return ownStepCost; }

    void showStatus();
    void centerOnLeader();

    // Activation and orders.
    void initLocalLeader();
    void initRemoteLeader();
    std::int16_t activateLeader();
    std::int16_t activateRemoteLeader();
    std::int16_t resumeActiveLeader();
    std::int16_t initLeader();
    // The orders of a leader the computer plays start here rather than with "InitLeader".
    void registerOrderMessages();
    std::int16_t chargeOrder(std::uint16_t unitNumber);
    std::int16_t chargeOrderFor(std::int16_t unitNumber);
    void faceGroup();
    // The turn that brings a leader facing own round to the way most of his group faces (facings[d]
    // counts the members facing d): sense 2 clockwise, 1 anticlockwise, 0 for none, and the steps.
    struct FacingTurn {
        std::uint32_t sense;
        std::uint16_t steps;
    };
    static FacingTurn turnTowardGroup(DIRECTION own, const std::uint16_t (&facings)[9]);
    std::int16_t rallyUnit();
    std::int16_t restoreCohesion();
    std::int16_t leaderFinishLeader();
    std::int16_t endOrdersPhase();
    std::int16_t finishLeader();
    std::int16_t finishRemoteLeader();
    // The command range follows a leader who withdrew in the segment that ends.
    std::int16_t commandRangeAfterOW(std::uint16_t withdrew);
    // Once per activation, before any other order: the dice decide whether the whole group may move its
    // full allowance, one hex, or not at all.
    virtual std::int16_t attemptGroupMove();
    std::uint16_t getFailedGroupMoves() const { return failedGroupMoves_; }
    std::uint16_t isFullGroupMove() const { return fullGroupMove_; }
    std::uint16_t wasGroupMoveTried() const { return groupMoveTried_; }
    DIRECTION getGroupFacing() const { return groupFacing_; }
    // The two region directions ahead of a formation facing this way (or of a destination in this sector
    // of bearings, sectors 0 to 5 standing for facings 2, 3, 4, 6, 7, 8); empty for no facing.
    static List<DIRECTION> frontDirections(DIRECTION facing);
    // The step of a full group move: barred where an enemy stands two hexes ahead of the step or two
    // hexes off to either side of it.
    static std::int16_t fullGroupMoveCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                          VaelUnit* unit);

    // Casualties.
    void HitByMissile();
    std::int16_t casualtyResult();
    void wound(std::uint16_t amount);
    // The chance of a casualty for a leader who withdraws along the path (his own hex left out).
    std::int16_t withdrawalCasualtyChance(const List<short>& path) const;

protected:
    void reportSealedLoss() override;
    // Empties the command hexes and fills them again from the leader's hex.
    void refillCommandHexes();
    void sendLegalUnits();
    void sendHexes(BusMessage event, List<short>* hexes, bool asQuery);
    void enableMenu(std::uint16_t command, bool on);
    void askNoMoreOrders(std::int16_t value);
    void replenishGroup();
    // The handlers that charge the orders of the units, for a human's orders and the computer's alike.
    void connectOrderHandlers();
    // A granted group move charges the whole activation at once, not the members' moves one by one.
    void stopChargingEachOrder();
    // Registers the handlers of an activation under way and tells the game the leader has it.
    void takeTheActivation(const char* announcement);
    // The activation's start: the orders counted afresh, the units and the view shown, the activation told
    // by the announcement.
    std::int16_t beginActivation(const char* announcement);
    bool memberReadyForGroupMove(const VaelUnit& member) const;
    void sendResolved(std::uint16_t withdrew, std::uint16_t hex);
    // The free hex a forced withdrawal goes to, -1 when there is none within the leader's movement.
    std::int16_t withdrawalDestination(std::int16_t fromHex, std::int16_t otherHex);
    void disconnectCommandRangeFollower();
    // Registers a handler unless it is registered already, so that a second activation in one turn
    // never charges an order twice.
    void connectOnce(const char* name, HandlerFunction handler);

    std::uint16_t commandRange_;
    std::uint16_t initiative_;
    std::uint16_t baseInitiative_;
    std::uint16_t shockPrecedence_;
    std::uint16_t duelRating_;
    std::uint16_t ordersUsed_ = 0;
    std::uint16_t wounded_ = 0;
    std::uint16_t finished_ = 0;
    Group* group_ = nullptr; // not owned
    List<short> commandHexes_;
    std::uint16_t ordersPhaseActive_ = 0;
    std::uint16_t lastOrderedUnit_ = NobodyOrdered;
    std::uint16_t computerControlled_ = 0;
    std::uint16_t groupMoveGranted_ = 0;
    std::uint16_t failedGroupMoves_ = 0;
    std::uint16_t fullGroupMove_ = 0;
    DIRECTION groupFacing_ = NoDirection;
    std::uint16_t groupMoveTried_ = 0;
    // The status bar shows why his last click was refused.
    bool refusalShown_ = false;
    bool resumingOrders_ = false;
    bool resumingPause_ = false;

    static inline std::uint16_t showFinishLeader_ = 0;
    static inline std::uint16_t leaderCheat_ = 0;
    static inline std::uint16_t woundCheat_ = 0;
    static inline std::uint16_t deadCheat_ = 0;
    static inline FinishPrompt finishPrompt_;

    // A replacement read back from a saved game: what the file cannot say about him.
    virtual void restoreReplacement();
    // A leader whose fall puts a replacement in his place keeps answering where he stood among the
    // bus's handlers, as he did when he fell; one who stays out of play stops as a unit does.
    virtual bool takesReplacement() const { return true; }
    void leavePlayOnLoad() override;
    bool standsOutOfPlay() const override { return takesReplacement(); }

private:
    void putUpFinishPrompt();
    void takeReplacementRatings();
    void markReplacement();
};

// The answer of "GetUnitByNum" and the record of a fallen leader travel as pointers under these names.
VAEL_TYPE_NAME(VaelUnit, "VaelUnit");
VAEL_TYPE_NAME(Leader, "Leader");

} // namespace vael
