// The game's sound manager on the recording output with the forged waves: which waves each call plays in
// which group, the dice it rolls (the same with sound on, off and missing), loops started and stopped by
// their number, the preferences, and the service that ends the groups that have run out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "game/rules/roll.h"
#include "game/sound/vael_sound_manager.h"
#include "platform/headless/headless_audio_output.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

using platform::HeadlessAudioOutput;
using Op = HeadlessAudioOutput::Op;
using Strings = std::vector<std::string>;
using Groups = std::vector<std::int16_t>;

const std::filesystem::path data = VAEL_BUILD_DATA_DIR;

// A row lays down one roll for the call (Roll::script); `rolls` is how many the call takes.
struct CallRow {
    const char* what;
    int roll;
    std::function<void(VaelSoundManager&)> call;
    Strings plays;
    int rolls;
};

const CallRow callRows[] = {
    {"bow shot", 0, [](VaelSoundManager& m) { m.playBowShot(); }, {"bow.wav@0"}, 0},
    {"arrow hit, roll 3", 3, [](VaelSoundManager& m) { m.playArrowHit(); }, {"arrowhit1.wav@0"}, 1},
    {"arrow hit, roll 4", 4, [](VaelSoundManager& m) { m.playArrowHit(); }, {"arrowhit2.wav@0"}, 1},
    {"arrow hit, roll 5", 5, [](VaelSoundManager& m) { m.playArrowHit(); }, {"arrowhit3.wav@0"}, 1},
    {"javelin throw", 0, [](VaelSoundManager& m) { m.playJavelinThrow(); }, {"javelin.wav@0"}, 0},
    {"javelin hit, roll 0", 0, [](VaelSoundManager& m) { m.playJavelinHit(); }, {"javhit1.wav@0"}, 1},
    {"javelin hit, roll 7", 7, [](VaelSoundManager& m) { m.playJavelinHit(); }, {"javhit2.wav@0"}, 1},
    {"javelin hit, roll 2", 2, [](VaelSoundManager& m) { m.playJavelinHit(); }, {"javhit3.wav@0"}, 1},
    {"sling shot", 0, [](VaelSoundManager& m) { m.playSlingShot(); }, {"sling.wav@0"}, 0},
    {"rock hit, roll 9", 9, [](VaelSoundManager& m) { m.playRockHit(); }, {"rockhit1.wav@0"}, 1},
    {"rock hit, roll 1", 1, [](VaelSoundManager& m) { m.playRockHit(); }, {"rockhit2.wav@0"}, 1},
    {"rock hit, roll 8", 8, [](VaelSoundManager& m) { m.playRockHit(); }, {"rockhit3.wav@0"}, 1},
    {"bolt-thrower shot", 0, [](VaelSoundManager& m) { m.playOxybelesShot(); }, {"oxybeles.wav@0"}, 0},
    {"bolt hit, roll 6", 6, [](VaelSoundManager& m) { m.playOxybelesHit(); }, {"bolthit1.wav@0"}, 1},
    {"bolt hit, roll 10", 10, [](VaelSoundManager& m) { m.playOxybelesHit(); }, {"bolthit2.wav@0"}, 1},
    {"bolt hit, roll 11", 11, [](VaelSoundManager& m) { m.playOxybelesHit(); }, {"bolthit3.wav@0"}, 1},
    {"splash", 0, [](VaelSoundManager& m) { m.playSplash(); }, {"splash.wav@0"}, 0},
    {"elephant hit", 0, [](VaelSoundManager& m) { m.playElephantHit(); }, {"elephant1.wav@0"}, 0},
    {"elephant hit, other", 0, [](VaelSoundManager& m) { m.playElephantHitAlt(); }, {"elephant2.wav@0"}, 0},
    {"horse in battle", 0, [](VaelSoundManager& m) { m.playHorseBattle(); }, {"horse2.wav@0"}, 0},
    {"horse in battle, other", 0, [](VaelSoundManager& m) { m.playHorseBattleAlt(); }, {"horse3.wav@0"}, 0},
    {"cheer", 0, [](VaelSoundManager& m) { m.playCheer(); }, {"cheer.wav@0"}, 0},
    {"march of foot", 0, [](VaelSoundManager& m) { m.startMovementSound(3); }, {"march.wav@0*"}, 0},
    {"march of the bolt-thrower",
     0,
     [](VaelSoundManager& m) { m.startMovementSound(14); },
     {"march.wav@0*"},
     0},
    {"gallop of a leader", 0, [](VaelSoundManager& m) { m.startMovementSound(4); }, {"gallop.wav@0*"}, 0},
    {"gallop of cavalry", 0, [](VaelSoundManager& m) { m.startMovementSound(12); }, {"gallop.wav@0*"}, 0},
    {"tread of elephants", 0, [](VaelSoundManager& m) { m.startMovementSound(13); }, {"march.wav@0*"}, 0},
    {"melee", 0, [](VaelSoundManager& m) { m.startShockSound(9); }, {"melee.wav@0*"}, 0},
    {"splash loop", 0, [](VaelSoundManager& m) { m.startSplashLoop(); }, {"splashloop.wav@0*"}, 0},
};

// Kinds 4 and 6 to 12 neigh; 5 and 13 trumpet, one of two calls by the roll % 2; the rest are quiet.
struct AnimalRow {
    std::int16_t kind;
    int roll;
    Strings plays;
    int rolls;
};
const AnimalRow animalRows[] = {
    {-1, 0, {}, 0},
    {0, 0, {}, 0},
    {3, 0, {}, 0},
    {4, 0, {"horse1.wav@0"}, 0},
    {5, 0, {"elephant1.wav@0"}, 1},
    {5, 1, {"elephant2.wav@0"}, 1},
    {6, 0, {"horse1.wav@0"}, 0},
    {7, 0, {"horse1.wav@0"}, 0},
    {12, 0, {"horse1.wav@0"}, 0},
    {13, 4, {"elephant1.wav@0"}, 1},
    {13, 7, {"elephant2.wav@0"}, 1},
    {14, 0, {}, 0},
    {15, 0, {}, 0},
    {16, 0, {}, 0},
};

// Lays down the row's roll and one more, which no call may take.
class ScriptedRolls {
public:
    explicit ScriptedRolls(int roll) { Roll::script({roll, 99}); }
    ~ScriptedRolls() { Roll::endScript(); }
    int taken() const { return 2 - int(Roll::scriptedLeft()); }
};

TEST(VaelSoundManagerTest, EachCallPlaysItsWaveInAGroupOfItsOwn) {
    for (const CallRow& row : callRows) {
        SCOPED_TRACE(row.what);
        HeadlessAudioOutput output;
        VaelSoundManager manager(output, data);
        ScriptedRolls rolls(row.roll);
        row.call(manager);
        EXPECT_EQ(output.plays(), row.plays);
        EXPECT_EQ(rolls.taken(), row.rolls);
        EXPECT_EQ(manager.liveGroups(), Groups{0});
        EXPECT_TRUE(manager.problems().empty());
    }
}

TEST(VaelSoundManagerTest, AnimalCallsByUnitKind) {
    for (const AnimalRow& row : animalRows) {
        SCOPED_TRACE(testing::Message() << "kind " << row.kind << ", roll " << row.roll);
        HeadlessAudioOutput output;
        VaelSoundManager manager(output, data);
        ScriptedRolls rolls(row.roll);
        manager.playAnimalCall(row.kind);
        EXPECT_EQ(output.plays(), row.plays);
        EXPECT_EQ(rolls.taken(), row.rolls);
    }
}

// A battle must roll the same dice whether its sound is on, switched off, its loops switched off, or it
// has no device or no audio at all.
TEST(VaelSoundManagerTest, TheDiceAreTheSameWithSoundOnOffAndMissing) {
    for (int setup = 0; setup < 5; ++setup) {
        auto make = [setup](HeadlessAudioOutput& output) {
            output.noDevice = setup == 3;
            auto manager = setup == 4 ? std::make_unique<VaelSoundManager>()
                                      : std::make_unique<VaelSoundManager>(output, data);
            if (setup == 1) manager->setSoundEnabled(false);
            if (setup == 2) manager->setAmbientEnabled(false);
            return manager;
        };
        for (const CallRow& row : callRows) {
            SCOPED_TRACE(testing::Message() << row.what << ", setup " << setup);
            HeadlessAudioOutput output;
            auto manager = make(output);
            ScriptedRolls rolls(row.roll);
            row.call(*manager);
            EXPECT_EQ(rolls.taken(), row.rolls);
            if (setup == 1 || setup >= 3) {
                EXPECT_TRUE(output.plays().empty());
            }
        }
        for (const AnimalRow& row : animalRows) {
            SCOPED_TRACE(testing::Message() << "kind " << row.kind << ", setup " << setup);
            HeadlessAudioOutput output;
            auto manager = make(output);
            ScriptedRolls rolls(row.roll);
            manager->playAnimalCall(row.kind);
            EXPECT_EQ(rolls.taken(), row.rolls);
        }
    }
}

// Unscripted, the rolls are the runtime's rand(): after srand(1) glibc gives 1804289383 first (% 3 = 1).
TEST(VaelSoundManagerTest, UnscriptedTheChoiceIsTheRuntimesRand) {
    HeadlessAudioOutput output;
    VaelSoundManager manager(output, data);
    std::srand(1);
    manager.playArrowHit();
    EXPECT_EQ(output.plays(), Strings{"arrowhit2.wav@0"});
    EXPECT_EQ(std::rand(), 846930886); // the second number: the call took exactly one
}

TEST(VaelSoundManagerTest, LoopsAreStoppedByTheirNumberAndNoOther) {
    HeadlessAudioOutput output;
    VaelSoundManager manager(output, data);
    EXPECT_EQ(manager.startMovementSound(3), 0);
    EXPECT_EQ(manager.startMovementSound(8), 1);
    EXPECT_EQ(manager.startShockSound(3), 2);
    EXPECT_EQ(manager.startElephantSound(), 3);
    // A number of another kind of loop, or of none, stops nothing.
    manager.stopShockSound(0);
    manager.stopMovementSound(2);
    manager.stopElephantSound(1);
    manager.stopMovementSound(-1);
    manager.stopShockSound(99);
    EXPECT_EQ(manager.liveGroups(), (Groups{0, 1, 2, 3}));
    manager.stopMovementSound(0);
    EXPECT_EQ(manager.liveGroups(), (Groups{1, 2, 3}));
    EXPECT_EQ(output.playingInGroup(0), 0);
    EXPECT_EQ(output.playingInGroup(1), 1);
    manager.stopMovementSound(0); // a second stop of the same number does nothing
    manager.stopShockSound(2);
    manager.stopElephantSound(3);
    manager.stopMovementSound(1);
    EXPECT_TRUE(manager.liveGroups().empty());
    Strings stops;
    for (const auto& c : output.calls)
        if (c.op == Op::StopGroup) stops.push_back(std::to_string(c.group));
    EXPECT_EQ(stops, (Strings{"0", "2", "3", "1"}));
    // Numbers are not given again at once: the next loop is 4.
    EXPECT_EQ(manager.startShockSound(3), 4);
}

TEST(VaelSoundManagerTest, OneSplashLoopServesAllAndEndsWithTheMarch) {
    HeadlessAudioOutput output;
    VaelSoundManager manager(output, data);
    const std::int16_t march = manager.startMovementSound(2);
    manager.startSplashLoop();
    manager.startSplashLoop();
    EXPECT_EQ(output.plays(), (Strings{"march.wav@0*", "splashloop.wav@1*"}));
    manager.stopSplashLoop();
    EXPECT_EQ(manager.liveGroups(), Groups{0});
    manager.stopSplashLoop(); // nothing left to stop
    manager.startSplashLoop();
    EXPECT_EQ(manager.liveGroups(), (Groups{0, 2}));
    // A unit that stops walking has left the water too.
    manager.stopMovementSound(march);
    EXPECT_TRUE(manager.liveGroups().empty());
    Strings stops;
    for (const auto& c : output.calls)
        if (c.op == Op::StopGroup) stops.push_back(std::to_string(c.group));
    EXPECT_EQ(stops, (Strings{"1", "0", "2"}));
    manager.startSplashLoop();
    EXPECT_EQ(output.plays().back(), "splashloop.wav@3*");
}

TEST(VaelSoundManagerTest, TheServiceEndsTheGroupsThatHaveRunOut) {
    HeadlessAudioOutput output;
    VaelSoundManager manager(output, data);
    manager.playBowShot();
    const std::int16_t march = manager.startMovementSound(0);
    manager.playCheer();
    manager.serviceSoundGroups();
    EXPECT_EQ(manager.liveGroups(), (Groups{0, 1, 2}));
    output.runOut();
    manager.serviceSoundGroups();
    EXPECT_EQ(manager.liveGroups(), Groups{march});
    // A loop silenced behind the manager's back (its channel taken) is ended too.
    output.stopGroup(march);
    manager.serviceSoundGroups();
    EXPECT_TRUE(manager.liveGroups().empty());
}

TEST(VaelSoundManagerTest, ARampagingElephantCallsAgainAfterEachCallUntilStopped) {
    HeadlessAudioOutput output;
    VaelSoundManager manager(output, data);
    const std::int16_t calls = manager.startElephantSound();
    ASSERT_EQ(calls, 0);
    int played = 1;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        output.runOut();
        // A breath of one to three service periods, then the next call in the same group.
        int periods = 0;
        while (int(output.plays().size()) == played && periods < 5) {
            manager.serviceSoundGroups();
            ++periods;
        }
        EXPECT_GE(periods, 2);
        EXPECT_LE(periods, 4);
        ASSERT_EQ(int(output.plays().size()), ++played);
        const std::string last = output.plays().back();
        EXPECT_TRUE(last == "elephant1.wav@0" || last == "elephant2.wav@0") << last;
        EXPECT_EQ(manager.liveGroups(), Groups{calls});
    }
    manager.stopElephantSound(calls);
    output.runOut();
    for (int i = 0; i < 5; ++i)
        manager.serviceSoundGroups();
    EXPECT_EQ(int(output.plays().size()), played);
    EXPECT_TRUE(manager.liveGroups().empty());
}

TEST(VaelSoundManagerTest, GroupNumbersGoRoundPassingOverLiveOnes) {
    HeadlessAudioOutput output;
    VaelSoundManager manager(output, data);
    ASSERT_EQ(manager.startMovementSound(0), 0);
    for (int n = 1; n <= 32767; ++n) {
        manager.playBowShot();
        output.runOut();
        manager.serviceSoundGroups();
    }
    EXPECT_EQ(output.calls[output.calls.size() - 1].group, 32767);
    EXPECT_EQ(manager.liveGroups(), Groups{0});
    EXPECT_EQ(manager.startShockSound(0), 1); // 0 is still the march's
}

TEST(VaelSoundManagerTest, SwitchingSoundOffSilencesEverythingAtOnce) {
    HeadlessAudioOutput output;
    VaelSoundManager manager(output, data);
    manager.startMovementSound(0);
    manager.playBowShot();
    output.calls.clear();
    manager.setSoundEnabled(false);
    EXPECT_FALSE(manager.soundEnabled());
    EXPECT_TRUE(manager.liveGroups().empty());
    EXPECT_EQ(output.playingInGroup(0) + output.playingInGroup(1), 0);
    EXPECT_EQ(manager.startMovementSound(0), -1);
    EXPECT_EQ(manager.startShockSound(0), -1);
    EXPECT_EQ(manager.startElephantSound(), -1);
    manager.startSplashLoop();
    manager.playCheer();
    EXPECT_TRUE(output.plays().empty());
    manager.setSoundEnabled(true);
    manager.playCheer();
    EXPECT_EQ(output.plays(), Strings{"cheer.wav@2"});
}

TEST(VaelSoundManagerTest, SwitchingAmbientSoundOffStopsTheLoopsButNotTheEffects) {
    HeadlessAudioOutput output;
    VaelSoundManager manager(output, data);
    manager.startMovementSound(0);
    manager.playBowShot();
    manager.startSplashLoop();
    manager.startElephantSound();
    manager.setAmbientEnabled(false);
    EXPECT_FALSE(manager.ambientEnabled());
    EXPECT_EQ(manager.liveGroups(), Groups{1});
    EXPECT_EQ(output.playingInGroup(1), 1);
    EXPECT_EQ(manager.startMovementSound(0), -1);
    EXPECT_EQ(manager.startShockSound(0), -1);
    EXPECT_EQ(manager.startElephantSound(), -1);
    manager.startSplashLoop();
    manager.playSlingShot();
    EXPECT_EQ(output.plays().back(), "sling.wav@4");
    manager.setAmbientEnabled(true);
    EXPECT_EQ(manager.startMovementSound(0), 5);
}

TEST(VaelSoundManagerTest, TheVolumeGoesToTheOutputAtOnce) {
    struct Row {
        int percent, expected, output;
    };
    const Row rows[] = {{-1, 0, 0},    {0, 0, 0},       {1, 1, 1},      {50, 50, 64},
                        {99, 99, 126}, {100, 100, 128}, {101, 100, 128}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.percent);
        HeadlessAudioOutput output;
        VaelSoundManager manager(output, data);
        EXPECT_EQ(output.volume, 128); // full volume from the start
        manager.setVolume(row.percent);
        EXPECT_EQ(manager.volume(), row.expected);
        EXPECT_EQ(output.volume, row.output);
    }
}

TEST(VaelSoundManagerTest, ADamagedWaveIsRefusedOnceAndSilentAfterwards) {
    TempDir dir("sound-manager");
    std::filesystem::copy_file(data / "cheer.wav", dir / "cheer.wav");
    const std::string cutShort("RIFF\x10\0\0\0WAVEfmt ", 16);
    std::ofstream(dir / "bow.wav", std::ios::binary) << cutShort;
    HeadlessAudioOutput output;
    VaelSoundManager manager(output, dir.path());
    for (int i = 0; i < 3; ++i)
        manager.playBowShot();
    manager.playCheer();
    EXPECT_EQ(output.plays(), Strings{"cheer.wav@0"});
    EXPECT_EQ(manager.liveGroups(), Groups{0});
    ASSERT_EQ(manager.problems().size(), 1u);
    EXPECT_EQ(manager.problems()[0],
              "The wave \"bow.wav\" stays silent: " + (dir / "bow.wav").string() +
                  ": the wave file is cut short: it should hold 24 bytes but holds 16");
}

TEST(VaelSoundManagerTest, WithoutADeviceEveryCallIsSilent) {
    HeadlessAudioOutput output;
    output.noDevice = true;
    VaelSoundManager manager(output, data);
    for (const CallRow& row : callRows)
        row.call(manager);
    manager.playAnimalCall(13);
    manager.setVolume(30);
    manager.serviceSoundGroups();
    EXPECT_TRUE(manager.liveGroups().empty());
    EXPECT_EQ(output.calls.size(), 1u); // the one attempt to open
    EXPECT_EQ(manager.problems(), Strings{"No audio output (no audio device): the game plays without sound"});
}

TEST(VaelSoundManagerTest, TheInstalledManagerIsForgottenWhenItGoes) {
    {
        VaelSoundManager manager;
        VaelSoundManager::setInstance(&manager);
        EXPECT_EQ(VaelSoundManager::instance(), &manager);
        EXPECT_EQ(manager.startMovementSound(3), -1);
    }
    EXPECT_EQ(VaelSoundManager::instance(), nullptr);
}

} // namespace
} // namespace vael::test
