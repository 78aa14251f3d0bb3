// The layer's map windows (opened, turned to the other view, saved and restored), the picture of the
// units' positions for the overview, and the loading of a scenario's images before it starts.
#include <cmath>
#include <string>

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/display/bitmap.h"
#include "framework/ui/dialog.h"
#include "framework/ui/win_app.h"
#include "game/map/raw_bytes.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/scenario_records.h"

namespace vael {

namespace {
constexpr const char* SourceName = "map_viewports.cpp";
constexpr const char* ViewportName = "Vael Map Viewport";
constexpr std::uint16_t PleaseWaitString = 109;
constexpr std::int16_t ProgressItem = 100;
// A picture of kind 2 keeps index 0 clear, so the battlefield shows between the marks.
constexpr std::int32_t MarksKind = 2;

VaelPhysicalLayer& layerOf(Component* target) {
    return *dynamic_cast<VaelPhysicalLayer*>(target);
}

ContainerBase* onMapOpen(Component* t, BusMessage, ContainerBase* d) {
    callWithPayload<MapInfoStruct>(d, SourceName, __LINE__, [&](const MapInfoStruct& info) {
        layerOf(t).createMapViewport(info.name, Dim(info.size.x, info.size.y));
    });
    return nullptr;
}

ContainerBase* onChangeViewport(Component* t, BusMessage, ContainerBase* d) {
    callWithPayload<ViewportInfo>(d, SourceName, __LINE__,
                                  [&](const ViewportInfo& info) { layerOf(t).changeViewport(info); });
    return nullptr;
}

ContainerBase* onUnitBitmap(Component* t, BusMessage, ContainerBase* d) {
    ContainerBase* reply = nullptr;
    callWithPayload<Dim>(d, SourceName, __LINE__, [&](const Dim& size) {
        if (Bitmap* picture = layerOf(t).unitBitmap(size)) reply = new Container<Bitmap*>(picture);
    });
    return reply;
}

bool fromView(std::uint16_t flags, std::uint16_t layerId) {
    return (flags & ReversedView) == (layerId & ReversedView);
}

// Ids beyond a row's count are unused room of a row of 26.
const std::vector<std::uint16_t> PreloadTable[10] = {
    {34, 21, 31, 6, 3, 17, 20, 8, 19, 4, 0},
    {0, 4, 6, 8, 19, 3, 17, 42, 10, 29, 32, 33},
    {0, 17, 8, 3, 19, 10, 20, 32, 33, 6},
    {0, 4, 5, 10, 42, 8, 19, 9, 3, 17, 20, 26, 25, 41, 43, 31, 15},
    {0, 4, 7, 5, 3, 8, 19, 20, 10, 17, 41, 25, 26, 43, 31, 15, 30, 12, 22, 11, 13},
    {0, 4, 7, 5, 9, 19, 8, 10, 3, 20, 17, 31, 37, 16, 41, 22, 24, 15, 26, 25, 43, 27, 11, 28, 30, 36},
    {4, 5, 19, 31, 41, 26, 12},
    {0, 4, 3, 17, 8, 19, 9, 10, 20, 38, 5, 27, 26},
    {0, 4, 35, 17, 3, 8, 10, 2, 16, 29, 9, 42, 37, 36},
    {0, 4, 35, 17, 3, 8, 10, 19, 44, 16, 42, 20, 23, 39, 40, 37, 36},
};
} // namespace

void VaelPhysicalLayer::connectViewportHandlers() {
    if (!(layerId_ & ReversedView)) connect(MAP_OPEN, onMapOpen);
    connectNamed("Get Unit Bitmap", onUnitBitmap);
    // Both layers hear a window's turn on the application's bus: one lets it go, the other takes it up.
    if (getParent()) parentConnectNamed("Change Viewport", onChangeViewport);
}

VaelLandscapeTile::SpriteGrid VaelPhysicalLayer::spriteGrid() {
    gridRows_.clear();
    for (std::int16_t row = 0; row < gridSize().h; ++row)
        gridRows_.push_back(cell(0, row));
    return gridRows_.empty() || gridSize().w <= 0 ? nullptr : gridRows_.data();
}

void VaelPhysicalLayer::firstViewportComing() {
    if (!viewports().isEmpty()) return;
    if (!clients().isEmpty()) startTimer(VisibleRate);
    (layerId_ & ReversedView ? reversedViewShown_ : normalViewShown_) = true;
}

void VaelPhysicalLayer::viewportsEmptied() {
    if (!viewports().isEmpty()) return;
    if (!clients().isEmpty()) startTimer(HiddenRate);
    (layerId_ & ReversedView ? reversedViewShown_ : normalViewShown_) = false;
}

void VaelPhysicalLayer::createMapViewport(const std::string& mapName, const Dim& mapSize) {
    firstViewportComing();
    (layerId_ & ReversedView ? reversedViewShown_ : normalViewShown_) = true;
    auto* window = new VaelMapWindow(spriteGrid(), gridSize(), mapName, mapSize);
    auto* viewport = new VaelViewport(window, ViewportName);
    window->setViewport(viewport);
    addViewport(viewport);
    window->createInFrame();
    window->maximize();
}

Viewport* VaelPhysicalLayer::takeViewport(ViewportWindow* window) {
    Item<Viewport*>* it = nullptr;
    for (viewports_.firstItem(it); it; it = it->next)
        if (it->value->display() == window) {
            Viewport* viewport = it->value;
            viewports_.removeItem(it);
            return viewport;
        }
    return nullptr;
}

void VaelPhysicalLayer::changeViewport(const ViewportInfo& info) {
    const bool wasHere = fromView(info.oldFlags, layerId_), comesHere = fromView(info.newFlags, layerId_);
    if (wasHere && !comesHere) {
        // Only let go: the other layer takes the viewport (and its window) over.
        if (takeViewport(info.window)) viewportsEmptied();
        return;
    }
    if (!comesHere) return;
    auto* window = dynamic_cast<VaelMapWindow*>(info.window);
    Viewport* viewport = window ? window->viewport() : nullptr;
    if (!viewport) return;
    if (!wasHere) {
        firstViewportComing();
        if (viewport->getBus()) viewport->detach();
        window->setSpriteGrid(spriteGrid(), gridSize());
        addViewport(viewport);
    }
    showZoom(*window, info.newFlags);
}

void VaelPhysicalLayer::showZoom(VaelMapWindow& window, std::uint16_t flags) {
    // Both zoom bits together are read as the smaller picture, as the window reads them.
    const std::uint16_t zoom = flags & 2 ? 2 : flags & 1;
    VaelLandscapeTile& tile = window.tile();
    tile.showLandscape(zoomLandscape(zoom), zoom);
    tile.paint();
}

void VaelPhysicalLayer::saveViewports(std::ostream& stream) const {
    raw::putI16(stream, static_cast<std::int16_t>(viewports_.count()));
    for (Viewport* viewport : viewports_) {
        auto* window = dynamic_cast<VaelMapWindow*>(viewport->display());
        VaelMapWindow::Placement placement{};
        if (window) placement = window->placement();
        stream.write(reinterpret_cast<const char*>(placement.data()), placement.size());
        if (window) window->writeState(stream);
    }
}

bool VaelPhysicalLayer::loadViewports(std::istream& stream, const std::string& mapName, const Dim& mapSize) {
    std::int16_t count = 0;
    if (!raw::getI16(stream, count) || count < 0) return false;
    if (count > 0) firstViewportComing();
    debugStream() << "In LoadViewports: state = " << layerId_ << ", nViewports = " << count << "\n";
    for (std::int16_t k = 0; k < count; ++k) {
        VaelMapWindow::Placement placement{};
        if (!raw::getBytes(stream, placement.data(), placement.size()) ||
            !VaelMapWindow::placementFits(placement)) {
            viewportsEmptied();
            return false;
        }
        auto* window = new VaelMapWindow(stream, spriteGrid(), gridSize(), mapName, mapSize);
        auto* viewport = new VaelViewport(window, ViewportName);
        window->setViewport(viewport);
        addViewport(viewport);
        window->createInFrame();
        window->applyPlacement(placement);
        if (!window->ok() || !window->readState(stream)) return false;
    }
    return true;
}

Bitmap* VaelPhysicalLayer::unitBitmap(const Dim& size) {
    if (unitBitmap_) return unitBitmap_.get();
    if (size.w <= 0 || size.h <= 0) return nullptr;
    unitBitmap_ = std::make_unique<Bitmap>(size, MarksKind);
    markerStepX_ = mapRows_ > 0 ? static_cast<double>(size.w) / mapRows_ : 0;
    markerStepY_ = mapColumns_ > 0 ? static_cast<double>(size.h) / mapColumns_ : 0;
    if (!hasColours_) return unitBitmap_.get();
    for (std::int32_t y = 0; y < mapColumns_; ++y)
        for (std::int32_t x = 0; x < mapRows_; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * mapRows_ + x;
            if (i < hexColours_.size() && hexColours_[i] != NoColour) drawMarker(x, y, hexColours_[i]);
        }
    return unitBitmap_.get();
}

void VaelPhysicalLayer::drawMarker(std::int32_t x, std::int32_t y, std::uint32_t colour) {
    if (!unitBitmap_) return;
    auto bx = static_cast<std::int32_t>(std::trunc(x * markerStepX_));
    const auto by = static_cast<std::int32_t>(std::trunc(y * markerStepY_));
    // The odd hex columns lie half a step over on the map: left of their neighbours in the normal view and
    // right of them in the reversed one, as the landscapes place their blocks. Turned round, the picture's
    // rows count the columns from the other end, so an even count of columns swaps the rows' parity.
    const std::int32_t column = layerId_ & ReversedView ? mapColumns_ - 1 - y : y;
    if (column & 1) {
        const double half = markerStepX_ * 0.5;
        bx = static_cast<std::int32_t>(std::trunc(bx + (layerId_ & ReversedView ? half : -half)));
    }
    unitBitmap_->frameRect(Box(static_cast<std::int16_t>(bx), static_cast<std::int16_t>(by), 2, 2),
                           static_cast<std::uint8_t>(colour & 0xFF), static_cast<std::uint8_t>(colour >> 8),
                           static_cast<std::uint8_t>(colour >> 16));
}

const std::vector<std::uint16_t>& VaelPhysicalLayer::preloadTypes(std::uint32_t scenario) {
    static const std::vector<std::uint16_t> none;
    return scenario < 10 ? PreloadTable[scenario] : none;
}

void VaelPhysicalLayer::preloadScenarioSprites(std::uint32_t scenario, Dialog* dialog) {
    preloadScenarioSprites(scenario, [dialog](const std::string& text) {
        if (dialog) dialog->setItemText(ProgressItem, text);
    });
}

void VaelPhysicalLayer::preloadScenarioSprites(std::uint32_t scenario,
                                               const std::function<void(const std::string&)>& progress) {
    std::string wait = winApp() ? winApp()->loadString(PleaseWaitString) : std::string();
    if (wait.empty()) wait = "Please wait";
    std::size_t k = 0;
    for (std::uint16_t type : preloadTypes(scenario)) {
        if (progress) progress(wait + std::string(k, '.'));
        ++k;
        if (PhysicalObject* proto = prototype(type)) proto->preload();
    }
}

} // namespace vael
