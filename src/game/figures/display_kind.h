#pragma once
// The display kind of a unit's display object: the code the display catalogue gives each display type,
// which decides how its figures stand, fight, fall and carry a flag. Its numbers are the catalogue's and
// the saved games', not the rules' unit types (3 is the phalanx here, medium infantry there). What a kind
// means to the figures is its row of traits; the code asks the traits, never the number.
#include <cstdint>

namespace vael {

enum class DisplayKind : std::int32_t {
    LightFoot = 0,
    MediumFoot = 1,
    HeavyFoot = 2,
    Phalanx = 3,
    Leader = 4,
    SecondLeader = 5, // the leader class's second kind
    King = 6,
    Chariot = 7,
    LightHorse = 8,
    Lancers = 9,
    Cataphracts = 10,
    Companions = 11,
    HeavyHorse = 12,
    Elephant = 13,
    BoltThrower = 14,
    Cardaces = 15,
};

inline constexpr int DisplayKindCount = 16;

// Which table places a unit's figures in a combat.
enum class CombatRanks : std::uint8_t { Others, Mounted, Chariots, Phalanx };
// Which frames a figure plays in its combat strokes.
enum class CombatStrokes : std::uint8_t { Foot, Mounted, Phalanx };
// Where a routing figure drops its spear.
enum class SpearDrop : std::uint8_t { Foot, Mounted, Phalanx };

struct DisplayKindTraits {
    // A leader: his own figure waves his flag, and he has no cloth flag of the unit's.
    bool leader;
    // Horsemen: a fallen rider leaves his horse, figures may rear, no shield is dropped.
    bool mounted;
    // A fallen front figure's place is taken by the one behind it.
    bool closesRanks;
    // Rears when struck (the horsemen and the elephant).
    bool rears;
    // Tramples the figures in its path while rampaging.
    bool rampages;
    // A fallen crew may leave its wrecked chariot (one in four).
    bool leavesWreck;
    // Throws its javelins on foot even when the class is mounted.
    bool throwsOnFoot;
    // Turns in place without the turning frames (the engine is turned, not walked).
    bool turnsInPlace;
    // The barded horse is what a fallen rider leaves.
    bool armouredHorse;
    CombatRanks ranks;
    CombatStrokes strokes;
    SpearDrop spear;
};

// One row per kind, in the kind's order.
inline constexpr DisplayKindTraits DisplayKindTable[DisplayKindCount] = {
    // leader mounted closes rears  rampages wreck  onFoot inPlace barded ranks strokes spear
    {false, false, true, false, false, false, false, false, false, CombatRanks::Others, CombatStrokes::Foot,
     SpearDrop::Foot}, // LightFoot
    {false, false, true, false, false, false, false, false, false, CombatRanks::Others, CombatStrokes::Foot,
     SpearDrop::Foot}, // MediumFoot
    {false, false, true, false, false, false, false, false, false, CombatRanks::Others, CombatStrokes::Foot,
     SpearDrop::Foot}, // HeavyFoot
    {false, false, true, false, false, false, false, false, false, CombatRanks::Phalanx,
     CombatStrokes::Phalanx, SpearDrop::Phalanx}, // Phalanx
    {true, false, true, false, false, false, false, false, false, CombatRanks::Others, CombatStrokes::Foot,
     SpearDrop::Foot}, // Leader
    {true, false, true, false, false, false, false, false, false, CombatRanks::Others, CombatStrokes::Foot,
     SpearDrop::Foot}, // SecondLeader
    {true, false, true, false, false, false, false, false, false, CombatRanks::Others, CombatStrokes::Foot,
     SpearDrop::Foot}, // King
    {false, false, false, false, false, true, true, false, false, CombatRanks::Chariots, CombatStrokes::Foot,
     SpearDrop::Foot}, // Chariot
    {false, true, true, true, false, false, false, false, false, CombatRanks::Mounted, CombatStrokes::Mounted,
     SpearDrop::Mounted}, // LightHorse
    {false, true, true, true, false, false, false, false, false, CombatRanks::Mounted, CombatStrokes::Mounted,
     SpearDrop::Mounted}, // Lancers
    {false, true, true, true, false, false, false, false, true, CombatRanks::Mounted, CombatStrokes::Mounted,
     SpearDrop::Mounted}, // Cataphracts
    {false, true, true, true, false, false, false, false, false, CombatRanks::Mounted, CombatStrokes::Mounted,
     SpearDrop::Mounted}, // Companions
    {false, true, true, true, false, false, false, false, false, CombatRanks::Mounted, CombatStrokes::Mounted,
     SpearDrop::Mounted}, // HeavyHorse
    {false, false, false, true, true, false, false, false, false, CombatRanks::Chariots, CombatStrokes::Foot,
     SpearDrop::Foot}, // Elephant
    {false, false, false, false, false, false, false, true, false, CombatRanks::Others, CombatStrokes::Foot,
     SpearDrop::Foot}, // BoltThrower
    {false, false, true, false, false, false, false, false, false, CombatRanks::Phalanx, CombatStrokes::Foot,
     SpearDrop::Foot}, // Cardaces
};

// The traits of a kind; a code outside the catalogue's range reads as light foot, which has none of the
// special ones.
inline const DisplayKindTraits& traitsOf(DisplayKind kind) {
    const auto k = static_cast<std::int32_t>(kind);
    return DisplayKindTable[k >= 0 && k < DisplayKindCount ? k : 0];
}

} // namespace vael
