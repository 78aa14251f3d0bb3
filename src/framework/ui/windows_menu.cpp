#include "framework/ui/windows_menu.h"

#include "framework/core/assertion.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "framework/ui/menu_resource.h"
#include "framework/ui/win_app.h"
#include "framework/ui/window_message.h"
#include "platform/resources.h"

namespace vael {

namespace {
std::unique_ptr<SystemMenu> loadMenuResource(std::string_view name) {
    const platform::Resource* resource = platform::findResource("menus", name);
    Assertion::check(resource != nullptr, "Can't find the menu resource " + std::string(name), __FILE__,
                     __LINE__);
    if (!resource) return std::make_unique<SystemMenu>(false);
    MenuResource read(resource->text);
    for (const std::string& error : read.errors())
        debugStream() << "Menu resource " << name << ", " << error << std::endl;
    return read.take();
}
} // namespace

WindowsMenu::WindowsMenu(bool isPopup) : menu_(std::make_unique<SystemMenu>(isPopup)), isPopup_(isPopup) {}

WindowsMenu::WindowsMenu(std::string_view resourceName, bool isPopup)
    : WindowsMenu(loadMenuResource(resourceName), isPopup) {}

WindowsMenu::WindowsMenu(std::unique_ptr<SystemMenu> menu, bool isPopup)
    : menu_(menu ? std::move(menu) : std::make_unique<SystemMenu>(isPopup)), isPopup_(isPopup) {
    buildItems(*menu_, "");
}

WindowsMenu::WindowsMenu(std::unique_ptr<SystemMenu> menu, const std::string& prefix)
    : Menu(prefix), menu_(menu ? std::move(menu) : std::make_unique<SystemMenu>(true)), isPopup_(1) {
    buildItems(*menu_, prefix);
}

WindowsMenu::WindowsMenu(const WindowsMenu& other)
    : Menu(other.name_), menu_(std::make_unique<SystemMenu>(other.isPopup_)), isPopup_(other.isPopup_) {
    Item<MenuItem*>* n = nullptr;
    for (other.items_.firstItem(n); n; n = n->next)
        appendItem(n->value->clone());
}

void WindowsMenu::buildItems(SystemMenu& menu, const std::string& prefix) {
    for (std::size_t position = 0; position < menu.count(); ++position) {
        const SystemMenu::Entry& entry = menu.entry(position);
        if (entry.flags & SystemMenu::BarBreak) Menu::appendItem(new MenuItem(MenuItem::BarBreakMarker, 0));
        if (entry.flags & SystemMenu::ColumnBreak)
            Menu::appendItem(new MenuItem(MenuItem::ColumnBreakMarker, 0));
        if ((entry.flags & SystemMenu::Separator) && !entry.submenu) {
            Menu::appendItem(new MenuItem(MenuItem::SeparatorMarker, 0));
            continue;
        }
        const std::string text = entry.text.substr(0, 100);
        const std::string name = labelToCommandName(prefix + text);
        if (!entry.submenu) {
            // An id that the toolbar or the application named first keeps that name; the item still
            // chooses its command by the id, so it reaches the same handlers.
            if (!RegisteredMessage::registerWithId(entry.id, name))
                debugStream() << "Menu command " << name << " comes as "
                              << RegisteredMessage::nameOf(entry.id) << " (id " << entry.id << ")"
                              << std::endl;
            std::uint16_t state = 0;
            if (entry.flags & SystemMenu::Checked) state |= MenuItem::Checked;
            if (entry.flags & SystemMenu::Disabled) state |= MenuItem::Disabled;
            if (entry.flags & SystemMenu::Grayed) state |= MenuItem::Grayed;
            Menu::appendItem(new TextItem(text, name, entry.id, state));
            continue;
        }
        // A pull-down read from a resource is kept by its bar until its own menu takes it over; any other
        // is someone else's, so its model is built on a copy.
        std::unique_ptr<SystemMenu> submenu = menu.giveUp(entry.submenu);
        WindowsMenu* popup = nullptr;
        if (submenu) {
            popup = new WindowsMenu(std::move(submenu), name);
        } else {
            popup = new WindowsMenu(true);
            popup->name_ = name;
            popup->buildItems(*entry.submenu, name);
            popup->rebuild();
        }
        Menu::appendItem(new PopupItem(text, popup));
    }
}

void WindowsMenu::appendItems(const MenuItem& item) {
    std::uint32_t flags = 0;
    if (breakPending_) {
        breakPending_ = 0;
        flags |= breakFlag_;
    }
    if (item.isMarker()) {
        if (item.id() == MenuItem::SeparatorMarker) {
            menu_->append(SystemMenu::Separator, 0, nullptr, "");
        } else {
            breakFlag_ =
                item.id() == MenuItem::ColumnBreakMarker ? SystemMenu::ColumnBreak : SystemMenu::BarBreak;
            breakPending_ = 1;
        }
        return;
    }
    const auto* popup = dynamic_cast<const PopupItem*>(&item);
    if (popup) flags |= SystemMenu::Popup;
    if (dynamic_cast<const BitmapItem*>(&item)) flags |= SystemMenu::Bitmap;
    if (item.state() & MenuItem::Checked) flags |= SystemMenu::Checked;
    if (item.state() & MenuItem::Grayed) flags |= SystemMenu::Grayed;
    if (item.state() & MenuItem::Disabled) flags |= SystemMenu::Disabled;
    menu_->append(flags, item.id(), popup ? popup->submenu()->handle() : nullptr, item.content());
}

// The window manager's menu is emptied rather than made anew: the entry of a bar that shows this menu as
// a pull-down names it, and would be left naming a menu that is gone.
void WindowsMenu::rebuild() {
    menu_->clear();
    breakPending_ = 0;
    Item<MenuItem*>* n = nullptr;
    for (items_.firstItem(n); n; n = n->next)
        appendItems(*n->value);
}

void WindowsMenu::appendItem(MenuItem* item) {
    Menu::appendItem(item);
    appendItems(*item);
}

void WindowsMenu::remove(std::int32_t id) {
    Menu::remove(id);
    changeSystemMenu(id, [&](std::uint16_t command) { menu_->remove(command); });
}

void WindowsMenu::check(std::int32_t id, std::int16_t on) {
    Menu::check(id, on);
    changeSystemMenu(id, [&](std::uint16_t command) { menu_->check(command, on != 0); });
}

void WindowsMenu::uncheck(std::int32_t id) {
    Menu::uncheck(id);
    changeSystemMenu(id, [&](std::uint16_t command) { menu_->check(command, false); });
}

void WindowsMenu::gray(std::int32_t id, std::int16_t on) {
    Menu::gray(id, on);
    changeSystemMenu(id, [&](std::uint16_t command) {
        menu_->enable(command, on ? std::uint32_t{SystemMenu::Grayed} : 0u);
    });
}

void WindowsMenu::ungray(std::int32_t id) {
    Menu::ungray(id);
    changeSystemMenu(id, [&](std::uint16_t command) { menu_->enable(command, 0); });
}

void WindowsMenu::enable(std::int32_t id, std::int16_t on) {
    Menu::enable(id, on);
    changeSystemMenu(id, [&](std::uint16_t command) {
        menu_->enable(command, on ? 0u : std::uint32_t{SystemMenu::Disabled});
    });
}

void WindowsMenu::disable(std::int32_t id) {
    Menu::disable(id);
    changeSystemMenu(id, [&](std::uint16_t command) {
        menu_->enable(command, SystemMenu::Grayed | SystemMenu::Disabled);
    });
}

std::uint16_t WindowsMenu::trackPopup(const Point& at) {
    const std::uint16_t command = menu_->track(at);
    if (command != 0)
        if (auto* app = dynamic_cast<WinApp*>(Application::instance()))
            app->postMessage(WinApp::mainWindowHandle(), MessageCommand, command, 0);
    return command;
}

} // namespace vael
