#pragma once
// Test support: puts a display object into the state a run of the logical side's commands (or a saved
// game) would have left it in, without playing those commands first.
#include <cstdint>

#include "game/figures/vael_physical_object.h"

namespace vael::test {

struct FigureStatePeer {
    static void setCasualtyPercent(VaelPhysicalObject& o, std::int16_t percent) {
        o.setCasualtyPercent(percent);
    }
    static void setCasualtyCause(VaelPhysicalObject& o, std::int32_t cause) { o.setCasualtyCause(cause); }
    static void setFallenCount(VaelPhysicalObject& o, std::int16_t count) { o.setFallenCount(count); }
    static void setLeaderGroup(VaelPhysicalObject& o, std::int16_t group) { o.setLeaderGroup(group); }
    static void setEliminated(VaelPhysicalObject& o, std::int16_t eliminated) { o.eliminated_ = eliminated; }
    static void setFlagRaised(VaelPhysicalObject& o, std::int16_t raised) { o.flagRaised_ = raised; }
    // An object whose formation gave no drawing depths, as one built before they were kept.
    static void dropSlotDepths(VaelPhysicalObject& o) { o.slotDepths_.clear(); }
};

} // namespace vael::test
