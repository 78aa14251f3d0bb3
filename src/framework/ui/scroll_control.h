#pragma once
// The base of the tiles that show which part of a larger content is in view: the content's size, the
// view in content units, the track in the tile's pixels and the thumb that maps the view into the track.
// It follows SCROLL_TO with a point (scroll to) or a size (scroll by).
//
// Every conversion between content units and track pixels truncates toward zero, in single precision,
// as the scales are kept.
#include <cstdint>

#include "framework/ui/tile.h"

namespace vael {

class ScrollControl : public Tile {
public:
    explicit ScrollControl(const Dim& contentSize, const char* name = nullptr);

    // Each stores its value and computes both scales again.
    void setContentSize(const Dim& size);
    void setTrackSize(const Dim& size);
    void setTrack(const Box& track);
    Dim getContentSize() const { return contentSize_; }
    Box getTrack() const { return track_; }
    Box getView() const { return view_; }
    Box getThumb() const { return thumb_; }
    float xScale() const { return xScale_; }
    float yScale() const { return yScale_; }

    Point contentToTrack(const Point& p) const;
    Point trackToContent(const Point& p) const;
    Dim contentToTrackDim(const Dim& d) const;
    Dim trackToContentDim(const Dim& d) const;
    Box contentToTrackBox(const Box& b) const;
    Box trackToContentBox(const Box& b) const;

    void mouseMoved(const Point&) override {}
    void leftButtonDown(const Point&) override {}
    void leftButtonUp(const Point&) override {}
    void connectHandlers() override;

    // 1 when they changed what they keep in bounds.
    virtual std::int16_t clampView();
    virtual std::int16_t clampThumb();
    virtual void updateThumb();
    virtual void viewChanged();
    virtual std::int16_t scrollTo(const Point& corner);
    virtual std::int16_t scrollBy(const Dim& step);
    virtual void setViewSize(const Dim& size);

protected:
    void computeScales();
    // A content length times the scale, and a track length divided by it; a scale of 0 (no content on
    // that axis) maps everything to 0.
    static std::int16_t scaled(std::int32_t length, float scale);
    static std::int16_t unscaled(std::int32_t length, float scale);

    float xScale_ = 0;
    float yScale_ = 0;
    Dim contentSize_;
    Box view_;
    Box track_;
    Box thumb_;

private:
    static ContainerBase* onScrollTo(Component* target, BusMessage event, ContainerBase* data);
};

} // namespace vael
