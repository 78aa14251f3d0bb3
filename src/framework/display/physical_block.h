#pragma once
// One region's rectangle of a block landscape: where it lies, its own picture, the overlay pictures
// stacked on it in layers and slots, and its two highlight flags, which choose the mode everything of the
// block is drawn with.
#include <cstdint>
#include <vector>

#include "framework/core/geometry.h"
#include "framework/display/bitmap.h"
#include "framework/display/block_overlay.h"

namespace vael {

class PhysicalBlock {
public:
    PhysicalBlock() : index_(0xFFFF) {}
    PhysicalBlock(const Point3D& location, std::uint16_t index, const Dim& size)
        : location_(location), size_(size), index_(index) {}
    PhysicalBlock(const PhysicalBlock&) = default;
    PhysicalBlock& operator=(const PhysicalBlock&) = default;
    virtual ~PhysicalBlock() = default;

    virtual std::int16_t contains(const Point& p) const;
    virtual std::int16_t intersects(const Box& b) const;
    virtual void setHighlight(std::int16_t flag) { highlight_ = flag != 0; }
    virtual void setHalfHighlight(std::int16_t flag) { halfHighlight_ = flag != 0; }
    virtual void toggleHighlight() { highlight_ = !highlight_; }
    virtual void toggleHalfHighlight() { halfHighlight_ = !halfHighlight_; }
    virtual Point3D center() const;
    virtual Box box() const { return Box(location_.x, location_.y, size_.w, size_.h); }

    Point3D location() const { return location_; }
    void setLocation(const Point3D& location) { location_ = location; }
    std::int16_t z() const { return location_.z; }
    Dim size() const { return size_; }
    std::uint16_t index() const { return index_; }
    std::int32_t tag() const { return tag_; }
    void setTag(std::int32_t tag) { tag_ = tag; }
    std::uint16_t highlight() const { return highlight_; }
    std::uint16_t halfHighlight() const { return halfHighlight_; }
    // Both flags 6, the highlight alone 3, the half-highlight alone 5, neither 1.
    std::int16_t drawMode() const;

    void setBitmap(Bitmap* picture, std::uint16_t pictureLayer);
    Bitmap* bitmap() const { return picture_; }
    std::uint16_t pictureLayer() const { return pictureLayer_; }

    std::uint16_t layerCount() const { return static_cast<std::uint16_t>(layers_.size()); }
    std::int16_t slotCount(std::uint16_t layer) const;
    void setOverlay(std::uint16_t layer, std::uint16_t slot, BlockOverlay* overlay, const Point& offset);
    void setOverlayVisible(std::uint16_t layer, std::uint16_t slot, std::int16_t flag);
    void toggleOverlayVisible(std::uint16_t layer, std::uint16_t slot);
    std::int16_t isOverlayVisible(std::uint16_t layer, std::uint16_t slot) const;
    std::int16_t hasOverlay(std::uint16_t layer, std::uint16_t slot) const;
    // Slots outside the counts answer nothing and take no change.
    BlockOverlay* overlay(std::uint16_t layer, std::uint16_t slot) const;
    void replaceOverlay(std::uint16_t layer, std::uint16_t slot, BlockOverlay* overlay);
    Point overlayOffset(std::uint16_t layer, std::uint16_t slot) const;
    void setOverlayOffset(std::uint16_t layer, std::uint16_t slot, const Point& offset);
    void moveOverlay(std::uint16_t layer, std::uint16_t slot, const Point& by);

    // Draws the block into target, whose top-left corner is the landscape point origin.
    void draw(Bitmap& target, const Point& origin) const;

private:
    struct Slot {
        BlockOverlay* overlay = nullptr; // the landscape's, never deleted here
        std::int16_t visible = 0;
        Point offset;
    };
    Slot* slotAt(std::uint16_t layer, std::uint16_t slot);
    const Slot* slotAt(std::uint16_t layer, std::uint16_t slot) const;
    void drawLayers(Bitmap& target, const Point& at, std::int16_t mode, std::size_t from, std::size_t to) const;

    Point3D location_;
    Dim size_;
    std::int32_t tag_ = -1;
    std::uint16_t index_;
    Bitmap* picture_ = nullptr;
    std::uint16_t pictureLayer_ = 0;
    std::vector<std::vector<Slot>> layers_;
    std::uint16_t highlight_ = 0;
    std::uint16_t halfHighlight_ = 0;
};

} // namespace vael
