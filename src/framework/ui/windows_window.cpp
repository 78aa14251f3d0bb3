#include "framework/ui/windows_window.h"

#include <algorithm>
#include <cstring>

#include "framework/core/answer.h"
#include "framework/core/assertion.h"
#include "framework/core/container.h"
#include "framework/ui/ui_message_names.h"
#include "framework/ui/win_app.h"
#include "framework/ui/windows_menu.h"

namespace vael {

WinApp* winApp() {
    return dynamic_cast<WinApp*>(Application::instance());
}

Point pointOf(std::intptr_t word) {
    return Point(pointX(word), pointY(word));
}

WindowsWindow::WindowsWindow(const Point& position, const Dim& size, const char* caption,
                             const char* menuName, const char* iconName, const char* name)
    : Window(position, size, caption, name ? name : "Unnamed Windows Window") {
    if (caption_ && !captionFits(*caption_)) caption_.reset();
    if (menuName && *menuName) menu_.reset(loadMenu(menuName));
    if (iconName) iconName_ = iconName;
    cursor_ = WinApp::arrowCursor();
}

WindowsWindow::~WindowsWindow() {
    WindowManager& manager = WindowManager::instance();
    if (hwnd_) {
        if (manager.capture() == hwnd_) manager.setCapture(0);
        manager.remove(hwnd_);
        if (WinApp* app = winApp()) app->removeWindow(hwnd_);
        hwnd_ = 0;
    }
}

bool WindowsWindow::captionFits(const std::string& text) {
    if (text.size() <= CaptionLimit) return true;
    Assertion::fail("A window caption is limited to " + std::to_string(CaptionLimit) + " bytes; \"" +
                        text.substr(0, 40) + "...\" is refused.",
                    "windows_window.cpp", __LINE__);
    return false;
}

// Drawing to the screen.

void WindowsWindow::present(WindowHandle window) {
    std::vector<platform::Rect> boxes;
    for (const Box& b : dirtyBoxes())
        boxes.push_back({b.x, b.y, b.w, b.h});
    if (!boxes.empty()) WindowManager::instance().present(window, surface(), boxes);
}

void WindowsWindow::update() {
    present(hwnd_);
}

void WindowsWindow::showAll() {
    addDirtyBox(Box(0, 0, width(), height()));
    update();
}

void WindowsWindow::paintFrame() {
    WindowManager::instance().drawStandardFrame(hwnd_);
}

bool WindowsWindow::isIconic() const {
    const WindowManager::Record* r = WindowManager::instance().find(hwnd_);
    return r && r->iconic;
}

void WindowsWindow::resizeBackBuffer(const Dim& size) {
    Display::resize(size);
    erase();
    layout_.layout();
    layout_.drawChildren();
}

// The window in the window manager.

std::int16_t WindowsWindow::create(const Dim& clientSize, const std::string&, std::uint32_t style,
                                   WindowHandle parent) {
    WinApp* app = winApp();
    if (!app || hwnd_) return hwnd_ != 0;
    style_ = style;
    const Insets in = WindowManager::insetsFor(style, hasOwnMenuBar(), parent == 0);
    WindowManager::Record record;
    record.handle = app->addWindow(this);
    record.parent = parent;
    record.window = this;
    record.shows = this;
    record.outer = {position_.x, position_.y, clientSize.w + in.left + in.right,
                    clientSize.h + in.top + in.bottom};
    record.insets = in;
    record.painted = !createUnpainted_;
    hwnd_ = record.handle;
    WindowManager::instance().add(record);
    receive(MessageCreate, 0, 0);
    return hwnd_ != 0;
}

void WindowsWindow::destroyWindow() {
    if (!hwnd_) return;
    const WindowHandle was = hwnd_;
    receive(MessageNcDestroy, 0, 0);
    WindowManager& manager = WindowManager::instance();
    if (manager.capture() == was) manager.setCapture(0);
    manager.remove(was);
    if (WinApp* app = winApp()) app->removeWindow(was);
    if (hwnd_ == was) hwnd_ = 0;
}

void WindowsWindow::setWindowPos(const platform::Rect& box, std::uint32_t flags) {
    WindowManager& manager = WindowManager::instance();
    const WindowManager::Record* r = manager.find(hwnd_);
    if (!r) return;
    WindowPos pos{box, flags};
    if (flags & WindowPos::NoSize) pos.box.width = r->outer.width, pos.box.height = r->outer.height;
    if (flags & WindowPos::NoMove) pos.box.x = r->outer.x, pos.box.y = r->outer.y;
    windowPosChanging(pos);
    manager.setOuter(hwnd_, pos.box);
}

void WindowsWindow::windowPosChanging(WindowPos& pos) {
    const WindowManager::Record* r = WindowManager::instance().find(hwnd_);
    if (!r) return;
    if (pos.flags == WindowPos::Iconise || pos.flags == WindowPos::IconiseKeepOrder) {
        // An icon is drawn by the window manager: the picture behind it stays as it was.
        pos.box.width = pos.box.height = WindowManager::IconSize;
    } else if (pos.box.width != r->outer.width || pos.box.height != r->outer.height) {
        {
            const Dim client(static_cast<std::int16_t>(std::clamp(pos.box.width - frameWidth_, 0, 0x7FFF)),
                             static_cast<std::int16_t>(std::clamp(pos.box.height - frameHeight_, 0, 0x7FFF)));
            if (client != size()) resizeBackBuffer(client);
        }
    }
    if (!(pos.flags & WindowPos::NoMove))
        position_ = Point(static_cast<std::int16_t>(pos.box.x), static_cast<std::int16_t>(pos.box.y));
}

platform::Rect WindowsWindow::draggedTo(const platform::Rect& proposed, const platform::Rect& area) const {
    const std::int32_t grip = WindowManager::Border + WindowManager::CaptionHeight;
    platform::Rect box = proposed;
    box.x = std::clamp(proposed.x, grip - proposed.width, std::max(0, area.width - grip));
    box.y = std::clamp(proposed.y, 0, std::max(0, area.height - grip));
    return box;
}

// Messages.

std::intptr_t WindowsWindow::windowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
    case MessageCreate: {
        const WindowManager::Record* r = WindowManager::instance().find(hwnd_);
        if (!r) return 0;
        const platform::Rect client = WindowManager::instance().clientOnScreen(hwnd_);
        frameWidth_ = static_cast<std::int16_t>(r->outer.width - client.width);
        frameHeight_ = static_cast<std::int16_t>(r->outer.height - client.height);
        resizeBackBuffer(
            Dim(static_cast<std::int16_t>(client.width), static_cast<std::int16_t>(client.height)));
        return 0;
    }
    case MessagePaint:
        if (isIconic())
            WindowManager::instance().drawStandardFrame(hwnd_);
        else
            showAll();
        return 0;
    case MessageMouseMove:
        routeMouseEvent(MouseMoved, pointOf(lParam));
        return 0;
    case MessageButtonDown:
    case MessageButtonUp:
    case MessageDoubleClick: {
        const auto button = static_cast<std::uint8_t>(wParam & 0xFF);
        if (button == platform::ButtonRight && message == MessageButtonDown) {
            contextMenu(pointOf(lParam));
        } else if (button == platform::ButtonLeft) {
            const std::int16_t kind = message == MessageButtonDown ? MouseLeftDown
                                      : message == MessageButtonUp ? MouseLeftUp
                                                                   : MouseLeftDoubleClick;
            routeMouseEvent(kind, pointOf(lParam));
        }
        return 0;
    }
    case MessageRightButtonDown:
        contextMenu(pointOf(lParam));
        return 0;
    case MessageSysKeyDown:
        dropAnswer(queryNamedEmpty(msg::SystemKeyPressed));
        return defaultProc(message, wParam, lParam);
    case MessageCommand:
        onCommand(static_cast<std::uint16_t>(wParam & 0xFFFF), static_cast<std::uint16_t>(wParam >> 16));
        return 1;
    default:
        return defaultProc(message, wParam, lParam);
    }
}

std::intptr_t WindowsWindow::defaultProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    switch (message) {
    case MessageSysCommand:
        if (wParam == SysCommandMinimize) minimize();
        if (wParam == SysCommandMaximize) maximize();
        if (wParam == SysCommandRestore) restoreWindow();
        if (wParam == SysCommandClose) receive(MessageClose, 0, 0);
        return 0;
    case MessageClose:
        destroyWindow();
        return 0;
    case MessageQueryEndSession:
        return 1;
    default:
        return 0;
    }
}

void WindowsWindow::contextMenu(const Point& at) {
    Display* found = displayAt(at);
    if (!found) return;
    Menu* popup = found->popupMenu();
    if (!popup) return;
    const platform::Rect client = WindowManager::instance().clientOnScreen(hwnd_);
    popup->trackPopup(
        Point(static_cast<std::int16_t>(at.x + client.x), static_cast<std::int16_t>(at.y + client.y)));
}

void WindowsWindow::connectHandlers() {
    Display::connectHandlers();
}

void WindowsWindow::onCommand(std::uint16_t id, std::uint16_t notification) {
    Container<short> code(static_cast<short>(notification));
    send(BusMessage(id), &code);
}

// What the window manager does for the window.

void WindowsWindow::minimize() {
    WindowManager& manager = WindowManager::instance();
    const WindowManager::Record* r = manager.find(hwnd_);
    if (!r || r->iconic) return;
    // Icons line up along the bottom of the parent's client area, left to right, clear of the others.
    std::vector<platform::Rect> others;
    for (WindowHandle sibling : manager.childrenOf(r->parent))
        if (sibling != hwnd_ && manager.find(sibling)->iconic) others.push_back(manager.find(sibling)->outer);
    platform::Rect at = manager.iconPlace(hwnd_, others);
    at.width = r->outer.width, at.height = r->outer.height;
    if (maximized_) {
        // An icon has its frame back; restored, the window goes to where it was before it was maximized.
        maximized_ = false;
        setFrame(normalInsets_);
    } else {
        normalBox_ = r->outer;
    }
    manager.setIconic(hwnd_, true);
    setWindowPos(at, WindowPos::Iconise);
}

void WindowsWindow::maximize() {
    WindowManager& manager = WindowManager::instance();
    const WindowManager::Record* r = manager.find(hwnd_);
    if (!r || !r->parent || maximized_) return;
    if (!r->iconic) normalBox_ = r->outer;
    manager.setIconic(hwnd_, false);
    maximized_ = true;
    // The frame is folded away: the client area is the parent's whole client area, and the caption's
    // controls are the frame's to show.
    normalInsets_ = r->insets;
    setFrame({});
    const platform::Rect area = manager.clientOnScreen(r->parent);
    placeInNewFrame({0, 0, area.width, area.height});
}

void WindowsWindow::parentResized() {
    WindowManager& manager = WindowManager::instance();
    const WindowManager::Record* r = manager.find(hwnd_);
    if (!r || !r->parent || !maximized_) return;
    const platform::Rect area = manager.clientOnScreen(r->parent);
    placeInNewFrame({0, 0, area.width, area.height});
}

void WindowsWindow::placeInNewFrame(const platform::Rect& box) {
    WindowManager& manager = WindowManager::instance();
    const platform::Rect was = manager.outerOnScreen(hwnd_);
    setWindowPos(box, 0);
    // The same outer box in another frame: the picture takes the client's size, and is shown again.
    const platform::Rect client = manager.clientOnScreen(hwnd_);
    const Dim fits(static_cast<std::int16_t>(client.width), static_cast<std::int16_t>(client.height));
    if (fits != size()) resizeBackBuffer(fits);
    if (manager.outerOnScreen(hwnd_) == was) manager.repaint(was);
}

void WindowsWindow::setFrame(const Insets& insets) {
    WindowManager::instance().setInsets(hwnd_, insets);
    frameWidth_ = static_cast<std::int16_t>(insets.left + insets.right);
    frameHeight_ = static_cast<std::int16_t>(insets.top + insets.bottom);
}

void WindowsWindow::restoreWindow() {
    WindowManager& manager = WindowManager::instance();
    const WindowManager::Record* r = manager.find(hwnd_);
    if (!r || (!r->iconic && !maximized_)) return;
    manager.setIconic(hwnd_, false);
    if (maximized_) setFrame(normalInsets_);
    maximized_ = false;
    placeInNewFrame(normalBox_);
}

void WindowsWindow::setCapture(Display* display) {
    WindowManager::instance().setCapture(hwnd_);
    Display::setCapture(display);
}

void WindowsWindow::releaseCapture() {
    if (WindowManager::instance().capture() == hwnd_) WindowManager::instance().setCapture(0);
    Display::releaseCapture();
}

Point WindowsWindow::cursorPosition() {
    const platform::Rect mouse = WindowManager::instance().mouse();
    const platform::Rect client = WindowManager::instance().clientOnScreen(hwnd_);
    return Point(static_cast<std::int16_t>(mouse.x - client.x),
                 static_cast<std::int16_t>(mouse.y - client.y));
}

Menu* WindowsWindow::loadMenu(const std::string& name) {
    return name.empty() ? nullptr : new WindowsMenu(name, false);
}

void WindowsWindow::replaceMenu(const std::string& name) {
    menu_.reset(loadMenu(name));
}

void WindowsWindow::moveTo(const Point& position) {
    position_ = position;
    // The window keeps its client size: the frame goes around the picture.
    const WindowManager::Record* r = WindowManager::instance().find(hwnd_);
    if (!r) return;
    setWindowPos({position.x, position.y, width() + frameWidth_, height() + frameHeight_},
                 WindowPos::NoZOrder);
}

void WindowsWindow::setIcon(const std::string& name) {
    iconName_ = name;
    if (isIconic()) WindowManager::instance().drawStandardFrame(hwnd_);
}

void WindowsWindow::setCursor(const std::string& name) {
    // No name, or one nobody drew, is the standard arrow.
    CursorHandle drawn = name.empty() ? nullptr : WinApp::namedCursor(name);
    cursor_ = drawn ? drawn : WinApp::arrowCursor();
}

void WindowsWindow::setCaption(const std::string& text) {
    if (!captionFits(text)) return;
    caption_ = text;
    WindowManager::instance().paintFrame(hwnd_);
}

// Text shifting.

void shiftStringUp(char* text) {
    if (!text) return;
    for (std::size_t i = 0; i < std::strlen(text); ++i)
        text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) + 2);
}

void shiftStringDown(char* text) {
    if (!text) return;
    for (std::size_t i = 0; i < std::strlen(text); ++i)
        text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) - 2);
}

} // namespace vael
