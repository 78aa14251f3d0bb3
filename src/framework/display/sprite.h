#pragma once
// One movable image of the map. It steps through a first-in first-out queue of timed events, one step per
// update, and answers with the box it dirtied: where it was joined with where it is. Sprites never own
// their images.
#include <cstdint>
#include <vector>

#include "framework/core/container.h"
#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/display/bitmap.h"
#include "framework/display/sprite_event.h"

namespace vael {

class Sprite {
public:
    // The layer that takes no part in the order of a group.
    static constexpr std::uint16_t NoLayer = 0xFFFF;

    Sprite(std::uint16_t region, const Point3D& location, Bitmap* frame, std::uint16_t layer,
           std::uintptr_t groupKey, std::uint32_t drawMode);
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    virtual void processEvent(SpriteEvent& event, std::int32_t now);
    // 1 when there was a head event to remove.
    virtual std::int16_t removeFirstEvent();
    virtual ~Sprite();
    // 1 when this sprite is drawn after (in front of) the other.
    virtual std::int16_t compare(const Sprite& other) const;
    virtual Box draw(Bitmap& target, const Point& origin);
    virtual void addEvent(std::uint16_t region, const Point4D& target, const List<Bitmap*>& frames,
                          std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames);
    virtual void addSimpleEvent(std::uint16_t kind);
    virtual void queueEvent(const SpriteEvent& event);
    // A new list of one box (the old and new places joined), or an empty list when nothing was queued;
    // the caller deletes it.
    virtual Container<List<Box>>* update(std::int32_t now);
    virtual void abortEvent();
    virtual void hide();
    virtual void show();
    // Empty while hidden.
    virtual Box bounds() const;
    virtual std::int16_t hitTest(const Point& point) const;

    const Point3D& location() const { return location_; }
    std::uint16_t region() const { return region_; }
    std::uint16_t layer() const { return layer_; }
    std::uintptr_t groupKey() const { return groupKey_; }
    Bitmap* currentFrame() const { return frame_; }
    std::uint16_t isChanged() const { return changed_; }
    void setChanged(std::uint16_t flag) {
        changed_ = flag;
        if (flag) journal();
    }
    // The sprites whose changed flag went up since they were last taken from the journal: a layer finds
    // the ones it has to file again here instead of looking at every sprite it holds. Each entry whose
    // flag is down again is dropped; of the others, those the predicate takes leave the journal.
    template <class Take> static void takeChanged(Take&& take) {
        std::vector<Sprite*>& journal = journalList();
        std::size_t kept = 0;
        for (Sprite* sprite : journal) {
            if (sprite->changed_ && !take(sprite)) {
                journal[kept++] = sprite;
                continue;
            }
            sprite->journaled_ = false;
        }
        journal.resize(kept);
    }
    static std::size_t journalSize() { return journalList().size(); }
    void setGroup(std::uintptr_t key) { groupKey_ = key; }

    std::uint32_t drawMode() const { return drawMode_; }
    std::uint16_t isHidden() const { return hidden_; }
    std::int16_t frameCount() const { return frameCount_; }
    const Point4D& start() const { return start_; }
    const Queue<SpriteEvent>& events() const { return events_; }
    bool isRunning() const { return !frameCursor_.isNull(); }

protected:
    void markChanged() {
        changed_ = 1;
        journal();
    }
    // The frame's box at the location, hidden or not.
    Box frameBox() const;
    // Steps the frame cursor into frame_: 0 past the end of the list (the cursor rewinds).
    std::int16_t advance();
    // Past the end, starts the list again.
    void advanceWithWrap();
    void detachCursor() { frameCursor_ = ListIterator<Bitmap*>(); }
    // The head event's layer, frames and frame phase take over.
    void beginHead(SpriteEvent& head);
    // The end of a move or an animation: the head goes and the next one starts at once, timed from the
    // end of this one.
    void chain();
    // Where a move stands at now, or its landing when it is over.
    void stepMove(SpriteEvent& event, std::int32_t now);
    void land(const SpriteEvent& event);

    std::uint16_t layer_;
    std::uintptr_t groupKey_; // the owner's identity (the game keeps its display object here)
    std::uint16_t region_;
    Point3D location_;
    Point4D start_;
    std::uint16_t changed_ = 0;
    Bitmap* frame_;
    std::uint32_t drawMode_;
    Queue<SpriteEvent> events_;
    ListIterator<Bitmap*> frameCursor_;
    std::int16_t frameCount_ = 0;
    std::uint16_t hidden_ = 0;

private:
    void journal() {
        if (journaled_) return;
        journaled_ = true;
        journalList().push_back(this);
    }
    // Never destroyed, so that a sprite that outlives the statics can still leave it.
    static std::vector<Sprite*>& journalList();

    bool journaled_ = false;
};

VAEL_TYPE_NAME(Sprite, "Sprite");

} // namespace vael
