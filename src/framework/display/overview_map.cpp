#include "framework/display/overview_map.h"

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/display/rows_bitmap.h"

namespace vael {

namespace {
const char* pictureName(std::uint16_t second) {
    return second ? "Scroll 2" : "Scroll 1";
}
} // namespace

OverviewMap::OverviewMap(const Dim& contentSize, const Box& view, const std::string& group,
                         const Point& topLeftMargin, const Point& bottomRightMargin, std::int16_t secondPicture,
                         const char* name)
    : ScrollControl(contentSize, name ? name : "Unnamed Overview Map"), pictures_("Overview Maps"),
      secondPicture_(secondPicture != 0) {
    pictures_.selectGroup(group);
    picture_ = pictures_.lockImageInGroup(pictureName(secondPicture_));
    const Dim size = picture_ ? picture_->size() : Dim();
    setTrack(Box(topLeftMargin.x, topLeftMargin.y,
                 static_cast<std::int16_t>(size.w - topLeftMargin.x - bottomRightMargin.x),
                 static_cast<std::int16_t>(size.h - topLeftMargin.y - bottomRightMargin.y)));
    view_ = view;
    updateThumb();
}

OverviewMap::~OverviewMap() {
    if (picture_) pictures_.unlockImageInGroup(pictureName(secondPicture_));
}

Bitmap* OverviewMap::flipPicture() {
    if (picture_) pictures_.unlockImageInGroup(pictureName(secondPicture_));
    secondPicture_ = !secondPicture_;
    picture_ = pictures_.lockImageInGroup(pictureName(secondPicture_));
    return picture_;
}

bool OverviewMap::isOpaqueAt(const Point& point) const {
    return picture_ && picture_->isOpaqueAt(point - picture_->hotSpot());
}

std::int16_t OverviewMap::scrollTo(const Point& corner) {
    invalidateThumb();
    ScrollControl::scrollTo(corner);
    invalidateThumb();
    return 0;
}

std::int16_t OverviewMap::scrollBy(const Dim& step) {
    invalidateThumb();
    ScrollControl::scrollBy(step);
    invalidateThumb();
    return 0;
}

void OverviewMap::setViewSize(const Dim& size) {
    invalidateThumb();
    // The view keeps its centre.
    view_.x = static_cast<std::int16_t>(view_.x + (view_.w - size.w) / 2);
    view_.y = static_cast<std::int16_t>(view_.y + (view_.h - size.h) / 2);
    view_.w = size.w;
    view_.h = size.h;
    clampView();
    Container<Point> corner(view_.topLeft());
    dropAnswer(sendNow(SCROLL_TO, &corner));
}

void OverviewMap::announceView(const Point& contentPoint) {
    Container<Point> point(contentPoint);
    dropAnswer(sendNow(SCROLL_TO, &point));
}

void OverviewMap::leftButtonDown(const Point& p) {
    if (!isOpaqueAt(p)) return;
    captureMouse();
    enableMouseEvent(MouseLeftUp);
    if (track_.contains(p)) {
        if (thumb_.contains(p)) {
            enableMouseEvent(MouseMoved);
            thumbDragging_ = 1;
            grabOffset_ = p - thumb_.topLeft();
        }
    } else {
        enableMouseEvent(MouseMoved);
        windowDragging_ = 1;
        windowDragAnchor_ = p;
    }
}

void OverviewMap::mouseMoved(const Point& p) {
    if (windowDragging_) moveWindowBy(p - windowDragAnchor_);
    if (!thumbDragging_) return;
    const Box old = thumb_;
    const Point corner = p - grabOffset_;
    thumb_.x = corner.x;
    thumb_.y = corner.y;
    clampThumb();
    if (thumb_ == old) return;
    thumbMoved_ = 1;
    addDirtyBox(old);
    addDirtyBox(thumb_);
    draw();
}

void OverviewMap::leftButtonUp(const Point& p) {
    releaseMouse();
    disableMouseEvent(MouseMoved);
    disableMouseEvent(MouseLeftUp);
    if (windowDragging_) {
        moveWindowBy(p - windowDragAnchor_);
        windowDragging_ = 0;
        return;
    }
    thumbDragging_ = 0;
    if (thumbMoved_) {
        thumbMoved_ = 0;
        announceView(trackToContent(thumb_.topLeft()));
        return;
    }
    // A click centres the view on the point, in the thumb as elsewhere on the map: the view framed may
    // fill most of the overview, and a click there would otherwise do nothing.
    if (!track_.contains(p)) return;
    const Box old = thumb_;
    thumb_.x = static_cast<std::int16_t>(p.x - thumb_.w / 2);
    thumb_.y = static_cast<std::int16_t>(p.y - thumb_.h / 2);
    clampThumb();
    if (thumb_ == old) return;
    addDirtyBox(old);
    announceView(trackToContent(thumb_.topLeft()));
}

void OverviewMap::moveWindowBy(const Point& offset) {
    Display* up = parent();
    if (!up) return;
    std::int16_t x = static_cast<std::int16_t>(origin_.x + offset.x), y = static_cast<std::int16_t>(origin_.y + offset.y);
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    TWindowMetrics m;
    // Past the parent's far edge the window is held against that edge instead.
    if (x + width() > up->width())
        m.x.set(lmRight, lmSameAs, nullptr, lmRight, 0, lmPixels);
    else
        m.x.set(lmLeft, lmAbsolute, nullptr, lmLeft, x, lmPixels);
    if (y + height() > up->height())
        m.y.set(lmBottom, lmSameAs, nullptr, lmBottom, 0, lmPixels);
    else
        m.y.set(lmTop, lmAbsolute, nullptr, lmTop, y, lmPixels);
    m.width.set(lmWidth, lmAbsolute, nullptr, lmWidth, width(), lmPixels);
    m.height.set(lmHeight, lmAbsolute, nullptr, lmHeight, height(), lmPixels);
    up->setChildMetrics(this, m);
    if (Display* root = rootDisplay()) {
        root->draw();
        root->update();
    }
}

void OverviewMap::draw() {
    Box highlight = thumb_;
    const bool lit = track_.intersect(highlight) != 0;
    if (picture_ && bits()) {
        RowsBitmap rows(bits(), size(), padding());
        const Point at = picture_->hotSpot();
        for (const Box& d : dirtyBoxes_) {
            if (d.w < 1 || d.h < 1) continue;
            rows.drawBitmap(d.topLeft() + at, *picture_, d, DrawPlain);
            Box both = d;
            if (lit && highlight.intersect(both)) rows.drawBitmap(both.topLeft() + at, *picture_, both, DrawLight);
            changed(d);
        }
        if (lit) frameRect(highlight, 0, 0, 0);
    }
    Display::draw();
    update();
}

} // namespace vael
