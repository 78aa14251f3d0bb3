#pragma once
// Small records shared by the logical side of the game and its display side: the command by which the
// logical side tells a display object what to do, the change of one attribute of a map region, and the
// text of a window item. Each travels in message payloads.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/core/bus_message.h"
#include "framework/core/container.h"
#include "framework/core/type_name.h"

namespace vael {

class SuperString;

// Queued on a display object and carried by the built-in event LOGICAL_COMMAND (27). The record owns its
// two boxes; copying it clones them.
class LogicalCommandInfo {
public:
    // Takes ownership of both boxes as given (either may be null).
    explicit LogicalCommandInfo(std::uint16_t command = 0, ContainerBase* payload = nullptr,
                                std::uint16_t value = 0, BusMessage event = BusMessage(),
                                BusMessage replyEvent = BusMessage(), ContainerBase* extra = nullptr);
    LogicalCommandInfo(const LogicalCommandInfo& other);
    LogicalCommandInfo(LogicalCommandInfo&& other) noexcept = default;
    LogicalCommandInfo& operator=(const LogicalCommandInfo& other);
    LogicalCommandInfo& operator=(LogicalCommandInfo&& other) noexcept = default;
    ~LogicalCommandInfo() = default;

    // Command, value and the ids of both words; the boxes do not take part.
    bool operator==(const LogicalCommandInfo& other) const;

    std::uint16_t command = 0;
    std::unique_ptr<ContainerBase> payload;
    std::uint16_t value = 0;
    BusMessage event;
    BusMessage replyEvent;
    std::unique_ptr<ContainerBase> extra;
    // Given by the display as it queues the command: which came first among the commands of all its
    // objects (0: none given, as for a command read from a saved game). No part of the record's equality,
    // nor of what is saved.
    std::uint32_t order = 0;
};

// Payload of "Change Region Attribute".
struct RegionCommand {
    std::uint16_t region = 0;
    std::uint16_t attribute = 0;
    std::uint16_t value = 0;

    bool operator==(const RegionCommand& o) const {
        return region == o.region && attribute == o.attribute && value == o.value;
    }
};

// Payload of "SetItemText": the item (its number, or the registered id of a named item such as a
// status-bar pane), the text, and a flag (the pane number of a status bar).
struct SetTextData {
    SetTextData() = default;
    SetTextData(std::uint32_t target, const std::string& text, std::uint16_t flag)
        : target(target), text(text), flag(flag) {}

    std::uint32_t target = 0;
    std::string text;
    std::uint16_t flag = 0;
};

// On the stream: command (2 bytes), payload (nullable box), value (2 bytes), extra (nullable box), event
// and replyEvent (each an event word by name) - extra comes before the two words.
SuperString& operator<<(SuperString& s, const LogicalCommandInfo& v);
SuperString& operator>>(SuperString& s, LogicalCommandInfo& v);
// On the stream: target as an event word (8 bytes), text as a string, flag (2 bytes).
SuperString& operator<<(SuperString& s, const SetTextData& v);
SuperString& operator>>(SuperString& s, SetTextData& v);

VAEL_TYPE_NAME(LogicalCommandInfo, "LogicalCommandInfo");
VAEL_TYPE_NAME(RegionCommand, "RegionCommand");
VAEL_TYPE_NAME(SetTextData, "SetTextData");

} // namespace vael
