#pragma once
// A menu's platform-neutral model: its items in order, and the prefix its items' command names start
// with. Every command item is a named bus message registered under the item's id, so that choosing it,
// its accelerator and a send by name reach the same handlers. The platform form (WindowsMenu) keeps the
// window manager's menu in step with the model.
#include <cstdint>
#include <string>

#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/core/type_name.h"
#include "framework/ui/menu_item.h"
#include "framework/ui/system_menu.h"

namespace vael {

// A label's command name: "&Game" and "&Close" give "GameClose" (as "Game" + "&Close").
std::string labelToCommandName(const std::string& text);
// A label's access key, upper case: the letter after a single "&" before any tab ("&&" is a plain "&");
// 0 when it has none.
char mnemonicOf(const std::string& label);

class Menu {
public:
    explicit Menu(const std::string& name = "") : name_(name) {}
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    virtual void rebuild() = 0;
    virtual ~Menu();
    virtual Menu* clone() const = 0;
    virtual void appendText(const std::string& label, const std::string& command, std::uint16_t state);
    virtual void appendTextNamed(const std::string& label, std::uint16_t state);
    virtual void appendCopy(const MenuItem& item);
    // The menu owns the item.
    virtual void appendItem(MenuItem* item);
    virtual void appendPopup(const std::string& label, const Menu& menu);
    // The menu owns the pull-down's menu.
    virtual void appendPopupMenu(const std::string& label, Menu* menu);
    // A command shown as the picture of that image, in the group of the archive or without a group; its id
    // is the message name's.
    virtual void appendBitmap(const std::string& archiveName, const std::string& groupName,
                              const std::string& imageName, const std::string& message, std::uint16_t state);
    virtual void appendBitmap(const std::string& archiveName, const std::string& imageName,
                              const std::string& message, std::uint16_t state);
    virtual void appendSeparator();
    virtual void appendColumnBreak();
    virtual void appendBarBreak();
    virtual void remove(const std::string& command);
    virtual void remove(std::int32_t id);
    virtual void check(const std::string& command, std::int16_t on);
    virtual void check(std::int32_t id, std::int16_t on);
    virtual void uncheck(const std::string& command);
    virtual void uncheck(std::int32_t id);
    virtual void gray(const std::string& command, std::int16_t on);
    virtual void gray(std::int32_t id, std::int16_t on);
    virtual void ungray(const std::string& command);
    virtual void ungray(std::int32_t id);
    virtual void enable(const std::string& command, std::int16_t on);
    virtual void enable(std::int32_t id, std::int16_t on);
    virtual void disable(const std::string& command);
    virtual void disable(std::int32_t id);
    virtual MenuHandle handle() const = 0;
    // Shows the menu as a pop-up at the point; answers the command chosen (0 for none).
    virtual std::uint16_t trackPopup(const Point& at) = 0;

    // The first item with the id, looked for in list order and into each pull-down as it comes, as the
    // window manager looks for a command; null when there is none.
    MenuItem* find(std::int32_t id) const;
    MenuItem* find(const std::string& command) const;
    bool isChecked(std::int32_t id) const { return hasState(id, MenuItem::Checked, true); }
    bool isUnchecked(std::int32_t id) const { return hasState(id, MenuItem::Checked, false); }
    bool isGrayed(std::int32_t id) const { return hasState(id, MenuItem::Grayed, true); }
    bool isNotGrayed(std::int32_t id) const { return hasState(id, MenuItem::Grayed, false); }
    bool isEnabled(std::int32_t id) const { return hasState(id, MenuItem::Disabled, false); }
    bool isDisabled(std::int32_t id) const { return hasState(id, MenuItem::Disabled, true); }
    bool isChecked(const std::string& c) const { return isChecked(idOf(c)); }
    bool isUnchecked(const std::string& c) const { return isUnchecked(idOf(c)); }
    bool isGrayed(const std::string& c) const { return isGrayed(idOf(c)); }
    bool isNotGrayed(const std::string& c) const { return isNotGrayed(idOf(c)); }
    bool isEnabled(const std::string& c) const { return isEnabled(idOf(c)); }
    bool isDisabled(const std::string& c) const { return isDisabled(idOf(c)); }
    // The pull-down's menu at the position; null when the item there is no pull-down.
    Menu* popupAt(std::int32_t position) const;
    // The menu of the first pull-down whose label gives the command name.
    Menu* findPopup(const std::string& command) const;
    void setPrefix(const std::string& text);

    const List<MenuItem*>& items() const { return items_; }
    const std::string& name() const { return name_; }

protected:
    // The id a command name is registered under, or -1 when the name is not registered (no item has it).
    static std::int32_t idOf(const std::string& command);
    bool hasState(std::int32_t id, std::uint16_t bits, bool set) const;
    // Changes the state of the item with the id: clears the bits, then sets the others.
    void changeState(std::int32_t id, std::uint16_t clear, std::uint16_t set);

    List<MenuItem*> items_;
    std::string name_;
};

} // namespace vael

namespace vael {
VAEL_TYPE_NAME(Menu*, "Menu *");
} // namespace vael
