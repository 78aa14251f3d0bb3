#include "support/flow/flow_listener.h"

#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "game/rules/scenario_records.h"
#include "game/rules/units/nation.h"
#include "support/rules/test_maps.h"

namespace vael::test {

namespace {

const char* const heard[] = {"MapInfo",         "HomeTeam",        "VisitorTeam",
                             "HomeTQPoints",    "VisitorTQPoints", "NumHomeUnits",
                             "NumVisitorUnits", "CreateLeader",    "ScenarioLoaded"};

std::string names(const List<std::string>& list) {
    std::string out;
    for (const std::string& name : toVector(list))
        out += (out.empty() ? "" : ", ") + name;
    return "[" + out + "]";
}

} // namespace

void FlowListener::connectHandlers() {
    for (const char* name : heard)
        connectNamed(name, onMessage);
    for (BusMessage event : {BEGIN_LANDSCAPE, CREATE_REGION, END_LANDSCAPE, LOGICAL_UNIT_CREATED})
        connect(event, onMessage);
}

ContainerBase* FlowListener::onMessage(Component* target, BusMessage event, ContainerBase* data) {
    using std::to_string;
    auto* self = static_cast<FlowListener*>(target);
    const std::string counter = self->layer_ ? " at " + to_string(self->layer_->getUnitCounter()) : "";
    const std::string name = RegisteredMessage::nameOf(event.id());
    std::string line;
    short value = 0;
    if (auto* map = dynamic_cast<const Container<MapInfoStruct>*>(data)) {
        line = "MapInfo " + map->value().name + " " + to_string(map->value().size.x) + "x" +
               to_string(map->value().size.y);
    } else if (auto* definition = dynamic_cast<const Container<LandscapeDefinition>*>(data)) {
        const LandscapeDefinition& d = *definition->valuePtr();
        line = "BEGIN_LANDSCAPE " + to_string(d.scenario) + " " + to_string(d.size.x) + "x" +
               to_string(d.size.y) + " " + to_string(d.regionCount) + " " + to_string(d.style);
    } else if (auto* regions = dynamic_cast<const Container<List<LogicalRegion>>*>(data)) {
        LogicalRegion first, last;
        regions->valuePtr()->first(first);
        regions->valuePtr()->last(last);
        line = "CREATE_REGION " + to_string(regions->valuePtr()->count()) + " " + to_string(first.id) + ".." +
               to_string(last.id);
    } else if (event.id() == END_LANDSCAPE) {
        line = "END_LANDSCAPE";
    } else if (auto* nation = dynamic_cast<const Container<NATION>*>(data)) {
        line = name + " " + to_string(nation->value());
    } else if (Container<short>::fromMessage(data, value)) {
        line = name + " " + to_string(value);
    } else if (auto* leader = dynamic_cast<const Container<LeaderUnitInfo>*>(data)) {
        const LeaderUnitInfo& l = *leader->valuePtr();
        line = "CreateLeader " + l.name + " initiative " + to_string(l.initiative) + " nation " +
               to_string(l.nation) + counter;
    } else if (auto* command = dynamic_cast<const Container<LogicalCommandInfo>*>(data)) {
        const LogicalCommandInfo& c = *command->valuePtr();
        LOCreateInfo info;
        Container<LOCreateInfo>::fromMessage(c.payload.get(), info);
        line = "LOGICAL_UNIT_CREATED " + to_string(c.command) + " key " + to_string(info.key) + " facing " +
               to_string(info.facing) + " nation " + to_string(info.nation) + " hex " + to_string(c.value) +
               counter;
    } else if (auto* team = dynamic_cast<const Container<TeamInfoStruct>*>(data)) {
        const TeamInfoStruct& t = self->team = team->value();
        ++self->loaded;
        line = "ScenarioLoaded " + to_string(t.homeNation) + " " + t.homeName + " " +
               test::names(t.homeLeaders) + " " + to_string(t.visitorNation) + " " + t.visitorName + " " +
               test::names(t.visitorLeaders);
    } else {
        line = name + " ?";
    }
    self->log.push_back(line);
    return nullptr;
}

} // namespace vael::test
