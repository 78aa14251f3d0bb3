#pragma once
// Test double of the battle map display as shock combat and the phases drive it: it writes down, in
// order of arrival, the messages it was told to hear with what they carry, answers "WillCombatFit?" as
// the test scripts it (or not at all), and answers every command that names a reply, the battle's
// "UnitCombat" as well as the units' walks, with that reply and its data, as the display does when an
// animation ends. The real map display replaces it without changing the code under test.
#include <functional>
#include <string>
#include <vector>

#include "framework/core/component.h"
#include "game/flow/shock_records.h"
#include "support/flow/game_flow_recorder.h"

namespace vael::test {

class ShockDisplay : public MessageLog {
public:
    explicit ShockDisplay(std::vector<std::string> heard)
        : MessageLog("Shock Display"), heard_(std::move(heard)) {}

    void connectHandlers() override;

    // Logs "UnitCombat [1 2] [3] deaths [3:100 1:50] reply RoutingDone -1", "AddBattleArrow 605>705 d4", ...
    // The answer to "WillCombatFit?"; none when empty.
    std::function<short(const WillCombatFitStruct&)> fits;
    // False holds every reply back: the test answers for the display itself.
    bool answers = true;

private:
    static ContainerBase* onMessage(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onCommand(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onFit(Component* target, BusMessage event, ContainerBase* data);
    bool hears(const std::string& name) const;
    std::vector<std::string> heard_;
};

} // namespace vael::test
