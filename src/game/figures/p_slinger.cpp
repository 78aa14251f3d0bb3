#include "game/figures/p_slinger.h"

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

List<FrameInfo> indexed(const std::string& group, std::initializer_list<std::int16_t> indices) {
    List<FrameInfo> frames;
    for (std::int16_t k : indices)
        frames.append(FrameInfo(group, k));
    return frames;
}

// A stone crosses 200 pixels a second: each leg takes five milliseconds a pixel.
std::int32_t legTime(const Point3D& from, const Point3D& to) {
    return 5 * static_cast<std::int16_t>(from.distance(to));
}

// The scatter of a stone's landing, y drawn before x, each within reach pixels.
Point3D drawSpread(int reach) {
    const auto y = static_cast<std::int16_t>(reach - Roll::shown() % (2 * reach + 1));
    const auto x = static_cast<std::int16_t>(reach - Roll::shown() % (2 * reach + 1));
    return Point3D(x, y, 0);
}

} // namespace

PSlinger::PSlinger(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                   std::int16_t missileKind, std::int16_t region, std::int32_t facing)
    : PMissileUnit(normalName, halfName, quarterName, missileKind, region, facing) {}

VaelPhysicalObject* PSlinger::clone(std::int16_t region, std::int32_t facing) const {
    return new PSlinger(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), 4, region,
                        facing);
}

void PSlinger::setupAnimations() {
    buildEightFigureFormation();
    for (int d = 0; d < 9; ++d)
        launchOffsets[static_cast<std::size_t>(d)] = SlingLaunch[d];
    createDefaultSprites(8);
    // Figure 7 and stone 7 alone are heard: one sling sound and one hit a volley.
    setRearRankOfEight();
}

PSlinger::Flight PSlinger::flight(const Point3D& origin, const Point3D& target, const Point3D& launch,
                                  std::int32_t d) {
    Flight f;
    if (d < 1 || d > 8) return f;
    // A third of the way from the point of release; the first way-point is taken from the hex point, so
    // the stone's first leg slants a little from the hand.
    const Point3D step(
        static_cast<std::int16_t>(static_cast<std::int16_t>(target.x - (launch.x + origin.x)) / 3),
        static_cast<std::int16_t>(static_cast<std::int16_t>(target.y - (launch.y + origin.y)) / 3), 0);
    const Point3D w1 = origin + step + Rise[d];
    const Point3D w2 = target - step + Rise[d];
    f.w1 = Point4D(w1, legTime(origin, w1));
    f.w2 = Point4D(w2, legTime(w1, w2));
    f.w3 = Point4D(target, legTime(w2, target));
    return f;
}

void PSlinger::queueStone(VaelSprite& stone, std::int16_t hex, const Point3D& home, const Point3D& launch,
                          const Point3D& origin, const Flight& f, const Point3D& spread, int waits) {
    const List<FrameInfo> rest = sprite_calls::oneFrame("Default", 0);
    const List<FrameInfo> flying = sprite_calls::oneFrame("Stone", 0);
    const Point3D release = launch + home;
    sprite_calls::addFrameEvent(stone, hex, Point4D(), rest, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(stone, hex, Point4D(release, 0), rest, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(stone, hex, Point4D(release, 0), repeated("Default", 0, waits), -1,
                                SpriteAnimateOnce, 0);
    sprite_calls::addFrameEvent(stone, hex, Point4D(Point3D(f.w1) + spread / 3 + home - origin, f.w1.t),
                                flying, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(stone, hex, Point4D(Point3D(f.w2) + spread * 2 / 3 + home - origin, f.w2.t),
                                flying, -1, SpriteMove, 0);
    // Heard as the stone sets off on its last third, not when it lands.
    sprite_calls::addSoundEvent(stone, SoundRockHit, 0);
    sprite_calls::addFrameEvent(stone, hex, Point4D(Point3D(f.w3) + spread + home - origin, f.w3.t), flying,
                                -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(stone, hex, Point4D(), rest, -1, SpriteMove, 0);
}

void PSlinger::volley(LogicalCommandInfo& command) {
    DIRECTION d = NoDirection;
    // Anything but a direction of fire would index the tables by direction out of range: the volley is
    // not shown, and the command ends on this tick with its notification as usual.
    if (!startVolley(command, d)) return;
    const std::int16_t hex = region();
    const Point3D origin = hexToPixel(hex);
    const Point3D launch = launchOffsets[static_cast<std::size_t>(d)];
    const Flight f = flight(origin, missileTarget, launch, d);
    const List<FrameInfo> sling = indexed(ShootSequences[d], {2, 1, 1, 2, 2, 1, 1, 2, 3, 0});
    const List<FrameInfo> stand = sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1));

    const auto count = static_cast<std::int16_t>(spriteCount_);
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        VaelSprite& s = *figure(i);
        sprite_calls::addPlainEvent(s, SpriteMarker);
        sprite_calls::addPlainEvent(s, SpriteMarker);
        sprite_calls::addSoundEvent(s, SoundSlingShot, 0);
        sprite_calls::addFrameEvent(s, hex, Point4D(), sling, -1, SpriteAnimateOnce, 0);
        sprite_calls::addFrameEvent(s, hex, Point4D(), stand, -1, SpriteAnimateOnce, 0);
        activeSprites_.append(&s);
    }
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        const Point3D home = homePlace(figureSlot(i));
        const Point3D spread = drawSpread(15);
        VaelSprite* stone = i < projectileCount ? projectiles[i] : nullptr;
        if (!stone) continue;
        queueStone(*stone, hex, home, launch, origin, f, spread, 9);
        activeSprites_.append(stone);
    }
}

void PSlinger::animateCombatFigure(std::int16_t figureIndex, std::int16_t hex, bool casualty,
                                   std::vector<std::int16_t>&, std::vector<std::int16_t>& stepFrom,
                                   std::int16_t, const List<FrameInfo>& frames, std::int32_t enemyDirection,
                                   std::int16_t, std::int16_t) {
    VaelSprite* s = figure(figureIndex);
    if (!s) return;
    const auto at = [](std::int32_t v) { return static_cast<std::size_t>(v); };
    const Point3D home = homePlace(figureSlot(figureIndex));
    const auto kind = static_cast<std::uint16_t>(unitKind());
    List<FrameInfo> death;
    if (casualty) {
        const FrameInfo f = playCasualty(*this, "");
        if (f.index != -1) death.append(f);
        // Noted for the book-keeping of the combat, but slingers fight in loose order: nobody steps into a
        // fallen slinger's place.
        const std::int16_t r = rearFigure(figureIndex);
        if (r >= 0 && at(r) < stepFrom.size()) stepFrom[at(r)] = figureIndex;
    }
    if (enemyDirection == 0) {
        if (!casualty) return;
        sprite_calls::addFrameEvent(*s, hex, Point4D(home, 0), frames, -1, SpriteMove, 0);
        sprite_calls::addSoundEvent(*s, SoundFigureFalls, kind);
        sprite_calls::addFrameEvent(*s, hex, Point4D(), death, 0, SpriteAnimateOnce, 0);
        walkOff(figureIndex, death);
        addLooseSprite(s);
        return;
    }

    const std::int16_t i = closeCombatSide(enemyDirection, home.x);
    if (i < 0) return;
    const auto d = static_cast<std::int32_t>(i + 1);

    // At the map's edge there is no hex to sling into: the figure goes through its throw, but no stone
    // flies.
    const bool flies = aimAtNeighbour(hex, d);
    const Point3D origin = hexToPixel(hex);

    sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
    sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
    const Point3D launch =
        enemyDirection >= 0 && enemyDirection <= 8 ? launchOffsets[at(enemyDirection)] : Point3D();

    const List<FrameInfo> retreat = backStepFrames(d);
    List<FrameInfo> slinging = indexed(ShootSequences[d], {2, 2, 1, 1, 2, 2, 1, 1, 2, 3, 0});
    for (int k = 0; k < 10; ++k)
        slinging.append(FrameInfo("Standing", i));
    sprite_calls::addSoundEvent(*s, SoundSlingShot, 0);
    sprite_calls::addFrameEvent(*s, hex, Point4D(home + DirectionSteps[at(d)], 500), retreat, -1, SpriteMove,
                                0);
    sprite_calls::addFrameEvent(*s, hex, Point4D(), slinging, -1, SpriteAnimateOnce, 0);
    sprite_calls::addFrameEvent(*s, hex, Point4D(),
                                sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1)),
                                -1, SpriteAnimateOnce, 0);

    VaelSprite* stone = figureIndex < projectileCount ? projectiles[figureIndex] : nullptr;
    if (flies && stone) {
        const Flight f = flight(origin, missileTarget, launch, d);
        const Point3D spread = drawSpread(10);
        queueStone(*stone, hex, home, launch, origin, f, spread, 10);
        sprite_calls::addFrameEvent(*stone, hex, Point4D(homePlace(figureIndex), 1000),
                                    sprite_calls::oneFrame("Default", 0), -1, SpriteMove, 0);
    }

    if (casualty) {
        sprite_calls::addSoundEvent(*s, SoundFigureFalls, kind);
        if (death.count() > 0) {
            sprite_calls::addFrameEvent(*s, hex, Point4D(), death, 0, SpriteAnimateOnce, 0);
            walkOff(figureIndex, death);
        } else {
            sprite_calls::addPlainEvent(*s, SpriteHide);
        }
        addLooseSprite(s);
    } else {
        standAt(*s, hex, home, frames);
    }
    if (flies && stone) activeSprites_.append(stone);
}

} // namespace vael
