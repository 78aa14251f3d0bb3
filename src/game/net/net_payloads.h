#pragma once
// How the payloads the relay carries are written on the stream between machines, and their registration:
// every type the relay carries has its record from the start of the program, so that the first frame that
// brings one finds it.
#include <cstdint>
#include <vector>

#include "framework/core/bus_message.h"
#include "framework/core/container.h"
#include "framework/core/super_string.h"
#include "framework/core/type_name.h"
#include "game/flow/end_of_game_results.h"
#include "game/flow/game_control.h"
#include "game/flow/shock_records.h"
#include "game/rules/units/unit_payloads.h"

namespace vael {

// The state of the battle's units, in the order of the home units, the visitor units and the leaders, as
// each unit writes itself into a saved game.
struct BattleStateStruct {
    std::vector<std::uint8_t> bytes;
    bool operator==(const BattleStateStruct&) const = default;
};
VAEL_TYPE_NAME(BattleStateStruct, "BattleStateStruct");

// EndOfGameResults: u32 winner, u32 home nation, u32 visitor nation, the two names, then the twelve i16
// tallies in field order.
SuperString& operator<<(SuperString& s, const EndOfGameResults& v);
SuperString& operator>>(SuperString& s, EndOfGameResults& v);
// PlyrInfo: the player's name and the leader list text.
SuperString& operator<<(SuperString& s, const PlyrInfo& v);
SuperString& operator>>(SuperString& s, PlyrInfo& v);
// BattleStateStruct: u32 length and the bytes; a length beyond what is left fails the stream.
SuperString& operator<<(SuperString& s, const BattleStateStruct& v);
SuperString& operator>>(SuperString& s, BattleStateStruct& v);

// What the display is shown of a shock battle, for the other machine's display. MethodOfDeathStruct: i16
// percent, u32 method, i16 unit number. CombatInfo: the attackers, the defenders and the deaths, each a
// list.
SuperString& operator<<(SuperString& s, const MethodOfDeathStruct& v);
SuperString& operator>>(SuperString& s, MethodOfDeathStruct& v);
SuperString& operator<<(SuperString& s, const CombatInfo& v);
SuperString& operator>>(SuperString& s, CombatInfo& v);

// The reply a walk's display command carries for the acting machine: MoveReturnStruct is u32 kind, u16 unit
// number.
SuperString& operator<<(SuperString& s, const MoveReturnStruct& v);
SuperString& operator>>(SuperString& s, MoveReturnStruct& v);

// Whether a message from the other machine carries the payload every handler of it here needs: a box of
// the type its senders send, or anything at all for a message whose handlers read none. A message that
// does not would reach a handler that cannot act on it.
bool carriesWhatItNeeds(BusMessage event, const ContainerBase* data);

// Builds the records of every payload type the relay carries (once; later calls find them).
void registerNetPayloadTypes();

} // namespace vael
