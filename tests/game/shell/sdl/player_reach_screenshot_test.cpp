// What a player of any keyboard reaches in the game's real window under Xvfb, the keys coming as SDL gives
// them from the display: AltGr types the third letters of a German layout into File Name ("@" and the euro)
// while the left Alt's letter still chooses and types nothing (player_altgr_typed.png); Alt+N in Start
// Server, whose Name and Next share the letter, reaches the Name field and begins no hosting
// (player_start_server_keys.png); a click on the body of a figure picks the unit whose figure it is
// (player_figure_click.png). Each picture is taken once the screen has settled, in the build folder.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/display/bitmap.h"
#include "framework/display/logical_palette.h"
#include "framework/ui/window_manager.h"
#include "game/map/vael_sprite.h"
#include "game/net/net_dialogs.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/vael_game.h"
#include "grab_png.h"
#include "player_script.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

// A key as the display gives it to SDL, SDL's modifiers with it: its press, the text it types (none when
// empty), its release.
void pushKey(SDL_Keycode symbol, Uint16 mod, const char* text) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = symbol;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
    if (*text) {
        SDL_Event t{};
        t.type = SDL_TEXTINPUT;
        SDL_strlcpy(t.text.text, text, sizeof t.text.text);
        SDL_PushEvent(&t);
    }
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    SDL_PushEvent(&e);
}

// The display's keyboard turned German, where AltGr is the right Alt; whether the X server took it.
bool germanKeyboard() {
    return std::system("command -v setxkbmap >/dev/null 2>&1 && setxkbmap de >/dev/null 2>&1") == 0;
}

// AltGr+Q and AltGr+E of a German keyboard, as SDL tells them (the right Alt without Ctrl), type "@" and the
// euro into File Name; the left Alt and D, which Delete and Description share, types no "d" there.
TEST(PlayerReach, AltGrTypesTheThirdLettersOfAGermanKeyboardIntoFileName) {
    const bool german = germanKeyboard();
    FolderGameWindow w("reach_altgr");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Grab shot;
    std::string typed, afterAlt;
    const auto field = [&] {
        Dialog* d = s.open(LoadSaveDlg::TemplateName);
        return d ? d->getItemText(LoadSaveDlg::IdFileName) : std::string("(no Load Game)");
    };
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.step(
        "Load Saved Game", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdLoadGame); },
        s.opened(LoadSaveDlg::TemplateName));
    s.step(
        "AltGr+Q and AltGr+E",
        [&] {
            pushKey(SDLK_q, KMOD_RALT, "@");
            pushKey(SDLK_e, KMOD_RALT, "\xE2\x82\xAC");
        },
        [&] { return field() == "@\xE2\x82\xAC"; });
    s.pause();
    s.step("the field looked at", [&] {
        typed = field();
        shot = grabWindow(w.sdl->window());
    });
    s.step(
        "the left Alt and D, then back to File Name",
        [&] {
            pushKey(SDLK_d, KMOD_LALT, "d");
            pushKey(SDLK_f, KMOD_LALT, "f");
        },
        [&] {
            Dialog* d = s.open(LoadSaveDlg::TemplateName);
            return d && d->focus() && d->focus()->id() == LoadSaveDlg::IdFileName;
        });
    s.step("the fields after the left Alt", [&] {
        afterAlt = field();
        if (Dialog* d = s.open(LoadSaveDlg::TemplateName))
            afterAlt += "|" + d->getItemText(LoadSaveDlg::IdDescription);
    });
    s.step(
        "Load Game cancelled", [&] { s.click(LoadSaveDlg::TemplateName, Dialog::IdCancel); },
        s.opened(StartGameDlg::TemplateName));
    s.step("the start dialog's Exit", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    std::printf("the display's keyboard %s German\n", german ? "was made" : "could not be made");
    EXPECT_EQ(typed, "@\xE2\x82\xAC");
    EXPECT_EQ(afterAlt, "@\xE2\x82\xAC|") << "the left Alt's letters were typed";
    ASSERT_GT(shot.width, 0) << "player_altgr_typed.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_altgr_typed.png"));
}

// Start Server's Name and Next share N: Alt+N takes the focus to the Name field and presses nothing, the
// box stays and no hosting begins; a second Alt+N goes on to Next, a third back to Name.
TEST(PlayerReach, AltNInStartServerReachesTheNameFieldAndPressesNothing) {
    FolderGameWindow w("reach_server");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Grab shot;
    std::vector<int> focus;
    const auto focused = [&]() -> int {
        Dialog* d = s.open(StartServerDlg::TemplateName);
        return d && d->focus() ? d->focus()->id() : -1;
    };
    const auto altN = [&] { pushKey(SDLK_n, KMOD_LALT, "n"); };
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.step(
        "Multiplayer", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdMultiplayer); },
        s.opened(TempNetDlg::TemplateName));
    s.step(
        "Start Server", [&] { s.click(TempNetDlg::TemplateName, TempNetDlg::IdServer); },
        s.opened(StartServerDlg::TemplateName));
    s.pause();
    s.step("the focus as it opens", [&] { focus.push_back(focused()); });
    s.step("Alt+N", altN, [&] { return focused() == StartServerDlg::IdName; });
    s.pause();
    s.step("the box looked at", [&] {
        focus.push_back(focused());
        shot = grabWindow(w.sdl->window());
    });
    s.step("Alt+N again", altN, [&] { return focused() == Dialog::IdOk; });
    s.step("Alt+N once more", altN, [&] { return focused() == StartServerDlg::IdName; });
    s.step("the focus after three", [&] { focus.push_back(focused()); });
    s.step(
        "Start Server cancelled", [&] { s.click(StartServerDlg::TemplateName, Dialog::IdCancel); },
        [&] { return s.closed(StartServerDlg::TemplateName); });
    s.pause();
    s.step("the start dialog's Exit", [&] {
        if (s.open(TempNetDlg::TemplateName)) s.click(TempNetDlg::TemplateName, Dialog::IdCancel);
        if (s.open(StartGameDlg::TemplateName)) s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit);
    });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    EXPECT_EQ(focus, (std::vector<int>{Dialog::IdOk, StartServerDlg::IdName, StartServerDlg::IdName}));
    // Next was never pressed: no waiting room opened.
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(ConnectNetDlg::TemplateName)), 0);
    ASSERT_GT(shot.width, 0) << "player_start_server_keys.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_start_server_keys.png"));
}

// The palette index a sprite draws plain at a point of the map, at a zoom.
std::uint8_t colourAt(VaelSprite& sprite, const Point& onMap, int zoom) {
    Bitmap* frame = sprite.levelFrame(zoom);
    if (!frame) return 0;
    const Point at = onMap - (sprite.position(zoom) - frame->hotSpot());
    if (at.x < 0 || at.y < 0 || at.x >= frame->width() || at.y >= frame->height()) return 0;
    Bitmap one(frame->size(), PixelOpaque);
    std::fill(one.bits(), one.bits() + one.stride() * one.height(), 0);
    one.drawWholeBitmap(frame->hotSpot(), *frame, DrawPlain);
    return one.bits()[at.y * one.stride() + at.x];
}

// A point of the upper half of one of the unit's figures on the screen, where the ground under it is another
// hex's, the figure shows there in its own colour and no other figure stands there; nothing when no figure
// of the unit offers one.
std::optional<Point> figureBodyPoint(VaelApp& app, const Grab& shot, const Combat& unit) {
    VaelMapWindow* w = mapWindow(app);
    PointedVaelLandscape* land = shownLandscape(app);
    const LogicalPalette* palette = app.getPalette();
    if (!w || !land || !palette) return std::nullopt;
    const int zoom = w->tile().zoomIndex();
    const Point origin = w->tile().origin();
    const platform::Rect client = WindowManager::instance().clientOnScreen(w->hwnd());
    const auto hex = static_cast<short>(unit.getHex());
    std::set<Sprite*> sprites;
    VaelPhysicalLayer& view = app.views()->normal();
    for (std::int16_t row = 0; view.gridCell(0, row); ++row)
        for (std::int16_t column = 0; const List<Sprite*>* cell = view.gridCell(column, row); ++column)
            for (Sprite* sprite : each(*cell))
                sprites.insert(sprite);
    for (Sprite* sprite : sprites) {
        auto* figure = dynamic_cast<VaelSprite*>(sprite);
        Bitmap* frame = figure ? figure->levelFrame(zoom) : nullptr;
        // A soldier of the unit: its flag and its fallen take no clicks.
        if (!frame || figure->isHidden() || figure->getState() != 0 ||
            figure->region() != static_cast<std::uint16_t>(hex))
            continue;
        Bitmap one(frame->size(), PixelOpaque), two(frame->size(), PixelOpaque);
        std::fill(one.bits(), one.bits() + one.stride() * one.height(), 1);
        std::fill(two.bits(), two.bits() + two.stride() * two.height(), 2);
        one.drawWholeBitmap(frame->hotSpot(), *frame, DrawPlain);
        two.drawWholeBitmap(frame->hotSpot(), *frame, DrawPlain);
        const Point corner = figure->position(zoom) - frame->hotSpot();
        for (std::int32_t y = 0; y < frame->height() / 2; ++y)
            for (std::int32_t x = 0; x < frame->width(); ++x) {
                const std::uint8_t v = one.bits()[y * one.stride() + x];
                const Point onMap(static_cast<std::int16_t>(corner.x + x),
                                  static_cast<std::int16_t>(corner.y + y));
                const std::int32_t sx = client.x + onMap.x - origin.x, sy = client.y + onMap.y - origin.y;
                if (v != two.bits()[y * two.stride() + x] || sx < client.x || sy < client.y ||
                    sx >= client.x + client.width || sy >= client.y + client.height || sx >= shot.width ||
                    sy >= shot.height || WindowManager::instance().windowAt(sx, sy) != w->hwnd())
                    continue;
                const RgbQuad& c = palette->colours()[v];
                if ((shot.rgb[std::size_t(sy) * shot.width + sx] & 0xFFFFFF) !=
                    (std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | c.blue))
                    continue;
                const std::int16_t block = land->blockAtPoint(onMap);
                if (block < 0 || land->blockToHex(block) == hex) continue;
                // Another sprite there, in front or behind, shows another colour there: the screen shows
                // this figure in front of it.
                if (std::any_of(sprites.begin(), sprites.end(), [&](Sprite* other) {
                        auto* o = dynamic_cast<VaelSprite*>(other);
                        return other != sprite && o && !o->isHidden() && o->hitTestAt(onMap, zoom) &&
                               colourAt(*o, onMap, zoom) == v;
                    }))
                    continue;
                return Point(static_cast<std::int16_t>(sx), static_cast<std::int16_t>(sy));
            }
    }
    return std::nullopt;
}

// The player clicks the body of one of his unit's figures, which stands up into the hex behind the unit's:
// the unit is picked and shows selected (its outline on its hex), not the hex whose ground lies there.
TEST(PlayerReach, AClickOnAFiguresBodyPicksItsUnit) {
    FolderGameWindow w("reach_figure");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    startBattle(w);
    Grab shot;
    std::vector<Combat*> candidates;
    Combat* unit = nullptr;
    std::optional<Point> at;
    bool centred = false;
    s.step(
        "a figure's body found", [&] { candidates = orderable(w.app()); },
        [&] {
            if (!centred) {
                if (candidates.empty()) return true;
                unit = candidates.back();
                candidates.pop_back();
                screenPointOf(w.app(), static_cast<std::int16_t>(unit->getHex()));
                centred = true;
                return false;
            }
            // A look at the screen once it shows the unit in the middle.
            SDL_Delay(300);
            at = figureBodyPoint(w.app(), grabWindow(w.sdl->window()), *unit);
            centred = false;
            return at.has_value() || candidates.empty();
        });
    s.step(
        "the click on it",
        [&] {
            if (at) pointAndClickAt(*w.watched, *at);
        },
        [&] { return !at || unit->isSelected(); });
    s.pause();
    s.step("the map looked at", [&] { shot = grabWindow(w.sdl->window()); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    ASSERT_TRUE(at) << "no figure of his stands up into another hex on the screen";
    EXPECT_TRUE(unit->isSelected());
    ASSERT_GT(shot.width, 0) << "player_figure_click.png was not taken";
    // The point clicked, marked by a small cross of white beside the figure it hit.
    const int cx = at->x, cy = at->y;
    for (int d = 4; d <= 8; ++d)
        for (const std::pair<int, int> p :
             {std::pair{cx + d, cy}, std::pair{cx - d, cy}, std::pair{cx, cy + d}, std::pair{cx, cy - d}})
            if (p.first >= 0 && p.second >= 0 && p.first < shot.width && p.second < shot.height)
                shot.rgb[std::size_t(p.second) * shot.width + p.first] = 0xFFFFFF;
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_figure_click.png"));
}

} // namespace
} // namespace vael::test
