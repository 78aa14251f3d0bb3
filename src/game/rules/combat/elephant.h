#pragma once
// The elephant: a missile-armed beast that never routs in the ordinary way. When it breaks it rampages:
// dice decide at once where it runs and what it does to every unit in its way, the display plays the
// rampage, and when the display has done the elephant leaves play.
#include <cstdint>

#include "framework/core/list.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/rout/rout_records.h"

namespace vael {

class Elephant : public MissileCapable {
public:
    Elephant(const ElephantUnitData& record, const char* name);

    std::uint16_t getElephantValue() const { return elephantValue_; }

    // Null for a record that is not an elephant's.
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    void disconnectHandlers() override { eliminate(2); }
    void rally() override;
    void rout() override;
    std::int16_t pointValue() override { return 2; }
    // From its rout until the display has played its rampage the beast runs amok, off the map's occupant
    // lists and bound to leave play: nobody orders or rallies it, and the rout phase moves it no further,
    // for the rampage's end reports its rout done. Without a display the rampage ends at once; with one it
    // may play on into the next activation or turn.
    bool isRampaging();
    bool mayRally() override;
    std::int16_t LegalUnits(std::uint32_t nation, const List<short>& hexes) override;
    void RoutMove(std::int16_t hexes) override;

    // Works out the whole rampage and tells the game what happened and where the beast ran.
    void rampage();
    // Hands the run to the elephant's display object, which answers "DoneRampaging" when it has played it.
    void showRampage(const List<short>& path);
    void doneRampaging(std::int16_t unitNumber);

    static ContainerBase* onDoneRampaging(Component* target, BusMessage, ContainerBase* data);
    // A game loaded while the display still plays the beast's rampage: it rampages on until that ends, as it
    // did when the game was saved (no rally, no orders), and falls then.
    void awaitRampageEnd();
    // The saved game says the beast was rampaging: it is off the map's occupant lists again and waits for
    // the rampage's end; abandonResumedRampage puts back a beast of a file refused after all.
    void resumeRampage();
    void abandonResumedRampage();
    // Nothing will show the loaded beast's rampage (no display, or a save that kept none of it): it ends
    // as a display that plays nothing ends it, at once.
    void endRampageUnshown();
    // Between two machines the rampage ends in the rules as soon as it is handed to the display, which plays
    // it on unanswered.
    void endRampageAsShown();

private:
    // What the beast does to the unit it meets entering next from current; false when there is nothing to
    // record.
    bool meet(VaelUnit& unit, std::int16_t current, std::int16_t next, RampageStruct& event);
    // The beast is off the field, or the battle's end is certain: its rampage neither starts nor goes on.
    bool rampageStopped() const;
    void sendUnitReport(const char* message);

    std::uint16_t elephantValue_;
};

} // namespace vael
