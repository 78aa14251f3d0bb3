#include "framework/ui/display.h"

#include <algorithm>
#include <cstring>

#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/payload_check.h"

namespace vael {

namespace {

// Without the display framework's palette, black is the first entry and every other colour the last,
// the two ends that every palette of ours keeps.
std::uint8_t blackOrWhite(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return red == 0 && green == 0 && blue == 0 ? 0 : 255;
}

Display::ColourMatcher& colourMatcher() {
    static Display::ColourMatcher matcher = blackOrWhite;
    return matcher;
}

struct Edges {
    std::int32_t left, top, right, bottom; // right and bottom exclusive
};
Edges edgesOf(const Box& b) {
    return {b.x, b.y, b.x + b.w, b.y + b.h};
}
Box boxOf(const Edges& e) {
    return Box(static_cast<std::int16_t>(e.left), static_cast<std::int16_t>(e.top),
               static_cast<std::int16_t>(e.right - e.left), static_cast<std::int16_t>(e.bottom - e.top));
}
// The part of the box inside (0, 0, width, height); empty sides when none is.
Edges clipped(const Box& box, std::int32_t width, std::int32_t height) {
    const Edges e = edgesOf(box);
    return {std::max(e.left, 0), std::max(e.top, 0), std::min(e.right, width), std::min(e.bottom, height)};
}
bool isEmpty(const Edges& e) {
    return e.right <= e.left || e.bottom <= e.top;
}

} // namespace

Display::ColourMatcher Display::setColourMatcher(ColourMatcher matcher) {
    const ColourMatcher previous = colourMatcher();
    colourMatcher() = matcher ? matcher : blackOrWhite;
    return previous;
}

std::uint8_t Display::matchColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return colourMatcher()(red, green, blue);
}

Display::Display(const Dim& size, const char* name)
    : Component(name ? name : "Unnamed Display"), layout_(this, size) {
    setPixels(size);
}

Display::~Display() {
    Display* child = nullptr;
    while (children_.removeFirst(child))
        child->parent_ = nullptr;
    // A child that goes before its parent leaves no trace in the parent's list, layout or capture.
    for (Display* up = parent_; up; up = up->parent_)
        if (up->captured_ == this) up->captured_ = nullptr;
    if (parent_) parent_->removeChild(this);
    menu_.reset();
    if (Application* app = Application::instance()) app->forgetDisplayUnderMouse(this);
}

void Display::setPixels(const Dim& size) {
    size_ = Dim(std::max<std::int16_t>(size.w, 0), std::max<std::int16_t>(size.h, 0));
    padding_ = static_cast<std::uint16_t>((4 - size_.w % 4) % 4);
    pixels_.assign(static_cast<std::size_t>(stride()) * static_cast<std::size_t>(size_.h), 0);
    bits_ = pixels_.data();
}

void Display::viewPixels(std::uint8_t* bits, const Dim& size, std::uint16_t padding) {
    std::vector<std::uint8_t>().swap(pixels_);
    bits_ = bits;
    size_ = size;
    padding_ = bits ? padding : 0;
}

// Drawing.

Box Display::changed(const Box& box) {
    invalidate(box);
    invalidateChildren(box);
    return box;
}

Box Display::fill(std::uint8_t colour) {
    if (!bits_) return Box();
    std::fill(bits_, bits_ + static_cast<std::size_t>(stride()) * static_cast<std::size_t>(size_.h), colour);
    return changed(Box(0, 0, size_.w, size_.h));
}

Box Display::drawBitmap(const Point& at, const platform::Surface& source, const Box& sourceBox) {
    if (!source.pixels || !bits_) return Box();
    Edges s = clipped(sourceBox, source.width, source.height);
    // Where the clipped source lands, clipped again to this display.
    const std::int32_t dx = at.x - sourceBox.x, dy = at.y - sourceBox.y;
    const Edges d = clipped(boxOf({s.left + dx, s.top + dy, s.right + dx, s.bottom + dy}), size_.w, size_.h);
    if (isEmpty(s) || isEmpty(d)) return Box();
    for (std::int32_t y = d.top; y < d.bottom; ++y)
        std::memcpy(&bits_[static_cast<std::size_t>(y * stride() + d.left)],
                    source.pixels + static_cast<std::ptrdiff_t>(y - dy) * source.pitch + (d.left - dx),
                    static_cast<std::size_t>(d.right - d.left));
    return changed(boxOf(d));
}

Box Display::drawWholeBitmap(const Point& at, const platform::Surface& source) {
    return drawBitmap(
        at, source,
        Box(0, 0, static_cast<std::int16_t>(source.width), static_cast<std::int16_t>(source.height)));
}

Box Display::drawPicture(const Point& at, const Picture& picture) {
    const platform::Surface& source = picture.surface;
    if (picture.kind == PictureOpaque) return drawWholeBitmap(at - picture.hotSpot, source);
    if (!source.pixels || !bits_) return Box();
    const Point corner = at - picture.hotSpot;
    const Edges d = clipped(Box(corner.x, corner.y, static_cast<std::int16_t>(source.width),
                                static_cast<std::int16_t>(source.height)),
                            size_.w, size_.h);
    if (isEmpty(d)) return Box();
    // Every kind but the opaque one leaves what lies under byte 0.
    for (std::int32_t y = d.top; y < d.bottom; ++y) {
        const std::uint8_t* from = source.pixels + static_cast<std::ptrdiff_t>(y - corner.y) * source.pitch;
        std::uint8_t* to = &bits_[static_cast<std::size_t>(y * stride())];
        for (std::int32_t x = d.left; x < d.right; ++x)
            if (const std::uint8_t p = from[x - corner.x]) to[x] = p;
    }
    return changed(boxOf(d));
}

Box Display::frameRect(const Box& box, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const std::uint8_t colour = matchColour(red, green, blue);
    const Edges e = edgesOf(box);
    if (isEmpty(e) || !bits_) return Box();
    const auto plot = [&](std::int32_t x, std::int32_t y) {
        if (x >= 0 && y >= 0 && x < size_.w && y < size_.h)
            bits_[static_cast<std::size_t>(y * stride() + x)] = colour;
    };
    for (std::int32_t x = e.left; x < e.right; ++x)
        plot(x, e.top), plot(x, e.bottom - 1);
    for (std::int32_t y = e.top; y < e.bottom; ++y)
        plot(e.left, y), plot(e.right - 1, y);
    const Edges c = clipped(box, size_.w, size_.h);
    return isEmpty(c) ? Box() : changed(boxOf(c));
}

Box Display::fillRect(const Box& box, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const std::uint8_t colour = matchColour(red, green, blue);
    const Edges c = clipped(box, size_.w, size_.h);
    if (isEmpty(c) || !bits_) return Box();
    for (std::int32_t y = c.top; y < c.bottom; ++y)
        std::memset(&bits_[static_cast<std::size_t>(y * stride() + c.left)], colour,
                    static_cast<std::size_t>(c.right - c.left));
    return changed(boxOf(c));
}

void Display::resize(const Dim& size) {
    clearDirtyBoxes();
    addDirtyBox(Box(0, 0, size.w, size.h));
    setPixels(size);
    layout_.setSize(size_);
}

void Display::place(const Box& box) {
    origin_ = Point(box.x, box.y);
    if (Dim(box.w, box.h) != size_) resize(Dim(box.w, box.h));
}

// Dirty boxes.

void Display::addDirtyBox(const Box& box) {
    if (box.w == 0 || box.h == 0) return;
    Edges added = clipped(box, size_.w, size_.h);
    if (isEmpty(added)) return;
    // Each merge can make the grown box meet one that it missed before, so the scan starts over.
    for (bool merged = true; merged;) {
        merged = false;
        for (auto it = dirtyBoxes_.begin(); it != dirtyBoxes_.end(); ++it) {
            const Edges listed = edgesOf(*it);
            if (listed.left > added.right || added.left > listed.right || listed.top > added.bottom ||
                added.top > listed.bottom)
                continue;
            added = {std::min(added.left, listed.left), std::min(added.top, listed.top),
                     std::max(added.right, listed.right), std::max(added.bottom, listed.bottom)};
            dirtyBoxes_.erase(it);
            merged = true;
            break;
        }
    }
    dirtyBoxes_.push_back(boxOf(added));
}

void Display::invalidateTree(const Box& box) {
    addDirtyBox(box);
    invalidateChildren(box);
}

void Display::invalidateChildren(const Box& box) {
    Item<Display*>* n = nullptr;
    for (children_.firstItem(n); n; n = n->next) {
        const Box moved = box - n->value->origin();
        n->value->addDirtyBox(moved);
        n->value->invalidateChildren(moved);
    }
}

void Display::draw() {
    layout_.drawChildren();
    clearDirtyBoxes();
}

// Children.

void Display::addChild(Display* child, const TWindowMetrics& metrics) {
    if (!child || child == this) return;
    if (child->parent_ && child->parent_ != this) child->parent_->removeChild(child);
    layout_.setChildMetrics(child, metrics);
    if (!children_.contains(child)) children_.append(child);
    child->parent_ = this;
}

void Display::removeChild(Display* child) {
    layout_.removeChild(child);
    if (children_.remove(child) && child->parent_ == this) child->parent_ = nullptr;
}

std::int16_t Display::getChildMetrics(Display* child, TWindowMetrics& metrics) const {
    return layout_.getChildMetrics(child, metrics);
}

// A child the display does not know yet is added first: the layout must never place a display that no
// list of children holds, since only that list tells the layout when the child goes.
void Display::setChildMetrics(Display* child, const TWindowMetrics& metrics) {
    if (!child || child == this) return;
    if (!children_.contains(child))
        addChild(child, metrics);
    else
        layout_.setChildMetrics(child, metrics);
    layout_.layout();
}

// The mouse.

Display& Display::enableMouseEvent(std::int16_t kind) {
    if (kind >= 0 && kind < MouseKinds) mouseEnabled_[kind] = 1;
    return *this;
}

void Display::disableMouseEvent(std::int16_t kind) {
    if (kind >= 0 && kind < MouseKinds) mouseEnabled_[kind] = 0;
}

std::int16_t Display::isMouseEventEnabled(std::int16_t kind) const {
    return kind >= 0 && kind < MouseKinds ? mouseEnabled_[kind] : 0;
}

void Display::callMouseHandler(std::int16_t kind, const Point& point) {
    switch (kind) {
    case MouseMoved: return mouseMoved(point);
    case MouseLeftDown: return leftButtonDown(point);
    case MouseLeftUp: return leftButtonUp(point);
    case MouseLeftDoubleClick: return leftDoubleClick(point);
    case 4: return mouseHover(point);
    case 5: return mouseEntered(point);
    case 6: return mouseLeft(point);
    default: return;
    }
}

std::int16_t Display::routeMouseEvent(std::int16_t kind, const Point& point) {
    if (captured_ && captured_ != this) return captured_->routeMouseEvent(kind, point - captured_->origin());
    Display* under = nullptr;
    Item<Display*>* n = nullptr;
    for (children_.firstItem(n); n && !under; n = n->next)
        if (n->value->bounds().contains(point)) under = n->value;
    if (under) {
        if (under->routeMouseEvent(kind, point - under->origin())) return 1;
    } else if (kind == MouseMoved) {
        if (Application* app = Application::instance()) app->setDisplayUnderMouse(this, point, hoverDelay_);
    }
    if (!isMouseEventEnabled(kind)) return 0;
    callMouseHandler(kind, point);
    return 1;
}

void Display::captureMouse() {
    Assertion::check(captured_ == nullptr, "Mouse has already been captured", __FILE__, __LINE__);
    setCapture(this);
}

void Display::releaseMouse() {
    Assertion::check(captured_ == this, "Invalid attempt to release the mouse", __FILE__, __LINE__);
    releaseCapture();
}

// Menus.

void Display::setMenu(Menu* menu) {
    if (menu != menu_.get()) menu_.reset(menu);
}

void Display::loadMenuNamed(const std::string& name) {
    menu_.reset();
    menu_.reset(loadMenu(name));
}

Menu* Display::popupMenu() {
    if (!menu_) return nullptr;
    return menu_->popupAt(0);
}

Display* Display::displayAt(const Point& point) {
    Item<Display*>* n = nullptr;
    for (children_.firstItem(n); n; n = n->next) {
        Display* child = n->value;
        if (!child->bounds().contains(point)) continue;
        Display* found = child->displayAt(point - child->origin());
        if (found->popupMenu()) return found;
        break;
    }
    onMenuPoint(point);
    return this;
}

void Display::connectHandlers() {
    for (std::int32_t event : {ENABLE_MENU_ITEM, DISABLE_MENU_ITEM, CHECK_MENU_ITEM, UNCHECK_MENU_ITEM})
        connect(event, &Display::onMenuItemEvent);
}

ContainerBase* Display::onMenuItemEvent(Component* target, BusMessage event, ContainerBase* data) {
    auto* display = dynamic_cast<Display*>(target);
    Assertion::check(display != nullptr, BadPayloadMessage, __FILE__, __LINE__);
    if (!display) return nullptr;
    callWithPayload<BusMessage>(data, __FILE__, __LINE__, [&](const BusMessage& command) {
        Menu* menu = display->menu();
        if (!menu) return;
        const std::int32_t id = command.id();
        switch (event.id()) {
        case ENABLE_MENU_ITEM:
            menu->enable(id, 1);
            break;
        case DISABLE_MENU_ITEM:
            menu->disable(id);
            break;
        case CHECK_MENU_ITEM:
            menu->check(id, 1);
            break;
        case UNCHECK_MENU_ITEM:
            menu->uncheck(id);
            break;
        default:
            break;
        }
    });
    return nullptr;
}

} // namespace vael
