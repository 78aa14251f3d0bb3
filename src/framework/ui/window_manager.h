#pragma once
// Our window manager: every window of the framework (the frame, its MDI client, the children, the bars)
// is a rectangle of the one platform window, stacked bottom to top, each showing the 8-bit picture of the
// display behind it. It draws the borders and captions around the windows' client areas and copies only
// the boxes a window asks for to the screen, leaving out what windows above it (and open menus) cover.
#include <cstdint>
#include <vector>

#include "framework/ui/window_message.h"
#include "platform/platform.h"

namespace vael {

class Display;
class WinApp;
class WindowsWindow;

// How much a window's frame adds on each side of its client area.
struct Insets {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Insets&, const Insets&) = default;
};

class WindowManager {
public:
    static constexpr std::int32_t Border = 3;
    static constexpr std::int32_t CaptionHeight = 18;
    static constexpr std::int32_t CloseBox = 14; // the square at the right end of a caption
    static constexpr std::int32_t IconSize = 32;
    static constexpr std::uint32_t CaptionStyle = 0x00C00000; // a window with a caption has a frame
    // A window without a caption but with a dialog frame or a sizing border has the frame alone.
    static constexpr std::uint32_t DialogFrameStyle = 0x00400000, ThickFrameStyle = 0x00040000;
    static constexpr std::uint32_t ChildStyle = 0x40000000;

    // The one window manager of the program; it shows through the running windows application.
    static WindowManager& instance();

    // The frame of a window of that style: a top-level window has only its menu bar above the client.
    static Insets insetsFor(std::uint32_t style, bool hasMenu, bool topLevel);

    struct Record {
        WindowHandle handle = 0;
        WindowHandle parent = 0;
        WindowsWindow* window = nullptr; // the object behind the handle, when it is a framework window
        WindowsWindow* shows = nullptr;  // whose picture fills the client area
        platform::Rect outer;            // in the parent's client coordinates (the screen's for top level)
        Insets insets;
        bool visible = true;
        bool painted = true; // false while it is being made: it takes clicks but shows nothing yet
        bool iconic = false;
        bool active = false;
        bool closeBox = true; // a captioned window that cannot be closed shows none
    };

    // Takes the window into the stack above its siblings; the handle must already be the application's.
    void add(const Record& record);
    // Takes it and every window inside it out; the screen it covered is shown again.
    void remove(WindowHandle window);
    bool exists(WindowHandle window) const { return find(window) != nullptr; }
    const Record* find(WindowHandle window) const;
    // Moves or sizes the window and shows again what changed.
    void setOuter(WindowHandle window, const platform::Rect& outer);
    void setIconic(WindowHandle window, bool iconic);
    void setCloseBox(WindowHandle window, bool shown);
    // Shows or hides the window; what it covers or uncovers is shown again.
    void setVisible(WindowHandle window, bool visible);
    // Whether the window and every window it lies in are shown.
    bool shown(WindowHandle window) const;
    // A window made unpainted is shown whole, where it stands by then, once it is ready.
    void showPainted(WindowHandle window);
    // A new frame around the client area, the outer box kept; nothing is shown again.
    void setInsets(WindowHandle window, const Insets& insets);
    void setActive(WindowHandle window, bool active);
    void setShows(WindowHandle window, WindowsWindow* shows);
    void raise(WindowHandle window);
    // The windows inside the parent, bottom first.
    std::vector<WindowHandle> childrenOf(WindowHandle parent) const;

    // Screen rectangles of a window's client area and of its whole frame.
    platform::Rect clientOnScreen(WindowHandle window) const;
    platform::Rect outerOnScreen(WindowHandle window) const;
    // Where the window's close box shows on the screen: empty for a window without a caption, an icon, or
    // one that shows no close box.
    platform::Rect closeBoxOnScreen(WindowHandle window) const;
    // The topmost visible window at a screen point, or 0.
    WindowHandle windowAt(std::int32_t x, std::int32_t y) const;
    // Where an icon of the window goes in its parent's client area (client coordinates): the first place
    // along the bottom, left to right and then row by row upwards, that no other icon takes and no window
    // outside the parent (one floating over it) covers, so that the icon stays in sight and in reach;
    // `others` are the places of the icons already there. The first place when every place is covered.
    platform::Rect iconPlace(WindowHandle window, const std::vector<platform::Rect>& others) const;

    // Copies the boxes (client coordinates of the window) of the picture to the screen where they are
    // not covered; answers the screen rectangles copied.
    std::vector<platform::Rect> present(WindowHandle window, const platform::Surface& picture,
                                        const std::vector<platform::Rect>& boxes);
    // Shows the screen rectangle again: the frames there, then every client that shows part of it.
    void repaint(const platform::Rect& screen);
    // The pictures above every window (open menus): the layer in screen coordinates and the parts of it
    // that cover the windows now.
    void setOverlay(const Display* layer, std::vector<platform::Rect> covered);
    const std::vector<platform::Rect>& overlay() const { return overlay_; }

    // The window that takes every mouse message while it holds the capture, or 0.
    void setCapture(WindowHandle window) { capture_ = window; }
    WindowHandle capture() const { return capture_; }
    // Where the mouse was last seen, on the screen.
    void setMouse(const platform::Rect& at) { mouse_ = at; }
    platform::Rect mouse() const { return mouse_; }

    // The frame of a window as the window draws it (a framework window may draw its own).
    void paintFrame(WindowHandle window);
    // The borders and caption of a window, or its icon when it is iconic.
    void drawStandardFrame(WindowHandle window);

private:
    Record* findRecord(WindowHandle window);
    std::size_t indexOf(WindowHandle window) const;
    bool isInside(WindowHandle window, WindowHandle ancestor) const;
    // The screen left of the box once everything above the window at that index is taken out.
    std::vector<platform::Rect> uncovered(std::size_t index, const platform::Rect& box) const;
    platform::Platform* platform() const;
    void showOverlay(const platform::Rect& screen);

    std::vector<Record> records_; // bottom first
    const Display* overlayLayer_ = nullptr;
    std::vector<platform::Rect> overlay_;
    WindowHandle capture_ = 0;
    platform::Rect mouse_;
};

// Rectangle arithmetic of the screen.
platform::Rect intersection(const platform::Rect& a, const platform::Rect& b);
bool isEmpty(const platform::Rect& r);
// What is left of a once b is taken out: at most four rectangles.
std::vector<platform::Rect> subtract(const platform::Rect& a, const platform::Rect& b);

} // namespace vael
