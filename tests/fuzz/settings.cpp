// Arbitrary text as the settings file: what it writes out reads back to the same store and the same text,
// and the lines it could not read are kept as they stood, to be skipped again and no more.
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
    if (second.skippedLines() != first.skippedLines() || second.serialize() != written) std::abort();
    return 0;
}
