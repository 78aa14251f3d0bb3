#include "framework/ui/toolbar.h"

#include "framework/core/assertion.h"
#include "framework/core/bus.h"
#include "framework/core/payload_check.h"
#include "framework/ui/dialog.h"
#include "framework/ui/t_layout_window.h"
#include "framework/ui/text_tile.h"
#include "framework/ui/ui_message_names.h"
#include "framework/ui/win_app.h"

namespace vael {

namespace {
TWindowMetrics pixelsAt(std::int16_t x, std::int16_t y, Dim size) {
    TWindowMetrics m;
    m.x.set(lmLeft, lmAbsolute, nullptr, lmLeft, x, lmPixels);
    m.y.set(lmTop, lmAbsolute, nullptr, lmTop, y, lmPixels);
    m.width.set(lmWidth, lmAbsolute, nullptr, lmWidth, size.w, lmPixels);
    m.height.set(lmHeight, lmAbsolute, nullptr, lmHeight, size.h, lmPixels);
    return m;
}
} // namespace

Toolbar::Toolbar(Display* parentDisplay, const char* name)
    : Component(name ? name : "Unnamed Toolbar"), parentDisplay_(parentDisplay) {}

Toolbar::~Toolbar() {
    Button* button = nullptr;
    while (buttons_.removeFirst(button))
        delete button;
}

void Toolbar::addButton(Button* button) {
    if (!button) return;
    if (getBus()) button->attach(*getBus());
    buttons_.append(button);
    const Dim size = button->imageSize();
    const auto y = static_cast<std::int16_t>((height_ - size.h) / 2);
    if (parentDisplay_) button->setParent(parentDisplay_, pixelsAt(nextPosition_.x, y, size));
    nextPosition_.x = static_cast<std::int16_t>(nextPosition_.x + size.w);
}

void Toolbar::onCommand(std::uint16_t command) {
    Item<Button*>* n = nullptr;
    for (buttons_.firstItem(n); n; n = n->next)
        n->value->commandIssued(BusMessage(command));
}

void Toolbar::connectHandlers() {
    Item<Button*>* n = nullptr;
    for (buttons_.firstItem(n); n; n = n->next)
        if (getBus() && n->value->getBus() != getBus()) n->value->attach(*getBus());
    connectNamed(msg::ToolTipText, &Toolbar::onToolTipText);
    connectNamed(msg::ToolTipEnable, &Toolbar::onToolTipEnable);
}

ContainerBase* Toolbar::onToolTipText(Component* target, BusMessage, ContainerBase* data) {
    auto* bar = dynamic_cast<Toolbar*>(target);
    Assertion::check(bar != nullptr, BadPayloadMessage, "TOOLBAR", __LINE__);
    if (bar)
        callWithPayload<std::string>(data, "TOOLBAR", __LINE__,
                                     [&](const std::string& text) { bar->setToolTipText(text); });
    return nullptr;
}

ContainerBase* Toolbar::onToolTipEnable(Component* target, BusMessage, ContainerBase* data) {
    auto* bar = dynamic_cast<Toolbar*>(target);
    Assertion::check(bar != nullptr, BadPayloadMessage, "TOOLBAR", __LINE__);
    if (bar) callWithPayload<short>(data, "TOOLBAR", __LINE__, [&](short on) { bar->showToolTip(on); });
    return nullptr;
}

// The tip window.

ToolTipWindow::ToolTipWindow(const Point& screenPosition, WindowHandle owner)
    : Window(screenPosition, Dim(0, 0), "Tip", "ToolTipWin"),
      WindowsWindow(screenPosition, Dim(0, 0), "Tip", nullptr, nullptr, "ToolTipWin"),
      font_(TextTile::DefaultFont) {
    (void)owner; // a pop-up stands above every window of the program; its owner only outlives it
    create(Dim(0, 0), "ToolTipWin", PopupStyle, 0);
}

ToolTipWindow::~ToolTipWindow() {
    destroyWindow();
}

void ToolTipWindow::setText(const std::string& text) {
    shown_ = " " + text + " ";
    const Box extent = font_.textExtent(shown_);
    // The border is drawn inside the picture, one pixel on every side.
    setWindowPos({position_.x, position_.y, extent.w + 2, extent.h + 2},
                 WindowPos::NoMove | WindowPos::NoZOrder);
    erase();
    showAll();
}

void ToolTipWindow::erase() {
    fillRect(Box(0, 0, width(), height()), 250, 250, 100);
    frameRect(Box(0, 0, width(), height()), 0, 0, 0);
    font_.drawText(*this, Point(1, static_cast<std::int16_t>(1 + font_.ascent())), shown_, 3);
}

// The bar's window.

WindowsToolbar::WindowsToolbar(WindowHandle parent, const std::string& archiveName, const char* name)
    : Window(Point(0, 0), Dim(0, 0), nullptr, name ? name : "Unnamed Toolbar"), Toolbar(this, name),
      WindowsWindow(Point(0, 0), Dim(0, 0), nullptr, nullptr, nullptr, name),
      art_(PictureArchive::open(archiveName)) {
    const Picture mirror = art_->drawableInAnyGroup("Mirror #1");
    height_ = static_cast<std::uint16_t>(mirror.exists() ? mirror.height() : 0);
    create(Dim(0, 0), "GenericWindow", BarStyle, parent);
}

WindowsToolbar::~WindowsToolbar() {
    tipWindow_.reset();
    // The buttons go before the window whose pixels they show.
    Button* button = nullptr;
    while (buttons_.removeFirst(button))
        delete button;
    destroyWindow();
}

void WindowsToolbar::connectHandlers() {
    Toolbar::connectNamed(msg::SystemKeyPressed, &WindowsToolbar::onHide);
    Toolbar::connectNamed(msg::ToolTipKill, &WindowsToolbar::onHide);
    Toolbar::connectHandlers();
}

ContainerBase* WindowsToolbar::onHide(Component* target, BusMessage, ContainerBase*) {
    auto* bar = dynamic_cast<WindowsToolbar*>(target);
    Assertion::check(bar != nullptr, BadPayloadMessage, "TOOLBAR", __LINE__);
    if (bar) bar->hideTip();
    return nullptr;
}

void WindowsToolbar::hideTip() {
    if (!tipActive_ || tipSuppressed_) return;
    if (captured() == this) releaseMouse();
    tipActive_ = 0;
    tipSuppressed_ = 1;
    tipWindow_.reset();
    tipWindowMissing_ = 1;
}

void WindowsToolbar::dialogOpened() {
    hideTip();
    tipSuppressed_ = 1;
}

void WindowsToolbar::setToolTipText(const std::string& text) {
    Toolbar::setToolTipText(text);
    // The pointer came onto a button, which is a move inside the bar: a tip put away may come again. One
    // that tracks the pointer learns of its moves itself.
    if (!tipActive_) tipSuppressed_ = 0;
    if (tipActive_) showToolTip(1);
}

bool WindowsToolbar::applicationActive() const {
    const WinApp* app = winApp();
    return !app || app->modalDepth() == 0 || Dialog::barsLeftToPlayer();
}

bool WindowsToolbar::pointerInside() const {
    return onBar(const_cast<WindowsToolbar*>(this)->cursorPosition());
}

bool WindowsToolbar::onBar(const Point& point) const {
    if (!Box(0, 0, Display::width(), Display::height()).contains(point)) return false;
    // Inside the bar's box but under a window over it (the start dialog a small window brings over the
    // bar) the pointer has left the bar as surely as beside it.
    const WindowManager& manager = WindowManager::instance();
    const platform::Rect client = manager.clientOnScreen(hwnd_);
    return manager.windowAt(client.x + point.x, client.y + point.y) == hwnd_;
}

void WindowsToolbar::showToolTip(std::int16_t on) {
    if (tipSuppressed_) return;
    if (on && !tipActive_) {
        if (!applicationActive()) return;
        tipActive_ = 1;
        tipWindowMissing_ = 1;
        if (!captured()) captureMouse();
        enableMouseEvent(MouseMoved);
    }
    if (on) {
        if (tipWindowMissing_) {
            const platform::Rect pointer = WindowManager::instance().mouse();
            const std::int16_t c = HalfCursorHeight + 2;
            tipWindow_ = std::make_unique<ToolTipWindow>(
                Point(static_cast<std::int16_t>(pointer.x - c / 4), static_cast<std::int16_t>(pointer.y + c)),
                hwnd_);
            tipWindowMissing_ = 0;
        }
        tipWindow_->setText(tipText_);
        return;
    }
    if (!tipActive_) return;
    tipWindow_.reset();
    tipWindowMissing_ = 1;
    if (!pointerInside()) {
        if (captured() == this) releaseMouse();
        tipActive_ = 0;
        disableMouseEvent(MouseMoved);
    }
}

std::intptr_t WindowsToolbar::windowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message != MessageMouseMove || onBar(pointOf(lParam)))
        return WindowsWindow::windowProc(message, wParam, lParam);
    // Held by the tip's capture, the bar hears the pointer wherever it goes; a button under a window
    // over the bar would take it for a hover and call the tip back.
    onMouseMove(pointOf(lParam));
    if (Application* app = Application::instance()) app->setDisplayUnderMouse(nullptr, pointOf(lParam), 0);
    return 0;
}

void WindowsToolbar::onMouseMove(const Point& point) {
    if (!onBar(point))
        showToolTip(0);
    else if (point != lastPointer_)
        tipSuppressed_ = 0;
    lastPointer_ = point;
}

void WindowsToolbar::erase() {
    const Picture one = art_->drawableInAnyGroup("Mirror #1");
    const Picture two = art_->drawableInAnyGroup("Mirror #2");
    if (!one.exists() || one.width() <= 0) return WindowsWindow::erase();
    // A tile at an even x is the mirror image; with an even width every tile is.
    for (std::int32_t x = 0; x < Display::width(); x += one.width())
        drawPicture(Point(static_cast<std::int16_t>(x), 0), x % 2 == 0 && two.exists() ? two : one);
}

// As a display draws: what changed reaches the screen, and the dirty list starts again empty.
void WindowsToolbar::draw() {
    erase();
    layout_.drawChildren();
    update();
    clearDirtyBoxes();
}

void WindowsToolbar::placeBar(const Box& box) {
    setWindowPos({box.x, box.y, box.w, box.h}, 0);
    draw();
}

} // namespace vael
