#pragma once
// Message names of the display objects: the commands a figure queues for itself while an elephant
// rampages through its unit. What the objects exchange with the game physical layer is the map's.
// Every send, query and handler registration names its message through these constants, so that a
// misspelt name fails to compile instead of sending to nobody; the texts are the names on the bus. The
// header of the layer below comes with it, so that a file includes only its own layer's names.

#include "game/map/map_message_names.h"

namespace vael::msg {

inline constexpr char RampageCohesionHit[] = "RampageCohesionHit";
inline constexpr char RampageDie[] = "RampageDie";

} // namespace vael::msg
