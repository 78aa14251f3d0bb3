#pragma once
// The framework's bitmap fonts: every character is a picture of an image archive, drawn pen point by pen
// point with its hot spot on the pen, so the pen's y is the baseline and a glyph's width its advance. A
// text drawn with strength n draws every glyph n times. The glyphs' ink is one solid colour, so drawing
// it again darkens nothing: the lightest strength, 1, draws the ink grey (a disabled control's label).
//
// Font and AllCapsFont take letters from the group "Alpha" (index c - 65) and digits from "Numeric"
// (c - 48); AllCapsFont draws letters as capitals. DialogFont reads its text as UTF-8 and takes every code
// from 33 to 255 from its one group "Alphanumeric" (index c - 33), underlines the character after an '&'
// and wraps words in a box.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/ui/display.h"
#include "framework/ui/picture_archive.h"

namespace vael {

class Font {
public:
    // The strength of a greyed text, and the grey of its ink: dark enough to read on a disabled button's
    // greyed face and on the dialogs' light backgrounds, light enough to tell from the black of the rest.
    static constexpr std::int16_t LightStrength = 1;
    static constexpr std::uint8_t GreyedInk = 80;
    // A character without a glyph moves the pen this far.
    static constexpr std::int16_t BlankAdvance = 3;

    explicit Font(const std::string& archiveName);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    virtual ~Font();

    virtual void drawGlyph(Display& target, Point& pen, char c, std::int16_t strength);
    virtual void drawText(Display& target, const Point& at, const std::string& text, std::int16_t strength);
    virtual Box textExtent(const std::string& text);
    virtual std::int16_t ascent();
    virtual std::int16_t descent();

    std::int16_t textWidth(const std::string& text) { return textExtent(text).w; }
    PictureArchive& glyphs() { return *glyphs_; }

protected:
    // The glyph at the index of the group; null when the archive lacks it.
    const Picture* glyph(const std::string& group, std::int32_t index);
    // Draws the glyph strength times (once in grey at strength 1) and advances the pen by its width; a
    // glyph the archive lacks counts as a blank.
    void drawIndexed(Display& target, Point& pen, const std::string& group, std::int32_t index,
                     std::int16_t strength);
    std::int16_t glyphWidth(const std::string& group, std::int32_t index);
    // The group and index of a letter or digit of the two-group layout; false for anything else.
    static bool letterOrDigit(char c, const char*& group, std::int32_t& index);
    // Hot-spot y, and height minus hot-spot y, of the glyph (0 without one).
    std::int16_t hotSpotY(const std::string& group, std::int32_t index);
    std::int16_t belowHotSpot(const std::string& group, std::int32_t index);

    std::unique_ptr<PictureArchive> glyphs_;
    // The glyphs of each group, taken from the archive once.
    std::map<std::string, std::vector<Picture>> groups_;
};

class DialogFont : public Font {
public:
    static constexpr const char* Group = "Alphanumeric";
    // The mnemonic's underline lies this many rows below the baseline.
    static constexpr std::int16_t UnderlineDrop = 2;

    explicit DialogFont(const std::string& archiveName);

    void drawText(Display& target, const Point& at, const std::string& text, std::int16_t strength) override;
    // Draws the text as drawText does and answers where its mnemonic's underline went (empty without one),
    // for whoever draws over the text afterwards and must leave the underline in sight.
    Box drawTextUnderlined(Display& target, const Point& at, const std::string& text, std::int16_t strength);
    // The grey of the underline drawn at that strength.
    static std::uint8_t underlineGrey(std::int16_t strength) { return strength >= 2 ? 10 : 150; }
    Box textExtent(const std::string& text) override;
    std::int16_t ascent() override;
    std::int16_t descent() override;
    // The last code of the archive's glyphs (Latin-1); a character past it is written by the system font,
    // whose baseline lies this many pixels below its top.
    static constexpr std::uint32_t LastGlyph = 255;
    static constexpr std::int16_t SystemBaseline = 10;
    virtual void drawCodeGlyph(Display& target, Point& pen, char c, std::int16_t strength);
    // One character by its code point.
    void drawCode(Display& target, Point& pen, std::uint32_t code, std::int16_t strength);
    // Lays the text out in words inside the box, the first baseline on its top edge; answers the last
    // baseline plus the descent.
    virtual std::int32_t drawWrapped(Display& target, const Box& box, const std::string& text,
                                     std::int16_t strength);
};

class AllCapsFont : public Font {
public:
    explicit AllCapsFont(const std::string& archiveName) : Font(archiveName) {}

    void drawGlyph(Display& target, Point& pen, char c, std::int16_t strength) override;
    // Capitals and digits have no descender.
    Box textExtent(const std::string& text) override;
};

} // namespace vael
