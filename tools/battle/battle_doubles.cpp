#include "battle_doubles.h"

#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "game/flow/flow_message_names.h"
#include "game/rules/rules_message_names.h"

namespace vael::battle {

namespace {

BattleDisplay& self(Component* target) {
    return *static_cast<BattleDisplay*>(target);
}

} // namespace

void BattleDisplay::connectHandlers() {
    connectNamed(msg::AddCommentary, onAddCommentary);
    connectNamed(msg::ActivateLeader, onActivateLeader);
    connectNamed(msg::ResumeActiveLeader, onResumeActiveLeader);
    connectNamed(msg::GameEnded, onEnded);
    connectNamed(msg::EndOfGame, onResults);
    connectNamed(msg::BeginTurn, onTurn);
    connectNamed(msg::EndOfTurn, onTurnOver);
    connectNamed(msg::UnitRouted, onRouted);
    connectNamed(msg::UnitRallied, onRallied);
    connectNamed(msg::UnitEliminated, onUnitEliminated);
    connectNamed(msg::UnitLossSealed, onUnitLossSealed);
    if (answersFit) connectNamed(msg::WillCombatFit, onFit);
}

ContainerBase* BattleDisplay::onFit(Component*, BusMessage, ContainerBase*) {
    return new Container<short>(1);
}

ContainerBase* BattleDisplay::onAddCommentary(Component* target, BusMessage, ContainerBase* data) {
    std::string text;
    if (Container<std::string>::fromMessage(data, text) && self(target).onCommentary)
        self(target).onCommentary(text);
    return nullptr;
}

ContainerBase* BattleDisplay::onActivateLeader(Component* target, BusMessage, ContainerBase*) {
    if (self(target).onActivation) self(target).onActivation(false);
    return nullptr;
}

ContainerBase* BattleDisplay::onResumeActiveLeader(Component* target, BusMessage, ContainerBase*) {
    if (self(target).onActivation) self(target).onActivation(true);
    return nullptr;
}

ContainerBase* BattleDisplay::onEnded(Component* target, BusMessage, ContainerBase* data) {
    short homeWon = 0;
    Container<short>::fromMessage(data, homeWon);
    if (self(target).onGameEnded) self(target).onGameEnded(homeWon != 0);
    return nullptr;
}

void InstantAnimations::connectHandlers() {
    connect(LOGICAL_COMMAND, onAnimation);
    connectNamed("UnitMovement", onAnimation);
    connectNamed("UnitCombat", onAnimation);
    connectNamed(msg::WillCombatFit, onFit);
}

ContainerBase* InstantAnimations::onAnimation(Component* target, BusMessage, ContainerBase* data) {
    LogicalCommandInfo command;
    if (!Container<LogicalCommandInfo>::fromMessage(data, command) || command.replyEvent.id() == NULL_EVENT)
        return nullptr;
    target->send(command.replyEvent, command.extra.get());
    return nullptr;
}

ContainerBase* InstantAnimations::onFit(Component*, BusMessage, ContainerBase*) {
    return new Container<short>(1);
}

ContainerBase* BattleDisplay::onResults(Component* target, BusMessage, ContainerBase* data) {
    EndOfGameResults results;
    if (Container<EndOfGameResults>::fromMessage(data, results) && self(target).onEndOfGame)
        self(target).onEndOfGame(results);
    return nullptr;
}

ContainerBase* BattleDisplay::onTurn(Component* target, BusMessage, ContainerBase*) {
    if (self(target).onBeginTurn) self(target).onBeginTurn();
    return nullptr;
}

ContainerBase* BattleDisplay::onTurnOver(Component* target, BusMessage, ContainerBase* data) {
    EndOfGameResults standing;
    Container<EndOfGameResults>::fromMessage(data, standing);
    if (self(target).onEndOfTurn) self(target).onEndOfTurn(standing);
    return nullptr;
}

ContainerBase* BattleDisplay::onRouted(Component* target, BusMessage, ContainerBase* data) {
    UnitRoutData record;
    if (Container<UnitRoutData>::fromMessage(data, record) && self(target).onRouting)
        self(target).onRouting(record, 1);
    return nullptr;
}

ContainerBase* BattleDisplay::onRallied(Component* target, BusMessage, ContainerBase* data) {
    UnitRoutData record;
    if (Container<UnitRoutData>::fromMessage(data, record) && self(target).onRouting)
        self(target).onRouting(record, -1);
    return nullptr;
}

ContainerBase* BattleDisplay::onUnitEliminated(Component* target, BusMessage, ContainerBase* data) {
    EliminateUnitData record;
    if (Container<EliminateUnitData>::fromMessage(data, record) && self(target).onEliminated)
        self(target).onEliminated(record);
    return nullptr;
}

ContainerBase* BattleDisplay::onUnitLossSealed(Component* target, BusMessage, ContainerBase* data) {
    EliminateUnitData record;
    if (Container<EliminateUnitData>::fromMessage(data, record) && self(target).onLossSealed)
        self(target).onLossSealed(record);
    return nullptr;
}

} // namespace vael::battle
