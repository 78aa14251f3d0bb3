#include "framework/core/application.h"

#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "framework/core/assertion.h"
#include "framework/core/registered_message.h"

namespace vael {

Application* Application::current_ = nullptr;

namespace {
// Every query gets the next number, also one for event 0 that queues nothing.
std::uint32_t querySerial = 0;

ContainerBase* copyOf(const ContainerBase* data) {
    return data ? data->clone() : nullptr;
}
} // namespace

std::uint32_t Application::lastQuerySerial() {
    return querySerial;
}

Application::Application() : AsynchronousBus("GlobalApp") {
    current_ = this;
    TimerCallback::resetShared();
    // The core's messages to the user (a type that cannot travel, say) are shown by this application.
    previousMessageBox_ =
        setMessageBox([this](const std::string& text, const std::string& title, std::uint32_t style) {
            return messageBox(text, title, static_cast<std::uint16_t>(style));
        });
}

Application::~Application() {
    OIFCount* entry = nullptr;
    while (imageLibraries_.removeFirst(entry))
        delete entry;
    if (clearRegistryOnDestruction_) RegisteredMessage::clearRegistry();
    if (palette_ && destroyPalette_) destroyPalette_(palette_);
    palette_ = nullptr;
    if (current_ == this) {
        current_ = nullptr;
        setMessageBox(std::move(previousMessageBox_));
    }
    TimerCallback::resetShared();
    // Tasks still queued go with the queue without running.
}

// The task queue.

inline CBtask& Application::enqueue(Component* origin, const Callback& callback, BusMessage event,
                                    ContainerBase* ownedData, std::uint32_t serial, std::uint32_t kind) {
    // The task is made in its queue slot, so that its payload is copied once only.
    std::unique_ptr<ContainerBase> data(ownedData);
    CBtask& task = taskQueue_.append();
    task.origin = origin;
    task.callback = callback;
    task.event = event;
    task.data = data.release();
    task.serial = serial;
    task.kind = kind;
    task.sequence = ++nextSequence_;
    return task;
}

CBtask* Application::enqueueHooks(Component* sender, BusMessage event, ContainerBase* data,
                                  const List<ReceiveAllCallback>& hooks, Bus* bus, std::uint32_t serial,
                                  std::uint32_t kind) {
    CBtask* last = nullptr;
    // In hook order; their origin is the forwarding bus.
    Item<ReceiveAllCallback>* hook = nullptr;
    for (hooks.firstItem(hook); hook; hook = hook->next) {
        const ReceiveAllCallback& h = hook->value;
        if (!h.component || h.skips(sender, event)) continue;
        HandlerFunction fn = kind == CBtask::QueryTask ? h.queryFn : h.sendFn;
        if (!fn) continue;
        std::unique_ptr<Container<ReceiveAllData>> forwarded(new Container<ReceiveAllData>());
        forwarded->valuePtr()->bus = bus;
        forwarded->valuePtr()->data = copyOf(data);
        last = &enqueue(bus, Callback(h.component, fn), event, forwarded.release(), serial, kind);
    }
    return last;
}

inline CBtask* Application::enqueueDispatch(Component* sender, BusMessage event, ContainerBase* data,
                                            const List<ReceiveAllCallback>& hooks,
                                            const List<Callback>& handlers, Bus* bus, std::uint32_t serial,
                                            std::uint32_t kind) {
    // Hook tasks first, then one task per handler, in registration order.
    CBtask* last = hooks.isEmpty() ? nullptr : enqueueHooks(sender, event, data, hooks, bus, serial, kind);
    Item<Callback>* cb = nullptr;
    for (handlers.firstItem(cb); cb; cb = cb->next) {
        if (!cb->value.component) continue; // removed while its list was being walked
        last = &enqueue(sender, cb->value, event, copyOf(data), serial, kind);
    }
    return last;
}

// drainQueue, made part of post, which drains after nearly every send made outside a handler.
[[gnu::always_inline]] inline void Application::drain() {
    ++dispatchDepth_;
    struct Leave {
        std::int16_t& depth;
        ~Leave() { --depth; }
    } leave{dispatchDepth_};
    do {
        messageWaiting();
        if (!taskQueue_.isEmpty()) runFirstTask();
    } while (!taskQueue_.isEmpty());
}

void Application::post(Component* sender, BusMessage event, ContainerBase* data,
                       const List<ReceiveAllCallback>& hooks, const List<Callback>& handlers, Bus* bus) {
    if (event.id() == NULL_EVENT) return;
    event.setMode(BusMessage::Send);
    enqueueDispatch(sender, event, data, hooks, handlers, bus, CBtask::NoSerial, CBtask::SendTask);
    if (dispatchDepth_ < 1) drain();
}

ContainerBase* Application::query(Component* sender, BusMessage event, ContainerBase* data,
                                  const List<ReceiveAllCallback>& hooks, const List<Callback>& handlers,
                                  Bus* bus) {
    const std::uint32_t serial = ++querySerial;
    if (event.id() == NULL_EVENT) return nullptr;
    event.setMode(BusMessage::Query);
    const CBtask* last =
        enqueueDispatch(sender, event, data, hooks, handlers, bus, serial, CBtask::QueryTask);
    if (!last) return nullptr;

    // What the query waits for: its own last task, known by its sequence number (an equal task, such as
    // a handler connected twice, must not end the wait early).
    CBtask pending;
    pending.origin = last->origin;
    pending.callback = last->callback;
    pending.event = last->event;
    pending.serial = serial;
    pending.kind = CBtask::QueryTask;
    pending.sequence = last->sequence;
    pendingQueries_.append(&pending);
    struct Unregister {
        List<CBtask*>& list;
        CBtask* entry;
        ~Unregister() { list.remove(entry); }
    } unregister{pendingQueries_, &pending};

    // The queue runs from its head: tasks queued earlier by others run first, later ones stay queued.
    while (!pending.done && !taskQueue_.isEmpty())
        dispatchOne();
    ContainerBase* answer = pending.result;
    pending.result = nullptr;
    return answer;
}

inline void Application::runFirstTask() {
    // Off the queue before it runs: its handler may run the queue itself. The fields are read one by one
    // rather than as a whole task: a task is mostly run right after it was queued field by field, and a
    // wide copy of it would have to wait for those writes to settle.
    CBtask& first = taskQueue_.first();
    const Callback callback = first.callback;
    const BusMessage event = first.event;
    const std::uint32_t kind = first.kind;
    Component* const origin = first.origin;
    const std::uint32_t serial = first.serial;
    const std::uint64_t sequence = first.sequence;
    const std::unique_ptr<ContainerBase> data(std::exchange(first.data, nullptr));
    taskQueue_.dropFirst();
    std::unique_ptr<ContainerBase> reply(callback.call(event, data.get()));
    if (kind == CBtask::QueryTask) answerQuery(origin, event, serial, sequence, reply);
    // A reply nobody waits for (that of a send, or of a query already answered) is deleted here, and the
    // task's payload with it.
}

void Application::answerQuery(Component* origin, BusMessage event, std::uint32_t serial,
                              std::uint64_t sequence, std::unique_ptr<ContainerBase>& reply) {
    Item<CBtask*>* it = nullptr;
    for (pendingQueries_.firstItem(it); it; it = it->next) {
        CBtask* p = it->value;
        if (p->origin != origin || p->event.id() != event.id() || p->serial != serial) continue;
        if (reply) {
            delete p->result; // a later reply replaces an earlier one
            p->result = reply.release();
        }
        if (p->sequence == sequence) p->done = 1;
        break;
    }
}

void Application::dispatchOne() {
    messageWaiting();
    if (!taskQueue_.isEmpty()) runFirstTask();
}

void Application::drainQueue() {
    drain();
}

// Termination.

std::int16_t Application::canTerminate() {
    std::int16_t answer = 1;
    // Every handler is asked, also after one has refused; a handler removed by an earlier one is not.
    const List<Callback> asked = terminateHandlers_;
    Item<Callback>* it = nullptr;
    for (asked.firstItem(it); it; it = it->next) {
        if (!terminateHandlers_.contains(it->value)) continue;
        Container<short> none(0);
        std::unique_ptr<ContainerBase> reply(it->value.call(BusMessage(CAN_TERMINATE), &none));
        // Only a boxed 0 refuses; no reply (or one of another kind) lets the program end.
        short agrees = 1;
        if (reply) Container<short>::fromMessage(reply.get(), agrees);
        if (agrees == 0) answer = 0;
    }
    return answer;
}

void Application::addTerminateHandler(const Callback& callback) {
    terminateHandlers_.append(callback);
}

void Application::removeTerminateHandler(const Callback& callback) {
    terminateHandlers_.remove(callback);
}

void Application::removeTerminateHandlersOf(Component* component) {
    const List<Callback> all = terminateHandlers_;
    Item<Callback>* it = nullptr;
    for (all.firstItem(it); it; it = it->next)
        if (it->value.component == component) terminateHandlers_.remove(it->value);
}

void Application::forgetComponent(Component* component) {
    // Tasks addressed to it would run on freed memory. Tasks it sent still run.
    taskQueue_.removeIf([component](const CBtask& task) { return task.callback.component == component; });
    removeTerminateHandlersOf(component);
    for (TimerCallback& slot : timers_)
        if (slot.state != TimerCallback::Free && slot.callback.component == component)
            killTimer(slot.callback);
}

// Timers.

void Application::addTimer(const Callback& callback, std::uint16_t rate, std::uint16_t state) {
    if (rate == 0 || rate > 1000) {
        Assertion::fail("Timer rate " + std::to_string(rate) + " is outside 1 to 1000 calls per second",
                        "application.cpp", __LINE__);
        return;
    }
    const std::uint32_t period = 1000u / rate;
    const std::uint32_t initial =
        state == TimerCallback::Paused ? TimerCallback::Paused : TimerCallback::Running;
    for (TimerCallback& slot : timers_) {
        if (slot.state != TimerCallback::Free) continue;
        if (slot.set(callback, period, initial) == 0) {
            if (systemTimerId_) stopTimer();
            startTimer(static_cast<std::uint16_t>(period));
        }
        return;
    }
    // A seventeenth timer is not added.
}

void Application::restartSystemTimer() {
    stopTimer();
    if (TimerCallback::activeCount == 0) return;
    for (TimerCallback& slot : timers_)
        if (slot.state != TimerCallback::Free) slot.updateMinimum(); // paused slots count
    startTimer(static_cast<std::uint16_t>(TimerCallback::minimumPeriod));
}

void Application::killTimer(const Callback& callback) {
    for (TimerCallback& slot : timers_) {
        if (slot.state == TimerCallback::Free || !(slot.callback == callback)) continue;
        if (slot.clear() == 0) restartSystemTimer();
        return;
    }
}

void Application::pauseTimer(const Callback& callback) {
    for (TimerCallback& slot : timers_)
        if (slot.state == TimerCallback::Running && slot.callback == callback) {
            slot.state = TimerCallback::Paused;
            return;
        }
}

void Application::resumeTimer(const Callback& callback) {
    for (TimerCallback& slot : timers_)
        if (slot.state == TimerCallback::Paused && slot.callback == callback) {
            slot.state = TimerCallback::Running;
            return;
        }
}

int Application::timerSlot(const Callback& callback) const {
    for (int slot = 0; slot < TimerSlots; ++slot)
        if (timers_[slot].state != TimerCallback::Free && timers_[slot].callback == callback) return slot;
    return -1;
}

void Application::setTimerElapsed(const Callback& callback, std::uint16_t elapsed) {
    if (const int slot = timerSlot(callback); slot >= 0)
        timers_[slot].elapsed = static_cast<std::uint16_t>(elapsed % timers_[slot].period);
}

void Application::tickTimers(std::uint32_t time) {
    tickTimersAfter(-1, time);
}

void Application::tickTimersAfter(int slot, std::uint32_t time) {
    // -1 counts every timer; a slot below it would be read before the table.
    if (slot < -1) {
        Assertion::fail("Timer slot " + std::to_string(slot) + " is below the first", "application.cpp",
                        __LINE__);
        return;
    }
    // A handler may run a loop of its own that ticks the timers again: the outer tick is told again after,
    // also when a handler's failed check is answered with abort.
    struct Outer {
        Application& app;
        int slot;
        std::uint32_t time;
        ~Outer() { app.tickingSlot_ = slot, app.tickingTime_ = time; }
    } outer{*this, tickingSlot_, std::exchange(tickingTime_, time)};
    for (int i = slot + 1; i < TimerSlots; ++i) {
        if (timers_[i].state != TimerCallback::Running) continue;
        tickingSlot_ = i;
        timers_[i].tick(time);
    }
}

// Odds and ends.

std::string& Application::dataPath(std::int16_t) {
    return dataPath_;
}

void Application::beginWait() {
    busy_ = 1;
    setCursor(waitCursor_);
}

void Application::setPalette(LogicalPalette* palette, void (*destroy)(LogicalPalette*)) {
    if (palette_ && palette_ != palette && destroyPalette_) destroyPalette_(palette_);
    palette_ = palette;
    destroyPalette_ = destroy;
}

// Image archives.

OIFCount* Application::findImageLibrary(const std::string& name) const {
    Item<OIFCount*>* it = nullptr;
    for (imageLibraries_.firstItem(it); it; it = it->next)
        if (it->value->name() == name) return it->value;
    return nullptr;
}

std::int16_t Application::imageLibraryCount(const std::string& name) const {
    const OIFCount* entry = findImageLibrary(name);
    return entry ? entry->count() : 0;
}

void Application::loadImageLibrary(OIFBase& library) {
    if (OIFCount* entry = findImageLibrary(library.name())) {
        entry->addRef(library);
        return;
    }
    std::unique_ptr<OIFBase> fresh(library.clone(library.name()));
    findInMapFile(fresh.get());
    auto* entry = new OIFCount(fresh.release());
    imageLibraries_.append(entry);
    entry->addRef(library);
}

void Application::loadImageLibraryFromIndex(OIFBase& library, const std::uint8_t*& cursor,
                                            const std::uint8_t* end) {
    std::unique_ptr<OIFBase> fresh(library.clone(library.name()));
    findDataFile(fresh.get(), cursor, end);
    auto* entry = new OIFCount(fresh.release());
    imageLibraries_.append(entry);
    entry->addRef(library);
}

void Application::releaseImageLibrary(OIFBase& library) {
    OIFCount* entry = findImageLibrary(library.name());
    if (!entry || entry->release() != 1) return;
    // Only the list's own reference is left.
    imageLibraries_.remove(entry);
    delete entry;
}

// Mouse hover.

void Application::setDisplayUnderMouse(Display* display, const Point& point, std::int16_t delay) {
    hoverCount_ = 0;
    hoverDelay_ = delay;
    mousePoint_ = point;
    if (display == displayUnderMouse_) return;
    if (displayUnderMouse_) routeMouseEvent(displayUnderMouse_, MouseLeave, point);
    displayUnderMouse_ = display;
    if (display) routeMouseEvent(display, MouseEnter, point);
}

void Application::forgetDisplayUnderMouse(Display* display) {
    if (displayUnderMouse_ == display) displayUnderMouse_ = nullptr;
}

ContainerBase* Application::hoverTimer(Component* target, BusMessage, ContainerBase*) {
    if (auto* app = dynamic_cast<Application*>(target)) app->hoverTick();
    return nullptr;
}

void Application::hoverTick() {
    // The count stops short of wrapping, so a mouse left still for hours never hovers a second time.
    if (hoverCount_ < std::numeric_limits<std::int16_t>::max()) ++hoverCount_;
    if (hoverCount_ == hoverDelay_ && displayUnderMouse_)
        routeMouseEvent(displayUnderMouse_, MouseHover, mousePoint_);
}

} // namespace vael
