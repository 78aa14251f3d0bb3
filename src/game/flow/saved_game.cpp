#include "game/flow/saved_game.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/core/printable.h"
#include "framework/core/read_file.h"
#include "framework/core/super_string.h"
#include "game/flow/data_files.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/computer_opponent.h"
#include "game/flow/game_control.h"
#include "game/flow/leader_activation.h"
#include "game/flow/side_control.h"
#include "game/flow/unit_prototypes.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELLOG3";
using namespace saved_game;

// A record refused: its stream failed, the first reason given kept (none said, the caller's own stands).
bool refuse(SuperString& record, std::string* problem, const std::string& why) {
    if (problem && problem->empty() && !why.empty()) *problem = why;
    return record.setFailed(), false;
}

void writeName(SuperString& s, const std::string& name) {
    s << static_cast<std::uint16_t>(name.size());
    if (!name.empty()) s.write(name.data(), static_cast<std::int32_t>(name.size()));
}

bool readName(SuperString& s, std::string& name) {
    std::uint16_t n = 0;
    s >> n;
    if (s.failed() || n > s.remaining()) return s.setFailed(), false;
    name.assign(n, '\0');
    if (n) s.read(name.data(), n);
    return !s.failed();
}

bool readNumbers(SuperString& s, std::vector<std::uint16_t>& numbers) {
    std::uint16_t n = 0;
    s >> n;
    if (s.failed() || n * 2 > s.remaining()) return s.setFailed(), false;
    numbers.resize(n);
    for (std::uint16_t& v : numbers)
        s >> v;
    return !s.failed();
}

template <class T> void writeNumbers(SuperString& s, const List<T>& units) {
    s << static_cast<std::uint16_t>(units.count());
    for (const VaelUnit* unit : each(units))
        s << static_cast<std::uint16_t>(unit->getUnitNum());
}

struct SavedCombat {
    std::vector<std::uint16_t> lists[5];
    std::uint16_t hex = 0xFFFF;
};

// The hexes more than one unit stands on: who stands first there answers for the hex (whose zone, whose
// attack), and the units read back would stand in the scenario's order, not in the order they came.
std::vector<std::int16_t> sharedHexes(VaelLogicalLayer& layer) {
    std::vector<std::int16_t> hexes;
    VaelLogicalLandscape* land = layer.getVaelLandscape();
    if (!land) return hexes;
    for (VaelUnit* unit : layer.allUnits())
        for (std::int32_t hex : {std::int32_t(unit->getHex()), std::int32_t(unit->getSecondHex())})
            if (hex >= 0 && land->isValidHex(static_cast<std::int16_t>(hex)) &&
                land->unitsInHex(static_cast<std::int16_t>(hex)).count() > 1 &&
                std::find(hexes.begin(), hexes.end(), hex) == hexes.end())
                hexes.push_back(static_cast<std::int16_t>(hex));
    return hexes;
}

// The computer's orders under way, when a leader of his gives them now (one leader at most).
std::vector<std::pair<ComputerOrders, const Leader*>> computerOrdersUnderWay(VaelLogicalLayer& layer) {
    std::vector<std::pair<ComputerOrders, const Leader*>> under;
    // A loaded game saved again before the computer took up its orders keeps them as they were loaded: they
    // are the orders under way, whatever the opponents hold until they take them up.
    if (const std::optional<ComputerOrders>& loaded = layer.resumedComputerOrders()) {
        if (const Leader* leader = layer.findLeader(loaded->leader)) under.emplace_back(*loaded, leader);
        return under;
    }
    for (const bool visitor : {false, true}) {
        ComputerOrders orders;
        if (ComputerOpponent* opponent = layer.getOpponent(visitor);
            opponent && opponent->ordersUnderWay(orders) && under.empty())
            if (const Leader* leader = layer.findLeader(orders.leader)) under.emplace_back(orders, leader);
    }
    return under;
}

// The active leader's activation standing in the pause after its combats, his orders over (or loaded so,
// and not yet resumed); null when it does not.
LeaderUnitInfo* pauseUnderWay(VaelLogicalLayer& layer) {
    GameControl* control = layer.getGameControl();
    LeaderUnitInfo* pausing = control ? control->activeLeaderInfo() : nullptr;
    if (pausing && !(pausing->leader && (combatPauseUnderWay(layer) || pausing->leader->resumesPauseAfterCombats())))
        return nullptr;
    return pausing;
}

// The orders under way and the pause, as the running state's version 4 holds them.
void writeOrdersUnderWay(SuperString& record, const std::vector<std::pair<ComputerOrders, const Leader*>>& under,
                         const LeaderUnitInfo* pausing) {
    record << static_cast<std::uint16_t>(under.size());
    for (const auto& [orders, leader] : under) {
        record << orders.leader;
        leader->writeOrdersUnderWay(record);
        record << orders.ordersLeft << orders.lastOrderedUnit << orders.finished << orders.idlePasses
               << orders.groupPosition << orders.ordersGiven << orders.boxShown << orders.groupCursorUnit
               << orders.currentUnit;
        for (const std::vector<std::int16_t>* units : {&orders.moving, &orders.done}) {
            record << static_cast<std::uint16_t>(units->size());
            for (std::int16_t n : *units)
                record << n;
        }
        record << static_cast<std::uint16_t>(orders.queued.size());
        for (std::uint16_t q : orders.queued)
            record << q;
    }
    record << static_cast<std::uint16_t>(pausing ? 1 : 0);
    if (pausing) {
        record << static_cast<std::uint16_t>(pausing->leader->getUnitNum());
        pausing->leader->writeOrdersUnderWay(record);
        record << pausing->momentumAllowed;
    }
}

void writeRunningState(SuperString& s, VaelLogicalLayer& layer) {
    SuperString record;
    for (VaelUnit* unit : layer.allUnits())
        unit->writeRunningState(record);
    // A leader's own record keeps his flag only while he gives orders; one struck before his turn (killed,
    // wounded, distracted) is done for it too, and would be picked again after a load.
    for (const Leader* leader : each(layer.getLeaders()))
        record << static_cast<std::uint16_t>(leader->isFinished() ? 1 : 0);
    // A beast whose rampage is still shown stands on no hex and waits for the rampage's end: read back in
    // place it would stand on its hex again and rally. So would one whose rampage ended unshown as a loaded
    // game resumed and whose elimination is on its way (a game loaded and saved again at once): read back
    // rampaging, it ends again and falls, its loss counted then as it would have been.
    std::vector<std::uint16_t> rampaging;
    for (VaelUnit* unit : layer.allUnits())
        if (auto* beast = dynamic_cast<Elephant*>(unit);
            beast && !beast->isOutOfPlay() && (beast->isRampaging() || beast->isEliminationDue()))
            rampaging.push_back(beast->getUnitNum());
    record << static_cast<std::uint16_t>(rampaging.size());
    for (std::uint16_t number : rampaging)
        record << number;
    const std::vector<std::int16_t> shared = sharedHexes(layer);
    record << static_cast<std::uint16_t>(shared.size());
    for (std::int16_t hex : shared) {
        const List<const VaelUnit*>& occupants = layer.getVaelLandscape()->unitsInHex(hex);
        record << hex << static_cast<std::uint16_t>(occupants.count());
        for (const VaelUnit* unit : each(occupants))
            record << static_cast<std::uint16_t>(unit->getUnitNum());
    }
    const std::vector<std::pair<ComputerOrders, const Leader*>> under = computerOrdersUnderWay(layer);
    LeaderUnitInfo* pausing = pauseUnderWay(layer);
    if (!under.empty() || pausing) writeOrdersUnderWay(record, under, pausing);
    s.write(RunningStateTag, 4);
    s << (under.empty() && !pausing ? RunningStateWithoutOrders : RunningStateVersion)
      << static_cast<std::uint32_t>(record.length());
    std::vector<char> bytes(static_cast<std::size_t>(record.length()));
    if (!bytes.empty()) {
        record.peek(bytes.data(), 0, record.length());
        s.write(bytes.data(), record.length());
    }
}

// A computer leader's orders under way (a record of version 4), checked whole against the battle: the leader
// is the one game control has active, every unit named is the battle's, every count and flag one his orders
// can reach. False with the reason, the record failed, when they cannot be.
bool readComputerOrders(SuperString& record, VaelLogicalLayer& layer, std::optional<ComputerOrders>& found,
                        Leader*& ordering, Leader::OrdersUnderWay& leaderOrders, std::string* problem) {
    std::string why;
    const auto refuse = [&](const std::string& reason) { return vael::refuse(record, problem, reason); };
    std::uint16_t count = 0;
    record >> count;
    if (record.failed()) return refuse({});
    if (count > 1)
        return refuse("the saved game has " + std::to_string(count) +
                      " computer leaders giving orders at once, where one at most can");
    if (count == 0) return true;
    ComputerOrders orders;
    record >> orders.leader;
    Leader* leader = record.failed() ? nullptr : layer.findLeader(orders.leader);
    if (record.failed()) return refuse({});
    if (!leader)
        return refuse("the saved game has unit " + std::to_string(orders.leader) +
                      " giving the computer's orders, which is no leader of this battle");
    GameControl* control = layer.getGameControl();
    const LeaderUnitInfo* active = control ? control->activeLeaderInfo() : nullptr;
    if (!active || active->leader != leader)
        return refuse("the saved game has " + leader->getName() +
                      " giving the computer's orders, who is not the leader game control has active");
    if (!leader->readOrdersUnderWay(record, leaderOrders, why)) return refuse(why);
    record >> orders.ordersLeft >> orders.lastOrderedUnit >> orders.finished >> orders.idlePasses >>
        orders.groupPosition >> orders.ordersGiven >> orders.boxShown >> orders.groupCursorUnit >> orders.currentUnit;
    const auto isUnit = [&](std::int16_t n) { return n == -1 || layer.findUnit(static_cast<std::uint16_t>(n)); };
    for (std::vector<std::int16_t>* units : {&orders.moving, &orders.done}) {
        std::uint16_t n = 0;
        record >> n;
        if (record.failed()) return refuse({});
        if (n > record.remaining() / 2)
            return refuse("the saved game has " + leader->getName() + "'s computer orders count " + std::to_string(n) +
                          " units " + (units == &orders.moving ? "moving" : "done") + ", more than the record holds");
        for (std::uint16_t k = 0; k < n; ++k) {
            std::int16_t unit = 0;
            record >> unit;
            if (!record.failed() && (unit < 0 || !isUnit(unit)))
                return refuse("the saved game has the computer's orders wait for unit " + std::to_string(unit) +
                              ", which is no unit of this battle");
            units->push_back(unit);
        }
    }
    std::uint16_t queued = 0;
    record >> queued;
    if (record.failed()) return refuse({});
    if (queued > record.remaining() / 2)
        return refuse("the saved game has " + leader->getName() + "'s computer orders count " + std::to_string(queued) +
                      " messages queued, more than the record holds");
    for (std::uint16_t k = 0; k < queued; ++k) {
        std::uint16_t q = 0;
        record >> q;
        if (!record.failed() && q != ComputerOrders::GiveOrder && q != ComputerOrders::Finished)
            return refuse("the saved game queues the computer's message " + std::to_string(q) +
                          ", which is none of his orders'");
        orders.queued.push_back(q);
    }
    if (record.failed()) return refuse({});
    // A pass may order several units and take his orders left below nothing, never below the battle's units.
    const int units = static_cast<int>(layer.allUnits().size());
    if (orders.ordersLeft > static_cast<int>(leader->getInitiative()) || orders.ordersLeft < -units)
        return refuse("the saved game leaves " + leader->getName() + " " + std::to_string(orders.ordersLeft) +
                      " of the computer's orders, where he has " + std::to_string(leader->getInitiative()));
    if (orders.finished > 1 || orders.boxShown > 1 || orders.idlePasses < 0 || orders.idlePasses > 1 ||
        orders.ordersGiven < 0 || orders.groupPosition < 0 || orders.groupPosition > units + 1)
        return refuse("the saved game holds a count or a flag of " + leader->getName() +
                      "'s computer orders that no orders reach");
    if (!isUnit(orders.groupCursorUnit) || !isUnit(orders.currentUnit) || !isUnit(orders.lastOrderedUnit))
        return refuse("the saved game has " + leader->getName() +
                      "'s computer orders name a unit that is not of this battle");
    found = std::move(orders);
    ordering = leader;
    return true;
}

// The pause after the active leader's combats (a record of version 4): his unit number, his orders as they
// ended and whether he may try for momentum. False with the reason, the record failed, when they cannot be
// this battle's.
bool readCombatPause(SuperString& record, VaelLogicalLayer& layer, bool ordersUnderWay, Leader*& pausing,
                     Leader::OrdersUnderWay& orders, std::int16_t& momentum, std::string* problem) {
    const auto refuse = [&](const std::string& reason) { return vael::refuse(record, problem, reason); };
    std::uint16_t flag = 0;
    record >> flag;
    if (record.failed()) return refuse({});
    if (flag > 1)
        return refuse("the saved game holds " + std::to_string(flag) +
                      " for whether the activation stands in its pause after the combats, where only 0 or 1 can be");
    if (flag == 0) return true;
    if (ordersUnderWay)
        return refuse("the saved game has the computer's orders under way and the activation past them at once");
    std::uint16_t number = 0;
    record >> number;
    Leader* leader = record.failed() ? nullptr : layer.findLeader(number);
    if (record.failed()) return refuse({});
    GameControl* control = layer.getGameControl();
    const LeaderUnitInfo* active = control ? control->activeLeaderInfo() : nullptr;
    if (!leader || !active || active->leader != leader)
        return refuse("the saved game has unit " + std::to_string(number) +
                      " in the pause after his combats, who is not the leader game control has active");
    std::string why;
    if (!leader->readOrdersUnderWay(record, orders, why)) return refuse(why);
    record >> momentum;
    if (record.failed()) return refuse({});
    if (momentum != 0 && momentum != 1)
        return refuse("the saved game holds " + std::to_string(momentum) + " for whether " + leader->getName() +
                      " may try for momentum, where only 0 or 1 can be");
    pausing = leader;
    return true;
}

const char* const Unchecked =
    "the saved game holds a battle's running state but no whole check: it is cut short or damaged";

// Where the running state stands in the stream: not there (a game saved before it), there and taken out
// whole, or there but not to be read.
enum class RunningRecord { Absent, Read, Refused };

// The record's tag, version and length, and its bytes taken out of the stream into record.
RunningRecord openRunningState(SuperString& s, SavedCheck check, std::string* problem, std::uint16_t& version,
                               SuperString& record) {
    char tag[4] = {};
    const std::int32_t left = s.remaining();
    // One to three bytes left that begin a record's tag are a file cut inside that tag, not an older
    // file: an older file ends with game control's block, or goes on to the display's part, longer than that.
    if (left > 0 && left < 4 && s.peek(tag, s.readPosition(), left) == left &&
        (std::equal(tag, tag + left, RunningStateTag) || std::equal(tag, tag + left, saved_check::Tag)))
        return refuse(s, problem, "the saved game is cut short: it ends inside the tag of a record"),
               RunningRecord::Refused;
    if (left < 4 || s.peek(tag, s.readPosition(), 4) != 4 || !std::equal(tag, tag + 4, RunningStateTag))
        return RunningRecord::Absent;
    // Every file that has the record was written with its check: without one it was cut or damaged.
    if (check != SavedCheck::Matched) return refuse(s, problem, Unchecked), RunningRecord::Refused;
    s.read(tag, 4);
    std::uint32_t length = 0;
    s >> version >> length;
    if (!s.failed() && version != RunningStateVersion && version != RunningStateWithoutOrders &&
        version != RunningStateWithoutRampages && version != RunningStateWithoutFinished)
        return refuse(s, problem,
                      "the saved game's running state is of version " + std::to_string(version) +
                          ", which this game does not read"),
               RunningRecord::Refused;
    if (s.failed() || length > static_cast<std::uint32_t>(s.remaining()))
        return refuse(s, problem, {}), RunningRecord::Refused;
    std::vector<char> bytes(length);
    if (length) s.read(bytes.data(), static_cast<std::int32_t>(length));
    if (length) record.write(bytes.data(), static_cast<std::int32_t>(length));
    return RunningRecord::Read;
}

const std::string EndedInside = "the saved game's running state ends inside ";

// Each unit's running state, in the scenario's order.
bool readUnitsRunningState(SuperString& record, const std::vector<VaelUnit*>& units, std::string* problem) {
    for (VaelUnit* unit : units)
        if (!unit->readRunningState(record))
            return refuse(record, problem,
                          !unit->readProblem().empty()
                              ? unit->readProblem()
                              : EndedInside + "the state of " + unit->getName() + " (unit " +
                                    std::to_string(unit->getUnitNum()) + ")");
    return true;
}

// Which leaders are done for the turn, set once the whole record is read; a record of version 1 has none,
// and each leader keeps what his own record said.
bool readFinishedFlags(SuperString& record, VaelLogicalLayer& layer, std::uint16_t version,
                       std::vector<std::pair<Leader*, bool>>& finished, std::string* problem) {
    if (version == RunningStateWithoutFinished) return true;
    for (Leader* leader : each(layer.getLeaders())) {
        std::uint16_t flag = 0;
        record >> flag;
        if (record.failed()) return refuse(record, problem, EndedInside + "the leaders' flags");
        if (flag > 1)
            return refuse(record, problem,
                          "the saved game holds " + std::to_string(flag) + " for whether " + leader->getName() +
                              " is done for the turn, where only 0 or 1 can be");
        finished.emplace_back(leader, flag == 1);
    }
    return true;
}

// The elephants whose rampage the display still showed (from version 3), each named once and still in play.
bool readRampagingBeasts(SuperString& record, VaelLogicalLayer& layer, std::uint16_t version,
                         std::vector<Elephant*>& rampaging, std::string* problem) {
    if (version < RunningStateWithoutOrders) return true;
    std::uint16_t count = 0;
    record >> count;
    for (std::uint16_t i = 0; !record.failed() && i < count; ++i) {
        std::uint16_t number = 0;
        record >> number;
        auto* beast = dynamic_cast<Elephant*>(layer.findUnit(number));
        const bool again = std::find(rampaging.begin(), rampaging.end(), beast) != rampaging.end();
        if (!record.failed() && (!beast || beast->isOutOfPlay() || again))
            return refuse(record, problem,
                          "the saved game has unit " + std::to_string(number) + " rampaging, which " +
                              (!beast ? "is no elephant of this battle" : again ? "it names twice" : "has left the field"));
        rampaging.push_back(beast);
    }
    return !record.failed() || refuse(record, problem, EndedInside + "its rampaging elephants");
}

using HexOrder = std::pair<std::int16_t, std::vector<const VaelUnit*>>;

// One shared hex's occupants in the order they came, each standing there and named once.
bool readHexOrder(SuperString& record, VaelLogicalLandscape& land, const std::vector<std::int16_t>& shared,
                  std::vector<HexOrder>& orders, std::string* problem) {
    std::int16_t hex = -1;
    std::uint16_t count = 0;
    record >> hex >> count;
    if (record.failed()) return refuse(record, problem, EndedInside + "its shared hexes");
    const std::string named = "the saved game names hex " + std::to_string(hex);
    if (std::any_of(orders.begin(), orders.end(), [&](const HexOrder& order) { return order.first == hex; }))
        return refuse(record, problem, "the saved game names the shared hex " + std::to_string(hex) + " twice");
    if (std::find(shared.begin(), shared.end(), hex) == shared.end())
        return refuse(record, problem, named + " as one more than one unit stands on, where none or one does");
    const List<const VaelUnit*>& occupants = land.unitsInHex(hex);
    if (count != occupants.count())
        return refuse(record, problem,
                      named + " with " + std::to_string(count) + " units on it, where " +
                          std::to_string(occupants.count()) + " stand");
    std::vector<const VaelUnit*> order;
    for (std::uint16_t k = 0; k < count; ++k) {
        std::uint16_t number = 0;
        record >> number;
        const VaelUnit* found = nullptr;
        for (const VaelUnit* unit : each(occupants))
            if (unit->getUnitNum() == number) found = unit;
        const bool twice = std::find(order.begin(), order.end(), found) != order.end();
        if (record.failed()) return refuse(record, problem, EndedInside + "its shared hexes");
        if (!found || twice)
            return refuse(record, problem,
                          named + " with unit " + std::to_string(number) + " on it, which " +
                              (twice ? "it names twice there" : "does not stand there"));
        order.push_back(found);
    }
    orders.emplace_back(hex, std::move(order));
    return true;
}

// Every hex more than one unit stands on is listed once, with every unit there once, checked whole before
// any hex is put in order. The shared hexes are counted without the rampaging elephants, off their hexes.
bool readSharedHexes(SuperString& record, VaelLogicalLayer& layer, std::vector<HexOrder>& orders,
                     std::string* problem) {
    std::uint16_t count = 0;
    record >> count;
    if (record.failed()) return refuse(record, problem, EndedInside + "its shared hexes");
    const std::vector<std::int16_t> shared = sharedHexes(layer);
    if (count != shared.size())
        return refuse(record, problem,
                      "the saved game's running state lists " + std::to_string(count) +
                          " hexes more than one unit stands on, where its units share " + std::to_string(shared.size()));
    for (std::uint16_t i = 0; i < count; ++i)
        if (!readHexOrder(record, *layer.getVaelLandscape(), shared, orders, problem)) return false;
    return true;
}

// What of the running state the battle takes once the whole record is read.
struct RunningState {
    std::vector<std::pair<Leader*, bool>> finished;
    std::vector<Elephant*> rampaging, resumed;
    std::vector<HexOrder> orders;
    std::optional<ComputerOrders> computerOrders;
    Leader* ordering = nullptr;
    Leader::OrdersUnderWay leaderOrders;
    Leader* pausing = nullptr;
    Leader::OrdersUnderWay pauseOrders;
    std::int16_t momentum = 0;
};

void applyRunningState(VaelLogicalLayer& layer, const RunningState& state) {
    VaelLogicalLandscape* land = layer.getVaelLandscape();
    for (const auto& [hex, order] : state.orders) {
        List<const VaelUnit*>& occupants = land->unitsInHex(hex);
        occupants.clear();
        for (const VaelUnit* unit : order)
            occupants.append(unit);
    }
    if (!state.orders.empty()) land->noteChange();
    for (auto [leader, done] : state.finished)
        leader->setFinished(done);
    for (Leader* leader : each(layer.getLeaders()))
        leader->forgetResumedOrders();
    if (state.ordering) state.ordering->resumeOrdersUnderWay(state.leaderOrders);
    if (state.pausing) {
        state.pausing->resumePauseAfterCombats(state.pauseOrders);
        layer.getGameControl()->activeLeaderInfo()->momentumAllowed = state.momentum;
    }
    layer.resumedComputerOrders() = state.computerOrders;
}

// The record's parts after the units', read in their order: false, the record failed and the first reason
// kept, at the first that the battle cannot hold. The rampaging elephants leave their hexes before the
// shared hexes are checked.
bool readRunningParts(SuperString& record, VaelLogicalLayer& layer, std::uint16_t version, RunningState& state,
                      std::string* problem) {
    if (!readFinishedFlags(record, layer, version, state.finished, problem) ||
        !readRampagingBeasts(record, layer, version, state.rampaging, problem))
        return false;
    for (Elephant* beast : state.rampaging)
        if (!beast->isRampaging()) {
            beast->resumeRampage();
            state.resumed.push_back(beast);
        }
    if (!readSharedHexes(record, layer, state.orders, problem)) return false;
    if (version >= RunningStateVersion &&
        !(readComputerOrders(record, layer, state.computerOrders, state.ordering, state.leaderOrders, problem) &&
          readCombatPause(record, layer, state.computerOrders.has_value(), state.pausing, state.pauseOrders,
                          state.momentum, problem)))
        return false;
    // Every byte belongs to a unit, a leader or a hex: a longer record is another battle's.
    if (record.remaining() != 0)
        return refuse(record, problem,
                      "the saved game's running state holds " + std::to_string(record.remaining()) +
                          " bytes more than this battle's units, leaders and hexes take");
    return true;
}

// The running state when the stream holds it next; true with nothing read when it holds something else
// (a game saved before there was one), false when the record is there but cut short, in a file without its
// check, or does not fit the battle's units, which are then as they were.
bool readRunningState(SuperString& s, VaelLogicalLayer& layer, SavedCheck check,
                      std::string* problem = nullptr) {
    std::uint16_t version = 0;
    SuperString record;
    switch (openRunningState(s, check, problem, version, record)) {
    case RunningRecord::Absent:
        return true;
    case RunningRecord::Refused:
        return false;
    case RunningRecord::Read:
        break;
    }
    const std::vector<VaelUnit*> units = layer.allUnits();
    SuperString before;
    for (VaelUnit* unit : units)
        unit->writeRunningState(before);
    RunningState state;
    if (readUnitsRunningState(record, units, problem) && readRunningParts(record, layer, version, state, problem)) {
        applyRunningState(layer, state);
        return true;
    }
    // A refusal puts the rampaging elephants back on their hexes, and every unit as it was.
    for (Elephant* beast : state.resumed)
        beast->abandonResumedRampage();
    for (VaelUnit* unit : units)
        unit->readRunningState(before);
    s.setFailed();
    return false;
}

// The side's count of units eliminated and its rout level, held to what the side can reach: no more
// eliminated than its units and fallen leaders (without bound once a leader's replacement stands, who
// may fall again), and a level from 1 to the side's whole troop quality or the battle's own level where
// that is higher, the range the choice of levels gives. A count past them would end the battle on
// figures no battle reached. Empty when both fit.
std::string sideBoundsProblem(VaelLogicalLayer& layer, const GameControl& control, bool home) {
    const std::string side = home ? "home" : "visitor";
    const List<Combat*>& units = home ? layer.getHomeUnits() : layer.getVisitorUnits();
    int fallen = 0, total = 0;
    bool unbounded = false;
    for (Combat* unit : each(units)) {
        total += unit->pointValue();
        if (unit->isOutOfPlay()) ++fallen;
    }
    for (const Leader* leader : each(layer.getLeaders())) {
        if (!leader->isEliminated() || layer.onVisitorSide(leader->getNation()) == home) continue;
        if (!leader->hasLeftTheField()) unbounded = true;
        ++fallen;
    }
    const std::int16_t eliminated = control.getSideEliminated(home ? 1 : 0);
    // Every unit and leader off the field was counted as it fell: a count below them would have the side
    // hold out past the losses that break it.
    if ((!unbounded && eliminated > fallen) || eliminated < fallen)
        return "the saved game counts " + std::to_string(eliminated) + " units eliminated on the " + side +
               " side, where " + std::to_string(fallen) + " of its " + std::to_string(units.count()) +
               " units and its leaders have fallen";
    const int own = home ? layer.getHomeTQPoints() : layer.getVisitorTQPoints();
    const int lowest = std::min(1, own), highest = std::max({total, 1, own});
    const std::int16_t limit = control.getSideTQLimit(home ? 1 : 0);
    if (limit < lowest || limit > highest)
        return "the saved game has the " + side + " side rout at " + std::to_string(limit) +
               " troop quality lost, where its level is " + std::to_string(lowest) + " to " +
               std::to_string(highest);
    return {};
}

// Game control counts each side's routing units and their troop quality as they rout, rally and fall: a
// file whose units say otherwise would have the counts run below nothing as those units rally, and the
// battle decided on figures no battle reached. Empty when they agree.
std::string sideCountsProblem(VaelLogicalLayer& layer, const GameControl& control) {
    for (const bool home : {true, false}) {
        int routing = 0, routedTQ = 0;
        for (Combat* unit : each(home ? layer.getHomeUnits() : layer.getVisitorUnits())) {
            if (unit->isOutOfPlay() || !unit->isRouting() || neverCountsAsRouting(unit->getUnitType())) continue;
            ++routing;
            routedTQ += unit->pointValue();
        }
        const std::int16_t counted = control.getSideRouting(home ? 1 : 0);
        const std::int16_t countedTQ = control.getSideRoutedTQ(home ? 1 : 0);
        if (counted != routing || countedTQ != routedTQ)
            return std::string("the saved game counts ") + std::to_string(counted) + " routing (" +
                   std::to_string(countedTQ) + ") on the " + (home ? "home" : "visitor") + " side, where its units rout " +
                   std::to_string(routing) + " (" + std::to_string(routedTQ) + ")";
        // The troop quality lost is what the side's eliminated units and fallen leaders were worth. A leader
        // whose replacement stands may have fallen again, each fall counting: a side with one has no bound.
        int worth = 0;
        bool unbounded = false;
        for (Combat* unit : each(home ? layer.getHomeUnits() : layer.getVisitorUnits()))
            if (unit->isOutOfPlay()) worth += unit->pointValue();
        for (const Leader* leader : each(layer.getLeaders())) {
            if (!leader->isEliminated() || layer.onVisitorSide(leader->getNation()) == home) continue;
            if (!leader->hasLeftTheField()) unbounded = true;
            worth += leader->fallPoints();
        }
        const std::int16_t lost = control.getSideLostTQ(home ? 1 : 0);
        if ((!unbounded && lost > worth) || lost < worth)
            return std::string("the saved game counts ") + std::to_string(lost) +
                   " troop quality lost on the " + (home ? "home" : "visitor") +
                   " side, where its fallen units are worth " + std::to_string(worth);
        if (std::string problem = sideBoundsProblem(layer, control, home); !problem.empty()) return problem;
    }
    return {};
}

} // namespace

std::vector<std::uint8_t> saveLayerPart(VaelLogicalLayer& layer) {
    SuperString s;
    for (VaelUnit* unit : layer.allUnits())
        unit->write(s);
    writeNumbers(s, layer.getComputerLeaders());
    ComputerOpponent* home = layer.getOpponent(false);
    ComputerOpponent* visitor = layer.getOpponent(true);
    const bool twoPlans = home && visitor;
    s << static_cast<std::uint8_t>((home ? HomeOpponent : 0) | (visitor ? VisitorOpponent : 0) |
                                   (twoPlans ? TwoPlans : 0));
    writeName(s, layer.getScriptFileName());
    if (twoPlans) writeName(s, layer.getHomePlanName());
    s << static_cast<std::uint16_t>(layer.combats().count());
    for (const CombatStruct& combat : each(layer.combats())) {
        writeNumbers(s, combat.attackers);
        writeNumbers(s, combat.defenders);
        writeNumbers(s, combat.attackingLeaders);
        writeNumbers(s, combat.defendingLeaders);
        s << static_cast<std::uint16_t>(combat.moved.count());
        for (short flag : each(combat.moved))
            s << static_cast<std::uint16_t>(flag);
        s << combat.hex;
    }
    if (GameControl* control = layer.getGameControl()) control->write(s);
    writeRunningState(s, layer);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.length()));
    if (!bytes.empty()) s.peek(bytes.data(), 0, s.length());
    return bytes;
}

bool appendLayerPart(VaelLogicalLayer& layer, std::vector<std::uint8_t>& file) {
    if (file.size() < OffsetField + 4 || file.size() > 0xFFFFFFFFu) return false;
    const auto p = static_cast<std::uint32_t>(file.size());
    for (std::size_t k = 0; k < 4; ++k)
        file[OffsetField + k] = static_cast<std::uint8_t>(p >> (8 * k));
    const std::vector<std::uint8_t> part = saveLayerPart(layer);
    file.insert(file.end(), part.begin(), part.end());
    return true;
}

bool SaveGame(VaelLogicalLayer& layer, const std::string& fileName, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!readFileBytes(fileName, bytes, error, file_limits::SavedGame)) return false;
    if (!appendLayerPart(layer, bytes)) return error = fileName + " has no header to follow", false;
    // Only the part is added: what the file held before is written back unchanged.
    std::fstream file(fileName, std::ios::in | std::ios::out | std::ios::binary);
    if (!file) return error = "cannot open " + fileName + ": " + std::strerror(errno), false;
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) return error = "cannot write " + fileName + ": " + std::strerror(errno), false;
    return true;
}

namespace {

// What follows the units, read from the file before any of it is applied.
struct ParsedPart {
    VaelUnit* selected = nullptr;
    std::vector<std::uint16_t> computer;
    std::uint8_t flags = 0;
    std::string plan, homePlan;
    std::vector<SavedCombat> combats;
    std::int32_t controlAt = 0;
    // What is wrong with a refused file, when more can be said than that it does not fit.
    std::string problem;
};

// Where the units read back stand has to be a place the battle could have put them: a unit in play on the
// hex it names, a unit of two hexes with its second hex beside the first as its facing turns it, and on it.
// A record that says otherwise passes every check of its own bytes, and the battle would fail a check in
// play the first time the unit moves. Empty when every unit stands where it says.
std::string misplacedUnit(VaelLogicalLayer& layer) {
    VaelLogicalLandscape* land = layer.getVaelLandscape();
    if (!land) return {};
    for (const VaelUnit* unit : layer.allUnits()) {
        if (unit->isOutOfPlay() && !unit->standsOutOfPlay()) continue;
        if (unit->getHex() == Unit::offMap) continue;
        const auto hex = static_cast<std::int16_t>(unit->getHex());
        const std::string who = "the saved game puts " + printable(unit->getName()) + " (unit " +
                                std::to_string(unit->getUnitNum()) + ") ";
        if (!land->unitsInHex(hex).contains(unit)) return who + "on hex " + std::to_string(hex) + " but not there";
        const std::int16_t second = unit->isDoubleSized() ? unit->rightFlankHex(hex) : std::int16_t(-1);
        if (unit->getSecondHex() != second || (second >= 0 && !land->unitsInHex(second).contains(unit)))
            return who + "on hex " + std::to_string(hex) + " with its second hex " +
                   std::to_string(unit->getSecondHex()) + ", where it can only be " + std::to_string(second);
    }
    return {};
}

// A commander's fall ends the battle, so no battle still to be played has one fallen: a record that says
// he is would have game control activate a leader no longer on the field (the battle failing a check at
// his first move), or put a soldier from the ranks in a place nobody takes. Empty when both commanders
// stand.
std::string fallenCommander(VaelLogicalLayer& layer) {
    for (const Leader* leader : each(layer.getLeaders()))
        if (leader->isEliminated() && Leader::isCommanderName(leader->getName()))
            return "the saved game has the commander " + printable(leader->getName()) + " (unit " +
                   std::to_string(leader->getUnitNum()) + ") fallen, whose fall ends the battle";
    return {};
}

// Reads the units of the battle in place, then the rest up to game control's block.
bool readPart(VaelLogicalLayer& layer, SuperString& s, ParsedPart& part) {
    part = ParsedPart();
    for (VaelUnit* unit : layer.allUnits()) {
        if (!unit->read(s)) return part.problem = unit->readProblem(), false;
        if (!part.selected && unit->isSelected()) part.selected = unit;
    }
    if (part.problem = misplacedUnit(layer); !part.problem.empty()) return s.setFailed(), false;
    if (part.problem = fallenCommander(layer); !part.problem.empty()) return s.setFailed(), false;
    if (!readNumbers(s, part.computer)) return false;
    // Every leader the computer plays has to be one of this battle's: the check comes before anything is
    // taken, so that a file naming another refuses whole.
    for (auto n = part.computer.begin(); n != part.computer.end(); ++n) {
        if (!layer.findLeader(*n))
            part.problem = "the saved game gives the computer leader " + std::to_string(*n) +
                           ", whom this battle does not have";
        else if (std::find(part.computer.begin(), n, *n) != n)
            part.problem = "the saved game gives the computer leader " + std::to_string(*n) + " twice";
        if (!part.problem.empty()) return s.setFailed(), false;
    }
    s >> part.flags;
    if (!s.failed() && part.flags >= 8) {
        part.problem = "the saved game holds " + std::to_string(part.flags) +
                       " for the sides the computer plays, where only 0 to 7 can be";
        return s.setFailed(), false;
    }
    if (s.failed() || !readName(s, part.plan) ||
        ((part.flags & TwoPlans) && !readName(s, part.homePlan)))
        return false;
    // A plan is looked for by name in the data folder's plans and nowhere else: a name that reaches
    // elsewhere would have any file on the machine opened and compiled.
    for (const std::string* plan : {&part.plan, &part.homePlan})
        if (!plainFileName(*plan)) {
            part.problem = "the saved game names the plan \"" + printableCut(*plan, QuotedNameBytes) +
                           "\", which is not a file name in the folder of plans";
            return s.setFailed(), false;
        }
    // Leaders given to the computer wait for its orders: a side of them with no computer opponent to give
    // any is played by nobody, and the battle would stand still for ever.
    for (const bool visitor : {false, true}) {
        const List<Leader*>& side = visitor ? layer.getVisitorLeaders() : layer.getHomeLeaders();
        const bool computerPlays = part.flags & (visitor ? VisitorOpponent : HomeOpponent);
        const bool computerLeaders =
            std::any_of(part.computer.begin(), part.computer.end(),
                        [&](std::uint16_t n) { return side.contains(layer.findLeader(n)); });
        if (computerLeaders && !computerPlays) {
            part.problem =
                std::string("the saved game gives the ") + (visitor ? "visitor" : "home") +
                " side's leaders to the computer but no plan to play them by: nobody would play it";
            return s.setFailed(), false;
        }
    }
    std::uint16_t combatCount = 0;
    s >> combatCount;
    for (std::uint16_t i = 0; !s.failed() && i < combatCount; ++i) {
        SavedCombat combat;
        for (auto& list : combat.lists)
            if (!readNumbers(s, list)) return false;
        s >> combat.hex;
        part.combats.push_back(std::move(combat));
    }
    part.controlAt = s.readPosition();
    return !s.failed();
}

// Tries the file on a battle of its own made from the same scenario, since reading a unit changes it and
// some changes (an elimination) cannot be taken back: false when the file does not fit.
// A campaign answers the battle's own bus: the check battle's questions are passed on to it, so that the
// same garrisons stay behind in both.
class CampaignRelay : public Component {
public:
    explicit CampaignRelay(VaelLogicalLayer& layer) : Component("Saved game campaign relay"), layer_(layer) {}
    void connectHandlers() override {
        for (const char* name : {msg::GarrisonLevel, msg::GetProvince, msg::GetLastProvince})
            connectNamed(name, relay);
    }

private:
    static ContainerBase* relay(Component* target, BusMessage event, ContainerBase* data) {
        return static_cast<CampaignRelay*>(target)->layer_.sendNow(BusMessage(event.id(), 0), data);
    }
    VaelLogicalLayer& layer_;
};

bool fitsScenario(VaelLogicalLayer& layer, const SuperString& s, ParsedPart& part, bool& tried) {
    tried = false;
    const ScenarioInfoStruct& info = layer.getLoadedScenario();
    if (info.fileName.empty()) return true;
    VaelLogicalLayer scratch("Saved game check");
    registerUnitPrototypes(scratch);
    CampaignRelay relay(layer);
    if (info.campaign) relay.attach(scratch);
    if (!scratch.LoadScenario(info)) return true;
    tried = true;
    SuperString copy(s);
    return readPart(scratch, copy, part);
}

const char* const Refused = "the saved game is cut short or does not belong to this battle";

// The layer's part of a file as a stream to read; false with the reason when the header does not hold it.
bool layerStream(const std::vector<std::uint8_t>& file, SuperString& s, std::string& error) {
    if (file.size() < OffsetField + 4) return error = "the saved game has no header", false;
    if (file.size() > 0x7FFFFFFFu) return error = "the saved game is too large", false;
    const std::uint32_t offset =
        file[8] | (file[9] << 8) | (file[10] << 16) | (std::uint32_t(file[11]) << 24);
    if (offset > file.size()) return error = "the saved game's part of the battle lies past its end", false;
    if (offset < file.size()) s.write(file.data() + offset, static_cast<std::int32_t>(file.size() - offset));
    return true;
}

} // namespace

bool checkLayerPart(const ScenarioInfoStruct& info, const std::vector<std::uint8_t>& file, std::string& error,
                    SavedCheck check) {
    SuperString s;
    if (!layerStream(file, s, error)) return false;
    VaelLogicalLayer scratch("Saved game check");
    registerUnitPrototypes(scratch);
    if (!scratch.LoadScenario(info)) return error = "cannot load the battle " + info.fileName, false;
    ParsedPart part;
    if (!readPart(scratch, s, part)) return error = part.problem.empty() ? Refused : part.problem, false;
    // Game control's block and the running state after it are tried too, so that a file refused for them
    // is refused before the running battle is closed for it.
    GameControl* control = scratch.getGameControl();
    if (!control) control = scratch.CreateGameControl(info.scenario);
    std::string problem;
    const bool read = !control || (control->read(s) ? readRunningState(s, scratch, check, &problem)
                                                    : (problem = control->readProblem(), false));
    if (!read) return error = problem.empty() ? Refused : problem, false;
    if (control) problem = sideCountsProblem(scratch, *control);
    if (!problem.empty()) return error = problem, false;
    return true;
}

bool loadLayerPart(VaelLogicalLayer& layer, const std::vector<std::uint8_t>& file, std::string& error,
                   SavedCheck check) {
    const std::string refused = Refused;
    SuperString s;
    if (!layerStream(file, s, error)) return false;

    ParsedPart part;
    bool tried = false;
    if (!fitsScenario(layer, s, part, tried))
        return error = part.problem.empty() ? refused : part.problem, false;
    GameControl* control = layer.getGameControl();
    // Game control as it was, for a file refused after its block was read.
    SuperString controlBackup;
    if (control) control->write(controlBackup);
    std::int32_t runningAt = -1;
    if (tried && control) {
        // Game control's block is read whole or not at all: it goes first, so that its refusal changes
        // nothing.
        SuperString block(s);
        block.setReadPosition(part.controlAt);
        if (!control->read(block))
            return error = control->readProblem().empty() ? refused : control->readProblem(), false;
        runningAt = block.readPosition();
    }

    // Without a check battle the units are read in place, their state kept to put back.
    const std::vector<VaelUnit*> units = layer.allUnits();
    SuperString backup;
    for (VaelUnit* unit : units)
        unit->write(backup);
    // Reading a unit back works its zones out anew and moves it on the map: what it carried, and who came
    // first onto each hex, are put back from here.
    SuperString runningBackup;
    writeRunningState(runningBackup, layer);
    bool ok = readPart(layer, s, part);
    if (ok && control && !tried && !(ok = control->read(s))) part.problem = control->readProblem();
    if (ok) {
        SuperString running(s);
        if (runningAt >= 0) running.setReadPosition(runningAt);
        ok = readRunningState(running, layer, check, &part.problem);
    }
    if (ok && control) ok = (part.problem = sideCountsProblem(layer, *control)).empty();
    if (!ok) {
        for (VaelUnit* unit : units)
            unit->read(backup);
        if (control) control->read(controlBackup);
        readRunningState(runningBackup, layer, SavedCheck::Matched);
        return error = part.problem.empty() ? refused : part.problem, false;
    }
    if (control) control->markReplacedLeaders();
    // A unit left its group when it was eliminated; the battle built anew from the scenario holds it there
    // again, where it would stand first and give the group its facing.
    for (const List<Combat*>* side : {&layer.getHomeUnits(), &layer.getVisitorUnits()})
        for (Combat* unit : each(*side))
            if (unit->isOutOfPlay())
                if (Group* group = layer.findGroup(unit->getLeaderId())) group->removeUnit(unit);

    List<Leader*>& local = layer.getLocalLeaders();
    List<Leader*>& computerLeaders = layer.getComputerLeaders();
    local.clear();
    computerLeaders.clear();
    for (Leader* leader : each(layer.getLeaders())) {
        leader->initLocalLeader();
        local.append(leader);
    }
    for (std::uint16_t number : part.computer) {
        Leader* leader = layer.findLeader(number);
        Assertion::check(leader != nullptr, "Unit does not previously exist", sourceFile, __LINE__);
        if (!leader || computerLeaders.contains(leader)) continue;
        leader->setComputerControlled();
        computerLeaders.append(leader);
    }
    disconnectEliteInitiative(layer);
    registerEliteInitiative(layer);
    layer.setOpponent(false, nullptr);
    layer.setOpponent(true, nullptr);
    layer.setScriptFileName(part.plan);
    layer.setHomePlanName(part.homePlan);
    // The sides are announced before the plan's path, and the visitor's plan is compiled first.
    ComputerOpponent* home = (part.flags & HomeOpponent) ? addOpponent(layer, false) : nullptr;
    if (part.flags & HomeOpponent) debugStream() << "The home side is playing the A/I." << std::endl;
    ComputerOpponent* visitor = (part.flags & VisitorOpponent) ? addOpponent(layer, true) : nullptr;
    if (part.flags & VisitorOpponent) debugStream() << "The visitor side is playing the A/I." << std::endl;
    debugStream() << "The A/I file full path is " << planPath(part.plan) << std::endl;
    // A plan named by nothing is no plan: the opponent says so, without a look at the plans' folder.
    const auto path = [](const std::string& name) { return name.empty() ? std::string() : planPath(name); };
    if (visitor) visitor->compile(path(part.plan));
    if (home && (part.flags & TwoPlans)) {
        debugStream() << "The A/I file full path is " << planPath(part.homePlan) << std::endl;
        home->compile(path(part.homePlan));
    } else if (home) {
        home->compile(path(part.plan));
    }
    if (part.selected) part.selected->UnitSelected(static_cast<std::int16_t>(part.selected->getHex()));
    for (const SavedCombat& saved : part.combats) {
        CombatStruct combat;
        // The moved flags go with the attackers one for one, so an attacker left out takes its flag along.
        for (std::size_t i = 0; i < saved.lists[0].size(); ++i)
            if (Combat* unit = layer.findCombatUnit(saved.lists[0][i])) {
                combat.attackers.append(unit);
                if (i < saved.lists[4].size()) combat.moved.append(static_cast<short>(saved.lists[4][i]));
            }
        for (std::uint16_t n : saved.lists[1])
            if (Combat* unit = layer.findCombatUnit(n)) combat.defenders.append(unit);
        for (std::uint16_t n : saved.lists[2])
            if (Leader* leader = layer.findLeader(n)) combat.attackingLeaders.append(leader);
        for (std::uint16_t n : saved.lists[3])
            if (Leader* leader = layer.findLeader(n)) combat.defendingLeaders.append(leader);
        combat.hex = saved.hex;
        // A combat whose units the battle no longer holds on one side has nobody to fight.
        if (!combat.attackers.isEmpty() && !combat.defenders.isEmpty()) layer.combats().append(combat);
    }
    return true;
}

std::vector<std::uint8_t> runningStateRecord(VaelLogicalLayer& layer) {
    SuperString s;
    writeRunningState(s, layer);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.length()));
    if (!bytes.empty()) s.peek(bytes.data(), 0, s.length());
    return bytes;
}

bool readRunningStateRecord(VaelLogicalLayer& layer, const std::vector<std::uint8_t>& record, std::string& error) {
    SuperString s;
    if (record.size() > 0x7FFFFFFFu) return error = "the saved game is too large", false;
    if (!record.empty()) s.write(record.data(), static_cast<std::int32_t>(record.size()));
    // Bytes that are no such record at all would be taken by the battle as a file saved before it.
    if (record.size() < 4 || !std::equal(RunningStateTag, RunningStateTag + 4, record.begin()))
        return error = "the bytes are no running-state record", false;
    if (record.size() >= 10) {
        const std::uint32_t length =
            record[6] | record[7] << 8 | record[8] << 16 | std::uint32_t(record[9]) << 24;
        if (length < record.size() - 10) return error = "the running-state record is followed by more bytes", false;
    }
    std::string problem;
    if (!readRunningState(s, layer, SavedCheck::Matched, &problem))
        return error = problem.empty() ? Refused : problem, false;
    return true;
}

bool LoadGame(VaelLogicalLayer& layer, const std::string& fileName, std::string& error) {
    std::vector<std::uint8_t> bytes;
    SavedCheck check = SavedCheck::Absent;
    if (!readFileBytes(fileName, bytes, error, file_limits::SavedGame) ||
        !unsealSavedGame(bytes, error, &check))
        return false;
    return loadLayerPart(layer, bytes, error, check);
}

std::uint32_t savedGameChecksum(const std::uint8_t* bytes, std::size_t size) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void sealSavedGame(std::vector<std::uint8_t>& file) {
    const std::uint32_t crc = savedGameChecksum(file.data(), file.size());
    file.insert(file.end(), std::begin(saved_check::Tag), std::end(saved_check::Tag));
    for (int k = 0; k < 4; ++k)
        file.push_back(static_cast<std::uint8_t>(crc >> (8 * k)));
}

bool unsealSavedGame(std::vector<std::uint8_t>& file, std::string& error, SavedCheck* found) {
    if (found) *found = SavedCheck::Absent;
    const auto tagAt = [&](std::size_t at) {
        return std::equal(std::begin(saved_check::Tag), std::end(saved_check::Tag),
                          file.begin() + static_cast<std::ptrdiff_t>(at));
    };
    // A whole record is looked for first: its check's own bytes may spell the tag where a cut one would
    // show it.
    const bool whole = file.size() >= saved_check::Size && tagAt(file.size() - saved_check::Size);
    // A file cut short inside its record still shows the tag, closer to its end than a whole one.
    for (std::size_t cut = 1; !whole && cut < saved_check::Size - 3; ++cut)
        if (file.size() >= saved_check::Size - cut && tagAt(file.size() - (saved_check::Size - cut)))
            return error = "the saved game is cut short: it ends inside its check", false;
    if (!whole) return true;
    const std::size_t at = file.size() - saved_check::Size;
    const std::uint32_t kept =
        file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 | std::uint32_t(file[at + 7]) << 24;
    if (savedGameChecksum(file.data(), at) != kept)
        return error = "the saved game is damaged: its check does not match", false;
    file.resize(at);
    if (found) *found = SavedCheck::Matched;
    return true;
}

namespace {

template <bool Save> ContainerBase* onSavedGame(Component* target, BusMessage, ContainerBase* data) {
    auto* layer = dynamic_cast<VaelLogicalLayer*>(target);
    Assertion::check(layer != nullptr, BadPayloadMessage, sourceFile, __LINE__);
    if (!layer) return nullptr;
    callWithPayload<std::string>(data, sourceFile, __LINE__, [&](const std::string& file) {
        std::string error;
        if (!(Save ? SaveGame(*layer, file, error) : LoadGame(*layer, file, error)))
            debugStream() << (Save ? "SaveGame: " : "LoadGame: ") << error << std::endl;
    });
    return nullptr;
}

} // namespace

void connectSavedGame(VaelLogicalLayer& layer) {
    layer.connectNamed(msg::SaveGame, onSavedGame<true>);
    layer.connectNamed(msg::LoadGame, onSavedGame<false>);
}

} // namespace vael
