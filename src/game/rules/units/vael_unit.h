#pragma once
// The logical unit of the battle: one body of troops or one leader on one hex of the logical map (two
// hexes for a double-sized unit), facing a corner of its hex, belonging to one nation. The unit kinds
// derive from it and fill in the hooks that are pure here; the others carry the answer every kind shares
// unless it says otherwise.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "framework/core/command_records.h"
#include "framework/core/direction.h"
#include "framework/core/list.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/units/unit.h"
#include "game/rules/units/unit_payloads.h"
#include "game/rules/units/vael_unit_data.h"

namespace vael {

class SuperString;

class VaelUnit : public Unit {
public:
    VaelUnit(const VaelUnitData& record, const char* name);
    ~VaelUnit() override = default;

    // The order mode shared by every unit of the battle: 0 outside the special order modes.
    static std::uint16_t getGlobalOrderMode() { return globalOrderMode_; }
    static void setGlobalOrderMode(std::uint16_t mode) { globalOrderMode_ = mode; }

    void setRoutDirection(DIRECTION d) { routDirection_ = d; }
    DIRECTION getRoutDirection() const { return routDirection_; }
    DIRECTION getFacing() const { return facing_; }
    std::uint16_t getLeaderId() const { return leaderId_; }
    // -1 for a unit that covers one hex.
    std::int16_t getSecondHex() const { return secondHex_; }
    void setMovement(std::uint16_t points) { movementAllowance_ = movementLeft_ = points; }
    std::uint16_t getMovementAllowance() const { return movementAllowance_; }
    std::uint16_t getMovementLeft() const { return movementLeft_; }
    std::uint32_t getNation() const { return nation_; }
    void setNation(std::uint32_t nation) {
        nation_ = nation;
        if (landscape_) landscape_->noteChange();
    }
    std::int16_t isOtherNation(std::uint32_t nation) const { return nation_ != nation; }
    std::int16_t hasSpentMovement() const { return movementLeft_ != movementAllowance_; }
    std::uint16_t getPotentialToBeOrdered() const { return potentialToBeOrdered_; }
    void setUsedThisTurn(std::uint16_t v) { usedThisTurn_ = v; }
    std::uint16_t getUsedThisTurn() const { return usedThisTurn_; }
    std::uint16_t isDoneThisTurn() const { return doneForTurn_; }
    std::uint16_t hasRallied() const { return rallied_; }
    std::uint16_t isSelected() const { return selected_; }
    std::int16_t isOutOfPlay() const { return outOfPlay_; }
    // The unit's elimination is decided ("EliminateUnit" is on its way): from then on the rules treat it
    // as gone, as they will once the message is handled, and neither fire at it, run through it nor
    // rally it. The loss is reported at once ("UnitLossSealed"), beside the line that tells it, and once:
    // a unit condemned a second time (an elephant at its rampage's end) reports nothing more.
    void condemn() {
        if (std::exchange(eliminationDue_, std::uint16_t{1}) == 0 && getBus()) reportSealedLoss();
    }
    bool isEliminationDue() const { return eliminationDue_ != 0; }
    // The battle is decided and the unit hears nothing more: what a step already under way would still do
    // with it (turn it after a rally) it no longer does.
    void standDown() { stoodDown_ = true; }
    bool hasStoodDown() const { return stoodDown_; }
    std::uint16_t getAuxWord() const { return auxWord_; }
    void setAuxWord(std::uint16_t v) { auxWord_ = v; }
    std::uint16_t getHasMoved() const { return hasMoved_; }
    // A game loaded while the display still plays the unit's move: the unit waits for its end again, as
    // it did when the game was saved (what it does there, reaction fire and withdrawals, comes then).
    void awaitMovementDone();
    std::uint16_t getOrderMode() const { return orderMode_; }
    std::uint16_t getSelectedHex() const { return selectedHex_; }
    const List<short>& getValidMoves() const { return validMoves_; }
    const List<short>& getBlockedMoves() const { return blockedMoves_; }
    const List<short>& getMovePath() const { return movePath_; }
    std::uint16_t getMoveDestination() const { return moveDestination_; }
    VaelLogicalLandscape* getLandscape() const { return landscape_; }

    // Puts a double-sized unit's second hex on the right-flank neighbour of its hex (no map test).
    void updateSecondHex();
    // The neighbour across the right (left) flank side of hex for a facing, 0 meaning the unit's own
    // facing; -1 when that neighbour is not on the map.
    std::int16_t rightFlankHex(std::int16_t hex, DIRECTION facing = NoDirection) const;
    std::int16_t leftFlankHex(std::int16_t hex, DIRECTION facing = NoDirection) const;
    // Tells the display to show the unit's state.
    void postUnitState();
    // Hands a command to the unit's display object.
    void Animate(const LogicalCommandInfo& command);
    void doNothing() {}
    // Opens an orderly-withdrawal segment for the enemies that the unit's last move or turn approached.
    void postBeginOWSegment();

    // The hex the unit should head for to reach dest: dest itself when it may go there, else the nearest
    // valid move; -1 when it has none.
    std::int16_t QueryMoveTo(std::int16_t dest);
    // Starts a move to dest along the best path; flag 0 continues a move interrupted by a withdrawal.
    std::int16_t BeginMove(std::int16_t dest, std::int16_t flag);
    // Whether the unit could withdraw from an enemy on the given hexes, and along which path.
    std::int16_t CanForceOW(std::int16_t enemyHex, std::int16_t enemySecondHex,
                            List<short>* pathOut = nullptr);

    // Component.
    void connectHandlers() override;
    std::int16_t acceptsEvent(ContainerBase* data) override;

    virtual VaelUnit* create(const VaelUnitData& record, const char* name) = 0;
    // A double-sized unit follows its hex with its second hex.
    void setHex(std::uint16_t hex) override;
    virtual List<short> arcHexes(std::int16_t hex, std::int16_t depth, std::int32_t code);
    virtual std::int16_t stepCost(std::int16_t from, std::int16_t to);
    virtual void stepCohesionHits(std::int16_t from, std::int16_t to, std::uint16_t flag);
    virtual void doubleHexesChanged() {}
    virtual std::int16_t testStep(std::int16_t from, std::int16_t to);
    virtual std::int16_t isHexInZOC(std::int16_t hex) const = 0;
    virtual StepCostFunction stepCostFunction() const = 0;
    // The hexes the unit may move to now; facing 0 and allowance 0 mean the unit's own.
    virtual List<short> GetValidMovement(DIRECTION facing = NoDirection, std::uint16_t allowance = 0) = 0;
    virtual List<short> lineTo(std::int16_t hex);
    // The end of every move: path holds the hexes walked, the start first. Answers the movement left.
    virtual std::uint16_t movementFinished(const List<short>& path, BusMessage doneEvent,
                                           const ContainerBase* donePayload, std::uint16_t noRecompute);
    virtual std::int16_t setFacing(DIRECTION facing);
    // 2 when the turn finished, 1 when it stopped for an enemy withdrawal, 0 when the unit routed.
    virtual std::int16_t ChangeFacing(std::uint32_t sense, std::uint16_t numTurns);
    virtual std::int16_t isMissileCapable() const = 0;
    virtual std::int16_t isCombatUnit() const = 0;
    virtual std::int16_t isLeader() const = 0;
    virtual std::int16_t isDoubleSized() const { return doubleSized_; }
    // Leaves play: the standing handlers go.
    virtual void disconnectHandlers();
    // Undoes a fall that a record read since brought, when what carried the record is refused as a whole:
    // the unit answers again and stands on no hex until its own record, read back, puts it there.
    void returnToPlay();
    virtual std::int16_t hasEnemyContact() = 0;
    // Why a click on this unit of the active leader's nation does not select it, in the player's words;
    // empty when it may be selected.
    std::string whyNotOrderable();
    virtual void rally() = 0;
    virtual void rout() = 0;
    virtual BestPathResult GetBestPath(std::int16_t dest, List<short>& pathOut, std::int16_t flag);
    virtual void write(SuperString& file) const;
    // Restores the saved state on top of the unit built from its scenario record; false, with the unit
    // unchanged, when the stream ends early or holds a value no unit can have.
    virtual bool read(SuperString& file);
    // What the unit carries from one activation to the next beyond its record above (a withdrawal forced
    // on it or pending, whether it may be ordered, its selection's hexes, its moves and its last path):
    // kept apart so that files saved before it was carried still read. Whether it still waits for its
    // move's end is the display's timing, not the battle's, and is not kept. The read takes the whole
    // state or, failing, leaves the unit unchanged.
    virtual void writeRunningState(SuperString& file) const;
    virtual bool readRunningState(SuperString& file);
    // A unit read back out of play stops answering, as its elimination made it.
    virtual void leavePlayOnLoad() { VaelUnit::disconnectHandlers(); }
    // Whether the unit still stands on the map out of play (a leader's replacement in his place).
    virtual bool standsOutOfPlay() const { return false; }
    // A list of hexes of the running state; false, marking the stream, when it runs short or names a hex
    // off the map (the latter said in readProblem as the list named by what).
    bool readHexes(SuperString& file, List<short>& hexes, const char* what = "hexes");
    // Why the latest read or readRunningState refused values it read whole, naming the unit and the value
    // ("the saved game has Aristhon (unit 1) facing 9, which is no direction"); empty when it took them or
    // the bytes ran short.
    const std::string& readProblem() const { return readProblem_; }
    static void writeHexes(SuperString& file, const List<short>& hexes);
    // Declares a shock against the enemy on targetHex; only fighting units can.
    virtual void AddCombatants(std::int16_t) {}
    virtual std::int16_t ForceOW(std::int16_t enemyHex, std::int16_t enemySecondHex);
    virtual void owCohesionHits(std::int16_t) {}
    virtual std::int16_t pointValue() = 0;
    virtual std::int16_t isRouting() { return 0; }
    virtual std::int16_t willRout() { return 0; }
    virtual std::int16_t LegalUnits(std::uint32_t nation, const List<short>& hexes);
    virtual std::int16_t registerSelectedMessages();
    virtual std::int16_t hexChosen(std::int16_t hex);
    virtual std::int16_t unregisterSelectedMessages();
    virtual std::int16_t BeginTurn();
    virtual std::int16_t rotateLeft();
    virtual std::int16_t rotateRight();
    virtual std::int16_t MovementDone(std::uint32_t kind, std::uint16_t unitNumber);
    virtual std::int16_t EndOWSegment(std::uint16_t happened, VaelUnit* unit);
    virtual std::int16_t OWResolved(std::uint16_t happened, std::int16_t hex);
    virtual std::int16_t UnitOW(const OWStruct& owStruct);
    virtual std::int16_t MissileVolley(std::int16_t) { return 0; }
    virtual std::int16_t beginOrdersPhase();
    // Shows the unit's overview modally (through the view the shell installs; none shows nothing).
    virtual std::int16_t viewDetails();
    // The shell's unit overview: the rules cannot reach its dialogs, so it installs what puts one up, and
    // takes it away again (an empty view) before it goes.
    using DetailsView = std::function<void(VaelUnit& unit)>;
    static void setDetailsView(DetailsView view);
    virtual std::int16_t showHexToMoveTo(std::int16_t hex);
    virtual std::int16_t BeginOWSegment() { return 0; }
    virtual std::int16_t UnitAboutFace();
    virtual std::int16_t MoveTo(std::int16_t hex);
    virtual std::int16_t MoveToward(std::int16_t hex);
    virtual std::int16_t fireAtHex(std::int16_t) { return 0; }
    virtual std::int16_t Rotate(std::uint32_t sense, std::uint16_t numTurns);
    virtual std::int16_t RotateTo(DIRECTION facing);
    virtual std::int16_t nearestEnemyHex();
    virtual std::int16_t scanFrontHexes() { return -1; }
    virtual std::int16_t scanRearHexes() { return -1; }
    virtual std::int16_t scanFlankHexes() { return -1; }
    virtual std::int16_t unitAt(std::int16_t hex);
    virtual std::int16_t distanceTo(std::int16_t hex);
    virtual std::int16_t FindLeader();
    virtual std::int16_t UnitInCommandRange();
    virtual std::int16_t canFireAt(std::int16_t) { return 0; }
    virtual std::int16_t enemyWithin(std::int16_t radius);
    virtual std::int16_t Query(std::int16_t code);
    virtual std::int16_t canMoveTo(std::int16_t hex);
    virtual std::int16_t hasOpenHex() { return 1; }
    virtual std::int16_t canRotateTo(DIRECTION facing);
    // Whether a missile unit is choosing a target, which keeps the valid moves unlit.
    virtual std::int16_t isChoosingTarget() { return 0; }

    // After another unit routed or left play while this one is selected: its valid moves may have grown.
    void refigureValidMovement();
    // The selection worker: 1 when the unit took the selection.
    std::int16_t UnitSelected(std::int16_t hex);
    // The hex h + the right-flank offset of a facing by the column's parity (no map test); -1 for a
    // value that is no facing, or where the offset runs past row 0 or row 99 into another column.
    static std::int16_t rightFlankOffsetHex(std::int16_t hex, DIRECTION facing);
    // One facing step clockwise (sense 2) or anticlockwise (any other sense), passing over North and
    // South, which are no facings.
    static DIRECTION stepFacing(DIRECTION facing, std::uint32_t sense);

    // The receiver of a unit's handler; anything else is reported as bad data from the handler's file and
    // line.
    static VaelUnit* handlerTarget(Component* target, const char* sourceFile, std::int16_t line);
    // The value of a reply holding a short, fallback for no reply or one of another kind; deletes the reply.
    static std::int16_t takeShort(ContainerBase* reply, std::int16_t fallback);

    // Bus handlers that the kinds register and remove while a move or a withdrawal segment runs.
    static ContainerBase* onMovementDone(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onBeginOWSegment(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onEndOWSegment(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onOWResolved(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onRegionSelected(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onRegionFlyby(Component* target, BusMessage, ContainerBase* data);
    // The selection's own handlers, which a routing unit replaces with the rally's.
    static ContainerBase* onObjectSelected(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onUnitDeselected(Component* target, BusMessage, ContainerBase* data);

protected:
    // Refuses a saved record's value: says why in readProblem (what follows the unit's name) and marks the
    // stream; answers false.
    bool refuseRead(SuperString& file, const std::string& why);
    // What the unit's elimination will score, sent as "UnitLossSealed": the step that sealed it may be
    // cut off before the elimination comes (the other machine of a network game lost), and the battle
    // still counts the loss it told.
    virtual void reportSealedLoss() {}
    // Leaves the occupant list of from and enters that of to (either may be -1 for none).
    void moveOccupancy(std::int16_t from, std::int16_t to);
    // Recomputes the valid moves, lights them and redraws the view.
    void highlightValidMoves(bool recompute);
    void sendMenuItem(BusMessage event, std::int16_t command);
    void showMarker(const char* message, std::int16_t hex);

    // The hexes a move could reach as last worked out, with what they were worked out from: the map's count
    // of changes, the unit's own state that the fill reads, and whatever else a kind adds. Asked again
    // before any of it changed (a move is asked for, then ordered), the unit answers without filling again.
    // A fill traces as it goes, so nothing is kept while a trace is written.
    struct ReachKey {
        std::uint64_t changes = 0;
        std::uint64_t extra = 0;
        std::int32_t own[10] = {};
        bool operator==(const ReachKey&) const = default;
    };
    struct KeptReach {
        bool valid = false;
        ReachKey key;
        List<short> reach;
        List<short> attack;
        List<short> blocked;
    };
    // Whether the reach may be kept now: on the map, the first on its hex (the fill steps as the first
    // occupant of its start), and no trace written.
    bool reachKeepable() const;
    ReachKey ownReachKey(DIRECTION facing, std::uint16_t allowance) const;
    const KeptReach* keptReachFor(const ReachKey& key) const {
        return keptReach_.valid && keptReach_.key == key ? &keptReach_ : nullptr;
    }
    void keepReach(const ReachKey& key, const List<short>& reach, const List<short>& attack);
    void forgetReach() { keptReach_.valid = false; }

    std::uint16_t selectedHex_ = 0;
    std::uint16_t markedHex_ = 0;
    std::uint16_t markedSecondHex_ = 0;
    std::int16_t secondHex_ = -1;
    std::uint16_t selectedOnOwnHex_ = 1;
    std::uint16_t doubleSized_ = 0;
    std::uint16_t selected_ = 0;
    std::uint16_t hasMoved_ = 0;
    DIRECTION facing_;
    std::uint16_t movementAllowance_;
    std::uint16_t movementLeft_;
    std::uint32_t nation_;
    std::uint16_t leaderId_;
    std::uint16_t auxWord_ = 0;
    std::uint16_t forcedWithdrawal_ = 0;
    std::uint16_t potentialToBeOrdered_ = 0;
    std::uint16_t noHighlight_ = 0;
    std::uint16_t orderMode_ = 0;
    std::uint16_t usedThisTurn_ = 0;
    std::uint16_t doneForTurn_ = 0;
    std::uint16_t rallied_ = 0;
    List<OWStruct> owList_;
    List<short> owHexes_;
    std::uint16_t owPending_ = 0;
    std::uint16_t outOfPlay_ = 0;
    std::uint16_t eliminationDue_ = 0;
    bool stoodDown_ = false;
    List<short> validMoves_;
    List<short> blockedMoves_;
    List<short> movePath_;
    std::uint16_t moveDestination_ = 0;
    DIRECTION routDirection_ = NoDirection;
    VaelLogicalLandscape* landscape_;
    KeptReach keptReach_;

    std::string readProblem_;

private:
    static inline std::uint16_t globalOrderMode_ = 0;
};

// The unit's saved state on a stream, through its own write and read; a failed read marks the stream.
SuperString& writeVaelUnit(SuperString& stream, const VaelUnit& unit);
SuperString& readVaelUnit(SuperString& stream, VaelUnit& unit);

} // namespace vael
