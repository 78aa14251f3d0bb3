// One figure's walk along a hex path: per hex step up to three timed moves out of its hex and into the
// next, uphill, downhill or level, two zig-zag steps straightened into one, splashes through water, and the
// scatter of a unit in disorder. It only queues events; the layer's ticks play them.
#include "game/figures/sprite_calls.h"
#include "game/figures/vael_physical_object.h"
#include "game/rules/roll.h"

namespace vael {

namespace {

// How much faster a destroyed unit's figures flee, by kind; single precision, as the durations were
// always scaled.
float speedFactor(std::int32_t kind) {
    if (kind <= 3) return 0.67f;
    if (kind <= 7) return 1.0f;
    if (kind <= 12) return 0.9f;
    if (kind == 13) return 0.5f;
    if (kind == 14) return 1.0f;
    return 0.67f;
}

std::string groupName(OIF<Bitmap>& art, std::int16_t group) {
    if (!art.hasGroupIndex(group)) return std::string();
    art.selectGroupIndex(group);
    return art.currentGroupName();
}

void appendImages(OIF<Bitmap>& art, std::int16_t group, List<FrameInfo>& frames, std::int16_t from = 0,
                  std::int16_t to = -1) {
    if (!art.hasGroupIndex(group)) return;
    const std::string name = groupName(art, group);
    const std::int16_t count = art.imageCount(group);
    const std::int16_t last = to < 0 || to >= count ? static_cast<std::int16_t>(count - 1) : to;
    for (std::int16_t i = from; i <= last; ++i)
        frames.append(FrameInfo(name, i));
}

} // namespace

Point3D VaelPhysicalObject::drawJitter() const {
    int bx = 15, by = 5;
    if (casualtyPercent_ >= 100) bx *= 3, by *= 3;
    // y is drawn before x.
    const int y = (by / 2 - Roll::shown() % by) * casualtyPercent_ / 100;
    const int x = (bx / 2 - Roll::shown() % bx) * casualtyPercent_ / 100;
    return Point3D(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
}

void VaelPhysicalObject::queueWaypoint(VaelSprite& sprite, const Point3D& point, std::int32_t duration,
                                       std::int16_t hex, const List<FrameInfo>& frames, std::int16_t depth,
                                       std::uint16_t kind, std::uint16_t repeat, const Point3D& jitter,
                                       float factor) {
    // The factor is single precision and the product is formed in double: 0.9f * 10 is 8.99999..., so 8.
    const auto t = static_cast<std::int32_t>(static_cast<double>(duration) * static_cast<double>(factor));
    sprite_calls::addFrameEvent(sprite, hex, Point4D(point + jitter, t), frames, depth, kind, repeat);
}

std::int16_t VaelPhysicalObject::walkHexPath(std::int16_t member, VaelSprite& sprite, const List<short>& path,
                                             VaelFigureLandscape& land, const DirectionOffsets& record,
                                             std::int16_t routWalk, std::int16_t firstRout) {
    Item<short>* it = nullptr;
    if (!path.firstItem(it)) return -1;
    const float factor = eliminated_ ? speedFactor(unitKind_) : 1.0f;
    const bool rampaging = traits().rampages && eliminated_ == 1;
    const bool hasDepths = member >= 0 && static_cast<std::size_t>(member) < slotDepths_.size();
    auto depthFor = [&](std::int32_t direction) -> std::int16_t {
        return hasDepths ? slotDepths_[static_cast<std::size_t>(member)][static_cast<std::size_t>(direction)]
                         : -1;
    };
    auto dur = [](const HexOffsets& h, int k) { return static_cast<std::int32_t>(h.durations[k]); };

    std::int16_t current = it->value;
    if (land.heightOf(current) == 0) sprite_calls::addSoundEvent(sprite, SoundStartSplashLoop, 0);
    bool firstStep = true;
    const std::int16_t helmets = images_.findGroup("HelmetN");

    for (Item<short>* nextIt = it->next; nextIt; nextIt = nextIt->next) {
        std::int16_t next = nextIt->value;
        std::int32_t d = facingToward(current, next);
        const bool leadInStep = routWalk && firstRout && firstStep;
        if (!rampaging && !leadInStep && nextIt->next) {
            const std::int16_t after = nextIt->next->value;
            const std::int32_t then = facingToward(next, after);
            auto onMap = [&](std::int32_t dir) {
                return land.isOnMap(land.neighbourOnScreen(current, dir)) != 0;
            };
            if (((d == 8 && then == 2) || (d == 2 && then == 8)) && onMap(8) && onMap(2)) {
                d = 1, next = after, nextIt = nextIt->next;
            } else if (((d == 6 && then == 4) || (d == 4 && then == 6)) && onMap(6) && onMap(4)) {
                d = 5, next = after, nextIt = nextIt->next;
            }
        }
        if (d < 1 || d > 8) d = 3;
        HillOffsets hill = record.entries[d];
        turnFacing_ = d;

        List<FrameInfo> frames;
        const bool leadIn = leadInStep && helmets >= 0 && d != 1 && d != 5;
        const auto walking = static_cast<std::int16_t>(animationGroup_ + d - 1);
        if (leadIn) {
            appendImages(images_, static_cast<std::int16_t>(helmets + d - 1), frames, 0, 7);
            appendImages(images_, walking, frames, 3, 4);
        }
        appendImages(images_, walking, frames);
        const std::uint16_t kind = leadIn ? SpritePhasedMove : SpriteMove;
        const std::uint16_t repeat = leadIn ? 10 : 0;
        const std::int16_t depth = depthFor(d);
        // The flag carries no jitter: it draws no dice, so a flag shown or not leaves the battle's dice
        // alone.
        Point3D jitter = &sprite == flag_.get() ? Point3D() : drawJitter();
        firstStep = false;

        auto waypoint = [&](const Point3D& p, std::int32_t t, std::int16_t hex) {
            queueWaypoint(sprite, p, t, hex, frames, depth, kind, repeat, jitter, factor);
        };
        // One step into a hex by the table of its heights; rampage hooks only on a step of its own.
        auto singleStep = [&](std::int16_t from, std::int16_t to, bool hooks) {
            const std::int16_t hf = land.heightOf(from), ht = land.heightOf(to);
            const bool rampage = hooks && rampaging;
            if (ht < hf) {
                const HexOffsets& h = hill.variants[2];
                waypoint(h.waypoints[0], dur(h, 0), to);
                waypoint(h.waypoints[1], dur(h, 1), to);
                if (ht == 0) sprite_calls::addSoundEvent(sprite, SoundStartSplashLoop, 0);
                if (rampage) rear(sprite, to);
                waypoint(record.home, dur(h, 2), to);
                if (rampage) trample(sprite, to);
            } else if (hf < ht) {
                const HexOffsets& h = hill.variants[1];
                waypoint(h.waypoints[0], dur(h, 0), from);
                if (hf == 0) sprite_calls::addSoundEvent(sprite, SoundStopSplashLoop, 0);
                waypoint(h.waypoints[1], dur(h, 1), to);
                if (rampage) rear(sprite, to);
                waypoint(record.home, dur(h, 2), to);
                if (rampage) trample(sprite, to);
            } else if (to != from) {
                const HexOffsets& h = hill.variants[0];
                waypoint(h.waypoints[0], dur(h, 0), to);
                if (rampage) rear(sprite, to);
                waypoint(record.home, dur(h, 1), to);
                if (rampage) trample(sprite, to);
            }
        };

        if (d == 1 || d == 5) {
            const bool left = record.home.x < 0;
            const std::int32_t side = d == 1 ? (left ? 8 : 2) : (left ? 6 : 4);
            const std::int16_t middle = land.neighbourOnScreen(current, side);
            const std::int16_t hc = land.heightOf(current), hm = land.heightOf(middle);
            if (hm < hc) {
                const HexOffsets& h = hill.variants[2];
                waypoint(h.waypoints[0], dur(h, 0), middle);
                waypoint(h.waypoints[1], dur(h, 1), middle);
                if (hm == 0) sprite_calls::addSoundEvent(sprite, SoundStartSplashLoop, 0);
                waypoint(h.waypoints[2], dur(h, 2), middle);
            } else if (hc < hm) {
                const HexOffsets& h = hill.variants[1];
                waypoint(h.waypoints[0], dur(h, 0), current);
                if (hc == 0) sprite_calls::addSoundEvent(sprite, SoundStopSplashLoop, 0);
                waypoint(h.waypoints[1], dur(h, 1), middle);
                waypoint(h.waypoints[2], dur(h, 2), middle);
            } else {
                const HexOffsets& h = hill.variants[0];
                waypoint(h.waypoints[0], dur(h, 0), middle);
                waypoint(h.waypoints[1], dur(h, 1), middle);
            }
            hill = record.entries[d == 1 ? 9 : 10];
            jitter = &sprite == flag_.get() ? Point3D() : drawJitter();
            singleStep(middle, next, false);
        } else {
            singleStep(current, next, true);
        }
        current = next;
    }

    sprite_calls::addSoundEvent(sprite, SoundStopMovement, static_cast<std::uint16_t>(unitKind_));
    // Every step queues its waypoints in the hex it enters; a path of one hex takes none.
    const std::int16_t reached = path.count() > 1 ? current : std::int16_t(-1);
    // A path of the destination alone: the figure goes over to it in its place, as the unit does, so that
    // the object never stands on two hexes. The flag's caller moves it with its cloth and shadow.
    if (reached < 0 && &sprite != flag_.get() && static_cast<std::int16_t>(sprite.region()) != current)
        sprite.changeRegion(current);
    if (traits().leader || &sprite == flag_.get() || rampaging) return reached;
    sprite_calls::addFrameEvent(
        sprite, current, Point4D(),
        sprite_calls::oneFrame(routWalk ? "StandingR" : "Standing", static_cast<std::int16_t>(facing_ - 1)),
        depthFor(facing_), SpriteAnimateOnce, 0);
    return reached;
}

} // namespace vael
