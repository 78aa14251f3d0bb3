#include "game/net/net_payloads.h"

#include <string>

#include "framework/core/bus_event.h"
#include "framework/core/list.h"
#include "framework/core/registered_message.h"
#include "framework/core/type_info.h"
#include "game/net/net_message_names.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/combat/missile_fire_struct.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

template <class F> void eachTally(EndOfGameResults& v, F&& f) {
    for (std::int16_t* field : {&v.homeLostTQ, &v.visitorLostTQ, &v.homeTQLimit, &v.visitorTQLimit,
                                &v.homeRoutedTQ, &v.visitorRoutedTQ, &v.homeRouting, &v.visitorRouting,
                                &v.homeEliminated, &v.visitorEliminated, &v.homeUnits, &v.visitorUnits})
        f(*field);
}

template <class... T> bool boxOf(const ContainerBase* data) {
    return (... || (dynamic_cast<const Container<T>*>(data) != nullptr));
}

// The messages the other machine may send whose handlers here read a payload, with the types they take.
struct Needs {
    const char* name; // null for a numbered built-in event
    std::int32_t number;
    bool (*fits)(const ContainerBase*);
};

const Needs needs[] = {
    {nullptr, BEGIN_GAME, boxOf<short, unsigned short>},
    {msg::EliteInitiative, 0, boxOf<unsigned short, short>},
    {msg::ActivateLeader, 0, boxOf<unsigned short>},
    {msg::EndOfTurn, 0, boxOf<EndOfGameResults>},
    {msg::EndOfGame, 0, boxOf<EndOfGameResults>},
    {msg::GameEnded, 0, boxOf<short>},
    {msg::ChangeMainCaption, 0, boxOf<std::string>},
    {msg::SynchronizeGame, 0, boxOf<std::string>},
    {msg::CanAttemptMomentum, 0, boxOf<short, unsigned short>},
    {msg::UnitMovementDone, 0, boxOf<unsigned short>},
    {msg::SetPlayerInfo, 0, boxOf<PlyrInfo>},
    {msg::PlayerDeleted, 0, boxOf<std::string>},
    {msg::LeaderActivated, 0, boxOf<std::string>},
    {msg::UnitRouted, 0, boxOf<UnitRoutData>},
    {msg::UnitRallied, 0, boxOf<UnitRoutData>},
    {msg::UnitEliminated, 0, boxOf<EliminateUnitData>},
    {msg::UnitLossSealed, 0, boxOf<EliminateUnitData>},
    {msg::AddCommentary, 0, boxOf<std::string>},
};

} // namespace

bool carriesWhatItNeeds(BusMessage event, const ContainerBase* data) {
    const std::int32_t id = event.id();
    const std::string name =
        id >= 0 && id <= 0xFFFF ? RegisteredMessage::nameOf(static_cast<std::uint16_t>(id)) : std::string();
    for (const Needs& row : needs)
        if (row.name ? !name.empty() && name == row.name : row.number == id) return row.fits(data);
    return true;
}

SuperString& operator<<(SuperString& s, const EndOfGameResults& v) {
    s << static_cast<unsigned int>(v.winner) << static_cast<unsigned int>(v.homeNation)
      << static_cast<unsigned int>(v.visitorNation) << v.homeName << v.visitorName;
    EndOfGameResults copy = v;
    eachTally(copy, [&s](std::int16_t& field) { s << static_cast<short>(field); });
    return s;
}

SuperString& operator>>(SuperString& s, EndOfGameResults& v) {
    unsigned int winner = 0, home = 0, visitor = 0;
    s >> winner >> home >> visitor >> v.homeName >> v.visitorName;
    v.winner = winner, v.homeNation = home, v.visitorNation = visitor;
    eachTally(v, [&s](std::int16_t& field) {
        short value = 0;
        s >> value;
        field = value;
    });
    return s;
}

SuperString& operator<<(SuperString& s, const PlyrInfo& v) {
    return s << v.name << v.leaders;
}

SuperString& operator>>(SuperString& s, PlyrInfo& v) {
    return s >> v.name >> v.leaders;
}

SuperString& operator<<(SuperString& s, const BattleStateStruct& v) {
    s << static_cast<unsigned int>(v.bytes.size());
    if (!v.bytes.empty()) s.write(v.bytes.data(), static_cast<std::int32_t>(v.bytes.size()));
    return s;
}

SuperString& operator>>(SuperString& s, BattleStateStruct& v) {
    unsigned int length = 0;
    s >> length;
    v.bytes.clear();
    if (s.failed() || length > static_cast<unsigned int>(s.remaining())) {
        s.setFailed();
        return s;
    }
    v.bytes.resize(length);
    if (length > 0) s.read(v.bytes.data(), static_cast<std::int32_t>(length));
    return s;
}

SuperString& operator<<(SuperString& s, const MethodOfDeathStruct& v) {
    return s << static_cast<short>(v.percent) << static_cast<unsigned int>(v.method)
             << static_cast<short>(v.unitNumber);
}

SuperString& operator>>(SuperString& s, MethodOfDeathStruct& v) {
    short percent = 0, unit = 0;
    unsigned int method = 0;
    s >> percent >> method >> unit;
    v.percent = percent, v.method = method, v.unitNumber = unit;
    return s;
}

SuperString& operator<<(SuperString& s, const CombatInfo& v) {
    return s << v.attackers << v.defenders << v.deaths;
}

SuperString& operator>>(SuperString& s, CombatInfo& v) {
    return s >> v.attackers >> v.defenders >> v.deaths;
}

SuperString& operator<<(SuperString& s, const MoveReturnStruct& v) {
    return s << static_cast<unsigned int>(v.kind) << static_cast<unsigned short>(v.unitNumber);
}

SuperString& operator>>(SuperString& s, MoveReturnStruct& v) {
    unsigned int kind = 0;
    unsigned short unit = 0;
    s >> kind >> unit;
    v.kind = kind, v.unitNumber = unit;
    return s;
}

void registerNetPayloadTypes() {
    TypeInfo<short> shorts;
    TypeInfo<unsigned short> unsignedShorts;
    TypeInfo<unsigned int> unsignedInts;
    TypeInfo<long> longs;
    TypeInfo<std::string> strings;
    TypeInfo<EndOfGameResults> results;
    TypeInfo<PlyrInfo> players;
    TypeInfo<UnitRoutData> routs;
    TypeInfo<EliminateUnitData> eliminations;
    TypeInfo<BattleStateStruct> states;
    // What the display commands the other machine is shown carry, with the reply each keeps for the
    // acting machine: a box inside a command is written through its record like any other.
    TypeInfo<List<short>> paths;
    TypeInfo<unsigned char> aboutFaces;
    TypeInfo<DIRECTION> facings;
    TypeInfo<MoveReturnStruct> moves;
    TypeInfo<MissileDebrisStruct> volleys;
    TypeInfo<MethodOfDeathStruct> deaths;
    TypeInfo<List<MethodOfDeathStruct>> deathLists;
    TypeInfo<CombatInfo> combats;
}

} // namespace vael
