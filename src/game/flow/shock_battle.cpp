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
#include "game/flow/shock_battle.h"
#include "game/flow/shock_phase.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/clash_chart.h"
#include "game/rules/combat/heavy_cav.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/leaders/leader_records.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_type.h"

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

} // namespace

ShockBattle::ShockBattle(VaelLogicalLayer& layer, ShockPhase& phase, const CombatStruct& combat,
                         std::int16_t started)
    : layer_(layer), phase_(phase), combat_(combat), started_(started), trace_(debugStream()) {}

void ShockBattle::say(const std::string& line) {
    Container<std::string> box(line);
    layer_.sendNamed(msg::AddCommentary, &box);
}

void ShockBattle::sendNumber(const char* message, short value) {
    Container<short> box(value);
    layer_.sendNamed(message, &box);
}

std::uint16_t ShockBattle::endedEarly() {
    sendNumber(msg::RoutingDone, static_cast<short>(-number_));
    return static_cast<std::uint16_t>(started_);
}

std::uint16_t ShockBattle::resolve() {
    number_ = static_cast<short>(phase_.nextBattleNumber());
    attack_.units = fightersOf(combat_.attackers);
    defence_.units = fightersOf(combat_.defenders);
    introduce();
    if (!cutDownTheRouting()) return endedEarly();
    charge();
    if (someSideBroke()) return endedEarly();
    chooseMainUnits();
    leaderCasualties();
    clash();
    report();
    advance();
    trace_ << "----------End Results for Battle #" << number_ << "---------" << std::endl;
    return 1;
}

void ShockBattle::introduce() {
    trace_ << std::string(44, '-') << std::endl
           << "       Battle Results for battle #" << number_ << std::endl
           << "The players:" << std::endl;
    for (Side* side : {&attack_, &defence_}) {
        const bool attacking = side == &attack_;
        trace_ << (attacking ? "Attackers" : "Defenders") << std::endl << "---------" << std::endl;
        for (Combat* unit : each(side->units)) {
            trace_ << unit->getName() << " in hex " << unit->getHex() << std::endl;
            (attacking ? result_.attackerNames : result_.defenderNames).append(unit->getName());
            (attacking ? result_.attackerHexes : result_.defenderHexes)
                .append(static_cast<short>(unit->getHex()));
            side->battleHits[unit->getUnitNum()] = 0;
            side->routed[unit->getUnitNum()] = 0;
        }
    }
    phase_.addRouting(static_cast<short>(-number_));
}

// Units already running away are cut down where they stand; false when no battle is left to fight.
bool ShockBattle::cutDownTheRouting() {
    List<Combat*> standing;
    for (Combat* unit : each(defence_.units)) {
        // One already on its way out of the battle is neither fought nor cut down a second time.
        if (unit->isEliminationDue()) continue;
        if (!unit->isRouting()) {
            standing.append(unit);
            continue;
        }
        unit->condemn();
        sendNumber(msg::EliminateUnit, static_cast<short>(unit->getUnitNum()));
        say("\\B" + unit->getName() + "\\b was eliminated!");
    }
    defence_.units = standing;
    return !defence_.units.isEmpty() && !attack_.units.isEmpty();
}

// The charge: a failed test costs the unit the amount by which the die missed its troop quality.
void ShockBattle::chargeTest(Combat* unit, int die, Side& side) {
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
    say("\\B" + unit->getName() + "\\b" +
        (type == EL   ? " rampaged "
         : type == CH ? " was eliminated "
                      : " routed ") +
        "during the charge!");
    side.chargeRouted.append(unit);
    if (runsWhenRouted(*unit)) phase_.addRouting(static_cast<short>(unit->getUnitNum()));
}

void ShockBattle::charge() {
    trace_ << "The Charge (Ephodos):" << std::endl;
    bool charged = false, allLight = true, withChariot = false;
    Item<const VaelUnit*>* a = nullptr;
    Item<short>* moved = nullptr;
    combat_.attackers.firstItem(a);
    combat_.moved.firstItem(moved);
    for (; a; a = a->next, moved = moved ? moved->next : nullptr) {
        Combat* unit = fighterOf(a->value);
        if (!unit || !moved || !moved->value) continue;
        charged = true;
        if (unit->getUnitType() != LI) allLight = false;
        if (unit->getUnitType() == CH) withChariot = true;
        chargeTest(unit, Roll::d10(), attack_);
    }
    if (!charged) return;
    // Light infantry cannot shake a phalanx or heavy infantry by the rush of its charge.
    for (Combat* unit : each(defence_.units)) {
        if (allLight && (unit->getUnitType() == PH || unit->getUnitType() == HI)) continue;
        chargeTest(unit, Roll::d10() + (withChariot ? 1 : 0), defence_);
    }
}

// Whoever broke in the charge, the battle is over: beaten defenders leave their hex to the attackers.
// Otherwise the units that broke leave the battle.
bool ShockBattle::someSideBroke() {
    const bool defendersBroke = defence_.chargeRouted.count() == defence_.units.count();
    const bool attackersBroke = attack_.chargeRouted.count() == attack_.units.count();
    if (defendersBroke && !attackersBroke) {
        Combat* first = nullptr;
        attack_.units.first(first);
        const std::int16_t to = phase_.advanceAfterCombat(static_cast<std::int16_t>(combat_.hex), first);
        if (to != -1) phase_.addAdvance(CombatAdvance{first, to, 1});
    }
    if (defendersBroke || attackersBroke) return true;
    for (Side* side : {&attack_, &defence_})
        for (Combat* unit : each(side->chargeRouted))
            side->units.remove(unit);
    return false;
}

// The main attacker: the best column, a blow from the side before any frontal one, the later of equals.
// The main defender: the lowest column against him.
void ShockBattle::chooseMainUnits() {
    attackerSize_ = sideSize(attack_.units);
    defenderSize_ = sideSize(defence_.units);
    Combat* firstAttacker = nullptr;
    attack_.units.first(firstAttacker);
    defence_.units.first(firstDefender_);
    attackerNation_ = firstAttacker->getNation();
    defenderNation_ = firstDefender_->getNation();

    Combat* target = nullptr;
    VaelLogicalLandscape* landscape = layer_.getVaelLandscape();
    if (landscape && landscape->isValidHex(static_cast<std::int16_t>(combat_.hex)))
        target = fighterOf(landscape->firstOccupant(static_cast<std::int16_t>(combat_.hex)));
    if (!target) target = firstDefender_;

    std::int32_t best = 0;
    std::int16_t fromSide = 0;
    position_ = FrontAttack;
    for (Combat* unit : each(attack_.units)) {
        const std::int32_t c = baseColumn(unit->getUnitType(), target->getUnitType(), FrontAttack);
        const auto here = static_cast<std::int16_t>(unit->getHex());
        const std::int16_t second = unit->getSecondHex();
        const bool side = unit->isDoubleSized()
                              ? target->isInRearHexes(here) || target->isInRearHexes(second) ||
                                    target->isInFlankHexes(here) || target->isInFlankHexes(second)
                              : !target->isInFrontHexes(here);
        if (side && c >= best) {
            mainAttacker_ = unit, best = c, fromSide = 1;
            position_ = target->isInRearHexes(here) ? RearAttack : FlankAttack;
            if (unit->isDoubleSized() && position_ == FlankAttack && target->isInRearHexes(second))
                position_ = RearAttack;
        } else if (!fromSide && c >= best) {
            mainAttacker_ = unit, best = c;
        }
    }
    trace_ << "Main Attacker unit " << mainAttacker_->getName() << std::endl
           << (position_ == FrontAttack   ? "attacking from the front"
               : position_ == FlankAttack ? "attacking from the flank"
                                          : "attacking from the rear")
           << std::endl;
    std::int32_t lowest = 100;
    for (Combat* unit : each(defence_.units)) {
        const std::int32_t c = baseColumn(mainAttacker_->getUnitType(), unit->getUnitType(), FrontAttack);
        if (c < lowest) mainDefender_ = unit, lowest = c;
    }
    if (!mainDefender_) mainDefender_ = firstDefender_;
    trace_ << "Main Defender unit " << mainDefender_->getName() << std::endl;
}

// The leaders: the best with the attackers, the best of the defending army wherever he stands.
void ShockBattle::leaderCasualties() {
    Leader* attackingLeader = nullptr;
    Leader* defendingLeader = nullptr;
    std::uint16_t bestRating = 0;
    const List<Leader*>& attackingSide =
        layer_.onVisitorSide(attackerNation_) ? layer_.getVisitorLeaders() : layer_.getHomeLeaders();
    for (Combat* unit : each(attack_.units))
        for (Leader* leader : each(attackingSide))
            if (leader->getHex() == unit->getHex() && leader->getShockPrecedence() > bestRating) {
                attackingLeader = leader, bestRating = leader->getShockPrecedence();
                break;
            }
    bestRating = 0;
    for (Leader* leader :
         each(layer_.onVisitorSide(defenderNation_) ? layer_.getVisitorLeaders() : layer_.getHomeLeaders()))
        if (leader->getShockPrecedence() > bestRating)
            defendingLeader = leader, bestRating = leader->getShockPrecedence();
    std::int16_t attackerLeaderKilled = 0, defenderLeaderKilled = 0;
    if (attackingLeader && defendingLeader) {
        const int attackerRoll = Roll::d10() + attackingLeader->getDuelRating();
        const int defenderRoll = Roll::d10() + defendingLeader->getDuelRating();
        const int d = attackerRoll - defenderRoll;
        trace_ << "Leader casualty rolls: " << attackerRoll << " against " << defenderRoll << std::endl;
        if (d != 0) {
            Leader* struck = d > 0 ? attackingLeader : defendingLeader;
            int size = std::abs(d);
            const auto number = static_cast<short>(struck->getUnitNum());
            if (size == 3 || size == 4) {
                if (struck->isWounded())
                    size = 5;
                else {
                    Container<WoundedLeaderInfo> wound(WoundedLeaderInfo{2, struck->getUnitNum()});
                    layer_.sendNamed(msg::WoundedLeader, &wound);
                }
            }
            if (size <= 2) sendNumber(msg::FinishedLeader, number);
            // A commander's fall ends the battle once it is counted (his elimination says so). The fall
            // is told here: the elimination itself only arrives after the battle's report.
            if ((size == 5 || size == 6) && !struck->isEliminationDue() && !struck->hasLeftTheField()) {
                struck->condemn();
                sendNumber(msg::EliminateUnit, number);
                say("\\B" + struck->getName() + "\\b was \\Bkilled\\b in the leaders' duel!" +
                    Leader::replacementNote(struck->getName()));
                (struck == attackingLeader ? attackerLeaderKilled : defenderLeaderKilled) = 1;
            }
        }
    }
    trace_ << "Leaders killed: " << attackerLeaderKilled << " " << defenderLeaderKilled << std::endl;
}

void ShockBattle::clash() {
    const auto cataphract = [](const Combat* unit) -> std::int16_t {
        const auto* cavalry = dynamic_cast<const HeavyCav*>(unit);
        return unit->getUnitType() == HC && cavalry && cavalry->isCataphract() ? 1 : 0;
    };
    const std::int16_t missileDefender = dynamic_cast<const MissileCapable*>(mainDefender_) ? 1 : 0;
    // An enemy that has the main attacker in its zone of control, out of reach of the attacker's own,
    // takes away the attacker's superiority. The units looked at are the main defender's side's.
    std::int16_t threatened = 0;
    const auto attackerHex = static_cast<std::int16_t>(mainAttacker_->getHex());
    for (Combat* unit : each(layer_.onVisitorSide(mainDefender_->getNation()) ? layer_.getVisitorUnits()
                                                                              : layer_.getHomeUnits()))
        if (unit->isHexInZOC(attackerHex) &&
            !mainAttacker_->isHexInZOC(static_cast<std::int16_t>(unit->getHex())) &&
            unit->getNation() != mainAttacker_->getNation())
            threatened = 1;

    const ClashResult clash = clashChart(
        attackerSize_, mainAttacker_->getUnitType(), cataphract(mainAttacker_), position_, defenderSize_,
        mainDefender_->getUnitType(), cataphract(mainDefender_), missileDefender, threatened, 0);
    trace_ << "Attacker hits: " << clash.attackerHits << " Defender hits: " << clash.defenderHits
           << std::endl;

    // Shares: the remainder goes whole to the main unit.
    const auto nA = static_cast<std::int16_t>(attack_.units.count());
    const auto nD = static_cast<std::int16_t>(defence_.units.count());
    const auto a = static_cast<std::int16_t>(clash.attackerHits / nA);
    const auto d = static_cast<std::int16_t>(clash.defenderHits / nD);
    const std::int16_t a1 = a ? a : 1, d1 = d ? d : 1;
    for (Combat* unit : each(attack_.units))
        share(unit, static_cast<std::int16_t>(a + (unit == mainAttacker_ ? clash.attackerHits % nA : 0)), d1,
              attack_, true);
    for (Combat* unit : each(defence_.units))
        share(unit, static_cast<std::int16_t>(d + (unit == mainDefender_ ? clash.defenderHits % nD : 0)), a1,
              defence_, false);
}

// A side that deals three times what it takes suffers two more in the press.
void ShockBattle::share(Combat* unit, std::int16_t s, std::int16_t other, Side& side, bool attacking) {
    if (s >= 3 * other) s = static_cast<std::int16_t>(s + 2);
    const std::int16_t hits = hitsOf(*unit), tq = tqOf(*unit);
    if (tq - hits == 1 && layer_.isInEnemyZOC(static_cast<std::int16_t>(unit->getHex()), unit->getNation())) {
        const bool passed = unit->tqCheck(static_cast<std::int16_t>(Roll::d10())).passed;
        // A share of nothing has no hit to save.
        s = static_cast<std::int16_t>(std::max(0, s + (passed ? -1 : 1)));
    }
    trace_ << unit->getName() << " takes a share of " << s << std::endl;
    std::int16_t& battle = side.battleHits[unit->getUnitNum()];
    battle = static_cast<std::int16_t>(battle + s);
    unit->tqHit(s, 0xFFFFFFFFu);
    short routed = 0;
    if (hits + battle >= tq) {
        unit->setWillRout();
        routed = 1;
        side.routed[unit->getUnitNum()] = 1;
        if (runsWhenRouted(*unit)) phase_.addRouting(static_cast<short>(unit->getUnitNum()));
        trace_ << unit->getName() << " routs" << std::endl;
    }
    if (attacking) {
        result_.attackerRouted.append(routed);
        result_.attackerHits.append(static_cast<short>(std::min<int>(battle, tq - hits)));
    } else {
        battle = std::min(battle, tq);
        result_.defenderRouted.append(routed);
        result_.defenderHits.append(battle);
    }
    (attacking ? result_.attackerTotals : result_.defenderTotals)
        .append(static_cast<short>(std::min<int>(hits + battle, tq)));
    (attacking ? result_.attackerExtra : result_.defenderExtra).append(0);
    (attacking ? result_.attackerMargins : result_.defenderMargins)
        .append(static_cast<short>(tq - hits - battle));
}

// The results for the players, and the battle for the display with its done event.
void ShockBattle::report() {
    Container<SingleCombatResult> results(result_);
    layer_.sendNamed(msg::CombatResults, &results);

    CombatInfo info;
    for (Side* side : {&attack_, &defence_})
        for (Combat* unit : each(side->units)) {
            const auto number = static_cast<short>(unit->getUnitNum());
            (side == &attack_ ? info.attackers : info.defenders).append(number);
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
        new Container<short>(static_cast<short>(-number_))));
    layer_.sendNamed(msg::UnitCombat, &command);
}

// The winners step into the hexes of the beaten: the main attacker first, then the steadiest.
void ShockBattle::advance() {
    std::map<const Combat*, bool> advanced;
    for (Combat* beaten : each(defence_.units)) {
        if (hitsOf(*beaten) + defence_.battleHits[beaten->getUnitNum()] < tqOf(*beaten)) continue;
        Combat* advancer = nullptr;
        if (!advanced[mainAttacker_] && !attack_.routed[mainAttacker_->getUnitNum()]) {
            advancer = mainAttacker_;
        } else {
            std::uint16_t steadiest = 0;
            for (Combat* unit : each(attack_.units))
                if (!advanced[unit] && !attack_.routed[unit->getUnitNum()] &&
                    unit->getTroopQuality() > steadiest)
                    advancer = unit, steadiest = unit->getTroopQuality();
        }
        if (!advancer) break;
        const std::int16_t to =
            phase_.advanceAfterCombat(static_cast<std::int16_t>(beaten->getHex()), advancer);
        if (to != -1) phase_.addAdvance(CombatAdvance{advancer, to, 0});
        advanced[advancer] = true;
    }
}

std::uint16_t ShockPhase::resolveShockBattle(const CombatStruct& combat, std::int16_t started) {
    return ShockBattle(layer_, *this, combat, started).resolve();
}

} // namespace vael
