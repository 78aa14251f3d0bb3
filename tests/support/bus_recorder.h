#pragma once
// Test support: records which handler ran, on which component, with what event word and payload, in the
// order of the calls, and lets a test script what each handler does and answers. Handlers are plain
// functions (as the bus wants them); what a handler does for a component is looked up here.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "framework/core/component.h"

namespace vael::test {

using Labels = std::vector<std::string>;
using Answers = std::vector<std::pair<int, short>>; // (componentId, reply value) of a directed query
using Reply = std::pair<short, int>;                // (reply value, live replies while it was held)

struct RecordedCall {
    Component* target;
    int handler;        // N of handler<N>
    std::int32_t event; // 28-bit id
    std::string label;  // "target.hN"
    std::string trace;  // "target.hN mode payload", the mode as "-", "now", "query" or "send"
};

// "null", "short:5", "long:7", "reply:3", "forward(<bus>):<payload>" or the box's type name.
std::string describePayload(const ContainerBase* data);

struct BusRecorder {
    // What a handler does after its call is recorded; its result is the handler's reply. No action (or an
    // empty one) answers null.
    using Action = std::function<ContainerBase*(Component* target, BusMessage event, ContainerBase* data)>;

    static BusRecorder& instance();
    void reset() { calls.clear(), actions.clear(); }
    void on(Component* target, int handler, Action action) { actions[{target, handler}] = std::move(action); }
    void on(std::initializer_list<std::tuple<Component*, int, Action>> scripts) {
        for (const auto& [target, handler, action] : scripts)
            on(target, handler, action);
    }
    ContainerBase* call(Component* target, int handler, BusMessage event, ContainerBase* data);
    Labels labels() const;
    Labels traces() const;
    template <int N> static ContainerBase* handler(Component* target, BusMessage event, ContainerBase* data) {
        return instance().call(target, N, event, data);
    }

    std::vector<RecordedCall> calls;
    std::map<std::pair<Component*, int>, Action> actions;
};

inline BusRecorder& rec() {
    return BusRecorder::instance();
}
inline constexpr HandlerFunction h1 = &BusRecorder::handler<1>, h2 = &BusRecorder::handler<2>,
                                 h3 = &BusRecorder::handler<3>, h4 = &BusRecorder::handler<4>,
                                 h5 = &BusRecorder::handler<5>, h6 = &BusRecorder::handler<6>;

// A reply box that counts the live instances, so that tests can pin which replies were deleted.
class TrackedReply : public ContainerBase {
public:
    explicit TrackedReply(short v) : value(v) { ++live; }
    ~TrackedReply() override { --live; }
    ContainerBase* clone() const override { return new TrackedReply(value); }
    std::uint16_t typeId() const override { return RegisteredMessage::getId(typeName()); }
    std::string typeName() const override { return "TrackedReply"; }
    const short value;
    static inline int live = 0;
};

// Actions: answer a fresh TrackedReply of the value; run a step and answer null.
BusRecorder::Action replyWith(short value);
BusRecorder::Action does(std::function<void(Component* self)> step);
// The labels of the calls the step makes; trail joins them with blanks and leaves out the ".h1" of
// handler 1 ("L R.h2 P").
Labels run(const std::function<void()>& step);
std::string trail(const std::function<void()>& step);
// Connects each (component, event, handler) in turn.
void connectAll(std::initializer_list<std::tuple<Component*, BusMessage, HandlerFunction>> hookups);
List<short> idList(std::initializer_list<short> ids);
template <class T> std::vector<T> valuesOf(const List<T>& list) {
    std::vector<T> out;
    Item<T>* it = nullptr;
    for (list.firstItem(it); it; it = it->next)
        out.push_back(it->value);
    return out;
}
// Delete the answer(s) after taking what a test compares: a TrackedReply's value, -1 for null, -2 for
// another box.
Reply takeReply(ContainerBase* reply);
Answers takeAnswers(List<VectorBusResponse> answers);

// A plain component whose set-up a test scripts; it counts how often it was set up.
class Probe : public Component {
public:
    explicit Probe(const char* name = "Probe") : Component(name) {}
    ~Probe() override {
        std::erase_if(rec().actions, [this](const auto& action) { return action.first.first == this; });
    }
    void connectHandlers() override {
        ++connectCount;
        if (setup) setup(*this);
    }
    std::int16_t acceptsEvent(ContainerBase* data) override { return accepts ? accepts(data) : 0; }
    int connectCount = 0;
    std::function<void(Probe&)> setup;
    std::function<std::int16_t(ContainerBase*)> accepts;
};

// Starts and ends with a clean recorder, and fails a test that leaked or kept a reply.
class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override { rec().reset(); }
    void TearDown() override {
        rec().reset();
        EXPECT_EQ(TrackedReply::live, 0) << "a reply was leaked or kept";
    }
};

} // namespace vael::test
