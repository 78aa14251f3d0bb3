#pragma once
// What every event queued on a game sprite carries: where a move ends at each zoom level (filled when the
// event becomes current), the images to cycle through by name, and a sound to play when it starts.
#include <cstdint>

#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/core/type_name.h"
#include "game/map/frame_info.h"

namespace vael {

class SuperString;

// The sounds a sprite's event can start; 0 plays nothing.
enum SOUND_EVENT : std::int32_t {
    SoundNone = 0,
    SoundBowShot = 1,
    SoundArrowHit = 2,
    SoundJavelinThrow = 3,
    SoundJavelinHit = 4,
    SoundSlingShot = 5,
    SoundRockHit = 6,
    SoundOxybelesShot = 7,
    SoundOxybelesHit = 8,
    SoundAnimalCall = 9,
    SoundStartMovement = 10,
    SoundStopMovement = 11,
    SoundSplash = 12,
    SoundStartSplashLoop = 13,
    SoundStopSplashLoop = 14,
    SoundStartShock = 15,
    SoundStopShock = 16,
    SoundFigureFalls = 17, // marks a fall; nothing is heard
    SoundStartElephant = 18,
    SoundStopElephant = 19,
    SoundElephantHit = 20,
    SoundElephantHitAlt = 21,
    SoundHorseBattle = 22,
    SoundHorseBattleAlt = 23,
    SoundCheer = 24,
};

struct SoundEvent {
    bool operator==(const SoundEvent& o) const { return event == o.event && param == o.param; }

    std::int32_t event = SoundNone;
    std::uint16_t param = 0; // the sound class of the calls that take one
};

struct VaelSpriteEvent {
    bool operator==(const VaelSpriteEvent& o) const {
        return targets[0] == o.targets[0] && targets[1] == o.targets[1] && targets[2] == o.targets[2] &&
               frames == o.frames && sound == o.sound;
    }

    Point3D targets[3];
    List<FrameInfo> frames;
    SoundEvent sound;
};

// On framework streams: the sound (event in 4 bytes, param in 2), then the frame names (a 16-bit count and
// each name); the targets stay behind, since they are worked out again when the event starts.
SuperString& operator<<(SuperString& s, const SoundEvent& v);
SuperString& operator>>(SuperString& s, SoundEvent& v);
SuperString& operator<<(SuperString& s, const VaelSpriteEvent& v);
SuperString& operator>>(SuperString& s, VaelSpriteEvent& v);

VAEL_TYPE_NAME(VaelSpriteEvent, "VaelSpriteEvent");

} // namespace vael
