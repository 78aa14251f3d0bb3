// The thirteen preferences in the settings: their names, their defaults, and values out of range.
#include <gtest/gtest.h>

#include "game/shell/preferences.h"

namespace vael::test {
namespace {

using Root = platform::Settings::Root;
constexpr const char* Program = "SOFTWARE\\Tamblor\\Vaelmoric";
constexpr const char* Key = "SOFTWARE\\Tamblor\\Vaelmoric\\Preferences";

TEST(Preferences, EachValueIsStoredUnderItsNameInThePreferencesKey) {
    platform::Settings settings;
    Preferences p;
    p.movementAnimation = 0, p.combatAnimation = 0, p.sound = 0, p.ambientSound = 0, p.music = 0;
    p.sparseTrees = 1, p.finishLeader = 0, p.overallCombatResults = 0, p.showIntroVideo = 1, p.autoSave = 0;
    p.volume = 37, p.musicVolume = 99, p.lastAIType = 1;
    ASSERT_TRUE(p.write(settings, Program));
    const std::pair<const char*, std::uint32_t> stored[] = {
        {"Movement Animation", 0},
        {"Combat Animation", 0},
        {"Sound", 0},
        {"Ambient Sound", 0},
        {"Music", 0},
        {"Sparse Trees", 1},
        {"Finish Leader", 0},
        {"Overall Combat Results", 0},
        {"Show Intro Video", 1},
        {"Auto Save", 0},
        {"Volume", 37},
        {"Music Volume", 99},
        {"Last A/I Type", 1},
    };
    for (const auto& [name, value] : stored) {
        SCOPED_TRACE(name);
        EXPECT_EQ(settings.readNumber(Root::User, Key, name), value);
    }
    EXPECT_EQ(Preferences::read(settings, Program), p);
}

TEST(Preferences, AMissingOrOutOfRangeValueReadsAsItsDefault) {
    const Preferences defaults;
    EXPECT_EQ(Preferences::read(platform::Settings(), Program), defaults);
    const struct {
        const char* name;
        std::uint32_t stored;
        std::uint32_t Preferences::*field;
        std::uint32_t read;
    } rows[] = {
        {"Sound", 0, &Preferences::sound, 0},
        {"Sound", 1, &Preferences::sound, 1},
        {"Sound", 2, &Preferences::sound, 1},
        {"Sparse Trees", 1, &Preferences::sparseTrees, 1},
        {"Sparse Trees", 2, &Preferences::sparseTrees, 0},
        {"Volume", 100, &Preferences::volume, 100},
        {"Volume", 0, &Preferences::volume, 0},
        {"Volume", 101, &Preferences::volume, 100},
        {"Music Volume", 0xFFFFFFFF, &Preferences::musicVolume, 100},
        {"Last A/I Type", 1, &Preferences::lastAIType, 1},
        {"Last A/I Type", 2, &Preferences::lastAIType, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + std::to_string(row.stored));
        platform::Settings settings;
        settings.writeNumber(Root::User, Key, row.name, row.stored);
        EXPECT_EQ(Preferences::read(settings, Program).*row.field, row.read);
    }
}

} // namespace
} // namespace vael::test
