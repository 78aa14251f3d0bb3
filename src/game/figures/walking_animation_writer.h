#pragma once
// Writes the walking-animation archive in the layout its reader takes: the title, the group and record
// counts, then each group's record (name, count, where the group before it began, where the next begins)
// followed by its records, named by their index in decimal.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "game/figures/facing_offsets.h"

namespace vael {

constexpr const char* WalkingAnimationFile = "walkanim.oif";
constexpr const char* WalkingAnimationTitle = "Walking Animation Data";

struct WalkingSection {
    std::string name;
    std::vector<FacingOffsets> records;
};

// One group at the stream's end; previousStart is where the group before began (0 before the first) and
// becomes this group's start. The stream must let the writer go back to fill in the next group's offset.
void writeWalkingSection(std::ostream& out, const WalkingSection& section, std::uint32_t& previousStart);
void writeWalkingAnimationData(std::ostream& out, const std::vector<WalkingSection>& sections);

} // namespace vael
