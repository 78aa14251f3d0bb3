#pragma once
// The logical layer's side of a leader's activation and of the end of a combat step: the flags over the
// units the leader may order, the hand-over of his orders to a human or to the computer, the scars and
// results of the combats, and the report that this machine has finished the step. The end of the game is
// shown here too, on every machine.
#include <cstdint>
#include <functional>

#include "framework/core/list.h"
#include "framework/core/type_name.h"
#include "game/flow/end_of_game_results.h"
#include "game/flow/single_combat_result.h"

namespace vael {

class VaelLogicalLayer;

// "RaiseFlags": the units that show grey flags (ordered already this turn), the units whose flags go up,
// and the side whose flags they are.
struct RaiseFlagsStruct {
    List<unsigned short> grayFlags;
    List<unsigned short> flags;
    std::uint32_t nation = 0;
};

// The dialogs belong to the shell, which the game flow cannot reach: it installs what puts them up. The
// results dialog is modeless and sends "DoneViewingCombatResults" when it closes; the end-of-game dialog
// is modal and returns when it closes. Without them neither is shown and the step goes on at once.
struct GameFlowDialogs {
    std::function<void(VaelLogicalLayer&, const List<SingleCombatResult>&)> overallCombatResults;
    std::function<void(std::uint32_t nation, std::int16_t won)> endOfGame;
};

// Registers the layer's handlers of activations, combat steps and the end of the game.
void connectLeaderActivation(VaelLogicalLayer& layer);

// Which units of the active group raise flags: after "LeaderActivated" those that have not rallied this
// turn, after "LeaderResumed" those not done for the turn and still with all their movement (unless the
// leader had not begun his orders when the game was saved: then those of his activation).
enum class ActivationKind { Activated, Resumed };
void LeaderActivated(VaelLogicalLayer& layer, const std::string& leaderName, ActivationKind kind);
// The leader's orders are over: his combats are fought once all his orders set going has come to rest on
// this machine (what the orders' last steps queued, and what that queues in turn: a walk's end sets off a
// reaction volley or a withdrawal, the volley a rout), so that nothing of his activation is decided after
// its end is told.
void PerformShockAtRest(VaelLogicalLayer& layer);
// Whether the combats wait, by the clock, for the display to end a walk the orders set going.
bool restAwaited(const VaelLogicalLayer& layer);
void CombatDone(VaelLogicalLayer& layer);
void DoneViewingCombatResults(VaelLogicalLayer& layer);
// The step after the combat's pause: the view zooms out, the leader finishes and this machine reports.
void CombatPauseOver(VaelLogicalLayer& layer);
// A battle closed during the pause must not report its end into the next battle.
void endCombatPause(VaelLogicalLayer& layer);
// Whether the active leader's activation stands in the pause after its combats (their results seen).
bool combatPauseUnderWay(const VaelLogicalLayer& layer);
// A decisive fall (END_GAME) on this machine: the orders of a person's leader active here end with it.
void OrdersEndWithTheBattle(VaelLogicalLayer& layer);
void EndOfGame(VaelLogicalLayer& layer, const EndOfGameResults& results);

VAEL_TYPE_NAME(RaiseFlagsStruct, "RaiseFlagsStruct");

} // namespace vael
