#include "framework/core/bus.h"

#include <algorithm>
#include <memory>
#include <string>

#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/registered_message.h"

namespace vael {

namespace {

const char* const eventNames[NumBusEvents + 1] = {"NULL_EVENT",
                                                  "KEY_UP",
                                                  "KEY_DOWN",
                                                  "TIMER_CLICK",
                                                  "CONNECTION_OPENED",
                                                  "CONNECTION_CLOSED",
                                                  "STRING_IN",
                                                  "STRING_OUT",
                                                  "STRING_ECHO",
                                                  "DIAL_REQUEST",
                                                  "AGENT",
                                                  "URGENT_AGENT",
                                                  "SET_COMM_PROTOCOL",
                                                  "SET_COMM_DESTINATION",
                                                  "CONNECT",
                                                  "CLOSE_CONNECTION",
                                                  "LOGIN FINISHED",
                                                  "DOWNLOAD_DATA",
                                                  "UPLOAD_DATA",
                                                  "LOAD_SCENARIO",
                                                  "BEGIN_LANDSCAPE",
                                                  "CREATE_REGION",
                                                  "END_LANDSCAPE",
                                                  "FIND_REGION",
                                                  "LOGICAL_UNIT_CREATED",
                                                  "BEGIN_GAME",
                                                  "END_GAME",
                                                  "LOGICAL_COMMAND",
                                                  "LOGICAL_OBJECT_MOVED",
                                                  "PHYSICAL_OBJECT_ACTIVATED",
                                                  "PHYSICAL_OBJECT_DEACTIVATED",
                                                  "CHANGE_UNIT_FACING",
                                                  "LOGICAL_OBJECT_SELECTED",
                                                  "LOGICAL_OBJECT_DESELECTED",
                                                  "LOGICAL_OBJECT_DISABLED",
                                                  "LOGICAL_OBJECT_ENABLED",
                                                  "SPRITE_CREATED",
                                                  "SPRITE_DESTROYED",
                                                  "SPRITE_DISABLED",
                                                  "SPRITE_ENABLED",
                                                  "UPDATE_PHYSICAL_OBJECT",
                                                  "POINT_SELECTED",
                                                  "POINT_FLYBY",
                                                  "REGION_SELECTED",
                                                  "REGION_FLYBY",
                                                  "HIGHLIGHT_REGION",
                                                  "DEHIGHLIGHT_REGION",
                                                  "TOGGLE_REGION_HIGHLIGHT",
                                                  "HALF_HIGHLIGHT_REGION",
                                                  "HALF_DEHIGHLIGHT_REGION",
                                                  "TOGGLE_REGION_HALF_HIGHLIGHT",
                                                  "SCROLL_TO",
                                                  "MAP_OPEN",
                                                  "LANDTILE_CREATED",
                                                  "VIEW_UPDATE",
                                                  "INVALIDATE_LANDSCAPE",
                                                  "INVALIDATE_VIEW",
                                                  "VIEWPORT_CREATED",
                                                  "VIEWPORT_DESTROYED",
                                                  "SYSTEM_START",
                                                  "CAN_TERMINATE",
                                                  "ENABLE_MENU_ITEM",
                                                  "DISABLE_MENU_ITEM",
                                                  "CHECK_MENU_ITEM",
                                                  "UNCHECK_MENU_ITEM",
                                                  "MESSAGE_RESPONSE",
                                                  "NumBusEvents"};

BusMessage named(const std::string& name) {
    return BusMessage(RegisteredMessage::getId(name));
}

// Entries removed while their list is being walked keep their node, with a null component, so that the
// walk can step past them; this drops them once no walk is left.
template <class T> void dropRemoved(List<T>& list) {
    list.removeWhere([](const T& entry) { return !entry.component; });
}

// Marks the first live entry (or every one) that matches; answers how many it marked.
template <class T, class Match> int markRemoved(List<T>& list, Match match, bool every) {
    int marked = 0;
    Item<T>* it = nullptr;
    for (list.firstItem(it); it; it = it->next) {
        if (!it->value.component || !match(it->value)) continue;
        it->value.component = nullptr;
        ++marked;
        if (!every) break;
    }
    return marked;
}

// Marks the live entries that match, stopping once it has marked as many as the list is known to hold.
template <class T, class Match> int markRemoved(List<T>& list, Match match, std::int32_t known) {
    int marked = 0;
    Item<T>* it = nullptr;
    for (list.firstItem(it); it && marked < known; it = it->next) {
        if (!it->value.component || !match(it->value)) continue;
        it->value.component = nullptr;
        ++marked;
    }
    return marked;
}

} // namespace

bool ReceiveAllCallback::skips(const Component* sender, BusMessage event) const {
    if (component == sender) return true;
    if (excluded.contains(event)) return true;
    const List<BusMessage>* refused = component->blockedEvents(direction);
    return refused && refused->contains(event);
}

std::int16_t ReceiveAllData::fromPayload(const ContainerBase* box, ReceiveAllData& out) {
    return Container<ReceiveAllData>::fromMessage(box, out);
}

ReceiveAllData* ReceiveAllData::inPayload(ContainerBase* box) {
    auto* typed = dynamic_cast<Container<ReceiveAllData>*>(box);
    return typed ? typed->valuePtr() : nullptr;
}

Bus::WalkGuard::~WalkGuard() {
    if (--bus_.walkDepth_ == 0 && bus_.removedDuringWalk_) bus_.compact();
}

Bus::Bus(const char* name) : Component(name ? name : "Unnamed Bus") {
    bus_ = this;
}

Bus::~Bus() {
    // The components stay alive and keep their ids; they only learn that their bus is gone.
    short id = 0;
    while (usedIds_.removeFirst(id)) {
        Component* c = componentAt(id);
        if (!c) continue;
        components_[id] = nullptr;
        c->onDetached();
    }
    Bus::detach();
    bus_ = nullptr;
}

std::int16_t Bus::relaySend(BusMessage event, ContainerBase* data, Component* sender) {
    send(sender, event, data);
    return 1;
}

std::int16_t Bus::relayQuery(BusMessage event, ContainerBase* data, Component* sender,
                             ContainerBase*& answer) {
    answer = query(sender, event, data);
    return 1;
}

std::int16_t Bus::relayNow(BusMessage event, ContainerBase* data, Component* sender, ContainerBase*& answer) {
    answer = sendNow(sender, event, data);
    return 1;
}

// The component table and the handler lists.

Component* Bus::componentAt(std::int32_t id) {
    // Reading past the end must not grow the table: an id that was never given has no component.
    if (id < 0 || id >= components_.size()) return nullptr;
    return components_[id];
}

std::int16_t Bus::addComponent(Component* c) {
    if (nextId_ >= MaxComponentIds) {
        Assertion::fail("Bus \"" + name_ + "\" has no component ids left: all " +
                            std::to_string(MaxComponentIds) + " have been given out",
                        "bus.cpp", __LINE__);
        return 0;
    }
    usedIds_.append(nextId_);
    components_[nextId_] = c;
    c->id_ = nextId_;
    ++nextId_;
    return 1;
}

void Bus::removeComponent(Component* c) {
    if (!c || componentAt(c->id_) != c) return;
    components_[c->id_] = nullptr;
    usedIds_.remove(c->id_);
    disconnectAll(c);
    c->id_ = -1;
}

List<Callback>* Bus::findHandlerList(std::int32_t id) {
    return handlers_.root().find(id);
}

void Bus::connect(Component* c, BusMessage event, HandlerFunction handler) {
    const std::int32_t id = event.id();
    if (id == CAN_TERMINATE) {
        // Answered by the application, never dispatched by a bus.
        if (Application* app = Application::instance()) app->addTerminateHandler(Callback(c, handler));
        return;
    }
    handlers_[id].append(Callback(c, handler));
    // Remembered per component with how many entries it has there, so that removing it visits only its
    // own lists and stops in each at its last entry.
    std::vector<ConnectedList>& lists = connectedIds_[c];
    auto known =
        std::find_if(lists.begin(), lists.end(), [id](const ConnectedList& l) { return l.id == id; });
    if (known != lists.end())
        ++known->entries;
    else
        lists.push_back({id, 1});
}

void Bus::disconnect(Component* c, BusMessage event, HandlerFunction handler) {
    if (event.id() == CAN_TERMINATE) {
        if (Application* app = Application::instance()) app->removeTerminateHandler(Callback(c, handler));
        return;
    }
    List<Callback>* list = findHandlerList(event.id());
    if (!list) return;
    const Callback match(c, handler);
    if (markRemoved(
            *list, [&](const Callback& cb) { return cb == match; }, false)) {
        removedIds_.push_back(event.id());
        if (auto found = connectedIds_.find(c); found != connectedIds_.end())
            for (ConnectedList& l : found->second)
                if (l.id == event.id() && l.entries > 0) --l.entries;
        removedDuringWalk_ = true;
        if (walkDepth_ == 0) compact();
    }
}

std::int16_t Bus::isConnected(Component* c, BusMessage event, HandlerFunction handler) {
    List<Callback>* list = findHandlerList(event.id());
    return list && list->contains(Callback(c, handler)) ? 1 : 0;
}

void Bus::disconnectAll(Component* c) {
    if (!c) return;
    if (Application* app = Application::instance()) app->removeTerminateHandlersOf(c);
    int marked = 0;
    auto ofC = [c](const auto& entry) { return entry.component == c; };
    if (auto found = connectedIds_.find(c); found != connectedIds_.end()) {
        for (const ConnectedList& l : found->second) {
            List<Callback>* list = l.entries > 0 ? findHandlerList(l.id) : nullptr;
            if (!list) continue;
            // Outside a walk the entries go at once, and the search ends at the component's last one.
            if (walkDepth_ == 0) {
                list->removeWhere(ofC, l.entries);
            } else if (const int n = markRemoved(*list, ofC, l.entries)) {
                marked += n;
                removedIds_.push_back(l.id);
            }
        }
        connectedIds_.erase(found);
    }
    marked += markRemoved(receiveAll_, ofC, true);
    if (marked) {
        removedDuringWalk_ = true;
        if (walkDepth_ == 0) compact();
    }
}

// Only the lists that lost entries are swept, each in place: closing a battle removes every unit, and a
// sweep of every list for each of them would grow with the square of the battle.
void Bus::compact() {
    removedDuringWalk_ = false;
    std::vector<std::int32_t> ids;
    ids.swap(removedIds_);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (std::int32_t id : ids)
        if (List<Callback>* list = findHandlerList(id)) dropRemoved(*list);
    dropRemoved(receiveAll_);
}

List<Callback> Bus::handlersOf(BusMessage event) {
    List<Callback> out;
    List<Callback>* list = findHandlerList(event.id());
    Item<Callback>* it = nullptr;
    if (list)
        for (list->firstItem(it); it; it = it->next)
            if (it->value.component) out.append(it->value);
    return out;
}

std::int16_t Bus::hasHandlerList(BusMessage event) {
    return findHandlerList(event.id()) ? 1 : 0;
}

List<ReceiveAllCallback> Bus::receiveAllHooks() const {
    List<ReceiveAllCallback> out;
    Item<ReceiveAllCallback>* it = nullptr;
    for (receiveAll_.firstItem(it); it; it = it->next)
        if (it->value.component) out.append(it->value);
    return out;
}

void Bus::findReceivers(Component*, List<short>& out, ContainerBase* data) {
    // A copy, so that a component that attaches or leaves while it is asked changes nothing here.
    const List<short> ids = usedIds_;
    findReceivers(nullptr, out, ids, data);
}

void Bus::findReceivers(Component*, List<short>& out, const List<short>& ids, ContainerBase* data) {
    Item<short>* it = nullptr;
    for (ids.firstItem(it); it; it = it->next) {
        Component* c = componentAt(it->value);
        if (c && c->acceptsEvent(data)) out.append(it->value);
    }
}

const char* Bus::eventName(std::int32_t id) {
    if (id < 0 || id > NumBusEvents) return "";
    return eventNames[id];
}

// Dispatch.

ContainerBase* Bus::dispatch(Kind kind, Component* sender, BusMessage event, ContainerBase* data) {
    if (event.id() == NULL_EVENT) return nullptr;
    event.setMode(kind == Kind::Send    ? BusMessage::Send
                  : kind == Kind::Query ? BusMessage::Query
                                        : BusMessage::Immediate);
    WalkGuard guard(*this);
    std::unique_ptr<ContainerBase> answer;
    auto take = [&](ContainerBase* reply) {
        if (!reply) return;
        if (kind == Kind::Send)
            delete reply;
        else
            answer.reset(reply); // a later non-zero reply replaces (and deletes) an earlier one
    };

    // The hooks come first, so a bus forwards before its own handlers run. Each walk steps to the next
    // entry before it calls the current one.
    Item<ReceiveAllCallback>* hook = nullptr;
    receiveAll_.firstItem(hook);
    while (hook) {
        const ReceiveAllCallback& h = hook->value;
        hook = hook->next;
        if (!h.component || h.skips(sender, event)) continue;
        HandlerFunction fn = kind == Kind::Send ? h.sendFn : kind == Kind::Query ? h.queryFn : h.nowFn;
        if (!fn) continue;
        Container<ReceiveAllData> forwarded;
        forwarded.valuePtr()->bus = this;
        forwarded.valuePtr()->data = data ? data->clone() : nullptr;
        take(fn(h.component, event, &forwarded));
    }

    take(deliverNow(event, handlers_[event.id()], data));
    return answer.release();
}

ContainerBase* Bus::deliverNow(BusMessage event, List<Callback>& handlers, ContainerBase* data) {
    WalkGuard guard(*this);
    std::unique_ptr<ContainerBase> answer;
    Item<Callback>* cb = nullptr;
    handlers.firstItem(cb);
    while (cb) {
        const Callback c = cb->value;
        cb = cb->next;
        if (!c.component) continue;
        if (ContainerBase* reply = c.call(event, data)) answer.reset(reply); // deletes an earlier reply
    }
    return answer.release();
}

void Bus::send(Component* sender, BusMessage event, ContainerBase* data) {
    dispatch(Kind::Send, sender, event, data);
}

ContainerBase* Bus::query(Component* sender, BusMessage event, ContainerBase* data) {
    return dispatch(Kind::Query, sender, event, data);
}

ContainerBase* Bus::sendNow(Component* sender, BusMessage event, ContainerBase* data) {
    return dispatch(Kind::Now, sender, event, data);
}

void Bus::deliverTo(Component* target, BusMessage event, ContainerBase* data, std::uint16_t componentId,
                    List<VectorBusResponse>* answers) {
    if (!target) return;
    WalkGuard guard(*this);
    Item<Callback>* cb = nullptr;
    handlers_[event.id()].firstItem(cb);
    while (cb) {
        const Callback c = cb->value;
        cb = cb->next;
        if (c.component != target) continue;
        ContainerBase* reply = c.call(event, data);
        if (!reply) continue;
        if (answers)
            answers->append(VectorBusResponse(componentId, reply));
        else
            delete reply;
    }
}

void Bus::sendTo(Component*, std::uint16_t componentId, BusMessage event, ContainerBase* data) {
    if (event.id() == NULL_EVENT) return;
    deliverTo(componentAt(componentId), event, data, componentId, nullptr);
}

void Bus::sendToList(Component*, const List<short>& ids, BusMessage event, ContainerBase* data) {
    if (event.id() == NULL_EVENT) return;
    Item<short>* it = nullptr;
    for (ids.firstItem(it); it; it = it->next)
        deliverTo(componentAt(static_cast<std::uint16_t>(it->value)), event, data,
                  static_cast<std::uint16_t>(it->value), nullptr);
}

List<VectorBusResponse> Bus::queryTo(Component*, std::uint16_t componentId, BusMessage event,
                                     ContainerBase* data) {
    List<VectorBusResponse> answers;
    if (event.id() != NULL_EVENT) deliverTo(componentAt(componentId), event, data, componentId, &answers);
    return answers;
}

List<VectorBusResponse> Bus::queryToList(Component*, const List<short>& ids, BusMessage event,
                                         ContainerBase* data) {
    List<VectorBusResponse> answers;
    if (event.id() == NULL_EVENT) return answers;
    Item<short>* it = nullptr;
    for (ids.firstItem(it); it; it = it->next)
        deliverTo(componentAt(static_cast<std::uint16_t>(it->value)), event, data,
                  static_cast<std::uint16_t>(it->value), &answers);
    return answers;
}

// The bus tree.

void Bus::addReceiveAll(Component* c, HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn,
                        std::uint32_t direction) {
    receiveAll_.append(ReceiveAllCallback(c, sendFn, queryFn, nowFn, direction));
}

void Bus::removeReceiveAll(Component* c, HandlerFunction sendFn, HandlerFunction queryFn,
                           HandlerFunction nowFn) {
    const ReceiveAllCallback match(c, sendFn, queryFn, nowFn, AnyDirection);
    if (markRemoved(
            receiveAll_, [&](const ReceiveAllCallback& h) { return h == match; }, false)) {
        removedDuringWalk_ = true;
        if (walkDepth_ == 0) compact();
    }
}

void Bus::hookReceiveAll(HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn,
                         std::uint32_t direction) {
    if (Bus* parent = parentForDispatch("hook its parent"))
        parent->addReceiveAll(this, sendFn, queryFn, nowFn, direction);
}

void Bus::unhookReceiveAll(HandlerFunction sendFn, HandlerFunction queryFn, HandlerFunction nowFn) {
    if (parent_) parent_->removeReceiveAll(this, sendFn, queryFn, nowFn);
}

void Bus::attach(Bus& parent) {
    // A bus joined below itself would forward every event round the loop for ever.
    for (Bus* up = &parent; up; up = up->parent_) {
        if (up == this) {
            Assertion::fail("Bus \"" + name_ + "\" cannot be attached below itself", "bus.cpp", __LINE__);
            return;
        }
    }
    if (parent_) detach();
    if (!parent.addComponent(this)) return;
    parent_ = &parent;
    connectParent();
}

void Bus::detach() {
    if (!parent_) return;
    parent_->removeComponent(this); // also drops what this bus registered there, and the hook down to it
    disconnectParent();
}

void Bus::connectParent() {
    hookReceiveAll(forwardSend, forwardQuery, forwardNow, ToChild);
    addReceiveAll(parent_, forwardSend, forwardQuery, forwardNow, ToParent);
}

void Bus::disconnectParent() {
    if (parent_) removeReceiveAll(parent_, forwardSend, forwardQuery, forwardNow);
    parent_ = nullptr;
}

void Bus::blockForwarding(Component*, BusMessage event, std::uint32_t direction) {
    Item<ReceiveAllCallback>* it = nullptr;
    for (receiveAll_.firstItem(it); it; it = it->next)
        if (it->value.component && (direction == AnyDirection || it->value.direction == direction))
            it->value.excluded.append(event);
}

void Bus::unblockForwarding(Component*, BusMessage event, std::uint32_t direction) {
    Item<ReceiveAllCallback>* it = nullptr;
    for (receiveAll_.firstItem(it); it; it = it->next)
        if (it->value.component && (direction == AnyDirection || it->value.direction == direction))
            it->value.excluded.remove(event);
}

// The forwarders: the receiving bus dispatches the event again on itself, with the forwarding bus as the
// sender, so that it skips its hook back. The box keeps the payload copy and deletes it.
ContainerBase* Bus::forwardSend(Component* target, BusMessage event, ContainerBase* data) {
    auto* bus = dynamic_cast<Bus*>(target);
    ReceiveAllData* forwarded = ReceiveAllData::inPayload(data);
    if (bus && forwarded) bus->send(forwarded->bus, event, forwarded->data);
    return nullptr;
}

ContainerBase* Bus::forwardQuery(Component* target, BusMessage event, ContainerBase* data) {
    auto* bus = dynamic_cast<Bus*>(target);
    ReceiveAllData* forwarded = ReceiveAllData::inPayload(data);
    return bus && forwarded ? bus->query(forwarded->bus, event, forwarded->data) : nullptr;
}

ContainerBase* Bus::forwardNow(Component* target, BusMessage event, ContainerBase* data) {
    auto* bus = dynamic_cast<Bus*>(target);
    ReceiveAllData* forwarded = ReceiveAllData::inPayload(data);
    return bus && forwarded ? bus->sendNow(forwarded->bus, event, forwarded->data) : nullptr;
}

// On the parent, on this bus's behalf.

Bus* Bus::parentForDispatch(const char* operation) const {
    if (!parent_)
        Assertion::fail("Bus \"" + name_ + "\" cannot " + operation + ": it has no parent", "bus.cpp",
                        __LINE__);
    return parent_;
}

void Bus::sendToParent(Component* sender, BusMessage event, ContainerBase* data) {
    if (Bus* parent = parentForDispatch("send to its parent")) parent->send(sender, event, data);
}
ContainerBase* Bus::queryToParent(Component* sender, BusMessage event, ContainerBase* data) {
    Bus* parent = parentForDispatch("query its parent");
    return parent ? parent->query(sender, event, data) : nullptr;
}
ContainerBase* Bus::sendNowToParent(Component* sender, BusMessage event, ContainerBase* data) {
    Bus* parent = parentForDispatch("dispatch at once on its parent");
    return parent ? parent->sendNow(sender, event, data) : nullptr;
}

void Bus::parentSendEmpty(BusMessage event) {
    Container<short> none(0);
    sendToParent(this, event, &none);
}
void Bus::parentSend(BusMessage event, ContainerBase* data) {
    sendToParent(this, event, data);
}
void Bus::parentSendNamedEmpty(const std::string& name) {
    parentSendEmpty(named(name));
}
void Bus::parentSendNamed(const std::string& name, ContainerBase* data) {
    parentSend(named(name), data);
}

ContainerBase* Bus::parentQueryEmpty(BusMessage event) {
    Container<short> none(0);
    return queryToParent(this, event, &none);
}
ContainerBase* Bus::parentQuery(BusMessage event, ContainerBase* data) {
    return queryToParent(this, event, data);
}
ContainerBase* Bus::parentQueryNamedEmpty(const std::string& name) {
    return parentQueryEmpty(named(name));
}
ContainerBase* Bus::parentQueryNamed(const std::string& name, ContainerBase* data) {
    return parentQuery(named(name), data);
}

ContainerBase* Bus::parentSendNowEmpty(BusMessage event) {
    Container<short> none(0);
    return sendNowToParent(this, event, &none);
}
ContainerBase* Bus::parentSendNow(BusMessage event, ContainerBase* data) {
    return sendNowToParent(this, event, data);
}
ContainerBase* Bus::parentSendNowNamedEmpty(const std::string& name) {
    return parentSendNowEmpty(named(name));
}
ContainerBase* Bus::parentSendNowNamed(const std::string& name, ContainerBase* data) {
    return parentSendNow(named(name), data);
}

void Bus::parentConnect(BusMessage event, HandlerFunction handler) {
    if (Bus* parent = parentForDispatch("connect on its parent")) parent->connect(this, event, handler);
}
void Bus::parentConnectNamed(const std::string& name, HandlerFunction handler) {
    parentConnect(named(name), handler);
}
void Bus::parentDisconnect(BusMessage event, HandlerFunction handler) {
    if (Bus* parent = parentForDispatch("disconnect on its parent")) parent->disconnect(this, event, handler);
}
void Bus::parentDisconnectNamed(const std::string& name, HandlerFunction handler) {
    parentDisconnect(named(name), handler);
}
void Bus::parentDisconnectAll() {
    if (Bus* parent = parentForDispatch("disconnect all on its parent")) parent->disconnectAll(this);
}

} // namespace vael
