#pragma once
// The place where components meet: the table of attached components with their ids, one handler list per
// event id, and the receive-all hooks that join the bus to its parent and its children in the bus tree.
// This bus delivers at once, on the calling thread, before a dispatch returns.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/dyn_array.h"
#include "framework/core/receive_all_callback.h"
#include "framework/core/sparse_array.h"

namespace vael {

class Bus : public Component {
public:
    // Ids run from 0 up and are never given twice; the component table cannot hold more than this many.
    static constexpr std::int32_t MaxComponentIds = 32760;

    explicit Bus(const char* name = nullptr);
    ~Bus() override;

    std::int16_t relaySend(BusMessage event, ContainerBase* data, Component* sender) override;
    std::int16_t relayQuery(BusMessage event, ContainerBase* data, Component* sender,
                            ContainerBase*& answer) override;
    std::int16_t relayNow(BusMessage event, ContainerBase* data, Component* sender,
                          ContainerBase*& answer) override;
    // A bus joins its parent through connectParent and leaves it through disconnectParent.
    void connectHandlers() override { connectParent(); }
    void onDetached() override { disconnectParent(); }
    // Creates the two hooks to the parent; derived buses register their handlers here after calling
    // this form (and block the forwarding of the messages they keep to themselves).
    virtual void connectParent();
    // Drops this bus's hook to its parent and becomes a root.
    virtual void disconnectParent();
    void hookReceiveAll(HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn,
                        std::uint32_t direction) override;
    void unhookReceiveAll(HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn) override;
    void attach(Bus& parent) override;
    void detach() override;

    // Dispatch on behalf of sender; data stays the caller's.
    virtual void send(Component* sender, BusMessage event, ContainerBase* data);
    virtual ContainerBase* query(Component* sender, BusMessage event, ContainerBase* data);
    virtual void sendTo(Component* sender, std::uint16_t componentId, BusMessage event, ContainerBase* data);
    virtual void sendToList(Component* sender, const List<short>& ids, BusMessage event, ContainerBase* data);
    virtual List<VectorBusResponse> queryTo(Component* sender, std::uint16_t componentId, BusMessage event,
                                            ContainerBase* data);
    virtual List<VectorBusResponse> queryToList(Component* sender, const List<short>& ids, BusMessage event,
                                                ContainerBase* data);
    // Immediate on every kind of bus, forwarding included.
    ContainerBase* sendNow(Component* sender, BusMessage event, ContainerBase* data);

    using Component::blockForwarding;
    using Component::connect;
    using Component::disconnect;
    using Component::disconnectAll;
    using Component::findReceivers;
    using Component::isConnected;
    using Component::query;
    using Component::queryTo;
    using Component::queryToList;
    using Component::send;
    using Component::sendNow;
    using Component::sendTo;
    using Component::sendToList;
    using Component::unblockForwarding;

    // The component gets the next id; 0 when none is left (reported as a failed check).
    std::int16_t addComponent(Component* c);
    void removeComponent(Component* c);
    void connect(Component* c, BusMessage event, HandlerFunction handler);
    void disconnect(Component* c, BusMessage event, HandlerFunction handler);
    std::int16_t isConnected(Component* c, BusMessage event, HandlerFunction handler);
    void disconnectAll(Component* c);
    void findReceivers(Component* sender, List<short>& out, ContainerBase* data);
    void findReceivers(Component* sender, List<short>& out, const List<short>& ids, ContainerBase* data);

    // The name of a built-in event id (0 to 66), for trace lines; "" for any other id.
    static const char* eventName(std::int32_t id);

    // The bus tree.
    void addReceiveAll(Component* c, HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn,
                       std::uint32_t direction);
    void removeReceiveAll(Component* c, HandlerFunction sendFn, HandlerFunction queryFn,
                          HandlerFunction nowFn);
    void blockForwarding(Component* c, BusMessage event, std::uint32_t direction);
    void unblockForwarding(Component* c, BusMessage event, std::uint32_t direction);
    Bus* getParent() const { return parent_; }
    static ContainerBase* forwardSend(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* forwardQuery(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* forwardNow(Component* target, BusMessage event, ContainerBase* data);

    // Dispatch and registration on the parent on this bus's own behalf; they need a parent.
    void sendToParent(Component* sender, BusMessage event, ContainerBase* data);
    ContainerBase* queryToParent(Component* sender, BusMessage event, ContainerBase* data);
    ContainerBase* sendNowToParent(Component* sender, BusMessage event, ContainerBase* data);
    void parentSendEmpty(BusMessage event);
    void parentSend(BusMessage event, ContainerBase* data);
    void parentSendNamedEmpty(const std::string& name);
    void parentSendNamed(const std::string& name, ContainerBase* data);
    ContainerBase* parentQueryEmpty(BusMessage event);
    ContainerBase* parentQuery(BusMessage event, ContainerBase* data);
    ContainerBase* parentQueryNamedEmpty(const std::string& name);
    ContainerBase* parentQueryNamed(const std::string& name, ContainerBase* data);
    ContainerBase* parentSendNowEmpty(BusMessage event);
    ContainerBase* parentSendNow(BusMessage event, ContainerBase* data);
    ContainerBase* parentSendNowNamedEmpty(const std::string& name);
    ContainerBase* parentSendNowNamed(const std::string& name, ContainerBase* data);
    void parentConnect(BusMessage event, HandlerFunction handler);
    void parentConnectNamed(const std::string& name, HandlerFunction handler);
    void parentDisconnect(BusMessage event, HandlerFunction handler);
    void parentDisconnectNamed(const std::string& name, HandlerFunction handler);
    void parentDisconnectAll();

    // Read-only views of the tables, for diagnostics and tests.
    Component* componentAt(std::int32_t id);
    const List<short>& usedIds() const { return usedIds_; }
    std::int16_t nextId() const { return nextId_; }
    // The live registrations of an event, in order (null when the event never had a list).
    List<Callback> handlersOf(BusMessage event);
    std::int16_t hasHandlerList(BusMessage event);
    List<ReceiveAllCallback> receiveAllHooks() const;

protected:
    // The handler list of an event id, created empty on first use. While a walk of this bus's lists is
    // in progress, removed entries stay in place with a null component and are dropped when it ends.
    List<Callback>& handlerList(std::int32_t id) { return handlers_[id]; }
    List<Callback>* findHandlerList(std::int32_t id);
    List<ReceiveAllCallback>& receiveAll() { return receiveAll_; }
    // Calls the handlers of one of this bus's lists in order with the event as it is given, and answers
    // the last non-zero reply (earlier ones are deleted): the last step of every synchronous dispatch.
    ContainerBase* deliverNow(BusMessage event, List<Callback>& handlers, ContainerBase* data);

    // Keeps removals during a walk of this bus's lists from unlinking the entries being walked.
    class WalkGuard {
    public:
        explicit WalkGuard(Bus& bus) : bus_(bus) { ++bus_.walkDepth_; }
        ~WalkGuard();
        WalkGuard(const WalkGuard&) = delete;
        WalkGuard& operator=(const WalkGuard&) = delete;

    private:
        Bus& bus_;
    };

private:
    enum class Kind { Send, Query, Now };
    ContainerBase* dispatch(Kind kind, Component* sender, BusMessage event, ContainerBase* data);
    void deliverTo(Component* target, BusMessage event, ContainerBase* data, std::uint16_t componentId,
                   List<VectorBusResponse>* answers);
    Bus* parentForDispatch(const char* operation) const;
    void removeCallbacks(List<Callback>& list, const Callback& match, bool all, bool anyHandler);
    void compact();

    Bus* parent_ = nullptr;
    std::int16_t nextId_ = 0;
    DynArray<Component*> components_{10};
    List<short> usedIds_;
    SparseArray<List<Callback>> handlers_{List<Callback>()};
    List<ReceiveAllCallback> receiveAll_;
    std::int16_t walkDepth_ = 0;
    bool removedDuringWalk_ = false;
    // The event ids each component has connected on this bus with its live entries in each list, and the
    // ids whose lists hold removed entries.
    struct ConnectedList {
        std::int32_t id;
        std::int32_t entries;
    };
    std::unordered_map<const Component*, std::vector<ConnectedList>> connectedIds_;
    std::vector<std::int32_t> removedIds_;
};

} // namespace vael
