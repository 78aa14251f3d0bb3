#include "game/map/pointed_vael_landscape.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/read_file.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "game/map/landscape_save.h"
#include "game/map/map_message_names.h"
#include "game/map/vael_landscape_tile.h"
#include "game/map/vael_sprite.h"
#include "game/rules/roll.h"

namespace vael {

namespace {
constexpr const char* SourceName = "VAELPLND";

PointedVaelLandscape* vaelLandscapeOf(Component* target) {
    return dynamic_cast<PointedVaelLandscape*>(target);
}

template <class T, class Work>
ContainerBase* withPayload(Component* target, ContainerBase* data, int line, Work&& work) {
    if (PointedVaelLandscape* l = vaelLandscapeOf(target))
        callWithPayload<T>(data, SourceName, static_cast<std::int16_t>(line),
                           [&](const T& value) { work(*l, value); });
    return nullptr;
}

ContainerBase* onShowHex(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<short>(t, d, __LINE__,
                              [](PointedVaelLandscape& l, short hex) { l.showHexToMoveTo(hex, 1); });
}
ContainerBase* onHideHex(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<short>(t, d, __LINE__,
                              [](PointedVaelLandscape& l, short hex) { l.showHexToMoveTo(hex, 0); });
}
ContainerBase* onScars(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<List<short>>(
        t, d, __LINE__, [](PointedVaelLandscape& l, const List<short>& h) { l.addBattleScars(h); });
}
ContainerBase* onLoadGame(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<SuperString>(
        t, d, __LINE__, [](PointedVaelLandscape& l, const SuperString& f) { l.loadGame(f.str()); });
}
ContainerBase* onSaveGame(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<SuperString>(
        t, d, __LINE__, [](PointedVaelLandscape& l, const SuperString& f) { l.saveGame(f.str()); });
}
ContainerBase* onAddArrow(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<BattleArrowStruct>(
        t, d, __LINE__, [](PointedVaelLandscape& l, const BattleArrowStruct& a) { l.addBattleArrow(a); });
}
ContainerBase* onRemoveArrow(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<BattleArrowStruct>(
        t, d, __LINE__, [](PointedVaelLandscape& l, const BattleArrowStruct& a) { l.removeBattleArrow(a); });
}
ContainerBase* onRemoveAllArrows(Component* t, BusMessage, ContainerBase*) {
    if (PointedVaelLandscape* l = vaelLandscapeOf(t)) l->removeAllBattleArrows();
    return nullptr;
}
ContainerBase* onDebris(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<MissileDebrisStruct>(
        t, d, __LINE__,
        [](PointedVaelLandscape& l, const MissileDebrisStruct& m) { l.returnFromMissileFire(m); });
}
ContainerBase* onPixelPath(Component* t, BusMessage, ContainerBase* d) {
    PointedVaelLandscape* l = vaelLandscapeOf(t);
    if (!l) return nullptr;
    return callWithPayload<RegionPathInfo>(
        d, SourceName, __LINE__, [&](const RegionPathInfo& info) -> ContainerBase* {
            return new Container<List<SpritePathEntry>>(l->pixelPath(info));
        });
}

std::uint32_t turned(std::uint32_t direction, int steps) {
    // Taken round the compass in unsigned first, so that no direction a file or message names overflows.
    const int from = static_cast<int>((direction + 7u) % 8u);
    return static_cast<std::uint32_t>(((from + steps % 8) % 8 + 8) % 8 + 1);
}

std::int16_t scaledHalf(std::uint16_t mode) {
    return mode & 2 ? 3 : mode & 1 ? 6 : 12;
}
} // namespace

std::unique_ptr<PointedVaelLandscape> PointedVaelLandscape::create(std::uint16_t mode) {
    const std::uint16_t view = mode & Reversed;
    if (mode & QuarterSize)
        return std::make_unique<PointedVaelLandscape>(
            Dim(34, 19), Dim(34, 16), "2nd Zoomed Landscape Artwork", "2nd Zoomed Landscape Artwork (Green)",
            "Landscape Overlays (Quarter size)", "Hex Grid (Quarter size)", "Hex Outline (Quarter size)",
            static_cast<std::uint16_t>(view | QuarterSize), "PointedVaelLandscapeZO2");
    if (mode & HalfSize)
        return std::make_unique<PointedVaelLandscape>(
            Dim(66, 38), Dim(66, 32), "Zoomed Landscape Artwork", "Zoomed Landscape Artwork (Green)",
            "Landscape Overlays (Half size)", "Hex Grid (Half size)", "Hex Outline (Half size)",
            static_cast<std::uint16_t>(view | HalfSize), "PointedVaelLandscapeZO");
    return std::make_unique<PointedVaelLandscape>(
        Dim(130, 76), Dim(130, 64), "Normal Landscape Artwork", "Normal Landscape Artwork (Green)",
        "Landscape Overlays", "Hex Grid", "Hex Outline", view, "PointedVaelLandscapeNormal");
}

PointedVaelLandscape::PointedVaelLandscape(const Dim& blockSize, const Dim& hexSize,
                                           const std::string& groundName, const std::string& greenGroundName,
                                           const std::string& overlayName, const std::string& gridName,
                                           const std::string& outlineName, std::uint16_t mode,
                                           const char* name)
    : PointedIsometricHexLandscape(blockSize, hexSize, groundName, greenGroundName, overlayName,
                                   "Landscape Overlays", gridName, outlineName, 6, mode,
                                   name ? name : "Pointed Vael Landscape"),
      background_("Landscape Background") {
    // A fixed id rather than the next free one: the same in every game, whatever was named before the map.
    RegisteredMessage::registerWithId(RemoveDeadSpritesId, msg::RemoveDeadSprites);
    elevationStep_ = scaledHalf(mode);
    hexOffset_ = 1000;
    if (fullSize()) {
        const char* suffixes[3] = {"", " (Half size)", " (Quarter size)"};
        for (std::size_t z = 0; z < 3; ++z) {
            arrowArt_[z] = std::make_unique<OIF<Bitmap>>(std::string("Battle Arrows") + suffixes[z]);
            debrisArt_[z] = std::make_unique<OIF<Bitmap>>(std::string("Missile Debris") + suffixes[z]);
        }
    }
    const std::int16_t blocks = background_.findGroup("Blocks");
    if (blocks >= 0) setBackground(loadedImage(background_, background_.imageIndex("Block #1", "Blocks")));
}

PointedVaelLandscape::~PointedVaelLandscape() = default;

void PointedVaelLandscape::connectHandlers() {
    PointedIsometricHexLandscape::connectHandlers();
    connectNamed(msg::ShowHexToMoveTo, onShowHex);
    connectNamed(msg::HideHexToMoveTo, onHideHex);
    connectNamed(msg::AddBattleScars, onScars);
    connectNamed(msg::LoadGame, onLoadGame);
    if (!fullSize()) return;
    connectNamed(msg::SaveGame, onSaveGame);
    connectNamed(msg::GetPixelPath, onPixelPath);
    connectNamed(msg::AddBattleArrow, onAddArrow);
    connectNamed(msg::RemoveBattleArrow, onRemoveArrow);
    connectNamed(msg::RemoveAllBattleArrows, onRemoveAllArrows);
    connectNamed(msg::ReturnFromMissileFire, onDebris);
}

std::int16_t PointedVaelLandscape::beginLandscape(const LandscapeDefinition& definition) {
    battleIndex_ = definition.scenario;
    if (!libraryBuilt_) {
        buildOverlayLibrary();
        libraryBuilt_ = 1;
    }
    return PointedIsometricHexLandscape::beginLandscape(definition);
}

std::int16_t PointedVaelLandscape::endLandscape() {
    if (fullSize()) makeBattleScenery();
    return PointedIsometricHexLandscape::endLandscape();
}

std::int16_t PointedVaelLandscape::closeGame() {
    arrows_.clear();
    scars_.clear();
    scenery_.clear();
    // The sprites go with the base's list before the archives they show.
    const std::int16_t result = PointedIsometricHexLandscape::closeGame();
    for (auto& archive : battleScenery_)
        archive.reset();
    return result;
}

namespace {

// Where a battle's own scenery stands in one view: the group of its archive, the hex every picture is
// placed from, and one offset per picture, picture k at offset k.
struct SceneryView {
    std::int16_t group;
    std::int16_t region;
    std::vector<Point> offsets;
};

struct BattleScenery {
    std::uint32_t battle;
    const char* archive;
    SceneryView views[2]; // normal, reversed
};

const BattleScenery SceneryOfBattles[] = {
    {0, "Ossandra", {{0, 16, {{-65, 79}}}, {1, 202, {{380, 51}}}}},
    {2,
     "Vellith",
     {{0,
       103,
       {{-119, 142},
        {-66, 63},
        {4, 53},
        {130, 81},
        {193, 152},
        {227, 191},
        {-196, 195},
        {-145, 242},
        {-66, 237},
        {64, 237},
        {-108, 170},
        {4, 131}}},
      {1,
       602,
       {{26, 42},
        {209, 39},
        {310, 39},
        {366, 86},
        {259, 151},
        {194, 197},
        {64, 202},
        {-1, 154},
        {-66, 106},
        {180, 124},
        {212, 104}}}}},
};

} // namespace

// The scenery's pictures are not part of every data set: a battle whose archive has no group for the view
// is shown without them.
void PointedVaelLandscape::makeBattleScenery() {
    const BattleScenery* scenery = nullptr;
    for (const BattleScenery& s : SceneryOfBattles)
        if (s.battle == battleIndex_) scenery = &s;
    if (!scenery) return;
    const char* suffixes[3] = {"", " (Half size)", " (Quarter size)"};
    for (std::size_t z = 0; z < 3; ++z)
        battleScenery_[z] = std::make_unique<OIF<Bitmap>>(std::string(scenery->archive) + suffixes[z]);
    const SceneryView& view = scenery->views[reversed() ? 1 : 0];
    OIF<Bitmap>& full = *battleScenery_[0];
    if (!full.hasGroupIndex(view.group)) {
        for (auto& archive : battleScenery_)
            archive.reset();
        return;
    }
    full.selectGroupIndex(view.group);
    const std::string group = full.currentGroupName();
    OIF<Bitmap>* const archives[3] = {battleScenery_[0].get(), battleScenery_[1].get(),
                                      battleScenery_[2].get()};
    for (std::size_t k = 0; k < view.offsets.size(); ++k) {
        const Point& at = view.offsets[k];
        Sprite* sprite = makeGameSprite(view.region, Point3D(at.x, at.y, 0), archives, group,
                                        static_cast<std::int16_t>(k));
        if (!sprite) continue;
        // Made again with the map when a game is loaded, so never saved with it.
        scenery_.append(sprite);
        addSprite(sprite);
    }
}

Sprite* PointedVaelLandscape::makeGameSprite(std::int16_t hex, const Point3D& offset,
                                             OIF<Bitmap>* const archives[3], const std::string& group,
                                             std::int16_t picture) {
    if (!archives[0]) return nullptr;
    return new VaelSprite(hex, offset, FrameInfo(group, picture), Sprite::NoLayer, nullptr, DrawPlain,
                          archives[0], archives[1], archives[2], reversed() ? 1 : 0);
}

Sprite* PointedVaelLandscape::makeScenerySprite(std::int16_t hex, const Point3D& offset,
                                                const std::string& group, std::int16_t picture) {
    OIF<Bitmap>* const archives[3] = {sceneryArchive(0), sceneryArchive(1), sceneryArchive(2)};
    Sprite* sprite = makeGameSprite(hex, offset, archives, group, picture);
    if (sprite) scenery_.append(sprite);
    return sprite;
}

bool PointedVaelLandscape::writeSprite(std::vector<std::uint8_t>& out, Sprite* sprite) {
    auto* game = dynamic_cast<VaelSprite*>(sprite);
    if (!game) return false;
    std::ostringstream stream;
    game->writeArtworkNames(stream);
    game->save(stream);
    const std::string bytes = stream.str();
    out.insert(out.end(), bytes.begin(), bytes.end());
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Neighbours on screen

std::uint32_t PointedVaelLandscape::screenDirection(std::int16_t from, std::int16_t to) const {
    const std::int32_t a = hexToBlock(from), b = hexToBlock(to);
    if (a < 0 || b < 0) return 0;
    // The blocks lie as the view shows them, so the side between them is already the screen's.
    for (std::uint32_t d : {2u, 3u, 4u, 6u, 7u, 8u})
        if (blockNeighbour(a, static_cast<std::int32_t>(d)) == b) return d;
    return 0;
}

std::int16_t PointedVaelLandscape::neighbourOnScreen(std::int16_t hex, std::uint32_t direction) const {
    const std::int32_t a = hexToBlock(hex);
    if (a < 0 || direction == 1 || direction == 5 || direction == 0 || direction > 8) return -1;
    return blockToHex(blockNeighbour(a, static_cast<std::int32_t>(direction)));
}

Point PointedVaelLandscape::centreOf(std::int16_t hex) const {
    const PhysicalBlock* b = block(hexToBlock(hex));
    if (!b) return Point();
    const Point3D c = b->center();
    return Point(c.x, c.y);
}

std::int16_t PointedVaelLandscape::levelOfHex(std::int16_t hex) const {
    return levelOf(hexToBlock(hex));
}

// ---------------------------------------------------------------------------------------------------
// Pixel paths

List<SpritePathEntry> PointedVaelLandscape::pixelPath(const RegionPathInfo& info) {
    List<SpritePathEntry> out;
    std::vector<std::int16_t> hexes;
    Item<short>* item = nullptr;
    for (info.hexes.firstItem(item); item; item = item->next) {
        // A path through a hex the map has no block for cannot be drawn: nothing is answered.
        if (!block(hexToBlock(item->value))) return out;
        hexes.push_back(item->value);
    }
    if (hexes.size() < 2) return out;
    const int w = hexSize().w, h = hexSize().h;
    const int q = w / 4 + 1;
    const int a = static_cast<int>(0.375 * h + 1.0);
    const int bq = static_cast<int>(0.8 * q), ca = static_cast<int>(0.8 * a);
    const int dx = info.offset.x, dy = info.offset.y;
    const float f1 = 0.75f * static_cast<float>(dx), f2 = -static_cast<float>(dy),
                f3 = static_cast<float>(dx) * 3.0f * 0.0625f, f4 = -static_cast<float>(dy) * 0.25f;
    auto T = [](double v) { return static_cast<int>(v); };
    Point O[9], I[9];
    O[1] = I[1] = Point(static_cast<std::int16_t>(dx), static_cast<std::int16_t>(-h / 2));
    O[5] = I[5] = Point(static_cast<std::int16_t>(dx), static_cast<std::int16_t>(h / 2));
    O[3] = Point(static_cast<std::int16_t>(w / 2), static_cast<std::int16_t>(dy));
    I[3] = Point(static_cast<std::int16_t>(w / 3), static_cast<std::int16_t>(dy));
    O[7] = Point(static_cast<std::int16_t>(-w / 2), static_cast<std::int16_t>(dy));
    I[7] = Point(static_cast<std::int16_t>(-w / 3), static_cast<std::int16_t>(dy));
    auto P = [](int x, int y) { return Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)); };
    O[2] = P(T(q + f1 - f2), T(-(a - f3 + f4)));
    I[2] = P(T(bq + f1 - f2), T(-(ca - f3 + f4)));
    O[4] = P(T(q + f1 + f2), T(-(-a + f3 + f4)));
    I[4] = P(T(bq + f1 + f2), T(-(-ca + f3 + f4)));
    O[6] = P(T(-q + f1 - f2), T(-(-a - f3 + f4)));
    I[6] = P(T(-bq + f1 - f2), T(-(-ca - f3 + f4)));
    O[8] = P(T(-q + f1 + f2), T(-(a + f3 + f4)));
    I[8] = P(T(-bq + f1 + f2), T(-(ca + f3 + f4)));

    const Dim cell = cellStep();
    // A side hex off the map stands where it would lie, at the level of the hex beside it.
    auto sideCentre = [&](std::int16_t s, std::int16_t from, int direction) {
        if (block(hexToBlock(s))) return centreOf(s);
        const Point c = centreOf(from);
        const int sx = direction == 2 || direction == 4 ? cell.w : -cell.w;
        const int sy = direction == 2 || direction == 8 ? -2 * cell.h : 2 * cell.h;
        return P(c.x + sx, c.y + sy);
    };
    auto entry = [&](Point at, Point plus, std::int16_t hex, int direction, float rate) {
        out.append(SpritePathEntry{P(at.x + plus.x, at.y + plus.y), hex,
                                   static_cast<std::uint32_t>(direction), rate});
    };
    const double third = 1.0 / 3.0;
    auto T3 = [third](double v) { return static_cast<int>(v * 3.0 * third); };

    std::int16_t cur = hexes[0];
    int prev = 0;
    for (std::size_t k = 1; k < hexes.size(); ++k) {
        std::int16_t nxt = hexes[k];
        int d = static_cast<int>(screenDirection(cur, nxt));
        if (k + 1 < hexes.size()) {
            const int e = static_cast<int>(screenDirection(nxt, hexes[k + 1]));
            if ((d == 8 && e == 2) || (d == 2 && e == 8)) {
                nxt = hexes[++k];
                d = 1;
            } else if ((d == 6 && e == 4) || (d == 4 && e == 6)) {
                nxt = hexes[++k];
                d = 5;
            }
        }
        const Point cc = centreOf(cur), cn = centreOf(nxt);
        if (d != prev) entry(cc, P(dx, dy), cur, prev, 1.0f);
        const int zc = levelOfHex(cur), zn = levelOfHex(nxt);
        if (d == 2 || d == 3 || d == 4 || d == 6 || d == 7 || d == 8) {
            const int opp = static_cast<int>(turned(static_cast<std::uint32_t>(d), 4));
            if (zc > zn) {
                entry(cc, O[d], nxt, d, 1.0f);
                entry(cn, I[opp], nxt, d, 0.7f);
            } else if (zc < zn) {
                entry(cc, I[d], cur, d, 0.7f);
                entry(cn, O[opp], nxt, d, 1.0f);
            } else if (cur != nxt) {
                entry(cc, O[d], nxt, d, 1.0f);
            }
        } else if (d == 1 || d == 5) {
            const bool north = d == 1;
            const int sideDir = north ? (dx < 0 ? 8 : 2) : (dx < 0 ? 6 : 4);
            const std::int16_t side = neighbourOnScreen(cur, static_cast<std::uint32_t>(sideDir));
            const Point cs = sideCentre(side, cur, sideDir);
            // Off the map's edge the side hex is only a place to pass: the sprite stays with its own hex.
            const bool onMap = block(hexToBlock(side)) != nullptr;
            const std::int16_t s = onMap ? side : cur;
            const int zs = onMap ? levelOfHex(side) : zc;
            const double slope = static_cast<double>(h) / (2.0 * w);
            const double k1 = north ? (dx < 0 ? -slope : slope) : (dx < 0 ? slope : -slope);
            const int xs = dx < 0 ? dx + w / 2 : dx - w / 2;
            const int hh = h / 2;
            // First half, from the hex to the side hex.
            const int yA = north ? T(dx * k1 - hh) : T(dx * k1 + hh);
            const int yA3 = north ? T3(dx * k1 - hh) : T3(dx * k1 + hh);
            const int yB = north ? T(xs * k1 + hh) : T(xs * k1 - hh);
            const int yB3 = north ? T3(xs * k1 + hh) : T3(xs * k1 - hh);
            if (zc > zs) {
                entry(cc, P(dx, yA), s, d, 1.0f);
                entry(cs, P(xs, yB3), s, d, 1.0f);
            } else if (zc < zs) {
                entry(cc, P(dx, yA3), cur, d, 1.0f);
                entry(cs, P(xs, yB), s, d, 1.0f);
            } else if (north || cur != s) {
                entry(cc, P(dx, yA), s, d, 1.0f);
            }
            // Second half, from the side hex on.
            const int yC = north ? T(-k1 * xs - hh) : T(-k1 * xs + hh);
            const int yC3 = north ? T3(-k1 * xs - hh) : T3(-k1 * xs + hh);
            const int yD = north ? T(-k1 * dx + hh) : T(-k1 * dx - hh);
            const int yD3 = north ? T3(-k1 * dx + hh) : T3(-k1 * dx - hh);
            if (zs > zn) {
                entry(cs, P(xs, yC), nxt, d, 1.0f);
                entry(cn, P(dx, yD3), nxt, d, 1.0f);
            } else if (zs < zn) {
                entry(cs, P(xs, yC3), s, d, 1.0f);
                entry(cn, P(dx, yD), nxt, d, 1.0f);
            } else if (north || s != nxt) {
                entry(cs, P(xs, yC), nxt, d, 1.0f);
            }
        }
        cur = nxt;
        prev = d;
    }
    entry(centreOf(cur), info.finalOffset, cur, prev, 1.0f);
    out.removeFirst();
    return out;
}

// ---------------------------------------------------------------------------------------------------
// Hex lines

List<short> PointedVaelLandscape::hexLineInDirection(std::int16_t hex, std::uint32_t direction) {
    List<short> line;
    line.append(hex);
    std::int32_t i = hexToBlock(hex);
    if (!block(i)) return line;
    std::int32_t d = static_cast<std::int32_t>(direction);
    if (d == 1 || d == 5) {
        d = static_cast<std::int32_t>(turned(static_cast<std::uint32_t>(d), Roll::shown() % 2 == 0 ? -1 : 1));
        const std::int32_t n = blockNeighbour(i, d);
        if (!block(n)) return line;
        line.append(blockToHex(n));
        i = n;
    }
    if (d < 2 || d > 8 || d == 5) return line;
    const std::int32_t R = rowCount(), N = columnCount();
    // Every step leaves a hex for one nearer the edge; the bound only guards against a map that loops.
    for (std::int32_t steps = 0; steps < R * N; ++steps) {
        const std::int32_t dirs[3] = {d, rotateSideClockwise(d, 1), rotateSideAnticlockwise(d, 1)};
        std::int32_t cand[3];
        bool missing = false;
        for (int k = 0; k < 3; ++k) {
            cand[k] = blockNeighbour(i, dirs[k]);
            missing = missing || !block(cand[k]);
        }
        if (missing) break;
        const std::int32_t p = i % R, c = i / R;
        const std::int32_t left = p, right = R - p, top = c, bottom = N - c;
        bool dropped[9] = {};
        if (left < right && left < top && left < bottom)
            dropped[3] = true;
        else if (right < left && right < top && right < bottom)
            dropped[7] = true;
        else if (top < left && top < right && top < bottom)
            dropped[6] = dropped[4] = true;
        else
            dropped[8] = dropped[2] = true;
        int chosen = -1;
        for (int k = 0; k < 3 && chosen < 0; ++k) {
            const std::int32_t tag = block(cand[k])->tag();
            if (!dropped[dirs[k]] && (tag == TagRoad || tag == TagFord)) chosen = k;
        }
        if (chosen < 0) {
            const int start = (Roll::shown() % 4) % 3;
            for (int k = 0; k < 3 && chosen < 0; ++k)
                if (!dropped[dirs[(start + k) % 3]]) chosen = (start + k) % 3;
        }
        if (chosen < 0) break;
        i = cand[chosen];
        d = dirs[chosen];
        line.append(blockToHex(i));
    }
    return line;
}

List<short> PointedVaelLandscape::exitLineForBattle(std::int16_t hex, std::int16_t& outFlag) {
    List<short> line;
    std::int32_t i = hexToBlock(hex);
    if (!block(i) || levelOf(i) != 0) return line;
    std::int32_t primary, detour;
    std::int16_t flag = 0;
    const bool rev = reversed();
    auto flip = [rev](std::int32_t d) {
        return rev ? static_cast<std::int32_t>(turned(static_cast<std::uint32_t>(d), 4)) : d;
    };
    switch (battleIndex_) {
    case 2:
        primary = detour = flip(3);
        break;
    case 3:
    case 7:
        primary = detour = flip(7);
        break;
    case 9:
        primary = detour = flip(5);
        break;
    case 4:
    case 6: {
        primary = flip(1);
        detour = flip(7);
        const std::int32_t n = blockNeighbour(i, detour);
        if (block(n) && levelOf(n) != 0) detour = flip(3);
        flag = 1;
        break;
    }
    default:
        return line;
    }
    outFlag = flag;
    line.append(hex);
    auto land = [this](std::int32_t n) { return levelOf(n) != 0; };
    for (std::int32_t k = 0; k < rowCount() * columnCount(); ++k) {
        std::int32_t want = primary;
        if (want == 1 || want == 5) {
            want = static_cast<std::int32_t>(turned(static_cast<std::uint32_t>(want), k % 2 == 0 ? -1 : 1));
            const std::int32_t n = blockNeighbour(i, want);
            if (block(n) && land(n))
                want = static_cast<std::int32_t>(
                    turned(static_cast<std::uint32_t>(primary), k % 2 == 0 ? 1 : -1));
        }
        std::int32_t n = blockNeighbour(i, want);
        if (!block(n)) break;
        if (land(n)) {
            want = detour;
            n = blockNeighbour(i, want);
            if (!block(n)) break;
            if (land(n)) {
                want = rotateSideClockwise(detour, 1);
                n = blockNeighbour(i, want);
                if (!block(n)) break;
                if (land(n)) {
                    want = rotateSideAnticlockwise(detour, 1);
                    n = blockNeighbour(i, want);
                    if (!block(n)) break;
                }
            }
        }
        line.append(blockToHex(n));
        i = n;
        detour = want;
    }
    return line;
}

// ---------------------------------------------------------------------------------------------------
// Markers, scars, arrows and debris

void PointedVaelLandscape::showHexToMoveTo(std::int16_t hex, std::int16_t flag) {
    const std::int32_t i = hexToBlock(hex);
    if (!block(i)) return;
    setBlockOverlayVisible(static_cast<std::int16_t>(i), 2, 1, flag);
    sendEmpty(INVALIDATE_VIEW);
}

void PointedVaelLandscape::showScars(const List<short>& indices) {
    setOverlayVisibleList(indices, 1, 0, 1);
}

void PointedVaelLandscape::addBattleScars(const List<short>& hexes) {
    List<short> taken;
    Item<short>* item = nullptr;
    for (hexes.firstItem(item); item; item = item->next) {
        const std::int32_t i = hexToBlock(item->value);
        if (!block(i) || levelOf(i) < 1) continue;
        if (!scars_.contains(static_cast<short>(i))) scars_.append(static_cast<short>(i));
        taken.append(static_cast<short>(i));
    }
    showScars(taken);
}

void PointedVaelLandscape::invalidateSprite(Sprite* sprite) {
    if (!sprite) return;
    List<Box> boxes;
    boxes.append(sprite->bounds());
    Container<List<Box>> box(boxes);
    send(INVALIDATE_VIEW, &box);
}

void PointedVaelLandscape::addBattleArrow(const BattleArrowStruct& arrow) {
    if (arrow.direction < 1 || arrow.direction > 8) return;
    if (!block(hexToBlock(static_cast<std::int16_t>(arrow.from)))) return;
    for (const Arrow& a : arrows_)
        if (a.arrow.from == arrow.from && a.arrow.to == arrow.to) return;
    // The list keeps the direction as given; only the picture is turned into the view.
    const std::uint32_t shown = turned(arrow.direction, reversed() ? -2 : 2);
    OIF<Bitmap>* const archives[3] = {arrowArt_[0].get(), arrowArt_[1].get(), arrowArt_[2].get()};
    const std::string group = archives[0] ? archives[0]->currentGroupName() : std::string();
    Sprite* sprite = makeGameSprite(static_cast<std::int16_t>(arrow.from), Point3D(0, 32, 0), archives, group,
                                    static_cast<std::int16_t>(shown - 1));
    if (sprite) addSprite(sprite);
    arrows_.push_back(Arrow{arrow, sprite});
    invalidateSprite(sprite);
}

void PointedVaelLandscape::removeBattleArrow(const BattleArrowStruct& arrow) {
    for (auto it = arrows_.begin(); it != arrows_.end(); ++it)
        if (it->arrow.from == arrow.from && it->arrow.to == arrow.to) {
            Sprite* sprite = it->sprite;
            arrows_.erase(it);
            if (sprite) destroySprite(sprite);
            return;
        }
}

void PointedVaelLandscape::removeAllBattleArrows() {
    while (!arrows_.empty()) {
        Sprite* sprite = arrows_.front().sprite;
        arrows_.erase(arrows_.begin());
        if (sprite) destroySprite(sprite);
    }
}

void PointedVaelLandscape::returnFromMissileFire(const MissileDebrisStruct& debris) {
    // Every zoom of a view hears the volley, but a sprite stands at all three zooms at once: the full-size
    // landscape's debris is the one shown, and the one a saved game keeps. Debris made by the smaller ones
    // as well lay two more missiles, each somewhere else, that a loaded game could not show again.
    if (!fullSize()) return;
    const std::int16_t hex = static_cast<std::int16_t>(debris.targetHex);
    const std::int32_t i = hexToBlock(hex);
    if (!block(i) || levelOf(i) == 0) return;
    const char* group = nullptr;
    bool javelin = false;
    switch (debris.missileType) {
    case 1:
    case 2:
    case 5:
    case 6:
        group = "Arrow";
        break;
    case 3:
        group = "Stone";
        break;
    case 4:
    case 7:
        group = "Javelin";
        javelin = true;
        break;
    default:
        return;
    }
    auto below = [](int n) { return n <= 0 ? 0 : Roll::shown() % n; };
    const int W = blockSize().w, H = blockSize().h;
    const int y = javelin ? H / 3 + below(H / 6) : H / 4 + below(H / 8);
    const int x = W / 5 + below(W / 10);
    OIF<Bitmap>* const archives[3] = {debrisArt_[0].get(), debrisArt_[1].get(), debrisArt_[2].get()};
    const int count = archives[0] ? archives[0]->imageCount(archives[0]->findGroup(group)) : 0;
    Sprite* sprite =
        makeGameSprite(hex, Point3D(static_cast<std::int16_t>(-x), static_cast<std::int16_t>(-y), 0),
                       archives, group, static_cast<std::int16_t>(below(count)));
    if (!sprite) return;
    addSprite(sprite);
    // The state marks it as debris, so that a loaded game puts it on the dead list again.
    if (auto* game = dynamic_cast<VaelSprite*>(sprite)) game->setState(1);
    deadSprites_.append(sprite);
    Container<Sprite*> box(sprite);
    sendNamed(msg::SpriteMoved, &box);
    invalidateSprite(sprite);
}

// ---------------------------------------------------------------------------------------------------
// Saved games

bool PointedVaelLandscape::saveGame(const std::string& fileName) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!readFileBytes(fileName, bytes, error, file_limits::SavedGame)) return false;
    std::fstream file(fileName, std::ios::in | std::ios::out | std::ios::binary);
    if (!file || !saveGameBytes(bytes)) return false;
    file.clear();
    file.seekp(0);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool PointedVaelLandscape::saveGameBytes(std::vector<std::uint8_t>& bytes) {
    std::uint32_t blockAt = 0;
    if (!readBlockOffset(bytes.data(), bytes.size(), blockAt)) return false;
    const std::int32_t R = rowCount();
    if (blockAt == 0) {
        // Scars are kept by the normal view's block index, so each view finds them on their own hexes.
        LandscapeBlock block;
        Item<short>* item = nullptr;
        for (scars_.firstItem(item); item; item = item->next) {
            const std::int16_t hex = blockToHex(item->value);
            if (hex >= 0)
                block.scars.push_back(static_cast<std::uint16_t>((hex / 100) * R + (R - 1 - hex % 100)));
        }
        blockAt = static_cast<std::uint32_t>(bytes.size());
        const auto blockBytes = landscapeBlockBytes(block);
        bytes.insert(bytes.end(), blockBytes.begin(), blockBytes.end());
        for (int k = 0; k < 4; ++k)
            bytes[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(blockAt >> (8 * k));
    }
    std::vector<SavedArrow> arrows;
    for (const Arrow& a : arrows_)
        arrows.push_back(SavedArrow{static_cast<std::int16_t>(a.arrow.from),
                                    static_cast<std::int16_t>(a.arrow.to), a.arrow.direction});
    // Scenery is made again from the map when the game is loaded, and arrows from their list: only the
    // other sprites (debris and the like) are stored.
    std::vector<std::uint8_t> spriteBytes;
    std::uint16_t spriteCount = 0;
    Item<Sprite*>* item = nullptr;
    for (sprites_.firstItem(item); item; item = item->next) {
        Sprite* s = item->value;
        bool arrowSprite = false;
        for (const Arrow& a : arrows_)
            arrowSprite = arrowSprite || a.sprite == s;
        if (arrowSprite || scenery_.contains(s)) continue;
        if (writeSprite(spriteBytes, s)) ++spriteCount;
    }
    const std::uint32_t sectionAt = static_cast<std::uint32_t>(bytes.size());
    const auto section = viewSectionBytes(arrows, spriteCount);
    bytes.insert(bytes.end(), section.begin(), section.end());
    bytes.insert(bytes.end(), spriteBytes.begin(), spriteBytes.end());
    if (blockAt + 8u > bytes.size()) return false;
    const std::size_t slot = blockAt + (reversed() ? 4u : 0u);
    for (int k = 0; k < 4; ++k)
        bytes[slot + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(sectionAt >> (8 * k));
    return true;
}

bool PointedVaelLandscape::loadGame(const std::string& fileName) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!readFileBytes(fileName, bytes, error, file_limits::SavedGame)) {
        debugStream() << "Can't open the saved game: " << error << std::endl;
        return false;
    }
    return loadGameBytes(bytes);
}

bool PointedVaelLandscape::loadGameBytes(const std::vector<std::uint8_t>& bytes, SavedExtent* extent) {
    std::uint32_t blockAt = 0;
    if (!readBlockOffset(bytes.data(), bytes.size(), blockAt)) {
        debugStream() << "The saved game is shorter than its header" << std::endl;
        return false;
    }
    // No landscape saved its part: there is nothing to restore.
    if (blockAt == 0) return true;
    // Everything is read before anything changes, so that a file refused halfway leaves the map as it was.
    LandscapeBlock saved;
    std::string error;
    if (!readLandscapeBlock(bytes.data(), bytes.size(), blockAt, saved, error)) {
        debugStream() << error << std::endl;
        return false;
    }
    ViewSection section;
    std::vector<std::unique_ptr<VaelSprite>> sprites;
    const std::uint32_t at = reversed() ? saved.reversedSection : saved.normalSection;
    if (fullSize() && at != 0) {
        if (!readViewSection(bytes.data(), bytes.size(), at, section, error)) {
            debugStream() << error << std::endl;
            return false;
        }
        std::istringstream stream(
            std::string(bytes.begin() + static_cast<std::ptrdiff_t>(section.spritesAt), bytes.end()));
        for (std::uint16_t k = 0; k < section.spriteCount; ++k) {
            auto sprite = std::make_unique<VaelSprite>();
            if (!sprite->readArtworkNames(stream) || !sprite->load(stream)) {
                debugStream() << "The saved game's map section ends inside its sprites" << std::endl;
                return false;
            }
            sprites.push_back(std::move(sprite));
        }
        if (extent) {
            extent->blockAt = blockAt;
            extent->blockEnd = blockAt + 10u + 2u * saved.scars.size();
            extent->sectionAt = at;
            extent->spritesEnd = section.spritesAt + static_cast<std::size_t>(stream.tellg());
        }
    }
    const std::int32_t R = rowCount(), N = columnCount();
    List<short> hexes;
    for (std::uint16_t index : saved.scars) {
        if (R <= 0 || index >= R * N) continue;
        hexes.append(static_cast<short>((index / R) * 100 + (R - 1 - index % R)));
    }
    addBattleScars(hexes);
    for (const SavedArrow& a : section.arrows)
        addBattleArrow(BattleArrowStruct{static_cast<std::uint16_t>(a.hex), static_cast<std::uint16_t>(a.key),
                                         a.direction});
    for (auto& sprite : sprites) {
        sprite->setView(reversed() ? 1 : 0);
        const bool dead = sprite->getState() != 0;
        Sprite* added = sprite.release();
        addSprite(added);
        if (dead) deadSprites_.append(added);
    }
    return true;
}

Container<Landscape*>* PointedVaelLandscape::addTile(LandscapeTile* tile) {
    // All three zooms hear a new tile; the tile keeps one of them, and the others would hold a pointer
    // to it after it has gone.
    if (auto* mapTile = dynamic_cast<VaelLandscapeTile*>(tile); mapTile && mapTile->zoomIndex() != zoomRow())
        return nullptr;
    return PointedIsometricHexLandscape::addTile(tile);
}

} // namespace vael
