#pragma once
// A scrolling view of a landscape inside a window. It keeps the visible part of the landscape in a back
// bitmap, scrolls in whole cells (reusing what stays visible and having the landscape draw only the strips
// that come into view), lays the sprites over each box it presents, and turns clicks and moves into
// landscape points on the bus.
#include <cstdint>
#include <memory>

#include "framework/core/list.h"
#include "framework/display/bitmap.h"
#include "framework/display/landscape.h"
#include "framework/display/sprite.h"
#include "framework/ui/tile.h"

namespace vael {

class LandscapeTile : public Tile {
public:
    // The origin is a cell; the grid offset is a count of cells. The sprite list is the layer's, shared.
    LandscapeTile(const Dim& cellSize, List<Sprite*>* allSprites, const Point& originCell,
                  const Point& gridOffsetCells, const char* name = nullptr);
    ~LandscapeTile() override;

    void resize(const Dim& size) override;
    void mouseMoved(const Point& point) override { onMouseMove(point); }
    void leftButtonDown(const Point& point) override { onLeftButtonDown(point); }
    virtual void onMouseMove(const Point& point);
    virtual void onLeftButtonDown(const Point& point);
    void connectHandlers() override;
    void draw() override;
    void enableMouseEvents() override;
    virtual void paint();
    virtual void refresh() { draw(); }
    virtual void invalidateBox(const Box& box);
    virtual void invalidateBoxes(const List<Box>& boxes);
    virtual void invalidateView();
    virtual std::int16_t scrollToCell(const Point& cell);
    virtual std::int16_t scrollByCells(const Dim& cells);

    // Created at the tile's size on first use.
    Bitmap& backBitmap();
    // The landscape point shown at the tile's top-left corner (the tile's place in its parent is
    // Display::origin).
    Point origin() const { return viewOrigin_; }
    Point previousOrigin() const { return previousOrigin_; }
    Point originCell() const { return pointToCell(viewOrigin_); }
    Landscape* landscape() const { return landscape_; }
    Dim cellSize() const { return cellSize_; }
    Point cellToPoint(const Point& cell) const;
    Point pointToCell(const Point& point) const;
    Dim cellsToPixels(const Dim& cells) const;
    Dim pixelsToCells(const Dim& pixels) const;
    void markLandscapeBox(const Box& box);
    void markLandscapeBoxes(const List<Box>& boxes);
    void enableDrawing(std::int16_t flag);
    void enableVisibleList() { useVisibleList_ = 1; }
    void disableVisibleList() { useVisibleList_ = 0; }
    void rebuildVisibleSprites() { rebuild_ = 1; }
    void spriteDestroyed(Sprite* sprite) { visibleSprites_.removeAll(sprite); }
    const List<Sprite*>& visibleSprites() const { return visibleSprites_; }
    // The landscape drops the tile (closed or destroyed): it is no longer drawn into nor told of leaving.
    void landscapeGone(Landscape* landscape);

protected:
    // The pixels the tile shows, as a bitmap the sprites can draw into.
    Bitmap* presentedPixels();

    std::unique_ptr<Bitmap> back_;
    Dim cellSize_;
    Point viewOrigin_;
    Point previousOrigin_;
    Landscape* landscape_ = nullptr;
    Point gridOffset_;
    List<Sprite*>* allSprites_;
    List<Sprite*> visibleSprites_;
    std::uint16_t rebuild_ = 1;
    std::uint16_t announce_ = 1;
    std::uint16_t useVisibleList_ = 1;
    std::uint16_t drawingSuspended_ = 0;

private:
    std::unique_ptr<Bitmap> presented_;
};

} // namespace vael
