// Where payload boxes live: blocks of the memory manager's fixed-size pools, the blocks of deleted boxes
// kept for the next boxes of their size class, larger and over-aligned boxes from operator new. Builds with
// AddressSanitizer take every box from operator new, so only what holds for every build is checked there;
// the memory manager's own test programs, built without it, check the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "framework/core/container.h"
#include "framework/core/memory_manager.h"

namespace vael {

// N bytes aligned to A: the boxes of the size classes and of the larger and over-aligned values.
template <std::size_t N, std::size_t A = 1> struct alignas(A) Record { char bytes[N]; };
template <std::size_t N, std::size_t A> struct TypeName<Record<N, A>> {
    static const char* name() { return "Record"; }
};

namespace {

template <class T> const T& valueOf(ContainerBase* box) {
    return *static_cast<Container<T>*>(box)->valuePtr();
}

TEST(BoxAllocation, ABoxTakesTheBlockOfTheLastBoxOfItsSizeClass) {
#if defined(VAEL_BOXES_FROM_OPERATOR_NEW)
    GTEST_SKIP() << "boxes come from operator new under AddressSanitizer";
#else
    // 24 and 32 bytes share the class of 17 to 32: the smaller box's block must be large enough for the
    // larger one that takes it over.
    static_assert(sizeof(Container<Record<16>>) == 24 && sizeof(Container<Record<24>>) == 32);
    void* block = new Container<Record<16>>();
    EXPECT_NE(heapBlockPool(block), nullptr);
    EXPECT_GE(heapBlockSize(block), 32u);
    delete static_cast<Container<Record<16>>*>(block);
    Record<24> full{};
    full.bytes[23] = 'y';
    std::unique_ptr<ContainerBase> second(new Container<Record<24>>(full));
    EXPECT_EQ(std::tuple(static_cast<void*>(second.get()), valueOf<Record<24>>(second.get()).bytes[23]),
              std::tuple(block, 'y'));
#endif
}

// Makes that many boxes, checks that no two share a block and that each holds its own value, and deletes
// them; answers the number of faults.
long long makeAndCheckBoxes(long long count) {
    std::vector<ContainerBase*> boxes;
    for (long long i = 0; i < count; ++i)
        boxes.push_back(new Container<long long>(i));
    std::vector<ContainerBase*> sorted = boxes;
    std::sort(sorted.begin(), sorted.end());
    long long faults = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
    for (long long i = 0; i < count; ++i) {
        long long v = -1;
        Container<long long>::fromMessage(boxes[static_cast<std::size_t>(i)], v);
        faults += v != i;
        delete boxes[static_cast<std::size_t>(i)];
    }
    return faults;
}

// More boxes than a thread keeps per class, twice over: the second round is served partly from kept blocks
// and partly from the pool, and no block may be handed out twice.
TEST(BoxAllocation, ABurstOfBoxesGetsDistinctBlocksAndKeepsItsValues) {
    EXPECT_EQ(makeAndCheckBoxes(20000), 0);
    EXPECT_EQ(makeAndCheckBoxes(20000), 0);
}

// A thread's kept blocks go back to the pool when it ends, and a box may be deleted on another thread than
// the one that made it.
TEST(BoxAllocation, BoxesCrossThreadsAndOutliveTheThreadThatMadeThem) {
    std::vector<ContainerBase*> made;
    std::thread worker([&] {
        for (long long i = 0; i < 1000; ++i) {
            delete new Container<long long>(-1); // leaves a kept block on the worker
            made.push_back(new Container<long long>(i));
        }
        EXPECT_EQ(makeAndCheckBoxes(100), 0);
    });
    worker.join();
    for (std::size_t i = 0; i < made.size(); ++i) {
        long long v = -1;
        Container<long long>::fromMessage(made[i], v);
        EXPECT_EQ(v, static_cast<long long>(i));
        delete made[i];
    }
    EXPECT_EQ(makeAndCheckBoxes(3000), 0);
}

TEST(BoxAllocation, LargeAndOverAlignedBoxesHoldTheirValues) {
    Record<200> big{};
    Record<8, 64> wide{};
    big.bytes[199] = 'z', wide.bytes[7] = 'w';
    std::unique_ptr<ContainerBase> bigBox(Container<Record<200>>(big).clone());
    std::unique_ptr<ContainerBase> wideBox(Container<Record<8, 64>>(wide).clone());
    EXPECT_EQ(std::tuple(valueOf<Record<200>>(bigBox.get()).bytes[199],
                         reinterpret_cast<std::uintptr_t>(wideBox.get()) % 64,
                         valueOf<Record<8, 64>>(wideBox.get()).bytes[7]),
              std::tuple('z', 0u, 'w'));
}

} // namespace
} // namespace vael
