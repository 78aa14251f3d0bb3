#include "game/figures/facing_offsets.h"

#include <vector>

#include "game/map/raw_bytes.h"

namespace vael {

namespace {

void readPoint(ByteReader& in, Point3D& p) {
    p.x = in.i16();
    p.y = in.i16();
    p.z = 0;
}

void writePoint(std::ostream& out, const Point3D& p) {
    raw::putI16(out, p.x);
    raw::putI16(out, p.y);
}

} // namespace

bool HexOffsets::operator==(const HexOffsets& o) const {
    for (int i = 0; i < 3; ++i)
        if (waypoints[i] != o.waypoints[i] || durations[i] != o.durations[i]) return false;
    return true;
}

void HexOffsets::read(ByteReader& in) {
    for (Point3D& p : waypoints)
        readPoint(in, p);
    for (std::uint32_t& d : durations)
        d = in.u32();
}

void HexOffsets::write(std::ostream& out) const {
    for (const Point3D& p : waypoints)
        writePoint(out, p);
    for (std::uint32_t d : durations)
        raw::putU32(out, d);
}

bool HillOffsets::operator==(const HillOffsets& o) const {
    for (int i = 0; i < 3; ++i)
        if (variants[i] != o.variants[i]) return false;
    return true;
}

void HillOffsets::read(ByteReader& in) {
    for (HexOffsets& v : variants)
        v.read(in);
}

void HillOffsets::write(std::ostream& out) const {
    for (const HexOffsets& v : variants)
        v.write(out);
}

DirectionOffsets& DirectionOffsets::operator=(const DirectionOffsets& o) {
    if (this == &o) return *this;
    for (int d = 1; d < Entries; ++d)
        entries[d] = o.entries[d];
    home = o.home;
    return *this;
}

bool DirectionOffsets::operator==(const DirectionOffsets& o) const {
    for (int d = 1; d < Entries; ++d)
        if (entries[d] != o.entries[d]) return false;
    return home == o.home;
}

void DirectionOffsets::read(ByteReader& in) {
    for (int d = 1; d < Entries; ++d)
        entries[d].read(in);
    readPoint(in, home);
}

void DirectionOffsets::write(std::ostream& out) const {
    for (int d = 1; d < Entries; ++d)
        entries[d].write(out);
    writePoint(out, home);
}

FacingOffsets::FacingOffsets(std::istream& file) : OIFStorage(file) {
    std::vector<std::uint8_t> body(static_cast<std::size_t>(Size - NameSize));
    valid_ = static_cast<bool>(file) && readBytes(file, body.data(), body.size());
    if (!valid_) return;
    ByteReader in(body.data(), body.data() + body.size());
    for (int f = 1; f < Facings; ++f)
        facings[f].read(in);
}

FacingOffsets& FacingOffsets::operator=(const FacingOffsets& o) {
    if (this == &o) return *this;
    OIFStorage::operator=(o);
    for (int f = 1; f < Facings; ++f)
        facings[f] = o.facings[f];
    valid_ = o.valid_;
    return *this;
}

bool FacingOffsets::operator==(const FacingOffsets& o) const {
    for (int f = 1; f < Facings; ++f)
        if (facings[f] != o.facings[f]) return false;
    return true;
}

void FacingOffsets::write(std::ostream& out) const {
    for (int f = 1; f < Facings; ++f)
        facings[f].write(out);
}

} // namespace vael
