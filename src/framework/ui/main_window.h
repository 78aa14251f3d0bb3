#pragma once
// The program's one main window: an MDI frame whose client area shows the frame's own picture between a
// toolbar at the top and a status bar at the bottom, with the game's child windows inside it. The
// portable part holds the bars and the "Command" message; the window manager's part is the frame with
// its menu bar, its MDI client, the children's activation, arrangement and closing, and the routing of
// the menu's commands.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/ui/system_menu.h"
#include "framework/ui/windows_window.h"

namespace vael {

class ChildWindow;
class MenuTracker;
class StatusBar;
class WindowsChildWindow;

// What the frame asks of a bar along one of its edges: its height, its place, and the frame's commands
// for the buttons that follow them.
class FrameBar {
public:
    virtual ~FrameBar() = default;
    virtual std::uint16_t barHeight() const = 0;
    // Puts the bar's window at the box (the frame's client coordinates) and shows it again.
    virtual void placeBar(const Box& box) = 0;
    virtual void followCommand(std::uint16_t) {}
    // A dialog came up over the frame and takes the input from now on.
    virtual void dialogOpened() {}
    // The bar's own window, or 0 when it has none that takes the mouse.
    virtual WindowHandle barWindow() const { return 0; }
};

class MainWindow : public virtual Window {
public:
    MainWindow(const Point& position, const Dim& size, const char* caption, const char* name = nullptr);
    ~MainWindow() override = default;

    // The box of the client area left between the bars.
    virtual Box layoutBars(const Dim& clientSize) = 0;
    virtual void sendToFrame(WindowsChildWindow* child) = 0;
    virtual void postToFrame(ChildWindow* child) = 0;
    virtual void mdiRestore(WindowHandle window) = 0;
    virtual void mdiActivate(WindowHandle window) = 0;
    virtual WindowHandle mdiGetActive() = 0;
    virtual void restoreMenu() { setMenu(static_cast<Window*>(nullptr)); }
    using Display::setMenu;
    // Shows the window's menu, or the frame's own when none is given.
    virtual void setMenu(Window* window) = 0;
    // Neither bar is owned by the frame.
    virtual void setToolbar(FrameBar* toolbar) { toolbar_ = toolbar; }
    virtual void setStatusBar(StatusBar* statusBar) { statusBar_ = statusBar; }
    virtual void setStatusText(const std::string& text, std::int16_t pane);
    void connectHandlers() override;

    FrameBar* toolbar() const { return toolbar_; }
    StatusBar* statusBar() const { return statusBar_; }

protected:
    FrameBar* toolbar_ = nullptr;
    StatusBar* statusBar_ = nullptr;

private:
    static ContainerBase* onCommandMessage(Component* target, BusMessage event, ContainerBase* data);
};

class WindowsMainWindow : public MainWindow, public WindowsWindow {
public:
    // Commands that cannot be given now (an order while the computer gives them): greyed in the menus and
    // refused from every way in, the menus, the keys and the tool bar.
    std::function<bool(std::uint16_t)> withheld;
    // Asked before a close of the frame ends the program, however it was asked for (File, Exit, the frame's
    // close box, the window manager's close request): false keeps the program running.
    std::function<bool()> confirmExit;
    static constexpr std::uint32_t FrameStyle = 0x02CF0000;
    static constexpr std::uint32_t ClientStyle = 0x52300001;
    static constexpr std::uint16_t FirstChildId = 3000;
    // The frame's private messages.
    static constexpr std::uint32_t ChildDestroyed = MessageUser, Show = MessageUser + 1,
                                   CreateChild = MessageUser + 2;
    // Commands the frame handles itself.
    enum Command : std::uint16_t {
        Exit = 101,
        TileColumns = 103,
        Cascade = 104,
        ArrangeIcons = 105,
        TileRows = 106,
        TileSideBySide = 107,
        CloseAll = 108,
    };

    WindowsMainWindow(const Point& position, const Dim& size, const char* caption, const char* menuName,
                      const char* iconName, const char* childIconName, const char* name = nullptr,
                      std::int16_t showCommand = 1);
    ~WindowsMainWindow() override;

    Box layoutBars(const Dim& clientSize) override;
    void sendToFrame(WindowsChildWindow* child) override;
    void postToFrame(ChildWindow* child) override;
    void mdiRestore(WindowHandle window) override;
    void mdiActivate(WindowHandle window) override;
    WindowHandle mdiGetActive() override { return active_; }
    void setMenu(Window* window) override;
    void setToolbar(FrameBar* toolbar) override;
    void setStatusBar(StatusBar* statusBar) override;
    virtual std::intptr_t frameProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    virtual std::intptr_t clientProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    using WindowsWindow::create;
    // Makes the frame with the platform's window around it, and its MDI client; 1 on success.
    virtual std::int16_t create(const Dim& size, const std::string& className, std::uint32_t style,
                                WindowHandle parent, std::int16_t showCommand);
    void connectHandlers() override;
    // The frame's picture is shown in the client area.
    void update() override;
    void setCapture(Display* display) override;
    virtual void cascade();
    virtual void arrangeIcons();
    virtual void tileHorizontally();
    virtual void tileVertically();
    void paintFrame() override;

    // Takes a child out: it is asked nothing more, and the activation passes to the child below it.
    void mdiDestroy(WindowsChildWindow* child);
    WindowHandle clientWindow() const { return clientWindow_; }
    // The children in the client area, bottom first.
    std::vector<WindowsChildWindow*> children() const;
    // The children in the order they were made, as the window list shows them.
    std::vector<WindowsChildWindow*> listedChildren() const;
    // The menu bar as the user works it, or null while the frame has no menu.
    const MenuTracker* menuTracker() const { return tracker_.get(); }
    // The menu the bar shows: the active child's, else the frame's own.
    Menu* shownMenu() const { return menuOwner_ ? menuOwner_->menu() : menu(); }
    // The active child while it is maximized: its restore and close boxes sit at the right of the bar.
    WindowsChildWindow* maximizedChild() const;
    // The restore box (0) and the close box (1) of a maximized child on the bar, in the frame's coordinates.
    Box barControlBox(int which) const;
    // Closes an open menu of the bar, choosing nothing: a dialog that holds the player opens over no menu.
    void closeMenus();
    // Shows the pop-up with its corner at the point of the platform's window and lets the player choose
    // from it by the mouse and the keys, the program's other messages going on meanwhile; a click outside
    // it or Escape closes it. Answers the command chosen, 0 for none.
    std::uint16_t trackPopup(const SystemMenu& menu, const Point& at);
    bool popupOpen() const;
    // The open pop-up, or null.
    const MenuTracker* popupTracker() const { return popupOpen() ? popup_.get() : nullptr; }
    // A child was maximized or iconised by itself: the bar shows its controls, or no longer.
    void childStateChanged() { showMenuBar(); }
    // Whether the platform's window is an icon now.
    bool isIconic() const { return iconic_; }
    // The key, offered to the floating window the player clicked into last; true when it used it. Such a
    // window is offered the keys before a modeless dialog that stands beside the game (a leader's notice),
    // until the player clicks into a dialog, or one opens that takes keys of its own.
    bool offerToKeyWindow(const WindowMessage& message);
    // Whether a press or a release of the mouse at the point of the platform's window is the tool bar's:
    // over it, or let go while one of its buttons tracks a press.
    bool toolbarInput(std::uint32_t message, std::int32_t x, std::int32_t y) const;
    void dropKeyWindow() { keyWindow_ = 0; }
    // Whether the close asked for now may end the program: confirmExit is asked once for each close. One
    // agreed to inside a long operation (over a box that holds the game) comes back to the frame once the
    // operation has unwound and is not asked again; one asked for while the question stands is answered by
    // that question, and refused.
    bool agreeToClose();
    // A close agreed to that has not yet reached the frame: what the operation unwinding under it would
    // ask the player has been answered by it.
    bool closeAgreed() const { return closeAgreed_; }

protected:
    std::intptr_t receive(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        return frameProc(message, wParam, lParam);
    }
    // Closing the frame, the first child that refuses ends it; choosing Close All, a child that refuses
    // (one that must stay, as a battle's map) is passed over and the others close.
    void closeAllChildren(bool frameClosing);
    // Sets the client area between the bars when the frame's client size is new (or when asked to).
    void placeClient(bool always);
    // The client area was laid out between the bars (the frame's client coordinates), for the windows the
    // frame keeps over it.
    virtual void clientPlaced(const Box&) {}
    // The platform's window was made an icon, or shows again.
    virtual void iconicChanged(bool) {}

private:
    class Client;
    class MenuLayer;

    std::intptr_t mouseInput(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // The wheel goes to the window under the pointer (or the one holding the mouse).
    std::intptr_t wheelInput(std::uintptr_t wParam, std::intptr_t lParam);
    bool menuInput(std::uint32_t message, std::uintptr_t wParam, const Point& at, std::uint16_t modifiers = 0);
    // A press on a maximized child's controls on the bar; true when it took one.
    bool barControlInput(std::uint32_t message, const Point& at);
    void drawBarControls();
    // A press on a caption starts moving its window, which follows the mouse until the button is let go.
    bool dragInput(std::uint32_t message, const Point& at);
    // Draws the bar and the open pull-downs into the menus' picture and shows the bar; false without a menu.
    bool drawMenus();
    // Draws them and has the window manager show the open pull-downs above every window.
    void showMenuBar();
    void fillWindowList();
    void showCursorOf(Window* window);
    WindowsChildWindow* childOf(WindowHandle window) const;
    std::vector<WindowsChildWindow*> arrangeable() const;
    platform::Rect clientArea(bool leaveIconRow) const;
    void tile(bool sideBySide);
    void restoreMaximized();

    WindowHandle clientWindow_ = 0;
    std::string childIcon_;
    std::unique_ptr<Client> client_;
    std::unique_ptr<MenuLayer> layer_;
    std::unique_ptr<MenuTracker> tracker_;
    Window* menuOwner_ = nullptr; // whose menu the bar shows; null for the frame's own
    WindowHandle active_ = 0;
    // The floating window clicked into last, which is offered the keys before the active child; 0 once a
    // child or the client area is clicked or a child is activated.
    WindowHandle keyWindow_ = 0;
    std::vector<WindowHandle> made_;
    CursorHandle shownCursor_ = nullptr;
    Dim lastClientSize_ = Dim(-1, -1);
    WindowHandle dragged_ = 0;
    Point dragFrom_;           // where the mouse was pressed, on the screen
    platform::Rect dragStart_; // the window's outer box then
    bool iconic_ = false;
    // The player's question about closing is open; he has agreed to a close that has not yet been done.
    bool askingToClose_ = false, closeAgreed_ = false;
    // The pop-up being chosen from, where it opened, whether the mouse has moved since and what was chosen.
    std::unique_ptr<MenuTracker> popup_;
    Point popupAt_;
    bool popupMoved_ = false;
    std::uint16_t popupChosen_ = 0;
    // Input while the pop-up is open; true when the pop-up took it.
    bool popupInput(std::uint32_t message, std::uintptr_t wParam, const Point& at, std::uint16_t modifiers = 0);
};

} // namespace vael
