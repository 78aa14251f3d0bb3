// The shock phase of a logical layer: the attacks declared during a leader's orders gathered into
// combats with their arrows on the map, the combats fought in sets that the view can show at once, and
// the count of routs, animations and advances that must all report before the phase goes on.
#include "game/flow/shock_phase.h"
#include "framework/core/answer.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/battle_arrow_struct.h"
#include "game/rules/combat/combat_name_struct.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELLOG4";

ContainerBase* onAdvancingDone(Component* target, BusMessage, ContainerBase* data) {
    auto* layer = dynamic_cast<VaelLogicalLayer*>(target);
    Assertion::check(layer != nullptr, BadPayloadMessage, sourceFile, __LINE__);
    if (!layer) return nullptr;
    callWithPayload<short>(data, sourceFile, __LINE__, [&](short number) { layer->UnitAdvanced(number); });
    return nullptr;
}

bool standsIn(const VaelUnit* unit, std::uint16_t hex) {
    return unit->getHex() == hex ||
           (unit->isDoubleSized() && unit->getSecondHex() == static_cast<std::int16_t>(hex));
}

// The hexes of a unit, its first one first.
std::vector<std::int16_t> hexesOf(const VaelUnit* unit) {
    std::vector<std::int16_t> hexes{static_cast<std::int16_t>(unit->getHex())};
    if (unit->isDoubleSized() && unit->getSecondHex() >= 0) hexes.push_back(unit->getSecondHex());
    return hexes;
}

} // namespace

namespace {

// The arrow from an attacker to an enemy's hexes: the first pairing of the attacker's hexes with the
// enemy's that are neighbours, trying the first hexes first; the first pairing when none are.
BattleArrowStruct arrowBetween(const VaelLogicalLandscape* map, const std::vector<std::int16_t>& from,
                               const std::vector<std::int16_t>& to) {
    std::int16_t a = from.front(), b = to.front();
    bool found = false;
    for (std::int16_t f : from) {
        for (std::int16_t t : to)
            if (map && map->neighbourDirection(f, t)) {
                a = f, b = t, found = true;
                break;
            }
        if (found) break;
    }
    const std::int32_t direction = map ? map->neighbourDirection(a, b) : 0;
    return BattleArrowStruct{static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b),
                             static_cast<std::uint32_t>(direction), 0};
}

} // namespace

void ShockPhase::AddCombatants(const CombatNameStruct& declared) {
    auto& trace = debugStream();
    List<CombatStruct>& combats = layer_.combats();
    const VaelLogicalLandscape* landscape = layer_.getVaelLandscape();
    unsigned short firstDefender = 0xFFFF;
    declared.defenders.first(firstDefender);
    bool visitorDefends = true;
    Combat* attacker = nullptr;
    for (Combat* unit : each(layer_.getVisitorUnits())) {
        if (unit->getUnitNum() == declared.attacker) {
            visitorDefends = false, attacker = unit;
            break;
        }
        if (unit->getUnitNum() == firstDefender) break;
    }
    if (visitorDefends)
        for (Combat* unit : each(layer_.getHomeUnits()))
            if (unit->getUnitNum() == declared.attacker) attacker = unit;
    // A declaration naming no unit of ours is somebody's mistake; there is nobody to attack with.
    if (!attacker) {
        trace << "AddCombatants: no attacking unit numbered " << declared.attacker << std::endl;
        return;
    }
    const List<Combat*>& defendingUnits = visitorDefends ? layer_.getVisitorUnits() : layer_.getHomeUnits();
    const List<Leader*>& defendingSide =
        visitorDefends ? layer_.getVisitorLeaders() : layer_.getHomeLeaders();
    List<const VaelUnit*> defenders;
    List<Leader*> leaders;
    for (unsigned short number : each(declared.defenders))
        for (Combat* unit : each(defendingUnits))
            if (unit->getUnitNum() == number && !defenders.contains(unit)) defenders.append(unit);
    for (unsigned short number : each(declared.leaders))
        for (Leader* leader : each(defendingSide))
            if (leader->getUnitNum() == number && !leaders.contains(leader)) leaders.append(leader);

    const auto sendArrow = [this](const char* message, const BattleArrowStruct& arrow) {
        Container<BattleArrowStruct> box(arrow);
        layer_.sendNamed(message, &box);
    };
    const std::vector<std::int16_t> attackerHexes = hexesOf(attacker);
    const auto target = static_cast<std::int16_t>(declared.hex);
    CombatStruct* fought = nullptr;
    Item<CombatStruct>* item = nullptr;
    for (combats.firstItem(item); item; item = item->next) {
        CombatStruct& combat = item->value;
        if (combat.hex != declared.hex) continue;
        if (!combat.attackers.contains(attacker)) {
            combat.attackers.append(attacker);
            combat.moved.append(static_cast<short>(declared.moved));
        }
        List<const VaelUnit*> elsewhere;
        for (const VaelUnit* unit : each(defenders))
            if (!standsIn(unit, declared.hex)) elsewhere.append(unit);
        defenders = elsewhere;
        List<Leader*> leadersElsewhere;
        for (Leader* leader : each(leaders))
            if (!standsIn(leader, declared.hex)) leadersElsewhere.append(leader);
        leaders = leadersElsewhere;
        trace << "Adding battle arrow from existing combat structure..." << std::endl;
        sendArrow(msg::AddBattleArrow, arrowBetween(landscape, attackerHexes, {target}));
        if (!fought) fought = &combat;
    }
    if (!fought) {
        CombatStruct combat;
        combat.hex = declared.hex;
        combat.attackers.append(attacker);
        combat.moved.append(static_cast<short>(declared.moved));
        const VaelUnit* there = nullptr;
        for (const VaelUnit* unit : each(defenders))
            if (standsIn(unit, declared.hex)) {
                there = unit;
                break;
            }
        if (there) {
            defenders.remove(there);
            combat.defenders.append(there);
            sendArrow(msg::AddBattleArrow, arrowBetween(landscape, attackerHexes, hexesOf(there)));
        }
        Leader* leaderThere = nullptr;
        for (Leader* leader : each(leaders))
            if (standsIn(leader, declared.hex)) {
                leaderThere = leader;
                break;
            }
        if (leaderThere) {
            leaders.remove(leaderThere);
            combat.defendingLeaders.append(leaderThere);
        }
        combats.append(combat);
        // The defender fights where he is now attacked; whoever attacked him elsewhere loses him.
        Item<CombatStruct>* newest = nullptr;
        combats.lastItem(newest);
        fought = &newest->value;
        for (combats.firstItem(item); item; item = item->next) {
            CombatStruct& other = item->value;
            if (&other == fought) continue;
            if (there && other.defenders.contains(there)) {
                other.defenders.remove(there);
                for (const VaelUnit* unit : each(other.attackers)) {
                    bool beside = false;
                    for (std::int16_t f : hexesOf(unit))
                        for (std::int16_t t : hexesOf(there))
                            beside = beside || (landscape && landscape->neighbourDirection(f, t));
                    if (beside)
                        sendArrow(msg::RemoveBattleArrow,
                                  arrowBetween(landscape, hexesOf(unit), hexesOf(there)));
                }
            }
            if (leaderThere) other.defendingLeaders.remove(leaderThere);
        }
    }
    const auto unitListed = [&combats](const VaelUnit* unit) {
        for (const CombatStruct& combat : each(combats))
            if (combat.defenders.contains(unit)) return true;
        return false;
    };
    const auto leaderListed = [&combats](Leader* leader) {
        for (const CombatStruct& combat : each(combats))
            if (combat.defendingLeaders.contains(leader)) return true;
        return false;
    };
    for (const VaelUnit* unit : each(defenders)) {
        if (unitListed(unit)) continue;
        fought->defenders.append(unit);
        trace << "Adding battle arrow for extranneous units..." << std::endl;
        sendArrow(msg::AddBattleArrow, arrowBetween(landscape, attackerHexes, hexesOf(unit)));
    }
    for (Leader* leader : each(leaders))
        if (!leaderListed(leader)) fought->defendingLeaders.append(leader);
}

void ShockPhase::performShock() {
    List<CombatStruct>& combats = layer_.combats();
    // The attacks a leader declared before the battle was decided are never fought; the step still ends,
    // so that every machine reports the activation over.
    if (layer_.isBattleDecided()) {
        combats.clear();
        combatGroups_.clear();
        unitsRouting_.clear();
        advances_.clear();
        layer_.sendNamedEmpty(msg::CombatDone);
        return;
    }
    layer_.sendNamedEmpty(msg::StartCombat);
    unitsRouting_.clear();
    advances_.clear();
    if (combats.isEmpty()) {
        combats.clear();
        layer_.sendNamedEmpty(msg::CombatDone);
        return;
    }
    // The view's two questions run the queue, and a rout queued before the phase (an elephant's rampage,
    // a unit breaking under it) takes its unit out of every combat: the last combat may be gone by the
    // time the battles are fought. A phase that fights none must still end, or no leader comes next.
    if (willCombatFit(combats)) {
        wontFit_ = 0;
        combatCenterOnRegion(combats);
        layer_.sendNamedEmpty(msg::RemoveAllBattleArrows);
        battleCount_ = 0;
        if (combats.isEmpty()) {
            layer_.sendNamedEmpty(msg::CombatDone);
            return;
        }
        resolveAll(combats);
        return;
    }
    wontFit_ = 1;
    if (combats.isEmpty()) {
        layer_.sendNamedEmpty(msg::CombatDone);
        return;
    }
    for (CombatStruct first; combats.removeFirst(first);) {
        List<CombatStruct> group;
        group.append(first);
        Item<CombatStruct>* item = nullptr;
        combats.firstItem(item);
        while (item) {
            Item<CombatStruct>* next = item->next;
            group.append(item->value);
            if (willCombatFit(group)) {
                combats.removeItem(item);
            } else {
                Item<CombatStruct>* last = nullptr;
                group.lastItem(last);
                group.removeItem(last);
            }
            item = next;
        }
        combatGroups_.append(group);
    }
    debugStream() << "There are " << combatGroups_.count() << " combat groups" << std::endl;
    List<CombatStruct> firstGroup;
    combatGroups_.first(firstGroup);
    combatCenterOnRegion(firstGroup);
    layer_.sendNamedEmpty(msg::RemoveAllBattleArrows);
    battleCount_ = 0;
    performNextCombatGroup();
}

void ShockPhase::performNextCombatGroup() {
    List<CombatStruct> group;
    if (!combatGroups_.removeFirst(group)) return;
    advances_.clear();
    resolveAll(group);
}

void ShockPhase::resolveAll(List<CombatStruct>& battles) {
    resolving_ = true;
    endedUnlisted_.clear();
    std::int16_t started = 0;
    for (CombatStruct combat; battles.removeFirst(combat);)
        started = static_cast<std::int16_t>(resolveShockBattle(combat, started));
    resolving_ = false;
    endedUnlisted_.clear();
    routingEnded();
}

void ShockPhase::addRouting(short value) {
    if (endedUnlisted_.contains(value)) {
        endedUnlisted_.remove(value);
        return;
    }
    unitsRouting_.append(value);
}

std::uint16_t ShockPhase::willCombatFit(const List<CombatStruct>& combats) {
    struct Corner {
        int column, row;
    };
    Corner leastLeast{999, 999}, greatestLeast{-1, 999}, leastGreatest{999, -1}, greatestGreatest{-1, -1};
    for (const CombatStruct& combat : each(combats))
        for (const List<const VaelUnit*>* side : {&combat.attackers, &combat.defenders})
            for (const VaelUnit* unit : each(*side)) {
                const int c = unit->getHex() / 100, r = unit->getHex() - c * 100;
                if (c <= leastLeast.column && r <= leastLeast.row) leastLeast = {c, r};
                if (c >= greatestLeast.column && r <= greatestLeast.row) greatestLeast = {c, r};
                if (c <= leastGreatest.column && r >= leastGreatest.row) leastGreatest = {c, r};
                if (c >= greatestGreatest.column && r >= greatestGreatest.row) greatestGreatest = {c, r};
            }
    const auto hexOf = [](const Corner& corner) {
        return static_cast<std::uint16_t>(corner.column * 100 + corner.row);
    };
    Container<WillCombatFitStruct> corners(WillCombatFitStruct{
        hexOf(leastGreatest), hexOf(leastLeast), hexOf(greatestGreatest), hexOf(greatestLeast)});
    const auto reply = owned(layer_.queryNamed(msg::WillCombatFit, &corners));
    // Without a view to ask there is nothing to split the battles for.
    short fits = 1;
    takeAnswer(reply.get(), fits, sourceFile, __LINE__);
    return fits ? 1 : 0;
}

void ShockPhase::combatCenterOnRegion(const List<CombatStruct>& combats) {
    long columns = 0, rows = 0, count = 0;
    for (const CombatStruct& combat : each(combats))
        for (const List<const VaelUnit*>* side : {&combat.attackers, &combat.defenders})
            for (const VaelUnit* unit : each(*side)) {
                const int c = unit->getHex() / 100;
                columns += c, rows += unit->getHex() - c * 100, ++count;
            }
    if (count == 0) return;
    Container<short> centre(static_cast<short>(columns / count * 100 + rows / count));
    dropAnswer(layer_.queryNamed(msg::CombatCenterOnRegion, &centre));
}

void ShockPhase::RoutingDone(short value) {
    if (!unitsRouting_.contains(value)) {
        if (resolving_) endedUnlisted_.append(value);
        return;
    }
    unitsRouting_.remove(value);
    routingEnded();
}

void ShockPhase::routingEnded() {
    if (resolving_ || !unitsRouting_.isEmpty()) return;
    if (advances_.isEmpty()) {
        layer_.sendNamedEmpty(msg::SomeCombatDone);
        return;
    }
    if (!layer_.isConnected(RegisteredMessage::getId(msg::AdvancingDone), onAdvancingDone))
        layer_.connectNamed(msg::AdvancingDone, onAdvancingDone);
    advanceUnits();
}

void ShockPhase::advanceUnits() {
    unitsAdvancing_.clear();
    // Decided while the defeated were still routing (the other machine lost, say): the victors hold their
    // ground, as every step from the end on moves nobody.
    if (layer_.isBattleDecided()) advances_.clear();
    for (const CombatAdvance& advance : each(advances_)) {
        Combat* unit = advance.unit;
        if (!unit || !layer_.getUnits().contains(unit) || unit->willRout() || unit->isRouting() ||
            unit->isOutOfPlay())
            continue;
        if (unit->AdvanceAfterCombat(advance.hex, static_cast<std::int16_t>(advance.charge)))
            unitsAdvancing_.append(static_cast<short>(unit->getUnitNum()));
    }
    if (unitsAdvancing_.isEmpty()) {
        layer_.disconnectNamed(msg::AdvancingDone, onAdvancingDone);
        layer_.sendNamedEmpty(msg::SomeCombatDone);
    }
}

void ShockPhase::UnitAdvanced(short unitNumber) {
    if (!unitsAdvancing_.contains(unitNumber)) return;
    unitsAdvancing_.remove(unitNumber);
    if (!unitsAdvancing_.isEmpty()) return;
    layer_.disconnectNamed(msg::AdvancingDone, onAdvancingDone);
    layer_.sendNamedEmpty(msg::SomeCombatDone);
}

void ShockPhase::SomeCombatDone() {
    // The groups still to fight when the battle was decided are never fought.
    if (layer_.isBattleDecided()) combatGroups_.clear();
    if (wontFit_ && !combatGroups_.isEmpty()) {
        List<CombatStruct> next;
        combatGroups_.first(next);
        combatCenterOnRegion(next);
        performNextCombatGroup();
        return;
    }
    layer_.sendNamedEmpty(msg::CombatDone);
}

std::int16_t ShockPhase::advanceAfterCombat(std::int16_t hex, const Combat* attacker) {
    VaelLogicalLandscape* landscape = layer_.getVaelLandscape();
    if (!attacker || !landscape || !landscape->isValidHex(hex)) return hex;
    const VaelUnit* defender = nullptr;
    for (const VaelUnit* unit : each(landscape->unitsInHex(hex)))
        if (unit->isCombatUnit()) {
            defender = unit;
            break;
        }
    if (!attacker->isDoubleSized() || !defender || !defender->isDoubleSized()) return hex;
    VaelLogicalLandscape& map = *landscape;
    const auto al = static_cast<std::int16_t>(attacker->getHex()), ar = attacker->getSecondHex();
    const auto dl = static_cast<std::int16_t>(defender->getHex()), dr = defender->getSecondHex();
    const auto beside = [&](std::int16_t a, std::int16_t b) { return map.neighbourDirection(a, b) != 0; };
    const auto code = [&](std::int16_t x, std::int16_t p, std::int16_t q) {
        return (beside(x, p) ? 1 : 0) + (beside(x, q) ? 2 : 0);
    };
    const int AL = code(al, dl, dr), AR = code(ar, dl, dr), DL = code(dl, al, ar), DR = code(dr, al, ar);
    // The hex beside x in the direction that leads from y to z; -1 off the map.
    const auto next = [&](std::int16_t x, std::int16_t y, std::int16_t z) -> std::int16_t {
        const std::uint16_t id = map.neighbourId(x, map.neighbourDirection(y, z));
        return id == LogicalRegion::none ? std::int16_t(-1) : static_cast<std::int16_t>(id);
    };
    const auto isFree = [&](std::int16_t h) {
        return h >= 0 && map.isValidHex(h) && map.unitsInHex(h).isEmpty();
    };
    const auto ifFree = [&](std::int16_t h) { return isFree(h) ? h : std::int16_t(-1); };
    std::int16_t to = hex;
    if (AL == 3 && AR == 1) to = dr;
    if (AL == 2 && AR == 3) to = dr;
    if (AR == 2 && AL == 0) to = ifFree(next(al, ar, dr));
    if (AL == 1 && AR == 0) to = isFree(next(ar, al, dl)) ? dl : -1;
    if (AL == 2 && AR == 2 && DL == 0) to = isFree(next(ar, al, dr)) ? dr : ifFree(next(al, ar, dr));
    if (AL == 1 && AR == 1 && DR == 0) to = isFree(next(ar, al, dl)) ? dl : ifFree(next(al, ar, dl));
    if (AL == 3 && AR == 2) to = dl;
    if (AR == 1 && AL == 0 && DR == 0) to = ifFree(next(al, ar, dl));
    if (AL == 2 && AR == 0 && DL == 0) to = isFree(next(ar, al, dr)) ? dr : -1;
    return to;
}

} // namespace vael
