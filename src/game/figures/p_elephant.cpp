#include "game/figures/p_elephant.h"

#include <utility>
#include <vector>

#include "framework/core/assertion.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/figures/elephant_sprite.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/missile_places.h"
#include "game/figures/sprite_calls.h"
#include "game/map/raw_bytes.h"
#include "game/map/vael_figure_layer.h"
#include "game/map/vael_sprite_event.h"
#include "game/rules/rout/rout_records.h"

namespace vael {

namespace {

constexpr const char* SourceName = "VAELMJOB";

bool isNamed(const LogicalCommandInfo& command, const char* name) {
    return command.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(name));
}

constexpr VaelPhysicalObject::SlotOffsets place(Point f1, Point f2, Point f4, Point f5, Point f6, Point f8) {
    return {Point3D(),      Point3D(f1, 0), Point3D(f2, 0), Point3D(),     Point3D(f4, 0),
            Point3D(f5, 0), Point3D(f6, 0), Point3D(),      Point3D(f8, 0)};
}

// The record's numbers are signed 16-bit values carried in unsigned fields: a negative count of hits is
// none.
std::int16_t signed16(std::uint16_t v) {
    return static_cast<std::int16_t>(v);
}

bool hits(const RampageEventStruct& e) {
    return signed16(e.percentHits) > 0;
}

} // namespace

const VaelPhysicalObject::SlotOffsets PElephant::Places[3] = {
    place({37, 23}, {21, 20}, {-27, 16}, {-39, 10}, {-23, -9}, {20, -12}),
    place({-39, 23}, {-23, -9}, {20, -12}, {37, 10}, {24, 20}, {-27, 16}),
    place({-1, 10}, {13, -2}, {9, 9}, {-1, 23}, {13, -2}, {9, 9}),
};

PElephant::PElephant(const std::string& normalName, const std::string& halfName,
                     const std::string& quarterName, std::int16_t kind, std::int16_t region,
                     std::int32_t facing)
    : PJavelinist(normalName, halfName, quarterName, kind, region, facing) {
    setKind(DisplayKind::Elephant);
    mounted = 1;
}

VaelPhysicalObject* PElephant::clone(std::int16_t region, std::int32_t facing) const {
    return new PElephant(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), missileKind,
                         region, facing);
}

void PElephant::setupAnimations() {
    for (int d = 0; d < 9; ++d)
        launchOffsets[static_cast<std::size_t>(d)] = missile_places::JavelinLaunch[d];
    for (const SlotOffsets& at : Places) {
        placeNextFigure(at);
        const auto n = static_cast<std::int16_t>(spriteCount_);
        auto* beast = new ElephantSprite(region(), at[static_cast<std::size_t>(facing())],
                                         FrameInfo("Standing", static_cast<std::int16_t>(facing() - 1)),
                                         Sprite::NoLayer, this, DrawPlain, nullptr, nullptr, nullptr);
        sprites_[n] = beast;
        ++spriteCount_;
        announce(beast);
    }
    finishFormation();
    createDefaultSprites(3);
    if (VaelSprite* lead = figure(2)) sprite_calls::setSoundLead(*lead, true);
}

void PElephant::handleEvent(LogicalCommandInfo& command) {
    std::ostream& trace = debugStream();
    const void* self = this;
    if (isNamed(command, msg::RampageEvent)) {
        callWithPayload<RampageStruct>(
            command.payload.get(), SourceName, __LINE__, [&](const RampageStruct& step) {
                // The record waited in the queue by the struck unit's number, which a saved game can hold;
                // its object is taken now, none for a unit whose object is gone.
                const RampageEventStruct event{layer() ? layer()->unitObject(step.unitNumber) : nullptr,
                                               step.percentHits, step.hex, step.routing, step.withdrawing};
                pendingRampageEvents.append(event);
                trace << self << ": Receiving RampageEvent" << std::endl;
                trace << self << ": Object " << static_cast<const void*>(event.object.get()) << std::endl;
                trace << self << ": PercentHits " << signed16(event.percentHits) << std::endl;
                trace << self << ": Hex " << signed16(event.hex) << std::endl;
                trace << self << ": Routing " << signed16(event.routing) << std::endl;
                trace << self << ": Withdrawing " << signed16(event.withdrawing) << std::endl;
            });
        return;
    }
    if (isNamed(command, msg::ElephantRampage)) {
        callWithPayload<List<short>>(
            command.payload.get(), SourceName, __LINE__, [&](const List<short>& path) {
                if (keepPath(path)) {
                    trace << self << ": Saving a rampage path of size " << path.count() << std::endl;
                    trace << self << ": " << savedPathCount() << " left to save" << std::endl;
                    return;
                }
                playRampage(path);
            });
        return;
    }
    PJavelinist::handleEvent(command);
}

void PElephant::playRampage(const List<short>& path) {
    debugStream() << static_cast<const void*>(this) << ": Time to rampage!!! " << path.count() << std::endl;
    VaelFigureLandscape* land = layer() ? layer()->landscape(0) : nullptr;
    // The walk reads this: no double steps, no standing frame at the end, and the rampage hooks on.
    markEliminated();
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        if (!living(i)) continue;
        VaelSprite& beast = *figure(i);
        const std::int16_t slot = figureSlot(i);
        DirectionOffsets* record = walkingRecord(slot);
        sprite_calls::addPlainEvent(beast, SpriteDrawPlain);
        sprite_calls::addPlainEvent(beast, SpriteDrawPlain);
        sprite_calls::addSoundEvent(beast, SoundStartElephant, static_cast<std::uint16_t>(unitKind()));
        if (land && record) walkHexPath(slot, beast, path, *land, *record, 0, 0);
        activeSprites_.append(&beast);
    }
    if (flag()) {
        flag()->show();
        // A show is an event of the flag's: it takes effect only while the flag is stepped.
        if (!activeSprites_.contains(flag())) activeSprites_.append(flag());
    }
    short last = 0;
    if (path.last(last)) setRegion(last);
    // What the walk did not meet is dropped: it belonged to this path.
    pendingRampageEvents.clear();
}

void PElephant::rampageMove(std::int16_t count) {
    debugStream() << static_cast<const void*>(this) << ": In rampage move: " << count << std::endl;
    Assertion::check(count == 1, "Can only rampage once!", SourceName, __LINE__);
    List<short> path;
    takeKeptPath(path);
    debugStream() << static_cast<const void*>(this) << ": Using a saved path of size " << path.count()
                  << std::endl;
    // Nothing is kept any more, so the command plays the path.
    queueCommand(LogicalCommandInfo(
        0, new Container<List<short>>(path), 0,
        BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(msg::ElephantRampage))), BusMessage(0),
        new Container<short>(0)));
}

namespace {

constexpr std::uint16_t NoUnit = 0xFFFF;

// A struck object as its unit's number; none for one gone (its record plays nothing) or not a unit's.
std::uint16_t unitName(const VaelFigureLayer* layer, const VaelObjectRef& object) {
    const std::int32_t number = layer ? layer->unitNumberOf(object.get()) : -1;
    return number >= 0 && number < NoUnit ? static_cast<std::uint16_t>(number) : NoUnit;
}

// The object a record names: none for NoUnit; false for a number that names no unit's object here, which
// is no record of this battle.
bool namedUnit(const VaelFigureLayer* layer, std::uint16_t number, VaelObjectRef& object) {
    object = VaelObjectRef();
    if (number == NoUnit) return true;
    VaelDisplayObject* found = layer ? layer->unitObject(number) : nullptr;
    object = found;
    return found != nullptr;
}

} // namespace

bool PElephant::rampageUnderWay() {
    Item<LogicalCommandInfo>* command = nullptr;
    for (commands_.firstItem(command); command; command = command->next)
        if (isNamed(command->value, msg::RampageEvent) || isNamed(command->value, msg::ElephantRampage)) return true;
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i)
        if (const auto* beast = dynamic_cast<const ElephantSprite*>(figure(i)))
            if (!beast->victims().isEmpty() || (eliminated() && beast->hasEvents())) return true;
    return !pendingRampageEvents.isEmpty();
}

void PElephant::saveUnderWay(std::ostream& out) {
    if (rampageUnderWay())
        debugStream() << static_cast<const void*>(this) << ": Saving a rampage under way" << std::endl;
    VaelPhysicalObject::saveUnderWay(out);
    raw::putU16(out, static_cast<std::uint16_t>(pendingRampageEvents.count()));
    Item<RampageEventStruct>* it = nullptr;
    for (pendingRampageEvents.firstItem(it); it; it = it->next) {
        const RampageEventStruct& event = it->value;
        for (std::uint16_t field : {unitName(layer(), event.object), event.percentHits, event.hex, event.routing,
                                    event.withdrawing})
            raw::putU16(out, field);
    }
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        const auto* beast = dynamic_cast<const ElephantSprite*>(figure(i));
        if (!beast) continue;
        raw::putU16(out, static_cast<std::uint16_t>(beast->victims().count()));
        Item<VaelObjectRef>* victim = nullptr;
        for (beast->victims().firstItem(victim); victim; victim = victim->next)
            raw::putU16(out, unitName(layer(), victim->value));
    }
}

bool PElephant::loadUnderWay(std::istream& in, std::uint16_t version) {
    if (!VaelPhysicalObject::loadUnderWay(in, version)) return false;
    List<RampageEventStruct> pending;
    std::vector<std::pair<ElephantSprite*, List<VaelObjectRef>>> victims;
    if (version != UnderWayWithoutRampages) {
        std::uint16_t count = 0;
        if (!raw::getU16(in, count)) return false;
        for (std::uint16_t i = 0; i < count; ++i) {
            std::uint16_t unit = 0;
            RampageEventStruct event;
            if (!raw::getU16(in, unit) || !raw::getU16(in, event.percentHits) || !raw::getU16(in, event.hex) ||
                !raw::getU16(in, event.routing) || !raw::getU16(in, event.withdrawing) || event.routing > 1 ||
                event.withdrawing > 1 || !namedUnit(layer(), unit, event.object))
                return false;
            pending.append(event);
        }
        for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
            auto* beast = dynamic_cast<ElephantSprite*>(figure(i));
            if (!beast) continue;
            List<VaelObjectRef> held;
            if (!raw::getU16(in, count)) return false;
            for (std::uint16_t k = 0; k < count; ++k) {
                std::uint16_t unit = 0;
                VaelObjectRef object;
                if (!raw::getU16(in, unit) || !namedUnit(layer(), unit, object)) return false;
                held.append(object);
            }
            // Each of the beast's rampage events takes its victim as it plays.
            if (count != beast->rampageEvents()) return false;
            victims.emplace_back(beast, held);
        }
    }
    pendingRampageEvents = pending;
    for (auto& [beast, held] : victims)
        beast->takeVictims(held);
    return true;
}

void PElephant::traceEvent(const RampageEventStruct& event) const {
    std::ostream& trace = debugStream();
    const void* self = this;
    trace << self << ": PercentHits: " << signed16(event.percentHits) << std::endl;
    trace << self << ": Routing:     " << signed16(event.routing) << std::endl;
    trace << self << ": Withdrawing: " << signed16(event.withdrawing) << std::endl;
    trace << self << ": Region:      " << signed16(event.hex) << std::endl;
}

List<FrameInfo> PElephant::directionFrames(const char* first, std::initializer_list<std::int16_t> images) {
    List<FrameInfo> frames;
    if (turnFacing() < 1 || turnFacing() > 8 || !images_.hasGroup(first)) return frames;
    const auto group = static_cast<std::int16_t>(images_.findGroup(first) + turnFacing() - 1);
    if (!images_.hasGroupIndex(group)) return frames;
    images_.selectGroupIndex(group);
    const std::string name = images_.currentGroupName();
    for (std::int16_t i : images)
        frames.append(FrameInfo(name, i));
    return frames;
}

void PElephant::trample(VaelSprite& sprite, std::int16_t hex) {
    std::ostream& trace = debugStream();
    const void* self = this;
    trace << self << ": In trample: " << hex << std::endl;
    trace << self << ": Events left: " << pendingRampageEvents.count() << std::endl;
    bool trampled = false, withdrew = false;
    // Always the head: a record played leaves the list, and the next one moves up.
    for (int look = 0; look < 2; ++look) {
        RampageEventStruct event;
        if (!pendingRampageEvents.first(event)) break;
        traceEvent(event);
        if (signed16(event.hex) != hex) break;
        trace << self << ": An event occurs in this region" << std::endl;
        bool acted = false;
        if (hits(event) && !event.withdrawing && !trampled) {
            trace << self << ": Doing a trample" << std::endl;
            const List<FrameInfo> frames = directionFrames("TN", {0, 1, 2, 0, 1, 2, 0, 1, 2});
            if (!frames.isEmpty())
                sprite_calls::addFrameEvent(sprite, hex, Point4D(), frames, -1, SpriteAnimateOnce, 0);
            trampled = acted = true;
        }
        if (event.routing || (event.withdrawing && !withdrew)) {
            if (event.routing) trace << self << ": Doing a rout move" << std::endl;
            if (event.withdrawing) trace << self << ": Doing a withdraw move" << std::endl;
            if (auto* beast = dynamic_cast<ElephantSprite*>(&sprite))
                beast->addRampageMove(event.object, event.routing && event.withdrawing ? 2 : 1);
            if (event.withdrawing) withdrew = true;
            acted = true;
        }
        // A record left unplayed would be looked at again to no purpose: it waits for the next beast.
        if (!acted) break;
        pendingRampageEvents.removeFirst();
    }
}

void PElephant::rear(VaelSprite& sprite, std::int16_t hex) {
    std::ostream& trace = debugStream();
    const void* self = this;
    trace << self << ": In rear: " << hex << std::endl;
    trace << self << ": Events left: " << pendingRampageEvents.count() << std::endl;
    RampageEventStruct event;
    if (!pendingRampageEvents.first(event)) return;
    traceEvent(event);
    if (signed16(event.hex) != hex || !hits(event) || event.withdrawing) return;
    trace << self << ": A cohesion hit occurs in this region" << std::endl;
    if (auto* beast = dynamic_cast<ElephantSprite*>(&sprite))
        beast->addRampageCasualty(event.object, signed16(event.percentHits));
    const List<FrameInfo> frames = directionFrames("RN", {0, 1, 2, 3, 4, 2});
    if (!frames.isEmpty())
        sprite_calls::addFrameEvent(sprite, hex, Point4D(), frames, -1, SpriteAnimateOnce, 0);
}

} // namespace vael
