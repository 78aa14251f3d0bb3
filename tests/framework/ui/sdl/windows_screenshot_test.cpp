// The windows framework in the real window (run under Xvfb), read back from the display in the colours of
// the forged palette: the main frame with its menu bar, stone blocks, an active child and the status bar;
// the tool bar with its buttons, the tip that scripted input hovers up and a click that sends one command;
// and a dialog with its parchment and buttons that takes typed keys.
#include <SDL.h>
#include <gtest/gtest.h>

#include "framework/core/payload_check.h"
#include "framework/display/oif.h"
#include "framework/ui/child_window.h"
#include "framework/ui/get_string_dialog.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/ostrell_window.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/system_font.h"
#include "framework/ui/toolbar.h"
#include "framework/ui/window_manager.h"
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

std::vector<std::int32_t> commands;
class CommandListener : public Component {
public:
    CommandListener() : Component("Commands") {}
    void connectHandlers() override {
        connectNamed("Command", [](Component*, BusMessage, ContainerBase* data) -> ContainerBase* {
            callWithPayload<BusMessage>(data, __FILE__, __LINE__,
                                        [](const BusMessage& m) { commands.push_back(m.id()); });
            return nullptr;
        });
    }
};

// A point of the window and the palette index it shows.
struct Shown {
    const char* name;
    int x, y;
    std::uint8_t index;
};

class WindowsScreenshotTest : public RealWindowTest {
protected:
    // The application's palette, which must be the forged one read from its file.
    bool paletteOf(WinApp& app) {
        palette = dynamic_cast<WindowsPalette*>(app.getPalette());
        return palette && palette->fromFile();
    }
    std::uint32_t colourOf(std::uint8_t index) const { return paletteColour(*palette, index); }
    std::uint32_t shownAt(int x, int y) const { return displayedColour(sdl->window(), x, y); }
    void expectShown(std::initializer_list<Shown> rows) const {
        for (const Shown& r : rows) {
            SCOPED_TRACE(r.name);
            EXPECT_EQ(shownAt(r.x, r.y), colourOf(r.index));
        }
    }
    std::uint8_t black() const { return palette->nearestIndex(0, 0, 0); }

    WindowsPalette* palette = nullptr;
};

TEST_F(WindowsScreenshotTest, TheFrameAChildAndTheStatusBarShowInThePalettesColours) {
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
        ASSERT_TRUE(paletteOf(app));
        using forge::Stone;
        expectShown({
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
        });
        // The system font's strokes: in the bar's first title, and in the status bar's first line.
        const auto inked = [&](int left, int top, int width, int height) {
            int count = 0;
            for (int y = top; y < top + height; ++y)
                for (int x = left; x < left + width; ++x)
                    count += shownAt(x, y) == colourOf(black());
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

TEST_F(WindowsScreenshotTest, TheBarItsButtonsAndTheTipShowAndAClickSendsOneCommand) {
    RoutingWinApp app(*sdl);
    CommandListener listener;
    listener.attach(app);
    // 320 x 220 under the menu bar of 20: the bar's client area starts at (0, 20) of the window.
    OstrellMainWindow frame(Point(0, 0), Dim(320, 220), "Frame", "Vael Frame");
    frame.attach(app);
    WindowsToolbar bar(frame.hwnd(), "Toolbar");
    bar.attach(app);
    bar.addButton(new Button("Buttons 2", "FileOpen", 500, "", "Open"));
    bar.addSpace(8);
    bar.addButton(new Button("Buttons 2", "FileSave", 501, "", "Save"));
    frame.setToolbar(&bar);
    const auto mouse = [&](Uint32 type, int x, int y) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.windowID = SDL_GetWindowID(sdl->window());
            e.motion.x = x, e.motion.y = y;
        } else {
            e.button.windowID = SDL_GetWindowID(sdl->window());
            e.button.button = SDL_BUTTON_LEFT, e.button.clicks = 1;
            e.button.x = x, e.button.y = y;
        }
        SDL_PushEvent(&e);
        pumpAppMessages(app);
    };
    pumpAppMessages(app);
    ASSERT_TRUE(paletteOf(app));
    // The buttons are 24 x 22, centred in the bar's 28 rows: from row 3 of the bar, at x 0 and 32.
    const std::uint8_t face = forge::colour::GreyFirst + 196 / 7 - 1;
    expectShown({
        {"the bar's top edge, left of the buttons", 100, 20, forge::shade(forge::Stone, 11)},
        {"the bar's bottom edge", 100, 20 + 27, forge::shade(forge::Stone, 1)},
        {"the first button's face", 2 + 1, 20 + 3 + 19, face},
        {"the second button's face", 32 + 3, 20 + 3 + 19, face},
    });

    // The pointer over the first button, then the hover timer's two ticks.
    mouse(SDL_MOUSEMOTION, 10, 30);
    app.hoverTick();
    app.hoverTick();
    pumpAppMessages(app);
    ToolTipWindow* tip = bar.tipWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->shownText(), " Open ");
    // The tip's corner is at (10 - 18 / 4, 30 + 18): its border black, its inside yellow.
    expectShown({{"the tip's border", 6, 48, black()},
                 {"the tip's inside", 7, 49, palette->nearestIndex(250, 250, 100)}});

    mouse(SDL_MOUSEBUTTONDOWN, 10, 30);
    EXPECT_EQ(bar.tipWindow(), nullptr);
    mouse(SDL_MOUSEBUTTONUP, 10, 30);
    EXPECT_EQ(commands, std::vector<std::int32_t>{500});
    frame.setToolbar(nullptr);
}

TEST_F(WindowsScreenshotTest, TheTextQuestionShowsItsPicturesAndTakesTypedKeys) {
    RoutingWinApp app(*sdl);
    OstrellMainWindow frame(Point(0, 0), Dim(480, 320), "Frame", "Vael Frame");
    frame.attach(app);
    GetStringDialog dialog("Name the game", "Name:", "");
    dialog.attach(app);
    dialog.create(GetStringDialog::ResourceName, Dialog::Modeless);
    pumpAppMessages(app);
    ASSERT_TRUE(paletteOf(app));
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    OIF<Bitmap> backgrounds("Dialog Bitmaps");
    Bitmap* parchment = backgrounds.lockImage("Background", "Intro");
    ASSERT_TRUE(parchment);
    // The buttons are 50 x 14 units: 86 x 22 pixels, so the 82 x 18 picture leaves a margin of 2 for the
    // default button's frame.
    const Box ok = dialog.item(Dialog::IdOk)->box(), cancel = dialog.item(Dialog::IdCancel)->box();
    const std::uint8_t outline = forge::colour::GreyFirst + 14 / 7 - 1;
    const std::uint8_t light = forge::colour::GreyFirst + 245 / 7 - 1;
    expectShown({
        {"the parchment's first pixel at the client's corner", client.x, client.y, parchment->bits()[0]},
        {"the parchment tiled again 64 pixels on", client.x + 64, client.y + 64, parchment->bits()[0]},
        {"the default button's outer frame", client.x + ok.x, client.y + ok.y, black()},
        {"the default button's inner frame", client.x + ok.x + 1, client.y + ok.y + 1, black()},
        {"the other button's outline", client.x + cancel.x + 2, client.y + cancel.y + 2, outline},
        {"the other button's lit edge", client.x + cancel.x + 3, client.y + cancel.y + 3, light},
    });

    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = SDL_GetWindowID(sdl->window());
    SDL_strlcpy(text.text.text, "Bo", sizeof text.text.text);
    SDL_PushEvent(&text);
    pumpAppMessages(app);
    EXPECT_EQ(dialog.getItemText(GetStringDialog::EditId), "Bo");
    SDL_Event enter{};
    enter.type = SDL_KEYDOWN;
    enter.key.windowID = SDL_GetWindowID(sdl->window());
    enter.key.keysym.sym = SDLK_RETURN;
    enter.key.keysym.scancode = SDL_SCANCODE_RETURN;
    SDL_PushEvent(&enter);
    pumpAppMessages(app);
    EXPECT_EQ((std::tuple{dialog.isOpen(), dialog.result(), dialog.answer()}),
              (std::tuple{std::int16_t(0), std::int16_t(1), std::string("Bo")}));
}

} // namespace
} // namespace vael::test
