// vael-battle SCENARIO [--seed N] [--plans KIND] [--turns CAP] [--tasks CAP] [--save-at N FILE] [--save-at-step N FILE] [--load FILE]
// [--data DIR] [--trace FILE] [--display] [--host PORT | --join HOST:PORT] [--signal-at N KILL|STOP]
// [--forge-at N FILE] [--cut-before MESSAGE]
// Plays a battle of the data directory with the computer on both sides and prints its commentary and
// outcome; the odd seeds draw the plans of kind 0, the even ones those of kind 1, unless --plans names the
// kind; --trace FILE writes the game's trace there; --display plays the animations on the game's display
// layers; --signal-at loses this machine at a point of a network battle, and --forge-at sends the other
// machine bytes of a file there, and --cut-before loses the line under a frame, for tests. Exits 1 when the
// battle cannot be loaded, does not end within the caps or ends before the activation it was to be saved at, when
// a check failed on the way, or when its standard output could not all be written. The
// commentary's bold shows as bold on a terminal; a file or a pipe gets the plain text.
#include <csignal>
#include <cstdlib>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "battle_runner.h"
#include "framework/core/debug_stream.h"
#include "framework/core/printable.h"
#include "framework/core/read_file.h"
#include "game/flow/data_files.h"
#include "game/shell/program_entry.h"
#include "framework/core/version.h"
#include "platform/settings.h"

namespace {

constexpr const char* Synopsis =
    "usage: vael-battle SCENARIO [--seed N] [--plans KIND] [--turns CAP] [--tasks CAP] [--save-at N FILE] "
    "[--save-at-step N FILE] [--load FILE] [--data DIR] [--trace FILE] [--display] [--host PORT | --join HOST:PORT] "
    "[--signal-at N KILL|STOP] [--forge-at N FILE] [--cut-before MESSAGE]\n";

int usage(const std::string& why) {
    std::cerr << "vael-battle: " << why << "\n" << Synopsis << "Try 'vael-battle --help' for more.\n";
    return 2;
}

int help() {
    std::cout
        << Synopsis
        << "Plays a battle of the data directory with the computer on both sides, headless, every random\n"
           "number drawn from the seed, and prints its commentary and outcome.\n\n"
           "  --seed N          the seed of the battle's random numbers (1)\n"
           "  --plans KIND      both sides draw plans of KIND, 0 or 1 (odd seeds 0, even seeds 1);\n"
           "                    a loaded battle plays on with the plans it was saved with\n"
           "  --turns CAP       stop after CAP turns (40)\n"
           "  --tasks CAP       stop after CAP messages handled (2000000)\n"
           "  --save-at N FILE  save the battle at the N-th activation (0: as a loaded one resumes)\n"
           "  --save-at-step N FILE\n"
           "                    save the battle once it has handled N messages, at the first moment\n"
           "                    from there on that the game's Save Game would save it (anywhere in an\n"
           "                    activation); standard error tells after which line of commentary\n"
           "  --load FILE       go on from a saved game\n"
           "  --data DIR        the data directory (else $VAEL_DATA, else the build's)\n"
           "  --trace FILE      write the game's trace to FILE\n"
           "  --display         play the animations on the game's display layers\n"
           "  --host PORT       host the battle on PORT (0: any free port, told on standard error) and\n"
           "                    play the home side here\n"
           "  --join HOST:PORT  join the battle hosted at HOST:PORT and play the visitor side here\n"
           "  --signal-at N KILL|STOP\n"
           "                    for tests of network play: kill (or stop) this process once it has\n"
           "                    written the N-th line of commentary\n"
           "  --forge-at N FILE for tests of network play: once this process has written the N-th line\n"
           "                    of commentary, send the other machine the bytes of FILE as they are\n"
           "  --cut-before MESSAGE\n"
           "                    for tests of network play: close the line without a word in place of\n"
           "                    the first batch this process would send that holds MESSAGE\n"
           "  --help            show this and exit\n"
           "  --version         show the version and exit\n\n"
           "Exits 0 when the battle ended, 1 when it could not be loaded, passed a cap or ended before\n"
           "the activation (or message) it was to be saved at, 2 on a bad command line.\n";
    return 0;
}

bool number(const char* text, long long low, long long high, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}

// The tool's exit once its output is flushed: a commentary and outcome that did not all reach standard output
// (a full disk, a limit on file sizes) are a failure, said where it can still be read.
int flushed(int code) {
    if (std::cout.flush()) return code;
    std::cerr << "vael-battle: cannot write the standard output: what the tool printed is cut short\n";
    return code == 0 ? 1 : code;
}

int play(int argc, char** argv) {
    vael::battle::BattleOptions options;
    long long plans = -1;
    const char* trace = nullptr;
    // As the game chooses it, less the settings the tool does not keep.
    options.dataDir = vael::chooseDataDirectory("", std::getenv("VAEL_DATA"), VAEL_BUILD_DATA_DIR);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long long n = 0;
        auto next = [&](const char* what) -> const char* {
            return i + 1 < argc ? argv[++i] : (usage(std::string(what) + " needs a value"), nullptr);
        };
        if (arg == "--help") return help();
        if (arg == "--version") {
            std::cout << "vael-battle " << vael::VaelVersion << "\n";
            return 0;
        }
        if (arg == "--seed") {
            const char* v = next("--seed");
            if (!v) return 2;
            if (!number(v, 0, 0xFFFFFFFFll, n)) return usage("bad seed");
            options.seed = static_cast<std::uint32_t>(n);
        } else if (arg == "--plans") {
            const char* v = next("--plans");
            if (!v) return 2;
            if (!number(v, 0, 1, plans)) return usage("--plans needs a kind of plans, 0 or 1");
        } else if (arg == "--turns") {
            const char* v = next("--turns");
            if (!v) return 2;
            if (!number(v, 1, 30000, n)) return usage("bad turn cap");
            options.turnCap = static_cast<std::int32_t>(n);
        } else if (arg == "--tasks") {
            const char* v = next("--tasks");
            if (!v) return 2;
            if (!number(v, 1, 1ll << 40, n)) return usage("bad task cap");
            options.taskCap = n;
        } else if (arg == "--save-at") {
            const char* v = next("--save-at");
            if (!v) return 2;
            if (!number(v, 0, 1 << 30, n)) return usage("bad activation to save at");
            const char* file = next("--save-at");
            if (!file) return 2;
            options.saveAt = static_cast<std::int32_t>(n);
            options.saveFile = file;
        } else if (arg == "--save-at-step") {
            const char* v = next("--save-at-step");
            if (!v) return 2;
            if (!number(v, 0, 1ll << 40, n)) return usage("bad message to save at");
            const char* file = next("--save-at-step");
            if (!file) return 2;
            options.saveAtStep = n;
            options.saveFile = file;
        } else if (arg == "--load") {
            const char* v = next("--load");
            if (!v) return 2;
            options.loadFile = v;
        } else if (arg == "--trace") {
            const char* v = next("--trace");
            if (!v) return 2;
            trace = v;
        } else if (arg == "--host") {
            const char* v = next("--host");
            if (!v) return 2;
            if (!number(v, 0, 65535, n)) return usage("bad port to host on");
            options.hostPort = static_cast<std::int32_t>(n);
        } else if (arg == "--join") {
            const char* v = next("--join");
            if (!v) return 2;
            const std::string where = v;
            const std::size_t colon = where.rfind(':');
            if (colon == std::string::npos || colon == 0 || !number(where.c_str() + colon + 1, 1, 65535, n))
                return usage("--join needs HOST:PORT");
            options.joinHost = where.substr(0, colon);
            options.joinPort = static_cast<std::uint16_t>(n);
        } else if (arg == "--signal-at") {
            const char* v = next("--signal-at");
            if (!v) return 2;
            if (!number(v, 1, 1ll << 40, n)) return usage("bad line to raise the signal at");
            const char* which = next("--signal-at");
            if (!which) return 2;
            const std::string name = which;
            if (name != "KILL" && name != "STOP") return usage("--signal-at raises KILL or STOP");
            options.signalAtLine = static_cast<std::size_t>(n);
            options.signalToRaise = name == "KILL" ? SIGKILL : SIGSTOP;
        } else if (arg == "--forge-at") {
            const char* v = next("--forge-at");
            if (!v) return 2;
            if (!number(v, 1, 1ll << 40, n)) return usage("bad line to forge at");
            const char* file = next("--forge-at");
            if (!file) return 2;
            // Read as the game reads its files: a folder or a FIFO is refused with its reason, not taken
            // as nothing or waited on for ever.
            std::vector<std::uint8_t> bytes;
            std::string error;
            if (!vael::readFileBytes(file, bytes, error, vael::file_limits::SavedGame))
                return usage("cannot read the forged bytes: " + error);
            options.forgeAtLine = static_cast<std::size_t>(n);
            options.forgedBytes.assign(bytes.begin(), bytes.end());
        } else if (arg == "--cut-before") {
            const char* v = next("--cut-before");
            if (!v) return 2;
            if (!*v) return usage("--cut-before needs a message's name");
            options.cutBefore = v;
        } else if (arg == "--display") {
            options.display = true;
        } else if (arg == "--data") {
            const char* v = next("--data");
            if (!v) return 2;
            options.dataDir = v;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage("unknown option " + arg);
        } else if (options.scenario.empty()) {
            options.scenario = arg;
        } else {
            return usage("one scenario at a time");
        }
    }
    if (options.scenario.empty()) return usage("no scenario given");
    if (options.saveAt == 0 && options.loadFile.empty()) return usage("--save-at 0 saves a loaded battle");
    if (options.saveAt >= 0 && options.saveAtStep >= 0) return usage("--save-at and --save-at-step exclude each other");
    if (options.hostPort >= 0 && !options.joinHost.empty())
        return usage("--host and --join exclude each other");
    if ((options.hostPort >= 0 || !options.joinHost.empty()) &&
        (!options.loadFile.empty() || options.saveAt >= 0 || options.saveAtStep >= 0))
        return usage("a network battle is neither saved nor loaded");
    if (trace) {
        // Opened once every option is known, so that it never empties the saved game it comes after; as any
        // other option that cannot be followed, the battle is not played without its trace.
        const std::string kept =
            vael::traceKeptOff(trace,
                               {{options.loadFile, "the saved game being loaded"},
                                {vael::platform::Settings::defaultFile(), "the settings file"}},
                               {options.dataDir});
        if (!kept.empty()) return usage("cannot write the trace: " + kept);
        if (!vael::debugStream().rdbuf()->open(trace))
            return usage("cannot write the trace: " + vael::debugStream().rdbuf()->openError());
    }
    options.lastAIType = vael::battle::lastAITypeDrawing(
        plans >= 0 ? static_cast<std::uint32_t>(plans) : vael::battle::planKindOfSeed(options.seed));
    options.portNotice = &std::cerr;
    options.keepCommentary = false;

    options.marks = ::isatty(STDOUT_FILENO) ? vael::battle::BattleOptions::Marks::Terminal
                                            : vael::battle::BattleOptions::Marks::Removed;
    const vael::battle::BattleOutcome outcome = vael::battle::playBattle(options, &std::cout);
    if (outcome.status == vael::battle::BattleStatus::LoadFailed ||
        outcome.status == vael::battle::BattleStatus::SaveFailed ||
        (outcome.status == vael::battle::BattleStatus::Disconnected && outcome.commentaryLines == 0)) {
        // What a refusal quotes of a file is shown, never obeyed by the terminal. A battle that never met
        // its other machine names its seed, as every battle that goes wrong once begun does.
        std::cerr << "vael-battle: ";
        if (outcome.status == vael::battle::BattleStatus::Disconnected)
            std::cerr << "seed " << options.seed << ": ";
        std::cerr << vael::printable(outcome.message, vael::LoneBytes::Escaped) << "\n";
        return 1;
    }
    vael::battle::printOutcome(outcome, std::cout);
    if (outcome.savedAtStep >= 0)
        std::cerr << "vael-battle: saved before message " << outcome.savedAtStep << ", after line "
                  << outcome.commentaryAtSave << " of the commentary\n";
    for (const std::string& text : outcome.failedChecks)
        std::cerr << "vael-battle: failed check: " << vael::printable(text, vael::LoneBytes::Escaped) << "\n";
    // A battle that met a failed check played on without what failed (a damaged map, index or archive): not
    // the battle the data would give, and no success.
    const int played = outcome.failedChecks.empty() ? 0 : 1;
    if (outcome.status == vael::battle::BattleStatus::NotSaved) {
        std::cerr << "vael-battle: " << vael::printable(outcome.message, vael::LoneBytes::Escaped) << "\n";
        return 1;
    }
    if (outcome.status != vael::battle::BattleStatus::Ended) {
        std::cerr << "vael-battle: seed " << options.seed << ": "
                  << vael::printable(outcome.message, vael::LoneBytes::Escaped) << " (turn " << outcome.turns
                  << ", " << outcome.tasks << " messages)\n";
        return 1;
    }
    return played;
}

} // namespace

int main(int argc, char** argv) {
    vael::ignoreFileSizeSignal();
    vael::reportMissingDataFiles("vael-battle");
    return flushed(play(argc, argv));
}
