#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <future>
#include <new>
#include <thread>
#include <vector>

#include "framework/core/memory_manager.h"
#include "memory_test_support.h"

namespace vael {
namespace {

using testing_support::MemoryRecorder;
using testing_support::MemoryTest;
using Codes = std::vector<std::uint16_t>;

// Freeing a block twice: the paged back end still knows the address and sees the block is free already;
// the system back end has forgotten the address altogether.
#if defined(VAEL_MEMORY_PAGED)
constexpr std::uint16_t kFreedTwice = MEM_BAD_FREE_BLOCK;
#else
constexpr std::uint16_t kFreedTwice = MEM_BAD_POINTER;
#endif

bool allBytesAre(const void* p, std::size_t n, unsigned char value) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (b[i] != value) return false;
    return true;
}

// --- allocation and freeing --------------------------------------------------------------------------

TEST_F(MemoryTest, ZeroByteRequestsGiveDistinctUsableBlocks) {
    void* a = operatorNew(0);
    void* b = operatorNew(0);
    void* c = heapMalloc(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    *static_cast<char*>(a) = 1; // a zero-byte request is a one-byte block
    *static_cast<char*>(c) = 1;
    EXPECT_TRUE(heapFree(a));
    EXPECT_TRUE(heapFree(b));
    EXPECT_TRUE(heapFree(c));
    EXPECT_TRUE(MemoryRecorder::errors.empty());
}

TEST_F(MemoryTest, BlocksAreAlignedForAnyObject) {
    std::vector<void*> blocks;
    for (std::size_t size : {1u, 3u, 4u, 8u, 12u, 16u, 24u, 100u, 256u, 257u, 1000u, 4096u, 4097u, 70000u})
        for (int i = 0; i < 3; ++i) {
            void* p = heapMalloc(size);
            ASSERT_NE(p, nullptr);
            // An object's size is a multiple of its alignment, so the lowest set bit of the size (16 at most)
            // is as much alignment as any object of that size can need.
            const std::uintptr_t need = std::min<std::size_t>(16, size & (~size + 1));
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % need, 0u) << size;
            std::memset(p, 0x5A, size);
            blocks.push_back(p);
        }
    for (void* p : blocks)
        EXPECT_TRUE(heapFree(p));
}

TEST_F(MemoryTest, DeletingNullDoesNothingAndForeignPointersAreReportedByLookup) {
    operatorDelete(nullptr);
    operatorDeleteArray(nullptr);
    heapRelease(nullptr);
    EXPECT_TRUE(MemoryRecorder::errors.empty());

    int onTheStack = 0;
    EXPECT_FALSE(heapFree(&onTheStack));
    // A block of the standard allocator is foreign too; it is never read, so no sanitizer complains.
    void* foreign = std::malloc(32);
    EXPECT_FALSE(heapFree(foreign));
    std::free(foreign);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BAD_POINTER, MEM_BAD_POINTER}));
    EXPECT_EQ(MemoryRecorder::errors[0].pool, nullptr);
}

TEST_F(MemoryTest, FreeingTwiceOrInsideABlockIsReported) {
    void* general = heapMalloc(40);
    ASSERT_TRUE(heapFree(general));
    EXPECT_FALSE(heapFree(general));

    HeapPool pool = heapPoolCreateFixed(24, 4, 0);
    char* node = static_cast<char*>(heapPoolAlloc(pool, 24, 0));
    ASSERT_NE(node, nullptr);
    EXPECT_FALSE(heapFree(node + 4));
    EXPECT_TRUE(heapFree(node));
    EXPECT_FALSE(heapFree(node));
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{kFreedTwice, MEM_BAD_BLOCK, MEM_BAD_FREE_BLOCK}));
    EXPECT_EQ(MemoryRecorder::errors[1].pool, pool);
    EXPECT_TRUE(heapPoolDestroy(pool));
}

TEST_F(MemoryTest, ZeroFillOnRequestAndThroughTheGlobalOption) {
    // The allocator under test may hand out dirty memory: make a block dirty, free it, and ask again.
    HeapPool pool = heapPoolCreateFixed(64, 2, 0);
    void* dirty = heapPoolAlloc(pool, 64, 0);
    std::memset(dirty, 0xEE, 64);
    heapFree(dirty);
    void* clean = heapPoolAlloc(pool, 64, MEM_ZEROINIT);
    EXPECT_TRUE(allBytesAre(clean, 64, 0));
    std::memset(clean, 0xEE, 64);
    heapFree(clean);

    const unsigned before = heapSetOptions(0x8000 | MEM_OPTION_ZEROINIT);
    EXPECT_EQ(before, 0x8000u);
    void* fromOption = heapAlloc(64, 0, pool);
    EXPECT_TRUE(allBytesAre(fromOption, 64, 0));
    void* m = heapMalloc(300);
    EXPECT_TRUE(allBytesAre(m, 300, 0));
    heapSetOptions(before);
    heapFree(fromOption);
    heapFree(m);

    void* c = heapCalloc(25, 4);
    EXPECT_TRUE(allBytesAre(c, 100, 0));
    EXPECT_EQ(heapBlockSize(c), 100u);
    heapFree(c);
    EXPECT_TRUE(heapPoolDestroy(pool));
    EXPECT_TRUE(MemoryRecorder::errors.empty());
}

TEST_F(MemoryTest, CallocRefusesAProductThatWouldWrap) {
    EXPECT_EQ(heapCalloc(std::size_t(1) << 40, std::size_t(1) << 40), nullptr);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BLOCK_TOO_BIG}));
    void* one = heapCalloc(0, 16); // 0 bytes become 1
    ASSERT_NE(one, nullptr);
    heapFree(one);
}

TEST_F(MemoryTest, ReallocKeepsContentsFreesOnZeroAndAllocatesFromNull) {
    char* p = static_cast<char*>(heapRealloc(nullptr, 10));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "abcdefghi", 10);
    p = static_cast<char*>(heapRealloc(p, 5000));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, "abcdefghi");
    p = static_cast<char*>(heapRealloc(p, 3));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::memcmp(p, "abc", 3), 0);
    EXPECT_EQ(heapRealloc(p, 0), nullptr);
    EXPECT_FALSE(heapFree(p)); // already freed by the resize to 0
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{kFreedTwice}));
}

TEST_F(MemoryTest, ReallocGrowthIsZeroFilledUnderTheGlobalOption) {
    char* p = static_cast<char*>(heapMalloc(8));
    std::memset(p, 'x', 8);
    const unsigned before = heapSetOptions(0x8000 | MEM_OPTION_ZEROINIT);
    const std::size_t had = heapBlockSize(p);
    p = static_cast<char*>(heapRealloc(p, 600));
    heapSetOptions(before);
    EXPECT_TRUE(allBytesAre(p, 8, 'x'));
    EXPECT_TRUE(allBytesAre(p + had, 600 - had, 0));
    heapFree(p);
}

TEST_F(MemoryTest, ReallocOfAForeignPointerIsReportedAndLeavesItAlone) {
    int local = 7;
    EXPECT_EQ(heapRealloc(&local, 100), nullptr);
    EXPECT_EQ(local, 7);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BAD_POINTER}));
}

TEST_F(MemoryTest, ReallocStaysInTheBlocksPool) {
    HeapPool pool = heapPoolCreate(0);
    void* p = heapPoolAlloc(pool, 100, 0);
    void* q = heapRealloc(p, 2000);
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(heapPoolDestroy(pool)); // takes q with it
    EXPECT_FALSE(heapFree(q));
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BAD_POINTER}));
}

// --- pools --------------------------------------------------------------------------------------------

TEST_F(MemoryTest, DestroyingAPoolFreesAllItsBlocksAndItsHandle) {
    HeapPool pool = heapPoolCreateFixed(40, 10, 0);
    std::vector<void*> blocks;
    for (int i = 0; i < 500; ++i)
        blocks.push_back(heapPoolAlloc(pool, 40, 0)); // fixed-size blocks
    for (int i = 0; i < 50; ++i)
        blocks.push_back(heapPoolAlloc(pool, 1 + i * 97, 0)); // all other sizes
    for (void* b : blocks)
        ASSERT_NE(b, nullptr);
    EXPECT_TRUE(heapPoolDestroy(pool));
    EXPECT_TRUE(MemoryRecorder::errors.empty());
    // The blocks are gone: freeing one is looked up and refused, never read.
    EXPECT_FALSE(heapFree(blocks.front()));
    EXPECT_FALSE(heapFree(blocks.back()));
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BAD_POINTER, MEM_BAD_POINTER}));
}

TEST_F(MemoryTest, ADestroyedPoolIsReportedAndRefused) {
    HeapPool pool = heapPoolCreate(0);
    ASSERT_TRUE(heapPoolDestroy(pool));
    EXPECT_EQ(heapPoolAlloc(pool, 10, 0), nullptr);
    EXPECT_FALSE(heapPoolDestroy(pool));
    EXPECT_EQ(heapAlloc(10, 0, pool), nullptr);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BAD_MEM_POOL, MEM_BAD_MEM_POOL, MEM_BAD_MEM_POOL}));
    for (const MemErrorInfo& e : MemoryRecorder::errors)
        EXPECT_EQ(e.pool, pool);
    EXPECT_EQ(heapPoolAlloc(nullptr, 10, 0), nullptr);
    EXPECT_EQ(MemoryRecorder::errors.back().errorCode, MEM_BAD_MEM_POOL);
}

TEST_F(MemoryTest, FixedBlockSizeLimits) {
    EXPECT_EQ(heapPoolCreateFixed(20000, 1, 0), nullptr);
    EXPECT_EQ(heapPoolCreateFixed(16357, 1, 0), nullptr); // rounds to 16360, past the largest
    EXPECT_EQ(heapPoolCreateFixed(static_cast<std::size_t>(-1), 1, 0), nullptr); // rounding overflows
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BLOCK_TOO_BIG, MEM_BLOCK_TOO_BIG, MEM_BLOCK_TOO_BIG}));

    HeapPool largest = heapPoolCreateFixed(16356, 1, 0);
    ASSERT_NE(largest, nullptr);
    void* b = heapPoolAlloc(largest, 16356, 0);
    ASSERT_NE(b, nullptr);
    std::memset(b, 1, 16356);
    EXPECT_EQ(heapBlockSize(b), 16356u);
    EXPECT_TRUE(heapPoolDestroy(largest));

    HeapPool odd = heapPoolCreateFixed(22, 0, 0); // rounded up to 24
    void* n = heapPoolAlloc(odd, 22, 0);
    EXPECT_EQ(heapBlockSize(n), 24u);
    EXPECT_TRUE(heapPoolDestroy(odd));
    EXPECT_EQ(MemoryRecorder::errors.size(), 3u);
}

TEST_F(MemoryTest, CommittedBytesStartWithTheHeaderPage) {
    HeapPool plain = heapPoolCreate(0);
    HeapPool shared = heapPoolCreate(MEM_POOL_SHARED);
    EXPECT_EQ(heapPoolCommitted(plain), 4096u);
    EXPECT_EQ(heapPoolCommitted(shared), 65536u);
    EXPECT_TRUE(heapPoolDestroy(plain));
    EXPECT_TRUE(heapPoolDestroy(shared));
}

TEST_F(MemoryTest, AFixedPoolPreparesItsBlocksAndKeepsEmptyPagesUpToTheFloor) {
    HeapPool pool = heapPoolCreateFixed(1024, 10, 0);
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + 16384u); // one page prepared
    std::vector<void*> blocks;
    while (heapPoolCommitted(pool) < 600000)
        blocks.push_back(heapPoolAlloc(pool, 1024, 0));
    for (void* b : blocks)
        ASSERT_TRUE(heapFree(b));
    // Emptied pages go back only while the pool keeps 262144 committed bytes without them.
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + 16u * 16384u);
    EXPECT_TRUE(heapPoolDestroy(pool));
}

TEST_F(MemoryTest, ARequestOverTheCeilingIsRefused) {
    HeapPool pool = heapPoolCreate(0);
    heapPoolSetCeiling(pool, 4096 + 100000);
    void* a = heapPoolAlloc(pool, 60000, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(heapPoolAlloc(pool, 60000, 0), nullptr);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_EXCEEDED_CEILING}));
    EXPECT_EQ(MemoryRecorder::errors[0].pool, pool);
    EXPECT_TRUE(heapFree(a));
    EXPECT_EQ(heapPoolCommitted(pool), 4096u);
    EXPECT_TRUE(heapPoolDestroy(pool));
}

// --- the new-handler loop -------------------------------------------------------------------------------

void* reserve = nullptr;
int newHandlerCalls = 0;
void freeReserveOnce() {
    ++newHandlerCalls;
    heapFree(reserve);
    reserve = nullptr;
    std::set_new_handler(nullptr);
}

TEST_F(MemoryTest, ANewHandlerThatFreesAReserveLetsTheSecondTrySucceed) {
    HeapPool pool = heapPoolCreate(0);
    heapPoolSetCeiling(pool, 4096 + 100000);
    reserve = heapAlloc(60000, 0, pool);
    ASSERT_NE(reserve, nullptr);
    newHandlerCalls = 0;
    std::set_new_handler(&freeReserveOnce);
    void* block = heapAlloc(60000, 0, pool);
    std::set_new_handler(nullptr);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(newHandlerCalls, 1);
    EXPECT_EQ(reserve, nullptr);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_EXCEEDED_CEILING}));
    EXPECT_TRUE(heapPoolDestroy(pool));
}

TEST_F(MemoryTest, WithoutANewHandlerAFailedAllocationReturnsNull) {
    ASSERT_EQ(std::get_new_handler(), nullptr);
    HeapPool pool = heapPoolCreate(0);
    heapPoolSetCeiling(pool, 4096 + 1000);
    EXPECT_EQ(heapAlloc(60000, 0, pool), nullptr);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_EXCEEDED_CEILING}));
    EXPECT_EQ(heapAlloc(std::size_t(1) << 50, 0, pool), nullptr);
    EXPECT_EQ(MemoryRecorder::errors.back().errorCode, MEM_BLOCK_TOO_BIG);
    EXPECT_TRUE(heapPoolDestroy(pool));
}

// --- error reporting ------------------------------------------------------------------------------------

TEST_F(MemoryTest, SettingTheHandlerReturnsThePreviousOne) {
    MemErrorHandler mine = heapSetErrorHandler(nullptr);
    EXPECT_EQ(mine, &MemoryRecorder::handler);
    EXPECT_EQ(heapSetErrorHandler(mine), nullptr);
    MemoryRecorder::handlerAnswer = 1;
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 1);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BAD_HANDLE}));
}

TEST_F(MemoryTest, TheDefaultHandlerShowsTheCodesName) {
    heapSetErrorHandler(nullptr);
    const char* names[] = {"MEM_BLOCK_TOO_BIG",  "MEM_ALLOC_ZERO",       "MEM_RESIZE_FAILED",
                           "MEM_LOCK_ERROR",     "MEM_EXCEEDED_CEILING", "MEM_TOO_MANY_PAGES",
                           "MEM_TOO_MANY_TASKS", "MEM_BAD_MEM_POOL",     "MEM_BAD_BLOCK",
                           "MEM_BAD_FREE_BLOCK", "MEM_BAD_HANDLE",       "MEM_BAD_POINTER"};
    for (std::uint16_t code = 3; code <= 14; ++code)
        EXPECT_EQ(heapReportError(nullptr, code), 0);
    for (std::uint16_t code : {0, 1, 15, 99})
        EXPECT_EQ(heapReportError(nullptr, code), 0);
    ASSERT_EQ(MemoryRecorder::boxes.size(), 16u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(MemoryRecorder::boxes[i].text, names[i]);
        EXPECT_EQ(MemoryRecorder::boxes[i].caption, "SmartHeap Library");
        EXPECT_EQ(MemoryRecorder::boxes[i].buttons, MemBoxButtons::OkCancel);
    }
    for (int i = 12; i < 16; ++i)
        EXPECT_EQ(MemoryRecorder::boxes[i].text, "MEM_INTERNAL_ERROR");
    EXPECT_TRUE(MemoryRecorder::exits.empty());
}

TEST_F(MemoryTest, TheDefaultHandlerOffersRetryForExhaustedMemory) {
    heapSetErrorHandler(nullptr);
    MemoryRecorder::answers = {MemBoxAnswer::Retry, MemBoxAnswer::Ignore, MemBoxAnswer::Abort,
                               MemBoxAnswer::Cancel, MemBoxAnswer::Ok};
    EXPECT_EQ(heapReportError(nullptr, MEM_OUT_OF_MEMORY), 1);
    EXPECT_EQ(heapReportError(nullptr, MEM_OUT_OF_MEMORY), 0);
    EXPECT_TRUE(MemoryRecorder::exits.empty());
    // Abort and Cancel end the program; the test's exit function returns, and the handler answers 0.
    EXPECT_EQ(heapReportError(nullptr, MEM_OUT_OF_MEMORY), 0);
    EXPECT_EQ(MemoryRecorder::exits.size(), 1u);
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_POINTER), 0);
    EXPECT_EQ(MemoryRecorder::exits.size(), 2u);
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_POINTER), 0);
    EXPECT_EQ(MemoryRecorder::exits.size(), 2u);
    ASSERT_EQ(MemoryRecorder::boxes.size(), 5u);
    EXPECT_EQ(MemoryRecorder::boxes[0].text, "Out of memory.  Please free some memory, then choose retry.");
    EXPECT_EQ(MemoryRecorder::boxes[0].buttons, MemBoxButtons::AbortRetryIgnore);
}

TEST_F(MemoryTest, ABoxThatCannotBeShownIsTriedOnceMore) {
    heapSetErrorHandler(nullptr);
    MemoryRecorder::answers = {MemBoxAnswer::NotShown, MemBoxAnswer::Retry};
    EXPECT_EQ(heapReportError(nullptr, MEM_OUT_OF_MEMORY), 1);
    MemoryRecorder::answers = {MemBoxAnswer::NotShown, MemBoxAnswer::NotShown, MemBoxAnswer::Retry};
    EXPECT_EQ(heapReportError(nullptr, MEM_OUT_OF_MEMORY), 0);
    EXPECT_EQ(MemoryRecorder::boxes.size(), 4u);
    EXPECT_EQ(MemoryRecorder::answers.size(), 1u);
}

TEST_F(MemoryTest, WithoutABoxTheTextGoesToStandardErrorAndTheProgramCarriesOn) {
    heapSetErrorHandler(nullptr);
    heapSetMessageBox(nullptr);
    ::testing::internal::CaptureStderr();
    const int outOfMemory = heapReportError(nullptr, MEM_OUT_OF_MEMORY);
    const int badPointer = heapReportError(nullptr, MEM_BAD_POINTER);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(outOfMemory, 0);
    EXPECT_EQ(badPointer, 0);
    EXPECT_EQ(said, "SmartHeap Library: Out of memory.  Please free some memory, then choose retry.\n"
                    "SmartHeap Library: MEM_BAD_POINTER\n");
    EXPECT_TRUE(MemoryRecorder::exits.empty());
}

int reentryCalls = 0;
int reenteringHandler(MemErrorInfo* info) {
    ++reentryCalls;
    MemoryRecorder::errors.push_back(*info);
    // A second error on this thread while the handler runs: shown as a re-entry, the handler is not called.
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_POINTER), 0);
    return 1;
}

TEST_F(MemoryTest, ASecondErrorInsideTheHandlerShowsTheReentryMessage) {
    heapSetErrorHandler(&reenteringHandler);
    reentryCalls = 0;
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 1);
    EXPECT_EQ(reentryCalls, 1);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BAD_HANDLE}));
    ASSERT_EQ(MemoryRecorder::boxes.size(), 1u);
    EXPECT_EQ(MemoryRecorder::boxes[0].text, "\n\rSmartHeap error handler recursively re-entered.\n\r");
    EXPECT_EQ(MemoryRecorder::boxes[0].caption, "SmartHeap Library");
    EXPECT_EQ(MemoryRecorder::boxes[0].buttons, MemBoxButtons::OkCancel);
    // The thread has left the handler: the next error reaches it again.
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 1);
    EXPECT_EQ(reentryCalls, 2);
}

MemBoxAnswer reportingBox(const char* text, const char* caption, MemBoxButtons buttons) {
    MemoryRecorder::box(text, caption, buttons);
    // Deeper re-entries are skipped without a word.
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_POINTER), 0);
    return MemBoxAnswer::Ok;
}

TEST_F(MemoryTest, DeeperReentriesAreSilent) {
    heapSetErrorHandler(&reenteringHandler);
    heapSetMessageBox(&reportingBox);
    reentryCalls = 0;
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 1);
    EXPECT_EQ(reentryCalls, 1);
    EXPECT_EQ(MemoryRecorder::boxes.size(), 1u);
}

int leavingHandler(MemErrorInfo* info) {
    MemoryRecorder::errors.push_back(*info);
    heapLeaveErrorHandler(); // as a program's handler does before it ends or retries
    return 0;
}

TEST_F(MemoryTest, LeavingTheHandlerEarlyIsHarmless) {
    heapSetErrorHandler(&leavingHandler);
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 0);
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 0);
    EXPECT_EQ(MemoryRecorder::errors.size(), 2u);
    EXPECT_TRUE(MemoryRecorder::boxes.empty());
}

std::atomic<int> threadsInside{0};
std::atomic<bool> releaseThreads{false};
int blockingHandler(MemErrorInfo*) {
    ++threadsInside;
    while (!releaseThreads)
        std::this_thread::yield();
    return 0;
}

TEST_F(MemoryTest, ATwentySixthThreadInsideTheHandlerIsTurnedAway) {
    heapSetErrorHandler(&blockingHandler);
    threadsInside = 0;
    releaseThreads = false;
    std::vector<std::thread> threads;
    for (int i = 0; i < 25; ++i)
        threads.emplace_back([] { heapReportError(nullptr, MEM_BAD_HANDLE); });
    while (threadsInside < 25)
        std::this_thread::yield();
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 0);
    releaseThreads = true;
    for (std::thread& t : threads)
        t.join();
    ASSERT_EQ(MemoryRecorder::boxes.size(), 1u);
    EXPECT_EQ(MemoryRecorder::boxes[0].text, "\n\rMemory errors in too many threads concurrently.\n\r");
    EXPECT_EQ(MemoryRecorder::boxes[0].buttons, MemBoxButtons::OkCancel);
    // Every thread left the table: the handler is reached again.
    releaseThreads = true;
    threadsInside = 0;
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 0);
    EXPECT_EQ(threadsInside, 1);
}

HeapPool lockedPool = nullptr;
bool otherThreadGotABlock = false;
int handlerUsingThePoolFromAnotherThread(MemErrorInfo* info) {
    MemoryRecorder::errors.push_back(*info);
    // The pool's lock is not held while the handler runs, so another thread can use the pool meanwhile.
    auto other = std::async(std::launch::async, [] {
        void* p = heapPoolAlloc(lockedPool, 16, 0);
        heapFree(p);
        return p != nullptr;
    });
    if (other.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        otherThreadGotABlock = other.get();
    return 0;
}

TEST_F(MemoryTest, TheHandlerRunsWithASerializedPoolUnlocked) {
    for (unsigned flags : {MEM_POOL_SERIALIZE, MEM_POOL_SHARED}) {
        lockedPool = heapPoolCreate(flags);
        heapPoolSetCeiling(lockedPool, heapPoolCommitted(lockedPool) + 70000);
        heapSetErrorHandler(&handlerUsingThePoolFromAnotherThread);
        otherThreadGotABlock = false;
        EXPECT_EQ(heapPoolAlloc(lockedPool, 100000, 0), nullptr);
        EXPECT_TRUE(otherThreadGotABlock) << flags;
        // And the pool is locked and unlocked in balance afterwards.
        void* p = heapPoolAlloc(lockedPool, 16, 0);
        EXPECT_NE(p, nullptr);
        EXPECT_TRUE(heapFree(p));
        EXPECT_TRUE(heapPoolDestroy(lockedPool));
    }
}

TEST_F(MemoryTest, TheDefaultPoolServesManyThreads) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            std::vector<void*> mine;
            for (int i = 0; i < 2000; ++i) {
                mine.push_back(heapMalloc(static_cast<std::size_t>(8 + (i * 37 + t) % 600)));
                if (i % 3 == 0) {
                    heapFree(mine.front());
                    mine.erase(mine.begin());
                }
            }
            for (void* p : mine)
                heapFree(p);
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_TRUE(MemoryRecorder::errors.empty());
}

} // namespace
} // namespace vael

namespace vael {
namespace {

// --- what both back ends must keep ---------------------------------------------------------------------

TEST_F(MemoryTest, RandomAllocationsKeepTheirContents) {
    HeapPool pool = heapPoolCreateFixed(48, 10, 0);
    struct Held {
        unsigned char* p;
        std::size_t size;
        unsigned char fill;
    };
    std::vector<Held> held;
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    auto check = [](const Held& h) { return allBytesAre(h.p, h.size, h.fill); };
    for (int op = 0; op < 20000; ++op) {
        if (held.empty() || next() % 100 < 55) {
            const std::uint32_t r = next() % 1000;
            std::size_t size = r < 700   ? 1 + next() % 300
                               : r < 950 ? 300 + next() % 4200
                                         : 5000 + next() % 70000;
            if (r % 10 == 0) size = 48; // the pool's fixed size
            auto* p = static_cast<unsigned char*>(heapAlloc(size, 0, pool));
            ASSERT_NE(p, nullptr);
            const auto fill = static_cast<unsigned char>(op);
            std::memset(p, fill, size);
            held.push_back({p, size, fill});
        } else {
            const std::size_t i = next() % held.size();
            ASSERT_TRUE(check(held[i])) << "block of " << held[i].size << " bytes was overwritten";
            ASSERT_TRUE(heapFree(held[i].p));
            held[i] = held.back();
            held.pop_back();
        }
    }
    for (const Held& h : held)
        ASSERT_TRUE(check(h));
    for (std::size_t i = 0; i < held.size(); i += 2)
        ASSERT_TRUE(heapFree(held[i].p));
    EXPECT_TRUE(heapPoolDestroy(pool)); // the other half goes with the pool
    EXPECT_TRUE(MemoryRecorder::errors.empty());
}

TEST_F(MemoryTest, SmallBlocksRoundUpToAMultipleOfFour) {
    for (std::size_t size : {1u, 2u, 3u, 4u, 5u, 8u, 9u, 13u, 100u, 253u, 256u}) {
        void* p = heapMalloc(size);
#if defined(VAEL_MEMORY_PAGED)
        EXPECT_EQ(heapBlockSize(p), std::max<std::size_t>(4, (size + 3) / 4 * 4)) << size;
#else
        EXPECT_EQ(heapBlockSize(p), size) << size; // the standard allocator keeps the size asked for
#endif
        heapFree(p);
    }
    EXPECT_EQ(heapBlockSize(nullptr), 0u);
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BAD_POINTER}));
}

#if defined(VAEL_ROUTE_NEW)
TEST_F(MemoryTest, TheGlobalOperatorsComeFromTheDefaultPool) {
    int* one = new int(5);
    auto* many = new long[300];
    EXPECT_NE(heapBlockPool(one), nullptr);
    EXPECT_EQ(heapBlockPool(one), heapBlockPool(many));
    delete one;
    delete[] many;
    EXPECT_TRUE(MemoryRecorder::errors.empty());
}
#else
TEST_F(MemoryTest, TheGlobalOperatorsAreTheRuntimesOwn) {
    int* one = new int(5);
    EXPECT_EQ(heapBlockPool(one), nullptr);
    delete one;
}
#endif

#if defined(VAEL_MEMORY_PAGED)
// --- the paged back end's layout ------------------------------------------------------------------------

TEST_F(MemoryTest, ALargeBlockHasARunOfItsOwnGivenBackAtOnce) {
    HeapPool pool = heapPoolCreate(0);
    void* big = heapPoolAlloc(pool, 100000, 0);
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + (96u + 100000u + 4095u) / 4096u * 4096u);
    EXPECT_EQ(heapBlockSize(big), 100000u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(big) % 65536, 96u); // just behind its run's header
    EXPECT_TRUE(heapFree(big));
    EXPECT_EQ(heapPoolCommitted(pool), 4096u);
    EXPECT_TRUE(heapPoolDestroy(pool));
}

TEST_F(MemoryTest, SmallBlocksShareSixtyFourKilobytePagesThatStayWithThePool) {
    HeapPool pool = heapPoolCreate(0);
    std::vector<void*> blocks;
    for (int i = 0; i < 100; ++i)
        blocks.push_back(heapPoolAlloc(pool, 16, 0));
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + 65536u);
    for (void* b : blocks)
        EXPECT_TRUE(heapFree(b));
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + 65536u);
    // A freed block of a class is the next one of that class handed out.
    void* again = heapPoolAlloc(pool, 13, 0);
    EXPECT_EQ(again, blocks.back());
    EXPECT_TRUE(heapPoolDestroy(pool));
}

TEST_F(MemoryTest, TheEndOfAFullSmallPageServesASmallerClass) {
    HeapPool pool = heapPoolCreate(0);
    std::vector<char*> blocks;
    // Fill a page with 256-byte blocks until a second page is needed.
    while (heapPoolCommitted(pool) < 4096u + 2 * 65536u)
        blocks.push_back(static_cast<char*>(heapPoolAlloc(pool, 256, 0)));
    const std::uintptr_t firstPage =
        reinterpret_cast<std::uintptr_t>(blocks.front()) & ~std::uintptr_t(0xFFFF);
    // The leftover of the first page went onto a smaller class's list: some small request gets it.
    bool reused = false;
    for (std::size_t cls = 252; cls >= 4 && !reused; cls -= 4) {
        void* p = heapPoolAlloc(pool, cls, 0);
        reused = (reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t(0xFFFF)) == firstPage;
    }
    EXPECT_TRUE(reused);
    EXPECT_TRUE(heapPoolDestroy(pool));
}

TEST_F(MemoryTest, MediumBlocksAreMergedWhenFreed) {
    HeapPool pool = heapPoolCreate(0);
    std::vector<void*> blocks;
    for (int i = 0; i < 5; ++i)
        blocks.push_back(heapPoolAlloc(pool, 3000, 0));
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + 16384u); // all in one medium page
    for (int i : {1, 3, 0, 4, 2})
        EXPECT_TRUE(heapFree(blocks[static_cast<std::size_t>(i)]));
    // Only merged free space holds these.
    for (int i = 0; i < 3; ++i)
        blocks[static_cast<std::size_t>(i)] = heapPoolAlloc(pool, 4096, 0);
    void* between = heapPoolAlloc(pool, 2000, 0);
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + 16384u);
    EXPECT_TRUE(heapFree(between));
    EXPECT_FALSE(heapFree(static_cast<char*>(blocks[0]) + 16)); // not where a block starts
    EXPECT_EQ(MemoryRecorder::codes(), (Codes{MEM_BAD_BLOCK}));
    EXPECT_TRUE(heapPoolDestroy(pool));
}
#endif

} // namespace
} // namespace vael
