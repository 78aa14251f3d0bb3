#include "framework/ui/system_font.h"

#include "framework/core/utf8.h"
#include "framework/ui/display.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/win_app.h"

namespace vael {

namespace {

void menuText(Display& target, const Point& at, const std::string& text, std::uint8_t colour) {
    writeSystemText(target, Box(0, 0, target.width(), target.height()), at, text, colour, false);
}

// The status bar's font is the bold one.
void statusText(Display& target, const Box& clip, const Point& at, const std::string& text,
                std::uint8_t colour) {
    writeSystemText(target, clip, at, text, colour, true);
}

} // namespace

void installSystemFont() {
    MenuTracker::setTextDrawer(&menuText);
    WindowsStatusBar::setTextWriter(&statusText);
}

void writeSystemText(Display& target, const Box& clip, const Point& at, const std::string& text,
                     std::uint8_t colour, bool bold) {
    WinApp* app = winApp();
    if (!app || text.empty()) return;
    app->platform().drawText(
        {target.bits(), target.width(), target.height(), target.stride(), {clip.x, clip.y, clip.w, clip.h}},
        at.x, at.y, text, colour, bold);
    target.markDirty(clip);
}

std::int32_t systemTextWidth(const std::string& text, bool bold) {
    WinApp* app = winApp();
    return app ? app->platform().textWidth(text, bold) : 0;
}

std::int32_t systemTextPlace(const std::string& text, std::int32_t x, bool bold) {
    std::int32_t before = 0;
    // Places lie between whole characters, never inside one's UTF-8 bytes.
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t next = utf8Next(text, at);
        const std::int32_t after = systemTextWidth(text.substr(0, next), bold);
        // Past the middle of the character: the place after it.
        if (x < before + (after - before + 1) / 2) return static_cast<std::int32_t>(at);
        before = after;
        at = next;
    }
    return static_cast<std::int32_t>(text.size());
}

} // namespace vael
