#pragma once
// Registers the logical layer's handlers of shock combat, the turn's phases and the relays of unit
// operations between machines, and holds what the turn's end puts up on the shell's behalf.
#include <cstdint>
#include <functional>
#include <string>

#include "game/flow/end_of_game_results.h"

namespace vael {

class VaelLogicalLayer;

// The turn overview and the videos are the shell's modal dialogs, and the scenario index is its too:
// the shell installs them. Without them nothing is shown and the turn goes on at once.
struct PhaseDialogs {
    std::function<void(const EndOfGameResults&)> gameOverview;
    std::function<void(const std::string& file)> video;
    std::function<std::uint32_t()> scenario;
};

void connectPhaseHandlers(VaelLogicalLayer& layer);
// Takes the layer's own handler of one of those messages away, for a stand-in that plays the phase
// itself (the turn engine's tests play the rout phase and the turn overview).
void disconnectPhaseHandler(VaelLogicalLayer& layer, const std::string& message);

} // namespace vael
