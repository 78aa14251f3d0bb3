#pragma once
// Test support: the game's physical layer as a sprite sees it, with anchors a test writes down by hand per
// region and zoom level (regions not written anchor at (0, 0)), and a view mode the test sets. Installed
// for its view while it lives.
#include <array>
#include <map>
#include <set>

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
    bool regionOnMap(std::int16_t region) const override { return offMap.count(region) == 0; }
    Box placesBox(std::int16_t level) const override { return places[static_cast<std::size_t>(level)]; }

    std::map<std::int16_t, std::array<Point, 3>> anchors;
    std::int16_t mode = NormalView;
    // The regions a saved sprite may not name, and the boxes its places lie in (empty: any place).
    std::set<std::int16_t> offMap;
    std::array<Box, 3> places{};

private:
    std::uint16_t view_;
};

} // namespace vael::test
