// How leaders are hurt: a missile that finds the leader's hex, a withdrawal through the enemy's reach,
// and the wound that lowers his ratings.
#include <string>

#include "framework/core/application.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat.h"
#include "game/rules/leader.h"
#include "game/rules/leader_records.h"
#include "game/rules/roll.h"
#include "game/rules/vael_logical_landscape.h"

namespace vael {

namespace {

enum Casualty : std::int16_t { Distracted = 1, Wounded = 2, Killed = 3 };

// The army commanders, whose death ends the battle.
bool isCommander(const std::string& name) {
    return name.find("Vael") != std::string::npos || name.find("Tezhar") != std::string::npos;
}

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
            text += "was hit and was \\Bkilled\\b! A soldier from the ranks will replace him in command.";
            break;
        }
    }
    Container<std::string> line(text);
    sendNamed("AddCommentary", &line);
}

std::int16_t Leader::casualtyResult() {
    int r = Roll::d100();
    Container<short> number(static_cast<short>(unitNumber_));
    sendNamed("FinishedLeader", &number);
    if (leaderCheat_ && woundCheat_) r = 45;
    if (leaderCheat_ && deadCheat_) r = 99;

    const bool commander = isCommander(name_);
    int woundFrom = commander ? 40 : 25;
    int killFrom = commander ? 85 : 70;
    if (withdrawing_) woundFrom = 0, killFrom = 50;

    if (r >= woundFrom && r < killFrom) {
        if (!wounded_) {
            Container<WoundedLeaderInfo> info(WoundedLeaderInfo{1, unitNumber_});
            sendNamed("WoundedLeader", &info);
            return Wounded;
        }
        r = 99;
    }
    if (r >= killFrom) {
        sendNamed("EliminateUnit", &number);
        if (commander) sendEmpty(END_GAME);
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
    Animate(LogicalCommandInfo(unitNumber_, nullptr, hex_, RegisteredMessage::getId("WoundedLeader")));
}

std::int16_t Leader::withdrawalCasualtyChance(const List<short>& path) const {
    std::int16_t chance = 0;
    if (!landscape_) return chance;
    ListIterator<short> it(const_cast<List<short>&>(path));
    for (short h = 0; it.next(h);) {
        if (static_cast<std::uint16_t>(h) == hex_) continue;
        std::int16_t here = 0;
        const VaelUnit* holder = landscape_->firstOccupant(h);
        if (!holder) {
            if (landscape_->isInEnemyZOC(h, nation_)) here = 20;
        } else if (holder->isOtherNation(nation_) && !holder->isLeader()) {
            const auto* combat = dynamic_cast<const Combat*>(holder);
            const std::uint32_t type = combat ? combat->getUnitType() : 0;
            if (type == 12 || type == 8 || type == 11)
                here = 90;
            else if (type != 15)
                here = 60;
        }
        if (here > chance) chance = here;
    }
    return chance;
}

} // namespace vael
