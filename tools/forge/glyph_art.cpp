// The glyph archives, rendered through SDL2_ttf without anti-aliasing, so that every pixel is the text
// colour or transparent and the same font file gives the same bytes on every run.
#include <SDL.h>
#include <SDL_ttf.h>

#include <memory>
#include <stdexcept>

#include "framework/display/bitmap.h"
#include "tools/forge/control_art.h"
#include "tools/forge/forge_palette.h"
#include "tools/forge/picture.h"

namespace vael::forge {

namespace {

constexpr std::uint8_t grey(int level) {
    return static_cast<std::uint8_t>(colour::GreyFirst + level / 7 - 1);
}
constexpr std::uint8_t TextColour = grey(7);
constexpr std::uint8_t BlankWidth = 3;

class TrueTypeFont {
public:
    TrueTypeFont(const std::string& file, int pixelSize) {
        if (TTF_WasInit() == 0 && TTF_Init() != 0) throw std::runtime_error("cannot start SDL2_ttf");
        font_ = TTF_OpenFont(file.c_str(), pixelSize);
        if (!font_) throw std::runtime_error("cannot read the font " + file);
        TTF_SetFontHinting(font_, TTF_HINTING_MONO);
    }
    ~TrueTypeFont() { TTF_CloseFont(font_); }
    TrueTypeFont(const TrueTypeFont&) = delete;
    TrueTypeFont& operator=(const TrueTypeFont&) = delete;

    int ascent() const { return TTF_FontAscent(font_); }
    int height() const { return TTF_FontHeight(font_); }

    // The glyph as a picture as wide as its advance and as high as the font, the baseline at the ascent;
    // ink is 1, the rest 0. A code the font lacks gives a blank.
    Picture render(int code) const {
        int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
        if (!TTF_GlyphIsProvided(font_, static_cast<Uint16>(code)) ||
            TTF_GlyphMetrics(font_, static_cast<Uint16>(code), &minX, &maxX, &minY, &maxY, &advance) != 0)
            return Picture(BlankWidth, height());
        Picture p(std::max(advance, 1), height());
        SDL_Surface* s =
            TTF_RenderGlyph_Solid(font_, static_cast<Uint16>(code), SDL_Color{255, 255, 255, 255});
        if (!s) return p;
        // A glyph that reaches below the font's descent (the underscore, at small sizes) would be cut
        // off whole: what lies below the last row is drawn in it.
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < std::min(s->w, p.width()); ++x)
                if (static_cast<const std::uint8_t*>(s->pixels)[y * s->pitch + x] != 0)
                    p.set(x, std::min(y, p.height() - 1), 1);
        SDL_FreeSurface(s);
        return p;
    }

private:
    TTF_Font* font_ = nullptr;
};

ForgedImage glyphImage(int code, const Picture& p, int ascent) {
    return ForgedImage{std::string(1, static_cast<char>(code)),
                       Dim(static_cast<std::int16_t>(p.width()), static_cast<std::int16_t>(p.height())),
                       Point(0, static_cast<std::int16_t>(ascent)), PixelKeyed, p.rawRows()};
}

Picture plain(const Picture& ink) {
    Picture p(ink.width(), ink.height());
    for (int y = 0; y < ink.height(); ++y)
        for (int x = 0; x < ink.width(); ++x)
            if (ink.at(x, y)) p.set(x, y, TextColour);
    return p;
}

// Stone-coloured strokes, lit from the top left: the rim above and left of a stroke is light, the rim
// below and right dark, as if cut into the surface.
Picture chiseled(const Picture& ink) {
    const auto inked = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < ink.width() && y < ink.height() && ink.at(x, y) != 0;
    };
    Picture p(ink.width(), ink.height());
    for (int y = 0; y < ink.height(); ++y)
        for (int x = 0; x < ink.width(); ++x) {
            if (inked(x, y))
                p.set(x, y, shade(Stone, 5));
            else if (inked(x + 1, y + 1))
                p.set(x, y, shade(Stone, 1));
            else if (inked(x - 1, y - 1))
                p.set(x, y, shade(Stone, 11));
        }
    return p;
}

} // namespace

ForgedArchive dialogGlyphArchive(const std::string& fontFile, int pixelSize) {
    const TrueTypeFont font(fontFile, pixelSize);
    ForgedGroup group{"Alphanumeric", {}};
    for (int code = 33; code <= 255; ++code) {
        // Codes 127 to 160 are controls and a hard blank in Latin-1: blanks of their own.
        const Picture ink =
            code >= 127 && code <= 160 ? Picture(BlankWidth, font.height()) : font.render(code);
        group.images.push_back(glyphImage(code, plain(ink), font.ascent()));
    }
    return ForgedArchive{"Dialog font", {group}};
}

ForgedArchive chiseledGlyphArchive(const std::string& fontFile, int pixelSize) {
    const TrueTypeFont font(fontFile, pixelSize);
    ForgedGroup letters{"Alpha", {}}, digits{"Numeric", {}};
    for (int code = 'A'; code <= 'z'; ++code)
        letters.images.push_back(glyphImage(code, chiseled(font.render(code)), font.ascent()));
    for (int code = '0'; code <= '9'; ++code)
        digits.images.push_back(glyphImage(code, chiseled(font.render(code)), font.ascent()));
    return ForgedArchive{"Chiselled capitals", {letters, digits}};
}

} // namespace vael::forge
