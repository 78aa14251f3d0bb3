// Program entry. Until the frame window and the game's application object arrive, the program opens its
// window with an empty frame, runs the application's message loop with its timers, and ends when the
// window's close button is pressed.
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
#include <vector>

#include "framework/core/debug_stream.h"
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
    void routeMouseEvent(vael::Display*, std::int16_t, const vael::Point&) override {}
};

// The frame until the frame window of the windows subsystem replaces it: an empty picture that closes
// when the program may end.
class EmptyFrame : public vael::MessageTarget {
public:
    EmptyFrame(ProgramApp& app, vael::platform::Platform& platform)
        : app_(app), platform_(platform), pixels_(std::size_t(FrameWidth) * FrameHeight, 0) {}

    void show() {
        platform_.present({pixels_.data(), FrameWidth, FrameHeight, FrameWidth}, 0, 0, nullptr, 0);
    }

    std::intptr_t handleMessage(const vael::WindowMessage& message) override {
        if (message.message == vael::MessagePaint) show();
        if (message.message == vael::MessageClose && app_.canTerminate()) {
            platform_.closeWindow();
            app_.postQuitMessage();
        }
        return 0;
    }

private:
    ProgramApp& app_;
    vael::platform::Platform& platform_;
    std::vector<std::uint8_t> pixels_;
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
        ProgramApp app(*platform);
        if (!platform->openWindow(FrameWidth, FrameHeight, Title)) return 1;
        EmptyFrame frame(app, *platform);
        vael::WinApp::setMainWindowHandle(app.addWindow(&frame));
        frame.show();
        startedAt = app.tickCount();
        app.addTimer(vael::Callback(&app, onFrameTick), 10, 0);
        status = app.run() == 1 ? 0 : 1;
    }
    std::printf("%s closed after %u timer ticks\n", Title, frameTicks);
    return status;
}
