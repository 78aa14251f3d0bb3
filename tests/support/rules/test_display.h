#pragma once
// Test double of the unit display objects and of everyone else who listens on the logical layer: it notes,
// in order, every message of the names and built-in events it is told to watch, and answers each
// LOGICAL_COMMAND at once the way a display object answers when its animation ends: it sends the record's
// reply event with the record's extra box.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/component.h"
#include "framework/core/registered_message.h"
#include "game/rules/units/unit_payloads.h"
#include "support/rules/test_maps.h"

namespace vael::test {

// A registered message by its name, a built-in by its number.
inline std::string eventName(BusMessage e) {
    const std::string known = e.id() >= NumBusEvents
                                  ? RegisteredMessage::nameOf(static_cast<std::uint16_t>(e.id()))
                                  : std::string();
    return known.empty() ? std::to_string(e.id()) : known;
}

// The payloads the unit rules send, as short texts; "-" for none.
inline std::string describeUnitPayload(const ContainerBase* data) {
    if (!data) return "-";
    short s = 0;
    unsigned short u = 0;
    unsigned char c = 0;
    DIRECTION d = NoDirection;
    List<short> hexes;
    MoveReturnStruct move;
    ResolveOWStruct resolved;
    ZOCStructure zoc;
    RefaceFromChargeStruct reface;
    ChangeFacingStruct turn;
    EndOWStruct end;
    LogicalCommandInfo command;
    BusMessage word;
    if (Container<short>::fromMessage(data, s)) return text(s);
    if (Container<BusMessage>::fromMessage(data, word)) return text(word.id());
    if (Container<unsigned short>::fromMessage(data, u)) return "u" + text(u);
    if (Container<unsigned char>::fromMessage(data, c)) return "c" + text(c);
    if (Container<DIRECTION>::fromMessage(data, d)) return "d" + text(d);
    if (Container<List<short>>::fromMessage(data, hexes)) return text(hexes);
    if (Container<MoveReturnStruct>::fromMessage(data, move))
        return values("move", move.kind, move.unitNumber);
    if (Container<ResolveOWStruct>::fromMessage(data, resolved))
        return values("resolved", resolved.withdrew, resolved.hex);
    if (Container<ZOCStructure>::fromMessage(data, zoc)) return values("zoc", zoc.hex, zoc.nation);
    if (Container<RefaceFromChargeStruct>::fromMessage(data, reface))
        return values("reface", reface.hex, reface.spent, reface.unused);
    if (Container<ChangeFacingStruct>::fromMessage(data, turn))
        return values("turn", turn.sense, turn.numTurns, turn.unitNumber);
    if (Container<EndOWStruct>::fromMessage(data, end))
        return values("end", end.happened, end.unit != nullptr);
    if (Container<LogicalCommandInfo>::fromMessage(data, command))
        return "{" +
               values(command.command, command.value, eventName(command.event), eventName(command.replyEvent),
                      describeUnitPayload(command.payload.get()), describeUnitPayload(command.extra.get())) +
               "}";
    return data->typeName();
}

class TestDisplay : public Component {
public:
    // Watches LOGICAL_COMMAND and the given built-in events and message names.
    explicit TestDisplay(std::initializer_list<BusMessage> events = {},
                         std::initializer_list<const char*> names = {})
        : Component("Test Display"), events_(events), names_(names) {}

    void connectHandlers() override {
        connect(LOGICAL_COMMAND, onCommand);
        for (BusMessage e : events_)
            connect(e, onWatched);
        for (const char* n : names_)
            connectNamed(n, onWatched);
    }

    // "Name payload" of each watched message, in the order of delivery.
    std::vector<std::string> heard;
    bool answers = true;

private:
    static ContainerBase* onWatched(Component* target, BusMessage event, ContainerBase* data) {
        static_cast<TestDisplay*>(target)->heard.push_back(eventName(event) + " " +
                                                           describeUnitPayload(data));
        return nullptr;
    }
    static ContainerBase* onCommand(Component* target, BusMessage event, ContainerBase* data) {
        auto* self = static_cast<TestDisplay*>(target);
        self->heard.push_back(eventName(event) + " " + describeUnitPayload(data));
        LogicalCommandInfo command;
        if (!self->answers || !Container<LogicalCommandInfo>::fromMessage(data, command)) return nullptr;
        if (command.replyEvent.id() == NULL_EVENT) return nullptr;
        if (command.extra)
            self->send(command.replyEvent, command.extra.get());
        else
            self->sendEmpty(command.replyEvent);
        return nullptr;
    }

    std::vector<BusMessage> events_;
    std::vector<const char*> names_;
};

} // namespace vael::test
