#include <benchmark/benchmark.h>

#include <chrono>
#include <list>

#include "framework/core/list.h"

namespace {

// Lists draw their nodes from fixed-block pools; a queue's traffic (append at the tail, take from the head)
// must cost no more than the standard list's, which takes every node from the general heap.
constexpr int kQueueBatch = 100;

void pushPopPooled(vael::List<int>& list) {
    for (int i = 0; i < kQueueBatch; ++i)
        list.append(i);
    int v = 0;
    while (list.removeFirst(v))
        benchmark::DoNotOptimize(v);
}

void pushPopStd(std::list<int>& list) {
    for (int i = 0; i < kQueueBatch; ++i)
        list.push_back(i);
    while (!list.empty()) {
        benchmark::DoNotOptimize(list.front());
        list.pop_front();
    }
}

void BM_ListPushPop(benchmark::State& state) {
    vael::List<int> list(static_cast<std::uint16_t>(state.range(0)));
    for (auto _ : state)
        pushPopPooled(list);
    state.SetItemsProcessed(state.iterations() * kQueueBatch);
}
BENCHMARK(BM_ListPushPop)->Arg(0)->Arg(1)->ArgName("privatePool");

void BM_StdListPushPop(benchmark::State& state) {
    std::list<int> list;
    for (auto _ : state)
        pushPopStd(list);
    state.SetItemsProcessed(state.iterations() * kQueueBatch);
}
BENCHMARK(BM_StdListPushPop);

// Both side by side in the same run, alternating batch by batch; list_vs_std is the time ratio, and 1 or
// less meets the goal.
void BM_ListAgainstStdList(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    vael::List<int> pooled(static_cast<std::uint16_t>(state.range(0)));
    std::list<int> standard;
    double pooledNs = 0, standardNs = 0;
    std::int64_t rounds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        pushPopPooled(pooled);
        const auto t1 = Clock::now();
        pushPopStd(standard);
        const auto t2 = Clock::now();
        pooledNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        standardNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        rounds += kQueueBatch;
    }
    if (rounds == 0 || standardNs <= 0) return;
    state.counters["list_ns"] = pooledNs / static_cast<double>(rounds);
    state.counters["std_ns"] = standardNs / static_cast<double>(rounds);
    state.counters["list_vs_std"] = pooledNs / standardNs;
}
BENCHMARK(BM_ListAgainstStdList)->Arg(0)->Arg(1)->ArgName("privatePool");

} // namespace

// ---- message names and payload boxes ----

#include <chrono>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/core/container.h"
#include "framework/core/registered_message.h"

namespace {

// The names a run registers: a few hundred, looked up again and again by name.
std::vector<std::string> registeredNames() {
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        names.push_back("BenchMessage" + std::to_string(i));
    for (const auto& n : names)
        vael::RegisteredMessage::getId(n);
    return names;
}

void BM_RegisteredNameLookup(benchmark::State& state) {
    const auto names = registeredNames();
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(vael::RegisteredMessage::getId(names[i++ % names.size()]));
}
BENCHMARK(BM_RegisteredNameLookup);

void BM_UnorderedMapLookup(benchmark::State& state) {
    const auto names = registeredNames();
    std::unordered_map<std::string, std::uint16_t> map;
    for (std::size_t k = 0; k < names.size(); ++k)
        map.emplace(names[k], static_cast<std::uint16_t>(k));
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(map.find(names[i++ % names.size()])->second);
}
BENCHMARK(BM_UnorderedMapLookup);

void BM_BoxAndUnboxShort(benchmark::State& state) {
    short n = 0;
    for (auto _ : state) {
        vael::Container<short> box(n);
        const vael::ContainerBase* payload = &box;
        short out = 0;
        benchmark::DoNotOptimize(vael::Container<short>::fromMessage(payload, out));
        n = static_cast<short>(out + 1);
    }
    benchmark::DoNotOptimize(n);
}
BENCHMARK(BM_BoxAndUnboxShort);

// A queued delivery clones the box; this is that cost, with the unboxing at the other end.
void BM_CloneAndUnboxShort(benchmark::State& state) {
    vael::Container<short> box(5);
    for (auto _ : state) {
        vael::ContainerBase* copy = box.clone();
        short out = 0;
        benchmark::DoNotOptimize(vael::Container<short>::fromMessage(copy, out));
        delete copy;
    }
}
BENCHMARK(BM_CloneAndUnboxShort);

// Both costs side by side with a plain map look-up in the same run, and each as a ratio to it.
void BM_NameAndBoxAgainstUnorderedMap(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const auto names = registeredNames();
    std::unordered_map<std::string, std::uint16_t> map;
    for (std::size_t k = 0; k < names.size(); ++k)
        map.emplace(names[k], static_cast<std::uint16_t>(k));
    constexpr int batch = 1000;
    double registryNs = 0, boxNs = 0, mapNs = 0;
    std::int64_t rounds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int k = 0; k < batch; ++k)
            benchmark::DoNotOptimize(
                vael::RegisteredMessage::getId(names[static_cast<std::size_t>(k) % names.size()]));
        const auto t1 = Clock::now();
        for (int k = 0; k < batch; ++k) {
            vael::Container<short> box(static_cast<short>(k));
            const vael::ContainerBase* payload = &box;
            short out = 0;
            benchmark::DoNotOptimize(vael::Container<short>::fromMessage(payload, out));
            benchmark::DoNotOptimize(out);
        }
        const auto t2 = Clock::now();
        for (int k = 0; k < batch; ++k)
            benchmark::DoNotOptimize(map.find(names[static_cast<std::size_t>(k) % names.size()])->second);
        const auto t3 = Clock::now();
        registryNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        boxNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        mapNs += std::chrono::duration<double, std::nano>(t3 - t2).count();
        rounds += batch;
    }
    if (rounds == 0 || mapNs <= 0) return;
    state.counters["name_ns"] = registryNs / static_cast<double>(rounds);
    state.counters["box_ns"] = boxNs / static_cast<double>(rounds);
    state.counters["map_ns"] = mapNs / static_cast<double>(rounds);
    state.counters["name_vs_map"] = registryNs / mapNs;
    state.counters["box_vs_map"] = boxNs / mapNs;
}
BENCHMARK(BM_NameAndBoxAgainstUnorderedMap);

} // namespace

// ---- the readers' look-ups ----

#include <cstdint>

#include "framework/core/super_string.h"
#include "framework/core/type_info.h"

namespace {

// A receive buffer is searched for a reply each time text arrives: a search of a full 4 KB buffer that
// finds nothing walks it once, without copying it.
void BM_FindInReceiveBuffer(benchmark::State& state) {
    vael::SuperString buffer(vael::SuperString::ReceiveBufferCap);
    for (int i = 0; i < 4096; ++i)
        buffer.write(i % 64 == 63 ? "\n" : "c", 1); // the first letter of the text often, the text never
    for (auto _ : state)
        benchmark::DoNotOptimize(buffer.find("CONNECT 9600"));
    state.SetBytesProcessed(state.iterations() * buffer.length());
}
BENCHMARK(BM_FindInReceiveBuffer);

template <int N> struct Numbered {
    std::int32_t value = 0;
    friend vael::SuperString& operator<<(vael::SuperString& s, const Numbered& v) { return s << v.value; }
    friend vael::SuperString& operator>>(vael::SuperString& s, Numbered& v) { return s >> v.value; }
};

template <int... N> void registerNumbered(std::integer_sequence<int, N...>) {
    (vael::TypeInfo<Numbered<N>>(), ...);
}

} // namespace

namespace vael {
template <int N> struct TypeName<Numbered<N>> {
    static const char* name() {
        static const std::string text = "NumberedRecordType" + std::to_string(N);
        return text.c_str();
    }
};
} // namespace vael

namespace {

// Every box read or written finds its type's record, by name and by id: the cost must not grow with the
// number of records (the program registers a few dozen; here there are 200 besides the shared ones).
void BM_FindTypeRecord(benchmark::State& state) {
    registerNumbered(std::make_integer_sequence<int, 200>());
    const std::uint16_t id = vael::TypeInfo<Numbered<199>>().typeId();
    for (auto _ : state) {
        benchmark::DoNotOptimize(vael::TypeInfoBase::lookUp("NumberedRecordType199"));
        benchmark::DoNotOptimize(vael::TypeInfoBase::find(id));
    }
}
BENCHMARK(BM_FindTypeRecord);

} // namespace
