#pragma once
// Registers the logical layer's handlers of shock combat, the turn's phases and the relays of unit
// operations between machines.

namespace vael {

class VaelLogicalLayer;

void connectPhaseHandlers(VaelLogicalLayer& layer);

} // namespace vael
