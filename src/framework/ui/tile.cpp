#include "framework/ui/tile.h"

#include <algorithm>
#include <cstring>

#include "framework/core/application.h"

namespace vael {

Tile::Tile(const Box& box, const char* name) : Tile(Point(box.x, box.y), Dim(box.w, box.h), name) {}

Tile::Tile(const Point& origin, const Dim& size, const char* name)
    : Display(size, name ? name : "Unnamed Tile") {
    viewPixels(nullptr, size, 0);
    origin_ = origin;
}

Tile::~Tile() {
    if (parent()) detachFromParent();
    viewPixels(nullptr, Dim(), 0);
}

void Tile::setParent(Display* parent, const TWindowMetrics& metrics) {
    if (!parent || parent == this) return;
    parent->setChildMetrics(this, metrics);
    enableMouseEvents();
}

void Tile::detachFromParent() {
    if (Display* up = parent()) {
        // A tile that goes while it holds the mouse must not leave its parents pointing at it.
        for (Display* d = up; d; d = d->parent())
            if (d->captured() == this) d->Display::releaseCapture();
        up->removeChild(this);
    }
    std::fill(std::begin(mouseEnabled_), std::end(mouseEnabled_), std::int16_t(0));
}

Box Tile::fill(std::uint8_t colour) {
    std::uint8_t* row = bits();
    if (!row) return Box();
    for (std::int16_t y = 0; y < height(); ++y, row += stride())
        std::memset(row, colour, static_cast<std::size_t>(width()));
    const Box whole(0, 0, width(), height());
    if (parent()) invalidate(whole);
    invalidateChildren(whole);
    return whole;
}

void Tile::resize(const Dim& size) {
    clearDirtyBoxes();
    Display* up = parent();
    Dim shown;
    std::uint8_t* first = nullptr;
    std::uint16_t padding = 0;
    if (size.w != 0 && size.h != 0 && up && up->bits() && origin_.x >= 0 && origin_.y >= 0) {
        up->markDirty(Box(origin_.x, origin_.y, width(), height()));
        const std::int32_t stride = up->stride();
        const std::int32_t w = std::min<std::int32_t>(size.w, up->width() - origin_.x);
        const std::int32_t h = std::min<std::int32_t>(size.h, up->height() - origin_.y);
        if (w > 0 && h > 0) {
            const Application* app = Application::instance();
            // Rows stored bottom-up put the tile's first row nearer the end of the parent's rows.
            const bool bottomUp = app && const_cast<Application*>(app)->dibOrientation() >= 1;
            const std::int32_t row = bottomUp ? up->height() - h - origin_.y : origin_.y;
            first = up->bits() + static_cast<std::ptrdiff_t>(row) * stride + origin_.x;
            shown = Dim(static_cast<std::int16_t>(w), static_cast<std::int16_t>(h));
            padding = static_cast<std::uint16_t>(stride - w);
        }
    }
    viewPixels(first, shown, padding);
    if (first) {
        const Box whole(0, 0, shown.w, shown.h);
        addDirtyBox(whole);
        invalidate(whole);
    }
    layout_.setSize(shown);
}

void Tile::setBox(const Box& box) {
    if (Display* up = parent()) up->markDirty(Box(origin_.x, origin_.y, width(), height()));
    std::int32_t x = box.x, y = box.y, w = box.w, h = box.h;
    if (x < 0) w += x, x = 0;
    if (y < 0) h += y, y = 0;
    const Dim size(static_cast<std::int16_t>(std::max(w, 0)), static_cast<std::int16_t>(std::max(h, 0)));
    origin_ = Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
    setSize(size);
    resize(size);
}

void Tile::invalidateTree(const Box& box) {
    addDirtyBox(box);
    invalidate(box);
    invalidateChildren(box);
}

void Tile::markDirty(const Box& box) {
    addDirtyBox(box);
    invalidate(box);
}

void Tile::invalidate(const Box& box) {
    if (Display* up = parent()) up->invalidate(box + origin_);
}

void Tile::setCapture(Display* display) {
    Display::setCapture(display);
    if (Display* up = parent()) up->setCapture(display);
}

void Tile::releaseCapture() {
    Display::releaseCapture();
    if (Display* up = parent()) up->releaseCapture();
}

Point Tile::cursorPosition() {
    return parent() ? parent()->cursorPosition() - origin_ : Point();
}

void Tile::update() {
    if (Display* up = parent()) up->update();
}

Menu* Tile::loadMenu(const std::string& name) {
    return parent() ? parent()->loadMenu(name) : nullptr;
}

Display* Tile::rootDisplay() {
    return parent() ? parent()->rootDisplay() : nullptr;
}

} // namespace vael
