#include "game/map/vael_map_window.h"

#include <algorithm>

#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/container.h"
#include "framework/core/registered_message.h"
#include "framework/ui/main_window.h"
#include "framework/ui/menu.h"
#include "framework/ui/t_layout_window.h"
#include "framework/ui/win_app.h"
#include "framework/ui/window_message.h"
#include "game/flow/shock_records.h"
#include "game/map/isometric_hex_landscape.h"
#include "game/map/map_cursors.h"
#include "game/map/map_message_names.h"
#include "game/map/raw_bytes.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {
constexpr const char* SourceName = "VAELMAP";
constexpr const char* BadData = "Bad data passed in bus message to function";
constexpr Dim NewViewSize(500, 400);

VaelMapWindow* windowOf(Component* target) {
    return dynamic_cast<VaelMapWindow*>(target);
}

// The three levels' centres: the game's layers send them by value, other senders as a pointer to them.
const Point3D* centresOf(ContainerBase* data) {
    if (auto* points = dynamic_cast<Container<CentrePoints>*>(data)) return points->valuePtr()->data();
    auto* box = dynamic_cast<Container<Point3D*>*>(data);
    Assertion::check(box != nullptr && box->value() != nullptr, BadData, SourceName, __LINE__);
    return box ? box->value() : nullptr;
}

ContainerBase* onCenterOnPoint(Component* target, BusMessage, ContainerBase* data) {
    VaelMapWindow* w = windowOf(target);
    if (!w || !w->isActiveChild()) return new Container<short>(0);
    if (const Point3D* centres = centresOf(data)) w->centerOnPoint(centres);
    return new Container<short>(0);
}

ContainerBase* onChangeCursor(Component* target, BusMessage, ContainerBase* data) {
    VaelMapWindow* w = windowOf(target);
    auto* box = dynamic_cast<Container<const char*>*>(data);
    Assertion::check(box != nullptr && box->value() != nullptr, BadData, SourceName, __LINE__);
    if (w && box && box->value()) w->changeCursor(box->value());
    return new Container<short>(0);
}

ContainerBase* onZoomInForCombat(Component* target, BusMessage, ContainerBase* data) {
    VaelMapWindow* w = windowOf(target);
    if (!w || !w->isActiveChild()) return new Container<short>(0);
    if (const Point3D* centres = centresOf(data)) w->zoomInForCombat(centres);
    return new Container<short>(0);
}

ContainerBase* onZoomOutAfterCombat(Component* target, BusMessage, ContainerBase*) {
    if (VaelMapWindow* w = windowOf(target)) w->zoomOutAfterCombat();
    return new Container<short>(0);
}

ContainerBase* onZoomOutForRout(Component* target, BusMessage, ContainerBase*) {
    VaelMapWindow* w = windowOf(target);
    if (w && w->isActiveChild()) w->zoomOutForRout();
    return new Container<short>(0);
}

ContainerBase* onZoomInAfterRout(Component* target, BusMessage, ContainerBase*) {
    if (VaelMapWindow* w = windowOf(target)) w->zoomInAfterRout();
    return new Container<short>(0);
}

// Only the window the player looks at answers; with none, the combats are not split for the view.
ContainerBase* onWillCombatFit(Component* target, BusMessage, ContainerBase* data) {
    VaelMapWindow* w = windowOf(target);
    if (!w || !w->isActiveChild()) return nullptr;
    auto* box = dynamic_cast<Container<WillCombatFitStruct>*>(data);
    Assertion::check(box != nullptr, BadData, SourceName, __LINE__);
    if (!box) return nullptr;
    const WillCombatFitStruct& c = *box->valuePtr();
    return new Container<short>(
        w->willCombatFit({c.leastGreatest, c.leastLeast, c.greatestGreatest, c.greatestLeast}) ? 1 : 0);
}

ContainerBase* onGetActiveChildMenu(Component* target, BusMessage, ContainerBase*) {
    VaelMapWindow* w = windowOf(target);
    if (!w || !w->isActiveChild()) return nullptr;
    return new Container<Menu*>(w->menu());
}
} // namespace

VaelMapWindow::VaelMapWindow(VaelLandscapeTile::SpriteGrid grid, const Dim& gridSize,
                             const std::string& mapName, const Dim& mapSize)
    : Window(Point(-1, -1), NewViewSize, "Landscape View", "VaelMapWindow"),
      WindowsChildWindow(Point(-1, -1), NewViewSize, "Landscape View", "ChildMenu", "AppIcon",
                         "VaelMapWindow"),
      tile_(std::make_unique<VaelLandscapeTile>(grid, gridSize, mapName, mapSize, HalfSize, Point(0, 0), 1)) {
    // The battle is played on its map: a closed map window would leave nothing to give orders on, so its
    // close box puts it away as an icon instead.
    setNoClose(1);
}

VaelMapWindow::VaelMapWindow(std::istream& stream, VaelLandscapeTile::SpriteGrid grid, const Dim& gridSize,
                             const std::string& mapName, const Dim& mapSize)
    : Window(Point(-1, -1), NewViewSize, "Landscape View", "VaelMapWindow"),
      WindowsChildWindow(Point(-1, -1), NewViewSize, "Landscape View", "ChildMenu", "AppIcon",
                         "VaelMapWindow") {
    setNoClose(1);
    std::uint16_t flags = 0, overview = 0;
    ok_ = raw::getU16(stream, flags) && raw::getU16(stream, overview);
    // Only the zoom and the orientation are view flags; anything else in a damaged file is dropped.
    if (ok_) {
        viewFlags_ = previousFlags_ = flags & (HalfSize | QuarterSize | Reversed);
        // Both zoom bits cannot be meant together: the smaller picture wins, as the landscapes choose.
        if ((viewFlags_ & HalfSize) && (viewFlags_ & QuarterSize)) viewFlags_ = previousFlags_ &= ~HalfSize;
        savedOverview_ = overview != 0;
    }
    tile_ = std::make_unique<VaelLandscapeTile>(grid, gridSize, mapName, mapSize,
                                                static_cast<std::uint16_t>(viewFlags_), Point(0, 0),
                                                savedOverview_);
}

VaelMapWindow::~VaelMapWindow() {
    tile_.reset();
}

bool VaelMapWindow::isActiveChild() const {
    return mainWindow_ && hwnd_ && mainWindow_->mdiGetActive() == hwnd_;
}

void VaelMapWindow::connectHandlers() {
    WindowsWindow::connectHandlers();
    blockForwarding(BusMessage(SCROLL_TO), 2);
    if (getBus()) tile_->attach(*getBus());
    connectNamed(msg::CenterOnPoint, onCenterOnPoint);
    connectNamed(msg::ChangeCursor, onChangeCursor);
    connectNamed(msg::ZoomInForCombat, onZoomInForCombat);
    connectNamed(msg::ZoomOutAfterCombat, onZoomOutAfterCombat);
    connectNamed(msg::ZoomOutForRout, onZoomOutForRout);
    connectNamed(msg::ZoomInAfterRout, onZoomInAfterRout);
    connectNamed(msg::WillCombatFit, onWillCombatFit);
    connectNamed(msg::GetActiveChildMenu, onGetActiveChildMenu);
}

void VaelMapWindow::detach() {
    if (tile_ && tile_->getBus()) tile_->detach();
    WindowsChildWindow::detach();
}

void VaelMapWindow::resizeBackBuffer(const Dim& size) {
    WindowsChildWindow::resizeBackBuffer(size);
    if (!tile_) return;
    if (!tile_->parent()) {
        TWindowMetrics fill;
        fill.x.set(lmLeft, lmAbsolute, nullptr, lmLeft, 0, lmPixels);
        fill.y.set(lmTop, lmAbsolute, nullptr, lmTop, 0, lmPixels);
        fill.width.set(lmWidth, lmAbsolute, nullptr, lmWidth, size.w, lmPixels);
        fill.height.set(lmHeight, lmAbsolute, nullptr, lmHeight, size.h, lmPixels);
        tile_->setParent(this, fill);
    } else {
        tile_->setBox(Box(0, 0, size.w, size.h));
    }
    // The whole battlefield shows at once at the new size: a window maximized as the battle opens would
    // otherwise show only what its first size held until the next repaint, and black beside it. Only what a
    // screen can show is drawn: a window restored at a size no screen holds waits for its repaints.
    constexpr std::int16_t MostShown = 4096;
    tile_->invalidate(Box(0, 0, std::min(size.w, MostShown), std::min(size.h, MostShown)));
    tile_->draw();
}

void VaelMapWindow::changeFlags(std::uint32_t flags) {
    tile_->enableDrawing(0);
    previousFlags_ = viewFlags_;
    viewFlags_ = flags;
    if (viewport_)
        viewport_->changeViewport(ViewportInfo{this, tile_.get(), static_cast<std::uint16_t>(previousFlags_),
                                               static_cast<std::uint16_t>(viewFlags_)});
    tile_->enableDrawing(1);
}

void VaelMapWindow::setItem(std::uint16_t id, bool enabled) {
    if (Menu* m = menu()) enabled ? m->enable(static_cast<std::int32_t>(id), 1) : m->disable(id);
}

void VaelMapWindow::checkZoomItem(std::uint16_t on) {
    Menu* m = menu();
    if (!m) return;
    for (std::uint16_t id : {ZoomIn, Normal, ZoomOut})
        id == on ? m->check(static_cast<std::int32_t>(id), 1) : m->uncheck(static_cast<std::int32_t>(id));
}

void VaelMapWindow::checkReverseItem() {
    if (Menu* m = menu()) (viewFlags_ & Reversed) ? m->check(ReverseView, 1) : m->uncheck(ReverseView);
}

void VaelMapWindow::onCommand(std::uint16_t id, std::uint16_t notification) {
    switch (id) {
    case ZoomIn:
        checkZoomItem(ZoomIn);
        if (viewFlags_ & (HalfSize | QuarterSize)) changeFlags(viewFlags_ & ~(HalfSize | QuarterSize));
        return;
    case Normal:
        checkZoomItem(Normal);
        if (!(viewFlags_ & HalfSize)) changeFlags((viewFlags_ & ~QuarterSize) | HalfSize);
        return;
    case ZoomOut:
        checkZoomItem(ZoomOut);
        if (!(viewFlags_ & QuarterSize)) changeFlags((viewFlags_ & ~HalfSize) | QuarterSize);
        return;
    case ReverseView: {
        enableUpdates(0);
        tile_->enableDrawing(0);
        const std::int16_t hex = tile_->hexAt(tile_->viewCentre());
        changeFlags(viewFlags_ ^ Reversed);
        checkReverseItem();
        tile_->refreshOverview((viewFlags_ & Reversed) != 0);
        // A centre off the map has no hex to keep in view: the layer is not asked.
        if (hex >= 0) {
            Container<short> where(hex);
            std::unique_ptr<ContainerBase> reply(queryNamed(msg::CenterOnRegion, &where));
        }
        tile_->enableDrawing(1);
        enableUpdates(1);
        return;
    }
    case HideOverview:
        tile_->hideOverview();
        setItem(ShowOverview, true);
        setItem(HideOverview, false);
        return;
    case ShowOverview:
        tile_->showOverview();
        setItem(HideOverview, true);
        setItem(ShowOverview, false);
        return;
    default:
        WindowsWindow::onCommand(id, notification);
    }
}

void VaelMapWindow::activationSetUp() {
    for (std::uint16_t id : {CenterOnLeader, ShowOverview, HideOverview, ReverseView, ZoomIn, Normal, ZoomOut,
                             std::uint16_t{107}, std::uint16_t{106}, std::uint16_t{104}})
        setItem(id, true);
    for (const char* name : {msg::ToggleHexGridOn, msg::ToggleHexGridOff})
        if (std::uint16_t id = 0; RegisteredMessage::lookUp(name, id)) setItem(id, true);
    checkZoomItem((viewFlags_ & QuarterSize) ? ZoomOut : (viewFlags_ & HalfSize) ? Normal : ZoomIn);
    checkReverseItem();
    Container<BusMessage> command(BusMessage(tile_->overviewShown() ? ShowOverview : HideOverview));
    std::unique_ptr<ContainerBase> reply(queryNamed(msg::Command, &command));
}

std::intptr_t VaelMapWindow::handleMessage(std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
    // While a unit waits for the target of its volley the Missile Volley command stays checked; Escape or
    // the right button takes the order back, as choosing the command again does, and the map is left to
    // moves.
    const bool rightButton = message == MessageRightButtonDown ||
                             (message == MessageButtonDown && (wParam & 0xFF) == platform::ButtonRight);
    const bool escape = message == MessageKeyDown && static_cast<std::int32_t>(wParam) == platform::KeyEscape;
    if (rightButton || escape) {
        std::uint16_t volley = 0;
        Menu* m = menu();
        if (m && RegisteredMessage::lookUp(msg::MissleVolley, volley) && m->isChecked(volley)) {
            onCommand(volley, 0);
            return 0;
        }
    }
    if (message == MessageKeyDown) {
        switch (static_cast<std::int32_t>(wParam)) {
        case platform::KeyLeft:
            tile_->scrollByCellsClamped(Dim(-1, 0));
            break;
        case platform::KeyUp:
            tile_->scrollByCellsClamped(Dim(0, -1));
            break;
        case platform::KeyRight:
            tile_->scrollByCellsClamped(Dim(1, 0));
            break;
        case platform::KeyDown:
            tile_->scrollByCellsClamped(Dim(0, 1));
            break;
        default:
            break;
        }
    }
    if (message == MessageMdiActivate && static_cast<WindowHandle>(lParam) == hwnd_) activationSetUp();
    return WindowsChildWindow::handleMessage(message, wParam, lParam);
}

void VaelMapWindow::centerOnPoint(const Point3D* centres) {
    tile_->centerOn(centres[tile_->zoomIndex() % 3]);
}

void VaelMapWindow::changeCursor(const std::string& name) {
    cursorName_ = name;
    const bool standard = name == "ArrowCursor";
    // The drawn cursors are read when the map first asks for one.
    if (!standard && !WinApp::namedCursor(name)) MapCursors::load();
    setCursor(standard ? std::string() : name);
}

void VaelMapWindow::zoomInForCombat(const Point3D* centres) {
    tile_->enableDrawing(0);
    const Point3D& at = centres[tile_->zoomIndex() % 3];
    const std::int16_t hex = tile_->hexAt(Point(at.x, at.y));
    // A combat whose hex lies off the map has nothing to zoom to.
    if (hex < 0) {
        tile_->enableDrawing(1);
        return;
    }
    if (viewFlags_ & (HalfSize | QuarterSize)) {
        zoomedInForCombat_ = 1;
        changeFlags(viewFlags_ & ~(HalfSize | QuarterSize));
        if (Menu* m = menu()) {
            m->uncheck(ZoomOut);
            m->uncheck(Normal);
            m->check(ZoomIn, 1);
        }
    }
    if (Landscape* now = tile_->landscape()) tile_->centerOn(now->blockCenter(hex));
    tile_->enableDrawing(1);
}

bool VaelMapWindow::willCombatFit(const std::array<std::uint16_t, 4>& hexes) {
    std::unique_ptr<ContainerBase> reply(queryNamedEmpty(msg::GetPrimaryLandscape));
    Landscape* land = nullptr;
    if (auto* hexLand = dynamic_cast<Container<PointedVaelLandscape*>*>(reply.get()))
        land = hexLand->value();
    else if (auto* plain = dynamic_cast<Container<Landscape*>*>(reply.get()))
        land = plain->value();
    if (!land) return true;
    // The box round the corners' centres, whichever way the view is turned: turned round, the least row
    // lies left rather than right. Corners off the map (no units on a side) have no centre and do not count.
    auto* hexLand = dynamic_cast<IsometricHexLandscape*>(land);
    int left = 0, right = 0, top = 0, bottom = 0;
    bool any = false;
    for (std::uint16_t hex : hexes) {
        if (hex > 0x7FFF || (hexLand && !hexLand->hexHasBlock(static_cast<std::int16_t>(hex)))) continue;
        const Point3D p = land->blockCenter(static_cast<std::int16_t>(hex));
        left = any ? std::min<int>(left, p.x) : p.x, right = any ? std::max<int>(right, p.x) : p.x;
        top = any ? std::min<int>(top, p.y) : p.y, bottom = any ? std::max<int>(bottom, p.y) : p.y;
        any = true;
    }
    const Dim view = tile_->viewSize();
    return !any || (view.w >= right - left && view.h >= bottom - top);
}

void VaelMapWindow::zoomOutAfterCombat() {
    if (!zoomedInForCombat_) return;
    zoomedInForCombat_ = 0;
    if (previousFlags_ & HalfSize)
        onCommand(Normal, 0);
    else if (previousFlags_ & QuarterSize)
        onCommand(ZoomOut, 0);
}

void VaelMapWindow::zoomOutForRout() {
    if ((viewFlags_ & HalfSize) || viewFlags_ == 0 || viewFlags_ == Reversed) {
        zoomedOutForRout_ = 1;
        previousFlags_ = viewFlags_;
        onCommand(ZoomOut, 0);
    }
}

void VaelMapWindow::zoomInAfterRout() {
    if (!zoomedOutForRout_) return;
    zoomedOutForRout_ = 0;
    if (previousFlags_ & HalfSize)
        onCommand(Normal, 0);
    else if (!(previousFlags_ & QuarterSize))
        onCommand(ZoomIn, 0);
}

namespace {
void put32At(VaelMapWindow::Placement& p, std::size_t at, std::int32_t v) {
    for (std::size_t k = 0; k < 4; ++k)
        p[at + k] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * k));
}
std::int32_t get32At(const VaelMapWindow::Placement& p, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k)
        v |= static_cast<std::uint32_t>(p[at + k]) << (8 * k);
    return static_cast<std::int32_t>(v);
}
constexpr std::int32_t ShowNormal = 1, ShowIconic = 2, ShowMaximized = 3;
} // namespace

VaelMapWindow::Placement VaelMapWindow::placement() const {
    Placement p{};
    const WindowManager::Record* r = WindowManager::instance().find(hwnd());
    const bool iconic = r && r->iconic;
    const platform::Rect box = (iconic || maximized_ || !r) ? normalBox_ : r->outer;
    put32At(p, 0, static_cast<std::int32_t>(PlacementSize));
    put32At(p, 4, 0);
    put32At(p, 8, iconic ? ShowIconic : maximized_ ? ShowMaximized : ShowNormal);
    for (std::size_t at = 12; at < 28; at += 4)
        put32At(p, at, -1);
    put32At(p, 28, box.x);
    put32At(p, 32, box.y);
    put32At(p, 36, box.x + box.width);
    put32At(p, 40, box.y + box.height);
    return p;
}

bool VaelMapWindow::placementFits(const Placement& p) {
    if (get32At(p, 0) != static_cast<std::int32_t>(PlacementSize)) return false;
    const std::int32_t left = get32At(p, 28), top = get32At(p, 32), right = get32At(p, 36),
                       bottom = get32At(p, 40);
    // A window lies on a screen: a corner beyond any screen is a damaged file, and its size would not
    // even be a number.
    for (const std::int32_t v : {left, top, right, bottom})
        if (v < -MostPlacement || v > MostPlacement) return false;
    // A damaged size would otherwise ask for a picture of gigabytes.
    return left <= right && top <= bottom && right - left <= MostPlacementSize &&
           bottom - top <= MostPlacementSize;
}

bool VaelMapWindow::applyPlacement(const Placement& p) {
    if (!placementFits(p)) return false;
    const std::int32_t left = get32At(p, 28), top = get32At(p, 32), right = get32At(p, 36),
                       bottom = get32At(p, 40);
    if (maximized_ || isIconic()) restoreWindow();
    setWindowPos({left, top, right - left, bottom - top}, 0);
    normalBox_ = {left, top, right - left, bottom - top};
    const std::int32_t show = get32At(p, 8);
    if (show == ShowMaximized)
        maximize();
    else if (show == ShowIconic)
        minimize();
    return true;
}

void VaelMapWindow::writeState(std::ostream& stream) const {
    raw::putU16(stream, static_cast<std::uint16_t>(viewFlags_ & 0xFFFF));
    raw::putU16(stream, tile_->overviewShown() ? 1 : 0);
    const Point c = tile_->viewCentre();
    raw::putI16(stream, c.x);
    raw::putI16(stream, c.y);
}

bool VaelMapWindow::readState(std::istream& stream) {
    std::int16_t x = 0, y = 0;
    if (!raw::getI16(stream, x) || !raw::getI16(stream, y)) return false;
    tile_->centerOn(Point3D(x, y, 0));
    return true;
}

} // namespace vael
