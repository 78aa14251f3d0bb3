#pragma once
// Elephants: three beasts with their crews, who throw javelins as javelin troops do and fight in melee as a
// plain unit does. A routed elephant rampages: the layer first hands it the record of every unit its path
// strikes, then the path. Walking the path, each beast rears where a struck unit stands, which shows that
// unit's losses, and tramples as it arrives, which sends the unit on its rout or withdrawal. Paths that
// come while the object is told to keep them (it is itself struck by another rampage) wait for
// rampageMove.
#include "framework/core/list.h"
#include "game/figures/p_javelinist.h"
#include "game/map/rampage_event.h"

namespace vael {

class PElephant : public PJavelinist {
public:
    PElephant(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
              std::int16_t missileKind, std::int16_t region, std::int32_t facing);

    void handleEvent(LogicalCommandInfo& command) override;
    void setupAnimations() override;
    std::int16_t turnRate() override { return turnFacing() == 3 || turnFacing() == 7 ? 130 : 83; }
    void animateCombatFigure(std::int16_t figure, std::int16_t hex, bool casualty,
                             std::vector<std::int16_t>& stepTime, std::vector<std::int16_t>& stepFrom,
                             std::int16_t casualtyNumber, const List<FrameInfo>& frames,
                             std::int32_t direction, std::int16_t newCasualties,
                             std::int16_t advanceFirst) override {
        VaelPhysicalObject::animateCombatFigure(figure, hex, casualty, stepTime, stepFrom, casualtyNumber,
                                                frames, direction, newCasualties, advanceFirst);
    }
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
    // Plays the first kept path. An elephant rampages once: any count but 1 is a failed check, after which
    // the path plays all the same.
    void rampageMove(std::int16_t count) override;

    // A beast arriving on a hex: the struck units there, at most two, are trampled (one trampling picture
    // a call) and sent on their moves, and leave the pending list.
    void trample(VaelSprite& sprite, std::int16_t hex) override;
    // A beast meeting a struck unit on a hex: it rears and the unit's losses go with it. The record stays
    // for the trampling that follows.
    void rear(VaelSprite& sprite, std::int16_t hex) override;
    // Besides what every object still plays, the rampage under way: the struck units' records not yet
    // played and each beast's victims still to reach, the objects named by their units' numbers.
    void saveUnderWay(std::ostream& out) override;
    bool loadUnderWay(std::istream& in, std::uint16_t version = UnderWayVersion) override;

    // The struck units' records not yet played, in the order they came; the objects are not ours.
    List<RampageEventStruct> pendingRampageEvents{1};

    // Where the three beasts stand, by facing; E and W keep the object's point.
    static const SlotOffsets Places[3];

private:
    void playRampage(const List<short>& path);
    // Whether anything of a rampage is still to play: records or a path queued, records or victims held,
    // or the beasts still walking one.
    bool rampageUnderWay();
    void traceEvent(const RampageEventStruct& event) const;
    // In-place frames of the group at first + the walking direction - 1, or none when the artwork has no
    // such group.
    List<FrameInfo> directionFrames(const char* first, std::initializer_list<std::int16_t> images);
};

} // namespace vael
