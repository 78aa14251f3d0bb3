// Speed of bus dispatch beside a direct call through std::function, measured in the same run. The ratios
// are printed after the table: a synchronous send to one handler should cost under ten direct calls.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/bus.h"

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
        const double direct = times_["BM_DirectStdFunctionCall"];
        if (direct <= 0) return;
        for (const char* name : {"BM_SynchronousSend/1", "BM_SynchronousSend/10"}) {
            auto it = times_.find(name);
            if (it != times_.end())
                std::printf("%-24s %6.1fx a direct std::function call\n", name, it->second / direct);
        }
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
