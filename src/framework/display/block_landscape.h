#pragma once
// A landscape made of one block per region of the logical map, over an optional background tiled in
// landscape coordinates. Highlights and overlay changes mark only the blocks they touch and redraw their
// boxes through the landscape's merged dirty list.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/core/command_records.h" // RegionCommand, the payload of "Change Region Attribute"
#include "framework/display/block_overlay.h"
#include "framework/display/landscape.h"
#include "framework/display/physical_block.h"

namespace vael {

class BlockLandscape : public Landscape {
public:
    BlockLandscape(const Dim& blockSize, const Dim& cellStep, const char* name = nullptr);
    ~BlockLandscape() override;

    void connectHandlers() override;
    std::int16_t beginLandscape(const LandscapeDefinition& definition) override;
    std::int16_t createRegion(const LogicalRegion& region) override;
    std::int16_t createRegions(const List<LogicalRegion>& regions) override;
    std::int16_t endLandscape() override;
    std::int16_t closeGame() override;
    Point3D blockCenter(std::int16_t index) override;
    std::int16_t blockAtPoint(const Point& point) override;

    void highlightRegionList(const List<short>& indices, std::int16_t flag) override;
    void highlightBox(const Box& box, std::int16_t flag) override;
    void highlightAtPoint(const Point& point, std::int16_t flag) override;
    void highlightBlock(std::int16_t index, std::int16_t flag) override;
    void highlightAll(std::int16_t flag) override;
    void toggleHighlightRegionList(const List<short>& indices) override;
    void toggleHighlightBox(const Box& box) override;
    void toggleHighlightAtPoint(const Point& point) override;
    void toggleHighlightBlock(std::int16_t index) override;
    void toggleHighlightAll() override;
    void halfHighlightRegionList(const List<short>* indices, std::int16_t flag) override;
    void halfHighlightBox(const Box& box, std::int16_t flag) override;
    void halfHighlightAtPoint(const Point& point, std::int16_t flag) override;
    void halfHighlightBlock(std::int16_t index, std::int16_t flag) override;
    void halfHighlightAll(std::int16_t flag) override;
    void toggleHalfHighlightRegionList(const List<short>* indices) override;
    void toggleHalfHighlightBox(const Box& box) override;
    void toggleHalfHighlightAtPoint(const Point& point) override;
    void toggleHalfHighlightBlock(std::int16_t index) override;
    void toggleHalfHighlightAll() override;
    void drawArea(Bitmap& target, const Point& origin) override;

    virtual void setBlockHighlight(std::int16_t index, std::int16_t flag);
    virtual void setBlockHalfHighlight(std::int16_t index, std::int16_t flag);
    virtual void toggleBlockHighlight(std::int16_t index);
    virtual void toggleBlockHalfHighlight(std::int16_t index);
    virtual void drawBackground(Bitmap& target, const Point& origin);
    virtual void applyRegionCommand(const RegionCommand& command);
    virtual void applyRegionCommands(const List<RegionCommand>& commands);
    virtual PhysicalBlock blockCopy(std::int16_t index);
    virtual std::int16_t blockZ(std::int16_t index);

    std::int16_t findBlock(std::uint16_t id) const;
    std::int16_t isComplete() const { return complete_; }
    std::uint16_t blockCount() const { return static_cast<std::uint16_t>(blocks_.size()); }
    // The block at a table index, none for an empty entry or an index outside the table.
    PhysicalBlock* block(std::int32_t index) const;

    void setOverlayVisibleList(const List<short>& indices, std::uint16_t layer, std::uint16_t slot, std::int16_t flag);
    void setOverlayVisibleBox(const Box& box, std::uint16_t layer, std::uint16_t slot, std::int16_t flag);
    void setOverlayVisibleAtPoint(const Point& point, std::uint16_t layer, std::uint16_t slot, std::int16_t flag);
    void setBlockOverlayVisible(std::int16_t index, std::uint16_t layer, std::uint16_t slot, std::int16_t flag);
    void setOverlayVisibleAll(std::uint16_t layer, std::uint16_t slot, std::int16_t flag);
    void toggleOverlayVisibleList(const List<short>& indices, std::uint16_t layer, std::uint16_t slot);
    void toggleOverlayVisibleBox(const Box& box, std::uint16_t layer, std::uint16_t slot);
    void toggleOverlayVisibleAtPoint(const Point& point, std::uint16_t layer, std::uint16_t slot);
    void toggleBlockOverlayVisible(std::int16_t index, std::uint16_t layer, std::uint16_t slot);
    void toggleOverlayVisibleAll(std::uint16_t layer, std::uint16_t slot);

    // The pictures the subclass fills the landscape with; the library owns its overlays.
    void setBackground(Bitmap* background) { background_ = background; }
    Bitmap* background() const { return background_; }
    void addOverlay(std::uint16_t kind, std::unique_ptr<BlockOverlay> overlay);
    std::uint16_t kindCount() const { return static_cast<std::uint16_t>(library_.size()); }
    BlockOverlay* libraryOverlay(std::int32_t kind, std::int32_t index) const;
    std::uint16_t overlayCount(std::int32_t kind) const;
    Dim blockSize() const { return blockSize_; }
    // Puts a block into a table entry (a subclass that places its regions itself); ignored outside the table.
    void setBlock(std::int32_t index, std::unique_ptr<PhysicalBlock> block);

private:
    using BlockChange = std::function<void(std::int16_t)>;
    // The five targets of the highlight and overlay operations; each does nothing before the landscape is
    // complete.
    void changeList(const List<short>& indices, const BlockChange& change);
    void changeBox(const Box& box, const BlockChange& change);
    void changeAtPoint(const Point& point, const BlockChange& change);
    void changeBlock(std::int16_t index, const BlockChange& change);
    void changeAll(const BlockChange& change);
    void showAttribute(PhysicalBlock& block, std::uint16_t attribute, std::int32_t value);

    Bitmap* background_ = nullptr;
    std::vector<std::unique_ptr<PhysicalBlock>> blocks_;
    Dim blockSize_;
    std::uint16_t complete_ = 0;
    std::vector<std::vector<std::unique_ptr<BlockOverlay>>> library_;
};

} // namespace vael
