#include "framework/display/sprite.h"

namespace vael {

Sprite::Sprite(std::uint16_t region, const Point3D& location, Bitmap* frame, std::uint16_t layer,
               std::uintptr_t groupKey, std::uint32_t drawMode)
    : layer_(layer), groupKey_(groupKey), region_(region), location_(location), start_(location, 0),
      frame_(frame), drawMode_(drawMode) {}

Sprite::~Sprite() {
    if (journaled_) std::erase(journalList(), this);
}

std::vector<Sprite*>& Sprite::journalList() {
    static auto* journal = new std::vector<Sprite*>();
    return *journal;
}

std::int16_t Sprite::advance() {
    return frameCursor_.next(frame_);
}

void Sprite::advanceWithWrap() {
    if (!advance()) advance();
}

void Sprite::beginHead(SpriteEvent& head) {
    if (head.newLayer != -1) layer_ = static_cast<std::uint16_t>(head.newLayer);
    frameCursor_.attach(head.frames);
    if (head.kind == SpritePhasedMove) {
        // The walking cycle goes on in step with the move before.
        for (std::int16_t i = 0; i < frameCount_; ++i)
            advance();
    } else {
        frameCount_ = 0;
    }
}

void Sprite::chain() {
    removeFirstEvent();
    Item<SpriteEvent>* head = nullptr;
    if (!events_.firstItem(head)) {
        detachCursor();
        return;
    }
    // Timed from where the last one was due to end, so that a chain of moves does not drift with the
    // moments the updates happen to come.
    head->value.target.t += start_.t;
    beginHead(head->value);
}

void Sprite::land(const SpriteEvent& event) {
    start_ = event.target;
    location_.assign(event.target);
    region_ = event.region;
    chain();
}

void Sprite::stepMove(SpriteEvent& event, std::int32_t now) {
    const std::int64_t span = std::int64_t{event.target.t} - start_.t;
    // A clock that went back past the start leaves nothing to divide by: the move lands.
    if (span <= 0 || now >= event.target.t) {
        advance();
        if (event.kind == SpritePhasedMove) ++frameCount_;
        land(event);
        return;
    }
    if (event.kind == SpritePhasedMove) {
        ++frameCount_;
        if (!advance()) {
            frameCount_ = 0;
            for (std::uint16_t i = 0; i < event.restartFrames; ++i, ++frameCount_)
                advance();
        }
    } else {
        advanceWithWrap();
    }
    const std::int64_t p = (std::int64_t{now} - start_.t) * 100 / span;
    location_.x = static_cast<std::int16_t>(start_.x + (std::int64_t{event.target.x} - start_.x) * p / 100);
    location_.y = static_cast<std::int16_t>(start_.y + (std::int64_t{event.target.y} - start_.y) * p / 100);
}

void Sprite::processEvent(SpriteEvent& event, std::int32_t now) {
    switch (event.kind) {
    case SpriteMove:
    case SpritePhasedMove:
        stepMove(event, now);
        return;
    case SpriteAnimateOnce:
        if (advance()) return;
        start_.t = now;
        chain();
        return;
    case SpriteHold:
        advanceWithWrap();
        start_ = event.target;
        location_.assign(event.target);
        return;
    case SpriteDrawPlain:
    case SpriteDrawPlainAgain:
        drawMode_ = DrawPlain;
        break;
    case SpriteDrawMode2:
        drawMode_ = 2;
        break;
    case SpriteDrawMode3:
        drawMode_ = 3;
        break;
    case SpriteMarker:
        break;
    case SpriteHide:
        hidden_ = 1;
        break;
    case SpriteShow:
        hidden_ = 0;
        break;
    default:
        return; // waits, and kinds this sprite does not know, stay at the head
    }
    abortEvent();
}

std::int16_t Sprite::removeFirstEvent() {
    return events_.removeFirst();
}

void Sprite::abortEvent() {
    removeFirstEvent();
    detachCursor();
}

std::int16_t Sprite::compare(const Sprite& other) const {
    if (groupKey_ != 0 && groupKey_ == other.groupKey_ && layer_ != NoLayer && other.layer_ != NoLayer)
        return static_cast<std::int16_t>(layer_) > static_cast<std::int16_t>(other.layer_);
    return location_.y > other.location_.y;
}

Box Sprite::draw(Bitmap& target, const Point& origin) {
    if (hidden_ || !frame_) return Box();
    return target.drawWholeBitmap(Point(location_) - origin, *frame_, static_cast<std::int16_t>(drawMode_));
}

void Sprite::addEvent(std::uint16_t region, const Point4D& target, const List<Bitmap*>& frames,
                      std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames) {
    queueEvent(SpriteEvent(region, target, frames, newLayer, kind, restartFrames));
}

void Sprite::addSimpleEvent(std::uint16_t kind) {
    queueEvent(SpriteEvent(region_, Point4D(), List<Bitmap*>(), -1, kind, 0));
}

void Sprite::queueEvent(const SpriteEvent& event) {
    events_.push(event);
}

Box Sprite::frameBox() const {
    if (!frame_) return Box(location_, Dim());
    return Box(Point(location_) - frame_->hotSpot(), frame_->size());
}

Container<List<Box>>* Sprite::update(std::int32_t now) {
    auto* boxes = new Container<List<Box>>();
    if (events_.isEmpty()) {
        changed_ = 0;
        return boxes;
    }
    Item<SpriteEvent>* head = nullptr;
    events_.firstItem(head);
    if (events_.count() > 1 && head->value.kind == SpriteHold) {
        removeFirstEvent();
        detachCursor();
        events_.firstItem(head);
    }
    markChanged();
    const Box before = frameBox();
    if (frameCursor_.isNull()) {
        head->value.target.t += now;
        start_.t = now;
        beginHead(head->value);
    }
    processEvent(head->value, now);
    boxes->valuePtr()->append(before | frameBox());
    return boxes;
}

void Sprite::hide() {
    hidden_ = 1;
    markChanged();
}

void Sprite::show() {
    hidden_ = 0;
    markChanged();
}

Box Sprite::bounds() const {
    return hidden_ ? Box() : frameBox();
}

std::int16_t Sprite::hitTest(const Point& point) const {
    return frame_ ? frame_->isOpaqueAt(point - Point(location_)) : 0;
}

} // namespace vael
