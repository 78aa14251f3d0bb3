#pragma once
// Message names the rules send and handle: orders, movement, combat, rout, leaders, the commands that
// ask the battle map for an animation, and the done events it answers with.
// Every send, query and handler registration names its message through these constants, so that a
// misspelt name fails to compile instead of sending to nobody; the texts are the names on the bus. The
// header of the layer below comes with it, so that a file includes only its own layer's names.

#include "framework/core/message_names.h"

namespace vael::msg {

inline constexpr char AboutFaceDone[] = "AboutFaceDone";
inline constexpr char AboutFace[] = "AboutFace";
inline constexpr char ActivateLeader[] = "ActivateLeader";
inline constexpr char ActiveGroup[] = "ActiveGroup";
inline constexpr char AddBogusLeader[] = "AddBogusLeader";
inline constexpr char AddCombatants[] = "AddCombatants";
inline constexpr char AddCommentary[] = "AddCommentary";
inline constexpr char AdvancingDone[] = "AdvancingDone";
inline constexpr char AttemptRefaceFromCharge[] = "AttemptRefaceFromCharge";
inline constexpr char BeginElephantRampage[] = "BeginElephantRampage";
inline constexpr char BeginLeaderOrdersPhase[] = "BeginLeaderOrdersPhase";
inline constexpr char BeginOWSegment[] = "BeginOWSegment";
inline constexpr char BeginTurn[] = "BeginTurn";
inline constexpr char BlockLeaderMenu[] = "BlockLeaderMenu";
inline constexpr char CanAttemptMomentum[] = "CanAttemptMomentum";
inline constexpr char CenterOnRegion[] = "Center On Region";
inline constexpr char ChangeCursor[] = "ChangeCursor";
inline constexpr char ChangeFacingDone[] = "ChangeFacingDone";
inline constexpr char ChangeFacing[] = "ChangeFacing";
inline constexpr char CohesionHit[] = "CohesionHit";
inline constexpr char CohesionRestored[] = "CohesionRestored";
inline constexpr char DoMissileFire[] = "DoMissileFire";
inline constexpr char DoRampagingActions[] = "DoRampagingActions";
inline constexpr char DoRestoreCohesion[] = "DoRestoreCohesion";
inline constexpr char DoRout[] = "DoRout";
inline constexpr char DoneRampaging[] = "DoneRampaging";
inline constexpr char ElephantRampage[] = "ElephantRampage";
inline constexpr char EliminateUnit[] = "EliminateUnit";
inline constexpr char EndMovementSegment[] = "EndMovementSegment";
inline constexpr char EndOWSegment[] = "EndOWSegment";
inline constexpr char EndOrdersPhase[] = "EndOrdersPhase";
inline constexpr char EntryReactionFire[] = "EntryReactionFire";
inline constexpr char FindLeader[] = "FindLeader";
inline constexpr char FinishLeader[] = "FinishLeader";
inline constexpr char FinishedLeader[] = "FinishedLeader";
inline constexpr char GetUnitByNum[] = "GetUnitByNum";
inline constexpr char GroupMovementDone[] = "GroupMovementDone";
inline constexpr char HideHexToMoveTo[] = "HideHexToMoveTo";
inline constexpr char InZOC[] = "InZOC";
inline constexpr char InitLeader[] = "InitLeader";
inline constexpr char LastOrderDeselected[] = "LastOrderDeselected";
inline constexpr char LeaderActivated[] = "LeaderActivated";
inline constexpr char LeaderCenterOnLeader[] = "LeaderCenterOnLeader";
inline constexpr char LeaderFinished[] = "LeaderFinished";
inline constexpr char LeaderGroupMove[] = "LeaderGroupMove";
inline constexpr char LeaderResumed[] = "LeaderResumed";
inline constexpr char LegalUnits[] = "LegalUnits";
inline constexpr char MissileFire[] = "MissileFire";
inline constexpr char MissileVolley[] = "MissileVolley";
inline constexpr char MissleVolley[] = "MissleVolley";
inline constexpr char MovementDone[] = "MovementDone";
inline constexpr char NearestLeader[] = "NearestLeader";
inline constexpr char NoMoreOrders[] = "NoMoreOrders";
inline constexpr char OWMovementDone[] = "OWMovementDone";
inline constexpr char OWResolved[] = "OWResolved";
inline constexpr char PerformShock[] = "PerformShock";
inline constexpr char RallyUnit[] = "RallyUnit";
inline constexpr char Rally[] = "Rally";
inline constexpr char RampagingActions[] = "RampagingActions";
inline constexpr char RemoveFromCombat[] = "RemoveFromCombat";
inline constexpr char ResolveOW[] = "ResolveOW";
inline constexpr char RestoreCohesion[] = "RestoreCohesion";
inline constexpr char ResumeActiveLeader[] = "ResumeActiveLeader";
inline constexpr char ReturnFromMissileFire[] = "ReturnFromMissileFire";
inline constexpr char RotateLeft[] = "RotateLeft";
inline constexpr char RotateRight[] = "RotateRight";
inline constexpr char RoutingDone[] = "RoutingDone";
inline constexpr char ShowHexToMoveTo[] = "ShowHexToMoveTo";
inline constexpr char TQHit[] = "TQHit";
inline constexpr char TerminalRout[] = "TerminalRout";
inline constexpr char UnblockLeaderMenu[] = "UnblockLeaderMenu";
inline constexpr char UnitAboutFace[] = "UnitAboutFace";
inline constexpr char UnitCenterOnUnit[] = "UnitCenterOnUnit";
inline constexpr char UnitDeselected[] = "UnitDeselected";
inline constexpr char UnitEliminated[] = "UnitEliminated";
inline constexpr char UnitInCommandRange[] = "UnitInCommandRange";
// A unit's loss is decided, its elimination still to come: EliminateUnitData, as "UnitEliminated" will carry.
inline constexpr char UnitLossSealed[] = "UnitLossSealed";
inline constexpr char UnitMovementDone[] = "UnitMovementDone";
inline constexpr char UnitMovement[] = "UnitMovement";
inline constexpr char UnitOW[] = "UnitOW";
inline constexpr char UnitRallied[] = "UnitRallied";
inline constexpr char UnitRemoved[] = "UnitRemoved";
inline constexpr char UnitReplenished[] = "UnitReplenished";
inline constexpr char UnitRestoreCohesion[] = "UnitRestoreCohesion";
inline constexpr char UnitRouted[] = "UnitRouted";
inline constexpr char UnitSelected[] = "UnitSelected";
inline constexpr char UnitViewDetails[] = "UnitViewDetails";
inline constexpr char UsedThisTurn[] = "UsedThisTurn";
inline constexpr char WoundedLeader[] = "WoundedLeader";

} // namespace vael::msg
