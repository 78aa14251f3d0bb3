#include "game/map/vael_landscape_tile.h"

#include <algorithm>
#include <vector>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/container.h"
#include "framework/display/bitmap_reference.h"
#include "framework/display/rows_bitmap.h"
#include "framework/ui/menu.h"
#include "framework/ui/t_layout_window.h"
#include "framework/ui/win_app.h"
#include "game/map/isometric_hex_landscape.h"
#include "game/map/map_message_names.h"
#include "game/map/vael_sprite.h"

namespace vael {

namespace {
constexpr std::uint16_t EdgeScrollRate = 10;
// The first scroll from the top band waits half a second: the menu bar is right above, and a mouse on its
// way there should not move the map.
constexpr std::int16_t TopDelayTicks = 5;
constexpr std::int16_t TopDelayLimit = 14;

std::int16_t cut(std::int64_t v) {
    return static_cast<std::int16_t>(v);
}

// Division that floors a negative value by stepping one whole cell back first.
std::int32_t cellDiv(std::int32_t value, std::int32_t by) {
    return value < 0 ? (value - by) / by : value / by;
}

ContainerBase* onEdgeTimer(Component* target, BusMessage, ContainerBase*) {
    if (auto* tile = dynamic_cast<VaelLandscapeTile*>(target)) tile->edgeScrollStep();
    return nullptr;
}

// A modal box holds the battle: the map under it stays where it is, whatever edge the pointer rests at.
bool heldByABox() {
    const auto* app = dynamic_cast<const WinApp*>(Application::instance());
    return app && app->modalDepth() > 0;
}

} // namespace

VaelLandscapeTile::VaelLandscapeTile(SpriteGrid grid, const Dim& gridSize, const std::string& mapName,
                                     const Dim& mapSize, std::uint16_t viewFlags, const Point& startCell,
                                     std::uint16_t overviewShown)
    : LandscapeTile(cellSizeOf(viewFlags & 3),
                    grid && gridSize.w > 0 && gridSize.h > 0 ? &grid[0][0] : nullptr, startCell, Point(1, 2),
                    "Vael Landscape Tile"),
      overviewShown_(overviewShown), mapName_(mapName), zoom_(static_cast<std::uint16_t>(viewFlags & 3)),
      mapCells_(cut(2 * mapSize.h + 2), cut(mapSize.w * 3 / 2 + 4)), grid_(grid), gridSize_(gridSize) {
    overview_ =
        std::make_unique<VaelOverviewMap>(mapCells_, Box(startCell, viewCells_), mapName_, Point(27, 22),
                                          Point(33, 33), static_cast<std::int16_t>(viewFlags & 4));
    enableVisibleList();
}

VaelLandscapeTile::~VaelLandscapeTile() {
    if (edgeScrolling_ && getBus()) killTimer(onEdgeTimer);
    if (overview_->parent()) overview_->detachFromParent();
    overview_.reset();
}

void VaelLandscapeTile::connectHandlers() {
    LandscapeTile::connectHandlers();
    if (getBus()) overview_->attach(*getBus());
}

void VaelLandscapeTile::detach() {
    if (overview_->getBus()) overview_->detach();
    LandscapeTile::detach();
}

void VaelLandscapeTile::layOutOverview() {
    // In the top-right corner, at the size of its own picture.
    const Bitmap* picture = overview_->picture();
    const Dim size = picture ? picture->size() : Dim();
    TWindowMetrics m;
    m.x.set(lmRight, lmSameAs, nullptr, lmRight, 0, lmPixels);
    m.y.set(lmTop, lmAbsolute, nullptr, lmTop, 0, lmPixels);
    m.width.set(lmWidth, lmAbsolute, nullptr, lmWidth, size.w, lmPixels);
    m.height.set(lmHeight, lmAbsolute, nullptr, lmHeight, size.h, lmPixels);
    overview_->setParent(this, m);
}

void VaelLandscapeTile::enableMouseEvents() {
    LandscapeTile::enableMouseEvents();
    enableMouseEvent(MouseLeave);
    if (overviewShown_ && !overview_->parent()) layOutOverview();
}

Menu* VaelLandscapeTile::popupMenu() {
    Display* window = parent();
    Menu* bar = window ? window->menu() : nullptr;
    return bar ? bar->findPopup("Leader") : nullptr;
}

std::int16_t VaelLandscapeTile::scrollToCell(const Point& cell) {
    overview_->scrollTo(cell);
    return LandscapeTile::scrollToCell(cell);
}

std::int16_t VaelLandscapeTile::scrollByCells(const Dim& cells) {
    overview_->scrollBy(cells);
    return LandscapeTile::scrollByCells(cells);
}

void VaelLandscapeTile::refreshOverview(bool reversed) {
    if (overview_->reversed() != reversed) overview_->flipPicture();
    // A hidden overview is turned with the view and stays hidden: it draws over the map only when shown.
    if (!overviewShown_ || overview_->parent() != this) return;
    overview_->addDirtyBox(Box(Point(), overview_->size()));
    overview_->draw();
}

Dim VaelLandscapeTile::cellSizeOf(std::uint16_t zoom) {
    return zoom == 1 ? HalfCell : zoom == 2 ? QuarterCell : FullCell;
}

Box VaelLandscapeTile::scaledToZoom(const Box& full, std::uint16_t zoom) {
    if (zoom != 1 && zoom != 2) return full;
    const double f = zoom == 1 ? 33.0 / 65.0 : 17.0 / 65.0;
    const int s = zoom == 1 ? 2 : 4;
    return Box(cut(static_cast<std::int64_t>(full.x * f)), cut(full.y / s),
               cut(static_cast<std::int64_t>(full.w * f)), cut(full.h / s));
}

Box VaelLandscapeTile::scaledToFull(const Box& l, std::uint16_t zoom) {
    if (zoom != 1 && zoom != 2) return l;
    const std::int32_t den = zoom == 1 ? 66 : 34, s = zoom == 1 ? 2 : 4;
    return Box(cut(std::int32_t{l.x} * 130 / den), cut(std::int32_t{l.y} * s),
               cut(std::int32_t{l.w} * 130 / den), cut(std::int32_t{l.h} * s));
}

Box VaelLandscapeTile::gridSpan(const Box& l) {
    const std::int32_t c0 = cellDiv(l.x, GridCellWidth), c1 = (std::int32_t{l.x} + l.w) / GridCellWidth;
    const std::int32_t r0 = cellDiv(l.y, GridCellHeight) + 1,
                       r1 = (std::int32_t{l.y} + l.h) / GridCellHeight + 1;
    return Box(cut(c0), cut(r0), cut(c1), cut(r1));
}

void VaelLandscapeTile::resize(const Dim& newSize) {
    LandscapeTile::resize(newSize);
    viewCells_ = pixelsToCells(size());
    overview_->setViewSize(viewCells_);
}

void VaelLandscapeTile::setCellSize(const Dim& cell) {
    cellSize_ = cell;
    gridOffset_ = Point(cell.w, cut(2 * cell.h));
    viewCells_ = pixelsToCells(size());
    overview_->setViewSize(viewCells_);
    if (overview_->parent()) layOutOverview();
    rebuildVisibleSprites();
}

void VaelLandscapeTile::setLandscape(Landscape* landscape) {
    if (landscape_ == landscape) return;
    if (landscape_) landscape_->removeTile(this);
    landscape_ = landscape;
    // Nothing of the picture kept is of the new landscape: the next paint draws it whole.
    back_.reset();
    // Known to the landscape, so that it forgets the tile when either goes.
    if (landscape_) dropAnswer(landscape_->addTile(this));
    rebuildVisibleSprites();
}

std::int16_t VaelLandscapeTile::hexAt(const Point& point) const {
    if (!landscape_) return -1;
    const std::int16_t block = landscape_->blockAtPoint(point);
    // The battle landscapes number their blocks by screen position, so the same hex is another block in
    // each view: everything outside the landscape speaks of hexes.
    if (auto* hexes = dynamic_cast<IsometricHexLandscape*>(landscape_))
        return block < 0 ? -1 : hexes->blockToHex(block);
    return block;
}

Point VaelLandscapeTile::viewCentre() const {
    return origin() + Point(cut(width() / 2), cut(height() / 2));
}

Point VaelLandscapeTile::rescaled(const Point& p, std::uint16_t from, std::uint16_t to) {
    const Dim a = cellSizeOf(from), b = cellSizeOf(to);
    return Point(cut(std::int32_t{p.x} * b.w / a.w), cut(std::int32_t{p.y} * b.h / a.h));
}

void VaelLandscapeTile::showLandscape(Landscape* landscape, std::uint16_t zoom) {
    const std::uint16_t was = zoom_;
    const bool placed = landscape_ != nullptr;
    const Point centre = viewCentre();
    const std::int16_t hex = hexAt(centre);
    const auto* before = dynamic_cast<IsometricHexLandscape*>(landscape_);
    const auto* after = dynamic_cast<IsometricHexLandscape*>(landscape);
    // Turned round, only the hex tells where the same ground is; on the same side the point does, and
    // repeated zooms do not wander from one hex to its neighbour.
    const bool turned = before && after && before->reversed() != after->reversed();
    setViewFlags(zoom);
    setCellSize(cellSizeOf(zoom_));
    setLandscape(landscape);
    // A tile that showed nothing yet has no middle to keep: it stays at its start cell.
    if (!placed || !landscape_) return;
    if (turned && hex >= 0)
        centerOn(landscape_->blockCenter(hex));
    else
        centerOn(rescaled(centre, was, zoom_));
}

Dim VaelLandscapeTile::clampedDirection(const Dim& d) const {
    const Point c = originCell();
    Dim out = d;
    if (c.x + d.w < 0 || c.x + d.w + viewCells_.w > mapCells_.w) out.w = 0;
    if (c.y + d.h < 0 || c.y + d.h + viewCells_.h > mapCells_.h) out.h = 0;
    return out;
}

const char* VaelLandscapeTile::cursorNameOf(const Dim& d) {
    static const char* const names[3][3] = {{"MoveNorthWest", "MoveWest", "MoveSouthWest"},
                                            {"MoveNorth", nullptr, "MoveSouth"},
                                            {"MoveNorthEast", "MoveEast", "MoveSouthEast"}};
    if (d.w < -1 || d.w > 1 || d.h < -1 || d.h > 1) return nullptr;
    return names[d.w + 1][d.h + 1];
}

void VaelLandscapeTile::changeCursor(const char* name) {
    Container<const char*> cursor(name);
    std::unique_ptr<ContainerBase> reply(queryNamed(msg::ChangeCursor, &cursor));
}

void VaelLandscapeTile::sendPoint(const char* message, const Point& point) {
    Container<PointInfo> where(PointInfo{point + origin(), zoom_});
    sendNamed(message, &where);
}

void VaelLandscapeTile::onMouseMove(const Point& p) {
    // The overview lies over the map: the pointer on it is over no hex, and near no edge to scroll by.
    if (overviewShown_ && overview_->parent() == this && overview_->bounds().contains(p)) {
        if (edgeScrolling_) stopEdgeScroll();
        sendNamedEmpty(msg::VaelPointOffHexes);
        return;
    }
    const Dim old = direction_;
    Dim d;
    if (heldByABox()) {
        if (edgeScrolling_) stopEdgeScroll();
        direction_ = Dim();
        sendPoint(msg::VaelPointFlyby, p);
        return;
    }
    if (mapCells_.w > viewCells_.w) d.w = p.x < SideBand ? -1 : p.x > width() - SideBand ? 1 : 0;
    if (mapCells_.h > viewCells_.h) d.h = p.y < TopBottomBand ? -1 : p.y > height() - TopBottomBand ? 1 : 0;
    direction_ = clampedDirection(d);
    if (direction_ != Dim()) {
        if (!edgeScrolling_ || direction_ != old) changeCursor(cursorNameOf(direction_));
        if (!edgeScrolling_) {
            delay_ = p.y <= TopDelayLimit ? TopDelayTicks : 0;
            addTimer(onEdgeTimer, EdgeScrollRate);
            edgeScrolling_ = 1;
        }
        return;
    }
    if (edgeScrolling_) changeCursor("ArrowCursor");
    sendPoint(msg::VaelPointFlyby, p);
}

void VaelLandscapeTile::mouseLeft(const Point&) {
    if (getBus()) sendNamedEmpty(msg::VaelPointOffHexes);
}

void VaelLandscapeTile::stopEdgeScroll() {
    killTimer(onEdgeTimer);
    edgeScrolling_ = 0;
    changeCursor("ArrowCursor");
}

void VaelLandscapeTile::edgeScrollStep() {
    const Point p = cursorPosition();
    const bool inside = p.x >= 0 && p.y >= 0 && p.x < width() && p.y < height();
    const bool inBand =
        p.x < SideBand || p.x > width() - SideBand || p.y < TopBottomBand || p.y > height() - TopBottomBand;
    if (!inside || !inBand || heldByABox()) direction_ = Dim();
    if (mapCells_.w <= viewCells_.w) direction_.w = 0;
    if (mapCells_.h <= viewCells_.h) direction_.h = 0;
    if (direction_ == Dim()) {
        stopEdgeScroll();
        return;
    }
    if (delay_ > 0) {
        --delay_;
        return;
    }
    const Dim d = clampedDirection(direction_);
    if (d != Dim()) scrollByCells(d);
}

void VaelLandscapeTile::onLeftButtonDown(const Point& p) {
    sendPoint(msg::VaelPointSelected, p);
}

void VaelLandscapeTile::scrollByCellsClamped(const Dim& cells) {
    const Dim d = clampedDirection(cells);
    if (d != Dim()) scrollByCells(d);
}

void VaelLandscapeTile::centerOn(const Point& point) {
    Point c = pointToCell(point);
    c.x = cut(c.x - viewCells_.w / 2);
    c.y = cut(c.y - viewCells_.h / 2);
    const auto axis = [](std::int16_t& at, std::int16_t view, std::int16_t map) {
        if (view > map)
            at = cut(-((view - map) / 2));
        else if (at < 0)
            at = 0;
        else if (at + view > map)
            at = cut(map - view);
    };
    axis(c.x, viewCells_.w, mapCells_.w);
    axis(c.y, viewCells_.h, mapCells_.h);
    clearOfOverview(point, c);
    scrollToCell(c);
}

void VaelLandscapeTile::clearOfOverview(const Point& point, Point& cell) const {
    // Held inside the map, a point by its top or right edge may stay under the overview in the top-right
    // corner, out of the player's reach. The view then passes the edge, by rows upward or by columns
    // rightward, whichever takes fewer pixels.
    const Bitmap* picture = overviewShown_ ? overview_->picture() : nullptr;
    if (!picture) return;
    const Dim panel = picture->size();
    const Dim cell1 = cellSize();
    if (cell1.w <= 0 || cell1.h <= 0) return;
    const Point corner = cellToPoint(cell);
    const Point at(cut(point.x - corner.x), cut(point.y - corner.y));
    const std::int32_t left = width() - panel.w;
    if (at.x < left || at.x >= width() || at.y < 0 || at.y >= panel.h) return;
    const std::int32_t rows = (panel.h - at.y + cell1.h - 1) / cell1.h;
    const std::int32_t columns = (at.x - left + 1 + cell1.w - 1) / cell1.w;
    if (rows * cell1.h <= columns * cell1.w)
        cell.y = cut(cell.y - rows);
    else
        cell.x = cut(cell.x + columns);
}

void VaelLandscapeTile::invalidateWhole() {
    invalidateView();
}

void VaelLandscapeTile::hideOverview() {
    if (!overviewShown_) return;
    overviewShown_ = 0;
    if (overview_->parent()) overview_->detachFromParent();
    invalidateWhole();
}

void VaelLandscapeTile::showOverview() {
    if (overviewShown_) return;
    overviewShown_ = 1;
    if (!overview_->parent() && parent()) layOutOverview();
    invalidateWhole();
}

void VaelLandscapeTile::invalidateBox(const Box& box) {
    markLandscapeBox(scaledToZoom(box, zoom_));
    draw();
}

void VaelLandscapeTile::invalidateBoxes(const List<Box>& boxes) {
    Item<Box>* item = nullptr;
    for (boxes.firstItem(item); item; item = item->next)
        markLandscapeBox(scaledToZoom(item->value, zoom_));
    draw();
}

void VaelLandscapeTile::drawGridCell(const Box& clip, const List<Sprite*>& sprites) {
    Bitmap* shown = presentedPixels();
    if (!shown) return;
    auto* hexes = dynamic_cast<IsometricHexLandscape*>(landscape_);
    Item<Sprite*>* item = nullptr;
    for (sprites.firstItem(item); item; item = item->next) {
        Sprite* sprite = item->value;
        auto* game = dynamic_cast<VaelSprite*>(sprite);
        Box over = game ? game->boundsAt(zoom_) : sprite->bounds();
        if (!clip.intersect(over) || over.w <= 0 || over.h <= 0) continue;
        BitmapReference part(*shown, clip - origin());
        if (game) {
            // Figures on a lit hex are lit with it: standing on it they would hide most of it.
            const PhysicalBlock* ground =
                hexes ? hexes->block(hexes->hexToBlock(static_cast<std::int16_t>(sprite->region())))
                      : nullptr;
            game->setLit(ground && ground->highlight());
            game->drawAt(part, clip.topLeft(), zoom_);
            game->setLit(false);
        } else
            sprite->draw(part, clip.topLeft());
        // Ground of the neighbours in front stands higher than the sprite's feet: it covers them again.
        if (hexes) hexes->redrawRaisedNeighbours(part, static_cast<std::int16_t>(sprite->region()), clip);
    }
}

void VaelLandscapeTile::draw() {
    if (drawingSuspended_ || !landscape_) return;
    Bitmap& back = backBitmap();
    const platform::Surface backRows{back.bits(), back.width(), back.height(), back.stride()};
    const std::int16_t s = zoom_ == 1 ? 2 : zoom_ == 2 ? 4 : 1;
    const std::int16_t cw = cellSizeOf(zoom_).w;
    bool any = false;
    while (!dirtyBoxes_.empty()) {
        any = true;
        const Box d = dirtyBoxes_.front();
        dirtyBoxes_.erase(dirtyBoxes_.begin());
        drawBitmap(d.topLeft(), backRows, d);
        if (!grid_ || gridSize_.w <= 0 || gridSize_.h <= 0) continue;
        const Box span = gridSpan(scaledToFull(d + origin(), zoom_));
        const std::int16_t c0 = std::max<std::int16_t>(span.x, 0), r0 = std::max<std::int16_t>(span.y, 0);
        const std::int16_t c1 = std::min<std::int16_t>(span.w, cut(gridSize_.w - 1));
        const std::int16_t r1 = std::min<std::int16_t>(span.h, cut(gridSize_.h - 1));
        for (std::int16_t r = r0; r <= r1; ++r)
            for (std::int16_t c = c1; c >= c0; --c) {
                Box clip = d + origin();
                Box cell(cut(c * cw), cut((r - 1) * GridCellHeight / s), cw, cut(GridCellHeight / s));
                if (!cell.intersect(clip) || clip.w <= 0 || clip.h <= 0) continue;
                drawGridCell(clip, grid_[r][c]);
            }
    }
    if (any) {
        // The overview draws itself into the same window, and the whole window goes to the screen right
        // after: one presentation for both, not one for each of the overview's steps as well.
        holdPresents_ = true;
        Display::draw();
        holdPresents_ = false;
    }
    update();
    rebuild_ = 0;
}

void VaelLandscapeTile::update() {
    if (!holdPresents_) LandscapeTile::update();
}

void VaelLandscapeTile::resortVisibleSprites() {
    std::vector<Sprite*> kept, changed;
    Item<Sprite*>* item = nullptr;
    for (visibleSprites_.firstItem(item); item; item = item->next)
        (item->value->isChanged() ? changed : kept).push_back(item->value);
    // Each moved sprite goes in front of the first sprite that stands in front of it.
    for (Sprite* sprite : changed) {
        auto at = std::find_if(kept.begin(), kept.end(),
                               [&](Sprite* other) { return other->compare(*sprite) > 0; });
        kept.insert(at, sprite);
    }
    visibleSprites_.clear();
    for (Sprite* sprite : kept)
        visibleSprites_.append(sprite);
}

} // namespace vael
