#pragma once
// Test double of the battle map display as the rules drive it: it notes the centring of the view, the
// cursor, the move-destination marker, the replenishment report and the debris of each volley, and, as
// the unit's figure does when its volley animation ends, answers a "MissileFire" command with the
// command's reply event and extra box. The real map display replaces it without changing the rules.
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/component.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/missile_fire_struct.h"
#include "support/rules/test_maps.h"

namespace vael::test {

class TestBattleMap : public Component {
public:
    TestBattleMap() : Component("Test Battle Map") {}

    void connectHandlers() override {
        for (const char* name : {"Center On Region", "ShowHexToMoveTo", "HideHexToMoveTo", "UnitReplenished"})
            connectNamed(name, onHex);
        connectNamed("ChangeCursor", onCursor);
        connect(LOGICAL_COMMAND, onCommand);
    }

    // "Center On Region 505", "ChangeCursor Sling", "debris 503 1 7", in the order they came.
    std::vector<std::string> heard;
    bool answersVolleys = true;

private:
    static TestBattleMap* self(Component* target) { return static_cast<TestBattleMap*>(target); }
    static ContainerBase* onHex(Component* target, BusMessage event, ContainerBase* data) {
        short hex = 0;
        unsigned short number = 0;
        std::string line = RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id()));
        if (Container<short>::fromMessage(data, hex))
            line += " " + std::to_string(hex);
        else if (Container<unsigned short>::fromMessage(data, number))
            line += " " + std::to_string(number);
        self(target)->heard.push_back(line);
        return nullptr;
    }
    static ContainerBase* onCursor(Component* target, BusMessage, ContainerBase* data) {
        const char* name = nullptr;
        Container<const char*>::fromMessage(data, name);
        self(target)->heard.push_back(std::string("ChangeCursor ") + (name ? name : "?"));
        return nullptr;
    }
    static ContainerBase* onCommand(Component* target, BusMessage, ContainerBase* data) {
        LogicalCommandInfo command;
        MissileDebrisStruct debris;
        if (!Container<LogicalCommandInfo>::fromMessage(data, command) ||
            command.event.id() != static_cast<std::int32_t>(RegisteredMessage::getId("MissileFire")) ||
            !Container<MissileDebrisStruct>::fromMessage(command.extra.get(), debris))
            return nullptr;
        self(target)->heard.push_back("debris " +
                                      values(debris.targetHex, debris.missileType, debris.unitNumber));
        if (self(target)->answersVolleys) self(target)->send(command.replyEvent, command.extra.get());
        return nullptr;
    }
};

} // namespace vael::test
