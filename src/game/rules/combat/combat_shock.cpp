// Shock between fighting units, on the unit's side: whom it would choose to attack, the declaration that
// hands the combat to the logical layer, the advance into the hex a beaten enemy left, and the one-step
// turn that brings a charger's target into its front.
#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/clash_chart.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/combat_name_struct.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

constexpr std::int16_t RotateAnticlockwiseItem = 220, RotateClockwiseItem = 221, RestoreCohesionItem = 214,
                       AboutFaceItem = 235;

} // namespace

std::int16_t Combat::chooseShockTarget() {
    auto& trace = debugStream();
    GetValidMovement();
    // Routing, within 2 hits of routing, attack-superior, rear or flank (which no rule fills), column 5 or
    // better.
    List<short> lists[5];
    ListIterator<short> it(attackHexes_);
    for (short h = 0; it.next(h);) {
        const auto* t = dynamic_cast<const Combat*>(firstUnitAt(h));
        if (!t || t->isLeader()) continue;
        auto* target = const_cast<Combat*>(t);
        const std::string who = getName() + " can attack " + target->getName();
        if (target->isRouting()) {
            lists[0].append(h);
            trace << who << " who is routing" << std::endl;
        } else if (static_cast<int>(target->getTroopQuality()) - target->getCohesionHits() <= 2) {
            lists[1].append(h);
            trace << who << " who is within 2 hits of routing" << std::endl;
        } else if (isAttackSuperior(unitType_, target->getUnitType())) {
            lists[2].append(h);
            trace << who << " because he is AS" << std::endl;
        } else if (baseColumn(unitType_, target->getUnitType(), FrontAttack) > 4) {
            lists[4].append(h);
            trace << who << " because he has a 5 or better on the CRT" << std::endl;
        }
    }
    static const char* const choosing[5] = {
        "Choosing list #1 (routing units)", "Choosing list #2 (unit within 2 hits of routing)",
        "Choosing list #3 (AS to defender)", "Choosing list #4 (Rear/flank attack)",
        "Choosing list #5 (Column 5 or better)"};
    for (int i = 0; i < 5; ++i) {
        if (lists[i].isEmpty()) continue;
        trace << choosing[i] << std::endl;
        std::int16_t best = -1;
        int nearest = 1000;
        ListIterator<short> hexes(lists[i]);
        for (short h = 0; hexes.next(h);) {
            const int distance = landscape_->hexDistance(static_cast<std::int16_t>(hex_), h);
            if (distance >= nearest) continue;
            nearest = distance;
            best = h;
            trace << "Found a closer hex: " << h << " with a distance of " << distance << " hexes"
                  << std::endl;
        }
        return best;
    }
    return -1;
}

void Combat::AddCombatants(std::int16_t targetHex) {
    sendMenuItem(DISABLE_MENU_ITEM, RotateAnticlockwiseItem);
    sendMenuItem(DISABLE_MENU_ITEM, RotateClockwiseItem);
    if (doubleSized_) sendMenuItem(DISABLE_MENU_ITEM, AboutFaceItem);
    sendMenuItem(DISABLE_MENU_ITEM, RestoreCohesionItem);
    attackHexes_.clear();
    disconnect(REGION_SELECTED, onRegionSelected);

    CombatNameStruct combat;
    combat.attacker = unitNumber_;
    combat.hex = static_cast<std::uint16_t>(targetHex);
    bool targetMet = false, doubleMet = false;
    ListIterator<short> zone(zocHexes_);
    for (short h = 0; landscape_ && zone.next(h);) {
        ListIterator<const VaelUnit*> there(landscape_->unitsInHex(h));
        for (const VaelUnit* u = nullptr; there.next(u);) {
            if (!u->isOtherNation(nation_)) continue;
            const auto number = static_cast<unsigned short>(u->getUnitNum());
            // A two-hex enemy can stand in two hexes of the zone; it fights once.
            List<unsigned short>& side = u->isLeader() ? combat.leaders : combat.defenders;
            if (!side.contains(number)) side.append(number);
            if (u->isLeader()) continue;
            if (h == targetHex) {
                targetMet = true;
                combat.hex = static_cast<std::uint16_t>(targetHex);
            } else if (u->isDoubleSized() && !targetMet && !doubleMet) {
                doubleMet = true;
                combat.hex = u->getHex();
            }
        }
        combat.moved = movementLeft_ < movementAllowance_ ? 1 : 0;
    }
    if (!combat.defenders.isEmpty()) {
        Container<CombatNameStruct> box(combat);
        dropAnswer(sendNowNamed(msg::AddCombatants, &box));
        potentialToBeOrdered_ = 0;
        doneForTurn_ = 1;
    }
    Container<List<short>> moves(validMoves_);
    send(DEHIGHLIGHT_REGION, &moves);
    sendEmpty(INVALIDATE_VIEW);
    validMoves_.clear();
}

std::int16_t Combat::AdvanceAfterCombat(std::int16_t targetHex, std::int16_t inCharge) {
    auto& trace = debugStream();
    trace << "Here in AdvanceAfterCombat" << std::endl;
    if (!landscape_ || hex_ == offMap || !landscape_->isValidHex(targetHex)) return 0;
    const auto here = static_cast<std::int16_t>(hex_);
    if (inCharge) {
        trace << "In the Charge" << std::endl;
        if (landscape_->isInEnemyZOC(here, nation_)) {
            trace << "Not advancing because he is in someone's ZOC" << std::endl;
            return 0;
        }
        if (doubleSized_ && secondHex_ >= 0 && landscape_->isInEnemyZOC(secondHex_, nation_)) {
            trace << "Not advancing because the right side is in someone's ZOC" << std::endl;
            return 0;
        }
    }
    List<short> path;
    if (!doubleSized_ || secondHex_ < 0) {
        path = landscape_->hexLine(here, targetHex);
        Item<short>* step = nullptr;
        path.firstItem(step);
        for (step = step ? step->next : nullptr; step; step = step->next)
            if (holdsOtherUnit(step->value)) return 0;
    } else {
        trace << "The unit is double sized" << std::endl;
        const auto across = [this](std::int16_t from, std::int16_t a, std::int16_t b) {
            return neighbour(from, landscape_->neighbourDirection(a, b));
        };
        const bool besideLeft = landscape_->hexDistance(here, targetHex) == 1;
        const bool besideRight = landscape_->hexDistance(secondHex_, targetHex) == 1;
        if (besideLeft && besideRight) {
            const std::int16_t right = across(secondHex_, here, targetHex);
            if (right >= 0 && !holdsOtherUnit(right)) {
                path = landscape_->hexLine(here, targetHex);
            } else {
                const std::int16_t left = across(here, secondHex_, targetHex);
                if (left < 0) {
                    trace << "Didn't advance because of the edge of the map..." << std::endl;
                    return 0;
                }
                if (holdsOtherUnit(left)) {
                    trace << "Couldn't move because there are units in the way" << std::endl;
                    return 0;
                }
                path = landscape_->hexLine(here, left);
            }
        }
        if (path.isEmpty() && besideLeft) {
            const std::int16_t right = across(secondHex_, here, targetHex);
            // The right half would have nowhere to stand off the map.
            if (right < 0) {
                trace << "Didn't advance because of the edge of the map..." << std::endl;
                return 0;
            }
            if (holdsOtherUnit(right)) {
                trace << "Left was the only way and someone is in the way on the right..." << std::endl;
                return 0;
            }
            if (holdsOtherUnit(targetHex)) {
                trace << "Left was the only way and someone is in the way on the left..." << std::endl;
                return 0;
            }
            path = landscape_->hexLine(here, targetHex);
        }
        if (path.isEmpty() && besideRight) {
            const std::int16_t left = across(here, secondHex_, targetHex);
            if (left < 0) {
                trace << "Didn't advance because of the edge of the map..." << std::endl;
                return 0;
            }
            if (holdsOtherUnit(left)) {
                trace << "Right was the only way and someone was there.." << std::endl;
                return 0;
            }
            path = landscape_->hexLine(here, left);
        }
    }
    // A target out of reach gives no line to walk.
    if (path.count() < 2) return 0;
    advancing_ = 1;
    Container<short> number(static_cast<short>(unitNumber_));
    movementFinished(path, BusMessage(RegisteredMessage::getId(msg::AdvancingDone)), &number, 0);
    advancing_ = 0;
    List<short> around = hexesAround(static_cast<std::int16_t>(hex_));
    ListIterator<short> it(around);
    for (short h = 0; it.next(h);) {
        const VaelUnit* first = landscape_->firstOccupant(h);
        if (!first || !first->isLeader() || !first->isOtherNation(nation_)) continue;
        trace << getName() << " causing " << first->getName()
              << " (a leader) to Force OW from advance after combat" << std::endl;
        const_cast<VaelUnit*>(first)->ForceOW(static_cast<std::int16_t>(hex_), secondHex_);
    }
    return 1;
}

void Combat::RefaceFromCharge(std::int16_t targetHex) {
    debugStream() << getName() << " here in RefaceFromCharge" << std::endl;
    const DIRECTION original = facing_;
    for (std::uint32_t sense : {1u, 2u}) {
        facing_ = stepFacing(original, sense);
        const List<short> zone = zocFromHex(static_cast<std::int16_t>(hex_));
        facing_ = original;
        if (!zone.contains(targetHex)) continue;
        Container<ChangeFacingStruct> order(ChangeFacingStruct{sense, 0, 1, unitNumber_});
        dropAnswer(sendNowNamed(msg::ChangeFacing, &order));
        return;
    }
    debugStream() << "Reface not necessary after all. Impassible hex is between." << std::endl;
}

} // namespace vael
