#pragma once
// What the game flow needs of a side's computer opponent. The opponent itself lives with the plan-script
// machinery, above the flow; the layer makes one through the maker it is given and owns it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/list.h"

namespace vael {

class Combat;
class Group;
class Leader;
class VaelLogicalLandscape;

// What a saved game keeps of a computer leader's orders under way, between two passes of his plan: what the
// plan had spent and walked, the units whose moves it still waits for, and its own messages still queued
// (in their order), which a loaded game posts again.
struct ComputerOrders {
    enum Queued : std::uint16_t { GiveOrder = 1, Finished = 2 };
    std::uint16_t leader = 0; // the leader's unit number
    std::int16_t ordersLeft = 0, lastOrderedUnit = -1, finished = 0, idlePasses = 0, groupPosition = 0;
    std::int32_t ordersGiven = 0;
    std::uint16_t boxShown = 0;
    std::int16_t groupCursorUnit = -1, currentUnit = -1; // unit numbers, -1 for none
    std::vector<std::int16_t> moving, done;
    std::vector<std::uint16_t> queued;
};

class ComputerOpponent : public Component {
public:
    explicit ComputerOpponent(const char* name) : Component(name) {}

    virtual void setUnitList(const List<Combat*>* units) = 0;
    virtual void setLeaderList(const List<Leader*>* leaders) = 0;
    // The side it plays, so that with two computer sides each acts only for its own groups.
    virtual void setSide(bool visitor, std::uint32_t visitorNation) = 0;
    // 1 when the plan compiled.
    virtual std::int32_t compile(const std::string& fileName) = 0;
    // Why the plan last compiled cannot be played, naming its file: empty when it compiled (or none was).
    virtual std::string planFailure() const { return {}; }
    virtual bool runConditions() = 0;
    // The battle is decided while its plan may still be running (a built-in's question ran what found the
    // other machine gone, say): the plan's remaining orders are given to nobody.
    virtual void standDown() {}
    // The leader's orders under way, when he gives them now; false between activations.
    virtual bool ordersUnderWay(ComputerOrders&) const { return false; }
    // Why the orders under way cannot be carried by a saved game at this moment (a move or a withdrawal is
    // being carried out, the plan is running): empty when they can, or when none are under way.
    virtual std::string ordersUncarried() const { return {}; }
    // Goes on with a loaded game's orders for the group; false when the group is not this opponent's.
    virtual bool resumeOrders(Group*, const ComputerOrders&) { return false; }
    // Listens, from now on, for the ends of the moves the loaded orders wait for, when they are this
    // opponent's.
    virtual void hearMovesOf(const ComputerOrders&) {}
};

using OpponentMaker = std::function<std::unique_ptr<ComputerOpponent>(VaelLogicalLandscape*)>;

} // namespace vael
