#pragma once
// Test double of the game's logical layer: an asynchronous bus below the application that notes the
// scenario loads, clicks and mouse-overs that reach it, and answers the layer's messages that the rules
// rely on ("ActiveGroup"). The real layer replaces it without changing the code under test.
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/registered_message.h"
#include "game/rules/leaders/group.h"
#include "game/rules/logical_layer.h"

namespace vael::test {

// The string-table entries 112 to 122 that the logical map shows, for the test application.
inline std::map<std::uint16_t, std::string> ruleStrings() {
    std::istringstream texts(
        "You do not have enough orders|to move a unit that does not|belong to your group.|TQ:|"
        "Hits:|Size:|Initiative:|Command Range:|Range:|Hex:|");
    std::map<std::uint16_t, std::string> strings;
    for (std::uint16_t id = 112; id <= 122; ++id)
        std::getline(texts, strings[id], '|');
    return strings;
}

class TestLogicalLayer : public LogicalLayer {
public:
    TestLogicalLayer() : LogicalLayer("Test Logical Layer") {}

    void connectParent() override {
        LogicalLayer::connectParent();
        if (!isConnected(RegisteredMessage::getId("ActiveGroup"), onActiveGroup))
            connectNamed("ActiveGroup", onActiveGroup);
    }
    void loadScenario(const std::string& fileName) override { heard.push_back("load " + fileName); }
    void regionSelected(std::int16_t hex) override { heard.push_back("select " + std::to_string(hex)); }
    void regionFlyby(std::int16_t hex) override { heard.push_back("flyby " + std::to_string(hex)); }

    Group* activeGroup = nullptr; // the active leader's group; null when no leader is active
    int activeGroupAsked = 0;
    std::vector<std::string> heard;

private:
    static ContainerBase* onActiveGroup(Component* target, BusMessage, ContainerBase*) {
        auto* layer = static_cast<TestLogicalLayer*>(target);
        ++layer->activeGroupAsked;
        return new Container<Group*>(layer->activeGroup);
    }
};

} // namespace vael::test
