#pragma once
// A bolt-thrower: one engine with its crew, shown as a single figure, and one bolt. A missile-fire order
// has the crew work the engine while the bolt flies to the target in two straight legs, the second always
// 200 ms; in shock combat the crew does not close with the enemy, the engine shoots into the neighbouring
// hex instead.
#include "game/figures/p_missile_unit.h"

namespace vael {

class POxybeles : public PMissileUnit {
public:
    POxybeles(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
              std::int16_t missileKind, std::int16_t region, std::int32_t facing);

    void setupAnimations() override;
    void animateCombatFigure(std::int16_t figure, std::int16_t hex, bool casualty,
                             std::vector<std::int16_t>& stepTime, std::vector<std::int16_t>& stepFrom,
                             std::int16_t casualtyNumber, const List<FrameInfo>& frames,
                             std::int32_t direction, std::int16_t newCasualties,
                             std::int16_t advanceFirst) override;
    // Always of bolts, whatever this object's kind.
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;

    // The flight of a bolt from the hex point origin to target at the speed of direction d: its whole
    // time and the approach point, 200 ms short of the target, that it reaches after approachTime.
    struct Flight {
        std::int32_t time = 0, approachTime = 0;
        Point3D approach;
    };
    static Flight flight(const Point3D& origin, const Point3D& target, std::int32_t direction);

    // The crew's place by facing, the engine's muzzle and the bolt's speed by direction of fire.
    static constexpr Point3D CrewOffsets[9] = {{0, 0, 0},  {0, 45, 0}, {0, 20, 0}, {0, 20, 0}, {0, 20, 0},
                                               {0, 20, 0}, {0, 20, 0}, {0, 20, 0}, {0, 20, 0}};
    static constexpr Point3D Muzzle[9] = {{0, 0, 0},     {-3, -109, 0}, {31, -59, 0},
                                          {45, -48, 0},  {35, -34, 0},  {-2, -17, 0},
                                          {-44, -27, 0}, {-50, -50, 0}, {-33, -62, 0}};
    static constexpr std::int32_t Speed[9] = {1, 300, 450, 600, 450, 300, 450, 600, 450};

protected:
    bool playsVolleys() const override { return true; }
    void volley(LogicalCommandInfo& command) override;
    // Queues the bolt's flight from the muzzle (launch, relative to the crew at place) to the target,
    // showing the picture group of look; the caller adds the bolt's closing events.
    void queueBolt(VaelSprite& bolt, std::int16_t hex, const Point3D& origin, const Point3D& target,
                   std::int32_t speedDirection, const Point3D& launch, const Point3D& place,
                   std::int32_t look);
};

} // namespace vael
