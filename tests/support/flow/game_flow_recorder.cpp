#include "support/flow/game_flow_recorder.h"

#include "framework/core/registered_message.h"
#include "game/flow/end_of_game_results.h"
#include "game/flow/leader_activation.h"
#include "game/flow/single_combat_result.h"
#include "game/rules/combat/battle_arrow_struct.h"
#include "game/rules/combat/missile_fire_struct.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader_records.h"
#include "game/rules/units/unit_removed_struct.h"
#include "support/rules/test_maps.h"

namespace vael::test {

namespace {

template <class T> std::string joined(const List<T>& list) {
    std::string out;
    for (T value : toVector(list))
        out += (out.empty() ? "" : ",") + std::to_string(value);
    return "[" + out + "]";
}

std::string side(std::int16_t lost, std::int16_t limit, std::int16_t routedTQ, std::int16_t routing,
                 std::int16_t eliminated, std::int16_t units) {
    return std::to_string(lost) + "/" + std::to_string(limit) + " routed " + std::to_string(routedTQ) + "(" +
           std::to_string(routing) + ") out " + std::to_string(eliminated) + "/" + std::to_string(units);
}

} // namespace

void GameFlowRecorder::connectHandlers() {
    for (const std::string& name : heard_)
        connectNamed(name, onMessage);
}

std::vector<std::string> MessageLog::only(std::initializer_list<const char*> names) const {
    std::vector<std::string> out;
    for (const std::string& line : log)
        for (const char* name : names)
            if (line.substr(0, line.find(' ')) == name) out.push_back(line);
    return out;
}

std::vector<std::string> MessageLog::names() const {
    std::vector<std::string> out;
    for (const std::string& line : log)
        out.push_back(line.substr(0, line.find(' ')));
    return out;
}

std::string GameFlowRecorder::describe(const std::string& message, const ContainerBase* data) {
    short s = 0;
    unsigned short u = 0;
    std::string text;
    if (!data || dynamic_cast<const Container<SingleCombatResult>*>(data)) return message;
    // Sent empty: what they carry (a short 0) says nothing.
    for (const char* empty :
         {"StartCombat", "SomeCombatDone", "ZoomOutForRout", "ZoomInAfterRout", "GameSynchronized",
          "RoutPhase", "BeginLeaderOrdersPhase", "BeginTurn", "RemoveAllBattleArrows", "InitLeader",
          "DoneViewingCombatResults", "ZoomOutAfterCombat", "FinishLeader", "EndOfTurnRoutingDone",
          "CombatDone", "UnitDeselected"})
        if (message == empty) return message;
    if (Container<std::string>::fromMessage(data, text)) return message + " " + text;
    if (Container<short>::fromMessage(data, s)) return message + " " + std::to_string(s);
    if (Container<unsigned short>::fromMessage(data, u)) return message + " " + std::to_string(u);
    if (auto* r = dynamic_cast<const Container<EndOfGameResults>*>(data)) {
        const EndOfGameResults& e = *r->valuePtr();
        return message + " winner " + std::to_string(e.winner) + " " + e.homeName + "(" +
               std::to_string(e.homeNation) + ") " +
               side(e.homeLostTQ, e.homeTQLimit, e.homeRoutedTQ, e.homeRouting, e.homeEliminated,
                    e.homeUnits) +
               " " + e.visitorName + "(" + std::to_string(e.visitorNation) + ") " +
               side(e.visitorLostTQ, e.visitorTQLimit, e.visitorRoutedTQ, e.visitorRouting,
                    e.visitorEliminated, e.visitorUnits);
    }
    if (auto* r = dynamic_cast<const Container<RaiseFlagsStruct>*>(data)) {
        const RaiseFlagsStruct& f = *r->valuePtr();
        return message + " " + joined(f.flags) + " gray " + joined(f.grayFlags) + " nation " +
               std::to_string(f.nation);
    }
    if (auto* r = dynamic_cast<const Container<List<short>>*>(data))
        return message + " " + joined(*r->valuePtr());
    if (auto* r = dynamic_cast<const Container<Group*>*>(data))
        return message + " group " + (r->value() ? std::to_string(r->value()->number) : std::string("none"));
    if (auto* a = dynamic_cast<const Container<BattleArrowStruct>*>(data))
        return message + " " + std::to_string(a->valuePtr()->from) + ">" + std::to_string(a->valuePtr()->to) +
               " d" + std::to_string(a->valuePtr()->direction) +
               (a->valuePtr()->unused ? " unused " + std::to_string(a->valuePtr()->unused) : "");
    if (auto* w = dynamic_cast<const Container<WoundedLeaderInfo>*>(data))
        return message + " " + values(w->valuePtr()->amount, w->valuePtr()->unitNumber);
    if (auto* f = dynamic_cast<const Container<MissileFireStruct>*>(data))
        return message + " " + values(f->valuePtr()->targetHex, f->valuePtr()->unitNumber);
    if (auto* r = dynamic_cast<const Container<UnitRemovedStruct>*>(data)) {
        const UnitRemovedStruct& m = *r->valuePtr();
        return message + " id " + std::to_string(m.unitId) + " " + std::to_string(m.hex) + "/" +
               std::to_string(m.secondHex);
    }
    return message + " ?";
}

ContainerBase* GameFlowRecorder::onMessage(Component* target, BusMessage event, ContainerBase* data) {
    auto* self = static_cast<GameFlowRecorder*>(target);
    const std::string message = RegisteredMessage::nameOf(event.id());
    self->log.push_back(describe(message, data));
    auto it = self->reactions_.find(message);
    return it == self->reactions_.end() ? nullptr : it->second(*self, data);
}

} // namespace vael::test
