#pragma once
// The sprite of one elephant: besides walking like any figure it carries, between its moves, what its
// rampage does to the units in its path, and does it to them when the walk reaches that point.
#include "framework/core/list.h"
#include "game/map/vael_display_object.h"
#include "game/map/vael_sprite.h"

namespace vael {

class ElephantSprite : public VaelSprite {
public:
    ElephantSprite(std::int16_t region, const Point3D& offset, const FrameInfo& frame, std::uint16_t layer,
                   VaelArtworkOwner* owner, std::uint32_t drawMode, OIF<Bitmap>* normal, OIF<Bitmap>* half,
                   OIF<Bitmap>* quarter);

    // The victim's losses in percent, dealt when the walk gets here.
    void addRampageCasualty(VaelObjectRef victim, std::int16_t hits);
    // The victim's kept moves, played when the walk gets here.
    void addRampageMove(VaelObjectRef victim, std::int16_t moves);
    // A rampage event is carried out and gone in the step that meets it; every other event plays as on
    // any figure.
    void processEvent(SpriteEvent& event, std::int32_t now) override;
    // Its rampage's events besides a figure's.
    bool queuesKind(std::uint16_t kind) const override;

    const List<VaelObjectRef>& victims() const { return victims_; }
    // How many of the queued events are the rampage's, each of which has its victim.
    std::uint16_t rampageEvents() const;
    // A loaded game's victims of the queued rampage events, in their order; false, with nothing taken,
    // when there are not as many as the events.
    bool takeVictims(const List<VaelObjectRef>& victims);

private:
    // One per rampage event still queued, in queue order; the objects are not the sprite's, and one that
    // is gone by the time the walk gets to it is passed over.
    List<VaelObjectRef> victims_;
};

} // namespace vael
