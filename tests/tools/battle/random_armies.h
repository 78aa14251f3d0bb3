#pragma once
// Battles of random armies for the stress run: every unit a scenario can name, both sides' nations and
// their allies, drawn at random into two armies on a field of a map, written as scenario text for the
// forge. Only the kinds the game can field today are drawn: a kind whose display type has no logical
// prototype yet would be left out with a failed check when the battle is loaded.
#include <cstdint>
#include <string>
#include <vector>

namespace vael::battle::stress {

// One unit kind as a scenario names it: its statement, nation code, the values of the kind and a name.
struct KindRow {
    const char* word;
    int nation; // the scenario file's nation code: 0 Greek, 1 Persian, 2 Macedonian, 3 Indian, ...
    const char* values;
    bool twoHexes;
    const char* name;
};

// Every fighting unit a scenario can name, one row for each display type it is shown as; the home side's
// rows first (Macedonians, Greeks, Danubians), then the visitor's (Persians, Indians, Scythians).
const std::vector<KindRow>& catalogueRows();
bool isHomeRow(const KindRow& row);

// The display type each row is made under (-1 when none), as the scenario reader chooses it.
std::vector<std::int16_t> displayTypes(const std::vector<KindRow>& rows);
// The rows whose display type the game can make a unit of.
std::vector<KindRow> fieldedRows();

// Where the armies stand: the home side (facing South-East) in its columns from the front backwards,
// the visitor (facing North-West) in its own, each on the rows given; the zones hold no ground a kind
// may not stand on.
struct Field {
    std::string map; // the logical map file's name in the data set
    int homeFront, homeBack, visitorFront, visitorBack, firstRow, lastRow;
};

// The scenario text of a battle of two armies of unitsPerSide units drawn with the seed from rows, with
// the demonstration battle's groups, leaders and plans.
std::string randomBattle(std::uint32_t seed, const Field& field, const std::vector<KindRow>& rows,
                         int unitsPerSide);

} // namespace vael::battle::stress
