#pragma once
// A drawable surface that also talks on the bus: 8-bit pixels of palette indexes, the boxes of them that
// must still reach the screen, the child displays placed on it by constraints, its menu, and the routing
// of mouse events down to the deepest child under the pointer.
//
// The pixels are the display's own rows, shown through the platform's surfaces; pictures of the display
// framework reach it as surfaces, so this layer needs nothing of that one.
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/ui/menu.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/t_layout_window.h"
#include "platform/platform.h"

namespace vael {

// Mouse-event kinds; a display's handler for kind k is the k-th of its mouse handlers.
enum DisplayMouseKind : std::int16_t {
    MouseMoved = 0,
    MouseLeftDown = 1,
    MouseLeftUp = 2,
    MouseLeftDoubleClick = 3,
    // 4 hover, 5 enter and 6 leave are those of the application.
    MouseKinds = 7,
};

class Display : public Component {
public:
    // The palette index nearest to a colour; the display framework installs the application palette's.
    using ColourMatcher = std::uint8_t (*)(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    static ColourMatcher setColourMatcher(ColourMatcher matcher);
    static std::uint8_t matchColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    explicit Display(const Dim& size, const char* name = nullptr);
    ~Display() override;

    // Drawing: each answers the box of the display it changed and marks it for the screen.
    virtual Box fill(std::uint8_t colour);
    // Copies the box of the source picture with its top-left corner at the point.
    virtual Box drawBitmap(const Point& at, const platform::Surface& source, const Box& sourceBox);
    virtual Box drawWholeBitmap(const Point& at, const platform::Surface& source);
    // An archive's picture whole, its hot spot on the point, drawn by its pixel kind.
    virtual Box drawPicture(const Point& at, const Picture& picture);
    virtual Box frameRect(const Box& box, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    virtual Box fillRect(const Box& box, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    virtual void resize(const Dim& size);

    // Mouse handlers, called only for kinds that are enabled.
    virtual void mouseMoved(const Point&) {}
    virtual void leftButtonDown(const Point&) {}
    virtual void leftButtonUp(const Point&) {}
    virtual void leftDoubleClick(const Point&) {}
    virtual void mouseHover(const Point&) {}
    virtual void mouseEntered(const Point&) {}
    virtual void mouseLeft(const Point&) {}
    // Where the search for a context menu ended.
    virtual void onMenuPoint(const Point&) {}

    void connectHandlers() override;
    virtual void invalidateTree(const Box& box);
    virtual void markDirty(const Box& box) { addDirtyBox(box); }
    virtual void invalidate(const Box& box) { addDirtyBox(box); }
    virtual void setCapture(Display* display) { captured_ = display; }
    virtual void releaseCapture() { captured_ = nullptr; }
    virtual Point cursorPosition() = 0;
    // The children draw in the layout's order; then the dirty list is emptied.
    virtual void draw();
    // Copies the dirty boxes to the screen.
    virtual void update() = 0;
    // A menu from a resource name; the caller owns it.
    virtual Menu* loadMenu(const std::string& name) = 0;
    virtual Menu* popupMenu();
    virtual Display* rootDisplay() { return this; }
    virtual std::int16_t isSame(Display* display) { return display == this; }
    // Where the parent's layout puts the child: its origin, and its size when that changes.
    virtual void place(const Box& box);

    Display& enableMouseEvent(std::int16_t kind);
    void disableMouseEvent(std::int16_t kind);
    std::int16_t isMouseEventEnabled(std::int16_t kind) const;
    // 1 when some display handled the event.
    std::int16_t routeMouseEvent(std::int16_t kind, const Point& point);
    void captureMouse();
    void releaseMouse();

    void addChild(Display* child, const TWindowMetrics& metrics);
    void removeChild(Display* child);
    std::int16_t getChildMetrics(Display* child, TWindowMetrics& metrics) const;
    void setChildMetrics(Display* child, const TWindowMetrics& metrics);

    void addDirtyBox(const Box& box);
    void invalidateChildren(const Box& box);
    void clearDirtyBoxes() { dirtyBoxes_.clear(); }
    const std::vector<Box>& dirtyBoxes() const { return dirtyBoxes_; }

    Box bounds() const { return Box(origin_.x, origin_.y, size_.w, size_.h); }
    Point origin() const { return origin_; }
    void setOrigin(const Point& origin) { origin_ = origin; }
    Menu* menu() const { return menu_.get(); }
    // The display owns the menu; the one it had goes.
    void setMenu(Menu* menu);
    void loadMenuNamed(const std::string& name);
    Display* displayAt(const Point& point);

    Display* captured() const { return captured_; }
    Display* parent() const { return parent_; }
    const List<Display*>& children() const { return children_; }
    TLayoutWindow& layout() { return layout_; }
    std::int16_t hoverDelay() const { return hoverDelay_; }
    void setHoverDelay(std::int16_t ticks) { hoverDelay_ = ticks; }

    // The pixels: rows of palette indexes, top row first, each padded to a multiple of four bytes.
    Dim size() const { return size_; }
    std::int16_t width() const { return size_.w; }
    std::int16_t height() const { return size_.h; }
    std::uint8_t* bits() { return bits_; }
    std::uint16_t padding() const { return padding_; }
    std::int32_t stride() const { return size_.w + padding_; }
    platform::Surface surface() const { return {bits_, size_.w, size_.h, stride()}; }

protected:
    // Marks a changed box for the screen, here and in the children that show it.
    Box changed(const Box& box);
    void callMouseHandler(std::int16_t kind, const Point& point);
    // Shows pixels the display does not own (a view into another display's rows), or none when bits is
    // null; the display's own rows are given up.
    void viewPixels(std::uint8_t* bits, const Dim& size, std::uint16_t padding);
    void setSize(const Dim& size) { size_ = size; }

    std::int16_t mouseEnabled_[MouseKinds] = {};
    Display* captured_ = nullptr;
    Point origin_;
    std::unique_ptr<Menu> menu_;
    List<Display*> children_;
    TLayoutWindow layout_;
    std::vector<Box> dirtyBoxes_;
    std::int16_t hoverDelay_ = 2;

private:
    static ContainerBase* onMenuItemEvent(Component* target, BusMessage event, ContainerBase* data);
    void setPixels(const Dim& size);

    Display* parent_ = nullptr;
    Dim size_;
    std::vector<std::uint8_t> pixels_;
    std::uint8_t* bits_ = nullptr;
    std::uint16_t padding_ = 0;
};

} // namespace vael
