// Arbitrary bytes as a unit display object's saved record, read into an object of eight figures, an
// elephant of three beasts, a block of slingers and a bolt-thrower's crew of one, as a saved game's objects
// are: loading any is refused and leaves the object's record as it was, or reads a whole record whose saved
// form (reserved words zero, marks 0 or 1) reads back into a fresh object and saves to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "figure_record_round_trip.h"
#include "game/figures/p_elephant.h"
#include "game/figures/p_oxybeles.h"
#include "game/figures/p_slinger.h"
#include "game/figures/vael_physical_object.h"

namespace {

class EightFigures : public vael::VaelPhysicalObject {
public:
    EightFigures() : VaelPhysicalObject("Unit", "Unit (Half size)", "Unit (Quarter size)", 1204, 1) {}
    void setupAnimations() override { buildEightFigureFormation(); }
};

class Elephant : public vael::PElephant {
public:
    Elephant() : PElephant("Unit", "Unit (Half size)", "Unit (Quarter size)", 3, 1204, 1) {}
};

class Slingers : public vael::PSlinger {
public:
    Slingers() : PSlinger("Unit", "Unit (Half size)", "Unit (Quarter size)", 4, 1204, 1) {}
};

class BoltThrower : public vael::POxybeles {
public:
    BoltThrower() : POxybeles("Unit", "Unit (Half size)", "Unit (Quarter size)", 1, 1204, 1) {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    checkFigureRecord<EightFigures>(bytes);
    checkFigureRecord<Elephant>(bytes);
    checkFigureRecord<Slingers>(bytes);
    return checkFigureRecord<BoltThrower>(bytes);
}
