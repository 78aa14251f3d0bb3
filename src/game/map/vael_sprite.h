#pragma once
// Every animated thing on the battle map: a figure, a horse, a flag, a missile, debris. A game sprite is at
// the three zoom levels at once, each with its own position and picture; its pictures are named (group and
// index) and looked up in one library per level; its positions are measured from the anchor of its region
// (hex), so the same sprite stands right on each landscape; and its events can carry a sound, played
// through the game's sound manager when the event starts.
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>

#include "framework/display/oif.h"
#include "framework/display/sprite.h"
#include "game/map/frame_info.h"
#include "game/map/vael_artwork_owner.h"
#include "game/map/vael_sprite_event.h"
#include "game/map/vael_sprite_layer.h"
#include "game/map/zoom_boxes.h"

namespace vael {

class VaelSprite : public Sprite {
public:
    static constexpr int Levels = 3;
    // The kinds of event this sprite times itself; the others are the framework sprite's.
    static constexpr std::uint16_t TimedWait = 4;
    static constexpr std::uint16_t SoundCarrier = 9;

    // An empty sprite: region -1, at (0, 0, 0), in no layer, no owner, drawn plainly.
    VaelSprite();
    // A null library is the owner's of that size (none when there is no owner either). view: non-zero for
    // the reversed view.
    VaelSprite(std::int16_t region, const Point3D& offset, const FrameInfo& frame, std::uint16_t layer,
               VaelArtworkOwner* owner, std::uint32_t drawMode, OIF<Bitmap>* normal, OIF<Bitmap>* half,
               OIF<Bitmap>* quarter, std::uint16_t view);
    ~VaelSprite() override;

    void processEvent(SpriteEvent& event, std::int32_t now) override;
    std::int16_t removeFirstEvent() override;
    std::int16_t compare(const Sprite& other) const override;
    Box draw(Bitmap& target, const Point& origin) override;
    // The event names no pictures: the framework's picture list is not the game's.
    void addEvent(std::uint16_t region, const Point4D& target, const List<Bitmap*>& frames,
                  std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames) override;
    void addSimpleEvent(std::uint16_t kind) override;
    // Loads every picture the event names (the current pictures stay); an event without a game payload
    // gets an empty one.
    void queueEvent(const SpriteEvent& event) override;
    // The boxes of every level; the caller deletes them.
    ZoomBoxes* update(std::int32_t now) override;
    // The same step without a list made for it: the box of each level goes to boxes. False, with boxes left
    // alone, when the sprite had no event to step.
    bool step(std::int32_t now, Box (&boxes)[Levels]);
    // Whether update answers no more than step does, so that a display object may step the sprite
    // without the list; false for a sprite whose update answers otherwise.
    virtual bool updatesByStep() const { return true; }
    Box bounds() const override;
    std::int16_t hitTest(const Point& point) const override;
    // On a saved game's raw bytes (little-endian): layer, region, location, the framework's start point and
    // time, changed, draw mode, frame count, hidden, each level's position and start position, the frame
    // name, the looping sound, the two sound flags and the state. load answers false, and leaves the sprite
    // as it was, when the bytes run short or hold a value no battle leaves (loadRefusal then says which);
    // the queue, the libraries and the view are not part of it.
    virtual void save(std::ostream& stream) const;
    virtual bool load(std::istream& stream);
    // What the sprite still has to play, for a saved game that goes on as the battle would have: its state
    // as save writes it, then its queue (16-bit count; each event as SpriteEvent::save writes it and the
    // three levels' targets, which the event under way has already worked out), where the event under way
    // stands in its pictures (-1 when none is under way) and when it started (4 bytes). An event that
    // changes the sprite's region is marked so (16 bits after it), its kind being a message's number. Times are the
    // display's clock, which a loaded game goes on from. loadUnderWay answers false when the bytes run
    // short or do not read back; the sprite is then left as load found it, its queue empty.
    virtual void saveUnderWay(std::ostream& stream) const;
    virtual bool loadUnderWay(std::istream& stream);
    // Whether the sprite has anything queued or under way.
    bool hasEvents() const { return !events_.isEmpty(); }
    // Drops everything queued: a loaded game's sprite that had nothing left to play at the save.
    void dropEvents();
    // Why the latest load refused the record's values, as the record's field ("picture ...", "place ...")
    // for the caller to say whose; null when it was taken or ran short.
    const char* loadRefusal() const { return loadRefusal_; }
    // The values of a saved record a sprite is checked by before it takes any.
    struct SavedValues {
        std::uint16_t region, hidden;
        std::uint32_t drawMode;
        std::int16_t frameCount;
        const Point* positions;
        const Point* starts;
        const FrameInfo* frame;
    };
    // Why saved values fit no state a battle leaves the sprite in, null when they all fit: its pictures by
    // its own archives, its hex and places by the map of its view.
    const char* unfitValue(const SavedValues& saved) const;
    // Why the queue read from a saved game holds an event no battle queues on the sprite, null when none:
    // a kind it never queues, or a hex, picture or place that its own record would be refused for.
    // headUnderWay: the first event has started, its places already worked out.
    const char* unfitQueue(bool headUnderWay) const;
    // Whether the game queues events of the kind on the sprite (a change of region apart).
    virtual bool queuesKind(std::uint16_t kind) const;

    virtual void addNamedEvent(std::int16_t region, const Point4D& target, const List<FrameInfo>& frames,
                               std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames);
    virtual void addSound(const SoundEvent& sound);
    virtual void addSound(std::int32_t event, std::uint16_t param);
    virtual Box drawAt(Bitmap& target, const Point& origin, int level);
    // While set, a plainly drawn sprite is drawn lit: its hex is lit (a target), and its figures, which
    // cover most of that hex, must show it too.
    void setLit(bool lit) { lit_ = lit; }
    virtual Box boundsAt(int level) const;
    virtual std::int16_t hitTestAt(const Point& point, int level) const;
    virtual void moveToView1();
    // Queues the move into another region: from that event on, offsets are measured from its anchor.
    virtual void changeRegion(std::int16_t region);
    // The three libraries' names, each as u16 length and characters.
    virtual void writeArtworkNames(std::ostream& stream) const;
    // Opens the three libraries so named, owned by the sprite from then on; false when the bytes run short
    // (the libraries stay as they were).
    virtual bool readArtworkNames(std::istream& stream);

    FrameInfo frameInfo() const { return frameName_; }
    void enableSound() { soundEnabled_ = 1; }
    std::uint16_t soundEnabledFlag() const { return soundEnabled_; }
    void setFlag(std::uint16_t flag) { soundEnabled_ = flag ? 1 : 0; }
    std::uint16_t getFlag() const { return soundEnabled_; }
    void setState(std::uint16_t value) { state_ = value; }
    std::uint16_t getState() const { return state_; }

    const Point& position(int level) const { return positions_[level]; }
    const Point& startPosition(int level) const { return startPositions_[level]; }
    Bitmap* levelFrame(int level) const { return levelFrames_[level]; }
    OIF<Bitmap>* artwork(int level) const { return artwork_[level]; }
    std::uint16_t view() const { return view_; }
    // The view a sprite read from a saved game stands in: its places are already that view's, and the
    // reversed view's layer must not turn them round once more.
    void setView(std::uint16_t view) { view_ = view; }
    std::int32_t startTime() const { return startTime_; }
    std::int16_t loopingSound() const { return loopingSound_; }
    std::uint16_t soundPlayed() const { return soundPlayed_; }

    // The layers of the normal (0) and the reversed (1) view, which place every sprite of that view.
    static void setPhysicalLayer(VaelSpriteLayer* layer, std::uint16_t view);
    static VaelSpriteLayer* physicalLayer(std::uint16_t view);
    // The bus id of the registered message "ChangeRegion", the kind of a change-of-region event.
    static std::uint16_t changeRegionKind();

protected:
    // Where an offset from the region's anchor stands at a level: the offset halved or quartered (integer
    // division), plus the anchor of that level.
    Point positionOf(const Point& offset, int level, std::int16_t region) const;
    // Looks up the pictures of a name at every level: a name the full-size library lacks loses its first
    // character and is tried again. Index -1 names nothing and changes nothing.
    void lookUp(const FrameInfo& frame);
    // The next name of the current event into the frame name, and its pictures: 0 past the end of the list
    // (the next call starts it again).
    std::int16_t advance();
    void advanceWithWrap();
    // The payload of an event, made when it has none.
    static VaelSpriteEvent& payloadOf(SpriteEvent& event);
    void playSound(const SoundEvent& sound);
    bool viewIsShown() const;
    // Interpolates every level between the start positions and the targets at share p (0 to 100).
    void moveBy(const VaelSpriteEvent& payload, std::int64_t p);
    // The end of a move: the targets are reached, the move's end is the next one's start.
    void land(SpriteEvent& event, const VaelSpriteEvent& payload);
    void followLocation() { location_ = Point3D(positions_[0], 0); }
    // The checks of a saved picture, hex and place, by the sprite's archives and its view's map.
    const char* unfitPicture(const FrameInfo& frame) const;
    const char* unfitRegion(std::uint16_t region) const;
    bool placeOnMap(int level, const Point& place) const;

    Point positions_[Levels];
    Point startPositions_[Levels];
    Bitmap* levelFrames_[Levels] = {nullptr, nullptr, nullptr};
    std::int32_t startTime_ = 0;
    OIF<Bitmap>* artwork_[Levels] = {nullptr, nullptr, nullptr};
    std::uint16_t view_ = 0;
    std::uint16_t state_ = 0;
    std::int16_t loopingSound_ = -1;
    std::uint16_t soundEnabled_ = 0;
    std::uint16_t soundPlayed_ = 0;
    bool lit_ = false;
    const char* loadRefusal_ = nullptr;
    FrameInfo frameName_;
    FrameInfo spareFrame_;
    ListIterator<FrameInfo> frameIterator_;

private:
    std::unique_ptr<OIF<Bitmap>> ownedArtwork_[Levels];
    static VaelSpriteLayer* layers_[2];
};

} // namespace vael
