#include "game/map/vael_physical_layer.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/direction.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "game/flow/leader_activation.h"
#include "game/flow/shock_records.h"
#include "game/map/map_message_names.h"
#include "game/rules/rules_message_names.h"
#include "game/map/vael_landscape_tile.h"
#include "game/map/vael_sprite.h"
#include "game/rules/roll.h"
#include "game/rules/scenario_records.h"
#include "game/rules/units/nation.h"

namespace vael {

const std::uint32_t VaelPhysicalLayer::NationColours[8] = {0x000000, 0x0000FF, 0xFF0000, 0x00FF00,
                                                           0xFFFFFF, 0xFFFFFF, 0xFF0000, 0xFFFFFF};

namespace {
constexpr const char* SourceName = "vael_physical_layer.cpp";

VaelPhysicalLayer& layerOf(Component* target) {
    return *dynamic_cast<VaelPhysicalLayer*>(target);
}

bool isNamed(BusMessage word, const char* name) {
    return word.id() == static_cast<std::int32_t>(RegisteredMessage::getId(name));
}

BusMessage named(const char* name) {
    return BusMessage(RegisteredMessage::getId(name));
}

void dropAnswers(List<VectorBusResponse>& answers) {
    VectorBusResponse answer;
    while (answers.removeFirst(answer))
        dropAnswer(answer.result);
}

// Floor and truncating division of a pixel coordinate by a cell size.
int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Named handlers: a payload of T goes to the layer's member, a wrong one is reported and skipped.
template <class T, class F> ContainerBase* withPayload(Component* t, ContainerBase* d, int line, F&& f) {
    callWithPayload<T>(d, SourceName, static_cast<std::int16_t>(line),
                       [&](const T& value) { f(layerOf(t), value); });
    return nullptr;
}
} // namespace

// The full-size landscape as the display objects see it.
class VaelPhysicalLayer::FullLandscape : public VaelFigureLandscape {
public:
    explicit FullLandscape(PointedVaelLandscape& land) : land_(land) {}
    Point3D hexToPoint(std::int16_t hex, const Point3D& offset) const override {
        return land_.blockCenter(hex) + offset;
    }
    std::int16_t heightOf(std::int16_t hex) const override { return land_.blockZ(hex); }
    std::int16_t isOnMap(std::int16_t hex) const override { return land_.hexToBlock(hex) >= 0 ? 1 : 0; }
    std::int16_t neighbourOnScreen(std::int16_t hex, std::int32_t direction) const override {
        return land_.neighbourOnScreen(hex, static_cast<std::uint32_t>(direction));
    }
    List<short> exitLineForBattle(std::int16_t hex, std::int16_t& flag) const override {
        return land_.exitLineForBattle(hex, flag);
    }
    void addGroundSprite(VaelSprite* sprite) override { land_.addDeadSprite(sprite); }

private:
    PointedVaelLandscape& land_;
};

VaelPhysicalLayer::VaelPhysicalLayer(std::uint16_t layerId) : PhysicalLayer(nullptr), layerId_(layerId) {
    for (std::uint16_t zoom = 0; zoom < 3; ++zoom)
        landscapes_[zoom] =
            PointedVaelLandscape::create(static_cast<std::uint16_t>(layerId_ | (zoom ? 1 << (zoom - 1) : 0)));
    figureLandscape_ = std::make_unique<FullLandscape>(*landscapes_[0]);
}

VaelPhysicalLayer::~VaelPhysicalLayer() {
    stopTick();
    // The objects go before the landscapes their figures stand on.
    deleteObjectsAndViewports();
    for (auto& land : landscapes_)
        if (land && land->getBus()) land->detach();
}

// Handlers.

namespace {
ContainerBase* onSelected(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<LogicalCommandInfo>(
        t, d, __LINE__, [](VaelPhysicalLayer& l, const LogicalCommandInfo& c) { l.selectUnit(c.command); });
}
ContainerBase* onNothing(Component*, BusMessage, ContainerBase*) {
    return nullptr;
}
ContainerBase* onUnitCombat(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<LogicalCommandInfo>(
        t, d, __LINE__, [](VaelPhysicalLayer& l, const LogicalCommandInfo& c) { l.playCombat(c); });
}
ContainerBase* onRaiseFlags(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<RaiseFlagsStruct>(t, d, __LINE__, [](VaelPhysicalLayer& l, const RaiseFlagsStruct& r) {
        l.raiseFlags(r.grayFlags, r.flags, r.nation);
    });
}
ContainerBase* onGridOn(Component* t, BusMessage, ContainerBase*) {
    layerOf(t).showHexGrid(true);
    return nullptr;
}
ContainerBase* onGridOff(Component* t, BusMessage, ContainerBase*) {
    layerOf(t).showHexGrid(false);
    return nullptr;
}
ContainerBase* onWalking(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<short>(t, d, __LINE__,
                              [](VaelPhysicalLayer& l, short v) { l.setWalkingAnimation(v != 0); });
}
ContainerBase* onCombatAnimation(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<short>(t, d, __LINE__,
                              [](VaelPhysicalLayer& l, short v) { l.setCombatAnimation(v != 0); });
}
ContainerBase* onEndOfTurn(Component* t, BusMessage, ContainerBase*) {
    layerOf(t).endOfTurn();
    return nullptr;
}
ContainerBase* onBeginRampage(Component* t, BusMessage, ContainerBase*) {
    layerOf(t).beginRampage();
    return nullptr;
}
ContainerBase* onRampagingActions(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<List<RampageStruct>>(
        t, d, __LINE__, [](VaelPhysicalLayer& l, const List<RampageStruct>& s) { l.setRampageSteps(s); });
}
ContainerBase* onUnitRegions(Component* t, BusMessage, ContainerBase* d) {
    return callWithPayload<short>(d, SourceName, __LINE__, [&](short unit) -> ContainerBase* {
        return new Container<List<short>>(layerOf(t).unitRegions(static_cast<std::uint16_t>(unit)));
    });
}
ContainerBase* onObjectCreated(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<VaelDisplayObject*>(
        t, d, __LINE__, [](VaelPhysicalLayer& l, VaelDisplayObject* o) { l.adoptObject(o); });
}
// The file name comes as the application's string or as a plain one, as the logical side sends it.
bool fileNameOf(ContainerBase* d, std::string& name, int line) {
    SuperString super;
    if (Container<SuperString>::fromMessage(d, super)) return name = super.str(), true;
    if (Container<std::string>::fromMessage(d, name)) return true;
    Assertion::check(false, BadPayloadMessage, SourceName, static_cast<std::int16_t>(line));
    return false;
}
ContainerBase* onSaveGame(Component* t, BusMessage, ContainerBase* d) {
    std::string file;
    if (fileNameOf(d, file, __LINE__) && !layerOf(t).saveGame(file))
        debugStream() << "VPL: could not save to " << file << "\n";
    return nullptr;
}
ContainerBase* onLoadGame(Component* t, BusMessage, ContainerBase* d) {
    std::string file;
    if (fileNameOf(d, file, __LINE__) && !layerOf(t).loadGame(file))
        debugStream() << "VPL: could not load the display from " << file << "\n";
    return nullptr;
}
ContainerBase* onReplenished(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<short>(t, d, __LINE__, [](VaelPhysicalLayer& l, short unit) {
        const short id = l.objectId(static_cast<std::uint16_t>(unit));
        if (id < 0) return;
        LogicalCommandInfo c(static_cast<std::uint16_t>(unit), new Container<short>(0), 0,
                             named(msg::DropFlags), BusMessage(), new Container<short>(0));
        Container<LogicalCommandInfo> box(std::move(c));
        auto answers = l.queryTo(static_cast<std::uint16_t>(id), LOGICAL_COMMAND, &box);
        dropAnswers(answers);
    });
}
ContainerBase* onPointSelected(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<PointInfo>(t, d, __LINE__,
                                  [](VaelPhysicalLayer& l, const PointInfo& p) { l.selectPoint(p); });
}
ContainerBase* onPointFlyby(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<PointInfo>(t, d, __LINE__,
                                  [](VaelPhysicalLayer& l, const PointInfo& p) { l.flyOver(p); });
}
ContainerBase* onPointOffHexes(Component* t, BusMessage, ContainerBase*) {
    if (auto* layer = dynamic_cast<VaelPhysicalLayer*>(t)) layer->flyOff();
    return nullptr;
}
ContainerBase* onCentre(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<short>(t, d, __LINE__,
                              [](VaelPhysicalLayer& l, short hex) { l.centreOn(hex, false); });
}
ContainerBase* onCombatCentre(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<short>(t, d, __LINE__, [](VaelPhysicalLayer& l, short hex) { l.centreOn(hex, true); });
}
ContainerBase* onPrimaryLandscape(Component* t, BusMessage, ContainerBase*) {
    return new Container<PointedVaelLandscape*>(layerOf(t).zoomLandscape(0));
}
ContainerBase* onMoving(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<short>(t, d, __LINE__, [](VaelPhysicalLayer& l, short id) { l.movement(id); });
}
ContainerBase* onNotMoving(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<short>(t, d, __LINE__, [](VaelPhysicalLayer& l, short id) { l.noMovement(id); });
}
ContainerBase* onBeginLandscape(Component* t, BusMessage, ContainerBase* d) {
    return withPayload<LandscapeDefinition>(
        t, d, __LINE__, [](VaelPhysicalLayer& l, const LandscapeDefinition& def) { l.beginLandscape(def); });
}
} // namespace

void VaelPhysicalLayer::connectParent() {
    PhysicalLayer::connectParent();
    connect(LOGICAL_OBJECT_SELECTED, onSelected);
    connect(LOGICAL_OBJECT_DESELECTED, onNothing);
    connectNamed(msg::CenterOnRegion, onCentre);
    connectNamed(msg::UnitCombat, onUnitCombat);
    connectNamed(msg::RaiseFlags, onRaiseFlags);
    connectNamed(msg::ToggleHexGridOn, onGridOn);
    connectNamed(msg::ToggleHexGridOff, onGridOff);
    connectNamed(msg::ToggleWalkingAnimation, onWalking);
    connectNamed(msg::ToggleCombatAnimation, onCombatAnimation);
    connectNamed(msg::EndOfTurn, onEndOfTurn);
    connectNamed(msg::CombatCenterOnRegion, onCombatCentre);
    connectNamed(msg::BeginElephantRampage, onBeginRampage);
    connectNamed(msg::RampagingActions, onRampagingActions);
    connectNamed(msg::GetUnitRegions, onUnitRegions);
    // The game's own selection and fly-by take the place of the framework's.
    disconnectPointHandlers();
    connectNamed(msg::VaelPointSelected, onPointSelected);
    connectNamed(msg::VaelPointFlyby, onPointFlyby);
    connectNamed(msg::VaelPointOffHexes, onPointOffHexes);
    connectNamed(msg::PhysicalObjectCreated, onObjectCreated);
    connectNamed(msg::SaveGame, onSaveGame);
    connectNamed(msg::LoadGame, onLoadGame);
    connectNamed(msg::UnitReplenished, onReplenished);
    connectNamed(msg::GetPrimaryLandscape, onPrimaryLandscape);
    connectNamed(msg::PhysicalObjectMoving, onMoving);
    connectNamed(msg::PhysicalObjectNotMoving, onNotMoving);
    connect(BEGIN_LANDSCAPE, onBeginLandscape);
    connectViewportHandlers();
    connectNamed(msg::UnitMovement, onNothing);
    for (const char* name :
         {msg::CenterOnPoint, msg::SpriteMoved, msg::SpritesMoved, msg::GetPixelPath, msg::ZoomInForCombat,
          msg::VaelPointSelected, msg::VaelPointFlyby, msg::VaelPointOffHexes, msg::GetUnitRegions,
          msg::PhysicalObjectCreated, msg::GetPrimaryLandscape, msg::PhysicalObjectMoving,
          msg::PhysicalObjectNotMoving, msg::GetUnitBitmap})
        blockForwardingNamed(name, ToParent);
    blockForwarding(LANDTILE_CREATED, ToParent);
    blockForwarding(LOGICAL_OBJECT_DESELECTED, ToParent);
    for (auto& land : landscapes_)
        if (!land->getBus()) land->attach(*this);
}

// Views.

std::int16_t VaelPhysicalLayer::viewMode() const {
    return normalViewShown_ ? NormalView : reversedViewShown_ ? ReversedView : NoView;
}

std::int16_t VaelPhysicalLayer::watchedView() {
    return normalViewShown_ ? NormalView : reversedViewShown_ ? ReversedView : NormalView;
}

bool VaelPhysicalLayer::viewShown() const {
    return watchedView() == static_cast<std::int16_t>(layerId_);
}

Point3D VaelPhysicalLayer::regionAnchor(std::int16_t level, std::int16_t region) const {
    if (level < 0 || level > 2) return Point3D();
    return landscapes_[static_cast<std::size_t>(level)]->blockCenter(region);
}

bool VaelPhysicalLayer::regionOnMap(std::int16_t region) const {
    const PointedVaelLandscape* land = landscapes_[0].get();
    return !land || land->blockCount() == 0 || land->hexToBlock(region) >= 0;
}

Box VaelPhysicalLayer::placesBox(std::int16_t level) const {
    const PointedVaelLandscape* land =
        level >= 0 && level <= 2 ? landscapes_[static_cast<std::size_t>(level)].get() : nullptr;
    if (!land || mapRows_ <= 0 || mapColumns_ <= 0) return Box();
    // The sprite grid's extent, in the level's own hexes: a screen row a hex wide, a map column three
    // quarters of a hex high.
    const Dim hex = land->hexSize();
    const int width = mapRows_ * hex.w, height = (mapColumns_ + 1) * hex.h * 3 / 4;
    const int marginX = hex.w * 3 / 2, marginY = hex.h * 3 / 2;
    return Box(static_cast<std::int16_t>(-marginX), static_cast<std::int16_t>(-marginY),
               static_cast<std::int16_t>(width + 2 * marginX),
               static_cast<std::int16_t>(height + 2 * marginY));
}

VaelFigureLandscape* VaelPhysicalLayer::landscape(std::int16_t zoom) {
    return zoom == 0 ? figureLandscape_.get() : nullptr;
}

void VaelPhysicalLayer::addMapViewport(Viewport* viewport) {
    if (!viewport) return;
    const bool first = viewports().isEmpty();
    addViewport(viewport);
    (layerId_ & 4 ? reversedViewShown_ : normalViewShown_) = true;
    if (first && !clients().isEmpty()) startTimer(VisibleRate);
}

std::int16_t VaelPhysicalLayer::deleteViewport(ViewportWindow* window) {
    PhysicalLayer::deleteViewport(window);
    if (viewports().isEmpty()) {
        (layerId_ & 4 ? reversedViewShown_ : normalViewShown_) = false;
        if (!clients().isEmpty()) startTimer(HiddenRate);
    }
    return 0;
}

// Objects.

std::int16_t VaelPhysicalLayer::createObject(const LogicalCommandInfo& record) {
    LOCreateInfo info;
    if (!Container<LOCreateInfo>::fromMessage(record.payload.get(), info)) {
        Assertion::check(false, BadPayloadMessage, SourceName, __LINE__);
        return 0;
    }
    auto* proto = dynamic_cast<VaelDisplayObject*>(prototype(info.key));
    if (!proto) {
        debugStream() << "VPL: no prototype for display type " << info.key << " of unit " << record.command
                      << "\n";
        return 0;
    }
    if (record.command >= DynArray<short>::kMaxSize) {
        debugStream() << "VPL: unit number " << record.command << " is out of range\n";
        return 0;
    }
    DIRECTION facing = rotateClockwise(static_cast<DIRECTION>(info.facing), 2);
    if (layerId_ & 4) facing = rotateClockwise(facing, 4);
    VaelDisplayObject* object = proto->clone(static_cast<std::int16_t>(record.value), facing);
    if (!object) return 0;
    object->setNation(static_cast<std::int32_t>(info.nation));
    object->setReversedView(static_cast<std::int16_t>(layerId_ & 4));
    object->setLayer(this);
    object->setId(info.key);
    objects_.append(object);
    objectIds_[record.command] = nextId();
    if (made_.size() <= record.command) made_.resize(record.command + 1u, false);
    made_[record.command] = true;
    object->attach(*this);
    if (info.nation < 8) setHexColour(static_cast<std::int16_t>(record.value), NationColours[info.nation]);
    return 0;
}

void VaelPhysicalLayer::adoptObject(VaelDisplayObject* object) {
    if (!object || objects_.contains(object)) return;
    object->setReversedView(static_cast<std::int16_t>(layerId_ & 4));
    object->setLayer(this);
    objects_.append(object);
    adopted_.append(object);
    object->attach(*this);
}

VaelDisplayObject* VaelPhysicalLayer::objectWithId(short componentId) const {
    Item<PhysicalObject*>* it = nullptr;
    for (objects_.firstItem(it); it; it = it->next)
        if (it->value->getId() == componentId) return dynamic_cast<VaelDisplayObject*>(it->value);
    return nullptr;
}

void VaelPhysicalLayer::queryObject(short componentId, const LogicalCommandInfo& command) {
    if (componentId < 0) return;
    Container<LogicalCommandInfo> box(command);
    auto answers = queryTo(static_cast<std::uint16_t>(componentId), LOGICAL_COMMAND, &box);
    dropAnswers(answers);
}

void VaelPhysicalLayer::sendCommand(short componentId, const char* name, ContainerBase* payload,
                                    std::uint16_t value, BusMessage reply, ContainerBase* extra) {
    queryObject(componentId, LogicalCommandInfo(0, payload, value, named(name), reply, extra));
}

// Hex colours.

std::int32_t VaelPhysicalLayer::hexIndex(std::int16_t hex) const {
    if (hex < 0) return -1;
    const std::int32_t column = hex / 100, row = hex % 100;
    if (row >= mapRows_ || column >= mapColumns_) return -1;
    const std::int32_t px = layerId_ & 4 ? row : mapRows_ - 1 - row;
    const std::int32_t py = layerId_ & 4 ? mapColumns_ - 1 - column : column;
    return py * mapRows_ + px;
}

std::uint32_t VaelPhysicalLayer::hexColour(std::int16_t hex) const {
    const std::int32_t i = hexIndex(hex);
    return hasColours_ && i >= 0 && static_cast<std::size_t>(i) < hexColours_.size()
               ? hexColours_[static_cast<std::size_t>(i)]
               : NoColour;
}

void VaelPhysicalLayer::setHexColour(std::int16_t hex, std::uint32_t colour) {
    const std::int32_t i = hexIndex(hex);
    if (!hasColours_ || i < 0 || static_cast<std::size_t>(i) >= hexColours_.size()) return;
    hexColours_[static_cast<std::size_t>(i)] = colour;
    if (unitBitmap_ && mapRows_ > 0) drawMarker(i % mapRows_, i / mapRows_, colour == NoColour ? 0 : colour);
}

void VaelPhysicalLayer::beginLandscape(const LandscapeDefinition& definition) {
    mapRows_ = std::max<std::int16_t>(definition.size.y, 0);
    mapColumns_ = std::max<std::int16_t>(definition.size.x, 0);
    hexCount_ = definition.regionCount;
    // Sized for every picture cell, whatever count the definition claims.
    const std::size_t cells = static_cast<std::size_t>(mapRows_) * static_cast<std::size_t>(mapColumns_);
    hexColours_.assign(
        std::max<std::size_t>(cells, static_cast<std::size_t>(std::max<std::int16_t>(hexCount_, 0))),
        NoColour);
    hasColours_ = true;
    const int width = mapRows_ * 130, height = (mapColumns_ + 1) * 48;
    filings_.clear();
    setGridSize(Dim(static_cast<std::int16_t>(width / CellWidth + 2),
                    static_cast<std::int16_t>(height / CellHeight + 4)));
}

// Commands.

std::int16_t VaelPhysicalLayer::deliverCommand(const LogicalCommandInfo& record) {
    LogicalCommandInfo copy(record);
    const BusMessage word = copy.event;
    // A unit put on its hex at once (the state another machine sent) leaves its old hex as a move does.
    if (word.id() == LOGICAL_OBJECT_MOVED || isNamed(word, msg::UnitTeleport)) {
        List<short> path;
        if (Container<List<short>>::fromMessage(copy.payload.get(), path) && !path.isEmpty()) {
            short first = 0, last = 0;
            path.first(first);
            path.last(last);
            const std::uint32_t colour = hexColour(first);
            setHexColour(first, NoColour);
            setHexColour(last, colour);
        }
    } else if (isNamed(word, msg::TerminalRout)) {
        List<short> path;
        short first = 0;
        if (Container<List<short>>::fromMessage(copy.payload.get(), path) && path.first(first))
            setHexColour(first, NoColour);
    } else if (isNamed(word, msg::CohesionHit) && rampageActive_) {
        return 0;
    } else if (isNamed(word, msg::ElephantRampage)) {
        playRampage(objectId(copy.command));
        rampageActive_ = 0;
    }

    if (word.id() == CHANGE_UNIT_FACING) {
        DIRECTION facing{};
        if (Container<DIRECTION>::fromMessage(copy.payload.get(), facing)) {
            facing = layerId_ & 4 ? rotateAnticlockwise(facing, 2) : rotateClockwise(facing, 2);
            copy.payload = std::make_unique<Container<DIRECTION>>(facing);
        }
    } else if (isNamed(word, msg::MissileFire)) {
        if (!viewShown()) return 0;
        short bearing = -1;
        Container<short>::fromMessage(copy.payload.get(), bearing);
        static constexpr DIRECTION ByBearing[24] = {
            static_cast<DIRECTION>(3), static_cast<DIRECTION>(4), static_cast<DIRECTION>(4),
            static_cast<DIRECTION>(4), static_cast<DIRECTION>(4), static_cast<DIRECTION>(5),
            static_cast<DIRECTION>(5), static_cast<DIRECTION>(5), static_cast<DIRECTION>(6),
            static_cast<DIRECTION>(6), static_cast<DIRECTION>(6), static_cast<DIRECTION>(7),
            static_cast<DIRECTION>(7), static_cast<DIRECTION>(7), static_cast<DIRECTION>(8),
            static_cast<DIRECTION>(8), static_cast<DIRECTION>(8), static_cast<DIRECTION>(1),
            static_cast<DIRECTION>(1), static_cast<DIRECTION>(1), static_cast<DIRECTION>(2),
            static_cast<DIRECTION>(2), static_cast<DIRECTION>(2), static_cast<DIRECTION>(3)};
        if (bearing < 0 || bearing > 23) {
            // Nothing will play the volley, so nothing would answer it: answer in its place, or the rules
            // wait for ever.
            debugStream() << "VPL: missile bearing " << bearing << " is out of range\n";
            if (copy.replyEvent.id() != NULL_EVENT) send(copy.replyEvent, copy.extra.get());
            return 0;
        }
        DIRECTION facing = ByBearing[bearing];
        if (layerId_ & 4) facing = rotateClockwise(facing, 4);
        copy.payload = std::make_unique<Container<DIRECTION>>(facing);
    }

    if (walkingAnimationOff_ || viewports().isEmpty()) {
        if (word.id() == LOGICAL_OBJECT_MOVED)
            copy.event = named(msg::UnitTeleport);
        else if (word.id() == CHANGE_UNIT_FACING)
            copy.event = named(msg::ChangeFacingNA);
        else if (isNamed(word, msg::TerminalRout))
            copy.event = named(msg::UnitEliminated);
    }
    if (isNamed(copy.event, msg::UnitEliminated))
        setHexColour(static_cast<std::int16_t>(copy.value), NoColour);

    queryObject(objectId(copy.command), copy);
    return 0;
}

void VaelPhysicalLayer::setRampageSteps(const List<RampageStruct>& steps) {
    rampageSteps_ = steps;
    debugStream() << "VPL: In rampaging actions.  Events: " << steps.count() << "\n";
}

void VaelPhysicalLayer::playRampage(short elephant) {
    debugStream() << "VPL: In elephant rampage.  Events: " << rampageSteps_.count() << "\n";
    Item<RampageStruct>* it = nullptr;
    for (rampageSteps_.firstItem(it); it; it = it->next) {
        const RampageStruct& step = it->value;
        VaelDisplayObject* hit = objectWithId(objectId(step.unitNumber));
        debugStream() << "VPL: In elephant rampage.  Object: " << static_cast<const void*>(hit) << "\n"
                      << "VPL: Elephant hex: " << step.hex << "\n";
        if (hit) {
            if (step.routing) hit->saveAPath();
            if (step.withdrawing) hit->saveAPath();
        }
        debugStream() << "VPL: Percent hits: " << step.percentHits << "\n";
        // The struck unit goes by its number: the record may wait in the beast's queue, and a saved game
        // holds it so.
        queryObject(elephant, LogicalCommandInfo(0, new Container<RampageStruct>(step), 0, named(msg::RampageEvent),
                                                 BusMessage(), new Container<short>(0)));
    }
}

void VaelPhysicalLayer::playCombat(const LogicalCommandInfo& combat) {
    CombatInfo info;
    Container<CombatInfo>::fromMessage(combat.payload.get(), info);
    Item<MethodOfDeathStruct>* death = nullptr;
    for (info.deaths.firstItem(death); death; death = death->next) {
        if (death->value.unitNumber < 0) continue;
        queryObject(objectId(static_cast<std::uint16_t>(death->value.unitNumber)),
                    LogicalCommandInfo(static_cast<std::uint16_t>(death->value.unitNumber),
                                       new Container<CombatInfo>(info), 0, named(msg::CohesionHit)));
    }
    auto idsOf = [this](const List<short>& units) {
        List<short> ids;
        Item<short>* it = nullptr;
        for (units.firstItem(it); it; it = it->next) {
            const short id = it->value < 0 ? -1 : objectId(static_cast<std::uint16_t>(it->value));
            if (id >= 0) ids.append(id);
        }
        return ids;
    };
    List<short> first = idsOf(info.attackers), second = idsOf(info.defenders);
    auto hexesOf = [this](const List<short>& ids) {
        List<short> hexes;
        Item<short>* it = nullptr;
        for (ids.firstItem(it); it; it = it->next) {
            auto answers = queryToNamedEmpty(static_cast<std::uint16_t>(it->value), msg::GetRegions);
            Item<VectorBusResponse>* a = nullptr;
            for (answers.firstItem(a); a; a = a->next) {
                List<short> regions;
                if (Container<List<short>>::fromMessage(a->value.result, regions)) {
                    Item<short>* r = nullptr;
                    for (regions.firstItem(r); r; r = r->next)
                        hexes.append(r->value);
                }
            }
            dropAnswers(answers);
        }
        return hexes;
    };
    const List<short> firstHexes = hexesOf(first), secondHexes = hexesOf(second);
    const char* command =
        combatAnimationOff_ || viewports().isEmpty() ? msg::CombatDontAnimate : msg::CombatAnimate;
    if (viewShown()) {
        short carrier = -1;
        if (first.removeFirst(carrier))
            sendCommand(carrier, command, new Container<List<short>>(secondHexes), 0, combat.replyEvent,
                        combat.extra ? combat.extra->clone() : new Container<short>(0));
    }
    Item<short>* it = nullptr;
    for (first.firstItem(it); it; it = it->next)
        sendCommand(it->value, command, new Container<List<short>>(secondHexes), 0);
    for (second.firstItem(it); it; it = it->next)
        sendCommand(it->value, command, new Container<List<short>>(firstHexes), 1);
}

void VaelPhysicalLayer::raiseFlags(const List<unsigned short>& gray, const List<unsigned short>& flags,
                                   std::uint32_t nation) {
    unsigned short id = 0;
    while (flaggedObjects_.removeFirst(id))
        sendCommand(static_cast<short>(id), msg::LowerFlags,
                    new Container<NATION>(static_cast<NATION>(nation)));
    Item<unsigned short>* it = nullptr;
    for (flags.firstItem(it); it; it = it->next) {
        const short object = objectId(it->value);
        if (object < 0) continue;
        flaggedObjects_.append(static_cast<unsigned short>(object));
        sendCommand(object, gray.contains(it->value) ? msg::RaiseGrayFlags : msg::RaiseFlags,
                    new Container<NATION>(static_cast<NATION>(nation)), 0, BusMessage(),
                    new Container<short>(0));
    }
}

void VaelPhysicalLayer::endOfTurn() {
    Container<LogicalCommandInfo> box(LogicalCommandInfo(0, nullptr, 0, named(msg::EndOfTurn)));
    List<short> ids;
    Item<PhysicalObject*>* it = nullptr;
    for (objects_.firstItem(it); it; it = it->next)
        ids.append(it->value->getId());
    auto answers = queryToList(ids, LOGICAL_COMMAND, &box);
    dropAnswers(answers);
}

void VaelPhysicalLayer::selectUnit(std::uint16_t unit) {
    unitSelected_ = 1;
    const short id = objectId(unit);
    if (id < 0) return;
    Container<short> zero(0);
    auto answers = queryToNamed(static_cast<std::uint16_t>(id), msg::Selected, &zero);
    dropAnswers(answers);
}

List<short> VaelPhysicalLayer::unitRegions(std::uint16_t unit) {
    List<short> regions;
    const short id = objectId(unit);
    if (id < 0) return regions;
    auto answers = queryToNamedEmpty(static_cast<std::uint16_t>(id), msg::GetRegions);
    Item<VectorBusResponse>* a = nullptr;
    for (answers.firstItem(a); a; a = a->next)
        if (Container<List<short>>::fromMessage(a->value.result, regions)) break;
    dropAnswers(answers);
    return regions;
}

void VaelPhysicalLayer::showHexGrid(bool on) {
    if ((hexGridShown_ != 0) == on) return;
    hexGridShown_ = on ? 1 : 0;
    Container<BusMessage> enable(named(on ? msg::ToggleHexGridOff : msg::ToggleHexGridOn));
    Container<BusMessage> disable(named(on ? msg::ToggleHexGridOn : msg::ToggleHexGridOff));
    send(ENABLE_MENU_ITEM, &enable);
    send(DISABLE_MENU_ITEM, &disable);
    for (auto& land : landscapes_)
        land->showHexGrid(on ? 1 : 0);
}

short VaelPhysicalLayer::regionAtPoint(const PointInfo& where) {
    const int zoom = where.zoom > 2 ? 2 : where.zoom;
    // What shows at the point is what the map drew there last: the sprites filed in the grid cell the point
    // lies in, drawn in the cell's order, front last. The frontmost of them hit at the point is the figure
    // clicked, though its feet stand in the hex below the one whose ground lies behind its body.
    const int column =
        floorDiv(where.point.x, VaelLandscapeTile::cellSizeOf(static_cast<std::uint16_t>(zoom)).w);
    const int row = floorDiv(where.point.y, VaelLandscapeTile::GridCellHeight / (zoom == 1   ? 2
                                                                                 : zoom == 2 ? 4
                                                                                             : 1)) +
                    1;
    if (column >= 0 && row >= 0 && column < gridSize_.w && row < gridSize_.h) {
        const List<Sprite*>* list = cell(static_cast<std::int16_t>(column), static_cast<std::int16_t>(row));
        Item<Sprite*>* it = nullptr;
        for (list->lastItem(it); it; it = it->prev) {
            auto* game = dynamic_cast<VaelSprite*>(it->value);
            const bool hit = game ? game->hitTestAt(where.point, zoom) && game->getState() == 0
                                  : it->value->hitTest(where.point) != 0;
            if (hit) return static_cast<short>(it->value->region());
        }
    }
    // The landscape answers the index of its block there; the rules know the hexes by their numbers.
    PointedVaelLandscape* land = landscapes_[static_cast<std::size_t>(zoom)].get();
    const std::int16_t block = land ? land->blockAtPoint(where.point) : -1;
    return block < 0 ? -1 : static_cast<short>(land->blockToHex(block));
}

void VaelPhysicalLayer::selectPoint(const PointInfo& where) {
    const short region = regionAtPoint(where);
    if (region == -1) {
        if (Application* app = Application::instance()) app->beep();
        return;
    }
    Container<short> box(region);
    send(REGION_SELECTED, &box);
}

void VaelPhysicalLayer::flyOver(const PointInfo& where) {
    const short region = regionAtPoint(where);
    if (region == -1) return flyOff();
    if (region == lastFlybyId_) return;
    lastFlybyId_ = region;
    Container<short> box(region);
    send(REGION_FLYBY, &box);
}

void VaelPhysicalLayer::flyOff() {
    if (lastFlybyId_ == -1) return;
    lastFlybyId_ = -1;
    if (Application* app = Application::instance()) {
        app->setStatusText("", 1);
        app->setStatusText(app->statusNotice(2), 2);
    }
}

void VaelPhysicalLayer::centreOn(std::int16_t hex, bool forCombat) {
    // A hex the map does not hold has no centre: the view is left where it is rather than sent to the
    // landscape's corner.
    if (!landscapes_[0]->hexHasBlock(hex)) return;
    Container<CentrePoints> points(CentrePoints{landscapes_[0]->blockCenter(hex),
                                                landscapes_[1]->blockCenter(hex),
                                                landscapes_[2]->blockCenter(hex)});
    dropAnswer(queryNamed(forCombat ? msg::ZoomInForCombat : msg::CenterOnPoint, &points));
}

void VaelPhysicalLayer::movement(short componentId) {
    if (movingObjects_.isEmpty()) dropAnswer(queryNamedEmpty(msg::Movement));
    if (!movingObjects_.contains(componentId)) movingObjects_.append(componentId);
}

void VaelPhysicalLayer::noMovement(short componentId) {
    if (!movingObjects_.contains(componentId)) return;
    movingObjects_.removeAll(componentId);
    if (movingObjects_.isEmpty()) dropAnswer(queryNamedEmpty(msg::NoMovement));
}

// Sprites and the tick.

std::int16_t VaelPhysicalLayer::insertSprite(Sprite* sprite) {
    if (!sprite) return 0;
    if (auto* game = dynamic_cast<VaelSprite*>(sprite); game && (layerId_ & 4)) game->moveToView1();
    sprite->setChanged(0);
    if (gridSize_.w <= 0 || gridSize_.h <= 0) return 0;
    const Box b = sprite->bounds();
    int firstColumn = floorDiv(b.x, CellWidth), firstRow = floorDiv(b.y, CellHeight) + 1;
    int lastColumn = (b.x + b.w) / CellWidth, lastRow = (b.y + b.h) / CellHeight + 1;
    firstColumn = std::max(firstColumn, 0);
    firstRow = std::max(firstRow, 0);
    lastColumn = std::min(lastColumn, gridSize_.w - 1);
    lastRow = std::min(lastRow, gridSize_.h - 1);
    if (firstRow <= lastRow && firstColumn <= lastColumn)
        filings_[sprite].push_back(
            CellSpan{static_cast<std::int16_t>(firstColumn), static_cast<std::int16_t>(firstRow),
                     static_cast<std::int16_t>(lastColumn), static_cast<std::int16_t>(lastRow)});
    for (int row = firstRow; row <= lastRow; ++row)
        for (int column = lastColumn; column >= firstColumn; --column) {
            List<Sprite*>& list = *cell(static_cast<std::int16_t>(column), static_cast<std::int16_t>(row));
            Item<Sprite*>* item = nullptr;
            if (!list.firstItem(item) || item->value->compare(*sprite)) {
                list.prepend(sprite);
                continue;
            }
            bool placed = false;
            ListIterator<Sprite*> walk(list);
            while (walk.nextItem(item))
                if (item->next && item->next->value->compare(*sprite)) {
                    walk.insert(sprite);
                    placed = true;
                    break;
                }
            if (!placed) list.append(sprite);
        }
    return 0;
}

std::int16_t VaelPhysicalLayer::removeSprite(Sprite* sprite) {
    filings_.erase(sprite);
    return PhysicalLayer::removeSprite(sprite);
}

std::int16_t VaelPhysicalLayer::addClient(short componentId) {
    if (clients_.isEmpty()) {
        debugStream() << layerId_
                      << (viewports().isEmpty() ? " Registering hidden in POA\n"
                                                : " Registering visible in POA\n");
        startTimer(viewports().isEmpty() ? HiddenRate : VisibleRate);
    }
    if (!clients_.contains(componentId)) clients_.append(componentId);
    return 0;
}

std::int16_t VaelPhysicalLayer::removeClient(short componentId) {
    clients_.remove(componentId);
    if (clients_.isEmpty()) stopTick();
    return 0;
}

void VaelPhysicalLayer::startTimer(std::uint16_t rate) {
    if (timerRate_ == rate) return;
    if (timerRate_) killTimer(onTick);
    addTimer(onTick, rate);
    timerRate_ = rate;
}

void VaelPhysicalLayer::stopTick() {
    if (!timerRate_) return;
    killTimer(onTick);
    timerRate_ = 0;
}

ContainerBase* VaelPhysicalLayer::onTick(Component* target, BusMessage, ContainerBase* data) {
    long tick = 0;
    Container<long>::fromMessage(data, tick);
    layerOf(target).updateDisplay(tick);
    return nullptr;
}

std::int16_t VaelPhysicalLayer::updateDisplay(long tick) {
    return stepObjects(clients_, tick + clockShift_);
}

std::int16_t VaelPhysicalLayer::stepObjects(const List<short>& objects, long moment) {
    // Only the view that answers the rules plays in step with them: a view nobody watches steps on a timer
    // of its own, and at a save all at once, and draws its figures' chances from dice of its own.
    std::optional<Roll::Aside> aside;
    if (!viewShown()) aside.emplace();
    const List<short> asked = objects;
    Container<long> now(moment);
    List<Box> dirty[3];
    // Each object is asked on its own, the layer knowing which it has come to: the logical side runs its
    // queue within the questions, and a game it saves there carries the objects still to be stepped.
    struct Step {
        StepUnderWay& stepping;
        StepUnderWay before;
        ~Step() { stepping = before; }
    } step{stepping_, stepping_};
    stepping_ = StepUnderWay{&asked, nullptr, moment};
    Item<short>* it = nullptr;
    for (asked.firstItem(it); it; it = it->next) {
        stepping_.at = it;
        List<short> one;
        one.append(it->value);
        List<VectorBusResponse> answers = queryToList(one, UPDATE_PHYSICAL_OBJECT, &now);
        VectorBusResponse answer;
        while (answers.removeFirst(answer)) {
            if (auto* boxes = dynamic_cast<ZoomBoxes*>(answer.result))
                for (int i = 0; i < 3; ++i) {
                    Item<Box>* b = nullptr;
                    for (boxes->level(i).firstItem(b); b; b = b->next)
                        dirty[i].append(b->value);
                }
            dropAnswer(answer.result);
        }
    }
    stepping_ = step.before;

    // Each changed sprite leaves every cell it was in and is filed again once, in the order a walk of the
    // grid row by row would meet them: by the first cell it stands in, and within that cell by its place
    // in the cell's list (sprites that draw alike keep their order of filing). The sprites' journal names
    // the changed ones and the spans of their filings the cells, so only they are touched: this runs on
    // every tick. A sprite's filings are looked up once, as it leaves the journal, and its entry is kept
    // for the new filing rather than dropped and made again.
    std::vector<Refiling>& order = refiled_;
    order.clear();
    Sprite::takeChanged([&](Sprite* sprite) {
        const auto filed = filings_.find(sprite);
        if (filed == filings_.end()) return false;
        int first = gridSize_.w * gridSize_.h;
        for (const CellSpan& span : filed->second)
            first = std::min(first, span.firstRow * gridSize_.w + span.firstColumn);
        order.push_back(Refiling{first, sprite, &filed->second});
        return true;
    });
    if (!order.empty()) {
        std::sort(order.begin(), order.end(), [this](const Refiling& a, const Refiling& b) {
            if (a.firstCell != b.firstCell) return a.firstCell < b.firstCell;
            if (a.sprite == b.sprite) return false;
            const List<Sprite*>& list = cellGrid_[static_cast<std::size_t>(a.firstCell)];
            Item<Sprite*>* it = nullptr;
            for (list.firstItem(it); it; it = it->next) {
                if (it->value == a.sprite) return true;
                if (it->value == b.sprite) return false;
            }
            return a.sprite < b.sprite;
        });
        // A sprite stands in a cell once for each of its filings that covers the cell, so each span takes
        // the first entry it meets and the walk stops there instead of running to the end of a long cell.
        for (const Refiling& r : order) {
            for (const CellSpan& span : *r.spans)
                for (int row = span.firstRow; row <= span.lastRow; ++row)
                    for (int column = span.firstColumn; column <= span.lastColumn; ++column)
                        cellGrid_[static_cast<std::size_t>(row) * gridSize_.w + column].removeWhere(
                            [sprite = r.sprite](Sprite* s) { return s == sprite; }, 1);
            r.spans->clear();
        }
        for (const Refiling& r : order)
            insertSprite(r.sprite);
        // One filed nowhere now (off the grid, or hidden) has no entry, as one never filed.
        for (const Refiling& r : order)
            if (r.spans->empty()) filings_.erase(r.sprite);
    }

    for (int i = 0; i < 3; ++i)
        landscapes_[static_cast<std::size_t>(i)]->invalidateTiles(dirty[i]);
    return 0;
}

// Closing.

void VaelPhysicalLayer::freeGrid() {
    filings_.clear();
    cellGrid_.clear();
    gridSize_ = Dim();
}

void VaelPhysicalLayer::settle() {
    if (viewShown() || !Application::instance()) return;
    const auto now = static_cast<long>(Application::instance()->tickCount());
    // Each step plays no more than one event of each sprite and begins no more than one command of
    // each object; a flag that waves keeps its object stepping for ever, hence the bound.
    for (int step = 0; step < SettleSteps && !clients_.isEmpty(); ++step)
        updateDisplay(now);
}

bool VaelPhysicalLayer::busy() const {
    Item<PhysicalObject*>* it = nullptr;
    for (objects_.firstItem(it); it; it = it->next) {
        const auto* object = dynamic_cast<const VaelDisplayObject*>(it->value);
        if (object && !adopted_.contains(it->value) &&
            (!object->commands().isEmpty() || object->hasLooseSprites()))
            return true;
    }
    return false;
}

bool VaelPhysicalLayer::walkEndWaits(const LogicalCommandInfo& command, const PhysicalObject* object) const {
    // A walk's end and a volley's landing: what the computer's orders wait for, each setting off more.
    static const auto walkEnd = static_cast<std::int32_t>(RegisteredMessage::getId(msg::MovementDone));
    static const auto landed = static_cast<std::int32_t>(RegisteredMessage::getId(msg::ReturnFromMissileFire));
    const auto ordered = [](const LogicalCommandInfo& c) {
        return c.order != 0 && (c.replyEvent.id() == walkEnd || c.replyEvent.id() == landed);
    };
    if (!ordered(command) || !walkEndsInOrder_ || !walkEndsInOrder_()) return false;
    Item<PhysicalObject*>* it = nullptr;
    for (objects_.firstItem(it); it; it = it->next) {
        // An adopted object plays nothing of its own: a walk it holds never ends.
        if (it->value == object || adopted_.contains(it->value)) continue;
        Item<LogicalCommandInfo>* queued = nullptr;
        for (it->value->commands().firstItem(queued); queued; queued = queued->next)
            if (ordered(queued->value) && queued->value.order < command.order) return true;
    }
    return false;
}

bool VaelPhysicalLayer::owesAReply() const {
    Item<PhysicalObject*>* it = nullptr;
    for (objects_.firstItem(it); it; it = it->next) {
        Item<LogicalCommandInfo>* command = nullptr;
        for (it->value->commands().firstItem(command); command; command = command->next)
            if (command->value.replyEvent.id() != 0) return true;
    }
    return false;
}

void VaelPhysicalLayer::redrawWhole() {
    if (unitBitmap_ && mapRows_ > 0) {
        const std::size_t cells = std::min(
            hexColours_.size(), static_cast<std::size_t>(mapRows_) *
                                    static_cast<std::size_t>(std::max<std::int16_t>(mapColumns_, 0)));
        for (std::size_t i = 0; i < cells; ++i) {
            const std::uint32_t colour = hasColours_ ? hexColours_[i] : NoColour;
            drawMarker(static_cast<std::int32_t>(i % static_cast<std::size_t>(mapRows_)),
                       static_cast<std::int32_t>(i / static_cast<std::size_t>(mapRows_)),
                       colour == NoColour ? 0 : colour);
        }
    }
    for (auto& land : landscapes_) {
        if (!land) continue;
        // The terrain under the tiles first (the scars read with the game are in it), then the sprites,
        // each tile's list of those it shows made anew.
        land->invalidateArea(Box(0, 0, land->size().w, land->size().h));
        for (LandscapeTile* tile : each(land->tiles())) {
            tile->rebuildVisibleSprites();
            tile->invalidateView();
        }
    }
}

std::int16_t VaelPhysicalLayer::deleteAllObjects() {
    clearViewFlags();
    unitBitmap_.reset();
    gridRows_.clear();
    hexGridShown_ = 0;
    flaggedObjects_.clear();
    hexColours_.clear();
    hasColours_ = false;
    freeGrid();
    deleteObjectsAndViewports();
    orderedSprites_.clear();
    disabledSprites_.clear();
    movingObjects_.clear();
    clients_.clear();
    rampageSteps_.clear();
    rampageActive_ = 0;
    clockShift_ = 0;
    made_.clear();
    adopted_.clear();
    stopTick();
    return 0;
}

VaelPhysicalLayers::VaelPhysicalLayers(Bus& bus)
    : normal_(std::make_unique<VaelPhysicalLayer>(0)), reversed_(std::make_unique<VaelPhysicalLayer>(4)) {
    VaelSprite::setPhysicalLayer(normal_.get(), 0);
    VaelSprite::setPhysicalLayer(reversed_.get(), 1);
    normal_->attach(bus);
    reversed_->attach(bus);
    normal_->partner_ = reversed_.get();
    reversed_->partner_ = normal_.get();
}

bool VaelPhysicalLayers::shownViewBusy() const {
    for (const VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()})
        if (layer->viewShown() && layer->busy()) return true;
    return false;
}

bool VaelPhysicalLayers::shownViewOwesAReply() const {
    for (const VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()})
        if (layer->viewShown() && layer->owesAReply()) return true;
    return false;
}

void VaelPhysicalLayers::forEachReplyOwed(const std::function<void(const LogicalCommandInfo&)>& visit) const {
    for (const VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()}) {
        if (!layer->viewShown()) continue;
        Item<PhysicalObject*>* it = nullptr;
        for (layer->objects_.firstItem(it); it; it = it->next) {
            Item<LogicalCommandInfo>* command = nullptr;
            for (it->value->commands().firstItem(command); command; command = command->next)
                if (command->value.replyEvent.id() != 0) visit(command->value);
        }
    }
}

VaelPhysicalLayers::~VaelPhysicalLayers() {
    for (VaelPhysicalLayer* layer : {reversed_.get(), normal_.get()}) {
        layer->deleteAllObjects();
        if (layer->getBus()) layer->detach();
    }
    VaelSprite::setPhysicalLayer(nullptr, 1);
    VaelSprite::setPhysicalLayer(nullptr, 0);
}

} // namespace vael
