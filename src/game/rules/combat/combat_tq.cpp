// Troop quality and cohesion: the TQ check, hits announced and then applied, cohesion restored under a
// leader's order, and elimination.
#include <algorithm>
#include <string>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/combat.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_payloads.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

BusMessage named(const char* name) {
    return BusMessage(RegisteredMessage::getId(name));
}

} // namespace

TQCheck Combat::tqCheck(std::int16_t roll) {
    auto& trace = debugStream();
    trace << getName() << " is undergoing a TQ check.  The dieroll is " << roll << std::endl;
    const std::int16_t threshold = routing_ ? 1 : static_cast<std::int16_t>(TQ_);
    if (roll < threshold) {
        trace << "He passed!" << std::endl;
        return {true, 0};
    }
    const auto margin = static_cast<std::int16_t>(roll - threshold);
    trace << "He failed!  The difference between dieroll and TQ is " << margin << std::endl;
    return {false, margin};
}

std::int16_t Combat::tqHit(std::int16_t hits, std::uint32_t cause) {
    auto& trace = debugStream();
    // The stop short of routing counts the hits still pending too: an advance over two rough hexes
    // announces twice before either is applied.
    if (advancing_ && TQ_ <= cohesionHits_ + numPointsLeftToAdd_ + hits) {
        trace << getName() << " is advancing and would take more cohesion than TQ so take only"
              << "enough hits to get TQ-1" << std::endl;
        hits = static_cast<std::int16_t>(std::max(0, TQ_ - cohesionHits_ - numPointsLeftToAdd_ - 1));
    }
    if (hits <= 0) return 0;
    trace << getName() << " posting TQHit of " << hits << std::endl;
    // Counted and judged before the announcement goes out: sent while no dispatch runs, it is applied
    // before sendNamed returns, and must find the hits pending and the rout decided.
    numPointsLeftToAdd_ = static_cast<std::int16_t>(numPointsLeftToAdd_ + hits);
    const bool routs = TQ_ <= cohesionHits_ + numPointsLeftToAdd_;
    if (!willRout_) {
        trace << getName() << " will rout: " << (routs ? "True" : "False") << std::endl;
        if (routs)
            trace << "will rout==True because cohesionHits(" << cohesionHits_ << ") + numPointsLeftToAdd("
                  << numPointsLeftToAdd_ << ") >= TQ(" << TQ_ << ")" << std::endl;
        willRout_ = routs;
    }
    const std::int16_t answer = willRout_;
    Container<TQHitInfo> info(TQHitInfo{static_cast<std::uint16_t>(hits), unitNumber_, cause});
    sendNamed(msg::TQHit, &info);
    if (answer && selected_) dropAnswer(sendNowNamedEmpty(msg::UnitDeselected));
    return answer;
}

void Combat::CohesionHit(std::uint16_t hits, std::uint32_t cause) {
    auto& trace = debugStream();
    if (routing_ || outOfPlay_) {
        trace << getName()
              << " here in Combat::CohesionHit.  The unit IS routing so no more cohesion will be assessed."
              << std::endl;
        return;
    }
    numPointsLeftToAdd_ = static_cast<std::int16_t>(std::max(0, numPointsLeftToAdd_ - hits));
    cohesionHits_ = static_cast<std::uint16_t>(std::min<int>(cohesionHits_ + hits, 0xFFFF));
    // A troop quality of 0 never reaches a unit (the record reader refuses it); the guard keeps a unit
    // made some other way from dividing by it.
    const int percent = TQ_ ? cohesionHits_ * 100 / TQ_ : 100;
    Animate(LogicalCommandInfo(unitNumber_, new Container<unsigned int>(cause),
                               static_cast<std::uint16_t>(percent), named(msg::CohesionHit), BusMessage(),
                               new Container<short>(-1)));
    trace << "Total cohesion hits for " << getName() << ": " << cohesionHits_ << std::endl;
    trace << "TQ for " << getName() << ": " << TQ_ << std::endl;
    if (cohesionHits_ >= TQ_) {
        cohesionHits_ = TQ_;
        routing_ = 1;
        if (willRout_) {
            willRout_ = 0;
            // A bolt-thrower is taken off the field as a chariot is, so it is told as one: said to be
            // routing, it would read as a unit that might still rally, while the outcome counts it lost.
            const char* what = unitType_ == EL                       ? "rampaging!"
                               : unitType_ == CH || unitType_ == AT ? "eliminated!"
                                                                    : "routing!";
            trace << getName() << " is now routing!" << std::endl;
            sendCommentary("\\B" + getName() + "\\b is " + what);
            if (unitType_ == CH || unitType_ == AT) {
                condemn();
                Container<short> number(static_cast<short>(unitNumber_));
                sendNamed(msg::EliminateUnit, &number);
            } else {
                rout();
            }
        }
    }
    if (selected_) showStatus();
}

void Combat::setCohesionHits(std::uint16_t hits) {
    // The count arrives from the other machines too; no unit holds more hits than its troop quality.
    cohesionHits_ = std::min(hits, TQ_);
    const int percent = TQ_ ? cohesionHits_ * 100 / TQ_ : 100;
    Animate(LogicalCommandInfo(unitNumber_, nullptr, static_cast<std::uint16_t>(percent),
                               named(msg::RestoreCohesion)));
    if (routing_) standFromRout(cohesionHits_);
}

void Combat::standFromRout(std::uint16_t hits) {
    cohesionHits_ = std::min(hits, TQ_);
    if (!routing_) return;
    routing_ = 0;
    usedThisTurn_ = 1;
    rallied_ = 1;
    potentialToBeOrdered_ = 0;
    doneForTurn_ = 1;
    rally();
    movementLeft_ = 0;
}

void Combat::restoreCohesion(std::int16_t initiative) {
    auto& trace = debugStream();
    if (!mayRestoreCohesion()) {
        trace << getName() << " is out of the battle: no cohesion to restore" << std::endl;
        return;
    }
    potentialToBeOrdered_ = 0;
    doneForTurn_ = 1;
    const int k = (initiative - 4) * 4;
    int bases[4] = {5 - k, 40, 50, 5 + k};
    if (bases[0] < 0) {
        bases[1] += bases[0];
        bases[0] = 0;
    }
    int roll = Roll::d100();
    {
        Container<ZOCStructure> where(ZOCStructure{hex_, nation_});
        if (takeShort(sendNowNamed(msg::InZOC, &where), 0)) roll = std::max(0, roll - 40);
    }
    trace << "** Restore Cohesion Hits **" << std::endl
          << getName() << " is getting cohesion restored:" << std::endl
          << "His TQ: " << TQ_ << std::endl
          << "His cohesion hits: " << cohesionHits_ << std::endl
          << "Leader's initiative: " << initiative << std::endl
          << "Modifier: " << k << std::endl
          << "Die roll: " << roll << std::endl;
    for (int i = 0; i < 4; ++i)
        trace << "base[" << i << "] = " << bases[i] << std::endl;
    int removed = 0;
    for (int i = 0, sum = 0; i < 4; ++i) {
        sum += bases[i];
        if (roll < sum) {
            removed = i;
            break;
        }
    }
    const int after = std::max(0, cohesionHits_ - removed);
    trace << "Cohesion before: " << cohesionHits_ << std::endl
          << "Chose base " << removed << std::endl
          << "Cohesion after: " << after << std::endl;
    sendCommentary("\\B" + getName() + "\\b had " +
                   (removed == 0 ? std::string("no cohesion hits")
                                 : std::to_string(removed) + " cohesion hit" + (removed == 1 ? "" : "s")) +
                   " removed.");
    cohesionHits_ = static_cast<std::uint16_t>(after);
    trace << "Remaining cohesion hits: " << after << std::endl;
    movementLeft_ = 0;
    Container<RestoreCohesionInfo> info(RestoreCohesionInfo{cohesionHits_, unitNumber_});
    sendNamed(msg::DoRestoreCohesion, &info);
    Container<unsigned short> number(unitNumber_);
    sendNamed(msg::CohesionRestored, &number);
    sendNamedEmpty(msg::UnitDeselected);
}

// Elimination, rout and rally reports.

void Combat::eliminate(std::uint16_t points) {
    Container<short> number(static_cast<short>(unitNumber_));
    dropAnswer(sendNowNamed(msg::RemoveFromCombat, &number));
    Container<EliminateUnitData> data(EliminateUnitData{nation_, points, unitType_, unitNumber_});
    sendNamed(msg::UnitEliminated, &data);
    Animate(LogicalCommandInfo(unitNumber_, nullptr, hex_, named(msg::UnitEliminated)));
    if (landscape_) {
        if (hex_ != offMap) landscape_->removeFromRegion(this, static_cast<std::int16_t>(hex_));
        if (doubleSized_ && secondHex_ >= 0) landscape_->removeFromRegion(this, secondHex_);
    }
    routing_ = 0;
    potentialToBeOrdered_ = 0;
    doneForTurn_ = 1;
    VaelUnit::disconnectHandlers();
}

void Combat::disconnectHandlers() {
    eliminate(static_cast<std::uint16_t>(pointValue()));
}

void Combat::reportSealedLoss() {
    Container<EliminateUnitData> data(
        EliminateUnitData{nation_, static_cast<std::uint16_t>(pointValue()), unitType_, unitNumber_});
    sendNamed(msg::UnitLossSealed, &data);
}

void Combat::rout() {
    Container<UnitRoutData> data(UnitRoutData{nation_, static_cast<std::uint16_t>(pointValue()), unitType_});
    sendNamed(msg::UnitRouted, &data);
    prepareToRout();
}

void Combat::rally() {
    Container<UnitRoutData> data(UnitRoutData{nation_, static_cast<std::uint16_t>(pointValue()), unitType_});
    sendNamed(msg::UnitRallied, &data);
}

} // namespace vael
