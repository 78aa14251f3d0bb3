// Arbitrary bytes as game control's block of a saved game, read into a game of three leaders: a block that
// is refused leaves the game as it was; one that is read names a leader of the game (or none), a turn of
// the game and a momentum count an activation can reach, and writes back to the bytes it was read from.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/core/super_string.h"
#include "game/flow/game_control.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    GameControl control;
    for (const char* name : {"A", "B", "C"})
        control.addLeader(LeaderUnitInfo{name, 3, 1, nullptr});
    SuperString in;
    if (size > 0) in.write(data, static_cast<std::int32_t>(size));
    if (!control.read(in)) {
        if (control.getActiveLeader() != GameControl::NoLeader || control.getTurn() != 0 ||
            control.getMomentumTries() != -1 || control.isLoading())
            std::abort();
        return 0;
    }
    const std::int16_t active = control.getActiveLeader();
    if (active < -1 || active > 2 || control.getTurn() < 0 || control.getMomentumTries() < -1 ||
        control.getMomentumTries() > 2)
        std::abort();
    SuperString out;
    control.write(out);
    std::vector<std::uint8_t> written(static_cast<std::size_t>(out.length()));
    out.peek(written.data(), 0, out.length());
    if (written.size() != 38 || size < 38 || !std::equal(written.begin(), written.end(), data)) std::abort();
    return 0;
}
