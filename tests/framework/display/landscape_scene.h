#pragma once
// Test support for the landscapes and their tiles: a block landscape on a bus, filled over the bus from
// hand-made regions, and a listener that keeps what it hears.
#include <memory>
#include <utility>
#include <vector>

#include "framework/core/bus.h"
#include "framework/core/bus_event.h"
#include "framework/display/block_landscape.h"
#include "support/display/solid_bitmap.h"

namespace vael::test {

// A region whose centre is the cell (x, y) and whose second list names the overlays of each kind.
inline LogicalRegion regionAt(std::uint16_t id, std::int16_t x, std::int16_t y, std::vector<std::uint16_t> second = {}) {
    LogicalRegion r;
    r.id = id;
    r.position = Point3D(x, y, static_cast<std::int16_t>(id % 3));
    r.terrainCount = static_cast<std::uint16_t>(second.size());
    for (std::size_t k = 0; k < second.size(); ++k)
        r.terrain[k] = second[k];
    return r;
}

// A component that keeps every payload of the events it is set to hear, and gives the bus a sender.
class Listener : public Component {
public:
    explicit Listener(std::vector<BusMessage> events = {}) : Component("Listener"), events_(std::move(events)) {}
    void connectHandlers() override {
        for (BusMessage e : events_)
            connect(e, [](Component* me, BusMessage event, ContainerBase* data) -> ContainerBase* {
                static_cast<Listener*>(me)->heard.emplace_back(event, data ? data->clone() : nullptr);
                return nullptr;
            });
    }
    std::vector<std::pair<BusMessage, std::unique_ptr<ContainerBase>>> heard;

private:
    std::vector<BusMessage> events_;
};

// Sends BEGIN_LANDSCAPE, the regions as one list, and END_LANDSCAPE.
inline void fillOverBus(Component& sender, const Dim& size, const std::vector<LogicalRegion>& regions,
                        std::int16_t count = -1) {
    Container<LandscapeDefinition> definition(LandscapeDefinition{
        7, Point(size.w, size.h), count >= 0 ? count : static_cast<std::int16_t>(regions.size()), 0});
    delete sender.sendNow(BEGIN_LANDSCAPE, &definition);
    Container<List<LogicalRegion>> list;
    for (const LogicalRegion& r : regions)
        list.valuePtr()->append(r);
    delete sender.sendNow(CREATE_REGION, &list);
    delete sender.sendNowEmpty(END_LANDSCAPE);
}

} // namespace vael::test
