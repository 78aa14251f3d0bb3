#pragma once
// The battle map's overview: the battlefield picture with the units' positions laid over it as one bitmap
// of marks, which the physical layer keeps up to date and hands out once on request.
#include "framework/display/bitmap.h"
#include "framework/display/overview_map.h"

namespace vael {

class VaelOverviewMap : public OverviewMap {
public:
    VaelOverviewMap(const Dim& contentSize, const Box& view, const std::string& group,
                    const Point& topLeftMargin, const Point& bottomRightMargin,
                    std::int16_t secondPicture = 0)
        : OverviewMap(contentSize, view, group, topLeftMargin, bottomRightMargin, secondPicture,
                      "Vael Overview Map"),
          reversed_(secondPicture != 0) {}

    void draw() override;
    // The other side's picture; the marks are asked for again, as the layer draws them turned round.
    Bitmap* flipPicture();
    Bitmap* unitBitmap() const { return unitBitmap_; }
    // True while the other side's picture is shown.
    bool reversed() const { return reversed_; }

private:
    void fetchUnitBitmap();

    Bitmap* unitBitmap_ = nullptr;
    bool reversed_;
};

} // namespace vael
