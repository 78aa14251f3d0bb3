#pragma once
// The strip of bitmap buttons under the main frame's menu. Toolbar owns the buttons, lays them out left
// to right centred in its height, passes the commands the frame carries out to them, and keeps the text
// of the tool tip the buttons report with "ToolTipText" and "ToolTipEnable". WindowsToolbar is the
// bar's window: it tiles its background from two pictures and shows the tip in a small pop-up window of
// its own near the pointer. A tip hidden by a key press or a press on a button stays away until the
// pointer moves inside the bar.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/core/component.h"
#include "framework/core/list.h"
#include "framework/ui/button.h"
#include "framework/ui/font.h"
#include "framework/ui/main_window.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/windows_window.h"

namespace vael {

class Toolbar : public Component {
public:
    explicit Toolbar(Display* parentDisplay, const char* name = nullptr);
    ~Toolbar() override;

    // Takes the button over, puts it on the bar's bus and places it after the others.
    void addButton(Button* button);
    void addSpace(std::int16_t pixels) {
        nextPosition_.x = static_cast<std::int16_t>(nextPosition_.x + pixels);
    }
    std::uint16_t getHeight() const { return height_; }
    // A command the frame carried out, for the buttons that follow it.
    void onCommand(std::uint16_t command);
    void connectHandlers() override;

    virtual void setToolTipText(const std::string& text) { tipText_ = text; }
    virtual void showToolTip(std::int16_t on) = 0;
    virtual void draw() {}
    virtual void onMouseMove(const Point&) {}

    const std::string& tipText() const { return tipText_; }
    std::int16_t tipActive() const { return tipActive_; }
    std::int16_t tipSuppressed() const { return tipSuppressed_; }
    Point nextPosition() const { return nextPosition_; }
    const List<Button*>& buttons() const { return buttons_; }

protected:
    Display* parentDisplay_;
    std::uint16_t height_ = 0;
    Point nextPosition_;
    List<Button*> buttons_;
    std::string tipText_;
    std::int16_t tipActive_ = 0;
    std::int16_t tipWindowMissing_ = 1;
    std::int16_t tipSuppressed_ = 0;

private:
    static ContainerBase* onToolTipText(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onToolTipEnable(Component* target, BusMessage event, ContainerBase* data);
};

// The tip: the text with a blank on either side, on yellow inside a one-pixel border, drawn with the
// dialog font. It keeps its top-left corner when the text changes.
class ToolTipWindow : public WindowsWindow {
public:
    static constexpr std::uint32_t PopupStyle = 0x80800000; // a bordered pop-up
    ToolTipWindow(const Point& screenPosition, WindowHandle owner);
    ~ToolTipWindow() override;

    // Sizes the window to the text and shows it without taking the activation.
    void setText(const std::string& text);
    const std::string& shownText() const { return shown_; }
    void erase() override;
    void onCommand(std::uint16_t, std::uint16_t) override {}

private:
    std::string shown_;
    DialogFont font_;
};

class WindowsToolbar : public Toolbar, public WindowsWindow, public FrameBar {
public:
    static constexpr std::uint32_t BarStyle = 0x50000000; // a visible child

    WindowsToolbar(WindowHandle parent, const std::string& archiveName, const char* name = nullptr);
    ~WindowsToolbar() override;

    void connectHandlers() override;
    void attach(Bus& bus) override { Toolbar::attach(bus); }
    void detach() override { Toolbar::detach(); }
    void setToolTipText(const std::string& text) override;
    void showToolTip(std::int16_t on) override;
    void draw() override;
    void onMouseMove(const Point& point) override;
    // A move under a window over the bar reaches none of its buttons: only the tip hears it, and goes.
    std::intptr_t windowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void mouseMoved(const Point& point) override { onMouseMove(point); }
    using Toolbar::onCommand;
    void onCommand(std::uint16_t id, std::uint16_t notification) override {
        WindowsWindow::onCommand(id, notification);
    }
    void erase() override;

    std::uint16_t barHeight() const override { return height_; }
    void placeBar(const Box& box) override;
    void followCommand(std::uint16_t command) override { onCommand(command); }
    WindowHandle barWindow() const override { return hwnd_; }

    // Whether one of the program's windows is the active one; the platform's window is ours whenever the
    // program is in front, but a modal dialog holds the input while it is up, unless it leaves the frame's
    // bars to the player (the start dialog).
    virtual bool applicationActive() const;
    // The tip goes with the dialog's coming: the bar sees no pointer leave it while the dialog is up.
    // The tip goes, and stays away until the pointer moves inside the bar again: a hover noted before the
    // dialog took the pointer asks for it only once the dialog is gone, where it would stand alone.
    void dialogOpened() override;
    // Half the system cursor's height: where the tip goes below the pointer.
    static constexpr std::int16_t HalfCursorHeight = 16;

    ToolTipWindow* tipWindow() const { return tipWindow_.get(); }
    // Hides the tip and keeps it away until the pointer moves inside the bar.
    void hideTip();

private:
    static ContainerBase* onHide(Component* target, BusMessage event, ContainerBase* data);
    bool pointerInside() const;
    // Whether the point (the bar's own) lies on the bar where the bar shows, not under a window over it.
    bool onBar(const Point& point) const;

    std::unique_ptr<ToolTipWindow> tipWindow_;
    Point lastPointer_;
    std::unique_ptr<PictureArchive> art_;
};

} // namespace vael
