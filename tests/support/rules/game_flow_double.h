#pragma once
// Test double of the game flow's side of the leaders' messages, attached to the logical layer: it finds
// units by number, carries out what a leader asks of the game ("FinishedLeader", "WoundedLeader",
// "EliminateUnit", "AddBogusLeader", whose leaders it then owns), and notes, in order of delivery, every
// message the leaders send to the game, the display and the dialogs as "name|payload" (an empty message
// carries the framework's short 0). The real game flow replaces it without changing the leaders.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/command_records.h"
#include "framework/core/component.h"
#include "framework/core/registered_message.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/leaders/leader_records.h"
#include "game/rules/units/unit_payloads.h"
#include "support/rules/test_maps.h"

namespace vael::test {

class GameFlowDouble : public Component {
public:
    GameFlowDouble() : Component("Game Flow Double") {}

    // The messages noted; the built-in ones by their names here.
    static inline const std::vector<std::string> heardNames = {
        "LegalUnits",          "Center On Region", "SetItemText",
        "LeaderActivated",     "LeaderResumed",    "EndMovementSegment",
        "UnblockLeaderMenu",   "BlockLeaderMenu",  "NoMoreOrders",
        "CanAttemptMomentum",  "PerformShock",     "LeaderFinished",
        "UnitDeselected",      "EndOrdersPhase",   "Rally",
        "UnitRestoreCohesion", "UnitReplenished",  "ChangeFacing",
        "AddCommentary",       "UnitEliminated",   "AddBogusLeader",
        "FinishedLeader",      "WoundedLeader",    "EliminateUnit",
        "OWResolved",          "GetUnitByNum"};

    void connectHandlers() override {
        for (const std::string& name : heardNames)
            connectNamed(name, onHeard);
        for (BusMessage e : {ENABLE_MENU_ITEM, DISABLE_MENU_ITEM, HALF_HIGHLIGHT_REGION,
                             HALF_DEHIGHLIGHT_REGION, INVALIDATE_VIEW, LOGICAL_COMMAND, END_GAME})
            connect(e, onHeard);
    }

    std::vector<VaelUnit*> units; // found by number, in this order
    std::vector<std::unique_ptr<Leader>> bogusLeaders;
    std::vector<std::string> heard;
    // What "NoMoreOrders" and "CanAttemptMomentum" were asked with, as numbers.
    std::vector<std::string> only(const std::string& name) const {
        std::vector<std::string> out;
        std::copy_if(heard.begin(), heard.end(), std::back_inserter(out),
                     [&](const std::string& line) { return line.rfind(name, 0) == 0; });
        return out;
    }
    // The names alone, in order.
    std::string names() const {
        std::string out;
        for (const std::string& line : heard)
            out += out.empty() ? "" : ", ", out += line.substr(0, line.find('|'));
        return out;
    }

private:
    VaelUnit* unitNumbered(int number) const {
        for (VaelUnit* unit : units)
            if (unit->getUnitNum() == number) return unit;
        return nullptr;
    }
    static std::string eventName(BusMessage e) {
        static const std::pair<std::int32_t, const char*> builtIn[] = {
            {ENABLE_MENU_ITEM, "ENABLE_MENU_ITEM"},
            {DISABLE_MENU_ITEM, "DISABLE_MENU_ITEM"},
            {HALF_HIGHLIGHT_REGION, "HALF_HIGHLIGHT_REGION"},
            {HALF_DEHIGHLIGHT_REGION, "HALF_DEHIGHLIGHT_REGION"},
            {INVALIDATE_VIEW, "INVALIDATE_VIEW"},
            {LOGICAL_COMMAND, "LOGICAL_COMMAND"},
            {END_GAME, "END_GAME"}};
        for (const auto& [id, name] : builtIn)
            if (e.id() == id) return name;
        return RegisteredMessage::nameOf(static_cast<std::uint16_t>(e.id()));
    }
    static std::string describe(const ContainerBase* data) {
        short s = 0;
        unsigned short u = 0;
        std::string line;
        BusMessage command;
        SetTextData item;
        EliminateUnitData score;
        WoundedLeaderInfo wound;
        PossibleMoveData legal;
        List<short>* hexes = nullptr;
        Leader* leader = nullptr;
        if (!data) return "";
        if (Container<short>::fromMessage(data, s)) return text(s);
        if (Container<unsigned short>::fromMessage(data, u)) return "u" + text(u);
        if (Container<std::string>::fromMessage(data, line)) return line;
        if (Container<BusMessage>::fromMessage(data, command)) return text(command.id());
        if (Container<SetTextData>::fromMessage(data, item)) return values(item.target, item.flag, item.text);
        if (Container<EliminateUnitData>::fromMessage(data, score))
            return values(score.nation, score.points, static_cast<std::int32_t>(score.unitType),
                          score.unitNumber);
        if (Container<WoundedLeaderInfo>::fromMessage(data, wound))
            return values(wound.amount, wound.unitNumber);
        if (Container<PossibleMoveData>::fromMessage(data, legal))
            return legal.hexes ? values(legal.nation, *legal.hexes) : values(legal.nation, "null");
        if (Container<List<short>*>::fromMessage(data, hexes)) return hexes ? text(*hexes) : "null";
        if (Container<Leader*>::fromMessage(data, leader))
            return leader ? values(leader->getName(), leader->isOutOfPlay(), leader->getCommandRange(),
                                   leader->getInitiative(), leader->getShockPrecedence(),
                                   leader->getDuelRating())
                          : "null";
        ResolveOWStruct resolved;
        if (Container<ResolveOWStruct>::fromMessage(data, resolved))
            return values(resolved.withdrew, resolved.hex);
        ChangeFacingStruct turn;
        if (Container<ChangeFacingStruct>::fromMessage(data, turn))
            return values(turn.sense, turn.numTurns, turn.unitNumber);
        LogicalCommandInfo c;
        if (Container<LogicalCommandInfo>::fromMessage(data, c))
            return values(c.command, c.value,
                          RegisteredMessage::nameOf(static_cast<std::uint16_t>(c.event.id())));
        return data->typeName();
    }
    static ContainerBase* onHeard(Component* target, BusMessage event, ContainerBase* data) {
        auto* flow = static_cast<GameFlowDouble*>(target);
        const std::string name = eventName(event);
        const std::string payload = describe(data);
        flow->heard.push_back(payload.empty() ? name : name + "|" + payload);
        return flow->act(name, data);
    }
    ContainerBase* act(const std::string& name, ContainerBase* data) {
        short number = 0;
        WoundedLeaderInfo wound;
        Leader* fallen = nullptr;
        if (name == "GetUnitByNum" && Container<short>::fromMessage(data, number))
            return new Container<VaelUnit*>(unitNumbered(number));
        if (name == "FinishedLeader" && Container<short>::fromMessage(data, number))
            if (auto* leader = dynamic_cast<Leader*>(unitNumbered(number))) leader->setFinished();
        if (name == "WoundedLeader" && Container<WoundedLeaderInfo>::fromMessage(data, wound))
            if (auto* leader = dynamic_cast<Leader*>(unitNumbered(wound.unitNumber)))
                leader->wound(wound.amount);
        if (name == "EliminateUnit" && Container<short>::fromMessage(data, number))
            if (VaelUnit* unit = unitNumbered(number)) unit->disconnectHandlers();
        if (name == "AddBogusLeader" && Container<Leader*>::fromMessage(data, fallen) && fallen)
            bogusLeaders.emplace_back(fallen);
        return nullptr;
    }
};

} // namespace vael::test
