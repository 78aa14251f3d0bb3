// How the block shows the commands it plays itself: each of them moves both its hexes and all twenty
// soldiers together, files of the first hex and files of the front hex along their own paths.
#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/hex_map.h"
#include "game/figures/p_phalanx.h"
#include "game/figures/sprite_calls.h"
#include "game/rules/random_number_generator.h"

namespace vael {

namespace {

List<short> pathOf(const LogicalCommandInfo& command) {
    List<short> path;
    if (const auto* box = dynamic_cast<const Container<List<short>>*>(command.payload.get()))
        path = *box->valuePtr();
    return path;
}

bool is(const LogicalCommandInfo& command, const char* name) {
    return command.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(name));
}

std::int32_t wrapFacing(std::int32_t f) {
    return ((f - 1) % 8 + 8) % 8 + 1;
}

} // namespace

void PPhalanx::handleEvent(LogicalCommandInfo& command) {
    if (is(command, msg::AboutFace)) return aboutFace();
    if (is(command, msg::TerminalRout)) return terminalRout(pathOf(command));
    if (is(command, msg::RestoreCohesion)) {
        short percent = 0;
        Container<short>::fromMessage(command.payload.get(), percent);
        return restoreCohesion(percent);
    }
    if (is(command, msg::CombatAnimate))
        return combatLosses(pathOf(command), static_cast<std::int16_t>(command.value));
    if (is(command, msg::UnitTeleport)) return teleport(pathOf(command));
    if (command.event.id() == static_cast<std::int32_t>(LOGICAL_OBJECT_MOVED)) return march(pathOf(command));
    VaelPhysicalObject::handleEvent(command);
}

void PPhalanx::showFlag() {
    if (!flag()) return;
    flag()->show();
    activeSprites_.append(flag());
}

void PPhalanx::placeFlag(bool changeRegion) {
    if (!flag()) return;
    flag()->moveTo(flagLocation(), 1);
    if (changeRegion) flag()->changeRegion(region());
    activeSprites_.append(flag());
}

void PPhalanx::aboutFace() {
    showFlag();
    const std::int32_t newFacing = wrapFacing(facing() + 4);
    List<FrameInfo> frames;
    const bool own = images_.hasGroup("ABOUTFACE");
    for (std::int32_t step = 0; step <= 4; ++step) {
        const std::int32_t f = wrapFacing(facing() + step);
        const FrameInfo frame =
            own ? FrameInfo("ABOUTFACE", static_cast<std::int16_t>(f - 1)) : FrameInfo(DirectionGroups[f], 0);
        for (int k = 0; k < 3; ++k)
            frames.append(frame);
    }
    frames.append(FrameInfo("Standing", static_cast<std::int16_t>(newFacing - 1)));
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        VaelSprite* s = figure(i);
        if (!s || !isEntryClear(i)) continue;
        sprite_calls::addFrameEvent(*s, 0, Point4D(), frames, -1, SpriteAnimateOnce, 0);
        if (figureSlot(i) >= 0) setFigureSlot(i, static_cast<short>(Soldiers - 1 - figureSlot(i)));
        activeSprites_.append(s);
    }
    std::swap(primaryHex_, frontHex_);
    // The object's hex is always the block's first hex, so the regions and the saved record agree.
    setRegion(primaryHex_);
    setFacing(newFacing);
}

void PPhalanx::terminalRout(const List<short>& path) {
    placeFlag(false);
    if (!images_.hasGroup("StandingR")) return;
    const List<short> front = hexesAhead(path);
    WalkingAnimationData* walking = walkingData();
    const bool haveWalk = walking && walking->selectGroup("Phalanx") >= 0;
    setAnimationGroup(images_.findGroup("RoutN"));
    VaelFigureLandscape* land = layer() ? layer()->landscape(0) : nullptr;
    Item<short>* second = nullptr;
    path.firstItem(second);
    if (second) second = second->next;
    const std::int32_t away = second ? facingToward(region(), second->value) : facing();
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        VaelSprite* s = figure(i);
        if (!s || !isEntryClear(i)) continue;
        const std::int16_t j = figureSlot(i);
        const std::int16_t h = static_cast<std::int16_t>(s->region());
        const DirectionOffsets* record = nullptr;
        if (haveWalk && j >= 0 && j < walking->itemCount()) {
            walking->setCurrentItem(j);
            if (FacingOffsets* item = walking->item(-1, -1)) record = &item->facings[facing()];
        }
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        if (inTerminalRout() == 0) {
            if (images_.hasGroup("DropN")) {
                const auto group = static_cast<std::int16_t>(images_.findGroup("DropN") + facing() - 1);
                List<FrameInfo> drop;
                if (images_.hasGroupIndex(group)) {
                    images_.selectGroupIndex(group);
                    const std::string name = images_.currentGroupName();
                    const std::int16_t n = images_.imageCount(group);
                    for (std::int16_t k = 0; k < n; ++k)
                        for (int twice = k + 1 < n ? 2 : 1; twice > 0; --twice)
                            drop.append(FrameInfo(name, k));
                }
                sprite_calls::addFrameEvent(*s, h, Point4D(), drop, -1, SpriteAnimateOnce, 0);
            }
            const struct {
                VaelSprite* gear;
                int pauses;
            } dropped[3] = {{setupSpear(j), 5}, {setupShield(j), 5}, {setupHelmet(j, away), 15}};
            for (const auto& d : dropped) {
                if (d.gear) queueDroppedGear(*d.gear, d.pauses);
            }
        }
        sprite_calls::addSoundEvent(*s, SoundStartMovement, static_cast<std::uint16_t>(unitKind()));
        if (land && record)
            walkHexPath(j, *s, h == primaryHex_ ? path : front, *land, *record, 1,
                        inTerminalRout() == 0 ? 1 : 0);
        activeSprites_.append(s);
    }
    short last = 0;
    if (path.last(last)) {
        setRegion(last);
        primaryHex_ = last;
        front.last(last);
        frontHex_ = last;
    }
    markFlagStale();
    markTerminalRout();
}

void PPhalanx::restoreCohesion(std::int16_t percent) {
    markFlagStale();
    placeFlag(false);
    const std::int16_t count = static_cast<std::int16_t>(spriteCount_);
    const std::int16_t p = percent > 100 ? 100 : percent < 0 ? 0 : percent;
    setCasualtyPercent(p);
    const auto target = static_cast<std::int16_t>((count - survivors()) * p / 100);
    for (std::int16_t shown = fallenCount(); shown > target; --shown) {
        std::int16_t slot = -1;
        for (std::int16_t i = 0; i < count && slot < 0; ++i)
            if (!sprite(i)) slot = i;
        // More losses counted than empty places in the table: nobody is left to come back.
        if (slot < 0) break;
        std::int16_t row = -1;
        for (std::int16_t r = 0; r < count && row < 0; ++r) {
            bool held = false;
            for (std::int16_t i = 0; i < count; ++i)
                if (sprite(i) && isEntryClear(i) && figureSlot(i) == r) held = true;
            if (!held) row = r;
        }
        if (row < 0 || static_cast<std::size_t>(row) >= slotCount()) continue;
        setFigureSlot(slot, row);
        auto* s = new VaelSprite(hexOfRow(row), slotOffsets(row)[facing()],
                                 FrameInfo("Standing", static_cast<std::int16_t>(facing() - 1)),
                                 Sprite::NoLayer, this, DrawPlain, nullptr, nullptr, nullptr, 0);
        sprites_[slot] = s;
        setFallen(slot, false);
        Container<Sprite*> box(s);
        dropAnswer(query(SPRITE_CREATED, &box));
    }
    const List<FrameInfo> standing =
        sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1));
    for (std::int16_t i = 0; i < count; ++i) {
        VaelSprite* s = figure(i);
        const auto row = static_cast<std::size_t>(figureSlot(i));
        if (!s || !isEntryClear(i) || row >= slotCount()) continue;
        sprite_calls::addFrameEvent(*s, static_cast<std::int16_t>(s->region()),
                                    Point4D(slotOffsets(row)[facing()], 0), standing, -1, SpriteMove, 0);
        activeSprites_.append(s);
    }
    setFallenCount(target);
}

std::vector<bool> PPhalanx::pickFallen(std::int16_t target, const std::vector<std::int32_t>& enemy) {
    const std::int16_t count = static_cast<std::int16_t>(spriteCount_);
    std::vector<bool> picked(static_cast<std::size_t>(count), false);
    RandomNumberGenerator dice(static_cast<std::uint16_t>(region()));
    for (std::int16_t c = fallenCount(); c < target; ++c) {
        auto open = [&](std::int16_t i) {
            return sprite(i) && isEntryClear(i) && !picked[static_cast<std::size_t>(i)];
        };
        std::int16_t engaged = 0;
        for (std::int16_t i = 0; i < count; ++i)
            if (open(i) && enemy[static_cast<std::size_t>(i)] != 0) ++engaged;
        const std::int32_t r = dice.percent();
        const std::int32_t left = count - c;
        if (engaged == 0 && left <= 0) continue;
        const std::int32_t step = engaged > 0 ? 100 / engaged : 100 / left;
        std::int32_t sum = step;
        for (std::int16_t i = 0; i < count; ++i) {
            if (!open(i) || (engaged > 0 && enemy[static_cast<std::size_t>(i)] == 0)) continue;
            if (sum > r) {
                picked[static_cast<std::size_t>(i)] = true;
                break;
            }
            sum += step;
        }
    }
    return picked;
}

void PPhalanx::combatLosses(const List<short>& enemies, std::int16_t advanceFirst) {
    const std::int16_t count = static_cast<std::int16_t>(spriteCount_);
    std::int16_t sides[2][9] = {};
    Item<short>* it = nullptr;
    for (enemies.firstItem(it); it; it = it->next) {
        const std::int16_t hexes[2] = {primaryHex_, frontHex_};
        for (int k = 0; k < 2; ++k)
            if (HexMap::isAdjacent(hexes[k], it->value)) {
                const std::int32_t toward = facingToward(hexes[k], it->value);
                if (toward >= 1 && toward <= 8) sides[k][wrapFacing(toward - (facing() - 1))] = 1;
            }
    }
    std::vector<std::int32_t> byFirst(static_cast<std::size_t>(count), 0), bySecond(byFirst), enemy(byFirst);
    chooseFigureDirections(sides[0], byFirst.data());
    chooseFigureDirections(sides[1], bySecond.data());
    for (std::int16_t i = 0; i < count; ++i)
        if (VaelSprite* s = figure(i); s && isEntryClear(i))
            enemy[static_cast<std::size_t>(i)] =
                static_cast<std::int16_t>(s->region()) == frontHex_ && frontHex_ != primaryHex_
                    ? bySecond[static_cast<std::size_t>(i)]
                    : byFirst[static_cast<std::size_t>(i)];
    const std::int16_t p = casualtyPercent() > 100 ? 100 : casualtyPercent();
    // In whole numbers: a tenth of a percent in single precision would make ten percent of ten soldiers 0.
    const auto target = static_cast<std::int16_t>((count - survivors()) * p / 100);
    const auto fresh = static_cast<std::int16_t>(target - fallenCount());
    const std::vector<bool> picked = pickFallen(target, enemy);
    const List<FrameInfo> standing =
        sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1));
    std::vector<std::int16_t> stepTime(static_cast<std::size_t>(count), -1), stepFrom(stepTime);
    auto k = static_cast<std::int16_t>(fallenCount() - 1);
    for (std::int16_t i = 0; i < count; ++i) {
        VaelSprite* s = figure(i);
        if (!s || !isEntryClear(i)) continue;
        const bool hit = picked[static_cast<std::size_t>(i)];
        if (hit) setFallen(i, true), ++k;
        animateCombatFigure(i, static_cast<std::int16_t>(s->region()), hit, stepTime, stepFrom, k, standing,
                            enemy[static_cast<std::size_t>(i)], fresh, advanceFirst);
    }
    setFallenCount(target);
}

void PPhalanx::teleport(const List<short>& hexes) {
    markFlagStale();
    short destination = 0;
    // A teleport to nowhere leaves the block where it stands.
    if (!hexes.last(destination)) return;
    // The facing is the one the block had where it stood: ahead of the new hex may lie off the map, where
    // no row can stand (and no saved game can put one).
    const std::int16_t frontDestination = frontHexFrom(destination, facing());
    const List<FrameInfo> standing =
        sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1));
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        VaelSprite* s = figure(i);
        if (!s || !isEntryClear(i)) continue;
        const auto row = static_cast<std::size_t>(figureSlot(i));
        const std::int16_t target =
            static_cast<std::int16_t>(s->region()) == primaryHex_ ? destination : frontDestination;
        s->changeRegion(target);
        const Point3D place = row < slotCount() ? slotOffsets(row)[facing()] : Point3D();
        const std::int16_t depth = row < depthCount() ? slotDepths(row)[facing()] : -1;
        sprite_calls::addFrameEvent(*s, target, Point4D(place, 0), standing, depth, SpriteMove, 0);
    }
    if (destination != 0) setRegion(destination);
    primaryHex_ = destination;
    frontHex_ = frontDestination;
    if (flag()) {
        flag()->show();
        flag()->changeRegion(destination);
        activeSprites_.append(flag());
    }
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i)
        if (Sprite* s = sprite(i); s && isEntryClear(i)) activeSprites_.append(s);
}

void PPhalanx::march(const List<short>& path) {
    markFlagStale();
    WalkingAnimationData* walking = walkingData();
    const bool haveWalk = walking && walking->selectGroup("Phalanx") >= 0;
    if (keepPath(path)) return;
    const List<short> front = hexesAhead(path);
    VaelFigureLandscape* land = layer() ? layer()->landscape(0) : nullptr;
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        VaelSprite* s = figure(i);
        if (!s || !isEntryClear(i)) continue;
        const std::int16_t j = figureSlot(i);
        const DirectionOffsets* record = nullptr;
        if (haveWalk && j >= 0 && j < walking->itemCount()) {
            walking->setCurrentItem(j);
            if (FacingOffsets* item = walking->item(-1, -1)) record = &item->facings[facing()];
        }
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        sprite_calls::addSoundEvent(*s, SoundStartMovement, 3);
        if (land && record)
            walkHexPath(j, *s, static_cast<std::int16_t>(s->region()) == frontHex_ ? front : path, *land,
                        *record, 0, 0);
    }
    short last = 0;
    if (path.last(last)) {
        setRegion(last);
        primaryHex_ = last;
        front.last(last);
        frontHex_ = last;
    }
    markFlagStale();
    placeFlag(true);
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i)
        if (Sprite* s = sprite(i); s && isEntryClear(i)) activeSprites_.append(s);
}

} // namespace vael
