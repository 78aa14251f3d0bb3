#pragma once
// One hex of the logical map: its number, its centre and height level, the hex numbers of its
// neighbours by region direction, its terrain codes and five flags for each of its six sides. A plain
// record, copied by value into lists and messages; the display builds its own regions from the copies.
#include <array>
#include <cstdint>

#include "framework/core/geometry.h"
#include "framework/core/type_name.h"

namespace vael {

struct LogicalRegion {
    static constexpr std::uint16_t none = 0xFFFF;
    static constexpr int slots = 10;

    std::uint16_t id = 0;
    Point3D position{0, 0, 0};
    std::uint16_t neighbourCount = 0;
    // Entry d is the neighbour in region direction d: 0 the hex itself, 1, 2, 4, 5, 6, 8 the sides.
    std::array<std::uint16_t, slots> neighbours{none, none, none, none, none, none, none, none, none, none};
    std::uint16_t terrainCount = 0;
    std::array<std::uint16_t, slots> terrain{none, none, none, none, none, none, none, none, none, none};
    // Five flags per side, side 1 in bits 0-4 up to side 8 in bits 25-29; bits 30 and 31 are free.
    std::uint32_t edgeFlags = 0;

    LogicalRegion() = default;

    bool operator==(const LogicalRegion& other) const { return id == other.id; }

    std::int16_t hasNeighbour(std::uint16_t hex) const;
    // Inline: the movement rules ask it for every code of every step.
    std::int16_t hasTerrain(std::uint16_t code) const {
        for (std::uint16_t t : terrain)
            if (t == code) return 1;
        return 0;
    }
    // The flag's bit within its side's five bits when set, else 0; 0 for a direction without a side.
    std::uint32_t getSideFlag(std::int32_t direction, std::int32_t flag) const;
    void setSideFlag(std::int32_t direction, std::int32_t flag, bool on);
    void clearSideFlags();

    // Bit position of the five flags of a side, -1 for a direction that names no side.
    static int sideShift(std::int32_t direction);
};

VAEL_TYPE_NAME(LogicalRegion, "LogicalRegion");

} // namespace vael
