#pragma once
// A display without pixels of its own: a view of a rectangle of its parent's rows, placed by the parent's
// layout. What it draws lands in the parent's pixels, what it invalidates reaches the parent moved by its
// origin, and capture, the cursor, the screen and menus are the parent's. Every control drawn inside a
// framework window is one.
#include "framework/ui/display.h"

namespace vael {

class Tile : public Display {
public:
    explicit Tile(const Box& box, const char* name = nullptr);
    Tile(const Point& origin, const Dim& size, const char* name = nullptr);
    ~Tile() override;

    // Adds the tile to the parent's children with the record (which lays it out), then lets it take the
    // mouse.
    void setParent(Display* parent, const TWindowMetrics& metrics);
    // Takes the tile out of its parent and switches every mouse kind off. (Leaving the bus is the
    // component's detach, which keeps its name.)
    void detachFromParent();
    std::int16_t x() const { return origin_.x; }
    std::int16_t y() const { return origin_.y; }

    Box fill(std::uint8_t colour) override;
    void resize(const Dim& size) override;
    void invalidateTree(const Box& box) override;
    void markDirty(const Box& box) override;
    void invalidate(const Box& box) override;
    void setCapture(Display* display) override;
    void releaseCapture() override;
    Point cursorPosition() override;
    void update() override;
    Menu* loadMenu(const std::string& name) override;
    Menu* popupMenu() override { return menu_.get(); }
    Display* rootDisplay() override;
    // The layout's placing is the tile's setBox.
    void place(const Box& box) override { setBox(box); }

    virtual void enableMouseEvents() = 0;
    virtual void setBox(const Box& box);
};

} // namespace vael
