#include "game/shell/preferences.h"

namespace vael {

namespace {

using Root = platform::Settings::Root;

struct Field {
    const char* name;
    std::uint32_t Preferences::*value;
    std::uint32_t highest;
};

// The values in the order the settings file lists them.
constexpr Field fields[] = {
    {"Movement Animation", &Preferences::movementAnimation, 1},
    {"Combat Animation", &Preferences::combatAnimation, 1},
    {"Sound", &Preferences::sound, 1},
    {"Ambient Sound", &Preferences::ambientSound, 1},
    {"Music", &Preferences::music, 1},
    {"Sparse Trees", &Preferences::sparseTrees, 1},
    {"Finish Leader", &Preferences::finishLeader, 1},
    {"Overall Combat Results", &Preferences::overallCombatResults, 1},
    {"Show Intro Video", &Preferences::showIntroVideo, 1},
    {"Auto Save", &Preferences::autoSave, 1},
    {"Volume", &Preferences::volume, Preferences::MaxVolume},
    {"Music Volume", &Preferences::musicVolume, Preferences::MaxVolume},
    {"Last A/I Type", &Preferences::lastAIType, 1},
};

} // namespace

Preferences Preferences::read(const platform::Settings& settings, const std::string& programKey) {
    Preferences p;
    const std::string key = keyOf(programKey);
    for (const Field& f : fields)
        if (const auto v = settings.readNumber(Root::User, key, f.name); v && *v <= f.highest)
            p.*f.value = *v;
    return p;
}

bool Preferences::write(platform::Settings& settings, const std::string& programKey) const {
    const std::string key = keyOf(programKey);
    bool written = true;
    for (const Field& f : fields)
        written = settings.writeNumber(Root::User, key, f.name, this->*f.value) && written;
    return written;
}

} // namespace vael
