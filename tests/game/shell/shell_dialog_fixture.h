#pragma once
// The game on the headless platform with the forged data, for driving its dialogs by scripted clicks and
// keys; the saved settings and games live in the test's own folder for as long as it runs.
#include <gtest/gtest.h>

#include <string>

#include "framework/ui/dialog.h"
#include "framework/ui/window_manager.h"
#include "game/shell/vael_game.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {

// A click at a point of the dialog's client area.
inline void clickAt(platform::HeadlessPlatform& os, Dialog& dialog, std::int32_t x, std::int32_t y) {
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}, client.x + x,
                client.y + y);
}

inline std::string tileText(Dialog& dialog, std::int16_t id) {
    return dialog.textTile(id) ? dialog.textTile(id)->text() : "<none>";
}

class ShellDialogs : public ::testing::Test {
protected:
    TempDir dir{"shelldlgs"};
    DataHome home{dir.path().string()};
    platform::HeadlessPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
};

} // namespace vael::test
