#include "framework/ui/window_manager.h"

#include <algorithm>

#include "framework/ui/display.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/win_app.h"
#include "framework/ui/windows_window.h"

namespace vael {

using platform::Rect;

Rect intersection(const Rect& a, const Rect& b) {
    const std::int64_t left = std::max(a.x, b.x), top = std::max(a.y, b.y);
    const std::int64_t right =
        std::min<std::int64_t>(std::int64_t(a.x) + a.width, std::int64_t(b.x) + b.width);
    const std::int64_t bottom =
        std::min<std::int64_t>(std::int64_t(a.y) + a.height, std::int64_t(b.y) + b.height);
    if (right <= left || bottom <= top) return {};
    return {std::int32_t(left), std::int32_t(top), std::int32_t(right - left), std::int32_t(bottom - top)};
}

bool isEmpty(const Rect& r) {
    return r.width <= 0 || r.height <= 0;
}

std::vector<Rect> subtract(const Rect& a, const Rect& b) {
    const Rect cut = intersection(a, b);
    if (isEmpty(cut)) return isEmpty(a) ? std::vector<Rect>{} : std::vector<Rect>{a};
    std::vector<Rect> left;
    const auto keep = [&](const Rect& r) {
        if (!isEmpty(r)) left.push_back(r);
    };
    keep({a.x, a.y, a.width, cut.y - a.y});                                            // above
    keep({a.x, cut.y + cut.height, a.width, a.y + a.height - (cut.y + cut.height)});   // below
    keep({a.x, cut.y, cut.x - a.x, cut.height});                                       // left
    keep({cut.x + cut.width, cut.y, a.x + a.width - (cut.x + cut.width), cut.height}); // right
    return left;
}

WindowManager& WindowManager::instance() {
    static WindowManager manager;
    return manager;
}

Insets WindowManager::insetsFor(std::uint32_t style, bool hasMenu, bool topLevel) {
    Insets insets;
    if (topLevel) {
        // The platform's window carries the frame; only the menu bar is ours.
        if (hasMenu) insets.top = MenuTracker::BarHeight;
        return insets;
    }
    if ((style & CaptionStyle) == CaptionStyle) {
        insets = {Border, Border + CaptionHeight, Border, Border};
        if (hasMenu) insets.top += MenuTracker::BarHeight;
    } else if (style & (DialogFrameStyle | ThickFrameStyle)) {
        insets = {Border, Border, Border, Border};
        if (hasMenu) insets.top += MenuTracker::BarHeight;
    }
    return insets;
}

platform::Platform* WindowManager::platform() const {
    WinApp* app = winApp();
    return app ? &app->platform() : nullptr;
}

void WindowManager::add(const Record& record) {
    remove(record.handle);
    records_.push_back(record);
    paintFrame(record.handle);
}

void WindowManager::remove(WindowHandle window) {
    if (!exists(window)) return;
    const Rect was = outerOnScreen(window);
    std::vector<WindowHandle> gone{window};
    for (std::size_t i = 0; i < gone.size(); ++i)
        for (const Record& r : records_)
            if (r.parent == gone[i]) gone.push_back(r.handle);
    std::erase_if(records_, [&](const Record& r) {
        return std::find(gone.begin(), gone.end(), r.handle) != gone.end();
    });
    repaint(was);
}

const WindowManager::Record* WindowManager::find(WindowHandle window) const {
    if (window == 0) return nullptr;
    for (const Record& r : records_)
        if (r.handle == window) return &r;
    return nullptr;
}

WindowManager::Record* WindowManager::findRecord(WindowHandle window) {
    return const_cast<Record*>(find(window));
}

std::size_t WindowManager::indexOf(WindowHandle window) const {
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (records_[i].handle == window) return i;
    return records_.size();
}

bool WindowManager::isInside(WindowHandle window, WindowHandle ancestor) const {
    for (const Record* r = find(window); r; r = find(r->parent))
        if (r->parent == ancestor) return true;
    return false;
}

void WindowManager::setOuter(WindowHandle window, const Rect& outer) {
    Record* r = findRecord(window);
    if (!r || r->outer == outer) return;
    const Rect was = outerOnScreen(window);
    r->outer = outer;
    repaint(was);
    repaint(outerOnScreen(window));
}

void WindowManager::setIconic(WindowHandle window, bool iconic) {
    if (Record* r = findRecord(window)) r->iconic = iconic;
}

void WindowManager::setCloseBox(WindowHandle window, bool shown) {
    Record* r = findRecord(window);
    if (!r || r->closeBox == shown) return;
    r->closeBox = shown;
    paintFrame(window);
}

void WindowManager::setVisible(WindowHandle window, bool visible) {
    Record* r = findRecord(window);
    if (!r || r->visible == visible) return;
    r->visible = visible;
    repaint(outerOnScreen(window));
}

void WindowManager::showPainted(WindowHandle window) {
    Record* r = findRecord(window);
    if (!r || r->painted) return;
    r->painted = true;
    repaint(outerOnScreen(window));
}

bool WindowManager::shown(WindowHandle window) const {
    for (const Record* r = find(window); r; r = find(r->parent))
        if (!r->visible || r->iconic) return false;
    return find(window) != nullptr;
}

void WindowManager::setInsets(WindowHandle window, const Insets& insets) {
    if (Record* r = findRecord(window)) r->insets = insets;
}

void WindowManager::setActive(WindowHandle window, bool active) {
    Record* r = findRecord(window);
    if (!r || r->active == active) return;
    r->active = active;
    paintFrame(window);
}

void WindowManager::setShows(WindowHandle window, WindowsWindow* shows) {
    if (Record* r = findRecord(window)) r->shows = shows;
}

void WindowManager::raise(WindowHandle window) {
    const std::size_t at = indexOf(window);
    if (at >= records_.size()) return;
    // The window goes above its siblings, and whatever lies inside it goes with it; it stays below
    // the windows that lie above its parent (a child of the client never rises above the frame's bars or
    // the windows the frame owns).
    const WindowHandle parent = records_[at].parent;
    std::vector<Record> moved, kept;
    for (const Record& r : records_)
        (r.handle == window || isInside(r.handle, window) ? moved : kept).push_back(r);
    std::size_t place = kept.size();
    if (parent) {
        place = 0;
        for (std::size_t i = 0; i < kept.size(); ++i)
            if (kept[i].handle == parent || isInside(kept[i].handle, parent)) place = i + 1;
    }
    kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(place), moved.begin(), moved.end());
    bool same = true;
    for (std::size_t i = 0; i < kept.size() && same; ++i)
        same = kept[i].handle == records_[i].handle;
    if (same) return;
    records_ = std::move(kept);
    repaint(outerOnScreen(window));
}

std::vector<WindowHandle> WindowManager::childrenOf(WindowHandle parent) const {
    std::vector<WindowHandle> out;
    for (const Record& r : records_)
        if (r.parent == parent) out.push_back(r.handle);
    return out;
}

Rect WindowManager::outerOnScreen(WindowHandle window) const {
    const Record* r = find(window);
    if (!r) return {};
    Rect outer = r->outer;
    if (r->parent) {
        const Rect parent = clientOnScreen(r->parent);
        outer.x += parent.x;
        outer.y += parent.y;
    }
    return outer;
}

Rect WindowManager::clientOnScreen(WindowHandle window) const {
    const Record* r = find(window);
    if (!r) return {};
    const Rect outer = outerOnScreen(window);
    return {outer.x + r->insets.left, outer.y + r->insets.top,
            std::max(0, outer.width - r->insets.left - r->insets.right),
            std::max(0, outer.height - r->insets.top - r->insets.bottom)};
}

Rect WindowManager::closeBoxOnScreen(WindowHandle window) const {
    const Record* r = find(window);
    if (!r || r->iconic || !r->closeBox || r->insets.top < Border + CaptionHeight) return {};
    const Rect outer = outerOnScreen(window);
    return {outer.x + outer.width - Border - CloseBox - 2, outer.y + Border + (CaptionHeight - CloseBox) / 2,
            CloseBox, CloseBox};
}

WindowHandle WindowManager::windowAt(std::int32_t x, std::int32_t y) const {
    const Rect point{x, y, 1, 1};
    for (std::size_t i = records_.size(); i-- > 0;) {
        const Record& r = records_[i];
        bool shown = r.visible;
        for (const Record* up = find(r.parent); up && shown; up = find(up->parent))
            shown = up->visible && !up->iconic;
        if (!shown || isEmpty(intersection(outerOnScreen(r.handle), point))) continue;
        // A window inside another is seen only through its parent's client area.
        if (r.parent && isEmpty(intersection(clientOnScreen(r.parent), point))) continue;
        return r.handle;
    }
    return 0;
}

Rect WindowManager::iconPlace(WindowHandle window, const std::vector<Rect>& others) const {
    const Record* r = find(window);
    const WindowHandle parent = r ? r->parent : 0;
    const Rect area = parent ? clientOnScreen(parent) : Rect{};
    const std::int32_t step = IconSize + 8;
    const Rect first{4, std::max(0, area.height - step), IconSize, IconSize};
    // A point shows the parent's client area when the window there is the parent or lies inside it.
    const auto showsParent = [&](std::int32_t x, std::int32_t y) {
        for (WindowHandle w = windowAt(area.x + x, area.y + y); w; w = find(w) ? find(w)->parent : 0)
            if (w == parent) return true;
        return false;
    };
    for (std::int32_t y = first.y; y >= 0; y -= step)
        for (std::int32_t x = first.x; x + IconSize <= area.width; x += step) {
            const Rect place{x, y, IconSize, IconSize};
            if (std::find_if(others.begin(), others.end(),
                             [&](const Rect& o) { return o.x == x && o.y == y; }) != others.end())
                continue;
            const std::int32_t right = x + IconSize - 1, bottom = y + IconSize - 1;
            if (showsParent(x, y) && showsParent(right, y) && showsParent(x, bottom) &&
                showsParent(right, bottom) && showsParent(x + IconSize / 2, y + IconSize / 2))
                return place;
        }
    return first;
}

std::vector<Rect> WindowManager::uncovered(std::size_t index, const Rect& box) const {
    // An empty box shows nothing: handed to the platform it would mean the whole picture.
    if (isEmpty(box)) return {};
    std::vector<Rect> pieces{box};
    const auto takeOut = [&](const Rect& cover) {
        std::vector<Rect> next;
        for (const Rect& piece : pieces)
            for (const Rect& left : subtract(piece, cover))
                next.push_back(left);
        pieces = std::move(next);
    };
    const WindowHandle self = records_[index].handle;
    for (std::size_t j = index + 1; j < records_.size() && !pieces.empty(); ++j) {
        const Record& above = records_[j];
        if (!above.visible || isInside(self, above.handle)) continue;
        bool shown = true;
        for (const Record* up = find(above.parent); up && shown; up = find(up->parent))
            shown = up->visible && !up->iconic;
        if (!shown) continue;
        Rect cover = outerOnScreen(above.handle);
        if (above.parent) cover = intersection(cover, clientOnScreen(above.parent));
        takeOut(cover);
    }
    for (const Rect& cover : overlay_)
        takeOut(cover);
    return pieces;
}

std::vector<Rect> WindowManager::present(WindowHandle window, const platform::Surface& picture,
                                         const std::vector<Rect>& boxes) {
    std::vector<Rect> shown;
    platform::Platform* os = platform();
    const std::size_t index = indexOf(window);
    if (!os || index >= records_.size() || !picture.pixels) return shown;
    for (const Record* r = &records_[index]; r; r = find(r->parent))
        if (!r->visible || r->iconic || !r->painted) return shown;
    // What the client area shows, cut by every client area it lies in.
    Rect visible = clientOnScreen(window);
    for (const Record* up = find(records_[index].parent); up; up = find(up->parent))
        visible = intersection(visible, clientOnScreen(up->handle));
    const Rect client = clientOnScreen(window);
    std::vector<Rect> pieces; // picture coordinates
    for (const Rect& box : boxes) {
        const Rect onScreen =
            intersection(intersection({box.x + client.x, box.y + client.y, box.width, box.height}, visible),
                         {client.x, client.y, picture.width, picture.height});
        for (const Rect& piece : uncovered(index, onScreen)) {
            shown.push_back(piece);
            pieces.push_back({piece.x - client.x, piece.y - client.y, piece.width, piece.height});
        }
    }
    // An empty list would show the whole picture.
    if (!pieces.empty())
        os->present(picture, client.x, client.y, pieces.data(), static_cast<std::int32_t>(pieces.size()));
    return shown;
}

void WindowManager::repaint(const Rect& screen) {
    if (isEmpty(screen)) return;
    // Copied first: a window's update may change the stack (a window made or closed meanwhile).
    const std::vector<Record> records = records_;
    for (const Record& r : records) {
        if (!exists(r.handle) || isEmpty(intersection(outerOnScreen(r.handle), screen))) continue;
        paintFrame(r.handle);
        if (!r.shows || r.iconic) continue;
        const Rect client = clientOnScreen(r.handle);
        const Rect part = intersection(screen, client);
        if (isEmpty(part)) continue;
        auto* shows = static_cast<Display*>(r.shows);
        shows->addDirtyBox(
            Box(static_cast<std::int16_t>(part.x - client.x), static_cast<std::int16_t>(part.y - client.y),
                static_cast<std::int16_t>(part.width), static_cast<std::int16_t>(part.height)));
        r.shows->update();
    }
    showOverlay(screen);
}

void WindowManager::setOverlay(const Display* layer, std::vector<Rect> covered) {
    const std::vector<Rect> was = std::move(overlay_);
    overlayLayer_ = layer;
    overlay_ = std::move(covered);
    // What the menus no longer cover shows the windows again; what they cover now shows the menus.
    for (const Rect& r : was) {
        std::vector<Rect> pieces{r};
        for (const Rect& cover : overlay_) {
            std::vector<Rect> left;
            for (const Rect& piece : pieces)
                for (const Rect& rest : subtract(piece, cover))
                    left.push_back(rest);
            pieces = std::move(left);
        }
        for (const Rect& piece : pieces)
            repaint(piece);
    }
    for (const Rect& r : overlay_)
        showOverlay(r);
}

void WindowManager::showOverlay(const Rect& screen) {
    platform::Platform* os = platform();
    if (!os || !overlayLayer_) return;
    std::vector<Rect> pieces;
    for (const Rect& r : overlay_) {
        const Rect part = intersection(r, screen);
        if (!isEmpty(part)) pieces.push_back(part);
    }
    if (!pieces.empty())
        os->present(overlayLayer_->surface(), 0, 0, pieces.data(), static_cast<std::int32_t>(pieces.size()));
}

void WindowManager::paintFrame(WindowHandle window) {
    const Record* r = find(window);
    // A hidden window's frame is not drawn: it would stand on the screen over what shows there.
    if (!r || !r->visible || !r->painted) return;
    if (r->window)
        r->window->paintFrame();
    else
        drawStandardFrame(window);
}

void WindowManager::drawStandardFrame(WindowHandle window) {
    const Record* r = find(window);
    platform::Platform* os = platform();
    if (!r || !os || !r->visible || !r->painted) return;
    const Rect outer = outerOnScreen(window);
    const Insets& in = r->insets;
    if (isEmpty(outer) || (!r->iconic && in == Insets{})) return;
    const auto w = outer.width, h = outer.height;
    std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h));
    const auto fill = [&](std::int32_t x, std::int32_t y, std::int32_t fw, std::int32_t fh, std::uint8_t c) {
        const Rect part = intersection({x, y, fw, fh}, {0, 0, w, h});
        for (std::int32_t row = part.y; row < part.y + part.height; ++row)
            std::fill_n(&pixels[std::size_t(row) * w + part.x], part.width, c);
    };
    const std::uint8_t grey = Display::matchColour(192, 192, 192), black = Display::matchColour(0, 0, 0),
                       white = Display::matchColour(255, 255, 255);
    const std::uint8_t caption =
        r->active ? Display::matchColour(0, 0, 128) : Display::matchColour(128, 128, 128);
    std::vector<Rect> parts; // in window coordinates
    if (r->iconic) {
        // The icon: a captioned square standing for the window.
        fill(0, 0, w, h, grey);
        fill(0, 0, w, h / 3, caption);
        fill(0, 0, w, 1, white), fill(0, 0, 1, h, white);
        fill(0, h - 1, w, 1, black), fill(w - 1, 0, 1, h, black);
        parts.push_back({0, 0, w, h});
    } else {
        fill(0, 0, w, h, grey);
        fill(0, 0, w, 1, white), fill(0, 0, 1, h, white);
        fill(0, h - 1, w, 1, black), fill(w - 1, 0, 1, h, black);
        if (in.top >= Border + CaptionHeight) {
            fill(Border, Border, w - 2 * Border, CaptionHeight, caption);
            // The close box: a square with a cross.
            const std::int32_t bx = w - Border - CloseBox - 2, by = Border + (CaptionHeight - CloseBox) / 2;
            if (r->closeBox) {
                fill(bx, by, CloseBox, CloseBox, grey);
                for (std::int32_t k = 3; k < CloseBox - 3; ++k)
                    fill(bx + k, by + k, 1, 1, black), fill(bx + CloseBox - 1 - k, by + k, 1, 1, black);
            }
            if (r->window && r->window->caption())
                os->drawText({pixels.data(), w, h, w, {Border + 4, Border, bx - Border - 8, CaptionHeight}},
                             Border + 4, Border + 2, r->window->caption(), white, true);
        }
        parts = subtract({0, 0, w, h}, {in.left, in.top, w - in.left - in.right, h - in.top - in.bottom});
    }
    const std::size_t index = indexOf(window);
    Rect visible = outer;
    if (r->parent) visible = intersection(visible, clientOnScreen(r->parent));
    std::vector<Rect> pieces;
    for (const Rect& part : parts)
        for (const Rect& piece : uncovered(
                 index, intersection({part.x + outer.x, part.y + outer.y, part.width, part.height}, visible)))
            pieces.push_back({piece.x - outer.x, piece.y - outer.y, piece.width, piece.height});
    if (!pieces.empty())
        os->present({pixels.data(), w, h, w}, outer.x, outer.y, pieces.data(),
                    static_cast<std::int32_t>(pieces.size()));
}

} // namespace vael
