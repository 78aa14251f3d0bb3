#pragma once
// Test double of the game's logical layer: an asynchronous bus below the application that records the
// scenario loads and the clicks and mouse-overs that reach it, and answers the layer's messages that the
// rules rely on ("ActiveGroup"). The real layer replaces it without changing the code under test.
#include <string>
#include <vector>

#include "framework/core/registered_message.h"
#include "game/rules/group.h"
#include "game/rules/logical_layer.h"

namespace vael::test {

class TestLogicalLayer : public LogicalLayer {
public:
    TestLogicalLayer() : LogicalLayer("Test Logical Layer") {}

    void connectParent() override {
        LogicalLayer::connectParent();
        if (!isConnected(RegisteredMessage::getId("ActiveGroup"), onActiveGroup))
            connectNamed("ActiveGroup", onActiveGroup);
    }
    void loadScenario(const std::string& fileName) override { scenarios.push_back(fileName); }
    void regionSelected(std::int16_t hex) override { selected.push_back(hex); }
    void regionFlyby(std::int16_t hex) override { flybys.push_back(hex); }

    // The active leader's group; null when no leader is active.
    Group* activeGroup = nullptr;
    int activeGroupAsked = 0;
    std::vector<std::string> scenarios;
    std::vector<short> selected;
    std::vector<short> flybys;

private:
    static ContainerBase* onActiveGroup(Component* target, BusMessage, ContainerBase*) {
        auto* layer = dynamic_cast<TestLogicalLayer*>(target);
        if (!layer) return nullptr;
        ++layer->activeGroupAsked;
        return new Container<Group*>(layer->activeGroup);
    }
};

} // namespace vael::test
