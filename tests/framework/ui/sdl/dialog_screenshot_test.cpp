// A dialog in the real window (run under Xvfb): its parchment, the default button's double frame and the
// other button's picture from the forged archives; typed keys reach its field and Enter closes it.
#include <SDL.h>
#include <gtest/gtest.h>

#include "framework/display/oif.h"
#include "framework/ui/get_string_dialog.h"
#include "framework/ui/ostrell_window.h"
#include "framework/ui/window_manager.h"
#include "platform/sdl/x11_readback.h"
#include "support/display/sdl_data_app.h"
#include "tools/forge/forge_palette.h"

namespace vael::test {
namespace {

class DialogScreenshotTest : public RealWindowTest {};

TEST_F(DialogScreenshotTest, TheTextQuestionShowsItsPicturesAndTakesTypedKeys) {
    {
        RoutingWinApp app(*sdl);
        OstrellMainWindow frame(Point(0, 0), Dim(480, 320), "Frame", "Vael Frame");
        frame.attach(app);
        GetStringDialog dialog("Name the game", "Name:", "");
        dialog.attach(app);
        dialog.create(GetStringDialog::ResourceName, Dialog::Modeless);
        const auto settle = [&] { pumpAppMessages(app); };
        settle();
        auto* palette = dynamic_cast<WindowsPalette*>(app.getPalette());
        ASSERT_TRUE(palette && palette->fromFile());
        const auto colourOf = [&](std::uint8_t index) { return paletteColour(*palette, index); };
        const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
        OIF<Bitmap> backgrounds("Dialog Bitmaps");
        Bitmap* parchment = backgrounds.lockImage("Background", "Intro");
        ASSERT_TRUE(parchment);
        // The buttons are 50 x 14 units: 86 x 22 pixels, so the 82 x 18 picture leaves a margin of 2 for the
        // default button's frame.
        const Box ok = dialog.item(Dialog::IdOk)->box(), cancel = dialog.item(Dialog::IdCancel)->box();
        const std::uint8_t black = palette->nearestIndex(0, 0, 0);
        const std::uint8_t outline = forge::colour::GreyFirst + 14 / 7 - 1;
        const std::uint8_t light = forge::colour::GreyFirst + 245 / 7 - 1;
        struct Row {
            const char* name;
            int x, y;
            std::uint8_t index;
        } rows[] = {
            {"the parchment's first pixel at the client's corner", client.x, client.y, parchment->bits()[0]},
            {"the parchment tiled again 64 pixels on", client.x + 64, client.y + 64, parchment->bits()[0]},
            {"the default button's outer frame", client.x + ok.x, client.y + ok.y, black},
            {"the default button's inner frame", client.x + ok.x + 1, client.y + ok.y + 1, black},
            {"the other button's outline", client.x + cancel.x + 2, client.y + cancel.y + 2, outline},
            {"the other button's lit edge", client.x + cancel.x + 3, client.y + cancel.y + 3, light},
        };
        for (const Row& r : rows) {
            SCOPED_TRACE(r.name);
            EXPECT_EQ(displayedColour(sdl->window(), r.x, r.y), colourOf(r.index));
        }

        SDL_Event text{};
        text.type = SDL_TEXTINPUT;
        text.text.windowID = SDL_GetWindowID(sdl->window());
        SDL_strlcpy(text.text.text, "Bo", sizeof text.text.text);
        SDL_PushEvent(&text);
        settle();
        EXPECT_EQ(dialog.getItemText(GetStringDialog::EditId), "Bo");
        SDL_Event enter{};
        enter.type = SDL_KEYDOWN;
        enter.key.windowID = SDL_GetWindowID(sdl->window());
        enter.key.keysym.sym = SDLK_RETURN;
        enter.key.keysym.scancode = SDL_SCANCODE_RETURN;
        SDL_PushEvent(&enter);
        settle();
        EXPECT_EQ((std::tuple{dialog.isOpen(), dialog.result(), dialog.answer()}),
                  (std::tuple{std::int16_t(0), std::int16_t(1), std::string("Bo")}));
    }
}

} // namespace
} // namespace vael::test
