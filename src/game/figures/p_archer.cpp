#include "game/figures/p_archer.h"

#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/figures/p_horse.h"
#include "game/figures/sprite_calls.h"
#include "game/flow/shock_records.h"
#include "game/map/vael_sprite_event.h"
#include "game/rules/roll.h"

namespace vael {
namespace {

struct ArcShape {
    Point3D shift, firstLift, secondLift;
    int speed;
};

// By direction 1 to 8. The sideways shots are the quickest; the target shifts keep the arrows from
// landing on the far edge of the hex where the arc is seen from the side.
const ArcShape Arcs[9] = {
    {{}, {}, {}, 1},
    {{0, 0, 0}, {0, -30, 0}, {0, -30, 0}, 150},
    {{0, 0, 0}, {-5, -20, 0}, {-5, -20, 0}, 200},
    {{-15, 0, 0}, {0, -45, 0}, {0, -45, 0}, 250},
    {{0, 0, 0}, {-5, -50, 0}, {-5, -30, 0}, 200},
    {{0, 0, 0}, {0, -30, 0}, {0, -30, 0}, 150},
    {{0, 0, 0}, {5, -30, 0}, {5, -30, 0}, 200},
    {{10, 0, 0}, {0, -45, 0}, {0, -45, 0}, 250},
    {{10, 10, 0}, {0, -20, 0}, {0, -20, 0}, 200},
};

const Point3D ArcherLaunch[9] = {{0, 0, 0}, {0, 0, 0}, {10, 0, 0}, {30, 5, 0},  {10, -20, 0},
                                 {0, 0, 0}, {0, 0, 0}, {0, 0, 0},  {-10, 20, 0}};

const Point3D BowAnchor[9] = {{0, 0, 0},    {-30, -30, 0}, {-20, -15, 0}, {0, 0, 0},    {-13, -29, 0},
                              {-1, -26, 0}, {-17, -14, 0}, {0, 0, 0},     {-28, -20, 0}};

std::int32_t legTime(const Point3D& from, const Point3D& to, int speed) {
    const auto pixels = static_cast<std::int16_t>(from.distance(to));
    return static_cast<std::int32_t>(static_cast<double>(pixels) * 1000.0 * (1.0 / speed));
}

Point3D third(const Point3D& target, const Point3D& start) {
    return Point3D(static_cast<std::int16_t>(static_cast<std::int16_t>(target.x - start.x) / 3),
                   static_cast<std::int16_t>(static_cast<std::int16_t>(target.y - start.y) / 3), 0);
}

Point3D divided(const Point3D& p, int times, int by) {
    return Point3D(static_cast<std::int16_t>(p.x * times / by), static_cast<std::int16_t>(p.y * times / by),
                   static_cast<std::int16_t>(p.z * times / by));
}

} // namespace

PArcher::PArcher(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                 std::int16_t missileKind, std::int16_t region, std::int32_t facing)
    : PMissileUnit(normalName, halfName, quarterName, missileKind, region, facing) {}

VaelPhysicalObject* PArcher::clone(std::int16_t region, std::int32_t facing) const {
    return new PArcher(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), 0, region,
                       facing);
}

void PArcher::setupAnimations() {
    // The rear rank steps up, and figure 7 leads the bow-shot sound.
    setupFootShooters(ArcherLaunch);
}

VaelSprite* PArcher::setupSpear(std::int16_t slot) {
    OIF<Bitmap>* debris = debrisArtwork(0);
    if (!debris || slot < 0 || static_cast<std::size_t>(slot) >= slotCount()) return nullptr;
    const std::int16_t group = debris->findGroup("Bow");
    const std::int16_t count = group < 0 ? 0 : debris->imageCount(group);
    const auto image = static_cast<std::int16_t>(count > 0 ? Roll::shown() % count : 0);
    const Point3D at = BowAnchor[facing()] + slotOffsets(slot)[facing()];
    return new VaelSprite(region(), Point3D(at.x, at.y, 0), FrameInfo("Bow", image), Sprite::NoLayer, nullptr,
                          DrawPlain, debrisArtwork(0), debrisArtwork(1), debrisArtwork(2), 0);
}

PArcher::Arc PArcher::arcToward(const Point3D& start, std::int32_t d) {
    Arc arc;
    if (d < 1 || d > 8) return arc;
    const ArcShape& shape = Arcs[d];
    missileTarget = missileTarget + shape.shift;
    const Point3D t = third(missileTarget, start);
    const Point3D w1 = start + t + shape.firstLift;
    const Point3D w2 = missileTarget - t + shape.secondLift;
    arc.w1 = Point4D(w1, legTime(start, w1, shape.speed));
    arc.w2 = Point4D(w2, legTime(w1, w2, shape.speed));
    arc.w3 = Point4D(missileTarget, legTime(w2, missileTarget, shape.speed));
    return arc;
}

VaelSprite* PArcher::queueArrow(std::int16_t i, std::int32_t d, const Point3D& pos, const Point3D& start,
                                const Arc& arc, int waits, bool late, std::int32_t restTime) {
    const Point3D launch = launchOffsets[static_cast<std::size_t>(d >= 0 && d <= 8 ? d : 0)];
    VaelSprite* p = beginFlight(i, pos + launch, Point4D(), waits, late);
    if (!p) return nullptr;
    const std::string group = d >= 1 && d <= 8 ? DirectionGroups[d] : "Default";
    // The scatter: its y is drawn before its x.
    const auto jy = static_cast<std::int16_t>(10 - Roll::shown() % 21);
    const auto jx = static_cast<std::int16_t>(10 - Roll::shown() % 21);
    const Point3D j(jx, jy, 0);
    const List<FrameInfo> rest = sprite_calls::oneFrame("Default", 0);
    const std::int16_t hex = region();
    sprite_calls::addFrameEvent(*p, hex,
                                Point4D(Point3D(arc.w1) + divided(j, 1, 3) + launch + pos - start, arc.w1.t),
                                sprite_calls::oneFrame(group, 0), -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(*p, hex,
                                Point4D(Point3D(arc.w2) + divided(j, 2, 3) + launch + pos - start, arc.w2.t),
                                sprite_calls::oneFrame(group, 1), -1, SpriteMove, 0);
    sprite_calls::addSoundEvent(*p, SoundArrowHit, 0);
    // The arrow lands where it was aimed, wherever along the line it left the bow.
    sprite_calls::addFrameEvent(*p, hex, Point4D(Point3D(arc.w3) + j + pos - start, arc.w3.t),
                                sprite_calls::oneFrame(group, 2), -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(*p, hex, Point4D(Point3D(), restTime), rest, -1, SpriteMove, 0);
    return p;
}

void PArcher::volley(LogicalCommandInfo& command) {
    DIRECTION d{};
    const auto* box = dynamic_cast<const Container<DIRECTION>*>(command.payload.get());
    if (box) d = *box->valuePtr();
    if (flag()) {
        flag()->restAt(flagLocation());
        activeSprites_.append(flag());
    }
    missileTarget = hexToPixel(static_cast<std::int16_t>(command.value));
    const Point3D start = hexToPixel(region());
    const Arc arc = arcToward(start, d);
    const std::string sequence = d >= 1 && d <= 8 ? ShootSequences[d] : "";
    const List<FrameInfo> draw = sprite_calls::oneFrame(sequence, 0);
    List<FrameInfo> shoot;
    shoot.append(FrameInfo(sequence, 1));
    for (int k = 0; k < 6; ++k)
        shoot.append(FrameInfo(sequence, 2));
    for (int k = 0; k < 3; ++k)
        shoot.append(FrameInfo(sequence, 3));
    const List<FrameInfo> rest = sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1));

    const auto count = static_cast<std::int16_t>(spriteCount_);
    std::vector<bool> late(static_cast<std::size_t>(count), false);
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        VaelSprite& s = *figure(i);
        late[static_cast<std::size_t>(i)] = loosesLate(s);
        sprite_calls::addFrameEvent(s, region(), Point4D(), draw, -1, SpriteAnimateOnce, 0);
        sprite_calls::addSoundEvent(s, SoundBowShot, 0);
        sprite_calls::addFrameEvent(s, region(), Point4D(), shoot, -1, SpriteAnimateOnce, 0);
        sprite_calls::addFrameEvent(s, region(), Point4D(), rest, -1, SpriteAnimateOnce, 0);
        activeSprites_.append(&s);
    }
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        const Point3D pos = slotOffsets(figureSlot(i))[facing()];
        if (VaelSprite* p = queueArrow(i, d, pos, start, arc, 7, late[static_cast<std::size_t>(i)], 1000))
            activeSprites_.append(p);
    }
}

void PArcher::animateCombatFigure(std::int16_t figureIndex, std::int16_t hex, bool casualty,
                                  std::vector<std::int16_t>& stepTime, std::vector<std::int16_t>& stepFrom,
                                  std::int16_t, const List<FrameInfo>& frames, std::int32_t enemyDirection,
                                  std::int16_t, std::int16_t) {
    VaelSprite* s = figure(figureIndex);
    if (!s) return;
    const auto at = [](std::int16_t v) { return static_cast<std::size_t>(v); };
    const Point3D pos = homePlace(figureSlot(figureIndex));
    const auto kind = static_cast<std::uint16_t>(unitKind());
    List<FrameInfo> death;
    if (casualty) {
        leaveMount(hex, traits().mounted);
        const FrameInfo f = playCasualty(*this, "");
        if (f.index != -1) death.append(f);
        if (traits().closesRanks) {
            const std::int16_t r = rearFigure(figureIndex);
            if (r >= 0 && at(r) < stepTime.size() && at(r) < stepFrom.size()) {
                stepFrom[at(r)] = figureIndex;
                stepTime[at(r)] = 0;
            }
        }
    }
    const auto fall = [&] {
        sprite_calls::addSoundEvent(*s, SoundFigureFalls, kind);
        if (death.count() > 0) {
            sprite_calls::addFrameEvent(*s, hex, Point4D(), death, 0, SpriteAnimateOnce, 0);
            walkOff(figureIndex, death);
        } else {
            sprite_calls::addPlainEvent(*s, SpriteHide);
        }
        addLooseSprite(s);
    };
    if (enemyDirection == 0) {
        if (!casualty) return;
        sprite_calls::addFrameEvent(*s, hex, Point4D(pos, 0), frames, -1, SpriteMove, 0);
        return fall();
    }

    const std::int16_t a = closeCombatSide(enemyDirection, pos.x);
    if (a < 0) return;
    const auto d = static_cast<std::int32_t>(a + 1);
    missileTarget = hexToPixel(landscapeQuery(hex, d));
    const Point3D start = hexToPixel(hex);
    sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
    sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
    const Arc arc = arcToward(start, d);

    const List<FrameInfo> turn = backStepFrames(d);
    const std::string sequence = ShootSequences[d];
    List<FrameInfo> shoot;
    shoot.append(FrameInfo(sequence, 1));
    for (int k = 0; k < 6; ++k)
        shoot.append(FrameInfo(sequence, 2));
    for (int k = 0; k < 3; ++k)
        shoot.append(FrameInfo(sequence, 3));
    for (int k = 0; k < 10; ++k)
        shoot.append(FrameInfo("Standing", a));
    sprite_calls::addFrameEvent(*s, hex, Point4D(pos + DirectionSteps[at(static_cast<std::int16_t>(d))], 500),
                                turn, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(*s, hex, Point4D(), sprite_calls::oneFrame(sequence, 0), -1,
                                SpriteAnimateOnce, 0);
    sprite_calls::addSoundEvent(*s, SoundBowShot, 0);
    sprite_calls::addFrameEvent(*s, hex, Point4D(), shoot, -1, SpriteAnimateOnce, 0);
    sprite_calls::addFrameEvent(*s, hex, Point4D(), frames, -1, SpriteAnimateOnce, 0);

    VaelSprite* arrow = queueArrow(figureIndex, d, pos, start, arc, 11, false, 0);

    if (casualty) {
        fall();
    } else {
        standAfterShot(*s, figureIndex, hex, frames, stepTime, stepFrom);
    }
    if (arrow) activeSprites_.append(arrow);
}

} // namespace vael
