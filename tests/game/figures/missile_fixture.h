#pragma once
// The scene of the missile units: the figure scene with an arrow archive ("Arrows" at every size:
// "Default" 1 image, then "N" ... "NW" 3 images each) and the missile sets loaded after it is known.
#include "game/figures/figure_fixture.h"
#include "game/figures/projectile_images.h"

namespace vael::test {

inline GroupList arrowGroups() {
    GroupList g = {{"Default", 1}};
    for (const char* c : Compass)
        g.push_back({c, 3});
    return g;
}

class MissileScene : public FigureScene {
protected:
    MissileScene() {
        write("arrows.oif", keyedArchive("Arrows", arrowGroups()));
        auto base = app.onFindInMapFile;
        app.onFindInMapFile = [this, base](OIFBase* library) {
            if (library->name().rfind("Arrows", 0) == 0) {
                std::ifstream in(dir / "arrows.oif", std::ios::binary);
                library->readFile((dir / "arrows.oif").string(), in);
                return;
            }
            base(library);
        };
        loadMissileImages();
    }

    // A unit made as the scenario makes it: a clone of a prototype of missile kind kind.
    template <class T> T* cloneOf(std::int16_t kind, std::int16_t hex, std::int32_t facing) {
        T proto("Unit", "Unit (Half size)", "Unit (Quarter size)", kind, -1, 1);
        return attach<T>(std::unique_ptr<VaelPhysicalObject>(proto.clone(hex, facing)));
    }
    static LogicalCommandInfo fire(DIRECTION d, std::uint16_t target) {
        return LogicalCommandInfo(
            0, new Container<DIRECTION>(d), target,
            BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("MissileFire"))));
    }
    // Hands the command to the object as the layer does, with the reply "UnitFired" carrying 7.
    void queue(VaelPhysicalObject& unit, ContainerBase* payload, std::uint16_t target) {
        LogicalCommandInfo c(1, payload, target,
                             BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("MissileFire"))),
                             BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("UnitFired"))),
                             new Container<short>(7));
        Container<LogicalCommandInfo> box(c);
        unit.sendTo(static_cast<std::uint16_t>(unit.getId()), LOGICAL_COMMAND, &box);
    }
    // Ticks every 100 ms, at most ticks times, until the object reports itself idle; answers the number of
    // ticks, -1 when it never does.
    int runToIdle(VaelPhysicalObject& unit, int ticks = 60) {
        for (int tick = 0; tick < ticks; ++tick) {
            std::unique_ptr<ZoomBoxes> boxes(unit.updateLevels(1000 + 100 * tick));
            if (!layer.log.empty() && layer.log.back().rfind("DEACTIVATED", 0) == 0) return tick + 1;
        }
        return -1;
    }
    static std::string at(const Point3D& p, int dx, int dy) {
        return "(" + std::to_string(p.x + dx) + "," + std::to_string(p.y + dy) + ")";
    }
    static std::string repeat(const std::string& frame, int times) {
        std::string out;
        for (int i = 0; i < times; ++i)
            out += " " + frame;
        return out;
    }
};

} // namespace vael::test
