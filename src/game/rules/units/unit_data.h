#pragma once
// The stored record from which a unit is made: the part every logical unit shares.
#include <cstdint>

namespace vael {

struct UnitData {
    std::uint16_t unitNumber = 0;
    std::uint16_t hex = 0;

    virtual ~UnitData() = default;
};

} // namespace vael
