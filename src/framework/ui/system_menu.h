#pragma once
// The menus of our window manager, in place of the system's menu handles: a menu bar or a pop-up holding
// entries with their flags, command ids and texts, found by command through nested pop-ups as the system
// finds them. The window manager draws them inside the one window; headless, a script chooses from them.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/geometry.h"

namespace vael {

class SystemMenu;
using MenuHandle = SystemMenu*;

// The picture an entry shows in place of a label: 8-bit palette indexes, rows of rowBytes (the width
// padded to four bytes), of which the first width are the picture.
struct MenuBitmap {
    std::int16_t width = 0, height = 0, rowBytes = 0;
    std::vector<std::uint8_t> pixels;
};

// What the menu shows for an entry: its label, or its picture.
struct MenuContent {
    std::string text;
    std::shared_ptr<const MenuBitmap> bitmap;
};

class SystemMenu {
public:
    // Entry flags.
    enum Flag : std::uint32_t {
        Grayed = 0x1,
        Disabled = 0x2,
        Bitmap = 0x4, // shows its picture in place of a label
        Checked = 0x8,
        Popup = 0x10,
        BarBreak = 0x20, // starts a new column with a bar before it
        ColumnBreak = 0x40,
        Separator = 0x800,
    };

    struct Entry {
        std::uint32_t flags = 0;
        std::uint16_t id = 0;         // the command id; 0 for a pop-up or a separator
        MenuHandle submenu = nullptr; // a pop-up's menu (not owned by this entry)
        std::string text;
        std::shared_ptr<const MenuBitmap> bitmap; // a bitmap entry's picture, shared with its copies
    };

    // Chooses from a pop-up shown at a point: answers the command id chosen, 0 for none.
    using Tracker = std::function<std::uint16_t(const SystemMenu& menu, const Point& at)>;

    explicit SystemMenu(bool popup) : popup_(popup) {}
    SystemMenu(const SystemMenu&) = delete;
    SystemMenu& operator=(const SystemMenu&) = delete;

    bool isPopup() const { return popup_; }
    std::size_t count() const { return entries_.size(); }
    const Entry& entry(std::size_t position) const { return entries_[position]; }

    // Empties the menu; the handle stays the same, so that the pull-down entries naming it stay sound.
    void clear() {
        entries_.clear();
        kept_.clear();
    }
    // A pop-up entry names its menu in place of a command id.
    void append(std::uint32_t flags, std::uint16_t id, MenuHandle submenu, std::string_view text);
    // A bitmap entry (the Bitmap flag) keeps the picture and no text.
    void append(std::uint32_t flags, std::uint16_t id, MenuHandle submenu, const MenuContent& content);
    // The first entry of that command, looked for through the pop-ups in order; false when none has it.
    bool remove(std::uint16_t id);
    bool check(std::uint16_t id, bool checked);
    // state: 0 enabled, Grayed (which is also disabled) or Disabled.
    bool enable(std::uint16_t id, std::uint32_t state);
    const Entry* findCommand(std::uint16_t id) const;

    // Choosing as the user does: the command of the entry at the path of positions (a pull-down's
    // position, then the item's), or 0 when the path ends at no enabled command.
    std::uint16_t commandAt(const std::vector<std::size_t>& path) const;

    // Shows the menu as a pop-up at the point and answers the command chosen (0 for none).
    std::uint16_t track(const Point& at) const;
    // The window manager's tracking (headless: a script); answers the replaced one.
    static Tracker setTracker(Tracker tracker);

    // Menus this one keeps alive for the pop-ups of entries it was read with; whoever builds a model
    // from such an entry takes its menu over.
    void keep(std::unique_ptr<SystemMenu> submenu) { kept_.push_back(std::move(submenu)); }
    std::unique_ptr<SystemMenu> giveUp(MenuHandle submenu);

private:
    Entry* findCommandEntry(std::uint16_t id, SystemMenu** owner, std::size_t* position);

    bool popup_;
    std::vector<Entry> entries_;
    std::vector<std::unique_ptr<SystemMenu>> kept_;
};

} // namespace vael
