#pragma once
// Message names of the battle map: its landscapes, viewports and map window, the game physical layer,
// and what passes between that layer and the display objects it holds (regions, selection, flags, the
// objects' motion and the commands the layer hands them). The display objects live above the map and
// include these; the map never includes theirs.
// Every send, query and handler registration names its message through these constants, so that a
// misspelt name fails to compile instead of sending to nobody; the texts are the names on the bus. The
// header of the layer below comes with it, so that a file includes only its own layer's names.

#include "framework/display/display_message_names.h"
#include "game/flow/flow_message_names.h"

namespace vael::msg {

inline constexpr char AddSpriteToLandscape[] = "AddSpriteToLandscape";
inline constexpr char CenterOnPoint[] = "Center On Point";
inline constexpr char ChangeFacingNA[] = "ChangeFacingNA";
inline constexpr char CombatAnimate[] = "CombatAnimate";
inline constexpr char CombatDontAnimate[] = "CombatDontAnimate";
inline constexpr char DropFlag[] = "DropFlag";
inline constexpr char DropFlags[] = "DropFlags";
inline constexpr char GetPixelPath[] = "GetPixelPath";
inline constexpr char GetPrimaryLandscape[] = "GetPrimaryLandscape";
inline constexpr char GetRegions[] = "GetRegions";
inline constexpr char GetUnitBitmap[] = "Get Unit Bitmap";
inline constexpr char GetUnitRegions[] = "GetUnitRegions";
inline constexpr char LowerFlags[] = "LowerFlags";
inline constexpr char Movement[] = "Movement";
inline constexpr char NoMovement[] = "NoMovement";
inline constexpr char PhysicalObjectCreated[] = "PhysicalObjectCreated";
inline constexpr char PhysicalObjectMoving[] = "PhysicalObjectMoving";
inline constexpr char PhysicalObjectNotMoving[] = "PhysicalObjectNotMoving";
inline constexpr char RaiseGrayFlags[] = "RaiseGrayFlags";
inline constexpr char RampageCasualty[] = "RampageCasualty";
inline constexpr char RampageEvent[] = "RampageEvent";
inline constexpr char RampageMove[] = "RampageMove";
inline constexpr char RemoveDeadSprites[] = "RemoveDeadSprites";
inline constexpr char Selected[] = "Selected";
inline constexpr char SpriteMoved[] = "SpriteMoved";
inline constexpr char SpritesMoved[] = "SpritesMoved";
inline constexpr char ToggleCombatAnimation[] = "ToggleCombatAnimation";
inline constexpr char ToggleHexGridOff[] = "ToggleHexGridOff";
inline constexpr char ToggleHexGridOn[] = "ToggleHexGridOn";
inline constexpr char ToggleSparseLandscape[] = "ToggleSparseLandscape";
inline constexpr char ToggleWalkingAnimation[] = "ToggleWalkingAnimation";
inline constexpr char VaelPointFlyby[] = "VaelPointFlyby";
inline constexpr char VaelPointOffHexes[] = "VaelPointOffHexes";
inline constexpr char VaelPointSelected[] = "VaelPointSelected";
inline constexpr char ZoomInForCombat[] = "ZoomInForCombat";

} // namespace vael::msg
