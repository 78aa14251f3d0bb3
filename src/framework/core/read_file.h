#pragma once
// The limits of the program's files, for the one whole-file reader (base/read_file.h) that the framework
// and the platform share.
#include <cstdint>

#include "base/read_file.h"

namespace vael {

// The most each kind of file may hold, far above what the program ever writes or ships.
namespace file_limits {
// A saved game holds some 130 KB at most.
constexpr std::uint64_t SavedGame = std::uint64_t(4) << 20;
// Texts of the data set and of the player: plans, the campaign, variants, the display catalogue.
constexpr std::uint64_t Text = std::uint64_t(4) << 20;
// The data set's binary files: scenarios, maps, the image index, sounds.
constexpr std::uint64_t Data = std::uint64_t(256) << 20;
} // namespace file_limits

} // namespace vael
