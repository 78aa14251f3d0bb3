#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <new>
#include <thread>

#include "framework/core/memory_manager.h"
#include "memory_test_support.h"

namespace vael {
namespace {

using testing_support::MemoryRecorder;
using testing_support::MemoryTest;
using Codes = std::vector<std::uint16_t>;
using Sizes = std::vector<std::size_t>;
using Strings = std::vector<std::string>;

#if defined(VAEL_MEMORY_PAGED)
constexpr bool kPaged = true;
#else
constexpr bool kPaged = false;
#endif
// Freeing a block twice: the paged back end still knows the address and sees the block is free already;
// the system back end has forgotten the address altogether.
constexpr std::uint16_t kFreedTwice = kPaged ? MEM_BAD_FREE_BLOCK : MEM_BAD_POINTER;

const auto filled = [](const void* p, std::size_t n, char c) {
    return std::string(static_cast<const char*>(p), n) == std::string(n, c);
};
const auto box = [](const std::string& text) { return "Vaelmoric Memory Manager: " + text + " [OK Cancel]"; };

// --- allocation and freeing --------------------------------------------------------------------------

TEST_F(MemoryTest, ZeroByteBlocksAreDistinctAndEveryBlockIsAlignedAndSized) {
    std::vector<void*> blocks{operatorNew(0), operatorNew(0), heapMalloc(0)};
    EXPECT_NE(blocks[0], blocks[1]);
    // A zero-byte request is a one-byte block.
    *static_cast<char*>(blocks[0]) = 1;
    // An object's size is a multiple of its alignment, so the lowest set bit of the size (16 at most) is as
    // much alignment as any object of that size can need. Small blocks on pages round up to a multiple of 4
    // (at least 4), and large ones keep their size; the standard allocator's keep the size asked for.
    for (std::size_t size : {1u, 2u, 3u, 4u, 5u, 12u, 13u, 24u, 100u, 253u, 256u, 257u, 4097u, 70000u})
        for (int i = 0; i < 3; ++i) {
            const std::size_t small = kPaged ? std::max(4ul, (size + 3) & ~3ul) : size;
            void* p = blocks.emplace_back(std::memset(heapMalloc(size), 0x5A, size));
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % std::min(16ul, size & -size), 0u);
            EXPECT_EQ(heapBlockSize(p),
                      size > 256 ? (kPaged && size <= 4096 ? heapBlockSize(p) : size) : small);
        }
    EXPECT_EQ((std::tuple{std::ranges::all_of(blocks, heapFree), errors.size()}), std::tuple(true, 0u));
}

TEST_F(MemoryTest, NullIsIgnoredAndBadAddressesAreReportedByLookup) {
    operatorDelete(nullptr);
    operatorDeleteArray(nullptr);
    heapRelease(nullptr);
    int onTheStack = 7;
    // A block of the standard allocator is foreign too; it is never read, so no sanitizer complains.
    void* foreign = std::malloc(32);
    void* general = heapMalloc(40);
    HeapPool pool = heapPoolCreateFixed(24, 4, 0);
    char* node = static_cast<char*>(heapPoolAlloc(pool, 24, 0));
    EXPECT_EQ((std::vector<bool>{heapFree(&onTheStack), heapFree(foreign), heapFree(general),
                                 heapFree(general), heapFree(node + 4), heapFree(node), heapFree(node),
                                 heapRealloc(&onTheStack, 100) != nullptr, heapBlockSize(nullptr) != 0}),
              (std::vector<bool>{false, false, true, false, false, true, false, false, false}));
    std::free(foreign);
    EXPECT_EQ(onTheStack, 7);
    EXPECT_EQ((std::tuple{codes(), errors[0].pool, errors[3].pool}),
              std::tuple(Codes{MEM_BAD_POINTER, MEM_BAD_POINTER, kFreedTwice, MEM_BAD_BLOCK,
                               MEM_BAD_FREE_BLOCK, MEM_BAD_POINTER, MEM_BAD_POINTER},
                         nullptr, pool));
    EXPECT_TRUE(heapPoolDestroy(pool));
}

TEST_F(MemoryTest, ZeroFillOnRequestThroughTheGlobalOptionAndByCalloc) {
    // The allocator may hand out dirty memory: make a block dirty, free it, and ask again.
    HeapPool pool = heapPoolCreateFixed(64, 2, 0);
    for (unsigned flags : {0u, MEM_ZEROINIT}) {
        void* p = heapPoolAlloc(pool, 64, flags);
        EXPECT_TRUE(flags == 0 || filled(p, 64, 0));
        std::memset(p, 0xEE, 64);
        heapFree(p);
    }
    // Under the global option every allocation, and the growth of a resized block, is zero-filled.
    char* grown = static_cast<char*>(std::memset(heapMalloc(8), 'x', 8));
    const std::size_t had = heapBlockSize(grown);
    EXPECT_EQ(heapSetOptions(0x8000 | MEM_OPTION_ZEROINIT), 0x8000u);
    std::vector<void*> blocks{heapAlloc(64, 0, pool), heapMalloc(300),
                              grown = static_cast<char*>(heapRealloc(grown, 600))};
    heapSetOptions(0x8000);
    blocks.push_back(heapCalloc(25, 4));
    EXPECT_TRUE(filled(blocks[0], 64, 0) && filled(blocks[1], 300, 0) && filled(blocks[3], 100, 0) &&
                filled(grown, 8, 'x') && filled(grown + had, 600 - had, 0));
    EXPECT_EQ(heapBlockSize(blocks[3]), 100u);
    // calloc of 0 bytes gives a block of 1; a product that would wrap round to a small block is refused.
    blocks.push_back(heapCalloc(0, 16));
    EXPECT_TRUE(std::ranges::all_of(blocks, heapFree));
    EXPECT_EQ(heapCalloc(std::size_t(1) << 40, std::size_t(1) << 40), nullptr);
    EXPECT_EQ((std::tuple{codes(), heapPoolDestroy(pool)}), std::tuple(Codes{MEM_BLOCK_TOO_BIG}, true));
}

TEST_F(MemoryTest, ReallocKeepsContentsStaysInItsPoolAndFreesOnZero) {
    char* p = static_cast<char*>(heapRealloc(std::memcpy(heapRealloc(nullptr, 10), "abcdefghi", 10), 5000));
    EXPECT_STREQ(p, "abcdefghi");
    p = static_cast<char*>(heapRealloc(p, 3));
    // The second free finds the block freed already by the resize to 0.
    EXPECT_EQ((std::tuple{std::string(p, 3), heapRealloc(p, 0), heapFree(p)}),
              std::tuple("abc", nullptr, false));
    HeapPool pool = heapPoolCreate(0);
    void* q = heapRealloc(heapPoolAlloc(pool, 100, 0), 2000);
    EXPECT_EQ((std::tuple{heapBlockPool(q), heapPoolDestroy(pool), heapFree(q), codes()}),
              std::tuple(pool, true, false, Codes{kFreedTwice, MEM_BAD_POINTER}));
}

// --- pools --------------------------------------------------------------------------------------------

TEST_F(MemoryTest, DestroyingAPoolFreesAllItsBlocksAndADestroyedPoolIsRefused) {
    HeapPool pool = heapPoolCreateFixed(40, 10, 0);
    std::vector<void*> blocks;
    // Fixed-size blocks, then all other sizes.
    for (int i = 0; i < 550; ++i)
        blocks.push_back(heapPoolAlloc(pool, i < 500 ? 40 : 1 + (i - 500) * 97, 0));
    EXPECT_EQ((std::tuple{std::ranges::count(blocks, nullptr), heapPoolDestroy(pool)}), std::tuple(0, true));
    // The blocks went with it: freeing one is looked up and refused, never read.
    EXPECT_EQ((std::vector<bool>{heapFree(blocks.front()), heapFree(blocks.back()), heapPoolDestroy(pool),
                                 heapPoolAlloc(pool, 10, 0) || heapAlloc(10, 0, pool) ||
                                     heapPoolAlloc(nullptr, 10, 0)}),
              std::vector<bool>(4, false));
    EXPECT_EQ(codes(), (Codes{MEM_BAD_POINTER, MEM_BAD_POINTER, MEM_BAD_MEM_POOL, MEM_BAD_MEM_POOL,
                              MEM_BAD_MEM_POOL, MEM_BAD_MEM_POOL}));
    EXPECT_TRUE(errors[2].pool == pool && errors[3].pool == pool && errors[4].pool == pool);
}

TEST_F(MemoryTest, FixedBlockSizesAndCommittedBytes) {
    // 16357 rounds to 16360, past the largest; rounding the largest size_t would overflow.
    EXPECT_EQ((std::vector<HeapPool>{heapPoolCreateFixed(20000, 1, 0), heapPoolCreateFixed(16357, 1, 0),
                                     heapPoolCreateFixed(~std::size_t(0), 1, 0)}),
              std::vector<HeapPool>(3, nullptr));
    EXPECT_EQ(codes(), Codes(3, MEM_BLOCK_TOO_BIG));
    HeapPool plain = heapPoolCreate(0), shared = heapPoolCreate(MEM_POOL_SHARED);
    HeapPool fixed = heapPoolCreateFixed(1024, 10, 0), largest = heapPoolCreateFixed(16356, 1, 0);
    HeapPool odd = heapPoolCreateFixed(22, 0, 0);
    void* big = heapPoolAlloc(largest, 16356, 0);
    std::memset(big, 1, 16356);
    // A header page (64 KB for a shared pool); a fixed pool prepares a first page for its 10 blocks.
    EXPECT_EQ((Sizes{heapPoolCommitted(plain), heapPoolCommitted(shared), heapPoolCommitted(fixed),
                     heapBlockSize(big), heapBlockSize(heapPoolAlloc(odd, 22, 0))}),
              (Sizes{4096, 65536, 4096 + 16384, 16356, 24}));
    std::vector<void*> blocks;
    while (heapPoolCommitted(fixed) < 600000)
        blocks.push_back(heapPoolAlloc(fixed, 1024, 0));
    EXPECT_TRUE(std::ranges::all_of(blocks, heapFree));
    // Emptied pages go back only while the pool keeps 262144 committed bytes without them.
    EXPECT_EQ(heapPoolCommitted(fixed), 4096u + 16u * 16384u);
    // A free block keeps the link of its page's free list, wider than the smallest blocks: the neighbours
    // of a freed 4-byte block keep their values, and so does the block taken again.
    HeapPool tiny = heapPoolCreateFixed(3, 0, 0);
    auto* a = static_cast<std::uint32_t*>(heapPoolAlloc(tiny, 4, 0));
    auto* b = static_cast<std::uint32_t*>(heapPoolAlloc(tiny, 4, 0));
    *a = 1, *b = 0x22222222;
    EXPECT_TRUE(heapFree(a));
    auto* again = static_cast<std::uint32_t*>(heapPoolAlloc(tiny, 4, 0));
    *again = 3;
    EXPECT_EQ((std::vector<std::uint32_t>{*b, *again, std::uint32_t(heapBlockSize(b))}),
              (std::vector<std::uint32_t>{0x22222222, 3, 4}));
    EXPECT_TRUE(std::ranges::all_of(std::vector{plain, shared, fixed, largest, odd, tiny}, heapPoolDestroy));
    EXPECT_EQ(errors.size(), 3u);
}

TEST_F(MemoryTest, OverTheCeilingAnAllocationFailsUnlessANewHandlerFreesMemory) {
    static void* reserve = nullptr;
    static int newHandlerCalls = 0;
    HeapPool pool = heapPoolCreate(0);
    heapPoolSetCeiling(pool, 4096 + 100000);
    reserve = heapAlloc(60000, 0, pool);
    ASSERT_EQ(std::get_new_handler(), nullptr);
    EXPECT_EQ(heapAlloc(60000, 0, pool), nullptr);
    // This one frees the reserve, then removes itself.
    std::set_new_handler([] {
        ++newHandlerCalls;
        heapFree(std::exchange(reserve, nullptr));
        std::set_new_handler(nullptr);
    });
    void* block = heapAlloc(60000, 0, pool);
    EXPECT_EQ((std::vector<bool>{block != nullptr, newHandlerCalls == 1,
                                 heapAlloc(std::size_t(1) << 50, 0, pool) == nullptr, heapFree(block)}),
              std::vector<bool>(4, true));
    EXPECT_EQ((std::tuple{codes(), errors[0].pool, heapPoolCommitted(pool)}),
              std::tuple(Codes{MEM_EXCEEDED_CEILING, MEM_EXCEEDED_CEILING, MEM_BLOCK_TOO_BIG}, pool, 4096u));
    EXPECT_TRUE(heapPoolDestroy(pool));
}

// --- error reporting ------------------------------------------------------------------------------------

TEST_F(MemoryTest, TheDefaultHandlerNamesTheCodeInAnOkCancelBoxOrOnStandardError) {
    // Setting a handler gives back the previous one.
    EXPECT_EQ(heapSetErrorHandler(nullptr), &MemoryRecorder::handler);
    const char* names[] = {"MEM_BLOCK_TOO_BIG",  "MEM_ALLOC_ZERO",       "MEM_RESIZE_FAILED",
                           "MEM_LOCK_ERROR",     "MEM_EXCEEDED_CEILING", "MEM_TOO_MANY_PAGES",
                           "MEM_TOO_MANY_TASKS", "MEM_BAD_MEM_POOL",     "MEM_BAD_BLOCK",
                           "MEM_BAD_FREE_BLOCK", "MEM_BAD_HANDLE",       "MEM_BAD_POINTER"};
    Strings expected;
    for (std::uint16_t code : {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0, 1, 15, 99}) {
        EXPECT_EQ(heapReportError(nullptr, code), 0);
        expected.push_back(box(code >= 3 && code <= 14 ? names[code - 3] : "MEM_INTERNAL_ERROR"));
    }
    EXPECT_EQ(boxes, expected);
    // Without a box the text goes to standard error and the program carries on.
    heapSetMessageBox(nullptr);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(heapReportError(nullptr, MEM_OUT_OF_MEMORY) + heapReportError(nullptr, MEM_BAD_POINTER), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Vaelmoric Memory Manager: Out of memory.  Please free some memory, then choose retry.\n"
              "Vaelmoric Memory Manager: MEM_BAD_POINTER\n");
    EXPECT_EQ(MemoryRecorder::exits, 0);
}

TEST_F(MemoryTest, TheDefaultHandlersAnswers) {
    heapSetErrorHandler(nullptr);
    // Retry retries; OK and Ignore give up; Abort and Cancel end the program (the test's exit function
    // returns, and the handler answers 0); a box that cannot be shown is tried once more, and only once.
    using enum MemBoxAnswer;
    MemoryRecorder::answers = {Retry, Ignore, Abort, Cancel, Ok, NotShown, Retry, NotShown, NotShown, Retry};
    // Each row: the code, the answer, and how many times the program was ended so far.
    const int rows[][3] = {{MEM_OUT_OF_MEMORY, 1, 0}, {MEM_OUT_OF_MEMORY, 0, 0}, {MEM_OUT_OF_MEMORY, 0, 1},
                           {MEM_BAD_POINTER, 0, 2},   {MEM_BAD_POINTER, 0, 2},   {MEM_OUT_OF_MEMORY, 1, 2},
                           {MEM_OUT_OF_MEMORY, 0, 2}};
    for (auto [code, answer, exits] : rows)
        EXPECT_EQ(
            (std::tuple{heapReportError(nullptr, static_cast<std::uint16_t>(code)), MemoryRecorder::exits}),
            std::tuple(answer, exits));
    EXPECT_EQ(std::tuple(boxes.size(), MemoryRecorder::answers),
              std::tuple(9u, std::vector<MemBoxAnswer>{Retry}));
    EXPECT_EQ(boxes[0],
              "Vaelmoric Memory Manager: Out of memory.  Please free some memory, then choose retry. "
              "[Abort Retry Ignore]");
}

TEST_F(MemoryTest, AnErrorInsideTheHandlerShowsTheReentryMessageAndDoesNotReachIt) {
    heapSetErrorHandler([](MemErrorInfo* info) {
        errors.push_back(*info);
        EXPECT_EQ(heapReportError(nullptr, MEM_BAD_POINTER), 0);
        return 1;
    });
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 1);
    // The thread has left the handler, so the next error reaches it again; an error inside the re-entry
    // box is skipped without a word.
    heapSetMessageBox([](const char* text, const char* caption, MemBoxButtons buttons) {
        EXPECT_EQ(heapReportError(nullptr, MEM_BAD_POINTER), 0);
        return MemoryRecorder::box(text, caption, buttons);
    });
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 1);
    EXPECT_EQ(codes(), (Codes{MEM_BAD_HANDLE, MEM_BAD_HANDLE}));
    EXPECT_EQ(boxes, Strings(2, box("\n\rMemory error handler recursively re-entered.\n\r")));
    // Leaving the handler early, as a program's handler does before it ends or retries, is harmless.
    heapSetErrorHandler([](MemErrorInfo* info) {
        errors.push_back(*info);
        heapLeaveErrorHandler();
        return 0;
    });
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE) + heapReportError(nullptr, MEM_BAD_HANDLE), 0);
    EXPECT_EQ(errors.size() + boxes.size(), 6u);
}

TEST_F(MemoryTest, ATwentySixthThreadInsideTheHandlerIsTurnedAway) {
    static std::atomic<int> inside{0};
    static std::atomic<bool> release{false};
    heapSetErrorHandler([](MemErrorInfo*) {
        for (++inside; !release;)
            std::this_thread::yield();
        return 0;
    });
    std::vector<std::thread> threads;
    for (int i = 0; i < 25; ++i)
        threads.emplace_back([] { heapReportError(nullptr, MEM_BAD_HANDLE); });
    while (inside < 25)
        std::this_thread::yield();
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 0);
    release = true;
    std::ranges::for_each(threads, &std::thread::join);
    EXPECT_EQ(boxes, Strings{box("\n\rMemory errors in too many threads concurrently.\n\r")});
    // Every thread has left the table: the handler is reached again.
    EXPECT_EQ(heapReportError(nullptr, MEM_BAD_HANDLE), 0);
    EXPECT_EQ(inside, 26);
}

TEST_F(MemoryTest, TheHandlerRunsWithASerializedPoolUnlocked) {
    static HeapPool pool = nullptr;
    static bool otherThreadGotABlock = false;
    // Another thread uses the pool while the handler runs.
    heapSetErrorHandler([](MemErrorInfo*) {
        auto other = std::async(std::launch::async, [] { return heapFree(heapPoolAlloc(pool, 16, 0)); });
        otherThreadGotABlock =
            other.wait_for(std::chrono::seconds(20)) == std::future_status::ready && other.get();
        return 0;
    });
    for (unsigned flags : {MEM_POOL_SERIALIZE, MEM_POOL_SHARED}) {
        pool = heapPoolCreate(flags);
        heapPoolSetCeiling(pool, heapPoolCommitted(pool) + 70000);
        otherThreadGotABlock = false;
        EXPECT_EQ(heapPoolAlloc(pool, 100000, 0), nullptr);
        // And the lock was taken and left in balance.
        EXPECT_TRUE(otherThreadGotABlock && heapFree(heapPoolAlloc(pool, 16, 0)) && heapPoolDestroy(pool))
            << flags;
    }
}

// --- what both back ends must keep ---------------------------------------------------------------------

// Random sizes allocated and freed in random order must keep their contents. With a pool, half the blocks
// are left for the pool's destruction.
void churn(HeapPool pool, std::uint32_t seed, int steps) {
    std::vector<std::tuple<char*, std::size_t, char>> held;
    const auto next = [&seed](std::uint32_t n) { return (seed = seed * 1664525u + 1013904223u) / 256 % n; };
    for (int step = 0; step < steps; ++step) {
        if (held.empty() || next(100) < 55) {
            const std::uint32_t r = next(1000);
            const std::size_t n = r % 10 == 0 ? 48
                                  : r < 700   ? 1 + next(300)
                                  : r < 950   ? 300 + next(4200)
                                              : 5000 + next(70000);
            held.emplace_back(static_cast<char*>(heapAlloc(n, 0, pool)), n, char(step));
            std::memset(std::get<0>(held.back()), char(step), n);
        } else {
            std::swap(held[next(static_cast<std::uint32_t>(held.size()))], held.back());
            auto [p, n, fill] = held.back();
            held.pop_back();
            ASSERT_TRUE(filled(p, n, fill) && heapFree(p)) << "block of " << n << " bytes";
        }
    }
    for (std::size_t i = 0; i < held.size(); ++i) {
        auto [p, n, fill] = held[i];
        ASSERT_TRUE(filled(p, n, fill) && ((pool && i % 2) || heapFree(p)));
    }
}

TEST_F(MemoryTest, BlocksKeepTheirContentsInAPoolAndInTheDefaultPoolAcrossThreads) {
    HeapPool pool = heapPoolCreateFixed(48, 10, 0);
    std::vector<std::thread> threads;
    for (std::uint32_t t = 1; t <= 4; ++t)
        threads.emplace_back(churn, nullptr, t, 3000);
    churn(pool, 12345, 20000);
    std::ranges::for_each(threads, &std::thread::join);
    EXPECT_EQ((std::tuple{heapPoolDestroy(pool), errors.size()}), std::tuple(true, 0u));
    // The global operators go through the default pool only in the build that routes them.
    auto one = std::make_unique<int>(5);
    auto many = std::make_unique<long[]>(300);
    EXPECT_EQ(heapBlockPool(one.get()), heapBlockPool(many.get()));
#if defined(VAEL_ROUTE_NEW)
    EXPECT_NE(heapBlockPool(one.get()), nullptr);
#else
    EXPECT_EQ(heapBlockPool(one.get()), nullptr);
#endif
}

#if defined(VAEL_MEMORY_PAGED)
// --- the paged back end's layout ------------------------------------------------------------------------

TEST_F(MemoryTest, LargeBlocksHaveRunsOfTheirOwnAndSmallBlocksShareSixtyFourKilobytePages) {
    HeapPool pool = heapPoolCreate(0), full = heapPoolCreate(0);
    // A large block has a run of its own, just behind the run's header, given back at once.
    void* big = heapPoolAlloc(pool, 100000, 0);
    EXPECT_EQ((Sizes{heapPoolCommitted(pool), heapBlockSize(big),
                     reinterpret_cast<std::uintptr_t>(big) % 65536, heapFree(big), heapPoolCommitted(pool)}),
              (Sizes{4096 + (96 + 100000 + 4095) / 4096 * 4096, 100000, 96, 1, 4096}));
    // Small blocks share 64 KB pages that stay with the pool; the last block of a class freed comes next.
    std::vector<void*> blocks(100);
    std::ranges::generate(blocks, [pool] { return heapPoolAlloc(pool, 16, 0); });
    EXPECT_TRUE(std::ranges::all_of(blocks, heapFree));
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + 65536u);
    EXPECT_EQ(heapPoolAlloc(pool, 13, 0), blocks.back());
    // A page too full for a block puts its remainder on a smaller class's list: some small request gets it.
    const auto pageOf = [](void* p) { return reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t(0xFFFF); };
    const std::uintptr_t firstPage = pageOf(heapPoolAlloc(full, 256, 0));
    while (heapPoolCommitted(full) < 4096u + 2 * 65536u)
        heapPoolAlloc(full, 256, 0);
    std::size_t cls = 252;
    while (cls >= 4 && pageOf(heapPoolAlloc(full, cls, 0)) != firstPage)
        cls -= 4;
    EXPECT_GE(cls, 4u);
    EXPECT_TRUE(heapPoolDestroy(pool) && heapPoolDestroy(full));
}

TEST_F(MemoryTest, MediumBlocksAreMergedWhenFreed) {
    HeapPool pool = heapPoolCreate(0);
    std::vector<void*> blocks(5);
    std::ranges::generate(blocks, [pool] { return heapPoolAlloc(pool, 3000, 0); });
    // All in one medium page.
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + 16384u);
    for (std::size_t i : {1, 3, 0, 4, 2})
        EXPECT_TRUE(heapFree(blocks[i]));
    // Only merged free space holds these.
    for (std::size_t i : {0, 1, 2})
        blocks[i] = heapPoolAlloc(pool, 4096, 0);
    void* between = heapPoolAlloc(pool, 2000, 0);
    EXPECT_EQ(heapPoolCommitted(pool), 4096u + 16384u);
    // The second is not where a block starts.
    EXPECT_EQ((std::vector<bool>{heapFree(between), heapFree(static_cast<char*>(blocks[0]) + 16)}),
              (std::vector<bool>{true, false}));
    EXPECT_EQ((std::tuple{codes(), heapPoolDestroy(pool)}), std::tuple(Codes{MEM_BAD_BLOCK}, true));
}
#endif

} // namespace
} // namespace vael
