#include "framework/ui/dialog_template.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "framework/ui/resource_lines.h"
#include "platform/resources.h"

namespace vael {

namespace {

constexpr std::string_view Kind = "dialogs";

struct Word {
    const char* name;
    std::uint32_t bits;
};

constexpr Word windowWords[] = {
    {"popup", style::Popup},           {"child", style::Child},        {"visible", style::Visible},
    {"disabled", style::Disabled},     {"caption", style::Caption},    {"border", style::Border},
    {"dlgframe", style::DialogFrame},  {"sysmenu", style::SystemMenu}, {"thickframe", style::ThickFrame},
    {"modalframe", style::ModalFrame}, {"vscroll", style::VScroll},    {"hscroll", style::HScroll}};

constexpr Word controlWords[] = {{"group", style::Group},
                                 {"tabstop", style::TabStop},
                                 {"disabled", style::Disabled},
                                 {"hidden", 0},
                                 {"border", style::Border},
                                 {"vscroll", style::VScroll},
                                 {"hscroll", style::HScroll},
                                 {"notify", style::ListNotify},
                                 {"sort", style::ListSort},
                                 {"dropdownlist", style::ComboDropDownList},
                                 {"autohscroll", style::EditAutoHScroll},
                                 {"multiline", style::EditMultiline},
                                 {"readonly", style::EditReadOnly},
                                 {"vertical", style::ScrollVertical}};

struct ControlKind {
    const char* name;
    std::uint16_t controlClass;
    std::uint32_t bits;
};

constexpr ControlKind controlKinds[] = {{"pushbutton", ClassButton, style::PushButton},
                                        {"defpushbutton", ClassButton, style::DefPushButton},
                                        {"checkbox", ClassButton, style::CheckBox},
                                        {"autocheckbox", ClassButton, style::AutoCheckBox},
                                        {"radiobutton", ClassButton, style::RadioButton},
                                        {"autoradiobutton", ClassButton, style::AutoRadioButton},
                                        {"groupbox", ClassButton, style::GroupBox},
                                        {"text", ClassStatic, 0},
                                        {"edit", ClassEdit, 0},
                                        {"listbox", ClassListBox, 0},
                                        {"scrollbar", ClassScrollBar, 0},
                                        {"combobox", ClassComboBox, 0},
                                        {"borshade", ClassBorShade, 0},
                                        {"borstatic", ClassBorStatic, 0}};

template <typename T> bool number(std::string_view& s, T& out, std::string& why, const char* what) {
    const std::string_view w = resourceWord(s);
    const auto [end, error] = std::from_chars(w.data(), w.data() + w.size(), out);
    if (w.empty() || error != std::errc() || end != w.data() + w.size())
        return why = std::string("bad ") + what + " \"" + std::string(w) + "\"", false;
    return true;
}

template <std::size_t N>
bool words(std::string_view s, const Word (&known)[N], std::uint32_t& bits, std::string& why) {
    for (std::string_view w = resourceWord(s); !w.empty(); w = resourceWord(s)) {
        const auto found =
            std::find_if(std::begin(known), std::end(known), [&](const Word& k) { return w == k.name; });
        if (found == std::end(known)) return why = "unknown style word \"" + std::string(w) + "\"", false;
        bits |= found->bits;
    }
    return true;
}

bool box(std::string_view& s, std::int16_t& x, std::int16_t& y, std::int16_t& cx, std::int16_t& cy,
         std::string& why) {
    if (!(number(s, x, why, "x") && number(s, y, why, "y") && number(s, cx, why, "width") &&
          number(s, cy, why, "height")))
        return false;
    if (cx < 0 || cy < 0) return why = "negative size", false;
    return true;
}

bool control(std::string_view s, DialogItem& item, std::string& why) {
    const std::string_view kind = resourceWord(s);
    const auto found = std::find_if(std::begin(controlKinds), std::end(controlKinds),
                                    [&](const ControlKind& k) { return kind == k.name; });
    if (found == std::end(controlKinds))
        return why = "unknown control kind \"" + std::string(kind) + "\"", false;
    std::int32_t id = 0;
    if (!number(s, id, why, "id")) return false;
    if (id < -1 || id > 0xFFFE) return why = "id " + std::to_string(id) + " out of range", false;
    item.id = static_cast<std::uint16_t>(id);
    item.controlClass = found->controlClass;
    item.style = style::Child | style::Visible | found->bits;
    if (!resourceLabel(s, item.text, why) || !box(s, item.x, item.y, item.cx, item.cy, why)) return false;
    const bool hidden = s.find("hidden") != std::string_view::npos;
    if (!words(s, controlWords, item.style, why)) return false;
    if (hidden) item.style &= ~style::Visible;
    return true;
}

} // namespace

DialogTemplateReader::DialogTemplateReader(std::string_view name, std::string_view text) {
    DialogTemplate dialog;
    dialog.name = std::string(name);
    bool haveDialog = false;
    forEachResourceLine(text, [&](int lineNumber, std::string_view line) {
        std::string why;
        std::string_view rest = resourceTrimmed(line);
        const std::string_view keyword = resourceWord(rest);
        bool good = false;
        if (keyword == "dialog") {
            if (haveDialog)
                why = "a second dialog line";
            else if (box(rest, dialog.x, dialog.y, dialog.cx, dialog.cy, why) &&
                     resourceLabel(rest, dialog.caption, why)) {
                if (!resourceTrimmed(rest).empty())
                    why = "text after the caption";
                else
                    good = haveDialog = true;
            }
        } else if (keyword == "style") {
            std::uint32_t bits = 0;
            if ((good = words(rest, windowWords, bits, why))) dialog.style |= bits;
        } else if (keyword == "class") {
            good = resourceLabel(rest, dialog.className, why);
        } else if (keyword == "font") {
            std::string face;
            std::uint16_t size = 0;
            if ((good = number(rest, size, why, "point size") && resourceLabel(rest, face, why))) {
                dialog.pointSize = size;
                dialog.fontName = face;
                dialog.style |= style::SetFont;
            }
        } else if (keyword == "control") {
            DialogItem item;
            if (dialog.items.size() >= DialogTemplate::MaxItems)
                why = "more than " + std::to_string(DialogTemplate::MaxItems) + " controls";
            else if ((good = control(rest, item, why)))
                dialog.items.push_back(std::move(item));
        } else {
            why = "unknown line \"" + std::string(keyword) + "\"";
        }
        if (!good) errors_.push_back("line " + std::to_string(lineNumber) + ": " + why);
    });
    if (haveDialog)
        template_ = std::move(dialog);
    else
        errors_.push_back("no dialog line");
}

std::optional<DialogTemplate> loadDialogTemplate(std::string_view name) {
    const platform::Resource* resource = platform::findResource(Kind, name);
    if (!resource) return std::nullopt;
    return DialogTemplateReader(resource->name, resource->text).result();
}

std::vector<std::string> dialogTemplateNames() {
    std::vector<std::string> names;
    for (const platform::Resource* r : platform::resourcesOfKind(Kind))
        names.emplace_back(r->name);
    return names;
}

namespace {
// Into a 16-bit field, held at its ends: a hostile template never leaves the range.
std::int16_t field(double v) {
    return static_cast<std::int16_t>(std::clamp(std::trunc(v), -32768.0, 32767.0));
}
} // namespace

std::int16_t dialogPixels(std::int32_t value, float unit) {
    return field((static_cast<double>(value) * unit * 2.0 + 1.0) * 0.5);
}

std::vector<StaticText> convertTemplate(DialogTemplate& dialog, DialogUnits units) {
    std::vector<StaticText> texts;
    if (units.x <= 0 || units.y <= 0) return texts;
    const float factorX = 1.75f / units.x, factorY = 1.625f / units.y;
    const auto scaled = [](std::int16_t v, float factor) { return field(static_cast<float>(v) * factor); };
    dialog.x = scaled(dialog.x, factorX);
    dialog.cx = scaled(dialog.cx, factorX);
    dialog.y = scaled(dialog.y, factorY);
    dialog.cy = scaled(dialog.cy, factorY);
    std::vector<DialogItem> kept;
    for (DialogItem& item : dialog.items) {
        item.x = scaled(item.x, factorX);
        item.cx = scaled(item.cx, factorX);
        item.y = scaled(item.y, factorY);
        item.cy = scaled(item.cy, factorY);
        if (item.controlClass == ClassStatic)
            texts.push_back({item.signedId(), item.text,
                             Point(dialogPixels(item.x, units.x), dialogPixels(item.y, units.y)),
                             Dim(dialogPixels(item.cx, units.x), dialogPixels(item.cy, units.y))});
        else
            kept.push_back(std::move(item));
    }
    dialog.items = std::move(kept);
    return texts;
}

} // namespace vael
