#include "framework/ui/system_menu.h"

namespace vael {

namespace {
SystemMenu::Tracker& tracker() {
    static SystemMenu::Tracker t;
    return t;
}
} // namespace

void SystemMenu::append(std::uint32_t flags, std::uint16_t id, MenuHandle submenu, std::string_view text) {
    Entry e;
    e.flags = flags;
    e.id = (flags & (Popup | Separator)) ? 0 : id;
    e.submenu = (flags & Popup) ? submenu : nullptr;
    if (!(flags & Separator)) e.text = text;
    entries_.push_back(std::move(e));
}

void SystemMenu::append(std::uint32_t flags, std::uint16_t id, MenuHandle submenu,
                        const MenuContent& content) {
    if (!(flags & Bitmap)) return append(flags, id, submenu, content.text);
    append(flags, id, submenu, std::string_view());
    entries_.back().bitmap = content.bitmap;
}

SystemMenu::Entry* SystemMenu::findCommandEntry(std::uint16_t id, SystemMenu** owner, std::size_t* position) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        if (e.flags & Separator) continue;
        if (e.flags & Popup) {
            if (e.submenu)
                if (Entry* found = e.submenu->findCommandEntry(id, owner, position)) return found;
            continue;
        }
        if (e.id == id) {
            *owner = this;
            *position = i;
            return &e;
        }
    }
    return nullptr;
}

const SystemMenu::Entry* SystemMenu::findCommand(std::uint16_t id) const {
    SystemMenu* owner = nullptr;
    std::size_t position = 0;
    return const_cast<SystemMenu*>(this)->findCommandEntry(id, &owner, &position);
}

bool SystemMenu::remove(std::uint16_t id) {
    SystemMenu* owner = nullptr;
    std::size_t position = 0;
    if (!findCommandEntry(id, &owner, &position)) return false;
    owner->entries_.erase(owner->entries_.begin() + static_cast<std::ptrdiff_t>(position));
    return true;
}

bool SystemMenu::check(std::uint16_t id, bool checked) {
    SystemMenu* owner = nullptr;
    std::size_t position = 0;
    Entry* e = findCommandEntry(id, &owner, &position);
    if (!e) return false;
    e->flags = checked ? (e->flags | Checked) : (e->flags & ~Checked);
    return true;
}

bool SystemMenu::enable(std::uint16_t id, std::uint32_t state) {
    SystemMenu* owner = nullptr;
    std::size_t position = 0;
    Entry* e = findCommandEntry(id, &owner, &position);
    if (!e) return false;
    e->flags = (e->flags & ~(Grayed | Disabled)) | (state & (Grayed | Disabled));
    return true;
}

std::uint16_t SystemMenu::commandAt(const std::vector<std::size_t>& path) const {
    const SystemMenu* menu = this;
    for (std::size_t step = 0; step < path.size(); ++step) {
        if (!menu || path[step] >= menu->entries_.size()) return 0;
        const Entry& e = menu->entries_[path[step]];
        if (e.flags & (Grayed | Disabled | Separator)) return 0;
        if (e.flags & Popup) {
            menu = e.submenu;
            continue;
        }
        return step + 1 == path.size() ? e.id : 0;
    }
    return 0;
}

std::uint16_t SystemMenu::track(const Point& at) const {
    return tracker() ? tracker()(*this, at) : 0;
}

SystemMenu::Tracker SystemMenu::setTracker(Tracker t) {
    Tracker previous = std::move(tracker());
    tracker() = std::move(t);
    return previous;
}

std::unique_ptr<SystemMenu> SystemMenu::giveUp(MenuHandle submenu) {
    for (auto it = kept_.begin(); it != kept_.end(); ++it)
        if (it->get() == submenu) {
            std::unique_ptr<SystemMenu> taken = std::move(*it);
            kept_.erase(it);
            return taken;
        }
    return nullptr;
}

} // namespace vael
