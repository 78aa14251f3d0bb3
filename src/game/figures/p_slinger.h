#pragma once
// Slingers: a loose block of eight figures and eight stones. A missile-fire order has every standing
// slinger whirl twice and let fly, each stone crossing to the target in three straight legs with a slight
// rise and landing in the shape of the block. In shock combat a slinger with an enemy before it backs off a
// step and slings one stone into the neighbouring hex instead of closing. Slingers carry neither spear nor
// shield.
#include "game/figures/p_missile_unit.h"

namespace vael {

class PSlinger : public PMissileUnit {
public:
    PSlinger(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
             std::int16_t missileKind, std::int16_t region, std::int32_t facing);

    void setupAnimations() override;
    VaelSprite* setupSpear(std::int16_t) override { return nullptr; }
    VaelSprite* setupShield(std::int16_t) override { return nullptr; }
    void animateCombatFigure(std::int16_t figure, std::int16_t hex, bool casualty,
                             std::vector<std::int16_t>& stepTime, std::vector<std::int16_t>& stepFrom,
                             std::int16_t casualtyNumber, const List<FrameInfo>& frames,
                             std::int32_t direction, std::int16_t newCasualties,
                             std::int16_t advanceFirst) override;
    // Always of stones, whatever this object's kind.
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;

    // The three way-points of a stone slung from the hex point origin toward target (full-size map
    // pixels), with each leg's milliseconds; launch is the point of release relative to the figure.
    struct Flight {
        Point4D w1, w2, w3;
    };
    static Flight flight(const Point3D& origin, const Point3D& target, const Point3D& launch,
                         std::int32_t direction);

    static constexpr Point3D SlingLaunch[9] = {{0, 0, 0},    {-3, -30, 0},  {41, 0, 0},
                                               {59, 1, 0},   {25, 15, 0},   {11, 25, 0},
                                               {-45, 13, 0}, {-60, -25, 0}, {-48, -2, 0}};
    static constexpr Point3D Rise[9] = {{0, 0, 0},  {0, -5, 0}, {-5, -5, 0}, {0, -5, 0}, {-5, -5, 0},
                                        {0, -5, 0}, {5, -5, 0}, {0, -5, 0},  {0, -5, 0}};

protected:
    bool playsVolleys() const override { return true; }
    void volley(LogicalCommandInfo& command) override;
    // The stone of figure i from its home point home along the flight; spread is the scatter of its
    // landing, waits the updates it rests in the hand.
    void queueStone(VaelSprite& stone, std::int16_t hex, const Point3D& home, const Point3D& launch,
                    const Point3D& origin, const Flight& flight, const Point3D& spread, int waits);
};

} // namespace vael
