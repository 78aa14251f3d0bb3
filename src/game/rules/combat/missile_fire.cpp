// The fire order of a missile-armed unit, from the menu command through the player's choice of target to
// the display's volley, and the missile chart that resolves it.
#include <string>

#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/hex_codes.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/clash_chart.h"
#include "game/rules/combat/heavy_cav.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_payloads.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "MISSCAP";
constexpr std::int16_t MissileVolleyItem = 219, RotateAnticlockwiseItem = 220, RotateClockwiseItem = 221,
                       RestoreCohesionItem = 214;

// Hit when the modified roll is at most the entry; rows by type 1 to 8, columns by distance 1 to 7.
constexpr std::int8_t chart[8][7] = {
    {5, 3, 3, 1, 0, 0, 0}, {9, 6, 5, 2, 0, 0, 0}, {3, 2, 0, 0, 0, 0, 0}, {5, 0, 0, 0, 0, 0, 0},
    {3, 0, 0, 0, 0, 0, 0}, {5, 3, 1, 0, 0, 0, 0}, {3, 0, 0, 0, 0, 0, 0}, {7, 5, 5, 3, 2, 1, 0},
};

bool onChart(std::uint32_t missileType) {
    return missileType >= 1 && missileType <= 8;
}

BusMessage named(const char* name) {
    return BusMessage(RegisteredMessage::getId(name));
}

void sendHexes(VaelUnit& unit, BusMessage event, const List<short>& hexes) {
    Container<List<short>> box(hexes);
    unit.send(event, &box);
}

MissileCapable* missileTarget(Component* target, std::int16_t line) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, line);
    auto* missile = dynamic_cast<MissileCapable*>(unit);
    if (unit && !missile) Assertion::check(false, BadPayloadMessage, sourceFile, line);
    return missile;
}

} // namespace

const char* MissileCapable::cursorOf(std::uint32_t missileType) {
    switch (missileType) {
    case 3:
        return "Sling";
    case 4:
    case 7:
        return "Javelin";
    case 8:
        return "Bolt";
    default:
        return "Arrow";
    }
}

const char* MissileCapable::verbOf(std::uint32_t missileType) {
    switch (missileType) {
    case 3:
        return " slings stones at ";
    case 4:
    case 7:
        return " throws javelins at ";
    case 8:
        return " fires bolt at ";
    default:
        return " fires arrows at ";
    }
}

MissileChartResult MissileCapable::missileChart(std::uint32_t missileType, std::int16_t distance,
                                                std::uint32_t targetType, std::int16_t inWoods,
                                                std::int16_t frontal, std::int16_t moved,
                                                std::int16_t targetCataphract) {
    auto& trace = debugStream();
    int m = 0;
    if (inWoods) {
        ++m;
        trace << "+1 die modifier for being in woods: " << m << std::endl;
    }
    const bool heavyFoot = targetType == 2 || targetType == 0;
    if (heavyFoot) {
        ++m;
        trace << "+1 die modifier for defender being HI or PH: " << m << std::endl;
    }
    if (heavyFoot && distance == 1 && frontal && missileType != 4 && missileType != 7) {
        m += 3;
        trace
            << "+3 die modifier for defender being PH or HI AND and a frontal missile attack AND the unit is "
               "NOT a javelin: "
            << m << std::endl;
    }
    if (missileType != 4 && moved) {
        ++m;
        trace << "+1 die modifier for not being a foot javelin AND having moved: " << m << std::endl;
    }
    if (targetCataphract) {
        if (missileType == 1 || missileType == 2 || missileType == 5 || missileType == 6) {
            m += 2;
            trace << "+2 die modifier for the defender being cataphracted: " << m << std::endl;
        } else if (missileType == 3 || missileType == 4 || missileType == 7) {
            ++m;
            trace << "+1 die modifier for the defender being cataphracted: " << m << std::endl;
        }
    }
    int d = Roll::d10();
    // Off the chart (a type or distance no scenario should give) nothing can hit, not even automatically.
    const bool inside = onChart(missileType) && distance >= 1 && distance <= 7;
    const int entry = inside ? chart[missileType - 1][distance - 1] : -1;
    trace << "Rolling for missile fire.  The raw dieroll == " << d << std::endl
          << "Missile result: " << entry << std::endl
          << "(MissileType=" << missileType << "; range=" << distance << ")" << std::endl;
    MissileChartResult out;
    out.rawZero = d == 0;
    if (missileAutoHit()) m = d = 0;
    if (m + d <= entry) out.result = targetType == 13 || targetType == 14 ? 2 : 1;
    return out;
}

// Selection and the menu command.

std::int16_t MissileCapable::registerSelectedMessages() {
    Combat::registerSelectedMessages();
    if (missilesLeft_ > 0 && !routing_ && !firedThisActivation_ && orderMode_ == 0) {
        sendMenuItem(ENABLE_MENU_ITEM, MissileVolleyItem);
        if (!isConnected(named(msg::MissleVolley), onMissleVolley))
            connectNamed(msg::MissleVolley, onMissleVolley);
    }
    return 0;
}

void MissileCapable::restoreMoveClick() {
    disconnect(REGION_SELECTED, onFireClick);
    if (!isConnected(REGION_SELECTED, onRegionSelected)) connect(REGION_SELECTED, onRegionSelected);
}

std::int16_t MissileCapable::unregisterSelectedMessages() {
    disconnectNamed(msg::MissleVolley, onMissleVolley);
    sendMenuItem(DISABLE_MENU_ITEM, MissileVolleyItem);
    if (choosingTarget_) {
        debugStream() << "Resetting all arrow stuff because he was still chosen for missile combat"
                      << std::endl;
        sendHexes(*this, DEHIGHLIGHT_REGION, targetHexes_);
        sendHexes(*this, HIGHLIGHT_REGION, validMoves_);
        sendEmpty(INVALIDATE_VIEW);
        sendMenuItem(UNCHECK_MENU_ITEM, MissileVolleyItem);
        restoreMoveClick();
        disconnectNamed(msg::OWResolved, onTargetsMayChange);
        choosingTarget_ = 0;
    }
    if (firedThisActivation_) usedThisTurn_ = 1;
    return Combat::unregisterSelectedMessages();
}

std::int16_t MissileCapable::showHexToMoveTo(std::int16_t hex) {
    if (!choosingTarget_) return Combat::showHexToMoveTo(hex);
    Container<const char*> cursor(targetHexes_.contains(hex) ? cursorOf(missileType_) : "ArrowCursor");
    sendNamed(msg::ChangeCursor, &cursor);
    return 0;
}

void MissileCapable::beginChoosingTarget() {
    // With nothing to shoot at the order is refused with its reason and the map is left to moves: a
    // choice among no targets would only answer every click that there is no enemy there.
    if (rebuildTargets().isEmpty()) {
        tellNoTarget();
        return;
    }
    // The command stays checked while the unit waits for its target, so the player sees why a click on
    // the map now shoots instead of moving.
    sendMenuItem(CHECK_MENU_ITEM, MissileVolleyItem);
    // A reason told for an earlier try (before the unit turned, say) must not stand beside lit targets.
    showStatus();
    sendMenuItem(DISABLE_MENU_ITEM, RotateClockwiseItem);
    sendMenuItem(DISABLE_MENU_ITEM, RotateAnticlockwiseItem);
    sendHexes(*this, DEHIGHLIGHT_REGION, validMoves_);
    sendHexes(*this, HIGHLIGHT_REGION, targetHexes_);
    sendEmpty(INVALIDATE_VIEW);
    disconnect(REGION_SELECTED, onRegionSelected);
    if (!isConnected(REGION_SELECTED, onFireClick)) connect(REGION_SELECTED, onFireClick);
    if (!isConnected(named(msg::OWResolved), onTargetsMayChange))
        connectNamed(msg::OWResolved, onTargetsMayChange);
    choosingTarget_ = 1;
}

std::int16_t MissileCapable::MissileVolley(std::int16_t) {
    if (firedThisActivation_) return 0;
    debugStream() << "MissileCapable::MissileVolley" << std::endl;
    if (!choosingTarget_) {
        beginChoosingTarget();
        return 0;
    }
    // A second use of the command takes the order back, and the reason it may have told with it.
    showStatus();
    sendHexes(*this, DEHIGHLIGHT_REGION, targetHexes_);
    sendEmpty(INVALIDATE_VIEW);
    sendMenuItem(UNCHECK_MENU_ITEM, MissileVolleyItem);
    if (orderHex_ == noHex) {
        if (movementLeft_ != 0) {
            sendMenuItem(ENABLE_MENU_ITEM, RotateClockwiseItem);
            sendMenuItem(ENABLE_MENU_ITEM, RotateAnticlockwiseItem);
        }
        if (!hasMoved_) {
            sendHexes(*this, HIGHLIGHT_REGION, validMoves_);
            sendEmpty(INVALIDATE_VIEW);
        }
    }
    restoreMoveClick();
    disconnectNamed(msg::OWResolved, onTargetsMayChange);
    choosingTarget_ = 0;
    return 0;
}

std::string MissileCapable::noTargetReason() const {
    const std::string hexes = std::to_string(range_) + (range_ == 1 ? " hex" : " hexes");
    bool inRange = false;
    if (landscape_ && hex_ != offMap)
        for (std::int16_t i = 0; i < landscape_->regionCount() && !inRange; ++i) {
            const std::int16_t hex = landscape_->idOf(i);
            const VaelUnit* first = landscape_->firstOccupant(hex);
            inRange = first && first->isOtherNation(nation_) &&
                      landscape_->hexDistance(static_cast<std::int16_t>(hex_), hex) <= range_;
        }
    if (!inRange) return getName() + " has no enemy within range (" + hexes + ").";
    // An enemy within range the unit cannot shoot at stands off its front, or behind others or a hill.
    if (unitType_ == 15) return getName() + " has no enemy in sight within range (" + hexes + ").";
    for (short h : reachInFront())
        if (const VaelUnit* unit = landscape_->firstOccupant(h); unit && unit->isOtherNation(nation_))
            return getName() + " has no enemy in sight within range (" + hexes + ").";
    return getName() + " has no enemy within range (" + hexes + ") in front of it.";
}

void MissileCapable::tellNoTarget() {
    // On the status bar's second line, under the unit's name.
    if (Application* app = Application::instance()) app->setStatusText(noTargetReason(), 2);
}

void MissileCapable::refreshTargets(std::int16_t flag) {
    if (!flag || !choosingTarget_) return;
    const List<short> old = targetHexes_;
    rebuildTargets();
    List<short> gone, joined;
    for (short h : old)
        if (!targetHexes_.contains(h)) gone.append(h);
    ListIterator<short> after(targetHexes_);
    for (short h = 0; after.next(h);)
        if (!old.contains(h)) joined.append(h);
    if (!gone.isEmpty()) sendHexes(*this, DEHIGHLIGHT_REGION, gone);
    if (!joined.isEmpty()) sendHexes(*this, HIGHLIGHT_REGION, joined);
}

std::int16_t MissileCapable::EndOWSegment(std::uint16_t happened, VaelUnit* unit) {
    if (unit && unit != this) return 0;
    if (!routing_ && !firedThisActivation_) sendMenuItem(ENABLE_MENU_ITEM, MissileVolleyItem);
    Combat::EndOWSegment(happened, unit);
    // The segment gives a selected unit its move click back; while it chooses a target, a click must
    // fire and not move it as well.
    if (choosingTarget_) disconnect(REGION_SELECTED, onRegionSelected);
    return 0;
}

// Firing.

bool MissileCapable::fireAt(std::int16_t hex) {
    if (!targetHexes_.contains(hex)) return false;
    debugStream() << getName() << " firing at hex " << hex << std::endl;
    if (usedThisTurn_ && unitType_ != 15 && !orderedThisActivation_ &&
        !orderAgainHit("is taking a cohesion hit for being ordered again this turn."))
        return false;
    firedThisActivation_ = 1;
    if (!isConnected(named(msg::ReturnFromMissileFire), onReturnFromMissileFire))
        connectNamed(msg::ReturnFromMissileFire, onReturnFromMissileFire);
    Container<unsigned short> number(unitNumber_);
    sendNamed(msg::MissileVolley, &number);
    Container<MissileFireStruct> order(MissileFireStruct{static_cast<std::uint16_t>(hex), unitNumber_});
    sendNamed(msg::DoMissileFire, &order);
    sendMenuItem(DISABLE_MENU_ITEM, RestoreCohesionItem);
    doneForTurn_ = 1;
    potentialToBeOrdered_ = 0;
    if (selected_) {
        sendHexes(*this, DEHIGHLIGHT_REGION, targetHexes_);
        sendHexes(*this, HIGHLIGHT_REGION, validMoves_);
        sendEmpty(INVALIDATE_VIEW);
        sendMenuItem(DISABLE_MENU_ITEM, MissileVolleyItem);
        sendMenuItem(UNCHECK_MENU_ITEM, MissileVolleyItem);
        restoreMoveClick();
        if (movementLeft_ != 0 && orderHex_ == noHex) {
            sendMenuItem(ENABLE_MENU_ITEM, RotateClockwiseItem);
            sendMenuItem(ENABLE_MENU_ITEM, RotateAnticlockwiseItem);
        }
        Container<const char*> cursor(attackHexes_.contains(hex) ? "Sword" : "ArrowCursor");
        sendNamed(msg::ChangeCursor, &cursor);
    }
    // The order is given: withdrawals no longer change what the unit could have aimed at.
    disconnectNamed(msg::OWResolved, onTargetsMayChange);
    choosingTarget_ = 0;
    return true;
}

void MissileCapable::fireMissiles(std::int16_t hex) {
    // A relayed order for a unit whose supply is already spent must not wrap it round to a full quiver.
    if (missilesLeft_ > 0) --missilesLeft_;
    if (selected_) showStatus();
    const std::int16_t bearing =
        landscape_ ? landscape_->bearingBetween(static_cast<std::int16_t>(hex_), hex) : 0;
    Animate(LogicalCommandInfo(unitNumber_, new Container<short>(bearing), static_cast<std::uint16_t>(hex),
                               named(msg::MissileFire), named(msg::ReturnFromMissileFire),
                               new Container<MissileDebrisStruct>(MissileDebrisStruct{
                                   static_cast<std::uint16_t>(hex), missileType_, unitNumber_})));
}

void MissileCapable::awaitVolley() {
    if (!isConnected(named(msg::ReturnFromMissileFire), onReturnFromMissileFire))
        connectNamed(msg::ReturnFromMissileFire, onReturnFromMissileFire);
}

void MissileCapable::resolveVolley(const MissileDebrisStruct& debris) {
    if (debris.unitNumber != unitNumber_) return;
    disconnectNamed(msg::ReturnFromMissileFire, onReturnFromMissileFire);
    // A thrower whose end was sealed while its volley was in flight (an elephant broken and rampaging, a
    // chariot eliminated) has been told gone: its volley lands nowhere.
    if (outOfPlay_ || isEliminationDue()) {
        debugStream() << getName() << " is gone: the volley falls on nobody" << std::endl;
        return;
    }
    const auto targetHex = static_cast<std::int16_t>(debris.targetHex);
    // A unit whose elimination another volley of the same step already decided is gone: the volley falls
    // on whoever else stands there, if anyone.
    const VaelUnit* first = nullptr;
    if (landscape_)
        for (const VaelUnit* standing : landscape_->unitsInHex(targetHex))
            if (!standing->isEliminationDue()) {
                first = standing;
                break;
            }
    if (!first || !first->isOtherNation(nation_)) return;
    std::string text = "\\B" + getName() + "\\b" + verbOf(missileType_) + first->getName();
    if (first->isLeader()) {
        sendCommentary(text + ".");
        if (auto* leader = dynamic_cast<Leader*>(const_cast<VaelUnit*>(first))) leader->HitByMissile();
        return;
    }
    auto* target = dynamic_cast<Combat*>(const_cast<VaelUnit*>(first));
    if (!target) return;
    const std::int16_t frontal = target->isInFrontHexes(static_cast<std::int16_t>(hex_));
    const std::int16_t distance = landscape_->hexDistance(static_cast<std::int16_t>(hex_), targetHex);
    const auto* cavalry = target->getUnitType() == 8 ? dynamic_cast<const HeavyCav*>(target) : nullptr;
    const std::int16_t cataphract = cavalry ? cavalry->isCataphract() : 0;
    const std::int16_t moved = movementLeft_ != movementAllowance_;
    const MissileChartResult hit =
        missileChart(missileType_, distance, target->getUnitType(), 0, frontal, moved, cataphract);
    if (target->isRouting() && hit.result > 0) {
        text += " and " + target->getName() + " is \\Beliminated\\b.";
        target->condemn();
        Container<short> number(static_cast<short>(target->getUnitNum()));
        sendNamed(msg::EliminateUnit, &number);
    } else {
        target->tqHit(hit.result, 2);
        text += " for " + std::to_string(hit.result) + " cohesion hit" + (hit.result == 1 ? "" : "s") + ".";
    }
    sendCommentary(text);
}

void MissileCapable::replenish() {
    if (missilesLeft_ != 0 || routing_) return;
    const int roll = missileType_ == 4 || missileType_ == 7 ? 2 : 5;
    missilesLeft_ = static_cast<std::uint16_t>(Roll::rand() % roll);
    doneForTurn_ = 1;
    potentialToBeOrdered_ = 0;
    usedThisTurn_ = 1;
    sendCommentary("\\B" + getName() + "\\b replenished missiles and cannot be moved again this turn.");
}

// Handlers.

ContainerBase* MissileCapable::onMissleVolley(Component* target, BusMessage, ContainerBase*) {
    if (MissileCapable* unit = missileTarget(target, __LINE__)) unit->MissileVolley(0);
    return nullptr;
}

ContainerBase* MissileCapable::onFireClick(Component* target, BusMessage, ContainerBase* data) {
    MissileCapable* unit = missileTarget(target, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<short>(data, sourceFile, __LINE__, [unit](const short& hex) {
        // A click that shoots nothing says why, in the status bar's second line.
        if (unit->fireAt(hex) || unit->getTargetHexes().contains(hex)) return;
        const std::string why = unit->whyNoTargetAt(hex);
        if (Application* app = Application::instance(); app && !why.empty()) app->setStatusText(why, 2);
    });
    return nullptr;
}

ContainerBase* MissileCapable::onTargetsMayChange(Component* target, BusMessage, ContainerBase* data) {
    MissileCapable* unit = missileTarget(target, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<ResolveOWStruct>(data, sourceFile, __LINE__, [unit](const ResolveOWStruct& resolved) {
        unit->refreshTargets(static_cast<std::int16_t>(resolved.withdrew));
    });
    return nullptr;
}

ContainerBase* MissileCapable::onReturnFromMissileFire(Component* target, BusMessage, ContainerBase* data) {
    MissileCapable* unit = missileTarget(target, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<MissileDebrisStruct>(
        data, sourceFile, __LINE__,
        [unit](const MissileDebrisStruct& debris) { unit->resolveVolley(debris); });
    return nullptr;
}

} // namespace vael
