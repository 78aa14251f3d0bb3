#include "support/bus_recorder.h"

#include "framework/core/bus.h"

namespace vael::test {

std::string describePayload(const ContainerBase* data) {
    if (!data) return "null";
    if (auto* s = dynamic_cast<const Container<short>*>(data)) return "short:" + std::to_string(s->value());
    if (auto* l = dynamic_cast<const Container<long>*>(data)) return "long:" + std::to_string(l->value());
    if (auto* r = dynamic_cast<const TrackedReply*>(data)) return "reply:" + std::to_string(r->value);
    if (auto* box = dynamic_cast<const Container<ReceiveAllData>*>(data)) {
        const ReceiveAllData* f = box->valuePtr();
        return "forward(" + std::string(f->bus ? f->bus->nameText() : "null") +
               "):" + describePayload(f->data);
    }
    return data->typeName();
}

BusRecorder& BusRecorder::instance() {
    static BusRecorder recorder;
    return recorder;
}

ContainerBase* BusRecorder::call(Component* target, int handler, BusMessage event, ContainerBase* data) {
    static const char* const modes[] = {"-", "now", "query", "send"};
    const std::string label = (target ? target->getName() : "null") + ".h" + std::to_string(handler);
    calls.push_back({target, handler, event.id(), label,
                     label + " " + modes[event.mode() & 3] + " " + describePayload(data)});
    auto it = actions.find({target, handler});
    // A copy: the action may replace or forget actions while it runs.
    const Action action = it == actions.end() ? Action() : it->second;
    return action ? action(target, event, data) : nullptr;
}

Labels BusRecorder::labels() const {
    Labels out;
    for (const RecordedCall& c : calls)
        out.push_back(c.label);
    return out;
}

Labels BusRecorder::traces() const {
    Labels out;
    for (const RecordedCall& c : calls)
        out.push_back(c.trace);
    return out;
}

BusRecorder::Action replyWith(short value) {
    return
        [value](Component*, BusMessage, ContainerBase*) -> ContainerBase* { return new TrackedReply(value); };
}

BusRecorder::Action does(std::function<void(Component*)> step) {
    return
        [step](Component* self, BusMessage, ContainerBase*) -> ContainerBase* { return step(self), nullptr; };
}

Labels run(const std::function<void()>& step) {
    rec().calls.clear();
    step();
    return rec().labels();
}

std::string trail(const std::function<void()>& step) {
    std::string out;
    for (const std::string& label : run(step))
        out +=
            (out.empty() ? "" : " ") + (label.ends_with(".h1") ? label.substr(0, label.size() - 3) : label);
    return out;
}

void connectAll(std::initializer_list<std::tuple<Component*, BusMessage, HandlerFunction>> hookups) {
    for (auto [component, event, handler] : hookups)
        component->connect(event, handler);
}

List<short> idList(std::initializer_list<short> ids) {
    List<short> out;
    for (short id : ids)
        out.append(id);
    return out;
}

Reply takeReply(ContainerBase* reply) {
    auto* tracked = dynamic_cast<const TrackedReply*>(reply);
    const Reply out(!reply ? -1 : tracked ? tracked->value : -2, TrackedReply::live);
    delete reply;
    return out;
}

Answers takeAnswers(List<VectorBusResponse> answers) {
    Answers out;
    for (VectorBusResponse r; answers.removeFirst(r);)
        out.emplace_back(r.componentId, takeReply(r.result).first);
    return out;
}

} // namespace vael::test
