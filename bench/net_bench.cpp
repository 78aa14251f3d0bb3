// Network play between two processes on this machine. One order and its answer relayed there and back
// through both machines' network components, buses and sockets, the answer the guest's own: aim under
// 1 ms a round trip. The whole
// demonstration battle played between a hosting and a joining vael-battle, seed by seed: aim under twice the
// time of the same seeds in one process, measured beside it.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/comm/net_peer.h"
#include "framework/comm/tcp_link.h"
#include "framework/ui/win_app.h"
#include "game/net/vael_net_component.h"
#include "platform/headless/headless_platform.h"
#include "run_process.h"

extern char** environ;

namespace {

using namespace vael;

// The other machine's side: it answers each leader activation with its report, as a machine does when
// its leader has finished.
// Only the guest answers: were the host to answer its own order, the round trip would never leave it.
class Answerer : public Component {
public:
    explicit Answerer(bool answers) : Component("Answerer"), answers_(answers) {}
    void connectHandlers() override {
        if (answers_) connectNamed("ActivateLeader", onActivate);
        connectNamed("SynchronizeGame", onReport);
    }
    int reports = 0;
    std::string lastReport;

private:
    static ContainerBase* onActivate(Component* target, BusMessage, ContainerBase* data) {
        unsigned short leader = 0;
        Container<unsigned short>::fromMessage(data, leader);
        Container<std::string> done("done with " + std::to_string(leader));
        target->sendNamed("SynchronizeGame", &done);
        return nullptr;
    }
    static ContainerBase* onReport(Component* target, BusMessage, ContainerBase* data) {
        auto& self = *static_cast<Answerer*>(target);
        ++self.reports;
        Container<std::string>::fromMessage(data, self.lastReport);
        return nullptr;
    }
    bool answers_;
};

// The application of a machine with nothing but its bus and the network.
class BareApp : public WinApp {
public:
    explicit BareApp(platform::Platform& platform) : WinApp("Vaelmoric", "", "", platform) {}
    void findDataFile(OIFBase*, const std::uint8_t*&, const std::uint8_t*) override {}
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
};

struct Machine {
    Machine(int socket, bool host) : app(platform), answerer(!host) {
        // Each machine waits for the other's bytes as it would over a real network, and measures the other's
        // silence by the wall's clock: the headless clock jumps from tick to tick, through the limit on
        // silence in a moment.
        platform.networkInRealTime = true;
        net.attach(app);
        answerer.attach(app);
        auto peer = std::make_unique<comm::NetPeer>(std::make_unique<comm::TcpLink>(platform, socket),
                                                    comm::Greeting{comm::ProtocolVersion, "bench",
                                                                   host ? "Host" : "Guest",
                                                                   static_cast<std::uint16_t>(host ? 1 : 0)});
        peer->clock = comm::NetPeer::wallClock();
        net.setPeer(std::move(peer), host);
        net.peer()->start();
    }
    ~Machine() {
        net.setPeer(nullptr, false);
        answerer.detach();
        net.detach();
    }
    // Handles what comes until the predicate holds or the line is gone.
    bool runUntil(const std::function<bool()>& done) {
        while (!done()) {
            if (!net.peer() || !net.peer()->isOpen()) return false;
            if (!app.waitMessage()) return false;
            app.pumpMessage();
        }
        return true;
    }
    platform::HeadlessPlatform platform;
    BareApp app;
    VaelNetComponent net;
    Answerer answerer;
};

// The guest: answers until the host goes.
[[noreturn]] void guest(int socket) {
    {
        Machine machine(socket, false);
        machine.runUntil([] { return false; });
    }
    _exit(0);
}

void BM_OrderAndAnswerBetweenTwoProcesses(benchmark::State& state) {
    // Localhost TCP as the game uses it: the guest connects to a listener of the host.
    platform::HeadlessPlatform listening;
    comm::TcpListener listener(listening);
    std::string error;
    if (!listener.listen(0, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::uint16_t port = listener.port();
    const pid_t child = ::fork();
    if (child == 0) {
        platform::HeadlessPlatform connecting;
        auto link = comm::TcpLink::connect(connecting, "127.0.0.1", port, error);
        if (!link) _exit(1);
        const int socket = ::dup(link->socket());
        link.reset();
        guest(socket);
    }
    std::unique_ptr<comm::TcpLink> link;
    listener.onAccept = [&link](std::unique_ptr<comm::TcpLink> l) { link = std::move(l); };
    platform::Event e;
    for (int i = 0; i < 5000 && !link; ++i) {
        if (listening.pollEvent(e) && e.kind == platform::EventKind::SocketReady)
            listening.serviceSocket(e);
        else
            ::usleep(1000);
    }
    if (!link) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        state.SkipWithError("the guest did not connect");
        return;
    }
    const int socket = ::dup(link->socket());
    link.reset();
    listener.close();
    {
        Machine host(socket, true);
        if (!host.runUntil([&host] { return host.net.peer()->greeted(); })) {
            state.SkipWithError("no greeting");
        } else {
            unsigned short leader = 0;
            for (auto _ : state) {
                const int before = host.answerer.reports;
                Container<unsigned short> order(++leader);
                host.app.sendNamed("ActivateLeader", &order);
                if (!host.runUntil([&] { return host.answerer.reports > before; })) {
                    state.SkipWithError("the guest went away");
                    break;
                }
                if (host.answerer.lastReport != "done with " + std::to_string(leader)) {
                    state.SkipWithError("the answer is not the guest's to this order");
                    break;
                }
                // The step ends as game control ends it once all have checked in: without it the guest's
                // next check-in would be a second in one step, which the host refuses.
                state.PauseTiming();
                host.app.sendNamedEmpty("GameSynchronized");
                state.ResumeTiming();
            }
            state.counters["batches"] = host.net.batchesSent();
        }
    }
    ::waitpid(child, nullptr, 0);
}
BENCHMARK(BM_OrderAndAnswerBetweenTwoProcesses)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Runs the tool with the arguments, its standard output thrown away; the standard error kept in `err`.
pid_t spawnTool(std::vector<std::string> args, int errPipe) {
    return bench::spawnProcess(VAEL_BATTLE_PROGRAM, std::move(args), errPipe);
}

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Both battles play the seeds 1 to 20, the seeds of battle_bench's whole battle, so that the two compare.
constexpr int BattleSeeds = 20;

void BM_DemonstrationBattleBetweenTwoProcesses(benchmark::State& state) {
    std::uint32_t seed = 0;
    int ended = 0, runs = 0;
    double ready = 0;
    for (auto _ : state) {
        const std::string s = std::to_string(++seed);
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        const Clock::time_point start = Clock::now();
        const pid_t host =
            spawnTool({VAEL_BATTLE_PROGRAM, "ghatmar.scn", "--seed", s, "--host", "0"}, pipeFds[1]);
        ::close(pipeFds[1]);
        std::string told;
        char c = 0;
        while (told.find('\n') == std::string::npos && ::read(pipeFds[0], &c, 1) == 1)
            told += c;
        // The host's start-up, apart: the program loaded and listening, before any play.
        ready += msSince(start);
        const std::size_t at = told.find("port ");
        const pid_t guest = at == std::string::npos
                                ? -1
                                : spawnTool({VAEL_BATTLE_PROGRAM, "ghatmar.scn", "--seed", s, "--join",
                                             "127.0.0.1:" + told.substr(at + 5, told.find('\n') - at - 5)},
                                            -1);
        int hostStatus = 0, guestStatus = 0;
        if (guest > 0) ::waitpid(guest, &guestStatus, 0);
        if (host > 0) ::waitpid(host, &hostStatus, 0);
        ::close(pipeFds[0]);
        ++runs;
        const bool bothEnded = guest > 0 && WIFEXITED(hostStatus) && WEXITSTATUS(hostStatus) == 0 &&
                               WIFEXITED(guestStatus) && WEXITSTATUS(guestStatus) == 0;
        ended += bothEnded;
        // A pair that did not play its battle to the end measured something else.
        if (!bothEnded) {
            state.SkipWithError(("seed " + s + ": the pair did not end its battle").c_str());
            break;
        }
    }
    state.counters["ended"] = runs ? static_cast<double>(ended) / runs : 0.0;
    state.counters["host_ready_ms"] = runs ? ready / runs : 0.0;
}
BENCHMARK(BM_DemonstrationBattleBetweenTwoProcesses)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(BattleSeeds);

// The same seeds in one process, measured here beside the two-process battle so that both see the same
// machine: the aim is that the pair takes under twice this.
void BM_DemonstrationBattleInOneProcess(benchmark::State& state) {
    std::uint32_t seed = 0;
    int ended = 0, runs = 0;
    for (auto _ : state) {
        const pid_t one =
            spawnTool({VAEL_BATTLE_PROGRAM, "ghatmar.scn", "--seed", std::to_string(++seed)}, -1);
        int status = 0;
        if (one > 0) ::waitpid(one, &status, 0);
        ++runs;
        const bool oneEnded = one > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        ended += oneEnded;
        if (!oneEnded) {
            state.SkipWithError(("seed " + std::to_string(seed) + ": the battle did not end").c_str());
            break;
        }
    }
    state.counters["ended"] = runs ? static_cast<double>(ended) / runs : 0.0;
}
BENCHMARK(BM_DemonstrationBattleInOneProcess)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(BattleSeeds);

// Keeps the battles' times to print the pair against one process when the table is done, and whether any
// benchmark failed: a run that could not measure what it names fails as a whole.
class PairReporter : public benchmark::ConsoleReporter {
public:
    bool failed = false;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred)
                failed = true;
            else if (run.run_type == Run::RT_Iteration)
                times_[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto pair = times_.find("BM_DemonstrationBattleBetweenTwoProcesses");
        const auto one = times_.find("BM_DemonstrationBattleInOneProcess");
        if (pair != times_.end() && one != times_.end() && one->second > 0)
            std::printf("A battle between two processes takes %.1fx the same battle in one (aim: under 2x)\n",
                        pair->second / one->second);
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    PairReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.failed) std::fprintf(stderr, "net_bench: a benchmark failed\n");
    return reporter.failed ? 1 : 0;
}
