#pragma once
// The asynchronous bus on which every rules component talks: units, leaders, the game control and the
// logical map. It owns the battle's logical map and one prototype unit per unit type code, from which the
// scenario reader makes the battle's units. The game's layer reads scenarios and takes the clicks and
// mouse-overs on hexes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/asynchronous_bus.h"
#include "game/rules/combat/combat_struct.h"
#include "game/rules/landscape/logical_landscape.h"

namespace vael {

class Unit;

class LogicalLayer : public AsynchronousBus {
public:
    explicit LogicalLayer(const char* name = nullptr);
    ~LogicalLayer() override;

    // Attaching the layer below its parent joins the parent's events, then takes LOAD_SCENARIO,
    // REGION_SELECTED and REGION_FLYBY (once, however often the layer is attached).
    void connectParent() override;

    virtual void loadScenario(const std::string& fileName) = 0;
    virtual void regionSelected(std::int16_t hex) = 0;
    virtual void regionFlyby(std::int16_t hex) = 0;

    // The layer owns the prototype from then on; one that it replaces is deleted.
    void addPrototype(std::int16_t typeCode, Unit* unit);
    Unit* prototype(std::int16_t typeCode);
    std::int16_t getPrototypeCount() const { return prototypeCount_; }

    // The shock combats declared so far this activation; the game's layer keeps them, a bare layer has
    // none.
    virtual const List<CombatStruct>* getCombats() const { return nullptr; }
    // Whether the battle's end is certain: it was decided, or the fall of an army commander that decides
    // it is sealed though not yet carried out. The game's layer knows; a bare layer's battle never ends.
    virtual bool isBattleSettled() const { return false; }

    // The layer owns the map from then on; a map it replaces is deleted.
    void setLandscape(LogicalLandscape* landscape);
    LogicalLandscape* getLandscape() const { return landscape_.get(); }

protected:
    std::unique_ptr<LogicalLandscape> landscape_;
    std::int16_t prototypeCount_ = 0;
    std::vector<std::unique_ptr<Unit>> prototypes_;
};

} // namespace vael
