#include "support/rules/battle_layer.h"

#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/rout/rout_records.h"
#include "game/rules/units/unit_payloads.h"
#include "support/rules/test_maps.h"

namespace vael::test {

namespace {

BattleLayer* layerOf(Component* target) {
    return static_cast<BattleLayer*>(target);
}

std::string nameOf(std::uint32_t id) {
    const std::string name = RegisteredMessage::nameOf(id);
    return name.empty() ? std::to_string(id) : name;
}

ContainerBase* onLogged(Component* target, BusMessage event, ContainerBase* data) {
    std::string line = nameOf(event.id()), words;
    short number = 0;
    unsigned short unsignedNumber = 0;
    const char* cursor = nullptr;
    TQHitInfo hit;
    UnitRoutData routed;
    EliminateUnitData gone;
    RestoreCohesionInfo restored;
    if (Container<std::string>::fromMessage(data, words))
        line += " " + words;
    else if (Container<short>::fromMessage(data, number))
        line += " " + std::to_string(number);
    else if (Container<unsigned short>::fromMessage(data, unsignedNumber))
        line += " " + std::to_string(unsignedNumber);
    else if (Container<const char*>::fromMessage(data, cursor))
        line += std::string(" ") + cursor;
    else if (Container<TQHitInfo>::fromMessage(data, hit))
        line += " " + values(hit.hits, hit.unitNumber, hit.cause);
    else if (Container<UnitRoutData>::fromMessage(data, routed))
        line += " " + values(routed.nation, routed.value, routed.unitType);
    else if (Container<EliminateUnitData>::fromMessage(data, gone))
        line += " " + values(gone.nation, gone.points, gone.unitType, gone.unitNumber);
    else if (Container<RestoreCohesionInfo>::fromMessage(data, restored))
        line += " " + values(restored.hits, restored.unitNumber);
    else if (data && layerOf(target)->describe)
        line += " " + layerOf(target)->describe(data);
    layerOf(target)->log.push_back(line);
    return nullptr;
}

ContainerBase* onMenu(Component* target, BusMessage event, ContainerBase* data) {
    BusMessage item;
    Container<BusMessage>::fromMessage(data, item);
    layerOf(target)->log.push_back((event.id() == ENABLE_MENU_ITEM ? "menu+ " : "menu- ") +
                                   std::to_string(item.id()));
    return nullptr;
}

ContainerBase* onCommand(Component* target, BusMessage, ContainerBase* data) {
    LogicalCommandInfo c;
    if (!Container<LogicalCommandInfo>::fromMessage(data, c)) return nullptr;
    std::string line =
        "cmd " + std::to_string(c.command) + " " + nameOf(c.event.id()) + " " + std::to_string(c.value);
    unsigned int cause = 0;
    if (Container<unsigned int>::fromMessage(c.payload.get(), cause))
        line += " cause " + std::to_string(cause);
    layerOf(target)->log.push_back(line);
    return nullptr;
}

ContainerBase* onTQHit(Component* target, BusMessage, ContainerBase* data) {
    auto* hit = dynamic_cast<const Container<TQHitInfo>*>(data);
    if (!hit || !layerOf(target)->applyHits) return nullptr;
    if (auto* unit = dynamic_cast<Combat*>(layerOf(target)->unitNumbered(hit->valuePtr()->unitNumber)))
        unit->CohesionHit(hit->valuePtr()->hits, hit->valuePtr()->cause);
    return nullptr;
}

ContainerBase* onRestore(Component* target, BusMessage, ContainerBase* data) {
    RestoreCohesionInfo info;
    if (!Container<RestoreCohesionInfo>::fromMessage(data, info) || !layerOf(target)->applyRestore) return nullptr;
    if (auto* unit = dynamic_cast<Combat*>(layerOf(target)->unitNumbered(info.unitNumber)))
        unit->setCohesionHits(info.hits);
    return nullptr;
}

ContainerBase* onEliminate(Component* target, BusMessage, ContainerBase* data) {
    short number = 0;
    if (!Container<short>::fromMessage(data, number)) return nullptr;
    if (VaelUnit* unit = layerOf(target)->unitNumbered(number)) unit->disconnectHandlers();
    return nullptr;
}

ContainerBase* onInZOC(Component* target, BusMessage, ContainerBase* data) {
    BattleLayer* layer = layerOf(target);
    ZOCStructure where;
    if (!Container<ZOCStructure>::fromMessage(data, where)) return nullptr;
    layer->log.push_back("InZOC " + std::to_string(where.hex));
    if (layer->zocAnswer >= 0) return new Container<short>(layer->zocAnswer);
    short inZoc = 0;
    for (VaelUnit* u : layer->units)
        if (u->isOtherNation(where.nation) && u->isHexInZOC(static_cast<std::int16_t>(where.hex))) inZoc = 1;
    return new Container<short>(inZoc);
}

ContainerBase* onChangeFacing(Component* target, BusMessage, ContainerBase* data) {
    ChangeFacingStruct order;
    if (!Container<ChangeFacingStruct>::fromMessage(data, order)) return nullptr;
    layerOf(target)->log.push_back("ChangeFacing " + values(order.sense, order.numTurns, order.unitNumber));
    VaelUnit* unit = layerOf(target)->unitNumbered(order.unitNumber);
    return new Container<short>(unit ? unit->ChangeFacing(order.sense, order.numTurns) : std::int16_t(0));
}

// The game's "DoRout": the unit takes the path it ran.
ContainerBase* onDoRout(Component* target, BusMessage, ContainerBase* data) {
    RoutInfo info;
    if (!Container<RoutInfo>::fromMessage(data, info)) return nullptr;
    layerOf(target)->log.push_back("DoRout " + values(info.unitNumber, info.path, info.terminal));
    if (auto* unit = dynamic_cast<Combat*>(layerOf(target)->unitNumbered(info.unitNumber)))
        unit->DoRout(info.path, info.terminal);
    return nullptr;
}

ContainerBase* onRampagingActions(Component* target, BusMessage, ContainerBase* data) {
    List<RampageStruct> events;
    if (!Container<List<RampageStruct>>::fromMessage(data, events)) return nullptr;
    std::string line = "RampagingActions";
    ListIterator<RampageStruct> it(events);
    for (RampageStruct e; it.next(e);)
        line += " (" + values(e.unitNumber, e.percentHits, e.hex, e.routing, e.withdrawing) + ")";
    layerOf(target)->log.push_back(line);
    return nullptr;
}

// The game's "DoRampagingActions": the elephant hands its run to its display object.
ContainerBase* onDoRampagingActions(Component* target, BusMessage, ContainerBase* data) {
    DoRampageStruct run;
    if (!Container<DoRampageStruct>::fromMessage(data, run)) return nullptr;
    layerOf(target)->log.push_back("DoRampagingActions " + values(run.path, run.unitNumber));
    if (auto* elephant = dynamic_cast<Elephant*>(layerOf(target)->unitNumbered(run.unitNumber)))
        elephant->showRampage(run.path);
    return nullptr;
}

ContainerBase* onHighlight(Component* target, BusMessage event, ContainerBase* data) {
    if (!layerOf(target)->logHighlights) return nullptr;
    List<short> hexes;
    short hex = 0;
    std::string what = event.id() == HIGHLIGHT_REGION ? "light+ " : "light- ";
    if (Container<List<short>>::fromMessage(data, hexes))
        what += text(hexes);
    else if (Container<short>::fromMessage(data, hex))
        what += text(hex);
    layerOf(target)->log.push_back(what);
    return nullptr;
}

ContainerBase* onAddBogusLeader(Component* target, BusMessage, ContainerBase* data) {
    Leader* fallen = nullptr;
    if (Container<Leader*>::fromMessage(data, fallen) && fallen)
        layerOf(target)->fallenLeaders.emplace_back(fallen);
    return nullptr;
}

} // namespace

void BattleLayer::connectParent() {
    TestLogicalLayer::connectParent();
    if (isConnected(RegisteredMessage::getId("TQHit"), onTQHit)) return;
    for (const char* name :
         {"TQHit", "AddCommentary", "UnitRouted", "UnitRallied", "UnitEliminated", "EliminateUnit",
          "RemoveFromCombat", "DoRestoreCohesion", "CohesionRestored", "UnitDeselected", "ChangeCursor",
          "UnitMovementDone", "UsedThisTurn", "RoutingDone", "BeginElephantRampage"})
        connectNamed(name, onLogged);
    connectNamed("TQHit", onTQHit);
    connectNamed("DoRestoreCohesion", onRestore);
    connectNamed("EliminateUnit", onEliminate);
    connectNamed("InZOC", onInZOC);
    connectNamed("ChangeFacing", onChangeFacing);
    connectNamed("DoRout", onDoRout);
    connectNamed("AddBogusLeader", onAddBogusLeader);
    connectNamed("RampagingActions", onRampagingActions);
    connectNamed("DoRampagingActions", onDoRampagingActions);
    connect(HIGHLIGHT_REGION, onHighlight);
    connect(DEHIGHLIGHT_REGION, onHighlight);
    connect(ENABLE_MENU_ITEM, onMenu);
    connect(DISABLE_MENU_ITEM, onMenu);
    connect(LOGICAL_COMMAND, onCommand);
}

void BattleLayer::watch(std::initializer_list<const char*> names,
                        std::initializer_list<std::int32_t> events) {
    for (const char* name : names)
        connectNamed(name, onLogged);
    for (std::int32_t event : events)
        connect(event, onLogged);
}

VaelUnit* BattleLayer::unitNumbered(int number) const {
    for (VaelUnit* u : units)
        if (u->getUnitNum() == number) return u;
    return nullptr;
}

std::vector<std::string> BattleLayer::lines(std::initializer_list<const char*> prefixes) const {
    std::vector<std::string> out;
    for (const std::string& line : log)
        for (const char* p : prefixes)
            if (line.rfind(p, 0) == 0) {
                out.push_back(line);
                break;
            }
    return out;
}

} // namespace vael::test
