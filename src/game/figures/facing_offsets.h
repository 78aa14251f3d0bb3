#pragma once
// The walking paths of one figure of a formation: for each facing of its unit (1 to 8) and each direction
// it can step (1 to 10), three variants of a path of up to three timed legs out of its hex and into the
// next, and the figure's home in the hex. Only x and y of a point are stored; z is always 0 when read.
// Entry 0 of the facings and of the directions is never stored, read, copied or compared.
#include <cstdint>
#include <istream>
#include <ostream>

#include "framework/core/geometry.h"
#include "framework/display/byte_reader.h"
#include "framework/display/oif_storage.h"

namespace vael {

struct HexOffsets {
    static constexpr int Size = 24;

    bool operator==(const HexOffsets& o) const;
    bool operator!=(const HexOffsets& o) const { return !(*this == o); }
    void read(ByteReader& in);
    void write(std::ostream& out) const;

    Point3D waypoints[3];
    std::uint32_t durations[3] = {0, 0, 0}; // milliseconds to reach each waypoint from the one before
};

struct HillOffsets {
    static constexpr int Size = 3 * HexOffsets::Size;

    bool operator==(const HillOffsets& o) const;
    bool operator!=(const HillOffsets& o) const { return !(*this == o); }
    void read(ByteReader& in);
    void write(std::ostream& out) const;

    HexOffsets variants[3];
};

struct DirectionOffsets {
    static constexpr int Entries = 11;
    static constexpr int Size = 10 * HillOffsets::Size + 4;

    DirectionOffsets() = default;
    DirectionOffsets(const DirectionOffsets& o) { *this = o; }
    DirectionOffsets& operator=(const DirectionOffsets& o);
    bool operator==(const DirectionOffsets& o) const;
    bool operator!=(const DirectionOffsets& o) const { return !(*this == o); }
    void read(ByteReader& in);
    void write(std::ostream& out) const;

    HillOffsets entries[Entries]; // by direction of the step, 1 to 10
    Point3D home;
};

class FacingOffsets : public OIFStorage {
public:
    static constexpr int Facings = 9;
    static constexpr int Size = OIFStorage::NameSize + 8 * DirectionOffsets::Size;

    FacingOffsets() = default;
    // Reads one whole record (name and facings) from the archive file; isValid is false when the file ends
    // first, and then every offset is zero.
    explicit FacingOffsets(std::istream& file);
    FacingOffsets(const FacingOffsets& o) : OIFStorage(o) { *this = o; }
    FacingOffsets& operator=(const FacingOffsets& o);
    bool operator==(const FacingOffsets& o) const;
    bool operator!=(const FacingOffsets& o) const { return !(*this == o); }

    // Facings 1 to 8; the record's name is the caller's to write before it.
    void write(std::ostream& out) const;
    bool isValid() const { return valid_; }

    DirectionOffsets facings[Facings]; // by the unit's facing, 1 to 8

private:
    bool valid_ = true;
};

} // namespace vael
