// Arbitrary bytes as a phalanx's saved record (its two hexes, then a unit's record) read into a block of
// twenty soldiers: loading either is refused and leaves the block's record as it was, or reads a whole
// record that reads back into a fresh block and saves to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "framework/core/bus.h"
#include "game/figures/p_phalanx.h"

namespace {

class Block : public vael::PPhalanx {
public:
    Block() : PPhalanx("Unit", "Unit (Half size)", "Unit (Quarter size)", 1005, 1) {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    static vael::Bus bus("Figure Layer");
    Block object;
    object.attach(bus);
    std::ostringstream before;
    object.save(before);
    std::istringstream in(bytes);
    object.load(in);
    std::ostringstream after;
    object.save(after);
    if (in.fail()) {
        if (after.str() != before.str()) std::abort();
    } else {
        Block again;
        again.attach(bus);
        std::istringstream back(after.str());
        again.load(back);
        std::ostringstream twice;
        again.save(twice);
        if (back.fail() || twice.str() != after.str()) std::abort();
        again.detach();
    }
    object.detach();
    vael::VaelPhysicalObject::freeSharedArtwork();
    return 0;
}
