#include "game/shell/vael_toolbar.h"

#include "framework/core/bus_event.h"
#include "framework/core/container.h"
#include "framework/core/registered_message.h"
#include "framework/ui/button.h"
#include "game/shell/shell_message_names.h"

namespace vael {

const CommandName vaelCommands[15] = {
    {209, msg::LeaderCenterOnLeader, "&Center On Leader"},
    {212, msg::LeaderGroupMove, "&Group Move"},
    {213, msg::RallyUnit, "&Rally"},
    {214, msg::RestoreCohesion, "Restore &Cohesion"},
    {219, msg::MissleVolley, "&Missile Volley\tCtrl + M"},
    {220, msg::RotateLeft, "Rotate C&ounter-clockwise"},
    {221, msg::RotateRight, "Rotate Clock&wise"},
    {222, msg::UnitCenterOnUnit, "Center On &Unit"},
    {224, msg::LeaderFinishLeader, "&Finish Leader"},
    {225, msg::UnitViewDetails, "&View Details..."},
    {228, msg::FileOpenGame, "&Open Game..."},
    {229, msg::GameOverview, "&Game Overview..."},
    {230, msg::FilePreferences, "&Preferences..."},
    {235, msg::UnitAboutFace, "&About Face"},
    {249, msg::FileStartGame, "&Start Game..."},
};

void registerToolbarCommands() {
    for (const CommandName& c : vaelCommands)
        RegisteredMessage::registerWithId(c.id, c.name);
}

VaelToolbar::VaelToolbar(WindowHandle frame)
    : Window(Point(0, 0), Dim(0, 0), nullptr, "Vael Toolbar"),
      WindowsToolbar(frame, "Toolbar", "Vael Toolbar") {
    registerToolbarCommands();
    const struct {
        const char* group;
        const char* command;
        const char* tip;
    } buttons[] = {
        {"FileStartGame", msg::FileStartGame, "Start Game"},
        {"FileOpen", msg::FileOpenGame, "Open Game"},
        {"FileSave", SaveCommand, "Save Game"},
        {"GameOverview", msg::GameOverview, "Game Overview"},
    };
    for (const auto& b : buttons)
        addButton(new Button(ArchiveName, b.group, RegisteredMessage::getId(b.command), "", b.tip, b.group));
    // The bar is made before any battle.
    Item<Button*>* it = nullptr;
    for (Toolbar::buttons().firstItem(it); it; it = it->next)
        if (actsOnBattle(it->value->message()))
            it->value->setFlags(static_cast<std::uint16_t>(it->value->flags() & ~Button::Enabled));
}

bool VaelToolbar::actsOnBattle(BusMessage command) {
    return command == BusMessage(RegisteredMessage::getId(SaveCommand)) ||
           command == BusMessage(RegisteredMessage::getId(msg::GameOverview));
}

void VaelToolbar::setBattleOpen(bool open) {
    Item<Button*>* it = nullptr;
    for (Toolbar::buttons().firstItem(it); it; it = it->next)
        if (actsOnBattle(it->value->message()))
            open ? it->value->enable(it->value->message()) : it->value->disable(it->value->message());
}

void VaelToolbar::connectHandlers() {
    WindowsToolbar::connectHandlers();
    Toolbar::connectNamed(msg::BlockLeaderMenu, onBlock);
    Toolbar::connectNamed(msg::UnblockLeaderMenu, onUnblock);
}

// The leader menu's "Finish Leader" is grayed in the menu resource: it can be chosen only between a
// player's leader taking up his orders and his finishing them (or while his own walk is not under way),
// which the leaders tell as "UnblockLeaderMenu" and "BlockLeaderMenu". The menus and the finish prompt
// follow the item's enabling on the bus.
void VaelToolbar::setLeaderMenuBlocked(bool blocked) {
    blocked_ = blocked;
    Container<BusMessage> item{BusMessage(FinishLeaderCommand)};
    Toolbar::send(blocked ? DISABLE_MENU_ITEM : ENABLE_MENU_ITEM, &item);
}

ContainerBase* VaelToolbar::onBlock(Component* target, BusMessage, ContainerBase*) {
    if (auto* bar = dynamic_cast<VaelToolbar*>(target)) bar->setLeaderMenuBlocked(true);
    return nullptr;
}

ContainerBase* VaelToolbar::onUnblock(Component* target, BusMessage, ContainerBase*) {
    if (auto* bar = dynamic_cast<VaelToolbar*>(target)) bar->setLeaderMenuBlocked(false);
    return nullptr;
}

} // namespace vael
