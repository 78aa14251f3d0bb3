#pragma once
// Test support: a press and a release in the middle of a dialog's control or of a window's close box, as
// the player's mouse gives them, queued on the headless platform.
#include <gtest/gtest.h>

#include "framework/ui/dialog.h"
#include "framework/ui/window_manager.h"
#include "platform/headless/headless_platform.h"
#include "support/ui/test_win_app.h"

namespace vael::test {

inline void clickOn(platform::Platform& os, Dialog& dialog, std::int16_t id) {
    DialogItemWindow* item = dialog.item(id);
    ASSERT_NE(item, nullptr) << "no control " << id;
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    // Where the control shows: a combo box's template box reaches down over the rows below its field.
    const Box b = item->shownBox();
    postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp},
                client.x + b.x + b.w / 2, client.y + b.y + b.h / 2);
}

// A press and a release in the middle of the close box of the window's caption.
inline void clickCloseBox(platform::Platform& os, WindowHandle window) {
    const platform::Rect box = WindowManager::instance().closeBoxOnScreen(window);
    ASSERT_GT(box.width, 0) << "no close box";
    postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}, box.x + box.width / 2,
                box.y + box.height / 2);
}

} // namespace vael::test
