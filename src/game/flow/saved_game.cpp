#include "game/flow/saved_game.h"

#include <fstream>
#include <iterator>

#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/super_string.h"
#include "game/flow/list_walk.h"
#include "game/flow/side_control.h"
#include "game/flow/vael_logical_layer.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELLOG3";
using namespace saved_game;

void writeName(SuperString& s, const std::string& name) {
    s << static_cast<std::uint16_t>(name.size());
    if (!name.empty()) s.write(name.data(), static_cast<std::int32_t>(name.size()));
}

bool readName(SuperString& s, std::string& name) {
    std::uint16_t n = 0;
    s >> n;
    if (s.failed() || n > s.remaining()) return s.setFailed(), false;
    name.assign(n, '\0');
    if (n) s.read(name.data(), n);
    return !s.failed();
}

bool readNumbers(SuperString& s, std::vector<std::uint16_t>& numbers) {
    std::uint16_t n = 0;
    s >> n;
    if (s.failed() || n * 2 > s.remaining()) return s.setFailed(), false;
    numbers.resize(n);
    for (std::uint16_t& v : numbers)
        s >> v;
    return !s.failed();
}

template <class T> void writeNumbers(SuperString& s, const List<T>& units) {
    s << static_cast<std::uint16_t>(units.count());
    for (const VaelUnit* unit : each(units))
        s << static_cast<std::uint16_t>(unit->getUnitNum());
}

// Every unit and leader of the battle in the file's order.
std::vector<VaelUnit*> savedUnits(VaelLogicalLayer& layer) {
    std::vector<VaelUnit*> units;
    for (Combat* unit : each(layer.getHomeUnits()))
        units.push_back(unit);
    for (Combat* unit : each(layer.getVisitorUnits()))
        units.push_back(unit);
    for (Leader* leader : each(layer.getLeaders()))
        units.push_back(leader);
    return units;
}

struct SavedCombat {
    std::vector<std::uint16_t> lists[5];
    std::uint16_t hex = 0xFFFF;
};

} // namespace

std::vector<std::uint8_t> saveLayerPart(VaelLogicalLayer& layer) {
    SuperString s;
    for (VaelUnit* unit : savedUnits(layer))
        unit->write(s);
    writeNumbers(s, layer.getComputerLeaders());
    ComputerOpponent* home = layer.getOpponent(false);
    ComputerOpponent* visitor = layer.getOpponent(true);
    const bool twoPlans = home && visitor;
    s << static_cast<std::uint8_t>((home ? HomeOpponent : 0) | (visitor ? VisitorOpponent : 0) |
                                   (twoPlans ? TwoPlans : 0));
    writeName(s, layer.getScriptFileName());
    if (twoPlans) writeName(s, layer.getHomePlanName());
    s << static_cast<std::uint16_t>(layer.combats().count());
    for (const CombatStruct& combat : each(layer.combats())) {
        writeNumbers(s, combat.attackers);
        writeNumbers(s, combat.defenders);
        // The leaders of each side and the moved flags: none are kept with a declared combat here.
        s << std::uint16_t(0) << std::uint16_t(0) << std::uint16_t(0);
        s << combat.hex;
    }
    if (GameControl* control = layer.getGameControl()) control->write(s);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.length()));
    if (!bytes.empty()) s.peek(bytes.data(), 0, s.length());
    return bytes;
}

bool SaveGame(VaelLogicalLayer& layer, const std::string& fileName, std::string& error) {
    std::fstream file(fileName, std::ios::in | std::ios::out | std::ios::binary);
    if (!file) return error = "cannot open " + fileName, false;
    file.seekp(0, std::ios::end);
    const auto end = static_cast<std::uint64_t>(file.tellp());
    if (end < OffsetField + 4 || end > 0xFFFFFFFFu) return error = fileName + " has no header to follow", false;
    const auto p = static_cast<std::uint32_t>(end);
    const std::uint8_t offset[4] = {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16),
                                    std::uint8_t(p >> 24)};
    file.seekp(OffsetField);
    file.write(reinterpret_cast<const char*>(offset), 4);
    file.seekp(p);
    const std::vector<std::uint8_t> part = saveLayerPart(layer);
    file.write(reinterpret_cast<const char*>(part.data()), static_cast<std::streamsize>(part.size()));
    if (!file) return error = "cannot write " + fileName, false;
    return true;
}

bool loadLayerPart(VaelLogicalLayer& layer, const std::vector<std::uint8_t>& file, std::string& error) {
    if (file.size() < OffsetField + 4) return error = "the saved game has no header", false;
    const std::uint32_t offset = file[8] | (file[9] << 8) | (file[10] << 16) | (std::uint32_t(file[11]) << 24);
    if (offset > file.size()) return error = "the saved game's part of the battle lies past its end", false;
    SuperString s;
    if (offset < file.size()) s.write(file.data() + offset, static_cast<std::int32_t>(file.size() - offset));

    // What the units hold now, to put back should the file fail half-way.
    const std::vector<VaelUnit*> units = savedUnits(layer);
    SuperString backup;
    for (VaelUnit* unit : units)
        unit->write(backup);
    GameControl* control = layer.getGameControl();
    SuperString controlBackup;
    if (control) control->write(controlBackup);

    VaelUnit* selected = nullptr;
    std::vector<std::uint16_t> computer;
    std::uint8_t flags = 0;
    std::string plan, homePlan;
    std::vector<SavedCombat> combats;
    bool ok = true;
    for (VaelUnit* unit : units) {
        if (!(ok = unit->read(s))) break;
        if (!selected && unit->isSelected()) selected = unit;
    }
    if (ok) ok = readNumbers(s, computer);
    if (ok) {
        s >> flags;
        ok = !s.failed() && flags < 8 && readName(s, plan) && (!(flags & TwoPlans) || readName(s, homePlan));
    }
    std::uint16_t combatCount = 0;
    if (ok) {
        s >> combatCount;
        ok = !s.failed();
    }
    for (std::uint16_t i = 0; ok && i < combatCount; ++i) {
        SavedCombat combat;
        for (auto& list : combat.lists)
            if (!(ok = readNumbers(s, list))) break;
        if (ok) {
            s >> combat.hex;
            ok = !s.failed();
        }
        combats.push_back(std::move(combat));
    }
    if (ok && control) ok = control->read(s);
    if (!ok) {
        for (VaelUnit* unit : units)
            unit->read(backup);
        if (control) control->read(controlBackup);
        return error = "the saved game is cut short or does not belong to this battle", false;
    }

    List<Leader*>& local = layer.getLocalLeaders();
    List<Leader*>& computerLeaders = layer.getComputerLeaders();
    local.clear();
    computerLeaders.clear();
    for (Leader* leader : each(layer.getLeaders())) {
        leader->initLocalLeader();
        local.append(leader);
    }
    for (std::uint16_t number : computer) {
        Leader* leader = layer.findLeader(number);
        Assertion::check(leader != nullptr, "Unit does not previously exist", sourceFile, __LINE__);
        if (!leader || computerLeaders.contains(leader)) continue;
        leader->setComputerControlled();
        computerLeaders.append(leader);
    }
    disconnectEliteInitiative(layer);
    registerEliteInitiative(layer);
    layer.setOpponent(false, nullptr);
    layer.setOpponent(true, nullptr);
    layer.setScriptFileName(plan);
    layer.setHomePlanName(homePlan);
    debugStream() << "The A/I file full path is " << planPath(plan) << std::endl;
    if (flags & VisitorOpponent) {
        debugStream() << "The visitor side is playing the A/I." << std::endl;
        createOpponent(layer, true, plan);
    }
    if (flags & HomeOpponent) {
        debugStream() << "The home side is playing the A/I." << std::endl;
        createOpponent(layer, false, (flags & TwoPlans) ? homePlan : plan);
    }
    if (selected) selected->UnitSelected(static_cast<std::int16_t>(selected->getHex()));
    for (const SavedCombat& saved : combats) {
        CombatStruct combat;
        for (std::uint16_t n : saved.lists[0])
            if (Combat* unit = layer.findCombatUnit(n)) combat.attackers.append(unit);
        for (std::uint16_t n : saved.lists[1])
            if (Combat* unit = layer.findCombatUnit(n)) combat.defenders.append(unit);
        combat.hex = saved.hex;
        // A combat whose units the battle no longer holds on one side has nobody to fight.
        if (!combat.attackers.isEmpty() && !combat.defenders.isEmpty()) layer.combats().append(combat);
    }
    return true;
}

bool LoadGame(VaelLogicalLayer& layer, const std::string& fileName, std::string& error) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return error = "cannot open " + fileName, false;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return loadLayerPart(layer, bytes, error);
}

namespace {

template <bool Save> ContainerBase* onSavedGame(Component* target, BusMessage, ContainerBase* data) {
    auto* layer = dynamic_cast<VaelLogicalLayer*>(target);
    Assertion::check(layer != nullptr, BadPayloadMessage, sourceFile, __LINE__);
    if (!layer) return nullptr;
    callWithPayload<std::string>(data, sourceFile, __LINE__, [&](const std::string& file) {
        std::string error;
        if (!(Save ? SaveGame(*layer, file, error) : LoadGame(*layer, file, error)))
            debugStream() << (Save ? "SaveGame: " : "LoadGame: ") << error << std::endl;
    });
    return nullptr;
}

} // namespace

void connectSavedGame(VaelLogicalLayer& layer) {
    layer.connectNamed("SaveGame", onSavedGame<true>);
    layer.connectNamed("LoadGame", onSavedGame<false>);
}

} // namespace vael
