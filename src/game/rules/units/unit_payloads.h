#pragma once
// The payload records that units send and receive about turning, moving, withdrawing and their
// surroundings. Plain records with the widths that travel between machines.
#include <cstdint>
#include <memory>

#include "framework/core/hex_codes.h"
#include "framework/core/list.h"
#include "framework/core/type_name.h"

namespace vael {

class VaelUnit;

// The kind of a finished move.
enum MOVE_RESULT : std::int32_t { NO_MOVE = 0, OW_MOVE = 1, NORMAL = 2, ZOC_MOVE = 3 };

// Payload of "ChangeFacing": sense 1 anticlockwise, 2 clockwise.
struct ChangeFacingStruct {
    std::uint32_t sense = 0;
    std::uint32_t unused = 0;
    std::uint16_t numTurns = 0;
    std::uint16_t unitNumber = 0;
};

// Payload of "MovementDone": the kind is 1 for a move that ended at a withdrawal, 2 for any other.
struct MoveReturnStruct {
    std::uint32_t kind = 0;
    std::uint16_t unitNumber = 0;
};

// What the best-path search answers: the kind of move, the last hex of the path and the facing toward the
// destination.
struct BestPathResult {
    MOVE_RESULT result = NO_MOVE;
    std::uint16_t lastHex = noHex;
    std::uint32_t facing = 0;
};

// One unit that may withdraw from an approaching unit: its bus id, the number of its nearest leader, the
// approacher's two hexes and the kind of approach.
struct OWStruct {
    std::uint16_t unitId = 0xFFFF;
    std::uint16_t leader = 0xFFFF;
    std::uint16_t approacherHex = 0xFFFF;
    std::uint16_t approacherSecondHex = 0xFFFF;
    std::uint16_t kind = 0xFFFF;

    bool operator==(const OWStruct& o) const {
        return unitId == o.unitId && leader == o.leader && approacherHex == o.approacherHex &&
               approacherSecondHex == o.approacherSecondHex && kind == o.kind;
    }
};

// Payload of "OWResolved": whether the unit withdrew, and its hex before it did.
struct ResolveOWStruct {
    std::uint16_t withdrew = 0;
    std::uint16_t hex = 0xFFFF;
};

// Payload of "EndOWSegment": whether any unit withdrew, and the approaching unit (not owned).
struct EndOWStruct {
    std::uint16_t happened = 0;
    VaelUnit* unit = nullptr;
};

// Payload of "InZOC".
struct ZOCStructure {
    std::uint16_t hex = 0xFFFF;
    std::uint32_t nation = 0;
};

// Payload of "AttemptRefaceFromCharge": the charger's hex and the movement points it spent.
struct RefaceFromChargeStruct {
    std::uint16_t hex = 0xFFFF;
    std::uint16_t spent = 0;
    std::uint16_t unused = 0xFFFF;
};

// Payload of "UnitInCommandRange".
struct UnitInCommandRangeStruct {
    std::uint16_t leaderNumber = 0;
    std::uint16_t hex = 0xFFFF;
};

// Payload of "LegalUnits": the active side and the hexes of the units its leader may order. Every unit
// handles it and the bus hands each handler its own copy of the payload, so the hexes are shared, read
// only, rather than copied once per unit.
struct PossibleMoveData {
    std::uint32_t nation = 0;
    std::shared_ptr<const List<short>> hexes;
};

VAEL_TYPE_NAME(ChangeFacingStruct, "ChangeFacingStruct");
VAEL_TYPE_NAME(MoveReturnStruct, "MoveReturnStruct");
VAEL_TYPE_NAME(OWStruct, "OWStruct");
VAEL_TYPE_NAME(ResolveOWStruct, "ResolveOWStruct");
VAEL_TYPE_NAME(EndOWStruct, "EndOWStruct");
VAEL_TYPE_NAME(ZOCStructure, "ZOCStructure");
VAEL_TYPE_NAME(RefaceFromChargeStruct, "RefaceFromChargeStruct");
VAEL_TYPE_NAME(UnitInCommandRangeStruct, "UnitInCommandRangeStruct");
VAEL_TYPE_NAME(PossibleMoveData, "PossibleMoveData");
// "NearestLeader" asks about a unit by its address; it never leaves the machine.
VAEL_TYPE_NAME(const VaelUnit*, "const VaelUnit *");

} // namespace vael
