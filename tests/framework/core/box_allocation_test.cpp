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

struct SmallRecord {
    char bytes[16];
};
struct FullRecord {
    char bytes[24];
};
struct BigRecord {
    char bytes[200];
};
struct alignas(64) WideRecord {
    long long first;
};
VAEL_TYPE_NAME(SmallRecord, "SmallRecord");
VAEL_TYPE_NAME(FullRecord, "FullRecord");
VAEL_TYPE_NAME(BigRecord, "BigRecord");
VAEL_TYPE_NAME(WideRecord, "WideRecord");

namespace {

TEST(BoxAllocation, ABoxTakesTheBlockOfTheLastBoxOfItsSizeClass) {
#if defined(VAEL_BOXES_FROM_OPERATOR_NEW)
    GTEST_SKIP() << "boxes come from operator new under AddressSanitizer";
#else
    // 24 and 32 bytes share the class of 17 to 32: the smaller box's block must be large enough for the
    // larger one that takes it over.
    static_assert(sizeof(Container<SmallRecord>) == 24 && sizeof(Container<FullRecord>) == 32);
    auto* first = new Container<SmallRecord>();
    void* block = first;
    EXPECT_NE(heapBlockPool(block), nullptr);
    EXPECT_GE(heapBlockSize(block), 32u);
    delete first;
    FullRecord full{};
    full.bytes[23] = 'y';
    std::unique_ptr<ContainerBase> second(new Container<FullRecord>(full));
    EXPECT_EQ(static_cast<void*>(second.get()), block);
    EXPECT_EQ(static_cast<Container<FullRecord>*>(second.get())->valuePtr()->bytes[23], 'y');
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
    BigRecord big{};
    big.bytes[199] = 'z';
    std::unique_ptr<ContainerBase> large(Container<BigRecord>(big).clone());
    EXPECT_EQ(static_cast<Container<BigRecord>*>(large.get())->valuePtr()->bytes[199], 'z');

    std::unique_ptr<ContainerBase> wide(Container<WideRecord>(WideRecord{7}).clone());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide.get()) % alignof(WideRecord), 0u);
    EXPECT_EQ(static_cast<Container<WideRecord>*>(wide.get())->valuePtr()->first, 7);
}

} // namespace
} // namespace vael
