#include "framework/core/asynchronous_bus.h"

#include "framework/core/application.h"
#include "framework/core/assertion.h"

namespace vael {

AsynchronousBus::AsynchronousBus(const char* name) : Bus(name ? name : "Unnamed AsynchronousBus") {}

Application* AsynchronousBus::queueOwner(const char* operation) const {
    Application* app = Application::instance();
    if (!app)
        Assertion::fail("AsynchronousBus \"" + name_ + "\" cannot " + operation + ": there is no application",
                        "asynchronous_bus.cpp", __LINE__);
    return app;
}

void AsynchronousBus::collectCallbacks(List<Callback>& out, std::int32_t eventId, std::int32_t componentId) {
    Component* target = componentAt(componentId);
    if (!target) return;
    Item<Callback>* it = nullptr;
    for (handlerList(eventId).firstItem(it); it; it = it->next)
        if (it->value.component == target) out.append(it->value);
}

void AsynchronousBus::send(Component* sender, BusMessage event, ContainerBase* data) {
    // The common case without a call: there is an application.
    Application* app = Application::instance();
    if (!app) app = queueOwner("send");
    if (app) app->post(sender, event, data, receiveAll(), handlerList(event.id()), this);
}

ContainerBase* AsynchronousBus::query(Component* sender, BusMessage event, ContainerBase* data) {
    Application* app = queueOwner("query");
    return app ? app->query(sender, event, data, receiveAll(), handlerList(event.id()), this) : nullptr;
}

void AsynchronousBus::sendTo(Component* sender, std::uint16_t componentId, BusMessage event,
                             ContainerBase* data) {
    if (event.id() == NULL_EVENT) return;
    List<Callback> callbacks;
    collectCallbacks(callbacks, event.id(), componentId);
    // Nothing to deliver queues nothing and drains nothing.
    if (callbacks.isEmpty()) return;
    if (Application* app = queueOwner("send to a component"))
        app->post(sender, event, data, List<ReceiveAllCallback>(), callbacks, this);
}

void AsynchronousBus::sendToList(Component* sender, const List<short>& ids, BusMessage event,
                                 ContainerBase* data) {
    if (event.id() == NULL_EVENT) return;
    List<Callback> callbacks;
    Item<short>* it = nullptr;
    for (ids.firstItem(it); it; it = it->next)
        collectCallbacks(callbacks, event.id(), static_cast<std::uint16_t>(it->value));
    if (callbacks.isEmpty()) return;
    if (Application* app = queueOwner("send to components"))
        app->post(sender, event, data, List<ReceiveAllCallback>(), callbacks, this);
}

List<VectorBusResponse> AsynchronousBus::queryTo(Component* sender, std::uint16_t componentId,
                                                 BusMessage event, ContainerBase* data) {
    List<short> ids;
    ids.append(static_cast<short>(componentId));
    return queryToList(sender, ids, event, data);
}

List<VectorBusResponse> AsynchronousBus::queryToList(Component* sender, const List<short>& ids,
                                                     BusMessage event, ContainerBase* data) {
    List<VectorBusResponse> answers;
    if (event.id() == NULL_EVENT) return answers;
    Item<short>* it = nullptr;
    for (ids.firstItem(it); it; it = it->next) {
        const auto componentId = static_cast<std::uint16_t>(it->value);
        List<Callback> callbacks;
        collectCallbacks(callbacks, event.id(), componentId);
        if (callbacks.isEmpty()) continue;
        Application* app = queueOwner("query components");
        if (!app) return answers;
        // Each handler is asked in a query of its own, so that every non-zero answer is kept. A target that
        // left the bus (or was destroyed) while an earlier handler ran is not asked any more.
        Callback cb;
        while (callbacks.removeFirst(cb)) {
            if (componentAt(componentId) != cb.component) break;
            List<Callback> one;
            one.append(cb);
            if (ContainerBase* answer =
                    app->query(sender, event, data, List<ReceiveAllCallback>(), one, this))
                answers.append(VectorBusResponse(componentId, answer));
        }
    }
    return answers;
}

} // namespace vael
