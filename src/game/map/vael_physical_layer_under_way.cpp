// What a view was still playing when the game was saved, kept apart from the objects' records: a game
// loaded with it goes on from the display's clock of the save, steps its objects in the order the battle
// that saved stepped them, and plays what they had under way to its end at the moments that battle would
// have, drawing from the dice as it would have.
#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "game/map/queued_under_way.h"
#include "game/map/raw_bytes.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

constexpr std::uint16_t NoSlot = 0xFFFF;
// The latest display clock a saved game may hold: half the 32-bit clock (some twelve days of a battle
// shown), the other half left for what the loaded battle still shows.
constexpr std::uint32_t MostClock = 0x3FFFFFFF;

// The units' objects of the layer, in the order the file keeps them.
std::vector<VaelDisplayObject*> unitObjects(const List<PhysicalObject*>& objects,
                                            const List<PhysicalObject*>& adopted) {
    std::vector<VaelDisplayObject*> units;
    Item<PhysicalObject*>* it = nullptr;
    for (objects.firstItem(it); it; it = it->next)
        if (!adopted.contains(it->value))
            if (auto* object = dynamic_cast<VaelDisplayObject*>(it->value)) units.push_back(object);
    return units;
}

} // namespace

int VaelPhysicalLayer::tickSlot() const {
    Application* app = Application::instance();
    return app && timerRate_ ? app->timerSlot(Callback(const_cast<VaelPhysicalLayer*>(this), onTick)) : -1;
}

bool VaelPhysicalLayer::underWayCarried() const {
    const std::vector<VaelDisplayObject*> units = unitObjects(objects_, adopted_);
    return std::all_of(units.begin(), units.end(),
                       [](const VaelDisplayObject* o) { return o->underWayCarried(); });
}

void VaelPhysicalLayer::saveUnderWay(std::ostream& out) {
    Application* app = Application::instance();
    const std::vector<VaelDisplayObject*> units = unitObjects(objects_, adopted_);
    raw::putU32(out, static_cast<std::uint32_t>((app ? app->tickCount() : 0) + clockShift_));
    const int slot = tickSlot();
    raw::putU16(out, timerRate_);
    raw::putU16(out, slot >= 0 ? static_cast<std::uint16_t>(slot) : NoSlot);
    raw::putU16(out, slot >= 0 ? app->timer(slot).elapsed : 0);
    std::vector<std::uint16_t> stepped;
    Item<short>* client = nullptr;
    for (clients_.firstItem(client); client; client = client->next)
        for (std::size_t i = 0; i < units.size(); ++i)
            if (units[i]->getId() == client->value) stepped.push_back(static_cast<std::uint16_t>(i));
    raw::putU16(out, static_cast<std::uint16_t>(stepped.size()));
    for (std::uint16_t i : stepped)
        raw::putU16(out, i);
    std::vector<std::uint16_t> flagged;
    Item<unsigned short>* mark = nullptr;
    for (flaggedObjects_.firstItem(mark); mark; mark = mark->next)
        for (std::size_t i = 0; i < units.size(); ++i)
            if (static_cast<unsigned short>(units[i]->getId()) == mark->value)
                flagged.push_back(static_cast<std::uint16_t>(i));
    raw::putU16(out, static_cast<std::uint16_t>(flagged.size()));
    for (std::uint16_t i : flagged)
        raw::putU16(out, i);
    raw::putU16(out, static_cast<std::uint16_t>(units.size()));
    for (VaelDisplayObject* object : units) {
        std::ostringstream record(std::ios::binary);
        object->saveUnderWay(record);
        const std::string bytes = record.str();
        raw::putU32(out, static_cast<std::uint32_t>(bytes.size()));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // What of the tick under way was still to come: the objects still to step (the one asked now among
    // them unless it had stepped), or the layer's timer that had still to count the tick.
    TickLeft left = TickLeft::Nothing;
    long moment = 0;
    std::vector<std::uint16_t> rest;
    if (stepping_.asked) {
        left = TickLeft::StepRest;
        moment = stepping_.now;
        const Item<short>* from = stepping_.at;
        if (!from) {
            Item<short>* first = nullptr;
            stepping_.asked->firstItem(first);
            from = first;
        } else if (const VaelDisplayObject* object = objectWithId(from->value);
                   object && object->stepping() != VaelDisplayObject::Stepping::Waiting) {
            from = from->next;
        }
        for (; from; from = from->next)
            for (std::size_t i = 0; i < units.size(); ++i)
                if (units[i]->getId() == from->value) rest.push_back(static_cast<std::uint16_t>(i));
    } else if (loadedTickLeft_.left != TickLeft::Nothing) {
        // A game loaded and saved again before it resumed still owes the rest of the tick it loaded: left
        // out, the file would resume without it and the battle go otherwise.
        left = loadedTickLeft_.left;
        moment = loadedTickLeft_.now;
        Item<short>* id = nullptr;
        for (loadedTickLeft_.rest.firstItem(id); id; id = id->next)
            for (std::size_t i = 0; i < units.size(); ++i)
                if (units[i]->getId() == id->value) rest.push_back(static_cast<std::uint16_t>(i));
    } else if (app && slot >= 0 && app->tickingSlot() >= 0 && slot > app->tickingSlot()) {
        left = TickLeft::TickDue;
        moment = static_cast<long>(app->tickingTime()) + clockShift_;
    }
    raw::putU16(out, static_cast<std::uint16_t>(left));
    if (left == TickLeft::Nothing) return;
    raw::putU32(out, static_cast<std::uint32_t>(moment));
    if (left != TickLeft::StepRest) return;
    raw::putU16(out, static_cast<std::uint16_t>(rest.size()));
    for (std::uint16_t i : rest)
        raw::putU16(out, i);
}

VaelDisplayObject* VaelPhysicalLayer::unitObject(std::uint16_t unitNumber) const {
    if (unitNumber >= made_.size() || !made_[unitNumber]) return nullptr;
    return objectWithId(const_cast<DynArray<short>&>(objectIds_)[unitNumber]);
}

std::int32_t VaelPhysicalLayer::unitNumberOf(const VaelDisplayObject* object) const {
    if (!object) return -1;
    for (std::size_t number = 0; number < made_.size(); ++number)
        if (made_[number] && const_cast<DynArray<short>&>(objectIds_)[static_cast<std::uint16_t>(number)] ==
                                 object->getId())
            return static_cast<std::int32_t>(number);
    return -1;
}

bool VaelPhysicalLayer::refuseUnderWay(std::string why) {
    underWayRefusal_ = std::move(why);
    return false;
}

bool VaelPhysicalLayer::readTickTimer(std::istream& in, TickTimer& timer) {
    if (!raw::getU32(in, timer.clock) || !raw::getU16(in, timer.rate) || !raw::getU16(in, timer.slot) ||
        !raw::getU16(in, timer.elapsed))
        return false;
    // The clock counts on from the save through the rest of the battle, and the objects are stepped with
    // its 32-bit moment: one saved near the top would wrap soon after the load, and nothing would come due
    // again.
    if (timer.clock > MostClock)
        return refuseUnderWay("has the display's clock at " + std::to_string(timer.clock) + ", past the " +
                              std::to_string(MostClock) + " it can reach with a battle still to show");
    // A view's tick runs at the shown view's rate or the hidden one's, or not at all: another rate would have
    // the view's objects end their moves at moments no battle reached, and the battle go otherwise.
    if (timer.rate != 0 && timer.rate != VisibleRate && timer.rate != HiddenRate)
        return refuseUnderWay("has its tick called " + std::to_string(timer.rate) +
                              " times a second, where the game calls it " + std::to_string(VisibleRate) + " or " +
                              std::to_string(HiddenRate) + " times or not at all");
    // The slot is where the tick is put back among the application's timers, and where a tick under way
    // goes on from: one past them would have the timers before the first counted again.
    if (timer.slot != NoSlot && timer.slot >= Application::TimerSlots)
        return refuseUnderWay("names a timer the game does not have");
    // A timer that has counted its period (a second over its rate) fires and counts on from the rest, and
    // one that does not run counts nothing: more than that is no time a save can have.
    if (timer.elapsed != 0 && (timer.rate == 0 || timer.elapsed >= 1000 / timer.rate))
        return refuseUnderWay("has its tick's timer counted past its period");
    return true;
}

bool VaelPhysicalLayer::readObjectList(std::istream& in, const std::vector<VaelDisplayObject*>& units,
                                       const char* list, std::vector<short>& ids) {
    std::uint16_t count = 0;
    if (!raw::getU16(in, count)) return false;
    for (std::uint16_t k = 0; k < count; ++k) {
        std::uint16_t i = 0;
        if (!raw::getU16(in, i)) return false;
        // An object's place among the units' objects, read whole: one past them is no object of the view.
        if (i >= units.size())
            return refuseUnderWay(std::string("names object ") + std::to_string(i) + " among " + list +
                                  ", where the view has " + std::to_string(units.size()));
        ids.push_back(units[i]->getId());
    }
    return true;
}

bool VaelPhysicalLayer::readObjectRecords(std::istream& in, const std::vector<VaelDisplayObject*>& units,
                                          const List<short>& stepped, std::uint16_t version) {
    std::uint16_t count = 0;
    if (!raw::getU16(in, count)) return false;
    if (count != units.size())
        return refuseUnderWay("holds " + std::to_string(count) + " units' objects, where the view has " +
                              std::to_string(units.size()));
    for (VaelDisplayObject* object : units) {
        std::uint32_t length = 0;
        std::string bytes;
        if (!raw::getU32(in, length) || !raw::getText(in, length, bytes)) return false;
        std::istringstream record(bytes, std::ios::binary);
        if (!object->loadUnderWay(record, version)) {
            // The record came whole with its length: one the object runs short in was made for another.
            if (object->loadProblem().empty())
                return refuseUnderWay("holds a record for the object of unit " +
                                      std::to_string(unitNumberOf(object)) + " that does not fit it");
            return refuseUnderWay("holds a unit shown as no battle shows it: " + object->loadProblem());
        }
        if (record.peek() != std::char_traits<char>::eof())
            return refuseUnderWay("holds more for the object of unit " + std::to_string(unitNumberOf(object)) +
                                  " than it plays");
    }
    // What an object still plays only its layer's tick plays on: one left out of those the tick steps
    // would hold the battle up for good, waiting on what it never ends.
    for (const VaelDisplayObject* object : units)
        if (object->playsOn() && !stepped.contains(object->getId()))
            return refuseUnderWay("has the object of unit " + std::to_string(unitNumberOf(object)) +
                                  " playing, which its view's tick does not step");
    return true;
}

bool VaelPhysicalLayer::readTickLeft(std::istream& in, const std::vector<VaelDisplayObject*>& units,
                                     bool timerNamed, LeftOfTick& tickLeft) {
    std::uint16_t left = 0;
    if (!raw::getU16(in, left)) return false;
    if (left > static_cast<std::uint16_t>(TickLeft::TickDue))
        return refuseUnderWay("holds " + std::to_string(left) + " for what of its tick was still to come, where 0 to " +
                              std::to_string(static_cast<int>(TickLeft::TickDue)) + " can be");
    tickLeft.left = static_cast<TickLeft>(left);
    if (tickLeft.left == TickLeft::TickDue && !timerNamed)
        return refuseUnderWay("has a tick to count on a timer it does not name");
    if (tickLeft.left != TickLeft::Nothing) {
        std::uint32_t moment = 0;
        if (!raw::getU32(in, moment)) return false;
        if (moment > MostClock)
            return refuseUnderWay("has its tick under way at " + std::to_string(moment) + ", past the " +
                                  std::to_string(MostClock) +
                                  " the display's clock can reach with a battle still to show");
        tickLeft.now = static_cast<long>(static_cast<std::int32_t>(moment));
    }
    if (tickLeft.left != TickLeft::StepRest) return true;
    std::vector<short> rest;
    if (!readObjectList(in, units, "those its tick had still to step", rest)) return false;
    for (short id : rest)
        tickLeft.rest.append(id);
    return true;
}

bool VaelPhysicalLayer::loadUnderWay(std::istream& in, std::uint16_t version) {
    Application* app = Application::instance();
    const std::vector<VaelDisplayObject*> units = unitObjects(objects_, adopted_);
    underWayRefusal_.clear();
    TickTimer timer;
    std::vector<short> steppedIds, flaggedIds;
    if (!readTickTimer(in, timer) || !readObjectList(in, units, "those its tick steps", steppedIds)) return false;
    // Objects stepped by a tick that does not run would never answer what they were asked.
    if (timer.rate == 0 && !steppedIds.empty()) return refuseUnderWay("has objects stepped by a tick that does not run");
    List<short> stepped;
    for (short id : steppedIds)
        if (!stepped.contains(id)) stepped.append(id);
    if (!readObjectList(in, units, "those whose flags are raised", flaggedIds)) return false;
    List<unsigned short> flagged;
    for (short id : flaggedIds)
        if (!flagged.contains(static_cast<unsigned short>(id))) flagged.append(static_cast<unsigned short>(id));
    LeftOfTick tickLeft;
    if (!readObjectRecords(in, units, stepped, version) || !readTickLeft(in, units, timer.slot != NoSlot, tickLeft))
        return false;
    clockShift_ = static_cast<std::int32_t>(timer.clock - (app ? app->tickCount() : 0));
    loadedTickLeft_ = tickLeft;
    clients_ = stepped;
    flaggedObjects_ = flagged;
    loadedRate_ = timer.rate;
    loadedSlot_ = timer.slot == NoSlot ? -1 : timer.slot;
    loadedElapsed_ = timer.elapsed;
    return true;
}

void VaelPhysicalLayer::restartTick() {
    const std::uint16_t rate = std::exchange(loadedRate_, 0);
    if (rate == 0 || clients_.isEmpty()) return;
    stopTick();
    startTimer(rate);
    if (Application* app = Application::instance())
        app->setTimerElapsed(Callback(this, onTick), std::exchange(loadedElapsed_, 0));
}

void VaelPhysicalLayer::finishTickUnderWay() {
    const auto left = [](const VaelPhysicalLayer* l) {
        return l && l->loadedTickLeft_.left != TickLeft::Nothing;
    };
    if (!left(this) && !left(partner_)) return;
    Application* app = Application::instance();
    // The battle's step was taken from within the tick, and what it queued ran before the tick went on:
    // so here what the resumption queued.
    if (app) app->drainQueue();
    // The object whose step the battle's step came from had told its command's end; what it does after
    // that comes next.
    for (VaelPhysicalLayer* layer : {this, partner_})
        if (layer)
            for (VaelDisplayObject* object : unitObjects(layer->objects_, layer->adopted_))
                object->finishLoadedHead();
    // Then the tick goes on where it was: the layer that was stepping its objects steps the rest, and the
    // timers after its slot (the other view's among them, and any taken meanwhile) count the tick.
    int after = Application::TimerSlots;
    long moment = 0;
    std::int32_t shift = clockShift_;
    for (VaelPhysicalLayer* layer : {this, partner_}) {
        if (!left(layer)) continue;
        const LeftOfTick tick = std::exchange(layer->loadedTickLeft_, LeftOfTick());
        moment = tick.now;
        shift = layer->clockShift_;
        if (tick.left == TickLeft::StepRest) {
            layer->stepObjects(tick.rest, tick.now);
            after = std::min(after, layer->loadedSlot_);
        } else {
            after = std::min(after, layer->loadedSlot_ - 1);
        }
    }
    if (app && after != Application::TimerSlots)
        app->tickTimersAfter(after, static_cast<std::uint32_t>(moment - shift));
}


bool getCommandRecord(std::istream& in, LogicalCommandInfo& command, bool& whole) {
    std::uint32_t length = 0;
    std::string bytes;
    if (!raw::getU32(in, length) || !raw::getText(in, length, bytes)) return false;
    SuperString piece;
    piece.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    piece >> command;
    whole = !piece.failed() && piece.remaining() == 0;
    return true;
}

namespace {

// Each reply the rules wait for from the display.
constexpr const char* DisplayReplies[] = {
    msg::MovementDone,          msg::OWMovementDone,   msg::AdvancingDone,
    msg::GroupMovementDone,     msg::RoutingDone,      msg::DoneRampaging,
    msg::ReturnFromMissileFire, msg::ChangeFacingDone, msg::AboutFaceDone};

} // namespace

bool isDisplayReply(const BusMessage& reply) {
    if (reply.id() <= 0 || reply.id() > 0xFFFF) return false;
    const std::string name = RegisteredMessage::nameOf(static_cast<std::uint16_t>(reply.id()));
    return std::any_of(std::begin(DisplayReplies), std::end(DisplayReplies),
                       [&](const char* known) { return name == known; });
}

bool readQueuedUnderWay(std::istream& in, QueuedUnderWay& queued, std::string& why) {
    why.clear();
    const auto refuse = [&why](std::string what) { return why = std::move(what), false; };
    std::uint16_t count = 0;
    if (!raw::getU16(in, queued.raised) || !raw::getU16(in, queued.waving) ||
        !raw::getU16(in, queued.finished) || !raw::getI16(in, queued.toKeep) || !raw::getU16(in, count))
        return false;
    for (auto [value, what] : {std::pair{queued.raised, "its flag is marked raised "},
                               {queued.waving, "its leader is marked waving "},
                               {queued.finished, "its command is marked finished "}})
        if (value > 1) return refuse(what + std::to_string(value) + ", where only 0 or 1 can be");
    if (queued.toKeep < 0)
        return refuse("it keeps " + std::to_string(queued.toKeep) + " moves for a rampage, below none");
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint16_t hexes = 0;
        if (!raw::getU16(in, hexes)) return false;
        List<short> path;
        for (std::uint16_t k = 0; k < hexes; ++k) {
            std::int16_t hex = 0;
            if (!raw::getI16(in, hex)) return false;
            path.append(hex);
        }
        queued.kept.append(path);
    }
    if (!raw::getU16(in, count)) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint16_t facing = 0;
        if (!raw::getU16(in, facing)) return false;
        if (facing > NorthWest)
            return refuse("a turn it keeps for a rampage is to " + std::to_string(facing) +
                          ", which is no direction");
        queued.facings.append(static_cast<DIRECTION>(facing));
    }
    if (!raw::getU16(in, count)) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        LogicalCommandInfo command;
        bool whole = false;
        if (!getCommandRecord(in, command, whole)) return false;
        if (!whole)
            return refuse("its queued command " + std::to_string(i + 1) + " does not read back whole");
        if (command.replyEvent.id() != 0 && !isDisplayReply(command.replyEvent)) {
            const std::int32_t id = command.replyEvent.id();
            const std::string name = id > 0 && id <= 0xFFFF
                                         ? RegisteredMessage::nameOf(static_cast<std::uint16_t>(id))
                                         : std::string();
            return refuse("its queued command " + std::to_string(i + 1) + " owes the reply " +
                          (name.empty() ? "numbered " + std::to_string(id) : "\"" + name + "\"") +
                          ", which the game does not know");
        }
        queued.commands.push_back(std::move(command));
    }
    return true;
}

namespace {

// The commands still queued in one object's record whose replies it owes; why says what it refused.
bool readQueuedCommands(std::istream& in, std::vector<LogicalCommandInfo>& owed, std::string& why) {
    QueuedUnderWay queued;
    if (!readQueuedUnderWay(in, queued, why)) return false;
    for (LogicalCommandInfo& command : queued.commands)
        if (command.replyEvent.id() != 0) owed.push_back(std::move(command));
    return true;
}

// One view's part: its tick's timer, the objects it steps and flags, then each object's record. rate is
// the view's tick rate, which tells the view on screen from the hidden one.
bool readViewReplies(const std::string& part, std::uint16_t& rate, std::vector<LogicalCommandInfo>& owed,
                     std::string& why) {
    std::istringstream in(part, std::ios::binary);
    std::uint32_t clock = 0;
    std::uint16_t slot = 0, elapsed = 0, count = 0, index = 0;
    if (!raw::getU32(in, clock) || !raw::getU16(in, rate) || !raw::getU16(in, slot) || !raw::getU16(in, elapsed))
        return false;
    for (int list = 0; list < 2; ++list) {
        if (!raw::getU16(in, count)) return false;
        for (std::uint16_t i = 0; i < count; ++i)
            if (!raw::getU16(in, index)) return false;
    }
    if (!raw::getU16(in, count)) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        std::string bytes;
        if (!raw::getU32(in, length) || !raw::getText(in, length, bytes)) return false;
        std::istringstream record(bytes, std::ios::binary);
        if (!readQueuedCommands(record, owed, why)) return false;
    }
    // What of the tick was still to come closes the part.
    std::uint16_t left = 0;
    std::uint32_t moment = 0;
    if (!raw::getU16(in, left)) return false;
    if (left != 0 && !raw::getU32(in, moment)) return false;
    if (left == 1) {
        if (!raw::getU16(in, count)) return false;
        for (std::uint16_t i = 0; i < count; ++i)
            if (!raw::getU16(in, index)) return false;
    }
    return in.peek() == std::char_traits<char>::eof();
}

} // namespace

bool VaelPhysicalLayers::repliesOwedIn(const std::vector<std::uint8_t>& bytes, std::vector<LogicalCommandInfo>& owed,
                                       std::size_t* recordAt) {
    std::string problem;
    return vael::repliesOwedIn(bytes, owed, recordAt, problem);
}

bool repliesOwedIn(const std::vector<std::uint8_t>& bytes, std::vector<LogicalCommandInfo>& owed,
                   std::size_t* recordAt, std::string& problem) {
    owed.clear();
    problem.clear();
    // The record closes the file, its length reaching its last byte: read back from there, a game without
    // the display's objects finds it all the same.
    if (bytes.size() < 10) return false;
    std::size_t at = bytes.size() - 10;
    while (!std::equal(VaelPhysicalLayers::UnderWayTag, VaelPhysicalLayers::UnderWayTag + 4,
                       bytes.begin() + static_cast<std::ptrdiff_t>(at)) ||
           raw::read32(bytes, at + 6) != bytes.size() - at - 10)
        if (at-- == 0) return false;
    const std::uint16_t version = raw::read16(bytes, at + 4);
    if (version != VaelPhysicalLayers::UnderWayVersion &&
        version != VaelDisplayObject::UnderWayWithoutRampages)
        return false;
    std::istringstream body(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at + 10), bytes.end()),
                            std::ios::binary);
    std::vector<LogicalCommandInfo> views[2];
    std::uint16_t rates[2] = {};
    for (int view = 0; view < 2; ++view) {
        std::uint32_t size = 0;
        std::string part;
        std::string why;
        if (!raw::getU32(body, size) || !raw::getText(body, size, part) ||
            !readViewReplies(part, rates[view], views[view], why)) {
            // Told as the display tells the same object's record.
            if (!why.empty()) problem = "holds a unit shown as no battle shows it: " + why;
            return false;
        }
    }
    if (body.peek() != std::char_traits<char>::eof()) return false;
    // Only the view on screen answers the logical side, and its tick runs at the shown rate; with neither
    // ticking, the normal view is the one watched.
    owed = std::move(views[rates[1] == VaelPhysicalLayer::VisibleRate && rates[0] != VaelPhysicalLayer::VisibleRate ? 1 : 0]);
    if (recordAt) *recordAt = at;
    return true;
}

} // namespace vael
