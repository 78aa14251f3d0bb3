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
    CBtask(CBtask&& other) noexcept;
    CBtask& operator=(const CBtask& other);
    CBtask& operator=(CBtask&& other) noexcept;
    ~CBtask();

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
