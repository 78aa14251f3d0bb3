// The shock combat of one figure: a staggered start, two bouts of advancing and recoiling toward the enemy
// with a little jitter, a casualty's fall at its share of the fight's time, the figure behind stepping
// into a fallen one's place, and the horse or chariot a fallen rider or crew leaves behind. Every rand()
// draw comes in a fixed order so the same dice play the same fight.
#include <algorithm>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/p_horse.h"
#include "game/figures/sprite_calls.h"
#include "game/figures/vael_physical_object.h"
#include "game/flow/shock_records.h"
#include "game/rules/roll.h"

namespace vael {

namespace {

constexpr std::int16_t LungeX[8] = {0, 20, 30, 20, 0, -20, -30, -20};
constexpr std::int16_t LungeY[8] = {-10, -12, 0, 12, 10, 12, 0, -12};

List<FrameInfo> framesOf(const std::string& group, std::initializer_list<std::int16_t> indices) {
    List<FrameInfo> frames;
    for (std::int16_t i : indices)
        frames.append(FrameInfo(group, i));
    return frames;
}

Point3D flat(const Point3D& p) {
    return Point3D(p.x, p.y, 0);
}

// The lunge cut short at f of a half's 1800: toward the enemy in an advance, back from it in a recoil.
Point3D partWay(const Point3D& home, std::int16_t d, bool advance, std::int32_t f) {
    const auto dx = static_cast<std::int16_t>(LungeX[d] * f / 1800);
    const auto dy = static_cast<std::int16_t>(LungeY[d] * f / 1800);
    const Point3D half(LungeX[d], LungeY[d], 0);
    return advance ? home + half + Point3D(dx, dy, 0) : home + half - Point3D(dx, dy, 0);
}

} // namespace

VaelPhysicalObject* VaelPhysicalObject::leaveDebris(const std::string& name, std::int16_t hex) {
    auto* debris = new PHorse(name, name + " (Half size)", name + " (Quarter size)", hex, 1, 8, 7);
    Container<VaelDisplayObject*> box(debris);
    dropAnswer(sendNowNamed(msg::PhysicalObjectCreated, &box));
    // A layer that did not take the debris in leaves nobody to own or step it.
    if (debris->getId() < 0) {
        delete debris;
        return nullptr;
    }
    return debris;
}

void VaelPhysicalObject::animateCombatFigure(std::int16_t figureIndex, std::int16_t hex, bool casualty,
                                             std::vector<std::int16_t>& stepTime,
                                             std::vector<std::int16_t>& stepFrom, std::int16_t casualtyNumber,
                                             const List<FrameInfo>& standFrames, std::int32_t combatDirection,
                                             std::int16_t newCasualties, std::int16_t advanceFirst) {
    VaelSprite* s = figure(figureIndex);
    if (!s) return;
    const auto at = [&](std::int16_t f) { return static_cast<std::size_t>(f); };
    std::int16_t p = figureSlot_[figureIndex];
    const bool stepPending = at(figureIndex) < stepTime.size() && stepTime[at(figureIndex)] != -1;
    const std::int32_t stepAt = stepPending ? stepTime[at(figureIndex)] : 0;
    const auto homeOf = [&](std::int16_t slot) {
        return slot >= 0 && at(slot) < slotOffsets_.size() ? slotOffsets_[at(slot)][facing_] : Point3D();
    };
    const auto depthOf = [&](std::int16_t slot) -> std::int16_t {
        return slot >= 0 && at(slot) < slotDepths_.size() ? slotDepths_[at(slot)][facing_] : -1;
    };
    const auto kind = static_cast<std::uint16_t>(unitKind_);
    List<FrameInfo> death;
    std::int32_t D = 0;

    if (casualty) {
        std::string suffix;
        VaelFigureLandscape* land = layer_ ? layer_->landscape(0) : nullptr;
        const auto runaway = [&](std::int32_t direction) {
            List<short> line;
            if (land) line = land->hexLineInDirection(hex, direction);
            return LogicalCommandInfo(0, new Container<List<short>>(line), 0,
                                      BusMessage(LOGICAL_OBJECT_MOVED));
        };
        if (traits().mounted) {
            const std::string horse = traits().armouredHorse ? "Cataphracted Horse" : "Horse";
            if (Roll::shown() % 100 < 15) {
                const std::int32_t direction = Roll::shown() % 8 + 1;
                LogicalCommandInfo run = runaway(direction);
                if (VaelPhysicalObject* debris = leaveDebris(horse, hex)) debris->queueCommand(run);
            } else {
                MethodOfDeathStruct fall;
                fall.percent = 100;
                fall.method = 4;
                fall.unitNumber = -1;
                if (VaelPhysicalObject* debris = leaveDebris(horse, hex))
                    debris->queueCommand(LogicalCommandInfo(
                        0, new Container<MethodOfDeathStruct>(fall), 0,
                        BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(msg::CohesionHit)))));
            }
        } else if (traits().leavesWreck && Roll::shown() % 100 < 25) {
            suffix = " A";
            const std::string name = Roll::shown() % 100 < 25 ? (nation_ == 2 ? "Chariot Dragging Persian"
                                                                             : "Chariot Dragging Indian")
                                                             : "Running Chariot";
            // A chariot's direction is drawn after its debris is made (whose making draws too).
            VaelPhysicalObject* debris = leaveDebris(name, hex);
            const std::int32_t direction = Roll::shown() % 8 + 1;
            if (debris) debris->queueCommand(runaway(direction));
        }
        const std::int32_t n = newCasualties > 0 ? newCasualties : 1;
        D = static_cast<std::int16_t>(((casualtyNumber - fallenCount_) * 2 + 1) * 7200 / (n * 2));
        const FrameInfo f = playCasualty(*this, suffix);
        if (f.index != -1) death.append(f);
        if (traits().closesRanks) {
            const std::int16_t r = rearFigure(figureIndex);
            if (r >= 0 && at(r) < stepTime.size() && at(r) < stepFrom.size()) {
                stepTime[at(r)] = static_cast<std::int16_t>(D);
                stepFrom[at(r)] = figureIndex;
            }
        }
    }

    const auto fall = [&]() {
        sprite_calls::addSoundEvent(*s, SoundFigureFalls, kind);
        if (death.count() > 0) {
            sprite_calls::addFrameEvent(*s, hex, Point4D(), death, 0, SpriteAnimateOnce, 0);
            walkOff(figureIndex, death);
        } else {
            sprite_calls::addPlainEvent(*s, SpriteHide);
        }
    };

    if (combatDirection == 0) {
        if (!casualty) return;
        sprite_calls::addFrameEvent(*s, hex, Point4D(homeOf(p), D), standFrames, -1, SpriteMove, 0);
        fall();
        looseSprites_.append(s);
        return;
    }

    const auto d = static_cast<std::int16_t>(
        rotateClockwise(static_cast<DIRECTION>(combatDirection), static_cast<std::uint8_t>(facing_ - 1)) - 1);
    if (d < 0 || d > 7) return;
    images_.selectGroupIndex(static_cast<std::int16_t>(combatGroup_ + d));
    const std::string group = std::string("C") + DirectionGroups[d + 1];
    List<FrameInfo> approach, advanceFrames, recoilFrames;
    if (traits().strokes == CombatStrokes::Mounted) {
        approach = framesOf(group, {0, 1, 2, 3, 4});
        advanceFrames = framesOf(group, {0, 1, 2, 3, 4});
        recoilFrames = framesOf(group, {4, 3, 2, 1, 0});
    } else if (traits().strokes == CombatStrokes::Phalanx) {
        approach = framesOf(group, {0, 1, 2, 3});
        advanceFrames = framesOf(group, {0, 1, 2, 3});
        recoilFrames = framesOf(group, {3, 2, 1, 0});
    } else {
        approach = framesOf(group, {1, 2, 3});
        advanceFrames = framesOf(group, {1, 1, 2, 2, 3, 3});
        recoilFrames = framesOf(group, {3, 3, 2, 2, 1, 1});
    }
    const Point3D half(LungeX[d], LungeY[d], 0);
    const Point3D full = half * 2;

    sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
    sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
    for (int k = 0; Roll::shown() % 5 > k; ++k)
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
    sprite_calls::addSoundEvent(*s, SoundStartShock, kind);

    const auto jitter = [] {
        const auto y = static_cast<std::int16_t>(5 - Roll::shown() % 11);
        const auto x = static_cast<std::int16_t>(10 - Roll::shown() % 21);
        return Point3D(x, y, 0);
    };
    const std::int32_t t = 640 - Roll::shown() % 81;
    sprite_calls::addFrameEvent(*s, hex, Point4D(flat(homeOf(p)) + half + jitter(), t), approach, -1,
                                SpriteMove, 0);

    std::int32_t carry = 0, T = 600;
    bool stepped = false, fell = false;
    for (int bout = 0; bout < 2 && !fell; ++bout) {
        for (int h = 0; h < 2 && !fell; ++h) {
            const bool advance = advanceFirst ? h == 0 : h == 1;
            const List<FrameInfo>& frames = advance ? advanceFrames : recoilFrames;
            if (casualty && D < T + 1800) {
                // The figure falls at D itself: its last move lasts from the half's start until then.
                const std::int32_t f = std::max(D - T, 0);
                sprite_calls::addFrameEvent(*s, hex, Point4D(partWay(homeOf(p), d, advance, f), f), frames,
                                            -1, SpriteMove, 0);
                fall();
                fell = true;
                break;
            }
            if (!stepPending || stepped || stepAt >= T + 1800) {
                const std::int32_t u = Roll::shown() % 121;
                const Point3D target = flat(homeOf(p)) + jitter() + (advance ? full : Point3D());
                sprite_calls::addFrameEvent(*s, hex, Point4D(target, carry + 1860 - u), frames, depthOf(p),
                                            SpriteMove, 0);
            } else {
                stepped = true;
                // A figure in front that fell before this half began is stepped into over the whole half.
                const std::int32_t g = std::min(T + 1800 - stepAt, 1800);
                sprite_calls::addFrameEvent(*s, hex, Point4D(partWay(homeOf(p), d, advance, g), g), frames,
                                            depthOf(p), SpriteMove, 0);
                const std::int16_t from = stepFrom[at(figureIndex)];
                if (from >= 0 && from < static_cast<std::int16_t>(spriteCount_)) {
                    figureSlot_[figureIndex] = figureSlot_[from];
                    figureSlot_[from] = -1;
                    p = figureSlot_[figureIndex];
                }
                if (g < 800) {
                    carry = 0;
                    sprite_calls::addFrameEvent(
                        *s, hex, Point4D(flat(homeOf(p)) + (advance ? full : Point3D()), 1800 - g), frames,
                        depthOf(p), SpriteMove, 0);
                } else {
                    carry = 1800 - g;
                }
            }
            T += 1800;
            if (advance) maybeRear(*s, d);
        }
    }
    if (!casualty) {
        sprite_calls::addFrameEvent(*s, hex, Point4D(homeOf(p), 0), recoilFrames, -1, SpriteMove, 0);
        sprite_calls::addFrameEvent(*s, hex, Point4D(), standFrames, -1, SpriteAnimateOnce, 0);
        activeSprites_.append(s);
    } else {
        looseSprites_.append(s);
    }
    sprite_calls::addSoundEvent(*s, SoundStopShock, kind);
}

} // namespace vael
