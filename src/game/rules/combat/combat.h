#pragma once
// The fighting unit: troop quality, cohesion hits and the rout flags, its size and type code, and the hex
// lists that describe its surroundings (zone of control, front, flank and rear, the enemies it could
// shock). It carries the rules every kind of fighting unit shares: the hexes it may move to and what a
// step costs, the cohesion hits of terrain, heights, elephants and orders given twice, the TQ check, the
// announcing and applying of hits, the restoring of cohesion, and elimination. The unit kinds complete
// it with their type code and value. Its rules are written beside the concern they belong to: its moves
// and its side of orderly withdrawal in units/ (combat_movement.cpp, orderly_withdrawal.cpp), its rout
// and rally in rout/ (combat_rout.cpp, rally.cpp), the rest here in combat/.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/list.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/combat/combat_unit_data.h"
#include "game/rules/units/unit_type.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

// The result of a TQ check: on a failure, by how much the roll missed (0 when it equalled the
// threshold, which is still a failure).
struct TQCheck {
    bool passed = false;
    std::int16_t margin = 0;
};

class Combat : public VaelUnit {
public:
    Combat(const CombatUnitData& record, const char* name);
    ~Combat() override = default;

    std::uint16_t getSize() const { return size_; }
    std::uint32_t getUnitType() const { return unitType_; }
    std::uint16_t getCohesionHits() const { return cohesionHits_; }
    std::uint16_t getTroopQuality() const { return TQ_; }
    std::int16_t getPendingHits() const { return numPointsLeftToAdd_; }
    // The most hits a unit holds announced and not yet applied. One step's terrain costs at most 198 (two
    // fatal entries of the chart), announcements are applied as soon as the message that made them is
    // done, and a routing unit, which applies none, gathers one or two a volley until it leaves the field:
    // the battles played gather about a hundred at most. Far above that, and far below what the next
    // announcement would overflow.
    static constexpr std::int16_t MaxPendingHits = 999;
    std::uint16_t getOrderHex() const { return orderHex_; }
    std::int16_t getOrderedThisActivation() const { return orderedThisActivation_; }
    std::int16_t getRallyTried() const { return rallyTried_; }
    std::int16_t getTurned() const { return turned_; }
    const List<short>& getAttackHexes() const { return attackHexes_; }
    std::int16_t isInFrontHexes(std::int16_t hex) const { return frontHexes_.contains(hex); }
    std::int16_t isInFlankHexes(std::int16_t hex) const { return flankHexes_.contains(hex); }
    std::int16_t isInRearHexes(std::int16_t hex) const { return rearHexes_.contains(hex); }

    // Troop quality and cohesion.
    TQCheck tqCheck(std::int16_t roll);
    // Announces hits; answers 1 when the unit will rout once they are applied.
    std::int16_t tqHit(std::int16_t hits, std::uint32_t cause);
    // Applies announced hits: what the logical layer does when "TQHit" reaches it.
    void CohesionHit(std::uint16_t hits, std::uint32_t cause);
    void restoreCohesion(std::int16_t initiative);
    // A unit whose elimination is decided (run through by a rout while routing, say) or done has no
    // cohesion left to restore: the order is no order, and no die is rolled for it.
    bool mayRestoreCohesion() const { return !isEliminationDue() && !isOutOfPlay(); }
    // Leaves play by elimination, worth points to the enemy.
    void eliminate(std::uint16_t points);
    // The hits a finished step costs, before any are announced; text is the commentary line (empty when
    // none is due).
    std::int16_t terrainHits(std::int16_t from, std::int16_t to, std::string& text) const;

    // Movement class of a type code: 0 infantry, 1 skirmishers, 2 cavalry, 3 elephants, 4 chariots.
    static int movementClass(std::uint32_t unitType);
    static bool isCavalry(std::uint32_t unitType) {
        return unitType == HC || unitType == LN || unitType == LC;
    }
    // The two region directions of a facing's front or rear sides, in the order each rule takes them;
    // the order decides which hex comes first in each list, and the rules differ in it (facing 2 steps
    // through 2 then 1, its front hexes are filled through 1 then 2). {0, 0} for a value that is no facing.
    enum class Sides { Front, Step, ScanFront, Rear, ScanRear };
    static std::pair<std::int32_t, std::int32_t> sidesOf(Sides use, DIRECTION facing);
    // The flood fill's step callback: the unit's own step test.
    static std::int16_t combatStepCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                       VaelUnit* unit);

    // VaelUnit.
    std::int16_t stepCost(std::int16_t from, std::int16_t to) override;
    // Whether an enemy elephant's zone of control reaches the hex, where horses will not go.
    bool inElephantZone(std::int16_t hex);
    void stepCohesionHits(std::int16_t from, std::int16_t to, std::uint16_t exemptSameLeader) override;
    void doubleHexesChanged() override;
    std::int16_t testStep(std::int16_t from, std::int16_t to) override;
    // A unit out of play controls nothing.
    std::int16_t isHexInZOC(std::int16_t hex) const override {
        return !outOfPlay_ && zocHexes_.contains(hex);
    }
    StepCostFunction stepCostFunction() const override { return combatStepCost; }
    List<short> GetValidMovement(DIRECTION facing = NoDirection, std::uint16_t allowance = 0) override;
    std::uint16_t movementFinished(const List<short>& path, BusMessage doneEvent,
                                   const ContainerBase* donePayload, std::uint16_t noRecompute) override;
    std::int16_t ChangeFacing(std::uint32_t sense, std::uint16_t numTurns) override;
    std::int16_t isMissileCapable() const override { return 0; }
    std::int16_t isCombatUnit() const override { return 1; }
    std::int16_t isLeader() const override { return 0; }
    void disconnectHandlers() override;
    std::int16_t hasEnemyContact() override;
    void rally() override;
    void rout() override;
    void write(SuperString& file) const override;
    bool read(SuperString& file) override;
    void writeRunningState(SuperString& file) const override;
    bool readRunningState(SuperString& file) override;
    std::int16_t pointValue() override { return static_cast<std::int16_t>(TQ_); }
    std::int16_t isRouting() override { return routing_; }
    std::int16_t willRout() override;
    // A double-sized unit with the aux word set keeps its order only with room to step forward.
    std::int16_t LegalUnits(std::uint32_t nation, const List<short>& hexes) override;
    std::int16_t registerSelectedMessages() override;
    std::int16_t hexChosen(std::int16_t hex) override;
    std::int16_t unregisterSelectedMessages() override;
    std::int16_t rotateLeft() override;
    std::int16_t rotateRight() override;
    std::int16_t MovementDone(std::uint32_t kind, std::uint16_t unitNumber) override;
    std::int16_t beginOrdersPhase() override;
    std::int16_t showHexToMoveTo(std::int16_t hex) override;
    std::int16_t UnitAboutFace() override;
    std::int16_t MoveTo(std::int16_t hex) override;
    std::int16_t scanFrontHexes() override;
    std::int16_t scanRearHexes() override;
    std::int16_t scanFlankHexes() override;
    std::int16_t Query(std::int16_t code) override;
    std::int16_t hasOpenHex() override;

    // Zones of control and the hexes around the unit.
    virtual void rebuildZOC();
    virtual List<short> zocFromHex(std::int16_t hex);
    virtual void buildFrontHexes();
    virtual void buildRearHexes();
    virtual void buildFlankHexes();
    // The first step of a rout: the unit leaves its combats and its zone of control, turns its back to
    // the enemy and runs two hexes.
    virtual void prepareToRout();
    // Runs up to hexes toward the side's rout edge (more when it would end on a unit or beside an enemy
    // leader), moving on the landscape at once, and tells the game the path.
    virtual void RoutMove(std::int16_t hexes);
    // The game's answer to the path: the unit stands at its end and the display walks it there, or, for a
    // terminal rout, the unit leaves play.
    virtual void DoRout(const List<short>& path, std::uint16_t terminal);
    // A leader of the given initiative tries to rally the routing unit: 1 when it rallied.
    virtual std::int16_t attemptRally(std::int16_t initiative);
    // Whether a rally may be attempted: the unit routs, and nothing has sealed its fate already.
    // A unit whose elimination is already decided is past rallying.
    virtual bool mayRally() { return routing_ != 0 && !isEliminationDue(); }
    virtual const List<short>& getFrontHexes() const { return frontHexes_; }
    virtual const List<short>& getFlankHexes() const { return flankHexes_; }
    virtual const List<short>& getRearHexes() const { return rearHexes_; }
    virtual List<short> hexWedge(std::int16_t depth, DIRECTION facing);
    virtual const List<short>& getZOCHexes() const { return zocHexes_; }
    // Rebuilds the hexes around the unit after it moved or turned.
    virtual void updateSurroundings();
    virtual std::int16_t kindFlag() const = 0;
    virtual std::int16_t canAttackHex(std::int16_t hex) { return attackHexes_.contains(hex); }
    virtual void setWillRout() { willRout_ = 1; }
    virtual void setCohesionHits(std::uint16_t hits);
    // A routing unit stands again with the hits a rally left it: it stops routing, is spent for the
    // turn and reports the rally.
    void standFromRout(std::uint16_t hits);
    // The computer opponent's shock order against the enemy on hex; the unit's orders end with it.
    virtual std::int16_t declareShock(std::int16_t hex);
    virtual std::int16_t refaceAfterRally();
    virtual std::int16_t turnTowardEnemy();
    virtual std::int16_t nearestEnemyCombatHex();

    // Shock: the target the unit would choose (-1 for none), the declaration, the advance into the hex a
    // beaten enemy left (1 when the unit advanced) and the one-step turn after a charge.
    virtual std::int16_t chooseShockTarget();
    void AddCombatants(std::int16_t targetHex) override;
    virtual std::int16_t AdvanceAfterCombat(std::int16_t targetHex, std::int16_t inCharge);
    void RefaceFromCharge(std::int16_t targetHex);
    const List<short>& getVacatedHexes() const { return vacatedHexes_; }

    // Orderly withdrawal: the approaching unit's segment and the approached unit's test and hits.
    void owCohesionHits(std::int16_t approacherHex) override;
    std::int16_t EndOWSegment(std::uint16_t happened, VaelUnit* unit) override;
    std::int16_t OWResolved(std::uint16_t withdrew, std::int16_t hex) override;
    std::int16_t UnitOW(const OWStruct& record) override;
    std::int16_t BeginOWSegment() override;
    // Takes the next unit of the segment to ask about withdrawing.
    void askNext();

    static ContainerBase* onUnitRestoreCohesion(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onRally(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onRoutingUnitDeselected(Component* target, BusMessage, ContainerBase* data);

protected:
    void reportSealedLoss() override;
    // Selection of a routing unit, which may only be rallied.
    std::int16_t registerRallyMessages();
    void rallyOrder(std::int16_t initiative);
    void deselectRoutingUnit();
    // The hexes the unit covers, as the display's highlight messages take them.
    List<short> ownHexes() const;
    // Whether a hex lies in a zone of control of the other side, as the game answers it.
    bool inEnemyZOC(std::int16_t hex);
    // One step of a rout: the destination (and for a double-sized unit its right-hand hex) by the three
    // searches in turn; false when none finds one.
    bool chooseRoutStep(int step, std::int16_t& dest, std::int16_t& destRight);
    bool routSearch(int search, int step, std::int16_t& dest, std::int16_t& destRight);
    void terminalRout(const List<short>& path);
    // Takes the unit off its hexes and stands it on hex, a double-sized unit's second hex beside it.
    void relocate(std::int16_t hex);
    // The units a finished rout ran through: hit when steady, destroyed when routing themselves.
    void treatRunThrough(const List<short>& left, const List<short>& right);

    // The commentary line, and the one cohesion hit, of a unit given a second order in a turn; answers 0
    // when that hit routs it and the order must be dropped.
    std::int16_t orderAgainHit(const char* text);
    // A rotate order: sense 1 anticlockwise, 2 clockwise.
    std::int16_t turnOrder(std::uint32_t sense);
    // The two status-bar panes of the selected unit.
    void showStatus();
    // The nearest unit of another nation met among hexes; 0xFFFF (-1) when there is none.
    std::int16_t nearestEnemyAmong(const List<short>& hexes) const;
    // The hexes one step from the unit across two sides of a table (front or rear), without its own.
    void fillBeside(List<short>& hexes, Sides side);
    // The valid movement's parts: the fill with the hexes taken out that the unit cannot end on, the facing
    // menu for the movement left, and what the fill reads of the declared combats.
    List<short> reachableHexes(DIRECTION facing, std::uint16_t allowance);
    void menuForMovementLeft();
    std::uint64_t combatsSeen() const;
    void fillRegion(List<short>& region, const List<DIRECTION>& directions, std::int16_t start);
    std::int16_t scanRegion(const List<DIRECTION>& directions, const List<short>& starts, const char* what);
    void sendCommentary(const std::string& text);
    // The neighbour of hex across a region side; -1 when there is none.
    std::int16_t neighbour(std::int16_t hex, std::int32_t side) const;
    std::int16_t heightLevel(std::int16_t hex) const;
    // The hexes one step from hex, in the landscape's order of sides (none off the map).
    List<short> hexesAround(std::int16_t hex) const;
    const VaelUnit* firstUnitAt(std::int16_t hex) const;
    bool holdsOtherUnit(std::int16_t hex) const;

    std::uint16_t TQ_;
    std::uint16_t cohesionHits_ = 0;
    std::int16_t numPointsLeftToAdd_ = 0;
    std::int16_t routing_ = 0;
    std::int16_t advancing_ = 0;
    std::int16_t turned_ = 0;
    std::int16_t willRout_ = 0;
    std::uint16_t size_;
    std::uint32_t unitType_ = 0;
    std::int16_t rallyTried_ = 0;
    std::uint16_t orderHex_ = 0xFFFF;
    std::int16_t orderedThisActivation_ = 0;
    List<short> vacatedHexes_;
    // The units of this unit's withdrawal segment still to be asked, each with the hex it was found on,
    // and the one asked now: a unit that routs away before it answers names its new hex.
    std::vector<std::pair<const VaelUnit*, short>> owAsked_;
    std::pair<const VaelUnit*, short> askedNow_{nullptr, -1};
    List<short> zocHexes_;
    List<short> frontHexes_;
    List<short> flankHexes_;
    List<short> rearHexes_;
    List<short> attackHexes_;
};

} // namespace vael
