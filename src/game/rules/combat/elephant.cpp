#include "game/rules/combat/elephant.h"

#include <string>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/logical_layer.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

constexpr int mostLegs = 4, hexesPerLeg = 3;

// The way the beast heads for a die roll; 0 when the mahout stops it.
std::int32_t rampageDirection(int roll) {
    static constexpr std::int32_t byRoll[10] = {1, 1, 2, 4, 5, 6, 8, 0, 0, 0};
    return roll >= 0 && roll < 10 ? byRoll[roll] : 0;
}

} // namespace

Elephant::Elephant(const ElephantUnitData& record, const char* name)
    : MissileCapable(record, name), elephantValue_(record.elephantValue) {
    unitType_ = EL;
}

VaelUnit* Elephant::create(const VaelUnitData& record, const char* name) {
    const auto* own = dynamic_cast<const ElephantUnitData*>(&record);
    return own ? new Elephant(*own, name) : nullptr;
}

void Elephant::sendUnitReport(const char* message) {
    Container<UnitRoutData> data(UnitRoutData{nation_, static_cast<std::uint16_t>(pointValue()), unitType_});
    sendNamed(message, &data);
}

void Elephant::rally() {
    sendUnitReport(msg::UnitRallied);
}

void Elephant::rout() {
    sendUnitReport(msg::UnitRouted);
    rampage();
}

bool Elephant::isRampaging() {
    return isConnected(BusMessage(RegisteredMessage::getId(msg::DoneRampaging)), onDoneRampaging) != 0;
}

bool Elephant::mayRally() {
    return MissileCapable::mayRally() && !isRampaging();
}

std::int16_t Elephant::LegalUnits(std::uint32_t nation, const List<short>& hexes) {
    MissileCapable::LegalUnits(nation, hexes);
    if (potentialToBeOrdered_ && isRampaging()) {
        debugStream() << getName() << " is rampaging: potentialToBeOrdered = False" << std::endl;
        potentialToBeOrdered_ = 0;
    }
    return 0;
}

void Elephant::RoutMove(std::int16_t hexes) {
    if (isRampaging()) {
        debugStream() << getName() << " is rampaging: its rout is done when the rampage is" << std::endl;
        return;
    }
    MissileCapable::RoutMove(hexes);
}

bool Elephant::meet(VaelUnit& unit, std::int16_t current, std::int16_t next, RampageStruct& event) {
    auto& trace = debugStream();
    trace << "Found a unit in the next hex he is rampaging into: " << unit.getName() << std::endl;
    event = RampageStruct{unit.getUnitNum(), 0, static_cast<std::uint16_t>(next), 0, 0};
    if (unit.isLeader()) {
        trace << "Found a leader: " << unit.getName() << " in the dest hex" << std::endl;
        if (unit.ForceOW(current, -1)) {
            event.hex = static_cast<std::uint16_t>(current);
            event.withdrawing = 1;
        } else {
            unit.condemn();
            Container<short> number(static_cast<short>(unit.getUnitNum()));
            sendNamed(msg::EliminateUnit, &number);
            trace << unit.getName() << " is killed!" << std::endl;
        }
        return true;
    }
    auto* combat = dynamic_cast<Combat*>(&unit);
    if (!combat) return false;
    if (Combat::isCavalry(combat->getUnitType())) {
        trace << unit.getName() << " is going to attempt forced OW because he is cavalry" << std::endl;
        if (unit.ForceOW(current, -1)) {
            event.hex = static_cast<std::uint16_t>(current);
            event.withdrawing = 1;
            event.routing = static_cast<std::uint16_t>(combat->isRouting());
            return true;
        }
    }
    std::int16_t hits = 2;
    if (combat->getFrontHexes().contains(current)) {
        trace << "The elephant is entering through his frontal hexes" << std::endl;
        hits = 1;
    } else {
        trace << "The elephant is entering through the flank or the rear" << std::endl;
    }
    if (Combat::isCavalry(combat->getUnitType()) || combat->getUnitType() == CH) {
        trace << "Since the 'defender' is cavalry or chariots, auto 2 hits" << std::endl;
        hits = 2;
    }
    const std::uint16_t TQ = combat->getTroopQuality();
    event.percentHits = static_cast<std::uint16_t>(TQ ? hits * 100 / TQ : 0);
    const bool spared = combat->isRouting() || combat->willRout() || combat->getUnitType() == CH ||
                        combat->getUnitType() == AT;
    if (!spared) event.routing = combat->tqHit(hits, 0xFFFFFFFF) ? 1 : 0;
    return true;
}

bool Elephant::rampageStopped() const {
    if (outOfPlay_) return true;
    const auto* layer = dynamic_cast<const LogicalLayer*>(getBus());
    return layer && layer->isBattleSettled();
}

void Elephant::rampage() {
    auto& trace = debugStream();
    trace << getName() << " is rampaging!  Let the carnage begin!" << std::endl;
    // Bound to leave play from its first step: nothing cuts it down, tells or counts its loss a second time
    // while it runs, its volley still in flight lands nowhere, and a battle decided meanwhile counts it lost.
    condemn();
    if (landscape_ && hex_ != offMap) landscape_->removeFromRegion(this, static_cast<std::int16_t>(hex_));
    // A beast that broke once the battle's end was certain (or that was taken off the field) runs nowhere:
    // nothing is rolled, trampled or shown after the decision.
    if (rampageStopped()) {
        trace << getName() << " runs no rampage: the battle is decided or he is gone" << std::endl;
        return;
    }
    DoRampageStruct run;
    run.path.append(static_cast<short>(hex_));
    run.unitNumber = unitNumber_;
    List<RampageStruct> events;
    std::int16_t current = static_cast<std::int16_t>(hex_);
    bool onMap = landscape_ && hex_ != offMap;
    // The whole run is rolled at once, before anything queued runs. A meeting may decide the battle (a
    // commander trampled), and one sent with no dispatch under way runs what the queue holds, which may
    // decide it too or take the beast off: the run stops there.
    for (int leg = 0; leg < mostLegs && onMap && !rampageStopped(); ++leg) {
        const std::int32_t direction = rampageDirection(Roll::d10());
        if (direction == 0) {
            trace << "The elephant's mahout drove a stake through his brain!" << std::endl;
            break;
        }
        trace << "The elephant is now heading: dir == " << direction << std::endl;
        for (int i = 0; i < hexesPerLeg && !rampageStopped(); ++i) {
            const std::int16_t next = neighbour(current, direction);
            trace << "The next hex he is rampaging to: " << next << std::endl;
            if (next < 0) {
                trace << "He routed off the map..." << std::endl;
                onMap = false;
                break;
            }
            run.path.append(next);
            // Units stand in their own objects; the map lists them as it was given them.
            if (auto* unit = const_cast<VaelUnit*>(firstUnitAt(next))) {
                RampageStruct event;
                if (meet(*unit, current, next, event)) events.append(event);
            }
            current = next;
        }
    }
    trace << "Done figuring rampaging..." << std::endl;
    // The display is told in the queue's order, after what was queued before the beast broke; what that
    // runs now finds the run decided. Another rampage begun meanwhile has its own shown first, before this
    // one's events reach the display.
    dropAnswer(queryNamedEmpty(msg::BeginElephantRampage));
    if (!isConnected(RegisteredMessage::getId(msg::DoneRampaging), onDoneRampaging))
        connectNamed(msg::DoneRampaging, onDoneRampaging);
    Container<List<RampageStruct>> actions(events);
    dropAnswer(sendNowNamed(msg::RampagingActions, &actions));
    Container<DoRampageStruct> doIt(run);
    dropAnswer(sendNowNamed(msg::DoRampagingActions, &doIt));
}

void Elephant::showRampage(const List<short>& path) {
    LogicalCommandInfo command(unitNumber_, new Container<List<short>>(path), 0,
                               BusMessage(RegisteredMessage::getId(msg::ElephantRampage)),
                               BusMessage(RegisteredMessage::getId(msg::DoneRampaging)),
                               new Container<short>(static_cast<short>(unitNumber_)));
    Container<LogicalCommandInfo> box(command);
    dropAnswer(query(LOGICAL_COMMAND, &box));
}

ContainerBase* Elephant::onDoneRampaging(Component* target, BusMessage, ContainerBase* data) {
    auto* elephant = dynamic_cast<Elephant*>(handlerTarget(target, "ELEPHANT", __LINE__));
    if (!elephant) return nullptr;
    callWithPayload<short>(data, "ELEPHANT", __LINE__,
                           [elephant](const short& n) { elephant->doneRampaging(n); });
    return nullptr;
}

void Elephant::awaitRampageEnd() {
    if (!isRampaging()) connectNamed(msg::DoneRampaging, onDoneRampaging);
}

void Elephant::resumeRampage() {
    debugStream() << getName() << " rampages on from the saved game" << std::endl;
    if (landscape_ && hex_ != offMap) landscape_->removeFromRegion(this, static_cast<std::int16_t>(hex_));
    awaitRampageEnd();
}

void Elephant::abandonResumedRampage() {
    disconnectNamed(msg::DoneRampaging, onDoneRampaging);
    if (hex_ != offMap) moveOccupancy(-1, static_cast<std::int16_t>(hex_));
}

void Elephant::endRampageUnshown() {
    debugStream() << getName() << " rampaged in the saved game and nothing shows it now: it ends at once"
                  << std::endl;
    Container<short> number(static_cast<short>(unitNumber_));
    sendNamed(msg::DoneRampaging, &number);
}

void Elephant::endRampageAsShown() {
    debugStream() << getName() << " leaves play as his rampage is shown: the other machine takes over from here"
                  << std::endl;
    Container<short> number(static_cast<short>(unitNumber_));
    sendNamed(msg::DoneRampaging, &number);
}

void Elephant::doneRampaging(std::int16_t unitNumber) {
    if (static_cast<std::uint16_t>(unitNumber) != unitNumber_) return;
    disconnectNamed(msg::DoneRampaging, onDoneRampaging);
    Container<short> number(static_cast<short>(unitNumber_));
    sendNamed(msg::RoutingDone, &number);
    condemn();
    sendNamed(msg::EliminateUnit, &number);
}

} // namespace vael
