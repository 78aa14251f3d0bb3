#include "game/rules/logical_layer.h"

#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/payload_check.h"
#include "game/rules/units/unit.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "LOGLAYER";

// The receiver of the handlers below; anything else is reported as bad data.
LogicalLayer* layerOf(Component* target, std::int16_t line) {
    auto* layer = dynamic_cast<LogicalLayer*>(target);
    Assertion::check(layer != nullptr, BadPayloadMessage, sourceFile, line);
    return layer;
}

ContainerBase* onLoadScenario(Component* target, BusMessage, ContainerBase* data) {
    std::string name;
    Container<std::string>::fromMessage(data, name); // no string: an empty name
    if (LogicalLayer* layer = layerOf(target, __LINE__)) layer->loadScenario(name);
    return nullptr;
}

ContainerBase* onRegionSelected(Component* target, BusMessage, ContainerBase* data) {
    // A payload that is no hex is no click, and no fault either: it is let pass without a report.
    short hex = 0;
    LogicalLayer* layer = layerOf(target, __LINE__);
    if (layer && Container<short>::fromMessage(data, hex)) layer->regionSelected(hex);
    return nullptr;
}

ContainerBase* onRegionFlyby(Component* target, BusMessage, ContainerBase* data) {
    short hex = 0;
    LogicalLayer* layer = layerOf(target, __LINE__);
    if (layer && Container<short>::fromMessage(data, hex)) layer->regionFlyby(hex);
    return nullptr;
}

} // namespace

LogicalLayer::LogicalLayer(const char* name)
    : AsynchronousBus(name ? name : "Unnamed Logical Layer Component") {
    prototypes_.resize(50); // entries 0 to 49 exist from the start, all null
}

LogicalLayer::~LogicalLayer() {
    landscape_.reset();
}

void LogicalLayer::connectParent() {
    AsynchronousBus::connectParent();
    if (!isConnected(LOAD_SCENARIO, onLoadScenario)) connect(LOAD_SCENARIO, onLoadScenario);
    if (!isConnected(REGION_SELECTED, onRegionSelected)) connect(REGION_SELECTED, onRegionSelected);
    if (!isConnected(REGION_FLYBY, onRegionFlyby)) connect(REGION_FLYBY, onRegionFlyby);
}

void LogicalLayer::addPrototype(std::int16_t typeCode, Unit* unit) {
    if (typeCode < 0) {
        delete unit;
        Assertion::fail("Invalid unit type code " + std::to_string(typeCode) + " for a prototype", sourceFile,
                        __LINE__);
        return;
    }
    if (static_cast<std::size_t>(typeCode) >= prototypes_.size())
        prototypes_.resize(static_cast<std::size_t>(typeCode) + 1);
    std::unique_ptr<Unit>& slot = prototypes_[static_cast<std::size_t>(typeCode)];
    if (slot.get() != unit) slot.reset(unit);
    if (typeCode >= prototypeCount_) prototypeCount_ = static_cast<std::int16_t>(typeCode + 1);
}

Unit* LogicalLayer::prototype(std::int16_t typeCode) {
    if (typeCode < 0 || static_cast<std::size_t>(typeCode) >= prototypes_.size()) return nullptr;
    return prototypes_[static_cast<std::size_t>(typeCode)].get();
}

void LogicalLayer::setLandscape(LogicalLandscape* landscape) {
    if (landscape_.get() != landscape) landscape_.reset(landscape);
}

} // namespace vael
