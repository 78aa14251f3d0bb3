#include "game/figures/p_cardaces.h"

#include <istream>
#include <ostream>
#include <sstream>

#include "framework/core/answer.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/record_bytes.h"
#include "game/figures/sprite_calls.h"
#include "game/map/vael_sprite_event.h"
#include "game/rules/roll.h"

namespace vael {
namespace {

bool isNamed(const LogicalCommandInfo& command, const char* name) {
    return command.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(name));
}

using record_bytes::get16;
using record_bytes::get3D;
using record_bytes::put16;
using record_bytes::put3D;

Point3D half(const Point3D& to, const Point3D& from) {
    return Point3D(static_cast<std::int16_t>(static_cast<std::int16_t>(to.x - from.x) / 2),
                   static_cast<std::int16_t>(static_cast<std::int16_t>(to.y - from.y) / 2), 0);
}

// By direction 1 to 8: the soldier's throwing pose and the javelin's picture in flight.
const char* const Poses[9] = {"", "MN", "MNE", "ME", "MSE", "MS", "MSW", "MW", "MNW"};
const char* const MissilePictures[9] = {"Default", "N", "NE", "E", "SE", "S", "SW", "W", "NW"};

} // namespace

PCardaces::PCardaces(const std::string& normalName, const std::string& halfName,
                     const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                     std::int32_t facing)
    : PPhalanx(normalName, halfName, quarterName, region, facing), MissileStock(missileKind) {
    setKind(DisplayKind::Cardaces);
}

VaelPhysicalObject* PCardaces::clone(std::int16_t region, std::int32_t facing) const {
    return new PCardaces(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), 2, region,
                         facing);
}

void PCardaces::setupAnimations() {
    PPhalanx::setupAnimations();
    // Soldier 19 leads the sounds of the block, and his javelin is the one heard landing.
    makeMissiles(Soldiers, region(), [this](VaelSprite* m) { announce(m); });
}

void PCardaces::handleEvent(LogicalCommandInfo& command) {
    if (isNamed(command, msg::MissileFire)) return volley(command);
    PPhalanx::handleEvent(command);
}

void PCardaces::commandFinished(LogicalCommandInfo& command) {
    if (isNamed(command, msg::MissileFire)) return;
    PPhalanx::commandFinished(command);
    followSoundLead([this](std::int16_t i) { return figure(i); });
}

std::int32_t PCardaces::frontDirection(std::int32_t d) const {
    if (d < 1 || d > 8 || facing() < 1 || facing() > 8) return d;
    const auto turn = static_cast<std::uint8_t>(facing() - 1);
    const DIRECTION r = rotateAnticlockwise(static_cast<DIRECTION>(d), turn);
    const auto sameNeighbour = [&](std::int32_t fromFirst, std::int32_t fromFront) {
        const std::int16_t a = landscapeQuery(primaryHex_, fromFirst);
        return a >= 0 && a == landscapeQuery(frontHex_, fromFront);
    };
    std::int32_t c = 0;
    switch (r) {
    case 1:
        c = 8;
        break;
    case 2:
        if (facing() == 1)
            c = sameNeighbour(2, 8) ? 8 : 2;
        else if (facing() == 5)
            c = sameNeighbour(6, 4) ? 8 : 2;
        else
            c = 1;
        break;
    case 3:
        c = 2;
        break;
    case 8:
        c = facing() == 1 || facing() == 5 ? 8 : 7;
        break;
    default:
        // Throws to the flanks and the rear have no angle of their own: the front hex throws as the first.
        return d;
    }
    return rotateClockwise(static_cast<DIRECTION>(c), turn);
}

Point4D PCardaces::apexLeg(const Point3D& start, std::int32_t d) const {
    if (d < 1 || d > 8) return Point4D(start, 0);
    const Point3D apex = start + half(missileTarget, start) + Shapes[d].apex;
    return Point4D(apex, static_cast<std::int32_t>(static_cast<std::int16_t>(start.distance(apex)) * 1000 /
                                                   Shapes[d].speed));
}

void PCardaces::volley(LogicalCommandInfo& command) {
    DIRECTION d1 = NoDirection;
    // Anything but a direction of fire would index the tables by direction out of range: the volley is
    // not shown, and the command ends on this tick with its notification as usual.
    if (!Container<DIRECTION>::fromMessage(command.payload.get(), d1) || d1 < 1 || d1 > 8) return;
    markFlagStale();
    moveFlagWithUnit(false);
    const std::int32_t d2 = frontDirection(d1);
    missileTarget = hexToPixel(static_cast<std::int16_t>(command.value));
    const Point3D p1 = hexToPixel(primaryHex_), p2 = hexToPixel(frontHex_);
    missileTarget.x = static_cast<std::int16_t>(missileTarget.x + Shapes[d1].shift);
    const Point4D a1 = apexLeg(p1, d1);
    const Point4D b(missileTarget,
                    static_cast<std::int32_t>(static_cast<std::int16_t>(Point3D(a1).distance(missileTarget)) *
                                              1000 / Shapes[d1].speed));
    const Point4D a2 = apexLeg(p2, d2);

    const std::int32_t dk[3] = {0, d1, d2};
    const Point3D pk[3] = {Point3D(), p1, p2};
    const Point4D ak[3] = {Point4D(), a1, a2};
    const auto kOf = [&](std::int16_t h) { return h == primaryHex_ ? 1 : 2; };
    const auto homeOf = [&](std::int16_t i) {
        const std::int16_t slot = figureSlot(i);
        return slot >= 0 && static_cast<std::size_t>(slot) < slotCount() ? slotOffsets(slot)[facing()]
                                                                         : Point3D();
    };
    const List<FrameInfo> stand = sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing() - 1));
    const List<FrameInfo> rest = sprite_calls::oneFrame("Default", 0);
    List<FrameInfo> wait;
    for (int n = 0; n < 4; ++n)
        wait.append(FrameInfo("Default", 0));

    const auto count = static_cast<std::int16_t>(spriteCount_);
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        VaelSprite& s = *figure(i);
        const auto h = static_cast<std::int16_t>(s.region());
        const std::int32_t d = dk[kOf(h)];
        const std::string pose = Poses[d];
        List<FrameInfo> turn;
        turn.append(FrameInfo("Standing", static_cast<std::int16_t>(d - 1)));
        turn.append(FrameInfo(pose, 0));
        List<FrameInfo> throwing;
        for (std::int16_t k : {1, 1, 1, 1, 1, 2, 3, 3, 3, 3, 3, 3})
            throwing.append(FrameInfo(pose, k));
        const Point3D home = homeOf(i);
        sprite_calls::addFrameEvent(s, h, Point4D(home + Shapes[d].step, 0), turn, -1, SpriteMove, 0);
        sprite_calls::addFrameEvent(s, h, Point4D(), throwing, -1, SpriteAnimateOnce, 0);
        sprite_calls::addFrameEvent(s, h, Point4D(home, 0), stand, -1, SpriteMove, 0);
        activeSprites_.append(&s);
    }
    for (std::int16_t i = 0; i < count; ++i) {
        if (!living(i)) continue;
        VaelSprite* m = i < projectileCount ? projectiles[i] : nullptr;
        if (!m) continue;
        const auto h = static_cast<std::int16_t>(figure(i)->region());
        const int k = kOf(h);
        const std::int32_t d = dk[k];
        const Point3D home = homeOf(i);
        const auto y = static_cast<std::int16_t>(10 - Roll::shown() % 21);
        const auto x = static_cast<std::int16_t>(10 - Roll::shown() % 21);
        const Point3D spread(x, y, 0);
        const Point3D hand = home + launchOffsets[static_cast<std::size_t>(d)];
        const Point3D offset = hand - pk[k];
        sprite_calls::addFrameEvent(*m, h, Point4D(), rest, -1, SpriteMove, 0);
        sprite_calls::addFrameEvent(*m, h, Point4D(hand, 0), rest, -1, SpriteMove, 0);
        sprite_calls::addFrameEvent(*m, h, Point4D(hand, 0), wait, -1, SpriteAnimateOnce, 0);
        sprite_calls::addFrameEvent(*m, h, Point4D(Point3D(ak[k]) + spread / 2 + offset, ak[k].t),
                                    sprite_calls::oneFrame(MissilePictures[d], 0), -1, SpriteMove, 0);
        // Only the sound lead's javelin is heard, as it starts to fall.
        sprite_calls::addSoundEvent(*m, SoundJavelinHit, 0);
        // Seen from above a javelin falling south shows its point, which is the rising picture.
        sprite_calls::addFrameEvent(*m, h, Point4D(Point3D(b) + spread + offset, b.t),
                                    sprite_calls::oneFrame(MissilePictures[d], d == 5 ? 0 : 1), -1,
                                    SpriteMove, 0);
        sprite_calls::addFrameEvent(*m, h, Point4D(), rest, -1, SpriteMove, 0);
        sprite_calls::addFrameEvent(*m, h, Point4D(home, 1000), rest, -1, SpriteMove, 0);
        activeSprites_.append(m);
    }
}

void PCardaces::save(std::ostream& out) {
    put16(out, projectileCount);
    put3D(out, missileTarget);
    const std::int16_t slots = projectiles.size();
    put16(out, slots);
    for (std::int16_t i = 0; i < slots; ++i) {
        VaelSprite* m = projectiles[i];
        put16(out, !m ? 0 : activeSprites_.contains(m) ? 1 : 2);
        if (m) m->save(out);
    }
    for (const Point3D& p : launchOffsets)
        put3D(out, p);
    PPhalanx::save(out);
}

void PCardaces::load(std::istream& in) {
    const auto refuse = [&](const std::string& why) {
        debugStream() << TracePrefix << "Saved state refused: " << why << std::endl;
        setLoadProblem(why);
        in.setstate(std::ios::failbit);
    };
    std::int16_t count = 0, slots = 0;
    Point3D target;
    if (!get16(in, count) || !get3D(in, target) || !get16(in, slots)) return refuse("the record runs short");
    // The missiles are read into those the object made at set-up; a record of others would read past them.
    if (count != projectileCount || slots != projectiles.size())
        return refuse("its missiles are not the object's");

    // Each missile read so far, with its state before, to be put back if the record fails further on.
    std::vector<std::pair<VaelSprite*, std::string>> touched;
    const auto fail = [&](const std::string& why) {
        for (auto& [m, before] : touched) {
            std::istringstream restore(before);
            m->load(restore);
        }
        in.clear();
        refuse(why);
    };
    std::vector<std::int16_t> marks(static_cast<std::size_t>(slots), 0);
    for (std::int16_t i = 0; i < slots; ++i) {
        std::int16_t& mark = marks[static_cast<std::size_t>(i)];
        if (!get16(in, mark)) return fail("the record runs short");
        if (mark < 0 || mark > 2) return fail("a missile's mark is unknown");
        if (mark == 0) continue;
        VaelSprite* m = projectiles[i];
        if (!m) return fail("it names a missile the object does not have");
        std::ostringstream before;
        m->save(before);
        touched.emplace_back(m, before.str());
        if (!m->load(in))
            return fail(m->loadRefusal() ? std::string("a missile's ") + m->loadRefusal()
                                         : std::string("a missile's record runs short"));
        // Missiles are drawn by their places alone: none is given a depth.
        if (m->getState() != 0) return fail("a missile's state is none a missile is given");
        if (m->layer() != Sprite::NoLayer)
            return fail("a missile's drawing depth is one a missile is never given");
    }
    std::array<Point3D, 9> launch{};
    for (Point3D& p : launch)
        if (!get3D(in, p)) return fail("the record runs short");
    PPhalanx::load(in);
    // The block's record says why it does not fit.
    if (in.fail()) {
        const std::string why = loadProblem();
        return fail(why.empty() ? "the block's record does not fit" : why);
    }

    // The whole record has been read: only now is anything taken away.
    projectileCount = count;
    missileTarget = target;
    launchOffsets = launch;
    for (std::int16_t i = 0; i < slots; ++i) {
        VaelSprite* m = projectiles[i];
        if (!m) continue;
        const std::int16_t mark = marks[static_cast<std::size_t>(i)];
        if (mark == 1) {
            if (!activeSprites_.contains(m)) activeSprites_.append(m);
            continue;
        }
        activeSprites_.remove(m);
        if (mark == 0) {
            Container<Sprite*> box(m);
            dropAnswer(sendNowNamed(msg::SpriteDestroyed, &box));
            delete m;
            projectiles[i] = nullptr;
        }
    }
}

} // namespace vael
