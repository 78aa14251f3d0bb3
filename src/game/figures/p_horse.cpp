#include "game/figures/p_horse.h"

#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/sprite_calls.h"
#include "game/rules/roll.h"

namespace vael {

PHorse::PHorse(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
               std::int16_t region, std::int32_t facing, std::int32_t kind, std::uint16_t delayedStart)
    : VaelPhysicalObject(normalName, halfName, quarterName, region, facing), delayedStart_(delayedStart) {
    setSurvivors(0);
    setKind(static_cast<DisplayKind>(kind));
}

VaelPhysicalObject* PHorse::clone(std::int16_t region, std::int32_t facing) const {
    return new PHorse(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), region, facing,
                      unitKind(), delayedStart_);
}

void PHorse::setupAnimations() {
    buildSingleFigureFormation();
    // Nothing of the debris shows until the fall that leaves it has been seen.
    if (VaelSprite* s = figure(static_cast<std::int16_t>(spriteCount_ - 1))) s->hide();
}

void PHorse::waitHidden(VaelSprite& s) {
    if (!delayedStart_) return;
    for (int i = 0; i < 7; ++i)
        sprite_calls::addPlainEvent(s, SpriteHide);
    const Point3D home = slotCount() == 0 ? Point3D() : slotOffsets(0)[facing()];
    sprite_calls::addFrameEvent(s, region(), Point4D(home, 1300 + Roll::shown() % 1000),
                                sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1)),
                                -1, SpriteMove, 0);
}

void PHorse::handleEvent(LogicalCommandInfo& command) {
    const std::int32_t id = command.event.id();
    VaelSprite* s = figure(0);
    if (s && id == static_cast<std::int32_t>(RegisteredMessage::getId(msg::CohesionHit))) {
        waitHidden(*s);
        VaelPhysicalObject::handleEvent(command);
        sprite_calls::addPlainEvent(*s, SpriteShow);
        return;
    }
    if (s && id == LOGICAL_OBJECT_MOVED) {
        waitHidden(*s);
        sprite_calls::addPlainEvent(*s, SpriteShow);
        VaelPhysicalObject::handleEvent(command);
        // The runaway is gone at the end of its run.
        sprite_calls::addPlainEvent(*s, SpriteHide);
        return;
    }
    VaelPhysicalObject::handleEvent(command);
}

} // namespace vael
