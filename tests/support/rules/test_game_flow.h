#pragma once
// Test double of the game flow's side of the unit rules: the logical layer's handlers that units ask
// ("ChangeFacing", "InZOC", "FindLeader", "UnitInCommandRange", "UsedThisTurn"), answered from the units the
// test lists on it. The real layer replaces it without changing the code under test.
#include <cstdint>
#include <vector>

#include "framework/core/payload_check.h"
#include "game/rules/units/vael_unit.h"
#include "support/rules/test_logical_layer.h"

namespace vael::test {

class TestFlowLayer : public TestLogicalLayer {
public:
    void connectParent() override {
        TestLogicalLayer::connectParent();
        if (connected_) return;
        connected_ = true;
        connectNamed("ChangeFacing", onChangeFacing);
        connectNamed("InZOC", onInZOC);
        connectNamed("FindLeader", onFindLeader);
        connectNamed("UnitInCommandRange", onCommandRange);
        connectNamed("UsedThisTurn", onUsedThisTurn);
    }

    VaelUnit* unitNumbered(std::uint16_t number) const {
        for (VaelUnit* u : units)
            if (u->getUnitNum() == number) return u;
        return nullptr;
    }

    std::vector<VaelUnit*> units; // not owned
    short inCommandRange = 1;     // the answer of "UnitInCommandRange"

private:
    static TestFlowLayer* self(Component* target) { return static_cast<TestFlowLayer*>(target); }
    static ContainerBase* onChangeFacing(Component* target, BusMessage, ContainerBase* data) {
        return callWithPayload<ChangeFacingStruct>(
            data, "test", 0, [&](const ChangeFacingStruct& c) -> ContainerBase* {
                VaelUnit* unit = self(target)->unitNumbered(c.unitNumber);
                return unit ? new Container<short>(unit->ChangeFacing(c.sense, c.numTurns)) : nullptr;
            });
    }
    static ContainerBase* onInZOC(Component* target, BusMessage, ContainerBase* data) {
        return callWithPayload<ZOCStructure>(data, "test", 0, [&](const ZOCStructure& z) -> ContainerBase* {
            short in = 0;
            for (VaelUnit* u : self(target)->units)
                if (u->isOtherNation(z.nation) && u->isHexInZOC(static_cast<std::int16_t>(z.hex))) in = 1;
            return new Container<short>(in);
        });
    }
    static ContainerBase* onFindLeader(Component* target, BusMessage, ContainerBase* data) {
        return callWithPayload<unsigned short>(
            data, "test", 0, [&](const unsigned short& n) -> ContainerBase* {
                VaelUnit* u = self(target)->unitNumbered(n);
                return new Container<short>(u && u->isLeader() ? static_cast<short>(u->getHex()) : short(-1));
            });
    }
    static ContainerBase* onCommandRange(Component* target, BusMessage, ContainerBase*) {
        return new Container<short>(self(target)->inCommandRange);
    }
    static ContainerBase* onUsedThisTurn(Component* target, BusMessage, ContainerBase* data) {
        callWithPayload<short>(data, "test", 0, [&](const short& n) {
            if (VaelUnit* u = self(target)->unitNumbered(static_cast<std::uint16_t>(n)))
                u->setUsedThisTurn(1);
        });
        return nullptr;
    }

    bool connected_ = false;
};

} // namespace vael::test
