#include "game/map/vael_sprite.h"

#include <algorithm>
#include <cstdint>
#include <typeinfo>

#include "framework/core/registered_message.h"
#include "game/map/raw_bytes.h"
#include "game/rules/roll.h"
#include "game/sound/vael_sound_manager.h"

namespace vael {

VaelSpriteLayer* VaelSprite::layers_[2] = {nullptr, nullptr};

namespace {

constexpr std::uint16_t NoRegion = 0xFFFF;

// The union of two boxes where an empty one adds nothing.
Box joined(const Box& a, const Box& b) {
    if (a.w <= 0 || a.h <= 0) return b;
    if (b.w <= 0 || b.h <= 0) return a;
    return a | b;
}

// The sounds heard from every sprite, whether its own sound is on or not.
bool alwaysPlayed(std::int32_t event) {
    return event == SoundSplash || event == SoundElephantHit || event == SoundHorseBattle;
}

} // namespace

VaelSprite::VaelSprite() : Sprite(NoRegion, Point3D(), nullptr, NoLayer, 0, DrawPlain) {}

VaelSprite::VaelSprite(std::int16_t region, const Point3D& offset, const FrameInfo& frame,
                       std::uint16_t layer, VaelArtworkOwner* owner, std::uint32_t drawMode,
                       OIF<Bitmap>* normal, OIF<Bitmap>* half, OIF<Bitmap>* quarter, std::uint16_t view)
    : Sprite(static_cast<std::uint16_t>(region), Point3D(), nullptr, layer,
             reinterpret_cast<std::uintptr_t>(owner), drawMode),
      view_(view ? 1 : 0), frameName_(frame) {
    artwork_[0] = normal ? normal : owner ? owner->normalSizeArtwork() : nullptr;
    artwork_[1] = half ? half : owner ? owner->halfSizeArtwork() : nullptr;
    artwork_[2] = quarter ? quarter : owner ? owner->quarterSizeArtwork() : nullptr;
    for (int level = 0; level < Levels; ++level)
        positions_[level] = startPositions_[level] = positionOf(offset, level, region);
    followLocation();
    lookUp(frameName_);
}

VaelSprite::~VaelSprite() = default;

void VaelSprite::setPhysicalLayer(VaelSpriteLayer* layer, std::uint16_t view) {
    if (view < 2) layers_[view] = layer;
}

VaelSpriteLayer* VaelSprite::physicalLayer(std::uint16_t view) {
    return view < 2 ? layers_[view] : nullptr;
}

std::uint16_t VaelSprite::changeRegionKind() {
    return RegisteredMessage::getId("ChangeRegion");
}

Point VaelSprite::positionOf(const Point& offset, int level, std::int16_t region) const {
    const std::int16_t divisor = static_cast<std::int16_t>(1 << level);
    const Point scaled = offset / divisor;
    const VaelSpriteLayer* layer = layers_[view_];
    const Point anchor =
        layer ? Point(layer->regionAnchor(static_cast<std::int16_t>(level), region)) : Point();
    return anchor + scaled;
}

// Pictures.

namespace {
// The group a frame's name stands for in each level's library, or -1.
void groupsOf(OIF<Bitmap>* const (&artwork)[VaelSprite::Levels], const std::string& frameName,
              std::int16_t (&groups)[VaelSprite::Levels]) {
    const std::string* name = &frameName;
    std::string unmarked;
    // Some callers name a group with a leading marker character that the libraries do not carry.
    if (artwork[0] && !frameName.empty() && !artwork[0]->hasGroup(frameName)) {
        unmarked = frameName.substr(1);
        name = &unmarked;
    }
    for (int level = 0; level < VaelSprite::Levels; ++level)
        groups[level] = artwork[level] ? artwork[level]->findGroup(*name) : -1;
}
} // namespace

void VaelSprite::lookUp(const FrameInfo& frame) {
    if (frame.index == -1) return;
    std::int16_t groups[Levels];
    groupsOf(artwork_, frame.name, groups);
    for (int level = 0; level < Levels; ++level)
        levelFrames_[level] =
            groups[level] >= 0 ? artwork_[level]->lockImageAt(frame.index, groups[level]) : nullptr;
    frame_ = levelFrames_[0];
}

std::int16_t VaelSprite::advance() {
    const std::int16_t more = frameIterator_.next(frameName_);
    lookUp(frameName_);
    return more;
}

void VaelSprite::advanceWithWrap() {
    if (!advance()) advance();
}

// Queueing.

VaelSpriteEvent& VaelSprite::payloadOf(SpriteEvent& event) {
    auto* box = dynamic_cast<Container<VaelSpriteEvent>*>(event.payload());
    if (!box) {
        box = new Container<VaelSpriteEvent>();
        event.setPayload(box);
    }
    return *box->valuePtr();
}

void VaelSprite::queueEvent(const SpriteEvent& event) {
    const auto* box = dynamic_cast<const Container<VaelSpriteEvent>*>(event.payload());
    if (!box) {
        // Every queued event carries the game's payload: one without it goes as a copy with an empty one.
        SpriteEvent copy(event);
        payloadOf(copy);
        VaelSprite::queueEvent(copy);
        return;
    }
    // Loading now keeps the first step of the event from waiting on the disk; what shows stays as it was.
    // The frames of an event mostly come from one group, whose places are found once.
    const std::string* lastName = nullptr;
    std::int16_t groups[Levels] = {-1, -1, -1};
    Item<FrameInfo>* n = nullptr;
    for (box->valuePtr()->frames.firstItem(n); n; n = n->next) {
        const FrameInfo& frame = n->value;
        if (frame.index == -1) continue;
        if (!lastName || *lastName != frame.name) {
            groupsOf(artwork_, frame.name, groups);
            lastName = &frame.name;
        }
        for (int level = 0; level < Levels; ++level)
            if (groups[level] >= 0) artwork_[level]->lockImageAt(frame.index, groups[level]);
    }
    Sprite::queueEvent(event);
}

void VaelSprite::addEvent(std::uint16_t region, const Point4D& target, const List<Bitmap*>& frames,
                          std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames) {
    queueEvent(
        SpriteEvent(region, target, frames, newLayer, kind, restartFrames, new Container<VaelSpriteEvent>()));
}

void VaelSprite::addSimpleEvent(std::uint16_t kind) {
    queueEvent(
        SpriteEvent(region_, Point4D(), List<Bitmap*>(), -1, kind, 0, new Container<VaelSpriteEvent>()));
}

void VaelSprite::addNamedEvent(std::int16_t region, const Point4D& target, const List<FrameInfo>& frames,
                               std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames) {
    VaelSpriteEvent payload;
    payload.frames = frames;
    queueEvent(SpriteEvent(static_cast<std::uint16_t>(region), target, List<Bitmap*>(), newLayer, kind,
                           restartFrames, new Container<VaelSpriteEvent>(payload)));
}

void VaelSprite::addSound(const SoundEvent& sound) {
    VaelSpriteEvent payload;
    payload.sound = sound;
    queueEvent(SpriteEvent(region_, Point4D(), List<Bitmap*>(), -1, SoundCarrier, 0,
                           new Container<VaelSpriteEvent>(payload)));
}

void VaelSprite::addSound(std::int32_t event, std::uint16_t param) {
    addSound(SoundEvent{event, param});
}

void VaelSprite::changeRegion(std::int16_t region) {
    addNamedEvent(region, Point4D(), List<FrameInfo>(), -1, changeRegionKind(), 0);
}

std::int16_t VaelSprite::removeFirstEvent() {
    const std::int16_t removed = Sprite::removeFirstEvent();
    frameIterator_ = ListIterator<FrameInfo>();
    soundPlayed_ = 0;
    return removed;
}

// Stepping.

ZoomBoxes* VaelSprite::update(std::int32_t now) {
    auto* boxes = new ZoomBoxes();
    Box stepped[Levels];
    if (step(now, stepped))
        for (int level = 0; level < Levels; ++level)
            boxes->level(level).append(stepped[level]);
    return boxes;
}

bool VaelSprite::step(std::int32_t now, Box (&boxes)[Levels]) {
    if (events_.isEmpty()) {
        changed_ = 0;
        startTime_ = 0;
        return false;
    }
    Item<SpriteEvent>* head = nullptr;
    events_.firstItem(head);
    // A hold lasts only until something else is queued behind it.
    if (events_.count() > 1 && head->value.kind == SpriteHold) {
        removeFirstEvent();
        events_.firstItem(head);
    }
    markChanged();
    Box before[Levels];
    for (int level = 0; level < Levels; ++level)
        before[level] = boundsAt(level);
    if (frameIterator_.isNull()) {
        SpriteEvent& event = head->value;
        VaelSpriteEvent& payload = payloadOf(event);
        for (int level = 0; level < Levels; ++level)
            payload.targets[level] =
                Point3D(positionOf(event.target, level, static_cast<std::int16_t>(region_)), 0);
        if (event.newLayer != -1) layer_ = static_cast<std::uint16_t>(event.newLayer);
        // A loaded game's queue holds what its file says: a wait that would run past the clock's end waits
        // to its end rather than wrapping round to the past.
        event.target.t = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{event.target.t} + now, INT32_MIN, INT32_MAX));
        if (startTime_ == 0) startTime_ = now;
        frameIterator_.attach(payload.frames);
        if (event.kind == SpritePhasedMove) {
            // The walking cycle goes on in step with the move before.
            for (std::int16_t i = 0; i < frameCount_; ++i)
                advance();
        } else {
            frameCount_ = 0;
        }
    }
    processEvent(head->value, now);
    for (int level = 0; level < Levels; ++level)
        boxes[level] = joined(before[level], boundsAt(level));
    return true;
}

void VaelSprite::moveBy(const VaelSpriteEvent& payload, std::int64_t p) {
    for (int level = 0; level < Levels; ++level) {
        const Point& from = startPositions_[level];
        const Point3D& to = payload.targets[level];
        positions_[level].x = static_cast<std::int16_t>(from.x + (std::int64_t{to.x} - from.x) * p / 100);
        positions_[level].y = static_cast<std::int16_t>(from.y + (std::int64_t{to.y} - from.y) * p / 100);
    }
    followLocation();
}

void VaelSprite::land(SpriteEvent& event, const VaelSpriteEvent& payload) {
    for (int level = 0; level < Levels; ++level)
        startPositions_[level] = positions_[level] = Point(payload.targets[level]);
    followLocation();
    startTime_ = event.target.t;
    start_ = Point4D(location_, startTime_);
    if (event.region != NoRegion) region_ = event.region;
    removeFirstEvent();
}

void VaelSprite::processEvent(SpriteEvent& event, std::int32_t now) {
    VaelSpriteEvent& payload = payloadOf(event);
    if (!soundPlayed_ && (soundEnabled_ == 1 || alwaysPlayed(payload.sound.event)) && viewIsShown()) {
        playSound(payload.sound);
        soundPlayed_ = 1;
    }
    if (event.kind == changeRegionKind()) {
        // Positions are the map's own pixels: the sprite carries its offset from the old hex's anchor over
        // to the new one's. A flag that follows its unit gets nothing queued behind the change, and must
        // stand on the unit's new hex rather than at the map's origin.
        if (event.region != NoRegion) {
            const auto from = static_cast<std::int16_t>(region_),
                       to = static_cast<std::int16_t>(event.region);
            for (int level = 0; level < Levels; ++level) {
                const Point shift = positionOf(Point(), level, to) - positionOf(Point(), level, from);
                positions_[level] += shift;
                startPositions_[level] += shift;
            }
            region_ = event.region;
            followLocation();
        }
        removeFirstEvent();
        return;
    }
    const std::int32_t due = event.target.t;
    // A hold that ended in the future leaves the next move starting after its own end: there is nothing to
    // divide by, and the move lands at once.
    const bool over = now >= due || due <= startTime_;
    switch (event.kind) {
    case SpriteMove:
        advanceWithWrap();
        if (over) return land(event, payload);
        return moveBy(payload,
                      std::clamp<std::int64_t>(
                          (std::int64_t{now} - startTime_) * 100 / (std::int64_t{due} - startTime_), 0, 100));
    case SpritePhasedMove:
        ++frameCount_;
        if (!advance()) {
            frameCount_ = 0;
            for (std::uint16_t i = 0; i < event.restartFrames; ++i, ++frameCount_)
                advance();
        }
        if (over) return land(event, payload);
        return moveBy(payload,
                      std::clamp<std::int64_t>(
                          (std::int64_t{now} - startTime_) * 100 / (std::int64_t{due} - startTime_), 0, 100));
    case SpriteAnimateOnce:
        if (!advance()) {
            startTime_ = now;
            removeFirstEvent();
        }
        return;
    case SpriteHold:
        advanceWithWrap();
        for (int level = 0; level < Levels; ++level)
            positions_[level] = Point(payload.targets[level]);
        followLocation();
        startTime_ = due;
        return;
    case TimedWait:
        if (due < now) removeFirstEvent();
        return;
    default:
        Sprite::processEvent(event, now);
    }
}

bool VaelSprite::viewIsShown() const {
    const VaelSpriteLayer* layer = layers_[view_] ? layers_[view_] : layers_[1 - view_];
    const std::int16_t mode = layer ? layer->viewMode() : VaelSpriteLayer::NoView;
    return (mode == VaelSpriteLayer::NormalView && view_ == 0) ||
           (mode == VaelSpriteLayer::ReversedView && view_ == 1);
}

void VaelSprite::playSound(const SoundEvent& sound) {
    VaelSoundManager* m = VaelSoundManager::instance();
    if (!m) return;
    const std::int16_t param = static_cast<std::int16_t>(sound.param);
    switch (sound.event) {
    case SoundBowShot:
        return m->playBowShot();
    case SoundArrowHit:
        return m->playArrowHit();
    case SoundJavelinThrow:
        return m->playJavelinThrow();
    case SoundJavelinHit:
        return m->playJavelinHit();
    case SoundSlingShot:
        return m->playSlingShot();
    case SoundRockHit:
        return m->playRockHit();
    case SoundOxybelesShot:
        return m->playOxybelesShot();
    case SoundOxybelesHit:
        return m->playOxybelesHit();
    case SoundAnimalCall:
        return m->playAnimalCall(param);
    case SoundStartMovement:
        loopingSound_ = m->startMovementSound(param);
        return;
    case SoundStopMovement:
        if (loopingSound_ != -1) m->stopMovementSound(loopingSound_);
        loopingSound_ = -1;
        return;
    case SoundSplash:
        return m->playSplash();
    case SoundStartSplashLoop:
        return m->startSplashLoop();
    case SoundStopSplashLoop:
        return m->stopSplashLoop();
    case SoundStartShock:
        loopingSound_ = m->startShockSound(param);
        return;
    case SoundStopShock:
        if (loopingSound_ != -1) m->stopShockSound(loopingSound_);
        loopingSound_ = -1;
        return;
    case SoundStartElephant:
        loopingSound_ = m->startElephantSound();
        return;
    case SoundStopElephant:
        if (loopingSound_ != -1) m->stopElephantSound(loopingSound_);
        loopingSound_ = -1;
        return;
    // The din of battle is heard now and then, not from every figure at every blow.
    case SoundElephantHit:
        if (Roll::shown() % 10 < 2) m->playElephantHit();
        return;
    case SoundElephantHitAlt:
        if (Roll::shown() % 10 < 2) m->playElephantHitAlt();
        return;
    case SoundHorseBattle:
        if (Roll::shown() % 10 < 2) m->playHorseBattle();
        return;
    case SoundHorseBattleAlt:
        if (Roll::shown() % 10 < 2) m->playHorseBattleAlt();
        return;
    case SoundCheer:
        if (Roll::shown() % 100 < 4) m->playCheer();
        return;
    default:
        return;
    }
}

// Order, drawing and hits.

std::int16_t VaelSprite::compare(const Sprite& other) const {
    const std::int32_t a = positions_[0].y / 2;
    std::int32_t b = 0, otherX = 0;
    if (typeid(other) == typeid(VaelSprite)) {
        const auto& sprite = static_cast<const VaelSprite&>(other);
        b = sprite.positions_[0].y / 2;
        otherX = sprite.positions_[0].x;
    } else {
        b = other.location().y / 2;
        otherX = other.location().x;
    }
    if (a != b) return a > b;
    return positions_[0].x < otherX;
}

Box VaelSprite::draw(Bitmap& target, const Point& origin) {
    return drawAt(target, origin, 0);
}

Box VaelSprite::drawAt(Bitmap& target, const Point& origin, int level) {
    Bitmap* frame = levelFrames_[level];
    if (hidden_ || !frame) return Box();
    const auto mode =
        static_cast<std::int16_t>(lit_ && drawMode_ == DrawPlain ? std::uint32_t{DrawLight} : drawMode_);
    return target.drawWholeBitmap(positions_[level] - origin, *frame, mode);
}

Box VaelSprite::bounds() const {
    return boundsAt(0);
}

Box VaelSprite::boundsAt(int level) const {
    const Bitmap* frame = levelFrames_[level];
    if (hidden_ || !frame) return Box();
    const Point topLeft = positions_[level] - frame->hotSpot();
    return Box(topLeft.x, topLeft.y, frame->size().w, frame->size().h);
}

std::int16_t VaelSprite::hitTest(const Point& point) const {
    return hitTestAt(point, 0);
}

std::int16_t VaelSprite::hitTestAt(const Point& point, int level) const {
    const Bitmap* frame = levelFrames_[level];
    return frame ? frame->isOpaqueAt(point - positions_[level]) : 0;
}

void VaelSprite::moveToView1() {
    if (view_ == 1) return;
    const VaelSpriteLayer* normal = layers_[0];
    const Point anchor =
        normal ? Point(normal->regionAnchor(0, static_cast<std::int16_t>(region_))) : Point();
    const Point offset = positions_[0] - anchor;
    view_ = 1;
    for (int level = 0; level < Levels; ++level)
        positions_[level] = startPositions_[level] =
            positionOf(offset, level, static_cast<std::int16_t>(region_));
    followLocation();
}

// Saved games.

void VaelSprite::save(std::ostream& stream) const {
    raw::putU16(stream, layer_);
    raw::putU16(stream, region_);
    raw::putI16(stream, location_.x), raw::putI16(stream, location_.y), raw::putI16(stream, location_.z);
    raw::putI16(stream, start_.x), raw::putI16(stream, start_.y), raw::putI16(stream, start_.z);
    raw::putU32(stream, static_cast<std::uint32_t>(start_.t));
    raw::putU16(stream, changed_);
    raw::putU32(stream, drawMode_);
    raw::putI16(stream, frameCount_);
    raw::putU16(stream, hidden_);
    for (int level = 0; level < Levels; ++level) {
        raw::putI16(stream, positions_[level].x), raw::putI16(stream, positions_[level].y);
        raw::putI16(stream, startPositions_[level].x), raw::putI16(stream, startPositions_[level].y);
    }
    frameName_.write(stream);
    raw::putI16(stream, loopingSound_);
    raw::putU16(stream, soundEnabled_);
    raw::putU16(stream, soundPlayed_);
    raw::putU16(stream, state_);
}

bool VaelSprite::load(std::istream& stream) {
    std::uint16_t layer = 0, region = 0, changed = 0, hidden = 0, enabled = 0, played = 0, state = 0;
    std::int16_t lx = 0, ly = 0, lz = 0, sx = 0, sy = 0, sz = 0, frameCount = 0, looping = 0;
    std::uint32_t st = 0, drawMode = 0;
    Point positions[Levels], starts[Levels];
    FrameInfo frame;
    bool ok = raw::getU16(stream, layer) && raw::getU16(stream, region) && raw::getI16(stream, lx) &&
              raw::getI16(stream, ly) && raw::getI16(stream, lz) && raw::getI16(stream, sx) &&
              raw::getI16(stream, sy) && raw::getI16(stream, sz) && raw::getU32(stream, st) &&
              raw::getU16(stream, changed) && raw::getU32(stream, drawMode) &&
              raw::getI16(stream, frameCount) && raw::getU16(stream, hidden);
    for (int level = 0; ok && level < Levels; ++level)
        ok = raw::getI16(stream, positions[level].x) && raw::getI16(stream, positions[level].y) &&
             raw::getI16(stream, starts[level].x) && raw::getI16(stream, starts[level].y);
    ok = ok && frame.read(stream) && raw::getI16(stream, looping) && raw::getU16(stream, enabled) &&
         raw::getU16(stream, played) && raw::getU16(stream, state);
    loadRefusal_ = nullptr;
    if (!ok) return false;
    loadRefusal_ = unfitValue({region, hidden, drawMode, frameCount, positions, starts, &frame});
    if (loadRefusal_) return false;
    layer_ = layer;
    region_ = region;
    location_ = Point3D(lx, ly, lz);
    start_ = Point4D(sx, sy, sz, static_cast<std::int32_t>(st));
    // Journalled when raised, the flag keeps the value it was saved with.
    if (changed) markChanged();
    changed_ = changed;
    drawMode_ = drawMode;
    frameCount_ = frameCount;
    hidden_ = hidden;
    std::copy(positions, positions + Levels, positions_);
    std::copy(starts, starts + Levels, startPositions_);
    frameName_ = frame;
    lookUp(frameName_);
    loopingSound_ = looping;
    soundEnabled_ = enabled;
    soundPlayed_ = played;
    state_ = state;
    return true;
}

namespace {
constexpr const char* OtherGroup = "picture is of a group its archive does not have";
} // namespace

const char* VaelSprite::unfitValue(const SavedValues& saved) const {
    if (const char* why = unfitPicture(*saved.frame)) return why;
    // A walk in step counts its frames through one list of the archive's pictures; without an archive it
    // never walks so.
    const std::int16_t pictures = artwork_[0] ? artwork_[0]->totalImages() : 0;
    if (saved.frameCount < 0 || saved.frameCount > pictures)
        return "frame count is past its archive's pictures";
    // Its own events draw it plainly, grey or lit.
    if (saved.drawMode < DrawPlain || saved.drawMode > DrawLight)
        return "drawing mode is none it is drawn in";
    if (saved.hidden > 1) return "mark of being hidden is neither set nor clear";
    if (const char* why = unfitRegion(saved.region)) return why;
    for (int level = 0; level < Levels; ++level)
        for (const Point& p : {saved.positions[level], saved.starts[level]})
            if (!placeOnMap(level, p)) return "place at one of its zoom levels is off the map";
    return nullptr;
}

const char* VaelSprite::unfitPicture(const FrameInfo& frame) const {
    // A picture the archives do not hold is drawn as nothing: the figure would stand unseen. Index -1 names
    // no picture and keeps the one shown; a sprite without an archive (or whose archive could not be read)
    // shows none whatever it names, and the group it already names is its own, in its archive or not.
    if (frame.index == -1 || !artwork_[0] || artwork_[0]->groupCount() <= 0) return nullptr;
    std::int16_t groups[Levels];
    groupsOf(artwork_, frame.name, groups);
    if (groups[0] < 0 && frame.name != frameName_.name) return OtherGroup;
    for (int level = 0; level < Levels; ++level)
        if (groups[level] >= 0 &&
            (frame.index < 0 || frame.index >= artwork_[level]->imageCount(groups[level])))
            return "picture is past the pictures of its group";
    return nullptr;
}

const char* VaelSprite::unfitRegion(std::uint16_t region) const {
    // The hex it was made on stands, on the map or not.
    const VaelSpriteLayer* layer = layers_[view_];
    if (layer && region != region_ && !layer->regionOnMap(static_cast<std::int16_t>(region)))
        return "hex is not on the map";
    return nullptr;
}

bool VaelSprite::placeOnMap(int level, const Point& p) const {
    const VaelSpriteLayer* layer = layers_[view_];
    if (!layer) return true;
    const Box box = layer->placesBox(static_cast<std::int16_t>(level));
    if (box.w <= 0 || box.h <= 0) return true;
    return p.x >= box.x && p.y >= box.y && p.x < box.x + box.w && p.y < box.y + box.h;
}

bool VaelSprite::queuesKind(std::uint16_t kind) const {
    switch (kind) {
    case SpriteMove:
    case SpritePhasedMove:
    case SpriteAnimateOnce:
    case SpriteHold:
    case TimedWait:
    case SpriteDrawPlain:
    case SpriteDrawMode2:
    case SoundCarrier:
    case SpriteHide:
    case SpriteShow:
        return true;
    default:
        return false;
    }
}

const char* VaelSprite::unfitQueue(bool headUnderWay) const {
    // The hex each event is measured from: the sprite's own until a change of region or a move's landing
    // puts it elsewhere, as the events will play.
    std::uint16_t region = region_;
    Item<SpriteEvent>* it = nullptr;
    bool head = true;
    for (events_.firstItem(it); it; it = it->next, head = false) {
        const SpriteEvent& event = it->value;
        const bool change = event.kind == changeRegionKind();
        // A kind no step plays stays at the head of the queue for ever, and the battle waits on it.
        if (!change && !queuesKind(event.kind)) return "queued event is of a kind the game never queues";
        // Kinds of other sprites (a beast's) carry a count where the hex goes; its own ones a hex.
        if (!change && !VaelSprite::queuesKind(event.kind)) continue;
        if (event.region != NoRegion && unfitRegion(event.region))
            return "queued event's hex is not on the map";
        const auto* box = dynamic_cast<const Container<VaelSpriteEvent>*>(event.payload());
        if (box) {
            Item<FrameInfo>* frame = nullptr;
            for (box->valuePtr()->frames.firstItem(frame); frame; frame = frame->next)
                if (const char* why = unfitPicture(frame->value))
                    return why == OtherGroup
                               ? "queued event's picture is of a group its archive does not have"
                               : "queued event's picture is past the pictures of its group";
        }
        if (change && event.region != NoRegion) region = event.region;
        const bool moves = event.kind == SpriteMove || event.kind == SpritePhasedMove;
        if (!change && (moves || event.kind == SpriteHold)) {
            // The event under way has its places worked out; the others from the hex they start on.
            for (int level = 0; level < Levels; ++level) {
                const Point place =
                    head && headUnderWay && box
                        ? Point(box->valuePtr()->targets[level])
                        : positionOf(Point(event.target), level, static_cast<std::int16_t>(region));
                if (!placeOnMap(level, place))
                    return "queued event's place at one of its zoom levels is off the map";
            }
        }
        if (moves && event.region != NoRegion) region = event.region;
    }
    return nullptr;
}

void VaelSprite::writeArtworkNames(std::ostream& stream) const {
    for (const OIF<Bitmap>* library : artwork_) {
        const std::string name = library ? library->name() : std::string();
        const std::size_t n = std::min<std::size_t>(name.size(), 0xFFFF);
        raw::putU16(stream, static_cast<std::uint16_t>(n));
        stream.write(name.data(), static_cast<std::streamsize>(n));
    }
}

bool VaelSprite::readArtworkNames(std::istream& stream) {
    std::string names[Levels];
    for (std::string& name : names) {
        std::uint16_t n = 0;
        if (!raw::getU16(stream, n) || !raw::getText(stream, n, name)) return false;
    }
    for (int level = 0; level < Levels; ++level) {
        ownedArtwork_[level] = names[level].empty() ? nullptr : std::make_unique<OIF<Bitmap>>(names[level]);
        artwork_[level] = ownedArtwork_[level].get();
    }
    return true;
}

} // namespace vael
