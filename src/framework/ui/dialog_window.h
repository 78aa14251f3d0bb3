#pragma once
// An MDI child that hosts a modeless dialog and is sized to it: the dialog opens when the window is made
// and closes when it goes, and when the dialog ends first the window goes too. The window owns the dialog.
#include <memory>
#include <string>

#include "framework/ui/child_window.h"
#include "framework/ui/dialog.h"

namespace vael {

class DialogWindow : public WindowsChildWindow {
public:
    static constexpr std::uint32_t Style = 0x16CA0000;

    DialogWindow(Dialog* dialog, const std::string& resourceName, const Point& position, const Dim& size,
                 const char* caption, const char* menuName, const char* iconName, const char* name = nullptr);
    ~DialogWindow() override;

    Dialog* dialog() const { return dialog_.get(); }
    WindowHandle dialogHandle() const { return dialogHandle_; }
    using WindowsChildWindow::handleMessage;
    std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void connectHandlers() override;

private:
    std::unique_ptr<Dialog> dialog_;
    std::string resourceName_;
    WindowHandle dialogHandle_ = 0;
};

} // namespace vael
