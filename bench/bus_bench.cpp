// Speed of bus dispatch, measured in one run beside what it is compared with; the ratios are printed after
// the table. A synchronous send to one handler should cost under ten direct calls through std::function,
// and posting and draining asynchronous sends under three times as much as synchronous sends.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/application.h"

namespace {

using namespace vael;

long handled = 0;

ContainerBase* countCall(Component*, BusMessage, ContainerBase*) {
    ++handled;
    return nullptr;
}

class Listener : public Component {
public:
    Listener() : Component("Listener") {}
    void connectHandlers() override {}
};

const BusMessage Event = 100;

void BM_DirectStdFunctionCall(benchmark::State& state) {
    Listener target;
    Container<short> payload(1);
    std::function<ContainerBase*(Component*, BusMessage, ContainerBase*)> call = countCall;
    benchmark::DoNotOptimize(call);
    for (auto _ : state) {
        ContainerBase* r = call(&target, Event, &payload);
        benchmark::DoNotOptimize(r);
    }
    benchmark::DoNotOptimize(handled);
}
BENCHMARK(BM_DirectStdFunctionCall);

void BM_SynchronousSend(benchmark::State& state) {
    Bus bus("Bench");
    Listener sender;
    sender.attach(bus);
    std::vector<std::unique_ptr<Listener>> listeners;
    for (int i = 0; i < state.range(0); ++i) {
        listeners.push_back(std::make_unique<Listener>());
        listeners.back()->attach(bus);
        listeners.back()->connect(Event, countCall);
    }
    Container<short> payload(1);
    for (auto _ : state)
        sender.send(Event, &payload);
    benchmark::DoNotOptimize(handled);
}
BENCHMARK(BM_SynchronousSend)->Arg(1)->Arg(10);

// The platform side does nothing: only the queue is measured.
class BenchApplication : public Application {
public:
    void findInMapFile(OIFBase*) override {}
    void findDataFile(OIFBase*, const std::uint8_t*&, const std::uint8_t*) override {}
    std::uint16_t startTimer(std::uint16_t) override { return 1; }
    std::int32_t stopTimer() override { return 1; }
    CursorHandle setCursor(CursorHandle c) override { return c; }
    std::int16_t run() override { return 1; }
    std::int16_t messageWaiting() override { return 0; }
    std::int16_t pumpMessage() override { return 1; }
    std::int16_t dibOrientation() override { return -1; }
    std::int32_t openFileDialog(std::string&, const std::string&, const std::string&) override { return 0; }
    std::int32_t messageBox(const std::string&, const std::string&, std::uint16_t) override { return 1; }
    std::uint32_t tickCount() override { return 0; }
    void beep() override {}
    void setStatusText(const std::string&, std::int16_t) override {}
    std::string loadString(std::uint16_t) override { return {}; }
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
    std::int16_t openClipboard(Display*) override { return 0; }
    void emptyClipboard() override {}
    std::int16_t setClipboardText(const std::string&) override { return 0; }
    void closeClipboard() override {}
};

constexpr int Sends = 10000;
const BusMessage Kick = 101;

ContainerBase* sendMany(Component* target, BusMessage, ContainerBase*) {
    Container<short> payload(1);
    for (int i = 0; i < Sends; ++i)
        target->send(Event, &payload); // queued: a drain is in progress
    return nullptr;
}

// 10,000 sends made outside any dispatch: each is posted and drained at once.
void BM_AsynchronousSendsDrainedEach10000(benchmark::State& state) {
    BenchApplication app;
    AsynchronousBus bus("Bench");
    Listener sender, listener;
    sender.attach(bus);
    listener.attach(bus);
    listener.connect(Event, countCall);
    Container<short> payload(1);
    for (auto _ : state)
        for (int i = 0; i < Sends; ++i)
            sender.send(Event, &payload);
    benchmark::DoNotOptimize(handled);
}
BENCHMARK(BM_AsynchronousSendsDrainedEach10000)->Unit(benchmark::kMicrosecond);

// 10,000 sends posted by one handler, then drained together by the queue.
void BM_AsynchronousSends10000(benchmark::State& state) {
    BenchApplication app;
    AsynchronousBus bus("Bench");
    Listener sender, listener;
    sender.attach(bus);
    listener.attach(bus);
    sender.connect(Kick, sendMany);
    listener.connect(Event, countCall);
    for (auto _ : state)
        sender.sendEmpty(Kick);
    benchmark::DoNotOptimize(handled);
}
BENCHMARK(BM_AsynchronousSends10000)->Unit(benchmark::kMicrosecond);

void BM_SynchronousSends10000(benchmark::State& state) {
    Bus bus("Bench");
    Listener sender, listener;
    sender.attach(bus);
    listener.attach(bus);
    sender.connect(Kick, sendMany);
    listener.connect(Event, countCall);
    for (auto _ : state)
        sender.sendEmpty(Kick);
    benchmark::DoNotOptimize(handled);
}
BENCHMARK(BM_SynchronousSends10000)->Unit(benchmark::kMicrosecond);

// Removing every component of a bus, each connected to the ten events all of them share, in the order
// they came, as a battle is closed: the time should grow with the number of handlers.
void BM_RemoveEveryComponent(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto bus = std::make_unique<Bus>("Bench");
        std::vector<std::unique_ptr<Listener>> listeners;
        for (int i = 0; i < count; ++i) {
            listeners.push_back(std::make_unique<Listener>());
            listeners.back()->attach(*bus);
            for (int e = 0; e < 10; ++e)
                listeners.back()->connect(BusMessage(200 + e), countCall);
        }
        state.ResumeTiming();
        for (auto& listener : listeners)
            listener->detach();
        state.PauseTiming();
        listeners.clear();
        bus.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RemoveEveryComponent)
    ->Arg(100)
    ->Arg(400)
    ->Arg(1600)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// Keeps the times of the runs so that the ratios can be printed when the table is done.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        ratio("BM_SynchronousSend/1", "BM_DirectStdFunctionCall",
              "a direct std::function call (aim: under 10x)");
        ratio("BM_SynchronousSend/10", "BM_DirectStdFunctionCall", "a direct std::function call");
        ratio("BM_AsynchronousSendsDrainedEach10000", "BM_SynchronousSends10000",
              "synchronous sends (aim: under 3x)");
        ratio("BM_AsynchronousSends10000", "BM_SynchronousSends10000", "synchronous sends (aim: under 3x)");
    }
    void ratio(const char* name, const char* base, const char* what) {
        auto it = times_.find(name);
        auto b = times_.find(base);
        if (it == times_.end() || b == times_.end() || b->second <= 0) return;
        std::printf("%-37s %6.1fx %s\n", name, it->second / b->second, what);
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
