#include "game/figures/p_missile_unit.h"

#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/missile_places.h"
#include "game/figures/projectile_images.h"
#include "game/figures/sprite_calls.h"
#include "game/flow/shock_records.h"
#include "game/rules/roll.h"

namespace vael {

MissileStock::MissileStock(std::int16_t missileKind) {
    for (int size = 0; size < 3; ++size)
        projectileImages[static_cast<std::size_t>(size)] = projectileImageSet(missileKind, size);
}

MissileStock::~MissileStock() {
    for (std::int16_t i = 0; i < projectileCount; ++i)
        delete projectiles[i];
}

VaelSprite* MissileStock::newMissile(std::int16_t hex) const {
    // Without images of its own the missile must not fall back on the unit's pictures: it shows nothing.
    return new VaelSprite(hex, Point3D(), FrameInfo("Default", 0), static_cast<std::uint16_t>(-1), nullptr,
                          DrawPlain, projectileImages[0], projectileImages[1], projectileImages[2], 0);
}

PMissileUnit::PMissileUnit(const std::string& normalName, const std::string& halfName,
                           const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                           std::int32_t facing)
    : VaelPhysicalObject(normalName, halfName, quarterName, region, facing), MissileStock(missileKind) {}

VaelPhysicalObject* PMissileUnit::clone(std::int16_t region, std::int32_t facing) const {
    return new PMissileUnit(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), 0, region,
                            facing);
}

void PMissileUnit::createDefaultSprites(std::int16_t count) {
    makeMissiles(count, region(), [this](VaelSprite* p) { announce(p); });
}

namespace {

bool isMissileFire(const LogicalCommandInfo& command) {
    return command.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(msg::MissileFire));
}

} // namespace

void PMissileUnit::handleEvent(LogicalCommandInfo& command) {
    if (playsVolleys() && isMissileFire(command)) return volley(command);
    VaelPhysicalObject::handleEvent(command);
}

void PMissileUnit::commandFinished(LogicalCommandInfo& command) {
    if (playsVolleys() && isMissileFire(command)) return;
    VaelPhysicalObject::commandFinished(command);
    followSoundLead([this](std::int16_t i) { return figure(i); });
}

void PMissileUnit::leaveMount(std::int16_t hex, bool riders) {
    VaelFigureLandscape* land = layer() ? layer()->landscape(0) : nullptr;
    const auto runaway = [&](std::int32_t direction) {
        List<short> line;
        if (land) line = land->hexLineInDirection(hex, direction);
        return LogicalCommandInfo(0, new Container<List<short>>(line), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    };
    if (riders) {
        if (Roll::shown() % 100 < 15) {
            // The horse is made before its direction is drawn: making it draws for its flag's place.
            VaelPhysicalObject* debris = leaveDebris("Horse", hex);
            const std::int32_t direction = Roll::shown() % 8 + 1;
            if (debris) debris->queueCommand(runaway(direction));
        } else {
            MethodOfDeathStruct fall;
            fall.percent = 100;
            fall.method = 4;
            fall.unitNumber = -1;
            if (VaelPhysicalObject* debris = leaveDebris("Horse", hex))
                debris->queueCommand(LogicalCommandInfo(
                    0, new Container<MethodOfDeathStruct>(fall), 0,
                    BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(msg::CohesionHit)))));
        }
    } else if (traits().leavesWreck && Roll::shown() % 100 < 25) {
        const std::string name =
            Roll::shown() % 100 < 25 ? (nation() == 2 ? "Chariot Dragging Persian" : "Chariot Dragging Indian")
                                    : "Running Chariot";
        VaelPhysicalObject* debris = leaveDebris(name, hex);
        const std::int32_t direction = Roll::shown() % 8 + 1;
        if (debris) debris->queueCommand(runaway(direction));
    }
}

void PMissileUnit::standAfterShot(VaelSprite& s, std::int16_t figureIndex, std::int16_t hex,
                                  const List<FrameInfo>& frames, const std::vector<std::int16_t>& stepTime,
                                  const std::vector<std::int16_t>& stepFrom) {
    const auto at = [](std::int16_t v) { return static_cast<std::size_t>(v); };
    const auto homeOf = [&](std::int16_t slot) {
        return slot >= 0 && at(slot) < slotCount() ? slotOffsets(at(slot))[facing()] : Point3D();
    };
    std::int16_t slot = figureSlot(figureIndex);
    if (at(figureIndex) < stepTime.size() && stepTime[at(figureIndex)] != -1 &&
        at(figureIndex) < stepFrom.size()) {
        const std::int16_t from = stepFrom[at(figureIndex)];
        if (from >= 0 && from < static_cast<std::int16_t>(spriteCount_)) {
            setFigureSlot(figureIndex, figureSlot(from));
            setFigureSlot(from, -1);
            slot = figureSlot(figureIndex);
            sprite_calls::addFrameEvent(s, hex, Point4D(homeOf(slot), 0), frames, -1, SpriteMove, 0);
        }
    }
    standAt(s, hex, homeOf(slot), frames);
}

void PMissileUnit::standAt(VaelSprite& s, std::int16_t hex, const Point3D& place,
                           const List<FrameInfo>& frames) {
    sprite_calls::addFrameEvent(s, hex, Point4D(place, 0), List<FrameInfo>(), -1, SpriteMove, 0);
    sprite_calls::addSoundEvent(s, SoundStopShock, static_cast<std::uint16_t>(unitKind()));
    sprite_calls::addFrameEvent(s, hex, Point4D(), frames, -1, SpriteAnimateOnce, 0);
    activeSprites_.append(&s);
}

Point3D PMissileUnit::homePlace(std::int16_t slot) const {
    const auto at = static_cast<std::size_t>(slot);
    return slot >= 0 && at < slotCount() ? slotOffsets(at)[facing()] : Point3D();
}

List<FrameInfo> PMissileUnit::backStepFrames(std::int32_t d) {
    List<FrameInfo> frames;
    if (d < 1 || d > 8) return frames;
    const std::int16_t group = images_.findGroup(DirectionGroups[d]);
    for (auto k = static_cast<std::int16_t>((group < 0 ? 0 : images_.imageCount(group)) - 1); k >= 0; --k)
        frames.append(FrameInfo(DirectionGroups[d], k));
    return frames;
}

bool PMissileUnit::startVolley(LogicalCommandInfo& command, DIRECTION& d) {
    d = NoDirection;
    if (!Container<DIRECTION>::fromMessage(command.payload.get(), d) || d < 1 || d > 8) return false;
    markFlagStale();
    moveFlagWithUnit(false);
    missileTarget = hexToPixel(static_cast<std::int16_t>(command.value));
    return true;
}

bool PMissileUnit::aimAtNeighbour(std::int16_t hex, std::int32_t d) {
    const std::int16_t targetHex = landscapeQuery(hex, d);
    VaelFigureLandscape* land = layer() ? layer()->landscape(0) : nullptr;
    const bool onMap = targetHex >= 0 && land && land->isOnMap(targetHex) != 0;
    if (onMap) missileTarget = hexToPixel(targetHex);
    return onMap;
}

std::int16_t PMissileUnit::closeCombatSide(std::int32_t enemyDirection, std::int32_t x) const {
    if (enemyDirection < 1 || enemyDirection > 8) return -1;
    auto side = static_cast<std::int16_t>(
        rotateClockwise(static_cast<DIRECTION>(enemyDirection), static_cast<std::uint8_t>(facing() - 1)) - 1);
    if (side < 0 || side > 7) return -1;
    if (side == 4) side = x > 0 ? 3 : 5;
    if (side == 0) side = x > 0 ? 1 : 7;
    return side;
}

bool PMissileUnit::loosesLate(VaelSprite& shooter) {
    if (Roll::shown() % 10 >= 5) return false;
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
        placeNextFigure(place);
        addFigure(-1);
    }
    finishFormation();
    createDefaultSprites(3);
    if (VaelSprite* lead = figure(2)) sprite_calls::setSoundLead(*lead, true);
}

} // namespace vael
