#pragma once
// The battle map's MDI child: one landscape tile filling it, the zoom level and orientation as a word of
// view flags, the "Map" menu's commands, the zooms in for a combat and out for a rout and back, the arrow
// keys, and its part of a saved game.
#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "framework/display/viewport.h"
#include "framework/ui/child_window.h"
#include "game/map/vael_landscape_tile.h"

namespace vael {

class VaelMapWindow : public WindowsChildWindow {
public:
    static constexpr std::uint32_t HalfSize = 1, QuarterSize = 2, Reversed = 4;
    static constexpr std::uint16_t CenterOnLeader = 209, ZoomOut = 216, Normal = 217, ZoomIn = 218,
                                   ReverseView = 223, HideOverview = 250, ShowOverview = 251;

    // A new view: half size, start cell (0, 0), the overview shown.
    VaelMapWindow(VaelLandscapeTile::SpriteGrid grid, const Dim& gridSize, const std::string& mapName,
                  const Dim& mapSize);
    // A view from a saved game: its flags and overview word come first in the stream. A stream that ends
    // early leaves the new view's defaults; ok() then answers false.
    VaelMapWindow(std::istream& stream, VaelLandscapeTile::SpriteGrid grid, const Dim& gridSize,
                  const std::string& mapName, const Dim& mapSize);
    ~VaelMapWindow() override;

    void connectHandlers() override;
    void detach() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    using WindowsChildWindow::handleMessage;
    std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void resizeBackBuffer(const Dim& size) override;

    void setViewport(Viewport* viewport) { viewport_ = viewport; }
    Viewport* viewport() const { return viewport_; }
    VaelLandscapeTile& tile() { return *tile_; }
    void resortSprites() { tile_->resortVisibleSprites(); }
    void setSpriteGrid(VaelLandscapeTile::SpriteGrid grid, const Dim& size) {
        tile_->setSpriteGrid(grid, size);
    }
    // The window's place in the frame as a saved game keeps it, 44 bytes: the record's size, its flags,
    // how it is shown (1 normal, 2 iconised, 3 maximized), the icon's and the maximized corner (unused,
    // -1) and the box it has when neither iconised nor maximized (left, top, right, bottom).
    static constexpr std::size_t PlacementSize = 44;
    using Placement = std::array<std::uint8_t, PlacementSize>;
    Placement placement() const;
    // Puts the window where the record says; a record of another size is left alone (false).
    bool applyPlacement(const Placement& placement);
    // Whether a saved placement can be applied: its size field, corners in order within MostPlacement of
    // the screen's origin, and a width and height no screen exceeds (MostPlacementSize), since the window's
    // picture is made at that size.
    static bool placementFits(const Placement& placement);
    static constexpr std::int32_t MostPlacement = 32767;
    static constexpr std::int32_t MostPlacementSize = 8192;
    void writeState(std::ostream& stream) const;
    // The saved centre; false, with the view left where it is, when the stream ends early.
    bool readState(std::istream& stream);
    bool ok() const { return ok_; }

    std::uint32_t viewFlags() const { return viewFlags_; }
    std::uint32_t previousFlags() const { return previousFlags_; }
    std::uint16_t zoomedInForCombat() const { return zoomedInForCombat_; }
    std::uint16_t zoomedOutForRout() const { return zoomedOutForRout_; }
    const std::string& cursorName() const { return cursorName_; }
    bool isActiveChild() const;

    // The handlers of the named messages, callable directly by the layer's doubles and the tests.
    void zoomInForCombat(const Point3D* centres);
    void zoomOutAfterCombat();
    // Whether the combats whose corner hexes are given (least column and greatest row, least column and
    // row, greatest column and row, greatest column and least row) fit in the view at full size.
    bool willCombatFit(const std::array<std::uint16_t, 4>& hexes);
    void zoomOutForRout();
    void zoomInAfterRout();
    void centerOnPoint(const Point3D* centres);
    void changeCursor(const std::string& name);
    void activationSetUp();

private:
    void changeFlags(std::uint32_t flags);
    void checkZoomItem(std::uint16_t on);
    // Reverse View is checked while this window shows the battle turned round.
    void checkReverseItem();
    void setItem(std::uint16_t id, bool enabled);

    std::unique_ptr<VaelLandscapeTile> tile_;
    Viewport* viewport_ = nullptr;
    std::uint32_t viewFlags_ = HalfSize;
    std::uint32_t previousFlags_ = HalfSize;
    std::uint16_t zoomedInForCombat_ = 0;
    std::uint16_t zoomedOutForRout_ = 0;
    std::uint16_t savedOverview_ = 1;
    std::string cursorName_ = "ArrowCursor";
    bool ok_ = true;
};

} // namespace vael
