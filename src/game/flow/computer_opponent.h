#pragma once
// What the game flow needs of a side's computer opponent. The opponent itself lives with the plan-script
// machinery, above the flow; the layer makes one through the maker it is given and owns it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/core/component.h"
#include "framework/core/list.h"

namespace vael {

class Combat;
class Leader;
class VaelLogicalLandscape;

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
};

using OpponentMaker = std::function<std::unique_ptr<ComputerOpponent>(VaelLogicalLandscape*)>;

} // namespace vael
