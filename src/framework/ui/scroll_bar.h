#pragma once
// The scroll bars: end arrows, a tiled track and a three-piece thumb drawn from the archive
// "Scroll Bars", with arrow and page auto-repeat on the application's timers and thumb dragging. A bar
// reports each step as an immediate SCROLL_TO with the step and never moves its own view: the scrolled
// view follows the message and its owner moves the bar with scrollTo or scrollBy.
//
// The horizontal and the vertical bar are mirror images; ScrollBar holds what they share, told along the
// bar's own axis.
#include <cstdint>
#include <memory>

#include "framework/ui/picture_archive.h"
#include "framework/ui/scroll_control.h"

namespace vael {

class ScrollBar : public ScrollControl {
public:
    enum Axis : std::int16_t { Horizontal = 0, Vertical = 1 };
    // The pictures in the order they are locked from the group.
    enum Role : std::int16_t {
        FirstEndUp,
        FirstEndDown,
        SecondEndUp,
        SecondEndDown,
        TrackStart,
        Slot,
        TrackEnd,
        ThumbStart,
        ThumbMid,
        ThumbEnd,
        Roles
    };
    // Ticks of the repeat timer before the first repeat, and its rate.
    static constexpr std::int16_t RepeatDelay = 5;
    static constexpr std::uint16_t RepeatRate = 10;

    ~ScrollBar() override;

    void resize(const Dim& size) override;
    void setBox(const Box& box) override;
    void mouseMoved(const Point& p) override;
    void leftButtonDown(const Point& p) override;
    void leftButtonUp(const Point& p) override;
    // A bar does not follow SCROLL_TO itself.
    void connectHandlers() override {}
    void draw() override;
    void enableMouseEvents() override { enableMouseEvent(MouseLeftDown); }
    void updateThumb() override;
    std::int16_t scrollTo(const Point& corner) override;
    std::int16_t scrollBy(const Dim& step) override;
    // Only the bar's own axis of the size is taken.
    void setViewSize(const Dim& size) override;

    // Along the bar's axis.
    std::int16_t contentToTrackAlong(std::int16_t at) const;
    std::int16_t trackToContentAlong(std::int16_t at) const;
    std::int16_t contentToTrackLength(std::int16_t length) const;
    std::int16_t trackToContentLength(std::int16_t length) const;
    void setContentLength(std::int16_t length);
    void setTrackLength(std::int16_t length);

    Axis axis() const { return axis_; }
    std::int16_t timerActive() const { return timerActive_; }
    std::int16_t repeatDelay() const { return repeatDelay_; }
    std::int16_t dragging() const { return dragging_; }
    Dim scrollStep() const { return scrollStep_; }
    Point grabOffset() const { return grabOffset_; }
    Point lastPoint() const { return lastPoint_; }
    // The end pictures shown now: FirstEndUp or FirstEndDown, SecondEndUp or SecondEndDown.
    Role firstEnd() const { return firstEnd_; }
    Role secondEnd() const { return secondEnd_; }

protected:
    ScrollBar(Axis axis, std::int16_t contentLength, std::int16_t viewAt, std::int16_t viewLength,
              const char* name, const char* const (&pictureNames)[Roles]);

private:
    static ContainerBase* onRepeat(Component* target, BusMessage event, ContainerBase* data);
    void repeat();
    // The track's length from the tile's, and the scale from it.
    void fitTrack();
    // The step kept inside the content at the view of the moment; 0 when the view is the larger.
    std::int16_t limited(std::int16_t step) const;
    void send(std::int16_t step);
    void stopRepeating();
    // The span of the box along the axis, across the whole bar.
    Box band(const Box& span) const;
    Dim stepAlong(std::int16_t step) const;
    std::int16_t along(const Point& p) const { return axis_ == Horizontal ? p.x : p.y; }
    std::int16_t along(const Dim& d) const { return axis_ == Horizontal ? d.w : d.h; }
    std::int16_t& viewAt() { return axis_ == Horizontal ? view_.x : view_.y; }
    std::int16_t& viewLength() { return axis_ == Horizontal ? view_.w : view_.h; }
    std::int16_t viewAt() const { return axis_ == Horizontal ? view_.x : view_.y; }
    std::int16_t viewLength() const { return axis_ == Horizontal ? view_.w : view_.h; }
    std::int16_t trackAt() const { return axis_ == Horizontal ? track_.x : track_.y; }
    std::int16_t trackLength() const { return axis_ == Horizontal ? track_.w : track_.h; }
    std::int16_t contentLength() const { return along(contentSize_); }
    std::int16_t pictureLength(Role role) const;
    // Draws `length` pixels of the picture tiled along the axis from the pen, moving the pen on.
    void drawTiled(Point& pen, Role role, std::int32_t length);
    void drawWhole(Point& pen, Role role);

    Axis axis_;
    std::unique_ptr<PictureArchive> images_;
    Picture pictures_[Roles];
    Role firstEnd_ = FirstEndUp;
    Role secondEnd_ = SecondEndUp;
    std::int16_t timerActive_ = 0;
    std::int16_t repeatDelay_ = 0;
    Dim scrollStep_;
    std::int16_t dragging_ = 0;
    Point grabOffset_;
    Point lastPoint_;
};

class HScrollBar : public ScrollBar {
public:
    HScrollBar(std::int16_t contentWidth, std::int16_t viewX, std::int16_t viewWidth,
               const char* name = nullptr);

    std::int16_t contentToTrackX(std::int16_t x) const { return contentToTrackAlong(x); }
    std::int16_t trackToContentX(std::int16_t x) const { return trackToContentAlong(x); }
};

class VScrollBar : public ScrollBar {
public:
    VScrollBar(std::int16_t contentHeight, std::int16_t viewY, std::int16_t viewHeight,
               const char* name = nullptr);

    std::int16_t contentToTrackY(std::int16_t y) const { return contentToTrackAlong(y); }
    std::int16_t trackToContentY(std::int16_t y) const { return trackToContentAlong(y); }
};

} // namespace vael
