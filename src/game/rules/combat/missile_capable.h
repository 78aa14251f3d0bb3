#pragma once
// The fighting unit that shoots or throws: its missile type, range and supply of volleys, the enemy hexes
// it can hit, the fire order from the menu command to the display's volley and back, and the missile
// chart on which each volley is resolved.
#include <cstdint>
#include <string>

#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_capable_unit_data.h"
#include "game/rules/combat/missile_fire_struct.h"

namespace vael {

struct MissileChartResult {
    // 0 miss, 1 hit, 2 a hit on an elephant or a chariot.
    std::int16_t result = 0;
    // 1 when the die showed 0.
    std::int16_t rawZero = 0;
};

class MissileCapable : public Combat {
public:
    MissileCapable(const MissileCapableUnitData& record, const char* name);

    std::uint32_t getMissileType() const { return missileType_; }
    std::uint16_t getMissileSupply() const { return missileSupply_; }
    std::uint16_t getMissilesLeft() const { return missilesLeft_; }
    std::uint16_t getRange() const { return range_; }
    std::int16_t getFiredThisActivation() const { return firedThisActivation_; }
    const List<short>& getTargetHexes() const { return targetHexes_; }

    // Draws one ten-sided die. A type or distance off the chart never hits.
    static MissileChartResult missileChart(std::uint32_t missileType, std::int16_t distance,
                                           std::uint32_t targetType, std::int16_t inWoods,
                                           std::int16_t frontal, std::int16_t moved,
                                           std::int16_t targetCataphract);
    // The cursor and the commentary verb of a missile type; the arrow's for a type off the table.
    static const char* cursorOf(std::uint32_t missileType);
    static const char* verbOf(std::uint32_t missileType);

    std::int16_t isMissileCapable() const override { return 1; }
    void write(SuperString& file) const override;
    bool read(SuperString& file) override;
    std::int16_t registerSelectedMessages() override;
    std::int16_t unregisterSelectedMessages() override;
    std::int16_t EndOWSegment(std::uint16_t happened, VaelUnit* unit) override;
    std::int16_t MissileVolley(std::int16_t) override;
    std::int16_t beginOrdersPhase() override;
    std::int16_t showHexToMoveTo(std::int16_t hex) override;
    std::int16_t fireAtHex(std::int16_t hex) override;
    std::int16_t canFireAt(std::int16_t hex) override;
    std::int16_t Query(std::int16_t code) override;
    void prepareToRout() override;
    std::int16_t kindFlag() const override { return 0; }
    std::int16_t isChoosingTarget() override { return choosingTarget_; }
    virtual List<short> findTargets();

    const List<short>& rebuildTargets();
    void refreshTargets(std::int16_t flag);
    // Why the unit has nothing to shoot at: no enemy within its range, none in front of it, or none in
    // sight (others or high ground in the way). Told in the status bar when the order finds no target.
    std::string noTargetReason() const;
    void tellNoTarget();
    // Why the unit cannot shoot at that hex, by the first rule that forbids it (no enemy there, out of
    // range, not in front, higher ground or another unit in the line); empty when it can.
    std::string whyNoTargetAt(std::int16_t hex) const;
    // The player's click on a target; whether the volley was loosed (the hit for ordering the unit again
    // may rout it first).
    bool fireAt(std::int16_t hex);
    // Game flow's carrying out of the fire order: one volley spent, the display shows it.
    void fireMissiles(std::int16_t hex);
    // The display's volley is over: the hits are worked out (only for this unit's own volley).
    void resolveVolley(const MissileDebrisStruct& debris);
    // A game loaded while the display still shows the unit's volley: the unit waits for its end again, to
    // work out its hits then, as it did when the game was saved.
    void awaitVolley();
    // A unit that shot its last volley draws a few back, and its turn ends there.
    virtual void replenish();

    static ContainerBase* onMissleVolley(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onFireClick(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onTargetsMayChange(Component* target, BusMessage, ContainerBase* data);
    static ContainerBase* onReturnFromMissileFire(Component* target, BusMessage, ContainerBase* data);

protected:
    // Where the unit's sight towards a hex ends: at the first hex of the line that holds a unit (-1 when
    // none does), unless ground higher than both ends blocks the line first.
    struct Sight {
        short stop = -1;
        bool blocked = false;
    };
    Sight sightTowards(std::int16_t far) const;
    // The hexes the unit reaches across its front sides (every side for the bolt-thrower) within range.
    List<short> reachInFront() const;
    // Puts the move click back in place of the fire click.
    void restoreMoveClick();
    // Enters the target-choosing state: targets lit in place of the moves, the fire click in place.
    void beginChoosingTarget();

    std::uint32_t missileType_;
    std::uint16_t range_;
    std::uint16_t missileSupply_;
    std::uint16_t missilesLeft_;
    List<short> targetHexes_;
    std::int16_t choosingTarget_ = 0;
    std::int16_t firedThisActivation_ = 0;
};

} // namespace vael
