#include "game/figures/p_phalanx.h"

#include <cstdlib>
#include <istream>
#include <ostream>

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "game/figures/record_bytes.h"
#include "game/figures/sprite_calls.h"

namespace vael {

namespace {

struct FacingLayout {
    Point step;
    Point start[4];
    std::int16_t depthStart[4];
    std::int16_t depthStep;
};

// By facing 1 to 8 (entry 0 unused); file g holds soldiers 5g to 5g + 4.
const FacingLayout Layouts[9] = {
    {},
    {{23, 0}, {{-43, -2}, {-58, -2}, {-38, 19}, {-53, 19}}, {10, 5, 20, 15}, -1},
    {{15, 8}, {{-43, -7}, {-33, -15}, {-52, 3}, {-42, -5}}, {1, 11, 2, 12}, 2},
    {{0, 7}, {{10, -18}, {10, -17}, {-10, -22}, {-10, -21}}, {0, 10, -1, 9}, 2},
    {{-15, 8}, {{52, 3}, {42, -5}, {43, -7}, {33, -15}}, {2, 12, 1, 11}, 2},
    {{-23, 0}, {{39, 17}, {54, 17}, {34, -4}, {50, -4}}, {11, 16, 1, 6}, 1},
    {{-15, -8}, {{18, 27}, {8, 35}, {27, 17}, {17, 25}}, {20, 10, 19, 9}, -2},
    {{0, -7}, {{-10, 18}, {-10, 17}, {10, 15}, {10, 14}}, {20, 10, 19, 9}, -2},
    {{15, -8}, {{-27, 17}, {-17, 25}, {-18, 27}, {-8, 35}}, {19, 9, 20, 10}, -2},
};

// The plain shield offsets: a phalanx carries the same shield whatever its type.
const Point3D ShieldOffsets[9] = {{},          {-21, -4, 0}, {-19, -6, 0}, {},          {5, -8, 0},
                                  {17, -4, 0}, {2, 5, 0},    {},           {-23, -5, 0}};

using record_bytes::get16;
using record_bytes::put16;

std::int32_t wrapFacing(std::int32_t f) {
    return ((f - 1) % 8 + 8) % 8 + 1;
}

} // namespace

PPhalanx::PPhalanx(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                   std::int16_t region, std::int32_t facing)
    : VaelPhysicalObject(normalName, halfName, quarterName, region, facing), primaryHex_(region),
      frontHex_(hexAhead(region, facing)) {
    setSurvivors(10);
    setKind(DisplayKind::Phalanx);
}

Point3D PPhalanx::layoutPoint(std::int16_t soldier, std::int32_t facing) {
    if (soldier < 0 || soldier >= Soldiers || facing < 1 || facing > 8) return Point3D();
    // In the in-between facings the first of the front and the rear file hides behind his neighbour.
    if ((facing == 3 || facing == 7) && (soldier == 0 || soldier == 10)) ++soldier;
    if (facing == 5 && soldier == 15) return Point3D(49, -4, 0);
    const FacingLayout& l = Layouts[facing];
    const int g = soldier / 5, k = soldier % 5;
    return Point3D(static_cast<std::int16_t>(l.start[g].x + k * l.step.x),
                   static_cast<std::int16_t>(l.start[g].y + k * l.step.y), 0);
}

std::int16_t PPhalanx::layoutDepth(std::int16_t soldier, std::int32_t facing) {
    if (soldier < 0 || soldier >= Soldiers || facing < 1 || facing > 8) return -1;
    if ((facing == 3 || facing == 7) && (soldier == 0 || soldier == 10)) ++soldier;
    const FacingLayout& l = Layouts[facing];
    return static_cast<std::int16_t>(l.depthStart[soldier / 5] + (soldier % 5) * l.depthStep);
}

std::int32_t PPhalanx::pivotTurn(std::int32_t from, std::int32_t to) {
    switch (from) {
    case 1:
        return to == 2 ? 2 : 8;
    case 2:
        return to == 4 ? 3 : 2;
    case 4:
        return to == 2 ? 3 : 4;
    case 5:
        return to == 6 ? 6 : 4;
    case 6:
        return to == 8 ? 7 : 6;
    case 8:
        return to == 6 ? 7 : 8;
    default:
        return to;
    }
}

std::int16_t PPhalanx::hexAhead(std::int16_t hex, std::int32_t direction) const {
    if (reversedView()) direction = wrapFacing(direction + 4);
    const bool odd = (hex / 100) % 2 != 0;
    switch (direction) {
    case 1:
        return static_cast<std::int16_t>(hex - 1);
    case 2:
        return static_cast<std::int16_t>(hex + (odd ? 100 : 99));
    case 4:
        return static_cast<std::int16_t>(hex + (odd ? 101 : 100));
    case 5:
        return static_cast<std::int16_t>(hex + 1);
    case 6:
        return static_cast<std::int16_t>(hex - (odd ? 99 : 100));
    case 8:
        return static_cast<std::int16_t>(hex - (odd ? 100 : 101));
    default:
        return hex;
    }
}

std::int16_t PPhalanx::hexBehind(std::int16_t hex, std::int32_t direction) const {
    if (direction < 1 || direction > 8) return hex;
    return hexAhead(hex, wrapFacing(direction + 4));
}

std::int16_t PPhalanx::frontHexFrom(std::int16_t hex, std::int32_t direction) const {
    const std::int16_t ahead = hexAhead(hex, direction);
    VaelFigureLandscape* land = layer() ? layer()->landscape(0) : nullptr;
    return land && !land->isOnMap(ahead) ? hex : ahead;
}

List<short> PPhalanx::hexesAhead(const List<short>& hexes) const {
    List<short> out;
    Item<short>* it = nullptr;
    for (hexes.firstItem(it); it; it = it->next)
        out.append(hexAhead(it->value, facing()));
    return out;
}

std::int16_t PPhalanx::hexOfRow(std::int16_t row) const {
    return (row / 5) % 2 == 1 ? frontHex_ : primaryHex_;
}

void PPhalanx::setupAnimations() {
    const FrameInfo standing("Standing", static_cast<std::int16_t>(facing() - 1));
    for (std::int16_t i = 0; i < Soldiers; ++i) {
        SlotOffsets points;
        SlotDepths depths{};
        for (std::int32_t f = 1; f <= 8; ++f) {
            points[static_cast<std::size_t>(f)] = layoutPoint(i, f);
            depths[static_cast<std::size_t>(f)] = layoutDepth(i, f);
        }
        placeNextFigure(points, depths);
        auto* soldier = new VaelSprite(hexOfRow(i), points[static_cast<std::size_t>(facing())], standing,
                                       static_cast<std::uint16_t>(depths[static_cast<std::size_t>(facing())]),
                                       this, DrawPlain, nullptr, nullptr, nullptr, 0);
        sprites_[static_cast<std::int16_t>(spriteCount_)] = soldier;
        ++spriteCount_;
        announce(soldier);
    }
    std::vector<std::int16_t> rear(Soldiers, -1);
    for (std::int16_t i = 0; i < 10; ++i)
        rear[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(10 + i);
    setRearFigures(std::move(rear));
    if (VaelSprite* lead = figure(19)) sprite_calls::setSoundLead(*lead, true);
    finishFormation();
}

VaelSprite* PPhalanx::setupSpear(std::int16_t soldier) {
    // The plain unit's overlay stands in the object's hex; for the block it is the soldier's own.
    const std::int16_t own = region();
    setRegion(hexOfRow(soldier));
    VaelSprite* made = VaelPhysicalObject::setupSpear(soldier);
    setRegion(own);
    return made;
}

VaelSprite* PPhalanx::setupShield(std::int16_t soldier) {
    const bool upper = facing() == 1 || facing() == 2 || facing() == 4;
    const bool lower = facing() == 5 || facing() == 6 || facing() == 8;
    const Point3D offset = facing() >= 1 && facing() <= 8 ? ShieldOffsets[facing()] : Point3D();
    const std::int16_t own = region();
    setRegion(hexOfRow(soldier));
    VaelSprite* made = nullptr;
    if (images_.hasGroup("Shield")) {
        std::int16_t group = -1;
        if (upper) group = images_.findGroup(images_.hasGroup("Shield U") ? "Shield U" : "Shield");
        if (lower) group = images_.findGroup("Shield");
        made = overlay(soldier, offset, images_, group, true);
    } else if (OIF<Bitmap>* debris = debrisArtwork(0)) {
        std::int16_t group = -1;
        if (upper) group = debris->findGroup("Shield U");
        if (lower) group = debris->findGroup("Shield");
        made = overlay(soldier, offset, *debris, group, false);
    }
    setRegion(own);
    return made;
}

VaelSprite* PPhalanx::setupHelmet(std::int16_t soldier, std::int32_t direction) {
    const std::int16_t own = region();
    setRegion(hexOfRow(soldier));
    VaelSprite* made = VaelPhysicalObject::setupHelmet(soldier, direction);
    setRegion(own);
    return made;
}

void PPhalanx::changeFacing(LogicalCommandInfo& command, std::int16_t animate) {
    markFlagStale();
    DIRECTION newFacing = NoDirection;
    if (!Container<DIRECTION>::fromMessage(command.payload.get(), newFacing)) return;
    if (keepFacing(newFacing)) return;
    // A facing that is no hex side or in-between direction names no layout: nothing to wheel to.
    if (newFacing < 1 || newFacing > 8 || facing() < 1 || facing() > 8) return;
    const std::int32_t d = ((facing() - newFacing) % 8 + 8) % 8;
    std::int16_t newFirst = primaryHex_, newSecond = frontHex_, pivot = primaryHex_;
    if (d == 1 || d == 2) {
        newSecond = hexAhead(primaryHex_, newFacing);
    } else if (d == 6 || d == 7) {
        pivot = frontHex_;
        newFirst = hexBehind(frontHex_, newFacing);
    } else if (d >= 3 && d <= 5) {
        // Too far round for a wheel: the block simply faces the other way.
        setFacing(newFacing);
        return;
    }
    if (!traits().leader && flag()) {
        flag()->moveTo(flagLocation(), 1);
        flag()->changeRegion(newFirst);
        activeSprites_.append(flag());
    }
    VaelFigureLandscape* land = layer() ? layer()->landscape(0) : nullptr;
    WalkingAnimationData* walking = walkingData();
    const std::int16_t walkGroup =
        walking ? static_cast<std::int16_t>(walking->selectGroup("Phalanx")) : std::int16_t(-1);
    const List<FrameInfo> standing =
        sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(newFacing - 1));
    auto framesOfGroup = [&](std::int16_t group) {
        List<FrameInfo> frames;
        if (!images_.hasGroupIndex(group)) return frames;
        images_.selectGroupIndex(group);
        const std::string name = images_.currentGroupName();
        for (std::int16_t k = 0; k < images_.imageCount(group); ++k)
            frames.append(FrameInfo(name, k));
        return frames;
    };
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        VaelSprite* s = figure(i);
        if (!s || !isEntryClear(i)) continue;
        const std::int16_t j = figureSlot(i);
        const auto row = static_cast<std::size_t>(j);
        const std::int16_t h = static_cast<std::int16_t>(s->region());
        const std::int16_t depth = row < depthCount() ? slotDepths(row)[newFacing] : -1;
        const DirectionOffsets* record = nullptr;
        if (walkGroup >= 0 && j >= 0 && j < walking->itemCount()) {
            walking->setCurrentItem(j);
            if (FacingOffsets* item = walking->item(-1, -1)) record = &item->facings[newFacing];
        }
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        sprite_calls::addSoundEvent(*s, SoundStartMovement, 3);
        const std::int16_t target = h == primaryHex_ ? newFirst : newSecond;
        if (h == pivot) {
            setTurnFacing(pivotTurn(facing(), newFacing));
            const Point3D place = row < slotCount() ? slotOffsets(row)[newFacing] : Point3D();
            sprite_calls::addFrameEvent(*s, h, Point4D(place, animate ? 2000 : 0),
                                        framesOfGroup(static_cast<std::int16_t>(turnFacing() - 1)), depth,
                                        SpriteMove, 0);
        } else if (target != h && record && land) {
            const std::int32_t dir = facingToward(h, target);
            setTurnFacing(dir);
            if (dir >= 1 && dir <= 8) {
                const List<FrameInfo> frames =
                    framesOfGroup(static_cast<std::int16_t>(animationGroup() + dir - 1));
                const std::int16_t ho = land->heightOf(h), hn = land->heightOf(target);
                const HillOffsets& hill = record->entries[dir];
                struct Leg {
                    std::int16_t hex;
                    Point3D offset;
                };
                std::vector<Leg> legs;
                if (ho == hn) {
                    legs = {{h, hill.variants[0].waypoints[0]}, {target, record->home}};
                } else {
                    const HexOffsets& step = hill.variants[hn > ho ? 1 : 2];
                    legs = {{h, step.waypoints[0]}, {target, step.waypoints[1]}, {target, record->home}};
                }
                Point3D from = hexToPixel(h) + (row < slotCount() ? slotOffsets(row)[facing()] : Point3D());
                std::vector<std::int32_t> lengths;
                std::int32_t total = 0;
                for (const Leg& leg : legs) {
                    const Point3D to = hexToPixel(leg.hex) + leg.offset;
                    lengths.push_back(from.distance(to));
                    total += lengths.back();
                    from = to;
                }
                for (std::size_t k = 0; k < legs.size(); ++k) {
                    const std::int32_t t = total > 0 && animate ? lengths[k] * 2000 / total : 0;
                    sprite_calls::addFrameEvent(*s, legs[k].hex, Point4D(legs[k].offset, t), frames, depth,
                                                SpriteMove, 0);
                }
            }
        }
        sprite_calls::addSoundEvent(*s, SoundStopMovement, 3);
        sprite_calls::addFrameEvent(*s, target, Point4D(), standing, -1, SpriteAnimateOnce, 0);
    }
    setRegion(newFirst);
    primaryHex_ = newFirst;
    frontHex_ = newSecond;
    setFacing(newFacing);
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i)
        if (Sprite* s = sprite(i); s && isEntryClear(i)) activeSprites_.append(s);
}

ContainerBase* PPhalanx::getRegions() {
    List<short> regions;
    regions.append(primaryHex_);
    regions.append(frontHex_);
    return new Container<List<short>>(regions);
}

VaelPhysicalObject* PPhalanx::clone(std::int16_t region, std::int32_t facing) const {
    return new PPhalanx(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), region, facing);
}

void PPhalanx::setReversedView(std::int16_t v) {
    VaelPhysicalObject::setReversedView(v);
    frontHex_ = hexAhead(primaryHex_, facing());
}

void PPhalanx::save(std::ostream& out) {
    put16(out, primaryHex_);
    put16(out, frontHex_);
    VaelPhysicalObject::save(out);
}

void PPhalanx::load(std::istream& in) {
    std::int16_t first = 0, second = 0;
    // The block's two hexes are where its figures are placed and turned from: each is a hex of the map, or
    // the one the block was made on.
    VaelFigureLandscape* land = layer() ? layer()->landscape(0) : nullptr;
    const auto fits = [&](std::int16_t hex) {
        return hex == primaryHex_ || hex == frontHex_ || !land || land->isOnMap(hex);
    };
    // Every refusal says its own reason: none is left over from an earlier load.
    const auto refuse = [&](const char* why) {
        debugStream() << TracePrefix << "Saved state refused: " << why << std::endl;
        setLoadProblem(why);
        in.setstate(std::ios::failbit);
    };
    if (!get16(in, first) || !get16(in, second)) return refuse("the record runs short");
    if (!fits(first)) return refuse("its block's first hex is not on the map");
    if (!fits(second)) return refuse("its block's front hex is not on the map");
    if (!loadRecord(in)) {
        in.setstate(std::ios::failbit);
        return;
    }
    primaryHex_ = first;
    frontHex_ = second;
}

} // namespace vael
