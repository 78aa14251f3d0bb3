// Arbitrary bytes as the payloads of a rout and of a rampage relayed from another machine: the path of
// a rout, the events of a rampage and its run, read one after another until the stream fails. A read
// never yields more values than the bytes could hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/core/assertion.h"
#include "framework/core/super_string.h"
#include "framework/core/type_info.h"
#include "game/rules/rout/rout_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    static const bool ready = [] {
        Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
        TypeInfo<short> shorts;
        TypeInfo<RampageStruct> events;
        return true;
    }();
    (void)ready;
    // A length of 0 asks the stream to measure a C string.
    if (size == 0) return 0;
    SuperString in;
    in.write(data, static_cast<std::int32_t>(size));
    const auto most = static_cast<std::int32_t>(size / 2);
    for (int i = 0; i < 8 && !in.failed(); ++i) {
        RoutInfo rout;
        List<RampageStruct> events;
        DoRampageStruct run;
        in >> rout >> events >> run;
        if (rout.path.count() > most || events.count() > most || run.path.count() > most) std::abort();
    }
    return 0;
}
