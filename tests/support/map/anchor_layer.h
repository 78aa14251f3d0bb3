#pragma once
// Test support: the game's physical layer as a sprite sees it, with anchors a test writes down by hand per
// region and zoom level (regions not written anchor at (0, 0)), and a view mode the test sets. Installed
// for its view while it lives.
#include <array>
#include <map>

#include "game/map/vael_sprite.h"

namespace vael::test {

class AnchorLayer : public VaelSpriteLayer {
public:
    explicit AnchorLayer(std::uint16_t view = 0) : view_(view) { VaelSprite::setPhysicalLayer(this, view); }
    ~AnchorLayer() override { VaelSprite::setPhysicalLayer(nullptr, view_); }

    void setAnchors(std::int16_t region, Point full, Point half, Point quarter) {
        anchors[region] = {full, half, quarter};
    }
    Point3D regionAnchor(std::int16_t level, std::int16_t region) const override {
        auto it = anchors.find(region);
        return it == anchors.end() ? Point3D() : Point3D(it->second[static_cast<std::size_t>(level)], 7);
    }
    std::int16_t viewMode() const override { return mode; }

    std::map<std::int16_t, std::array<Point, 3>> anchors;
    std::int16_t mode = NormalView;

private:
    std::uint16_t view_;
};

} // namespace vael::test
