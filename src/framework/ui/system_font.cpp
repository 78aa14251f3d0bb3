#include "framework/ui/system_font.h"

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

} // namespace vael
