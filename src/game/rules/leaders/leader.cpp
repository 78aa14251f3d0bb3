#include "game/rules/leaders/leader.h"

#include <cstdlib>
#include <string>

#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/message_names.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/leader_records.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

enum StringId : std::uint16_t {
    ReplacementMark = 90,
    InitiativeShort = 143,
    CommandShort = 144,
};

std::string loadString(std::uint16_t id) {
    Application* app = Application::instance();
    return app ? app->loadString(id) : std::string();
}

// A level of 0 (the river bed) counts as 1.
int heightLevel(const VaelLogicalLandscape* landscape, std::int16_t hex) {
    const LogicalRegion* region = landscape->regionAt(hex);
    const int level = region ? region->position.z : 1;
    return level == 0 ? 1 : level;
}

bool barredSide(const VaelLogicalLandscape* landscape, std::int16_t from, std::int16_t to) {
    return landscape->impassableSideToward(from, to);
}

} // namespace

bool LeaderUnitData::Load(SuperString& file) {
    LeaderUnitData read = *this;
    if (!read.VaelUnitData::Load(file)) return false;
    read.loadRatings(file);
    if (file.failed()) {
        Assertion::fail("Leader record cut short in LeaderUnitData::Load(...)", "LEADER", __LINE__);
        return false;
    }
    *this = read;
    return true;
}

void LeaderUnitData::loadRatings(SuperString& file) {
    file >> shockPrecedence >> commandRange >> initiative >> duelRating;
}

Leader::Leader(const LeaderUnitData& record, const char* name)
    : VaelUnit(record, name), commandRange_(record.commandRange), initiative_(record.initiative),
      baseInitiative_(record.initiative), shockPrecedence_(record.shockPrecedence),
      duelRating_(record.duelRating) {
    leaderCheat_ = woundCheat_ = deadCheat_ = 0;
}

Leader::~Leader() = default;

VaelUnit* Leader::create(const VaelUnitData& record, const char* name) {
    const auto* leaderRecord = dynamic_cast<const LeaderUnitData*>(&record);
    return leaderRecord ? new Leader(*leaderRecord, name) : nullptr;
}

std::int16_t Leader::acceptsEvent(ContainerBase* data) {
    std::string text;
    if (Container<std::string>::fromMessage(data, text)) return text == name_;
    return VaelUnit::acceptsEvent(data);
}

std::int16_t Leader::testStep(std::int16_t from, std::int16_t to) {
    return landscape_ ? ownStepCost(from, to, landscape_, this) : -1;
}

std::int16_t Leader::plainCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                               VaelUnit*) {
    return barredSide(landscape, from, to) ? -1 : 1;
}

std::int16_t Leader::ownStepCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                 VaelUnit*) {
    if (barredSide(landscape, from, to)) return -1;
    const int difference = std::abs(heightLevel(landscape, from) - heightLevel(landscape, to));
    return difference >= 2 ? std::int16_t(-1) : static_cast<std::int16_t>(1 + difference);
}

std::int16_t Leader::ownMoveCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                 VaelUnit* unit) {
    if (unit) {
        const std::uint32_t nation = unit->getNation();
        if (landscape->otherNationInHex(to, nation) || landscape->enemyAdjacent(to, nation, false)) return -1;
    }
    return ownStepCost(from, to, landscape, unit);
}

std::int16_t Leader::commandRangeCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                      VaelUnit* unit) {
    if (unit) {
        const std::uint32_t nation = unit->getNation();
        if (landscape->isInEnemyZOC(from, nation)) {
            // Command reaches through an enemy's zone only where a unit of his own side holds the hex.
            const VaelUnit* holder = landscape->firstOccupant(from);
            if (!holder || holder->isOtherNation(nation)) return -1;
        }
        if (landscape->otherNationInHex(to, nation)) return -1;
    }
    return ownStepCost(from, to, landscape, unit);
}

void Leader::refillCommandHexes() {
    commandHexes_.clear();
    if (!landscape_) return;
    List<DIRECTION> directions;
    for (DIRECTION d : {North, NorthEast, SouthEast, South, SouthWest, NorthWest})
        directions.append(d);
    landscape_->floodFill(commandHexes_, directions, static_cast<std::int16_t>(hex_),
                          static_cast<std::int16_t>(commandRange_), 1, commandRangeCost);
}

std::int16_t Leader::inCommandRange(std::int16_t hex) {
    if (commandHexes_.isEmpty()) refillCommandHexes();
    return commandHexes_.contains(hex);
}

std::int16_t Leader::Query(std::int16_t code) {
    switch (code) {
    case 14:
        return static_cast<std::int16_t>(commandRange_);
    case 15:
        return static_cast<std::int16_t>(initiative_);
    case 16:
        return static_cast<std::int16_t>(shockPrecedence_);
    case 17:
        return static_cast<std::int16_t>(duelRating_);
    case 18:
        return static_cast<std::int16_t>(ordersUsed_);
    case 19:
        return ordersLeft();
    default:
        return VaelUnit::Query(code);
    }
}

std::int16_t Leader::BeginTurn() {
    finished_ = 0;
    ordersPhaseActive_ = 0;
    return VaelUnit::BeginTurn();
}

void Leader::showStatus() {
    Container<SetTextData> name(SetTextData(1, name_, 1));
    sendNamed(msg::SetItemText, &name);
    std::string figures = loadString(InitiativeShort);
    figures += ' ';
    figures += std::to_string(initiative_);
    figures += "  ";
    figures += loadString(CommandShort);
    figures += ' ';
    figures += std::to_string(ordersLeft());
    figures += '/';
    figures += std::to_string(initiative_);
    Container<SetTextData> ratings(SetTextData(1, figures, 2));
    sendNamed(msg::SetItemText, &ratings);
}

void Leader::centerOnLeader() {
    Container<short> hex(static_cast<short>(hex_));
    sendNamed(msg::CenterOnRegion, &hex);
}

void Leader::reportSealedLoss() {
    Container<EliminateUnitData> score(EliminateUnitData{nation_, fallPoints(), 0xFFFFFFFF, unitNumber_});
    sendNamed(msg::UnitLossSealed, &score);
}

void Leader::eliminate() {
    Container<EliminateUnitData> score(EliminateUnitData{nation_, fallPoints(), 0xFFFFFFFF, unitNumber_});
    sendNamed(msg::UnitEliminated, &score);
    Animate(LogicalCommandInfo(unitNumber_, nullptr, 0, RegisteredMessage::getId(msg::UnitEliminated)));

    LeaderUnitData fallen;
    fallen.unitNumber = unitNumber_;
    fallen.hex = hex_;
    fallen.name = name_;
    fallen.movementAllowance = movementAllowance_;
    fallen.nation = nation_;
    fallen.facing = facing_;
    // The record leads no group any more: -1, so that no group's number finds it.
    fallen.leaderId = static_cast<std::uint16_t>(-1);
    fallen.landscape = landscape_;
    fallen.commandRange = commandRange_;
    fallen.initiative = initiative_;
    fallen.shockPrecedence = shockPrecedence_;
    fallen.duelRating = duelRating_;
    // The record of the fallen is no new leader of the battle: the test switches stay as they were, so
    // that with the dead switch on every later check still kills.
    const std::uint16_t switches[3] = {leaderCheat_, woundCheat_, deadCheat_};
    auto* record = new Leader(fallen, name_.c_str());
    leaderCheat_ = switches[0], woundCheat_ = switches[1], deadCheat_ = switches[2];
    record->outOfPlay_ = 1;
    Container<Leader*> bogus(record);
    sendNamed(msg::AddBogusLeader, &bogus);

    takeReplacementRatings();
    wounded_ = 0;
    outOfPlay_ = 1;
    // The replacement stands in his place and may be struck in his turn.
    eliminationDue_ = 0;
    if (landscape_) landscape_->noteChange();
    markReplacement();
    endBattleIfCommander();
}

void Leader::endBattleIfCommander() {
    if (isCommanderName(name_)) sendEmpty(END_GAME);
}

void Leader::takeReplacementRatings() {
    commandRange_ = 4;
    initiative_ = 2;
    shockPrecedence_ = 2;
    duelRating_ = 1;
    // Killed after more orders than his replacement has: none are left, rather than a wrapped count.
    if (ordersUsed_ > initiative_) ordersUsed_ = initiative_;
}

void Leader::markReplacement() {
    const std::string mark = loadString(ReplacementMark);
    if (name_.find(mark) == std::string::npos) name_ += mark;
}

void Leader::writeOrdersUnderWay(SuperString& file) const {
    file << ordersUsed_ << lastOrderedUnit_ << groupMoveGranted_ << groupMoveTried_ << failedGroupMoves_
         << fullGroupMove_ << static_cast<std::uint32_t>(groupFacing_)
         << static_cast<std::uint16_t>(commandHexes_.count());
    for (short hex : each(commandHexes_))
        file << hex;
}

bool Leader::readOrdersUnderWay(SuperString& file, OrdersUnderWay& orders, std::string& problem) const {
    std::uint16_t count = 0;
    file >> orders.used >> orders.lastOrdered >> orders.granted >> orders.tried >> orders.failed >> orders.full >>
        orders.facing >> count;
    if (file.failed() || count > file.remaining() / 2) {
        problem = "the saved game's orders under way of " + name_ + " are cut short";
        return file.setFailed(), false;
    }
    orders.commandHexes.clear();
    for (std::uint16_t i = 0; i < count; ++i) {
        short hex = 0;
        file >> hex;
        if (!file.failed() && (!landscape_ || !landscape_->isValidHex(hex))) {
            problem = "the saved game has " + name_ + " command hex " + std::to_string(hex) + ", which is no hex of the map";
            return file.setFailed(), false;
        }
        orders.commandHexes.push_back(hex);
    }
    const auto flag = [](std::uint16_t v) { return v <= 1; };
    if (orders.used > initiative_)
        problem = "the saved game has " + name_ + " spend " + std::to_string(orders.used) + " orders of his " +
                  std::to_string(initiative_);
    else if (!flag(orders.granted) || !flag(orders.tried) || !flag(orders.full) || orders.failed > 2)
        problem = "the saved game holds a group move's flag of " + name_ + " that no order gives";
    else if (orders.facing > NorthWest && orders.facing != static_cast<std::uint32_t>(NoDirection))
        problem = "the saved game faces " + name_ + "'s group " + std::to_string(orders.facing) + ", which is no direction";
    if (problem.empty() && !file.failed()) return true;
    return file.setFailed(), false;
}

void Leader::resumeOrdersUnderWay(const OrdersUnderWay& orders) {
    ordersUsed_ = orders.used;
    lastOrderedUnit_ = orders.lastOrdered;
    groupMoveGranted_ = orders.granted;
    groupMoveTried_ = orders.tried;
    failedGroupMoves_ = orders.failed;
    fullGroupMove_ = orders.full;
    groupFacing_ = static_cast<DIRECTION>(orders.facing);
    commandHexes_.clear();
    for (short hex : orders.commandHexes)
        commandHexes_.append(hex);
    resumingOrders_ = true;
}

void Leader::resumePauseAfterCombats(const OrdersUnderWay& orders) {
    resumeOrdersUnderWay(orders);
    resumingOrders_ = false;
    resumingPause_ = true;
}

void Leader::write(SuperString& file) const {
    file << ordersPhaseActive_;
    if (ordersPhaseActive_)
        file << finished_ << ordersUsed_ << groupMoveGranted_ << groupMoveTried_ << failedGroupMoves_
             << fullGroupMove_ << lastOrderedUnit_ << static_cast<std::uint32_t>(groupFacing_);
    file << wounded_;
    if (wounded_) file << shockPrecedence_ << initiative_ << duelRating_ << commandRange_;
    VaelUnit::write(file);
}

bool Leader::read(SuperString& file) {
    std::uint16_t active = 0, finished = 0, used = 0, granted = 0, tried = 0, failed = 0, full = 0,
                  lastOrdered = NobodyOrdered, wounded = 0;
    std::uint16_t shock = shockPrecedence_, initiative = initiative_, duel = duelRating_,
                  range = commandRange_;
    std::uint32_t facing = 0;
    file >> active;
    if (active) file >> finished >> used >> granted >> tried >> failed >> full >> lastOrdered >> facing;
    file >> wounded;
    if (wounded) file >> shock >> initiative >> duel >> range;
    const bool wasInPlay = !outOfPlay_;
    if (file.failed() || !VaelUnit::read(file)) return false;

    ordersPhaseActive_ = active;
    finished_ = finished;
    groupMoveGranted_ = granted;
    groupMoveTried_ = tried;
    failedGroupMoves_ = failed > 2 ? 2 : failed;
    fullGroupMove_ = full;
    lastOrderedUnit_ = lastOrdered;
    groupFacing_ = facing <= NorthWest ? static_cast<DIRECTION>(facing) : NoDirection;
    wounded_ = wounded;
    shockPrecedence_ = shock;
    initiative_ = initiative;
    duelRating_ = duel;
    commandRange_ = range;
    if (outOfPlay_ && wasInPlay) restoreReplacement();
    // A damaged file must not leave more orders spent than the leader has: his orders left would wrap.
    ordersUsed_ = used > initiative_ ? initiative_ : used;
    return true;
}

void Leader::restoreReplacement() {
    // The file keeps neither the name nor unwounded ratings, which the scenario's record would give back
    // as the fallen leader's.
    if (!wounded_) takeReplacementRatings();
    markReplacement();
}

void Leader::leavePlayOnLoad() {
    if (!takesReplacement()) return VaelUnit::leavePlayOnLoad();
    // His handlers stay connected: connected anew they would answer after every other unit's.
    outOfPlay_ = 1;
    if (landscape_) landscape_->noteChange();
}

} // namespace vael
