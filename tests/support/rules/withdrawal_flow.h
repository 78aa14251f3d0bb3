#pragma once
// Test double of the game flow's part in an orderly withdrawal: it hands each "ResolveOW" record on as
// "UnitOW" to the units, as the logical layer does, and answers "NearestLeader" with one leader number
// for every unit. The real logical layer replaces it without changing the rules.
#include "framework/core/component.h"
#include "game/rules/units/unit_payloads.h"

namespace vael::test {

class WithdrawalFlow : public Component {
public:
    WithdrawalFlow() : Component("Withdrawal Flow") {}

    void connectHandlers() override {
        connectNamed("ResolveOW", onResolveOW);
        connectNamed("NearestLeader", onNearestLeader);
    }

    short leaderNumber = 40;
    bool relays = true;

private:
    static ContainerBase* onResolveOW(Component* target, BusMessage, ContainerBase* data) {
        auto* self = static_cast<WithdrawalFlow*>(target);
        if (self->relays && dynamic_cast<Container<OWStruct>*>(data)) self->sendNamed("UnitOW", data);
        return nullptr;
    }
    static ContainerBase* onNearestLeader(Component* target, BusMessage, ContainerBase*) {
        return new Container<short>(static_cast<WithdrawalFlow*>(target)->leaderNumber);
    }
};

} // namespace vael::test
