// Arbitrary text as a dialog template: every line is read or noted, at most 255 controls are kept, and
// converting what was read keeps every control that is not a text and takes each text out once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/ui/dialog_template.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vael::DialogTemplateReader read("Fuzz", std::string_view(reinterpret_cast<const char*>(data), size));
    if (!read.result()) {
        if (read.errors().empty()) std::abort();
        return 0;
    }
    vael::DialogTemplate dialog = *read.result();
    if (dialog.items.size() > vael::DialogTemplate::MaxItems) std::abort();
    std::size_t texts = 0;
    for (const vael::DialogItem& item : dialog.items)
        texts += item.controlClass == vael::ClassStatic;
    const std::size_t before = dialog.items.size();
    const auto tiles = vael::convertTemplate(dialog, vael::DialogUnits::of(8, 16));
    if (tiles.size() != texts || dialog.items.size() != before - texts) std::abort();
    return 0;
}
