// Fixed-size pages: the blocks of a pool made with a fixed block size (list nodes above all). A page is a
// run with a header, a bitmap of the blocks in use and the blocks themselves. Allocation pops the page's
// free list or carves the next untouched block; freeing finds the page by look-up and pushes the block
// back. Both back ends share this; they differ only in where runs come from.
//
// Under AddressSanitizer every block that is not in use is poisoned, and each block is followed by a
// poisoned gap, so a node used after it was removed, or written past its end, is reported as if it had
// come from the standard allocator one by one.
#include <algorithm>
#include <cstring>

#include "framework/core/memory_pool.h"

#if defined(__has_include)
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define VAEL_HAVE_VALGRIND 1
#endif
#endif

namespace vael::memory_detail {

namespace {

#if defined(VAEL_ASAN)
constexpr std::size_t kRedZone = 16;
#else
constexpr std::size_t kRedZone = 0;
#endif
constexpr std::size_t kHeaderBytes = sizeof(PageHeader);

unsigned char* bitmap(PageHeader* page) {
    return reinterpret_cast<unsigned char*>(page) + kHeaderBytes;
}

char* slotBase(MemPool* pool, PageHeader* page) {
    return reinterpret_cast<char*>(page) + pool->fixedSlotOffset;
}

void availPush(MemPool* pool, PageHeader* page) {
    page->availPrev = nullptr;
    page->availNext = pool->fixedAvail;
    if (pool->fixedAvail) pool->fixedAvail->availPrev = page;
    pool->fixedAvail = page;
}

void availRemove(MemPool* pool, PageHeader* page) {
    if (page->availPrev)
        page->availPrev->availNext = page->availNext;
    else if (pool->fixedAvail == page)
        pool->fixedAvail = page->availNext;
    if (page->availNext) page->availNext->availPrev = page->availPrev;
    page->availPrev = page->availNext = nullptr;
}

bool inAvail(MemPool* pool, PageHeader* page) {
    return page->availPrev || pool->fixedAvail == page;
}

PageHeader* newFixedPage(MemPool* pool) {
    PageHeader* page = backendTakeRun(pool, pool->fixedPageBytes, pool->fixedPageBytes, kFixedPage);
    if (!page) return nullptr;
    page->carve = 0;
    page->limit = pool->fixedSlots;
    page->freeList = nullptr;
    std::memset(bitmap(page), 0, pool->fixedSlotOffset - kHeaderBytes);
    VAEL_POISON(slotBase(pool, page), std::size_t(pool->fixedSlots) * pool->fixedStride);
    availPush(pool, page);
    return page;
}

} // namespace

void fixedSetLayout(MemPool* pool) {
    pool->fixedFromHeap = false;
#if defined(VAEL_HAVE_VALGRIND)
    // Under valgrind each block is an ordinary heap block, so that valgrind watches every node.
    if (RUNNING_ON_VALGRIND) pool->fixedFromHeap = true;
#endif
    if (pool->fixedBlockSize == 0) return;
    const std::size_t stride =
        kRedZone ? roundUp(pool->fixedBlockSize, 16) + kRedZone : std::size_t(pool->fixedBlockSize);
    const std::size_t pageBytes =
        std::max<std::size_t>(pool->pageSize, roundUp(kHeaderBytes + 16 + stride, kCommitStep));
    std::size_t slots = (pageBytes - kHeaderBytes) / stride;
    auto offsetFor = [](std::size_t n) { return roundUp(kHeaderBytes + (n + 7) / 8, 16); };
    while (slots > 0 && offsetFor(slots) + slots * stride > pageBytes)
        --slots;
    pool->fixedStride = static_cast<std::uint32_t>(stride);
    pool->fixedSlots = static_cast<std::uint32_t>(slots);
    pool->fixedSlotOffset = static_cast<std::uint32_t>(offsetFor(slots));
    pool->fixedPageBytes = static_cast<std::uint32_t>(pageBytes);
}

bool fixedAddPages(MemPool* pool, std::size_t bytes) {
    if (pool->fixedFromHeap) return true;
    const std::size_t perPage = std::size_t(pool->fixedSlots) * pool->fixedBlockSize;
    for (std::size_t covered = 0; covered < bytes; covered += perPage)
        if (!newFixedPage(pool)) return false;
    return true;
}

void* fixedAlloc(MemPool* pool, unsigned flags) {
    PageHeader* page = pool->fixedAvail;
    if (!page) {
        page = newFixedPage(pool);
        if (!page) return nullptr;
    }
    char* block;
    if (page->freeList) {
        block = static_cast<char*>(page->freeList);
        VAEL_UNPOISON(block, pool->fixedBlockSize);
        std::memcpy(&page->freeList, block, sizeof(void*));
    } else {
        block = slotBase(pool, page) + std::size_t(page->carve) * pool->fixedStride;
        ++page->carve;
        VAEL_UNPOISON(block, pool->fixedBlockSize);
    }
    const std::size_t index = std::size_t(block - slotBase(pool, page)) / pool->fixedStride;
    bitmap(page)[index / 8] |= static_cast<unsigned char>(1u << (index % 8));
    ++page->inUse;
    if (!page->freeList && page->carve == page->limit) availRemove(pool, page);
    if (flags & MEM_ZEROINIT) std::memset(block, 0, pool->fixedBlockSize);
    return block;
}

bool fixedFree(MemPool* pool, PageHeader* page, void* p, std::uint16_t& code) {
    char* block = static_cast<char*>(p);
    char* base = slotBase(pool, page);
    const std::size_t offset = static_cast<std::size_t>(block - base);
    if (block < base || offset % pool->fixedStride != 0 || offset / pool->fixedStride >= page->carve) {
        code = MEM_BAD_BLOCK;
        return false;
    }
    const std::size_t index = offset / pool->fixedStride;
    unsigned char& bits = bitmap(page)[index / 8];
    const unsigned char mask = static_cast<unsigned char>(1u << (index % 8));
    if (!(bits & mask)) {
        code = MEM_BAD_FREE_BLOCK; // freed twice
        return false;
    }
    bits = static_cast<unsigned char>(bits & ~mask);
    std::memcpy(block, &page->freeList, sizeof(void*));
    page->freeList = block;
    VAEL_POISON(block, pool->fixedBlockSize);
    --page->inUse;
    if (!inAvail(pool, page)) availPush(pool, page);
    // An emptied page goes back to the system only when the pool keeps enough committed bytes without it.
    if (page->inUse == 0 && pool->committed >= page->committedBytes &&
        pool->committed - page->committedBytes >= pool->retainFloor) {
        availRemove(pool, page);
        backendReleaseRun(pool, page);
    }
    return true;
}

void fixedDestroyPages(MemPool* pool) {
    while (PageHeader* page = pool->pages[kFixedPage])
        backendReleaseRun(pool, page);
    pool->fixedAvail = nullptr;
}

} // namespace vael::memory_detail
