#include "tools/forge/campaign_art.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <cairo.h>

#include <cmath>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "tools/forge/canvas.h"

namespace vael::forge {

namespace {

constexpr double Pi = 3.14159265358979323846;

void rgb(cairo_t* cr, int r, int g, int b, double alpha = 1.0) {
    cairo_set_source_rgba(cr, r / 255.0, g / 255.0, b / 255.0, alpha);
}

// The words of a line, and a number of them read as one.
std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

double numberOf(const std::string& word, int line) {
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(word, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != word.size())
        throw std::invalid_argument("campaign line " + std::to_string(line) + ": " + word + " is no number");
    return value;
}

CampaignMapProvince& provinceOf(CampaignMapText& map, const std::string& word, int line) {
    const int number = static_cast<int>(numberOf(word, line));
    for (CampaignMapProvince& p : map.provinces)
        if (p.number == number) return p;
    throw std::invalid_argument("campaign line " + std::to_string(line) + ": no province " + word + " above");
}

// Words in the font, centred on x with their top at y, dark on a pale halo so they read over any land.
void label(cairo_t* cr, const std::string& fontFile, const std::string& words, int points, double cx,
           double y, bool light) {
    if (TTF_WasInit() == 0 && TTF_Init() != 0) throw std::runtime_error("cannot start SDL2_ttf");
    TTF_Font* font = TTF_OpenFont(fontFile.c_str(), points);
    if (!font) throw std::runtime_error("cannot read the font " + fontFile);
    SDL_Surface* text = TTF_RenderUTF8_Blended(font, words.c_str(), SDL_Color{255, 255, 255, 255});
    TTF_CloseFont(font);
    if (!text) throw std::runtime_error("cannot render " + words);
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, text->w, text->h);
    cairo_surface_flush(mask);
    unsigned char* bits = cairo_image_surface_get_data(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    SDL_LockSurface(text);
    for (int row = 0; row < text->h; ++row)
        for (int x = 0; x < text->w; ++x) {
            const Uint32 pixel = static_cast<const Uint32*>(text->pixels)[row * (text->pitch / 4) + x];
            Uint8 r = 0, g = 0, b = 0, a = 0;
            SDL_GetRGBA(pixel, text->format, &r, &g, &b, &a);
            bits[row * stride + x] = a;
        }
    SDL_UnlockSurface(text);
    cairo_surface_mark_dirty(mask);
    const double x = std::floor(cx - text->w / 2.0);
    SDL_FreeSurface(text);
    light ? rgb(cr, 40, 25, 10) : rgb(cr, 245, 232, 200, 0.9);
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (dx || dy) cairo_mask_surface(cr, mask, x + dx, y + dy);
    light ? rgb(cr, 240, 220, 160) : rgb(cr, 50, 30, 15);
    cairo_mask_surface(cr, mask, x, y);
    cairo_surface_destroy(mask);
}

void outlinePath(cairo_t* cr, const CampaignMapProvince& p) {
    cairo_new_path(cr);
    for (const auto& [x, y] : p.outline)
        cairo_line_to(cr, x, y);
    cairo_close_path(cr);
}

// The lands' colours, by province number, muted as an old map's washes.
constexpr int landColours[6][3] = {{200, 190, 110}, {150, 185, 95}, {215, 145, 100},
                                   {190, 110, 80},  {215, 185, 95}, {125, 140, 70}};

} // namespace

CampaignMapText campaignMapText(const std::string& text) {
    CampaignMapText map;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::vector<std::string> w = wordsOf(line);
        if (w.empty() || w[0][0] == '#') continue;
        auto rest = [&](std::size_t from) {
            std::string joined;
            for (std::size_t i = from; i < w.size(); ++i)
                joined += (joined.empty() ? "" : " ") + w[i];
            return joined;
        };
        if (w[0] == "title") {
            map.title = rest(1);
        } else if (w[0] == "province") {
            if (w.size() < 8)
                throw std::invalid_argument("campaign line " + std::to_string(number) + ": a short province");
            map.provinces.push_back({static_cast<int>(numberOf(w[1], number)), rest(7), 0, 0, {}});
        } else if (w[0] == "label" && w.size() == 4) {
            CampaignMapProvince& p = provinceOf(map, w[1], number);
            p.labelX = numberOf(w[2], number), p.labelY = numberOf(w[3], number);
        } else if (w[0] == "outline" && w.size() >= 8 && w.size() % 2 == 0) {
            CampaignMapProvince& p = provinceOf(map, w[1], number);
            for (std::size_t i = 2; i + 1 < w.size(); i += 2)
                p.outline.emplace_back(numberOf(w[i], number), numberOf(w[i + 1], number));
        } else if (w[0] != "start") {
            throw std::invalid_argument("campaign line " + std::to_string(number) + ": cannot read " + w[0]);
        }
    }
    return map;
}

Picture campaignMapPicture(const CampaignMapText& map, const std::string& fontDirectory) {
    const double w = CampaignMapPictureWidth, h = CampaignMapPictureHeight;
    Canvas canvas(CampaignMapPictureWidth, CampaignMapPictureHeight);
    cairo_t* cr = canvas.art();
    // The sea, darker to the south.
    cairo_pattern_t* sea = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(sea, 0.0, 70 / 255.0, 120 / 255.0, 175 / 255.0);
    cairo_pattern_add_color_stop_rgb(sea, 1.0, 60 / 255.0, 95 / 255.0, 140 / 255.0);
    cairo_set_source(cr, sea);
    cairo_paint(cr);
    cairo_pattern_destroy(sea);
    // Waves on the sea: short arcs in rows.
    rgb(cr, 170, 200, 220, 0.7);
    cairo_set_line_width(cr, 1.2);
    for (int row = 0; row < 14; ++row)
        for (int col = 0; col < 16; ++col) {
            const double x = 15 + col * 38 + (row % 2) * 19, y = 20 + row * 30;
            cairo_new_path(cr);
            cairo_arc(cr, x, y, 6, Pi * 1.15, Pi * 1.85);
            cairo_stroke(cr);
        }
    // The provinces, each in its wash, a shore of sand around them all.
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (const CampaignMapProvince& p : map.provinces) {
        outlinePath(cr, p);
        rgb(cr, 225, 205, 150);
        cairo_set_line_width(cr, 12);
        cairo_stroke(cr);
    }
    for (const CampaignMapProvince& p : map.provinces) {
        const int* c = landColours[static_cast<std::size_t>(p.number) % 6];
        outlinePath(cr, p);
        rgb(cr, c[0], c[1], c[2]);
        cairo_fill(cr);
    }
    // Hills: little arches scattered by a fixed sequence, kept where the land is.
    std::uint32_t seed = 7;
    rgb(cr, 120, 95, 60, 0.8);
    cairo_set_line_width(cr, 1.5);
    for (int i = 0; i < 90; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double x = 30 + (seed >> 8) % 540, y = 70 + (seed >> 18) % 300;
        bool onLand = false;
        for (const CampaignMapProvince& p : map.provinces) {
            outlinePath(cr, p);
            onLand = onLand || cairo_in_fill(cr, x, y);
        }
        cairo_new_path(cr);
        if (!onLand) continue;
        cairo_move_to(cr, x - 6, y + 3);
        cairo_line_to(cr, x, y - 4);
        cairo_line_to(cr, x + 6, y + 3);
        cairo_stroke(cr);
    }
    // A river from the northern hills to the sea, through the west.
    rgb(cr, 70, 110, 170);
    cairo_set_line_width(cr, 3);
    cairo_move_to(cr, 250, 70);
    cairo_curve_to(cr, 200, 160, 120, 170, 110, 300);
    cairo_curve_to(cr, 105, 340, 60, 360, 30, 372);
    cairo_stroke(cr);
    // The borders: dark dashes between the lands, a firm line along the coast.
    for (const CampaignMapProvince& p : map.provinces) {
        outlinePath(cr, p);
        rgb(cr, 90, 55, 30);
        cairo_set_line_width(cr, 2);
        const double dash[] = {7, 4};
        cairo_set_dash(cr, dash, 2, 0);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
    }
    // A compass rose in the sea's corner.
    cairo_save(cr);
    cairo_translate(cr, w - 36, 36);
    rgb(cr, 240, 225, 180);
    for (int k = 0; k < 4; ++k) {
        cairo_move_to(cr, 0, -16);
        cairo_line_to(cr, 4, 0);
        cairo_line_to(cr, -4, 0);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_rotate(cr, Pi / 2);
    }
    cairo_restore(cr);
    const std::string serif = fontDirectory + "/DejaVuSerif-Bold.ttf";
    for (const CampaignMapProvince& p : map.provinces)
        label(cr, serif, p.name, 13, p.labelX, p.labelY - 6, false);
    label(cr, serif, map.title, 20, w / 2, 26, true);
    // The sea takes the water's colours, which the game's palette animation sets moving.
    PaletteMatcher matcher = PaletteMatcher::artWithWater();
    return canvas.reduce(matcher, false, 1);
}

} // namespace vael::forge
