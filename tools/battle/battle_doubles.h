#pragma once
// What the battle runner listens to on the battle's bus: the commentary as it is said, the start of each
// activation and the end of the game. The game's dialogs are left unset, which the game flow takes as
// each closing with its default.
#include <functional>
#include <string>
#include <vector>

#include "framework/core/component.h"
#include "game/flow/end_of_game_results.h"
#include "game/rules/combat/combat_records.h"

namespace vael::battle {

class BattleDisplay : public Component {
public:
    BattleDisplay() : Component("Battle Display") {}
    void connectHandlers() override;

    // Set when the display layers play the animations: the battle map has no window here to ask whether
    // a combat fits, so every combat does.
    bool answersFit = false;

    std::function<void(const std::string&)> onCommentary;
    // A leader starts his activation, afresh or resumed from a saved game.
    std::function<void(bool resumed)> onActivation;
    std::function<void(bool homeWon)> onGameEnded;
    // The end of the game as every machine is told it, and each new turn: what a machine without game
    // control knows of the battle.
    std::function<void(const EndOfGameResults&)> onEndOfGame;
    std::function<void()> onBeginTurn;
    // A turn is over: what follows is the next turn's.
    std::function<void(const EndOfGameResults& standing)> onEndOfTurn;
    // The reports game control counts, heard on every machine of a network battle: a unit routs (+1) or
    // rallies (-1), a unit or leader falls, a fall is sealed.
    std::function<void(const UnitRoutData&, int)> onRouting;
    std::function<void(const EliminateUnitData&)> onEliminated;
    std::function<void(const EliminateUnitData&)> onLossSealed;

private:
    static ContainerBase* onAddCommentary(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onActivateLeader(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onResumeActiveLeader(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onFit(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onEnded(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onResults(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onTurn(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onTurnOver(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onRouted(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onRallied(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onUnitEliminated(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onUnitLossSealed(Component* target, BusMessage event, ContainerBase* data);
};

// Without the display layers: every combat fits the view and every animation the logical side asks for
// ends at once with the reply it names, so a battle runs on without being shown.
class InstantAnimations : public Component {
public:
    InstantAnimations() : Component("Instant Animations") {}
    void connectHandlers() override;

private:
    static ContainerBase* onAnimation(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onFit(Component* target, BusMessage event, ContainerBase* data);
};

} // namespace vael::battle
