#pragma once
// What the game's physical layer needs of a unit's display object, declared here so that the map holds
// the objects without knowing their figures: a new object made from a registered prototype at a hex and
// facing, the view, nation and layer it is told, and the rampage's two hooks. Its commands, its tick, its
// sprites and its part of a saved game are those of every display object. The figures implement it.
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "framework/core/type_name.h"
#include "framework/display/physical_object.h"

namespace vael {

class VaelFigureLayer;

class VaelDisplayObject : public PhysicalObject {
public:
    using PhysicalObject::PhysicalObject;

    // A new object of the same class from this prototype, at the hex and facing; the caller owns it.
    virtual VaelDisplayObject* clone(std::int16_t region, std::int32_t facing) const = 0;
    // 4 on the reversed view's layer, 0 on the normal one.
    virtual void setReversedView(std::int16_t v) = 0;
    virtual void setLayer(VaelFigureLayer* layer) = 0;
    virtual void setNation(std::int32_t nation) = 0;

    // One more of the unit's moves is to be kept for the rampage being prepared.
    virtual void saveAPath() = 0;
    // Shows the losses an elephant's rampage deals, on top of those already shown.
    virtual void rampageCasualty(std::int16_t hits) = 0;
    // Plays count of the kept moves, the kept turns just before the last.
    virtual void rampageMove(std::int16_t count) = 0;
    // Figures still walking, falling or fleeing: a saved game cannot replay them.
    virtual bool hasLooseSprites() const = 0;
    // Whether the object has anything left to play, and so has its layer's tick step it until it is done:
    // an object that plays on unstepped never ends what the battle waits on.
    virtual bool playsOn() const { return !commands().isEmpty() || !activeSprites().isEmpty() || hasLooseSprites(); }
    // What the object was still playing when the game was saved (its commands, the sprites under way and
    // their queues, whether its flag waves), so that a loaded game plays the rest as the battle that saved
    // would have; the layer keeps it apart from the object's record. loadUnderWay answers false when the
    // bytes do not read back whole. An object that plays nothing of its own writes nothing. The record's
    // version is the file's: the first kept nothing of an elephant's rampage under way (a game saved while
    // one was shown wrote no record at all), the second holds it, its victims named by their unit numbers.
    static constexpr std::uint16_t UnderWayVersion = 2;
    static constexpr std::uint16_t UnderWayWithoutRampages = 1;
    virtual void saveUnderWay(std::ostream&) {}
    virtual bool loadUnderWay(std::istream&, std::uint16_t = UnderWayVersion) { return true; }
    // Whether what the object still plays can go into a file at all: a command whose box has no written
    // form cannot.
    virtual bool underWayCarried() const { return true; }
    // How far the object has come in its step of the layer's tick: not begun (or not stepped), playing,
    // or past all it plays (what is left answers the logical side, which may take its own step there).
    enum class Stepping { Waiting, Playing, Ending };
    virtual Stepping stepping() const { return Stepping::Waiting; }
    // What the object had still to do after the command it was finishing when the game was saved.
    virtual void finishLoadedHead() {}
    // Why the object's record in a saved game was refused at its latest load; empty when it was taken.
    const std::string& loadProblem() const { return loadProblem_; }

protected:
    void setLoadProblem(std::string why) { loadProblem_ = std::move(why); }

private:
    std::string loadProblem_;
    // Lives and dies with the object (a copy of the object gets a life of its own): what a VaelObjectRef
    // watches.
    struct Lifeline {
        std::shared_ptr<const char> token = std::make_shared<const char>(0);
        Lifeline() = default;
        Lifeline(const Lifeline&) : Lifeline() {}
        Lifeline& operator=(const Lifeline&) { return *this; }
    };
    Lifeline lifeline_;

    friend class VaelObjectRef;
};

// "PhysicalObjectCreated" carries the object under the name it has always had on the bus.
VAEL_TYPE_NAME(VaelDisplayObject*, "VaelPhysicalObject *");

// A display object held by others than the layer that owns it (the rampage records of an elephant and its
// sprites): the layer may delete the object, with its unit gone or its game closed, while such a record
// still waits to be played, and then the reference answers null instead of the freed object.
class VaelObjectRef {
public:
    VaelObjectRef() = default;
    // Implicit: the records are filled from the layer's pointers.
    VaelObjectRef(VaelDisplayObject* object)
        : object_(object), alive_(object ? object->lifeline_.token : std::shared_ptr<const char>()) {}
    VaelDisplayObject* get() const { return alive_.expired() ? nullptr : object_; }

private:
    VaelDisplayObject* object_ = nullptr;
    std::weak_ptr<const char> alive_;
};

} // namespace vael
