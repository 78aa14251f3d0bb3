#pragma once
// Test support: a unit's display object as the game's physical layer sees it, through the map's own
// interface and nothing of the figures. Made from a prototype like the real one, it plays nothing: it
// writes down every command it is given (the command's name, the unit, the 16-bit field, the payload's
// facing or short and the reply's name) into one log shared by all doubles, answers "GetRegions" with its
// own hex and the tick with the boxes a test gives it, and keeps what the layer tells it.
#include <array>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/direction.h"
#include "framework/core/registered_message.h"
#include "game/map/vael_display_object.h"
#include "game/map/zoom_boxes.h"

namespace vael::test {

class DisplayObjectDouble : public VaelDisplayObject {
public:
    DisplayObjectDouble(std::string name, std::int16_t hex, std::int32_t facing)
        : VaelDisplayObject(name, static_cast<std::uint16_t>(hex), static_cast<std::uint32_t>(facing)),
          name_(std::move(name)), facing_(facing) {}

    DisplayObjectDouble* clone(std::int16_t hex, std::int32_t facing) const override {
        return new DisplayObjectDouble(name_, hex, facing);
    }
    void setReversedView(std::int16_t v) override { reversedView_ = v; }
    void setLayer(VaelFigureLayer* layer) override { layer_ = layer; }
    void setNation(std::int32_t nation) override { nation_ = nation; }
    void saveAPath() override { ++savedPaths_; }
    void rampageCasualty(std::int16_t) override {}
    void rampageMove(std::int16_t) override {}
    bool hasLooseSprites() const override { return false; }
    // Whether what it has under way can be written in a save.
    bool underWayCarried() const override { return carried; }
    bool carried = true;

    std::int16_t region() const { return static_cast<std::int16_t>(logicalId_); }
    std::int32_t facing() const { return facing_; }
    std::int16_t reversedView() const { return reversedView_; }
    VaelFigureLayer* layer() const { return layer_; }
    std::int32_t nation() const { return nation_; }
    int savedPaths() const { return savedPaths_; }

    void connectHandlers() override {
        connect(LOGICAL_COMMAND, onCommand);
        connect(UPDATE_PHYSICAL_OBJECT, onUpdate);
        connectNamed("GetRegions", onRegions);
    }

    // Its saved state: the facing, 16-bit little-endian.
    void save(std::ostream& out) override {
        out.put(static_cast<char>(facing() & 0xFF));
        out.put(static_cast<char>((facing() >> 8) & 0xFF));
    }
    void load(std::istream& in) override {
        const int low = in.get(), high = in.get();
        if (in) facing_ = low | high << 8;
    }

    static inline std::vector<std::string> log;
    static inline int ticks = 0; // UPDATE_PHYSICAL_OBJECT queries answered
    // What each double answers to the tick, by component id: three lists of boxes.
    static inline std::vector<std::pair<short, std::array<std::vector<Box>, 3>>> tickBoxes;

private:
    static std::string nameOf(BusMessage word) {
        if (word.id() == LOGICAL_OBJECT_MOVED) return "LOGICAL_OBJECT_MOVED";
        if (word.id() == CHANGE_UNIT_FACING) return "CHANGE_UNIT_FACING";
        if (word.id() == NULL_EVENT) return "-";
        return RegisteredMessage::nameOf(static_cast<std::uint16_t>(word.id()));
    }
    static ContainerBase* onCommand(Component* target, BusMessage, ContainerBase* data) {
        auto* self = static_cast<DisplayObjectDouble*>(target);
        LogicalCommandInfo c;
        if (!Container<LogicalCommandInfo>::fromMessage(data, c)) return nullptr;
        std::string line = "#" + std::to_string(self->getId()) + " " + nameOf(c.event) + " u" +
                           std::to_string(c.command) + " v" + std::to_string(c.value);
        DIRECTION facing{};
        short number = 0;
        List<short> hexes;
        if (Container<DIRECTION>::fromMessage(c.payload.get(), facing)) line += " f" + std::to_string(facing);
        if (Container<short>::fromMessage(c.payload.get(), number)) line += " s" + std::to_string(number);
        if (Container<List<short>>::fromMessage(c.payload.get(), hexes)) {
            line += " [";
            Item<short>* it = nullptr;
            for (hexes.firstItem(it); it; it = it->next)
                line += std::to_string(it->value) + (it->next ? " " : "");
            line += "]";
        }
        line += " r" + nameOf(c.replyEvent);
        log.push_back(line);
        return nullptr;
    }
    static ContainerBase* onRegions(Component* target, BusMessage, ContainerBase*) {
        List<short> hexes;
        hexes.append(static_cast<DisplayObjectDouble*>(target)->region());
        return new Container<List<short>>(hexes);
    }
    static ContainerBase* onUpdate(Component* target, BusMessage, ContainerBase*) {
        ++ticks;
        for (auto& [id, boxes] : tickBoxes)
            if (id == target->getId()) {
                auto* answer = new ZoomBoxes();
                for (int i = 0; i < 3; ++i)
                    for (const Box& b : boxes[static_cast<std::size_t>(i)])
                        answer->level(i).append(b);
                return answer;
            }
        return nullptr;
    }

    std::string name_;
    std::int32_t facing_;
    std::int16_t reversedView_ = 0;
    VaelFigureLayer* layer_ = nullptr;
    std::int32_t nation_ = -1;
    int savedPaths_ = 0;
};

} // namespace vael::test
