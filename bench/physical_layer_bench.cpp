// One tick of the normal view's game physical layer with 50 display objects all moving: every object
// steps its sprite and answers its boxes at the three zoom levels, the layer re-files the 50 sprites in
// its grid and hands the boxes on to its landscapes (aim: under 0.5 ms).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/ui/win_app.h"
#include "game/figures/vael_physical_object.h"
#include "game/map/vael_physical_layer.h"
#include "platform/headless/headless_platform.h"

namespace {

using namespace vael;

class BenchApp : public WinApp {
public:
    explicit BenchApp(platform::Platform& platform) : WinApp("Iron Vigils", "", "", platform) {}
    void findInMapFile(OIFBase*) override {}
    void findDataFile(OIFBase*, const std::uint8_t*&, const std::uint8_t*) override {}
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
};

// A sprite of a fixed size that moves where it is told.
class MovingSprite : public Sprite {
public:
    explicit MovingSprite(Point3D at) : Sprite(0, at, nullptr, 0, 0, 0) {}
    Box bounds() const override { return Box(location().x, location().y, 60, 90); }
    void moveTo(const Point3D& at) { location_ = at; }
};

// A display object that steps its one sprite a few pixels each tick.
class Mover : public VaelPhysicalObject {
public:
    Mover(std::int16_t hex, Point3D at) : VaelPhysicalObject("", "", "", hex, 3), sprite_(at) {}
    void connectHandlers() override { connect(UPDATE_PHYSICAL_OBJECT, onUpdate); }
    MovingSprite sprite_;

private:
    static ContainerBase* onUpdate(Component* target, BusMessage, ContainerBase*) {
        auto& self = *static_cast<Mover*>(target);
        const Box before = self.sprite_.bounds();
        Point3D at = self.sprite_.location();
        at.x = static_cast<std::int16_t>((at.x + 7) % 3800);
        at.y = static_cast<std::int16_t>((at.y + 3) % 1000);
        self.sprite_.moveTo(at);
        self.sprite_.setChanged(1);
        auto* boxes = new ZoomBoxes();
        for (int level = 0; level < 3; ++level) {
            const int s = 1 << level;
            boxes->level(level).append(
                Box(static_cast<std::int16_t>(before.x / s), static_cast<std::int16_t>(before.y / s),
                    static_cast<std::int16_t>(before.w / s), static_cast<std::int16_t>(before.h / s)));
            const Box after = self.sprite_.bounds();
            boxes->level(level).append(
                Box(static_cast<std::int16_t>(after.x / s), static_cast<std::int16_t>(after.y / s),
                    static_cast<std::int16_t>(after.w / s), static_cast<std::int16_t>(after.h / s)));
        }
        return boxes;
    }
};

void BM_TickWithFiftyMovingObjects(benchmark::State& state) {
    platform::HeadlessPlatform platform;
    BenchApp app(platform);
    VaelPhysicalLayer layer(0);
    layer.attach(app);
    layer.beginLandscape(LandscapeDefinition{1, Point(20, 30), 600, 0});
    std::vector<Mover*> movers;
    for (int i = 0; i < 50; ++i) {
        auto* m =
            new Mover(static_cast<std::int16_t>(i), Point3D(static_cast<std::int16_t>(i * 70 % 3800),
                                                            static_cast<std::int16_t>(i * 19 % 1000), 0));
        Container<VaelDisplayObject*> box(m);
        layer.sendNamed("PhysicalObjectCreated", &box);
        layer.insertSprite(&m->sprite_);
        layer.addClient(m->getId());
        movers.push_back(m);
    }
    long tick = 0;
    for (auto _ : state)
        layer.updateDisplay(tick += 100);
    // The sprites go with their objects; the grid must not hold them then.
    layer.deleteAllObjects();
    layer.detach();
}
BENCHMARK(BM_TickWithFiftyMovingObjects)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
