#include "game/map/pointed_isometric_hex_landscape.h"

#include <algorithm>

#include "framework/core/debug_stream.h"
#include "game/rules/roll.h"

namespace vael {

// An archive's picture with its pixels read: the first use locks it, and it stays so while the archive
// is open, so drawing never reads the file again.
Bitmap* loadedImage(OIF<Bitmap>& archive, std::int16_t index) {
    Bitmap* picture = archive.image(index);
    if (picture && !picture->isLoaded()) picture->lock();
    return picture;
}

const std::int16_t PointedIsometricHexLandscape::VariantsPerMask[SlopeMaskCount] = {4, 1, 1, 1, 1, 1, 1, 1,
                                                                                    1, 1, 1, 1, 1, 1, 1, 1};

PointedIsometricHexLandscape::PointedIsometricHexLandscape(
    const Dim& blockSize, const Dim& hexSize, const std::string& groundName,
    const std::string& greenGroundName, const std::string& overlayName, const std::string& baseOverlayName,
    const std::string& gridName, const std::string& outlineName, std::int16_t missingLevel,
    std::uint16_t displayMode, const char* name)
    // Screen rows lie three quarters of a hex apart and every other one is shifted by half a hex.
    : IsometricHexLandscape(
          blockSize,
          Dim(static_cast<std::int16_t>(hexSize.w / 2), static_cast<std::int16_t>(hexSize.h * 3 / 8)),
          overlayName, baseOverlayName, displayMode, name ? name : "Unnamed Flat Isometric Hex Landscape"),
      ground_(groundName), greenGround_(greenGroundName), hexGrid_(gridName), hexOutline_(outlineName),
      missingLevel_(missingLevel), hexSize_(hexSize) {
    std::int16_t first = 0;
    for (std::int16_t count : VariantsPerMask) {
        firstVariant_.push_back(first);
        first = static_cast<std::int16_t>(first + count);
    }
}

PointedIsometricHexLandscape::~PointedIsometricHexLandscape() = default;

bool PointedIsometricHexLandscape::rowShifted(std::int32_t screenRow) const {
    const std::int32_t column = reversed() ? columnCount() - 1 - screenRow : screenRow;
    return (column & 1) != 0;
}

std::int32_t PointedIsometricHexLandscape::hexToBlock(std::int16_t hex) const {
    const std::int32_t R = rowCount(), N = columnCount();
    if (hex < 0 || R <= 0) return -1;
    const std::int32_t col = hex / 100, row = hex % 100;
    if (col >= N || row >= R) return -1;
    std::int32_t c, p;
    if (!reversed()) {
        c = col;
        p = R - 1 - row;
    } else {
        c = N - 1 - col;
        p = row + (col & 1);
    }
    if (p < 0 || p >= R || c < 0 || c >= N) return -1;
    // The last hex of an odd column lies off the map.
    if (p == 0 && rowShifted(c)) return -1;
    return c * R + p;
}

std::int16_t PointedIsometricHexLandscape::blockToHex(std::int32_t index) const {
    const std::int32_t R = rowCount(), N = columnCount();
    if (index < 0 || R <= 0 || index >= R * N) return -1;
    const std::int32_t c = index / R, p = index % R;
    if (p == 0 && rowShifted(c)) return -1;
    std::int32_t col, row;
    if (!reversed()) {
        col = c;
        row = R - 1 - p;
    } else {
        col = N - 1 - c;
        row = p - (col & 1);
    }
    return static_cast<std::int16_t>(col * 100 + row);
}

Point3D PointedIsometricHexLandscape::regionToScreen(const Point3D& centre) const {
    const std::int32_t R = rowCount(), N = columnCount();
    const std::int32_t col = centre.x / 2;
    const std::int32_t row = (centre.y - 2 * (col % 2)) / 4;
    std::int32_t sx, sy;
    if (!reversed()) {
        sx = 2 * (R - row - 1) - (col % 2 != 0 ? 1 : 0);
        sy = col;
    } else {
        sy = N - 1 - col;
        sx = 2 * row + (col % 2 != 0 ? 1 : 0);
    }
    const Dim cell = cellStep();
    return Point3D(static_cast<std::int16_t>(cell.w * sx),
                   static_cast<std::int16_t>(cell.h * 2 * sy - centre.z * elevationStep()), centre.z);
}

std::int32_t PointedIsometricHexLandscape::blockNeighbour(std::int32_t index, std::int32_t direction) const {
    const std::int32_t R = rowCount(), N = columnCount();
    if (R <= 0 || index < 0 || index >= R * N) return -1;
    const std::int32_t c = index / R, p = index % R;
    const bool odd = rowShifted(c);
    switch (direction) {
    case 2:
        return c >= 1 && (odd || p < R - 1) ? (odd ? index - R : index - (R - 1)) : -1;
    case 3:
        return p < R - 1 ? index + 1 : -1;
    case 4:
        return c < N - 1 && (odd || p < R - 1) ? (odd ? index + R : index + R + 1) : -1;
    case 6:
        return c < N - 1 && (odd || p > 0) ? (odd ? index + R - 1 : index + R) : -1;
    case 7:
        return (odd ? p > 1 : p > 0) ? index - 1 : -1;
    case 8:
        return c >= 1 && (odd || p >= 1) ? (odd ? index - R - 1 : index - R) : -1;
    default:
        return index;
    }
}

std::int32_t PointedIsometricHexLandscape::rotateSideClockwise(std::int32_t direction, int steps) {
    static const std::int32_t order[6] = {2, 3, 4, 6, 7, 8};
    const std::int32_t* at = std::find(order, order + 6, direction);
    if (at == order + 6) return direction;
    return order[((at - order) + steps % 6 + 6) % 6];
}

std::int32_t PointedIsometricHexLandscape::rotateSideAnticlockwise(std::int32_t direction, int steps) {
    return rotateSideClockwise(direction, -(steps % 6));
}

bool PointedIsometricHexLandscape::hexHasBlock(std::int16_t hex) const {
    return block(hexToBlock(hex)) != nullptr;
}

std::int16_t PointedIsometricHexLandscape::levelOf(std::int32_t index) const {
    const PhysicalBlock* b = block(index);
    return b ? b->z() : missingLevel_;
}

std::int16_t PointedIsometricHexLandscape::blockAtPoint(const Point& point) {
    // Later blocks are drawn over earlier ones, so the frontmost answers first.
    for (std::int32_t i = blockCount() - 1; i >= 0; --i) {
        const PhysicalBlock* b = block(i);
        if (!b || !b->bitmap()) continue;
        const Point3D at = b->location();
        if (b->bitmap()->isOpaqueAt(
                Point(static_cast<std::int16_t>(point.x - at.x), static_cast<std::int16_t>(point.y - at.y))))
            return static_cast<std::int16_t>(i);
    }
    return -1;
}

void PointedIsometricHexLandscape::drawArea(Bitmap& target, const Point& origin) {
    drawBackground(target, origin);
    const std::int32_t R = rowCount(), N = columnCount();
    const Dim cell = cellStep();
    const std::int32_t w = target.width(), h = target.height();
    const std::int32_t p0 = std::max<std::int32_t>(0, origin.x / (2 * cell.w) - 1);
    const std::int32_t p1 = std::min<std::int32_t>(R, (origin.x + w) / (2 * cell.w) + 2);
    const std::int32_t c0 = std::max<std::int32_t>(0, origin.y / (2 * cell.h) - 1);
    const std::int32_t c1 = std::min<std::int32_t>(N, (origin.y + h) / (2 * cell.h) + 2);
    for (std::int32_t c = c0; c < c1; ++c)
        for (std::int32_t p = p0; p < p1; ++p)
            if (block(c * R + p)) drawBlock(target, origin, c * R + p);
}

Bitmap* PointedIsometricHexLandscape::pictureOf(OIF<Bitmap>& archive, std::int16_t group,
                                                std::int16_t frame) {
    Bitmap* picture = group >= 0 && frame >= 0 && frame < archive.imageCount(group)
                          ? loadedImage(archive, archive.imageIndexAt(frame, group))
                          : nullptr;
    if (!picture) {
        ++lookupMisses_;
        debugStream() << "No picture " << frame << " in group " << group << " of " << archive.name()
                      << std::endl;
    }
    return picture;
}

void PointedIsometricHexLandscape::drawBlock(Bitmap& target, const Point& origin, std::int32_t i) {
    const PhysicalBlock* b = block(i);
    if (!b) return;
    const std::int32_t R = rowCount();
    const std::int32_t c = i / R, p = i % R;
    const std::int16_t z = b->z();
    const Dim size = blockSize();
    const std::int16_t W = size.w, H = size.h, step = elevationStep();
    const Dim cell = cellStep();
    const Point P(static_cast<std::int16_t>(b->location().x - origin.x),
                  static_cast<std::int16_t>(b->location().y - origin.y));
    OIF<Bitmap>& art = artworkStyle() == 2 ? greenGround_ : ground_;
    const bool odd = rowShifted(c);
    if (i < blockCount() - R) {
        const std::int16_t V = static_cast<std::int16_t>((i % 3) * W);
        Point left = P, right = P;
        int dropL = 0, dropR = 0, lowL = 0, lowR = 0;
        const std::int32_t sw = blockNeighbour(i, 6), se = blockNeighbour(i, 4);
        const std::int32_t w = blockNeighbour(i, 7), e = blockNeighbour(i, 3);
        const std::int32_t twoDown = i + 2 * R;
        auto lowerOf = [&](std::int32_t n) {
            return block(twoDown) ? std::min<int>(levelOf(n), levelOf(twoDown)) : levelOf(n);
        };
        if (block(sw)) {
            lowL = levelOf(sw);
            dropL = z - lowL;
            if (block(w) && levelOf(w) == z + 1) ++dropL, left.y = static_cast<std::int16_t>(left.y - step);
            if (!odd && p == R - 1) lowR = lowerOf(sw), dropR = z - lowR;
        }
        if (block(se)) {
            lowR = levelOf(se);
            dropR = z - lowR;
            if (block(e) && levelOf(e) == z + 1) ++dropR, right.y = static_cast<std::int16_t>(right.y - step);
            if (!odd && p == 0) lowL = lowerOf(se), dropL = z - lowL;
        }
        const std::int16_t cliff0 = art.findGroup("Cliff 0");
        if (dropR > 1)
            if (Bitmap* pic = pictureOf(art, static_cast<std::int16_t>(cliff0 + lowR),
                                        static_cast<std::int16_t>(dropR - 2)))
                target.drawBitmap(Point(static_cast<std::int16_t>(right.x + W / 2),
                                        static_cast<std::int16_t>(right.y + 3 * H / 4 + 2)),
                                  *pic,
                                  Box(static_cast<std::int16_t>(W / 2 + V), 0,
                                      static_cast<std::int16_t>(W / 2), pic->height()),
                                  DrawPlain);
        if (dropL > 1)
            if (Bitmap* pic = pictureOf(art, static_cast<std::int16_t>(cliff0 + lowL),
                                        static_cast<std::int16_t>(dropL - 2)))
                target.drawBitmap(Point(left.x, static_cast<std::int16_t>(left.y + 3 * H / 4 + 2)), *pic,
                                  Box(V, 0, static_cast<std::int16_t>(W / 2), pic->height()), DrawPlain);
    }
    if (odd && (p == R - 1 || p == 1)) {
        const bool right = p == R - 1;
        const int a = levelOf(blockNeighbour(i, right ? 2 : 8));
        const int bl = levelOf(blockNeighbour(i, right ? 4 : 6));
        const int m = std::min({a, bl, static_cast<int>(z)});
        int mask = 0;
        if (right)
            mask = (a - m == 1 ? 2 : 0) + (z - m == 1 ? 1 : 0);
        else
            mask = (a - m == 1 ? 4 : 0) + (z - m == 1 ? 8 : 0);
        const std::int16_t river = art.findGroup("River");
        Point at = right ? Point(static_cast<std::int16_t>(P.x + 2 * cell.w), P.y)
                         : Point(static_cast<std::int16_t>(P.x - cell.w), P.y);
        if (m < z) at.y = static_cast<std::int16_t>(at.y + (z - m) * step);
        const std::int16_t frame = firstVariant_[static_cast<std::size_t>(mask)];
        if (Bitmap* pic = pictureOf(art, static_cast<std::int16_t>(river + m), frame)) {
            const Box half = right ? Box(0, 0, static_cast<std::int16_t>(W / 2), pic->height())
                                   : Box(static_cast<std::int16_t>(W / 2), 0,
                                         static_cast<std::int16_t>(W - W / 2), pic->height());
            // The half lands in the gap at the row's end: its own corner goes at the place worked out.
            target.drawBitmap(at, *pic, half, DrawPlain);
            if (!right && b->isOverlayVisible(2, 0))
                if (BlockOverlay* grid = libraryOverlay(KindHexGrid, mask))
                    if (grid->bitmap()) target.drawBitmap(at, *grid->bitmap(), half, DrawPlain);
        }
    }
    b->draw(target, origin);
}

void PointedIsometricHexLandscape::redrawRaisedNeighbours(Bitmap& target, std::int16_t hex, const Box& box) {
    const std::int32_t i = hexToBlock(hex);
    const PhysicalBlock* b = block(i);
    if (!b || i >= blockCount() - rowCount()) return;
    // The target shows the landscape from the box's corner.
    for (std::int32_t d : {6, 4}) {
        const std::int32_t n = blockNeighbour(i, d);
        const PhysicalBlock* nb = block(n);
        if (nb && nb->z() > b->z() && nb->intersects(box)) drawBlock(target, Point(box.x, box.y), n);
    }
}

void PointedIsometricHexLandscape::buildOverlayLibrary() {
    auto addGroup = [this](std::uint16_t kind, OIF<Bitmap>& archive, std::int16_t group, int from,
                           int count) {
        for (int k = from; k < from + count; ++k)
            if (Bitmap* pic = loadedImage(archive, archive.imageIndexAt(static_cast<std::int16_t>(k), group)))
                addOverlay(kind, std::make_unique<BlockOverlay>(pic, Box(0, 0, pic->width(), pic->height())));
    };
    auto all = [&](std::uint16_t kind, OIF<Bitmap>& archive, const char* group) {
        const std::int16_t g = archive.findGroup(group);
        if (g >= 0) addGroup(kind, archive, g, 0, archive.imageCount(g));
    };
    all(KindBushes, overlayArchive_, "Bushes");
    const std::int16_t streams = ground_.findGroup("Minor Rivers");
    if (streams >= 0) {
        addGroup(KindStreamSides, ground_, streams, 0, 6);
        addGroup(KindStreamJunctions, ground_, streams, 6, 9);
    }
    all(KindRiverImpass, overlayArchive_, "River Impass");
    all(KindScars, overlayArchive_, "Scars");
    all(KindFordFix, ground_, "Ford Fix");
    all(KindRoads, ground_, "Roads");
    const std::int16_t grids = hexGrid_.imageCount(-1);
    addGroup(KindHexGrid, hexGrid_, hexGrid_.currentGroup(), 0, grids);
    // One outline for each grid picture, never more than the outline archive holds.
    addGroup(KindHexOutline, hexOutline_, hexOutline_.currentGroup(), 0,
             std::min(grids, hexOutline_.imageCount(-1)));
    all(KindGreenBushes, overlayArchive_, "Bushes (Green)");
}

void PointedIsometricHexLandscape::assignRoadAndFords(std::int32_t i) {
    const PhysicalBlock* b = block(i);
    auto tagOf = [this](std::int32_t n) { return block(n) ? block(n)->tag() : -1; };
    auto roadOrFord = [&](std::int32_t n) { return tagOf(n) == TagRoad || tagOf(n) == TagFord; };
    const std::int32_t E = blockNeighbour(i, 3), NE = blockNeighbour(i, 2), NW = blockNeighbour(i, 8),
                       SE = blockNeighbour(i, 4), SW = blockNeighbour(i, 6), W = blockNeighbour(i, 7);
    if (b->tag() == TagRoad) {
        const std::int32_t entries[3] = {NW, W, SW};
        int entry = 0;
        for (int k = 0; k < 3 && !entry; ++k)
            if (tagOf(entries[k]) == TagRoad) entry = k + 1;
        for (int k = 0; k < 3 && !entry; ++k)
            if (tagOf(entries[k]) == TagFord) entry = k + 1;
        if (!entry) entry = !block(W) ? 2 : !block(NW) ? 1 : !block(SW) ? 3 : 2;
        int exit = 0;
        if (entry != 1 && roadOrFord(NE))
            exit = 4;
        else if (roadOrFord(E))
            exit = 7;
        else if (entry != 3 && roadOrFord(SE))
            exit = 10;
        else if (!block(E))
            exit = 7;
        else if (!block(NE) && entry != 1)
            exit = 4;
        else if (!block(SE) && entry != 3)
            exit = 10;
        else
            exit = 7;
        roadPieces_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(entry + exit - 6);
    }
    if (b->tag() == TagFord) {
        auto fix = [&](std::int32_t on, std::int32_t beside, std::uint16_t slot, int picture) {
            PhysicalBlock* target = block(on);
            if (!target || !block(beside) || tagOf(on) == TagFord || levelOf(on) != 0 || levelOf(beside) != 1)
                return false;
            target->setOverlay(0, slot, libraryOverlay(KindFordFix, picture), Point());
            return true;
        };
        if (!fix(W, NW, 9, 0)) fix(NW, NE, 9, 1);
        if (!fix(NE, NW, 10, 2)) fix(E, NE, 10, 3);
        if (!fix(SE, E, 11, 4)) fix(SW, W, 11, 5);
    }
}

void PointedIsometricHexLandscape::assignGroundArt() {
    const std::size_t count = blockCount();
    slopeMasks_.assign(count, 0);
    roadPieces_.assign(count, 0);
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i) {
        const PhysicalBlock* b = block(i);
        if (!b) continue;
        // A neighbour one level lower shows the slope up to this block on the side facing it.
        const struct {
            std::int32_t direction;
            std::int16_t bit;
        } faces[4] = {{7, 8}, {6, 4}, {4, 2}, {3, 1}};
        for (const auto& f : faces) {
            const std::int32_t n = blockNeighbour(i, f.direction);
            if (block(n) && levelOf(n) == b->z() - 1) slopeMasks_[static_cast<std::size_t>(n)] |= f.bit;
        }
        assignRoadAndFords(i);
    }
    OIF<Bitmap>& art = artworkStyle() == 2 ? greenGround_ : ground_;
    const std::int16_t river = art.findGroup("River"), fords = art.findGroup("River Fords");
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i) {
        PhysicalBlock* b = block(i);
        if (!b) continue;
        const std::int16_t mask = slopeMasks_[static_cast<std::size_t>(i)];
        const std::int16_t variants = VariantsPerMask[mask];
        const std::int16_t frame =
            static_cast<std::int16_t>(firstVariant_[static_cast<std::size_t>(mask)] + drawBelow(variants));
        const std::int16_t group = b->tag() == TagFord ? fords : static_cast<std::int16_t>(river + b->z());
        b->setBitmap(pictureOf(art, river < 0 ? -1 : group, frame), 0);
        if (b->tag() == TagRoad) {
            b->setOverlay(0, 1, libraryOverlay(KindRoads, roadPieces_[static_cast<std::size_t>(i)]), Point());
            if (!libraryOverlay(KindRoads, roadPieces_[static_cast<std::size_t>(i)])) ++lookupMisses_;
        }
        b->setOverlay(2, 0, libraryOverlay(KindHexGrid, mask), Point());
        b->setOverlay(2, 1, libraryOverlay(KindHexOutline, mask), Point());
        b->setOverlayVisible(2, 0, 0);
        b->setOverlayVisible(2, 1, 0);
    }
}

void PointedIsometricHexLandscape::showHexGrid(std::int16_t flag) {
    setOverlayVisibleAll(2, 0, flag);
}

} // namespace vael
