// Arbitrary bytes as a saved sprite event: loading either fails and leaves the event as it was, or reads a
// whole event that saves and loads back to the same fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "framework/core/assertion.h"
#include "framework/core/command_records.h"
#include "framework/core/type_info.h"
#include "framework/display/sprite_event.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    static const bool ready = [] {
        Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
        TypeInfo<short> s;
        TypeInfo<long> l;
        TypeInfo<std::string> str;
        TypeInfo<LogicalCommandInfo> lci;
        TypeInfo<List<short>> ls;
        return true;
    }();
    (void)ready;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    SpriteEvent event(3, Point4D(5, 6, 7, 8), List<Bitmap*>(), 4, SpriteHold, 9, nullptr);
    if (!event.load(in)) {
        if (event.region != 3 || event.kind != SpriteHold || event.payload()) std::abort();
        return 0;
    }
    std::ostringstream out;
    event.save(out);
    std::istringstream again(out.str());
    SpriteEvent copy;
    if (!copy.load(again) || !(copy == event) || copy.region != event.region || copy.kind != event.kind ||
        (copy.payload() == nullptr) != (event.payload() == nullptr))
        std::abort();
    return 0;
}
