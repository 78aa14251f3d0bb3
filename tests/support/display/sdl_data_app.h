#pragma once
// Test support for the real-window tests of the display framework: the SDL2 platform with its settings
// pointing at the build's forged data set, and a windows application that finds image archives through
// the forged image index.
#include <memory>
#include <string>

#include "framework/display/image_index.h"
#include "framework/ui/win_app.h"
#include "platform/sdl/sdl_platform.h"

namespace vael::test {

// None, with the reason in error, when SDL2 cannot start.
inline std::unique_ptr<platform::SdlPlatform> openDataPlatform(std::string& error) {
    auto sdl = platform::SdlPlatform::create({}, error);
    if (!sdl) return sdl;
    const std::string key = "SOFTWARE\\Tamblor\\Iron Vigils";
    sdl->settings().writeText(platform::Settings::Root::Machine, key, "Path", VAEL_BUILD_DATA_DIR);
    sdl->settings().writeText(platform::Settings::Root::Machine, key, "Palette", "VAEL.PAL");
    return sdl;
}

class IndexedDataApp : public WinApp {
public:
    explicit IndexedDataApp(platform::Platform& platform) : WinApp("Iron Vigils", "", "", platform) {}
    void findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) override {
        findIndexedDataFile(library, cursor, end, dataPath(5), "");
    }
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
};

} // namespace vael::test
