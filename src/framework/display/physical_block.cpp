#include "framework/display/physical_block.h"

#include <algorithm>

namespace vael {

std::int16_t PhysicalBlock::contains(const Point& p) const {
    return p.x >= location_.x && p.x < location_.x + size_.w && p.y >= location_.y && p.y < location_.y + size_.h;
}

std::int16_t PhysicalBlock::intersects(const Box& b) const {
    return box().overlaps(b);
}

Point3D PhysicalBlock::center() const {
    return Point3D(static_cast<std::int16_t>(location_.x + size_.w / 2),
                   static_cast<std::int16_t>(location_.y + size_.h / 2), location_.z);
}

std::int16_t PhysicalBlock::drawMode() const {
    if (highlight_ && halfHighlight_) return DrawMixedLight;
    if (highlight_) return DrawLight;
    if (halfHighlight_) return DrawHalfLight;
    return DrawPlain;
}

void PhysicalBlock::setBitmap(Bitmap* picture, std::uint16_t pictureLayer) {
    picture_ = picture;
    pictureLayer_ = pictureLayer;
}

std::int16_t PhysicalBlock::slotCount(std::uint16_t layer) const {
    return layer < layers_.size() ? static_cast<std::int16_t>(layers_[layer].size()) : 0;
}

PhysicalBlock::Slot* PhysicalBlock::slotAt(std::uint16_t layer, std::uint16_t slot) {
    return layer < layers_.size() && slot < layers_[layer].size() ? &layers_[layer][slot] : nullptr;
}

const PhysicalBlock::Slot* PhysicalBlock::slotAt(std::uint16_t layer, std::uint16_t slot) const {
    return layer < layers_.size() && slot < layers_[layer].size() ? &layers_[layer][slot] : nullptr;
}

void PhysicalBlock::setOverlay(std::uint16_t layer, std::uint16_t slot, BlockOverlay* overlay,
                               const Point& offset) {
    if (layer >= layers_.size()) layers_.resize(layer + 1u);
    std::vector<Slot>& slots = layers_[layer];
    if (slot >= slots.size()) slots.resize(slot + 1u);
    slots[slot] = Slot{overlay, 1, offset};
}

void PhysicalBlock::setOverlayVisible(std::uint16_t layer, std::uint16_t slot, std::int16_t flag) {
    Slot* s = slotAt(layer, slot);
    if (s && s->overlay) s->visible = flag != 0;
}

void PhysicalBlock::toggleOverlayVisible(std::uint16_t layer, std::uint16_t slot) {
    Slot* s = slotAt(layer, slot);
    if (s && s->overlay) s->visible = !s->visible;
}

std::int16_t PhysicalBlock::isOverlayVisible(std::uint16_t layer, std::uint16_t slot) const {
    const Slot* s = slotAt(layer, slot);
    return s && s->overlay ? s->visible : 0;
}

std::int16_t PhysicalBlock::hasOverlay(std::uint16_t layer, std::uint16_t slot) const {
    const Slot* s = slotAt(layer, slot);
    return s && s->overlay;
}

BlockOverlay* PhysicalBlock::overlay(std::uint16_t layer, std::uint16_t slot) const {
    const Slot* s = slotAt(layer, slot);
    return s ? s->overlay : nullptr;
}

void PhysicalBlock::replaceOverlay(std::uint16_t layer, std::uint16_t slot, BlockOverlay* overlay) {
    if (Slot* s = slotAt(layer, slot)) s->overlay = overlay;
}

Point PhysicalBlock::overlayOffset(std::uint16_t layer, std::uint16_t slot) const {
    const Slot* s = slotAt(layer, slot);
    return s ? s->offset : Point();
}

void PhysicalBlock::setOverlayOffset(std::uint16_t layer, std::uint16_t slot, const Point& offset) {
    if (Slot* s = slotAt(layer, slot)) s->offset = offset;
}

void PhysicalBlock::moveOverlay(std::uint16_t layer, std::uint16_t slot, const Point& by) {
    if (Slot* s = slotAt(layer, slot)) s->offset += by;
}

void PhysicalBlock::drawLayers(Bitmap& target, const Point& at, std::int16_t mode, std::size_t from,
                               std::size_t to) const {
    for (std::size_t layer = from; layer < to; ++layer)
        for (const Slot& s : layers_[layer])
            if (s.overlay && s.visible) s.overlay->draw(target, at + s.offset, mode);
}

void PhysicalBlock::draw(Bitmap& target, const Point& origin) const {
    const Point at(static_cast<std::int16_t>(location_.x - origin.x), static_cast<std::int16_t>(location_.y - origin.y));
    const std::int16_t mode = drawMode();
    // Lower layers lie under the picture, the rest over it, each layer's slots in order.
    const std::size_t split = std::min<std::size_t>(pictureLayer_, layers_.size());
    drawLayers(target, at, mode, 0, split);
    if (picture_) target.drawBitmap(at, *picture_, Box(0, 0, picture_->width(), picture_->height()), mode);
    drawLayers(target, at, mode, split, layers_.size());
}

} // namespace vael
