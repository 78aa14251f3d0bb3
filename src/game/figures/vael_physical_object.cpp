#include "game/figures/vael_physical_object.h"

#include <typeinfo>

#include "game/figures/figures_message_names.h"
#include "game/figures/projectile_images.h"

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/figures/hex_map.h"
#include "game/figures/p_horse.h"
#include "game/rules/roll.h"
#include "game/sound/vael_sound_manager.h"

namespace vael {

WalkingAnimationData* VaelPhysicalObject::walkingData_ = nullptr;
std::unique_ptr<OIF<Bitmap>> VaelPhysicalObject::debris_[3];

VaelPhysicalObject::VaelPhysicalObject(const std::string& normalName, const std::string& halfName,
                                       const std::string& quarterName, std::int16_t region,
                                       std::int32_t facing)
    : VaelDisplayObject(normalName, static_cast<std::uint16_t>(region), static_cast<std::uint32_t>(facing)),
      halfSizeArt_(halfName), quarterSizeArt_(quarterName), facing_(facing) {
    if (images_.hasGroup("CN"))
        combatGroup_ = images_.findGroup("CN");
    else if (images_.hasGroup("N"))
        combatGroup_ = images_.findGroup("N");
    // Every object draws here, prototypes too, so the dice that follow fall the same on every machine
    // only when all of them are made in the same order.
    flagLocation_ = Point3D(static_cast<std::int16_t>(5 - Roll::shown() % 11), 0, 0);
}

VaelPhysicalObject::~VaelPhysicalObject() = default;

VaelPhysicalObject* VaelPhysicalObject::clone(std::int16_t region, std::int32_t facing) const {
    return new VaelPhysicalObject(images_.name(), halfSizeArt_.name(), quarterSizeArt_.name(), region,
                                  facing);
}

void VaelPhysicalObject::connectHandlers() {
    if (!walkingData_) walkingData_ = new WalkingAnimationData(WalkingAnimationData::Name);
    connect(LOGICAL_COMMAND, onLogicalCommand);
    connect(UPDATE_PHYSICAL_OBJECT, onUpdate);
    connect(CHANGE_UNIT_FACING, onLogicalCommand);
    connectNamed(msg::GetRegions, onGetRegions);
    connectNamed(msg::StartCombat, onStartCombat);
    connectNamed(msg::DropFlag, onDropFlag);
    connectNamed(msg::Selected, onSelected);
    if (spriteCount_ == 0) setupAnimations();
    // The loose horse carries no flag, but a class made from it is a unit of its own and does.
    if (!traits().leader && typeid(*this) != typeid(PHorse)) {
        flag_ = std::make_unique<Flag>(region(), flagLocation_, static_cast<std::uint32_t>(nation_));
        announce(flag_.get());
    }
}

void VaelPhysicalObject::announce(Sprite* sprite) {
    Container<Sprite*> box(sprite);
    send(SPRITE_CREATED, &box);
}

ContainerBase* VaelPhysicalObject::onLogicalCommand(Component* target, BusMessage, ContainerBase* data) {
    auto* self = static_cast<VaelPhysicalObject*>(target);
    callWithPayload<LogicalCommandInfo>(data, "VAELPHOB", __LINE__,
                                        [&](const LogicalCommandInfo& c) { return self->queueCommand(c); });
    return nullptr;
}

ContainerBase* VaelPhysicalObject::onUpdate(Component* target, BusMessage, ContainerBase* data) {
    auto* self = static_cast<VaelPhysicalObject*>(target);
    return callWithPayload<long>(data, "VAELPHOB", __LINE__, [&](const long& now) -> ContainerBase* {
        return self->updateLevels(static_cast<std::int32_t>(now));
    });
}

ContainerBase* VaelPhysicalObject::onGetRegions(Component* target, BusMessage, ContainerBase*) {
    return static_cast<VaelPhysicalObject*>(target)->getRegions();
}

ContainerBase* VaelPhysicalObject::onStartCombat(Component* target, BusMessage, ContainerBase*) {
    static_cast<VaelPhysicalObject*>(target)->startCombat();
    return nullptr;
}

ContainerBase* VaelPhysicalObject::onDropFlag(Component* target, BusMessage, ContainerBase*) {
    static_cast<VaelPhysicalObject*>(target)->dropFlag();
    return nullptr;
}

ContainerBase* VaelPhysicalObject::onSelected(Component* target, BusMessage, ContainerBase*) {
    auto* self = static_cast<VaelPhysicalObject*>(target);
    if (!self->reversedView_)
        if (VaelSoundManager* sound = VaelSoundManager::instance())
            sound->playAnimalCall(static_cast<std::int16_t>(self->unitKind_));
    return nullptr;
}

ContainerBase* VaelPhysicalObject::getRegions() {
    List<short> regions;
    regions.append(region());
    return new Container<List<short>>(regions);
}

std::int16_t VaelPhysicalObject::dropFlag() {
    if (!traits().leader && flag_) flag_->moveTo(flagLocation_, 1);
    return 0;
}

Sprite* VaelPhysicalObject::sprite(std::int16_t index) {
    return PhysicalObject::sprite(index);
}

VaelSprite* VaelPhysicalObject::figure(std::int16_t index) {
    return static_cast<VaelSprite*>(sprite(index));
}

std::int16_t VaelPhysicalObject::fallenState(std::int16_t i) const {
    return i >= 0 && static_cast<std::size_t>(i) < fallen_.size() ? fallen_[static_cast<std::size_t>(i)] : 0;
}

std::int16_t VaelPhysicalObject::rearFigure(std::int16_t i) const {
    return i >= 0 && static_cast<std::size_t>(i) < rearFigure_.size()
               ? rearFigure_[static_cast<std::size_t>(i)]
               : -1;
}

bool VaelPhysicalObject::isEntryClear(std::int16_t i) const {
    return fallenState(i) == 0;
}

void VaelPhysicalObject::loadSharedArtwork() {
    Flag::loadArtwork();
    const char* names[3] = {"Generic Rout Debris", "Generic Rout Debris (Half size)",
                            "Generic Rout Debris (Quarter size)"};
    for (int level = 0; level < 3; ++level)
        debris_[level] = std::make_unique<OIF<Bitmap>>(names[level]);
    loadMissileImages();
}

void VaelPhysicalObject::freeSharedArtwork() {
    Flag::unloadArtwork();
    freeMissileImages();
    delete walkingData_;
    walkingData_ = nullptr;
    for (auto& library : debris_)
        library.reset();
}

const char* VaelPhysicalObject::walkingGroup(std::int32_t unitKind) {
    switch (unitKind) {
    case 0:
    case 1:
    case 2:
        return "Foot";
    case 3:
    case 15:
        return "Phalanx";
    // The chieftain walks as the other leaders do: a kind without a group would walk on whatever group
    // another object left selected.
    case 4:
    case 5:
    case 6:
        return "Leader";
    case 7:
        return "Chariot";
    case 8:
    case 9:
    case 10:
        return "Mounted";
    case 11:
        return "Companion";
    case 12:
        return "Thessalian";
    case 13:
        return "Elephant";
    case 14:
        return "Oxybeles";
    default:
        return nullptr;
    }
}

DirectionOffsets* VaelPhysicalObject::walkingRecord(std::int16_t slot) {
    const char* group = walkingGroup(unitKind_);
    if (!walkingData_ || !group || facing_ < 1 || facing_ > 8) return nullptr;
    if (walkingData_->selectGroup(group) < 0) return nullptr;
    if (slot < 0 || slot >= walkingData_->itemCount()) return nullptr;
    walkingData_->setCurrentItem(slot);
    FacingOffsets* record = walkingData_->item(-1, -1);
    return record ? &record->facings[facing_] : nullptr;
}

Point3D VaelPhysicalObject::hexToPixel(std::int16_t hex) const {
    VaelFigureLandscape* land = layer_ ? layer_->landscape(0) : nullptr;
    return land ? land->hexToPoint(hex, Point3D()) : Point3D();
}

std::int16_t VaelPhysicalObject::landscapeQuery(std::int16_t hex, std::int32_t direction) const {
    VaelFigureLandscape* land = layer_ ? layer_->landscape(0) : nullptr;
    return land ? land->neighbourOnScreen(hex, direction) : hex;
}

std::int32_t VaelPhysicalObject::facingToward(std::int16_t fromHex, std::int16_t toHex) const {
    const auto d = static_cast<DIRECTION>(HexMap::directionTo(fromHex, toHex));
    return reversedView_ ? rotateClockwise(d, 4) : d;
}

bool VaelPhysicalObject::isWatched() const {
    const std::int16_t mode = layer_ ? layer_->viewMode() : VaelSpriteLayer::NoView;
    if (reversedView_) return mode == VaelSpriteLayer::ReversedView;
    // With no map shown at all the normal view still answers the logical side, which waits for every
    // return notification before it goes on.
    return mode == VaelSpriteLayer::NormalView || mode == VaelSpriteLayer::NoView;
}

} // namespace vael
