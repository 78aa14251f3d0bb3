// The SDL2 backend on a real display (run under Xvfb): the window opens, a known 8-bit picture shown
// through a known palette reads back from the display in the expected colours, the application's timers
// tick, and a close request from the window ends the message loop.
#include <SDL.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "framework/ui/win_app.h"
#include "platform/sdl/sdl_platform.h"
#include "x11_readback.h"
#include "support/sdl_keys.h"

namespace vael::platform {
namespace {

class SdlSmokeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display: run this program under xvfb-run";
        std::string error;
        sdl = SdlPlatform::create({}, error);
        ASSERT_NE(sdl, nullptr) << error;
    }

    // The colours the display shows at the points, as 0xRRGGBB, once it has caught up with what was sent.
    std::vector<std::uint32_t> shown(std::initializer_list<std::pair<int, int>> points) {
        for (int i = 0; i < 20; ++i, SDL_Delay(5))
            for (Event e; sdl->pollEvent(e);)
                continue;
        std::vector<std::uint32_t> colours;
        for (auto [x, y] : points)
            colours.push_back(test::displayedColour(sdl->window(), x, y));
        return colours;
    }

    std::unique_ptr<SdlPlatform> sdl;
};

TEST_F(SdlSmokeTest, APictureReadsBackInThePalettesColours) {
    ASSERT_TRUE(sdl->openWindow(64, 48, "Smoke"));
    PaletteColours colours{};
    colours[1] = {255, 0, 0};
    colours[2] = {0, 255, 0};
    colours[3] = {0, 0, 255};
    colours[200] = {12, 34, 56};
    sdl->setPalette(colours.data(), 0, 256);
    // Four bands of 16 columns: indexes 1, 2, 3 and 200.
    std::vector<std::uint8_t> pixels(64 * 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            pixels[y * 64 + x] = std::uint8_t(x < 16 ? 1 : x < 32 ? 2 : x < 48 ? 3 : 200);
    sdl->present({pixels.data(), 64, 48, 64}, 0, 0, nullptr, 0);
    EXPECT_EQ(shown({{0, 0}, {15, 47}, {16, 0}, {47, 20}, {48, 20}, {63, 47}}),
              (std::vector<std::uint32_t>{0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF, 0x0C2238, 0x0C2238}));
    // One box of a changed picture, then a changed palette entry: the screen shows both at once.
    std::fill(pixels.begin(), pixels.end(), std::uint8_t(3));
    const Rect box{16, 10, 2, 2};
    sdl->present({pixels.data(), 64, 48, 64}, 0, 0, &box, 1);
    const Rgb white{255, 255, 255};
    sdl->setPalette(&white, 1, 1);
    EXPECT_EQ(shown({{16, 10}, {17, 11}, {18, 11}, {16, 12}, {5, 5}}),
              (std::vector<std::uint32_t>{0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00, 0xFFFFFF}));
}

// The system font is the proportional face of the dialog font: narrow letters take less room than wide
// ones, and what it draws lies within the width it measures.
TEST_F(SdlSmokeTest, TheSystemFontIsProportionalAndDrawsWithinWhatItMeasures) {
    const std::int32_t narrow = sdl->textWidth("iiii", false), wide = sdl->textWidth("WWWW", false);
    EXPECT_GT(narrow, 0);
    EXPECT_LT(narrow * 2, wide);
    EXPECT_EQ(sdl->textWidth("", false), 0);
    EXPECT_EQ(sdl->textWidth("iW", false), sdl->textWidth("i", false) + sdl->textWidth("W", false));
    std::vector<std::uint8_t> pixels(64 * 20, 0);
    sdl->drawText({pixels.data(), 64, 20, 64, {0, 0, 64, 20}}, 2, 2, "Wig", 7, false);
    int left = 64, right = -1;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 64; ++x)
            if (pixels[y * 64 + x] == 7) left = std::min(left, x), right = std::max(right, x);
    ASSERT_GE(right, left);
    EXPECT_GE(left, 2);
    EXPECT_LT(right, 2 + sdl->textWidth("Wig", false));
}

TEST_F(SdlSmokeTest, PostsFromAnotherThreadArriveInOrder) {
    std::thread poster([this] {
        for (std::uint32_t m = 1; m <= 100; ++m) {
            Event e;
            e.posted.message = m;
            sdl->postEvent(e);
        }
    });
    poster.join();
    std::uint32_t expected = 1;
    for (Event e; expected <= 100 && sdl->waitEvent(e);)
        if (e.kind == EventKind::Posted) {
            EXPECT_EQ(e.posted.message, expected++);
        }
    EXPECT_EQ(expected, 101u);
}

// The application's loop on the real backend: its timers tick, and the window's close request reaches
// the main window, which ends the program.
class SmokeApp : public WinApp {
public:
    explicit SmokeApp(SdlPlatform& platform) : WinApp("Smoke", "", "", platform), window(platform.window()) {}
    SDL_Window* window;
    void findDataFile(OIFBase*, const std::uint8_t*&, const std::uint8_t*) override {}
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
};

struct Frame : MessageTarget {
    SmokeApp* app = nullptr;
    int closes = 0;
    std::intptr_t handleMessage(const WindowMessage& message) override {
        if (message.message == MessageClose && ++closes == 1) app->postQuitMessage();
        return 0;
    }
};

int ticks = 0;
ContainerBase* onTick(Component* target, BusMessage, ContainerBase*) {
    // What the window's close button sends, from the display.
    if (++ticks == 3) {
        auto* app = static_cast<SmokeApp*>(target);
        bool sent = test::requestClose(app->window);
        EXPECT_TRUE(sent);
        if (!sent) app->postQuitMessage(); // fail here rather than wait for the test's time-out
    }
    return nullptr;
}

TEST_F(SdlSmokeTest, TimersTickAndTheWindowsCloseEndsTheLoop) {
    ASSERT_TRUE(sdl->openWindow(32, 32, "Smoke"));
    SmokeApp app(*sdl);
    Frame frame;
    frame.app = &app;
    WinApp::setMainWindowHandle(app.addWindow(&frame));
    app.addTimer(Callback(&app, onTick), 50, 0);
    EXPECT_EQ(app.run(), 1);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(frame.closes, 1);
}

struct Typed : MessageTarget {
    std::vector<std::uintptr_t> chars;
    std::intptr_t handleMessage(const WindowMessage& message) override {
        if (message.message == MessageChar) chars.push_back(message.wParam);
        return 0;
    }
};

// SDL tells AltGr, the key of a layout's third letters, as the right Alt without Ctrl: its letter is typed,
// while the left Alt stays the system key whose letter chooses and is not typed.
TEST_F(SdlSmokeTest, AltGrTypesItsLetterAndTheLeftAltsLetterIsNotTyped) {
    ASSERT_TRUE(sdl->openWindow(32, 32, "Smoke"));
    SmokeApp app(*sdl);
    Typed frame;
    WinApp::setMainWindowHandle(app.addWindow(&frame));
    using Chars = std::vector<std::uintptr_t>;
    const struct {
        const char* what;
        SDL_Keycode symbol;
        Uint16 mod;
        const char* text;
        Chars typed;
    } rows[] = {
        {"AltGr+Q, a German layout's @", SDLK_q, KMOD_RALT, "@", {'@'}},
        {"AltGr+Shift+7 as the mode key", SDLK_7, KMOD_MODE | KMOD_LSHIFT, "\\", {'\\'}},
        {"AltGr+E, the euro", SDLK_e, KMOD_RALT | KMOD_NUM, "\xE2\x82\xAC", {0x20AC}},
        {"Ctrl+right Alt+L", SDLK_l, KMOD_LCTRL | KMOD_RALT, "\xC5\x82", {0x142}},
        {"left Alt+L", SDLK_l, KMOD_LALT, "l", {}},
        {"left Alt+Shift+L", SDLK_l, KMOD_LALT | KMOD_RSHIFT, "L", {}},
        {"both Alts+L", SDLK_l, KMOD_LALT | KMOD_RALT, "l", {}},
        {"L", SDLK_l, KMOD_NONE, "l", {'l'}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        frame.chars.clear();
        vael::test::pushKey(r.symbol, r.mod, r.text);
        while (app.messageWaiting())
            app.pumpMessage();
        EXPECT_EQ(frame.chars, r.typed);
    }
}

} // namespace
} // namespace vael::platform
