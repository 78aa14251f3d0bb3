#include "tools/forge/figure_art.h"

#include <atomic>
#include <cmath>
#include <exception>
#include <functional>
#include <memory>
#include <numbers>
#include <set>
#include <thread>

#include "framework/display/bitmap.h"
#include "tools/forge/body_model.h"
#include "tools/forge/canvas.h"
#include "tools/forge/forge_palette.h"

namespace vael::forge {

namespace {

constexpr double Pi = std::numbers::pi;

// ---- Colours ------------------------------------------------------------------------------------------

// The nation's colour on shields, tunics, saddle cloths and howdahs.
Ramp nationRamp(std::uint32_t nation) {
    switch (nation) {
    case 1:
        return NationRed; // Macedonians
    case 2:
        return NationPurple; // Persians
    case 3:
        return NationOrange; // Indians
    case 4:
        return NationBlue; // Greeks
    case 6:
        return NationPurple; // who fight under the Persian flag
    default:
        return NationYellow;
    }
}

constexpr std::uint8_t Ink = shade(Leather, 0);
constexpr std::uint8_t SkinTone = shade(Skin, 7);
constexpr std::uint8_t Metal = shade(Steel, 8);
constexpr std::uint8_t Bronze = shade(Sand, 6);
constexpr std::uint8_t Shaft = shade(Wood, 6);
constexpr std::uint8_t Boot = shade(Leather, 4);

// ---- Soldiers -------------------------------------------------------------------------------------------

enum class Weapon { None, Spear, Pike, Javelin, Bow, Sling, Lance, Banner, Crook };
enum class ShieldKind { None, Round, Small, Oval };

struct Gear {
    Weapon weapon = Weapon::Spear;
    ShieldKind shield = ShieldKind::Round;
    bool helmet = true;
    bool armour = false;
    bool crest = false;
    bool trousers = false; // the eastern armies' leg wear
    bool headCloth = false;
    bool tiara = false;
    bool cloak = false;
};

enum class Act { Carry, Thrust, Throw, Shoot, Whirl, Rout, Drop, Wave, Stand, Wounded, Reins, Load };

struct Pose {
    Act act = Act::Carry;
    double t = 0; // how far through the act: 0 to 1, or the frame of a four-frame act
    int frame = 0;
    double walk = 0, stride = 0;
    double lean = 0;
    bool helmetOn = true;
    bool armed = true;
    bool seated = false;
    bool splay = false; // limbs flung out, for the trampled
};

struct Look {
    Ramp nation;
    std::uint8_t tunic() const { return shade(nation, 7); }
    std::uint8_t tunicDark() const { return shade(nation, 4); }
    std::uint8_t tunicLight() const { return shade(nation, 10); }
};

void arm(Scene& s, const V3& shoulder, const V3& hand, double outward, std::uint8_t sleeve) {
    const V3 elbow = lerp(shoulder, hand, 0.5) + V3{-1.2, outward, -1.5};
    s.capsule(shoulder, elbow, 1.6, sleeve, Ink);
    s.capsule(elbow, hand, 1.4, SkinTone, Ink);
    s.ball(hand, 1.3, SkinTone);
}

void shield(Scene& s, ShieldKind kind, const V3& centre, const V3& normal, const Look& look) {
    switch (kind) {
    case ShieldKind::None:
        return;
    case ShieldKind::Round:
        s.disc(centre, normal, 7.5, look.tunic(), Bronze);
        s.disc(centre + normal * 0.3, normal, 2.2, Bronze);
        return;
    case ShieldKind::Small:
        s.disc(centre, normal, 5.2, look.tunic(), Ink);
        return;
    case ShieldKind::Oval: {
        // Tall and narrow: squash a disc along its width.
        s.disc(centre, normal, 6.5, look.tunic(), Ink);
        s.disc(centre + V3{0, 0, 3.5}, normal, 4.5, look.tunic());
        s.disc(centre + V3{0, 0, -3.5}, normal, 4.5, look.tunic());
        return;
    }
    }
}

void bow(Scene& s, const V3& grip, const V3* drawHand) {
    const V3 top = grip + V3{-1.2, 0, 8.5}, bottom = grip + V3{-1.2, 0, -8.5};
    const V3 upper = grip + V3{1.0, 0, 4.5}, lower = grip + V3{1.0, 0, -4.5};
    s.line(top, upper, 1.7, shade(Wood, 3));
    s.line(upper, lower, 1.9, shade(Wood, 3));
    s.line(lower, bottom, 1.7, shade(Wood, 3));
    const std::uint8_t string = shade(Cloth, 9);
    if (drawHand) {
        s.line(top, *drawHand, 0.5, string);
        s.line(*drawHand, bottom, 0.5, string);
    } else {
        s.line(top, bottom, 0.5, string);
    }
}

// A shaft from butt to point, with its head.
void shaft(Scene& s, const V3& butt, const V3& point, double width, double head) {
    const V3 d = point - butt;
    const double n = std::sqrt(d.f * d.f + d.r * d.r + d.z * d.z);
    const V3 neck = point - d * (head / n);
    s.line(butt, neck, width, Shaft);
    s.line(neck, point, width + 0.4, Metal);
}

void banner(Scene& s, const V3& hand, const Look& look, double wave, double droop) {
    const V3 foot = hand + V3{0, 0, -12};
    const V3 top = hand + V3{-droop * 0.5, 0, 44 - droop * 0.3};
    s.line(foot, top, 1.4, Shaft);
    s.ball(top + V3{0, 0, 1.5}, 1.6, Bronze);
    const double w1 = 3.0 * std::sin(wave), w2 = 3.0 * std::sin(wave + 1.6);
    const V3 a = top + V3{0, 0, -1}, b = top + V3{0, 0, -14};
    s.polygon({a, a + V3{-9, w1, -1}, a + V3{-17, w2, 0}, b + V3{-17, w2, 1}, b + V3{-9, w1, 0}, b},
              look.tunic(), look.tunicDark());
    s.polygon({a + V3{-6, w1 * 0.7, -4}, a + V3{-11, (w1 + w2) * 0.5, -4}, a + V3{-11, (w1 + w2) * 0.5, -9},
               a + V3{-6, w1 * 0.7, -9}},
              shade(NationYellow, 9));
}

// One man, standing with his feet at `at` or seated with his hips there.
void soldier(Scene& s, const Look& look, const Gear& gear, const Pose& p, const V3& at) {
    const double hipZ = p.seated ? 0 : 17;
    const V3 hip = at + V3{0, 0, hipZ};
    const double lean = p.lean;
    const V3 neck = hip + V3{lean, 0, 12};
    const V3 head = neck + V3{lean * 0.15, 0, 4.3};
    const std::uint8_t legColour = gear.trousers ? look.tunicDark() : SkinTone;

    // Legs.
    for (int side : {-1, 1}) {
        const V3 top = hip + V3{0, 2.3 * side, 0};
        V3 knee, foot;
        if (p.seated) {
            knee = top + V3{4, 2.5 * side, -3};
            foot = knee + V3{-1.5, 0.3 * side, -8};
        } else {
            const double phase = p.walk + (side > 0 ? 0 : Pi);
            const double spread = p.splay ? 3.5 * side : 0;
            foot = at + V3{p.stride * std::sin(phase), 2.3 * side + spread,
                           std::max(0.0, std::cos(phase)) * p.stride * 0.3};
            knee = lerp(top, foot, 0.5) + V3{1.6, 0, 0};
        }
        s.capsule(top, knee, 2.2, legColour, Ink);
        s.capsule(knee, foot, 1.8, gear.armour && !gear.trousers ? Bronze : legColour, Ink);
        s.ball(foot + V3{0.8, 0, 0.3}, 1.4, Boot);
    }

    // Body: the tunic, a cuirass over it for the armoured.
    s.capsule(hip + V3{0, 0, -1}, neck, 4.7, look.tunic(), Ink);
    // A cuirass over the chest only, narrower than the tunic, so that the army's colour shows about it.
    if (gear.armour) s.capsule(hip + V3{lean * 0.6, 0, 7.5}, neck + V3{0, 0, -2.5}, 3.9, Bronze, Ink);
    if (gear.cloak) {
        s.polygon({neck + V3{-2.5, -4.5, 0}, neck + V3{-2.5, 4.5, 0}, hip + V3{-5, 5.5, -6},
                   hip + V3{-5, -5.5, -6}},
                  look.tunicDark(), Ink);
    }

    // Hands by what the man is doing.
    const V3 shoulderR = neck + V3{0, 4.4, -1.5}, shoulderL = neck + V3{0, -4.4, -1.5};
    V3 handR = neck + V3{2, 5.5, -9}, handL = neck + V3{4.5, -4.5, -6};
    const bool hasShield = gear.shield != ShieldKind::None && p.armed;
    V3 shieldAt = neck + V3{6.5, -3.5, -6}, shieldFacing{1, -0.35, 0.05};
    std::function<void()> weapon;
    const Weapon w = p.armed ? gear.weapon : Weapon::None;
    const int k = p.frame;
    switch (p.act) {
    case Act::Carry:
    case Act::Stand:
        if (w == Weapon::Pike) {
            handR = neck + V3{2, 5, -8};
            weapon = [&, handR] { shaft(s, handR + V3{-1, 0, -10}, handR + V3{7, 0, 50}, 1.3, 3.5); };
        } else if (w == Weapon::Spear || w == Weapon::Lance) {
            const double len = w == Weapon::Lance ? 34 : 27;
            weapon = [&, handR, len] { shaft(s, handR + V3{-1, 0, -12}, handR + V3{3, 0, len}, 1.1, 3); };
        } else if (w == Weapon::Javelin) {
            weapon = [&, handR] {
                shaft(s, handR + V3{-1, 0, -7}, handR + V3{2, 0, 19}, 0.9, 2.5);
                shaft(s, handR + V3{-2, 0.8, -6}, handR + V3{1, 0.8, 18}, 0.9, 2.5);
            };
        } else if (w == Weapon::Bow) {
            // Held out at the side, so that the bow shows whichever way the man faces.
            handL = neck + V3{2, -7.5, -8};
            weapon = [&, handL] { bow(s, handL + V3{0, -1, 0}, nullptr); };
        } else if (w == Weapon::Sling) {
            weapon = [&, handR] {
                s.line(handR, handR + V3{0.5, 0, -5}, 0.6, shade(Leather, 6));
                s.ball(handR + V3{0.5, 0, -5.5}, 1.2, shade(Stone, 5));
            };
        } else if (w == Weapon::Banner) {
            weapon = [&, handR] { banner(s, handR, look, 0, 0); };
        } else if (w == Weapon::Crook) {
            weapon = [&, handR] { s.line(handR + V3{0, 0, -3}, handR + V3{6, 0, 6}, 1.0, Shaft); };
        }
        break;
    case Act::Thrust: {
        const double push = std::sin(Pi * p.t);
        if (w == Weapon::Pike) {
            handR = neck + V3{-1 + 6 * push, 4, -6};
            handL = neck + V3{6 + 6 * push, 0.5, -5};
            weapon = [&, handR] { shaft(s, handR + V3{-12, 0, 1}, handR + V3{44, 0, -3}, 1.3, 3.5); };
        } else if (w == Weapon::Spear || w == Weapon::Lance || w == Weapon::Javelin) {
            handR = neck + V3{-2 + 10 * push, 5, -1 - 2 * push};
            const double len = w == Weapon::Lance ? 28 : w == Weapon::Javelin ? 14 : 22;
            weapon = [&, handR, len] { shaft(s, handR + V3{-12, 0, 1}, handR + V3{len, 0, -4}, 1.1, 3); };
        } else {
            // Bowmen and slingers close in with a short blade.
            handR = neck + V3{-1 + 9 * push, 5, -2 + 4 * (1 - push)};
            weapon = [&, handR] { s.line(handR, handR + V3{8, 0, 1}, 1.2, Metal); };
        }
        break;
    }
    case Act::Throw: {
        static const V3 hands[4] = {{-3, 5, 3}, {-7, 5, 4}, {3, 5, 5}, {7, 4, -5}};
        handR = neck + hands[k & 3];
        handL = hasShield ? handL : neck + V3{6, -4, -3};
        if (k < 3) {
            const bool indian = gear.headCloth;
            weapon = [&, handR, k, indian] {
                const V3 back = k == 2 ? V3{-6, 0, -1} : V3{-8, 0, -2};
                const V3 front = k == 2 ? V3{16, 0, 4} : V3{14, 0, 5};
                shaft(s, handR + back, handR + front * (indian ? 1.2 : 1.0), 0.9, 2.5);
            };
        }
        break;
    }
    case Act::Shoot: {
        handL = neck + V3{9, -1.5, -1};
        static const V3 draws[4] = {{7, 1, -1}, {-1, 2.5, 0}, {-2, 2.5, 0}, {-3, 4.5, -2}};
        handR = neck + draws[k & 3];
        weapon = [&, handL, handR, k] {
            if (k == 1 || k == 2) {
                bow(s, handL, &handR);
            } else {
                bow(s, handL, nullptr);
            }
            if (k < 3) s.line(handR, handL + V3{4, 0, 0}, 0.7, shade(Wood, 8));
        };
        break;
    }
    case Act::Whirl: {
        static const V3 hands[4] = {{4, 5, -9}, {0, 5, 6}, {2, 5, 7}, {8, 4, 1}};
        static const V3 cords[4] = {{0.5, 0, -5}, {-6, 2, 3}, {6, 0, 4}, {5, 0, -1}};
        handR = neck + hands[k & 3];
        weapon = [&, handR, k] {
            const V3 end = handR + cords[k & 3];
            s.line(handR, end, 0.6, shade(Leather, 7));
            if (k != 3) s.ball(end, 1.2, shade(Stone, 5));
        };
        break;
    }
    case Act::Rout:
        handR = neck + V3{2 + 3 * std::sin(p.walk), 6, 2 + 2 * std::cos(p.walk)};
        handL = neck + V3{2 - 3 * std::sin(p.walk), -6, 2 - 2 * std::cos(p.walk)};
        break;
    case Act::Drop:
        handR = neck + V3{5, 5, -9 - 6 * p.t};
        handL = neck + V3{5, -5, -9 - 6 * p.t};
        if (p.t < 0.4 && gear.weapon != Weapon::None) {
            weapon = [&, handR] { s.line(handR + V3{-8, 0, -2}, handR + V3{12, 0, 6}, 1.1, Shaft); };
        }
        break;
    case Act::Wave:
        weapon = [&, handR, t = p.t] { banner(s, handR, look, t * 2 * Pi, 0); };
        break;
    case Act::Wounded:
        handL = neck + V3{3, -3, -4};
        if (w == Weapon::Banner) weapon = [&, handR] { banner(s, handR, look, 0.8, 14); };
        break;
    case Act::Reins:
        handR = neck + V3{8, 2.5, -6};
        handL = neck + V3{8, -2.5, -6};
        break;
    case Act::Load:
        handR = neck + V3{7, 3, -8 - 2 * std::sin(p.t * Pi)};
        handL = neck + V3{7, -3, -8 - 2 * std::sin(p.t * Pi)};
        break;
    }
    if (p.splay) {
        handR = neck + V3{1, 9, -1};
        handL = neck + V3{1, -9, -1};
    }

    arm(s, shoulderL, handL, -2.0, look.tunic());
    if (hasShield &&
        (p.act == Act::Carry || p.act == Act::Thrust || p.act == Act::Throw || p.act == Act::Stand))
        shield(s, gear.shield, p.act == Act::Carry || p.act == Act::Stand ? shieldAt : handL + V3{2, 0, 0},
               shieldFacing, look);
    arm(s, shoulderR, handR, 2.0, look.tunic());
    if (weapon) weapon();

    // Head and what covers it.
    s.ball(head, 3.4, SkinTone, Ink);
    if (gear.helmet && p.helmetOn) {
        // Set back and up on the head, so that the face shows under it from the front.
        s.ball(head + V3{-0.9, 0, 1.6}, 3.3, Bronze, Ink);
        if (gear.crest)
            s.capsule(head + V3{-3.5, 0, 4.3}, head + V3{2.5, 0, 4.6}, 1.4, look.tunicLight(), Ink);
    } else if (gear.headCloth) {
        s.ball(head + V3{-0.9, 0, 1.8}, 3.3, shade(Cloth, 10), Ink);
    } else if (gear.tiara) {
        s.capsule(head + V3{-0.3, 0, 3.2}, head + V3{-0.3, 0, 7}, 2.4, shade(NationYellow, 9), Ink);
    } else if (gear.trousers && p.helmetOn) {
        s.ball(head + V3{-0.9, 0, 1.8}, 3.1, look.tunicLight(), Ink); // the soft eastern cap
    }
    if (p.act == Act::Wounded) s.capsule(head + V3{-2, 0, 1.5}, head + V3{2, 0, 1.5}, 1.0, shade(Cloth, 11));
}

// ---- Beasts and machines ------------------------------------------------------------------------------

struct HorseLook {
    std::uint8_t coat = shade(Horse, 6);
    std::uint8_t dark = shade(Horse, 2);
    bool barded = false;
    std::uint8_t cloth = 0; // the saddle cloth, 0 for none
};

// A horse standing on the ground at `at`, facing forward; gait is the phase of its legs.
void horse(Scene& s, const HorseLook& h, const V3& at, double gait, double stride) {
    const std::uint8_t body = h.barded ? shade(Steel, 6) : h.coat;
    static const double phases[4] = {0, Pi, Pi / 2, 3 * Pi / 2};
    static const double ends[4] = {8, 8, -8, -8};
    static const double sides[4] = {-2.8, 2.8, -2.8, 2.8};
    for (int i = 0; i < 4; ++i) {
        const double ph = gait + phases[i];
        const V3 top = at + V3{ends[i], sides[i], 14};
        const V3 hoof =
            at + V3{ends[i] + stride * std::sin(ph), sides[i], std::max(0.0, std::cos(ph)) * stride * 0.4};
        const V3 knee = lerp(top, hoof, 0.5) + V3{i < 2 ? 1.5 : -1.5, 0, 0};
        s.capsule(top, knee, 1.9, body, Ink);
        s.capsule(knee, hoof, 1.4, h.coat, Ink);
        s.ball(hoof, 1.3, h.dark);
    }
    s.capsule(at + V3{-11, 0, 19}, at + V3{-15, 0, 10}, 1.5, h.dark, Ink); // tail
    s.capsule(at + V3{-9, 0, 18}, at + V3{8, 0, 18.5}, 6.3, body, Ink);
    // The saddle cloth, large: at the smallest size it is what tells one army's horsemen from another's.
    if (h.cloth) {
        s.capsule(at + V3{-6, 0, 19}, at + V3{4, 0, 19}, 6.8, h.cloth, Ink);
        s.capsule(at + V3{8, 0, 18}, at + V3{10, 0, 23}, 3.6, h.cloth, Ink);
    }
    s.capsule(at + V3{9, 0, 20}, at + V3{14, 0, 29}, 3.4, body, Ink);
    s.capsule(at + V3{9, 0, 24}, at + V3{13, 0, 31}, 1.2, h.dark); // mane
    s.capsule(at + V3{14, 0, 30}, at + V3{19.5, 0, 25}, 2.6, h.barded ? shade(Steel, 7) : h.coat, Ink);
    s.ball(at + V3{13.5, -1.2, 33}, 0.9, h.dark);
    s.ball(at + V3{13.5, 1.2, 33}, 0.9, h.dark);
}

struct ChariotLook {
    Look crew;
    bool crewed = true;
    bool dragging = false;
};

void chariot(Scene& s, const ChariotLook& c, double gait, double stride, const Pose& crewPose,
             const Gear& crewGear) {
    HorseLook h;
    h.cloth = c.crew.tunic();
    horse(s, h, V3{24, -5.5, 0}, gait, stride);
    horse(s, h, V3{24, 5.5, 0}, gait + 0.6, stride);
    s.line(V3{4, 0, 10}, V3{22, 0, 17}, 1.6, Shaft); // the pole
    for (int side : {-1, 1})
        s.disc(V3{-2, 9.0 * side, 8.5}, V3{0, 1, 0}, 8.5, shade(Wood, 3), shade(Wood, 8));
    const std::uint8_t panel = shade(Wood, 7);
    s.polygon({{-7, -7, 9}, {5, -7, 9}, {5, -7, 16}, {-7, -7, 16}}, panel, Ink);
    s.polygon({{-7, 7, 9}, {5, 7, 9}, {5, 7, 16}, {-7, 7, 16}}, panel, Ink);
    s.polygon({{5, -7, 9}, {5, 7, 9}, {5, 7, 17}, {5, -7, 17}}, c.crew.tunic(), Ink);
    if (c.crewed) {
        Pose driver;
        driver.act = Act::Reins;
        soldier(s, c.crew, Gear{Weapon::None, ShieldKind::None, true}, driver, V3{-1, -3, 9});
        soldier(s, c.crew, crewGear, crewPose, V3{-2, 3.5, 9});
    }
    if (c.dragging) {
        const std::size_t from = s.size();
        Pose lying;
        lying.armed = false;
        soldier(s, c.crew, Gear{Weapon::None, ShieldKind::None, false}, lying, V3{-9, 0, 0});
        s.pitch(V3{-9, 0, 0}, -Pi / 2 + 0.05, from);
    }
}

void elephant(Scene& s, const Look& look, double gait, double stride, double trunkLift, double frontLift,
              const Pose& crewPose, const Gear& crewGear, bool crewed) {
    const std::uint8_t hide = shade(Stone, 5), hideDark = shade(Stone, 3);
    static const double phases[4] = {0, Pi, Pi / 2, 3 * Pi / 2};
    static const double ends[4] = {12, 12, -12, -12};
    static const double sides[4] = {-7, 7, -7, 7};
    for (int i = 0; i < 4; ++i) {
        const double ph = gait + phases[i];
        const double lift = i == 0 ? frontLift : 0;
        const V3 top = V3{ends[i], sides[i], 24};
        const V3 foot = V3{ends[i] + stride * std::sin(ph) + lift * 0.4, sides[i],
                           std::max(0.0, std::cos(ph)) * stride * 0.3 + lift};
        s.capsule(top, foot + V3{0, 0, 2}, 5.0, hide, Ink);
    }
    s.capsule(V3{-20, 0, 32}, V3{-24, 0, 18}, 1.4, hideDark); // tail
    s.capsule(V3{-15, 0, 33}, V3{13, 0, 35}, 15, hide, Ink);
    s.ball(V3{21, 0, 38}, 10, hide, Ink);
    for (int side : {-1, 1})
        s.disc(V3{18, 10.5 * side, 38}, V3{0.3, 1.0 * side, 0}, 8, hideDark, Ink);
    const V3 trunk0{28, 0, 34};
    const V3 trunk1 = V3{32, 0, 22} + V3{trunkLift * 0.5, 0, trunkLift};
    const V3 trunk2 = V3{31, 0, 8} + V3{trunkLift, 0, trunkLift * 2.2};
    s.capsule(trunk0, trunk1, 3.3, hide, Ink);
    s.capsule(trunk1, trunk2, 2.4, hide, Ink);
    for (int side : {-1, 1})
        s.capsule(V3{27, 3.5 * side, 30}, V3{34, 4.0 * side, 28}, 1.1, shade(Cloth, 11), Ink);
    // The saddle cloth and the howdah in the army's colours.
    s.polygon({{-10, -15, 44}, {10, -15, 44}, {10, -16, 30}, {-10, -16, 30}}, look.tunic(), Ink);
    s.polygon({{-10, 15, 44}, {10, 15, 44}, {10, 16, 30}, {-10, 16, 30}}, look.tunic(), Ink);
    const std::uint8_t wood = shade(Wood, 7);
    s.polygon({{-9, -9, 49}, {7, -9, 49}, {7, -9, 56}, {-9, -9, 56}}, wood, Ink);
    s.polygon({{-9, 9, 49}, {7, 9, 49}, {7, 9, 56}, {-9, 9, 56}}, wood, Ink);
    s.polygon({{-9, -9, 56}, {7, -9, 56}, {7, 9, 56}, {-9, 9, 56}}, look.tunicDark(), Ink);
    if (crewed) {
        Pose mahout;
        mahout.seated = true;
        mahout.act = Act::Reins;
        soldier(s, look, Gear{Weapon::Crook, ShieldKind::None, false, false, false, false, true}, mahout,
                V3{16, 0, 47});
        Pose rider = crewPose;
        rider.seated = true;
        soldier(s, look, crewGear, rider, V3{-2, 0, 54});
    }
}

void boltThrower(Scene& s, const Look& look, const Pose& crewPose) {
    const std::uint8_t wood = shade(Wood, 6);
    for (int side : {-1, 1})
        s.capsule(V3{-2, 0, 22}, V3{-10, 8.0 * side, 0}, 1.2, wood, Ink);
    s.capsule(V3{-2, 0, 22}, V3{10, 0, 0}, 1.2, wood, Ink);
    s.capsule(V3{-16, 0, 24}, V3{20, 0, 26}, 2.2, shade(Wood, 8), Ink);
    for (int side : {-1, 1}) {
        s.capsule(V3{13, 2.5 * side, 26}, V3{9, 13.0 * side, 27}, 1.3, shade(Wood, 4), Ink);
        s.line(V3{9, 13.0 * side, 27}, V3{-6 - 4 * crewPose.t, 0, 26}, 0.6, shade(Cloth, 9));
    }
    s.polygon({{12, -3, 23}, {16, -3, 23}, {16, -3, 30}, {12, -3, 30}}, shade(Steel, 6), Ink);
    Gear crew{Weapon::None, ShieldKind::None, true, false, false};
    Pose p = crewPose;
    soldier(s, look, crew, p, V3{-10, -11, 0});
    soldier(s, look, crew, p, V3{-10, 11, 0});
}

// ---- Building archives -----------------------------------------------------------------------------------

PaletteMatcher& matcher() {
    // One per thread: the matcher fills its cache as it answers.
    thread_local PaletteMatcher m = PaletteMatcher::art();
    return m;
}

class Builder {
public:
    Builder(const std::string& name, int width, int height, int hotX, int hotY, bool keep)
        : width_(width), height_(height), hotX_(hotX), hotY_(hotY), keep_(keep) {
        art_.name = name;
        for (int k = 0; k < 3; ++k) {
            art_.sizes[k].title = name + SizeSuffixes[k];
            canvases_[k] = std::make_unique<Canvas>(width >> k, height >> k);
        }
    }

    void group(const std::string& name) {
        for (auto& a : art_.sizes)
            a.groups.push_back(ForgedGroup{name, {}});
    }

    void image(const Scene& scene, int direction, bool withShadow = true) {
        for (int k = 0; k < 3; ++k) {
            Canvas& c = *canvases_[k];
            clearCanvas(c);
            scene.draw(c, direction, hotX_ >> k, hotY_ >> k, 1.0 / (1 << k));
            if (withShadow) castShadow(c, hotY_ >> k);
            add(k, c.reduce(matcher(), withShadow));
        }
    }

    // A picture made without the body model (the empty resting missile).
    void picture(int k, Picture p, Point hot) { add(k, std::move(p), hot); }
    Canvas& canvas(int k) { return *canvases_[k]; }
    int hotX() const { return hotX_; }
    int hotY() const { return hotY_; }

    FigureArtwork finish() { return std::move(art_); }

private:
    void add(int k, Picture p, std::optional<Point> hot = std::nullopt) {
        ForgedGroup& g = art_.sizes[k].groups.back();
        const Point spot =
            hot ? *hot : Point(static_cast<std::int16_t>(hotX_ >> k), static_cast<std::int16_t>(hotY_ >> k));
        g.images.push_back(
            ForgedImage{g.name + std::to_string(g.images.size()),
                        Dim(static_cast<std::int16_t>(p.width()), static_cast<std::int16_t>(p.height())),
                        spot, PixelRunLengthShadow, p.runLengthRows(true)});
        if (keep_) art_.pictures[k].push_back(std::move(p));
    }

    FigureArtwork art_;
    int width_, height_, hotX_, hotY_;
    bool keep_;
    std::array<std::unique_ptr<Canvas>, 3> canvases_;
};

// Whether the contact sheets and tests keep the drawn pictures; the data set does not need them.
thread_local bool keepPictures = false;

// ---- Unit artwork
// -------------------------------------------------------------------------------------------

enum class Body { Foot, Phalanx, Rider, Chariot, Elephant, Engine, Leader };

struct Kind {
    Body body = Body::Foot;
    Gear gear;
    bool missile = false;
    HorseLook horse;
};

Kind kindOf(const DisplayCatalogueEntry& e) {
    Kind k;
    const bool east = e.nation == 2 || e.nation == 3 || e.nation == 6;
    k.gear.trousers = e.nation == 2 || e.nation == 6;
    k.gear.headCloth = e.nation == 3;
    k.gear.helmet = !east;
    const Ramp nation = nationRamp(e.nation);
    switch (e.displayClass) {
    case DisplayClass::PLeader:
    case DisplayClass::PTezhar:
        k.body = Body::Leader;
        k.gear = Gear{Weapon::Banner,
                      ShieldKind::None,
                      !east,
                      true,
                      true,
                      e.nation == 2,
                      e.nation == 3,
                      e.displayClass == DisplayClass::PTezhar,
                      true};
        k.horse.cloth = shade(nation, 7);
        break;
    case DisplayClass::PHeavyInfantry:
    case DisplayClass::PShockingArcher:
        k.gear.weapon = Weapon::Spear;
        k.gear.shield = ShieldKind::Round;
        k.gear.armour = true;
        k.gear.crest = true;
        break;
    case DisplayClass::PPhalanx:
    case DisplayClass::PCardaces:
        k.body = Body::Phalanx;
        // The Cardaces stand in a block like the phalanx but throw javelins.
        k.gear.weapon = e.displayClass == DisplayClass::PCardaces ? Weapon::Javelin : Weapon::Pike;
        k.gear.shield = e.displayClass == DisplayClass::PCardaces ? ShieldKind::Oval : ShieldKind::Round;
        k.gear.armour = false;
        k.missile = e.displayClass == DisplayClass::PCardaces;
        break;
    case DisplayClass::PLancer:
        k.body = Body::Rider;
        k.gear.weapon = Weapon::Lance;
        k.gear.shield = ShieldKind::None;
        k.gear.armour = e.unitKind == 10; // only the cataphracts: the others show their army's colour
        k.horse.barded = e.unitKind == 10;
        k.horse.cloth = shade(nation, 7);
        break;
    case DisplayClass::PArcher:
        k.gear.weapon = Weapon::Bow;
        k.gear.shield = ShieldKind::None;
        k.missile = true;
        break;
    case DisplayClass::PMountedArcher:
        k.body = Body::Rider;
        k.gear.weapon = Weapon::Bow;
        k.gear.shield = ShieldKind::None;
        k.horse.cloth = shade(nation, 7);
        k.missile = true;
        break;
    case DisplayClass::PChariotArcher:
    case DisplayClass::PChariotJavelinist:
        k.body = Body::Chariot;
        k.gear.weapon = e.displayClass == DisplayClass::PChariotArcher ? Weapon::Bow : Weapon::Javelin;
        k.gear.shield = ShieldKind::None;
        k.missile = true;
        break;
    case DisplayClass::PJavelinist:
    case DisplayClass::PShockingJavelinist:
        k.gear.weapon = Weapon::Javelin;
        k.gear.shield =
            e.displayClass == DisplayClass::PShockingJavelinist ? ShieldKind::Oval : ShieldKind::Small;
        k.missile = true;
        break;
    case DisplayClass::PMountedJavelinist:
        k.body = Body::Rider;
        k.gear.weapon = Weapon::Javelin;
        k.gear.shield = ShieldKind::Small;
        k.horse.cloth = shade(nation, 7);
        k.missile = true;
        break;
    case DisplayClass::PElephant:
        k.body = Body::Elephant;
        k.gear.weapon = Weapon::Javelin;
        k.gear.shield = ShieldKind::None;
        k.missile = true;
        break;
    case DisplayClass::PSlinger:
        k.gear.weapon = Weapon::Sling;
        k.gear.shield = ShieldKind::None;
        k.gear.helmet = false;
        k.missile = true;
        break;
    case DisplayClass::POxybeles:
        k.body = Body::Engine;
        k.missile = true;
        break;
    }
    return k;
}

struct Frame {
    Pose pose;
    double gait = 0, stride = 0;
    double pitch = 0; // the beast rearing (positive lifts the front)
    double trunk = 0, frontLift = 0;
    double fall = 0; // the figure lying on the ground
    bool crewed = true;
};

// One whole figure of the kind in the frame's pose, facing forward.
Scene figure(const Kind& kind, const Look& look, const Frame& fr) {
    Scene s;
    switch (kind.body) {
    case Body::Foot:
    case Body::Phalanx:
        soldier(s, look, kind.gear, fr.pose, V3{});
        break;
    case Body::Rider:
    case Body::Leader: {
        horse(s, kind.horse, V3{}, fr.gait, fr.stride);
        Pose p = fr.pose;
        p.seated = true;
        soldier(s, look, kind.gear, p, V3{-1, 0, 24});
        if (fr.pitch != 0) s.pitch(V3{-9, 0, 0}, -fr.pitch);
        break;
    }
    case Body::Chariot:
        chariot(s, ChariotLook{look, fr.crewed, false}, fr.gait, fr.stride, fr.pose, kind.gear);
        s.shift(V3{-9, 0, 0});
        break;
    case Body::Elephant:
        elephant(s, look, fr.gait, fr.stride, fr.trunk, fr.frontLift, fr.pose, kind.gear, fr.crewed);
        if (fr.pitch != 0) s.pitch(V3{-16, 0, 0}, -fr.pitch);
        break;
    case Body::Engine:
        boltThrower(s, look, fr.pose);
        break;
    }
    return s;
}

// A casualty of the kind lying on the ground; variant picks among the looks of one cause.
Scene casualty(const Kind& kind, const Look& look, const std::string& cause, int variant, bool crewOnly) {
    Scene s;
    const bool beast = kind.body == Body::Elephant;
    if (beast && !crewOnly) {
        Frame fr;
        fr.crewed = false;
        fr.trunk = -2;
        s = figure(kind, look, fr);
        s.roll(V3{0, 0, 0}, Pi / 2 - 0.1);
        s.shift(V3{0, 0, -4});
        return s;
    }
    if (kind.body == Body::Chariot && !crewOnly) {
        // The wreck: a chariot on its side with its crew spilled beside it.
        const std::size_t from = s.size();
        chariot(s, ChariotLook{look, false, false}, 0, 0, Pose{}, kind.gear);
        s.roll(V3{0, 0, 0}, Pi / 2 - 0.2, from);
        s.shift(V3{-9, 0, 0}, from);
    }
    Pose p;
    p.act = Act::Stand;
    p.armed = false;
    p.helmetOn = variant % 2 == 0;
    p.splay = cause == "Trample";
    const std::size_t from = s.size();
    Gear g = kind.gear;
    soldier(s, look, g, p, V3{});
    const double tilt = cause == "Shock" ? Pi / 2 - 0.05 : Pi / 2 - 0.15;
    s.pitch(V3{}, (variant % 2 ? tilt : -tilt), from);
    // The man lies about the spot he fell on, not stretched away from it out of his picture.
    s.shift(V3{variant % 2 ? -17.0 : 17.0, 0, 0}, from);
    if (cause == "Trample") s.shift(V3{0, 0, -1}, from);
    // What he carried lies beside him.
    if (g.weapon == Weapon::Spear || g.weapon == Weapon::Pike || g.weapon == Weapon::Lance)
        shaft(s, V3{-10, 6, 0.5}, V3{16, 4, 0.5}, 1.1, 3);
    if (g.shield != ShieldKind::None) shield(s, g.shield, V3{4, -9, 1}, V3{0.2, 0, 1}, look);
    if (cause == "Arrow") {
        for (int i = 0; i < 2; ++i)
            s.line(V3{1.0 * i, 1.0 - i, 3}, V3{-2.0 + i, 2.0 - i, 11}, 0.8, shade(Wood, 8));
    }
    return s;
}

const char* const CasualtyCauses[4] = {"General", "Shock", "Arrow", "Trample"};
// The fallen are seen lying across the view, at their full length, rather than end on.
constexpr int lyingDirections[6] = {3, 7, 2, 6, 4, 8};

void casualtyGroups(Builder& b, const Kind& kind, const Look& look, const std::string& suffix,
                    bool crewOnly) {
    for (int c = 0; c < 4; ++c) {
        b.group(CasualtyCauses[c] + suffix);
        const int count = c == 0 ? 3 : 2;
        for (int v = 0; v < count; ++v)
            b.image(casualty(kind, look, CasualtyCauses[c], v + c, crewOnly), lyingDirections[(v + c) % 6]);
    }
}

// Walking frames: six steps of a stride.
constexpr int WalkFrames = 6;

Frame walking(const Kind& kind, int i, bool routing) {
    Frame fr;
    const double phase = 2 * Pi * i / WalkFrames;
    fr.pose.walk = phase;
    const bool onFoot = kind.body == Body::Foot || kind.body == Body::Phalanx;
    fr.pose.stride = onFoot ? (routing ? 6.5 : 4.5) : 0;
    fr.gait = phase;
    fr.stride = routing ? 6 : 4;
    if (kind.body == Body::Elephant) fr.stride = 5;
    if (routing) {
        fr.pose.act = onFoot ? Act::Rout : Act::Stand;
        fr.pose.armed = !onFoot;
        fr.pose.helmetOn = false;
        fr.pose.lean = onFoot ? 4 : 2;
    }
    return fr;
}

void directionGroups(Builder& b, const Kind& kind, const Look& look, const std::string& prefix,
                     const std::string& suffix, int frames, const std::function<Frame(int)>& make) {
    for (int d = 1; d <= 8; ++d) {
        b.group(prefix + DirectionNames[d - 1] + suffix);
        for (int i = 0; i < frames; ++i)
            b.image(figure(kind, look, make(i)), d);
    }
}

struct Canvas3 {
    int width, height, hotX, hotY;
};

Canvas3 canvasOf(Body body) {
    switch (body) {
    case Body::Foot:
        return {80, 76, 40, 60};
    case Body::Phalanx:
        return {120, 108, 60, 84};
    case Body::Rider:
        return {104, 96, 52, 72};
    case Body::Leader:
        return {104, 124, 52, 96};
    case Body::Chariot:
        return {136, 100, 68, 72};
    case Body::Elephant:
        return {136, 128, 68, 96};
    case Body::Engine:
        return {96, 84, 48, 60};
    }
    return {80, 76, 40, 60};
}

} // namespace

FigureArtwork unitArtwork(const DisplayCatalogueEntry& entry) {
    const Kind kind = kindOf(entry);
    const Look look{nationRamp(entry.nation)};
    const Canvas3 c = canvasOf(kind.body);
    Builder b(entry.archive, c.width, c.height, c.hotX, c.hotY, keepPictures);
    const bool onFoot = kind.body == Body::Foot || kind.body == Body::Phalanx;
    const bool leader = kind.body == Body::Leader;

    directionGroups(b, kind, look, "", "", WalkFrames, [&](int i) { return walking(kind, i, false); });
    b.group("Standing");
    for (int d = 1; d <= 8; ++d)
        b.image(figure(kind, look, Frame{}), d);

    if (leader) {
        auto waving = [&](bool wounded) {
            return [&, wounded](int i) {
                Frame fr;
                fr.pose.act = wounded ? Act::Wounded : Act::Wave;
                fr.pose.t = i / 4.0;
                fr.pose.lean = wounded ? 4 : 0;
                return fr;
            };
        };
        directionGroups(b, kind, look, "AS", "", 4, waving(false));
        directionGroups(b, kind, look, "AS", "WA", 4, waving(true));
        directionGroups(b, kind, look, "", "WA", WalkFrames, [&](int i) {
            Frame fr = walking(kind, i, false);
            fr.pose.act = Act::Wounded;
            fr.pose.lean = 4;
            return fr;
        });
        b.group("StandingWA");
        Frame hurt;
        hurt.pose.act = Act::Wounded;
        hurt.pose.lean = 4;
        for (int d = 1; d <= 8; ++d)
            b.image(figure(kind, look, hurt), d);
        casualtyGroups(b, kind, look, "", false);
        return b.finish();
    }

    b.group("StandingR");
    Frame routed;
    routed.pose.act = onFoot ? Act::Stand : Act::Stand;
    routed.pose.armed = !onFoot;
    routed.pose.helmetOn = false;
    routed.pose.lean = 2;
    for (int d = 1; d <= 8; ++d)
        b.image(figure(kind, look, routed), d);
    directionGroups(b, kind, look, "Rout", "", WalkFrames, [&](int i) { return walking(kind, i, true); });

    // Combat: six frames of a thrust and back.
    directionGroups(b, kind, look, "C", "", 6, [&](int i) {
        Frame fr;
        fr.pose.act = kind.body == Body::Engine ? Act::Load : Act::Thrust;
        fr.pose.t = i / 5.0;
        fr.frontLift = kind.body == Body::Elephant ? 6 * std::sin(Pi * i / 5.0) : 0;
        fr.trunk = kind.body == Body::Elephant ? 8 * std::sin(Pi * i / 5.0) : 0;
        return fr;
    });
    if (kind.missile) {
        const Weapon w = kind.gear.weapon;
        directionGroups(b, kind, look, "M", "", 4, [&](int i) {
            Frame fr;
            fr.pose.frame = i;
            fr.pose.t = i / 3.0;
            fr.pose.act = kind.body == Body::Engine ? Act::Load
                          : w == Weapon::Bow        ? Act::Shoot
                          : w == Weapon::Sling      ? Act::Whirl
                                                    : Act::Throw;
            return fr;
        });
    }
    if (onFoot) {
        directionGroups(b, kind, look, "Drop", "", 4, [&](int i) {
            Frame fr;
            fr.pose.act = Act::Drop;
            fr.pose.t = i / 3.0;
            fr.pose.lean = 2 + 2 * i;
            fr.pose.armed = i < 2;
            return fr;
        });
        // The first rout: the man turns from the enemy, and throws off his helmet as he goes.
        for (int d = 1; d <= 8; ++d) {
            b.group(std::string("Helmet") + DirectionNames[d - 1]);
            for (int i = 0; i < 8; ++i) {
                Frame fr = walking(kind, i % WalkFrames, true);
                fr.pose.helmetOn = i < 4;
                Scene s = figure(kind, look, fr);
                s.yaw(V3{}, Pi * (1 - std::min(1.0, i / 5.0)));
                b.image(s, d);
            }
        }
    }
    if (kind.body == Body::Phalanx) {
        b.group("ABOUTFACE");
        for (int d = 1; d <= 8; ++d) {
            Frame fr;
            fr.pose.act = Act::Carry;
            Scene s = figure(kind, look, fr);
            b.image(s, d);
        }
    }
    if (kind.body == Body::Rider || kind.body == Body::Elephant) {
        directionGroups(b, kind, look, "R", "", 5, [&](int i) {
            static const double lifts[5] = {0.15, 0.35, 0.5, 0.35, 0.15};
            Frame fr;
            fr.pitch = kind.body == Body::Elephant ? lifts[i] * 0.6 : lifts[i];
            fr.trunk = kind.body == Body::Elephant ? 14 * lifts[i] : 0;
            return fr;
        });
    }
    if (kind.body == Body::Elephant) {
        directionGroups(b, kind, look, "T", "", 3, [&](int i) {
            Frame fr;
            fr.frontLift = i == 1 ? 9 : i == 2 ? 3 : 0;
            fr.trunk = 6 + 4 * i;
            return fr;
        });
    }
    casualtyGroups(b, kind, look, "", false);
    if (kind.body == Body::Chariot) casualtyGroups(b, kind, look, " A", true);
    return b.finish();
}

// ---- Projectiles
// -------------------------------------------------------------------------------------------

FigureArtwork projectileArtwork(int missileKind) {
    Builder b(ProjectileNames[missileKind], 48, 40, 24, 20, keepPictures);
    // At rest a missile is not seen: one transparent pixel.
    b.group("Default");
    for (int k = 0; k < 3; ++k)
        b.picture(k, Picture(1, 1), Point(0, 0));
    for (int d = 1; d <= 8; ++d) {
        b.group(DirectionNames[d - 1]);
        for (int i = 0; i < 3; ++i) {
            const double pitch = (1 - i) * 0.45; // rising, level, falling
            Scene s;
            const V3 a{-1, 0, 0}, dir{std::cos(pitch), 0, std::sin(pitch)};
            switch (missileKind) {
            case 0: // arrows
                s.line(a - dir * 7, a + dir * 6, 0.9, shade(Wood, 8));
                s.line(a + dir * 5, a + dir * 8, 1.4, Metal);
                s.line(a - dir * 7, a - dir * 4, 1.6, shade(Cloth, 10));
                break;
            case 1: // the bolt
                s.line(a - dir * 12, a + dir * 9, 1.6, shade(Wood, 6));
                s.line(a + dir * 8, a + dir * 13, 2.2, Metal);
                s.line(a - dir * 12, a - dir * 8, 2.4, shade(Leather, 7));
                break;
            case 2: // javelins
            case 3: // the longer Indian javelin, bound in colour
            {
                const double half = missileKind == 3 ? 14 : 11;
                s.line(a - dir * half, a + dir * (half - 2), 1.1, Shaft);
                s.line(a + dir * (half - 3), a + dir * (half + 1), 1.6, Metal);
                if (missileKind == 3) s.line(a - dir * 2, a + dir * 1, 1.6, shade(NationOrange, 8));
            } break;
            default: // a stone
                s.ball(a, 1.8, shade(Stone, 6), Ink);
                break;
            }
            b.image(s, d, false);
        }
    }
    if (missileKind == 4) {
        // A stone in flight looks the same from every side: the slingers show it by this one picture.
        b.group("Stone");
        Scene s;
        s.ball(V3{-1, 0, 0}, 1.8, shade(Stone, 6), Ink);
        b.image(s, 1, false);
    }
    return b.finish();
}

// ---- Rout debris
// -------------------------------------------------------------------------------------------

FigureArtwork routDebrisArtwork() {
    Builder b(RoutDebrisName, 64, 40, 32, 24, keepPictures);
    for (int d = 1; d <= 8; ++d) {
        b.group(std::string("Spear") + DirectionNames[d - 1]);
        for (int i = 0; i < 2; ++i) {
            Scene s;
            shaft(s, V3{-13.0 + 2 * i, 1.0 * i, 0.5}, V3{15.0 + 2 * i, 1.0 * i, 0.5}, 1.1, 3);
            b.image(s, d);
        }
    }
    const std::uint8_t faces[3] = {Bronze, shade(Wood, 7), shade(Leather, 6)};
    b.group("Shield");
    for (int i = 0; i < 3; ++i) {
        Scene s;
        s.disc(V3{0, 0, 1}, V3{0.15, 0.1, 1}, 7, faces[i], Ink);
        s.disc(V3{0, 0, 1.4}, V3{0.15, 0.1, 1}, 2.2, shade(Sand, 8));
        b.image(s, 1 + 3 * i);
    }
    b.group("Shield U");
    for (int i = 0; i < 3; ++i) {
        Scene s;
        s.disc(V3{0, 0, 1}, V3{0.15, 0.1, 1}, 7, shade(Wood, 4), faces[i]);
        s.line(V3{-4, 0, 1.5}, V3{4, 0, 1.5}, 1.3, shade(Leather, 3));
        b.image(s, 2 + 3 * i);
    }
    b.group("Bow");
    for (int i = 0; i < 2; ++i) {
        Scene s;
        const V3 grip{0, 0, 0.5};
        s.line(grip + V3{-1, -9, 0}, grip + V3{1.5, -4, 0}, 1.3, shade(Wood, 4));
        s.line(grip + V3{1.5, -4, 0}, grip + V3{1.5, 4, 0}, 1.5, shade(Wood, 4));
        s.line(grip + V3{1.5, 4, 0}, grip + V3{-1, 9, 0}, 1.3, shade(Wood, 4));
        s.line(grip + V3{-1, -9, 0}, grip + V3{-1, 9, 0}, 0.5, shade(Cloth, 9));
        b.image(s, 2 + 4 * i);
    }
    b.group("Helmet");
    for (int i = 0; i < 3; ++i) {
        Scene s;
        s.ball(V3{0, 0, 2.5}, 3.5, faces[i == 1 ? 0 : i], Ink);
        s.capsule(V3{-3.5, 0, 5.5}, V3{2.5, 0, 6}, 1.3, shade(i == 1 ? NationRed : Cloth, 8), Ink);
        b.image(s, 1 + 2 * i);
    }
    return b.finish();
}

// ---- Debris objects: loose horses and runaway chariots
// --------------------------------------------------------

FigureArtwork debrisObjectArtwork(int which) {
    const bool chariotKind = which >= 2;
    Kind kind;
    kind.body = chariotKind ? Body::Chariot : Body::Rider;
    kind.horse.barded = which == 1;
    // The dragged crews wear their own army's colours; the rest carry no colours at all.
    const Look look{which == 3 ? NationPurple : which == 4 ? NationOrange : Cloth};
    const Canvas3 c = canvasOf(kind.body);
    Builder b(DebrisObjectNames[which], c.width, c.height, c.hotX, c.hotY, keepPictures);
    auto make = [&](const Frame& fr) {
        Scene s;
        if (chariotKind) {
            chariot(s, ChariotLook{look, false, which >= 3}, fr.gait, fr.stride, Pose{}, Gear{});
            s.shift(V3{-9, 0, 0});
        } else {
            horse(s, kind.horse, V3{}, fr.gait, fr.stride);
        }
        return s;
    };
    for (int d = 1; d <= 8; ++d) {
        b.group(DirectionNames[d - 1]);
        for (int i = 0; i < WalkFrames; ++i) {
            Frame fr;
            fr.gait = 2 * Pi * i / WalkFrames;
            fr.stride = 6;
            b.image(make(fr), d);
        }
    }
    b.group("Standing");
    for (int d = 1; d <= 8; ++d)
        b.image(make(Frame{}), d);
    for (int cause = 0; cause < 4; ++cause) {
        b.group(CasualtyCauses[cause]);
        for (int v = 0; v < 2; ++v) {
            Scene s = make(Frame{});
            s.roll(V3{}, (v ? 1 : -1) * (Pi / 2 - 0.15));
            b.image(s, 2 + 3 * v + cause);
        }
    }
    return b.finish();
}

std::vector<FigureArtwork> figureArtwork(const DisplayCatalogue& catalogue, unsigned threads) {
    std::vector<std::function<FigureArtwork()>> jobs;
    for (const DisplayCatalogueEntry* e : catalogue.archives())
        jobs.emplace_back([e] { return unitArtwork(*e); });
    for (int m = 0; m < 5; ++m)
        jobs.emplace_back([m] { return projectileArtwork(m); });
    jobs.emplace_back([] { return routDebrisArtwork(); });
    for (int d = 0; d < 5; ++d)
        jobs.emplace_back([d] { return debrisObjectArtwork(d); });

    // Each archive is drawn on its own, so the threads share nothing but the list of jobs, and every
    // archive lands in its own place: the output is the same however many draw it.
    std::vector<FigureArtwork> all(jobs.size());
    // A drawing that throws is handed on from the thread that drew it, first in archive order.
    std::vector<std::exception_ptr> failures(jobs.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            try {
                all[i] = jobs[i]();
            } catch (...) {
                failures[i] = std::current_exception();
            }
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < std::max(1u, threads); ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    return all;
}

void keepFigurePictures(bool keep) {
    keepPictures = keep;
}

bool writeFigureContactSheet(const std::filesystem::path& path, const FigureArtwork& artwork, int size) {
    std::vector<const Picture*> pictures;
    for (const Picture& p : artwork.pictures[static_cast<std::size_t>(size)])
        pictures.push_back(&p);
    return writeContactSheet(path, pictures, size == 0 ? 16 : 24, size == 2 ? 3 : size == 1 ? 2 : 1);
}

} // namespace vael::forge
