#include "framework/ui/scroll_bar.h"

#include <algorithm>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/container.h"

namespace vael {

namespace {

constexpr const char* HorizontalNames[ScrollBar::Roles] = {
    "Left end up", "Left end down", "Right end up", "Right end down", "Left track",
    "Slot",        "Right track",   "Left thumb",   "Thumb mid",      "Right thumb"};
constexpr const char* VerticalNames[ScrollBar::Roles] = {
    "Top end up", "Top end down", "Bottom end up", "Bottom end down", "Top track",
    "Slot",       "Bottom track", "Top thumb",     "Thumb mid",       "Bottom thumb"};

} // namespace

ScrollBar::ScrollBar(Axis axis, std::int16_t contentLength, std::int16_t viewAt, std::int16_t viewLength,
                     const char* name, const char* const (&pictureNames)[Roles])
    : ScrollControl(axis == Horizontal ? Dim(contentLength, 0) : Dim(0, contentLength), name), axis_(axis),
      images_(PictureArchive::open("Scroll Bars")) {
    const char* group = axis == Horizontal ? "Horizontal" : "Vertical";
    for (int role = 0; role < Roles; ++role)
        pictures_[role] = images_->drawable(pictureNames[role], group);
    const Picture& first = pictures_[FirstEndUp];
    const Picture& second = pictures_[SecondEndUp];
    const Picture& slot = pictures_[Slot];
    const Picture& mid = pictures_[ThumbMid];
    if (axis == Horizontal)
        track_ = Box(first.width(), static_cast<std::int16_t>((slot.height() - mid.height()) / 2),
                     static_cast<std::int16_t>(width() - second.width() - first.width()), mid.height());
    else
        track_ = Box(static_cast<std::int16_t>((slot.width() - mid.width()) / 2), first.height(), mid.width(),
                     static_cast<std::int16_t>(height() - first.height() - second.height()));
    computeScales();
    this->viewAt() = viewAt;
    this->viewLength() = viewLength;
    updateThumb();
}

ScrollBar::~ScrollBar() {
    if (timerActive_) killTimer(&ScrollBar::onRepeat);
}

// Size and geometry.

void ScrollBar::fitTrack() {
    const std::int16_t ends =
        static_cast<std::int16_t>(pictureLength(FirstEndUp) + pictureLength(SecondEndUp));
    if (axis_ == Horizontal)
        track_.w = static_cast<std::int16_t>(width() - ends);
    else
        track_.h = static_cast<std::int16_t>(height() - ends);
    computeScales();
}

void ScrollBar::resize(const Dim& size) {
    Tile::resize(size);
    fitTrack();
}

void ScrollBar::setBox(const Box& box) {
    Tile::setBox(box);
    fitTrack();
}

std::int16_t ScrollBar::contentToTrackAlong(std::int16_t at) const {
    return static_cast<std::int16_t>(contentToTrackLength(at) + trackAt());
}

std::int16_t ScrollBar::trackToContentAlong(std::int16_t at) const {
    return trackToContentLength(static_cast<std::int16_t>(at - trackAt()));
}

std::int16_t ScrollBar::contentToTrackLength(std::int16_t length) const {
    return scaled(length, axis_ == Horizontal ? xScale_ : yScale_);
}

std::int16_t ScrollBar::trackToContentLength(std::int16_t length) const {
    return unscaled(length, axis_ == Horizontal ? xScale_ : yScale_);
}

void ScrollBar::setContentLength(std::int16_t length) {
    (axis_ == Horizontal ? contentSize_.w : contentSize_.h) = length;
    computeScales();
    viewChanged();
}

void ScrollBar::setTrackLength(std::int16_t length) {
    (axis_ == Horizontal ? track_.w : track_.h) = length;
    computeScales();
    viewChanged();
}

void ScrollBar::updateThumb() {
    const std::int16_t at = contentToTrackAlong(viewAt()), length = contentToTrackLength(viewLength());
    thumb_ = axis_ == Horizontal ? Box(at, track_.y, length, track_.h) : Box(track_.x, at, track_.w, length);
}

std::int16_t ScrollBar::scrollTo(const Point& corner) {
    ScrollControl::scrollTo(corner);
    draw();
    update();
    return 0;
}

std::int16_t ScrollBar::scrollBy(const Dim& step) {
    ScrollControl::scrollBy(step);
    draw();
    update();
    return 0;
}

void ScrollBar::setViewSize(const Dim& size) {
    viewLength() = along(size);
    viewChanged();
}

// Drawing.

std::int16_t ScrollBar::pictureLength(Role role) const {
    return axis_ == Horizontal ? pictures_[role].width() : pictures_[role].height();
}

void ScrollBar::drawWhole(Point& pen, Role role) {
    if (pictures_[role].exists()) drawWholeBitmap(pen, pictures_[role].surface);
    (axis_ == Horizontal ? pen.x : pen.y) += pictureLength(role);
}

void ScrollBar::drawTiled(Point& pen, Role role, std::int32_t length) {
    const std::int16_t each = pictureLength(role);
    if (each <= 0 || length <= 0) return;
    for (std::int32_t n = length / each; n > 0; --n)
        drawWhole(pen, role);
    const auto rest = static_cast<std::int16_t>(length % each);
    const Picture& picture = pictures_[role];
    if (rest > 0 && picture.exists())
        drawBitmap(pen, picture.surface,
                   axis_ == Horizontal ? Box(0, 0, rest, picture.height())
                                       : Box(0, 0, picture.width(), rest));
    (axis_ == Horizontal ? pen.x : pen.y) += rest;
}

void ScrollBar::draw() {
    Point pen;
    drawWhole(pen, firstEnd_);
    drawWhole(pen, TrackStart);
    drawTiled(pen, Slot, trackLength() - pictureLength(TrackStart) - pictureLength(TrackEnd));
    drawWhole(pen, TrackEnd);
    drawWhole(pen, secondEnd_);
    // A thumb wholly off the track is not drawn at all (not at the corner of an empty box).
    const Box shown = thumb_ & track_;
    if (shown.w > 0 && shown.h > 0) {
        pen = Point(shown.x, shown.y);
        drawWhole(pen, ThumbStart);
        drawTiled(pen, ThumbMid,
                  (axis_ == Horizontal ? shown.w : shown.h) - pictureLength(ThumbStart) -
                      pictureLength(ThumbEnd));
        drawWhole(pen, ThumbEnd);
    }
    Display::draw();
}

// Pressing, dragging and repeating.

Dim ScrollBar::stepAlong(std::int16_t step) const {
    return axis_ == Horizontal ? Dim(step, 0) : Dim(0, step);
}

Box ScrollBar::band(const Box& span) const {
    // A bar is a line: what lies across its axis from the track still belongs to the track.
    return axis_ == Horizontal ? Box(span.x, 0, span.w, height()) : Box(0, span.y, width(), span.h);
}

std::int16_t ScrollBar::limited(std::int16_t step) const {
    const std::int32_t lowest = -viewAt(), highest = contentLength() - viewAt() - viewLength();
    if (lowest > highest) return 0;
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(step, lowest, highest));
}

void ScrollBar::send(std::int16_t step) {
    if (!getBus()) return;
    Container<Dim> box(stepAlong(step));
    dropAnswer(sendNow(SCROLL_TO, &box));
}

void ScrollBar::leftButtonDown(const Point& p) {
    if (!captured()) captureMouse();
    enableMouseEvent(MouseMoved);
    enableMouseEvent(MouseLeftUp);
    // Even a press that steps nothing starts watching from here, so that moving about on a held arrow
    // does not count as crossing the track's edge.
    lastPoint_ = p;
    if (band(thumb_).contains(p)) {
        dragging_ = 1;
        grabOffset_ = p - Point(thumb_.x, thumb_.y);
        return;
    }
    const std::int16_t at = along(p);
    std::int32_t step = 0;
    if (!band(track_).contains(p)) {
        if (at < trackAt()) {
            firstEnd_ = FirstEndDown;
            if (viewAt() > 0) step = -1;
        } else {
            secondEnd_ = SecondEndDown;
            if (viewAt() + viewLength() < contentLength()) step = 1;
        }
    } else if (at < along(Point(thumb_.x, thumb_.y))) {
        step = std::max<std::int32_t>(-viewAt(), -viewLength());
    } else {
        step = std::min<std::int32_t>(contentLength() - viewAt() - viewLength(), viewLength());
    }
    if (step != 0) {
        scrollStep_ = stepAlong(static_cast<std::int16_t>(step));
        send(static_cast<std::int16_t>(step));
        repeatDelay_ = RepeatDelay;
        if (!timerActive_) addTimer(&ScrollBar::onRepeat, RepeatRate);
        timerActive_ = 1;
    }
    draw();
    update();
}

void ScrollBar::mouseMoved(const Point& p) {
    if (dragging_) {
        const std::int16_t step = limited(static_cast<std::int16_t>(
            trackToContentAlong(static_cast<std::int16_t>(along(p) - along(grabOffset_))) - viewAt()));
        if (step != 0) scrollStep_ = stepAlong(step), send(step);
        return;
    }
    if (band(track_).contains(lastPoint_) == band(track_).contains(p))
        lastPoint_ = p;
    else
        stopRepeating();
}

void ScrollBar::stopRepeating() {
    if (captured() == this) releaseMouse();
    disableMouseEvent(MouseMoved);
    disableMouseEvent(MouseLeftUp);
    if (timerActive_) killTimer(&ScrollBar::onRepeat);
    timerActive_ = 0;
    dragging_ = 0;
    scrollStep_ = Dim();
    firstEnd_ = FirstEndUp;
    secondEnd_ = SecondEndUp;
    draw();
    update();
}

void ScrollBar::leftButtonUp(const Point&) {
    stopRepeating();
}

ContainerBase* ScrollBar::onRepeat(Component* target, BusMessage, ContainerBase*) {
    if (auto* bar = dynamic_cast<ScrollBar*>(target)) bar->repeat();
    return nullptr;
}

void ScrollBar::repeat() {
    if (repeatDelay_ >= 1) {
        --repeatDelay_;
        return;
    }
    // Paging has brought the thumb under the pointer.
    if (band(thumb_).contains(lastPoint_)) {
        stopRepeating();
        return;
    }
    if (const std::int16_t step = limited(along(scrollStep_))) send(step);
}

HScrollBar::HScrollBar(std::int16_t contentWidth, std::int16_t viewX, std::int16_t viewWidth,
                       const char* name)
    : ScrollBar(Horizontal, contentWidth, viewX, viewWidth, name ? name : "Unnamed HScrollBar Tile",
                HorizontalNames) {}

VScrollBar::VScrollBar(std::int16_t contentHeight, std::int16_t viewY, std::int16_t viewHeight,
                       const char* name)
    : ScrollBar(Vertical, contentHeight, viewY, viewHeight, name ? name : "Unnamed VScrollBar Tile",
                VerticalNames) {}

} // namespace vael
