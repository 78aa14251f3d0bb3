#include "game/figures/p_missile_unit.h"

#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/figures/missile_places.h"
#include "game/figures/projectile_images.h"
#include "game/figures/sprite_calls.h"
#include "game/flow/shock_records.h"
#include "game/rules/roll.h"

namespace vael {

PMissileUnit::PMissileUnit(const std::string& normalName, const std::string& halfName,
                           const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                           std::int32_t facing)
    : VaelPhysicalObject(normalName, halfName, quarterName, region, facing) {
    for (int size = 0; size < 3; ++size)
        projectileImages[static_cast<std::size_t>(size)] = projectileImageSet(missileKind, size);
}

PMissileUnit::~PMissileUnit() {
    for (std::int16_t i = 0; i < projectileCount; ++i)
        delete projectiles[i];
}

VaelPhysicalObject* PMissileUnit::clone(std::int16_t region, std::int32_t facing) const {
    return new PMissileUnit(images_.name(), halfSizeArt_.name(), quarterSizeArt_.name(), 0, region, facing);
}

void PMissileUnit::createDefaultSprites(std::int16_t count) {
    projectileCount = count;
    for (std::int16_t i = 0; i < count; ++i) {
        // Without images of its own the missile must not fall back on the unit's pictures: it shows nothing.
        auto* p = new VaelSprite(region(), Point3D(), FrameInfo("Default", 0), static_cast<std::uint16_t>(-1),
                                 nullptr, DrawPlain, projectileImages[0], projectileImages[1],
                                 projectileImages[2], 0);
        projectiles[i] = p;
        announce(p);
    }
    if (count > 0) projectiles[count - 1]->enableSound();
}

void PMissileUnit::commandFinished(LogicalCommandInfo& command) {
    VaelPhysicalObject::commandFinished(command);
    std::int16_t orphan = -1, lead = -1;
    for (std::int16_t i = 0; i < projectileCount; ++i) {
        VaelSprite* f = figure(i);
        if (projectiles[i] && projectiles[i]->soundEnabledFlag() && !f) orphan = i;
        if (f && sprite_calls::isSoundLead(*f)) lead = i;
    }
    if (orphan < 0 || lead < 0 || !projectiles[lead]) return;
    projectiles[orphan]->setFlag(0);
    projectiles[lead]->enableSound();
}

void PMissileUnit::leaveMount(std::int16_t hex, bool riders) {
    VaelFigureLandscape* land = layer_ ? layer_->landscape(0) : nullptr;
    const auto runaway = [&](std::int32_t direction) {
        List<short> line;
        if (land) line = land->hexLineInDirection(hex, direction);
        return LogicalCommandInfo(0, new Container<List<short>>(line), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    };
    if (riders) {
        if (Roll::rand() % 100 < 15) {
            const std::int32_t direction = Roll::rand() % 8 + 1;
            if (VaelPhysicalObject* debris = leaveDebris("Horse", hex))
                debris->queueCommand(runaway(direction));
        } else {
            MethodOfDeathStruct fall;
            fall.percent = 100;
            fall.method = 4;
            fall.unitNumber = -1;
            if (VaelPhysicalObject* debris = leaveDebris("Horse", hex))
                debris->queueCommand(LogicalCommandInfo(
                    0, new Container<MethodOfDeathStruct>(fall), 0,
                    BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("CohesionHit")))));
        }
    } else if (unitKind_ == 7 && Roll::rand() % 100 < 25) {
        const std::string name = Roll::rand() % 100 < 25
                                     ? (nation_ == 2 ? "Chariot Dragging Persian" : "Chariot Dragging Indian")
                                     : "Running Chariot";
        VaelPhysicalObject* debris = leaveDebris(name, hex);
        const std::int32_t direction = Roll::rand() % 8 + 1;
        if (debris) debris->queueCommand(runaway(direction));
    }
}

void PMissileUnit::standAfterShot(VaelSprite& s, std::int16_t figureIndex, std::int16_t hex,
                                  const List<FrameInfo>& frames, const std::vector<std::int16_t>& stepTime,
                                  const std::vector<std::int16_t>& stepFrom) {
    const auto at = [](std::int16_t v) { return static_cast<std::size_t>(v); };
    const auto homeOf = [&](std::int16_t slot) {
        return slot >= 0 && at(slot) < slotOffsets_.size() ? slotOffsets_[at(slot)][facing_] : Point3D();
    };
    std::int16_t slot = figureSlot_[figureIndex];
    if (at(figureIndex) < stepTime.size() && stepTime[at(figureIndex)] != -1 &&
        at(figureIndex) < stepFrom.size()) {
        const std::int16_t from = stepFrom[at(figureIndex)];
        if (from >= 0 && from < static_cast<std::int16_t>(spriteCount_)) {
            figureSlot_[figureIndex] = figureSlot_[from];
            figureSlot_[from] = -1;
            slot = figureSlot_[figureIndex];
            sprite_calls::addFrameEvent(s, hex, Point4D(homeOf(slot), 0), frames, -1, SpriteMove, 0);
        }
    }
    sprite_calls::addFrameEvent(s, hex, Point4D(homeOf(slot), 0), List<FrameInfo>(), -1, SpriteMove, 0);
    sprite_calls::addSoundEvent(s, SoundStopShock, static_cast<std::uint16_t>(unitKind_));
    sprite_calls::addFrameEvent(s, hex, Point4D(), frames, -1, SpriteAnimateOnce, 0);
    activeSprites_.append(&s);
}

bool PMissileUnit::loosesLate(VaelSprite& shooter) {
    if (Roll::rand() % 10 >= 5) return false;
    sprite_calls::addPlainEvent(shooter, SpriteMarker);
    return true;
}

VaelSprite* PMissileUnit::beginFlight(std::int16_t i, const Point3D& launch, const Point4D& waitAt, int waits,
                                      bool late) {
    VaelSprite* p = i >= 0 && i < projectileCount ? projectiles[i] : nullptr;
    if (!p) return nullptr;
    const List<FrameInfo> rest = sprite_calls::oneFrame("Default", 0);
    List<FrameInfo> wait;
    for (int k = 0; k < waits; ++k)
        wait.append(FrameInfo("Default", 0));
    const std::int16_t hex = region();
    sprite_calls::addFrameEvent(*p, hex, Point4D(), rest, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(*p, hex, Point4D(launch, 0), rest, -1, SpriteMove, 0);
    sprite_calls::addFrameEvent(*p, hex, waitAt, wait, -1, SpriteAnimateOnce, 0);
    if (late) sprite_calls::addPlainEvent(*p, SpriteMarker);
    return p;
}

void PMissileUnit::setupFootShooters(const Point3D (&launch)[9]) {
    buildEightFigureFormation();
    for (std::size_t d = 0; d < launchOffsets.size(); ++d)
        launchOffsets[d] = launch[d];
    createDefaultSprites(8);
    setRearRankOfEight();
}

void PMissileUnit::setupRiders(const Point3D (&launch)[9]) {
    buildSixFigureFormation();
    for (std::size_t d = 0; d < launchOffsets.size(); ++d)
        launchOffsets[d] = launch[d];
    createDefaultSprites(6);
    setRearRankOfSix();
}

void PMissileUnit::setupChariots(const Point3D (&launch)[9]) {
    for (std::size_t d = 0; d < launchOffsets.size(); ++d)
        launchOffsets[d] = launch[d];
    for (const SlotOffsets& place : missile_places::Chariots) {
        slotOffsets_.resize(spriteCount_);
        slotOffsets_.push_back(place);
        addFigure(-1);
    }
    finishFormation();
    createDefaultSprites(3);
    if (VaelSprite* lead = figure(2)) sprite_calls::setSoundLead(*lead, true);
}

} // namespace vael
