#pragma once
// The walking-animation data the forge writes: for every formation kind, the paths each figure walks out of
// its hex and into the next, worked out from the figures' home points in the formation, so that every
// walk ends where the figure stands.
#include <array>
#include <vector>

#include "framework/core/geometry.h"
#include "game/figures/walking_animation_writer.h"
#include "tools/forge/archive_writer.h"

namespace vael::forge {

// A figure's home point for each facing 1 to 8 (entry 0 unused).
using HomePoints = std::array<Point, 9>;

// The records of figures with these home points; speedFactor scales the walking speeds of the kind.
std::vector<FacingOffsets> generateFacingOffsets(const std::vector<HomePoints>& homes, double speedFactor);
// The milliseconds a leg takes in a direction of movement.
std::uint32_t walkLegTime(const Point3D& from, const Point3D& to, int direction, double speedFactor);
// The home points of every formation slot of a kind, in the slot order the display objects use.
std::vector<HomePoints> formationHomes(const std::string& kind);
// The nine groups in file order with their records.
std::vector<WalkingSection> walkingSections();
Bytes walkingAnimationBytes();

} // namespace vael::forge
