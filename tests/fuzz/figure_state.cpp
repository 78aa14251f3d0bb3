// Arbitrary bytes as a unit display object's saved record, read into an object of eight figures as a
// saved game's objects are: loading either is refused and leaves the object's record as it was, or reads
// a whole record whose saved form (reserved words zero, marks 0 or 1) reads back into a fresh object and
// saves to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "framework/core/bus.h"
#include "game/figures/vael_physical_object.h"

namespace {

class EightFigures : public vael::VaelPhysicalObject {
public:
    EightFigures() : VaelPhysicalObject("Unit", "Unit (Half size)", "Unit (Quarter size)", 1204, 1) {}
    void setupAnimations() override { buildEightFigureFormation(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    static vael::Bus bus("Figure Layer");
    EightFigures object;
    // On the bus its set-up builds the figures and puts up the flag, as a prototype's clone has them.
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
        EightFigures again;
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
