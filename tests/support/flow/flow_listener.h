#pragma once
// Test support: a component on the logical layer that writes down, in order of arrival, every message the
// layer announces a battle with, each with what it carries, and the layer's unit counter at the time.
#include <string>
#include <vector>

#include "game/flow/flow_records.h"
#include "game/flow/vael_logical_layer.h"
#include "support/flow/game_flow_recorder.h"

namespace vael::test {

class FlowListener : public MessageLog {
public:
    explicit FlowListener(const VaelLogicalLayer* layer = nullptr)
        : MessageLog("Flow Listener"), layer_(layer) {}

    void connectHandlers() override;

    // Logs "MapInfo Toy 6x6", "CreateLeader Kar initiative 5 nation 1 at 0", "LOGICAL_UNIT_CREATED 0 ...".
    TeamInfoStruct team;
    int loaded = 0; // "ScenarioLoaded" heard

private:
    static ContainerBase* onMessage(Component* target, BusMessage event, ContainerBase* data);
    const VaelLogicalLayer* layer_;
};

} // namespace vael::test
