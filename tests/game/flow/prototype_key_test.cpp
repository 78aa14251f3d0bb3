#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "game/flow/prototype_key.h"
#include "game/rules/combat/combat_unit_data.h"
#include "game/rules/combat/missile_capable_unit_data.h"
#include "game/rules/leaders/leader_unit_data.h"

namespace vael {
namespace {

struct Row {
    int kind;
    std::uint32_t nation;
    const char* name;
    std::uint32_t missileType; // as the record holds it after reading
    std::int16_t twoHexes, cataphract;
    int key;
    const char* message;
};

// The record as the scenario file holds the kind: a leader's, heavy cavalry's, a missile unit's or a plain
// fighting unit's.
std::unique_ptr<VaelUnitData> recordOf(const Row& row) {
    const bool plain = row.kind == 6 || row.kind == 9 || row.kind == 14 || row.kind == 15 || row.kind == 19;
    std::unique_ptr<VaelUnitData> record(row.kind == 0   ? static_cast<VaelUnitData*>(new LeaderUnitData)
                                         : row.kind == 2 ? new HeavyCavUnitData
                                         : plain         ? new CombatUnitData
                                                         : new MissileCapableUnitData);
    if (auto* fighting = dynamic_cast<CombatUnitData*>(record.get())) fighting->doubleSized = row.twoHexes;
    if (auto* cavalry = dynamic_cast<HeavyCavUnitData*>(record.get())) cavalry->cataphract = row.cataphract;
    if (auto* missile = dynamic_cast<MissileCapableUnitData*>(record.get()))
        missile->missileType = row.missileType;
    record->nation = row.nation, record->name = row.name;
    return record;
}

TEST(PrototypeKey, ChosenByKindNationAndTheRecordsFlags) {
    const Row rows[] = {
        {0, 1, "Vaelmoric", 0, 0, 0, 0, nullptr},
        {0, 1, "Old Vaelmoric the Bold", 0, 0, 0, 0, nullptr},
        {0, 1, "vaelmoric", 0, 0, 0, 4, nullptr},
        {0, 2, "Tezhar III", 0, 0, 0, 7, nullptr},
        {0, 6, "Tezhar III", 0, 0, 0, 7, nullptr},
        {0, 2, "Tezhar III the Great", 0, 0, 0, 5, nullptr},
        {0, 2, "Tezhar II", 0, 0, 0, 5, nullptr},
        {0, 3, "Tezhar III", 0, 0, 0, 35, nullptr},
        {0, 4, "Leon", 0, 0, 0, 6, nullptr},
        {0, 5, "Leon", 0, 0, 0, 6, nullptr},
        {0, 7, "Leon", 0, 0, 0, -1, "That leader is not put in yet."},
        {1, 1, "Bolts", 8, 0, 0, 38, nullptr},
        {17, 1, "Bolts", 8, 0, 0, 38, nullptr},
        {17, 2, "Bolts", 8, 0, 0, -1, "Oxybele's only belong to the Macedonians"},
        {2, 1, "Horse", 0, 0, 0, 8, nullptr},
        {2, 1, "Horse", 0, 0, 1, 44, nullptr},
        {2, 2, "Horse", 0, 0, 0, 12, nullptr},
        {2, 2, "Horse", 0, 0, 1, 41, nullptr},
        {2, 6, "Horse", 0, 0, 1, 12, nullptr},
        {2, 3, "Horse", 0, 0, 0, -1, "That nation's HC is not available."},
        {3, 1, "Riders", 6, 0, 0, 16, nullptr},
        {3, 1, "Riders", 7, 0, 0, 19, nullptr},
        {3, 1, "Riders", 3, 0, 0, -1, "That Light Cav missile type not in yet"},
        {3, 2, "Riders", 6, 0, 0, 26, nullptr},
        {3, 6, "Riders", 7, 0, 0, 25, nullptr},
        {3, 6, "Riders", 3, 0, 0, -1, "That Light Cav missile type not in yet"},
        {3, 3, "Riders", 7, 0, 0, 39, nullptr},
        {3, 3, "Riders", 6, 0, 0, -1, "Only Indian Light Cav (Javelin) are allowed"},
        {3, 4, "Riders", 7, 0, 0, 34, nullptr},
        {3, 4, "Riders", 6, 0, 0, -1, "Only Greek Cavalry (Javelin) are allowed"},
        {3, 5, "Riders", 7, 0, 0, -1, "Invalid nation in Light Cav"},
        {4, 2, "Chariots", 1, 0, 0, 22, nullptr},
        {4, 3, "Chariots", 1, 0, 0, 23, nullptr},
        {4, 1, "Chariots", 1, 0, 0, -1, "That nation's Chariot is not in yet."},
        {5, 2, "Elephants", 4, 0, 0, 24, nullptr},
        {5, 3, "Elephants", 4, 0, 0, 40, nullptr},
        {5, 1, "Elephants", 4, 0, 0, -1, "That nation's Elephant is not in yet."},
        {6, 1, "Hoplites", 0, 1, 0, 18, nullptr},
        {14, 4, "Hoplites", 0, 0, 0, 31, nullptr},
        {14, 4, "Hoplites", 0, 1, 0, 18, nullptr},
        {6, 4, "Hoplites", 0, 0, 0, 31, nullptr},
        {14, 3, "Hoplites", 0, 0, 0, -1, "That nation's hoplites are not in"},
        {6, 2, "Hoplites", 0, 0, 0, 31, nullptr},
        {6, 3, "Hoplites", 0, 0, 0, -1, "That nation's hoplites are not in"},
        {7, 1, "Foot", 3, 0, 0, 20, nullptr},
        {7, 2, "Foot", 3, 1, 0, 43, nullptr},
        {7, 2, "Foot", 1, 0, 0, 15, nullptr},
        {7, 2, "Foot", 4, 0, 0, 14, nullptr},
        {7, 2, "Foot", 3, 0, 0, -1, "Unrecognized missile type in Persian LI"},
        {7, 3, "Foot", 1, 0, 0, 36, nullptr},
        {7, 3, "Foot", 4, 0, 0, 37, nullptr},
        {7, 3, "Foot", 3, 0, 0, -1, "Unrecognized missile type in Indian LI"},
        {7, 4, "Foot", 4, 0, 0, 21, nullptr},
        {7, 4, "Foot", 1, 0, 0, -1, "Unrecognized missile type in Greek Peltast"},
        {7, 5, "Foot", 1, 0, 0, 32, nullptr},
        {7, 6, "Foot", 1, 0, 0, -1, "That nation's LI is not in yet."},
        {8, 2, "Foot", 1, 0, 0, 11, nullptr},
        {8, 5, "Foot", 1, 0, 0, 33, nullptr},
        {8, 1, "Foot", 1, 0, 0, -1, "That nation's MI is not in yet."},
        {9, 1, "Lances", 0, 0, 0, 9, nullptr},
        {9, 6, "Lances", 0, 0, 0, 27, nullptr},
        {9, 3, "Lances", 0, 0, 0, 28, nullptr},
        {9, 4, "Lances", 0, 0, 0, -1, "That nation's Lancer is not available."},
        {10, 1, "Bows", 1, 0, 0, 10, nullptr},
        {10, 1, "Slings", 3, 0, 0, 29, nullptr},
        {10, 1, "Agrianes", 4, 0, 0, 42, nullptr},
        {10, 1, "Javelins", 4, 0, 0, 2, nullptr},
        {10, 1, "Bolts", 8, 0, 0, -1, "Unrecognized missile type"},
        {10, 2, "Bows", 1, 0, 0, 15, nullptr},
        {10, 2, "Slings", 3, 0, 0, 30, nullptr},
        {10, 2, "Javelins", 4, 0, 0, 13, nullptr},
        {10, 3, "Bows", 1, 0, 0, -1, "Unrecognized nation"},
        {15, 1, "Guards", 0, 0, 0, 3, nullptr},
        {15, 2, "Guards", 0, 0, 0, -1, "That nation's Hypaspist is not available."},
        {18, 1, "Peltasts", 4, 0, 0, 20, nullptr},
        {18, 4, "Peltasts", 4, 0, 0, 21, nullptr},
        {18, 1, "Peltasts", 1, 0, 0, -1, "Unrecognized missile type in Macedonian Peltast"},
        {18, 4, "Peltasts", 3, 0, 0, -1, "Unrecognized missile type in Greek Peltast"},
        {18, 2, "Peltasts", 4, 0, 0, -1, "Unrecognized nation in Peltast"},
        {19, 1, "Taxis", 0, 1, 0, 17, nullptr},
        {19, 2, "Taxis", 0, 1, 0, -1, "A Phalanx must be a Macedonian"},
        {11, 1, "Nobody", 0, 0, 0, -1, "Undefined unit in VLL::readUnits(...)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("kind " + std::to_string(row.kind) + " nation " + std::to_string(row.nation) + " " +
                     row.name + " type " + std::to_string(row.missileType));
        const auto record = recordOf(row);
        const PrototypeKey key = choosePrototypeKey(static_cast<std::uint8_t>(row.kind), *record);
        EXPECT_EQ(key.key, row.key);
        EXPECT_STREQ(key.message, row.message);
    }
}

TEST(PrototypeKey, LightCavalryArrowsAndJavelinsBecomeItsOwnTypes) {
    const std::pair<std::uint32_t, std::uint32_t> rows[] = {{1, 6}, {3, 3}, {4, 7}, {8, 8}};
    for (const auto& [stored, kept] : rows) {
        for (std::uint8_t kind : {3, 7}) {
            SCOPED_TRACE(std::to_string(stored) + " kind " + std::to_string(kind));
            MissileCapableUnitData record;
            record.missileType = stored;
            remapLightCavalryMissiles(kind, record);
            EXPECT_EQ(record.missileType, kind == 3 ? kept : stored);
        }
    }
}

} // namespace
} // namespace vael
