#include "tools/forge/cursor_art.h"

#include <cairo.h>

#include <cmath>
#include <functional>

#include "framework/display/bitmap.h"
#include "tools/forge/canvas.h"

namespace vael::forge {

namespace {

constexpr double Pi = 3.14159265358979323846;

// Cursors must stand out on grass, sand and water alike: light shapes in a dark rim.
void rim(cairo_t* cr, double width) {
    cairo_set_source_rgb(cr, 0.06, 0.05, 0.04);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke_preserve(cr);
}

void fillRimmed(cairo_t* cr, double r, double g, double b) {
    rim(cr, 2.5);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_fill(cr);
}

// A line drawn twice: the dark rim, then the colour inside it.
void rimmedLine(cairo_t* cr, double x0, double y0, double x1, double y1, double width, double r, double g,
                double b) {
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    rim(cr, width + 2.5);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

// The arrow of an edge scroll, pointing along (dx, dy) from the middle; the tip is the hot spot.
Point moveArrow(cairo_t* cr, int dx, int dy) {
    const double angle = std::atan2(dy, dx);
    const double c = CursorSize / 2.0;
    cairo_save(cr);
    cairo_translate(cr, c, c);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, 13, 0);
    cairo_line_to(cr, 2, -9);
    cairo_line_to(cr, 2, -4);
    cairo_line_to(cr, -12, -4);
    cairo_line_to(cr, -12, 4);
    cairo_line_to(cr, 2, 4);
    cairo_line_to(cr, 2, 9);
    cairo_close_path(cr);
    fillRimmed(cr, 0.96, 0.92, 0.78);
    cairo_restore(cr);
    return Point(static_cast<std::int16_t>(std::lround(c + 13 * std::cos(angle))),
                 static_cast<std::int16_t>(std::lround(c + 13 * std::sin(angle))));
}

// The weapons lie along the diagonal from the top-left corner, where they point.
Point sword(cairo_t* cr) {
    // Blade: a long narrow point.
    cairo_move_to(cr, 2, 2);
    cairo_line_to(cr, 21, 17);
    cairo_line_to(cr, 17, 21);
    cairo_close_path(cr);
    fillRimmed(cr, 0.85, 0.87, 0.9);
    cairo_move_to(cr, 3, 3);
    cairo_line_to(cr, 19, 19);
    cairo_set_source_rgb(cr, 0.55, 0.58, 0.62);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // Cross guard and grip in bronze and leather, and the pommel.
    rimmedLine(cr, 14, 25, 25, 14, 2.5, 0.8, 0.6, 0.2);
    rimmedLine(cr, 21, 21, 27, 27, 3, 0.45, 0.28, 0.14);
    cairo_arc(cr, 28, 28, 2.5, 0, 2 * Pi);
    fillRimmed(cr, 0.8, 0.6, 0.2);
    return Point(2, 2);
}

Point arrow(cairo_t* cr) {
    rimmedLine(cr, 6, 6, 27, 27, 1.5, 0.62, 0.45, 0.25);
    // Head.
    cairo_move_to(cr, 2, 2);
    cairo_line_to(cr, 11, 5);
    cairo_line_to(cr, 5, 11);
    cairo_close_path(cr);
    fillRimmed(cr, 0.82, 0.84, 0.88);
    // Red fletching: a swept vane on each side of the shaft's end.
    for (int side : {-1, 1}) {
        cairo_move_to(cr, 20, 20);
        cairo_line_to(cr, 27, 27);
        cairo_line_to(cr, 27 + 4 * side, 27 - 4 * side + 2);
        cairo_line_to(cr, 22 + 3 * side, 22 - 3 * side + 1);
        cairo_close_path(cr);
        fillRimmed(cr, 0.85, 0.15, 0.1);
    }
    return Point(2, 2);
}

Point javelin(cairo_t* cr) {
    rimmedLine(cr, 9, 9, 30, 30, 2, 0.62, 0.45, 0.25);
    // A long leaf-shaped iron head.
    cairo_move_to(cr, 2, 2);
    cairo_curve_to(cr, 8, 4, 12, 8, 12, 12);
    cairo_curve_to(cr, 8, 12, 4, 8, 2, 2);
    cairo_close_path(cr);
    fillRimmed(cr, 0.82, 0.84, 0.88);
    // The throwing thong bound round the shaft.
    rimmedLine(cr, 18, 22, 22, 18, 1.5, 0.9, 0.85, 0.65);
    return Point(2, 2);
}

Point sling(cairo_t* cr) {
    // Two cords from the pouch, one ending in a finger loop.
    cairo_move_to(cr, 9, 7);
    cairo_curve_to(cr, 20, 8, 24, 16, 28, 28);
    cairo_move_to(cr, 7, 9);
    cairo_curve_to(cr, 8, 20, 16, 24, 28, 28);
    rim(cr, 4);
    cairo_set_source_rgb(cr, 0.75, 0.6, 0.4);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_arc(cr, 28, 28, 2.5, 0, 2 * Pi);
    rim(cr, 4);
    cairo_set_source_rgb(cr, 0.75, 0.6, 0.4);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // The leather pouch cupping the stone, the stone at the hot spot.
    cairo_arc(cr, 6.5, 6.5, 5.5, 0, 2 * Pi);
    fillRimmed(cr, 0.5, 0.32, 0.16);
    cairo_arc(cr, 5.5, 5.5, 3, 0, 2 * Pi);
    fillRimmed(cr, 0.72, 0.72, 0.7);
    return Point(5, 5);
}

struct Design {
    const char* name;
    std::function<Point(cairo_t*)> draw;
};

} // namespace

CursorArt cursorArt() {
    const std::vector<Design> designs{
        {"MoveNorth", [](cairo_t* cr) { return moveArrow(cr, 0, -1); }},
        {"MoveNorthEast", [](cairo_t* cr) { return moveArrow(cr, 1, -1); }},
        {"MoveEast", [](cairo_t* cr) { return moveArrow(cr, 1, 0); }},
        {"MoveSouthEast", [](cairo_t* cr) { return moveArrow(cr, 1, 1); }},
        {"MoveSouth", [](cairo_t* cr) { return moveArrow(cr, 0, 1); }},
        {"MoveSouthWest", [](cairo_t* cr) { return moveArrow(cr, -1, 1); }},
        {"MoveWest", [](cairo_t* cr) { return moveArrow(cr, -1, 0); }},
        {"MoveNorthWest", [](cairo_t* cr) { return moveArrow(cr, -1, -1); }},
        {"Sword", sword},
        {"Arrow", arrow},
        {"Sling", sling},
        {"Javelin", javelin},
    };
    CursorArt art;
    art.archive.title = CursorArchiveName;
    ForgedGroup group{CursorGroup, {}};
    PaletteMatcher matcher = PaletteMatcher::art();
    for (const Design& d : designs) {
        Canvas canvas(CursorSize, CursorSize);
        const Point hot = d.draw(canvas.art());
        art.pictures.push_back(canvas.reduce(matcher, false));
        const Picture& p = art.pictures.back();
        group.images.push_back(
            ForgedImage{d.name, Dim(CursorSize, CursorSize), hot, PixelKeyed, p.rawRows()});
    }
    art.archive.groups.push_back(std::move(group));
    return art;
}

bool writeCursorSheet(const CursorArt& art, const std::filesystem::path& directory) {
    std::error_code made;
    std::filesystem::create_directories(directory, made);
    std::vector<const Picture*> pictures;
    for (const Picture& p : art.pictures)
        pictures.push_back(&p);
    return writeContactSheet(directory / "cursors.png", pictures, 4, 4);
}

} // namespace vael::forge
