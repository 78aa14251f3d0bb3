#pragma once
// Test support: the game's physical layer as a unit's display object sees it. It is the bus the objects
// live on, with a listener that writes down, in order, what the objects send it ("SPRITE_CREATED",
// "ACTIVATED 1", "PhysicalObjectMoving 1", "UnitDone" ...), and a full-size landscape whose heights,
// on-map hexes, screen neighbours and exit line a test writes down by hand. Ground sprites are kept (and
// deleted) here.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/core/bus.h"
#include "framework/core/container.h"
#include "framework/core/registered_message.h"
#include "game/map/vael_display_object.h"
#include "game/map/vael_figure_layer.h"
#include "game/map/vael_sprite.h"

namespace vael::test {

class LandscapeDouble : public VaelFigureLandscape {
public:
    Point3D hexToPoint(std::int16_t hex, const Point3D& offset) const override {
        return Point3D(static_cast<std::int16_t>(hex / 100 * 10), static_cast<std::int16_t>(hex % 100 * 10),
                       0) +
               offset;
    }
    std::int16_t heightOf(std::int16_t hex) const override {
        auto it = heights.find(hex);
        return it == heights.end() ? 1 : it->second;
    }
    std::int16_t isOnMap(std::int16_t hex) const override { return offMap.count(hex) ? 0 : 1; }
    std::int16_t neighbourOnScreen(std::int16_t hex, std::int32_t direction) const override {
        auto it = neighbours.find({hex, direction});
        return it == neighbours.end() ? static_cast<std::int16_t>(-1) : it->second;
    }
    List<short> exitLineForBattle(std::int16_t, std::int16_t& flag) const override {
        flag = exitFlag;
        List<short> line;
        for (short h : exitLine)
            line.append(h);
        return line;
    }
    void addGroundSprite(VaelSprite* sprite) override { ground.emplace_back(sprite); }
    // The line a test writes down, after the hex, with the direction asked for kept.
    List<short> hexLineInDirection(std::int16_t hex, std::int32_t direction) const override {
        lineDirections.push_back(direction);
        List<short> result;
        result.append(hex);
        for (short h : line)
            result.append(h);
        return result;
    }

    std::map<std::int16_t, std::int16_t> heights; // hexes not written stand at height 1
    std::set<std::int16_t> offMap;
    std::map<std::pair<std::int16_t, std::int32_t>, std::int16_t> neighbours;
    std::vector<short> exitLine;
    std::int16_t exitFlag = 0;
    std::vector<std::unique_ptr<VaelSprite>> ground;
    std::vector<short> line;
    mutable std::vector<std::int32_t> lineDirections;
};

class FigureLayerDouble : public Bus, public VaelFigureLayer {
public:
    // The newest layer listens; the one before it listens again when it goes.
    explicit FigureLayerDouble(std::int16_t id = 0) : Bus("Figure Layer"), id_(id), before_(current()) {
        current() = this;
        listener_.attach(*this);
    }
    ~FigureLayerDouble() override {
        listener_.detach();
        current() = before_;
    }

    VaelFigureLandscape* landscape(std::int16_t zoom) override { return zoom == 0 ? &land : nullptr; }
    std::int16_t layerId() const override { return id_; }
    std::int16_t viewMode() const override { return mode; }
    VaelDisplayObject* unitObject(std::uint16_t number) const override {
        const auto it = units.find(number);
        return it == units.end() ? nullptr : it->second;
    }
    std::int32_t unitNumberOf(const VaelDisplayObject* object) const override {
        for (const auto& [number, unit] : units)
            if (unit == object) return number;
        return -1;
    }

    // Listens for a message by name as well, writing its name and the payload's short when it has one.
    void listenFor(const std::string& name) {
        if (!listener_.isConnected(RegisteredMessage::getId(name), onNamed))
            listener_.connectNamed(name, onNamed);
    }

    LandscapeDouble land;
    std::int16_t mode = 0;
    std::vector<std::string> log;
    std::vector<Sprite*> created;
    // The units' objects by their numbers, as a test gives them.
    std::map<std::uint16_t, VaelDisplayObject*> units;

private:
    class Listener : public Component {
    public:
        Listener() : Component("Listener") {}
        void connectHandlers() override {
            connect(SPRITE_CREATED, onCreated);
            connect(PHYSICAL_OBJECT_ACTIVATED, onActivated);
            connect(PHYSICAL_OBJECT_DEACTIVATED, onDeactivated);
            connectNamed("PhysicalObjectMoving", onNamed);
            connectNamed("PhysicalObjectNotMoving", onNamed);
        }
    };
    static FigureLayerDouble*& current() {
        static FigureLayerDouble* layer = nullptr;
        return layer;
    }
    static std::string withShort(std::string text, ContainerBase* data) {
        short v = 0;
        if (Container<short>::fromMessage(data, v)) text += " " + std::to_string(v);
        return text;
    }
    static ContainerBase* onCreated(Component*, BusMessage, ContainerBase* data) {
        Sprite* s = nullptr;
        Container<Sprite*>::fromMessage(data, s);
        current()->created.push_back(s);
        current()->log.push_back("SPRITE_CREATED");
        return nullptr;
    }
    static ContainerBase* onActivated(Component*, BusMessage, ContainerBase* data) {
        current()->log.push_back(withShort("ACTIVATED", data));
        return nullptr;
    }
    static ContainerBase* onDeactivated(Component*, BusMessage, ContainerBase* data) {
        current()->log.push_back(withShort("DEACTIVATED", data));
        return nullptr;
    }
    static ContainerBase* onNamed(Component*, BusMessage event, ContainerBase* data) {
        current()->log.push_back(
            withShort(RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id())), data));
        return nullptr;
    }

    std::int16_t id_;
    FigureLayerDouble* before_;
    Listener listener_;
};

} // namespace vael::test
