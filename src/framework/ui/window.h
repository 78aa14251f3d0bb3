#pragma once
// What every top-level or child window has whatever the platform: where it is placed, its caption, its
// handle with the window manager, its icon and its cursor. The platform form fills in the rest.
#include <cstdint>
#include <optional>
#include <string>

#include "framework/core/application.h"
#include "framework/ui/display.h"
#include "framework/ui/window_message.h"

namespace vael {

using IconHandle = void*;

class Window : public Display {
public:
    Window(const Point& position, const Dim& size, const char* caption, const char* name = nullptr);
    ~Window() override = default;

    virtual void onCommand(std::uint16_t id, std::uint16_t notification) = 0;
    virtual void erase() { fill(0); }
    virtual void paint() {}
    virtual void minimize() = 0;
    virtual void maximize() = 0;
    virtual void setIcon(const std::string& name) = 0;
    virtual void setCursor(const std::string& name) = 0;
    virtual void setCaption(const std::string& text) = 0;
    virtual void moveTo(const Point& position) = 0;

    WindowHandle hwnd() const { return hwnd_; }
    // Where the window is placed, with its size (a display's bounds start at its origin in its parent).
    Box bounds() const { return Box(position_.x, position_.y, width(), height()); }
    IconHandle icon() const { return icon_; }
    CursorHandle cursor() const { return cursor_; }
    // Null when the window has no caption.
    const char* caption() const { return caption_ ? caption_->c_str() : nullptr; }
    Point position() const { return position_; }

protected:
    Point position_;
    std::optional<std::string> caption_;
    WindowHandle hwnd_ = 0;
    IconHandle icon_ = nullptr;
    CursorHandle cursor_ = nullptr;
};

} // namespace vael
