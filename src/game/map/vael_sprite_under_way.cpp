// A sprite's queue in a saved game: what it was playing, and how far it had got, so that a loaded game
// plays the rest at the same moments (and draws from the dice in the same order) as the battle that saved.
#include <sstream>

#include "framework/core/registered_message.h"
#include "framework/core/type_info.h"
#include "game/map/map_message_names.h"
#include "game/map/raw_bytes.h"
#include "game/map/vael_sprite.h"

namespace vael {

namespace {

// Where an iterator stands in the list it walks: how many steps from its start, the list's count when
// it went past the end; -1 when it walks nothing.
std::int16_t stepsTaken(const ListIterator<FrameInfo>& iterator, const List<FrameInfo>& frames) {
    if (iterator.isNull()) return -1;
    ListIterator<FrameInfo> walk = iterator;
    Item<FrameInfo>* at = nullptr;
    // The item the iterator hands out next; none once it went past the end.
    if (!walk.nextItem(at)) return static_cast<std::int16_t>(frames.count());
    std::int16_t steps = 0;
    Item<FrameInfo>* it = nullptr;
    for (frames.firstItem(it); it && it != at; it = it->next)
        ++steps;
    return steps;
}

// The kinds that are a message's number, which another run of the program may number otherwise: each is
// marked by its place here rather than kept as a number (0 for any other kind). An elephant's sprite
// carries its rampage's blows and moves between its steps.
constexpr const char* NamedKinds[] = {nullptr, "ChangeRegion", msg::RampageCasualty, msg::RampageMove};
constexpr std::uint16_t KindsNamed = sizeof NamedKinds / sizeof NamedKinds[0];

std::uint16_t kindMark(std::uint16_t kind) {
    for (std::uint16_t mark = 1; mark < KindsNamed; ++mark)
        if (kind == RegisteredMessage::getId(NamedKinds[mark])) return mark;
    return 0;
}

} // namespace

void VaelSprite::dropEvents() {
    while (!events_.isEmpty())
        Sprite::removeFirstEvent();
    frameIterator_ = ListIterator<FrameInfo>();
}

void VaelSprite::saveUnderWay(std::ostream& stream) const {
    // The events' payloads go through their record, which must be there to write them whole.
    const TypeInfo<VaelSpriteEvent> record;
    VaelSprite::save(stream);
    raw::putU16(stream, static_cast<std::uint16_t>(events_.count()));
    Item<SpriteEvent>* it = nullptr;
    const List<FrameInfo>* headFrames = nullptr;
    const VaelSpriteEvent none;
    for (events_.firstItem(it); it; it = it->next) {
        it->value.save(stream);
        const auto* box = dynamic_cast<const Container<VaelSpriteEvent>*>(it->value.payload());
        const VaelSpriteEvent& payload = box ? *box->valuePtr() : none;
        if (!headFrames) headFrames = &payload.frames;
        raw::putU16(stream, kindMark(it->value.kind));
        for (const Point3D& target : payload.targets) {
            raw::putI16(stream, target.x);
            raw::putI16(stream, target.y);
            raw::putI16(stream, target.z);
        }
    }
    const List<FrameInfo> empty;
    raw::putI16(stream, stepsTaken(frameIterator_, headFrames ? *headFrames : empty));
    raw::putU32(stream, static_cast<std::uint32_t>(startTime_));
}

bool VaelSprite::loadUnderWay(std::istream& stream) {
    const TypeInfo<VaelSpriteEvent> record;
    dropEvents();
    if (!VaelSprite::load(stream)) return false;
    const std::uint16_t played = soundPlayed_;
    std::uint16_t count = 0;
    if (!raw::getU16(stream, count)) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        SpriteEvent event;
        Point3D targets[Levels];
        std::uint16_t mark = 0;
        bool whole = event.load(stream) && raw::getU16(stream, mark) && mark < KindsNamed;
        if (whole && mark) event.kind = RegisteredMessage::getId(NamedKinds[mark]);
        for (Point3D& target : targets)
            whole = whole && raw::getI16(stream, target.x) && raw::getI16(stream, target.y) &&
                    raw::getI16(stream, target.z);
        if (!whole) {
            while (!events_.isEmpty())
                Sprite::removeFirstEvent();
            return false;
        }
        VaelSpriteEvent& payload = payloadOf(event);
        for (int level = 0; level < Levels; ++level)
            payload.targets[level] = targets[level];
        queueEvent(event);
    }
    std::int16_t position = 0;
    std::uint32_t started = 0;
    if (!raw::getI16(stream, position) || !raw::getU32(stream, started) ||
        (position >= 0 && events_.isEmpty()) || (loadRefusal_ = unfitQueue(position >= 0))) {
        while (!events_.isEmpty())
            Sprite::removeFirstEvent();
        return false;
    }
    startTime_ = static_cast<std::int32_t>(started);
    soundPlayed_ = played;
    Item<SpriteEvent>* head = nullptr;
    if (position >= 0 && events_.firstItem(head)) {
        VaelSpriteEvent& payload = payloadOf(head->value);
        frameIterator_.attach(payload.frames);
        Item<FrameInfo>* skipped = nullptr;
        for (std::int16_t k = 0; k < position && frameIterator_.nextItem(skipped); ++k) {
        }
    }
    return true;
}

} // namespace vael
