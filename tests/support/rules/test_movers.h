#pragma once
// Test doubles of unit kinds that move by the unit rules: they keep the real standing handlers and selection
// of the logical unit and complete it with the least movement rule the tests need. A step costs what the
// map says and is barred into a hex held by any other unit but a leader; valid moves are what that rule
// reaches with the movement left, over all six sides. The hooks the kinds fill in later are noted.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/leaders/leader.h"
#include "support/rules/test_units.h"

namespace vael::test {

template <class Kind> class Mover : public Kind {
public:
    template <class Record> explicit Mover(const Record& record) : Kind(record, record.name.c_str()) {}

    VaelUnit* create(const VaelUnitData&, const char*) override { return nullptr; }
    StepCostFunction stepCostFunction() const override {
        return [](std::int16_t from, std::int16_t to, VaelLogicalLandscape*, VaelUnit* unit) -> std::int16_t {
            return unit ? unit->stepCost(from, to) : 1;
        };
    }
    std::int16_t stepCost(std::int16_t from, std::int16_t to) override {
        const VaelUnit* there = this->landscape_->firstOccupant(to);
        if (there && there != this && !there->isLeader()) return -1;
        return this->landscape_->stepCostBetween(from, to);
    }
    List<short> GetValidMovement(DIRECTION, std::uint16_t allowance) override {
        List<short> reach;
        List<DIRECTION> sides;
        for (std::int32_t d : {1, 2, 4, 5, 6, 8})
            sides.append(static_cast<DIRECTION>(d));
        this->blockedMoves_.clear();
        this->landscape_->floodFill(reach, sides, static_cast<std::int16_t>(this->hex_),
                                    static_cast<std::int16_t>(allowance ? allowance : this->movementLeft_), 1,
                                    stepCostFunction(), nullptr, &this->blockedMoves_);
        ++validMovesAsked;
        return reach;
    }
    std::int16_t hasEnemyContact() override { return contact; }
    void rally() override {}
    void rout() override {}
    std::int16_t pointValue() override { return 0; }
    void stepCohesionHits(std::int16_t from, std::int16_t to, std::uint16_t flag) override {
        notes.push_back(values("hits", from, to, flag));
    }
    void doubleHexesChanged() override { notes.push_back("hexesChanged"); }
    void owCohesionHits(std::int16_t hex) override { notes.push_back(values("owHits", hex)); }
    std::int16_t BeginOWSegment() override { return notes.push_back("BeginOWSegment"), 0; }
    std::int16_t isRouting() override { return routing; }
    std::int16_t willRout() override { return 0; }
    std::int16_t isChoosingTarget() override { return choosingTarget; }

    // Selection as the display's echo completes it.
    void select(std::int16_t at) {
        this->potentialToBeOrdered_ = 1;
        this->UnitSelected(at);
    }
    void setValidMoves(std::initializer_list<short> hexes, std::initializer_list<short> blocked = {}) {
        this->validMoves_ = listOf(hexes);
        this->blockedMoves_ = listOf(blocked);
    }

    using Kind::auxWord_, Kind::doneForTurn_, Kind::forcedWithdrawal_, Kind::hasMoved_, Kind::leaderId_,
        Kind::markedHex_, Kind::markedSecondHex_, Kind::moveDestination_, Kind::movementLeft_,
        Kind::noHighlight_, Kind::orderMode_, Kind::owHexes_, Kind::owPending_, Kind::potentialToBeOrdered_,
        Kind::rallied_, Kind::selected_, Kind::selectedHex_, Kind::usedThisTurn_;

    std::vector<std::string> notes;
    int validMovesAsked = 0;
    std::int16_t contact = 0, routing = 0, choosingTarget = 0;
};

// A fighting unit whose zone of control the test gives.
template <class Kind> struct FightingMover : Mover<Kind> {
    explicit FightingMover(const UnitSetup& s) : Mover<Kind>(s) { this->unitType_ = s.unitType; }
    void rebuildZOC() override {}
    void buildFrontHexes() override {}
    void buildRearHexes() override {}
    void buildFlankHexes() override {}
    std::int16_t kindFlag() const override { return 1; }
    void setZOC(std::initializer_list<short> hexes) { this->zocHexes_ = listOf(hexes); }

    // The logical unit's own answers where the fighting unit's rules would stand in the way of a test of
    // the logical unit.
    std::int16_t testStep(std::int16_t from, std::int16_t to) override {
        return VaelUnit::testStep(from, to);
    }
    std::uint16_t movementFinished(const List<short>& path, BusMessage doneEvent,
                                   const ContainerBase* payload, std::uint16_t noRecompute) override {
        return VaelUnit::movementFinished(path, doneEvent, payload, noRecompute);
    }
    std::int16_t ChangeFacing(std::uint32_t sense, std::uint16_t turns) override {
        return VaelUnit::ChangeFacing(sense, turns);
    }
    void disconnectHandlers() override { VaelUnit::disconnectHandlers(); }
    void write(SuperString& file) const override { VaelUnit::write(file); }
    bool read(SuperString& file) override { return VaelUnit::read(file); }
    std::int16_t registerSelectedMessages() override { return VaelUnit::registerSelectedMessages(); }
    std::int16_t hexChosen(std::int16_t hex) override { return VaelUnit::hexChosen(hex); }
    std::int16_t unregisterSelectedMessages() override { return VaelUnit::unregisterSelectedMessages(); }
    std::int16_t rotateLeft() override { return VaelUnit::rotateLeft(); }
    std::int16_t rotateRight() override { return VaelUnit::rotateRight(); }
    std::int16_t MovementDone(std::uint32_t kind, std::uint16_t unit) override {
        return VaelUnit::MovementDone(kind, unit);
    }
    std::int16_t beginOrdersPhase() override { return VaelUnit::beginOrdersPhase(); }
    std::int16_t showHexToMoveTo(std::int16_t hex) override { return VaelUnit::showHexToMoveTo(hex); }
    std::int16_t UnitAboutFace() override { return VaelUnit::UnitAboutFace(); }
    std::int16_t MoveTo(std::int16_t hex) override { return VaelUnit::MoveTo(hex); }
    std::int16_t Query(std::int16_t code) override { return VaelUnit::Query(code); }
    std::int16_t EndOWSegment(std::uint16_t happened, VaelUnit* unit) override {
        return VaelUnit::EndOWSegment(happened, unit);
    }
    std::int16_t OWResolved(std::uint16_t withdrew, std::int16_t hex) override {
        return VaelUnit::OWResolved(withdrew, hex);
    }
    std::int16_t UnitOW(const OWStruct& record) override { return VaelUnit::UnitOW(record); }
    void AddCombatants(std::int16_t) override {}
};

using CombatMover = FightingMover<Combat>;
using MissileMover = FightingMover<MissileCapable>;

struct LeaderMover : Mover<Leader> {
    explicit LeaderMover(const UnitSetup& s) : Mover<Leader>(TestLeader::record(s)) {}
};

} // namespace vael::test
