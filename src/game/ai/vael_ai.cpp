#include "game/ai/vael_ai.h"

#include <filesystem>
#include <utility>

#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/cb_task.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/core/printable.h"
#include "game/ai/ai_message_names.h"
#include "game/flow/flow_message_names.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_fire_struct.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/nation.h"
#include "game/rules/units/unit_payloads.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELAI";

constexpr std::uint16_t CaptionString = 150, ConditionsMissing = 151, ConditionsFailed = 152,
                        ExceptionsMissing = 153, ExceptionsFailed = 154, OrdersMissing = 155,
                        OrdersFailed = 156;
constexpr std::uint16_t InformationBox = 0x40;
constexpr std::int16_t AboutFaceItem = 235;

VaelAI* opponentOf(Component* target, std::int16_t line) {
    auto* ai = dynamic_cast<VaelAI*>(target);
    Assertion::check(ai != nullptr, BadPayloadMessage, sourceFile, line);
    return ai;
}

ContainerBase* onInitAILeader(Component* target, BusMessage, ContainerBase* data) {
    if (VaelAI* ai = opponentOf(target, __LINE__))
        callWithPayload<Group*>(data, sourceFile, __LINE__,
                                [&](Group* const& group) { ai->InitAILeader(group); });
    return nullptr;
}

ContainerBase* onGiveAIOrder(Component* target, BusMessage, ContainerBase*) {
    if (VaelAI* ai = opponentOf(target, __LINE__)) ai->GiveAIOrder();
    return nullptr;
}

ContainerBase* onFinishedGivingAIOrders(Component* target, BusMessage, ContainerBase*) {
    if (VaelAI* ai = opponentOf(target, __LINE__)) ai->FinishedGivingAIOrders();
    return nullptr;
}

ContainerBase* onMovementDone(Component* target, BusMessage, ContainerBase* data) {
    if (VaelAI* ai = opponentOf(target, __LINE__))
        callWithPayload<MoveReturnStruct>(data, sourceFile, __LINE__, [&](const MoveReturnStruct& done) {
            ai->unitDoneAnimating(static_cast<std::int16_t>(done.unitNumber));
        });
    return nullptr;
}

ContainerBase* onReturnFromMissileFire(Component* target, BusMessage, ContainerBase* data) {
    if (VaelAI* ai = opponentOf(target, __LINE__))
        callWithPayload<MissileDebrisStruct>(
            data, sourceFile, __LINE__, [&](const MissileDebrisStruct& debris) {
                debugStream() << "Unit #" << debris.unitNumber << " is done firing missiles" << std::endl;
                ai->unitDoneAnimating(static_cast<std::int16_t>(debris.unitNumber));
            });
    return nullptr;
}

ContainerBase* onEndOWSegment(Component* target, BusMessage, ContainerBase*) {
    if (VaelAI* ai = opponentOf(target, __LINE__)) ai->EndOWSegment();
    return nullptr;
}

ContainerBase* onBeginOWSegment(Component* target, BusMessage, ContainerBase*) {
    if (VaelAI* ai = opponentOf(target, __LINE__)) ai->BeginOWSegment();
    return nullptr;
}

ContainerBase* onCheckOWBegun(Component* target, BusMessage, ContainerBase*) {
    if (VaelAI* ai = opponentOf(target, __LINE__)) ai->checkWithdrawalBegan();
    return nullptr;
}

} // namespace

VaelAI::VaelAI(VaelLogicalLandscape* landscape) : ComputerOpponent("VaelAI"), landscape_(landscape) {
    registerScriptLibrary(*this);
}

VaelAI::~VaelAI() = default;

std::unique_ptr<ComputerOpponent> makeVaelAI(VaelLogicalLandscape* landscape) {
    return std::make_unique<VaelAI>(landscape);
}

std::int32_t VaelAI::compile(const std::string& fileName) {
    if (Application* app = Application::instance()) compiler_.setImportDirectory(app->dataPath());
    // No name is no plan: nothing is looked for.
    const std::int32_t result = fileName.empty() ? 0 : compiler_.compile(fileName);
    planFile_ = fileName;
    planCompiled_ = result > 0;
    // The reset runs the plan's first table, whose procedures may do anything to this opponent: nothing of
    // it is touched after.
    interpreter_.reset();
    return result;
}

std::string VaelAI::planFailure() const {
    // Names of the data folder's files and the plan's own words: what is no UTF-8 is shown as its bytes.
    const auto shown = [](const std::string& text) { return printable(text, LoneBytes::Escaped); };
    // A file's own name may be thousands of bytes long: it is cut to what a box shows, its folder kept.
    const auto shownFile = [](const std::string& text) {
        const std::filesystem::path path(text);
        const std::string name = path.filename().string();
        return printable(text.substr(0, text.size() - name.size()), LoneBytes::Escaped) +
               printableCut(name, QuotedNameBytes, LoneBytes::Escaped);
    };
    if (planCompiled_) return {};
    if (planFile_.empty())
        return std::string("the battle names no plan for the ") + (visitor_ ? "visitor" : "home") + " side";
    const std::string& unopened = compiler_.unopenedFile();
    std::error_code code;
    if (unopened == planFile_ && std::filesystem::is_directory(planFile_, code))
        return "the plan " + shownFile(planFile_) + " is a folder, not a plan";
    // A file that is there but cannot be taken (too large, not a regular file) says what is wrong with it.
    const std::string& why = compiler_.openFailure();
    const bool there = !why.empty() && why.rfind("cannot open ", 0) != 0;
    if (unopened == planFile_)
        return there ? "the plan " + shown(why) : "the plan " + shownFile(planFile_) + " would not open";
    if (!unopened.empty())
        return "the plan " + shownFile(planFile_) + " imports " + shownFile(unopened) +
               (there ? ": " + shown(why) : ", which would not open");
    // An error in a file the plan imports is told by that file's name and its own line.
    const std::string& in = compiler_.errorFile();
    const std::string where =
        in.empty() || in == planFile_ ? std::string() : shownFile(in) + ", which it imports, ";
    return "the plan " + shownFile(planFile_) + " does not compile: " + where + "line " +
           std::to_string(compiler_.errorLine()) + ": " + shown(compiler_.errorMessage());
}

std::int32_t VaelAI::saveProgram(const std::string& fileName) {
    return program_.save(fileName);
}

std::int32_t VaelAI::loadProgram(const std::string& fileName) {
    return program_.load(fileName);
}

bool VaelAI::report(std::int32_t result, std::uint16_t missing, std::uint16_t failed) {
    if (result > 0) return true;
    // One box per activation (and one between activations, where every unit's move runs the Conditions
    // table): a script that fails every pass must not bury the player in boxes.
    Application* app = Application::instance();
    if (app && !boxShown_) {
        boxShown_ = true;
        app->messageBox(app->loadString(result < 0 ? missing : failed), app->loadString(CaptionString),
                        InformationBox);
    }
    return false;
}

bool VaelAI::runConditions() {
    // The layer asks for a Conditions run whenever a unit's move is done, and a move can end while a
    // built-in of this plan's own Orders run waits for its answer (a rallied unit turning, say, pumps the
    // messages): a second run would trample the first one's frame. Nothing is wrong with the script, and
    // the Conditions run ahead of the next Orders run computes the conditions afresh.
    if (interpreter_.running()) {
        debugStream() << "The Conditions run waits: the plan is running" << std::endl;
        return true;
    }
    return report(interpreter_.run(), ConditionsMissing, ConditionsFailed);
}

bool VaelAI::runExceptions() {
    return report(interpreter_.runExceptions(), ExceptionsMissing, ExceptionsFailed);
}

bool VaelAI::runGroupExceptions(const std::string& group) {
    return report(interpreter_.runGroupExceptions(group), ExceptionsMissing, ExceptionsFailed);
}

bool VaelAI::runGroupOrders() {
    runConditions();
    return report(interpreter_.runGroupOrders(group_ ? group_->name : std::string()), OrdersMissing,
                  OrdersFailed);
}

VaelUnit* VaelAI::getUnit(std::int32_t unitNumber) const {
    if (unitNumber == -1) return currentUnit_;
    if (unitNumber < 0 || unitNumber > 0xFFFF) return nullptr;
    if (unitList_)
        for (Combat* unit : each(*unitList_))
            if (unit->getUnitNum() == unitNumber) return unit;
    if (leaderList_)
        for (Leader* leader : each(*leaderList_))
            if (leader->getUnitNum() == unitNumber) return leader;
    return nullptr;
}

void VaelAI::clearLists() {
    debugStream() << "VaelAI::clearLists.  Num lists to clear: " << listCount_ << std::endl;
    cursors_.clear();
    lists_.clear();
    listCount_ = 0;
    debugStream() << "VaelAI::clearLists - finished." << std::endl;
}

std::int32_t VaelAI::newList() {
    std::int32_t slot = 0;
    while (slot < listCount_ && lists_[static_cast<std::size_t>(slot)])
        ++slot;
    if (slot == listCount_) {
        // Handles travel as script values and come back as 16-bit list values too.
        if (listCount_ >= 0x7FFF) return -1;
        lists_.emplace_back();
        cursors_.emplace_back();
        ++listCount_;
    }
    auto& list = lists_[static_cast<std::size_t>(slot)];
    list = std::make_unique<List<short>>();
    cursors_[static_cast<std::size_t>(slot)] = std::make_unique<ScriptListCursor>(*list);
    return slot;
}

List<short>* VaelAI::list(std::int32_t handle) const {
    return handle >= 0 && handle < listCount_ ? lists_[static_cast<std::size_t>(handle)].get() : nullptr;
}

ScriptListCursor* VaelAI::cursor(std::int32_t handle) const {
    return handle >= 0 && handle < listCount_ ? cursors_[static_cast<std::size_t>(handle)].get() : nullptr;
}

void VaelAI::releaseList(std::int32_t handle) {
    if (!list(handle)) return;
    cursors_[static_cast<std::size_t>(handle)].reset();
    lists_[static_cast<std::size_t>(handle)].reset();
}

void VaelAI::connectHandlers() {
    connectNamed(msg::InitAILeader, onInitAILeader);
    connectNamed(msg::GiveAIOrder, onGiveAIOrder);
    connectNamed(msg::FinishedGivingAIOrders, onFinishedGivingAIOrders);
    connectNamed(msg::CheckOWBegun, onCheckOWBegun);
    blockForwardingNamed(msg::FinishedGivingAIOrders, 2);
}

void VaelAI::postToSelf(const char* message) {
    // Addressed to this opponent alone: with both sides played by the computer, the other opponent must
    // not take this one's order loop for its own.
    sendToNamedEmpty(static_cast<std::uint16_t>(getId()), message);
}

bool VaelAI::ownsGroup(const Group& group) const {
    if (!hasSide_) return true;
    if (!leaderList_) return false;
    for (Leader* leader : each(*leaderList_))
        if (leader->getLeaderId() == group.number)
            return onVisitorSide(leader->getNation(), visitorNation_) == visitor_;
    return false;
}

void VaelAI::InitAILeader(Group* group) {
    if (!group || !ownsGroup(*group)) return;
    if (Application* app = Application::instance()) app->beginWait();
    active_ = true;
    finishAfterPass_ = false;
    boxShown_ = false;
    owPending_ = 0;
    owBegun_ = 0;
    owUnit_ = -1;
    group_ = group;
    groupPosition_ = 0;
    groupCursorUnit_ = nullptr;
    currentUnit_ = nullptr;
    leader_ = nullptr;
    if (leaderList_)
        for (Leader* leader : each(*leaderList_))
            if (leader->getLeaderId() == group->number) leader_ = leader;
    auto& trace = debugStream();
    trace << "VaelAI registering for MovementDone" << std::endl;
    connectNamed(msg::MovementDone, onMovementDone);
    connectNamed(msg::ReturnFromMissileFire, onReturnFromMissileFire);
    movingUnits_.clear();
    finishedUnits_.clear();
    leaderNumber_ = leader_ ? static_cast<std::int16_t>(leader_->getUnitNum()) : -1;
    ordersLeft_ = leader_ ? leader_->ordersLeft() : 0;
    trace << (leader_ ? leader_->getName() : std::string("No leader")) << " has " << ordersLeft_
          << " orders remaining initially" << std::endl;
    lastOrderedUnit_ = -1;
    ordersGiven_ = 0;
    idlePasses_ = 0;
    trace << "Causing the leader to assign free attacks" << std::endl;
    assignFreeAttacks();
    postToSelf(msg::GiveAIOrder);
    finished_ = 0;
}

namespace {

// Which of the opponent's own order messages a queued task is; 0 for any other task.
std::uint16_t ownQueued(const CBtask& task, const Component* ai) {
    if (task.callback.component != ai || task.kind != CBtask::SendTask) return 0;
    const auto id = task.event.id();
    if (id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::GiveAIOrder))) return ComputerOrders::GiveOrder;
    if (id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::FinishedGivingAIOrders)))
        return ComputerOrders::Finished;
    return 0;
}

} // namespace

bool VaelAI::ordersUnderWay(ComputerOrders& orders) const {
    if (!active_ || !group_) return false;
    orders = ComputerOrders{};
    orders.leader = static_cast<std::uint16_t>(leaderNumber_);
    orders.ordersLeft = ordersLeft_;
    orders.lastOrderedUnit = lastOrderedUnit_;
    orders.finished = finished_;
    orders.idlePasses = idlePasses_;
    orders.groupPosition = groupPosition_;
    orders.ordersGiven = ordersGiven_;
    orders.boxShown = boxShown_ ? 1 : 0;
    orders.groupCursorUnit = groupCursorUnit_ ? static_cast<std::int16_t>(groupCursorUnit_->getUnitNum()) : -1;
    orders.currentUnit = currentUnit_ ? static_cast<std::int16_t>(currentUnit_->getUnitNum()) : -1;
    for (short n : each(movingUnits_))
        orders.moving.push_back(n);
    for (short n : each(finishedUnits_))
        orders.done.push_back(n);
    if (const Application* app = Application::instance())
        app->forEachQueuedTask([&](const CBtask& task) {
            if (const std::uint16_t own = ownQueued(task, this)) orders.queued.push_back(own);
        });
    return true;
}

std::string VaelAI::ordersUncarried() const {
    if (!active_) return {};
    const std::string who = leader_ ? leader_->getName() : std::string("the computer's leader");
    if (interpreter_.running()) return who + "'s plan is running";
    if (owPending_) return "a withdrawal that " + who + "'s order began is under way";
    // Only the opponent's own next step may wait in the queue: the loaded game queues it again. Anything
    // else is an order still being carried out, which no saved game holds.
    bool other = false;
    if (const Application* app = Application::instance())
        app->forEachQueuedTask([&](const CBtask& task) { other = other || !ownQueued(task, this); });
    if (other) return who + "'s last order is still being carried out";
    return {};
}

bool VaelAI::resumeOrders(Group* group, const ComputerOrders& orders) {
    if (!group || !ownsGroup(*group)) return false;
    if (Application* app = Application::instance()) app->beginWait();
    active_ = true;
    boxShown_ = orders.boxShown != 0;
    owPending_ = 0;
    owBegun_ = 0;
    owUnit_ = -1;
    group_ = group;
    leader_ = nullptr;
    if (leaderList_)
        for (Leader* leader : each(*leaderList_))
            if (leader->getLeaderId() == group->number) leader_ = leader;
    hearMovesOf(orders);
    movingUnits_.clear();
    finishedUnits_.clear();
    for (std::int16_t n : orders.moving)
        movingUnits_.append(n);
    for (std::int16_t n : orders.done)
        finishedUnits_.append(n);
    leaderNumber_ = leader_ ? static_cast<std::int16_t>(leader_->getUnitNum()) : -1;
    groupPosition_ = orders.groupPosition;
    groupCursorUnit_ = orders.groupCursorUnit >= 0 ? getUnit(orders.groupCursorUnit) : nullptr;
    currentUnit_ = orders.currentUnit >= 0 ? getUnit(orders.currentUnit) : nullptr;
    ordersLeft_ = orders.ordersLeft;
    lastOrderedUnit_ = orders.lastOrderedUnit;
    ordersGiven_ = orders.ordersGiven;
    idlePasses_ = orders.idlePasses;
    finished_ = orders.finished;
    debugStream() << (leader_ ? leader_->getName() : std::string("No leader")) << " goes on with "
                  << ordersLeft_ << " orders remaining" << std::endl;
    for (std::uint16_t queued : orders.queued)
        postToSelf(queued == ComputerOrders::Finished ? msg::FinishedGivingAIOrders : msg::GiveAIOrder);
    return true;
}

void VaelAI::hearMovesOf(const ComputerOrders& orders) {
    if (!leaderList_) return;
    bool mine = false;
    for (Leader* leader : each(*leaderList_))
        if (leader->getUnitNum() == orders.leader)
            mine = !hasSide_ || onVisitorSide(leader->getNation(), visitorNation_) == visitor_;
    if (!mine) return;
    if (!isConnected(RegisteredMessage::getId(msg::MovementDone), onMovementDone))
        connectNamed(msg::MovementDone, onMovementDone);
    if (!isConnected(RegisteredMessage::getId(msg::ReturnFromMissileFire), onReturnFromMissileFire))
        connectNamed(msg::ReturnFromMissileFire, onReturnFromMissileFire);
}

void VaelAI::GiveAIOrder() {
    if (!active_) return;
    // Orders left can fall below 0 when one pass orders several units; that ends the loop as 0 does.
    if (ordersLeft_ <= 0 || finished_) {
        if (movingUnits_.isEmpty()) postToSelf(msg::FinishedGivingAIOrders);
        return;
    }
    debugStream() << (leader_ ? leader_->getName() : std::string()) << " now has " << ordersLeft_
                  << " orders remaining." << std::endl;
    clearLists();
    const std::int16_t leftBefore = ordersLeft_;
    // The pass's questions run the queue, and with it an end of the orders posted before the pass: the
    // orders end once the pass has ordered what it orders, never in its middle.
    ++passDepth_;
    runGroupOrders();
    --passDepth_;
    if (passDepth_ == 0 && std::exchange(finishAfterPass_, false)) postToSelf(msg::FinishedGivingAIOrders);
    // A pass that spent no order, started nothing and left nothing pending would be repeated for ever:
    // an order repeated to the unit ordered last is free, so it is no progress either.
    if (ordersLeft_ == leftBefore && !finished_ && movingUnits_.isEmpty() && !owPending_) {
        if (++idlePasses_ >= idlePassLimit) {
            debugStream() << "The pass gave no order; the leader is finished" << std::endl;
            finished_ = 1;
        }
    } else {
        idlePasses_ = 0;
    }
    if (!owPending_)
        postToSelf(msg::GiveAIOrder);
    else
        debugStream() << "There is a unit OWing... NOT posting GiveAIOrder" << std::endl;
}

void VaelAI::unitDoneAnimating(std::int16_t unitNumber) {
    if (movingUnits_.isEmpty()) return;
    movingUnits_.remove(unitNumber);
    finishedUnits_.append(unitNumber);
    auto& trace = debugStream();
    trace << "Here in VaelAI::unitDoneAnimating.  The unit # == " << unitNumber << std::endl;
    if (owPending_ && !owBegun_ && unitNumber == owUnit_) {
        // The unit itself decides at the end of its move whether the enemy may withdraw, and the enemy
        // may have been pinned or turned meanwhile. What it posts then comes after a message posted
        // now, so the check goes round the queue twice before it concludes that nothing began.
        owChecks_ = 2;
        postToSelf(msg::CheckOWBegun);
    }
    if (!movingUnits_.isEmpty()) return;
    trace << "According to VaelAI::unitDoneAnimating, there are no more animations" << std::endl;
    if (!owPending_)
        postToSelf(msg::FinishedGivingAIOrders);
    else
        trace << "In unitDoneAnimating with OW about to happen." << std::endl;
}

void VaelAI::startWithdrawal(std::int16_t unitNumber, std::int16_t destination) {
    // An order whose question ended the battle starts no withdrawal: the segment's handlers stay off.
    if (stoodDown_) return;
    owPending_ = 1;
    owBegun_ = 0;
    if (!isConnected(RegisteredMessage::getId(msg::BeginOWSegment), onBeginOWSegment))
        connectNamed(msg::BeginOWSegment, onBeginOWSegment);
    owUnit_ = unitNumber;
    owDestination_ = destination;
    if (!isConnected(RegisteredMessage::getId(msg::EndOWSegment), onEndOWSegment))
        connectNamed(msg::EndOWSegment, onEndOWSegment);
    debugStream() << "Moving with OW_MOVE" << std::endl;
}

void VaelAI::EndOWSegment() {
    disconnectNamed(msg::EndOWSegment, onEndOWSegment);
    disconnectNamed(msg::BeginOWSegment, onBeginOWSegment);
    owPending_ = 0;
    auto& trace = debugStream();
    trace << "The OW Segment is finished as far as VaelAI is concerned." << std::endl;
    trace << "Unit causing OW: " << owUnit_ << "; destination: hex #" << owDestination_ << std::endl;
    if (owDestination_ != -1) {
        VaelUnit* unit = getUnit(owUnit_);
        if (unit && !unit->isRouting() && !unit->isOutOfPlay())
            continueToward(*this, owDestination_, owUnit_);
    }
    if (!owPending_) {
        postToSelf(msg::GiveAIOrder);
        trace << "At the end of EndOWSegment and the unit is not causing any more OW.  Posting GiveAIOrder"
              << std::endl;
    } else {
        trace << "Still OWing so no orders are to be given." << std::endl;
    }
}

void VaelAI::checkWithdrawalBegan() {
    if (!active_ || !owPending_ || owBegun_) return;
    if (--owChecks_ > 0) {
        postToSelf(msg::CheckOWBegun);
        return;
    }
    // No segment began, so no "EndOWSegment" will come to resume the orders.
    debugStream() << "No withdrawal began after unit #" << owUnit_ << "'s move; the orders go on"
                  << std::endl;
    disconnectNamed(msg::EndOWSegment, onEndOWSegment);
    disconnectNamed(msg::BeginOWSegment, onBeginOWSegment);
    owPending_ = 0;
    postToSelf(msg::GiveAIOrder);
}

void VaelAI::FinishedGivingAIOrders() {
    if (active_ && passDepth_ > 0) {
        finishAfterPass_ = true;
        return;
    }
    if (!active_ || !movingUnits_.isEmpty() || owPending_) return;
    active_ = false;
    disconnectNamed(msg::MovementDone, onMovementDone);
    disconnectNamed(msg::ReturnFromMissileFire, onReturnFromMissileFire);
    ListIterator<short> done(finishedUnits_);
    for (short n = 0; done.next(n);) {
        VaelUnit* unit = getUnit(n);
        if (unit && leader_ && !unit->isOtherNation(leader_->getNation())) unit->setUsedThisTurn(1);
    }
    debugStream() << "Free attacking after finishing..." << std::endl;
    assignFreeAttacks();
    sendNamedEmpty(msg::EndOrdersPhase);
    Container<BusMessage> item{BusMessage(AboutFaceItem)};
    send(DISABLE_MENU_ITEM, &item);
    if (Application* app = Application::instance()) app->endWait();
}

void VaelAI::countOrder(std::int16_t unitNumber) {
    if (unitNumber != lastOrderedUnit_) --ordersLeft_;
    lastOrderedUnit_ = unitNumber;
    ++ordersGiven_;
}

void VaelAI::assignFreeAttacks() {
    if (!group_) return;
    // A copy: an attack order may change the group's membership while we walk it.
    List<VaelUnit*> members = group_->units;
    ListIterator<VaelUnit*> it(members);
    for (VaelUnit* unit = nullptr; it.next(unit);) {
        auto* combat = dynamic_cast<Combat*>(unit);
        if (!combat || !combat->isCombatUnit() || !combat->getPotentialToBeOrdered()) continue;
        combat->GetValidMovement();
        List<short> zoc = combat->getZOCHexes();
        ListIterator<short> hexes(zoc);
        for (short h = 0; hexes.next(h);) {
            if (!combat->canAttackHex(h) || combat->isRouting() ||
                static_cast<int>(combat->getTroopQuality()) - combat->getCohesionHits() < 2)
                continue;
            debugStream() << "Assigning " << combat->getName() << " to free attack hex #" << h << std::endl;
            combat->declareShock(h);
            break;
        }
    }
}

} // namespace vael
