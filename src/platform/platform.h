#pragma once
// Our stand-in for the operating system: one event queue that is the program's only loop, a periodic
// system timer whose ticks arrive on that queue, a millisecond tick count, one window into which 8-bit
// pictures are shown through a 256-colour palette, cursors, beep, message boxes, the file-open choice, the
// clipboard and the settings store. Two backends give it: SDL2 for the real program and an in-memory one
// for tests and the battle runner; nothing above this interface can tell them apart.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings.h"

namespace vael::platform {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
using PaletteColours = std::array<Rgb, 256>;

struct Rect {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Rows of 8-bit palette indexes, top row first; pitch is the distance in bytes from one row to the next.
struct Surface {
    const std::uint8_t* pixels = nullptr;
    std::int32_t width = 0, height = 0, pitch = 0;
};

// Key codes: printable keys are their upper-case character; the others lie above the character range.
enum Key : std::int32_t {
    KeyNone = 0,
    KeyBackspace = 8,
    KeyTab = 9,
    KeyReturn = 13,
    KeyEscape = 27,
    KeySpace = 32,
    KeyLeft = 0x100,
    KeyRight,
    KeyUp,
    KeyDown,
    KeyHome,
    KeyEnd,
    KeyPageUp,
    KeyPageDown,
    KeyInsert,
    KeyDelete,
    KeyF1 = 0x110, // F2 .. F12 follow
    KeyF12 = KeyF1 + 11,
};

// ModAlt is the left Alt, the system key: its letters choose menus and buttons. ModAltGr is the right Alt,
// which on most of the world's layouts (AltGr) types a key's third letter: a key pressed with it is typed.
enum Modifier : std::uint16_t { ModShift = 1, ModControl = 2, ModAlt = 4, ModAltGr = 8 };

enum class EventKind : std::uint8_t {
    MouseMove,
    ButtonDown,
    ButtonUp,
    DoubleClick, // in place of the second ButtonDown of a double click
    KeyDown,
    KeyUp,
    Text,         // typed text (UTF-8)
    CloseRequest, // the user asked to close the window
    Quit,         // the program is asked to end (a signal, or a posted quit)
    Expose,       // the window's contents must be shown again
    Resize,       // the window has a new size (x, y)
    TimerTick,    // a tick of the system timer `timer`, at `time`
    Posted,       // a message the program posted itself
    SocketReady,  // a watched socket `socket` is ready for what `readiness` says
    Wheel,        // the mouse wheel turned `wheel` notches (away from the player positive) over (x, y)
    Minimized,    // the window was made an icon
    Restored,     // the window shows again after it was an icon (or was given back its size)
};

// What a watched socket is ready for (or asked to be watched for).
enum SocketReadiness : std::uint8_t { SocketReadable = 1, SocketWritable = 2, SocketHungUp = 4 };

enum MouseButton : std::uint8_t { ButtonLeft = 1, ButtonMiddle = 2, ButtonRight = 3 };

// A message the program posts to its own queue: the addressee, the message and its two words.
struct PostedMessage {
    std::uintptr_t window = 0;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

struct Event {
    EventKind kind = EventKind::Posted;
    std::int32_t x = 0, y = 0; // mouse position in the window, or the new size
    std::uint8_t button = 0;
    std::int32_t key = KeyNone;
    std::uint16_t modifiers = 0;
    std::string text;
    std::uint32_t timer = 0;
    std::uint32_t time = 0; // tick count when the event was queued
    PostedMessage posted;
    std::int32_t socket = -1;
    std::uint8_t readiness = 0;
    std::int32_t wheel = 0;
};

// An 8-bit picture that text is written into, and the box of it (picture coordinates) that may change.
struct TextTarget {
    std::uint8_t* pixels = nullptr;
    std::int32_t width = 0, height = 0, pitch = 0;
    Rect clip;
};

enum class Cursor : std::uint8_t { Arrow, Wait };

// A cursor the program draws: palette indexes, rows top-down without padding, byte 0 transparent, shown
// through the screen's palette as it is when the cursor is first set. The name tells cursors apart, so a
// platform may keep what it made of one.
struct CursorImage {
    std::string name;
    std::int32_t width = 0, height = 0;
    std::int32_t hotX = 0, hotY = 0;
    std::vector<std::uint8_t> pixels;

    // Whether the pixels fill the size and the hot spot lies inside it.
    bool valid() const {
        return width > 0 && height > 0 && width <= 256 && height <= 256 && hotX >= 0 && hotY >= 0 &&
               hotX < width && hotY < height && pixels.size() == std::size_t(width) * std::size_t(height);
    }
};

enum class MessageButtons : std::uint8_t { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MessageIcon : std::uint8_t { None, Stop, Question, Exclamation, Information };
enum class MessageAnswer : std::uint8_t { Ok = 1, Cancel, Abort, Retry, Ignore, Yes, No };

class Platform {
public:
    virtual ~Platform() = default;

    // The event queue. waitEvent blocks until an event comes and takes it; false when none ever will.
    virtual bool waitEvent(Event& event) = 0;
    // Takes the next event if one waits.
    virtual bool pollEvent(Event& event) = 0;
    // Whether an event waits, without taking it.
    virtual bool eventWaiting() = 0;
    // Queues an event from the program; safe from any thread.
    virtual void postEvent(const Event& event) = 0;

    // The system timer: ticks every period milliseconds until stopped; at most one tick of a timer waits
    // in the queue at a time. Answers the timer's id (never 0), or 0 when it cannot be started.
    virtual std::uint32_t startTimer(std::uint32_t period) = 0;
    virtual bool stopTimer(std::uint32_t timer) = 0;
    // Milliseconds since some fixed moment; wraps like a 32-bit count.
    virtual std::uint32_t tickCount() = 0;

    // The one window. Opening a window when one is open gives the open one the new size and title.
    virtual bool openWindow(std::int32_t width, std::int32_t height, const std::string& title) = 0;
    virtual void closeWindow() = 0;
    virtual bool windowOpen() const = 0;
    // Entries first .. first + count - 1 of the palette through which pictures are shown.
    virtual void setPalette(const Rgb* colours, std::int32_t first, std::int32_t count) = 0;
    // Shows the given boxes of the picture (all of it when count is 0) with its top-left corner at (x, y)
    // of the window; what falls outside either is left out.
    virtual void present(const Surface& picture, std::int32_t x, std::int32_t y, const Rect* boxes,
                         std::int32_t count) = 0;

    // The system font, of fixed metrics: writes the glyphs of the text in the colour with the text's
    // top-left corner at (x, y), changing no pixel outside the clip box nor any between the glyphs' strokes.
    // A platform without fonts writes nothing.
    virtual void drawText(const TextTarget&, std::int32_t, std::int32_t, const std::string&, std::uint8_t,
                          bool) {}
    // How far the system font's pen moves over the text. A platform without fonts counts every character
    // as the font's average width.
    static constexpr std::int32_t AverageCharWidth = 7;
    virtual std::int32_t textWidth(const std::string& text, bool) {
        return AverageCharWidth * static_cast<std::int32_t>(text.size());
    }

    virtual void setCursor(Cursor cursor) = 0;
    // A platform that cannot show drawn cursors shows the arrow.
    virtual void setCursorImage(const CursorImage&) { setCursor(Cursor::Arrow); }
    virtual void beep() = 0;
    virtual MessageAnswer messageBox(const std::string& text, const std::string& title,
                                     MessageButtons buttons, MessageIcon icon) = 0;
    // The system's own box, owned by no window of the program, so that it can be shown before the window
    // stands and after it is gone: what a failed check or exhausted memory asks. Nothing when no box can be
    // shown (no display) or none was chosen; the caller then takes the answer of a program with nobody to
    // ask. A platform without a system of boxes shows none.
    virtual std::optional<MessageAnswer> systemMessageBox(const std::string&, const std::string&,
                                                          MessageButtons, MessageIcon) {
        return std::nullopt;
    }
    // The file-open choice: the chosen path, or nothing when the user chose none.
    virtual std::optional<std::string> chooseFile(const std::string& description,
                                                  const std::string& pattern) = 0;
    virtual bool setClipboardText(const std::string& text) = 0;
    virtual std::string clipboardText() = 0;

    // The settings store in place of the registry.
    virtual Settings& settings() = 0;

    // Sockets whose readiness comes as events on the one queue, as window messages told a program of its
    // sockets: while a socket is watched for what `interest` names, a SocketReady event arrives when it
    // is ready (at most one waits per socket), and serviceSocket hands it to the socket's handler. The
    // handler reads or writes without blocking and goes back to the loop, so that a peer that floods or
    // stalls never holds the program. A socket that hangs up or fails is reported once as SocketHungUp.
    using SocketHandler = std::function<void(std::int32_t socket, std::uint8_t readiness)>;
    void watchSocket(std::int32_t socket, std::uint8_t interest, SocketHandler handler);
    void setSocketInterest(std::int32_t socket, std::uint8_t interest);
    // A ready event of the socket still queued is dropped when it is taken.
    void unwatchSocket(std::int32_t socket);
    bool watchingSockets() const { return !watches_.empty(); }
    // Hands a SocketReady event taken from the queue to its socket's handler.
    void serviceSocket(const Event& event);
    // How long waitEvent waits for a watched socket when nothing else can happen, in real milliseconds;
    // 0 waits for as long as it takes. Past it waitEvent answers false.
    std::int32_t socketWaitLimit = 0;

    // Timers whose ticks go to handlers of their own rather than to the program's system timer: what must
    // tick whatever the program does with its own timer (a link's keep-alive) runs on these. The tick is
    // queued like any other; serviceTimer hands one taken from the queue to its handler, and answers false
    // for a tick that is not such a timer's. A tick of a timer stopped since it was queued is dropped.
    using TimerHandler = std::function<void(std::uint32_t time)>;
    struct HandledTimer {
        std::uint32_t timer;
        TimerHandler handler;
    };
    std::uint32_t startHandledTimer(std::uint32_t period, TimerHandler handler);
    void stopHandledTimer(std::uint32_t timer);
    bool serviceTimer(const Event& event);

protected:
    bool isHandledTimer(std::uint32_t timer) const {
        for (const HandledTimer& t : handledTimers_)
            if (t.timer == timer) return true;
        return false;
    }
    // Queues a SocketReady event for each watched socket that is ready and has none waiting, waiting up
    // to timeoutMs for one (0: not at all, -1: for ever). Answers how many it queued.
    std::int32_t pollSockets(std::int32_t timeoutMs);

private:
    struct Watch {
        std::int32_t socket;
        std::uint8_t interest;
        SocketHandler handler;
        bool waiting;
    };
    Watch* watchOf(std::int32_t socket);
    std::vector<Watch> watches_;
    std::vector<HandledTimer> handledTimers_;
};

// The answer a box with these buttons gives when nobody is there to choose: the one that lets the
// program go on without harm.
MessageAnswer cautiousAnswer(MessageButtons buttons);

} // namespace vael::platform
