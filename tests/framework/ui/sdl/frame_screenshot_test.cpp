// The main frame in the real window (run under Xvfb): its menu bar, the stone blocks of its background,
// an active child with its caption and picture, and the status bar, each read back from the display in
// the colours of the forged palette.
#include <SDL.h>
#include <gtest/gtest.h>

#include "framework/ui/child_window.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/ostrell_window.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/system_font.h"
#include "platform/sdl/x11_readback.h"
#include "support/display/sdl_data_app.h"
#include "tools/forge/forge_palette.h"

namespace vael::test {
namespace {

class Child : public WindowsChildWindow {
public:
    Child()
        : Window(Point(40, 30), Dim(100, 60), "Map"),
          WindowsChildWindow(Point(40, 30), Dim(100, 60), "Map", nullptr, nullptr) {}
};

class FrameScreenshotTest : public RealWindowTest {};

TEST_F(FrameScreenshotTest, TheFrameAChildAndTheStatusBarShowInThePalettesColours) {
    installSystemFont();
    {
        RoutingWinApp app(*sdl);
        // 320 x 220 under the menu bar of 20: the window is 320 x 240, the status bar its last 40 rows.
        OstrellMainWindow frame(Point(0, 0), Dim(320, 220), "Frame", "Vael Frame");
        frame.attach(app);
        WindowsStatusBar status("Vael Status Bar", frame.hwnd(), Point(20, 11), 2);
        frame.setStatusBar(&status);
        app.setStatusText("Ready", 1);
        while (app.messageWaiting())
            app.pumpMessage();
        Child child;
        child.createInFrame();
        const std::uint8_t red = forge::shade(forge::NationRed, 8);
        child.fill(red);
        child.update();
        drainPlatformEvents(*sdl);
        auto* palette = dynamic_cast<WindowsPalette*>(app.getPalette());
        ASSERT_TRUE(palette && palette->fromFile());
        const auto colourOf = [&](std::uint8_t index) { return paletteColour(*palette, index); };
        using forge::Stone;
        struct Row {
            const char* name;
            int x, y;
            std::uint8_t index;
        } rows[] = {
            {"menu bar right of its titles", 310, 5, palette->nearestIndex(192, 192, 192)},
            {"first block's face", 5, 20 + 10, forge::shade(Stone, 5)},
            {"second block's face", 32 + 5, 20 + 10, forge::shade(Stone, 6)},
            {"the child's active caption", 40 + 30, 20 + 30 + 3 + 5, palette->nearestIndex(0, 0, 128)},
            {"the child's picture", 40 + 3 + 20, 20 + 30 + 21 + 20, red},
            // The fifteenth block of ten a row is the third picture again, whose face is shade 5.
            {"background right of the child", 40 + 106 + 5, 20 + 10 + 32, forge::shade(Stone, 5)},
            {"status bar's left cap", 1, 220, forge::shade(Stone, 10)},
            {"status bar's middle well", 100, 220, forge::shade(Stone, 9)},
            {"status bar's right cap", 319, 220, forge::shade(Stone, 3)},
        };
        for (const Row& r : rows) {
            SCOPED_TRACE(r.name);
            EXPECT_EQ(displayedColour(sdl->window(), r.x, r.y), colourOf(r.index));
        }
        // The system font's strokes: in the bar's first title, and in the status bar's first line.
        const auto inked = [&](int left, int top, int width, int height) {
            int count = 0;
            for (int y = top; y < top + height; ++y)
                for (int x = left; x < left + width; ++x)
                    count += displayedColour(sdl->window(), x, y) == colourOf(palette->nearestIndex(0, 0, 0));
            return count;
        };
        EXPECT_GT(inked(0, 0, 44, 20), 10);
        EXPECT_GT(inked(20, 200 + 11, 40, 13), 10);
        EXPECT_EQ(inked(300, 200 + 11, 6, 13), 0);
        frame.setStatusBar(nullptr);
    }
    MenuTracker::setTextDrawer(nullptr);
    WindowsStatusBar::setTextWriter(nullptr);
}

} // namespace
} // namespace vael::test
