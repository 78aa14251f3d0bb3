// Arbitrary text as the settings file: whatever the reader keeps must be written out in a form that reads
// back to the same store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::platform::Settings first;
    first.parse(std::string(reinterpret_cast<const char*>(data), size));
    const std::string written = first.serialize();
    vael::platform::Settings second;
    second.parse(written);
    if (second.skippedLines() != 0 || second.serialize() != written) std::abort();
    return 0;
}
