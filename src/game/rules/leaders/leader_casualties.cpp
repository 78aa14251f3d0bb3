// How leaders are hurt: a missile that finds the leader's hex, a withdrawal through the enemy's reach,
// and the wound that lowers his ratings.
#include <string>

#include "framework/core/application.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/combat.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/leaders/leader_records.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_payloads.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

enum Casualty : std::int16_t { Distracted = 1, Wounded = 2, Killed = 3 };

std::uint16_t lowered(std::uint16_t rating, std::uint16_t amount) {
    return rating > amount ? static_cast<std::uint16_t>(rating - amount) : std::uint16_t(0);
}

} // namespace

void Leader::HitByMissile() {
    debugStream() << name_ << " here in HitByMissile..." << std::endl;
    std::string text = "\\B" + name_ + "\\b ";
    int r = Roll::d100();
    if (leaderCheat_) r = 0;
    if (r > 15) {
        debugStream() << "Nothing happened; the die roll was " << r << std::endl;
        text += " was not harmed by missile fire.";
    } else {
        debugStream() << "He is hit!  Now figuring out the casualty" << std::endl;
        switch (casualtyResult()) {
        case Distracted:
            text += "was \\Bdistracted\\b by missile fire. He will give no orders this turn.";
            break;
        case Wounded:
            text += "was hit and is \\Bwounded\\b!";
            break;
        default:
            text += std::string("was hit and was \\Bkilled\\b!") + replacementNote(name_);
            break;
        }
    }
    Container<std::string> line(text);
    sendNamed(msg::AddCommentary, &line);
}

std::int16_t Leader::casualtyResult() {
    int r = Roll::d100();
    Container<short> number(static_cast<short>(unitNumber_));
    sendNamed(msg::FinishedLeader, &number);
    if (leaderCheat_ && woundCheat_) r = 45;
    if (leaderCheat_ && deadCheat_) r = 99;

    const bool commander = isCommanderName(name_);
    int woundFrom = commander ? 40 : 25;
    int killFrom = commander ? 85 : 70;
    if (forcedWithdrawal_) woundFrom = 0, killFrom = 50;

    if (r >= woundFrom && r < killFrom) {
        if (!wounded_) {
            Container<WoundedLeaderInfo> info(WoundedLeaderInfo{1, unitNumber_});
            sendNamed(msg::WoundedLeader, &info);
            return Wounded;
        }
        r = 99;
    }
    if (r >= killFrom) {
        // A commander's fall ends the battle once his loss is counted: his elimination says so.
        condemn();
        sendNamed(msg::EliminateUnit, &number);
        return Killed;
    }
    return Distracted;
}

void Leader::wound(std::uint16_t amount) {
    wounded_ = 1;
    // The ratings are unsigned: a wound stops them at 0 rather than wrapping to unlimited orders and range.
    shockPrecedence_ = lowered(shockPrecedence_, amount);
    initiative_ = lowered(initiative_, amount);
    duelRating_ = lowered(duelRating_, amount);
    commandRange_ = lowered(commandRange_, amount);
    if (ordersUsed_ > initiative_) ordersUsed_ = initiative_;
    debugStream() << name_ << " is wounded and reducing his abilities by " << amount << std::endl;
    Animate(LogicalCommandInfo(unitNumber_, nullptr, hex_, RegisteredMessage::getId(msg::WoundedLeader)));
}

std::int16_t Leader::withdrawalCasualtyChance(const List<short>& path) const {
    std::int16_t chance = 0;
    if (!landscape_) return chance;
    for (short h : path) {
        if (static_cast<std::uint16_t>(h) == hex_) continue;
        std::int16_t here = 0;
        const VaelUnit* holder = landscape_->firstOccupant(h);
        if (!holder) {
            if (landscape_->isInEnemyZOC(h, nation_)) here = 20;
        } else if (holder->isOtherNation(nation_) && !holder->isLeader()) {
            const auto* combat = dynamic_cast<const Combat*>(holder);
            const std::uint32_t type = combat ? combat->getUnitType() : 0;
            if (Combat::isCavalry(type))
                here = 90;
            else if (type != AT)
                here = 60;
        }
        if (here > chance) chance = here;
    }
    return chance;
}

void Leader::sendResolved(std::uint16_t withdrew, std::uint16_t hex) {
    Container<ResolveOWStruct> box(ResolveOWStruct{withdrew, hex});
    sendNamed(msg::OWResolved, &box);
}

std::int16_t Leader::withdrawalDestination(std::int16_t fromHex, std::int16_t otherHex) {
    const auto here = static_cast<std::int16_t>(hex_);
    std::int32_t away = landscape_->neighbourDirection(fromHex, here);
    if (away == 0) away = landscape_->neighbourDirection(otherHex, here);

    List<short> free;
    for (int radius = 2; radius <= movementAllowance_ - 1 && free.isEmpty(); ++radius) {
        List<short> ring;
        landscape_->hexesAtExactCost(ring, here, static_cast<std::int16_t>(radius), ownStepCost);
        ListIterator<short> it(ring);
        for (short h = 0; it.next(h);)
            if (!landscape_->isHexOccupied(h) && !landscape_->enemyAdjacent(h, nation_, false))
                free.append(h);
    }
    if (free.isEmpty()) return -1;

    std::int16_t best = -1, bestDistance = -1;
    bool bestInArc = false;
    ListIterator<short> it(free);
    for (short h = 0; it.next(h);) {
        const std::int16_t distance = landscape_->hexDistance(fromHex, h);
        const bool inArc = landscape_->inFrontArc(here, h, away);
        if (distance > bestDistance || (distance == bestDistance && inArc && !bestInArc))
            best = h, bestDistance = distance, bestInArc = inArc;
    }
    return best;
}

std::int16_t Leader::ForceOW(std::int16_t fromHex, std::int16_t otherHex) {
    debugStream() << name_ << " is in ForceOW" << std::endl;
    const std::uint16_t remembered = hex_;
    forcedWithdrawal_ = 1;
    const std::int16_t destination =
        landscape_ && hex_ != offMap ? withdrawalDestination(fromHex, otherHex) : -1;
    if (destination < 0) {
        debugStream() << name_ << " cannot find a legal OW up to a perimeter of " << movementAllowance_
                      << std::endl;
        sendResolved(0, remembered);
        forcedWithdrawal_ = 0;
        return 0;
    }
    debugStream() << "Best OW destination: " << destination << std::endl;
    const List<short> path = landscape_->hexLine(static_cast<std::int16_t>(hex_), destination);
    const std::int16_t chance = withdrawalCasualtyChance(path);
    debugStream() << "Chance of leader casualty: " << chance << std::endl;
    if (Roll::d100() < chance) {
        debugStream() << name_ << " doing casualtyCheck for OWing through enemy ZOC or hex" << std::endl;
        // A killed leader is replaced at once; the text names the man who fell.
        const std::string fallen = name_;
        const std::int16_t result = casualtyResult();
        std::string text = "\\B" + fallen + "\\b";
        if (result == Distracted)
            text += " was \\Bdistracted\\b while withdrawaling. He will give no orders this turn.";
        else if (result == Wounded)
            text += " was \\Bwounded\\b while withdrawaling!";
        else
            text += std::string(" was \\Bkilled\\b while withdrawaling!") + replacementNote(fallen);
        Container<std::string> line(text);
        sendNamed(msg::AddCommentary, &line);
    }
    Container<short> number(static_cast<short>(unitNumber_));
    movementFinished(path, BusMessage(RegisteredMessage::getId(msg::OWMovementDone)), &number, 0);
    // The withdrawal is answered for the hex the enemy found the leader on, which is what the moving
    // unit waits for: his new hex would leave its segment open for ever.
    sendResolved(1, remembered);
    forcedWithdrawal_ = 0;
    return 1;
}

} // namespace vael
