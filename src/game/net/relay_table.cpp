#include "game/net/relay_table.h"

#include <string>

#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/net/net_message_names.h"

namespace vael {

namespace {

constexpr RelayWay H = RelayWay::FromHost, C = RelayWay::ToHost, B = RelayWay::BothWays,
                   S = RelayWay::ByState;

} // namespace

const std::vector<RelayRow>& relayTable() {
    static const std::vector<RelayRow> table = {
        // The turn sequence of game control, which only the host has.
        {nullptr, BEGIN_GAME, H, false, false},
        {msg::EliteInitiative, 0, H, false, true},
        {msg::ActivateLeader, 0, H, true, false},
        {msg::BeginLeaderOrdersPhase, 0, H, false, false},
        {msg::BeginTurn, 0, H, false, false},
        {msg::EndOfTurn, 0, H, true, false},
        {msg::EndOfGame, 0, H, true, false},
        {msg::GameEnded, 0, H, false, false},
        {msg::GameSynchronized, 0, H, false, false},
        {msg::ZoomOutForRout, 0, H, false, false},
        {msg::ZoomInAfterRout, 0, H, false, false},
        {msg::ChangeMainCaption, 0, H, false, false},
        {msg::GetGameResults, 0, H, false, false},
        {msg::NetStartBattle, 0, H, false, false},
        {msg::NetBattleTitle, 0, H, false, false},
        // What the other machines tell game control.
        {msg::SynchronizeGame, 0, C, true, false},
        {msg::CanAttemptMomentum, 0, C, false, false},
        {nullptr, END_GAME, C, true, false},
        {msg::UnitMovementDone, 0, C, false, false},
        {msg::SetPlayerInfo, 0, C, false, false},
        {msg::PlayerDeleted, 0, C, false, false},
        // Every machine's.
        {msg::LeaderActivated, 0, B, false, false},
        // The reports game control counts, which every machine counts alike: each goes with the line that
        // tells it, so that a machine left alone by the other's loss counts what it told, a loss sealed
        // in the step that loss cut off included.
        {msg::UnitRouted, 0, B, false, false},
        {msg::UnitRallied, 0, B, false, false},
        {msg::UnitEliminated, 0, B, false, false},
        {msg::UnitLossSealed, 0, B, false, false},
        // The end of a leader's combat: every machine ends the activation, the others after the state of
        // the acting one.
        {msg::CombatDone, 0, B, true, false},
        {msg::AddCommentary, 0, B, false, false},
        {msg::RemoveAllBattleArrows, 0, B, false, false},
        {msg::ChatMessage, 0, B, false, false},
        // What the acting machine's display is told to play: walks, volleys, routs, turns and combats.
        {nullptr, LOGICAL_COMMAND, B, false, false, true},
        {msg::UnitCombat, 0, B, false, false, true},
        // The rules' steps on the acting machine, which the units' state carries to the others.
        {msg::DoRout, 0, S, false, false},
        {msg::DoMissileFire, 0, S, false, false},
        {msg::DoRestoreCohesion, 0, S, false, false},
        {msg::DoRampagingActions, 0, S, false, false},
        {msg::WoundedLeader, 0, S, false, false},
        {msg::FinishedLeader, 0, S, false, false},
        {msg::EliminateUnit, 0, S, false, false},
        {msg::UsedThisTurn, 0, S, false, false},
        {msg::CombatResults, 0, S, false, false},
        {msg::UnitRemoved, 0, S, false, false},
    };
    return table;
}

const RelayRow* relayRowOf(BusMessage event) {
    const std::int32_t id = event.id();
    // Every relayed message and every one that comes passes here: the event's name is looked up once,
    // rather than each row's id.
    const std::string name =
        id >= 0 && id <= 0xFFFF ? RegisteredMessage::nameOf(static_cast<std::uint16_t>(id)) : std::string();
    for (const RelayRow& row : relayTable())
        if (row.name ? !name.empty() && name == row.name : row.number == id) return &row;
    return nullptr;
}

bool relaysOut(const RelayRow& row, bool host) {
    switch (row.way) {
    case RelayWay::FromHost:
        return host;
    case RelayWay::ToHost:
        return !host;
    case RelayWay::BothWays:
        return true;
    case RelayWay::ByState:
        break;
    }
    return false;
}

bool takesIn(const RelayRow& row, bool host) {
    switch (row.way) {
    case RelayWay::FromHost:
        return !host;
    case RelayWay::ToHost:
        return host;
    case RelayWay::BothWays:
        return true;
    case RelayWay::ByState:
        break;
    }
    return false;
}

} // namespace vael
