#include "game/shell/vael_toolbar.h"

#include "framework/core/bus_event.h"
#include "framework/core/container.h"
#include "framework/core/registered_message.h"
#include "framework/ui/button.h"

namespace vael {

const CommandName vaelCommands[15] = {
    {209, "LeaderCenterOnLeader", "&Center On Leader"},
    {212, "LeaderGroupMove", "&Group Move"},
    {213, "RallyUnit", "&Rally"},
    {214, "RestoreCohesion", "Restore &Cohesion"},
    {219, "MissleVolley", "&Missile Volley\tCtrl + M"},
    {220, "RotateLeft", "Rotate C&ounter-clockwise"},
    {221, "RotateRight", "Rotate Clock&wise"},
    {222, "UnitCenterOnUnit", "Center On &Unit"},
    {224, "LeaderFinishLeader", "&Finish Leader"},
    {225, "UnitViewDetails", "&View Details..."},
    {228, "FileOpenGame", "&Open Game..."},
    {229, "GameOverview", "&Game Overview..."},
    {230, "FilePreferences", "&Preferences..."},
    {235, "UnitAboutFace", "&About Face"},
    {249, "FileStartGame", "&Start Game..."},
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
        {"FileStartGame", "FileStartGame", "Start Game"},
        {"FileOpen", "FileOpenGame", "Open Game"},
        {"FileSave", SaveCommand, "Save Game"},
        {"GameOverview", "GameOverview", "Game Overview"},
    };
    for (const auto& b : buttons)
        addButton(new Button(ArchiveName, b.group, RegisteredMessage::getId(b.command), "", b.tip, b.group));
}

void VaelToolbar::connectHandlers() {
    WindowsToolbar::connectHandlers();
    Toolbar::connectNamed("BlockLeaderMenu", onBlock);
    Toolbar::connectNamed("UnblockLeaderMenu", onUnblock);
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
