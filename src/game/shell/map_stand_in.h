#pragma once
// Where the battle map will show the battle: until it is there, every combat fits the view and every
// animation the logical side asks for ends at once with the reply it names, so a battle runs on.
#include "framework/core/component.h"

namespace vael {

class MapStandIn : public Component {
public:
    MapStandIn() : Component("Battle Map Stand-In") {}
    void connectHandlers() override;

private:
    static ContainerBase* onAnimation(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onFit(Component* target, BusMessage event, ContainerBase* data);
};

} // namespace vael
