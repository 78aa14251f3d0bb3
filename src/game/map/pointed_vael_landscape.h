#pragma once
// The battle map's landscape: the pointed hex landscape with the game's artwork, the background, the
// arrows that mark combats, the debris of volleys, the scars of fights, the marker of the hex to move
// to, its part of a saved game, the pixel paths of moving units and the lines of hexes along which
// figures leave the field.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/list.h"
#include "game/map/pointed_isometric_hex_landscape.h"
#include "game/map/sprite_path_entry.h"
#include "game/rules/combat/battle_arrow_struct.h"
#include "game/rules/combat/missile_fire_struct.h"

namespace vael {

class PointedVaelLandscape : public PointedIsometricHexLandscape {
public:
    // The id "RemoveDeadSprites" is registered under when the landscape is made.
    static constexpr std::uint16_t RemoveDeadSpritesId = 253;

    struct Arrow {
        BattleArrowStruct arrow;
        Sprite* sprite = nullptr;
    };

    // The landscape of a display mode: the quarter-size bit first, then the half-size bit, else full size;
    // the reversed-view bit is kept.
    static std::unique_ptr<PointedVaelLandscape> create(std::uint16_t mode);

    PointedVaelLandscape(const Dim& blockSize, const Dim& hexSize, const std::string& groundName,
                         const std::string& greenGroundName, const std::string& overlayName,
                         const std::string& gridName, const std::string& outlineName, std::uint16_t mode,
                         const char* name);
    ~PointedVaelLandscape() override;

    void connectHandlers() override;
    std::int16_t beginLandscape(const LandscapeDefinition& definition) override;
    // A full-size landscape sets out its battle's own scenery first, when the battle has any.
    std::int16_t endLandscape() override;
    std::int16_t closeGame() override;
    // A battle map tile is kept only by the landscape of its zoom, the one it draws from.
    Container<Landscape*>* addTile(LandscapeTile* tile) override;

    bool fullSize() const { return (displayMode() & (HalfSize | QuarterSize)) == 0; }
    std::uint32_t battleIndex() const { return battleIndex_; }

    // The screen direction from a hex to the adjacent one (turned half round in the reversed view), 0
    // when they are not adjacent; and the neighbour of a hex in a screen direction, -1 when none.
    std::uint32_t screenDirection(std::int16_t from, std::int16_t to) const;
    std::int16_t neighbourOnScreen(std::int16_t hex, std::uint32_t direction) const;

    List<SpritePathEntry> pixelPath(const RegionPathInfo& info);
    List<short> hexLineInDirection(std::int16_t hex, std::uint32_t direction);
    List<short> exitLineForBattle(std::int16_t hex, std::int16_t& outFlag);

    void showHexToMoveTo(std::int16_t hex, std::int16_t flag);
    void addBattleScars(const List<short>& hexes);
    void addBattleArrow(const BattleArrowStruct& arrow);
    void removeBattleArrow(const BattleArrowStruct& arrow);
    void removeAllBattleArrows();
    void returnFromMissileFire(const MissileDebrisStruct& debris);
    // The landscape's part of a saved game in the named file; false when the file cannot be used.
    bool saveGame(const std::string& fileName);
    // The same part appended to a saved game held whole in memory, its header's slots set.
    bool saveGameBytes(std::vector<std::uint8_t>& bytes);
    bool loadGame(const std::string& fileName);
    // Where the parts the full-size landscape read lie in the file: the block, and its view's section
    // with the sprites after it, each from its offset to where it ended.
    struct SavedExtent {
        std::size_t blockAt = 0, blockEnd = 0, sectionAt = 0, spritesEnd = 0;
    };
    // The same from the saved game's bytes; a refused file changes nothing.
    bool loadGameBytes(const std::vector<std::uint8_t>& bytes, SavedExtent* extent = nullptr);

    const std::vector<Arrow>& arrows() const { return arrows_; }
    // The archive of the battle's own scenery at a zoom (0 full, 1 half, 2 quarter); null while the battle
    // has none.
    OIF<Bitmap>* battleSceneryArchive(int zoom) const {
        return battleScenery_[static_cast<std::size_t>(zoom)].get();
    }
    const List<short>& scars() const { return scars_; }

protected:
    // A game sprite from the given archives, or null while none can be made; the debris and arrows are
    // left without pictures then.
    virtual Sprite* makeGameSprite(std::int16_t hex, const Point3D& offset, OIF<Bitmap>* const archives[3],
                                   const std::string& group, std::int16_t picture);
    Sprite* makeScenerySprite(std::int16_t hex, const Point3D& offset, const std::string& group,
                              std::int16_t picture) override;
    // A sprite's stream form in a saved game; false for a sprite that has none (it is then not saved).
    virtual bool writeSprite(std::vector<std::uint8_t>& out, Sprite* sprite);

private:
    Point centreOf(std::int16_t hex) const;
    std::int16_t levelOfHex(std::int16_t hex) const;
    void showScars(const List<short>& indices);
    void invalidateSprite(Sprite* sprite);
    void makeBattleScenery();

    std::uint32_t battleIndex_ = 10;
    std::unique_ptr<OIF<Bitmap>> arrowArt_[3];
    std::unique_ptr<OIF<Bitmap>> debrisArt_[3];
    std::unique_ptr<OIF<Bitmap>> battleScenery_[3];
    OIF<Bitmap> background_;
    std::vector<Arrow> arrows_;
    List<short> scars_;
    List<Sprite*> scenery_;
    std::uint16_t libraryBuilt_ = 0;
};

} // namespace vael
