// An elephant's rampage on its victims: while the layer prepares it, a victim's moves and turns are kept
// instead of shown; when the elephant reaches the victim, its losses are shown as a cohesion hit and its
// kept moves are played, the kept turns before the last of them.
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/vael_physical_object.h"
#include "game/flow/shock_records.h"

namespace vael {

namespace {

LogicalCommandInfo quietCommand(BusMessage event, ContainerBase* payload) {
    return LogicalCommandInfo(0, payload, 0, event, BusMessage(0), new Container<short>(0));
}

BusMessage named(const char* name) {
    return BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(name)));
}

} // namespace

void VaelPhysicalObject::saveAPath() {
    ++savedPathCount_;
    debugStream() << TracePrefix << "In SaveAPath: " << savedPathCount_ << " so far" << std::endl;
}

bool VaelPhysicalObject::keepPath(const List<short>& path) {
    if (savedPathCount_ <= 0) return false;
    savedPaths_.append(path);
    --savedPathCount_;
    return true;
}

bool VaelPhysicalObject::keepFacing(DIRECTION facing) {
    if (savedPathCount_ <= 0) return false;
    savedFacings_.append(facing);
    return true;
}

void VaelPhysicalObject::rampageCasualty(std::int16_t hits) {
    debugStream() << TracePrefix << "In rampage casualty: " << hits << std::endl;
    MethodOfDeathStruct hit;
    hit.percent = static_cast<std::int16_t>(hits + casualtyPercent_);
    hit.method = 3;
    hit.unitNumber = -1;
    queueCommand(quietCommand(named(msg::CohesionHit), new Container<MethodOfDeathStruct>(hit)));
}

void VaelPhysicalObject::rampageMove(std::int16_t count) {
    debugStream() << TracePrefix << "In rampage move: " << count << std::endl;
    for (std::int16_t i = 0; i < count; ++i) {
        List<short> path;
        // More moves asked for than were kept: the rest would walk nowhere and replay the turns again.
        if (!savedPaths_.removeFirst(path)) break;
        if (savedPaths_.count() == 0) {
            debugStream() << TracePrefix << "Last saved path" << std::endl;
            if (savedAboutFaces_ > 0) {
                debugStream() << TracePrefix << "There are " << savedAboutFaces_ << " saved AFs" << std::endl;
                queueCommand(quietCommand(named(msg::AboutFace), new Container<short>(0)));
                savedAboutFaces_ = 0;
            }
            debugStream() << TracePrefix << "There are " << savedFacings_.count() << " saved CFs"
                          << std::endl;
            Item<DIRECTION>* it = nullptr;
            for (savedFacings_.firstItem(it); it; it = it->next)
                queueCommand(
                    quietCommand(BusMessage(CHANGE_UNIT_FACING), new Container<DIRECTION>(it->value)));
            // Played once: the next rampage must not turn the unit again.
            savedFacings_.clear();
        }
        debugStream() << TracePrefix << "Using a saved path" << std::endl;
        queueCommand(quietCommand(BusMessage(LOGICAL_OBJECT_MOVED), new Container<List<short>>(path)));
    }
}

} // namespace vael
