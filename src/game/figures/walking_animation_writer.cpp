#include "game/figures/walking_animation_writer.h"

#include <algorithm>

#include "game/map/raw_bytes.h"

namespace vael {

namespace {

void putName(std::ostream& out, const std::string& name) {
    std::string field(OIFStorage::NameSize, '\0');
    field.replace(0, std::min(name.size(), field.size() - 1), name.substr(0, field.size() - 1));
    out.write(field.data(), static_cast<std::streamsize>(field.size()));
}

} // namespace

void writeWalkingSection(std::ostream& out, const WalkingSection& section, std::uint32_t& previousStart) {
    out.seekp(0, std::ios::end);
    const auto start = static_cast<std::uint32_t>(out.tellp());
    putName(out, section.name);
    raw::putU16(out, static_cast<std::uint16_t>(section.records.size()));
    raw::putU32(out, previousStart);
    const std::streamoff placeholder = out.tellp();
    raw::putU32(out, 0);
    for (std::size_t i = 0; i < section.records.size(); ++i) {
        putName(out, std::to_string(i));
        section.records[i].write(out);
    }
    const auto end = static_cast<std::uint32_t>(out.tellp());
    out.seekp(placeholder);
    raw::putU32(out, end);
    out.seekp(0, std::ios::end);
    previousStart = start;
}

void writeWalkingAnimationData(std::ostream& out, const std::vector<WalkingSection>& sections) {
    std::size_t records = 0;
    for (const WalkingSection& s : sections)
        records += s.records.size();
    putName(out, WalkingAnimationTitle);
    raw::putU16(out, static_cast<std::uint16_t>(sections.size()));
    raw::putU16(out, static_cast<std::uint16_t>(records));
    std::uint32_t previous = 0;
    for (const WalkingSection& s : sections)
        writeWalkingSection(out, s, previous);
}

} // namespace vael
