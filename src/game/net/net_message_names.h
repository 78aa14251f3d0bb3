#pragma once
// Message names of network play: what the machines of a game say to each other beyond the game flow's
// own messages. The header of the flow comes with it.

#include "game/flow/flow_message_names.h"

namespace vael::msg {

// The state of every unit of the battle, as the machine that played the last step left it.
inline constexpr char BattleState[] = "BattleState";
// A line one player says to the others: "name: text".
inline constexpr char ChatMessage[] = "ChatMessage";
// The host's word that the battle begins: the scenario file, a new line, and the leaders the other
// machine plays, written "(name,name,...)".
inline constexpr char NetStartBattle[] = "NetStartBattle";
// The host's word to a player who has logged on: the title of the battle it will fight.
inline constexpr char NetBattleTitle[] = "NetBattleTitle";
// Posted by the network component to itself: the messages gathered for the other machine go out together.
inline constexpr char NetFlush[] = "NetFlush";
// Posted by the network component to itself: a batch from the other machine is given to the bus.
inline constexpr char NetDeliver[] = "NetDeliver";
// Posted by the network component to itself: the loss of the other machine is told once this machine's
// battle has played out what it had under way.
inline constexpr char NetLost[] = "NetLost";
// The other machine's answer to a question this machine asked it across the wire (the reply box, or none).
inline constexpr char NetAnswer[] = "NetAnswer";

} // namespace vael::msg
