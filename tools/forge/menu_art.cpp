#include "tools/forge/menu_art.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "tools/forge/canvas.h"

namespace vael::forge {

namespace {

constexpr double Pi = 3.14159265358979323846;

void rgb(cairo_t* cr, int r, int g, int b, double alpha = 1.0) {
    cairo_set_source_rgba(cr, r / 255.0, g / 255.0, b / 255.0, alpha);
}

// A ridge line across the whole width, closed down to the bottom edge, from a sum of slow waves so the
// same numbers give the same hills.
void ridge(cairo_t* cr, double base, double a1, double f1, double a2, double f2, double phase) {
    cairo_move_to(cr, 0, StartPictureHeight);
    for (int x = 0; x <= StartPictureWidth; x += 4)
        cairo_line_to(cr, x, base + a1 * std::sin(x * f1 + phase) + a2 * std::sin(x * f2 + 2 * phase));
    cairo_line_to(cr, StartPictureWidth, StartPictureHeight);
    cairo_close_path(cr);
}

void sky(cairo_t* cr) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 300);
    cairo_pattern_add_color_stop_rgb(p, 0.0, 30 / 255.0, 40 / 255.0, 100 / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 0.55, 105 / 255.0, 45 / 255.0, 120 / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 0.85, 225 / 255.0, 130 / 255.0, 60 / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1.0, 245 / 255.0, 200 / 255.0, 110 / 255.0);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    // The setting sun, half behind the far hills.
    rgb(cr, 250, 215, 130);
    cairo_arc(cr, 150, 282, 34, 0, 2 * Pi);
    cairo_fill(cr);
    // Stars scattered over the dark top of the sky.
    rgb(cr, 235, 230, 215);
    std::uint32_t seed = 0x9E3779B9u;
    for (int i = 0; i < 45; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int x = static_cast<int>(seed >> 8) % StartPictureWidth;
        seed = seed * 1664525u + 1013904223u;
        const int y = static_cast<int>(seed >> 8) % 100;
        cairo_rectangle(cr, x, y, 1, 1);
    }
    cairo_fill(cr);
}

// The hill fort on the right: a curtain wall with merlons between two towers, a keep, and the watch fire
// burning on the tall tower.
void fort(cairo_t* cr) {
    const double ground = 262;
    rgb(cr, 70, 65, 75);
    cairo_rectangle(cr, 430, ground - 34, 150, 34); // curtain wall
    cairo_rectangle(cr, 420, ground - 70, 34, 70);  // left tower
    cairo_rectangle(cr, 556, ground - 96, 30, 96);  // the watch tower
    cairo_rectangle(cr, 480, ground - 58, 46, 58);  // keep
    cairo_fill(cr);
    for (double x = 430; x < 580; x += 12)
        cairo_rectangle(cr, x, ground - 40, 7, 6);
    for (double x = 420; x < 454; x += 9)
        cairo_rectangle(cr, x, ground - 76, 6, 6);
    for (double x = 556; x < 586; x += 9)
        cairo_rectangle(cr, x, ground - 102, 6, 6);
    for (double x = 480; x < 526; x += 10)
        cairo_rectangle(cr, x, ground - 64, 6, 6);
    cairo_fill(cr);
    // Lit windows.
    rgb(cr, 240, 190, 60);
    cairo_rectangle(cr, 566, ground - 80, 4, 8);
    cairo_rectangle(cr, 498, ground - 44, 4, 7);
    cairo_rectangle(cr, 432, ground - 56, 4, 7);
    cairo_fill(cr);
    // The fire and its glow.
    cairo_pattern_t* glow = cairo_pattern_create_radial(571, ground - 112, 2, 571, ground - 112, 40);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.8, 0.3, 0.8);
    cairo_pattern_add_color_stop_rgba(glow, 1, 1.0, 0.5, 0.1, 0.0);
    cairo_set_source(cr, glow);
    cairo_arc(cr, 571, ground - 112, 40, 0, 2 * Pi);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    rgb(cr, 220, 120, 30);
    cairo_move_to(cr, 562, ground - 102);
    cairo_curve_to(cr, 560, ground - 114, 568, ground - 118, 571, ground - 130);
    cairo_curve_to(cr, 575, ground - 118, 582, ground - 114, 580, ground - 102);
    cairo_close_path(cr);
    cairo_fill(cr);
    rgb(cr, 250, 215, 100);
    cairo_move_to(cr, 566, ground - 102);
    cairo_curve_to(cr, 566, ground - 110, 570, ground - 112, 571, ground - 120);
    cairo_curve_to(cr, 573, ground - 112, 577, ground - 110, 576, ground - 102);
    cairo_close_path(cr);
    cairo_fill(cr);
}

// One spearman seen from behind and to the side: legs, a tunic of his nation's colour, a helmet with a
// crest, a round shield on his left arm and a spear held upright.
void spearman(cairo_t* cr, double x, double feet, double scale, int tunicR, int tunicG, int tunicB,
              bool crest) {
    const double s = scale;
    // Spear.
    rgb(cr, 110, 75, 45);
    cairo_rectangle(cr, x + 9 * s, feet - 92 * s, 2 * s, 90 * s);
    cairo_fill(cr);
    rgb(cr, 200, 210, 220);
    cairo_move_to(cr, x + 10 * s, feet - 102 * s);
    cairo_line_to(cr, x + 13 * s, feet - 92 * s);
    cairo_line_to(cr, x + 7 * s, feet - 92 * s);
    cairo_close_path(cr);
    cairo_fill(cr);
    // Legs and greaves.
    rgb(cr, 150, 110, 80);
    cairo_rectangle(cr, x - 6 * s, feet - 24 * s, 5 * s, 24 * s);
    cairo_rectangle(cr, x + 2 * s, feet - 24 * s, 5 * s, 24 * s);
    cairo_fill(cr);
    // Tunic.
    rgb(cr, tunicR, tunicG, tunicB);
    cairo_move_to(cr, x - 10 * s, feet - 22 * s);
    cairo_line_to(cr, x - 8 * s, feet - 56 * s);
    cairo_line_to(cr, x + 8 * s, feet - 56 * s);
    cairo_line_to(cr, x + 11 * s, feet - 22 * s);
    cairo_close_path(cr);
    cairo_fill(cr);
    // Head and helmet.
    rgb(cr, 200, 160, 120);
    cairo_arc(cr, x, feet - 63 * s, 7 * s, 0, 2 * Pi);
    cairo_fill(cr);
    rgb(cr, 170, 150, 90);
    cairo_arc(cr, x, feet - 64 * s, 7.5 * s, Pi, 2 * Pi);
    cairo_fill(cr);
    if (crest) {
        rgb(cr, 200, 40, 30);
        cairo_move_to(cr, x - 7 * s, feet - 72 * s);
        cairo_curve_to(cr, x - 2 * s, feet - 82 * s, x + 6 * s, feet - 80 * s, x + 9 * s, feet - 70 * s);
        cairo_line_to(cr, x + 5 * s, feet - 70 * s);
        cairo_curve_to(cr, x + 2 * s, feet - 76 * s, x - 2 * s, feet - 76 * s, x - 7 * s, feet - 72 * s);
        cairo_fill(cr);
    }
    // Round shield with a bronze rim and a boss.
    rgb(cr, 170, 130, 60);
    cairo_arc(cr, x - 10 * s, feet - 40 * s, 17 * s, 0, 2 * Pi);
    cairo_fill(cr);
    rgb(cr, tunicR * 3 / 4, tunicG * 3 / 4, tunicB * 3 / 4);
    cairo_arc(cr, x - 10 * s, feet - 40 * s, 14 * s, 0, 2 * Pi);
    cairo_fill(cr);
    rgb(cr, 210, 180, 90);
    cairo_arc(cr, x - 10 * s, feet - 40 * s, 4 * s, 0, 2 * Pi);
    cairo_fill(cr);
}

// A line of text centred on a width, in light stone with a dark shadow. The letters come from SDL2_ttf,
// as the glyph archives do, and go onto the canvas as a mask.
void lettering(cairo_t* cr, const std::string& fontFile, const char* words, int points, int width, double y) {
    if (TTF_WasInit() == 0 && TTF_Init() != 0) throw std::runtime_error("cannot start SDL2_ttf");
    TTF_Font* font = TTF_OpenFont(fontFile.c_str(), points);
    if (!font) throw std::runtime_error("cannot read the font " + fontFile);
    SDL_Surface* text = TTF_RenderUTF8_Blended(font, words, SDL_Color{255, 255, 255, 255});
    TTF_CloseFont(font);
    if (!text) throw std::runtime_error("cannot render the title");
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, text->w, text->h);
    cairo_surface_flush(mask);
    unsigned char* bits = cairo_image_surface_get_data(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    SDL_LockSurface(text);
    for (int y = 0; y < text->h; ++y)
        for (int x = 0; x < text->w; ++x) {
            const Uint32 pixel = static_cast<const Uint32*>(text->pixels)[y * (text->pitch / 4) + x];
            Uint8 r = 0, g = 0, b = 0, a = 0;
            SDL_GetRGBA(pixel, text->format, &r, &g, &b, &a);
            bits[y * stride + x] = a;
        }
    SDL_UnlockSurface(text);
    cairo_surface_mark_dirty(mask);
    const double x = std::floor((width - text->w) / 2.0);
    SDL_FreeSurface(text);
    rgb(cr, 15, 15, 30);
    cairo_mask_surface(cr, mask, x + 2, y + 2);
    rgb(cr, 235, 215, 160);
    cairo_mask_surface(cr, mask, x, y);
    cairo_surface_destroy(mask);
}

// The game's name across the dark top of the sky.
void title(cairo_t* cr, const std::string& fontFile) {
    lettering(cr, fontFile, "The Iron Vigils of Vaelmoric", 36, StartPictureWidth, 22);
}

// The whole scene in the start picture's coordinates, onto a context that may scale it.
void scene(cairo_t* cr, const std::string& fontDirectory) {
    sky(cr); // Far hills, blue in the dusk; the fort's hill; the valley floor.
    rgb(cr, 75, 70, 110);
    ridge(cr, 285, 12, 0.011, 6, 0.031, 0.4);
    cairo_fill(cr);
    fort(cr);
    rgb(cr, 55, 80, 45);
    cairo_move_to(cr, 330, StartPictureHeight);
    cairo_curve_to(cr, 370, 290, 400, 258, 480, 256);
    cairo_curve_to(cr, 570, 254, 620, 262, StartPictureWidth, 275);
    cairo_line_to(cr, StartPictureWidth, StartPictureHeight);
    cairo_close_path(cr);
    cairo_fill(cr);
    rgb(cr, 45, 95, 40);
    ridge(cr, 330, 10, 0.008, 5, 0.027, 1.3);
    cairo_fill(cr);
    rgb(cr, 35, 70, 30);
    ridge(cr, 392, 6, 0.013, 3, 0.041, 2.1);
    cairo_fill(cr);
    // Campfires along the valley, where the armies wait for morning.
    rgb(cr, 250, 200, 80);
    for (int i = 0; i < 9; ++i) {
        const double x = 30 + i * 70 + std::fmod(i * 37.0, 25.0), y = 345 + std::fmod(i * 13.0, 18.0);
        cairo_arc(cr, x, y, 2, 0, 2 * Pi);
        cairo_fill(cr);
    }
    // The front rank: spearmen of two nations, the nearer ones larger.
    for (int i = 0; i < 7; ++i)
        spearman(cr, 40 + i * 95, 470, 1.0, 200, 40, 30, i % 2 == 0);
    for (int i = 0; i < 5; ++i)
        spearman(cr, 600 - i * 30, 400, 0.55, 40, 70, 190, false);
    title(cr, fontDirectory + "/DejaVuSerif-Bold.ttf");
}

} // namespace

Picture startGamePicture(const std::string& fontDirectory) {
    Canvas canvas(StartPictureWidth, StartPictureHeight);
    scene(canvas.art(), fontDirectory);
    PaletteMatcher matcher = PaletteMatcher::art();
    return canvas.reduce(matcher, false, 1);
}

Picture loadingPicture(const std::string& fontDirectory) {
    Canvas canvas(LoadingPictureWidth, LoadingPictureHeight);
    cairo_t* cr = canvas.art();
    cairo_scale(cr, static_cast<double>(LoadingPictureWidth) / StartPictureWidth,
                static_cast<double>(LoadingPictureHeight) / StartPictureHeight);
    scene(cr, fontDirectory);
    PaletteMatcher matcher = PaletteMatcher::art();
    return canvas.reduce(matcher, false, 1);
}

namespace {

struct NationLook {
    const char* name;
    int r, g, b;
    bool crest;
};
// The tunics of the nations in the order of their numbers (1 to 9).
constexpr NationLook nationLooks[9] = {
    {"Macedonian", 170, 40, 40, true}, {"Persian", 120, 60, 150, false},  {"Indian", 220, 150, 40, false},
    {"Greek", 50, 90, 170, true},      {"Danubian", 60, 120, 60, false},  {"Scythian", 150, 110, 60, false},
    {"Spartan", 190, 30, 30, true},    {"African", 200, 170, 110, false}, {"Roman", 160, 30, 60, true},
};

} // namespace

Picture endOfGamePicture(std::uint32_t nation, BattleEnd end, const std::string& fontDirectory) {
    const NationLook& look = nationLooks[nation >= 1 && nation <= 9 ? nation - 1 : 0];
    const bool won = end == BattleEnd::Won, cut = end == BattleEnd::ConnectionLost;
    Canvas canvas(EndOfGamePictureWidth, EndOfGamePictureHeight);
    cairo_t* cr = canvas.art();
    const double w = EndOfGamePictureWidth, h = EndOfGamePictureHeight, ground = h * 0.72;
    // A bright morning over the victors, a smoky red dusk over the beaten, a grey overcast over a battle
    // that nobody fought to its end.
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, ground);
    if (won) {
        cairo_pattern_add_color_stop_rgb(p, 0.0, 60 / 255.0, 110 / 255.0, 190 / 255.0);
        cairo_pattern_add_color_stop_rgb(p, 1.0, 240 / 255.0, 220 / 255.0, 160 / 255.0);
    } else if (cut) {
        cairo_pattern_add_color_stop_rgb(p, 0.0, 70 / 255.0, 75 / 255.0, 85 / 255.0);
        cairo_pattern_add_color_stop_rgb(p, 1.0, 175 / 255.0, 175 / 255.0, 170 / 255.0);
    } else {
        cairo_pattern_add_color_stop_rgb(p, 0.0, 40 / 255.0, 30 / 255.0, 40 / 255.0);
        cairo_pattern_add_color_stop_rgb(p, 1.0, 170 / 255.0, 70 / 255.0, 40 / 255.0);
    }
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    // The field: green grass for the victors and where nobody fought, trampled brown earth for the beaten.
    won || cut ? rgb(cr, 80, 130, 60) : rgb(cr, 100, 80, 55);
    cairo_rectangle(cr, 0, ground, w, h - ground);
    cairo_fill(cr);
    // The nation's standard on its pole: raised high by the victors, fallen by the beaten.
    cairo_save(cr);
    cairo_translate(cr, w / 2, ground + 10);
    if (!won && !cut) cairo_rotate(cr, 1.2);
    rgb(cr, 110, 75, 45);
    cairo_rectangle(cr, -3, -230, 6, 230);
    cairo_fill(cr);
    rgb(cr, look.r, look.g, look.b);
    cairo_move_to(cr, 3, -225);
    cairo_line_to(cr, 90, -205);
    cairo_line_to(cr, 3, -170);
    cairo_close_path(cr);
    cairo_fill(cr);
    rgb(cr, 220, 190, 90);
    cairo_arc(cr, 0, -234, 8, 0, 2 * Pi);
    cairo_fill(cr);
    cairo_restore(cr);
    // The nation's men: standing in line when they won, scattered and few when they lost, gone from a
    // field the connection's loss ended.
    const int men = won ? 7 : cut ? 0 : 3;
    for (int i = 0; i < men; ++i) {
        const double x = won ? 45 + i * (w - 90) / (men - 1) : 60 + i * 150;
        spearman(cr, x, ground + 60 + (i % 2) * 12, won ? 0.9 : 0.75, look.r, look.g, look.b, look.crest);
    }
    const std::string font = fontDirectory + "/DejaVuSerif-Bold.ttf";
    lettering(cr, font, won ? "Victory" : cut ? "Lost by default" : "Defeat", 40, EndOfGamePictureWidth, 24);
    const std::string line = cut ? std::string("The connection was lost")
                                 : std::string("The ") + look.name +
                                       (won ? " army holds the field" : " army is broken");
    lettering(cr, font, line.c_str(), 18, EndOfGamePictureWidth, 80);
    PaletteMatcher matcher = PaletteMatcher::art();
    return canvas.reduce(matcher, false, 1);
}

} // namespace vael::forge
