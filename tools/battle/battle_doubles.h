#pragma once
// The battle runner's stand-ins for the battle-map display and the commentary window: every combat fits
// the view, every animation ends at once with the reply it names, the commentary is collected, and the
// start of each activation and the end of the game are told to the runner. The dialogs are left unset,
// which the game flow takes as each closing with its default.
#include <functional>
#include <string>
#include <vector>

#include "framework/core/component.h"

namespace vael::battle {

class BattleDisplay : public Component {
public:
    BattleDisplay() : Component("Battle Display") {}
    void connectHandlers() override;

    std::function<void(const std::string&)> onCommentary;
    // A leader starts his activation, afresh or resumed from a saved game.
    std::function<void(bool resumed)> onActivation;
    std::function<void(bool homeWon)> onGameEnded;

private:
    static ContainerBase* onAnimation(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onFit(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onAddCommentary(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onActivateLeader(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onResumeActiveLeader(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onEnded(Component* target, BusMessage event, ContainerBase* data);
};

} // namespace vael::battle
