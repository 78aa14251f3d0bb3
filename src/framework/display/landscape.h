#pragma once
// The picture of a map that the logical side fills over the bus and the tiles look onto. It keeps the
// rectangles that must be drawn again, merged so that no two touch, and draws them into every tile that
// shows it; what a region looks like and how it is highlighted is the business of the kinds of landscape.
#include <cstdint>

#include "framework/core/component.h"
#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/display/bitmap.h"
#include "framework/display/landscape_payloads.h"

namespace vael {

class Landscape : public Component {
public:
    explicit Landscape(const Dim& cellStep, const char* name = nullptr);
    ~Landscape() override;

    void connectHandlers() override;

    virtual void invalidate(const Box& box);
    virtual void update();
    virtual void updateTiles();
    virtual void invalidateArea(const Box& box);
    virtual std::int16_t beginLandscape(const LandscapeDefinition& definition) = 0;
    virtual std::int16_t createRegion(const LogicalRegion& region) = 0;
    virtual std::int16_t createRegions(const List<LogicalRegion>& regions) = 0;
    virtual std::int16_t endLandscape() = 0;
    virtual std::int16_t closeGame();
    // The answer to the tile's announcement; the caller owns it.
    virtual Container<Landscape*>* addTile(LandscapeTile* tile);
    virtual Point3D blockCenter(std::int16_t index) = 0;
    virtual std::int16_t blockAtPoint(const Point& point) = 0;

    virtual void highlightRegionList(const List<short>& indices, std::int16_t flag) = 0;
    virtual void highlightBox(const Box& box, std::int16_t flag) = 0;
    virtual void highlightAtPoint(const Point& point, std::int16_t flag) = 0;
    virtual void highlightBlock(std::int16_t index, std::int16_t flag) = 0;
    virtual void highlightAll(std::int16_t flag) = 0;
    virtual void toggleHighlightRegionList(const List<short>& indices) = 0;
    virtual void toggleHighlightBox(const Box& box) = 0;
    virtual void toggleHighlightAtPoint(const Point& point) = 0;
    virtual void toggleHighlightBlock(std::int16_t index) = 0;
    virtual void toggleHighlightAll() = 0;
    virtual void halfHighlightRegionList(const List<short>* indices, std::int16_t flag) = 0;
    virtual void halfHighlightBox(const Box& box, std::int16_t flag) = 0;
    virtual void halfHighlightAtPoint(const Point& point, std::int16_t flag) = 0;
    virtual void halfHighlightBlock(std::int16_t index, std::int16_t flag) = 0;
    virtual void halfHighlightAll(std::int16_t flag) = 0;
    virtual void toggleHalfHighlightRegionList(const List<short>* indices) = 0;
    virtual void toggleHalfHighlightBox(const Box& box) = 0;
    virtual void toggleHalfHighlightAtPoint(const Point& point) = 0;
    virtual void toggleHalfHighlightBlock(std::int16_t index) = 0;
    virtual void toggleHalfHighlightAll() = 0;

    // Draws the part of the landscape whose top-left corner is origin into the whole of target.
    virtual void drawArea(Bitmap& target, const Point& origin) = 0;
    virtual void invalidateTiles(const List<Box>& boxes);

    void removeTile(LandscapeTile* tile);
    Dim size() const { return size_; }
    Dim cellStep() const { return cellStep_; }
    const List<Box>& dirtyBoxes() const { return dirty_; }
    const List<LandscapeTile*>& tiles() const { return tiles_; }

protected:
    Dim size_;
    Dim cellStep_;
    List<LandscapeTile*> tiles_;
    List<Box> dirty_;
};

} // namespace vael
