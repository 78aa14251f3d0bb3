#include "game/figures/p_javelinist.h"

#include "framework/core/registered_message.h"
#include "game/figures/missile_places.h"
#include "game/figures/sprite_calls.h"
#include "game/map/vael_sprite_event.h"
#include "game/rules/roll.h"

namespace vael {
namespace {

struct ThrowShape {
    Point3D hand;
    std::int16_t shift;
    Point3D lift;
};

const ThrowShape Throws[9] = {
    {{}, 0, {}},
    {{0, 4, 0}, 0, {0, -20, 0}},
    {{-6, 3, 0}, -50, {-5, -10, 0}},
    {{-6, 0, 0}, -50, {-5, -10, 0}},
    {{-6, -3, 0}, -50, {-5, 0, 0}},
    {{0, -4, 0}, 10, {0, -15, 0}},
    {{8, -4, 0}, 20, {5, -25, 0}},
    {{8, 0, 0}, 20, {5, -25, 0}},
    {{0, 0, 0}, 10, {0, -20, 0}},
};

void appendAll(List<FrameInfo>& to, const std::string& group, std::int16_t index, int times) {
    for (int i = 0; i < times; ++i)
        to.append(FrameInfo(group, index));
}

} // namespace

PJavelinist::PJavelinist(const std::string& normalName, const std::string& halfName,
                         const std::string& quarterName, std::int16_t kind, std::int16_t region,
                         std::int32_t facing)
    : PMissileUnit(normalName, halfName, quarterName, kind, region, facing), missileKind(kind) {
    if (normalName.find("Medium") != std::string::npos) setKind(DisplayKind::MediumFoot);
}

VaelPhysicalObject* PJavelinist::clone(std::int16_t region, std::int32_t facing) const {
    return new PJavelinist(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), missileKind,
                           region, facing);
}

PShockingJavelinist::PShockingJavelinist(const std::string& normalName, const std::string& halfName,
                                         const std::string& quarterName, std::int16_t kind,
                                         std::int16_t region, std::int32_t facing)
    : PJavelinist(normalName, halfName, quarterName, kind, region, facing) {
    // Without combat pictures of its own the base's choice stands rather than no group at all.
    if (images_.hasGroup("CN")) setCombatGroup(images_.findGroup("CN"));
}

VaelPhysicalObject* PShockingJavelinist::clone(std::int16_t region, std::int32_t facing) const {
    return new PShockingJavelinist(images_.name(), halfSizeImages().name(), quarterSizeImages().name(),
                                   missileKind, region, facing);
}

void PJavelinist::setupAnimations() {
    setupFootShooters(missile_places::JavelinLaunch);
}

PJavelinist::Arc PJavelinist::arcToward(const Point3D& start, std::int32_t d) {
    Arc arc;
    if (d < 1 || d > 8) return arc;
    missileTarget.x = static_cast<std::int16_t>(missileTarget.x + Throws[d].shift);
    const Point3D half(static_cast<std::int16_t>(static_cast<std::int16_t>(missileTarget.x - start.x) / 2),
                       static_cast<std::int16_t>(static_cast<std::int16_t>(missileTarget.y - start.y) / 2),
                       0);
    const Point3D apex = start + half + Throws[d].lift;
    arc.apex = Point4D(apex, start.distance(apex));
    arc.land = Point4D(missileTarget, apex.distance(missileTarget));
    return arc;
}

List<FrameInfo> PJavelinist::throwFrames(std::int32_t d) const {
    const std::string m = d >= 1 && d <= 8 ? ShootSequences[d] : "";
    List<FrameInfo> frames;
    if (footThrow()) {
        appendAll(frames, m, 1, 5), appendAll(frames, m, 2, 1), appendAll(frames, m, 3, 6);
    } else {
        appendAll(frames, m, 0, 4), appendAll(frames, m, 1, 1), appendAll(frames, m, 2, 6);
    }
    return frames;
}

VaelSprite* PJavelinist::queueJavelin(std::int16_t i, std::int32_t d, const Point3D& pos,
                                      const Point3D& start, const Arc& arc, int waits, bool late) {
    if (d < 1 || d > 8) return nullptr;
    const Point3D launch = pos + launchOffsets[static_cast<std::size_t>(d)];
    VaelSprite* p = beginFlight(i, launch, Point4D(launch, 0), waits, late);
    if (!p) return nullptr;
    const std::string group = DirectionGroups[d];
    const auto sx = static_cast<std::int16_t>(10 - Roll::shown() % 21);
    const auto sy = static_cast<std::int16_t>(10 - Roll::shown() % 21);
    const Point3D scatter(sx, sy, 0);
    const Point3D halfScatter(static_cast<std::int16_t>(sx / 2), static_cast<std::int16_t>(sy / 2), 0);
    const List<FrameInfo> rest = sprite_calls::oneFrame("Default", 0);
    const std::int16_t hex = region();
    sprite_calls::addFrameEvent(*p, hex,
                                Point4D(Point3D(arc.apex) - start + launch + halfScatter, arc.apex.t),
                                sprite_calls::oneFrame(group, 0), -1, SpriteMove, 0);
    sprite_calls::addSoundEvent(*p, SoundJavelinHit, 0);
    // Seen from above a javelin falling south shows its point, which is the rising picture of that group.
    const List<FrameInfo> fall = d == 5 ? sprite_calls::oneFrame("S", 0) : sprite_calls::oneFrame(group, 1);
    sprite_calls::addFrameEvent(*p, hex, Point4D(Point3D(arc.land) - start + launch + scatter, arc.land.t),
                                fall, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(*p, hex, Point4D(), rest, -1, SpriteMove, 0);
    const Point3D home = static_cast<std::size_t>(i) < slotCount() ? slotOffsets(i)[facing()] : Point3D();
    sprite_calls::addFrameEvent(*p, hex, Point4D(home, 1000), rest, -1, SpriteMove, 0);
    return p;
}

void PJavelinist::volley(LogicalCommandInfo& command) {
    DIRECTION d{};
    if (const auto* box = dynamic_cast<const Container<DIRECTION>*>(command.payload.get()))
        d = *box->valuePtr();
    if (d < 1 || d > 8) return;
    if (flag()) {
        flag()->restAt(flagLocation());
        activeSprites_.append(flag());
    }
    missileTarget = hexToPixel(static_cast<std::int16_t>(command.value));
    const Point3D start = hexToPixel(region());
    const Point3D hand = mounted ? Point3D() : Throws[d].hand;
    const Arc arc = arcToward(start, d);
    List<FrameInfo> windUp;
    windUp.append(FrameInfo("Standing", static_cast<std::int16_t>(d - 1)));
    windUp.append(FrameInfo(ShootSequences[d], 0));
    const List<FrameInfo> throwing = throwFrames(d);
    const List<FrameInfo> rest = sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1));

    const auto count = static_cast<std::int16_t>(spriteCount_);
    std::vector<bool> late(static_cast<std::size_t>(count), false);
    const auto posOf = [&](std::int16_t i) { return homePlace(figureSlot(i)); };
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        VaelSprite& s = *figure(i);
        late[static_cast<std::size_t>(i)] = loosesLate(s);
        const Point3D pos = posOf(i);
        sprite_calls::addFrameEvent(s, region(), Point4D(pos + hand, 0), windUp, -1, SpriteMove, 0);
        sprite_calls::addFrameEvent(s, region(), Point4D(), throwing, -1, SpriteAnimateOnce, 0);
        sprite_calls::addFrameEvent(s, region(), Point4D(pos, 0), rest, -1, SpriteMove, 0);
        activeSprites_.append(&s);
    }
    const int waits = footThrow() ? 4 : 3;
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        if (VaelSprite* p =
                queueJavelin(i, d, posOf(i), start, arc, waits, late[static_cast<std::size_t>(i)]))
            activeSprites_.append(p);
    }
}

void PJavelinist::animateCombatFigure(std::int16_t figureIndex, std::int16_t hex, bool casualty,
                                      std::vector<std::int16_t>& stepTime,
                                      std::vector<std::int16_t>& stepFrom, std::int16_t,
                                      const List<FrameInfo>& frames, std::int32_t enemyDirection,
                                      std::int16_t, std::int16_t) {
    VaelSprite* s = figure(figureIndex);
    if (!s) return;
    const auto at = [](std::int16_t v) { return static_cast<std::size_t>(v); };
    const Point3D pos = homePlace(figureSlot(figureIndex));
    const auto kind = static_cast<std::uint16_t>(unitKind());
    List<FrameInfo> death;
    if (casualty) {
        leaveMount(hex, mounted != 0);
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
        sprite_calls::addFrameEvent(*s, hex, Point4D(), death, 0, SpriteAnimateOnce, 0);
        walkOff(figureIndex, death);
        addLooseSprite(s);
    };
    if (enemyDirection == 0) {
        if (!casualty) return;
        sprite_calls::addFrameEvent(*s, hex, Point4D(pos, 0), frames, -1, SpriteMove, 0);
        return fall();
    }
    const std::int16_t a = closeCombatSide(enemyDirection, pos.x);
    if (a < 0) return;
    const std::int32_t d = a + 1;
    missileTarget = hexToPixel(landscapeQuery(hex, d));
    const Point3D start = hexToPixel(hex);
    images_.selectGroupIndex(static_cast<std::int16_t>(combatGroup() + a));
    sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
    sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
    const Arc arc = arcToward(start, d);

    const List<FrameInfo> turn = backStepFrames(d);
    List<FrameInfo> throwing = throwFrames(d);
    appendAll(throwing, "Standing", a, 10);
    sprite_calls::addFrameEvent(*s, hex, Point4D(pos + DirectionSteps[at(static_cast<std::int16_t>(d))], 500),
                                turn, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(*s, hex, Point4D(), throwing, -1, SpriteAnimateOnce, 0);
    sprite_calls::addFrameEvent(*s, hex, Point4D(),
                                sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1)),
                                -1, SpriteAnimateOnce, 0);
    VaelSprite* javelin = queueJavelin(figureIndex, d, pos, start, arc, mounted ? 8 : 9, false);

    if (casualty) {
        fall();
    } else {
        standAfterShot(*s, figureIndex, hex, frames, stepTime, stepFrom);
    }
    if (javelin) activeSprites_.append(javelin);
}

} // namespace vael
