#pragma once
// A bus whose sends and queries go through the application's one task queue: each delivery becomes a
// task, and the tasks run in the order they were queued, whichever bus queued them. A send made while
// no drain is in progress returns only when everything it caused has run; a send made by a handler that
// runs from the queue is delivered after that handler has returned. Immediate dispatch stays immediate.
#include "framework/core/bus.h"

namespace vael {

class Application;

class AsynchronousBus : public Bus {
public:
    explicit AsynchronousBus(const char* name = nullptr);

    void send(Component* sender, BusMessage event, ContainerBase* data) override;
    ContainerBase* query(Component* sender, BusMessage event, ContainerBase* data) override;
    void sendTo(Component* sender, std::uint16_t componentId, BusMessage event, ContainerBase* data) override;
    void sendToList(Component* sender, const List<short>& ids, BusMessage event,
                    ContainerBase* data) override;
    List<VectorBusResponse> queryTo(Component* sender, std::uint16_t componentId, BusMessage event,
                                    ContainerBase* data) override;
    List<VectorBusResponse> queryToList(Component* sender, const List<short>& ids, BusMessage event,
                                        ContainerBase* data) override;

    using Bus::query;
    using Bus::queryTo;
    using Bus::queryToList;
    using Bus::send;
    using Bus::sendTo;
    using Bus::sendToList;

private:
    // The application that owns the queue; reports a bus used without one and answers null.
    Application* queueOwner(const char* operation) const;
    // Appends the live callbacks of the event that belong to the component of that id.
    void collectCallbacks(List<Callback>& out, std::int32_t eventId, std::int32_t componentId);
};

} // namespace vael
