#include "framework/display/physical_layer.h"

#include <memory>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/message_names.h"
#include "framework/core/payload_check.h"
#include "framework/display/display_message_names.h"
#include "framework/ui/child_window.h"

namespace vael {

std::map<std::uint16_t, std::unique_ptr<PhysicalObject>> PhysicalLayer::prototypes_;
List<short> PhysicalLayer::prototypeIds_;
std::int32_t PhysicalLayer::liveLayers_ = 0;

namespace {
constexpr const char* SourceName = "physical_layer.cpp";

template <class T> T* takeOwned(List<T*>& list) {
    T* first = nullptr;
    list.removeFirst(first);
    return first;
}

PhysicalLayer* layerOf(Component* target) {
    return static_cast<PhysicalLayer*>(target);
}

// The handler that checks the payload is a T and hands it to the layer's operation.
template <class T, auto Operation> ContainerBase* handle(Component* target, BusMessage, ContainerBase* data) {
    callWithPayload<T>(data, SourceName, __LINE__,
                       [&](const T& value) { return (layerOf(target)->*Operation)(value); });
    return nullptr;
}
} // namespace

PhysicalLayer::PhysicalLayer(const char* name) : Bus(name ? name : "PhysicalLayer--Vector Bus") {
    ++liveLayers_;
}

PhysicalLayer::~PhysicalLayer() {
    stopTimer();
    deleteObjectsAndViewports();
    if (--liveLayers_ == 0) {
        prototypes_.clear();
        prototypeIds_.clear();
    }
}

void PhysicalLayer::registerPrototype(std::uint16_t typeId, PhysicalObject* prototype) {
    auto [at, fresh] = prototypes_.try_emplace(typeId, prototype);
    if (fresh) {
        prototypeIds_.append(static_cast<short>(typeId));
    } else if (at->second.get() != prototype) {
        at->second.reset(prototype);
    }
}

PhysicalObject* PhysicalLayer::prototype(std::uint16_t typeId) {
    auto at = prototypes_.find(typeId);
    return at == prototypes_.end() ? nullptr : at->second.get();
}

void PhysicalLayer::connectParent() {
    Bus::connectParent();
    // Attached again, the layer registers afresh rather than twice.
    Bus::disconnectAll(this);
    connect(LOGICAL_UNIT_CREATED, handle<LogicalCommandInfo, &PhysicalLayer::createObject>);
    connect(SPRITE_CREATED, handle<Sprite*, &PhysicalLayer::insertSprite>);
    connectNamed(msg::SpriteDestroyed, handle<Sprite*, &PhysicalLayer::removeSprite>);
    connect(SPRITE_DISABLED, handle<Sprite*, &PhysicalLayer::disableSprite>);
    connect(SPRITE_ENABLED, handle<Sprite*, &PhysicalLayer::enableSprite>);
    connect(PHYSICAL_OBJECT_ACTIVATED, handle<short, &PhysicalLayer::addClient>);
    connect(PHYSICAL_OBJECT_DEACTIVATED, handle<short, &PhysicalLayer::removeClient>);
    connect(VIEWPORT_DESTROYED, onViewportDestroyed);
    connect(POINT_SELECTED, handle<Point, &PhysicalLayer::pointSelected>);
    connect(POINT_FLYBY, handle<Point, &PhysicalLayer::pointFlyby>);
    connectNamed(msg::CloseGame, onCloseGame);
    // Each command reaches only its own object, through the handler on the parent, never by forwarding
    // to every object of the layer.
    blockEvent(LOGICAL_COMMAND, 0);
    parentConnect(LOGICAL_COMMAND, handle<LogicalCommandInfo, &PhysicalLayer::deliverCommand>);

    // What the objects and displays of one layer say about sprites, regions and redrawing stays on this
    // layer and its viewports.
    for (BusEvent event : {SPRITE_CREATED, SPRITE_DISABLED, SPRITE_ENABLED, PHYSICAL_OBJECT_ACTIVATED,
                           PHYSICAL_OBJECT_DEACTIVATED})
        blockForwarding(event, AnyDirection);
    blockForwardingNamed(msg::SpriteDestroyed, AnyDirection);
    for (BusEvent event : {VIEWPORT_DESTROYED, POINT_SELECTED, POINT_FLYBY, FIND_REGION, INVALIDATE_LANDSCAPE,
                           INVALIDATE_VIEW})
        blockForwarding(event, ToParent);
    blockForwardingNamed(msg::GetRegionLocation, ToParent);
}

void PhysicalLayer::disconnectPointHandlers() {
    disconnect(POINT_SELECTED, handle<Point, &PhysicalLayer::pointSelected>);
    disconnect(POINT_FLYBY, handle<Point, &PhysicalLayer::pointFlyby>);
}

// Objects and commands.

std::int16_t PhysicalLayer::createObject(const LogicalCommandInfo& record) {
    short typeId = 0;
    PhysicalObject* proto =
        Container<short>::fromMessage(record.payload.get(), typeId) ? prototype(typeId) : nullptr;
    if (!proto) {
        debugStream() << "VPL: no prototype for display type " << typeId << " of logical object "
                      << record.command << "\n";
        return 0;
    }
    if (record.command >= DynArray<short>::kMaxSize) {
        debugStream() << "VPL: logical object number " << record.command << " is out of range\n";
        return 0;
    }
    PhysicalObject* object = proto->create(record.value);
    if (!object) return 0;
    objects_.append(object);
    object->setId(static_cast<std::uint16_t>(typeId));
    objectIds_[record.command] = nextId();
    if (made_.size() <= record.command) made_.resize(record.command + 1u, false);
    made_[record.command] = true;
    object->attach(*this);
    return 0;
}

short PhysicalLayer::objectId(std::uint16_t logicalNumber) {
    if (logicalNumber >= made_.size() || !made_[logicalNumber]) return -1;
    return objectIds_[logicalNumber];
}

std::int16_t PhysicalLayer::deliverCommand(const LogicalCommandInfo& record) {
    // A logical object this layer never made has no object to play its command; id 0 belongs to
    // another one.
    const short id = objectId(record.command);
    if (id < 0) return 0;
    Container<LogicalCommandInfo> box(record);
    List<VectorBusResponse> answers = queryTo(static_cast<std::uint16_t>(id), LOGICAL_COMMAND, &box);
    VectorBusResponse answer;
    while (answers.removeFirst(answer))
        dropAnswer(answer.result);
    return 0;
}

// Drawing order.

std::int16_t PhysicalLayer::insertSprite(Sprite* sprite) {
    if (!sprite) return 0;
    sprite->setChanged(0);
    // Before the first sprite drawn after it; equals keep their order of arrival.
    Item<Sprite*>* item = nullptr;
    if (!orderedSprites_.firstItem(item) || item->value->compare(*sprite)) {
        orderedSprites_.prepend(sprite);
        return 0;
    }
    ListIterator<Sprite*> walk(orderedSprites_);
    while (walk.nextItem(item)) {
        if (item->next && item->next->value->compare(*sprite)) {
            walk.insert(sprite); // the cursor stands on item->next
            return 0;
        }
    }
    orderedSprites_.append(sprite);
    return 0;
}

void PhysicalLayer::invalidate(const Box& box) {
    Container<Box> payload(box);
    dropAnswer(query(INVALIDATE_VIEW, &payload));
}

std::int16_t PhysicalLayer::removeSprite(Sprite* sprite) {
    if (!sprite) return 0;
    for (List<Sprite*>& cell : cellGrid_)
        cell.removeAll(sprite);
    orderedSprites_.removeAll(sprite);
    disabledSprites_.removeAll(sprite);
    invalidate(sprite->bounds());
    return 0;
}

std::int16_t PhysicalLayer::disableSprite(Sprite* sprite) {
    if (!sprite) return 0;
    orderedSprites_.remove(sprite);
    disabledSprites_.append(sprite);
    invalidate(sprite->bounds());
    return 0;
}

std::int16_t PhysicalLayer::enableSprite(Sprite* sprite) {
    if (!sprite) return 0;
    disabledSprites_.remove(sprite);
    insertSprite(sprite);
    invalidate(sprite->bounds());
    return 0;
}

void PhysicalLayer::setGridSize(const Dim& size) {
    gridSize_ = Dim(std::max<std::int16_t>(size.w, 0), std::max<std::int16_t>(size.h, 0));
    cellGrid_.assign(static_cast<std::size_t>(gridSize_.w) * gridSize_.h, List<Sprite*>());
}

List<Sprite*>* PhysicalLayer::cell(std::int16_t column, std::int16_t row) {
    if (column < 0 || row < 0 || column >= gridSize_.w || row >= gridSize_.h) return nullptr;
    return &cellGrid_[static_cast<std::size_t>(row) * gridSize_.w + column];
}

// Clients and the tick.

std::int16_t PhysicalLayer::addClient(short componentId) {
    if (clients_.isEmpty() && !timerRunning_) {
        addTimer(onTimer, TickRate);
        timerRunning_ = true;
    }
    if (!clients_.contains(componentId)) clients_.append(componentId);
    return 0;
}

std::int16_t PhysicalLayer::removeClient(short componentId) {
    clients_.remove(componentId);
    if (clients_.isEmpty()) stopTimer();
    return 0;
}

void PhysicalLayer::stopTimer() {
    if (!timerRunning_) return;
    killTimer(onTimer);
    timerRunning_ = false;
}

std::int16_t PhysicalLayer::updateDisplay(long tick) {
    // Objects that finish leave the client list while they are asked: ask the ones there were.
    const List<short> asked = clients_;
    Container<long> now(tick);
    List<VectorBusResponse> answers = queryToList(asked, UPDATE_PHYSICAL_OBJECT, &now);
    Container<List<Box>> dirty;
    VectorBusResponse answer;
    while (answers.removeFirst(answer)) {
        Box box;
        if (Container<Box>::fromMessage(answer.result, box)) dirty.valuePtr()->append(box);
        dropAnswer(answer.result);
    }

    // Sprites that moved take their place in the drawing order again.
    List<Sprite*> moved;
    Item<Sprite*>* it = nullptr;
    for (orderedSprites_.firstItem(it); it; it = it->next)
        if (it->value->isChanged()) moved.append(it->value);
    Sprite* sprite = nullptr;
    while (moved.removeFirst(sprite)) {
        orderedSprites_.remove(sprite);
        insertSprite(sprite);
    }

    dropAnswer(query(INVALIDATE_VIEW, &dirty));
    return 0;
}

// Picking.

short PhysicalLayer::regionAt(const Point& point) {
    Item<Sprite*>* it = nullptr;
    for (orderedSprites_.lastItem(it); it; it = it->prev)
        if (it->value->hitTest(point)) return static_cast<short>(it->value->region());
    Container<Point> where(point);
    std::unique_ptr<ContainerBase> answer(query(FIND_REGION, &where));
    short region = -1;
    takeAnswer(answer.get(), region, __FILE__, __LINE__);
    return region;
}

std::int16_t PhysicalLayer::pointSelected(const Point& point) {
    const short region = regionAt(point);
    if (region == -1) {
        if (Application* app = Application::instance()) app->beep();
        return 0;
    }
    Container<short> box(region);
    send(REGION_SELECTED, &box);
    return 0;
}

std::int16_t PhysicalLayer::pointFlyby(const Point& point) {
    const short region = regionAt(point);
    if (region == -1 || region == lastFlybyId_) return 0;
    lastFlybyId_ = region;
    Container<short> box(region);
    send(REGION_FLYBY, &box);
    return 0;
}

// Viewports and closing.

void PhysicalLayer::addViewport(Viewport* viewport) {
    if (!viewport) return;
    viewports_.append(viewport);
    viewport->attach(*this);
}

std::int16_t PhysicalLayer::deleteViewport(ViewportWindow* window) {
    Item<Viewport*>* it = nullptr;
    for (viewports_.firstItem(it); it; it = it->next) {
        if (it->value->display() != window) continue;
        Viewport* viewport = it->value;
        viewports_.removeItem(it);
        delete viewport;
        break;
    }
    return 0;
}

void PhysicalLayer::deleteObjectsAndViewports() {
    while (PhysicalObject* object = takeOwned(objects_))
        delete object;
    while (Viewport* viewport = takeOwned(viewports_))
        delete viewport;
}

std::int16_t PhysicalLayer::deleteAllObjects() {
    deleteObjectsAndViewports();
    orderedSprites_.clear();
    disabledSprites_.clear();
    for (List<Sprite*>& cell : cellGrid_)
        cell.clear();
    clients_.clear();
    stopTimer();
    return 0;
}

// Handlers.

// The window goes as a display (Component) or, from the frame that lost an MDI child, as that child; the
// child's pointer is only compared with the live viewports' windows, never followed: it may be half gone.
ContainerBase* PhysicalLayer::onViewportDestroyed(Component* target, BusMessage, ContainerBase* data) {
    PhysicalLayer* layer = layerOf(target);
    if (auto* child = dynamic_cast<Container<ChildWindow*>*>(data)) {
        for (Viewport* viewport : layer->viewports_)
            if (dynamic_cast<ChildWindow*>(viewport->display()) == child->value()) {
                layer->deleteViewport(viewport->display());
                break;
            }
        return nullptr;
    }
    callWithPayload<ViewportWindow*>(data, SourceName, __LINE__, [&](ViewportWindow* const& window) {
        return layer->deleteViewport(window);
    });
    return nullptr;
}

ContainerBase* PhysicalLayer::onCloseGame(Component* target, BusMessage, ContainerBase*) {
    layerOf(target)->deleteAllObjects();
    return nullptr;
}

ContainerBase* PhysicalLayer::onTimer(Component* target, BusMessage, ContainerBase* data) {
    long tick = 0;
    Container<long>::fromMessage(data, tick);
    layerOf(target)->updateDisplay(tick);
    return nullptr;
}

} // namespace vael
