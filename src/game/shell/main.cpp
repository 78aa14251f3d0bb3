// Program entry: the game on the real window. One game runs per user; a second start is refused.
//
// Options: --help, --version; --trace FILE writes the trace to FILE (else $VAEL_TRACE, else
// "VaelDebugStream" in the state directory); --quit-after MS ends the game after MS milliseconds whatever
// box stands, as a signal would (for the tests that start the program). A failed check answered Yes, or met with
// no display to ask on, ends the program with exit 1.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "framework/core/debug_stream.h"
#include "game/shell/program_entry.h"
#include "game/shell/quit_after.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "framework/core/version.h"
#include "platform/settings.h"
#include "platform/sdl/sdl_audio_output.h"
#include "platform/sdl/sdl_platform.h"

namespace {

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

std::int64_t quitAfter = -1;
vael::QuitAfter* quitWatch = nullptr;
std::uint32_t frameTicks = 0;

vael::ContainerBase* onQuitTimer(vael::Component*, vael::BusMessage, vael::ContainerBase*) {
    ++frameTicks;
    if (quitWatch) quitWatch->tick(*static_cast<vael::WinApp*>(vael::Application::instance()));
    return nullptr;
}

void help() {
    std::printf("usage: vael [--trace FILE] [--quit-after MS] [--help] [--version]\n"
                "Starts the game in its window.\n\n"
                "  --trace FILE      write the trace to FILE (else $VAEL_TRACE, else the state directory)\n"
                "  --quit-after MS   end the game after MS milliseconds, whatever box stands\n"
                "  --help            show this and exit\n"
                "  --version         show the version and exit\n");
}

// The system's box without the platform: before it stands (the trace, the lock, the display's own start)
// and after it has gone.
std::optional<vael::platform::MessageAnswer> systemBoxWithoutPlatform(const std::string& text,
                                                                      const std::string& caption,
                                                                      vael::platform::MessageButtons buttons,
                                                                      vael::platform::MessageIcon icon) {
    return vael::platform::SdlPlatform::showSystemBox(text, caption, buttons, icon);
}

// A failed check asked while the time of --quit-after comes, or a signal to end, ends as one unanswered:
// the program ends with exit 1 and the box with it.
vael::SystemBox watched(vael::SystemBox box) {
    return [box = std::move(box)](const std::string& text, const std::string& caption,
                                  vael::platform::MessageButtons buttons, vael::platform::MessageIcon icon) {
        if (!quitWatch) return box(text, caption, buttons, icon);
        std::optional<vael::platform::MessageAnswer> answer;
        quitWatch->showSystemBox(1, [&] { answer = box(text, caption, buttons, icon); });
        return answer;
    };
}

// Told on the terminal and in a box: a game started from a menu has no terminal to read.
void tellUnkeptSettings(const std::string& why) {
    std::fprintf(stderr, "vael: the settings will not be kept: %s\n", why.c_str());
    vael::debugStream() << "The settings will not be kept: " << why << std::endl;
    const auto show = [&] {
        vael::platform::SdlPlatform::showNotice("The settings will not be kept: " + why + ".",
                                                vael::VaelMainWindow::Title);
    };
    // The game goes on once the box is answered: ended under it, it ends as the game would have.
    if (quitWatch) quitWatch->showSystemBox(0, show);
    else show();
}

// What --help and --version print is all they do: output that did not reach its reader is a failure.
int printed() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    std::fprintf(stderr, "vael: cannot write to standard output: %s\n", std::strerror(errno));
    return 1;
}

int run(int argc, char** argv) {
    vael::ignoreFileSizeSignal();
    const char* traceOption = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vael %s\n", vael::VaelVersion);
            return printed();
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            help();
            return printed();
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
            continue;
        }
        std::fprintf(stderr, "vael: unknown option %s\nTry 'vael --help' for more.\n", argv[i]);
        return 2;
    }
    vael::QuitAfter quit(quitAfter);
    quitWatch = &quit;
    const struct Unwatched {
        ~Unwatched() { quitWatch = nullptr; }
    } unwatched;
    // The lock first: a start refused as already running touches none of the running game's files, its
    // trace above all, which opening it here would empty under the game that writes it.
    vael::SingleInstance instance(vael::SingleInstance::gameLock());
    if (!instance.problem().empty()) std::fprintf(stderr, "vael: %s\n", instance.problem().c_str());
    if (!instance.acquired()) {
        std::fprintf(stderr, "vael: the game is already running\n");
        // Started from a menu there is no terminal to read: the player is told in a box too.
        quit.showSystemBox(1, [] {
            vael::platform::SdlPlatform::showNotice(std::string(vael::VaelMainWindow::Title) +
                                                        " is already running.",
                                                    vael::VaelMainWindow::Title);
        });
        return 1;
    }
    const auto trace = vael::traceFilePath(traceOption);
    // The game is played all the same: the trace is for whoever looks into a fault afterwards.
    // Nor into a file of the data: the folders are those the settings and the environment name, read as the
    // game reads them once it stands.
    const auto settingsFile = vael::platform::Settings::defaultFile();
    if (const std::string kept = vael::traceKeptOff(
            trace, {{settingsFile, "the settings file"}},
            vael::VaelApp::dataFolders(vael::platform::Settings(settingsFile), defaultDataDirectory()));
        !kept.empty()) {
        std::fprintf(stderr, "vael: cannot write the trace: %s; the trace is discarded\n", kept.c_str());
    } else if (!vael::debugStream().rdbuf()->open(trace.c_str())) {
        std::fprintf(stderr, "vael: cannot write the trace: %s; it is discarded\n",
                     vael::debugStream().rdbuf()->openError().c_str());
        vael::debugStream().rdbuf()->open(nullptr);
    }
    vael::debugStream() << "The Iron Vigils of Vaelmoric starting" << std::endl;
    // Said before the trace stood: the lock kept elsewhere is told there too.
    if (!instance.problem().empty())
        vael::debugStream() << "Cannot keep the lock: " << instance.problem() << std::endl;
    // From here on a failed check or a memory error is asked in the system's box, which needs no window
    // of ours: the data files are read before the window stands.
    vael::installFailureReports(watched(systemBoxWithoutPlatform));
    vael::reportMissingDataFiles();

    vael::installOutOfMemoryHandler();

    std::string error;
    auto platform = vael::platform::SdlPlatform::create(vael::platform::Settings::defaultFile(), error);
    if (!platform) {
        std::fprintf(stderr, "vael: cannot start the display: %s\n", error.c_str());
        return 1;
    }
    // While the platform stands the reports ask through it, as the game's every other box is asked; a fault
    // met as it goes (or after) is asked without it again.
    vael::installFailureReports(watched(vael::systemBoxOf(*platform)));
    const struct AskedWithoutPlatform {
        ~AskedWithoutPlatform() { vael::installFailureReports(watched(systemBoxWithoutPlatform)); }
    } afterThePlatform;
    // The game plays on with what it holds in memory; the player hears once why nothing is kept, and again
    // whenever writing the settings fails anew.
    if (const std::string& unread = platform->settings().readError(); !unread.empty()) {
        tellUnkeptSettings(unread + "; it is left as it is");
    } else {
        // A file the player made read-only is told at once, whether or not this game would change it; the
        // same reason is not told again at the first write.
        if (const std::string& refused = platform->settings().writeError(); !refused.empty())
            tellUnkeptSettings(refused + "; it is left as it is");
        platform->settings().setWriteFailureReport(tellUnkeptSettings);
    }
    int status = 0;
    {
        vael::platform::SdlAudioOutput audio;
        vael::VaelGame game(*platform, defaultDataDirectory(), &audio);
        if (!game.ready()) return 1;
        quit.gameStarts(game.app());
        game.app().addTimer(vael::Callback(&game.app(), onQuitTimer), 10, 0);
        status = game.run();
    }
    std::printf("%s closed after %u timer ticks\n", vael::VaelMainWindow::Title, frameTicks);
    return status;
}

} // namespace

// A failed check, memory that could not be had and any other fault end the game with exit 1: their words
// are already on standard error and in the trace.
int main(int argc, char** argv) {
    return vael::playToTheEnd([&] { return run(argc, argv); });
}
