#pragma once
// The display side of a game: the bus on which the physical objects live. It makes them from prototypes,
// routes each logical command to the object of its logical object, keeps the shown sprites in drawing
// order, runs the animation tick while some object animates, picks sprites under a point front to back,
// and owns the viewports through which windows look at it.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "framework/core/bus.h"
#include "framework/core/command_records.h"
#include "framework/core/dyn_array.h"
#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/display/physical_object.h"
#include "framework/display/sprite.h"
#include "framework/display/viewport.h"

namespace vael {

class PhysicalLayer : public Bus {
public:
    // Ticks per second of the animation timer.
    static constexpr std::uint16_t TickRate = 10;

    explicit PhysicalLayer(const char* name = nullptr);
    ~PhysicalLayer() override;

    // Takes ownership of the prototype; one for the type id replaces (and deletes) the one before it.
    // The last layer to go deletes them all.
    static void registerPrototype(std::uint16_t typeId, PhysicalObject* prototype);
    static PhysicalObject* prototype(std::uint16_t typeId);
    static std::int32_t liveLayers() { return liveLayers_; }

    void connectParent() override;

    virtual std::int16_t createObject(const LogicalCommandInfo& record);
    virtual std::int16_t deliverCommand(const LogicalCommandInfo& record);
    virtual std::int16_t insertSprite(Sprite* sprite);
    virtual std::int16_t removeSprite(Sprite* sprite);
    virtual std::int16_t addClient(short componentId);
    virtual std::int16_t removeClient(short componentId);
    virtual std::int16_t updateDisplay(long tick);
    virtual std::int16_t deleteViewport(ViewportWindow* window);
    virtual std::int16_t pointSelected(const Point& point);
    virtual std::int16_t pointFlyby(const Point& point);
    virtual std::int16_t deleteAllObjects();

    std::int16_t disableSprite(Sprite* sprite);
    std::int16_t enableSprite(Sprite* sprite);
    // Takes ownership of the viewport and attaches it below this layer.
    void addViewport(Viewport* viewport);
    // Sizes the grid of sprite cells (columns by rows), empty.
    void setGridSize(const Dim& size);
    // Null outside the grid.
    List<Sprite*>* cell(std::int16_t column, std::int16_t row);

    const List<PhysicalObject*>& objects() const { return objects_; }
    const List<Sprite*>& orderedSprites() const { return orderedSprites_; }
    const List<Sprite*>& disabledSprites() const { return disabledSprites_; }
    const List<short>& clients() const { return clients_; }
    const List<Viewport*>& viewports() const { return viewports_; }
    // The component id of a logical object's display object; -1 for one never made.
    short objectId(std::uint16_t logicalNumber);
    Dim gridSize() const { return gridSize_; }
    std::int16_t lastFlybyId() const { return lastFlybyId_; }

protected:
    // Queries INVALIDATE_VIEW on this bus with the box of a sprite that went or changed.
    void invalidate(const Box& box);
    // The region under the point: the front sprite hit, else the landscape's answer; -1 for none.
    short regionAt(const Point& point);
    void deleteObjectsAndViewports();
    void stopTimer();
    // For a layer that picks points its own way.
    void disconnectPointHandlers();

    std::int16_t lastFlybyId_ = -1;
    List<PhysicalObject*> objects_;
    DynArray<short> objectIds_{10};
    std::vector<bool> made_; // by logical number: whether objectIds_ holds an object's id
    Dim gridSize_;
    std::vector<List<Sprite*>> cellGrid_; // row by row
    List<Sprite*> orderedSprites_;
    List<Sprite*> disabledSprites_;
    List<short> clients_;
    List<Viewport*> viewports_;

private:
    static ContainerBase* onCloseGame(Component*, BusMessage, ContainerBase*);
    static ContainerBase* onViewportDestroyed(Component*, BusMessage, ContainerBase*);
    static ContainerBase* onTimer(Component*, BusMessage, ContainerBase*);

    bool timerRunning_ = false;

    static std::map<std::uint16_t, std::unique_ptr<PhysicalObject>> prototypes_;
    static List<short> prototypeIds_;
    static std::int32_t liveLayers_;
};

} // namespace vael
