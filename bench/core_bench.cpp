#include <benchmark/benchmark.h>

#include <list>

#include "framework/core/list.h"

namespace {

void BM_ListPushPop(benchmark::State& state) {
    vael::List<int> list(0);
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) list.append(i);
        int v = 0;
        while (list.removeFirst(v)) benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_ListPushPop);

void BM_StdListPushPop(benchmark::State& state) {
    std::list<int> list;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) list.push_back(i);
        while (!list.empty()) {
            benchmark::DoNotOptimize(list.front());
            list.pop_front();
        }
    }
}
BENCHMARK(BM_StdListPushPop);

} // namespace
