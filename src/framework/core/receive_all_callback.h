#pragma once
// A receive-all hook, which joins a bus to a neighbour in the bus tree, and the payload a hook forwards.
#include <cstdint>
#include <utility>

#include "framework/core/callback.h"
#include "framework/core/list.h"

namespace vael {

class Bus;

// Hook directions: a hook on a child bus that forwards up to its parent, a hook on a parent that forwards
// down to a child, and a hook that belongs to neither (the default).
enum HookDirection : std::uint32_t { ToParent = 0, ToChild = 1, AnyDirection = 2 };

struct ReceiveAllCallback {
    Component* component = nullptr; // the bus the hook forwards to; null marks a hook removed mid-walk
    HandlerFunction sendFn = nullptr;
    HandlerFunction queryFn = nullptr;
    HandlerFunction nowFn = nullptr;
    List<BusMessage> excluded; // events this hook does not forward (compared by id)
    std::uint32_t direction = AnyDirection;

    ReceiveAllCallback() = default;
    ReceiveAllCallback(Component* c, HandlerFunction s, HandlerFunction q, HandlerFunction n, std::uint32_t d)
        : component(c), sendFn(s), queryFn(q), nowFn(n), direction(d) {}

    // The excluded list and the direction do not make two hooks different.
    bool operator==(const ReceiveAllCallback& o) const {
        return component == o.component && sendFn == o.sendFn && queryFn == o.queryFn && nowFn == o.nowFn;
    }

    // Whether this hook stays silent for an event dispatched on behalf of sender: a hook never sends an
    // event back to where it came from, nor an event it excludes, nor one its component refuses from
    // that direction.
    bool skips(const Component* sender, BusMessage event) const;
};

// What a hook hands on: the bus that forwards the event and a copy of the payload made for this one
// forwarding. The record owns its copy: copying the record copies the payload, and destroying it
// deletes it, so a forwarding that never runs (a task dropped from the queue) leaks nothing. Whoever
// takes the record out of its box owns what they took.
struct ReceiveAllData {
    Bus* bus = nullptr;
    ContainerBase* data = nullptr;

    ReceiveAllData() = default;
    ReceiveAllData(Bus* b, const ContainerBase* payload)
        : bus(b), data(payload ? payload->clone() : nullptr) {}
    ReceiveAllData(const ReceiveAllData& o) : bus(o.bus), data(o.data ? o.data->clone() : nullptr) {}
    ReceiveAllData(ReceiveAllData&& o) noexcept : bus(o.bus), data(std::exchange(o.data, nullptr)) {}
    ReceiveAllData& operator=(ReceiveAllData o) noexcept {
        bus = o.bus;
        std::swap(data, o.data);
        return *this;
    }
    ~ReceiveAllData() { delete data; }

    // Copies the record out of a box of ReceiveAllData and answers 1; answers 0 for any other box.
    static std::int16_t fromPayload(const ContainerBase* box, ReceiveAllData& out);
    // The record inside a box of ReceiveAllData, left in the box; null for any other box.
    static ReceiveAllData* inPayload(ContainerBase* box);
};

VAEL_TYPE_NAME(ReceiveAllData, "ReceiveAllData");

} // namespace vael
