#pragma once
// The common base of the units that shoot or throw: besides its figures it owns one missile sprite per
// figure (entry i flies for figure i), the images of its kind of missile, where a missile first shows by
// direction of fire, and the target point of the current volley. The subclasses build the figures and the
// missiles and play the volleys.
#include <array>
#include <cstdint>

#include "game/figures/vael_physical_object.h"

namespace vael {

class PMissileUnit : public VaelPhysicalObject {
public:
    // missileKind: 0 arrows, 1 bolt, 2 javelins, 3 Indian javelin, 4 stone. The images are taken now: an
    // object made before the sets are loaded keeps none.
    PMissileUnit(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                 std::int16_t missileKind, std::int16_t region, std::int32_t facing);
    ~PMissileUnit() override;

    // The plain missile unit builds nothing; each kind of troops lays out its own figures and missiles.
    void setupAnimations() override {}
    // After losses the sound lead of the figures may have passed to another figure; the missile sound
    // goes with it, or volleys would fall silent once the first leader has fallen.
    void commandFinished(LogicalCommandInfo& command) override;
    // Always of missile kind 0, whatever this object's kind.
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;

    // count missiles resting on the unit's hex; only the last plays the sounds queued on it, so a volley
    // makes one hit sound.
    void createDefaultSprites(std::int16_t count);

    std::int16_t projectileCount = 0;
    Point3D missileTarget;
    std::array<OIF<Bitmap>*, 3> projectileImages{};
    DynArray<VaelSprite*> projectiles{10};
    std::array<Point3D, 9> launchOffsets{};

protected:
    // The formations of the shooters, each with the places its missiles leave from by direction of fire:
    // eight on foot and six riders, each in two ranks whose rear steps up, or three chariots on places of
    // their own, which no rear rank refills and of which the third leads the sound.
    void setupFootShooters(const Point3D (&launch)[9]);
    void setupRiders(const Point3D (&launch)[9]);
    void setupChariots(const Point3D (&launch)[9]);
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

public:
    static constexpr const char* ShootSequences[9] = {"", "MN", "MNE", "ME", "MSE", "MS", "MSW", "MW", "MNW"};
    // The step a figure takes toward an enemy, by direction 1 to 8.
    static constexpr std::array<Point3D, 9> DirectionSteps = {
        Point3D(0, 0, 0),  Point3D(0, 6, 0),   Point3D(-13, 8, 0), Point3D(-20, 0, 0), Point3D(-13, -8, 0),
        Point3D(0, -6, 0), Point3D(13, -8, 0), Point3D(20, 0, 0),  Point3D(13, 8, 0)};
};

} // namespace vael
