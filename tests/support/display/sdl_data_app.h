#pragma once
// Test support for the real-window tests of the display and windows frameworks: the SDL2 platform with its
// settings pointing at the build's forged data set, windows applications over it, and the waits that let
// the X server catch up before a test reads the display back.
#include <SDL.h>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "framework/display/application_palette.h"
#include "framework/display/image_index.h"
#include "framework/display/window_pictures.h"
#include "framework/display/windows_palette.h"
#include "framework/ui/display.h"
#include "framework/ui/win_app.h"
#include "platform/sdl/sdl_platform.h"

namespace vael::test {

// None, with the reason in error, when SDL2 cannot start.
inline std::unique_ptr<platform::SdlPlatform> openDataPlatform(std::string& error) {
    auto sdl = platform::SdlPlatform::create({}, error);
    if (!sdl) return sdl;
    const std::string key = "SOFTWARE\\Tamblor\\Iron Vigils";
    sdl->settings().writeText(platform::Settings::Root::Machine, key, "Path", VAEL_BUILD_DATA_DIR);
    sdl->settings().writeText(platform::Settings::Root::Machine, key, "Palette", "VAEL.PAL");
    return sdl;
}

class IndexedDataApp : public WinApp {
public:
    explicit IndexedDataApp(platform::Platform& platform) : WinApp("Iron Vigils", "", "", platform) {}
    void findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) override {
        findIndexedDataFile(library, cursor, end, dataPath(5), "");
    }
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
};

// Enter, hover and leave reach the display under the pointer, as the game's application hands them on;
// the windows' pictures come from the installed archives, so no data file is looked up by name.
class RoutingWinApp : public WinApp {
public:
    explicit RoutingWinApp(platform::Platform& platform) : WinApp("Iron Vigils", "", "", platform) {}
    void findDataFile(OIFBase*, const std::uint8_t*&, const std::uint8_t*) override {}
    void routeMouseEvent(Display* display, std::int16_t kind, const Point& point) override {
        display->routeMouseEvent(kind, point);
    }
};

// The windows framework in the real window, with the forged palette and window pictures; skipped where
// there is no X display to open it on.
class RealWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display: run this program under xvfb-run";
        std::string error;
        sdl = openDataPlatform(error);
        ASSERT_NE(sdl, nullptr) << error;
        installApplicationPalette();
        installWindowPictures();
    }
    void TearDown() override { WinApp::setPaletteMaker(nullptr, nullptr); }

    std::unique_ptr<platform::SdlPlatform> sdl;
};

// The platform's events are thrown away: for tests that draw without going through the message loop.
inline void drainPlatformEvents(platform::SdlPlatform& sdl) {
    for (int i = 0; i < 20; ++i) {
        platform::Event e;
        while (sdl.pollEvent(e)) {
        }
        SDL_Delay(5);
    }
}

// The application's messages and queued bus messages are handled until the window has drawn itself.
inline void pumpAppMessages(WinApp& app) {
    for (int i = 0; i < 20; ++i) {
        while (app.messageWaiting())
            app.pumpMessage();
        app.drainQueue();
        SDL_Delay(5);
    }
}

// The 0xRRGGBB that the display reads back for a palette index.
inline std::uint32_t paletteColour(const WindowsPalette& palette, std::uint8_t index) {
    const PaletteEntry& e = palette.handle()->entries[index];
    return std::uint32_t(e.red) << 16 | e.green << 8 | e.blue;
}

} // namespace vael::test
