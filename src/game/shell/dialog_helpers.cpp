#include "game/shell/dialog_helpers.h"

#include "framework/core/application.h"
#include "framework/core/list_walk.h"
#include "framework/ui/dialog.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/font.h"

namespace vael::dialog_helpers {

std::int16_t pixelsX(std::int32_t units) {
    return static_cast<std::int16_t>(units * 7 / 4);
}

std::int16_t pixelsY(std::int32_t units) {
    return static_cast<std::int16_t>(units * 13 / 8);
}

void write(Display& target, DialogFont& font, std::int16_t x, std::int16_t y, const std::string& text) {
    font.drawText(target, Point(x, static_cast<std::int16_t>(y + font.ascent())), text, 3);
}

std::string fitted(DialogFont& font, const std::string& text, std::int32_t width) {
    if (font.textWidth(text) <= width) return text;
    std::string cut = text;
    while (!cut.empty() && font.textWidth(cut + "...") > width)
        cut.pop_back();
    return cut + "...";
}

bool checked(const Dialog& dialog, std::int16_t id) {
    const auto* box = dynamic_cast<const DialogButton*>(dialog.controlOf(id));
    return box && box->getCheck() != 0;
}

bool closedByButton(Dialog& dialog, std::uint16_t id, std::int16_t button, std::int16_t value) {
    if (id != static_cast<std::uint16_t>(button)) return false;
    dialog.close(value);
    return true;
}

std::vector<short> valuesOf(const List<short>& list) {
    std::vector<short> values;
    for (short v : each(list))
        values.push_back(v);
    return values;
}

void tell(const std::string& text, const std::string& title) {
    if (Application* app = Application::instance()) app->messageBox(text, title, 0);
}

} // namespace vael::dialog_helpers
