#include "support/bus_recorder.h"

#include "framework/core/bus.h"
#include "framework/core/receive_all_callback.h"
#include "framework/core/registered_message.h"

namespace vael::test {

int TrackedReply::live_ = 0;

std::uint16_t TrackedReply::typeId() const {
    return RegisteredMessage::getId(typeName());
}

short TrackedReply::valueOf(const ContainerBase* reply) {
    if (!reply) return -1;
    auto* tracked = dynamic_cast<const TrackedReply*>(reply);
    return tracked ? tracked->value() : -2;
}

std::string describePayload(const ContainerBase* data) {
    if (!data) return "null";
    if (auto* s = dynamic_cast<const Container<short>*>(data)) return "short:" + std::to_string(s->value());
    if (auto* l = dynamic_cast<const Container<long>*>(data)) return "long:" + std::to_string(l->value());
    if (auto* r = dynamic_cast<const TrackedReply*>(data)) return "reply:" + std::to_string(r->value());
    if (auto* f = dynamic_cast<const Container<ReceiveAllData>*>(data)) {
        const ReceiveAllData* fwd = f->valuePtr();
        return "forward(" + std::string(fwd->bus ? fwd->bus->nameText() : "null") +
               "):" + describePayload(fwd->data);
    }
    return data->typeName();
}

BusRecorder& BusRecorder::instance() {
    static BusRecorder recorder;
    return recorder;
}

void BusRecorder::reset() {
    calls_.clear();
    actions_.clear();
}

void BusRecorder::forget(Component* target) {
    for (auto it = actions_.begin(); it != actions_.end();)
        it = it->first.first == target ? actions_.erase(it) : std::next(it);
}

void BusRecorder::record(Component* target, int handler, BusMessage event, ContainerBase* data) {
    RecordedCall call;
    call.target = target;
    call.targetName = target ? target->getName() : "null";
    call.handler = handler;
    call.event = event.id();
    call.mode = event.mode();
    call.payload = describePayload(data);
    calls_.push_back(std::move(call));
}

ContainerBase* BusRecorder::act(Component* target, int handler, BusMessage event, ContainerBase* data) {
    auto it = actions_.find({target, handler});
    if (it == actions_.end()) return nullptr;
    // A copy: the action may replace or forget actions while it runs.
    Action action = it->second;
    return action(target, event, data);
}

std::vector<std::string> BusRecorder::labels() const {
    std::vector<std::string> out;
    for (const RecordedCall& c : calls_)
        out.push_back(c.label());
    return out;
}

BusRecorder::Action replyWith(short value) {
    return
        [value](Component*, BusMessage, ContainerBase*) -> ContainerBase* { return new TrackedReply(value); };
}

Probe::~Probe() {
    BusRecorder::instance().forget(this);
}

} // namespace vael::test
