#pragma once
// Stands in for the game's physical layer where game sprites ask for anchors: each zoom level's anchor of
// a region is the centre of its block on that level's landscape of the view.
#include "game/map/pointed_vael_landscape.h"
#include "game/map/vael_sprite.h"
#include "game/map/vael_sprite_layer.h"

namespace vael::test {

class LandscapeAnchors : public VaelSpriteLayer {
public:
    LandscapeAnchors(PointedVaelLandscape* full, PointedVaelLandscape* half, PointedVaelLandscape* quarter,
                     std::uint16_t view)
        : levels_{full, half, quarter}, view_(view) {
        VaelSprite::setPhysicalLayer(this, view);
    }
    ~LandscapeAnchors() override { VaelSprite::setPhysicalLayer(nullptr, view_); }
    Point3D regionAnchor(std::int16_t level, std::int16_t region) const override {
        return level >= 0 && level < 3 && levels_[level] ? levels_[level]->blockCenter(region) : Point3D();
    }
    std::int16_t viewMode() const override { return view_ ? ReversedView : NormalView; }

private:
    PointedVaelLandscape* levels_[3];
    std::uint16_t view_;
};

} // namespace vael::test
