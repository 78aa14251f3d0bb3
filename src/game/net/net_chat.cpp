#include "game/net/net_chat.h"

#include "framework/core/printable.h"
#include "game/flow/game_control.h"
#include "game/net/net_message_names.h"

namespace vael {

bool keepChatLine(std::vector<std::string>& lines, std::string line) {
    lines.push_back(std::move(line));
    if (lines.size() <= MaxChatLines) return false;
    lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(MaxChatLines));
    return true;
}

NetChat::NetChat() : Component("Net Chat") {}

void NetChat::connectHandlers() {
    connectNamed(msg::ChatMessage, onChatLine);
    connectNamed(msg::NetStartBattle, onStartBattle);
    connectNamed(msg::NetBattleTitle, onTitle);
}

void NetChat::tellBattleTitle(const std::string& title) {
    Container<std::string> text(title);
    sendNamed(msg::NetBattleTitle, &text);
}

void NetChat::say(const std::string& text) {
    Container<std::string> line(player_ + ": " + text);
    sendNamed(msg::ChatMessage, &line);
}

void NetChat::announceLeaders(const std::string& player, const std::vector<std::string>& leaders) {
    Container<PlyrInfo> info(PlyrInfo{player, leaderList(leaders)});
    sendNamed(msg::SetPlayerInfo, &info);
}

void NetChat::leave() {
    Container<std::string> name(player_);
    sendNamed(msg::PlayerDeleted, &name);
}

void NetChat::startBattle(const std::string& scenarioFile, const std::vector<std::string>& guestLeaders) {
    Container<std::string> setup(scenarioFile + "\n" + leaderList(guestLeaders));
    sendNamed(msg::NetStartBattle, &setup);
}

std::string NetChat::leaderList(const std::vector<std::string>& leaders) {
    std::string text = "(";
    for (std::size_t i = 0; i < leaders.size(); ++i)
        text += (i ? "," : "") + leaders[i];
    return text + ")";
}

std::vector<std::string> NetChat::leadersOf(const std::string& list) {
    std::vector<std::string> leaders;
    const std::size_t open = list.find('(');
    const std::size_t close = list.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close <= open) return leaders;
    std::string name;
    for (std::size_t i = open + 1; i <= close; ++i) {
        if (i == close || list[i] == ',') {
            if (!name.empty()) leaders.push_back(name);
            name.clear();
        } else {
            name += list[i];
        }
    }
    return leaders;
}

ContainerBase* NetChat::onChatLine(Component* target, BusMessage, ContainerBase* data) {
    auto& self = *static_cast<NetChat*>(target);
    std::string line;
    if (!Container<std::string>::fromMessage(data, line)) return nullptr;
    // The other machine's line is shown as the one line it is: a line feed in it would write a line of
    // its own below, in any player's name.
    line = printable(line);
    keepChatLine(self.lines_, line);
    if (self.onLine) self.onLine(line);
    return nullptr;
}

ContainerBase* NetChat::onStartBattle(Component* target, BusMessage, ContainerBase* data) {
    auto& self = *static_cast<NetChat*>(target);
    std::string setup;
    if (!Container<std::string>::fromMessage(data, setup)) return nullptr;
    const std::size_t newline = setup.find('\n');
    if (newline == std::string::npos) return nullptr;
    if (self.onStart) self.onStart(setup.substr(0, newline), leadersOf(setup.substr(newline + 1)));
    return nullptr;
}

ContainerBase* NetChat::onTitle(Component* target, BusMessage, ContainerBase* data) {
    auto& self = *static_cast<NetChat*>(target);
    std::string title;
    if (!Container<std::string>::fromMessage(data, title)) return nullptr;
    if (self.onBattleTitle) self.onBattleTitle(title);
    return nullptr;
}

} // namespace vael
