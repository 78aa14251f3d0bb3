#pragma once
// The messages of the program's one queue as the framework's windows see them: an addressee, a message
// and its two words, as the frame's windows, dialogs and the application's loop expect of the system
// they were written for. Input, close requests, timer ticks and the program's own posts all arrive as
// such messages; the windows take them through a MessageTarget registered under their handle.
#include <cstdint>

namespace vael {

using WindowHandle = std::uintptr_t;

enum MessageId : std::uint32_t {
    MessageNull = 0,
    MessageClose,           // a request to close the addressee
    MessageQuit,            // ends the message loop
    MessageSysCommand,      // wParam: a system command such as SysCommandClose
    MessageTimer,           // wParam: the timer, lParam: the tick count of the tick
    MessageCommand,         // low 16 bits of wParam: the command id; high 16 bits 1 when from an accelerator
    MessagePaint,           // the addressee must show its contents again
    MessageSize,            // lParam: the new size, packed as a point
    MessageKeyDown,         // wParam: the key (platform::Key), lParam: the modifiers
    MessageKeyUp,           //
    MessageChar,            // wParam: the character typed (a Unicode code point)
    MessageMouseMove,       // wParam: the modifiers, lParam: the point
    MessageButtonDown,      // wParam: the button | the modifiers << 8, lParam: the point
    MessageButtonUp,        //
    MessageDoubleClick,     //
    MessageCreate,          // the window manager has made the addressee's window
    MessageNcDestroy,       // the addressee's window is gone; the last message it gets
    MessageQueryEndSession, // whether the addressee may be closed: non-zero for yes; lParam non-zero when the
                            // whole program is closing
    MessageMdiActivate,     // lParam: the child being activated, 0 when none is active any more
    MessageSysKeyDown,      // a key pressed with Alt held; wParam: the key, lParam: the modifiers
    MessageRightButtonDown, // lParam: the point
    MessageParentNotify,    // wParam: MessageNcDestroy, lParam: the child window that has gone
    MessageSocket,      // wParam: a watched socket, lParam: what it is ready for (platform::SocketReadiness)
    MessageMouseWheel,  // wParam: the notches turned (signed, away from the player positive), lParam: point
    MessageIconic,      // the platform's window was made an icon (wParam 1) or shows again (wParam 0)
    MessageUser = 0x400 // the program's own messages from here on
};

constexpr std::uintptr_t SysCommandMinimize = 0xF020;
constexpr std::uintptr_t SysCommandMaximize = 0xF030;
constexpr std::uintptr_t SysCommandClose = 0xF060;
constexpr std::uintptr_t SysCommandRestore = 0xF120;

// A point in a message word: x in the low 16 bits, y in the next 16, each signed.
constexpr std::intptr_t packPoint(std::int32_t x, std::int32_t y) {
    return std::intptr_t(std::uint32_t(std::uint16_t(x)) | std::uint32_t(std::uint16_t(y)) << 16);
}
constexpr std::int16_t pointX(std::intptr_t word) {
    return std::int16_t(std::uint16_t(word));
}
constexpr std::int16_t pointY(std::intptr_t word) {
    return std::int16_t(std::uint16_t(word >> 16));
}

struct WindowMessage {
    WindowHandle window = 0;
    std::uint32_t message = MessageNull;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::uint32_t time = 0;
    friend bool operator==(const WindowMessage& a, const WindowMessage& b) {
        return a.window == b.window && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam;
    }
};

// What stands behind a window handle.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual std::intptr_t handleMessage(const WindowMessage& message) = 0;
    // A modeless dialog's look at every message of the loop (its keyboard interface); true when it took it.
    virtual bool takeDialogMessage(const WindowMessage&) { return false; }
};

} // namespace vael
