#pragma once
// Inside the memory manager: the pool header, the page header, the pool lock, and the seam between the
// common front end (memory_manager.cpp, fixed_pages.cpp) and the active back end (memory_system.cpp or
// memory_paged.cpp). Nothing outside the manager includes this.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "framework/core/memory_manager.h"

#if defined(__SANITIZE_ADDRESS__)
#define VAEL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VAEL_ASAN 1
#endif
#endif

#if defined(VAEL_ASAN)
#include <sanitizer/asan_interface.h>
#define VAEL_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define VAEL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define VAEL_POISON(p, n) ((void)(p), (void)(n))
#define VAEL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace vael::memory_detail {

constexpr std::uint16_t kPoolSignature = 0xBEAD;
constexpr std::uint16_t kPageSignature = 0xCAD0;
constexpr std::uint16_t kPageKindMask = 7;

enum PageKind : std::uint16_t { kMediumPage = 0, kFixedPage = 1, kLargeRun = 3, kSmallPage = 4 };
constexpr int kPageKinds = 5;

constexpr std::size_t kHeaderPageBytes = 4096;
constexpr std::size_t kSharedHeaderBytes = 65536;
constexpr std::size_t kRunAlignment = 65536;
constexpr std::size_t kCommitStep = 4096;
constexpr std::size_t kNoCeiling = 0xFFFFFFFEu;
constexpr std::size_t kRetainFloor = 0x40000;
constexpr std::uint16_t kSmallThreshold = 256;
constexpr std::uint16_t kMediumThreshold = 4096;
constexpr std::uint16_t kPageSize = 16384;
// Fixed blocks must leave room for a page header in a page: larger sizes are MEM_BLOCK_TOO_BIG.
constexpr std::size_t kFixedHeaderAllowance = 28;
constexpr unsigned kDefaultOptions = 0x8000;

constexpr std::size_t roundUp(std::size_t n, std::size_t step) {
    return (n + step - 1) / step * step;
}

// A tag that tells the threads apart: the address of a thread-local byte.
std::uintptr_t currentThread();

// The lock of a serialized pool, counting how deep the owning thread holds it, so that the error handler
// can run with the pool fully unlocked and the pool be locked as deep again afterwards.
class PoolLock {
public:
    constexpr PoolLock() = default;
    void lock();
    void unlock();
    // Leaves the lock as often as the calling thread holds it; returns that count (0 when not held).
    unsigned leaveAll();
    void retake(unsigned depth);

private:
    std::mutex mutex_;
    std::atomic<std::uintptr_t> owner_{0};
    unsigned depth_ = 0;
};

struct BlockRecord;

// The header at the start of every run of pages: which pool owns it and what kind of blocks it holds.
struct alignas(16) PageHeader {
    MemPool* pool = nullptr;
    PageHeader* prev = nullptr; // the pool's circular list of pages of this kind
    PageHeader* next = nullptr;
    std::size_t runBytes = 0;       // bytes of the run (what is given back to the system)
    std::size_t committedBytes = 0; // what the run adds to the pool's committed bytes
    std::uint32_t inUse = 0;
    std::uint16_t signature = 0; // kPageSignature | kind; cleared when the run is given back
    std::uint16_t spare = 0;
    // Fixed-size and small pages: the next block never handed out yet, and where blocks end.
    std::uint32_t carve = 0;
    std::uint32_t limit = 0;
    // Fixed-size pages: the page's free blocks and its place among the pages with room.
    void* freeList = nullptr;
    PageHeader* availPrev = nullptr;
    PageHeader* availNext = nullptr;
    // Medium pages: an upper bound of the largest free block.
    std::uint32_t largestFree = 0;
    std::uint32_t spare2 = 0;
    // Large runs: the size asked for.
    std::size_t blockBytes = 0;

    std::uint16_t kind() const { return signature & kPageKindMask; }
};

} // namespace vael::memory_detail

namespace vael {

// The pool header. It lives in a slot of the manager's header arena; the slot is kept (with its signature
// cleared) after the pool is destroyed, so a stale handle reads as a destroyed pool instead of as freed
// memory. A slot is only used again after every other free slot, which keeps stale handles detectable
// for as long as possible.
struct MemPool {
    memory_detail::PageHeader* pages[memory_detail::kPageKinds] = {};
    void* smallFree[memory_detail::kSmallThreshold / 4 + 1] = {};
    std::uint16_t signature = 0;
    std::uint16_t flags = 0;
    std::uint16_t fixedBlockSize = 0;
    std::uint16_t smallThreshold = memory_detail::kSmallThreshold;
    std::uint16_t pageSize = memory_detail::kPageSize;
    std::uint16_t mediumThreshold = memory_detail::kMediumThreshold;
    std::size_t committed = memory_detail::kHeaderPageBytes;
    std::size_t ceiling = memory_detail::kNoCeiling;
    std::size_t retainFloor = memory_detail::kRetainFloor;
    memory_detail::PoolLock lock;
    MemPool* link = nullptr;

    // Fixed-size pages that still have room, and the layout of their blocks.
    memory_detail::PageHeader* fixedAvail = nullptr;
    std::uint32_t fixedStride = 0;
    std::uint32_t fixedSlots = 0;
    std::uint32_t fixedSlotOffset = 0;
    std::uint32_t fixedPageBytes = 0;
    std::uint64_t fixedReciprocal = 0; // 2^40 / fixedStride rounded up: block numbers without a division
    bool fixedFromHeap = false;        // the fixed blocks are ordinary heap blocks (under valgrind)

    // Paged back end: the small page being carved and the medium page used last.
    memory_detail::PageHeader* smallCurrent = nullptr;
    memory_detail::PageHeader* mediumLast = nullptr;

    // System back end: the pool's blocks taken one by one from the standard allocator.
    memory_detail::BlockRecord* blocks = nullptr;

    MemPool* retiredNext = nullptr;

    bool serialized() const { return (flags & MEM_POOL_SERIALIZE) != 0; }
};

} // namespace vael

namespace vael::memory_detail {

// Where a block handed back to the manager lives: its pool, and the run holding it (null for a block the
// system back end took from the standard allocator on its own).
struct BlockPlace {
    MemPool* pool = nullptr;
    PageHeader* page = nullptr;
};

// --- provided by the active back end ---
// Sets up the back end's part of a fresh pool.
void backendInitPool(MemPool* pool);
// Allocates a block that is not a fixed-size block; the pool is locked when serialized. Errors are reported
// here; null when the block cannot be had.
void* backendAlloc(MemPool* pool, std::size_t size, unsigned flags);
// Finds the block by look-up; false (with the code to report) when the address is not a block of ours.
bool backendLocate(void* p, BlockPlace& place, std::uint16_t& code);
// Frees a located block that is not a fixed-size block; false with a code when it cannot be.
bool backendFree(const BlockPlace& place, void* p, std::uint16_t& code);
// The bytes of a located block that may be read (for resizing).
std::size_t backendUsableSize(const BlockPlace& place, void* p);
// Gives back every run and block of the pool except its fixed-size pages.
void backendDestroyPool(MemPool* pool);
// Takes a run of at least bytes for a page of the given kind, enters it in the page map, counts
// committedBytes against the pool; reports MEM_EXCEEDED_CEILING or MEM_OUT_OF_MEMORY and returns null when
// it cannot.
PageHeader* backendTakeRun(MemPool* pool, std::size_t bytes, std::size_t committedBytes, PageKind kind);
// Gives a run back to the system.
void backendReleaseRun(MemPool* pool, PageHeader* page);

// --- fixed-size pages, shared by both back ends (the hot paths are in fixed_pages.h) ---
void fixedSetLayout(MemPool* pool);
bool fixedAddPages(MemPool* pool, std::size_t bytes);
void fixedDestroyPages(MemPool* pool);

// Circular page lists of a pool.
void linkPage(MemPool* pool, PageHeader* page);
void unlinkPage(MemPool* pool, PageHeader* page);

} // namespace vael::memory_detail
