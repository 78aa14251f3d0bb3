// The pictures of a unit's dead, chosen by what killed them, and what is left to do once the animations of
// a command are over: fallen figures go into the ground for good, the sound lead passes to a figure still
// standing, a destroyed unit leaves its last casualty behind, and a leader's flags go up again.
#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/sprite_calls.h"
#include "game/figures/vael_physical_object.h"
#include "game/rules/roll.h"

namespace vael {

namespace {

const char* causeGroup(std::int32_t cause) {
    switch (cause) {
    case 1:
        return "Shock";
    case 2:
        return "Arrow";
    case 3:
        return "Trample";
    default:
        return "General";
    }
}

bool isEvent(const LogicalCommandInfo& command, const char* name) {
    return command.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(name));
}

} // namespace

FrameInfo VaelPhysicalObject::playCasualty(VaelPhysicalObject& object, const std::string& suffix) {
    OIF<Bitmap>& art = object.images_;
    const std::string general = "General" + suffix;
    if (!art.hasGroup(general)) return FrameInfo();
    art.selectGroup(general);
    if (object.casualtyCause_ == 0) return FrameInfo();
    const std::int16_t c = art.findGroup(causeGroup(object.casualtyCause_) + suffix);
    const std::int16_t nc = c >= 0 ? art.imageCount(c) : 0;
    const std::int16_t g = art.findGroup(general);
    const std::int16_t ng = art.imageCount(g);
    if (nc + ng == 0) return FrameInfo();
    // A cause's own pictures and the general ones share the draw by how many each group has.
    const int r = Roll::shown() % (nc + ng);
    const std::int16_t group = r < nc ? c : g;
    const auto image = static_cast<std::int16_t>(r < nc ? r : r - nc);
    art.selectGroupIndex(group);
    art.setCurrentFrame(image);
    return FrameInfo(art.currentGroupName(), image);
}

void VaelPhysicalObject::commandFinished(LogicalCommandInfo& command) {
    VaelFigureLandscape* ground = layer_ ? layer_->landscape(0) : nullptr;
    if (isEvent(command, msg::CombatAnimate) || isEvent(command, msg::CombatDontAnimate) ||
        isEvent(command, msg::CohesionHit) || isEvent(command, msg::UnitEliminated)) {
        for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
            VaelSprite* s = figure(i);
            if (!s || fallenState(i) != 1) continue;
            s->setGroup(0);
            s->setState(1);
            fallen_[static_cast<std::size_t>(i)] = 2;
            sprites_[i] = nullptr;
            // The ground owns the figure from now on; without one it would be lost, so it is deleted.
            if (ground)
                ground->addGroundSprite(s);
            else
                delete s;
        }
        if (layer_ && layer_->layerId() == 0) {
            VaelSprite* first = nullptr;
            bool led = false;
            for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
                VaelSprite* s = figure(i);
                if (!s) continue;
                if (!first) first = s;
                if (sprite_calls::isSoundLead(*s)) led = true;
            }
            if (!led && first) sprite_calls::setSoundLead(*first, true);
        }
        return;
    }
    const std::int32_t id = command.event.id();
    if (id == LOGICAL_OBJECT_MOVED && casualtyPercent_ >= 100) {
        casualtyCause_ = 4;
        const FrameInfo f = playCasualty(*this, "");
        if (f.index != -1 && !slotOffsets_.empty()) {
            auto* dead = new VaelSprite(region(), slotOffsets_[0][facing_], f, Sprite::NoLayer, this,
                                        DrawPlain, nullptr, nullptr, nullptr, 0);
            announce(dead);
            List<FrameInfo> frames;
            frames.append(f);
            sprite_calls::addFrameEvent(*dead, -1, Point4D(), frames, 0, SpriteAnimateOnce, 0);
            sprite_calls::addPlainEvent(*dead, SpriteShow);
            walkSpriteOff(*dead, frames);
            looseSprites_.append(dead);
            dead->setState(1);
            if (ground)
                ground->addGroundSprite(dead);
            else
                looseSprites_.remove(dead), delete dead;
        }
    }
    if ((id == LOGICAL_OBJECT_MOVED || id == CHANGE_UNIT_FACING) && traits().leader && flagRaised_ &&
        Flag::isAnimated()) {
        const auto raise = static_cast<std::int32_t>(RegisteredMessage::getId(msg::RaiseFlags));
        queueCommand(LogicalCommandInfo(0, new Container<short>(0), 0, BusMessage(raise), BusMessage(0),
                                        new Container<short>(0)));
    }
}

} // namespace vael
