#pragma once
// Cardaces: a phalanx block that also throws javelins. Besides the block's twenty soldiers it owns one
// missile per soldier. On a missile-fire order every standing soldier turns toward the target, throws and
// steps back into line while his javelin rises to an apex and falls on the target; the soldiers of the
// front hex throw at their own angle. Every other command is the phalanx's. Its missiles are kept in saved
// games ahead of the block's record.
#include <array>

#include "game/figures/p_missile_unit.h"
#include "game/figures/p_phalanx.h"

namespace vael {

class PCardaces : public PPhalanx, public MissileStock {
public:
    // missileKind: a row of the missile images (0 arrows, 1 bolt, 2 javelins, 3 Indian javelin, 4 stone).
    PCardaces(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
              std::int16_t missileKind, std::int16_t region, std::int32_t facing);

    void handleEvent(LogicalCommandInfo& command) override;
    void commandFinished(LogicalCommandInfo& command) override;
    std::vector<VaelSprite*> otherSprites() override {
        std::vector<VaelSprite*> missiles;
        for (std::int16_t i = 0; i < projectileCount; ++i)
            missiles.push_back(projectiles[i]);
        return missiles;
    }
    void setupAnimations() override;
    // Always of javelins, whatever this object's kind.
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override;
    // The missiles (each with whether it is still playing) go before the block's record. Loading reads
    // into the missiles the object already has; a record that does not fit leaves everything as it was.
    void save(std::ostream& stream) override;
    void load(std::istream& stream) override;

    // The direction the soldiers of the front hex throw in when those of the first hex throw in d; d
    // itself where the block has no angle of its own for it.
    std::int32_t frontDirection(std::int32_t d) const;

    struct Shape {
        Point3D step;
        std::int16_t shift;
        Point3D apex;
        std::int32_t speed;
    };
    // By direction 1 to 8: the thrower's step back, the target's shift (for the first hex only), the
    // apex's offset from the half-way point and the speed in pixels a second.
    static constexpr Shape Shapes[9] = {
        {{0, 0, 0}, 0, {0, 0, 0}, 1},         {{0, 4, 0}, 0, {0, -20, 0}, 150},
        {{-6, 3, 0}, -50, {-5, -10, 0}, 300}, {{-6, 0, 0}, -50, {-5, -10, 0}, 300},
        {{-6, -3, 0}, -50, {-5, 0, 0}, 200},  {{0, -4, 0}, 10, {0, -15, 0}, 150},
        {{8, -4, 0}, 20, {5, -25, 0}, 250},   {{8, 0, 0}, 20, {5, -25, 0}, 250},
        {{0, 0, 0}, 10, {0, -20, 0}, 200},
    };
    // The apex leg of a throw from start at the shape of d, toward missileTarget.
    Point4D apexLeg(const Point3D& start, std::int32_t d) const;

protected:
    void volley(LogicalCommandInfo& command);
};

} // namespace vael
