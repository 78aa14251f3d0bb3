#pragma once
// A small picture of the whole battlefield with a rectangle for the part the map window shows. A click in
// the picture centres the view there, dragging the rectangle scrolls the view, and dragging the picture's
// frame moves the overview window itself. Every change of view goes out as SCROLL_TO with a content point.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/display/oif.h"
#include "framework/ui/scroll_control.h"

namespace vael {

class OverviewMap : public ScrollControl {
public:
    // The picture "Scroll 1" (or "Scroll 2" for a non-zero choice) of the battlefield's group in
    // "Overview Maps"; the track is the picture less the margins.
    OverviewMap(const Dim& contentSize, const Box& view, const std::string& group, const Point& topLeftMargin,
                const Point& bottomRightMargin, std::int16_t secondPicture = 0, const char* name = nullptr);
    ~OverviewMap() override;

    void mouseMoved(const Point& point) override;
    void leftButtonDown(const Point& point) override;
    void leftButtonUp(const Point& point) override;
    void connectHandlers() override {}
    void draw() override;
    void enableMouseEvents() override { enableMouseEvent(MouseLeftDown); }
    std::int16_t scrollTo(const Point& corner) override;
    std::int16_t scrollBy(const Dim& step) override;
    void setViewSize(const Dim& size) override;
    Bitmap* flipPicture();
    Bitmap* picture() const { return picture_; }

private:
    void moveWindowBy(const Point& offset);
    void announceView(const Point& contentPoint);
    void invalidateThumb() { addDirtyBox(thumb_); }
    bool isOpaqueAt(const Point& point) const;

    OIF<Bitmap> pictures_;
    Bitmap* picture_ = nullptr;
    Point windowDragAnchor_;
    std::uint16_t windowDragging_ = 0;
    Point grabOffset_;
    std::uint16_t thumbDragging_ = 0;
    std::uint16_t thumbMoved_ = 0;
    std::uint16_t secondPicture_ = 0;
};

} // namespace vael
