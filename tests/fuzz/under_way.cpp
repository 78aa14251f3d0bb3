// Arbitrary bytes as what a unit's display object and one of its sprites had under way at a save, read into
// an object of eight figures and an elephant of three beasts, as a displayed saved game's last record is:
// bytes that are refused are refused without harm (a sprite keeps nothing queued); bytes that are taken
// save again into a record a fresh object reads back into the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "framework/core/bus.h"
#include "game/figures/p_elephant.h"
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

std::string underWayOf(vael::VaelPhysicalObject& object) {
    std::ostringstream out;
    object.saveUnderWay(out);
    return out.str();
}

template <class Object> void checkUnderWay(const std::string& bytes) {
    vael::Bus bus("Figure Layer");
    Object object;
    object.attach(bus);
    std::istringstream in(bytes);
    if (object.loadUnderWay(in)) {
        const std::string saved = underWayOf(object);
        Object again;
        again.attach(bus);
        std::istringstream back(saved);
        if (!again.loadUnderWay(back) || back.peek() != std::char_traits<char>::eof() ||
            underWayOf(again) != saved)
            std::abort();
        again.detach();
    }
    object.detach();
    vael::VaelPhysicalObject::freeSharedArtwork();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        vael::VaelPhysicalObject::registerUnderWayTypes();
        return true;
    }();
    (void)registered;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    checkUnderWay<EightFigures>(bytes);
    checkUnderWay<Elephant>(bytes);
    vael::VaelSprite sprite(1204, vael::Point3D(3, 4, 0), vael::FrameInfo("Walk", 2), 1, nullptr,
                            vael::DrawPlain, nullptr, nullptr, nullptr, 0);
    std::istringstream in(bytes);
    if (!sprite.loadUnderWay(in) && sprite.hasEvents()) std::abort();
    return 0;
}
