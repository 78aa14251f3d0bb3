#include "framework/display/landscape_tile.h"

#include <cstdlib>

#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/payload_check.h"
#include "framework/display/bitmap_reference.h"
#include "framework/display/display_message_names.h"
#include "framework/display/rows_bitmap.h"

namespace vael {

namespace {
constexpr const char* SourceName = "LANDTILE";

std::int16_t divided(std::int32_t value, std::int16_t by) {
    // A tile made with no cell size has one cell; it never divides by zero.
    return static_cast<std::int16_t>(by == 0 ? 0 : value / by);
}

LandscapeTile* tileOf(Component* target) {
    return dynamic_cast<LandscapeTile*>(target);
}

ContainerBase* onInvalidateView(Component* target, BusMessage, ContainerBase* data) {
    LandscapeTile* tile = tileOf(target);
    if (!tile) return nullptr;
    if (auto* one = dynamic_cast<Container<Box>*>(data))
        tile->invalidateBox(one->value());
    else if (auto* list = dynamic_cast<Container<List<Box>>*>(data))
        tile->invalidateBoxes(*list->valuePtr());
    else
        tile->draw();
    return nullptr;
}

ContainerBase* onScrollTo(Component* target, BusMessage, ContainerBase* data) {
    LandscapeTile* tile = tileOf(target);
    if (!tile) return nullptr;
    if (auto* cell = dynamic_cast<Container<Point>*>(data))
        tile->scrollToCell(cell->value());
    else if (auto* cells = dynamic_cast<Container<Dim>*>(data))
        tile->scrollByCells(cells->value());
    else
        Assertion::check(false, "Bad data passed in bus message -- SCROLL_TO", SourceName, __LINE__);
    return nullptr;
}

ContainerBase* onRebuild(Component* target, BusMessage, ContainerBase*) {
    if (LandscapeTile* tile = tileOf(target)) tile->rebuildVisibleSprites();
    return nullptr;
}

ContainerBase* onSpriteDestroyed(Component* target, BusMessage, ContainerBase* data) {
    if (LandscapeTile* tile = tileOf(target))
        callWithPayload<Sprite*>(data, SourceName, __LINE__, [&](Sprite* s) { tile->spriteDestroyed(s); });
    return nullptr;
}
} // namespace

LandscapeTile::LandscapeTile(const Dim& cellSize, List<Sprite*>* allSprites, const Point& originCell,
                             const Point& gridOffsetCells, const char* name)
    : Tile(Box(), name ? name : "Unnamed Landscape Tile"), cellSize_(cellSize),
      viewOrigin_(static_cast<std::int16_t>(originCell.x * cellSize.w),
                  static_cast<std::int16_t>(originCell.y * cellSize.h)),
      gridOffset_(static_cast<std::int16_t>(gridOffsetCells.x * cellSize.w),
                  static_cast<std::int16_t>(gridOffsetCells.y * cellSize.h)),
      allSprites_(allSprites) {}

LandscapeTile::~LandscapeTile() {
    if (landscape_) landscape_->removeTile(this);
    visibleSprites_.clear();
}

void LandscapeTile::landscapeGone(Landscape* landscape) {
    if (landscape_ == landscape) landscape_ = nullptr;
}

Point LandscapeTile::cellToPoint(const Point& cell) const {
    return Point(static_cast<std::int16_t>(cell.x * cellSize_.w - gridOffset_.x),
                 static_cast<std::int16_t>(cell.y * cellSize_.h - gridOffset_.y));
}

Point LandscapeTile::pointToCell(const Point& point) const {
    // Truncated toward zero, as 16-bit division does: a point left of the grid's offset is not floored.
    return Point(divided(static_cast<std::int16_t>(point.x + gridOffset_.x), cellSize_.w),
                 divided(static_cast<std::int16_t>(point.y + gridOffset_.y), cellSize_.h));
}

Dim LandscapeTile::cellsToPixels(const Dim& cells) const {
    return Dim(static_cast<std::int16_t>(cells.w * cellSize_.w),
               static_cast<std::int16_t>(cells.h * cellSize_.h));
}

Dim LandscapeTile::pixelsToCells(const Dim& pixels) const {
    return Dim(divided(pixels.w, cellSize_.w), divided(pixels.h, cellSize_.h));
}

Bitmap& LandscapeTile::backBitmap() {
    if (!back_) back_ = std::make_unique<Bitmap>(size(), PixelOpaque);
    return *back_;
}

Bitmap* LandscapeTile::presentedPixels() {
    if (!bits() || width() <= 0 || height() <= 0) return nullptr;
    if (!presented_ || presented_->bits() != bits() || presented_->size() != size() ||
        presented_->padding() != padding())
        presented_ = std::make_unique<RowsBitmap>(bits(), size(), padding());
    return presented_.get();
}

void LandscapeTile::resize(const Dim& newSize) {
    rebuild_ = 1;
    Tile::resize(newSize);
    presented_.reset();
    if (landscape_) {
        back_ = std::make_unique<Bitmap>(size(), PixelOpaque);
        landscape_->drawArea(*back_, viewOrigin_);
    }
}

void LandscapeTile::onMouseMove(const Point& point) {
    Container<Point> where(point + viewOrigin_);
    send(POINT_FLYBY, &where);
}

void LandscapeTile::onLeftButtonDown(const Point& point) {
    Container<Point> where(point + viewOrigin_);
    send(POINT_SELECTED, &where);
}

void LandscapeTile::enableMouseEvents() {
    enableMouseEvent(MouseLeftDown);
    enableMouseEvent(MouseMoved);
}

void LandscapeTile::connectHandlers() {
    Display::connectHandlers();
    connect(INVALIDATE_VIEW, onInvalidateView);
    connect(SCROLL_TO, onScrollTo);
    connectNamed(msg::RebuildVisibleSpriteListKludge, onRebuild);
    connectNamed(msg::SpriteDestroyed, onSpriteDestroyed);
    if (!announce_) return;
    Container<LandscapeTile*> me(this);
    std::unique_ptr<ContainerBase> reply(sendNow(LANDTILE_CREATED, &me));
    Landscape* found = nullptr;
    if (takeAnswer(reply.get(), found, SourceName, __LINE__)) landscape_ = found;
    announce_ = 0;
}

std::int16_t LandscapeTile::scrollToCell(const Point& cell) {
    previousOrigin_ = viewOrigin_;
    viewOrigin_ = cellToPoint(cell);
    if (viewOrigin_ != previousOrigin_) paint();
    return 0;
}

std::int16_t LandscapeTile::scrollByCells(const Dim& cells) {
    previousOrigin_ = viewOrigin_;
    const Dim by = cellsToPixels(cells);
    viewOrigin_ += Point(by.w, by.h);
    if (viewOrigin_ != previousOrigin_) paint();
    return 0;
}

void LandscapeTile::paint() {
    const std::int32_t dx = viewOrigin_.x - previousOrigin_.x, dy = viewOrigin_.y - previousOrigin_.y;
    const std::int16_t ax = static_cast<std::int16_t>(std::abs(dx)),
                       ay = static_cast<std::int16_t>(std::abs(dy));
    const std::int16_t w = width(), h = height();
    if (ax >= w || ay >= h || !back_ || back_->size() != size()) {
        if (back_ && back_->size() == size())
            back_->fill(0);
        else
            back_ = std::make_unique<Bitmap>(size(), PixelOpaque);
        if (landscape_) landscape_->drawArea(*back_, viewOrigin_);
    } else {
        auto fresh = std::make_unique<Bitmap>(size(), PixelOpaque);
        Box a(0, 0, static_cast<std::int16_t>(w - ax), static_cast<std::int16_t>(h - ay));
        Box s = a;
        // The vertical strip is full height, so it covers the corner where the two strips meet.
        Box v(viewOrigin_.x, viewOrigin_.y, ax, h), vt(0, 0, ax, h);
        Box z(viewOrigin_.x, viewOrigin_.y, static_cast<std::int16_t>(w - ax), ay),
            zt(0, 0, static_cast<std::int16_t>(w - ax), ay);
        if (viewOrigin_.x > previousOrigin_.x) {
            v.x = static_cast<std::int16_t>(v.x + w - ax), vt.x = static_cast<std::int16_t>(vt.x + w - ax);
            s.x = static_cast<std::int16_t>(s.x + dx);
        } else {
            z.x = static_cast<std::int16_t>(z.x + ax), zt.x = static_cast<std::int16_t>(zt.x + ax);
            a.x = ax;
        }
        if (viewOrigin_.y > previousOrigin_.y) {
            z.y = static_cast<std::int16_t>(z.y + h - ay), zt.y = static_cast<std::int16_t>(zt.y + h - ay);
            s.y = static_cast<std::int16_t>(s.y + dy);
        } else {
            a.y = ay;
        }
        if (landscape_ && ax != 0) {
            BitmapReference strip(*fresh, vt);
            landscape_->drawArea(strip, v.topLeft());
        }
        if (landscape_ && ay != 0) {
            BitmapReference strip(*fresh, zt);
            landscape_->drawArea(strip, z.topLeft());
        }
        fresh->drawBitmap(a.topLeft(), *back_, s, DrawPlain);
        back_ = std::move(fresh);
    }
    // The picture now stands at the origin: painting again without a scroll must not shift it once more.
    previousOrigin_ = viewOrigin_;
    rebuild_ = 1;
    invalidateView();
}

void LandscapeTile::invalidateBox(const Box& box) {
    markLandscapeBox(box);
    draw();
}

void LandscapeTile::invalidateBoxes(const List<Box>& boxes) {
    markLandscapeBoxes(boxes);
    draw();
}

void LandscapeTile::invalidateView() {
    clearDirtyBoxes();
    addDirtyBox(Box(0, 0, width(), height()));
    draw();
}

void LandscapeTile::markLandscapeBox(const Box& box) {
    addDirtyBox(box - viewOrigin_);
}

void LandscapeTile::markLandscapeBoxes(const List<Box>& boxes) {
    Item<Box>* item = nullptr;
    for (boxes.firstItem(item); item; item = item->next)
        markLandscapeBox(item->value);
}

void LandscapeTile::enableDrawing(std::int16_t flag) {
    drawingSuspended_ = flag == 0;
    if (flag) draw();
}

void LandscapeTile::draw() {
    if (drawingSuspended_ || !landscape_) return;
    Bitmap& back = backBitmap();
    const platform::Surface backRows{back.bits(), back.width(), back.height(), back.stride()};
    Bitmap* shown = presentedPixels();
    const bool rebuilding = useVisibleList_ && rebuild_;
    while (!dirtyBoxes_.empty()) {
        const Box d = dirtyBoxes_.front();
        dirtyBoxes_.erase(dirtyBoxes_.begin());
        drawBitmap(d.topLeft(), backRows, d);
        if (!shown) continue;
        List<Sprite*>* candidates = allSprites_;
        if (useVisibleList_ && !rebuild_) candidates = &visibleSprites_;
        if (rebuilding) visibleSprites_.clear();
        if (!candidates) continue;
        const Box l = d + viewOrigin_;
        Item<Sprite*>* item = nullptr;
        for (candidates->firstItem(item); item; item = item->next) {
            Sprite* sprite = item->value;
            Box over = sprite->bounds();
            if (!l.intersect(over) || over.w <= 0 || over.h <= 0) continue;
            BitmapReference part(*shown, d);
            const Box drawn = sprite->draw(part, l.topLeft());
            if (rebuilding && !drawn.isZero()) visibleSprites_.append(sprite);
        }
    }
    Display::draw();
    update();
    rebuild_ = 0;
}

} // namespace vael
