// Arbitrary text as a menu resource: every line is either read or noted, the menu built from what was
// read has only commands of the fixed ids and pull-downs no deeper than allowed, and a model built on it
// shows the same entries again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/core/registered_message.h"
#include "framework/ui/menu_resource.h"
#include "framework/ui/windows_menu.h"

namespace {
std::size_t check(const vael::SystemMenu& menu, int depth) {
    if (depth > vael::MenuResource::MaxDepth + 1) std::abort();
    std::size_t commands = 0;
    for (std::size_t i = 0; i < menu.count(); ++i) {
        const vael::SystemMenu::Entry& e = menu.entry(i);
        if (e.flags & vael::SystemMenu::Popup) {
            if (!e.submenu) std::abort();
            commands += check(*e.submenu, depth + 1);
        } else if (!(e.flags & vael::SystemMenu::Separator)) {
            if (e.id < vael::MenuResource::FirstId || e.id > vael::MenuResource::LastId) std::abort();
            ++commands;
        }
    }
    return commands;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::MenuResource read(std::string_view(reinterpret_cast<const char*>(data), size));
    auto menu = read.take();
    if (!menu) std::abort();
    const std::size_t commands = check(*menu, 0);
    vael::WindowsMenu model(std::move(menu), false);
    if (check(*model.handle(), 0) != commands) std::abort();
    model.rebuild();
    if (check(*model.handle(), 0) != commands) std::abort();
    vael::RegisteredMessage::clearRegistry();
    return 0;
}
