#pragma once
// Reads a dialog template: the readable text of a dialog box's window and its controls, one line each.
//
//     # The chooser.
//     dialog 0 0 207 111 "Choose"
//     style popup visible caption modalframe
//     class "OstrellDialog"
//     font 8 "MS Sans Serif"
//     control listbox 101 "" 4 4 110 50 tabstop notify vscroll border
//     control defpushbutton 1 "OK" 4 57 50 14 group tabstop
//
// "dialog" gives the position and size in template units and the caption, "style" the window's style
// words, "class" its window class and "font" the point size and face (which adds setfont to the style).
// A control gives its kind, its id (-1 for an anonymous one), its text, its box and its style words. The
// controls keep the order of the lines: it is the tab order, and a control marked group begins a new radio
// group. Quoted texts take \t, \" and \\. A line that cannot be read is left out and noted; a template
// without its dialog line is not read at all.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/geometry.h"

namespace vael {

// The window classes a control can be of, by the ordinal the system gives them; the two named ones come
// last.
enum ControlClass : std::uint16_t {
    ClassButton = 0x80,
    ClassEdit = 0x81,
    ClassStatic = 0x82,
    ClassListBox = 0x83,
    ClassScrollBar = 0x84,
    ClassComboBox = 0x85,
    ClassBorShade = 0x100,
    ClassBorStatic = 0x101,
};

namespace style {
constexpr std::uint32_t Popup = 0x80000000, Child = 0x40000000, Visible = 0x10000000, Disabled = 0x08000000;
constexpr std::uint32_t Caption = 0x00C00000, Border = 0x00800000, DialogFrame = 0x00400000;
constexpr std::uint32_t VScroll = 0x00200000, HScroll = 0x00100000, SystemMenu = 0x00080000;
constexpr std::uint32_t ThickFrame = 0x00040000, Group = 0x00020000, TabStop = 0x00010000;
constexpr std::uint32_t ModalFrame = 0x80, SetFont = 0x40;
// Button styles (the low four bits).
constexpr std::uint32_t PushButton = 0, DefPushButton = 1, CheckBox = 2, AutoCheckBox = 3, RadioButton = 4,
                        GroupBox = 7, AutoRadioButton = 9, OwnerDraw = 0xB, ButtonTypeMask = 0xF;
constexpr std::uint32_t ListNotify = 0x1, ListSort = 0x2;
constexpr std::uint32_t ComboDropDownList = 0x3;
constexpr std::uint32_t EditAutoHScroll = 0x80;
// An edit of many rows, which shows its text broken into rows and scrolls them; read only, the player
// reads and scrolls it but types nothing into it.
constexpr std::uint32_t EditMultiline = 0x4, EditReadOnly = 0x800;
constexpr std::uint32_t ScrollVertical = 0x1;
} // namespace style

struct DialogItem {
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint16_t id = 0;
    std::uint16_t controlClass = ClassStatic;
    std::string text;

    // The id as the code addresses it: 0xFFFF is -1.
    std::int16_t signedId() const { return static_cast<std::int16_t>(id); }
    std::uint32_t buttonType() const { return style & style::ButtonTypeMask; }
};

struct DialogTemplate {
    // A template keeps at most this many controls: the count is eight bits once the statics are out.
    static constexpr std::size_t MaxItems = 255;

    std::string name;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::string className;
    std::string caption;
    std::uint16_t pointSize = 0;
    std::string fontName;
    std::vector<DialogItem> items;
};

class DialogTemplateReader {
public:
    DialogTemplateReader(std::string_view name, std::string_view text);

    // The template read; none when the text has no dialog line.
    const std::optional<DialogTemplate>& result() const { return template_; }
    // One text for each line that could not be read ("line 3: ...").
    const std::vector<std::string>& errors() const { return errors_; }

private:
    std::optional<DialogTemplate> template_;
    std::vector<std::string> errors_;
};

// The built-in template of that name (any case); none when there is no such resource or it has no dialog
// line. Lines that cannot be read are left out.
std::optional<DialogTemplate> loadDialogTemplate(std::string_view name);
// Every built-in template's name, in order of name.
std::vector<std::string> dialogTemplateNames();

// A static text taken out of a template: it becomes a text tile with this id, text and pixel box.
struct StaticText {
    std::int16_t id = 0;
    std::string text;
    Point position;
    Dim size;
};

// One template unit in pixels, from the metrics of the system font: what one dialog unit of that font is.
struct DialogUnits {
    float x = 0, y = 0;
    static DialogUnits of(std::int32_t averageCharWidth, std::int32_t ascent) {
        return {static_cast<float>(averageCharWidth) * 0.25f, static_cast<float>(ascent) * 0.125f};
    }
};

// Rescales the template so that a template unit becomes 1.75 by 1.625 pixels of dialog units of that font,
// and takes the static texts out, in order, as text tiles placed in pixels.
std::vector<StaticText> convertTemplate(DialogTemplate& dialog, DialogUnits units);
// A value of dialog units in whole pixels, rounded.
std::int16_t dialogPixels(std::int32_t value, float unit);

} // namespace vael
