#pragma once
// The players' side of a network game: who plays which leaders, the lines they say to each other, the
// host's word that the battle begins, and a player who leaves. It talks on the bus; the network component
// carries its messages to the other machine.
#include <functional>
#include <string>
#include <vector>

#include "framework/core/component.h"

namespace vael {

// The chat keeps the last lines said, never every line of a long evening.
constexpr std::size_t MaxChatLines = 300;
// Appends the line and lets the oldest go beyond MaxChatLines; true when one went.
bool keepChatLine(std::vector<std::string>& lines, std::string line);

class NetChat : public Component {
public:
    NetChat();
    void connectHandlers() override;

    void setPlayerName(const std::string& name) { player_ = name; }
    const std::string& playerName() const { return player_; }

    // Says a line to every machine: "name: text".
    void say(const std::string& text);
    // "SetPlayerInfo" with the player's leaders written "(name,name,...)".
    void announceLeaders(const std::vector<std::string>& leaders) { announceLeaders(player_, leaders); }
    // The same for another player: the host tells its own game control whom it gave which leader.
    void announceLeaders(const std::string& player, const std::vector<std::string>& leaders);
    // "PlayerDeleted": this player leaves the game.
    void leave();
    // The host's word to a player who has logged on: the title of the battle they will fight.
    void tellBattleTitle(const std::string& title);
    // The host's word to the others: the battle of this scenario begins, the guest playing these leaders.
    void startBattle(const std::string& scenarioFile, const std::vector<std::string>& guestLeaders);

    const std::vector<std::string>& lines() const { return lines_; }
    std::function<void(const std::string& line)> onLine;
    std::function<void(const std::string& scenarioFile, const std::vector<std::string>& leaders)> onStart;
    std::function<void(const std::string& title)> onBattleTitle;

    // "(a,b)" and back.
    static std::string leaderList(const std::vector<std::string>& leaders);
    static std::vector<std::string> leadersOf(const std::string& list);

private:
    static ContainerBase* onChatLine(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onStartBattle(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onTitle(Component* target, BusMessage event, ContainerBase* data);
    std::string player_ = "Player";
    std::vector<std::string> lines_;
};

} // namespace vael
