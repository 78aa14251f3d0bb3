#pragma once
// The game's display layer of one view of the battlefield (0 normal, 4 reversed). It owns the view's three
// zoom landscapes, makes a display object for every unit from the registered prototypes, hands each logical
// command to its unit's object in screen terms (facings turned, walks replaced by teleports when nothing
// animates), plays combats, flags and elephant rampages, files the sprites into a grid of screen cells,
// runs the tick that hands the dirty boxes to the landscapes, and keeps its part of a saved game. It knows
// the display objects only as VaelDisplayObject (vael_display_object.h): the figures implement it, and the
// map never includes them.
#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/core/command_records.h"
#include "framework/core/landscape_definition.h"
#include "framework/core/list.h"
#include "framework/display/physical_layer.h"
#include "game/map/point_info.h"
#include "game/map/pointed_vael_landscape.h"
#include "game/map/rampage_event.h"
#include "game/map/vael_display_object.h"
#include "game/map/vael_figure_layer.h"
#include "game/map/vael_landscape_tile.h"
#include "game/map/vael_sprite_layer.h"
#include "game/rules/rout/rout_records.h"

namespace vael {

class Bitmap;
class Dialog;
class VaelMapWindow;

VAEL_TYPE_NAME(PointedVaelLandscape*, "PointedVaelLandscape *");

// "Center On Point" and "ZoomInForCombat": a hex's centre on the landscape of each zoom level.
using CentrePoints = std::array<Point3D, 3>;
VAEL_TYPE_NAME(CentrePoints, "CentrePoints");

// The layer's own part of a saved game, apart from its display objects' states.
struct PhysicalLayerState {
    std::uint16_t hexGridShown = 0;
    std::uint16_t unitSelected = 0;
    bool hasColours = false;
    std::vector<std::uint32_t> colours;
};

class VaelPhysicalLayer : public PhysicalLayer, public VaelSpriteLayer, public VaelFigureLayer {
public:
    static constexpr std::int16_t CellWidth = 65;
    static constexpr std::int16_t CellHeight = 160;
    static constexpr std::uint16_t VisibleRate = 10;
    static constexpr std::uint16_t HiddenRate = 1;
    static constexpr int SettleSteps = 400;
    static constexpr std::uint32_t NoColour = 0xFFFFFFFFu;
    // By nation 0 to 7; red in the low byte.
    static const std::uint32_t NationColours[8];

    explicit VaelPhysicalLayer(std::uint16_t layerId);
    ~VaelPhysicalLayer() override;

    void connectParent() override;

    std::int16_t createObject(const LogicalCommandInfo& record) override;
    std::int16_t deliverCommand(const LogicalCommandInfo& record) override;
    std::int16_t insertSprite(Sprite* sprite) override;
    std::int16_t removeSprite(Sprite* sprite) override;
    std::int16_t addClient(short componentId) override;
    std::int16_t removeClient(short componentId) override;
    std::int16_t updateDisplay(long tick) override;
    std::int16_t deleteViewport(ViewportWindow* window) override;
    std::int16_t deleteAllObjects() override;
    virtual void movement(short componentId);
    virtual void noMovement(short componentId);

    // A map window's viewport joins the layer: the view counts as shown and the tick speeds up.
    void addMapViewport(Viewport* viewport);
    // Opens a maximized map window on this layer through its own viewport.
    void createMapViewport(const std::string& mapName, const Dim& mapSize);
    // A window turning to the other side leaves the layer of its old view for the one of its new view;
    // the layer of its new view shows it the landscape of its new zoom.
    void changeViewport(const ViewportInfo& info);
    // The window's tile shows this layer's landscape of the zoom in the flags.
    void showZoom(VaelMapWindow& window, std::uint16_t flags);
    // The map windows' places and states in a saved game, in the order of the viewport list.
    void saveViewports(std::ostream& stream) const;
    // False when the stream ends before the count or a window's place; the windows read whole stay.
    bool loadViewports(std::istream& stream, const std::string& mapName, const Dim& mapSize);
    // The units' positions as marks, made at the first size asked for; the layer keeps it.
    Bitmap* unitBitmap(const Dim& size);
    Bitmap* unitBitmap() const { return unitBitmap_.get(); }
    double markerStepX() const { return markerStepX_; }
    double markerStepY() const { return markerStepY_; }
    // Loads the images of the scenario's display types, showing the progress in item 100 of the dialog.
    void preloadScenarioSprites(std::uint32_t scenario, Dialog* dialog);
    // The same, the progress line told to a function before each type's images load.
    void preloadScenarioSprites(std::uint32_t scenario,
                                const std::function<void(const std::string&)>& progress);
    static const std::vector<std::uint16_t>& preloadTypes(std::uint32_t scenario);

    // VaelSpriteLayer and VaelFigureLayer.
    Point3D regionAnchor(std::int16_t level, std::int16_t region) const override;
    std::int16_t viewMode() const override;
    bool regionOnMap(std::int16_t region) const override;
    // The map's pixels at the level (those the sprite grid covers) and a hex and a half round them: the
    // hexes a figure walks or a missile flies through are the map's, a figure stands within a hex and a
    // third of its hex's anchor and a flag's cloth high above it (a hex past the top edge at most).
    Box placesBox(std::int16_t level) const override;
    VaelFigureLandscape* landscape(std::int16_t zoom) override;
    std::int16_t layerId() const override { return static_cast<std::int16_t>(layerId_); }
    VaelDisplayObject* unitObject(std::uint16_t unitNumber) const override;
    std::int32_t unitNumberOf(const VaelDisplayObject* object) const override;

    PointedVaelLandscape* zoomLandscape(int zoom) const {
        return landscapes_[static_cast<std::size_t>(zoom)].get();
    }
    // The view whose objects answer the logical side: the one on screen, the normal one when none is.
    static std::int16_t watchedView();
    static bool normalViewShown() { return normalViewShown_; }
    static bool reversedViewShown() { return reversedViewShown_; }
    static void clearViewFlags() { normalViewShown_ = reversedViewShown_ = false; }

    // Adopts a display object made by another one (debris, a projectile): it is shown here, never saved.
    void adoptObject(VaelDisplayObject* object);
    void beginLandscape(const LandscapeDefinition& definition);
    // The picture cell's index of a hex, -1 for a hex off the map.
    std::int32_t hexIndex(std::int16_t hex) const;
    std::uint32_t hexColour(std::int16_t hex) const;
    const std::vector<std::uint32_t>& hexColours() const { return hexColours_; }
    bool hasHexColours() const { return hasColours_; }

    // Saved games: the layer's state is appended to the file after its header; false when the file
    // cannot be used (nothing is changed then).
    bool saveGame(const std::string& fileName);
    bool loadGame(const std::string& fileName);
    bool saveGameBytes(std::vector<std::uint8_t>& bytes);
    // With extent, where the layer's state began and its objects ended.
    bool loadGameBytes(const std::vector<std::uint8_t>& bytes,
                       std::pair<std::size_t, std::size_t>* objects = nullptr);
    // Why the latest load's first refused object was refused; empty when none was.
    const std::string& loadProblem() const { return loadProblem_; }
    // What the view was still playing at a save: the display's clock then, the layer's tick (its rate, and
    // what it had gathered towards its next call), the objects it stepped in their order, those whose
    // flags it raised for the active leader (to be lowered at the next activation), and each unit's
    // object's commands and sprites under way. A game loaded with it goes on from that clock and plays the
    // rest as the battle that saved would have. Objects made by others (debris) are not kept. loadUnderWay
    // answers false when the bytes do not read back whole; restartTick then sets the tick going as it was.
    void saveUnderWay(std::ostream& out);
    bool loadUnderWay(std::istream& in, std::uint16_t version = VaelDisplayObject::UnderWayVersion);
    // Whether every object's share of what is under way can be written (see underWayCarried).
    bool underWayCarried() const;
    // The application's timer slot of the layer's tick, -1 when it does not run.
    int tickSlot() const;
    int loadedTickSlot() const { return loadedSlot_; }
    // Why the latest loadUnderWay refused bytes that read whole; empty when it took them or they ran short.
    const std::string& underWayRefusal() const { return underWayRefusal_; }
    void restartTick();
    // A game saved inside a tick (the logical side takes its steps from within the objects' updates)
    // carries what of that tick was still to come: the objects this layer had still to step, or the
    // layer's own timer not yet told of the tick. The loaded game plays that first, at the same moment,
    // when the battle begins again: this layer's and its partner's, in the order the tick ran them.
    void finishTickUnderWay();
    // Steps a view not on screen through what it has fallen behind by, before a save: it is stepped only
    // once a second, and a game loaded from the file could never play the rest (the flags of the turn
    // before not yet put away). Only what is already due is played; the view answers nobody, so nothing
    // else moves on. The view on screen is left alone.
    void settle();
    // Whether a display object of a unit still has something to play: a command, or figures out of the
    // formation on their way (falling, walking off the field, gear dropped).
    bool busy() const;
    // Whether a display object holds a command whose reply the logical side still waits for.
    bool owesAReply() const;
    // Between two machines the ends of walks are told in the order the walks were given, however long
    // each takes to play: what the end of a walk sets off (a reaction volley, a withdrawal) then comes in
    // one order on every run, whatever the display's pace. On one machine they go as they are played.
    bool walkEndWaits(const LogicalCommandInfo& command, const PhysicalObject* object) const override;
    void setWalkEndsInOrder(std::function<bool()> inOrder) { walkEndsInOrder_ = std::move(inOrder); }
    // Whether this layer's view is the one whose objects answer the logical side.
    bool viewShown() const;
    // Draws every view of the layer whole, with the overview's marks made again from the hex colours:
    // after a load nothing shown before stands where it stood, and a box left out would show it there.
    void redrawWhole();
    // The layer's block at an offset; false for bytes that do not hold a whole one.
    static bool readState(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t expectedColours,
                          PhysicalLayerState& state, std::size_t& end);

    void showHexGrid(bool on);
    // The frontmost sprite's region at the point, else the hex there; -1 for neither.
    short regionAtPoint(const PointInfo& where);
    void selectPoint(const PointInfo& where);
    void flyOver(const PointInfo& where);
    // The pointer is over no hex (past the map's edge, on the overview, in another window): the status
    // bar's description of the hex it left goes, once.
    void flyOff();
    // Queries "Center On Point" (or "ZoomInForCombat") on this layer with the hex's three centres.
    void centreOn(std::int16_t hex, bool forCombat);
    void setWalkingAnimation(bool on) { walkingAnimationOff_ = on ? 0 : 1; }
    void setCombatAnimation(bool on) { combatAnimationOff_ = on ? 0 : 1; }
    void beginRampage() { rampageActive_ = 1; }
    void setRampageSteps(const List<RampageStruct>& steps);
    void playCombat(const LogicalCommandInfo& combat);
    void raiseFlags(const List<unsigned short>& gray, const List<unsigned short>& flags,
                    std::uint32_t nation);
    void endOfTurn();
    void selectUnit(std::uint16_t unit);
    List<short> unitRegions(std::uint16_t unit);

    std::uint16_t hexGridShown() const { return hexGridShown_; }
    std::uint16_t unitSelected() const { return unitSelected_; }
    std::uint16_t rampageActive() const { return rampageActive_; }
    const List<RampageStruct>& rampageSteps() const { return rampageSteps_; }
    const List<unsigned short>& flaggedObjects() const { return flaggedObjects_; }
    const List<short>& movingObjects() const { return movingObjects_; }
    std::uint16_t timerRate() const { return timerRate_; }
    std::int16_t mapRows() const { return mapRows_; }
    std::int16_t mapColumns() const { return mapColumns_; }
    const List<Sprite*>* gridCell(std::int16_t column, std::int16_t row) { return cell(column, row); }

private:
    std::string loadProblem_;
    class FullLandscape;

    void sendCommand(short componentId, const char* name, ContainerBase* payload, std::uint16_t value = 0,
                     BusMessage reply = BusMessage(), ContainerBase* extra = nullptr);
    void queryObject(short componentId, const LogicalCommandInfo& command);
    VaelDisplayObject* objectWithId(short componentId) const;
    void setHexColour(std::int16_t hex, std::uint32_t colour);
    void connectViewportHandlers();
    void drawMarker(std::int32_t x, std::int32_t y, std::uint32_t colour);
    Viewport* takeViewport(ViewportWindow* window);
    void viewportsEmptied();
    void firstViewportComing();
    VaelLandscapeTile::SpriteGrid spriteGrid();
    void playRampage(short elephant);
    void startTimer(std::uint16_t rate);
    void stopTick();
    // Steps the objects asked, one after the other, at the display's moment now, and redraws what moved.
    std::int16_t stepObjects(const List<short>& asked, long now);
    void freeGrid();
    static ContainerBase* onTick(Component* target, BusMessage event, ContainerBase* data);

    std::uint16_t layerId_;
    std::uint16_t hexGridShown_ = 0;
    std::uint16_t unitSelected_ = 0;
    std::uint16_t combatAnimationOff_ = 0;
    std::uint16_t walkingAnimationOff_ = 0;
    std::array<std::unique_ptr<PointedVaelLandscape>, 3> landscapes_;
    std::unique_ptr<FullLandscape> figureLandscape_;
    List<unsigned short> flaggedObjects_;
    std::uint16_t rampageActive_ = 0;
    List<RampageStruct> rampageSteps_;
    List<short> movingObjects_;
    List<PhysicalObject*> adopted_;
    std::function<bool()> walkEndsInOrder_;
    bool hasColours_ = false;
    std::vector<std::uint32_t> hexColours_;
    std::int16_t hexCount_ = 0;
    std::int16_t mapRows_ = 0;
    std::int16_t mapColumns_ = 0;
    std::uint16_t timerRate_ = 0;
    // The display's clock runs this far ahead of the application's: a loaded game goes on from the clock
    // it was saved at, so that what was under way ends when it would have.
    std::int32_t clockShift_ = 0;
    // The tick as a loaded game had it, put back once both layers have read theirs.
    std::uint16_t loadedRate_ = 0, loadedElapsed_ = 0;
    int loadedSlot_ = -1;
    // The step under way: the objects asked, the one asked now, the moment.
    struct StepUnderWay {
        const List<short>* asked = nullptr;
        const Item<short>* at = nullptr;
        long now = 0;
    };
    StepUnderWay stepping_;
    // What of the tick under way at the save is still to be played: nothing, the objects still to step
    // (StepRest), or the tick itself, which the layer's timer had still to count (TickDue).
    enum class TickLeft : std::uint16_t { Nothing = 0, StepRest = 1, TickDue = 2 };
    struct LeftOfTick {
        TickLeft left = TickLeft::Nothing;
        long now = 0;
        List<short> rest;
    };
    LeftOfTick loadedTickLeft_;
    std::string underWayRefusal_;
    // The steps of loadUnderWay, by the part of the record each reads: false when it is cut short, or with
    // underWayRefusal_ said when it holds what the view cannot.
    struct TickTimer {
        std::uint32_t clock = 0;
        std::uint16_t rate = 0, slot = 0, elapsed = 0;
    };
    bool refuseUnderWay(std::string why);
    bool readTickTimer(std::istream& in, TickTimer& timer);
    bool readObjectList(std::istream& in, const std::vector<VaelDisplayObject*>& units, const char* list,
                        std::vector<short>& ids);
    bool readObjectRecords(std::istream& in, const std::vector<VaelDisplayObject*>& units, const List<short>& stepped,
                           std::uint16_t version);
    bool readTickLeft(std::istream& in, const std::vector<VaelDisplayObject*>& units, bool timerNamed,
                      LeftOfTick& tickLeft);
    // The other view's layer, whose share of a tick under way is played in the order the ticks ran.
    VaelPhysicalLayer* partner_ = nullptr;
    friend class VaelPhysicalLayers;
    std::unique_ptr<Bitmap> unitBitmap_;
    double markerStepX_ = 0, markerStepY_ = 0;
    std::vector<List<Sprite*>*> gridRows_;
    // The cells each sprite was filed into (one span a filing, clamped to the grid), so that the tick
    // finds the changed sprites and their cells without walking the whole grid.
    struct CellSpan {
        std::int16_t firstColumn, firstRow, lastColumn, lastRow;
    };
    std::unordered_map<Sprite*, std::vector<CellSpan>> filings_;
    // A changed sprite of the tick, with the first cell it stood in and its entry of filings_.
    struct Refiling {
        int firstCell;
        Sprite* sprite;
        std::vector<CellSpan>* spans;
    };
    std::vector<Refiling> refiled_;

    static inline bool normalViewShown_ = false;
    static inline bool reversedViewShown_ = false;
};

// One command an object's record keeps queued: its 32-bit length, then its bytes. False when the bytes run
// short; whole tells whether the command read back to its last byte.
bool getCommandRecord(std::istream& in, LogicalCommandInfo& command, bool& whole);

// The two views' layers, made together and kept for the whole run: known to the game sprites as the
// layers of view 0 and 1 and attached to the application's bus.
class VaelPhysicalLayers {
public:
    explicit VaelPhysicalLayers(Bus& bus);
    ~VaelPhysicalLayers();
    VaelPhysicalLayers(const VaelPhysicalLayers&) = delete;
    VaelPhysicalLayers& operator=(const VaelPhysicalLayers&) = delete;

    VaelPhysicalLayer& normal() { return *normal_; }
    VaelPhysicalLayer& reversed() { return *reversed_; }

    // A saved game's display part: both layers' objects (place, facing, figures standing and fallen,
    // flag) and the full-size map's scars and debris, appended to the game's bytes held in memory once
    // the hidden view has played what was due, so that the file is written in one piece.
    bool saveGameBytes(std::vector<std::uint8_t>& bytes);
    // Whether the view on screen still plays something a saved game could not show again.
    bool shownViewBusy() const;
    // Whether the view that answers the logical side still owes it a reply.
    bool shownViewOwesAReply() const;
    // Each command of the view that answers the logical side whose reply it still owes, in their order.
    void forEachReplyOwed(const std::function<void(const LogicalCommandInfo&)>& visit) const;
    // Puts every object back as the file saved it; false, with nothing changed, when the file holds no
    // whole display part (a game saved without one).
    bool loadGameBytes(const std::vector<std::uint8_t>& bytes);
    // What was wrong with the display part the latest load refused, when an object's record said; else empty.
    const std::string& loadProblem() const { return loadProblem_; }
    // What the views were still playing, after the display part: "VDSA", a 16-bit version, the 32-bit
    // length of what follows, then each view's part (normal first) as its 32-bit length and bytes. A
    // game saved without it loads as before: what was under way at its save is not played.
    static constexpr char UnderWayTag[5] = "VDSA";
    static constexpr std::uint16_t UnderWayVersion = VaelDisplayObject::UnderWayVersion;
    // Why the latest load refused that record, when it did (its version, or bytes that do not read back
    // whole); else empty.
    const std::string& underWayProblem() const { return underWayProblem_; }
    // Whether the latest load found that record and took it whole; whether what plays now can be written.
    bool underWayLoaded() const { return underWayLoaded_; }
    bool underWayCarried() const { return normal_->underWayCarried() && reversed_->underWayCarried(); }
    // Plays what the views had still to play of the tick under way at the save (see
    // VaelPhysicalLayer::finishTickUnderWay); nothing when the save was not taken inside a tick.
    void finishTickUnderWay() { normal_->finishTickUnderWay(); }
    // That record alone ("VDSA" to its last byte; empty when what is under way cannot be written), and its
    // reading over the views as they stand: false when the bytes are no such record or do not read back,
    // underWayProblem saying why where it can.
    std::vector<std::uint8_t> underWayRecord();
    bool loadUnderWayRecord(const std::vector<std::uint8_t>& record);
    // The commands whose replies the view on screen still owed, in its objects' order, read from a saved
    // game's record alone (no view need stand), and where that record begins: false when the game holds no
    // such record whole.
    static bool repliesOwedIn(const std::vector<std::uint8_t>& bytes, std::vector<LogicalCommandInfo>& owed,
                              std::size_t* recordAt = nullptr);

private:
    void appendUnderWay(std::vector<std::uint8_t>& bytes);
    // False when the record is there but does not read back whole.
    bool readUnderWay(const std::vector<std::uint8_t>& bytes, std::size_t at);

    std::string loadProblem_;
    std::string underWayProblem_;
    bool underWayLoaded_ = false;
    std::unique_ptr<VaelPhysicalLayer> normal_;
    std::unique_ptr<VaelPhysicalLayer> reversed_;
};

} // namespace vael
