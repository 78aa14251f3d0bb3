// One shock battle from the charge to the queued advances: the units that break in the charge, the main
// units of each side and their leaders, the clash chart's hits shared out over the units, the results
// for the players and the display, and the winners who may step forward.
#include <algorithm>
#include <map>
#include <string>

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/registered_message.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/clash_chart.h"
#include "game/rules/heavy_cav.h"
#include "game/rules/leader_records.h"
#include "game/rules/missile_capable.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/unit_type.h"

namespace vael {

namespace {

Combat* fighterOf(const VaelUnit* unit) {
    return dynamic_cast<Combat*>(const_cast<VaelUnit*>(unit));
}

// The fighting units of a side, in order; anything else listed there takes no part.
List<Combat*> fightersOf(const List<const VaelUnit*>& units) {
    List<Combat*> out;
    for (const VaelUnit* unit : each(units))
        if (Combat* c = fighterOf(unit)) out.append(c);
    return out;
}

using Tally = std::map<std::uint16_t, std::int16_t>;

// Chariots are destroyed and bolt throwers abandoned rather than routed: neither runs, so neither is
// awaited.
bool runsWhenRouted(const Combat& unit) {
    return unit.getUnitType() != CH && unit.getUnitType() != AT;
}

// Skirmishers fighting beside heavier troops add nothing to the weight of their side.
std::int32_t sideSize(const List<Combat*>& side) {
    bool onlySkirmishers = true;
    for (Combat* unit : each(side))
        if (unit->getUnitType() != SK) onlySkirmishers = false;
    std::int32_t size = 0;
    for (Combat* unit : each(side))
        if (onlySkirmishers || unit->getUnitType() != SK) size += unit->getSize();
    return size;
}

std::int16_t hitsOf(const Combat& unit) {
    return static_cast<std::int16_t>(unit.getCohesionHits());
}

std::int16_t tqOf(const Combat& unit) {
    return static_cast<std::int16_t>(unit.getTroopQuality());
}

struct Side {
    List<Combat*> units;
    Tally battleHits, routed;
    List<Combat*> chargeRouted;
};

} // namespace

std::uint16_t VaelLogicalLayer::resolveShockBattle(const CombatStruct& combat, std::int16_t started) {
    auto& trace = debugStream();
    const auto say = [this](const std::string& line) {
        Container<std::string> box(line);
        sendNamed(msg::AddCommentary, &box);
    };
    const auto sendNumber = [this](const char* message, short value) {
        Container<short> box(value);
        sendNamed(message, &box);
    };
    battleCount_ = static_cast<std::int16_t>(battleCount_ + 1);
    const auto n = static_cast<short>(battleCount_);
    const auto battleOver = [&]() { sendNumber(msg::RoutingDone, static_cast<short>(-n)); };

    Side attack, defence;
    attack.units = fightersOf(combat.attackers);
    defence.units = fightersOf(combat.defenders);
    trace << std::string(44, '-') << std::endl
          << "       Battle Results for battle #" << n << std::endl
          << "The players:" << std::endl;
    SingleCombatResult result;
    for (Side* side : {&attack, &defence}) {
        const bool attacking = side == &attack;
        trace << (attacking ? "Attackers" : "Defenders") << std::endl << "---------" << std::endl;
        for (Combat* unit : each(side->units)) {
            trace << unit->getName() << " in hex " << unit->getHex() << std::endl;
            (attacking ? result.attackerNames : result.defenderNames).append(unit->getName());
            (attacking ? result.attackerHexes : result.defenderHexes)
                .append(static_cast<short>(unit->getHex()));
            side->battleHits[unit->getUnitNum()] = 0;
            side->routed[unit->getUnitNum()] = 0;
        }
    }
    unitsRouting_.append(static_cast<short>(-n));

    // Units already running away are cut down where they stand.
    List<Combat*> standing;
    for (Combat* unit : each(defence.units)) {
        if (!unit->isRouting()) {
            standing.append(unit);
            continue;
        }
        sendNumber(msg::EliminateUnit, static_cast<short>(unit->getUnitNum()));
        say("\\B" + unit->getName() + "\\b was eliminated!");
    }
    defence.units = standing;
    if (defence.units.isEmpty() || attack.units.isEmpty()) {
        battleOver();
        return static_cast<std::uint16_t>(started);
    }

    // The charge: a failed test costs the unit the amount by which the die missed its troop quality.
    const auto chargeTest = [&](Combat* unit, int die, Side& side) {
        const TQCheck check = unit->tqCheck(static_cast<std::int16_t>(die));
        const std::int16_t h = check.passed ? 0 : check.margin;
        const std::int16_t hits = hitsOf(*unit);
        unit->tqHit(h, hits + h < tqOf(*unit) ? 0xFFFFFFFFu : 0u);
        std::int16_t& battle = side.battleHits[unit->getUnitNum()];
        battle = static_cast<std::int16_t>(battle + h);
        if (hits + battle < tqOf(*unit)) {
            if (h > 0)
                say("\\B" + unit->getName() + "\\b took " + std::to_string(h) +
                    " cohesion hits during the charge.");
            return;
        }
        unit->setWillRout();
        side.routed[unit->getUnitNum()] = 1;
        const std::uint32_t type = unit->getUnitType();
        say(unit->getName() +
            (type == EL   ? " rampaged "
             : type == CH ? " was eliminated "
                          : " routed ") +
            "during the charge!");
        side.chargeRouted.append(unit);
        if (runsWhenRouted(*unit)) unitsRouting_.append(static_cast<short>(unit->getUnitNum()));
    };
    trace << "The Charge (Ephodos):" << std::endl;
    bool charged = false, allLight = true, withChariot = false;
    {
        Item<const VaelUnit*>* a = nullptr;
        Item<short>* moved = nullptr;
        combat.attackers.firstItem(a);
        combat.moved.firstItem(moved);
        for (; a; a = a->next, moved = moved ? moved->next : nullptr) {
            Combat* unit = fighterOf(a->value);
            if (!unit || !moved || !moved->value) continue;
            charged = true;
            if (unit->getUnitType() != LI) allLight = false;
            if (unit->getUnitType() == CH) withChariot = true;
            chargeTest(unit, Roll::d10(), attack);
        }
    }
    if (charged) {
        // Light infantry cannot shake a phalanx or heavy infantry by the rush of its charge.
        for (Combat* unit : each(defence.units)) {
            if (allLight && (unit->getUnitType() == PH || unit->getUnitType() == HI)) continue;
            chargeTest(unit, Roll::d10() + (withChariot ? 1 : 0), defence);
        }
    }

    const bool defendersBroke = defence.chargeRouted.count() == defence.units.count();
    const bool attackersBroke = attack.chargeRouted.count() == attack.units.count();
    if (defendersBroke && !attackersBroke) {
        Combat* first = nullptr;
        attack.units.first(first);
        const std::int16_t to = advanceAfterCombat(static_cast<std::int16_t>(combat.hex), first);
        if (to != -1) advances_.append(CombatAdvance{first, to, 1});
    }
    // Whoever broke, the battle is over and its animation is owed no report: the phase counts it done
    // here, or it would wait for it for ever.
    if (defendersBroke || attackersBroke) {
        battleOver();
        return static_cast<std::uint16_t>(started);
    }
    for (Side* side : {&attack, &defence})
        for (Combat* unit : each(side->chargeRouted))
            side->units.remove(unit);

    const std::int32_t attackerSize = sideSize(attack.units);
    const std::int32_t defenderSize = sideSize(defence.units);
    Combat* firstAttacker = nullptr;
    Combat* firstDefender = nullptr;
    attack.units.first(firstAttacker);
    defence.units.first(firstDefender);
    const std::uint32_t attackerNation = firstAttacker->getNation();
    const std::uint32_t defenderNation = firstDefender->getNation();

    Combat* target = nullptr;
    if (vaelLandscape_ && vaelLandscape_->isValidHex(static_cast<std::int16_t>(combat.hex)))
        target = fighterOf(vaelLandscape_->firstOccupant(static_cast<std::int16_t>(combat.hex)));
    if (!target) target = firstDefender;

    // The main attacker: the best column, a blow from the side before any frontal one, the later of
    // equals.
    Combat* mainAttacker = nullptr;
    std::int32_t best = 0;
    std::int16_t fromSide = 0, position = FrontAttack;
    for (Combat* unit : each(attack.units)) {
        const std::int32_t c = baseColumn(unit->getUnitType(), target->getUnitType(), FrontAttack);
        const auto here = static_cast<std::int16_t>(unit->getHex());
        const std::int16_t second = unit->getSecondHex();
        const bool side = unit->isDoubleSized()
                              ? target->isInRearHexes(here) || target->isInRearHexes(second) ||
                                    target->isInFlankHexes(here) || target->isInFlankHexes(second)
                              : !target->isInFrontHexes(here);
        if (side && c >= best) {
            mainAttacker = unit, best = c, fromSide = 1;
            position = target->isInRearHexes(here) ? RearAttack : FlankAttack;
            if (unit->isDoubleSized() && position == FlankAttack && target->isInRearHexes(second))
                position = RearAttack;
        } else if (!fromSide && c >= best) {
            mainAttacker = unit, best = c;
        }
    }
    trace << "Main Attacker unit " << mainAttacker->getName() << std::endl
          << (position == FrontAttack   ? "attacking from the front"
              : position == FlankAttack ? "attacking from the flank"
                                        : "attacking from the rear")
          << std::endl;
    Combat* mainDefender = nullptr;
    std::int32_t lowest = 100;
    for (Combat* unit : each(defence.units)) {
        const std::int32_t c = baseColumn(mainAttacker->getUnitType(), unit->getUnitType(), FrontAttack);
        if (c < lowest) mainDefender = unit, lowest = c;
    }
    if (!mainDefender) mainDefender = firstDefender;
    trace << "Main Defender unit " << mainDefender->getName() << std::endl;

    // The leaders: the best with the attackers, the best of the defending army wherever he stands.
    Leader* attackingLeader = nullptr;
    Leader* defendingLeader = nullptr;
    std::uint16_t bestRating = 0;
    const List<Leader*>& attackingSide = attackerNation == homeNation_ ? homeLeaders_ : visitorLeaders_;
    for (Combat* unit : each(attack.units))
        for (Leader* leader : each(attackingSide))
            if (leader->getHex() == unit->getHex() && leader->getShockPrecedence() > bestRating) {
                attackingLeader = leader, bestRating = leader->getShockPrecedence();
                break;
            }
    bestRating = 0;
    for (Leader* leader : each(defenderNation == visitorNation_ ? visitorLeaders_ : homeLeaders_))
        if (leader->getShockPrecedence() > bestRating)
            defendingLeader = leader, bestRating = leader->getShockPrecedence();
    std::int16_t attackerLeaderKilled = 0, defenderLeaderKilled = 0;
    if (attackingLeader && defendingLeader) {
        const int attackerRoll = Roll::d10() + attackingLeader->getDuelRating();
        const int defenderRoll = Roll::d10() + defendingLeader->getDuelRating();
        const int d = attackerRoll - defenderRoll;
        trace << "Leader casualty rolls: " << attackerRoll << " against " << defenderRoll << std::endl;
        if (d != 0) {
            Leader* struck = d > 0 ? attackingLeader : defendingLeader;
            int size = std::abs(d);
            const auto number = static_cast<short>(struck->getUnitNum());
            if (size == 3 || size == 4) {
                if (struck->isWounded())
                    size = 5;
                else {
                    Container<WoundedLeaderInfo> wound(WoundedLeaderInfo{2, struck->getUnitNum()});
                    sendNamed(msg::WoundedLeader, &wound);
                }
            }
            if (size <= 2) sendNumber(msg::FinishedLeader, number);
            if (size == 5 || size == 6) {
                sendNumber(msg::EliminateUnit, number);
                const std::string& name = struck->getName();
                if (name.find("Vael") != std::string::npos || name.find("Tezhar") != std::string::npos)
                    sendEmpty(END_GAME);
            }
            if (struck->isEliminated())
                (struck == attackingLeader ? attackerLeaderKilled : defenderLeaderKilled) = 1;
        }
    }
    trace << "Leaders killed: " << attackerLeaderKilled << " " << defenderLeaderKilled << std::endl;

    const auto cataphract = [](const Combat* unit) -> std::int16_t {
        const auto* cavalry = dynamic_cast<const HeavyCav*>(unit);
        return unit->getUnitType() == HC && cavalry && cavalry->isCataphract() ? 1 : 0;
    };
    const std::int16_t missileDefender = dynamic_cast<const MissileCapable*>(mainDefender) ? 1 : 0;
    // An enemy that has the main attacker in its zone of control, out of reach of the attacker's own,
    // takes away the attacker's superiority. The list goes by the home nation, whichever nation that is.
    std::int16_t threatened = 0;
    const auto attackerHex = static_cast<std::int16_t>(mainAttacker->getHex());
    for (Combat* unit : each(mainDefender->getNation() == homeNation_ ? homeUnits_ : visitorUnits_))
        if (unit->isHexInZOC(attackerHex) &&
            !mainAttacker->isHexInZOC(static_cast<std::int16_t>(unit->getHex())) &&
            unit->getNation() != mainAttacker->getNation())
            threatened = 1;

    const ClashResult clash = clashChart(attackerSize, mainAttacker->getUnitType(), cataphract(mainAttacker),
                                         position, defenderSize, mainDefender->getUnitType(),
                                         cataphract(mainDefender), missileDefender, threatened, 0);
    trace << "Attacker hits: " << clash.attackerHits << " Defender hits: " << clash.defenderHits << std::endl;

    // Shares: the remainder goes whole to the main unit; a side that deals three times what it takes
    // suffers two more in the press.
    const auto nA = static_cast<std::int16_t>(attack.units.count());
    const auto nD = static_cast<std::int16_t>(defence.units.count());
    const auto a = static_cast<std::int16_t>(clash.attackerHits / nA);
    const auto d = static_cast<std::int16_t>(clash.defenderHits / nD);
    const std::int16_t a1 = a ? a : 1, d1 = d ? d : 1;
    const auto share = [&](Combat* unit, std::int16_t s, std::int16_t other, Side& side, bool attacking) {
        if (s >= 3 * other) s = static_cast<std::int16_t>(s + 2);
        const std::int16_t hits = hitsOf(*unit), tq = tqOf(*unit);
        if (tq - hits == 1 && isInEnemyZOC(static_cast<std::int16_t>(unit->getHex()), unit->getNation())) {
            const bool passed = unit->tqCheck(static_cast<std::int16_t>(Roll::d10())).passed;
            // A share of nothing has no hit to save.
            s = static_cast<std::int16_t>(std::max(0, s + (passed ? -1 : 1)));
        }
        trace << unit->getName() << " takes a share of " << s << std::endl;
        std::int16_t& battle = side.battleHits[unit->getUnitNum()];
        battle = static_cast<std::int16_t>(battle + s);
        unit->tqHit(s, 0xFFFFFFFFu);
        short routed = 0;
        if (hits + battle >= tq) {
            unit->setWillRout();
            routed = 1;
            side.routed[unit->getUnitNum()] = 1;
            if (runsWhenRouted(*unit)) unitsRouting_.append(static_cast<short>(unit->getUnitNum()));
            trace << unit->getName() << " routs" << std::endl;
        }
        if (attacking) {
            result.attackerRouted.append(routed);
            result.attackerHits.append(static_cast<short>(std::min<int>(battle, tq - hits)));
        } else {
            battle = std::min(battle, tq);
            result.defenderRouted.append(routed);
            result.defenderHits.append(battle);
        }
        (attacking ? result.attackerTotals : result.defenderTotals)
            .append(static_cast<short>(std::min<int>(hits + battle, tq)));
        (attacking ? result.attackerExtra : result.defenderExtra).append(0);
        (attacking ? result.attackerMargins : result.defenderMargins)
            .append(static_cast<short>(tq - hits - battle));
    };
    for (Combat* unit : each(attack.units))
        share(unit, static_cast<std::int16_t>(a + (unit == mainAttacker ? clash.attackerHits % nA : 0)), d1,
              attack, true);
    for (Combat* unit : each(defence.units))
        share(unit, static_cast<std::int16_t>(d + (unit == mainDefender ? clash.defenderHits % nD : 0)), a1,
              defence, false);

    Container<SingleCombatResult> results(result);
    sendNamed(msg::CombatResults, &results);

    CombatInfo info;
    for (Side* side : {&attack, &defence})
        for (Combat* unit : each(side->units)) {
            const auto number = static_cast<short>(unit->getUnitNum());
            (side == &attack ? info.attackers : info.defenders).append(number);
            unit->postUnitState();
            const std::int16_t battle = side->battleHits[unit->getUnitNum()];
            if (battle != 0)
                info.deaths.append(MethodOfDeathStruct{
                    static_cast<std::int16_t>((hitsOf(*unit) + battle) * 100 / std::max<int>(1, tqOf(*unit))),
                    1, number});
        }
    Container<LogicalCommandInfo> command(LogicalCommandInfo(
        0, new Container<CombatInfo>(info), 0, BusMessage(RegisteredMessage::getId(msg::UnitCombat)),
        BusMessage(RegisteredMessage::getId(msg::RoutingDone)),
        new Container<short>(static_cast<short>(-n))));
    sendNamed(msg::UnitCombat, &command);

    // The winners step into the hexes of the beaten: the main attacker first, then the steadiest.
    std::map<const Combat*, bool> advanced;
    for (Combat* beaten : each(defence.units)) {
        if (hitsOf(*beaten) + defence.battleHits[beaten->getUnitNum()] < tqOf(*beaten)) continue;
        Combat* advancer = nullptr;
        if (!advanced[mainAttacker] && !attack.routed[mainAttacker->getUnitNum()]) {
            advancer = mainAttacker;
        } else {
            std::uint16_t steadiest = 0;
            for (Combat* unit : each(attack.units))
                if (!advanced[unit] && !attack.routed[unit->getUnitNum()] &&
                    unit->getTroopQuality() > steadiest)
                    advancer = unit, steadiest = unit->getTroopQuality();
        }
        if (!advancer) break;
        const std::int16_t to = advanceAfterCombat(static_cast<std::int16_t>(beaten->getHex()), advancer);
        if (to != -1) advances_.append(CombatAdvance{advancer, to, 0});
        advanced[advancer] = true;
    }
    trace << "----------End Results for Battle #" << n << "---------" << std::endl;
    return 1;
}

} // namespace vael
