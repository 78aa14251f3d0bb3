// Orderly withdrawal on the fighting unit's side: which enemies an approaching unit gives the chance to
// step back, the segment that resolves them one at a time, the test and the hits of the unit that
// withdraws, and the bookkeeping when the segment ends.
#include <algorithm>
#include <string>
#include <vector>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/hex_codes.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/combat.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

constexpr std::int16_t RallyItem = 213, RestoreCohesionItem = 214, RotateAnticlockwiseItem = 220,
                       RotateClockwiseItem = 221, MissileVolleyItem = 219, ViewDetailsItem = 225;

void sendResolved(VaelUnit& unit, std::uint16_t withdrew, std::uint16_t hex) {
    Container<ResolveOWStruct> box(ResolveOWStruct{withdrew, hex});
    unit.sendNamed(msg::OWResolved, &box);
}

// Whether an enemy of the approaching type may step back from it.
bool mayWithdrawFrom(std::uint32_t type, std::uint32_t approacherType) {
    switch (type) {
    case HC:
    case LC:
        return true;
    case LN:
        return !Combat::isCavalry(approacherType);
    case SK:
        return approacherType == HI || approacherType == PH;
    default:
        return false;
    }
}

} // namespace

std::int16_t Combat::BeginOWSegment() {
    auto& trace = debugStream();
    owPending_ = 0;
    owHexes_.clear();
    trace << getName() << " in BeginOWSegment" << std::endl;
    disconnectNamed(msg::BeginOWSegment, onBeginOWSegment);
    if (selected_) {
        if (!isConnected(RegisteredMessage::getId(msg::EndOWSegment), onEndOWSegment))
            connectNamed(msg::EndOWSegment, onEndOWSegment);
        disconnect(REGION_SELECTED, onRegionSelected);
        disconnect(REGION_FLYBY, onRegionFlyby);
        Container<List<short>> moves(validMoves_);
        send(DEHIGHLIGHT_REGION, &moves);
        sendEmpty(INVALIDATE_VIEW);
        for (std::int16_t item : {RotateAnticlockwiseItem, RotateClockwiseItem, RallyItem,
                                  RestoreCohesionItem, MissileVolleyItem, ViewDetailsItem})
            sendMenuItem(DISABLE_MENU_ITEM, item);
    }

    std::vector<Combat*> candidates;
    if (landscape_ && hex_ != offMap) {
        List<short> around = hexesAround(static_cast<std::int16_t>(hex_));
        ListIterator<short> it(around);
        for (short h = 0; it.next(h);) {
            const VaelUnit* first = landscape_->firstOccupant(h);
            if (!first || first == this || !first->isOtherNation(nation_)) continue;
            if (first->isLeader()) {
                trace << "Here in BeginOWSegment and " << first->getName()
                      << " (a leader) is going to Force OW" << std::endl;
                const_cast<VaelUnit*>(first)->ForceOW(static_cast<std::int16_t>(hex_), secondHex_);
                continue;
            }
            auto* u = dynamic_cast<Combat*>(const_cast<VaelUnit*>(first));
            // A two-hex enemy beside both of the unit's hexes is one candidate.
            if (!u || u->isRouting() || !mayWithdrawFrom(u->getUnitType(), unitType_) ||
                std::find(candidates.begin(), candidates.end(), u) != candidates.end())
                continue;
            bool pinned = false;
            List<short> beside = hexesAround(h);
            ListIterator<short> near(beside);
            for (short b = 0; !pinned && near.next(b);) {
                ListIterator<const VaelUnit*> there(landscape_->unitsInHex(b));
                for (const VaelUnit* v = nullptr; !pinned && there.next(v);)
                    pinned = v != this && v != u && v->isCombatUnit() && v->isOtherNation(u->getNation()) &&
                             v->isHexInZOC(h);
            }
            if (pinned) continue;
            trace << u->getName() << " is going to have the opportunity to OW" << std::endl;
            candidates.push_back(u);
        }
    }

    owList_.clear();
    owAsked_.clear();
    askedNow_ = {nullptr, -1};
    for (Combat* u : candidates) {
        Container<const VaelUnit*> asked(u);
        const std::int16_t leader = takeShort(sendNowNamed(msg::NearestLeader, &asked), -1);
        owList_.append(OWStruct{static_cast<std::uint16_t>(u->getId()), static_cast<std::uint16_t>(leader),
                                hex_, static_cast<std::uint16_t>(secondHex_), 2});
        // The hex the resolution will name: where the unit stood before it withdrew.
        owHexes_.append(static_cast<short>(u->getHex()));
        owAsked_.emplace_back(u, static_cast<short>(u->getHex()));
    }
    trace << getName() << " registering for OWResolved" << std::endl;
    if (!isConnected(RegisteredMessage::getId(msg::OWResolved), onOWResolved))
        connectNamed(msg::OWResolved, onOWResolved);
    OWStruct next;
    if (!owList_.removeFirst(next)) {
        trace << getName() << " in BeginOWSegment and there is no OWList." << std::endl;
        // Nothing will resolve, so nothing is waited for.
        disconnectNamed(msg::OWResolved, onOWResolved);
        Container<EndOWStruct> end(EndOWStruct{1, this});
        sendNamed(msg::EndOWSegment, &end);
        return 0;
    }
    Container<short> centre(static_cast<short>(hex_));
    dropAnswer(sendNowNamed(msg::CenterOnRegion, &centre));
    askNext();
    Container<OWStruct> record(next);
    sendNamed(msg::ResolveOW, &record);
    return 0;
}

void Combat::askNext() {
    askedNow_ = owAsked_.empty() ? std::pair<const VaelUnit*, short>{nullptr, -1} : owAsked_.front();
    if (!owAsked_.empty()) owAsked_.erase(owAsked_.begin());
}

std::int16_t Combat::UnitOW(const OWStruct& record) {
    // Every unit hears the record; only the one it names has the chance.
    if (record.unitId != static_cast<std::uint16_t>(getId())) return 0;
    // A unit already on its way out of the battle has no withdrawal to make: the mover is told so at once.
    if (eliminationDue_) {
        sendResolved(*this, 0, hex_);
        return 0;
    }
    auto& trace = debugStream();
    const auto* approacher =
        dynamic_cast<const Combat*>(firstUnitAt(static_cast<std::int16_t>(record.approacherHex)));
    if (isCavalry(unitType_) && approacher && approacher->getUnitType() == EL) {
        const TQCheck check = tqCheck(static_cast<std::int16_t>(Roll::d10()));
        const int hits = check.passed ? 1 : std::max(1, check.margin - static_cast<int>(TQ_));
        sendCommentary("\\B" + getName() + "\\b takes " + std::to_string(hits) +
                       (hits > 1 ? " hits" : " hit") + " for being approached by an elephant unit.");
        trace << getName() << " taking " << hits << " hits for being approached by elephant" << std::endl;
        if (tqHit(static_cast<std::int16_t>(hits), 0)) {
            sendResolved(*this, 0, hex_);
            return 0;
        }
    }
    if (static_cast<int>(cohesionHits_) + numPointsLeftToAdd_ < static_cast<int>(TQ_) - 2) {
        if (tqCheck(static_cast<std::int16_t>(Roll::d10())).passed) {
            trace << getName() << " here in Combat::UnitOW and succeeded" << std::endl;
            VaelUnit::UnitOW(record);
        } else {
            trace << getName() << " here in Combat::UnitOW and failed" << std::endl;
            sendResolved(*this, 0, hex_);
        }
    } else {
        trace << getName() << " here in Combat::UnitOW and he is 2 point away from routing.  Not OWing."
              << std::endl;
        sendResolved(*this, 0, hex_);
    }
    return 0;
}

void Combat::owCohesionHits(std::int16_t approacherHex) {
    if (eliminationDue_) return;
    int n = 0;
    switch (unitType_) {
    case HI:
    case MI:
    case LP:
    case LI:
    case CH:
        n = 1;
        break;
    default:
        n = rearHexes_.contains(approacherHex) || (flankHexes_.contains(approacherHex) && unitType_ != SK)
                ? 1
                : 0;
        break;
    }
    if (!tqCheck(static_cast<std::int16_t>(Roll::d10())).passed) ++n;
    if (n <= 0) return;
    tqHit(static_cast<std::int16_t>(n), 0);
    sendCommentary("\\B" + getName() +
                   (n == 1 ? "\\b takes one cohesion hit for doing orderly withdrawal."
                           : "\\b takes two cohesion hits for doing orderly withdrawal."));
}

std::int16_t Combat::OWResolved(std::uint16_t withdrew, std::int16_t hex) {
    // The unit asked may have routed away (under fire that was already on its way) before it answered:
    // its answer then names the hex it fled to, which stands for the hex it was found on.
    if (!owHexes_.contains(hex) && askedNow_.first &&
        askedNow_.first->getHex() == static_cast<std::uint16_t>(hex) && owHexes_.contains(askedNow_.second))
        hex = askedNow_.second;
    // Withdrawals of the segments of other units, and leaders pushed back, are none of this one's business.
    if (!owHexes_.contains(hex)) return 0;
    if (withdrew) vacatedHexes_.append(hex);
    VaelUnit::OWResolved(withdrew, hex);
    OWStruct next;
    if (owList_.removeFirst(next)) {
        Container<short> centre(static_cast<short>(hex_));
        dropAnswer(sendNowNamed(msg::CenterOnRegion, &centre));
        askNext();
        Container<OWStruct> record(next);
        sendNamed(msg::ResolveOW, &record);
    }
    return 0;
}

std::int16_t Combat::EndOWSegment(std::uint16_t happened, VaelUnit* unit) {
    if (unit && unit != this) return 0;
    if (vacatedHexes_.contains(static_cast<short>(orderHex_))) orderHex_ = noHex;
    if (routing_) sendMenuItem(ENABLE_MENU_ITEM, RallyItem);
    sendMenuItem(ENABLE_MENU_ITEM, ViewDetailsItem);
    // Only a selected unit lost its mouse-over in the segment; an unselected one never had it.
    if (selected_ && !isConnected(REGION_FLYBY, onRegionFlyby)) connect(REGION_FLYBY, onRegionFlyby);
    return VaelUnit::EndOWSegment(happened, unit);
}

} // namespace vael
