#include "framework/ui/dialog_window.h"

#include "framework/ui/window_manager.h"

namespace vael {

DialogWindow::DialogWindow(Dialog* dialog, const std::string& resourceName, const Point& position,
                           const Dim& size, const char* caption, const char* menuName, const char* iconName,
                           const char* name)
    : Window(position, size, caption, "Unnamed Windows Child Window"),
      WindowsChildWindow(position, size, caption, menuName, iconName, name ? name : "Unnamed DialogWindow"),
      dialog_(dialog), resourceName_(resourceName) {
    style_ = Style;
}

DialogWindow::~DialogWindow() {
    // The dialog goes first, so that its closing finds this window still there to tell.
    dialog_.reset();
}

void DialogWindow::connectHandlers() {
    WindowsChildWindow::connectHandlers();
    if (dialog_ && getBus()) dialog_->attach(*getBus());
}

std::intptr_t DialogWindow::handleMessage(std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam) {
    switch (message) {
    case MessageCreate: {
        const std::intptr_t answer = WindowsChildWindow::handleMessage(message, wParam, lParam);
        if (dialog_ && !dialog_->isOpen()) {
            dialog_->create(resourceName_, Dialog::Modeless, 0, hwnd_);
            dialogHandle_ = dialog_->hwnd();
        }
        WindowManager& manager = WindowManager::instance();
        const WindowManager::Record* me = manager.find(hwnd_);
        const WindowManager::Record* hosted = manager.find(dialogHandle_);
        if (me && hosted) {
            // The dialog fills the client area from its top-left corner.
            manager.setOuter(dialogHandle_, {0, 0, hosted->outer.width, hosted->outer.height});
            setWindowPos({me->outer.x, me->outer.y, hosted->outer.width + frameWidth_,
                          hosted->outer.height + frameHeight_},
                         WindowPos::NoZOrder);
        }
        return answer;
    }
    case MessageNcDestroy:
        if (dialog_ && dialog_->isOpen()) dialog_->close(0);
        dialogHandle_ = 0;
        return WindowsChildWindow::handleMessage(message, wParam, lParam);
    case MessageParentNotify:
        if (wParam == MessageNcDestroy && dialogHandle_ &&
            static_cast<WindowHandle>(lParam) == dialogHandle_) {
            dialogHandle_ = 0;
            destroyWindow();
            return 0;
        }
        return WindowsChildWindow::handleMessage(message, wParam, lParam);
    default:
        return WindowsChildWindow::handleMessage(message, wParam, lParam);
    }
}

} // namespace vael
