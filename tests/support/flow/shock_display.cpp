#include "support/flow/shock_display.h"

#include <algorithm>

#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/registered_message.h"
#include "support/flow/game_flow_recorder.h"
#include "support/rules/test_maps.h"

namespace vael::test {

namespace {

ShockDisplay* self(Component* target) {
    return static_cast<ShockDisplay*>(target);
}

std::string nameOf(BusMessage event) {
    const std::string name = RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id()));
    return name.empty() ? std::to_string(event.id()) : name;
}

} // namespace

bool ShockDisplay::hears(const std::string& name) const {
    return std::find(heard_.begin(), heard_.end(), name) != heard_.end();
}

void ShockDisplay::connectHandlers() {
    for (const std::string& name : heard_)
        if (name == "END_GAME")
            connect(END_GAME, onMessage);
        else if (name != "WillCombatFit?" && name != "UnitCombat")
            connectNamed(name, onMessage);
    connectNamed("WillCombatFit?", onFit);
    connectNamed("UnitCombat", onCommand);
    connect(LOGICAL_COMMAND, onCommand);
}

ContainerBase* ShockDisplay::onMessage(Component* target, BusMessage event, ContainerBase* data) {
    self(target)->log.push_back(event.id() == END_GAME ? "END_GAME"
                                                       : GameFlowRecorder::describe(nameOf(event), data));
    return nullptr;
}

ContainerBase* ShockDisplay::onFit(Component* target, BusMessage, ContainerBase* data) {
    WillCombatFitStruct corners;
    Container<WillCombatFitStruct>::fromMessage(data, corners);
    if (self(target)->hears("WillCombatFit?"))
        self(target)->log.push_back("WillCombatFit? " + values(corners.leastGreatest, corners.leastLeast,
                                                               corners.greatestGreatest,
                                                               corners.greatestLeast));
    return self(target)->fits ? new Container<short>(self(target)->fits(corners)) : nullptr;
}

ContainerBase* ShockDisplay::onCommand(Component* target, BusMessage event, ContainerBase* data) {
    LogicalCommandInfo command;
    if (!Container<LogicalCommandInfo>::fromMessage(data, command) || !command.replyEvent.id())
        return nullptr;
    ShockDisplay& display = *self(target);
    std::string reply = nameOf(command.replyEvent);
    short value = 0;
    if (Container<short>::fromMessage(command.extra.get(), value)) reply += " " + std::to_string(value);
    if (event.id() != LOGICAL_COMMAND && display.hears("UnitCombat")) {
        CombatInfo info;
        Container<CombatInfo>::fromMessage(command.payload.get(), info);
        std::string deaths;
        Item<MethodOfDeathStruct>* d = nullptr;
        for (info.deaths.firstItem(d); d; d = d->next)
            deaths += (deaths.empty() ? "" : " ") + std::to_string(d->value.unitNumber) + ":" +
                      std::to_string(d->value.percent) + (d->value.method == 1 ? "" : "?");
        display.log.push_back("UnitCombat " + text(info.attackers) + " " + text(info.defenders) +
                              " deaths [" + deaths + "] reply " + reply);
    }
    if (display.answers) display.send(command.replyEvent, command.extra.get());
    return nullptr;
}

} // namespace vael::test
