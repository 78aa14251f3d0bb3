#pragma once
// The hex landscape of pointed hexes (a point up and a point down): every hex one block on a staggered
// grid whose screen rows are the map's columns. It converts hex numbers and block indices both ways in
// both views, projects regions into the picture, finds the hex under a point, picks each hex's ground
// from the heights of its neighbours and draws cliffs and the ragged ends of the shifted rows.
//
// A screen row is shifted half a hex to the left when the map column it shows is odd, so position 0 of a
// shifted row holds no hex. In the normal view that is every odd screen row; turned round, with an even
// number of columns, it is every even one, which keeps both views covering exactly the map's hexes.
#include <cstdint>
#include <string>
#include <vector>

#include "game/map/isometric_hex_landscape.h"

namespace vael {

Bitmap* loadedImage(OIF<Bitmap>& archive, std::int16_t index);

class PointedIsometricHexLandscape : public IsometricHexLandscape {
public:
    static constexpr std::int16_t SlopeMaskCount = 16;
    // Ground variants by slope mask: four plain ones, then one for each mask with a slope.
    static const std::int16_t VariantsPerMask[SlopeMaskCount];

    PointedIsometricHexLandscape(const Dim& blockSize, const Dim& hexSize, const std::string& groundName,
                                 const std::string& greenGroundName, const std::string& overlayName,
                                 const std::string& baseOverlayName, const std::string& gridName,
                                 const std::string& outlineName, std::int16_t missingLevel,
                                 std::uint16_t displayMode, const char* name = nullptr);
    ~PointedIsometricHexLandscape() override;

    std::int16_t blockAtPoint(const Point& point) override;
    void drawArea(Bitmap& target, const Point& origin) override;
    std::int16_t blockToHex(std::int32_t index) const override;
    std::int32_t hexToBlock(std::int16_t hex) const override;
    Point3D regionToScreen(const Point3D& centre) const override;
    void assignGroundArt() override;
    bool hexHasBlock(std::int16_t hex) const override;
    void redrawRaisedNeighbours(Bitmap& target, std::int16_t hex, const Box& box) override;
    virtual void buildOverlayLibrary();
    virtual void drawBlock(Bitmap& target, const Point& origin, std::int32_t index);

    static std::int32_t rotateSideClockwise(std::int32_t direction, int steps);
    static std::int32_t rotateSideAnticlockwise(std::int32_t direction, int steps);
    // The neighbouring block in a hex-side direction (2, 3, 4, 6, 7, 8), -1 when there is none; any other
    // direction answers the index itself.
    std::int32_t blockNeighbour(std::int32_t index, std::int32_t direction) const;
    void showHexGrid(std::int16_t flag);
    // Whether the screen row holds an odd map column, and so is shifted half a hex to the left.
    bool rowShifted(std::int32_t screenRow) const;
    // The level of a block, missing level when there is none.
    std::int16_t levelOf(std::int32_t index) const;
    std::int16_t slopeMaskOf(std::int32_t index) const {
        return index >= 0 && index < static_cast<std::int32_t>(slopeMasks_.size())
                   ? slopeMasks_[static_cast<std::size_t>(index)]
                   : 0;
    }
    std::int16_t roadPieceOf(std::int32_t index) const {
        return index >= 0 && index < static_cast<std::int32_t>(roadPieces_.size())
                   ? roadPieces_[static_cast<std::size_t>(index)]
                   : 0;
    }
    Dim hexSize() const { return hexSize_; }
    OIF<Bitmap>& groundArchive() { return ground_; }
    // Pictures looked for and not found since construction; each is traced.
    std::uint32_t lookupMisses() const { return lookupMisses_; }

protected:
    OIF<Bitmap> ground_;
    OIF<Bitmap> greenGround_;
    OIF<Bitmap> hexGrid_;
    OIF<Bitmap> hexOutline_;
    std::int16_t missingLevel_;
    Dim hexSize_;
    std::vector<std::int16_t> firstVariant_;
    std::vector<std::int16_t> slopeMasks_;
    std::vector<std::int16_t> roadPieces_;
    std::uint32_t lookupMisses_ = 0;

private:
    Bitmap* pictureOf(OIF<Bitmap>& archive, std::int16_t group, std::int16_t frame);
    void assignRoadAndFords(std::int32_t i);
};

} // namespace vael
