#pragma once
// One queued delivery of one message to one handler on the application's task queue. A task owns a copy
// of the payload; copying a task copies the payload again.
#include <cstdint>
#include <utility>

#include "framework/core/callback.h"

namespace vael {

class CBtask {
public:
    static constexpr std::uint32_t NoSerial = 0xFFFFFFFFu; // the serial of a send
    static constexpr std::uint32_t SendTask = 1;
    static constexpr std::uint32_t QueryTask = 2;

    CBtask() = default;
    // Copies data (null stays null).
    CBtask(Component* origin, const Callback& callback, BusMessage event, const ContainerBase* data,
           std::uint32_t serial);
    CBtask(const CBtask& other);
    CBtask& operator=(const CBtask& other);
    // Moving hands over the payload and the reply; the queue moves every task out once, so these are inline.
    CBtask(CBtask&& o) noexcept
        : origin(o.origin), callback(o.callback), data(std::exchange(o.data, nullptr)),
          result(std::exchange(o.result, nullptr)), sequence(o.sequence), event(o.event), serial(o.serial),
          kind(o.kind), done(o.done) {}
    CBtask& operator=(CBtask&& o) noexcept {
        if (this == &o) return *this;
        delete data;
        delete result;
        origin = o.origin;
        callback = o.callback;
        event = o.event;
        data = std::exchange(o.data, nullptr);
        serial = o.serial;
        kind = o.kind;
        done = o.done;
        result = std::exchange(o.result, nullptr);
        sequence = o.sequence;
        return *this;
    }
    ~CBtask() {
        delete data;
        delete result;
    }

    // The same delivery: origin, target and handler, and event id.
    bool operator==(const CBtask& o) const {
        return origin == o.origin && callback == o.callback && event.id() == o.event.id();
    }

    // Calls the handler with the target, the event word and the payload; answers its reply.
    ContainerBase* run() { return callback.call(event, data); }

    // (The pointers come first so that a task fills one cache line.)
    Component* origin = nullptr; // the sender of a handler task; the forwarding bus of a hook task
    Callback callback;
    ContainerBase* data = nullptr;
    ContainerBase* result = nullptr; // the reply kept for a waiting query
    // Tells one queued task from every other, also from an equal one (a handler connected twice).
    std::uint64_t sequence = 0;
    BusMessage event;
    std::uint32_t serial = NoSerial;
    std::uint32_t kind = SendTask;
    std::uint16_t done = 0;
};

} // namespace vael
