#include "game/rules/landscape/vael_logical_landscape.h"

#include <cstdlib>

#include "framework/core/debug_stream.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

namespace {

constexpr std::uint16_t none = LogicalRegion::none;

// The sides of a hex in the order the map file's records are applied, with the offset of each side's
// midpoint from the centre on the lattice.
struct Side {
    std::int32_t direction;
    int dx;
    int dy;
};
constexpr Side sides[6] = {{1, 0, -2}, {2, 1, -1}, {4, 1, 1}, {5, 0, 2}, {6, -1, 1}, {8, -1, -1}};

// The side flag a side value of the map file sets; -1 for values that set none.
int flagOfSideValue(std::uint16_t value) {
    switch (value) {
    case 20:
        return 0;
    case 6:
        return 1;
    case 11:
        return 2;
    default:
        return -1;
    }
}

} // namespace

VaelLogicalLandscape::VaelLogicalLandscape(const char* mapFileName)
    : LogicalLandscape("Vael Logical Landscape") {
    loadMap(mapFileName);
    buildFrontArcs();
}

VaelLogicalLandscape::VaelLogicalLandscape(const LogicalMapFile& mapFile)
    : LogicalLandscape("Vael Logical Landscape") {
    loadMap(mapFile);
    buildFrontArcs();
}

VaelLogicalLandscape::~VaelLogicalLandscape() = default;

std::int16_t VaelLogicalLandscape::idOf(std::int16_t index) const {
    if (size_.x <= 0) return -1;
    return static_cast<std::int16_t>((index % size_.x) * 100 + index / size_.x);
}

std::int16_t VaelLogicalLandscape::indexOf(std::int16_t hex) const {
    const int column = hex / 100;
    const int row = hex - column * 100;
    return static_cast<std::int16_t>(column + row * size_.x);
}

void VaelLogicalLandscape::clearMap() {
    regions_.clear();
    occupants_.clear();
    fillSlots_.clear();
    neighbourIndex_.clear();
    regionCount_ = 0;
    size_ = Point(0, 0);
    hexOffset_ = 1000;
    landscapeStyle_ = 0;
}

bool VaelLogicalLandscape::loadMap(const char* fileName) {
    LogicalMapFile file;
    if (!file.readFile(fileName ? fileName : "")) {
        clearMap();
        loadError_ = file.error();
        debugStream() << loadError_ << std::endl;
        return false;
    }
    return loadMap(file);
}

bool VaelLogicalLandscape::loadMap(const LogicalMapFile& file) {
    clearMap();
    if (file.width() == 0 || file.height() == 0) {
        loadError_ = file.error().empty() ? std::string("The map file holds no map") : file.error();
        debugStream() << loadError_ << std::endl;
        return false;
    }
    loadError_.clear();
    const int width = file.width();
    const int height = file.height();
    size_ = Point(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height));
    regionCount_ = static_cast<std::int16_t>(width * height);
    hexOffset_ = file.hexOffset();
    landscapeStyle_ = static_cast<std::uint32_t>(file.landscapeStyle());
    occupants_.resize(static_cast<std::size_t>(regionCount_));
    regions_.reserve(static_cast<std::size_t>(regionCount_));

    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            auto region = std::make_unique<LogicalRegion>();
            region->neighbourCount = LogicalRegion::slots;
            region->terrainCount = 0;
            const std::uint8_t level = file.heightLevel(static_cast<std::size_t>(row * width + column));
            region->position = Point3D(static_cast<std::int16_t>(2 * column),
                                       static_cast<std::int16_t>(4 * row + 2 * (column % 2)), level);
            // Level 0 is the river bed: it carries the river's code unless the hex lists codes of its own.
            if (level == 0) {
                region->terrain[0] = 4;
                region->terrainCount = 1;
            }
            region->id = static_cast<std::uint16_t>(column * 100 + row);
            regions_.push_back(std::move(region));
        }

    for (std::int16_t i = 0; i < regionCount_; ++i) {
        LogicalRegion& region = *regions_[static_cast<std::size_t>(i)];
        const Point centre = latticePoint(idOf(i));
        const std::uint16_t count = file.recordCount(centre.x, centre.y);
        const std::uint16_t* codes = file.recordValues(centre.x, centre.y);
        std::uint16_t kept = count;
        if (kept > LogicalMapFile::maxTerrainCodes) {
            debugStream() << "Hex " << region.id << " lists " << count << " terrain codes; keeping the first "
                          << LogicalMapFile::maxTerrainCodes << std::endl;
            kept = LogicalMapFile::maxTerrainCodes;
        }
        // Entries past the count keep what they held, so a river bed with no codes of its own keeps 4.
        region.terrainCount = kept;
        for (std::uint16_t k = 0; k < kept; ++k)
            region.terrain[k] = codes[k];
        if (centre.y >= height * 4) continue; // the unused last hex of an odd column has no sides
        for (const Side& side : sides) {
            const int x = centre.x + side.dx;
            const int y = centre.y + side.dy;
            const std::uint16_t n = file.recordCount(x, y);
            const std::uint16_t* values = file.recordValues(x, y);
            for (std::uint16_t v = 0; v < n; ++v) {
                const int flag = flagOfSideValue(values[v]);
                if (flag >= 0) region.setSideFlag(side.direction, flag, true);
            }
        }
    }
    linkNeighbours();
    return true;
}

void VaelLogicalLandscape::linkNeighbours() {
    const int width = size_.x;
    const int height = size_.y;
    auto clearEastWest = [width](int index, LogicalRegion& r) {
        if ((index + 1) % width == 0) r.neighbours[2] = r.neighbours[4] = none;
        if (index % width == 0) r.neighbours[6] = r.neighbours[8] = none;
    };
    for (int i = 0; i < regionCount_; ++i) {
        LogicalRegion& r = *regions_[static_cast<std::size_t>(i)];
        const int column = i % width;
        const int p = column % 2;
        const int hex = column * 100 + i / width;
        auto& n = r.neighbours;
        n[0] = static_cast<std::uint16_t>(hex);
        n[1] = static_cast<std::uint16_t>(hex - 1);
        n[2] = static_cast<std::uint16_t>(hex + p + 99);
        n[4] = static_cast<std::uint16_t>(hex + p + 100);
        n[5] = static_cast<std::uint16_t>(hex + 1);
        n[6] = static_cast<std::uint16_t>(hex + p - 100);
        n[8] = static_cast<std::uint16_t>(hex + p - 101);
        n[3] = n[7] = n[9] = none;
        if (i < width) {
            n[1] = none;
            if (p == 0) n[2] = n[8] = none;
        }
        if (i >= width * (height - 1)) {
            if (p == 1) {
                // This hex is off the map; the hex above it is the last of its column. A one-row map has
                // no hex above.
                if (i - width >= 0) {
                    LogicalRegion& above = *regions_[static_cast<std::size_t>(i - width)];
                    above.neighbours[5] = none;
                    clearEastWest(i - width, above);
                }
            } else {
                n[5] = n[4] = n[6] = none;
            }
        }
        // Also on a one-column map, whose only hex column is both the first and the last.
        clearEastWest(i, r);
    }
    // The table index of every neighbour, -1 for none or for a number off the map, so that the questions
    // about the hexes around a hex need no look-up of each neighbour's number.
    neighbourIndex_.assign(static_cast<std::size_t>(regionCount_) * LogicalRegion::slots, -1);
    for (int i = 0; i < regionCount_; ++i)
        for (int d = 0; d < LogicalRegion::slots; ++d) {
            const std::uint16_t n =
                regions_[static_cast<std::size_t>(i)]->neighbours[static_cast<std::size_t>(d)];
            if (n != none)
                neighbourIndex_[static_cast<std::size_t>(i * LogicalRegion::slots + d)] =
                    lookupIndex(static_cast<std::int16_t>(n));
        }
}

void VaelLogicalLandscape::buildFrontArcs() {
    for (auto& arc : frontArcs_)
        arc.clear();
    const std::int32_t codes[6] = {2, 3, 4, 6, 7, 8};
    for (int c = 0; c < 6; ++c)
        for (int b = 0; b <= 4; ++b)
            frontArcs_[codes[c]].append(static_cast<short>((c * 4 + b) % 24));
}

const List<short>& VaelLogicalLandscape::frontArc(std::int32_t code) const {
    static const List<short> empty;
    if (code < 0 || code > 8) return empty;
    return frontArcs_[code];
}

Point VaelLogicalLandscape::latticePoint(std::int16_t hex) const {
    // The centre of column c lies at lattice x 2c + 2 on every row, rows 50 to 99 included.
    const int column = hex / 100;
    const int row = hex % 100;
    return Point(static_cast<std::int16_t>(2 * column + 2),
                 static_cast<std::int16_t>(4 * row + 2 * (column % 2) + 2));
}

std::int16_t VaelLogicalLandscape::hexAtLatticePoint(Point point) const {
    const int column = (point.x - 2) / 2;
    const int row = (point.y - 2) / 4;
    return static_cast<std::int16_t>(column * 100 + row);
}

std::int16_t VaelLogicalLandscape::bearingBetween(std::int16_t from, std::int16_t to) const {
    const Point a = latticePoint(from);
    const Point b = latticePoint(to);
    const int dx = b.x - a.x;
    const int dy = b.y - a.y;
    if (dx == 0 && dy == 0) return -1;
    const int ax = std::abs(dx);
    const int ay = std::abs(dy);
    int k;
    if (dx == 0)
        k = 0;
    else if (dy == 0)
        k = 1;
    else if (ay == ax)
        k = 2;
    else if (ay < ax)
        k = 3;
    else if (ay == 3 * ax)
        k = 4;
    else if (ay < 3 * ax)
        k = 5;
    else
        k = 6;
    // Rows NE, NW, SE, SW; columns k1 to k7. The entries marked -1 cannot occur.
    static const std::int16_t table[4][7] = {
        {-1, 6, 4, 5, 2, 3, 1},
        {0, 18, 20, 19, 22, 21, 23},
        {-1, -1, 8, 7, 10, 9, 11},
        {12, -1, 16, 17, 14, 15, 13},
    };
    int quadrant;
    if (dx > 0 && dy <= 0)
        quadrant = 0;
    else if (dx <= 0 && dy <= 0)
        quadrant = 1;
    else if (dx > 0)
        quadrant = 2;
    else
        quadrant = 3;
    return table[quadrant][k];
}

DIRECTION VaelLogicalLandscape::facingTowards(std::int16_t from, std::int16_t to) const {
    static const DIRECTION codes[6] = {NorthEast, East, SouthEast, SouthWest, West, NorthWest};
    const std::int16_t bearing = bearingBetween(from, to);
    if (bearing < 0) return NorthEast;
    return codes[bearing / 4];
}

bool VaelLogicalLandscape::inFrontArc(std::int16_t from, std::int16_t to, std::int32_t code) const {
    return frontArc(code).contains(bearingBetween(from, to));
}

std::int16_t VaelLogicalLandscape::hexDistance(std::int16_t a, std::int16_t b) const {
    const Point pa = latticePoint(a);
    const Point pb = latticePoint(b);
    const int ax = std::abs(pb.x - pa.x);
    const int ay = std::abs(pb.y - pa.y);
    return static_cast<std::int16_t>(ax < ay ? (ax + ay) / 4 : ax / 2);
}

std::int32_t VaelLogicalLandscape::doubledTriangleArea(std::int16_t a, std::int16_t b, std::int16_t c) const {
    const Point pa = latticePoint(a);
    const Point pb = latticePoint(b);
    const Point pc = latticePoint(c);
    const std::int32_t xa = pa.x, ya = pa.y, xb = pb.x, yb = pb.y, xc = pc.x, yc = pc.y;
    return std::abs(xa * yb - xa * yc - xb * ya + xb * yc + xc * ya - xc * yb);
}

List<short> VaelLogicalLandscape::hexLine(std::int16_t from, std::int16_t to) const {
    List<short> line;
    // A line needs two hexes of the map; anything else has no line.
    if (!isValidHex(from) || !isValidHex(to)) return line;
    std::int32_t d1 = 1, d2 = 2;
    switch (facingTowards(from, to)) {
    case NorthEast:
        d1 = 1, d2 = 2;
        break;
    case East:
        d1 = 2, d2 = 4;
        break;
    case SouthEast:
        d1 = 4, d2 = 5;
        break;
    case SouthWest:
        d1 = 5, d2 = 6;
        break;
    case West:
        d1 = 6, d2 = 8;
        break;
    default:
        d1 = 8, d2 = 1;
        break;
    }
    std::int16_t current = from;
    // Each step comes nearer to the end, so no line is longer than the map has hexes; the bound only
    // guards against a walk that would not end.
    for (int steps = 0; current != to; ++steps) {
        if (steps > regionCount_) {
            debugStream() << "hexLine from " << from << " to " << to << " gave up after " << steps << " steps"
                          << std::endl;
            return line;
        }
        line.append(current);
        const std::uint16_t a = neighbourId(current, d1);
        const std::uint16_t b = neighbourId(current, d2);
        if (a == none && b == none) return line;
        // A missing neighbour is never taken while the other exists, however far off the line that one
        // lies (on a wide map a real score can exceed any fixed stand-in for "missing").
        if (a == none)
            current = static_cast<std::int16_t>(b);
        else if (b == none)
            current = static_cast<std::int16_t>(a);
        else
            current = static_cast<std::int16_t>(
                doubledTriangleArea(current, to, static_cast<std::int16_t>(a)) <
                        doubledTriangleArea(current, to, static_cast<std::int16_t>(b))
                    ? a
                    : b);
    }
    line.append(to);
    return line;
}

List<const VaelUnit*>& VaelLogicalLandscape::unitsInHex(std::int16_t hex) {
    const std::int32_t index = lookupIndex(hex);
    if (index < 0 || index >= static_cast<std::int32_t>(occupants_.size())) {
        noOccupants_.clear();
        return noOccupants_;
    }
    return occupants_[static_cast<std::size_t>(index)];
}

void VaelLogicalLandscape::addToRegion(const VaelUnit* unit, std::int16_t hex) {
    if (lookupIndex(hex) < 0) return; // off the map: the unit stands nowhere
    unitsInHex(hex).append(unit);
}

const VaelUnit* VaelLogicalLandscape::removeFromRegion(const VaelUnit* unit, std::int16_t hex) {
    if (lookupIndex(hex) < 0) return nullptr;
    return unitsInHex(hex).remove(unit) ? unit : nullptr;
}

const VaelUnit* VaelLogicalLandscape::removeUnitById(std::int16_t componentId, std::int16_t hex) {
    if (lookupIndex(hex) < 0) return nullptr;
    List<const VaelUnit*>& list = unitsInHex(hex);
    ListIterator<const VaelUnit*> it(list);
    for (const VaelUnit* unit = nullptr; it.next(unit);)
        if (unit->getId() == componentId) {
            list.remove(unit);
            return unit;
        }
    return nullptr;
}

bool VaelLogicalLandscape::isHexOccupied(std::int16_t hex) const {
    return firstOccupant(hex) != nullptr;
}

bool VaelLogicalLandscape::otherNationInHex(std::int16_t hex, std::uint32_t nation) const {
    const VaelUnit* unit = firstOccupant(hex);
    return unit && unit->isOtherNation(nation);
}

std::int32_t VaelLogicalLandscape::sideFlagOfCode(std::uint16_t code) {
    switch (code) {
    case 6:
        return 1;
    case 8:
        return 3;
    case 9:
        return 4;
    case 11:
        return 2;
    default:
        return 0; // 14, and any code the rules do not know: the impassable side
    }
}

std::uint32_t VaelLogicalLandscape::hasHexsideFeature(std::int16_t hex, std::int32_t direction,
                                                      std::uint16_t code) const {
    const LogicalRegion* region = regionAt(hex);
    return region ? region->getSideFlag(direction, sideFlagOfCode(code)) : 0;
}

std::uint32_t VaelLogicalLandscape::hasHexsideFeatureToward(std::int16_t from, std::int16_t to,
                                                            std::uint16_t code) const {
    return hasHexsideFeature(from, neighbourDirection(from, to), code);
}

std::int16_t VaelLogicalLandscape::stepCostBetween(std::int16_t from, std::int16_t to) const {
    static const std::int16_t values[12] = {1, 2, 1, 2, 1, 2, -1, 0, -1, -1, 2, 99};
    // The two regions and the side between them are looked up once: this runs for every step of every
    // movement fill.
    const LogicalRegion* a = regionAt(from);
    const LogicalRegion* b = regionAt(to);
    const std::int32_t side = neighbourDirection(from, to);
    int highest = 1;
    int extra = 0;
    for (std::uint16_t k = 0; k < 12; ++k) {
        if (k == 7) continue;
        const bool onHex = k <= 5 || k == 10;
        const bool counted = onHex ? (b && b->hasTerrain(k)) : (a && a->getSideFlag(side, sideFlagOfCode(k)));
        if (!counted) continue;
        if (values[k] < 0)
            extra += -values[k];
        else if (values[k] > highest)
            highest = values[k];
    }
    const int levelFrom = a ? a->position.z : 0;
    const int levelTo = b ? b->position.z : 0;
    return static_cast<std::int16_t>(highest + extra + std::abs(levelFrom - levelTo));
}

} // namespace vael
