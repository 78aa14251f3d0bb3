#pragma once
// The prototype units from which the scenario reader makes a battle's units, registered under the keys
// that the reader's key table chooses. The application registers them once at start.
#include <cstdint>
#include <vector>

namespace vael {

class LogicalLayer;

// The keys with a prototype, in the order they are registered.
const std::vector<std::int16_t>& prototypeKeys();
void registerUnitPrototypes(LogicalLayer& layer);

} // namespace vael
