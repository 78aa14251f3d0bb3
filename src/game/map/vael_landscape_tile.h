#pragma once
// The battle map's view of its landscape at one of three zoom levels. It scrolls when the mouse rests in a
// band along an edge, keeps the view inside the map, reports clicks and moves as map points with the
// zoom, and draws the sprites of the physical layer's grid of screen cells, so that only the sprites near
// a dirty box are looked at. Dirty boxes arrive in full-size pixels and are scaled to the zoom shown.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/display/landscape_tile.h"
#include "game/map/point_info.h"
#include "game/map/vael_overview_map.h"

namespace vael {

class VaelLandscapeTile : public LandscapeTile {
public:
    // Cells of the picture at each zoom level, and the grid of sprites (full-size pixels).
    static constexpr Dim FullCell{65, 32}, HalfCell{33, 16}, QuarterCell{17, 8};
    static constexpr std::int16_t GridCellWidth = 65, GridCellHeight = 160;
    static constexpr std::int16_t SideBand = 25, TopBottomBand = 35;
    // Rows of the sprite grid, each row an array of cells.
    using SpriteGrid = List<Sprite*>**;

    VaelLandscapeTile(SpriteGrid grid, const Dim& gridSize, const std::string& mapName, const Dim& mapSize,
                      std::uint16_t viewFlags, const Point& startCell, std::uint16_t overviewShown);
    ~VaelLandscapeTile() override;

    void resize(const Dim& size) override;
    void onMouseMove(const Point& point) override;
    // The pointer went on to another window or display: it is over no hex of the map any more.
    void mouseLeft(const Point& point) override;
    void onLeftButtonDown(const Point& point) override;
    void draw() override;
    void update() override;
    void invalidateBox(const Box& box) override;
    void invalidateBoxes(const List<Box>& boxes) override;
    void connectHandlers() override;
    void enableMouseEvents() override;
    // A right click on the map offers the leader's orders: the "Leader" pull-down of its window's menu,
    // shared with the menu bar so that it is greyed and checked as the bar's is.
    Menu* popupMenu() override;
    void detach() override;
    std::int16_t scrollToCell(const Point& cell) override;
    std::int16_t scrollByCells(const Dim& cells) override;

    static Dim cellSizeOf(std::uint16_t zoom);
    // A full-size landscape box as the zoom level shows it.
    static Box scaledToZoom(const Box& full, std::uint16_t zoom);
    // The landscape box of a zoom level back in full-size pixels, for the grid look-up.
    static Box scaledToFull(const Box& zoomed, std::uint16_t zoom);
    // The first and last columns (x, w) and rows (y, h) of the grid a full-size box reaches, unclamped.
    static Box gridSpan(const Box& full);

    void setCellSize(const Dim& size);
    void setViewFlags(std::uint16_t flags) { zoom_ = static_cast<std::uint16_t>(flags & 3); }
    std::uint16_t zoomIndex() const { return zoom_; }
    void setLandscape(Landscape* landscape);
    // Another zoom or side of the battlefield: the hex in the middle of the view stays in the middle (or,
    // off the map, the same place of it), as far as the map's edges let it.
    void showLandscape(Landscape* landscape, std::uint16_t zoom);
    // A point of one zoom's picture on another's: the cells of the three zooms cover the same ground.
    static Point rescaled(const Point& point, std::uint16_t from, std::uint16_t to);
    // The hex shown at a point of the landscape on screen, -1 off the map or with no landscape.
    std::int16_t hexAt(const Point& point) const;
    // The landscape point in the middle of the view.
    Point viewCentre() const;
    void setSpriteGrid(SpriteGrid grid, const Dim& size) {
        grid_ = grid;
        gridSize_ = size;
    }
    Dim viewSize() const { return size(); }
    Dim mapCells() const { return mapCells_; }
    Dim viewCells() const { return viewCells_; }
    void hideOverview();
    void showOverview();
    std::uint16_t overviewShown() const { return overviewShown_; }
    // After the view was turned: the overview shows the side now seen, with that side's marks, and is
    // drawn again where it is shown.
    void refreshOverview(bool reversed);
    VaelOverviewMap& overview() { return *overview_; }
    void centerOn(const Point& point);
    void centerOn(const Point3D& point) { centerOn(Point(point.x, point.y)); }
    void scrollByCellsClamped(const Dim& cells);
    void resortVisibleSprites();

    std::uint16_t edgeScrolling() const { return edgeScrolling_; }
    Dim scrollDirection() const { return direction_; }
    std::int16_t delay() const { return delay_; }
    // One tick of the edge-scroll timer.
    void edgeScrollStep();
    static const char* cursorNameOf(const Dim& direction);

private:
    // Moves the view's corner cell so the point does not lie under the overview panel.
    void clearOfOverview(const Point& point, Point& cell) const;

    Dim clampedDirection(const Dim& direction) const;
    void sendPoint(const char* message, const Point& point);
    void changeCursor(const char* name);
    void drawGridCell(const Box& clip, const List<Sprite*>& sprites);
    void stopEdgeScroll();
    void invalidateWhole();
    void layOutOverview();

    std::uint16_t overviewShown_;
    std::unique_ptr<VaelOverviewMap> overview_;
    std::string mapName_;
    std::uint16_t zoom_;
    Dim mapCells_;
    Dim viewCells_;
    std::uint16_t edgeScrolling_ = 0;
    Dim direction_;
    std::int16_t delay_ = 0;
    SpriteGrid grid_;
    Dim gridSize_;
    bool holdPresents_ = false;
};

} // namespace vael
