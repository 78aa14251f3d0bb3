#include "random_armies.h"

#include <algorithm>
#include <random>
#include <set>
#include <sstream>

#include "game/flow/prototype_key.h"
#include "game/flow/scenario_file.h"
#include "game/flow/unit_prototypes.h"
#include "tools/forge/scenario_writer.h"

namespace vael::battle::stress {

namespace {

// The demonstration battle's sides, groups, plans and leaders: the plans give their orders by group.
// The allies' nations fight for the side of their friends.
constexpr const char* header = R"(title Random armies
map %MAP%
note Test battle
group 1 Companions
group 2 RightPhalanx
group 3 LeftWing
group 4 Elephants
group 5 Archers
group 6 Horse
home 2 7 70
visitor 3 3 60
substitute 0 2
substitute 4 2
substitute 1 3
substitute 5 3
home-script ghatmar_h1.pln
home-script ghatmar_h2.pln
visitor-script ghatmar_v1.pln
visitor-script ghatmar_v2.pln
)";

constexpr const char* leaders[] = {
    "leader 2 10 1 %H1% 3 2 5 6 3 Vaelmoric the Bold",
    "leader 2 8 2 %H2% 3 1 4 4 2 Aristhon",
    "leader 2 8 3 %H3% 3 1 4 3 2 Melagor",
    "leader 3 8 4 %V1% 7 2 4 5 3 Tezhar III",
    "leader 3 8 5 %V2% 7 1 3 4 2 Rajavan",
    "leader 3 10 6 %V3% 7 1 4 4 2 Surendal",
};

void replace(std::string& text, const std::string& what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

} // namespace

const std::vector<KindRow>& catalogueRows() {
    // Missile codes: 1 arrows, 2 sling stones, 3 javelins, 4 bolts.
    static const std::vector<KindRow> rows = {
        {"phalanx", 2, "8 7 1", true, "Taxis"},
        {"hypaspist", 2, "5 7 0", false, "Shield Bearers"},
        {"hoplite", 2, "8 6 1", true, "Hoplite Phalanx"},
        {"hoplite", 2, "4 6 0", false, "Hoplites"},
        {"heavycav", 2, "5 7 0 0", false, "Companions"},
        {"heavycav", 2, "5 7 0 1", false, "Iron Riders"},
        {"lancer", 2, "5 7 0", false, "Lancers"},
        {"lightcav", 2, "3 6 0 1 0 0", false, "Horse Bowmen"},
        {"lightcav", 2, "3 6 0 3 0 0", false, "Scouts"},
        {"oxybele", 2, "2 5 0 4 0 0", false, "Bolt Engine"},
        {"lightinf", 2, "3 5 0 3 0 0", false, "Light Foot"},
        {"peltast", 2, "3 5 0 3 0 0", false, "Peltasts"},
        {"skirmisher", 2, "2 5 0 1 0 0", false, "Bowmen"},
        {"skirmisher", 2, "2 5 0 2 0 0", false, "Slingers"},
        {"skirmisher", 2, "2 5 0 3 0 0", false, "Darters"},
        {"skirmisher", 2, "2 5 0 3 0 0", false, "Agrian Darters"},
        {"hoplite", 0, "4 6 0", false, "Hill Hoplites"},
        {"lightcav", 0, "3 6 0 3 0 0", false, "Hill Riders"},
        {"peltast", 0, "3 5 0 3 0 0", false, "Hill Peltasts"},
        {"lightinf", 4, "3 5 0 3 0 0", false, "River Foot"},
        {"mediuminf", 4, "5 6 0 3 0 0", false, "River Warband"},
        {"heavycav", 1, "5 7 0 0", false, "Kin Riders"},
        {"heavycav", 1, "5 7 0 1", false, "Mailed Riders"},
        {"lancer", 1, "5 7 0", false, "Spear Riders"},
        {"lightcav", 1, "3 6 0 1 0 0", false, "Steppe Bowmen"},
        {"lightcav", 1, "3 6 0 3 0 0", false, "Steppe Darters"},
        {"chariot", 1, "3 5 0 3 0 0", false, "Scythe Cars"},
        {"elephant", 1, "4 6 0 3 0 0 0", false, "War Beast"},
        {"hoplite", 1, "8 6 1", true, "Hired Phalanx"},
        {"lightinf", 1, "6 5 1 3 0 0", true, "Kardakes"},
        {"lightinf", 1, "3 5 0 1 0 0", false, "Archers"},
        {"lightinf", 1, "3 5 0 3 0 0", false, "Javelin Foot"},
        {"mediuminf", 1, "5 6 0 3 0 0", false, "Shield Wall"},
        {"skirmisher", 1, "2 5 0 1 0 0", false, "Screen Bows"},
        {"skirmisher", 1, "2 5 0 2 0 0", false, "Screen Slings"},
        {"skirmisher", 1, "2 5 0 3 0 0", false, "Screen Darts"},
        {"elephant", 3, "4 6 0 3 0 0 0", false, "Elephant"},
        {"chariot", 3, "3 5 0 1 0 0", false, "Bow Cars"},
        {"lancer", 3, "5 7 0", false, "Lance Riders"},
        {"lightcav", 3, "3 6 0 3 0 0", false, "Ford Riders"},
        {"lightinf", 3, "3 5 0 1 0 0", false, "Longbowmen"},
        {"lightinf", 3, "3 5 0 3 0 0", false, "Hill Javelins"},
        {"heavycav", 5, "5 7 0 0", false, "Nomad Nobles"},
        {"lancer", 5, "5 7 0", false, "Nomad Lancers"},
        {"lightcav", 5, "3 6 0 1 0 0", false, "Nomad Bowmen"},
    };
    return rows;
}

bool isHomeRow(const KindRow& row) {
    return row.nation == 2 || row.nation == 0 || row.nation == 4;
}

std::vector<std::int16_t> displayTypes(const std::vector<KindRow>& rows) {
    std::string text = header;
    replace(text, "%MAP%", "any.map");
    for (const KindRow& row : rows)
        text += std::string(row.word) + " " + std::to_string(row.nation) + " 6 1 101 3 " + row.values + " " +
                row.name + "\n";
    const forge::Bytes bytes = forge::scenarioBytes(text, 0);
    ScenarioFile file;
    std::vector<std::int16_t> types(rows.size(), -1);
    if (!file.read(bytes.data(), bytes.size(), "rows.scn") || file.units.size() != rows.size()) return types;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ScenarioFile::UnitRecord& unit = file.units[i];
        remapLightCavalryMissiles(unit.kind, *unit.data);
        types[i] = choosePrototypeKey(unit.kind, *unit.data).key;
    }
    return types;
}

std::vector<KindRow> fieldedRows() {
    const std::vector<KindRow>& rows = catalogueRows();
    const std::vector<std::int16_t> types = displayTypes(rows);
    const std::set<std::int16_t> made(prototypeKeys().begin(), prototypeKeys().end());
    std::vector<KindRow> fielded;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (made.count(types[i])) fielded.push_back(rows[i]);
    return fielded;
}

std::string randomBattle(std::uint32_t seed, const Field& field, const std::vector<KindRow>& rows,
                         int unitsPerSide) {
    // The draws are the engine's raw numbers, the same on every standard library.
    std::mt19937 draw(seed);
    std::string text = header;
    replace(text, "%MAP%", field.map);
    std::set<int> taken;
    std::ostringstream units;
    std::vector<int> leaderHexes;
    for (bool home : {true, false}) {
        std::vector<const KindRow*> kinds;
        for (const KindRow& row : rows)
            if (isHomeRow(row) == home) kinds.push_back(&row);
        const int front = home ? field.homeFront : field.visitorFront;
        const int back = home ? field.homeBack : field.visitorBack;
        const int step = front <= back ? 1 : -1;
        // A two-hex unit's second hex is its right flank: the next row for the home side's facing, the
        // row before for the visitor's.
        const int flank = home ? 1 : -1;
        std::vector<int> slots;
        for (int column = front; column != back + step; column += step)
            for (int row = field.firstRow; row <= field.lastRow; ++row)
                slots.push_back(column * 100 + row);
        // Each side's leaders stand in its rearmost column, spread over its rows.
        for (int i = 0; i < 3; ++i) {
            const int hex = back * 100 + field.firstRow + (i * 2 + 1) * (field.lastRow - field.firstRow) / 6;
            taken.insert(hex);
            leaderHexes.push_back(hex);
        }
        std::size_t next = 0;
        for (int i = 0; i < unitsPerSide && !kinds.empty(); ++i) {
            const KindRow& kind = *kinds[draw() % kinds.size()];
            int hex = -1;
            while (next < slots.size() && hex < 0) {
                const int at = slots[next++];
                const int row = at % 100;
                const bool fits = !taken.count(at) && (!kind.twoHexes || (row + flank >= field.firstRow &&
                                                                          row + flank <= field.lastRow &&
                                                                          !taken.count(at + flank)));
                if (fits) hex = at;
            }
            if (hex < 0) break; // the zone is full
            taken.insert(hex);
            if (kind.twoHexes) taken.insert(hex + flank);
            const int group = (home ? 1 : 4) + i * 3 / unitsPerSide;
            units << kind.word << ' ' << kind.nation << " 6 " << group << ' ' << hex << ' ' << (home ? 3 : 7)
                  << ' ' << kind.values << ' ' << kind.name << ' ' << i + 1 << '\n';
        }
    }
    const char* marks[] = {"%H1%", "%H2%", "%H3%", "%V1%", "%V2%", "%V3%"};
    for (std::size_t i = 0; i < leaderHexes.size(); ++i) {
        std::string line = leaders[i];
        replace(line, marks[i], std::to_string(leaderHexes[i]));
        text += line + "\n";
    }
    return text + units.str();
}

} // namespace vael::battle::stress
