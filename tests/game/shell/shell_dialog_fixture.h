#pragma once
// The game on the headless platform with the forged data, for driving its dialogs by scripted clicks and
// keys; the saved settings and games live in the test's own folder for as long as it runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "framework/ui/dialog.h"
#include "framework/ui/window_manager.h"
#include "game/shell/vael_game.h"
#include "platform/headless/headless_platform.h"
#include "support/temp_dir.h"
#include "support/ui/test_win_app.h"

namespace vael::test {

// A click in the middle of a control of the dialog.
inline void clickItem(platform::HeadlessPlatform& os, Dialog& dialog, std::int16_t id) {
    DialogItemWindow* item = dialog.item(id);
    ASSERT_NE(item, nullptr) << "no control " << id;
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    const Box b = item->box();
    postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp},
                client.x + b.x + b.w / 2, client.y + b.y + b.h / 2);
}

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
    struct DataHome {
        explicit DataHome(const std::string& path) {
            if (const char* data = std::getenv("XDG_DATA_HOME")) previous = data, had = true;
            setenv("XDG_DATA_HOME", path.c_str(), 1);
        }
        ~DataHome() { had ? setenv("XDG_DATA_HOME", previous.c_str(), 1) : unsetenv("XDG_DATA_HOME"); }
        std::string previous;
        bool had = false;
    };
    TempDir dir{"shelldlgs"};
    DataHome home{dir.path().string()};
    platform::HeadlessPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
};

} // namespace vael::test
