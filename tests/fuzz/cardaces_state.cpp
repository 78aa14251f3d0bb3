// Arbitrary bytes as the cardaces' saved record (their missiles, then the block's two hexes and a unit's
// record) read into a block of twenty soldiers and twenty missiles: loading either is refused and leaves
// the block and its missiles as they were, or reads a whole record that reads back into a fresh block and
// saves to itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "figure_record_round_trip.h"
#include "game/figures/p_cardaces.h"

namespace {

class Block : public vael::PCardaces {
public:
    Block() : PCardaces("Unit", "Unit (Half size)", "Unit (Quarter size)", 2, 1005, 1) {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return checkFigureRecord<Block>(std::string(reinterpret_cast<const char*>(data), size));
}
