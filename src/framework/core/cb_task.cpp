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

CBtask& CBtask::operator=(const CBtask& o) {
    if (this == &o) return *this;
    CBtask copy(o);
    return *this = std::move(copy);
}

} // namespace vael
