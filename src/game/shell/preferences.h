#pragma once
// The player's preferences: the thirteen values kept per user in the settings under the program's key,
// "Preferences". A value that is missing or out of its range reads as its default, so a damaged settings
// file never stops the game.
#include <cstdint>
#include <string>

#include "platform/settings.h"

namespace vael {

struct Preferences {
    static constexpr std::uint32_t MaxVolume = 100;

    std::uint32_t movementAnimation = 1;
    std::uint32_t combatAnimation = 1;
    std::uint32_t sound = 1;
    std::uint32_t ambientSound = 1;
    std::uint32_t music = 1;
    std::uint32_t sparseTrees = 0;
    std::uint32_t finishLeader = 1;
    std::uint32_t overallCombatResults = 1;
    std::uint32_t showIntroVideo = 0;
    std::uint32_t autoSave = 1;
    std::uint32_t volume = MaxVolume;
    std::uint32_t musicVolume = MaxVolume;
    std::uint32_t lastAIType = 0;

    // The key under which they are kept: "<program key>\Preferences".
    static std::string keyOf(const std::string& programKey) { return programKey + "\\Preferences"; }
    static Preferences read(const platform::Settings& settings, const std::string& programKey);
    // False when the settings file could not be written.
    bool write(platform::Settings& settings, const std::string& programKey) const;

    bool operator==(const Preferences&) const = default;
};

} // namespace vael
