#include "framework/ui/main_window.h"

#include <algorithm>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/container.h"
#include "framework/core/payload_check.h"
#include "framework/ui/child_window.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/ui_message_names.h"
#include "framework/ui/win_app.h"

namespace vael {

// The portable part.

MainWindow::MainWindow(const Point& position, const Dim& size, const char* caption, const char* name)
    : Window(position, size, caption, name ? name : "Unnamed Main Window") {}

void MainWindow::setStatusText(const std::string& text, std::int16_t pane) {
    if (statusBar_) statusBar_->setPaneText(text, pane);
}

void MainWindow::connectHandlers() {
    connectNamed(msg::Command, &MainWindow::onCommandMessage);
    Display::connectHandlers();
}

ContainerBase* MainWindow::onCommandMessage(Component* target, BusMessage, ContainerBase* data) {
    auto* window = dynamic_cast<MainWindow*>(target);
    Assertion::check(window != nullptr, BadPayloadMessage, __FILE__, __LINE__);
    if (!window) return nullptr;
    callWithPayload<BusMessage>(data, __FILE__, __LINE__, [&](const BusMessage& command) {
        // A command id is a menu item's 16-bit id; a wider one would alias another command.
        const std::int32_t id = command.id();
        if (id >= 0 && id <= 0xFFFF) window->onCommand(static_cast<std::uint16_t>(id), 0);
    });
    return nullptr;
}

// The MDI client: the frame's picture is shown in it, and it hands its messages to the frame.
class WindowsMainWindow::Client : public MessageTarget {
public:
    explicit Client(WindowsMainWindow& frame) : frame_(frame) {}
    std::intptr_t handleMessage(const WindowMessage& m) override {
        return frame_.clientProc(m.message, m.wParam, m.lParam);
    }

private:
    WindowsMainWindow& frame_;
};

// The picture the menus are drawn into, as large as the platform's window: the bar along its top and
// the open pull-downs above every window.
class WindowsMainWindow::MenuLayer : public Display {
public:
    explicit MenuLayer(const Dim& size) : Display(size, "Menu Layer") {}
    Point cursorPosition() override { return {}; }
    void update() override {}
    Menu* loadMenu(const std::string&) override { return nullptr; }
};

WindowsMainWindow::WindowsMainWindow(const Point& position, const Dim& size, const char* caption,
                                     const char* menuName, const char* iconName, const char* childIconName,
                                     const char* name, std::int16_t showCommand)
    : Window(position, size, caption, name ? name : "Unnamed Windows Main Window"),
      MainWindow(position, size, caption, name),
      WindowsWindow(position, size, caption, menuName, iconName, name),
      client_(std::make_unique<Client>(*this)) {
    if (childIconName) childIcon_ = childIconName;
    create(size, "GenericMDI", FrameStyle, 0, showCommand);
}

WindowsMainWindow::~WindowsMainWindow() {
    WindowManager& manager = WindowManager::instance();
    manager.setOverlay(nullptr, {});
    // The children may outlive the frame; they no longer have a window to be shown in.
    for (WindowsChildWindow* child : children())
        child->destroyWindow();
    if (clientWindow_) {
        manager.remove(clientWindow_);
        if (WinApp* app = winApp()) app->removeWindow(clientWindow_);
    }
    if (Application* app = Application::instance(); app && app->getMainWindow() == this)
        app->setMainWindow(nullptr);
}

std::int16_t WindowsMainWindow::create(const Dim& size, const std::string& className, std::uint32_t style,
                                       WindowHandle parent, std::int16_t showCommand) {
    WinApp* app = winApp();
    if (!app) return 0;
    // The frame is the platform's window: its size with the menu bar is the window's.
    const Insets in = WindowManager::insetsFor(style, menu_ != nullptr, true);
    if (!app->platform().openWindow(size.w + in.left + in.right, size.h + in.top + in.bottom,
                                    caption_ ? *caption_ : std::string()))
        return 0;
    if (!WindowsWindow::create(size, className, style, parent)) return 0;
    WinApp::setMainWindowHandle(hwnd_);
    app->setMainWindow(this);
    app->postMessage(hwnd_, Show, static_cast<std::uintptr_t>(showCommand), 0);
    return 1;
}

std::vector<WindowsChildWindow*> WindowsMainWindow::children() const {
    std::vector<WindowsChildWindow*> out;
    for (WindowHandle h : WindowManager::instance().childrenOf(clientWindow_))
        if (WindowsChildWindow* child = childOf(h)) out.push_back(child);
    return out;
}

std::vector<WindowsChildWindow*> WindowsMainWindow::listedChildren() const {
    std::vector<WindowsChildWindow*> out;
    for (WindowHandle h : made_)
        if (WindowsChildWindow* child = childOf(h)) out.push_back(child);
    return out;
}

WindowsChildWindow* WindowsMainWindow::childOf(WindowHandle window) const {
    const WindowManager::Record* r = WindowManager::instance().find(window);
    return r && r->parent == clientWindow_ ? dynamic_cast<WindowsChildWindow*>(r->window) : nullptr;
}

// The bars and the client area.

Box WindowsMainWindow::layoutBars(const Dim& clientSize) {
    Box box(0, 0, clientSize.w, clientSize.h);
    if (toolbar_) {
        const auto h = static_cast<std::int16_t>(toolbar_->barHeight());
        box.y = static_cast<std::int16_t>(box.y + h);
        box.h = static_cast<std::int16_t>(box.h - h);
        toolbar_->placeBar(Box(0, 0, clientSize.w, h));
    }
    if (auto* bar = dynamic_cast<FrameBar*>(statusBar_)) {
        const auto h = static_cast<std::int16_t>(bar->barHeight());
        box.h = static_cast<std::int16_t>(box.h - h);
        bar->placeBar(Box(0, static_cast<std::int16_t>(clientSize.h - h), clientSize.w, h));
    }
    box.h = std::max<std::int16_t>(box.h, 0);
    return box;
}

void WindowsMainWindow::placeClient(bool always) {
    const platform::Rect frame = WindowManager::instance().clientOnScreen(hwnd_);
    const Dim size(static_cast<std::int16_t>(std::max(frame.width, 0)),
                   static_cast<std::int16_t>(std::max(frame.height, 0)));
    if (!always && size == lastClientSize_) return;
    lastClientSize_ = size;
    const Box box = layoutBars(size);
    WindowManager::instance().setOuter(clientWindow_, {box.x, box.y, box.w, box.h});
    if (Dim(box.w, box.h) != this->size()) resizeBackBuffer(Dim(box.w, box.h));
    // A maximized child fills the client area at any size.
    for (WindowsChildWindow* child : children())
        child->parentResized();
    clientPlaced(box);
}

void WindowsMainWindow::setToolbar(FrameBar* toolbar) {
    MainWindow::setToolbar(toolbar);
    if (clientWindow_) placeClient(true);
}

void WindowsMainWindow::setStatusBar(StatusBar* statusBar) {
    MainWindow::setStatusBar(statusBar);
    if (clientWindow_) placeClient(true);
}

void WindowsMainWindow::update() {
    present(clientWindow_);
}

void WindowsMainWindow::setCapture(Display* display) {
    WindowManager::instance().setCapture(clientWindow_);
    Display::setCapture(display);
}

// The menu bar.

void WindowsMainWindow::setMenu(Window* window) {
    Menu* menu = window ? window->menu() : this->menu();
    if (!menu && window) menu = this->menu();
    menuOwner_ = menu == this->menu() ? nullptr : window;
    tracker_.reset();
    fillWindowList();
    showMenuBar();
}

void WindowsMainWindow::fillWindowList() {
    Menu* menu = shownMenu();
    SystemMenu* bar = menu ? menu->handle() : nullptr;
    if (!bar) return;
    for (std::uint16_t id = FirstChildId; id < FirstChildId + 1000 && bar->findCommand(id); ++id)
        while (bar->remove(id)) {
        }
    // The window list goes into the pull-down before the last one; a bar with fewer has none.
    if (bar->count() < 2) return;
    const SystemMenu::Entry& entry = bar->entry(bar->count() - 2);
    if (!(entry.flags & SystemMenu::Popup) || !entry.submenu) return;
    std::uint16_t id = FirstChildId;
    for (WindowsChildWindow* child : listedChildren()) {
        // Appended piece by piece: GCC 12 at -O3 warns of an overlap (-Wrestrict) in the chain of operator+.
        std::string label = "&";
        label += std::to_string(id - FirstChildId + 1);
        label += ' ';
        if (child->caption()) label += child->caption();
        entry.submenu->append(child->hwnd() == active_ ? std::uint32_t(SystemMenu::Checked) : 0u, id++,
                              nullptr, label);
    }
}

bool WindowsMainWindow::drawMenus() {
    WinApp* app = winApp();
    if (!app || !layer_) return false;
    Menu* menu = shownMenu();
    if (!menu || !menu->handle()) {
        tracker_.reset();
        return false;
    }
    // A closed bar is made afresh: the menu may have changed since it was last shown.
    if (!tracker_ || !tracker_->isOpen()) {
        tracker_ = std::make_unique<MenuTracker>(*menu->handle(), layer_->size());
        tracker_->withhold(withheld);
    }
    layer_->clearDirtyBoxes();
    tracker_->draw(*layer_);
    drawBarControls();
    if (popupOpen()) popup_->draw(*layer_);
    const platform::Rect bar{0, 0, layer_->width(), MenuTracker::BarHeight};
    app->platform().present(layer_->surface(), 0, 0, &bar, 1);
    return true;
}

void WindowsMainWindow::closeMenus() {
    const bool popup = popupOpen();
    if (popup) popup_->close();
    if (tracker_ && tracker_->isOpen())
        tracker_->close();
    else if (!popup)
        return;
    showMenuBar();
}

bool WindowsMainWindow::popupOpen() const {
    return popup_ && popup_->isOpen();
}

std::uint16_t WindowsMainWindow::trackPopup(const SystemMenu& menu, const Point& at) {
    WinApp* app = winApp();
    if (!app || !layer_ || popupOpen() || menu.count() == 0) return 0;
    if (tracker_ && tracker_->isOpen()) tracker_->close();
    popup_ = std::make_unique<MenuTracker>(menu, at, layer_->size());
    // The orders the bar withholds are withheld here too, greyed and refused alike.
    popup_->withhold(withheld);
    popupAt_ = at, popupMoved_ = false, popupChosen_ = 0;
    showMenuBar();
    // The player chooses while the battle goes on: every message is handled as the main loop would,
    // the mouse and keys going to the pop-up while it is open.
    while (popupOpen()) {
        if (!app->messageWaiting() && !app->waitMessage()) break;
        if (!app->pumpMessage()) break;
    }
    const std::uint16_t chosen = popupChosen_;
    popup_.reset();
    showMenuBar();
    return chosen;
}

bool WindowsMainWindow::popupInput(std::uint32_t message, std::uintptr_t wParam, const Point& at,
                                   std::uint16_t modifiers) {
    if (!popupOpen()) return false;
    std::uint16_t command = 0;
    switch (message) {
    case MessageButtonDown:
    case MessageDoubleClick:
        command = popup_->buttonDown(at);
        break;
    case MessageButtonUp:
        // Letting go of the button that opened it, where it opened, chooses nothing.
        if (!popupMoved_ && at.x == popupAt_.x && at.y == popupAt_.y) return true;
        command = popup_->buttonUp(at);
        break;
    case MessageMouseMove:
        if (at.x != popupAt_.x || at.y != popupAt_.y) popupMoved_ = true;
        command = popup_->mouseMove(at);
        break;
    case MessageKeyDown:
        command = popup_->keyDown(static_cast<std::int32_t>(wParam), modifiers);
        break;
    default:
        return false;
    }
    if (command) popupChosen_ = command;
    showMenuBar();
    return true;
}

void WindowsMainWindow::showMenuBar() {
    if (!layer_) return;
    if (!drawMenus()) {
        WindowManager::instance().setOverlay(layer_.get(), {});
        return;
    }
    std::vector<platform::Rect> open;
    for (std::size_t level = 0; level < tracker_->highlighted().size(); ++level) {
        const Box b = tracker_->levelBox(level);
        open.push_back({b.x, b.y, b.w, b.h});
    }
    for (std::size_t level = 0; popupOpen() && level < popup_->highlighted().size(); ++level) {
        const Box b = popup_->levelBox(level);
        open.push_back({b.x, b.y, b.w, b.h});
    }
    WindowManager::instance().setOverlay(layer_.get(), std::move(open));
}

WindowsChildWindow* WindowsMainWindow::maximizedChild() const {
    WindowsChildWindow* child = childOf(active_);
    return child && child->isMaximized() ? child : nullptr;
}

Box WindowsMainWindow::barControlBox(int which) const {
    const std::int32_t size = WindowManager::CloseBox, gap = 2;
    const std::int32_t right = (layer_ ? layer_->width() : 0) - gap - (1 - which) * (size + gap);
    return Box(static_cast<std::int16_t>(right - size),
               static_cast<std::int16_t>((MenuTracker::BarHeight - size) / 2),
               static_cast<std::int16_t>(size), static_cast<std::int16_t>(size));
}

// The boxes a maximized child's caption had: restore (two overlapping windows) and close (a cross).
void WindowsMainWindow::drawBarControls() {
    if (!maximizedChild()) return;
    const auto line = [&](std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint8_t grey) {
        layer_->fillRect(Box(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                             static_cast<std::int16_t>(w), static_cast<std::int16_t>(h)),
                         grey, grey, grey);
    };
    for (int which = 0; which < 2; ++which) {
        const Box b = barControlBox(which);
        line(b.x, b.y, b.w, b.h, 192);
        line(b.x, b.y, b.w, 1, 255), line(b.x, b.y, 1, b.h, 255);
        line(b.x, b.y + b.h - 1, b.w, 1, 0), line(b.x + b.w - 1, b.y, 1, b.h, 0);
        if (which == 0) {
            // The window behind and the window in front, each with a thick top.
            for (const auto& [x, y] : {std::pair{b.x + 5, b.y + 3}, std::pair{b.x + 3, b.y + 6}}) {
                line(x, y, 6, 2, 0), line(x, y + 5, 6, 1, 0);
                line(x, y, 1, 6, 0), line(x + 5, y, 1, 6, 0);
            }
            line(b.x + 4, b.y + 8, 4, 3, 192);
        } else {
            for (std::int32_t k = 3; k < b.w - 3; ++k)
                line(b.x + k, b.y + k, 1, 1, 0), line(b.x + b.w - 1 - k, b.y + k, 1, 1, 0);
        }
    }
}

bool WindowsMainWindow::barControlInput(std::uint32_t message, const Point& at) {
    WindowsChildWindow* child = maximizedChild();
    if (!child || message != MessageButtonDown || (tracker_ && tracker_->isOpen())) return false;
    if (barControlBox(0).contains(at)) {
        mdiRestore(child->hwnd());
        return true;
    }
    if (barControlBox(1).contains(at)) {
        child->handleMessage(MessageSysCommand, SysCommandClose, 0);
        showMenuBar();
        return true;
    }
    return false;
}

// The open pull-downs are shown again by the window manager itself, above whatever it repaints.
void WindowsMainWindow::paintFrame() {
    drawMenus();
}

bool WindowsMainWindow::toolbarInput(std::uint32_t message, std::int32_t x, std::int32_t y) const {
    const WindowHandle bar = toolbar_ ? toolbar_->barWindow() : 0;
    if (!bar) return false;
    const WindowManager& manager = WindowManager::instance();
    if (message == MessageButtonUp && manager.capture() == bar) return true;
    return (message == MessageButtonDown || message == MessageButtonUp || message == MessageDoubleClick) &&
           manager.windowAt(x, y) == bar;
}

// Returns true when the menus took the input.
bool WindowsMainWindow::menuInput(std::uint32_t message, std::uintptr_t wParam, const Point& at,
                                  std::uint16_t modifiers) {
    if (!tracker_) return false;
    const bool open = tracker_->isOpen();
    const bool onBar = at.y >= 0 && at.y < MenuTracker::BarHeight;
    if (!open && !(onBar && message == MessageButtonDown)) return false;
    std::uint16_t command = 0;
    switch (message) {
    case MessageButtonDown:
    case MessageDoubleClick:
        command = tracker_->buttonDown(at);
        break;
    case MessageButtonUp:
        command = tracker_->buttonUp(at);
        break;
    case MessageMouseMove:
        command = tracker_->mouseMove(at);
        break;
    case MessageKeyDown:
        command = tracker_->keyDown(static_cast<std::int32_t>(wParam), modifiers);
        break;
    default:
        return false;
    }
    showMenuBar();
    if (command) onCommand(command, 0);
    return true;
}

// Messages of the frame.

std::intptr_t WindowsMainWindow::frameProc(std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
    WinApp* app = winApp();
    switch (message) {
    case MessageCreate: {
        if (!app) return 0;
        const platform::Rect outer = WindowManager::instance().outerOnScreen(hwnd_);
        layer_ = std::make_unique<MenuLayer>(
            Dim(static_cast<std::int16_t>(outer.width), static_cast<std::int16_t>(outer.height)));
        WindowManager::Record client;
        client.handle = app->addWindow(client_.get());
        client.parent = hwnd_;
        client.shows = this;
        clientWindow_ = client.handle;
        WindowManager::instance().add(client);
        windowProc(message, wParam, lParam);
        placeClient(true);
        setMenu(static_cast<Window*>(nullptr));
        return 0;
    }
    case MessageClose:
    case MessageSysCommand:
        if (message == MessageSysCommand && wParam != SysCommandClose) return 0;
        if (!agreeToClose()) return 0;
        closeAgreed_ = false;
        if (app && app->canTerminate() == 0) return 0;
        closeAllChildren(true);
        if (!children().empty()) return 0;
        if (app) app->postQuitMessage();
        return 0;
    case MessagePaint: {
        const platform::Rect outer = WindowManager::instance().outerOnScreen(hwnd_);
        WindowManager::instance().repaint(outer);
        return 0;
    }
    case MessageSize: {
        // The platform's window was given a new size: the frame follows it.
        const platform::Rect outer{0, 0, pointX(lParam), pointY(lParam)};
        if (layer_) layer_->resize(Dim(pointX(lParam), pointY(lParam)));
        tracker_.reset();
        WindowManager::instance().setOuter(hwnd_, outer);
        placeClient(false);
        // The frame's own windows (its dialogs) are told too: a box keeps inside the window.
        for (WindowHandle h : WindowManager::instance().childrenOf(hwnd_))
            if (const WindowManager::Record* r = WindowManager::instance().find(h); r && r->window)
                r->window->parentResized();
        showMenuBar();
        // The platform's screen behind the window was made afresh at the new size: all of it is shown again.
        WindowManager::instance().repaint(outer);
        return 0;
    }
    case MessageMouseMove:
    case MessageButtonDown:
    case MessageButtonUp:
    case MessageDoubleClick:
        return mouseInput(message, wParam, lParam);
    case MessageMouseWheel:
        return wheelInput(wParam, lParam);
    case MessageKeyDown: {
        const auto modifiers = static_cast<std::uint16_t>(lParam);
        if (popupInput(message, wParam, Point(), modifiers)) return 0;
        if (tracker_ && tracker_->isOpen()) return menuInput(message, wParam, Point(), modifiers), 0;
        if (wParam == platform::KeyF1 + 9 && tracker_) { // F10 opens the bar's first pull-down
            const Box first = tracker_->titleBox(0);
            menuInput(MessageButtonDown, 0, Point(first.x, 1));
            return 0;
        }
        if (modifiers & platform::ModAlt) return frameProc(MessageSysKeyDown, wParam, lParam);
        if (offerToKeyWindow(WindowMessage{keyWindow_, message, wParam, lParam, 0})) return 0;
        if (WindowsChildWindow* child = childOf(active_))
            return child->handleMessage(WindowMessage{active_, message, wParam, lParam, 0});
        return 0;
    }
    case MessageSysKeyDown:
        dropAnswer(queryNamedEmpty(msg::SystemKeyPressed));
        // Alt and a title's underlined letter opens that pull-down, as a click on the title would.
        if (tracker_ && wParam < 128 && tracker_->openByMnemonic(static_cast<char>(wParam))) showMenuBar();
        return 0;
    case MessageCommand:
        onCommand(static_cast<std::uint16_t>(wParam & 0xFFFF), static_cast<std::uint16_t>(wParam >> 16));
        return 0;
    case MessageIconic:
        if (iconic_ != (wParam != 0)) {
            iconic_ = wParam != 0;
            iconicChanged(iconic_);
        }
        return 0;
    case ChildDestroyed: {
        auto* const went = reinterpret_cast<ChildWindow*>(lParam);
        // The notice is read after the child has gone, and a child made since may stand where it stood in
        // memory (a saved game's map window, opened as the running battle's closes): that one is no news.
        for (WindowsChildWindow* child : children())
            if (static_cast<ChildWindow*>(child) == went) return 0;
        Container<ChildWindow*> gone(went);
        send(VIEWPORT_DESTROYED, &gone);
        return 0;
    }
    case Show:
        WindowManager::instance().repaint(WindowManager::instance().outerOnScreen(hwnd_));
        cascade();
        return 0;
    case CreateChild: {
        auto* child = reinterpret_cast<WindowsChildWindow*>(lParam);
        if (!child || child->hwnd()) return 0;
        const platform::Rect area = clientArea(false);
        Point at = child->position();
        // A coordinate of -1 lets the window manager choose: each new child a caption lower than the last.
        const std::int32_t step = WindowManager::Border + WindowManager::CaptionHeight;
        const std::int32_t next =
            static_cast<std::int32_t>(children().size()) * step % std::max(1, area.height / 2);
        if (at.x == -1) at.x = static_cast<std::int16_t>(next);
        if (at.y == -1) at.y = static_cast<std::int16_t>(next);
        child->moveTo(at); // not made yet: only the position is kept
        child->create(child->size(), "ChildWindow", child->windowStyle(), clientWindow_);
        if (child->hwnd()) made_.push_back(child->hwnd());
        mdiActivate(child->hwnd());
        return 0;
    }
    default:
        return 0;
    }
}

std::intptr_t WindowsMainWindow::mouseInput(std::uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
    WindowManager& manager = WindowManager::instance();
    const Point at = pointOf(lParam);
    manager.setMouse({at.x, at.y, 1, 1});
    // The pointer gone from every view onto the frame's own parts (the menu bar, a caption, the empty
    // client area) or out of the window has left the view it was over, which must hear so: the map empties
    // the hex it told in the status bar.
    const auto overNoView = [&] {
        if (Application* app = Application::instance(); app && message == MessageMouseMove)
            app->setDisplayUnderMouse(nullptr, at, 0);
    };
    if (popupInput(message, wParam, at)) return 0;
    if (barControlInput(message, at)) return 0;
    if (menuInput(message, wParam, at)) return overNoView(), 0;
    if (dragInput(message, at)) return 0;
    // A window that holds the capture takes the mouse wherever it is.
    WindowHandle target = manager.capture();
    const bool captured = target != 0;
    if (!captured) target = manager.windowAt(at.x, at.y);
    const WindowManager::Record* found = manager.find(target);
    if (!found || target == hwnd_) return overNoView(), 0;
    // A copy: activating the window below restacks the records.
    const WindowManager::Record record = *found;
    const WindowManager::Record* r = &record;
    const platform::Rect client = manager.clientOnScreen(target);
    const Point local(static_cast<std::int16_t>(at.x - client.x), static_cast<std::int16_t>(at.y - client.y));
    const bool press = message == MessageButtonDown || message == MessageDoubleClick;
    if (press && !captured) {
        if (r->window && r->window->takesKeys())
            keyWindow_ = target;
        else if (target == clientWindow_ || childOf(target))
            keyWindow_ = 0;
    }
    if (message == MessageMouseMove) {
        Window* over = this;
        if (r->window) over = r->window;
        showCursorOf(over);
    }
    if (target == clientWindow_) {
        overNoView();
        return clientProc(message, wParam, packPoint(local.x, local.y));
    }
    WindowsChildWindow* child = childOf(target);
    if (child && !captured) {
        if (press && target != active_) mdiActivate(target);
        if (r->iconic) {
            if (message == MessageDoubleClick) mdiRestore(target);
            return 0;
        }
        const bool inClient =
            local.x >= 0 && local.y >= 0 && local.x < client.width && local.y < client.height;
        if (!inClient) {
            overNoView();
            // The caption: its close box closes the window.
            const platform::Rect outer = manager.outerOnScreen(target);
            const std::int32_t bx =
                outer.x + outer.width - WindowManager::Border - WindowManager::CloseBox - 2;
            const std::int32_t by = outer.y + WindowManager::Border +
                                    (WindowManager::CaptionHeight - WindowManager::CloseBox) / 2;
            if (message == MessageButtonDown && at.x >= bx && at.x < bx + WindowManager::CloseBox &&
                at.y >= by && at.y < by + WindowManager::CloseBox)
                child->handleMessage(MessageSysCommand, SysCommandClose, 0);
            else if (message == MessageDoubleClick)
                child->handleMessage(MessageSysCommand, r->iconic ? SysCommandRestore : SysCommandMaximize,
                                     0);
            return 0;
        }
    }
    if (r->window) {
        const std::intptr_t result =
            r->window->handleMessage(WindowMessage{target, message, wParam, packPoint(local.x, local.y), 0});
        // What the mouse passes over may change the window's cursor (a target under it, an edge to scroll
        // to): the change shows at once, not at the next move.
        if (message == MessageMouseMove && manager.find(target) && manager.find(target)->window == r->window)
            showCursorOf(r->window);
        return result;
    }
    return 0;
}

bool WindowsMainWindow::offerToKeyWindow(const WindowMessage& message) {
    const WindowManager::Record* r = WindowManager::instance().find(keyWindow_);
    if (!r || !r->window || !WindowManager::instance().shown(keyWindow_)) return false;
    WindowMessage to = message;
    to.window = keyWindow_;
    return r->window->handleMessage(to) != 0;
}

bool WindowsMainWindow::agreeToClose() {
    if (closeAgreed_) return true;
    if (askingToClose_) return false;
    if (confirmExit) {
        askingToClose_ = true;
        const bool agreed = confirmExit();
        askingToClose_ = false;
        if (!agreed) return false;
    }
    closeAgreed_ = true;
    return true;
}

std::intptr_t WindowsMainWindow::wheelInput(std::uintptr_t wParam, std::intptr_t lParam) {
    if (popupOpen() || (tracker_ && tracker_->isOpen())) return 0;
    WindowManager& manager = WindowManager::instance();
    const Point at = pointOf(lParam);
    WindowHandle target = manager.capture();
    if (!target) target = manager.windowAt(at.x, at.y);
    const WindowManager::Record* r = manager.find(target);
    if (!r || !r->window || r->iconic || target == hwnd_ || target == clientWindow_) return 0;
    const platform::Rect client = manager.clientOnScreen(target);
    return r->window->handleMessage(
        WindowMessage{target, MessageMouseWheel, wParam, packPoint(at.x - client.x, at.y - client.y), 0});
}

bool WindowsMainWindow::dragInput(std::uint32_t message, const Point& at) {
    WindowManager& manager = WindowManager::instance();
    if (dragged_) {
        const WindowManager::Record* r = manager.find(dragged_);
        if (!r || message == MessageButtonUp) {
            dragged_ = 0;
            return r != nullptr;
        }
        if (message != MessageMouseMove) return true;
        const platform::Rect parent = manager.clientOnScreen(r->parent);
        const platform::Rect moved{dragStart_.x + at.x - dragFrom_.x, dragStart_.y + at.y - dragFrom_.y,
                                   dragStart_.width, dragStart_.height};
        if (auto* window = r->window)
            window->setWindowPos(window->draggedTo(moved, {0, 0, parent.width, parent.height}),
                                 WindowPos::NoZOrder);
        return true;
    }
    if (message != MessageButtonDown || manager.capture()) return false;
    const WindowHandle target = manager.windowAt(at.x, at.y);
    const WindowManager::Record* r = manager.find(target);
    // Only the frame's own windows and the children of its client are moved here; a maximized child has
    // no caption, an icon stays in its row.
    if (!r || !r->window || r->iconic || (r->parent != hwnd_ && r->parent != clientWindow_)) return false;
    if (r->insets.top < WindowManager::Border + WindowManager::CaptionHeight) return false;
    const platform::Rect outer = manager.outerOnScreen(target);
    const std::int32_t top = outer.y + WindowManager::Border;
    const std::int32_t closeLeft =
        outer.x + outer.width - WindowManager::Border - WindowManager::CloseBox - 2;
    if (at.y < top || at.y >= top + WindowManager::CaptionHeight) return false;
    if (r->closeBox && at.x >= closeLeft) return false;
    if (WindowsChildWindow* child = childOf(target); child && target != active_) mdiActivate(target);
    dragged_ = target;
    dragFrom_ = at;
    dragStart_ = manager.find(target)->outer;
    return true;
}

// While the application waits, its wait cursor stays whatever the mouse passes over.
void WindowsMainWindow::showCursorOf(Window* window) {
    WinApp* app = winApp();
    if (!app || !app->notWaiting() || !window->cursor() || window->cursor() == shownCursor_) return;
    shownCursor_ = window->cursor();
    app->setCursor(shownCursor_);
}

std::intptr_t WindowsMainWindow::clientProc(std::uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
    switch (message) {
    case MessageMouseMove:
    case MessageButtonDown:
    case MessageButtonUp:
    case MessageDoubleClick:
        return windowProc(message, wParam, lParam);
    case MessagePaint:
        showAll();
        return 0;
    case MessageSysKeyDown:
        dropAnswer(queryNamedEmpty(msg::SystemKeyPressed));
        return 0;
    default:
        return 0;
    }
}

// Commands.

void WindowsMainWindow::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (withheld && withheld(id)) return;
    switch (id) {
    case Exit:
        if (WinApp* app = winApp()) app->postMessage(hwnd_, MessageClose, 0, 0);
        return;
    case TileColumns:
        tile(true);
        return;
    case Cascade:
        cascade();
        return;
    case ArrangeIcons:
        arrangeIcons();
        return;
    case TileRows:
        tileHorizontally();
        return;
    case TileSideBySide:
        tileVertically();
        return;
    case CloseAll:
        closeAllChildren(false);
        return;
    default:
        break;
    }
    // The window list's entries and the system commands are the window manager's own.
    if (id >= FirstChildId && id < FirstChildId + 1000) {
        const std::vector<WindowsChildWindow*> all = listedChildren();
        const std::size_t n = id - FirstChildId;
        if (n < all.size()) {
            mdiRestore(all[n]->hwnd());
            mdiActivate(all[n]->hwnd());
        }
        return;
    }
    if (id >= 0xF000) return;
    WinApp* app = winApp();
    if (WindowsChildWindow* child = childOf(active_)) {
        child->handleMessage(MessageCommand, id | std::uintptr_t(notification) << 16, 0);
    } else if (app && app->modalDepth() > 0) {
        // A modal loop runs no queued task until it ends, and a dialog that leaves the menus to the player
        // (the start dialog) is one: a queued command would wait for whatever drains the queue next, a
        // later key, and act then in that key's place. What he chose acts now.
        Container<short> code(static_cast<short>(notification));
        dropAnswer(sendNow(BusMessage(id), &code));
    } else {
        WindowsWindow::onCommand(id, notification);
    }
    if (toolbar_) toolbar_->followCommand(id);
}

void WindowsMainWindow::closeAllChildren(bool frameClosing) {
    // A window that stays (the map through Close All) stays as the player had it: asked before it is
    // restored, and filling the client again when the one maximized over it (which took that state from
    // it) is closed, rather than left at its restored size.
    const std::vector<WindowsChildWindow*> before = children();
    const bool filled = std::any_of(before.begin(), before.end(), [](auto* c) { return c->isMaximized(); });
    // Each pass asks the top child not yet passed over and closes it, or stops, or passes it over.
    std::vector<WindowsChildWindow*> kept;
    for (std::size_t guard = children().size() + 1; guard-- > 0;) {
        std::vector<WindowsChildWindow*> all = children();
        std::erase_if(
            all, [&](WindowsChildWindow* c) { return std::find(kept.begin(), kept.end(), c) != kept.end(); });
        if (all.empty()) break;
        WindowsChildWindow* top = all.back();
        if (top->handleMessage(MessageQueryEndSession, 0, frameClosing ? 1 : 0) != 0) {
            mdiRestore(top->hwnd());
            mdiDestroy(top);
            continue;
        }
        if (frameClosing) return;
        kept.push_back(top);
    }
    if (WindowsChildWindow* active = childOf(active_);
        filled && !frameClosing && active && !active->isIconic() && !active->isMaximized())
        active->maximize();
}

// The children.

void WindowsMainWindow::sendToFrame(WindowsChildWindow* child) {
    frameProc(CreateChild, 0, reinterpret_cast<std::intptr_t>(child));
}

void WindowsMainWindow::postToFrame(ChildWindow* child) {
    if (WinApp* app = winApp())
        app->postMessage(hwnd_, ChildDestroyed, 0, reinterpret_cast<std::intptr_t>(child));
}

void WindowsMainWindow::mdiRestore(WindowHandle window) {
    WindowsChildWindow* child = childOf(window);
    if (!child) return;
    child->restoreWindow();
    showMenuBar();
}

void WindowsMainWindow::mdiActivate(WindowHandle window) {
    WindowsChildWindow* child = childOf(window);
    if (!child) return;
    WindowManager& manager = WindowManager::instance();
    const WindowHandle previous = active_;
    // A maximized child hands its state on to the child activated after it, which then fills the client.
    WindowsChildWindow* was = childOf(previous);
    const bool carry = was && was != child && was->isMaximized() && !child->isIconic();
    if (carry) was->restoreWindow();
    active_ = window;
    keyWindow_ = 0;
    manager.raise(window);
    if (carry) child->maximize();
    if (previous != window) {
        if (was) {
            manager.setActive(previous, false);
            was->handleMessage(MessageMdiActivate, 0, static_cast<std::intptr_t>(window));
        }
    }
    manager.setActive(window, true);
    child->handleMessage(MessageMdiActivate, 0, static_cast<std::intptr_t>(window));
    fillWindowList();
    showMenuBar();
}

void WindowsMainWindow::mdiDestroy(WindowsChildWindow* child) {
    if (!child || !child->hwnd()) return;
    const WindowHandle window = child->hwnd();
    const bool wasActive = window == active_;
    if (wasActive) active_ = 0;
    if (wasActive && children().size() == 1) child->handleMessage(MessageMdiActivate, 0, 0);
    if (menuOwner_ == child) setMenu(static_cast<Window*>(nullptr));
    child->destroyWindow();
    std::erase(made_, window);
    const std::vector<WindowsChildWindow*> left = children();
    if (wasActive && !left.empty())
        mdiActivate(left.back()->hwnd());
    else {
        fillWindowList();
        showMenuBar();
    }
}

std::vector<WindowsChildWindow*> WindowsMainWindow::arrangeable() const {
    std::vector<WindowsChildWindow*> out;
    for (WindowsChildWindow* child : children())
        if (!child->isIconic()) out.push_back(child);
    return out;
}

platform::Rect WindowsMainWindow::clientArea(bool leaveIconRow) const {
    const platform::Rect client = WindowManager::instance().clientOnScreen(clientWindow_);
    platform::Rect area{0, 0, client.width, client.height};
    if (leaveIconRow && arrangeable().size() != children().size())
        area.height = std::max(0, area.height - (WindowManager::IconSize + 8));
    return area;
}

void WindowsMainWindow::restoreMaximized() {
    for (WindowsChildWindow* child : children())
        if (child->isMaximized()) mdiRestore(child->hwnd());
}

void WindowsMainWindow::cascade() {
    // The active child ends on top, at the lowest step; a maximized child takes part restored.
    restoreMaximized();
    std::vector<WindowsChildWindow*> all = arrangeable();
    const platform::Rect area = clientArea(true);
    const std::int32_t step = WindowManager::Border + WindowManager::CaptionHeight;
    const std::int32_t w = area.width * 3 / 4, h = area.height * 3 / 4;
    const std::int32_t steps = std::max(1, (area.height - h) / step + 1);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::int32_t k = static_cast<std::int32_t>(i) % steps;
        all[i]->setWindowPos({k * step, k * step, w, h}, 0);
    }
}

void WindowsMainWindow::tile(bool sideBySide) {
    restoreMaximized();
    const std::vector<WindowsChildWindow*> all = arrangeable();
    if (all.empty()) return;
    const platform::Rect area = clientArea(true);
    const auto n = static_cast<std::int32_t>(all.size());
    const std::int32_t whole = sideBySide ? area.width : area.height, share = whole / n;
    for (std::int32_t i = 0; i < n; ++i) {
        // The last one takes what the division leaves over.
        const std::int32_t from = i * share, length = i == n - 1 ? whole - from : share;
        all[static_cast<std::size_t>(i)]->setWindowPos(sideBySide
                                                           ? platform::Rect{from, 0, length, area.height}
                                                           : platform::Rect{0, from, area.width, length},
                                                       0);
    }
}

void WindowsMainWindow::tileHorizontally() {
    tile(false);
}

void WindowsMainWindow::tileVertically() {
    tile(true);
}

void WindowsMainWindow::arrangeIcons() {
    std::vector<platform::Rect> placed;
    for (WindowsChildWindow* child : children()) {
        if (!child->isIconic()) continue;
        placed.push_back(WindowManager::instance().iconPlace(child->hwnd(), placed));
        child->setWindowPos(placed.back(), WindowPos::IconiseKeepOrder);
    }
}

void WindowsMainWindow::connectHandlers() {
    MainWindow::connectHandlers();
}

} // namespace vael
