#pragma once
// A handler function and the records that carry one: a registration (Callback) and one answer of a
// directed query (VectorBusResponse).
#include <cstdint>

#include "framework/core/bus_message.h"
#include "framework/core/container.h"

namespace vael {

class Component;

// Called with the component that registered it, the event word (its top four bits carry the dispatch
// mode) and the payload box. Answers null or a reply box allocated for the occasion, which belongs to
// whoever receives it: the bus deletes the replies of sends, the caller of a query deletes its answer.
using HandlerFunction = ContainerBase* (*)(Component* target, BusMessage event, ContainerBase* data);

struct Callback {
    Component* component = nullptr;
    HandlerFunction handler = nullptr;

    Callback() = default;
    Callback(Component* c, HandlerFunction h) : component(c), handler(h) {}

    bool operator==(const Callback& o) const { return component == o.component && handler == o.handler; }

    ContainerBase* call(BusMessage event, ContainerBase* data) const {
        return handler(component, event, data);
    }
};

struct VectorBusResponse {
    std::uint16_t componentId = 0;
    ContainerBase* result = nullptr; // the caller's to delete

    VectorBusResponse() = default;
    VectorBusResponse(std::uint16_t id, ContainerBase* r) : componentId(id), result(r) {}

    bool operator==(const VectorBusResponse& o) const {
        return componentId == o.componentId && result == o.result;
    }
};

} // namespace vael
