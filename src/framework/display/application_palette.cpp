#include "framework/display/application_palette.h"

#include "framework/ui/win_app.h"
#include "platform/platform.h"

namespace vael {

namespace {
void sendColours(const RealisedPalette& palette, platform::Platform& platform) {
    platform::PaletteColours colours;
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i] = platform::Rgb{palette.entries[i].red, palette.entries[i].green, palette.entries[i].blue};
    platform.setPalette(colours.data(), 0, static_cast<std::int32_t>(colours.size()));
}

LogicalPalette* makePalette(const std::string& fileName) {
    auto* palette = new WindowsPalette(fileName);
    // Called while the windows application is being made: it is already the application.
    if (auto* app = dynamic_cast<WinApp*>(Application::instance())) showPaletteOn(*palette, app->platform());
    return palette;
}
} // namespace

void installApplicationPalette() {
    WinApp::setPaletteMaker(&makePalette, &deletePalette);
}

void showPaletteOn(WindowsPalette& palette, platform::Platform& platform) {
    RealisedPalette* realised = palette.handle();
    sendColours(*realised, platform);
    realised->onColoursChanged = [realised, &platform] { sendColours(*realised, platform); };
}

} // namespace vael
