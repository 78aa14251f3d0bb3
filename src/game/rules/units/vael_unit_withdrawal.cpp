// The unit's side of orderly withdrawal: the segment it opens as it approaches enemies, its own forced
// withdrawal when it is the one approached, and what every move does when it ends.
#include "framework/core/answer.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELUNI3";

// Where a unit may step back to, by the side on which its enemy stands.
List<DIRECTION> retreatDirections(std::int32_t enemySide) {
    static constexpr std::int32_t table[9][3] = {{0, 0, 0}, {6, 4, 5}, {6, 8, 5}, {0, 0, 0}, {6, 8, 1},
                                                 {8, 2, 1}, {4, 2, 1}, {0, 0, 0}, {2, 4, 5}};
    List<DIRECTION> out;
    if (enemySide < 1 || enemySide > 8 || table[enemySide][0] == 0) return out;
    for (std::int32_t d : table[enemySide])
        out.append(static_cast<DIRECTION>(d));
    return out;
}

void sendResolved(VaelUnit& unit, std::uint16_t withdrew, std::uint16_t hex) {
    Container<ResolveOWStruct> box(ResolveOWStruct{withdrew, hex});
    unit.sendNamed(msg::OWResolved, &box);
}

// The hex is in the zone of control of some enemy of the nation, by the layer's answer.
std::int16_t askInZOC(VaelUnit& unit) {
    Container<ZOCStructure> asked(ZOCStructure{unit.getHex(), unit.getNation()});
    return VaelUnit::takeShort(unit.sendNowNamed(msg::InZOC, &asked), 0);
}

} // namespace

ContainerBase* VaelUnit::onMovementDone(Component* target, BusMessage, ContainerBase* data) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<MoveReturnStruct>(data, sourceFile, __LINE__, [unit](const MoveReturnStruct& done) {
        unit->MovementDone(done.kind, done.unitNumber);
    });
    return nullptr;
}

ContainerBase* VaelUnit::onBeginOWSegment(Component* target, BusMessage, ContainerBase*) {
    if (VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__)) unit->BeginOWSegment();
    return nullptr;
}

ContainerBase* VaelUnit::onEndOWSegment(Component* target, BusMessage, ContainerBase* data) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<EndOWStruct>(data, sourceFile, __LINE__, [unit](const EndOWStruct& end) {
        unit->EndOWSegment(end.happened, end.unit);
    });
    return nullptr;
}

ContainerBase* VaelUnit::onOWResolved(Component* target, BusMessage, ContainerBase* data) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<ResolveOWStruct>(data, sourceFile, __LINE__, [unit](const ResolveOWStruct& r) {
        unit->OWResolved(r.withdrew, static_cast<std::int16_t>(r.hex));
    });
    return nullptr;
}

void VaelUnit::postBeginOWSegment() {
    if (!isConnected(RegisteredMessage::getId(msg::BeginOWSegment), onBeginOWSegment))
        connectNamed(msg::BeginOWSegment, onBeginOWSegment);
    debugStream() << getName() << " posting BeginOWSegment" << std::endl;
    sendNamedEmpty(msg::BeginOWSegment);
}

std::int16_t VaelUnit::OWResolved(std::uint16_t happened, std::int16_t hex) {
    debugStream() << getName() << " here in OWResolved callback." << std::endl;
    if (!owHexes_.contains(hex)) return 0;
    debugStream() << getName() << " in OWResolved.  Number left (including this one): " << owHexes_.count()
                  << std::endl;
    if (happened) owPending_ = 1;
    owHexes_.remove(hex);
    if (owHexes_.isEmpty()) {
        disconnectNamed(msg::OWResolved, onOWResolved);
        Container<EndOWStruct> end(EndOWStruct{owPending_, this});
        sendNamed(msg::EndOWSegment, &end);
    }
    return 0;
}

std::int16_t VaelUnit::EndOWSegment(std::uint16_t happened, VaelUnit* unit) {
    // The segment of another unit is none of this one's business.
    if (unit && unit != this) return 0;
    debugStream() << getName() << " here in EndOWSegment" << std::endl;
    disconnectNamed(msg::EndOWSegment, onEndOWSegment);
    askInZOC(*this);
    if (selected_ && !isConnected(REGION_SELECTED, onRegionSelected))
        connect(REGION_SELECTED, onRegionSelected);
    const bool noMoves = validMoves_.isEmpty();
    const bool suppressed = isMissileCapable() && !noMoves && isChoosingTarget();
    const bool atDestination = hex_ == moveDestination_;
    if (happened && selected_) {
        debugStream() << "OW happened" << std::endl;
        if (!noMoves) {
            validMoves_ = GetValidMovement();
            if (!suppressed) {
                if (movementLeft_ != 0) {
                    sendMenuItem(ENABLE_MENU_ITEM, 220);
                    sendMenuItem(ENABLE_MENU_ITEM, 221);
                }
                highlightValidMoves(false);
            }
        }
    } else if (happened && atDestination) {
        Container<MoveReturnStruct> done(MoveReturnStruct{2, unitNumber_});
        sendNamed(msg::MovementDone, &done);
    } else if (!happened && atDestination) {
        debugStream() << "OW did not happen and the destination hex has been reached" << std::endl;
        if (!noMoves) {
            validMoves_ = GetValidMovement();
            if (!suppressed) highlightValidMoves(false);
        }
    } else {
        debugStream() << "OW did not happen.  doing begin move with " << moveDestination_ << " and False"
                      << std::endl;
        BeginMove(static_cast<std::int16_t>(moveDestination_), 0);
    }
    return 0;
}

std::int16_t VaelUnit::UnitOW(const OWStruct& owStruct) {
    // The record names the unit that may withdraw; one meant for another unit is ignored.
    if (owStruct.unitId != static_cast<std::uint16_t>(getId())) return 0;
    const auto enemyHex = static_cast<std::int16_t>(owStruct.approacherHex);
    const auto enemySecond = static_cast<std::int16_t>(owStruct.approacherSecondHex);
    if (!CanForceOW(enemyHex, enemySecond)) {
        sendResolved(*this, 0, hex_);
        return 0;
    }
    debugStream() << "Here in VaelUnit::UnitOW and the unit IS going to withdraw" << std::endl;
    Container<short> number(static_cast<short>(unitNumber_));
    dropAnswer(sendNowNamed(msg::RemoveFromCombat, &number));
    ForceOW(enemyHex, enemySecond);
    return 0;
}

std::int16_t VaelUnit::ForceOW(std::int16_t enemyHex, std::int16_t enemySecondHex) {
    const std::uint16_t remembered = hex_;
    forcedWithdrawal_ = 1;
    List<short> path;
    if (!CanForceOW(enemyHex, enemySecondHex, &path)) {
        sendResolved(*this, 0, remembered);
        forcedWithdrawal_ = 0;
        return 0;
    }
    Container<short> number(static_cast<short>(unitNumber_));
    movementFinished(path, BusMessage(RegisteredMessage::getId(msg::OWMovementDone)), &number, 0);
    owCohesionHits(enemyHex);
    sendResolved(*this, 1, remembered);
    forcedWithdrawal_ = 0;
    return 1;
}

std::int16_t VaelUnit::CanForceOW(std::int16_t enemyHex, std::int16_t enemySecondHex, List<short>* pathOut) {
    debugStream() << getName() << " in CanForceOW" << std::endl;
    List<short> scratch;
    List<short>& out = pathOut ? *pathOut : scratch;
    out.clear();
    if (!landscape_) return 0;
    const auto start = static_cast<std::int16_t>(hex_);
    std::int32_t side = landscape_->neighbourDirection(start, enemyHex);
    if (side == 0) side = landscape_->neighbourDirection(start, enemySecondHex);
    if (landscape_->hasTerrainCode(enemyHex, 4) || landscape_->hasTerrainCode(enemyHex, 5)) {
        debugStream() << getName() << " isn't going to OW because he is being approached from a river"
                      << std::endl;
        return 0;
    }
    const List<DIRECTION> directions = retreatDirections(side);
    if (directions.isEmpty()) return 0;

    const std::uint16_t wasForced = forcedWithdrawal_;
    forcedWithdrawal_ = 1;
    List<short> reach;
    List<List<short>> candidates;
    landscape_->floodFill(reach, directions, start, 2, 1, stepCostFunction(), &candidates);
    forcedWithdrawal_ = wasForced;

    int longest = 0;
    ListIterator<List<short>> all(candidates);
    for (List<short> c; all.next(c);)
        if (c.count() > longest) longest = c.count();

    int chosenDistance = -1;
    bool nextToLeader = false;
    ListIterator<List<short>> it(candidates);
    for (List<short> candidate; it.next(candidate);) {
        if (candidate.count() != longest) continue;
        short last = start;
        candidate.last(last);
        List<short> near;
        landscape_->hexesWithinCost(near, last, 3, VaelLogicalLandscape::unitStepCost);
        int nearest = 3;
        bool leaderThere = false;
        ListIterator<short> hexes(near);
        for (short h = 0; hexes.next(h);) {
            const VaelUnit* first = landscape_->firstOccupant(h);
            if (!first || first == this || !first->isOtherNation(nation_)) continue;
            const int distance = landscape_->hexDistance(h, last);
            if (distance > nearest) continue;
            nearest = distance;
            if (first->isLeader()) leaderThere = true;
        }
        if (nearest >= chosenDistance) {
            chosenDistance = nearest;
            out = candidate;
            if (leaderThere) nextToLeader = true;
        }
    }
    if (chosenDistance == 1 && nextToLeader) {
        debugStream() << getName() << " isn't going to OW because he would land next to a enemy leader"
                      << std::endl;
        return 0;
    }
    debugStream() << "Here is the forced OW path that is being taken: ";
    ListIterator<short> shown(out);
    for (short h = 0; shown.next(h);)
        debugStream() << h << ' ';
    debugStream() << std::endl;
    return out.count() > 1;
}

std::int16_t VaelUnit::MovementDone(std::uint32_t, std::uint16_t unitNumber) {
    debugStream() << getName() << " in VaelUnit::MovementDone AND unit #==" << unitNumber
                  << " and this unit # == " << unitNumber_ << std::endl;
    if (unitNumber != unitNumber_) return 0;
    hasMoved_ = 0;
    debugStream() << getName() << " in VaelUnit::MovementDone" << std::endl;
    disconnectNamed(msg::MovementDone, onMovementDone);
    if (outOfPlay_) return 0;
    const bool onMap = hex_ != offMap;
    if (onMap) {
        Container<RefaceFromChargeStruct> reface(RefaceFromChargeStruct{
            hex_, static_cast<std::uint16_t>(movementAllowance_ - movementLeft_), 0xFFFF});
        dropAnswer(sendNowNamed(msg::AttemptRefaceFromCharge, &reface));
    }
    if (askInZOC(*this) && onMap) {
        Container<short> entered(static_cast<short>(hex_));
        sendNamed(msg::EntryReactionFire, &entered);
    }
    if (onMap && landscape_ && landscape_->findOWCandidates(static_cast<std::int16_t>(hex_), nation_, this)) {
        postBeginOWSegment();
        return 0;
    }
    if (selected_) {
        validMoves_ = GetValidMovement();
        if (isMissileCapable() && isChoosingTarget()) return 0;
        highlightValidMoves(false);
    }
    return 0;
}

} // namespace vael
