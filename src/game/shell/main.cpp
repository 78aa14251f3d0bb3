// Program entry. Until the game's application object arrives, the program shows the main frame with its
// menus, tiled background, tool bar and status bar, runs the application's message loop with its timers,
// and ends when the frame is closed.
//
// Options: --version; --trace FILE writes the trace to FILE (else $VAEL_TRACE, else "VaelDebugStream" in
// the state directory); --quit-after MS closes the window after MS milliseconds, as its close button
// would (for the tests that start the program).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "framework/core/debug_stream.h"
#include "framework/display/application_palette.h"
#include "framework/display/window_pictures.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/ostrell_window.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/system_font.h"
#include "framework/ui/toolbar.h"
#include "framework/ui/win_app.h"
#include "platform/sdl/sdl_platform.h"

namespace {

constexpr const char* ProductKey = "Iron Vigils";
constexpr const char* Title = "The Iron Vigils of Vaelmoric";
constexpr std::int32_t FrameWidth = 1024, FrameHeight = 768;

// The data directory of the installed program (<prefix>/share/vael beside <prefix>/bin/vael), else the
// one the build writes its data into.
std::string defaultDataDirectory() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto installed = program.parent_path().parent_path() / "share" / "vael";
        if (std::filesystem::is_directory(installed, error)) return installed.string();
    }
    return VAEL_BUILD_DATA_DIR;
}

class ProgramApp : public vael::WinApp {
public:
    explicit ProgramApp(vael::platform::Platform& platform) : WinApp(ProductKey, "", "", platform) {}
    // The image index and the displays arrive with the display subsystems.
    void findDataFile(vael::OIFBase*, const std::uint8_t*&, const std::uint8_t*) override {}
    void routeMouseEvent(vael::Display* display, std::int16_t kind, const vael::Point& point) override {
        display->routeMouseEvent(kind, point);
    }
};

std::uint32_t frameTicks = 0;
std::int64_t quitAfter = -1;
std::uint32_t startedAt = 0;

vael::ContainerBase* onFrameTick(vael::Component*, vael::BusMessage, vael::ContainerBase*) {
    ++frameTicks;
    auto* app = static_cast<vael::WinApp*>(vael::Application::instance());
    if (quitAfter >= 0 && app->tickCount() - startedAt >= quitAfter) {
        quitAfter = -1;
        vael::platform::Event close;
        close.kind = vael::platform::EventKind::CloseRequest;
        app->platform().postEvent(close);
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const char* traceOption = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vael 0.1\n");
            return 0;
        }
        if (std::strcmp(argv[i], "--trace") == 0 || std::strcmp(argv[i], "--quit-after") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vael: %s needs a %s\n", argv[i],
                             argv[i][2] == 't' ? "file name" : "number of milliseconds");
                return 2;
            }
            if (argv[i][2] == 't') {
                traceOption = argv[++i];
                continue;
            }
            char* end = nullptr;
            quitAfter = std::strtoll(argv[++i], &end, 10);
            if (*argv[i] == '\0' || *end != '\0' || quitAfter < 0) {
                std::fprintf(stderr, "vael: --quit-after needs a number of milliseconds\n");
                return 2;
            }
        }
    }
    const auto trace = vael::traceFilePath(traceOption);
    if (!vael::debugStream().rdbuf()->open(trace.c_str())) {
        std::fprintf(stderr, "vael: cannot write the trace to %s; it is discarded\n", trace.c_str());
        vael::debugStream().rdbuf()->open(nullptr);
    }
    vael::debugStream() << "The Iron Vigils of Vaelmoric starting" << std::endl;

    std::string error;
    auto platform = vael::platform::SdlPlatform::create(vael::platform::Settings::defaultFile(), error);
    if (!platform) {
        std::fprintf(stderr, "vael: cannot start the display: %s\n", error.c_str());
        return 1;
    }
    // The machine's settings that an installer would write, on first start.
    const std::string key = std::string("SOFTWARE\\Tamblor\\") + ProductKey;
    auto& settings = platform->settings();
    using Root = vael::platform::Settings::Root;
    if (!settings.writeDefaultText(Root::Machine, key, "Path", defaultDataDirectory()) ||
        !settings.writeDefaultText(Root::Machine, key, "Palette", "VAEL.PAL"))
        std::fprintf(stderr, "vael: cannot write the settings to %s\n", settings.file().c_str());

    int status = 0;
    {
        vael::installApplicationPalette();
        vael::installWindowPictures();
        vael::installSystemFont();
        ProgramApp app(*platform);
        // The frame's size is its client area's; the menu bar above it makes up the platform's window.
        vael::OstrellMainWindow frame(vael::Point(0, 0),
                                      vael::Dim(FrameWidth, FrameHeight - vael::MenuTracker::BarHeight),
                                      Title, "Vael Frame");
        if (!frame.hwnd()) return 1;
        frame.attach(app);
        vael::WindowsStatusBar statusBar("Vael Status Bar", frame.hwnd(), vael::Point(20, 11), 2,
                                         "Vael Status Bar");
        statusBar.attach(app);
        frame.setStatusBar(&statusBar);
        // The game's own tool bar comes with the game's application; until then the file commands show.
        vael::WindowsToolbar toolbar(frame.hwnd(), "Toolbar");
        toolbar.attach(app);
        for (const auto& [group, tip] : {std::pair{"FileOpen", "Open"}, std::pair{"FileSave", "Save"}})
            toolbar.addButton(
                new vael::Button("Buttons 2", group, vael::RegisteredMessage::getId(group), "", tip, group));
        frame.setToolbar(&toolbar);
        app.setStatusText(Title, 1);
        startedAt = app.tickCount();
        app.addTimer(vael::Callback(&app, onFrameTick), 10, 0);
        status = app.run() == 1 ? 0 : 1;
        frame.setToolbar(nullptr);
    }
    std::printf("%s closed after %u timer ticks\n", Title, frameTicks);
    return status;
}
