#include "framework/ui/font.h"

#include <vector>

#include "framework/core/utf8.h"
#include "framework/ui/system_font.h"

namespace vael {

namespace {
constexpr const char* AlphaGroup = "Alpha";
constexpr const char* NumericGroup = "Numeric";

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
char capital(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
} // namespace

Font::Font(const std::string& archiveName) : glyphs_(PictureArchive::open(archiveName)) {}

Font::~Font() = default;

const Picture* Font::glyph(const std::string& group, std::int32_t index) {
    auto found = groups_.find(group);
    if (found == groups_.end()) found = groups_.emplace(group, glyphs_->drawables(group)).first;
    const std::vector<Picture>& glyphs = found->second;
    if (index < 0 || index >= static_cast<std::int32_t>(glyphs.size())) return nullptr;
    const Picture& picture = glyphs[static_cast<std::size_t>(index)];
    return picture.exists() ? &picture : nullptr;
}

bool Font::letterOrDigit(char c, const char*& group, std::int32_t& index) {
    if (isLetter(c)) {
        group = AlphaGroup, index = c - 'A';
        return true;
    }
    if (isDigit(c)) {
        group = NumericGroup, index = c - '0';
        return true;
    }
    return false;
}

void Font::drawIndexed(Display& target, Point& pen, const std::string& group, std::int32_t index,
                       std::int16_t strength) {
    const Picture* picture = glyph(group, index);
    if (!picture) {
        pen.x = static_cast<std::int16_t>(pen.x + BlankAdvance);
        return;
    }
    if (strength == LightStrength) {
        // The ink in grey; the key stays clear.
        const platform::Surface& s = picture->surface;
        const std::uint8_t grey = Display::matchColour(GreyedInk, GreyedInk, GreyedInk);
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(s.width) * s.height);
        for (std::int32_t y = 0; y < s.height; ++y)
            for (std::int32_t x = 0; x < s.width; ++x) {
                const std::uint8_t c = s.pixels[y * s.pitch + x];
                rows[static_cast<std::size_t>(y * s.width + x)] =
                    picture->kind != PictureOpaque && c == 0 ? c : grey;
            }
        Picture greyed = *picture;
        greyed.surface = {rows.data(), s.width, s.height, s.width};
        target.drawPicture(pen, greyed);
    } else {
        for (std::int16_t i = 0; i < strength; ++i)
            target.drawPicture(pen, *picture);
    }
    pen.x = static_cast<std::int16_t>(pen.x + picture->width());
}

std::int16_t Font::glyphWidth(const std::string& group, std::int32_t index) {
    const Picture* picture = glyph(group, index);
    return picture ? picture->width() : BlankAdvance;
}

void Font::drawGlyph(Display& target, Point& pen, char c, std::int16_t strength) {
    const char* group = nullptr;
    std::int32_t index = 0;
    if (!letterOrDigit(c, group, index)) {
        pen.x = static_cast<std::int16_t>(pen.x + BlankAdvance);
        return;
    }
    drawIndexed(target, pen, group, index, strength);
}

void Font::drawText(Display& target, const Point& at, const std::string& text, std::int16_t strength) {
    Point pen = at;
    for (char c : text)
        drawGlyph(target, pen, c, strength);
}

Box Font::textExtent(const std::string& text) {
    std::int32_t width = 0;
    for (char c : text) {
        const char* group = nullptr;
        std::int32_t index = 0;
        width += letterOrDigit(capital(c), group, index) ? glyphWidth(group, index) : BlankAdvance;
    }
    return Box(0, 0, static_cast<std::int16_t>(width), static_cast<std::int16_t>(ascent() + descent()));
}

std::int16_t Font::hotSpotY(const std::string& group, std::int32_t index) {
    const Picture* picture = glyph(group, index);
    return picture ? picture->hotSpot.y : 0;
}

std::int16_t Font::belowHotSpot(const std::string& group, std::int32_t index) {
    const Picture* picture = glyph(group, index);
    return picture ? static_cast<std::int16_t>(picture->height() - picture->hotSpot.y) : 0;
}

std::int16_t Font::ascent() {
    return hotSpotY(AlphaGroup, 'M' - 'A');
}

std::int16_t Font::descent() {
    return belowHotSpot(AlphaGroup, 'j' - 'A');
}

// DialogFont: every glyph in one group.

DialogFont::DialogFont(const std::string& archiveName) : Font(archiveName) {}

void DialogFont::drawCodeGlyph(Display& target, Point& pen, char c, std::int16_t strength) {
    drawCode(target, pen, static_cast<unsigned char>(c), strength);
}

void DialogFont::drawCode(Display& target, Point& pen, std::uint32_t code, std::int16_t strength) {
    if (code < 33) {
        pen.x = static_cast<std::int16_t>(pen.x + BlankAdvance);
        return;
    }
    if (code <= LastGlyph) {
        drawIndexed(target, pen, Group, static_cast<std::int32_t>(code - 33), strength);
        return;
    }
    // The archive holds the Latin-1 letters; any other (a Greek name) is written by the system font, as
    // the lists and fields write it, on the same baseline.
    const std::string letter = utf8Encode(code);
    const std::uint8_t ink = strength == LightStrength ? Display::matchColour(GreyedInk, GreyedInk, GreyedInk)
                                                       : Display::matchColour(0, 0, 0);
    writeSystemText(target, Box(0, 0, target.width(), target.height()),
                    Point(pen.x, static_cast<std::int16_t>(pen.y - SystemBaseline)), letter, ink, false);
    pen.x = static_cast<std::int16_t>(pen.x + systemTextWidth(letter, false));
}

void DialogFont::drawText(Display& target, const Point& at, const std::string& text, std::int16_t strength) {
    drawTextUnderlined(target, at, text, strength);
}

Box DialogFont::drawTextUnderlined(Display& target, const Point& at, const std::string& text,
                                   std::int16_t strength) {
    Point pen = at;
    std::int16_t mnemonicX = 0, underline = 0;
    // The text is UTF-8, each character one glyph; bytes that are not UTF-8 are their Latin-1 letters.
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 0;
        const std::uint32_t code = utf8Decode(text, i, length);
        i += length;
        if (code == '&') {
            mnemonicX = static_cast<std::int16_t>(pen.x + 1);
            continue;
        }
        drawCode(target, pen, code, strength);
        if (mnemonicX != 0 && underline == 0) underline = static_cast<std::int16_t>(pen.x - mnemonicX + 1);
    }
    const std::uint8_t grey = underlineGrey(strength);
    const Box line(mnemonicX, static_cast<std::int16_t>(at.y + UnderlineDrop), underline, 1);
    target.frameRect(line, grey, grey, grey);
    return underline > 0 ? line : Box();
}

Box DialogFont::textExtent(const std::string& text) {
    std::int32_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 0;
        const std::uint32_t code = utf8Decode(text, i, length);
        i += length;
        if (code == '&') continue;
        // Measured as drawn, so that a row wrapped to a width stays inside it.
        width += code < 33           ? BlankAdvance
                 : code <= LastGlyph ? glyphWidth(Group, static_cast<std::int32_t>(code - 33))
                                     : systemTextWidth(utf8Encode(code), false);
    }
    return Box(0, 0, static_cast<std::int16_t>(width), static_cast<std::int16_t>(ascent() + descent()));
}

std::int16_t DialogFont::ascent() {
    return hotSpotY(Group, 'M' - 33);
}

std::int16_t DialogFont::descent() {
    return belowHotSpot(Group, 'j' - 33);
}

std::int32_t DialogFont::drawWrapped(Display& target, const Box& box, const std::string& text,
                                     std::int16_t strength) {
    const std::int32_t left = box.x, right = box.x + box.w, bottom = box.y + box.h;
    const std::int32_t step = ascent() + descent() + 2;
    std::int32_t x = left, y = box.y;
    std::size_t at = 0;
    for (;;) {
        // The first character is always taken, so a second blank in a row starts (and widens) a word.
        std::string word;
        if (at < text.size()) word += text[at++];
        while (at < text.size() && text[at] != '\n' && text[at] != ' ')
            word += text[at++];
        const std::int32_t w = textExtent(word).w;
        if (x + w > right) x = left, y += step;
        if (y > bottom) break;
        drawText(target, Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)), word, strength);
        x += w;
        if (at >= text.size()) break;
        if (text[at] == '\n')
            x = left, y += step;
        else
            x += BlankAdvance;
        ++at;
    }
    return y + descent();
}

// AllCapsFont.

void AllCapsFont::drawGlyph(Display& target, Point& pen, char c, std::int16_t strength) {
    Font::drawGlyph(target, pen, capital(c), strength);
}

Box AllCapsFont::textExtent(const std::string& text) {
    Box extent = Font::textExtent(text);
    extent.h = ascent();
    return extent;
}

} // namespace vael
