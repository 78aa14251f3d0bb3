#include "tools/forge/flag_art.h"

#include <cairo.h>

#include <cmath>
#include <functional>

#include "framework/display/bitmap.h"
#include "tools/forge/canvas.h"
#include "tools/forge/forge_palette.h"

namespace vael::forge {

namespace {

// Full-size measures. The pole's foot is the flag's location; the cloth hangs from a point 70 pixels up
// the pole (82 when raised), so the pole reaches above both.
constexpr double PoleHeight = 92;
constexpr double ClothWidth = 34, ClothHeight = 22, ClothMargin = 4;
// The shadow sprite stands 31 right and 22 down from the pole's foot; the shadow is drawn from there.
constexpr double ShadowFootX = 4, ShadowFootY = 6;
constexpr int ShadowHotX = 35, ShadowHotY = 28;
// The sun stands high on the left: per pixel of height a shadow falls this far right and down.
constexpr double ShadowRunX = 0.6, ShadowRunY = 0.32;

constexpr double Pi = 3.14159265358979323846;

struct Size {
    const char* suffix;
    const char* dataFile;
    int divisor;
};
const Size Sizes[3] = {
    {"", "flags.oif", 1}, {" (Half size)", "flags2.oif", 2}, {" (Quarter size)", "flags4.oif", 4}};

// How far the cloth's edge is lifted at x along it in frame k: still at the pole, swinging more towards
// the fly end.
double wave(double x, int frame) {
    return 2.6 * std::sin(2 * Pi * (x / 22.0 - frame / static_cast<double>(FlagFrames))) * (x / ClothWidth);
}
double slope(double x, int frame) {
    return (wave(x + 0.5, frame) - wave(x - 0.5, frame));
}

void scaleTo(Canvas& c, double s) {
    cairo_scale(c.art(), s, s);
    cairo_scale(c.shadow(), s, s);
}

int scaled(double v, int divisor) {
    return static_cast<int>(std::ceil(v / divisor));
}

ForgedImage image(const std::string& name, const Picture& p, std::int32_t kind, Point hot) {
    return ForgedImage{name, Dim(static_cast<std::int16_t>(p.width()), static_cast<std::int16_t>(p.height())),
                       hot, kind, p.rawRows()};
}

// The cloth's outline in frame k, its top-left corner at (x0, y0).
void clothPath(cairo_t* cr, double x0, double y0, int frame) {
    cairo_new_path(cr);
    for (double x = 0; x <= ClothWidth; x += 1)
        cairo_line_to(cr, x0 + x, y0 + wave(x, frame));
    for (double x = ClothWidth; x >= 0; x -= 1)
        cairo_line_to(cr, x0 + x, y0 + ClothHeight + wave(x, frame));
    cairo_close_path(cr);
}

using Emblem = std::function<void(cairo_t*, double x0, double y0, int frame)>;

struct Nation {
    const char* group;
    Ramp field;
    Emblem emblem;
};

void rect(cairo_t* cr, double x, double y, double w, double h, std::uint8_t colour) {
    setSource(cr, colour);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

// A band across the cloth that follows its wave.
void band(cairo_t* cr, double x0, double y0, double top, double height, int frame, std::uint8_t colour) {
    setSource(cr, colour);
    cairo_new_path(cr);
    for (double x = 0; x <= ClothWidth; x += 1)
        cairo_line_to(cr, x0 + x, y0 + top + wave(x, frame));
    for (double x = ClothWidth; x >= 0; x -= 1)
        cairo_line_to(cr, x0 + x, y0 + top + height + wave(x, frame));
    cairo_close_path(cr);
    cairo_fill(cr);
}

const Nation Nations[4] = {
    // A golden sun of eight rays on red.
    {"Macedonian Flag", NationRed,
     [](cairo_t* cr, double x0, double y0, int frame) {
         const double cx = x0 + 15, cy = y0 + ClothHeight / 2 + wave(15, frame);
         setSource(cr, shade(NationYellow, 9));
         cairo_set_line_width(cr, 1.6);
         for (int i = 0; i < 8; ++i) {
             const double a = i * Pi / 4;
             cairo_move_to(cr, cx + 3 * std::cos(a), cy + 3 * std::sin(a));
             cairo_line_to(cr, cx + 8 * std::cos(a), cy + 8 * std::sin(a));
         }
         cairo_stroke(cr);
         cairo_arc(cr, cx, cy, 3.6, 0, 2 * Pi);
         cairo_fill(cr);
     }},
    // A winged golden disc on blue.
    {"Persian Flag", NationBlue,
     [](cairo_t* cr, double x0, double y0, int frame) {
         const double cx = x0 + 16, cy = y0 + ClothHeight / 2 + wave(16, frame);
         setSource(cr, shade(NationYellow, 8));
         for (int side : {-1, 1}) {
             cairo_move_to(cr, cx, cy);
             cairo_curve_to(cr, cx + side * 6, cy - 6, cx + side * 11, cy - 5, cx + side * 13, cy - 2);
             cairo_curve_to(cr, cx + side * 9, cy, cx + side * 5, cy + 2, cx, cy + 1);
             cairo_close_path(cr);
             cairo_fill(cr);
         }
         cairo_arc(cr, cx, cy - 1, 3.2, 0, 2 * Pi);
         cairo_fill(cr);
     }},
    // Saffron over green, a white wheel between.
    {"Indian Flag", NationOrange,
     [](cairo_t* cr, double x0, double y0, int frame) {
         band(cr, x0, y0, ClothHeight * 0.62, ClothHeight * 0.38 + 1, frame, shade(Forest, 6));
         const double cx = x0 + 17, cy = y0 + ClothHeight * 0.45 + wave(17, frame);
         setSource(cr, shade(Cloth, 11));
         cairo_set_line_width(cr, 1.2);
         cairo_arc(cr, cx, cy, 4, 0, 2 * Pi);
         cairo_stroke(cr);
         for (int i = 0; i < 4; ++i) {
             const double a = i * Pi / 4;
             cairo_move_to(cr, cx - 4 * std::cos(a), cy - 4 * std::sin(a));
             cairo_line_to(cr, cx + 4 * std::cos(a), cy + 4 * std::sin(a));
         }
         cairo_stroke(cr);
     }},
    // Blue and white stripes.
    {"Greek Flag", Cloth,
     [](cairo_t* cr, double x0, double y0, int frame) {
         for (int i = 0; i < 5; i += 2)
             band(cr, x0, y0, i * ClothHeight / 5, ClothHeight / 5, frame, shade(NationBlue, 6));
     }},
};

// The light on the folds: the side of a fold turned to the sun is lighter, the other darker.
void shadeFolds(cairo_t* cr, double x0, double y0, int frame) {
    for (double x = 0; x < ClothWidth; x += 1) {
        const double s = slope(x + 0.5, frame);
        if (s < 0)
            cairo_set_source_rgba(cr, 1, 1, 1, std::min(0.45, -s * 0.9));
        else
            cairo_set_source_rgba(cr, 0, 0, 0, std::min(0.5, s * 1.0));
        cairo_rectangle(cr, x0 + x, y0 - 4, 1, ClothHeight + 8);
        cairo_fill(cr);
    }
}

Picture cloth(const Nation& n, int frame, int divisor, Point& hot) {
    const double s = 1.0 / divisor;
    Canvas c(scaled(ClothWidth + 2, divisor), scaled(ClothHeight + 2 * ClothMargin, divisor));
    scaleTo(c, s);
    cairo_t* cr = c.art();
    const double x0 = 0, y0 = ClothMargin;
    clothPath(cr, x0, y0, frame);
    cairo_save(cr);
    cairo_clip(cr);
    rect(cr, 0, 0, ClothWidth + 2, ClothHeight + 2 * ClothMargin, shade(n.field, 7));
    n.emblem(cr, x0, y0, frame);
    shadeFolds(cr, x0, y0, frame);
    cairo_restore(cr);
    clothPath(cr, x0, y0, frame);
    setSource(cr, shade(n.field, 2));
    cairo_set_line_width(cr, divisor == 1 ? 0.8 : 1.2 * divisor / 2.0);
    cairo_stroke(cr);
    PaletteMatcher matcher = PaletteMatcher::art();
    // The cloth hangs from the pole at its top-left corner.
    hot = Point(0, static_cast<std::int16_t>(ClothMargin / divisor));
    return c.reduce(matcher, false);
}

Picture stem(int divisor, Point& hot) {
    const double s = 1.0 / divisor;
    Canvas c(scaled(8, divisor), scaled(PoleHeight + 6, divisor));
    scaleTo(c, s);
    cairo_t* cr = c.art();
    // A wooden shaft, lit from the left, with a bronze knob on top.
    // The shaft lies on whole pixels at every size: two full-size pixels wide, one at the smaller sizes.
    const double width = std::max(2, divisor);
    cairo_pattern_t* wood = cairo_pattern_create_linear(4, 0, 4 + width, 0);
    const auto colours = paletteColours();
    auto stop = [&](double at, std::uint8_t index) {
        const RgbQuad& q = colours[index];
        cairo_pattern_add_color_stop_rgb(wood, at, q.red / 255.0, q.green / 255.0, q.blue / 255.0);
    };
    stop(0, shade(Wood, 9));
    stop(1, shade(Wood, 3));
    cairo_set_source(cr, wood);
    cairo_rectangle(cr, 4, 4, width, PoleHeight);
    cairo_fill(cr);
    cairo_pattern_destroy(wood);
    setSource(cr, shade(NationYellow, 7));
    cairo_arc(cr, 4 + width / 2, 3.5, std::max(2.2, 0.6 * divisor), 0, 2 * Pi);
    cairo_fill(cr);
    PaletteMatcher matcher = PaletteMatcher::art();
    hot =
        Point(static_cast<std::int16_t>(4 / divisor), static_cast<std::int16_t>((PoleHeight + 4) / divisor));
    return c.reduce(matcher, false);
}

// The pole's and the cloth's shadow on the ground in frame k: the cloth between the heights it hangs at
// when raised.
Picture flagShadow(int frame, int divisor, Point& hot) {
    const double s = 1.0 / divisor;
    Canvas c(scaled(96, divisor), scaled(46, divisor));
    scaleTo(c, s);
    cairo_t* cr = c.shadow();
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_set_line_width(cr, std::max(2.0, 0.9 * divisor));
    cairo_move_to(cr, ShadowFootX, ShadowFootY);
    cairo_line_to(cr, ShadowFootX + PoleHeight * ShadowRunX, ShadowFootY + PoleHeight * ShadowRunY);
    cairo_stroke(cr);
    auto ground = [frame](double x, double height) {
        return std::pair{ShadowFootX + height * ShadowRunX + x,
                         ShadowFootY + height * ShadowRunY + x * 0.15 + wave(x, frame) * 0.5};
    };
    cairo_new_path(cr);
    for (double x = 0; x <= ClothWidth; x += 1) {
        const auto [gx, gy] = ground(x, 82);
        cairo_line_to(cr, gx, gy);
    }
    for (double x = ClothWidth; x >= 0; x -= 1) {
        const auto [gx, gy] = ground(x, 82 - ClothHeight);
        cairo_line_to(cr, gx, gy);
    }
    cairo_close_path(cr);
    cairo_fill(cr);
    PaletteMatcher matcher = PaletteMatcher::art();
    hot = Point(static_cast<std::int16_t>(ShadowHotX / divisor),
                static_cast<std::int16_t>(ShadowHotY / divisor));
    return c.reduce(matcher, true);
}

} // namespace

std::vector<FlagArchive> flagArchives() {
    std::vector<FlagArchive> archives;
    for (const Size& size : Sizes) {
        FlagArchive a;
        a.dataFile = size.dataFile;
        a.name = std::string("Activation Unit Flags") + size.suffix;
        a.archive.title = a.name;
        Point hot;
        for (const Nation& n : Nations) {
            ForgedGroup group{n.group, {}};
            for (int k = 0; k < FlagFrames; ++k) {
                a.pictures.push_back(cloth(n, k, size.divisor, hot));
                group.images.push_back(image(std::to_string(k), a.pictures.back(), PixelKeyed, hot));
            }
            a.archive.groups.push_back(std::move(group));
        }
        a.pictures.push_back(stem(size.divisor, hot));
        a.archive.groups.push_back({"Stem", {image("0", a.pictures.back(), PixelKeyed, hot)}});
        ForgedGroup shadows{"Flag Shadow", {}};
        for (int k = 0; k < FlagFrames; ++k) {
            a.pictures.push_back(flagShadow(k, size.divisor, hot));
            shadows.images.push_back(image(std::to_string(k), a.pictures.back(), PixelShadowed, hot));
        }
        a.archive.groups.push_back(std::move(shadows));
        archives.push_back(std::move(a));
    }
    return archives;
}

bool writeFlagSheets(const std::vector<FlagArchive>& archives, const std::filesystem::path& directory) {
    std::error_code made;
    std::filesystem::create_directories(directory, made);
    bool ok = true;
    for (std::size_t i = 0; i < archives.size(); ++i) {
        std::vector<const Picture*> pictures;
        for (const Picture& p : archives[i].pictures)
            pictures.push_back(&p);
        ok = writeContactSheet(directory / ("flags" + std::to_string(1 << i) + ".png"), pictures, FlagFrames,
                               i == 0 ? 3 : 3 << i) &&
             ok;
    }
    return ok;
}

} // namespace vael::forge
