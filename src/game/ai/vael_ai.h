#pragma once
// The computer opponent of one side. It owns that side's compiled plan script, gives the script the
// library of constants and procedures through which it reads the battle and orders units, and drives one
// activated leader at a time as a chain of messages: a pass of the script per "GiveAIOrder", then a wait
// for the animations and withdrawals its orders started, then "EndOrdersPhase". Nothing in it blocks.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/list.h"
#include "framework/core/type_name.h"
#include "game/ai/ai_program.h"
#include "game/ai/compiler.h"
#include "game/ai/interpreter.h"
#include "game/flow/computer_opponent.h"

namespace vael {

class Combat;
class Group;
class Leader;
class VaelLogicalLandscape;
class VaelUnit;

// The cursor of a script list. It stands before the first value until the first read, so that values
// added to a fresh list are read from the first; after the last value it answers nothing once and then
// starts again.
class ScriptListCursor {
public:
    explicit ScriptListCursor(const List<short>& list) : list_(list) {}
    void reset() { last_ = nullptr, started_ = false; }
    bool next(short& value) {
        Item<short>* item = nullptr;
        if (!started_)
            list_.firstItem(item);
        else if (last_)
            item = last_->next;
        if (!item) {
            reset();
            return false;
        }
        last_ = item, started_ = true, value = item->value;
        return true;
    }

private:
    const List<short>& list_;
    Item<short>* last_ = nullptr;
    bool started_ = false;
};

class VaelAI : public ComputerOpponent {
public:
    // A pass may give no order yet neither finish the leader nor use up his orders (a script without an
    // Orders table for the group, one that did not compile, one that only reads the map); this many such
    // passes in a row end the activation, so that it always ends.
    static constexpr std::int16_t idlePassLimit = 1;

    explicit VaelAI(VaelLogicalLandscape* landscape);
    ~VaelAI() override;

    void setUnitList(const List<Combat*>* units) override { unitList_ = units; }
    void setLeaderList(const List<Leader*>* leaders) override { leaderList_ = leaders; }
    // With two computer sides each opponent acts only for the groups of its own side: a group whose
    // leader is of the visitor nation belongs to the visitor. Without a side it acts for every group.
    void setSide(bool visitor, std::uint32_t visitorNation) override {
        hasSide_ = true;
        visitor_ = visitor;
        visitorNation_ = visitorNation;
    }
    bool playsVisitor() const { return hasSide_ && visitor_; }

    std::int32_t compile(const std::string& fileName) override;
    std::string planFailure() const override;
    std::int32_t saveProgram(const std::string& fileName);
    std::int32_t loadProgram(const std::string& fileName);
    bool runConditions() override;
    bool runExceptions();
    bool runGroupExceptions(const std::string& group);
    bool runGroupOrders();
    VaelUnit* getUnit(std::int32_t unitNumber) const;
    void clearLists();
    void connectHandlers() override;

    // The activation, message by message.
    void InitAILeader(Group* group);
    bool ordersUnderWay(ComputerOrders& orders) const override;
    std::string ordersUncarried() const override;
    bool resumeOrders(Group* group, const ComputerOrders& orders) override;
    void hearMovesOf(const ComputerOrders& orders) override;
    void GiveAIOrder();
    void unitDoneAnimating(std::int16_t unitNumber);
    void EndOWSegment();
    void BeginOWSegment() { owBegun_ = 1; }
    void checkWithdrawalBegan();
    void FinishedGivingAIOrders();
    void assignFreeAttacks();

    // What the procedures of the library read and change.
    void countOrder(std::int16_t unitNumber);
    void startWithdrawal(std::int16_t unitNumber, std::int16_t destination);
    void addMovingUnit(std::int16_t unitNumber) { movingUnits_.append(unitNumber); }
    std::int32_t newList();
    List<short>* list(std::int32_t handle) const;
    ScriptListCursor* cursor(std::int32_t handle) const;
    void releaseList(std::int32_t handle);
    std::int32_t listCount() const { return listCount_; }

    AIProgram& program() { return program_; }
    Compiler& compiler() { return compiler_; }
    Interpreter& interpreter() { return interpreter_; }
    const List<Combat*>* unitList() const { return unitList_; }
    const List<Leader*>* leaderList() const { return leaderList_; }
    VaelLogicalLandscape* landscape() const { return landscape_; }
    Group* group() const { return group_; }
    Leader* leader() const { return leader_; }
    VaelUnit* currentUnit() const { return currentUnit_; }
    void setCurrentUnit(VaelUnit* unit) { currentUnit_ = unit; }
    // The group cursor is the unit given last and the position it was given at, not a list node: an
    // order can take a unit out of the group (it falls), and a node held across that would be freed
    // under the cursor. No unit: nothing given since the walk began.
    std::int16_t& groupPosition() { return groupPosition_; }
    VaelUnit*& groupCursorUnit() { return groupCursorUnit_; }
    std::int16_t leaderNumber() const { return leaderNumber_; }
    std::int16_t ordersLeft() const { return ordersLeft_; }
    void setOrdersLeft(std::int16_t n) { ordersLeft_ = n; }
    std::int16_t lastOrderedUnit() const { return lastOrderedUnit_; }
    std::int16_t isFinished() const { return finished_; }
    void finishLeader() { finished_ = 1; }
    std::int16_t owPending() const { return owPending_; }
    // A withdrawal the last order may have started pauses the orders: one given before it is settled
    // could close the enemy's way back or meet a unit still withdrawing.
    // Once stood down the orders stay paused for good.
    bool ordersPaused() const { return owPending_ != 0 || stoodDown_; }
    void standDown() override { stoodDown_ = true; }
    std::int16_t owUnit() const { return owUnit_; }
    std::int16_t owDestination() const { return owDestination_; }
    void setOWDestination(std::int16_t hex) { owDestination_ = hex; }
    const List<short>& movingUnits() const { return movingUnits_; }
    const List<short>& finishedUnits() const { return finishedUnits_; }
    // Orders counted since the activation began: a pass that adds none may end the activation.
    std::int32_t ordersGiven() const { return ordersGiven_; }

private:
    bool report(std::int32_t result, std::uint16_t missing, std::uint16_t failed);
    bool ownsGroup(const Group& group) const;
    void postToSelf(const char* message);

    AIProgram program_;
    Compiler compiler_{program_};
    std::string planFile_;
    bool planCompiled_ = true;
    Interpreter interpreter_{program_, this};
    const List<Combat*>* unitList_ = nullptr;
    const List<Leader*>* leaderList_ = nullptr;
    List<short> movingUnits_;
    List<short> finishedUnits_;
    Group* group_ = nullptr;
    std::int16_t groupPosition_ = 0;
    VaelUnit* groupCursorUnit_ = nullptr;
    VaelUnit* currentUnit_ = nullptr;
    Leader* leader_ = nullptr;
    std::int16_t leaderNumber_ = -1;
    std::int16_t ordersLeft_ = 0;
    std::int16_t lastOrderedUnit_ = -1;
    std::int16_t finished_ = 0;
    std::int16_t owPending_ = 0;
    std::int16_t owUnit_ = -1;
    std::int16_t owDestination_ = -1;
    std::int16_t owBegun_ = 0;
    std::int16_t owChecks_ = 0;
    std::vector<std::unique_ptr<List<short>>> lists_;
    std::vector<std::unique_ptr<ScriptListCursor>> cursors_;
    std::int32_t listCount_ = 0;
    VaelLogicalLandscape* landscape_;
    bool hasSide_ = false;
    bool visitor_ = false;
    std::uint32_t visitorNation_ = 0;
    bool active_ = false;
    // A pass of orders under way (its questions may run the queue), and an end of the orders that came
    // during it and waits for its end.
    int passDepth_ = 0;
    bool finishAfterPass_ = false;
    bool boxShown_ = false;
    bool stoodDown_ = false;
    std::int32_t ordersGiven_ = 0;
    std::int16_t idlePasses_ = 0;
};

// The maker the layer is given, so that the flow can create opponents without knowing the scripts.
std::unique_ptr<ComputerOpponent> makeVaelAI(VaelLogicalLandscape* landscape);

// Moves a unit on toward a hex as the script's MoveToward does; the withdrawal's end uses it to go on.
std::int32_t continueToward(VaelAI& ai, std::int32_t hex, std::int32_t unit);

// Registers the 23 constants and the 50 procedures, in the order compiled scripts rely on.
void registerScriptLibrary(VaelAI& ai);

VAEL_TYPE_NAME(VaelAI, "VaelAI");

} // namespace vael
