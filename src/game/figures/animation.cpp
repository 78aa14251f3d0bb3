// The animation step of a display object, its turns, a figure walking off the map, and the directions in
// which the figures of a beaten unit flee.
#include <iostream>
#include <utility>

#include "framework/core/answer.h"
#include "framework/core/bus.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/sprite_calls.h"
#include "game/figures/vael_physical_object.h"
#include "game/map/vael_sprite.h"
#include "game/map/vael_sprite_event.h"

namespace vael {

namespace {

// The union of two boxes where an empty one adds nothing.
Box joined(const Box& a, const Box& b) {
    if (a.w <= 0 || a.h <= 0) return b;
    if (b.w <= 0 || b.h <= 0) return a;
    return a | b;
}

std::string eventName(std::int32_t id) {
    if (id >= 0 && id < NumBusEvents) return Bus::eventName(id);
    return RegisteredMessage::nameOf(static_cast<std::uint16_t>(id));
}

// The direction shown half way through a turn from one facing to another.
std::int32_t inBetween(std::int32_t from, std::int32_t to) {
    switch (from) {
    case 1:
        return to == 2 ? 2 : 8;
    case 2:
        return to == 4 ? 3 : 1;
    case 3:
        return 3;
    case 4:
        return to == 2 ? 3 : 5;
    case 5:
        return to == 6 ? 6 : 4;
    case 6:
        return to == 8 ? 7 : 5;
    case 7:
        return 7;
    case 8:
        return to == 6 ? 7 : 1;
    default:
        return to;
    }
}

using RankRow = std::array<std::int8_t, 9>;
const RankRow MountedRanks[] = {
    {9, 3, 4, 5, 9, 9, 9, 2, 1}, {9, 1, 2, 4, 9, 9, 9, 5, 3}, {9, 3, 1, 2, 9, 9, 9, 5, 4},
    {9, 6, 8, 7, 5, 3, 1, 2, 4}, {9, 8, 6, 4, 2, 1, 3, 5, 7}, {9, 6, 4, 2, 1, 3, 5, 7, 8},
    {9, 1, 6, 9, 9, 5, 4, 2, 3}, {9, 1, 3, 2, 4, 5, 9, 9, 6},
};
const RankRow ChariotRanks[] = {
    {9, 1, 6, 9, 9, 5, 4, 2, 3},
    {9, 1, 3, 2, 4, 5, 9, 9, 6},
    {9, 1, 2, 4, 9, 9, 9, 5, 3},
};
const RankRow PhalanxRanks[] = {
    {9, 3, 4, 9, 9, 9, 9, 1, 2}, {9, 1, 3, 9, 9, 9, 9, 9, 2}, {9, 1, 3, 9, 9, 9, 9, 9, 2},
    {9, 1, 2, 9, 9, 9, 9, 9, 3}, {9, 2, 1, 9, 9, 9, 9, 9, 3}, {9, 2, 3, 9, 9, 9, 9, 9, 1},
    {9, 1, 3, 9, 9, 9, 9, 9, 2}, {9, 1, 3, 9, 9, 9, 9, 9, 2}, {9, 1, 2, 9, 9, 9, 9, 9, 3},
    {9, 3, 2, 1, 9, 9, 9, 9, 4}, {9, 5, 6, 9, 9, 3, 2, 1, 4}, {9, 4, 5, 9, 9, 1, 2, 9, 3},
    {9, 4, 5, 9, 3, 1, 2, 9, 6}, {9, 4, 3, 9, 2, 1, 9, 9, 5}, {9, 4, 3, 9, 2, 1, 9, 9, 5},
    {9, 4, 5, 9, 9, 2, 1, 9, 3}, {9, 4, 5, 9, 9, 1, 2, 9, 3}, {9, 4, 6, 9, 3, 1, 2, 9, 5},
    {9, 3, 4, 9, 2, 1, 9, 9, 6}, {9, 5, 4, 1, 3, 2, 9, 9, 6},
};
const RankRow OtherRanks[] = {
    {9, 3, 4, 9, 9, 9, 9, 1, 2}, {9, 1, 3, 9, 9, 9, 9, 9, 2}, {9, 1, 2, 9, 9, 9, 9, 9, 3},
    {9, 3, 2, 1, 9, 9, 9, 9, 4}, {9, 4, 5, 9, 9, 9, 2, 1, 3}, {9, 4, 5, 9, 9, 1, 2, 9, 3},
    {9, 4, 3, 9, 2, 1, 9, 9, 5}, {9, 4, 3, 1, 2, 9, 9, 9, 5},
};

} // namespace

bool VaelPhysicalObject::stepInto(Sprite* sprite, std::int32_t now, Box dirty[3], bool any[3]) {
    // Most steps are a game sprite's: its boxes are taken without a list made and freed on every tick.
    if (auto* game = dynamic_cast<VaelSprite*>(sprite); game && game->updatesByStep()) {
        Box stepped[VaelSprite::Levels];
        if (!game->step(now, stepped)) return false;
        for (int level = 0; level < 3; ++level) {
            dirty[level] = any[level] ? joined(dirty[level], stepped[level]) : stepped[level];
            any[level] = true;
        }
        return true;
    }
    std::unique_ptr<Container<List<Box>>> boxes(sprite->update(now));
    auto* levels = dynamic_cast<ZoomBoxes*>(boxes.get());
    if (!boxes || boxes->valuePtr()->count() == 0) return false;
    for (int level = 0; level < 3; ++level) {
        const List<Box>* list = levels ? &levels->level(level) : (level == 0 ? boxes->valuePtr() : nullptr);
        if (!list) continue;
        Item<Box>* it = nullptr;
        for (list->firstItem(it); it; it = it->next) {
            dirty[level] = any[level] ? joined(dirty[level], it->value) : it->value;
            any[level] = true;
        }
    }
    return true;
}

void VaelPhysicalObject::stepAll(List<Sprite*>& list, std::int32_t now, Box dirty[3], bool any[3]) {
    Item<Sprite*>* it = nullptr;
    list.firstItem(it);
    while (it) {
        Item<Sprite*>* next = it->next;
        if (!stepInto(it->value, now, dirty, any)) list.removeItem(it);
        it = next;
    }
}

void VaelPhysicalObject::startHead(bool watched) {
    Item<LogicalCommandInfo>* head = nullptr;
    if (!commands_.firstItem(head)) return;
    handleEvent(head->value);
    if (head->value.command != 0 && watched) {
        Container<short> me(getId());
        dropAnswer(queryNamed(msg::PhysicalObjectMoving, &me));
    }
}

void VaelPhysicalObject::finishHead(bool watched) {
    Item<LogicalCommandInfo>* head = nullptr;
    if (!commands_.firstItem(head)) return;
    // Finished from here on: a game saved while it is told keeps the command as played.
    headFinishing_ = true;
    commandFinished(head->value);
    const BusMessage reply = head->value.replyEvent;
    if (watched && reply.id() != 0)
        debugStream() << "Posting Return Notification: " << eventName(reply.id()) << std::endl;
    if (watched) send(reply, head->value.extra.get());
    commands_.removeFirst();
    headFinishing_ = false;
    tellIfStill(watched);
}

void VaelPhysicalObject::tellIfStill(bool watched) {
    if (commands_.isEmpty() && watched) {
        Container<short> me(getId());
        dropAnswer(queryNamed(msg::PhysicalObjectNotMoving, &me));
    }
}

void VaelPhysicalObject::finishLoadedHead() {
    if (std::exchange(headFinishedAtSave_, false)) tellIfStill(isWatched());
}

void VaelPhysicalObject::catchUp(std::int32_t now, Box dirty[3], bool any[3]) {
    // A view on screen ticks fast enough to keep up, and its animations play as they come.
    if (layer_ && layer_->viewMode() == layer_->layerId()) return;
    if (commands_.count() <= QuietBacklog) return;
    const bool watched = isWatched();
    Item<LogicalCommandInfo>* it = nullptr;
    for (commands_.firstItem(it); it; it = it->next)
        if (!isQuiet(it->value)) return;
    Item<LogicalCommandInfo>* head = nullptr;
    while (commands_.firstItem(head)) {
        // The head may have started on an earlier tick; it goes on where it is.
        if (activeSprites_.isEmpty()) startHead(watched);
        // Flag events take no time, so a few steps play them out; whatever still runs is left to the
        // ticks to come, as any command's animations are.
        for (int step = 0; step < CatchUpSteps && !activeSprites_.isEmpty(); ++step)
            stepAll(activeSprites_, now, dirty, any);
        if (!activeSprites_.isEmpty()) return;
        finishHead(watched);
    }
}

ZoomBoxes* VaelPhysicalObject::updateLevels(std::int32_t now) {
    // A save taken inside the step (the logical side runs its queue within the object's questions) tells
    // by this whether the object had stepped.
    struct Step {
        Stepping& stage;
        Stepping before;
        ~Step() { stage = before; }
    } step{stepping_, std::exchange(stepping_, Stepping::Playing)};
    Box dirty[3];
    bool any[3] = {false, false, false};
    std::unique_ptr<ZoomBoxes> result;
    if (flagRaised_ && flag_ && Flag::isAnimated()) {
        result.reset(flag_->update(now));
        if (result->level(0).count() == 0) flagRaised_ = 0;
    } else {
        result = std::make_unique<ZoomBoxes>();
    }

    stepAll(looseSprites_, now, dirty, any);
    catchUp(now, dirty, any);

    Item<LogicalCommandInfo>* head = nullptr;
    if (commands_.firstItem(head)) {
        const bool watched = isWatched();
        const bool played = head->value.order != 0 && head->value.order == playedWaiting_;
        if (activeSprites_.isEmpty() && !played) startHead(watched);
        stepAll(activeSprites_, now, dirty, any);
        if (activeSprites_.isEmpty()) {
            // A walk played to its end whose end may not be told yet stands where it ended, its command
            // still the head, until the walks given before it have ended.
            if (watched && layer_ && layer_->walkEndWaits(head->value, this)) {
                playedWaiting_ = head->value.order;
                for (int level = 0; level < 3; ++level)
                    result->level(level).append(dirty[level]);
                return result.release();
            }
            playedWaiting_ = 0;
            stepping_ = Stepping::Ending;
            finishHead(watched);
            // The figures moved on this tick too: their boxes go out with it, or their last pictures
            // would stay on the map. The object goes quiet on the next tick.
            for (int level = 0; level < 3; ++level)
                result->level(level).append(dirty[level]);
            return result.release();
        }
    }

    if (commands_.isEmpty() && !flagRaised_ && activeSprites_.isEmpty() && looseSprites_.isEmpty()) {
        Container<short> me(getId());
        stepping_ = Stepping::Ending;
        dropAnswer(query(PHYSICAL_OBJECT_DEACTIVATED, &me));
    }
    for (int level = 0; level < 3; ++level)
        result->level(level).append(dirty[level]);
    return result.release();
}

Container<Box>* VaelPhysicalObject::update(std::int32_t now) {
    std::unique_ptr<ZoomBoxes> levels(updateLevels(now));
    Box full;
    if (levels) levels->level(0).first(full);
    return new Container<Box>(full);
}

std::int16_t VaelPhysicalObject::turnRate() {
    return turnFacing_ == 3 || turnFacing_ == 7 ? 130 : 83;
}

void VaelPhysicalObject::changeFacing(LogicalCommandInfo& command, std::int16_t animate) {
    DIRECTION newFacing = NoDirection;
    if (!Container<DIRECTION>::fromMessage(command.payload.get(), newFacing)) return;
    if (keepFacing(newFacing)) {
        debugStream() << TracePrefix << "Saving A Change Facing" << std::endl;
        return;
    }
    flagStale_ = 1;
    if (newFacing == facing_ || newFacing < 1 || newFacing > 8) return;
    if (!traits().leader && flag_) {
        flag_->moveTo(flagLocation_, 1);
        activeSprites_.append(flag_.get());
    }
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        VaelSprite* s = figure(i);
        if (!s || !isEntryClear(i)) continue;
        const auto slot = static_cast<std::size_t>(figureSlot_[i]);
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        turnFacing_ = inBetween(facing_, newFacing);
        const Point3D place = slot < slotOffsets_.size() ? slotOffsets_[slot][newFacing] : Point3D();
        std::int32_t duration = 0;
        if (animate) duration = (turnFacing_ == 3 || turnFacing_ == 7 ? 50000 : 20000) / turnRate();
        List<FrameInfo> frames;
        if (traits().turnsInPlace) {
            frames.append(FrameInfo("Standing", static_cast<std::int16_t>(turnFacing_ - 1)));
            duration = 0;
        } else {
            const auto group = static_cast<std::int16_t>(turnFacing_ - 1);
            const std::int16_t count = images_.hasGroupIndex(group) ? images_.imageCount(group) : 0;
            for (std::int16_t k = 0; k < count; ++k)
                frames.append(FrameInfo(DirectionGroups[turnFacing_], k));
        }
        const std::int16_t depth = slot < slotDepths_.size() ? slotDepths_[slot][newFacing] : -1;
        sprite_calls::addSoundEvent(*s, SoundStartMovement, static_cast<std::uint16_t>(unitKind_));
        sprite_calls::addFrameEvent(*s, region(), Point4D(place, duration), frames, depth, SpriteMove, 0);
        sprite_calls::addSoundEvent(*s, SoundStopMovement, static_cast<std::uint16_t>(unitKind_));
        sprite_calls::addFrameEvent(
            *s, region(), Point4D(),
            sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(newFacing - 1)), -1,
            SpriteAnimateOnce, 0);
    }
    facing_ = newFacing;
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i)
        if (Sprite* s = sprite(i); s && isEntryClear(i)) activeSprites_.append(s);
}

void VaelPhysicalObject::walkOff(std::int16_t figureIndex, const List<FrameInfo>& frames) {
    if (VaelSprite* s = figure(figureIndex)) walkSpriteOff(*s, frames);
}

void VaelPhysicalObject::walkSpriteOff(VaelSprite& sprite, const List<FrameInfo>& frames) {
    VaelFigureLandscape* land = layer_ ? layer_->landscape(0) : nullptr;
    if (!land) return;
    std::int16_t flag = 0;
    const List<short> line = land->exitLineForBattle(region(), flag);
    if (line.count() == 0) return;
    const DirectionOffsets* record = nullptr;
    if (walkingData_ && walkingData_->selectGroup("Foot") >= 0 && walkingData_->itemCount() > 0 &&
        facing_ >= 1 && facing_ <= 8) {
        walkingData_->setCurrentItem(0);
        if (FacingOffsets* item = walkingData_->item(-1, -1)) record = &item->facings[facing_];
    }
    const float factor = flag ? 0.5f : 1.5f;
    Item<short>* it = nullptr;
    line.firstItem(it);
    for (; it && it->next; it = it->next) {
        const std::int16_t from = it->value, to = it->next->value;
        const std::int32_t d = facingToward(from, to);
        turnFacing_ = d;
        if (from == to || !record || d < 1 || d > 8) continue;
        const HexOffsets& level = record->entries[d].variants[0];
        const auto first = static_cast<std::int32_t>(static_cast<std::int32_t>(level.durations[0]) * factor);
        const auto second = static_cast<std::int32_t>(static_cast<std::int32_t>(level.durations[1]) * factor);
        sprite_calls::addFrameEvent(sprite, to, Point4D(level.waypoints[0], first), frames, -1, SpriteMove,
                                    0);
        sprite_calls::addFrameEvent(sprite, to, Point4D(record->home, second), frames, -1, SpriteMove, 0);
    }
    sprite_calls::addPlainEvent(sprite, SpriteHide);
}

void VaelPhysicalObject::chooseFigureDirections(const std::int16_t allowed[9], std::int32_t* out) {
    const RankRow* table = OtherRanks;
    std::size_t rows = std::size(OtherRanks);
    if (traits().ranks == CombatRanks::Mounted)
        table = MountedRanks, rows = std::size(MountedRanks);
    else if (traits().ranks == CombatRanks::Chariots)
        table = ChariotRanks, rows = std::size(ChariotRanks);
    else if (traits().ranks == CombatRanks::Phalanx)
        table = PhalanxRanks, rows = std::size(PhalanxRanks);
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        if (!isEntryClear(i)) continue;
        out[i] = 0;
        // A figure the table has no row for stays where it is rather than read past the table.
        if (static_cast<std::size_t>(i) >= rows) continue;
        const RankRow& rank = table[i];
        for (int d = 1; d <= 8; ++d)
            if (allowed[d] && rank[static_cast<std::size_t>(d)] < rank[static_cast<std::size_t>(out[i])])
                out[i] = d;
    }
}

} // namespace vael
