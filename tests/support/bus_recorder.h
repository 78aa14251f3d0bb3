#pragma once
// Test support: records which handler ran, on which component, with what event word and payload, in the
// order of the calls, and lets a test script what each handler does and answers. Handlers are plain
// functions (as the bus wants them); what a handler does for a component is looked up here.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/component.h"

namespace vael::test {

struct RecordedCall {
    Component* target = nullptr;
    std::string targetName;
    int handler = 0;        // N of handler<N>
    std::int32_t event = 0; // 28-bit id
    std::uint8_t mode = 0;  // dispatch mode of the word the handler got
    std::string payload;    // describePayload of what the handler got

    // "target.hN", the form the order tests compare.
    std::string label() const { return targetName + ".h" + std::to_string(handler); }
};

// "null", "short:5", "long:7", "reply:3", "forward(<bus>):<payload>" or the box's type name.
std::string describePayload(const ContainerBase* data);

class BusRecorder {
public:
    // What a handler does after its call is recorded; its result is the handler's reply.
    using Action = std::function<ContainerBase*(Component* target, BusMessage event, ContainerBase* data)>;

    static BusRecorder& instance();

    // Forgets every call and every action.
    void reset();
    void on(Component* target, int handler, Action action) {
        actions_[{target, handler}] = std::move(action);
    }
    void forget(Component* target);

    void record(Component* target, int handler, BusMessage event, ContainerBase* data);
    ContainerBase* act(Component* target, int handler, BusMessage event, ContainerBase* data);

    const std::vector<RecordedCall>& calls() const { return calls_; }
    std::vector<std::string> labels() const;
    void clearCalls() { calls_.clear(); }

    template <int N> static ContainerBase* handler(Component* target, BusMessage event, ContainerBase* data) {
        instance().record(target, N, event, data);
        return instance().act(target, N, event, data);
    }

private:
    std::vector<RecordedCall> calls_;
    std::map<std::pair<Component*, int>, Action> actions_;
};

inline constexpr HandlerFunction h1 = &BusRecorder::handler<1>;
inline constexpr HandlerFunction h2 = &BusRecorder::handler<2>;
inline constexpr HandlerFunction h3 = &BusRecorder::handler<3>;
inline constexpr HandlerFunction h4 = &BusRecorder::handler<4>;
inline constexpr HandlerFunction h5 = &BusRecorder::handler<5>;
inline constexpr HandlerFunction h6 = &BusRecorder::handler<6>;

// A reply box that counts the live instances, so that tests can pin which replies were deleted.
class TrackedReply : public ContainerBase {
public:
    explicit TrackedReply(short value) : value_(value) { ++live_; }
    ~TrackedReply() override { --live_; }
    ContainerBase* clone() const override { return new TrackedReply(value_); }
    std::uint16_t typeId() const override;
    std::string typeName() const override { return "TrackedReply"; }
    short value() const { return value_; }
    static int live() { return live_; }
    // The value of a reply that is a TrackedReply; -1 for null, -2 for any other box.
    static short valueOf(const ContainerBase* reply);

private:
    short value_;
    static int live_;
};

// An action that answers a fresh TrackedReply of the value.
BusRecorder::Action replyWith(short value);

// A plain component whose set-up a test scripts; it counts how often it was set up.
class Probe : public Component {
public:
    explicit Probe(const char* name = "Probe") : Component(name) {}
    ~Probe() override;
    void connectHandlers() override {
        ++connectCount;
        if (setup) setup(*this);
    }
    std::int16_t acceptsEvent(ContainerBase* data) override { return accepts ? accepts(data) : 0; }

    int connectCount = 0;
    std::function<void(Probe&)> setup;
    std::function<std::int16_t(ContainerBase*)> accepts;
};

} // namespace vael::test
