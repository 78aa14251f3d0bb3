#include "framework/display/block_landscape.h"

#include <algorithm>

#include "framework/display/display_message_names.h"

namespace vael {

namespace {
ContainerBase* onChangeRegionAttribute(Component* target, BusMessage, ContainerBase* data) {
    auto* landscape = dynamic_cast<BlockLandscape*>(target);
    if (!landscape) return nullptr;
    if (auto* one = dynamic_cast<Container<RegionCommand>*>(data))
        landscape->applyRegionCommand(one->value());
    else if (auto* list = dynamic_cast<Container<List<RegionCommand>>*>(data))
        landscape->applyRegionCommands(*list->valuePtr());
    return nullptr;
}

std::int16_t positiveRemainder(std::int16_t value, std::int16_t by) {
    const std::int16_t r = static_cast<std::int16_t>(value % by);
    return static_cast<std::int16_t>(r < 0 ? r + by : r);
}
} // namespace

BlockLandscape::BlockLandscape(const Dim& blockSize, const Dim& cellStep, const char* name)
    : Landscape(cellStep, name ? name : "Unnamed BlockLandscape"), blockSize_(blockSize) {}

BlockLandscape::~BlockLandscape() = default;

void BlockLandscape::connectHandlers() {
    Landscape::connectHandlers();
    connectNamed(msg::ChangeRegionAttribute, onChangeRegionAttribute);
}

PhysicalBlock* BlockLandscape::block(std::int32_t index) const {
    return index >= 0 && index < static_cast<std::int32_t>(blocks_.size()) ? blocks_[static_cast<std::size_t>(index)].get()
                                                                            : nullptr;
}

std::int16_t BlockLandscape::beginLandscape(const LandscapeDefinition& definition) {
    blocks_.clear();
    size_ = Dim(definition.size.x, definition.size.y);
    blocks_.resize(static_cast<std::size_t>(std::max<std::int16_t>(definition.regionCount, 0)));
    return 0;
}

BlockOverlay* BlockLandscape::libraryOverlay(std::int32_t kind, std::int32_t index) const {
    if (kind < 0 || kind >= static_cast<std::int32_t>(library_.size())) return nullptr;
    const auto& overlays = library_[static_cast<std::size_t>(kind)];
    return index >= 0 && index < static_cast<std::int32_t>(overlays.size()) ? overlays[static_cast<std::size_t>(index)].get()
                                                                           : nullptr;
}

std::uint16_t BlockLandscape::overlayCount(std::int32_t kind) const {
    if (kind < 0 || kind >= static_cast<std::int32_t>(library_.size())) return 0;
    return static_cast<std::uint16_t>(library_[static_cast<std::size_t>(kind)].size());
}

void BlockLandscape::setBlock(std::int32_t index, std::unique_ptr<PhysicalBlock> block) {
    if (index >= 0 && index < static_cast<std::int32_t>(blocks_.size())) blocks_[static_cast<std::size_t>(index)] = std::move(block);
}

void BlockLandscape::addOverlay(std::uint16_t kind, std::unique_ptr<BlockOverlay> overlay) {
    if (kind >= library_.size()) library_.resize(kind + 1u);
    library_[kind].push_back(std::move(overlay));
}

void BlockLandscape::showAttribute(PhysicalBlock& block, std::uint16_t attribute, std::int32_t value) {
    block.setOverlay(0, attribute, libraryOverlay(attribute, value), Point());
}

std::int16_t BlockLandscape::createRegion(const LogicalRegion& region) {
    // A region the table has no entry for (before BEGIN_LANDSCAPE, or past its count) is left out.
    if (region.id >= blocks_.size()) return 0;
    const Point3D location(static_cast<std::int16_t>(region.position.x * cellStep_.w),
                           static_cast<std::int16_t>(region.position.y * cellStep_.h), region.position.z);
    auto fresh = std::make_unique<PhysicalBlock>(location, region.id, blockSize_);
    const int count = std::min<int>(region.terrainCount, LogicalRegion::slots);
    for (int k = 0; k < count; ++k)
        showAttribute(*fresh, static_cast<std::uint16_t>(k), static_cast<std::int16_t>(region.terrain[static_cast<std::size_t>(k)]));
    blocks_[region.id] = std::move(fresh);
    return 0;
}

std::int16_t BlockLandscape::createRegions(const List<LogicalRegion>& regions) {
    Item<LogicalRegion>* item = nullptr;
    for (regions.firstItem(item); item; item = item->next)
        createRegion(item->value);
    return 0;
}

std::int16_t BlockLandscape::endLandscape() {
    complete_ = 1;
    return 0;
}

std::int16_t BlockLandscape::closeGame() {
    blocks_.clear();
    complete_ = 0;
    return Landscape::closeGame();
}

Point3D BlockLandscape::blockCenter(std::int16_t index) {
    const PhysicalBlock* b = block(index);
    return b ? b->center() : Point3D();
}

std::int16_t BlockLandscape::blockAtPoint(const Point& point) {
    for (std::size_t i = 0; i < blocks_.size(); ++i)
        if (blocks_[i] && blocks_[i]->contains(point)) return static_cast<std::int16_t>(i);
    return -1;
}

std::int16_t BlockLandscape::findBlock(std::uint16_t id) const {
    for (std::size_t i = 0; i < blocks_.size(); ++i)
        if (blocks_[i] && blocks_[i]->index() == id) return static_cast<std::int16_t>(i);
    return -1;
}

void BlockLandscape::changeList(const List<short>& indices, const BlockChange& change) {
    if (!complete_) return;
    Item<short>* item = nullptr;
    for (indices.firstItem(item); item; item = item->next)
        if (PhysicalBlock* b = block(item->value)) {
            change(item->value);
            invalidate(b->box());
        }
    updateTiles();
}

void BlockLandscape::changeBox(const Box& box, const BlockChange& change) {
    if (!complete_) return;
    for (std::size_t i = 0; i < blocks_.size(); ++i)
        if (blocks_[i] && blocks_[i]->intersects(box)) {
            change(static_cast<std::int16_t>(i));
            invalidate(blocks_[i]->box());
        }
    updateTiles();
}

void BlockLandscape::changeAtPoint(const Point& point, const BlockChange& change) {
    if (!complete_) return;
    changeBlock(blockAtPoint(point), change);
}

void BlockLandscape::changeBlock(std::int16_t index, const BlockChange& change) {
    if (!complete_) return;
    if (PhysicalBlock* b = block(index)) {
        change(index);
        invalidateArea(b->box());
    }
}

void BlockLandscape::changeAll(const BlockChange& change) {
    if (!complete_) return;
    for (std::size_t i = 0; i < blocks_.size(); ++i)
        if (blocks_[i]) change(static_cast<std::int16_t>(i));
    update();
}

#define VAEL_FLAG_FAMILY(Name, PerBlock)                                                                       \
    void BlockLandscape::Name##RegionList(const List<short>& indices, std::int16_t flag) {                     \
        changeList(indices, [&](std::int16_t i) { PerBlock(i, flag); });                                      \
    }                                                                                                          \
    void BlockLandscape::Name##Box(const Box& box, std::int16_t flag) {                                        \
        changeBox(box, [&](std::int16_t i) { PerBlock(i, flag); });                                            \
    }                                                                                                          \
    void BlockLandscape::Name##AtPoint(const Point& point, std::int16_t flag) {                                \
        changeAtPoint(point, [&](std::int16_t i) { PerBlock(i, flag); });                                      \
    }                                                                                                          \
    void BlockLandscape::Name##Block(std::int16_t index, std::int16_t flag) {                                  \
        changeBlock(index, [&](std::int16_t i) { PerBlock(i, flag); });                                        \
    }                                                                                                          \
    void BlockLandscape::Name##All(std::int16_t flag) {                                                        \
        changeAll([&](std::int16_t i) { PerBlock(i, flag); });                                                 \
    }

#define VAEL_TOGGLE_FAMILY(Name, PerBlock)                                                                     \
    void BlockLandscape::Name##Box(const Box& box) {                                                           \
        changeBox(box, [&](std::int16_t i) { PerBlock(i); });                                                  \
    }                                                                                                          \
    void BlockLandscape::Name##AtPoint(const Point& point) {                                                   \
        changeAtPoint(point, [&](std::int16_t i) { PerBlock(i); });                                            \
    }                                                                                                          \
    void BlockLandscape::Name##Block(std::int16_t index) {                                                     \
        changeBlock(index, [&](std::int16_t i) { PerBlock(i); });                                              \
    }                                                                                                          \
    void BlockLandscape::Name##All() {                                                                         \
        changeAll([&](std::int16_t i) { PerBlock(i); });                                                       \
    }

VAEL_FLAG_FAMILY(highlight, setBlockHighlight)
VAEL_TOGGLE_FAMILY(toggleHighlight, toggleBlockHighlight)
VAEL_TOGGLE_FAMILY(toggleHalfHighlight, toggleBlockHalfHighlight)

void BlockLandscape::toggleHighlightRegionList(const List<short>& indices) {
    changeList(indices, [&](std::int16_t i) { toggleBlockHighlight(i); });
}

void BlockLandscape::halfHighlightRegionList(const List<short>* indices, std::int16_t flag) {
    if (indices) changeList(*indices, [&](std::int16_t i) { setBlockHalfHighlight(i, flag); });
}
void BlockLandscape::halfHighlightBox(const Box& box, std::int16_t flag) {
    changeBox(box, [&](std::int16_t i) { setBlockHalfHighlight(i, flag); });
}
void BlockLandscape::halfHighlightAtPoint(const Point& point, std::int16_t flag) {
    changeAtPoint(point, [&](std::int16_t i) { setBlockHalfHighlight(i, flag); });
}
void BlockLandscape::halfHighlightBlock(std::int16_t index, std::int16_t flag) {
    changeBlock(index, [&](std::int16_t i) { setBlockHalfHighlight(i, flag); });
}
void BlockLandscape::halfHighlightAll(std::int16_t flag) {
    changeAll([&](std::int16_t i) { setBlockHalfHighlight(i, flag); });
}

void BlockLandscape::toggleHalfHighlightRegionList(const List<short>* indices) {
    if (indices) changeList(*indices, [&](std::int16_t i) { toggleBlockHalfHighlight(i); });
}

#undef VAEL_FLAG_FAMILY
#undef VAEL_TOGGLE_FAMILY

void BlockLandscape::setBlockHighlight(std::int16_t index, std::int16_t flag) {
    if (PhysicalBlock* b = block(index)) b->setHighlight(flag);
}

void BlockLandscape::setBlockHalfHighlight(std::int16_t index, std::int16_t flag) {
    if (PhysicalBlock* b = block(index)) b->setHalfHighlight(flag);
}

void BlockLandscape::toggleBlockHighlight(std::int16_t index) {
    if (PhysicalBlock* b = block(index)) b->toggleHighlight();
}

void BlockLandscape::toggleBlockHalfHighlight(std::int16_t index) {
    if (PhysicalBlock* b = block(index)) b->toggleHalfHighlight();
}

void BlockLandscape::setOverlayVisibleList(const List<short>& indices, std::uint16_t layer, std::uint16_t slot,
                                           std::int16_t flag) {
    changeList(indices, [&](std::int16_t i) { block(i)->setOverlayVisible(layer, slot, flag); });
}
void BlockLandscape::setOverlayVisibleBox(const Box& box, std::uint16_t layer, std::uint16_t slot, std::int16_t flag) {
    changeBox(box, [&](std::int16_t i) { block(i)->setOverlayVisible(layer, slot, flag); });
}
void BlockLandscape::setOverlayVisibleAtPoint(const Point& point, std::uint16_t layer, std::uint16_t slot,
                                              std::int16_t flag) {
    changeAtPoint(point, [&](std::int16_t i) { block(i)->setOverlayVisible(layer, slot, flag); });
}
void BlockLandscape::setBlockOverlayVisible(std::int16_t index, std::uint16_t layer, std::uint16_t slot,
                                            std::int16_t flag) {
    changeBlock(index, [&](std::int16_t i) { block(i)->setOverlayVisible(layer, slot, flag); });
}
void BlockLandscape::setOverlayVisibleAll(std::uint16_t layer, std::uint16_t slot, std::int16_t flag) {
    changeAll([&](std::int16_t i) { block(i)->setOverlayVisible(layer, slot, flag); });
}
void BlockLandscape::toggleOverlayVisibleList(const List<short>& indices, std::uint16_t layer, std::uint16_t slot) {
    changeList(indices, [&](std::int16_t i) { block(i)->toggleOverlayVisible(layer, slot); });
}
void BlockLandscape::toggleOverlayVisibleBox(const Box& box, std::uint16_t layer, std::uint16_t slot) {
    changeBox(box, [&](std::int16_t i) { block(i)->toggleOverlayVisible(layer, slot); });
}
void BlockLandscape::toggleOverlayVisibleAtPoint(const Point& point, std::uint16_t layer, std::uint16_t slot) {
    changeAtPoint(point, [&](std::int16_t i) { block(i)->toggleOverlayVisible(layer, slot); });
}
void BlockLandscape::toggleBlockOverlayVisible(std::int16_t index, std::uint16_t layer, std::uint16_t slot) {
    changeBlock(index, [&](std::int16_t i) { block(i)->toggleOverlayVisible(layer, slot); });
}
void BlockLandscape::toggleOverlayVisibleAll(std::uint16_t layer, std::uint16_t slot) {
    changeAll([&](std::int16_t i) { block(i)->toggleOverlayVisible(layer, slot); });
}

void BlockLandscape::drawBackground(Bitmap& target, const Point& origin) {
    if (!background_ || background_->width() <= 0 || background_->height() <= 0) return;
    const std::int16_t bw = background_->width(), bh = background_->height();
    // The tiling stays fixed to landscape coordinates, also left of and above the landscape's corner.
    const std::int32_t x0 = -positiveRemainder(origin.x, bw), y0 = -positiveRemainder(origin.y, bh);
    for (std::int32_t y = y0; y < target.height(); y += bh)
        for (std::int32_t x = x0; x < target.width(); x += bw)
            target.drawBitmap(Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)), *background_,
                              Box(0, 0, bw, bh), DrawPlain);
}

void BlockLandscape::drawArea(Bitmap& target, const Point& origin) {
    drawBackground(target, origin);
    const Box area(origin, target.size());
    for (const auto& b : blocks_)
        if (b && b->intersects(area)) b->draw(target, origin);
}

void BlockLandscape::applyRegionCommand(const RegionCommand& command) {
    PhysicalBlock* b = block(command.region);
    if (!b) return;
    showAttribute(*b, command.attribute, command.value);
    invalidateArea(b->box());
}

void BlockLandscape::applyRegionCommands(const List<RegionCommand>& commands) {
    Item<RegionCommand>* item = nullptr;
    for (commands.firstItem(item); item; item = item->next)
        if (PhysicalBlock* b = block(item->value.region)) {
            showAttribute(*b, item->value.attribute, item->value.value);
            invalidate(b->box());
        }
    updateTiles();
}

PhysicalBlock BlockLandscape::blockCopy(std::int16_t index) {
    const PhysicalBlock* b = block(index);
    return b ? *b : PhysicalBlock();
}

std::int16_t BlockLandscape::blockZ(std::int16_t index) {
    const PhysicalBlock* b = block(index);
    return b ? b->z() : 0;
}

} // namespace vael
