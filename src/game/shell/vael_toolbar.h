#pragma once
// The game's tool bar, and the command names of the game's menus under their fixed command ids: a menu
// command or tool-bar button of such an id arrives on the bus as the message of that name.
#include <cstdint>
#include <string>

#include "framework/ui/toolbar.h"

namespace vael {

struct CommandName {
    std::uint16_t id;
    const char* name;
    const char* itemText; // the menu item's text
};

// The fixed commands, ascending by id.
extern const CommandName vaelCommands[15];

// Registers every fixed command's name under its id; once is enough, again does no harm.
void registerToolbarCommands();

class VaelToolbar : public WindowsToolbar {
public:
    static constexpr const char* ArchiveName = "Buttons 2";
    // The command that saves a battle has no menu item, so no fixed id.
    static constexpr const char* SaveCommand = "FileSaveGame";
    static constexpr std::uint16_t FinishLeaderCommand = 224;

    explicit VaelToolbar(WindowHandle frame);

    void connectHandlers() override;
    // The leaders keep the leader commands away while a computer leader plays.
    bool leaderMenuBlocked() const { return blocked_; }
    // Save Game and Game Overview act on a battle: greyed while none is open (the start screen), offered
    // while one is.
    void setBattleOpen(bool open);

private:
    static bool actsOnBattle(BusMessage command);
    void setLeaderMenuBlocked(bool blocked);
    static ContainerBase* onBlock(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onUnblock(Component* target, BusMessage event, ContainerBase* data);
    bool blocked_ = false;
};

} // namespace vael
