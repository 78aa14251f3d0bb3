#pragma once
// The units that shoot or throw. Besides its figures such a unit owns one missile sprite per figure (entry i
// flies for figure i), the images of its kind of missile, where a missile first shows by direction of fire,
// and the target point of the current volley: the missile stock, shared with the javelin-throwing phalanx.
// The common base builds the figures and the missiles; the subclasses play the volleys.
#include <array>
#include <cstdint>

#include "game/figures/sprite_calls.h"
#include "game/figures/vael_physical_object.h"

namespace vael {

class MissileStock {
public:
    // missileKind: 0 arrows, 1 bolt, 2 javelins, 3 Indian javelin, 4 stone. The images are taken now: an
    // object made before the sets are loaded keeps none.
    explicit MissileStock(std::int16_t missileKind);
    ~MissileStock();

    std::int16_t projectileCount = 0;
    Point3D missileTarget;
    std::array<OIF<Bitmap>*, 3> projectileImages{};
    DynArray<VaelSprite*> projectiles{10};
    std::array<Point3D, 9> launchOffsets{};

protected:
    // count missiles resting on hex, each handed to announce; only the last plays the sounds queued on it,
    // so a volley makes one hit sound.
    template <class Announce> void makeMissiles(std::int16_t count, std::int16_t hex, Announce announce) {
        projectileCount = count;
        for (std::int16_t i = 0; i < count; ++i) {
            VaelSprite* p = newMissile(hex);
            projectiles[i] = p;
            announce(p);
        }
        if (count > 0) projectiles[count - 1]->enableSound();
    }
    // After losses the sound lead of the figures may have passed to another figure; the missile sound goes
    // with it, or volleys would fall silent once the first leader has fallen. figureOf(i) is figure i,
    // null once it has fallen.
    template <class FigureOf> void followSoundLead(FigureOf figureOf) {
        std::int16_t orphan = -1, lead = -1;
        for (std::int16_t i = 0; i < projectileCount; ++i) {
            VaelSprite* f = figureOf(i);
            if (projectiles[i] && projectiles[i]->soundEnabledFlag() && !f) orphan = i;
            if (f && sprite_calls::isSoundLead(*f)) lead = i;
        }
        if (orphan < 0 || lead < 0 || !projectiles[lead]) return;
        projectiles[orphan]->setFlag(0);
        projectiles[lead]->enableSound();
    }

private:
    VaelSprite* newMissile(std::int16_t hex) const;
};

class PMissileUnit : public VaelPhysicalObject, public MissileStock {
public:
    // missileKind: as for the missile stock.
    PMissileUnit(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                 std::int16_t missileKind, std::int16_t region, std::int32_t facing);

    // The plain missile unit builds nothing; each kind of troops lays out its own figures and missiles.
    std::vector<VaelSprite*> otherSprites() override {
        std::vector<VaelSprite*> missiles;
        for (std::int16_t i = 0; i < projectileCount; ++i)
            missiles.push_back(projectiles[i]);
        return missiles;
    }
    void setupAnimations() override {}
    // A missile-fire order is played by the kind's volley, which ends without the rest of a command's
    // book-keeping.
    void handleEvent(LogicalCommandInfo& command) override;
    // The missile sound follows the figures' sound lead.
    void commandFinished(LogicalCommandInfo& command) override;
    // Always of missile kind 0, whatever this object's kind.
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;

    // count missiles resting on the unit's hex; only the last plays the sounds queued on it, so a volley
    // makes one hit sound.
    void createDefaultSprites(std::int16_t count);

protected:
    // The kind's volley of a missile-fire order; a unit without one (the plain missile unit) takes the order
    // as any other command.
    virtual bool playsVolleys() const { return false; }
    virtual void volley(LogicalCommandInfo&) {}
    // The formations of the shooters, each with the places its missiles leave from by direction of fire:
    // eight on foot and six riders, each in two ranks whose rear steps up, or three chariots on places of
    // their own, which no rear rank refills and of which the third leads the sound.
    void setupFootShooters(const Point3D (&launch)[9]);
    void setupRiders(const Point3D (&launch)[9]);
    void setupChariots(const Point3D (&launch)[9]);
    // The side (0 to 7 clockwise from straight up the screen, the unit's facing turned out) a figure at x
    // shoots across at an enemy in the direction given, or -1 when that is no direction 1 to 8. Straight up
    // or down the screen crosses no hex side: a figure right of the centre line takes the right-hand
    // diagonal, the others the left.
    std::int16_t closeCombatSide(std::int32_t enemyDirection, std::int32_t x) const;
    // About half the shooters of a volley loose a moment after the others: a late one waits for the marker.
    bool loosesLate(VaelSprite& shooter);
    // The missile of figure i, null when it has none, with its flight begun: it rests unseen, moves to the
    // place it leaves from, waits out the draw or wind-up (waits frames, at waitAt), and a late one waits
    // for the marker besides. The rest of the flight is the kind's own.
    VaelSprite* beginFlight(std::int16_t i, const Point3D& launch, const Point4D& waitAt, int waits,
                            bool late);
    // The horse (riders non-zero) or chariot wreck (display kind 7) that a fallen figure leaves behind.
    void leaveMount(std::int16_t hex, bool riders);
    // A figure still standing after its shot in a combat: it steps into the place of the fallen figure ahead
    // when one was marked for it, then goes home, ends its melee sound and stands.
    void standAfterShot(VaelSprite& s, std::int16_t figureIndex, std::int16_t hex,
                        const List<FrameInfo>& frames, const std::vector<std::int16_t>& stepTime,
                        const std::vector<std::int16_t>& stepFrom);
    // A figure still standing after its shot goes to place, ends its melee sound and stands.
    void standAt(VaelSprite& s, std::int16_t hex, const Point3D& place, const List<FrameInfo>& frames);
    // The place of the figure in slot by the unit's facing; the hex point for a slot outside the formation
    // (a fallen figure's -1 among them).
    Point3D homePlace(std::int16_t slot) const;
    // A figure backing off a step from an enemy in direction d (1 to 8): that direction's walk, played
    // backwards.
    List<FrameInfo> backStepFrames(std::int32_t d);
    // The direction of a missile-fire order, false when it carries none of 1 to 8 (the shot is then not
    // shown). Otherwise the flag stays where it stands and missileTarget is the order's hex.
    bool startVolley(LogicalCommandInfo& command, DIRECTION& d);
    // Aims at the neighbour of hex in direction d; false at the map's edge, where there is no hex to shoot
    // into and missileTarget stays as it was.
    bool aimAtNeighbour(std::int16_t hex, std::int32_t d);

public:
    static constexpr const char* ShootSequences[9] = {"", "MN", "MNE", "ME", "MSE", "MS", "MSW", "MW", "MNW"};
    // The step a figure takes toward an enemy, by direction 1 to 8.
    static constexpr std::array<Point3D, 9> DirectionSteps = {
        Point3D(0, 0, 0),  Point3D(0, 6, 0),   Point3D(-13, 8, 0), Point3D(-20, 0, 0), Point3D(-13, -8, 0),
        Point3D(0, -6, 0), Point3D(13, -8, 0), Point3D(20, 0, 0),  Point3D(13, 8, 0)};
};

} // namespace vael
