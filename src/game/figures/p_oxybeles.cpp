#include "game/figures/p_oxybeles.h"

#include "framework/core/registered_message.h"
#include "game/figures/sprite_calls.h"
#include "game/map/vael_sprite_event.h"
#include "game/rules/roll.h"

namespace vael {
namespace {

List<FrameInfo> repeated(const std::string& group, std::int16_t index, int times) {
    List<FrameInfo> frames;
    for (int i = 0; i < times; ++i)
        frames.append(FrameInfo(group, index));
    return frames;
}

// The crew's thirteen frames of working the engine toward direction d.
List<FrameInfo> fireFrames(std::int32_t d) {
    List<FrameInfo> frames;
    for (std::int16_t k : {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 2, 2, 2})
        frames.append(FrameInfo(PMissileUnit::ShootSequences[d], k));
    return frames;
}

// The last stretch of every flight, whatever its length.
constexpr std::int32_t LastLeg = 200;

} // namespace

POxybeles::POxybeles(const std::string& normalName, const std::string& halfName,
                     const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                     std::int32_t facing)
    : PMissileUnit(normalName, halfName, quarterName, missileKind, region, facing) {
    setKind(DisplayKind::BoltThrower);
}

VaelPhysicalObject* POxybeles::clone(std::int16_t region, std::int32_t facing) const {
    return new POxybeles(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), 1, region,
                         facing);
}

void POxybeles::setupAnimations() {
    SlotOffsets place{};
    for (int f = 1; f <= 8; ++f)
        place[static_cast<std::size_t>(f)] = CrewOffsets[f];
    placeNextFigure(place);
    VaelSprite* crew = addFigure(-1);
    createDefaultSprites(1);
    for (int d = 0; d < 9; ++d)
        launchOffsets[static_cast<std::size_t>(d)] = Muzzle[d];
    // The crew never steps into another figure's place.
    setRearFigures({-1});
    finishFormation();
    // The engine's shot sounds from the crew, its impact from the bolt.
    sprite_calls::setSoundLead(*crew, true);
}

POxybeles::Flight POxybeles::flight(const Point3D& origin, const Point3D& target, std::int32_t d) {
    Flight f;
    if (d < 1 || d > 8) return f;
    const auto length = static_cast<std::int16_t>(origin.distance(target));
    f.time = static_cast<std::int32_t>(length * 1000 * (1.0 / Speed[d]));
    f.approachTime = std::max(f.time - LastLeg, 0);
    // A target in the engine's own hex (or one so near that no time passes) has no approach: the bolt
    // starts its last leg where it stands.
    f.approach = origin;
    if (f.time > 0) {
        f.approach =
            origin + Point3D(static_cast<std::int16_t>((target.x - origin.x) * f.approachTime / f.time),
                             static_cast<std::int16_t>((target.y - origin.y) * f.approachTime / f.time), 0);
    }
    return f;
}

void POxybeles::queueBolt(VaelSprite& bolt, std::int16_t hex, const Point3D& origin, const Point3D& target,
                          std::int32_t speedDirection, const Point3D& launch, const Point3D& place,
                          std::int32_t look) {
    const Flight f = flight(origin, target, speedDirection);
    const auto y = static_cast<std::int16_t>(10 - Roll::shown() % 21);
    const auto x = static_cast<std::int16_t>(10 - Roll::shown() % 21);
    const Point3D spread(x, y, 0);
    const List<FrameInfo> rest = sprite_calls::oneFrame("Default", 0);
    const List<FrameInfo> flying = sprite_calls::oneFrame(DirectionGroups[look], 0);
    const Point3D muzzle = launch + place;
    sprite_calls::addFrameEvent(bolt, hex, Point4D(), rest, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(bolt, hex, Point4D(muzzle, 0), rest, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(bolt, hex, Point4D(muzzle, 0), repeated("Default", 0, 12), -1,
                                SpriteAnimateOnce, 0);
    sprite_calls::addFrameEvent(bolt, hex, Point4D(f.approach - origin + spread + place, f.approachTime),
                                flying, -1, SpriteMove, 0);
    // Heard as the bolt starts its last 200 ms, however long the flight.
    sprite_calls::addSoundEvent(bolt, SoundOxybelesHit, 0);
    sprite_calls::addFrameEvent(bolt, hex, Point4D(target - origin + spread + place, LastLeg), flying, -1,
                                SpriteMove, 0);
}

void POxybeles::volley(LogicalCommandInfo& command) {
    DIRECTION d = NoDirection;
    // Anything but a direction of fire would index the tables by direction out of range: the shot is not
    // shown, and the command ends on this tick with its notification as usual.
    if (!startVolley(command, d)) return;
    const std::int16_t hex = region();
    const Point3D origin = hexToPixel(hex);
    const List<FrameInfo> fire = fireFrames(d);
    const List<FrameInfo> stand = sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1));
    const auto count = static_cast<std::int16_t>(spriteCount_);
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        VaelSprite& s = *figure(i);
        sprite_calls::addSoundEvent(s, SoundOxybelesShot, 0);
        sprite_calls::addFrameEvent(s, hex, Point4D(), fire, -1, SpriteAnimateOnce, 0);
        sprite_calls::addFrameEvent(s, hex, Point4D(), stand, -1, SpriteAnimateOnce, 0);
        activeSprites_.append(&s);
    }
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        VaelSprite* bolt = i < projectileCount ? projectiles[i] : nullptr;
        if (!bolt) continue;
        const Point3D place = homePlace(figureSlot(i));
        queueBolt(*bolt, hex, origin, missileTarget, d, launchOffsets[static_cast<std::size_t>(d)], place, d);
        sprite_calls::addFrameEvent(*bolt, hex, Point4D(), sprite_calls::oneFrame("Default", 0), -1,
                                    SpriteMove, 0);
        activeSprites_.append(bolt);
    }
}

void POxybeles::animateCombatFigure(std::int16_t figureIndex, std::int16_t hex, bool casualty,
                                    std::vector<std::int16_t>&, std::vector<std::int16_t>&, std::int16_t,
                                    const List<FrameInfo>& frames, std::int32_t enemyDirection, std::int16_t,
                                    std::int16_t) {
    VaelSprite* crew = figure(figureIndex);
    if (!crew) return;
    const auto at = [](std::int32_t v) { return static_cast<std::size_t>(v); };
    const Point3D place = homePlace(figureSlot(figureIndex));
    const auto kind = static_cast<std::uint16_t>(unitKind());
    List<FrameInfo> death;
    if (casualty) {
        const FrameInfo f = playCasualty(*this, "");
        if (f.index != -1) death.append(f);
    }
    const auto fall = [&] {
        sprite_calls::addSoundEvent(*crew, SoundFigureFalls, kind);
        sprite_calls::addFrameEvent(*crew, hex, Point4D(), death, 0, SpriteAnimateOnce, 0);
        walkOff(figureIndex, death);
        addLooseSprite(crew);
    };
    if (enemyDirection == 0) {
        if (!casualty) return;
        sprite_calls::addFrameEvent(*crew, hex, Point4D(place, 0), frames, -1, SpriteMove, 0);
        return fall();
    }
    // Standing on the centre line, the engine takes the left diagonal up or down the screen.
    const std::int16_t e = closeCombatSide(enemyDirection, place.x);
    if (e < 0) return;
    const auto aim = static_cast<std::int32_t>(e + 1);

    // At the map's edge there is no hex to shoot into: the crew works the engine, but no bolt flies.
    const bool flies = aimAtNeighbour(hex, aim);
    const Point3D origin = hexToPixel(hex);

    images_.selectGroupIndex(static_cast<std::int16_t>(combatGroup() + e));
    sprite_calls::addPlainEvent(*crew, SpriteDrawPlain);
    sprite_calls::addPlainEvent(*crew, SpriteDrawPlain);
    List<FrameInfo> fire = fireFrames(aim);
    for (int k = 0; k < 10; ++k)
        fire.append(FrameInfo("Standing", e));
    sprite_calls::addSoundEvent(*crew, SoundOxybelesShot, 0);
    sprite_calls::addFrameEvent(*crew, hex, Point4D(), fire, -1, SpriteAnimateOnce, 0);
    sprite_calls::addFrameEvent(*crew, hex, Point4D(), frames, -1, SpriteAnimateOnce, 0);

    // The muzzle and the bolt's look go by the enemy's side as the unit sees it, the aim and the speed by
    // the side on screen.
    VaelSprite* bolt = figureIndex < projectileCount ? projectiles[figureIndex] : nullptr;
    if (flies && bolt) {
        queueBolt(*bolt, hex, origin, missileTarget, aim, launchOffsets[at(enemyDirection)], place,
                  enemyDirection);
        const List<FrameInfo> rest = sprite_calls::oneFrame("Default", 0);
        sprite_calls::addFrameEvent(*bolt, hex, Point4D(), rest, -1, SpriteMove, 0);
        sprite_calls::addFrameEvent(*bolt, hex, Point4D(homePlace(figureIndex), 1000), rest, -1, SpriteMove,
                                    0);
    }

    if (casualty) {
        fall();
    } else {
        standAt(*crew, hex, place, frames);
    }
    if (flies && bolt) activeSprites_.append(bolt);
}

} // namespace vael
