#pragma once
// The battle map's block landscape: one block per hex, addressed by hex number, at one zoom level and in
// one of the two views. It decorates each hex as the logical map arrives (streams along its sides,
// bushes, impassable river pieces, a hidden scar) and keeps the scenery sprites it owns; how hexes are
// projected, hit and drawn is left to the shape of hex a subclass lays out.
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "framework/display/block_landscape.h"
#include "framework/display/oif.h"
#include "framework/display/sprite.h"

namespace vael {

class IsometricHexLandscape : public BlockLandscape {
public:
    // Display mode bits: no size bit is full size.
    static constexpr std::uint16_t HalfSize = 1;
    static constexpr std::uint16_t QuarterSize = 2;
    static constexpr std::uint16_t Reversed = 4;
    // Overlay kinds of the library and the block slots the decoration fills.
    enum Kind : std::uint16_t {
        KindBushes = 0,
        KindStreamSides = 1,
        KindStreamJunctions = 2,
        KindRiverImpass = 3,
        KindScars = 4,
        KindFordFix = 5,
        KindRoads = 6,
        KindHexGrid = 7,
        KindHexOutline = 8,
        KindGreenBushes = 9
    };
    static constexpr std::uint16_t TagRoad = 12;
    static constexpr std::uint16_t TagFord = 13;

    IsometricHexLandscape(const Dim& blockSize, const Dim& cellStep, const std::string& overlayName,
                          const std::string& sceneryName, std::uint16_t displayMode,
                          const char* name = nullptr);
    ~IsometricHexLandscape() override;

    void connectHandlers() override;
    std::int16_t beginLandscape(const LandscapeDefinition& definition) override;
    std::int16_t createRegion(const LogicalRegion& region) override;
    std::int16_t createRegions(const List<LogicalRegion>& regions) override;
    std::int16_t endLandscape() override;
    std::int16_t closeGame() override;
    Point3D blockCenter(std::int16_t hex) override;
    void highlightRegionList(const List<short>& hexes, std::int16_t flag) override;
    void highlightBlock(std::int16_t hex, std::int16_t flag) override;
    void toggleHighlightRegionList(const List<short>& hexes) override;
    void toggleHighlightBlock(std::int16_t hex) override;
    void halfHighlightRegionList(const List<short>* hexes, std::int16_t flag) override;
    void halfHighlightBlock(std::int16_t hex, std::int16_t flag) override;
    void toggleHalfHighlightRegionList(const List<short>* hexes) override;
    void toggleHalfHighlightBlock(std::int16_t hex) override;
    PhysicalBlock blockCopy(std::int16_t hex) override;
    std::int16_t blockZ(std::int16_t hex) override;

    virtual std::int16_t blockToHex(std::int32_t index) const = 0;
    // -1 for a hex off the map.
    virtual std::int32_t hexToBlock(std::int16_t hex) const = 0;
    virtual Point3D regionToScreen(const Point3D& centre) const = 0;
    virtual void assignGroundArt() = 0;
    virtual bool hexHasBlock(std::int16_t hex) const = 0;
    virtual void redrawRaisedNeighbours(Bitmap& target, std::int16_t hex, const Box& box) = 0;
    virtual void addDeadSprite(Sprite* sprite);
    virtual void addSprite(Sprite* sprite);
    virtual void destroySprite(Sprite* sprite);
    virtual void hideOptionalSprites();
    virtual void showOptionalSprites();

    std::int16_t removeDeadSprites();
    std::int16_t setOptionalHidden(std::uint16_t flag);

    std::uint16_t displayMode() const { return displayMode_; }
    bool reversed() const { return (displayMode_ & Reversed) != 0; }
    // 0 full, 1 half, 2 quarter size.
    int zoomRow() const { return displayMode_ & HalfSize ? 1 : displayMode_ & QuarterSize ? 2 : 0; }
    std::uint32_t artworkStyle() const { return artworkStyle_; }
    std::int16_t elevationStep() const { return elevationStep_; }
    // Hex rows of the logical map (positions of a screen row) and its columns (screen rows).
    std::int16_t rowCount() const { return size_.w; }
    std::int16_t columnCount() const { return size_.h; }
    const List<Sprite*>& sprites() const { return sprites_; }
    const List<Sprite*>& deadSprites() const { return deadSprites_; }
    const List<Sprite*>& optionalSprites() const { return optionalSprites_; }
    OIF<Bitmap>& overlayArchive() { return overlayArchive_; }
    OIF<Bitmap>* sceneryArchive(int zoom) const { return scenery_[static_cast<std::size_t>(zoom)].get(); }

protected:
    // The scenery sprite of a tree or a stone; null while no game sprite can be made.
    virtual Sprite* makeScenerySprite(std::int16_t hex, const Point3D& offset, const std::string& group,
                                      std::int16_t picture);
    void plantTrees(std::int16_t hex);
    void scatterStones(std::int16_t hex);
    // A number below n (0 when there is none) from the battlefield's own lot: the trees, stones, bushes
    // and ground pictures of a battle are drawn from it, seeded by the battle, so that a battle looks the
    // same each time it is set out (a loaded game as the game it was saved from, every zoom alike).
    int drawBelow(int n);
    std::minstd_rand lot_;

    std::array<std::unique_ptr<OIF<Bitmap>>, 3> scenery_;
    OIF<Bitmap> overlayArchive_;
    List<Sprite*> sprites_;
    List<Sprite*> deadSprites_;
    List<Sprite*> optionalSprites_;
    std::uint16_t hexOffset_ = 0;
    std::int16_t elevationStep_ = 0;
    std::uint16_t displayMode_;
    std::uint32_t artworkStyle_ = 0;
    std::uint16_t optionalHidden_ = 0;

private:
    List<short> blocksOf(const List<short>& hexes) const;
    void invalidateBoxes(List<Box>& boxes);
};

} // namespace vael
