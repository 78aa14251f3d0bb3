#pragma once
// The base of every part of the program that talks to the others. A component is attached to one bus at
// a time and talks only through it: it registers handler functions for events, and sends, queries or
// dispatches events at once with a payload box.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/core/bus_event.h"
#include "framework/core/bus_message.h"
#include "framework/core/callback.h"
#include "framework/core/container.h"
#include "framework/core/list.h"

namespace vael {

class Bus;

// The events a component refuses when a receive-all hook would forward them to it. Blocking an event
// twice takes two unblocks.
struct BlockedEvents {
    List<BusMessage> fromChildren; // refused when a child bus forwards them up (block mode 1)
    List<BusMessage> fromParent;   // refused when the parent bus forwards them down (block mode 0)
};

class Component {
public:
    explicit Component(const char* name = nullptr);
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // A plain component refuses relays; a bus dispatches them on itself.
    virtual std::int16_t relaySend(BusMessage event, ContainerBase* data, Component* sender);
    virtual std::int16_t relayQuery(BusMessage event, ContainerBase* data, Component* sender,
                                    ContainerBase*& answer);
    virtual std::int16_t relayNow(BusMessage event, ContainerBase* data, Component* sender,
                                  ContainerBase*& answer);
    virtual ~Component();
    // Registers the component's handlers; attach calls it once the component has its id.
    virtual void connectHandlers() = 0;
    // The bus has let go of the component (it detached it, or it is being destroyed).
    virtual void onDetached();
    virtual void hookReceiveAll(HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn,
                                std::uint32_t direction);
    virtual void unhookReceiveAll(HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn);
    virtual void attach(Bus& bus);
    virtual void detach();
    // Whether this component is the one a selector payload (a hex, a name ...) describes.
    virtual std::int16_t acceptsEvent(ContainerBase* data);

    // Sends: every handler of the event on the bus (and, through the hooks, on the whole tree).
    void sendEmpty(BusMessage event);
    void send(BusMessage event, ContainerBase* data);
    void sendNamedEmpty(const std::string& name);
    void sendNamed(const std::string& name, ContainerBase* data);
    // Queries: the last non-zero reply, or null; the caller deletes it.
    ContainerBase* queryEmpty(BusMessage event);
    ContainerBase* query(BusMessage event, ContainerBase* data);
    ContainerBase* queryNamedEmpty(const std::string& name);
    ContainerBase* queryNamed(const std::string& name, ContainerBase* data);
    // Immediate dispatch: delivered before the call returns on every kind of bus.
    ContainerBase* sendNowEmpty(BusMessage event);
    ContainerBase* sendNow(BusMessage event, ContainerBase* data);
    ContainerBase* sendNowNamedEmpty(const std::string& name);
    ContainerBase* sendNowNamed(const std::string& name, ContainerBase* data);
    // Directed sends and queries: only the handlers of the given components, no hooks.
    void sendToEmpty(std::uint16_t id, BusMessage event);
    void sendTo(std::uint16_t id, BusMessage event, ContainerBase* data);
    void sendToNamedEmpty(std::uint16_t id, const std::string& name);
    void sendToNamed(std::uint16_t id, const std::string& name, ContainerBase* data);
    void sendToListEmpty(const List<short>& ids, BusMessage event);
    void sendToList(const List<short>& ids, BusMessage event, ContainerBase* data);
    void sendToListNamedEmpty(const List<short>& ids, const std::string& name);
    void sendToListNamed(const List<short>& ids, const std::string& name, ContainerBase* data);
    List<VectorBusResponse> queryToEmpty(std::uint16_t id, BusMessage event);
    List<VectorBusResponse> queryTo(std::uint16_t id, BusMessage event, ContainerBase* data);
    List<VectorBusResponse> queryToNamedEmpty(std::uint16_t id, const std::string& name);
    List<VectorBusResponse> queryToNamed(std::uint16_t id, const std::string& name, ContainerBase* data);
    List<VectorBusResponse> queryToListEmpty(const List<short>& ids, BusMessage event);
    List<VectorBusResponse> queryToList(const List<short>& ids, BusMessage event, ContainerBase* data);
    List<VectorBusResponse> queryToListNamedEmpty(const List<short>& ids, const std::string& name);
    List<VectorBusResponse> queryToListNamed(const List<short>& ids, const std::string& name,
                                             ContainerBase* data);

    // Registration on the component's own bus.
    void connect(BusMessage event, HandlerFunction handler);
    void connectNamed(const std::string& name, HandlerFunction handler);
    void disconnect(BusMessage event, HandlerFunction handler);
    void disconnectNamed(const std::string& name, HandlerFunction handler);
    std::int16_t isConnected(BusMessage event, HandlerFunction handler);
    void disconnectAll();
    // The ids of the components of the bus that accept the selector payload, in attach order (or in the
    // order of the given ids).
    List<short> findReceivers(ContainerBase* data);
    List<short> findReceivers(const List<short>& ids, ContainerBase* data);

    // Refusing events forwarded by receive-all hooks. Mode 0 refuses them from the parent, mode 1 from
    // the children, mode 2 from both; other modes block nothing.
    void blockEvent(BusMessage event, std::uint16_t mode);
    void blockEventNamed(const std::string& name, std::uint16_t mode);
    void unblockEvent(BusMessage event, std::uint16_t mode);
    void unblockEventNamed(const std::string& name, std::uint16_t mode);
    // The list that hooks of a direction consult (0: fromChildren, 1: fromParent); null otherwise.
    List<BusMessage>* blockedEvents(std::uint32_t direction) const;
    // Stops the hooks of the bus from forwarding the event (direction 0 up, 1 down, 2 both).
    void blockForwarding(BusMessage event, std::uint32_t direction);
    void blockForwardingNamed(const std::string& name, std::uint32_t direction);
    void unblockForwarding(BusMessage event, std::uint32_t direction);
    void unblockForwardingNamed(const std::string& name, std::uint32_t direction);

    // Timers of the application, calling the handler with TIMER_CLICK rate times a second (rate 1 to
    // 1000); state 2 starts the timer paused, 0 or 1 running.
    void addTimer(HandlerFunction handler, std::uint16_t rate, std::uint16_t state = 0);
    void killTimer(HandlerFunction handler);
    void pauseTimer(HandlerFunction handler);
    void resumeTimer(HandlerFunction handler);

    // Waiting inside a handler while the program stays alive: one step of the application (a platform
    // message, then one queued task); 0 when the program is closing.
    std::int16_t pumpOnce();
    // Pumps until the flag is set (1), the program closes (0) or more than timeoutMs pass (0).
    std::int16_t waitForFlag(const std::int16_t& flag, std::int32_t timeoutMs);

    const char* nameText() const { return name_.c_str(); }
    std::string getName() const { return name_; }
    Bus* getBus() const { return bus_; }
    std::int16_t getId() const { return id_; }

protected:
    // The bus to dispatch on; reports a component that talks while unattached and answers null.
    Bus* busForDispatch(const char* operation) const;

    Bus* bus_ = nullptr;
    std::int16_t id_ = -1;
    std::unique_ptr<BlockedEvents> blocked_;
    std::string name_;

private:
    friend class Bus;
};

} // namespace vael
