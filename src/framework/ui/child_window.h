#pragma once
// The MDI children of the main frame: the portable part knows the frame it belongs to; the window
// manager's part is made inside the frame's client area, shows its own menu while it is active, may
// turn its close into iconising, and may hold its drawing back from the screen for a while.
#include <cstdint>

#include "framework/core/type_name.h"
#include "framework/ui/windows_window.h"

namespace vael {

class MainWindow;

class ChildWindow : public virtual Window {
public:
    ChildWindow(const Point& position, const Dim& size, const char* caption, const char* name = nullptr);
    ~ChildWindow() override = default;
    // Asks the frame to show this window's menu.
    virtual void showMenu();
    MainWindow* mainWindow() const { return mainWindow_; }

protected:
    MainWindow* mainWindow_ = nullptr;
};

class WindowsChildWindow : public ChildWindow, public WindowsWindow {
public:
    WindowsChildWindow(const Point& position, const Dim& size, const char* caption, const char* menuName,
                       const char* iconName, const char* name = nullptr);
    ~WindowsChildWindow() override;

    // Has the frame make the window inside its client area.
    virtual void createInFrame();
    void showMenu() override;
    // The frame's bar shows the controls of a maximized child.
    void maximize() override;
    void minimize() override;
    using WindowsWindow::handleMessage;
    virtual std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // Nothing reaches the screen while updates are off.
    void update() override;

    void activate();
    void restore();
    void setNoClose(std::int16_t flag) { noClose_ = flag != 0; }
    // Switching updates on shows at once what was drawn meanwhile.
    void enableUpdates(std::int16_t flag);
    std::uint16_t noClose() const { return noClose_; }
    std::uint16_t updatesOff() const { return updatesOff_; }

protected:
    std::intptr_t receive(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        return handleMessage(message, wParam, lParam);
    }
    bool hasOwnMenuBar() const override { return false; }
    // A child that closes is taken out through the frame, which hands the activation on.
    std::intptr_t defaultProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    std::uint16_t noClose_ = 0;
    std::uint16_t updatesOff_ = 0;
};

VAEL_TYPE_NAME(ChildWindow*, "ChildWindow *");

} // namespace vael
