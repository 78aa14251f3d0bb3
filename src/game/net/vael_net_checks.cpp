// The network component's checks of who may be named, of what a machine keeps of the other's words, and of
// two machines that wait on each other: each refusal names the message that was wrong.
#include <algorithm>

#include "framework/comm/tcp_link.h"
#include "framework/core/list_walk.h"
#include "framework/core/printable.h"
#include "framework/core/registered_message.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/net_chat.h"
#include "game/net/net_message_names.h"
#include "game/net/net_payloads.h"
#include "game/net/vael_net_component.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

bool isNamed(BusMessage event, const char* name) {
    return event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(name));
}


const std::string* textOf(const ContainerBase* data) {
    const auto* text = dynamic_cast<const Container<std::string>*>(data);
    return text ? text->valuePtr() : nullptr;
}

// The host's words that move its turn on: after the battle's end nothing of them can be played.
bool movesTheTurn(BusMessage event) {
    if (event.id() == BEGIN_GAME) return true;
    for (const char* name : {msg::BeginTurn, msg::ActivateLeader, msg::BeginLeaderOrdersPhase, msg::EliteInitiative,
                             msg::EndOfTurn, msg::EndOfGame, msg::GameEnded, msg::GameSynchronized})
        if (isNamed(event, name)) return true;
    return false;
}

} // namespace

std::string VaelNetComponent::pastTheBounds(const std::vector<comm::ReceivedMessage>& batch) {
    std::size_t bytes = 0;
    for (const comm::ReceivedMessage& m : batch)
        bytes += m.bytes;
    // What waits to be applied: while this machine waits for an answer nothing of it is, and a machine
    // that keeps sending meanwhile would grow this one without end.
    const std::string last = batch.empty() ? std::string("an empty batch") : nameOfMessage(batch.back().event);
    if (inbox_.size() + 1 > MaxHeldBatches)
        return last + " would leave " + std::to_string(inbox_.size() + 1) +
               " batches of the other machine's waiting here to be applied, more than " +
               std::to_string(MaxHeldBatches);
    if (heldBytes_ + bytes > MaxHeldBytes)
        return last + " would leave " + std::to_string((heldBytes_ + bytes + 1023) / 1024) +
               " KB of the other machine's words waiting here to be applied, more than " +
               std::to_string(MaxHeldBytes / 1024) + " KB";
    // A batch that hands the battle over begins the other machine's next step.
    if (!batch.empty() && isNamed(batch.front().event, msg::BattleState))
        chatLines_ = commentaryLines_ = words_ = 0;
    for (const comm::ReceivedMessage& m : batch) {
        const std::string name = nameOfMessage(m.event);
        const bool chat = isNamed(m.event, msg::ChatMessage);
        const bool commentary = isNamed(m.event, msg::AddCommentary);
        const bool shown = chat || commentary || isNamed(m.event, msg::ChangeMainCaption) ||
                           isNamed(m.event, msg::NetBattleTitle);
        if (const std::string* text = textOf(m.data.get()); shown && text && text->size() > MaxLineBytes)
            return name + " holds a line of " + std::to_string(text->size()) + " bytes, more than " +
                   std::to_string(MaxLineBytes);
        if (chat && ++chatLines_ > MaxChatLinesBetweenHandovers)
            return name + " came more than " + std::to_string(MaxChatLinesBetweenHandovers) +
                   " times in one step of the battle";
        if (commentary && ++commentaryLines_ > MaxCommentaryBetweenHandovers)
            return name + " came more than " + std::to_string(MaxCommentaryBetweenHandovers) +
                   " times in one step of the battle";
        // The guest names its player and his leaders once, as its battle begins, ahead of any word of it:
        // the names are settled in the waiting room, and a second word would name the host's leaders for
        // the rest of the battle. Judged as it comes, whatever waits here to be applied.
        if (isNamed(m.event, msg::SetPlayerInfo)) {
            if (otherSpoke_ || std::exchange(playerInfoTold_, true)) return name + " came after the battle began";
        } else if (!chat && !commentary) {
            otherSpoke_ = true;
        }
        if (++words_ > MaxWordsBetweenHandovers)
            return name + " came after " + std::to_string(MaxWordsBetweenHandovers) +
                   " words in one step of the battle";
    }
    heldBytes_ += bytes;
    return {};
}

void VaelNetComponent::forgetBatch(const std::vector<comm::ReceivedMessage>& batch) {
    for (const comm::ReceivedMessage& m : batch)
        heldBytes_ -= std::min(heldBytes_, m.bytes);
}

std::string VaelNetComponent::heldToWhoPlays(const comm::ReceivedMessage& message) {
    const std::string name = nameOfMessage(message.event);
    if (isNamed(message.event, msg::ActivateLeader)) {
        unsigned short number = 0;
        if (Container<unsigned short>::fromMessage(message.data.get(), number) &&
            dynamic_cast<const Leader*>(layer_->findUnit(number)))
            activated_ = number;
        return {};
    }
    if (isNamed(message.event, msg::LeaderActivated)) {
        // The acting machine tells its leader's activation: the leader game control activated, and one of
        // that machine's, whose orders it gives.
        const std::string* told = textOf(message.data.get());
        const Leader* leader = told ? layer_->findLeaderByName(*told) : nullptr;
        if (!leader) return name + " names \"" + printable(told ? *told : std::string()) + "\", no leader of this battle";
        if (layer_->isLocalLeader(leader)) return name + " names " + printable(*told) + ", whose orders are given here";
        if (activated_ != static_cast<std::uint16_t>(leader->getUnitNum())) {
            const Leader* active = activated_ ? dynamic_cast<const Leader*>(layer_->findUnit(*activated_)) : nullptr;
            return name + " names " + printable(*told) + ", where game control activated " +
                   (active ? active->getName() : std::string("nobody"));
        }
        return {};
    }
    if (isNamed(message.event, msg::SetPlayerInfo)) {
        const auto* info = dynamic_cast<const Container<PlyrInfo>*>(message.data.get());
        if (!info) return {};
        if (info->valuePtr()->name != otherPlayer_)
            return name + " names \"" + printable(info->valuePtr()->name) + "\", who is not the other player";
        for (const std::string& leaderName : NetChat::leadersOf(info->valuePtr()->leaders)) {
            const Leader* leader = layer_->findLeaderByName(leaderName);
            if (!leader || layer_->isLocalLeader(leader))
                return name + " gives the other player " + printable(leaderName) + ", who is not his leader";
        }
    }
    return {};
}

std::string VaelNetComponent::answerProblem(const ContainerBase* answer) const {
    // No answer leaves the choice to game control, as an empty one does.
    if (!answer) return {};
    const std::string* text = textOf(answer);
    if (!text) return "\"NetAnswer\" to " + asked_ + " does not carry what it needs";
    if (text->empty() || !layer_) return {};
    // The elite initiative's question offers the home side's leaders as the battle opens and its elite
    // leader later: its answer names one of them whole.
    for (const Leader* leader : each(askedTurn_ == 0 ? layer_->getHomeLeaders() : layer_->getLeaders())) {
        if (askedTurn_ != 0 && leader->getName().find("Vael") == std::string::npos) continue;
        if (leader->getName() == *text) return {};
        if (askedTurn_ != 0) break;
    }
    return "\"NetAnswer\" names \"" + printable(*text) + "\", no leader the question " + asked_ + " offered";
}

std::string VaelNetComponent::awaited() const {
    const std::string who = otherPlayer_.empty() ? std::string("the other player") : otherPlayer_;
    if (awaiting_) return who + "'s answer to " + asked_;
    const Leader* leader = activated_ && layer_ ? dynamic_cast<const Leader*>(layer_->findUnit(*activated_)) : nullptr;
    const std::string named = leader ? " " + leader->getName() : std::string();
    if (otherActs_) return "the orders of " + who + "'s leader" + named;
    if (!owed()) return "the end of the combat of " + who + "'s leader" + named + " (\"CombatDone\")";
    if (host_) return who + "'s check-in (\"SynchronizeGame\")";
    if (selfSynced_) return who + "'s word that all had checked in (\"GameSynchronized\")";
    return who + "'s next step of the battle";
}

bool VaelNetComponent::waitsOnTheOther() const {
    // The other machine's leader fights his combat there, which this machine waits to see ended.
    const bool combatThere = acting_ == Acting::There && playing_ && !lost_ && !gameEnded_;
    // What the other machine sent and this one has not applied yet may be the word it waits for.
    return (owed() || combatThere) && inbox_.empty();
}

bool VaelNetComponent::mutualWaitEnds(std::uint32_t at) {
    if (!waitsOnTheOther()) {
        waitsSince_.reset();
        return false;
    }
    if (!waitsSince_) waitsSince_ = at;
    const std::optional<std::uint32_t> theirs = peer_ ? peer_->otherWaitsSince() : std::nullopt;
    // Bytes still unread (a sign of life, most often) are read before the wait is judged.
    const comm::TcpLink* link = peer_ ? peer_->link() : nullptr;
    if (!theirs || (link && link->unreadWaiting())) return false;
    // Each machine's signs of life keep the line open; two that only wait on each other would keep it
    // open for ever.
    const std::uint32_t since = std::int32_t(*theirs - *waitsSince_) > 0 ? *theirs : *waitsSince_;
    if (at - since < MutualWaitLimit) return false;
    const std::string me = peer_->mine().player.empty() ? std::string("this machine") : peer_->mine().player;
    refuse("the two machines waited on each other for " + std::to_string(MutualWaitLimit / 1000) + " seconds, " +
           me + "'s for " + awaited());
    return true;
}

bool VaelNetComponent::droppedAfterTheEnd(const std::vector<comm::ReceivedMessage>& batch) const {
    // A word of the battle after it ended here (the host's turn moving on, the guest's orders or reports):
    // a battle that has ended plays none of it, nothing waits on it, and refusing it would take the place
    // of the other machine's leave. What its player says is still shown.
    const auto ofTheBattle = [this](const comm::ReceivedMessage& m) {
        if (!host_) return movesTheTurn(m.event);
        return !isNamed(m.event, msg::ChatMessage) && !isNamed(m.event, msg::AddCommentary) &&
               !isNamed(m.event, msg::PlayerDeleted);
    };
    if (!gameEnded_ || std::none_of(batch.begin(), batch.end(), ofTheBattle)) return false;
    dropped(batch, 0);
    return true;
}

} // namespace vael
