#include "framework/ui/menu.h"

#include <algorithm>
#include <cctype>

#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"

namespace vael {

char mnemonicOf(const std::string& label) {
    for (std::size_t i = 0; i + 1 < label.size() && label[i] != '\t'; ++i)
        if (label[i] == '&') {
            if (label[i + 1] != '&')
                return static_cast<char>(std::toupper(static_cast<unsigned char>(label[i + 1])));
            ++i;
        }
    return 0;
}

std::string labelToCommandName(const std::string& text) {
    std::string s = text;
    if (!s.empty()) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    std::string name;
    for (std::size_t i = 0; i < s.size() && s[i] != '\t'; ++i) {
        const char c = s[i];
        if (c == '&' || c == '.') continue;
        if (c != ' ') {
            name += c;
            continue;
        }
        std::size_t next = i + 1;
        while (next < s.size() && s[next] == '&')
            ++next;
        if (next == s.size() || s[next] == '\t') break;
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(s[next])));
        i = next;
    }
    return name;
}

// Items.

TextItem::TextItem(const std::string& label, const std::string& command, std::uint16_t state)
    : MenuItem(RegisteredMessage::getId(command), state, false), label_(label), command_(command) {}

void TextItem::addPrefix(const std::string& text) {
    command_ = text + command_;
    id_ = RegisteredMessage::getId(command_);
}

PopupItem::PopupItem(const std::string& label, Menu* submenu)
    : TextItem(label, labelToCommandName(label), 0, 0), submenu_(submenu) {}

PopupItem::PopupItem(const PopupItem& other) : TextItem(other), submenu_(other.submenu_->clone()) {}

PopupItem::~PopupItem() = default;

MenuItem* PopupItem::clone() const {
    return new PopupItem(*this);
}

void PopupItem::addPrefix(const std::string& text) {
    submenu_->setPrefix(text);
}

std::uintptr_t PopupItem::commandId() const {
    return reinterpret_cast<std::uintptr_t>(submenu_->handle());
}

BitmapItem::BitmapItem(const std::string& archiveName, const std::string& groupName,
                       const std::string& imageName, const std::string& message, std::uint16_t state)
    : MenuItem(RegisteredMessage::getId(message), state, false), archive_(PictureArchive::open(archiveName)) {
    if (archive_)
        image_ = groupName.empty() ? archive_->drawableInAnyGroup(imageName)
                                   : archive_->drawable(imageName, groupName);
    if (!image_.exists())
        debugStream() << "Menu item " << message << " has no picture: " << archiveName << " holds no image "
                      << imageName << (groupName.empty() ? "" : " in group " + groupName) << std::endl;
}

MenuContent BitmapItem::content() const {
    auto bitmap = std::make_shared<MenuBitmap>();
    if (image_.exists()) {
        const platform::Surface& s = image_.surface;
        bitmap->width = static_cast<std::int16_t>(s.width);
        bitmap->height = static_cast<std::int16_t>(s.height);
        bitmap->rowBytes = static_cast<std::int16_t>((s.width + 3) & ~3);
        bitmap->pixels.assign(static_cast<std::size_t>(bitmap->rowBytes) * static_cast<std::size_t>(s.height),
                              0);
        for (std::int32_t y = 0; y < s.height; ++y)
            std::copy_n(s.pixels + static_cast<std::ptrdiff_t>(y) * s.pitch, s.width,
                        bitmap->pixels.begin() + static_cast<std::ptrdiff_t>(y) * bitmap->rowBytes);
    }
    return {std::string(), std::move(bitmap)};
}

// The menu.

Menu::~Menu() {
    MenuItem* item = nullptr;
    while (items_.removeFirst(item))
        delete item;
}

void Menu::appendText(const std::string& label, const std::string& command, std::uint16_t state) {
    appendItem(new TextItem(label, command, state));
}

void Menu::appendTextNamed(const std::string& label, std::uint16_t state) {
    appendItem(new TextItem(label, labelToCommandName(name_ + label), state));
}

void Menu::appendCopy(const MenuItem& item) {
    appendItem(item.clone());
}

void Menu::appendItem(MenuItem* item) {
    items_.append(item);
}

void Menu::appendPopup(const std::string& label, const Menu& menu) {
    appendPopupMenu(label, menu.clone());
}

void Menu::appendPopupMenu(const std::string& label, Menu* menu) {
    menu->setPrefix(labelToCommandName(name_ + label));
    appendItem(new PopupItem(label, menu));
}

void Menu::appendBitmap(const std::string& archiveName, const std::string& groupName,
                        const std::string& imageName, const std::string& message, std::uint16_t state) {
    appendItem(new BitmapItem(archiveName, groupName, imageName, message, state));
}

void Menu::appendBitmap(const std::string& archiveName, const std::string& imageName,
                        const std::string& message, std::uint16_t state) {
    appendItem(new BitmapItem(archiveName, std::string(), imageName, message, state));
}

void Menu::appendSeparator() {
    appendItem(new MenuItem(MenuItem::SeparatorMarker, 0));
}

void Menu::appendColumnBreak() {
    appendItem(new MenuItem(MenuItem::ColumnBreakMarker, 0));
}

void Menu::appendBarBreak() {
    appendItem(new MenuItem(MenuItem::BarBreakMarker, 0));
}

std::int32_t Menu::idOf(const std::string& command) {
    std::uint16_t id = 0;
    return RegisteredMessage::lookUp(command, id) ? id : -1;
}

MenuItem* Menu::find(std::int32_t id) const {
    if (id < 0) return nullptr;
    Item<MenuItem*>* n = nullptr;
    for (items_.firstItem(n); n; n = n->next) {
        MenuItem* item = n->value;
        if (!item->isMarker() && item->commandId() == static_cast<std::uintptr_t>(id)) return item;
        if (auto* popup = dynamic_cast<PopupItem*>(item))
            if (MenuItem* found = popup->submenu()->find(id)) return found;
    }
    return nullptr;
}

MenuItem* Menu::find(const std::string& command) const {
    return find(idOf(command));
}

bool Menu::hasState(std::int32_t id, std::uint16_t bits, bool set) const {
    const MenuItem* item = find(id);
    return item && ((item->state() & bits) != 0) == set;
}

void Menu::changeState(std::int32_t id, std::uint16_t clear, std::uint16_t set) {
    if (MenuItem* item = find(id)) item->setState(static_cast<std::uint16_t>((item->state() & ~clear) | set));
}

void Menu::remove(const std::string& command) {
    remove(idOf(command));
}

void Menu::remove(std::int32_t id) {
    MenuItem* item = find(id);
    if (!item) return;
    if (items_.remove(item)) {
        delete item;
        return;
    }
    Item<MenuItem*>* n = nullptr;
    for (items_.firstItem(n); n; n = n->next)
        if (auto* popup = dynamic_cast<PopupItem*>(n->value))
            if (popup->submenu()->find(id) == item) return popup->submenu()->Menu::remove(id);
}

void Menu::check(const std::string& command, std::int16_t on) {
    if (on)
        check(idOf(command), 1);
    else
        uncheck(command);
}

void Menu::check(std::int32_t id, std::int16_t on) {
    if (on)
        changeState(id, 0, MenuItem::Checked);
    else
        uncheck(id);
}

void Menu::uncheck(const std::string& command) {
    uncheck(idOf(command));
}

// Clearing one state leaves the others, as the window manager's menu does.
void Menu::uncheck(std::int32_t id) {
    changeState(id, MenuItem::Checked, 0);
}

void Menu::gray(const std::string& command, std::int16_t on) {
    if (on)
        gray(idOf(command), 1);
    else
        ungray(command);
}

void Menu::gray(std::int32_t id, std::int16_t on) {
    if (on)
        changeState(id, 0, MenuItem::Grayed | MenuItem::Disabled);
    else
        ungray(id);
}

void Menu::ungray(const std::string& command) {
    ungray(idOf(command));
}

void Menu::ungray(std::int32_t id) {
    changeState(id, MenuItem::Grayed | MenuItem::Disabled, 0);
}

void Menu::enable(const std::string& command, std::int16_t on) {
    if (on)
        enable(idOf(command), 1);
    else
        disable(command);
}

void Menu::enable(std::int32_t id, std::int16_t on) {
    if (on)
        changeState(id, MenuItem::Grayed | MenuItem::Disabled, 0);
    else
        disable(id);
}

void Menu::disable(const std::string& command) {
    disable(idOf(command));
}

void Menu::disable(std::int32_t id) {
    changeState(id, 0, MenuItem::Disabled);
}

Menu* Menu::popupAt(std::int32_t position) const {
    std::int32_t i = 0;
    Item<MenuItem*>* n = nullptr;
    for (items_.firstItem(n); n; n = n->next, ++i)
        if (i == position) {
            auto* popup = dynamic_cast<PopupItem*>(n->value);
            return popup ? popup->submenu() : nullptr;
        }
    return nullptr;
}

Menu* Menu::findPopup(const std::string& command) const {
    Item<MenuItem*>* n = nullptr;
    for (items_.firstItem(n); n; n = n->next)
        if (auto* popup = dynamic_cast<PopupItem*>(n->value))
            if (labelToCommandName(popup->label()) == command) return popup->submenu();
    return nullptr;
}

void Menu::setPrefix(const std::string& text) {
    Item<MenuItem*>* n = nullptr;
    for (items_.firstItem(n); n; n = n->next)
        n->value->addPrefix(text);
    name_ = text;
    rebuild();
}

} // namespace vael
