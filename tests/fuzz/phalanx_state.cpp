// Arbitrary bytes as a phalanx's saved record (its two hexes, then a unit's record) read into a block of
// twenty soldiers: loading either is refused and leaves the block's record as it was, or reads a whole
// record that reads back into a fresh block and saves to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "figure_record_round_trip.h"
#include "game/figures/p_phalanx.h"

namespace {

class Block : public vael::PPhalanx {
public:
    Block() : PPhalanx("Unit", "Unit (Half size)", "Unit (Quarter size)", 1005, 1) {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return checkFigureRecord<Block>(std::string(reinterpret_cast<const char*>(data), size));
}
