#include "game/shell/map_stand_in.h"

#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/payload_check.h"

namespace vael {

void MapStandIn::connectHandlers() {
    connect(LOGICAL_COMMAND, onAnimation);
    connectNamed("UnitMovement", onAnimation);
    connectNamed("UnitCombat", onAnimation);
    connectNamed("WillCombatFit?", onFit);
}

ContainerBase* MapStandIn::onAnimation(Component* target, BusMessage, ContainerBase* data) {
    callWithPayload<LogicalCommandInfo>(data, __FILE__, __LINE__, [&](const LogicalCommandInfo& command) {
        if (command.replyEvent.id() != NULL_EVENT) target->send(command.replyEvent, command.extra.get());
    });
    return nullptr;
}

ContainerBase* MapStandIn::onFit(Component*, BusMessage, ContainerBase*) {
    return new Container<short>(1);
}

} // namespace vael
