#include "game/map/vael_overview_map.h"

#include <memory>

#include "framework/core/container.h"
#include "framework/display/rows_bitmap.h"
#include "game/map/map_message_names.h"

namespace vael {

void VaelOverviewMap::fetchUnitBitmap() {
    const Box track = getTrack();
    Container<Dim> size(Dim(track.w, track.h));
    std::unique_ptr<ContainerBase> reply(queryNamed(msg::GetUnitBitmap, &size));
    // Any other answer, or none, keeps the marks already held.
    if (auto* marks = dynamic_cast<Container<Bitmap*>*>(reply.get()); marks && marks->value())
        unitBitmap_ = marks->value();
}

void VaelOverviewMap::draw() {
    if (!unitBitmap_ && getBus()) fetchUnitBitmap();
    OverviewMap::draw();
    if (!unitBitmap_ || !bits()) return;
    RowsBitmap rows(bits(), size(), padding());
    rows.drawWholeBitmap(getTrack().topLeft(), *unitBitmap_, DrawPlain);
    update();
}

Bitmap* VaelOverviewMap::flipPicture() {
    Bitmap* picture = OverviewMap::flipPicture();
    reversed_ = !reversed_;
    if (getBus()) fetchUnitBitmap();
    return picture;
}

} // namespace vael
