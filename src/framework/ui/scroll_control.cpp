#include "framework/ui/scroll_control.h"

#include <cmath>

#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/container.h"

namespace vael {

namespace {

// Truncated toward zero and kept inside 16 bits, so that a wild scale cannot give an undefined cast.
std::int16_t truncated(float v) {
    if (std::isnan(v)) return 0;
    if (v >= 32767.0f) return 32767;
    if (v <= -32768.0f) return -32768;
    return static_cast<std::int16_t>(v);
}

float scaleOf(std::int16_t track, std::int16_t content) {
    return content == 0 ? 0.0f : static_cast<float>(track) / static_cast<float>(content);
}

// Keeps a span of the given length inside [start, start + room), centring it when it is the longer.
std::int16_t clampSpan(std::int16_t& at, std::int16_t length, std::int16_t start, std::int16_t room) {
    std::int32_t wanted = at;
    if (length > room)
        wanted = start + (room - length) / 2;
    else if (at < start)
        wanted = start;
    else if (at + length > start + room)
        wanted = start + room - length;
    else
        return 0;
    at = static_cast<std::int16_t>(wanted);
    return 1;
}

} // namespace

ScrollControl::ScrollControl(const Dim& contentSize, const char* name)
    : Tile(Box(), name ? name : "Unnamed ScrollControl Tile"), contentSize_(contentSize) {}

std::int16_t ScrollControl::scaled(std::int32_t length, float scale) {
    return truncated(static_cast<float>(length) * scale);
}

std::int16_t ScrollControl::unscaled(std::int32_t length, float scale) {
    return scale == 0.0f ? std::int16_t(0) : truncated(static_cast<float>(length) / scale);
}

void ScrollControl::computeScales() {
    xScale_ = scaleOf(track_.w, contentSize_.w);
    yScale_ = scaleOf(track_.h, contentSize_.h);
}

void ScrollControl::setContentSize(const Dim& size) {
    contentSize_ = size;
    computeScales();
}

void ScrollControl::setTrackSize(const Dim& size) {
    track_.w = size.w;
    track_.h = size.h;
    computeScales();
}

void ScrollControl::setTrack(const Box& track) {
    track_ = track;
    computeScales();
}

Point ScrollControl::contentToTrack(const Point& p) const {
    return Point(static_cast<std::int16_t>(scaled(p.x, xScale_) + track_.x),
                 static_cast<std::int16_t>(scaled(p.y, yScale_) + track_.y));
}

Point ScrollControl::trackToContent(const Point& p) const {
    return Point(unscaled(p.x - track_.x, xScale_), unscaled(p.y - track_.y, yScale_));
}

Dim ScrollControl::contentToTrackDim(const Dim& d) const {
    return Dim(scaled(d.w, xScale_), scaled(d.h, yScale_));
}

Dim ScrollControl::trackToContentDim(const Dim& d) const {
    return Dim(unscaled(d.w, xScale_), unscaled(d.h, yScale_));
}

Box ScrollControl::contentToTrackBox(const Box& b) const {
    return Box(contentToTrack(Point(b.x, b.y)), contentToTrackDim(Dim(b.w, b.h)));
}

Box ScrollControl::trackToContentBox(const Box& b) const {
    return Box(trackToContent(Point(b.x, b.y)), trackToContentDim(Dim(b.w, b.h)));
}

std::int16_t ScrollControl::clampView() {
    const std::int16_t x = clampSpan(view_.x, view_.w, 0, contentSize_.w);
    const std::int16_t y = clampSpan(view_.y, view_.h, 0, contentSize_.h);
    return x | y;
}

std::int16_t ScrollControl::clampThumb() {
    const std::int16_t x = clampSpan(thumb_.x, thumb_.w, track_.x, track_.w);
    const std::int16_t y = clampSpan(thumb_.y, thumb_.h, track_.y, track_.h);
    return x | y;
}

void ScrollControl::updateThumb() {
    thumb_ = Box(contentToTrack(Point(view_.x, view_.y)), contentToTrackDim(Dim(view_.w, view_.h)));
}

void ScrollControl::viewChanged() {
    clampView();
    updateThumb();
    clampThumb();
}

std::int16_t ScrollControl::scrollTo(const Point& corner) {
    view_.x = corner.x;
    view_.y = corner.y;
    viewChanged();
    return 0;
}

std::int16_t ScrollControl::scrollBy(const Dim& step) {
    view_.x = static_cast<std::int16_t>(view_.x + step.w);
    view_.y = static_cast<std::int16_t>(view_.y + step.h);
    viewChanged();
    return 0;
}

void ScrollControl::setViewSize(const Dim& size) {
    view_.w = size.w;
    view_.h = size.h;
    viewChanged();
}

void ScrollControl::connectHandlers() {
    connect(SCROLL_TO, &ScrollControl::onScrollTo);
}

ContainerBase* ScrollControl::onScrollTo(Component* target, BusMessage, ContainerBase* data) {
    auto* control = dynamic_cast<ScrollControl*>(target);
    Point corner;
    Dim step;
    if (control && Container<Point>::fromMessage(data, corner))
        control->scrollTo(corner);
    else if (control && Container<Dim>::fromMessage(data, step))
        control->scrollBy(step);
    else
        Assertion::fail("Bad data passed in bus message -- SCROLL_TO", __FILE__, __LINE__);
    return nullptr;
}

} // namespace vael
