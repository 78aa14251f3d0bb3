// How the display objects lay out their figures, which figure steps into a fallen one's place, the
// weapons and shields the figures drop, and the preloading of a unit's images.
#include <iostream>

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "game/figures/sprite_calls.h"
#include "game/figures/vael_physical_object.h"
#include "game/rules/roll.h"

namespace vael {

namespace {

using Row = std::array<Point3D, 9>;
using Depths = std::array<std::int16_t, 9>;

// By facing 1, 2, 4, 5, 6, 8; facings 3 and 7 stay (0, 0).
constexpr Row row(Point f1, Point f2, Point f4, Point f5, Point f6, Point f8) {
    return {Point3D(),      Point3D(f1, 0), Point3D(f2, 0), Point3D(),     Point3D(f4, 0),
            Point3D(f5, 0), Point3D(f6, 0), Point3D(),      Point3D(f8, 0)};
}
constexpr Depths depths(std::int16_t d1, std::int16_t d2, std::int16_t d4, std::int16_t d5, std::int16_t d6,
                        std::int16_t d8) {
    return {0, d1, d2, 0, d4, d5, d6, 0, d8};
}

const Row EightOffsets[8] = {
    row({-32, -5}, {-22, -6}, {49, 2}, {33, 16}, {8, 32}, {-40, 27}),
    row({-9, -5}, {-3, 4}, {30, 12}, {10, 16}, {-11, 22}, {-21, 17}),
    row({14, -5}, {16, 14}, {11, 22}, {-13, 16}, {-30, 12}, {-2, 7}),
    row({37, -5}, {35, 24}, {-8, 32}, {-36, 16}, {-49, 2}, {17, -3}),
    row({-36, 16}, {-49, 2}, {22, -6}, {37, -5}, {35, 24}, {-13, 35}),
    row({-13, 16}, {-30, 12}, {3, 4}, {14, -5}, {16, 14}, {6, 25}),
    row({10, 16}, {-11, 22}, {-16, 14}, {-9, -5}, {-3, 4}, {25, 15}),
    row({33, 16}, {8, 32}, {-35, 24}, {-32, -5}, {-22, -6}, {44, 5}),
};
const Depths EightDepths[8] = {
    depths(4, 1, 2, 5, 8, 7), depths(3, 3, 4, 6, 6, 5), depths(2, 5, 6, 7, 4, 3), depths(1, 7, 8, 8, 2, 1),
    depths(8, 2, 1, 1, 7, 8), depths(7, 4, 3, 2, 5, 6), depths(6, 6, 5, 3, 3, 4), depths(5, 8, 7, 4, 1, 2),
};
const Row SixOffsets[6] = {
    row({-30, -1}, {4, -12}, {44, 9}, {33, 24}, {0, 29}, {-38, 3}),
    row({0, -1}, {23, -1}, {26, 19}, {4, 24}, {-19, 13}, {-15, -6}),
    row({29, -1}, {41, 10}, {8, 28}, {-26, 24}, {-37, 7}, {8, -14}),
    row({-25, 24}, {-37, 2}, {13, -4}, {30, -1}, {41, 15}, {3, 18}),
    row({5, 24}, {-19, 13}, {-10, 5}, {0, -1}, {23, 4}, {21, 9}),
    row({34, 24}, {0, 24}, {-33, 13}, {-29, -1}, {4, -7}, {39, -1}),
};

// Overlay offsets by facing 1 to 8 (entry 0 is the helmet's for no direction).
const Row SpearFoot = {Point3D(),     {20, -40, 0}, {51, -11, 0}, {},           {-35, -15, 0},
                       {-13, -32, 0}, {31, -19, 0}, {},           {-42, -15, 0}};
const Row SpearMounted = {Point3D(),    {16, -43, 0}, {48, -18, 0}, {},           {-32, -15, 0},
                          {-8, -30, 0}, {24, -26, 0}, {},           {-16, -36, 0}};
const Row SpearPhalanx = {Point3D(),     {-9, -63, 0}, {57, -16, 0}, {},           {-43, -21, 0},
                          {-16, -46, 0}, {31, -28, 0}, {},           {-67, -44, 0}};
const Row Shield1 = {Point3D(),   {-21, -4, 0}, {-19, -6, 0}, {},          {5, -8, 0},
                     {17, -4, 0}, {2, 5, 0},    {},           {-23, -5, 0}};
const Row Shield2 = {Point3D(),   {-21, -4, 0}, {-21, -8, 0}, {},         {13, 9, 0},
                     {17, -9, 0}, {0, 3, 0},    {},           {-28, 0, 0}};
const Row Shield3 = {Point3D(),    {-17, -22, 0}, {-1, -18, 0}, {},           {6, -23, 0},
                     {17, -17, 0}, {4, -9, 0},    {},           {-13, -11, 0}};
const Row Helmet = {Point3D(0, -12, 0), {0, -20, 0},   {126, -75, 0},  {141, -3, 0}, {89, 71, 0},
                    {0, -20, 0},        {-123, 69, 0}, {-151, -22, 0}, {-92, -83, 0}};

} // namespace

VaelSprite* VaelPhysicalObject::addFigure(std::int16_t depth) {
    const std::int16_t n = static_cast<std::int16_t>(spriteCount_);
    auto* figure =
        new VaelSprite(region(), slotOffsets_[static_cast<std::size_t>(n)][facing_],
                       FrameInfo("Standing", static_cast<std::int16_t>(facing_ - 1)),
                       static_cast<std::uint16_t>(depth), this, DrawPlain, nullptr, nullptr, nullptr, 0);
    sprites_[n] = figure;
    ++spriteCount_;
    announce(figure);
    return figure;
}

void VaelPhysicalObject::finishFormation() {
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i)
        figureSlot_[i] = i;
    fallen_.assign(spriteCount_, 0);
}

void VaelPhysicalObject::buildEightFigureFormation() {
    for (int k = 0; k < 8; ++k) {
        slotOffsets_.resize(spriteCount_);
        slotDepths_.resize(spriteCount_);
        slotOffsets_.push_back(EightOffsets[k]);
        slotDepths_.push_back(EightDepths[k]);
        addFigure(EightDepths[k][static_cast<std::size_t>(facing_)]);
    }
    finishFormation();
}

void VaelPhysicalObject::buildSixFigureFormation() {
    for (int k = 0; k < 6; ++k) {
        slotOffsets_.resize(spriteCount_);
        slotOffsets_.push_back(SixOffsets[k]);
        addFigure(-1);
    }
    finishFormation();
}

void VaelPhysicalObject::buildSingleFigureFormation() {
    slotOffsets_.resize(spriteCount_);
    SlotOffsets place;
    for (int f = 1; f <= 8; ++f)
        place[static_cast<std::size_t>(f)] = Point3D(0, 11, 0);
    slotOffsets_.push_back(place);
    VaelSprite* only = addFigure(1);
    sprite_calls::setSoundLead(*only, true);
    finishFormation();
}

void VaelPhysicalObject::setupAnimations() {
    slotOffsets_.resize(spriteCount_);
    SlotOffsets place;
    for (int f = 1; f <= 8; ++f)
        place[static_cast<std::size_t>(f)] = Point3D(0, 11, 0);
    slotOffsets_.push_back(place);
    addFigure(-1);
    finishFormation();
}

void VaelPhysicalObject::setRearRankOfSix() {
    rearFigure_ = {3, 4, 5, -1, -1, -1};
    if (VaelSprite* lead = figure(5)) sprite_calls::setSoundLead(*lead, true);
}

void VaelPhysicalObject::setRearRankOfEight() {
    rearFigure_ = {4, 5, 6, 7, -1, -1, -1, -1};
    if (VaelSprite* lead = figure(7)) sprite_calls::setSoundLead(*lead, true);
}

VaelSprite* VaelPhysicalObject::overlay(std::int16_t slot, const Point3D& offset, OIF<Bitmap>& library,
                                        std::int16_t group, bool own) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= slotOffsets_.size()) return nullptr;
    if (group >= 0) library.selectGroupIndex(group);
    const std::int16_t count = library.imageCount(-1);
    const std::int16_t image = count > 0 ? static_cast<std::int16_t>(Roll::shown() % count) : 0;
    const FrameInfo frame(library.currentGroupName(), image);
    const Point3D at = offset + slotOffsets_[static_cast<std::size_t>(slot)][facing_];
    if (own)
        return new VaelSprite(region(), at, frame, Sprite::NoLayer, this, DrawPlain, nullptr, nullptr,
                              nullptr, 0);
    return new VaelSprite(region(), at, frame, Sprite::NoLayer, nullptr, DrawPlain, debris_[0].get(),
                          debris_[1].get(), debris_[2].get(), 0);
}

VaelSprite* VaelPhysicalObject::setupSpear(std::int16_t slot) {
    const Row& table = traits().spear == SpearDrop::Phalanx   ? SpearPhalanx
                       : traits().spear == SpearDrop::Mounted ? SpearMounted
                                                              : SpearFoot;
    const Point3D offset = table[static_cast<std::size_t>(facing_)];
    const auto direction = static_cast<std::int16_t>(facing_ - 1);
    if (images_.hasGroup("SpearN"))
        return overlay(slot, offset, images_,
                       static_cast<std::int16_t>(images_.findGroup("SpearN") + direction), true);
    if (!debris_[0]) return nullptr;
    const std::int16_t first = debris_[0]->findGroup("SpearN");
    return overlay(slot, offset, *debris_[0], first < 0 ? -1 : static_cast<std::int16_t>(first + direction),
                   false);
}

VaelSprite* VaelPhysicalObject::setupShield(std::int16_t slot) {
    if (traits().mounted) return nullptr;
    const std::uint16_t type = id();
    const Row& table = type == 11 || type == 37 ? Shield3 : type == 14 || type == 3 ? Shield2 : Shield1;
    const Point3D offset = table[static_cast<std::size_t>(facing_)];
    const bool upper = facing_ == 1 || facing_ == 2 || facing_ == 4;
    const bool lower = facing_ == 5 || facing_ == 6 || facing_ == 8;
    // Facings 3 and 7 pick no group: the shield shows what the library has current.
    if (images_.hasGroup("Shield")) {
        std::int16_t group = -1;
        if (upper) group = images_.findGroup(images_.hasGroup("Shield U") ? "Shield U" : "Shield");
        if (lower) group = images_.findGroup("Shield");
        return overlay(slot, offset, images_, group, true);
    }
    if (!debris_[0]) return nullptr;
    std::int16_t group = -1;
    if (upper) group = debris_[0]->findGroup("Shield U");
    if (lower) group = debris_[0]->findGroup("Shield");
    return overlay(slot, offset, *debris_[0], group, false);
}

VaelSprite* VaelPhysicalObject::setupHelmet(std::int16_t slot, std::int32_t direction) {
    if (!images_.hasGroup("Helmet") || direction < 0 || direction > 8) return nullptr;
    return overlay(slot, Helmet[static_cast<std::size_t>(direction)], images_, images_.findGroup("Helmet"),
                   true);
}

void VaelPhysicalObject::preload() {
    std::ostream& trace = debugStream();
    trace << "Attempting to preload.....";
    Bitmap* current = images_.lockImageAt(-1, -1);
    const std::string file = current ? current->fileName() : std::string();
    // Images from elsewhere are not preloaded, and their line is left open for the next unit's attempt, so
    // a run of kinds that load on demand reads as one line of attempts.
    if (preloadDirectory_.empty() || file.find(preloadDirectory_) == std::string::npos) {
        trace << std::flush;
        return;
    }
    auto lockGroups = [](OIF<Bitmap>& library, std::int16_t first, int groups) {
        for (int g = 0; g < groups; ++g) {
            const auto group = static_cast<std::int16_t>(first + g);
            if (!library.hasGroupIndex(group)) continue;
            for (std::int16_t i = 0; i < library.imageCount(group); ++i)
                library.lockImageAt(i, group);
        }
    };
    if (images_.hasGroup("CN")) {
        trace << "Combat...";
        lockGroups(images_, images_.findGroup("CN"), 8);
    }
    if (halfSizeArt_.hasGroup("MN")) {
        trace << "Missile...";
        lockGroups(halfSizeArt_, halfSizeArt_.findGroup("MN"), 8);
    }
    trace << "Walking...";
    for (OIF<Bitmap>* library : {&images_, &halfSizeArt_, &quarterSizeArt_}) {
        if (library->hasGroup("N")) lockGroups(*library, library->findGroup("N"), 8);
        if (library->hasGroup("Standing")) lockGroups(*library, library->findGroup("Standing"), 1);
    }
    trace << std::endl;
}

void VaelPhysicalObject::releaseArtwork() {
    images_.unlockAll();
    halfSizeArt_.unlockAll();
    quarterSizeArt_.unlockAll();
}

} // namespace vael
