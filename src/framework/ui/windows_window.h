#pragma once
// A window of our window manager whose client area shows the window's own 8-bit picture: drawing goes
// into ordinary memory, and only the boxes marked dirty are copied to the screen. Its message handling
// turns the window manager's messages into the framework's mouse events, commands and bus messages.
#include <cstdint>
#include <string>

#include "framework/ui/window.h"
#include "framework/ui/window_manager.h"
#include "framework/ui/window_message.h"

namespace vael {

// A change of a window's place and size as the window manager proposes it; the window may amend it
// before it is made.
struct WindowPos {
    enum Flag : std::uint32_t { NoSize = 0x1, NoMove = 0x2, NoZOrder = 0x4, NoActivate = 0x10 };
    // What the window manager gives when a window is iconised (shown minimised, with or without
    // a change of the stacking order).
    static constexpr std::uint32_t Iconise = 0x170, IconiseKeepOrder = 0x174;
    platform::Rect box; // the whole window, in its parent's client coordinates
    std::uint32_t flags = 0;
};

class WindowsWindow : public virtual Window, public MessageTarget {
public:
    static constexpr std::uint32_t DefaultStyle = 0x56CF0000;
    // Captions are kept in a buffer of this many bytes with its terminating NUL.
    static constexpr std::size_t CaptionLimit = 254;

    WindowsWindow(const Point& position, const Dim& size, const char* caption, const char* menuName,
                  const char* iconName, const char* name = nullptr);
    ~WindowsWindow() override;

    // Copies every dirty box to the window of that handle; the dirty list stays as it is.
    virtual void present(WindowHandle window);
    // Makes the window in the window manager; 1 when it exists.
    virtual std::int16_t create(const Dim& clientSize, const std::string& className, std::uint32_t style,
                                WindowHandle parent);
    virtual std::intptr_t windowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void connectHandlers() override;
    // Sends the bus event whose id is the command id, with the notification code.
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    virtual void resizeBackBuffer(const Dim& size);
    void minimize() override;
    void maximize() override;
    // Back to the place the window had before it was iconised or maximised.
    void restoreWindow();
    // The parent's client area has a new size: a maximized window fills it again.
    virtual void parentResized();
    bool isIconic() const;
    bool isMaximized() const { return maximized_; }
    void setCapture(Display* display) override;
    void releaseCapture() override;
    Point cursorPosition() override;
    Menu* loadMenu(const std::string& name) override;
    void moveTo(const Point& position) override;
    void setIcon(const std::string& name) override;
    void setCursor(const std::string& name) override;
    // A caption longer than the window manager keeps is refused; the window keeps the one it had.
    void setCaption(const std::string& text) override;
    void update() override;

    // The proposal of a new place or size (the window manager's, or the window's own).
    virtual void windowPosChanging(WindowPos& pos);
    // Where the window goes when the player drags it by its caption to `proposed` in a parent's client
    // area of that size: anywhere that leaves its caption inside, where it can be taken again.
    virtual platform::Rect draggedTo(const platform::Rect& proposed, const platform::Rect& area) const;
    // The window's frame drawn by the window manager; the frame window draws its menu bar there too.
    virtual void paintFrame();

    // A window of the frame that is no MDI child (a floating view) takes the keys once it is clicked into:
    // its windowProc answers non-zero for a key it used, and the others go on to the active child.
    virtual bool takesKeys() const { return false; }

    std::uint32_t windowStyle() const { return style_; }
    void replaceMenu(const std::string& name);
    std::int16_t frameWidth() const { return frameWidth_; }
    std::int16_t frameHeight() const { return frameHeight_; }

    // Places the window (its whole frame, in the parent's client coordinates) through windowPosChanging.
    void setWindowPos(const platform::Rect& box, std::uint32_t flags);
    // Takes the window away: it gets its last message and leaves the window manager.
    void destroyWindow();

    std::intptr_t handleMessage(const WindowMessage& message) final {
        return receive(message.message, message.wParam, message.lParam);
    }

protected:
    // Where a message reaches the window first; an MDI child looks at some before windowProc.
    virtual std::intptr_t receive(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        return windowProc(message, wParam, lParam);
    }
    // What the window manager does with a message the window leaves to it.
    virtual std::intptr_t defaultProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // The context menu of the display under the point (client coordinates).
    void contextMenu(const Point& at);
    // The frame around the client area; the outer box stays until the window is placed again.
    void setFrame(const Insets& insets);
    // Places the window after its frame changed.
    void placeInNewFrame(const platform::Rect& box);
    // The whole picture to the screen again.
    void showAll();
    // Whether the window's menu takes a bar inside its own frame; an MDI child's goes to the frame's bar.
    virtual bool hasOwnMenuBar() const { return menu_ != nullptr; }
    // Caption lengths the window manager cannot keep are refused at every way in.
    static bool captionFits(const std::string& text);

    std::uint32_t style_ = DefaultStyle;
    // Made unpainted, to be shown once it is placed and painted.
    bool createUnpainted_ = false;
    std::int16_t frameWidth_ = 0;
    std::int16_t frameHeight_ = 0;
    std::string iconName_;
    bool maximized_ = false;
    Insets normalInsets_;      // the frame a maximized child folded away
    platform::Rect normalBox_; // where the window was before it was iconised or maximised
};

class WinApp;
// The running windows application, or null when the application is of another kind (or there is none).
WinApp* winApp();
// The point packed in a message word.
Point pointOf(std::intptr_t word);

// Text shifting of NUL-terminated byte strings in place: every byte up or down by 2 (modulo 256), the
// length measured again before each byte.
void shiftStringUp(char* text);
void shiftStringDown(char* text);

} // namespace vael
