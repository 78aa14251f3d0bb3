#include "game/map/isometric_hex_landscape.h"

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "game/map/map_message_names.h"
#include "game/rules/roll.h"

namespace vael {

namespace {
constexpr const char* SourceName = "IHEXLAND";

// Placement of the stream pieces by zoom row, from the block's top-left corner.
constexpr Point FullSidePieces[3][6] = {{{0, 27}, {3, 12}, {65, 11}, {119, 29}, {65, 57}, {3, 57}},
                                        {{0, 13}, {1, 6}, {33, 5}, {60, 14}, {33, 28}, {2, 28}},
                                        {{-1, 7}, {1, 3}, {16, 3}, {30, 7}, {16, 14}, {1, 14}}};
constexpr Point JunctionPieces[3][9] = {
    {{-9, 28}, {-9, 55}, {-9, 28}, {55, 8}, {0, 21}, {0, 9}, {120, 23}, {65, 10}, {65, 10}},
    {{-5, 14}, {-5, 27}, {-5, 14}, {28, 4}, {-1, 10}, {0, 4}, {61, 11}, {32, 5}, {32, 5}},
    {{-3, 7}, {-3, 14}, {-3, 7}, {14, 2}, {-1, 5}, {0, 2}, {31, 6}, {16, 3}, {16, 3}}};

// The scar a hex shows, of n: the hex's own rather than a draw of the moment, since a game loaded from a
// saved one makes its map again and must show the scars the battle showed. The dice still turn, so that a
// battle seeded alike plays alike; dice a test lays down are taken as they are.
int scarOf(std::int16_t hex, int n) {
    if (n <= 0) return 0;
    const int roll = Roll::rand();
    if (Roll::scripted()) return roll % n;
    return static_cast<int>(
        ((static_cast<std::uint32_t>(static_cast<std::uint16_t>(hex)) * 2654435761u) >> 16) %
        static_cast<std::uint32_t>(n));
}

IsometricHexLandscape* hexLandscapeOf(Component* target) {
    return dynamic_cast<IsometricHexLandscape*>(target);
}

ContainerBase* onAddSpriteToLandscape(Component* target, BusMessage, ContainerBase* data) {
    if (IsometricHexLandscape* l = hexLandscapeOf(target))
        callWithPayload<Sprite*>(data, SourceName, __LINE__, [&](Sprite* sprite) {
            if (sprite) l->addSprite(sprite);
        });
    return nullptr;
}

ContainerBase* onRemoveDeadSprites(Component* target, BusMessage, ContainerBase*) {
    if (IsometricHexLandscape* l = hexLandscapeOf(target)) l->removeDeadSprites();
    return nullptr;
}

ContainerBase* onSetOptionalHidden(Component* target, BusMessage, ContainerBase* data) {
    if (IsometricHexLandscape* l = hexLandscapeOf(target))
        callWithPayload<short>(data, SourceName, __LINE__,
                               [&](short flag) { l->setOptionalHidden(static_cast<std::uint16_t>(flag)); });
    return nullptr;
}
} // namespace

IsometricHexLandscape::IsometricHexLandscape(const Dim& blockSize, const Dim& cellStep,
                                             const std::string& overlayName, const std::string& sceneryName,
                                             std::uint16_t displayMode, const char* name)
    : BlockLandscape(blockSize, cellStep, name ? name : "Unnamed Isometric Hex Landscape"),
      overlayArchive_(overlayName), displayMode_(displayMode) {
    const char* suffixes[3] = {"", " (Half size)", " (Quarter size)"};
    for (std::size_t z = 0; z < 3; ++z) {
        scenery_[z] = std::make_unique<OIF<Bitmap>>(sceneryName + suffixes[z]);
        scenery_[z]->selectGroup("Trees");
    }
}

IsometricHexLandscape::~IsometricHexLandscape() {
    // The views drop the sprites through the bus before they go.
    Item<Sprite*>* item = nullptr;
    for (sprites_.firstItem(item); item; item = item->next)
        delete item->value;
    sprites_.clear();
    deadSprites_.clear();
    optionalSprites_.clear();
}

void IsometricHexLandscape::connectHandlers() {
    BlockLandscape::connectHandlers();
    if ((displayMode_ & ~Reversed) == 0) {
        connectNamed(msg::AddSpriteToLandscape, onAddSpriteToLandscape);
        connectNamed(msg::RemoveDeadSprites, onRemoveDeadSprites);
    }
    // Only the quarter-size landscape makes trees, so only it answers the sparse-trees setting.
    if (displayMode_ & QuarterSize) connectNamed(msg::ToggleSparseLandscape, onSetOptionalHidden);
}

int IsometricHexLandscape::drawBelow(int n) {
    if (n <= 0) return 0;
    // The dice still turn as they did when the battlefield was drawn from them, so that a battle seeded
    // alike plays alike; dice a test lays down are taken as they are.
    const int roll = Roll::rand();
    return Roll::scripted() ? roll % n : static_cast<int>(lot_() % static_cast<unsigned>(n));
}

std::int16_t IsometricHexLandscape::beginLandscape(const LandscapeDefinition& definition) {
    BlockLandscape::beginLandscape(definition);
    lot_.seed(1u + definition.scenario);
    // The logical map counts columns first; the screen rows are its columns, each as long as a column.
    size_ = Dim(size_.h, size_.w);
    artworkStyle_ = definition.style;
    return 0;
}

std::int16_t IsometricHexLandscape::createRegions(const List<LogicalRegion>& regions) {
    Item<LogicalRegion>* item = nullptr;
    for (regions.firstItem(item); item; item = item->next)
        createRegion(item->value);
    return 0;
}

std::int16_t IsometricHexLandscape::createRegion(const LogicalRegion& region) {
    const std::int32_t i = hexToBlock(static_cast<std::int16_t>(region.id));
    // A hex off the map, or one the table has no room for, gets no block.
    if (i < 0 || i >= blockCount()) return 0;
    const Dim size = Dim(blockSize().w, blockSize().h);
    const Point3D location = regionToScreen(region.position);
    const std::int16_t z = region.position.z;
    auto fresh = std::make_unique<PhysicalBlock>(location, region.id, size);
    PhysicalBlock& b = *fresh;
    setBlock(i, std::move(fresh));
    const bool quarter = (displayMode_ & QuarterSize) != 0;
    const int count = std::min<int>(region.terrainCount, LogicalRegion::slots);
    for (int k = 0; k < count; ++k) {
        const std::uint16_t code = region.terrain[static_cast<std::size_t>(k)];
        if (code == TagRoad || code == TagFord) {
            b.setTag(code);
        } else if (code == 1) {
            if (quarter) plantTrees(static_cast<std::int16_t>(region.id));
        } else if (code == 2) {
            if (z == 0) {
                const int k3 = drawBelow(static_cast<int>(overlayCount(KindRiverImpass)));
                b.setOverlay(0, 8, libraryOverlay(KindRiverImpass, k3), Point());
            } else if (quarter) {
                scatterStones(static_cast<std::int16_t>(region.id));
            }
        }
    }
    const std::int16_t W = size.w, H = size.h;
    if (z > 0 && b.tag() != TagRoad) {
        const int chance = (6 - z) * 8;
        if (drawBelow(100) < chance) {
            // The index counts the plain bushes whichever kind is shown; the green kind is clamped to its
            // own count so that a shorter set cannot be read past its end.
            int k = drawBelow(static_cast<int>(overlayCount(KindBushes)));
            Kind kind = KindBushes;
            if (artworkStyle_ == 2) {
                kind = KindGreenBushes;
                k = std::min(k, static_cast<int>(overlayCount(KindGreenBushes)) - 1);
            }
            if (BlockOverlay* bush = libraryOverlay(kind, k)) {
                const Point hot = bush->bitmap() ? bush->bitmap()->hotSpot() : Point();
                const int y = drawBelow(H / 2 - hot.y) + H / 4 + hot.y;
                const int x = drawBelow(W - hot.x) + hot.x;
                b.setOverlay(0, 0, bush, Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)));
            }
        }
    }
    // Streams: three codes over the five sides that meet the pieces, each weighting its middle side 4.
    const bool rev = reversed();
    auto side = [rev](int d) {
        if (!rev) return d;
        return d == 1 ? 5 : d == 2 ? 6 : d == 4 ? 8 : d == 5 ? 1 : d == 6 ? 2 : d == 8 ? 4 : d;
    };
    auto f = [&](int d) { return region.getSideFlag(side(d), 1) ? 1 : 0; };
    const int s[5] = {4, 5, 6, 8, 1};
    const int r = zoomRow();
    for (int j = 0; j < 3; ++j) {
        const int code = f(s[j]) + 4 * f(s[j + 1]) + 2 * f(s[j + 2]);
        const auto slot = static_cast<std::uint16_t>(2 + j);
        if (code >= 4) {
            b.setOverlay(0, slot, libraryOverlay(KindStreamSides, j), FullSidePieces[r][j]);
        } else if (code > 0) {
            const int piece = code == 2 ? 3 * j : code == 1 ? 3 * j + 1 : 3 * j + 2;
            b.setOverlay(0, slot, libraryOverlay(KindStreamJunctions, piece), JunctionPieces[r][piece]);
        }
    }
    const int t[3] = {1, 2, 4};
    for (int j = 0; j < 3; ++j)
        if (f(t[j]))
            b.setOverlay(0, static_cast<std::uint16_t>(5 + j), libraryOverlay(KindStreamSides, 3 + j),
                         FullSidePieces[r][3 + j]);
    if (z > 0) {
        const int k4 =
            scarOf(static_cast<std::int16_t>(region.id), static_cast<int>(overlayCount(KindScars)));
        b.setOverlay(1, 0, libraryOverlay(KindScars, k4), Point());
    } else {
        b.setOverlay(1, 0, nullptr, Point());
    }
    b.setOverlayVisible(1, 0, 0);
    return 0;
}

Sprite* IsometricHexLandscape::makeScenerySprite(std::int16_t, const Point3D&, const std::string&,
                                                 std::int16_t) {
    return nullptr;
}

void IsometricHexLandscape::plantTrees(std::int16_t hex) {
    OIF<Bitmap>& full = *scenery_[0];
    full.selectGroup("Trees");
    const int n = drawBelow(3) + 6;
    for (int t = 0; t <= n; ++t) {
        const int cell = t < 6 ? t : (drawBelow(6) + t) % 6;
        const int ox = drawBelow(43) + (cell % 3) * 43;
        const int oy = drawBelow(16) + (cell / 3) * 21;
        const int picture = drawBelow(full.imageCount());
        Sprite* tree = makeScenerySprite(
            hex, Point3D(static_cast<std::int16_t>(-65 + ox), static_cast<std::int16_t>(oy), 0), "Trees",
            static_cast<std::int16_t>(picture));
        if (!tree) continue;
        addSprite(tree);
        optionalSprites_.append(tree);
        if (optionalHidden_) tree->hide();
    }
    if (Sprite* last = makeScenerySprite(hex, Point3D(0, 21, 0), "Trees", 0)) addSprite(last);
}

void IsometricHexLandscape::scatterStones(std::int16_t hex) {
    OIF<Bitmap>& full = *scenery_[0];
    const std::string group = artworkStyle_ == 2 ? "Stones (Green)" : "Stones";
    full.selectGroup(group);
    const int n = drawBelow(4) + 4;
    for (int t = 0; t <= n; ++t) {
        const int ox = drawBelow(130) + 32;
        const int oy = drawBelow(32);
        const int picture = drawBelow(full.imageCount());
        if (Sprite* stone = makeScenerySprite(
                hex, Point3D(static_cast<std::int16_t>(-65 + ox), static_cast<std::int16_t>(oy), 0), group,
                static_cast<std::int16_t>(picture)))
            addSprite(stone);
    }
}

std::int16_t IsometricHexLandscape::endLandscape() {
    assignGroundArt();
    return BlockLandscape::endLandscape();
}

std::int16_t IsometricHexLandscape::closeGame() {
    Item<Sprite*>* item = nullptr;
    for (sprites_.firstItem(item); item; item = item->next)
        delete item->value;
    sprites_.clear();
    deadSprites_.clear();
    optionalSprites_.clear();
    return BlockLandscape::closeGame();
}

Point3D IsometricHexLandscape::blockCenter(std::int16_t hex) {
    return BlockLandscape::blockCenter(static_cast<std::int16_t>(hexToBlock(hex)));
}

List<short> IsometricHexLandscape::blocksOf(const List<short>& hexes) const {
    List<short> indices;
    Item<short>* item = nullptr;
    for (hexes.firstItem(item); item; item = item->next) {
        const std::int32_t i = hexToBlock(item->value);
        if (i >= 0) indices.append(static_cast<short>(i));
    }
    return indices;
}

void IsometricHexLandscape::highlightRegionList(const List<short>& hexes, std::int16_t flag) {
    BlockLandscape::highlightRegionList(blocksOf(hexes), flag);
}
void IsometricHexLandscape::highlightBlock(std::int16_t hex, std::int16_t flag) {
    BlockLandscape::highlightBlock(static_cast<std::int16_t>(hexToBlock(hex)), flag);
}
void IsometricHexLandscape::toggleHighlightRegionList(const List<short>& hexes) {
    BlockLandscape::toggleHighlightRegionList(blocksOf(hexes));
}
void IsometricHexLandscape::toggleHighlightBlock(std::int16_t hex) {
    BlockLandscape::toggleHighlightBlock(static_cast<std::int16_t>(hexToBlock(hex)));
}
void IsometricHexLandscape::halfHighlightRegionList(const List<short>* hexes, std::int16_t flag) {
    if (!hexes) return;
    const List<short> indices = blocksOf(*hexes);
    BlockLandscape::halfHighlightRegionList(&indices, flag);
}
void IsometricHexLandscape::halfHighlightBlock(std::int16_t hex, std::int16_t flag) {
    BlockLandscape::halfHighlightBlock(static_cast<std::int16_t>(hexToBlock(hex)), flag);
}
void IsometricHexLandscape::toggleHalfHighlightRegionList(const List<short>* hexes) {
    if (!hexes) return;
    const List<short> indices = blocksOf(*hexes);
    BlockLandscape::toggleHalfHighlightRegionList(&indices);
}
void IsometricHexLandscape::toggleHalfHighlightBlock(std::int16_t hex) {
    BlockLandscape::toggleHalfHighlightBlock(static_cast<std::int16_t>(hexToBlock(hex)));
}

PhysicalBlock IsometricHexLandscape::blockCopy(std::int16_t hex) {
    return BlockLandscape::blockCopy(static_cast<std::int16_t>(hexToBlock(hex)));
}

std::int16_t IsometricHexLandscape::blockZ(std::int16_t hex) {
    return BlockLandscape::blockZ(static_cast<std::int16_t>(hexToBlock(hex)));
}

void IsometricHexLandscape::addDeadSprite(Sprite* sprite) {
    sprites_.append(sprite);
    deadSprites_.append(sprite);
}

void IsometricHexLandscape::addSprite(Sprite* sprite) {
    sprites_.append(sprite);
    Container<Sprite*> box(sprite);
    send(SPRITE_CREATED, &box);
}

void IsometricHexLandscape::destroySprite(Sprite* sprite) {
    Container<Sprite*> box(sprite);
    sendNowNamed(msg::SpriteDestroyed, &box);
    // Off every list it is on, so that no later walk of the dead or optional sprites reaches it.
    sprites_.removeAll(sprite);
    deadSprites_.removeAll(sprite);
    optionalSprites_.removeAll(sprite);
    delete sprite;
}

void IsometricHexLandscape::invalidateBoxes(List<Box>& boxes) {
    Container<List<Box>> box(boxes);
    dropAnswer(query(INVALIDATE_VIEW, &box));
}

std::int16_t IsometricHexLandscape::removeDeadSprites() {
    debugStream() << "Removing dead sprites" << std::endl;
    List<Box> boxes;
    while (deadSprites_.count() > 0) {
        Item<Sprite*>* head = nullptr;
        deadSprites_.firstItem(head);
        Sprite* s = head->value;
        deadSprites_.removeItem(head);
        boxes.append(s->bounds());
        s->hide();
    }
    invalidateBoxes(boxes);
    return 0;
}

void IsometricHexLandscape::hideOptionalSprites() {
    debugStream() << "Hiding optional sprites" << std::endl;
    List<Box> boxes;
    Item<Sprite*>* item = nullptr;
    for (optionalSprites_.firstItem(item); item; item = item->next) {
        boxes.append(item->value->bounds());
        item->value->hide();
    }
    invalidateBoxes(boxes);
}

void IsometricHexLandscape::showOptionalSprites() {
    debugStream() << "Showing optional sprites" << std::endl;
    List<Box> boxes;
    Item<Sprite*>* item = nullptr;
    for (optionalSprites_.firstItem(item); item; item = item->next) {
        item->value->show();
        boxes.append(item->value->bounds());
    }
    invalidateBoxes(boxes);
}

std::int16_t IsometricHexLandscape::setOptionalHidden(std::uint16_t flag) {
    if (flag == optionalHidden_) return 0;
    optionalHidden_ = flag;
    if (isComplete()) {
        if (flag)
            hideOptionalSprites();
        else
            showOptionalSprites();
    }
    return 0;
}

} // namespace vael
