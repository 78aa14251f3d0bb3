#pragma once
// Message names of the game flow: scenario loading, turns and phases, shock and reaction fire, game
// control, the end of a game, and what the flow asks of the battle map and the shell.
// Every send, query and handler registration names its message through these constants, so that a
// misspelt name fails to compile instead of sending to nobody; the texts are the names on the bus. The
// header of the layer below comes with it, so that a file includes only its own layer's names.

#include "game/rules/rules_message_names.h"

namespace vael::msg {

inline constexpr char AddBattleArrow[] = "AddBattleArrow";
inline constexpr char AddBattleScars[] = "AddBattleScars";
inline constexpr char AutoSaveGame[] = "AutoSaveGame";
inline constexpr char AutomaticWin[] = "AutomaticWin";
inline constexpr char ChangeMainCaption[] = "ChangeMainCaption";
inline constexpr char CombatCenterOnRegion[] = "Combat Center On Region";
inline constexpr char CombatDone[] = "CombatDone";
inline constexpr char CombatResults[] = "CombatResults";
inline constexpr char CreateGameControl[] = "CreateGameControl";
inline constexpr char CreateLeader[] = "CreateLeader";
inline constexpr char DesignateShock[] = "DesignateShock";
inline constexpr char DoneViewingCombatResults[] = "DoneViewingCombatResults";
inline constexpr char EliteInitiative[] = "EliteInitiative";
inline constexpr char EndGameMusic[] = "EndGameMusic";
inline constexpr char EndOfGame[] = "EndOfGame";
inline constexpr char EndOfTurnRoutingDone[] = "EndOfTurnRoutingDone";
inline constexpr char EndOfTurn[] = "EndOfTurn";
inline constexpr char GameEnded[] = "GameEnded";
inline constexpr char GameOverview[] = "GameOverview";
inline constexpr char GameSynchronized[] = "GameSynchronized";
inline constexpr char GarrisonLevel[] = "GarrisonLevel";
inline constexpr char GetGameResults[] = "GetGameResults";
inline constexpr char GetLastProvince[] = "GetLastProvince";
inline constexpr char GetProvince[] = "GetProvince";
inline constexpr char GetTurnNum[] = "GetTurnNum";
inline constexpr char HomeTQPoints[] = "HomeTQPoints";
inline constexpr char HomeTeam[] = "HomeTeam";
inline constexpr char InitAILeader[] = "InitAILeader";
inline constexpr char LeaderControl[] = "LeaderControl";
inline constexpr char LegalToShock[] = "LegalToShock";
inline constexpr char LoadGame[] = "LoadGame";
inline constexpr char LoadScenario[] = "LoadScenario";
inline constexpr char MapInfo[] = "MapInfo";
inline constexpr char NumHomeUnits[] = "NumHomeUnits";
inline constexpr char NumVisitorUnits[] = "NumVisitorUnits";
inline constexpr char NumberOfPlayers[] = "NumberOfPlayers";
inline constexpr char PlayerDeleted[] = "PlayerDeleted";
inline constexpr char RaiseFlags[] = "RaiseFlags";
inline constexpr char RemoveAllBattleArrows[] = "RemoveAllBattleArrows";
inline constexpr char RemoveBattleArrow[] = "RemoveBattleArrow";
inline constexpr char RoutPhase[] = "RoutPhase";
inline constexpr char SaveGame[] = "SaveGame";
inline constexpr char ScenarioLoaded[] = "ScenarioLoaded";
inline constexpr char SetAutoSave[] = "SetAutoSave";
inline constexpr char SetDeadCheat[] = "SetDeadCheat";
inline constexpr char SetLeaderCheat[] = "SetLeaderCheat";
inline constexpr char SetLeaderOrder[] = "SetLeaderOrder";
inline constexpr char SetPlayerInfo[] = "SetPlayerInfo";
inline constexpr char SetWoundCheat[] = "SetWoundCheat";
inline constexpr char ShowOCR[] = "ShowOCR";
inline constexpr char SomeCombatDone[] = "SomeCombatDone";
inline constexpr char StartCombat[] = "StartCombat";
inline constexpr char SynchronizeGame[] = "SynchronizeGame";
inline constexpr char UnitCombat[] = "UnitCombat";
inline constexpr char UnitTeleport[] = "UnitTeleport";
inline constexpr char VisitorTQPoints[] = "VisitorTQPoints";
inline constexpr char VisitorTeam[] = "VisitorTeam";
inline constexpr char WillCombatFit[] = "WillCombatFit?";
inline constexpr char ZoomInAfterRout[] = "ZoomInAfterRout";
inline constexpr char ZoomOutAfterCombat[] = "ZoomOutAfterCombat";
inline constexpr char ZoomOutForRout[] = "ZoomOutForRout";

} // namespace vael::msg
