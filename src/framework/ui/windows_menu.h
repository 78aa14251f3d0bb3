#pragma once
// A menu with its window-manager form: every change of the model is made to the window manager's menu
// as well, so that what the user sees and chooses is what the model holds.
#include <memory>
#include <string>
#include <string_view>

#include "framework/ui/menu.h"

namespace vael {

class WindowsMenu : public Menu {
public:
    // An empty pop-up, or an empty menu bar.
    explicit WindowsMenu(bool isPopup);
    // The menu resource of that name (any case); a missing one is reported and gives an empty menu.
    WindowsMenu(std::string_view resourceName, bool isPopup);
    // Adopts the menu and builds the model from it.
    WindowsMenu(std::unique_ptr<SystemMenu> menu, bool isPopup);
    // A pull-down: adopts the menu and builds the model with the prefix.
    WindowsMenu(std::unique_ptr<SystemMenu> menu, const std::string& prefix);
    WindowsMenu(const WindowsMenu& other);

    void rebuild() override;
    Menu* clone() const override { return new WindowsMenu(*this); }
    void appendItem(MenuItem* item) override;
    using Menu::check;
    using Menu::disable;
    using Menu::enable;
    using Menu::gray;
    using Menu::remove;
    using Menu::uncheck;
    using Menu::ungray;
    void remove(std::int32_t id) override;
    void check(std::int32_t id, std::int16_t on) override;
    void uncheck(std::int32_t id) override;
    void gray(std::int32_t id, std::int16_t on) override;
    void ungray(std::int32_t id) override;
    void enable(std::int32_t id, std::int16_t on) override;
    void disable(std::int32_t id) override;
    MenuHandle handle() const override { return menu_.get(); }
    // Posts the command chosen to the main window, as a choice from the menu bar arrives.
    std::uint16_t trackPopup(const Point& at) override;

    bool isPopup() const { return isPopup_; }
    std::uint16_t breakPending() const { return breakPending_; }

private:
    void buildItems(SystemMenu& menu, const std::string& prefix);
    void appendItems(const MenuItem& item);
    // The window manager's menu changes for the item of that id, if it is one of a command.
    template <class Change> void changeSystemMenu(std::int32_t id, Change change) {
        if (id > 0 && id <= 0xFFFF) change(static_cast<std::uint16_t>(id));
    }

    std::unique_ptr<SystemMenu> menu_;
    std::uint16_t isPopup_;
    std::uint16_t breakPending_ = 0;
    std::uint32_t breakFlag_ = 0;
};

} // namespace vael
