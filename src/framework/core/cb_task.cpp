#include "framework/core/cb_task.h"

namespace vael {

namespace {
ContainerBase* copyOf(const ContainerBase* data) {
    return data ? data->clone() : nullptr;
}
} // namespace

CBtask::CBtask(Component* origin, const Callback& callback, BusMessage event, const ContainerBase* data,
               std::uint32_t serial)
    : origin(origin), callback(callback), data(copyOf(data)), event(event), serial(serial) {}

// A copy is a fresh delivery: it has not run and holds no reply.
CBtask::CBtask(const CBtask& o)
    : origin(o.origin), callback(o.callback), data(copyOf(o.data)), sequence(o.sequence), event(o.event),
      serial(o.serial), kind(o.kind) {}

CBtask::CBtask(CBtask&& o) noexcept
    : origin(o.origin), callback(o.callback), data(std::exchange(o.data, nullptr)),
      result(std::exchange(o.result, nullptr)), sequence(o.sequence), event(o.event), serial(o.serial),
      kind(o.kind), done(o.done) {}

CBtask& CBtask::operator=(const CBtask& o) {
    if (this == &o) return *this;
    CBtask copy(o);
    return *this = std::move(copy);
}

CBtask& CBtask::operator=(CBtask&& o) noexcept {
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

CBtask::~CBtask() {
    delete data;
    delete result;
}

} // namespace vael
