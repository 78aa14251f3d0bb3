#include "framework/core/command_records.h"

#include "framework/core/super_string.h"

namespace vael {

namespace {
std::unique_ptr<ContainerBase> cloneOf(const std::unique_ptr<ContainerBase>& box) {
    return std::unique_ptr<ContainerBase>(box ? box->clone() : nullptr);
}
} // namespace

LogicalCommandInfo::LogicalCommandInfo(std::uint16_t command, ContainerBase* payload, std::uint16_t value,
                                       BusMessage event, BusMessage replyEvent, ContainerBase* extra)
    : command(command), payload(payload), value(value), event(event), replyEvent(replyEvent), extra(extra) {}

LogicalCommandInfo::LogicalCommandInfo(const LogicalCommandInfo& other)
    : command(other.command), payload(cloneOf(other.payload)), value(other.value), event(other.event),
      replyEvent(other.replyEvent), extra(cloneOf(other.extra)), order(other.order) {}

LogicalCommandInfo& LogicalCommandInfo::operator=(const LogicalCommandInfo& other) {
    if (this == &other) return *this;
    // Clone before letting go of our own boxes: the source's boxes may be ours' contents.
    std::unique_ptr<ContainerBase> newPayload = cloneOf(other.payload);
    std::unique_ptr<ContainerBase> newExtra = cloneOf(other.extra);
    command = other.command;
    value = other.value;
    event = other.event;
    replyEvent = other.replyEvent;
    order = other.order;
    payload = std::move(newPayload);
    extra = std::move(newExtra);
    return *this;
}

bool LogicalCommandInfo::operator==(const LogicalCommandInfo& other) const {
    return command == other.command && value == other.value && event == other.event &&
           replyEvent == other.replyEvent;
}

SuperString& operator<<(SuperString& s, const LogicalCommandInfo& v) {
    s << v.command << v.payload.get() << v.value << v.extra.get();
    writeEventByName(s, v.event);
    writeEventByName(s, v.replyEvent);
    return s;
}

SuperString& operator>>(SuperString& s, LogicalCommandInfo& v) {
    ContainerBase* payload = nullptr;
    ContainerBase* extra = nullptr;
    s >> v.command >> payload;
    v.payload.reset(payload);
    s >> v.value >> extra;
    v.extra.reset(extra);
    readEventByName(s, v.event);
    readEventByName(s, v.replyEvent);
    return s;
}

SuperString& operator<<(SuperString& s, const SetTextData& v) {
    return s << BusMessage::fromWord(v.target) << v.text << v.flag;
}

SuperString& operator>>(SuperString& s, SetTextData& v) {
    BusMessage target;
    s >> target >> v.text >> v.flag;
    v.target = target.word();
    return s;
}

} // namespace vael
