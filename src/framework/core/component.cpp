#include "framework/core/component.h"

#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/bus.h"
#include "framework/core/registered_message.h"

namespace vael {

namespace {
BusMessage named(const std::string& name) {
    return BusMessage(RegisteredMessage::getId(name));
}
} // namespace

Component::Component(const char* name) : name_(name ? name : "") {}

Component::~Component() {
    // A bus has already let go of itself in its own destructor; the plain form is enough here.
    Component::detach();
    // Queued deliveries, CAN_TERMINATE handlers and timers of a component that is gone would call into
    // freed memory; a component that is only detached keeps them.
    if (Application* app = Application::instance(); app && app != this) app->forgetComponent(this);
}

std::int16_t Component::relaySend(BusMessage, ContainerBase*, Component*) {
    return 0;
}
std::int16_t Component::relayQuery(BusMessage, ContainerBase*, Component*, ContainerBase*&) {
    return 0;
}
std::int16_t Component::relayNow(BusMessage, ContainerBase*, Component*, ContainerBase*&) {
    return 0;
}

void Component::onDetached() {
    bus_ = nullptr;
}

void Component::hookReceiveAll(HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn,
                               std::uint32_t direction) {
    if (Bus* b = busForDispatch("hook the events of its bus"))
        b->addReceiveAll(this, sendFn, queryFn, nowFn, direction);
}

void Component::unhookReceiveAll(HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn) {
    if (bus_) bus_->removeReceiveAll(this, sendFn, queryFn, nowFn);
}

void Component::attach(Bus& bus) {
    if (bus_) detach();
    // The id comes first: a bus that has none left refuses the component, which then stays unattached.
    if (!bus.addComponent(this)) return;
    bus_ = &bus;
    connectHandlers();
}

void Component::detach() {
    if (!bus_) return;
    bus_->removeComponent(this);
    onDetached();
}

std::int16_t Component::acceptsEvent(ContainerBase*) {
    return 0;
}

Bus* Component::busForDispatch(const char* operation) const {
    if (!bus_)
        Assertion::fail("Component \"" + name_ + "\" cannot " + operation + ": it is not attached to a bus",
                        "component.cpp", __LINE__);
    return bus_;
}

// Sends.
void Component::sendEmpty(BusMessage event) {
    Container<short> none(0);
    send(event, &none);
}
void Component::send(BusMessage event, ContainerBase* data) {
    if (Bus* b = busForDispatch("send")) b->send(this, event, data);
}
void Component::sendNamedEmpty(const std::string& name) {
    sendEmpty(named(name));
}
void Component::sendNamed(const std::string& name, ContainerBase* data) {
    send(named(name), data);
}

// Queries.
ContainerBase* Component::queryEmpty(BusMessage event) {
    Container<short> none(0);
    return query(event, &none);
}
ContainerBase* Component::query(BusMessage event, ContainerBase* data) {
    Bus* b = busForDispatch("query");
    return b ? b->query(this, event, data) : nullptr;
}
ContainerBase* Component::queryNamedEmpty(const std::string& name) {
    return queryEmpty(named(name));
}
ContainerBase* Component::queryNamed(const std::string& name, ContainerBase* data) {
    return query(named(name), data);
}

// Immediate dispatch.
ContainerBase* Component::sendNowEmpty(BusMessage event) {
    Container<short> none(0);
    return sendNow(event, &none);
}
ContainerBase* Component::sendNow(BusMessage event, ContainerBase* data) {
    Bus* b = busForDispatch("dispatch at once");
    return b ? b->sendNow(this, event, data) : nullptr;
}
ContainerBase* Component::sendNowNamedEmpty(const std::string& name) {
    return sendNowEmpty(named(name));
}
ContainerBase* Component::sendNowNamed(const std::string& name, ContainerBase* data) {
    return sendNow(named(name), data);
}

// Directed sends.
void Component::sendToEmpty(std::uint16_t id, BusMessage event) {
    Container<short> none(0);
    sendTo(id, event, &none);
}
void Component::sendTo(std::uint16_t id, BusMessage event, ContainerBase* data) {
    if (Bus* b = busForDispatch("send to a component")) b->sendTo(this, id, event, data);
}
void Component::sendToNamedEmpty(std::uint16_t id, const std::string& name) {
    sendToEmpty(id, named(name));
}
void Component::sendToNamed(std::uint16_t id, const std::string& name, ContainerBase* data) {
    sendTo(id, named(name), data);
}
void Component::sendToListEmpty(const List<short>& ids, BusMessage event) {
    Container<short> none(0);
    sendToList(ids, event, &none);
}
void Component::sendToList(const List<short>& ids, BusMessage event, ContainerBase* data) {
    if (Bus* b = busForDispatch("send to components")) b->sendToList(this, ids, event, data);
}
void Component::sendToListNamedEmpty(const List<short>& ids, const std::string& name) {
    sendToListEmpty(ids, named(name));
}
void Component::sendToListNamed(const List<short>& ids, const std::string& name, ContainerBase* data) {
    sendToList(ids, named(name), data);
}

// Directed queries.
List<VectorBusResponse> Component::queryToEmpty(std::uint16_t id, BusMessage event) {
    Container<short> none(0);
    return queryTo(id, event, &none);
}
List<VectorBusResponse> Component::queryTo(std::uint16_t id, BusMessage event, ContainerBase* data) {
    Bus* b = busForDispatch("query a component");
    return b ? b->queryTo(this, id, event, data) : List<VectorBusResponse>();
}
List<VectorBusResponse> Component::queryToNamedEmpty(std::uint16_t id, const std::string& name) {
    return queryToEmpty(id, named(name));
}
List<VectorBusResponse> Component::queryToNamed(std::uint16_t id, const std::string& name,
                                                ContainerBase* data) {
    return queryTo(id, named(name), data);
}
List<VectorBusResponse> Component::queryToListEmpty(const List<short>& ids, BusMessage event) {
    Container<short> none(0);
    return queryToList(ids, event, &none);
}
List<VectorBusResponse> Component::queryToList(const List<short>& ids, BusMessage event,
                                               ContainerBase* data) {
    Bus* b = busForDispatch("query components");
    return b ? b->queryToList(this, ids, event, data) : List<VectorBusResponse>();
}
List<VectorBusResponse> Component::queryToListNamedEmpty(const List<short>& ids, const std::string& name) {
    return queryToListEmpty(ids, named(name));
}
List<VectorBusResponse> Component::queryToListNamed(const List<short>& ids, const std::string& name,
                                                    ContainerBase* data) {
    return queryToList(ids, named(name), data);
}

// Registration.
void Component::connect(BusMessage event, HandlerFunction handler) {
    if (Bus* b = busForDispatch("connect a handler")) b->connect(this, event, handler);
}
void Component::connectNamed(const std::string& name, HandlerFunction handler) {
    connect(named(name), handler);
}
void Component::disconnect(BusMessage event, HandlerFunction handler) {
    if (Bus* b = busForDispatch("disconnect a handler")) b->disconnect(this, event, handler);
}
void Component::disconnectNamed(const std::string& name, HandlerFunction handler) {
    disconnect(named(name), handler);
}
std::int16_t Component::isConnected(BusMessage event, HandlerFunction handler) {
    return bus_ ? bus_->isConnected(this, event, handler) : 0;
}
void Component::disconnectAll() {
    if (Bus* b = busForDispatch("disconnect its handlers")) b->disconnectAll(this);
}
List<short> Component::findReceivers(ContainerBase* data) {
    List<short> out;
    if (Bus* b = busForDispatch("find receivers")) b->findReceivers(this, out, data);
    return out;
}
List<short> Component::findReceivers(const List<short>& ids, ContainerBase* data) {
    List<short> out;
    if (Bus* b = busForDispatch("find receivers")) b->findReceivers(this, out, ids, data);
    return out;
}

// Blocking.
void Component::blockEvent(BusMessage event, std::uint16_t mode) {
    if (!blocked_) blocked_ = std::make_unique<BlockedEvents>();
    if (mode == 0 || mode == 2) blocked_->fromParent.append(event);
    if (mode == 1 || mode == 2) blocked_->fromChildren.append(event);
}
void Component::blockEventNamed(const std::string& name, std::uint16_t mode) {
    blockEvent(named(name), mode);
}
void Component::unblockEvent(BusMessage event, std::uint16_t mode) {
    if (!blocked_) return;
    if (mode == 0 || mode == 2) blocked_->fromParent.remove(event);
    if (mode == 1 || mode == 2) blocked_->fromChildren.remove(event);
}
void Component::unblockEventNamed(const std::string& name, std::uint16_t mode) {
    unblockEvent(named(name), mode);
}
List<BusMessage>* Component::blockedEvents(std::uint32_t direction) const {
    if (!blocked_) return nullptr;
    if (direction == 0) return &blocked_->fromChildren;
    if (direction == 1) return &blocked_->fromParent;
    return nullptr;
}
void Component::blockForwarding(BusMessage event, std::uint32_t direction) {
    if (Bus* b = busForDispatch("block forwarding")) b->blockForwarding(this, event, direction);
}
void Component::blockForwardingNamed(const std::string& name, std::uint32_t direction) {
    blockForwarding(named(name), direction);
}
void Component::unblockForwarding(BusMessage event, std::uint32_t direction) {
    if (Bus* b = busForDispatch("unblock forwarding")) b->unblockForwarding(this, event, direction);
}
void Component::unblockForwardingNamed(const std::string& name, std::uint32_t direction) {
    unblockForwarding(named(name), direction);
}

// Timers.

namespace {
Application* applicationFor(const std::string& name, const char* operation) {
    Application* app = Application::instance();
    if (!app)
        Assertion::fail("Component \"" + name + "\" cannot " + operation + ": there is no application",
                        "component.cpp", __LINE__);
    return app;
}
} // namespace

void Component::addTimer(HandlerFunction handler, std::uint16_t rate, std::uint16_t state) {
    if (Application* app = applicationFor(name_, "add a timer"))
        app->addTimer(Callback(this, handler), rate, state == 0 ? TimerCallback::Running : state);
}
void Component::killTimer(HandlerFunction handler) {
    if (Application* app = Application::instance()) app->killTimer(Callback(this, handler));
}
void Component::pauseTimer(HandlerFunction handler) {
    if (Application* app = Application::instance()) app->pauseTimer(Callback(this, handler));
}
void Component::resumeTimer(HandlerFunction handler) {
    if (Application* app = Application::instance()) app->resumeTimer(Callback(this, handler));
}

// Pumping.

std::int16_t Component::pumpOnce() {
    Application* app = applicationFor(name_, "pump messages");
    if (!app || !app->pumpMessage()) return 0;
    app->runOneTask();
    return 1;
}

std::int16_t Component::waitForFlag(const std::int16_t& flag, std::int32_t timeoutMs) {
    if (flag) return 1;
    Application* app = applicationFor(name_, "wait");
    if (!app) return 0;
    const std::uint32_t start = app->tickCount();
    while (!flag) {
        if (static_cast<std::int32_t>(app->tickCount() - start) > timeoutMs) return 0;
        if (!app->pumpMessage()) return 0;
        app->runOneTask();
    }
    return 1;
}

} // namespace vael
