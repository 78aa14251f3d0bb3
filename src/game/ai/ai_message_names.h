#pragma once
// Message names the computer opponent posts to itself while it gives its orders.
// Every send, query and handler registration names its message through these constants, so that a
// misspelt name fails to compile instead of sending to nobody; the texts are the names on the bus. The
// header of the layer below comes with it, so that a file includes only its own layer's names.

#include "game/flow/flow_message_names.h"

namespace vael::msg {

inline constexpr char CheckOWBegun[] = "CheckOWBegun";
inline constexpr char FinishedGivingAIOrders[] = "FinishedGivingAIOrders";
inline constexpr char GiveAIOrder[] = "GiveAIOrder";

} // namespace vael::msg
