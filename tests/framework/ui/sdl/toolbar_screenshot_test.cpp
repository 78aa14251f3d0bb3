// The tool bar in the real window (run under Xvfb): its background and buttons from the forged archives,
// and, with the pointer moved over a button by scripted input, the tool tip in its yellow pop-up; a
// scripted click then sends the button's command once.
#include <SDL.h>
#include <gtest/gtest.h>

#include "framework/core/payload_check.h"
#include "framework/ui/ostrell_window.h"
#include "framework/ui/toolbar.h"
#include "platform/sdl/x11_readback.h"
#include "support/display/sdl_data_app.h"
#include "tools/forge/forge_palette.h"

namespace vael::test {
namespace {

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

class ToolbarScreenshotTest : public RealWindowTest {};

TEST_F(ToolbarScreenshotTest, TheBarItsButtonsAndTheTipShowAndAClickSendsOneCommand) {
    {
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
        const auto settle = [&] { pumpAppMessages(app); };
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
            settle();
        };
        settle();
        auto* palette = dynamic_cast<WindowsPalette*>(app.getPalette());
        ASSERT_TRUE(palette && palette->fromFile());
        const auto colourOf = [&](std::uint8_t index) { return paletteColour(*palette, index); };
        // The buttons are 24 x 22, centred in the bar's 28 rows: from row 3 of the bar, at x 0 and 32.
        const std::uint8_t face = forge::colour::GreyFirst + 196 / 7 - 1;
        struct Row {
            const char* name;
            int x, y;
            std::uint8_t index;
        } bars[] = {
            {"the bar's top edge, left of the buttons", 100, 20, forge::shade(forge::Stone, 11)},
            {"the bar's bottom edge", 100, 20 + 27, forge::shade(forge::Stone, 1)},
            {"the first button's face", 2 + 1, 20 + 3 + 19, face},
            {"the second button's face", 32 + 3, 20 + 3 + 19, face},
        };
        for (const Row& r : bars) {
            SCOPED_TRACE(r.name);
            EXPECT_EQ(displayedColour(sdl->window(), r.x, r.y), colourOf(r.index));
        }

        // The pointer over the first button, then the hover timer's two ticks.
        mouse(SDL_MOUSEMOTION, 10, 30);
        app.hoverTick();
        app.hoverTick();
        settle();
        ToolTipWindow* tip = bar.tipWindow();
        ASSERT_NE(tip, nullptr);
        EXPECT_EQ(tip->shownText(), " Open ");
        // The tip's corner is at (10 - 18 / 4, 30 + 18): its border black, its inside yellow.
        EXPECT_EQ(displayedColour(sdl->window(), 6, 48), colourOf(palette->nearestIndex(0, 0, 0)));
        EXPECT_EQ(displayedColour(sdl->window(), 7, 49), colourOf(palette->nearestIndex(250, 250, 100)));

        mouse(SDL_MOUSEBUTTONDOWN, 10, 30);
        EXPECT_EQ(bar.tipWindow(), nullptr);
        mouse(SDL_MOUSEBUTTONUP, 10, 30);
        EXPECT_EQ(commands, std::vector<std::int32_t>{500});
        frame.setToolbar(nullptr);
    }
}

} // namespace
} // namespace vael::test
