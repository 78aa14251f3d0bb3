#pragma once
// The display object of one unit on the battle map: a small formation of figures (sprites at the three
// zoom levels) with the unit's activation flag. It queues the logical side's commands and plays them one at
// a time on the physical layer's ticks; the command at the head of the queue is over when every figure it
// set going has run out of events, and then its return notification goes to the logical side. The unit's
// three image libraries are lent to its figures. The physical layer holds it as the VaelDisplayObject the
// map declares.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/command_records.h"
#include "framework/core/direction.h"
#include "framework/core/dyn_array.h"
#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/core/type_name.h"
#include "framework/display/oif.h"
#include "game/figures/display_kind.h"
#include "game/figures/facing_offsets.h"
#include "game/figures/flag.h"
#include "game/figures/walking_animation_data.h"
#include "game/map/frame_info.h"
#include "game/map/vael_artwork_owner.h"
#include "game/map/vael_display_object.h"
#include "game/map/vael_figure_layer.h"
#include "game/map/vael_sprite.h"
#include "game/map/zoom_boxes.h"

namespace vael {

namespace test {
struct FigureStatePeer;
}

class VaelPhysicalObject : public VaelDisplayObject, public VaelArtworkOwner {
public:
    // Offsets and depths of one formation slot, by facing 1 to 8 (entry 0 unused).
    using SlotOffsets = std::array<Point3D, 9>;
    using SlotDepths = std::array<std::int16_t, 9>;

    static constexpr const char* TracePrefix = "VPO: ";
    static constexpr const char* DirectionGroups[9] = {"", "N", "NE", "E", "SE", "S", "SW", "W", "NW"};

    VaelPhysicalObject(const std::string& normalName, const std::string& halfName,
                       const std::string& quarterName, std::int16_t region, std::int32_t facing);
    ~VaelPhysicalObject() override;

    // Registers the handlers, builds the figures when there are none and puts up the activation flag.
    void connectHandlers() override;
    // Starts the head command's animations; a command it does not know finishes on the tick that offered
    // it.
    void handleEvent(LogicalCommandInfo& command) override;
    void commandFinished(LogicalCommandInfo& command) override;
    Sprite* sprite(std::int16_t index) override;
    VaelSprite* figure(std::int16_t index);
    // One step of every animation: the three levels' dirty boxes in a new box list (the caller deletes
    // it). The framework's single box is the full-size union of the same step.
    virtual ZoomBoxes* updateLevels(std::int32_t now);
    Container<Box>* update(std::int32_t now) override;
    // A view off screen ticks once a second, while a stand-off's turns, a second or so each, bring every
    // object some four flag and end-of-turn commands: past this many queued, a backlog of nothing but such
    // commands and the units' states, none awaited, is played through on one tick, or it would grow with
    // every turn.
    static constexpr int QuietBacklog = 16;
    // Steps a command of that backlog may take to play out on that tick.
    static constexpr int CatchUpSteps = 16;
    // A command that asks for no reply: a flag or end-of-turn command, or the unit's state shown (which
    // the objects ignore).
    static bool isQuiet(const LogicalCommandInfo& command);
    virtual void releaseArtwork();
    void preload() override;
    virtual void setupAnimations();
    virtual std::int16_t turnRate();
    virtual VaelSprite* setupSpear(std::int16_t slot);
    virtual VaelSprite* setupShield(std::int16_t slot);
    virtual VaelSprite* setupHelmet(std::int16_t slot, std::int32_t direction);
    virtual void changeFacing(LogicalCommandInfo& command, std::int16_t animate);
    // The object's record in a saved game. A record that does not fit is refused with a trace line and
    // the stream's fail bit, and the object keeps its state.
    void save(std::ostream& stream) override;
    void load(std::istream& stream) override;
    bool loadRecord(std::istream& stream);
    // The counts and marks of a record, checked with its hex, facings and places before any is taken.
    struct SavedCounts {
        std::int16_t fallen, percent, eliminated, rout, stale, hasFlag;
    };
    // Why a record's values fit no state a battle leaves the object in; null when they all fit.
    const char* unfitValue(std::int16_t hex, std::int32_t facing, std::int32_t turn,
                           const std::vector<std::int16_t>& present, const std::vector<std::int16_t>& loose,
                           const std::vector<std::int16_t>& slots, const std::vector<std::int16_t>& fallen,
                           const SavedCounts& counts) const;
    // The deepest drawing depth a figure is given: its places' depths, 1 for a lone figure (0 for one that
    // falls, none for most).
    std::int16_t deepestLayer() const;
    // Whether a figure or its flag drawn at that depth would be drawn deeper than its formation goes.
    bool pastDeepestLayer(std::uint16_t layer) const;
    virtual ContainerBase* getRegions();
    virtual std::int16_t startCombat() { return 0; }
    // The shock combat of one standing figure: its steps, bouts and (when it is a casualty) its fall; the
    // two arrays hold the step-up bookkeeping shared by the figures of one combat.
    virtual void animateCombatFigure(std::int16_t figure, std::int16_t hex, bool casualty,
                                     std::vector<std::int16_t>& stepTime, std::vector<std::int16_t>& stepFrom,
                                     std::int16_t fallenIndex, const List<FrameInfo>& standing,
                                     std::int32_t direction, std::int16_t newCasualties,
                                     std::int16_t advanceFirst);
    void saveAPath() override;
    void rampageCasualty(std::int16_t hits) override;
    void rampageMove(std::int16_t count) override;
    bool hasLooseSprites() const override { return !looseSprites_.isEmpty(); }
    // A raised flag waves on for as long as it stays up.
    bool playsOn() const override { return flagRaised_ || VaelDisplayObject::playsOn(); }
    void saveUnderWay(std::ostream& out) override;
    bool loadUnderWay(std::istream& in, std::uint16_t version = UnderWayVersion) override;
    bool underWayCarried() const override;
    Stepping stepping() const override { return stepping_; }
    void finishLoadedHead() override;
    // The sprites the commands play besides the figures and the flag (a missile unit's missiles), in an
    // order that stays.
    virtual std::vector<VaelSprite*> otherSprites() { return {}; }
    // The records of the boxes the display commands carry that the network's do not name already (a
    // sprite's event, a nation, a rampage's blow), so that the commands under way go into a saved game.
    static void registerUnderWayTypes();
    // With a fifth of the chances a mounted figure or an elephant rears in direction group d (0 to 7).
    void maybeRear(VaelSprite& sprite, std::int16_t d);
    // Which of the living figures fall, count of them: one flag per figure. contact (one direction per
    // figure, 0 out of contact) makes figures in contact the likelier choice; null chooses among all alike.
    // Seeded with the hex, so every machine picks the same figures.
    std::vector<bool> chooseFallen(std::int16_t count, const std::int32_t* contact);
    // Whole passes a walk for one casualty may take before the first figure that may fall is taken.
    static constexpr int FallenWalkPassLimit = 10000;
    // The relative side (1 the front, clockwise to 8) of each enemy hex adjacent to the unit, as flags.
    void engagedSides(const List<short>& enemies, std::int16_t out[9]) const;
    virtual std::int16_t dropFlag();
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
    void setReversedView(std::int16_t v) override { reversedView_ = v; }
    void setLayer(VaelFigureLayer* layer) override { layer_ = layer; }
    void setNation(std::int32_t nation) override { nation_ = nation; }

    OIF<Bitmap>* normalSizeArtwork() override { return &images_; }
    OIF<Bitmap>* halfSizeArtwork() override { return &halfSizeArt_; }
    OIF<Bitmap>* quarterSizeArtwork() override { return &quarterSizeArt_; }

    // The shared images of every display object.
    static void loadSharedArtwork();
    static void freeSharedArtwork();
    static WalkingAnimationData* walkingData() { return walkingData_; }
    // Where the game's own unit images live (the application's directory of data kind 4): only images
    // from there are worth preloading.
    static void setPreloadDirectory(const std::string& directory) { preloadDirectory_ = directory; }
    static OIF<Bitmap>* debrisArtwork(int level) { return debris_[level].get(); }

    // The walking group of a unit kind, or null for a kind that has none.
    static const char* walkingGroup(std::int32_t unitKind);
    // The walking record of a formation slot for the object's facing, from its kind's group; null when the
    // data has no such group or slot (the figure then does not walk).
    DirectionOffsets* walkingRecord(std::int16_t slot);

    // The frame of one casualty figure chosen by the cause of the latest losses, or none (index -1).
    static FrameInfo playCasualty(VaelPhysicalObject& object, const std::string& suffix);

    // Each figure's flight direction among those allowed (9 entries by direction), by its rank table;
    // 0 where none is allowed or the table has no row for the figure.
    void chooseFigureDirections(const std::int16_t allowed[9], std::int32_t* out);
    void walkOff(std::int16_t figure, const List<FrameInfo>& frames);
    void walkSpriteOff(VaelSprite& sprite, const List<FrameInfo>& frames);
    // Keeps a piece of gear a routing figure dropped and queues it hidden for `pauses` ticks, then shown
    // where it fell, so it appears once the figure has let go of it.
    void queueDroppedGear(VaelSprite& gear, int pauses);
    // Moves every standing figure to its home place in hex `to` facing the object's way; `track` puts
    // them among the sprites this step animates.
    void placeFiguresHome(short to, bool track);
    // Queues on the sprite the walk of one formation member along a hex path (the start hex first); answers
    // the hex its last step enters, -1 when it takes none (a path of one hex).
    std::int16_t walkHexPath(std::int16_t member, VaelSprite& sprite, const List<short>& path,
                             VaelFigureLandscape& landscape, const DirectionOffsets& record,
                             std::int16_t routWalk, std::int16_t firstRout);

    // Formations, appended after the figures there are.
    void buildEightFigureFormation();
    void buildSixFigureFormation();
    void buildSingleFigureFormation();
    void setRearRankOfSix();
    void setRearRankOfEight();

    Point3D hexToPixel(std::int16_t hex) const;
    std::int16_t landscapeQuery(std::int16_t hex, std::int32_t direction) const;
    std::int32_t facingToward(std::int16_t fromHex, std::int16_t toHex) const;
    bool isWatched() const;

    // What the object's display kind means to its figures.
    const DisplayKindTraits& traits() const { return traitsOf(kind()); }
    bool isEntryClear(std::int16_t i) const;

    std::int16_t region() const { return static_cast<std::int16_t>(logicalId_); }
    std::int32_t facing() const { return facing_; }
    std::int32_t turnFacing() const { return turnFacing_; }
    // The display kind's code, as the catalogue and the saved games give it.
    std::int32_t unitKind() const { return unitKind_; }
    DisplayKind kind() const { return static_cast<DisplayKind>(unitKind_); }
    std::int16_t reversedView() const { return reversedView_; }
    std::int32_t nation() const { return nation_; }
    Flag* flag() const { return flag_.get(); }
    const Point3D& flagLocation() const { return flagLocation_; }
    std::int16_t combatGroup() const { return combatGroup_; }
    std::int16_t survivors() const { return survivors_; }
    std::int16_t flagRaised() const { return flagRaised_; }
    std::int16_t flagStale() const { return flagStale_; }
    std::int16_t fallenState(std::int16_t i) const;
    std::int16_t rearFigure(std::int16_t i) const;
    std::int16_t figureSlot(std::int16_t i) { return figureSlot_[i]; }
    const SlotOffsets& slotOffsets(std::int16_t slot) const {
        return slotOffsets_[static_cast<std::size_t>(slot)];
    }
    bool hasDepths() const { return !slotDepths_.empty(); }
    const SlotDepths& slotDepths(std::int16_t slot) const {
        return slotDepths_[static_cast<std::size_t>(slot)];
    }
    const List<Sprite*>& looseSprites() const { return looseSprites_; }
    const List<DIRECTION>& savedFacings() const { return savedFacings_; }
    const List<List<short>>& savedPaths() const { return savedPaths_; }
    VaelFigureLayer* layer() const { return layer_; }

    // What the logical side's commands (or a saved game) left the object showing.
    std::int16_t casualtyPercent() const { return casualtyPercent_; }
    std::int32_t casualtyCause() const { return casualtyCause_; }
    std::int16_t fallenCount() const { return fallenCount_; }
    std::int16_t eliminated() const { return eliminated_; }
    std::int16_t inTerminalRout() const { return terminalRout_; }
    std::int16_t savedPathCount() const { return savedPathCount_; }
    std::int16_t animationGroup() const { return animationGroup_; }
    std::int16_t leaderGroup() const { return leaderGroup_; }
    std::int16_t leaderFlag() const { return leaderFlag_; }

protected:
    void setKind(DisplayKind kind) { unitKind_ = static_cast<std::int32_t>(kind); }
    void setCasualtyPercent(std::int16_t percent) { casualtyPercent_ = percent; }
    void setCasualtyCause(std::int32_t cause) { casualtyCause_ = cause; }
    void setFallenCount(std::int16_t count) { fallenCount_ = count; }
    void setAnimationGroup(std::int16_t group) { animationGroup_ = group; }
    void setLeaderGroup(std::int16_t group) { leaderGroup_ = group; }
    void markEliminated() { eliminated_ = 1; }
    void markTerminalRout() { terminalRout_ = 1; }
    // While a rampage is being prepared the unit's moves and turns are kept instead of shown: true when
    // this one was kept.
    bool keepPath(const List<short>& path);
    bool keepFacing(DIRECTION facing);
    // The first of the kept moves, taken off the list; false when none is kept.
    bool takeKeptPath(List<short>& path) { return savedPaths_.removeFirst(path); }
    // The unit's flag is up; a leader waves his own figure in its place when he has one.
    void markFlagRaised(bool leaderWaves) {
        flagRaised_ = 1;
        leaderFlag_ = leaderWaves ? 1 : 0;
    }
    // The flag is down; true when a leader was waving his figure and so has to be stood at rest.
    bool markFlagLowered() {
        flagRaised_ = 0;
        const bool waved = leaderFlag_ != 0;
        leaderFlag_ = 0;
        return waved;
    }
    // The rampage hooks of the elephant; other units trample and rear nobody.
    virtual void rear(VaelSprite&, std::int16_t) {}
    virtual void trample(VaelSprite&, std::int16_t) {}
    // A figure of the formation at slot n: its sprite, announced to the layer.
    VaelSprite* addFigure(std::int16_t depth);
    void finishFormation();
    // An overlay sprite of a group's random image at the slot's place plus an offset.
    VaelSprite* overlay(std::int16_t slot, const Point3D& offset, OIF<Bitmap>& library, std::int16_t group,
                        bool own);
    void announce(Sprite* sprite);
    // Steps every sprite of the list; those that have finished leave it.
    void stepAll(List<Sprite*>& list, std::int32_t now, Box dirty[3], bool any[3]);
    // The head command starts: its animations set going, and a watched view tells the layer of a unit's
    // movement.
    void startHead(bool watched);
    // The head command is over: hook, reply when watched, and off the queue.
    void finishHead(bool watched);
    // Plays a long backlog of quiet commands through on a view that is not on screen.
    void catchUp(std::int32_t now, Box dirty[3], bool any[3]);
    // Steps a sprite; its boxes join the dirty boxes. False when it has finished.
    bool stepInto(Sprite* sprite, std::int32_t now, Box dirty[3], bool any[3]);
    void queueWaypoint(VaelSprite& sprite, const Point3D& point, std::int32_t duration, std::int16_t hex,
                       const List<FrameInfo>& frames, std::int16_t depth, std::uint16_t kind,
                       std::uint16_t repeat, const Point3D& jitter, float factor);
    Point3D drawJitter() const;
    void setRegion(std::int16_t hex) { logicalId_ = static_cast<std::uint16_t>(hex); }
    bool living(std::int16_t i) { return sprite(i) && isEntryClear(i); }
    // The fall of one figure as losses show it: its death frame walked off, or hidden when it has none;
    // it then plays among the loose sprites.
    void showFall(std::int16_t k, VaelSprite& s, bool sound, int pauses);
    void moveFlagWithUnit(bool changeRegion);
    void destroyFlag();
    // A horse or chariot left by a fallen figure, handed to the layer; null when no layer took it in.
    VaelPhysicalObject* leaveDebris(const std::string& name, std::int16_t hex);
    void walkFigures(const List<short>& path);
    // The flag goes along the path at the pace of the first standing figure and stands at its place in
    // the last hex when the walk is over; with no figure to keep pace with, it is placed there at once.
    void walkFlagWithUnit(const List<short>& path);

    const OIF<Bitmap>& halfSizeImages() const { return halfSizeArt_; }
    const OIF<Bitmap>& quarterSizeImages() const { return quarterSizeArt_; }
    void setFacing(std::int32_t facing) { facing_ = facing; }
    void setTurnFacing(std::int32_t facing) { turnFacing_ = facing; }
    // How many figures stand to the end however heavy the losses.
    void setSurvivors(std::int16_t count) { survivors_ = count; }
    void setCombatGroup(std::int16_t group) { combatGroup_ = group; }
    // The unit has acted: its flag is put down at the next end of turn.
    void markFlagStale() { flagStale_ = 1; }
    void setFigureSlot(std::int16_t i, std::int16_t slot) { figureSlot_[i] = slot; }
    void setFallen(std::int16_t i, bool fallen) { fallen_[static_cast<std::size_t>(i)] = fallen ? 1 : 0; }
    // The figure that steps up behind each one, -1 where none does.
    void setRearFigures(std::vector<std::int16_t> rear) { rearFigure_ = std::move(rear); }
    // The places by facing of the figure about to be added (the next sprite index), and its depths.
    void placeNextFigure(const SlotOffsets& offsets) {
        slotOffsets_.resize(spriteCount_);
        slotOffsets_.push_back(offsets);
    }
    void placeNextFigure(const SlotOffsets& offsets, const SlotDepths& depths) {
        placeNextFigure(offsets);
        slotDepths_.resize(spriteCount_);
        slotDepths_.push_back(depths);
    }
    std::size_t slotCount() const { return slotOffsets_.size(); }
    std::size_t depthCount() const { return slotDepths_.size(); }
    void addLooseSprite(Sprite* sprite) { looseSprites_.append(sprite); }
    void removeLooseSprite(Sprite* sprite) { looseSprites_.remove(sprite); }

private:
    OIF<Bitmap> halfSizeArt_;
    OIF<Bitmap> quarterSizeArt_;
    std::int32_t facing_;
    List<Sprite*> looseSprites_;
    DynArray<short> figureSlot_{10};
    std::vector<SlotOffsets> slotOffsets_;
    std::vector<SlotDepths> slotDepths_;
    std::int32_t turnFacing_ = 0;
    Point3D flagLocation_;
    std::int16_t combatGroup_ = 0;
    std::int16_t survivors_ = 3;
    std::vector<std::int16_t> rearFigure_;
    std::int16_t flagStale_ = 0;
    List<List<short>> savedPaths_;
    List<DIRECTION> savedFacings_;
    std::int16_t savedAboutFaces_ = 0;
    VaelFigureLayer* layer_ = nullptr;
    std::vector<std::int16_t> fallen_;
    std::int16_t reversedView_ = 0;
    std::unique_ptr<Flag> flag_;
    // The weapons and armour that routing figures dropped: they lie where they fell until the object goes.
    std::vector<std::unique_ptr<VaelSprite>> droppedGear_;
    std::int32_t nation_ = 4;

    std::int32_t unitKind_ = 0;
    std::int16_t casualtyPercent_ = 0;
    std::int32_t casualtyCause_ = 0;
    std::int16_t eliminated_ = 0;
    std::int16_t terminalRout_ = 0;
    std::int16_t savedPathCount_ = 0;
    std::int16_t animationGroup_ = 0;
    std::int16_t leaderGroup_ = 0;
    std::int16_t fallenCount_ = 0;
    std::int16_t flagRaised_ = 0;
    Stepping stepping_ = Stepping::Waiting;
    // The head command is being finished (its reply told); the game was saved while it was.
    bool headFinishing_ = false;
    // The order of a head command played to its end that waits to tell it (0: none).
    std::uint32_t playedWaiting_ = 0;
    bool headFinishedAtSave_ = false;
    // Tells the layer the object has nothing more to play, when it has not.
    void tellIfStill(bool watched);
    // A leader's own figure stands in for the flag while it waves one.
    std::int16_t leaderFlag_ = 0;

    // The commands of the logical layer this object plays, one handler each; the variant tells apart the
    // two commands one handler serves (drop or lower a flag, raise it grey or in colour, a unit eliminated
    // or removed, a combat animated or not).
    struct EventHandler {
        const char* name;
        bool variant;
        void (VaelPhysicalObject::*handler)(LogicalCommandInfo& command, bool variant);
    };
    static const EventHandler eventHandlers[];
    void onChangeFacingNA(LogicalCommandInfo& command, bool);
    void onEndOfTurn(LogicalCommandInfo& command, bool);
    void onLowerFlags(LogicalCommandInfo& command, bool drop);
    void onRaiseFlags(LogicalCommandInfo& command, bool grey);
    void onTerminalRout(LogicalCommandInfo& command, bool);
    void onCohesionHit(LogicalCommandInfo& command, bool);
    void onRampageDie(LogicalCommandInfo& command, bool);
    void onRampageCohesionHit(LogicalCommandInfo& command, bool);
    void onUnitGone(LogicalCommandInfo& command, bool removed);
    void onRestoreCohesion(LogicalCommandInfo& command, bool);
    void onCombat(LogicalCommandInfo& command, bool animate);
    void onUnitTeleport(LogicalCommandInfo& command, bool);
    void onObjectMoved(LogicalCommandInfo& command);
    // How many figures show fallen at a casualty percentage, the survivors always standing.
    std::int16_t casualtyTarget(std::int32_t percent) const;

    static ContainerBase* onLogicalCommand(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onUpdate(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onGetRegions(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onStartCombat(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onDropFlag(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onSelected(Component* target, BusMessage event, ContainerBase* data);

    static WalkingAnimationData* walkingData_;
    static std::unique_ptr<OIF<Bitmap>> debris_[3];
    static inline std::string preloadDirectory_;

    // Tests put an object into the state a run of commands would have left it in.
    friend struct test::FigureStatePeer;
};

} // namespace vael
