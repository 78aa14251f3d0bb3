#include "framework/display/landscape.h"

#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/message_names.h"
#include "framework/core/payload_check.h"
#include "framework/display/bitmap_reference.h"
#include "framework/display/display_message_names.h"
#include "framework/display/landscape_tile.h"

namespace vael {

namespace {
constexpr const char* SourceName = "LANDSCAP";

Landscape* landscapeOf(Component* target) {
    return dynamic_cast<Landscape*>(target);
}

ContainerBase* onBeginLandscape(Component* target, BusMessage, ContainerBase* data) {
    if (Landscape* l = landscapeOf(target))
        callWithPayload<LandscapeDefinition>(data, SourceName, __LINE__,
                                             [&](const LandscapeDefinition& d) { l->beginLandscape(d); });
    return nullptr;
}

ContainerBase* onCreateRegion(Component* target, BusMessage, ContainerBase* data) {
    Landscape* l = landscapeOf(target);
    if (!l) return nullptr;
    std::int16_t result = 0;
    if (auto* list = dynamic_cast<Container<List<LogicalRegion>>*>(data))
        result = l->createRegions(*list->valuePtr());
    else if (auto* one = dynamic_cast<Container<LogicalRegion>*>(data))
        result = l->createRegion(*one->valuePtr());
    return result ? new Container<short>(result) : nullptr;
}

ContainerBase* onEndLandscape(Component* target, BusMessage, ContainerBase*) {
    if (Landscape* l = landscapeOf(target)) l->endLandscape();
    return nullptr;
}

ContainerBase* onFindRegion(Component* target, BusMessage, ContainerBase* data) {
    Landscape* l = landscapeOf(target);
    if (!l) return nullptr;
    // A payload that is no point is looked up at the origin, as the display has always answered it.
    Point point;
    Container<Point>::fromMessage(data, point);
    return new Container<short>(l->blockAtPoint(point));
}

template <std::int16_t Flag> ContainerBase* onHighlight(Component* target, BusMessage, ContainerBase* data) {
    Landscape* l = landscapeOf(target);
    if (!l) return nullptr;
    // A single index is a box of its own type, never a list: only an exact list box is read as one.
    if (auto* list = dynamic_cast<Container<List<short>>*>(data))
        l->highlightRegionList(*list->valuePtr(), Flag);
    else if (auto* one = dynamic_cast<Container<short>*>(data))
        l->highlightBlock(one->value(), Flag);
    return nullptr;
}

template <std::int16_t Flag>
ContainerBase* onHalfHighlight(Component* target, BusMessage, ContainerBase* data) {
    if (Landscape* l = landscapeOf(target))
        callWithPayload<List<short>*>(data, SourceName, __LINE__,
                                      [&](List<short>* list) { l->halfHighlightRegionList(list, Flag); });
    return nullptr;
}

ContainerBase* onToggleHalfHighlight(Component* target, BusMessage, ContainerBase* data) {
    if (Landscape* l = landscapeOf(target))
        callWithPayload<List<short>*>(data, SourceName, __LINE__,
                                      [&](List<short>* list) { l->toggleHalfHighlightRegionList(list); });
    return nullptr;
}

ContainerBase* onTileCreated(Component* target, BusMessage, ContainerBase* data) {
    Landscape* l = landscapeOf(target);
    if (!l) return nullptr;
    return callWithPayload<LandscapeTile*>(data, SourceName, __LINE__,
                                           [&](LandscapeTile* tile) -> ContainerBase* { return l->addTile(tile); });
}

ContainerBase* onRegionLocation(Component* target, BusMessage, ContainerBase* data) {
    Landscape* l = landscapeOf(target);
    if (!l) return nullptr;
    // Without an index there is no region to place: nobody is answered rather than region 0.
    if (!data) return nullptr;
    return callWithPayload<short>(data, SourceName, __LINE__, [&](short index) -> ContainerBase* {
        return new Container<Point3D>(l->blockCenter(index));
    });
}

ContainerBase* onCloseGame(Component* target, BusMessage, ContainerBase*) {
    if (Landscape* l = landscapeOf(target)) l->closeGame();
    return nullptr;
}

template <class T, class Visit> void forEach(const List<T>& list, Visit&& visit) {
    Item<T>* item = nullptr;
    for (list.firstItem(item); item; item = item->next)
        visit(item->value);
}
} // namespace

Landscape::Landscape(const Dim& cellStep, const char* name)
    : Component(name ? name : "Unnamed Landscape"), cellStep_(cellStep) {}

Landscape::~Landscape() {
    dirty_.clear();
    // Tiles that outlive the landscape must not call back into it.
    forEach(tiles_, [this](LandscapeTile* tile) { tile->landscapeGone(this); });
    tiles_.clear();
}

void Landscape::connectHandlers() {
    connect(BEGIN_LANDSCAPE, onBeginLandscape);
    connect(CREATE_REGION, onCreateRegion);
    connect(END_LANDSCAPE, onEndLandscape);
    connect(FIND_REGION, onFindRegion);
    connect(HIGHLIGHT_REGION, onHighlight<1>);
    connect(DEHIGHLIGHT_REGION, onHighlight<0>);
    connect(HALF_HIGHLIGHT_REGION, onHalfHighlight<1>);
    connect(HALF_DEHIGHLIGHT_REGION, onHalfHighlight<0>);
    connect(TOGGLE_REGION_HALF_HIGHLIGHT, onToggleHalfHighlight);
    connect(LANDTILE_CREATED, onTileCreated);
    connectNamed(msg::GetRegionLocation, onRegionLocation);
    connectNamed(msg::CloseGame, onCloseGame);
}

void Landscape::invalidate(const Box& box) {
    if (box.isZero()) return;
    Box grown = box;
    // After each absorption the walk starts again: the grown box may now touch one it passed before.
    for (bool absorbed = true; absorbed;) {
        absorbed = false;
        Item<Box>* item = nullptr;
        for (dirty_.firstItem(item); item; item = item->next) {
            if (!grown.overlaps(item->value)) continue;
            grown |= item->value;
            dirty_.removeItem(item);
            absorbed = true;
            break;
        }
    }
    dirty_.append(grown);
}

void Landscape::update() {
    forEach(tiles_, [this](LandscapeTile* tile) {
        Bitmap& back = tile->backBitmap();
        drawArea(back, tile->origin());
        tile->markLandscapeBox(Box(tile->origin(), back.size()));
    });
    dirty_.clear();
}

void Landscape::updateTiles() {
    forEach(tiles_, [this](LandscapeTile* tile) {
        Bitmap& back = tile->backBitmap();
        const Point origin = tile->origin();
        const Box whole(0, 0, back.width(), back.height());
        forEach(dirty_, [&](const Box& d) {
            // Only the part of the box the tile shows is drawn; a box wholly off the tile draws nothing.
            Box shown = d - origin;
            if (whole.intersect(shown) && shown.w > 0 && shown.h > 0) {
                BitmapReference part(back, shown);
                drawArea(part, shown.topLeft() + origin);
            }
            tile->markLandscapeBox(d);
        });
    });
    dirty_.clear();
}

void Landscape::invalidateArea(const Box& box) {
    if (!box.isZero()) invalidate(box);
    updateTiles();
}

std::int16_t Landscape::closeGame() {
    dirty_.clear();
    forEach(tiles_, [this](LandscapeTile* tile) { tile->landscapeGone(this); });
    tiles_.clear();
    return 0;
}

Container<Landscape*>* Landscape::addTile(LandscapeTile* tile) {
    if (tile && !tiles_.contains(tile)) tiles_.append(tile);
    return new Container<Landscape*>(this);
}

void Landscape::invalidateTiles(const List<Box>& boxes) {
    forEach(tiles_, [&](LandscapeTile* tile) {
        tile->markLandscapeBoxes(boxes);
        tile->draw();
    });
}

void Landscape::removeTile(LandscapeTile* tile) {
    tiles_.removeAll(tile);
}

} // namespace vael
