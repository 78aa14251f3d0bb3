#include "framework/ui/child_window.h"

#include "framework/ui/main_window.h"

namespace vael {

ChildWindow::ChildWindow(const Point& position, const Dim& size, const char* caption, const char* name)
    : Window(position, size, caption, name ? name : "Unnamed Child Window") {
    if (Application* app = Application::instance())
        mainWindow_ = dynamic_cast<MainWindow*>(app->getMainWindow());
}

void ChildWindow::showMenu() {
    if (mainWindow_) mainWindow_->setMenu(this);
}

WindowsChildWindow::WindowsChildWindow(const Point& position, const Dim& size, const char* caption,
                                       const char* menuName, const char* iconName, const char* name)
    : Window(position, size, caption, name ? name : "Unnamed Windows Child Window"),
      ChildWindow(position, size, caption, name),
      WindowsWindow(position, size, caption, menuName, iconName, name) {}

WindowsChildWindow::~WindowsChildWindow() {
    // Gone without being closed: the frame must not keep showing it, nor its menu.
    if (hwnd_) {
        if (auto* frame = dynamic_cast<WindowsMainWindow*>(mainWindow_))
            frame->mdiDestroy(this);
        else
            destroyWindow();
    }
}

void WindowsChildWindow::createInFrame() {
    if (mainWindow_) mainWindow_->sendToFrame(this);
}

void WindowsChildWindow::showMenu() {
    ChildWindow::showMenu();
}

std::intptr_t WindowsChildWindow::handleMessage(std::uint32_t message, std::uintptr_t wParam,
                                                std::intptr_t lParam) {
    switch (message) {
    case MessageNcDestroy:
        if (mainWindow_) mainWindow_->postToFrame(this);
        return windowProc(message, wParam, lParam);
    case MessageSysCommand:
        if (wParam == SysCommandClose && noClose_)
            return handleMessage(MessageSysCommand, SysCommandMinimize, 0);
        return windowProc(message, wParam, lParam);
    case MessageQueryEndSession:
        // A window that may not be closed stays through Close All, but not when the program ends.
        if (noClose_ && lParam == 0) return 0;
        return windowProc(message, wParam, lParam);
    case MessageMdiActivate:
        if (static_cast<WindowHandle>(lParam) == hwnd_) showMenu();
        if (lParam == 0 && mainWindow_) mainWindow_->restoreMenu();
        return 0;
    default:
        return windowProc(message, wParam, lParam);
    }
}

std::intptr_t WindowsChildWindow::defaultProc(std::uint32_t message, std::uintptr_t wParam,
                                              std::intptr_t lParam) {
    auto* frame = dynamic_cast<WindowsMainWindow*>(mainWindow_);
    if (frame && message == MessageClose) {
        frame->mdiDestroy(this);
        return 0;
    }
    if (frame && message == MessageSysCommand && wParam == SysCommandRestore) {
        frame->mdiRestore(hwnd_);
        return 0;
    }
    return WindowsWindow::defaultProc(message, wParam, lParam);
}

void WindowsChildWindow::maximize() {
    WindowsWindow::maximize();
    if (auto* frame = dynamic_cast<WindowsMainWindow*>(mainWindow_)) frame->childStateChanged();
}

void WindowsChildWindow::minimize() {
    WindowsWindow::minimize();
    if (auto* frame = dynamic_cast<WindowsMainWindow*>(mainWindow_)) frame->childStateChanged();
}

void WindowsChildWindow::update() {
    if (!updatesOff_) present(hwnd_);
}

void WindowsChildWindow::enableUpdates(std::int16_t flag) {
    updatesOff_ = flag == 0;
    if (!updatesOff_) update();
}

void WindowsChildWindow::activate() {
    if (mainWindow_) mainWindow_->mdiActivate(hwnd_);
}

void WindowsChildWindow::restore() {
    if (mainWindow_) mainWindow_->mdiRestore(hwnd_);
}

} // namespace vael
