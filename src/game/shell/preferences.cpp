#include "game/shell/preferences.h"

namespace vael {

namespace {

using Root = platform::Settings::Root;

// The value comes first so that no reader takes the names of settings for names of messages.
struct Field {
    std::uint32_t Preferences::*value;
    const char* name;
    std::uint32_t highest;
};

// The values in the order the settings file lists them.
constexpr Field fields[] = {
    {&Preferences::movementAnimation, "Movement Animation", 1},
    {&Preferences::combatAnimation, "Combat Animation", 1},
    {&Preferences::sound, "Sound", 1},
    {&Preferences::ambientSound, "Ambient Sound", 1},
    {&Preferences::music, "Music", 1},
    {&Preferences::sparseTrees, "Sparse Trees", 1},
    {&Preferences::finishLeader, "Finish Leader", 1},
    {&Preferences::overallCombatResults, "Overall Combat Results", 1},
    {&Preferences::showIntroVideo, "Show Intro Video", 1},
    {&Preferences::autoSave, "Auto Save", 1},
    {&Preferences::volume, "Volume", Preferences::MaxVolume},
    {&Preferences::musicVolume, "Music Volume", Preferences::MaxVolume},
    {&Preferences::lastAIType, "Last A/I Type", 1},
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
