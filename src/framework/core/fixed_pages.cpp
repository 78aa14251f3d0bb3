// Fixed-size pages: their layout and the slow paths (see fixed_pages.h).
#include <algorithm>
#include <cstring>

#include "framework/core/fixed_pages.h"

#if defined(__has_include)
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define VAEL_HAVE_VALGRIND 1
#endif
#endif

namespace vael::memory_detail {

PageHeader* fixedNewPage(MemPool* pool) {
    PageHeader* page = backendTakeRun(pool, pool->fixedPageBytes, pool->fixedPageBytes, kFixedPage);
    if (!page) return nullptr;
    page->carve = 0;
    page->limit = pool->fixedSlots;
    page->freeList = nullptr;
    std::memset(bitmap(page), 0, pool->fixedSlotOffset - kFixedHeaderBytes);
    VAEL_POISON(slotBase(pool, page), std::size_t(pool->fixedSlots) * pool->fixedStride);
    availPush(pool, page);
    return page;
}

void fixedSetLayout(MemPool* pool) {
    pool->fixedFromHeap = false;
#if defined(VAEL_HAVE_VALGRIND)
    // Under valgrind each block is an ordinary heap block, so that valgrind watches every node.
    if (RUNNING_ON_VALGRIND) pool->fixedFromHeap = true;
#endif
    if (pool->fixedBlockSize == 0) return;
    const std::size_t stride =
        kFixedRedZone ? roundUp(pool->fixedBlockSize, 16) + kFixedRedZone : fixedSpan(pool);
    const std::size_t pageBytes =
        std::max<std::size_t>(pool->pageSize, roundUp(kFixedHeaderBytes + 16 + stride, kCommitStep));
    std::size_t slots = (pageBytes - kFixedHeaderBytes) / stride;
    auto offsetFor = [](std::size_t n) { return roundUp(kFixedHeaderBytes + (n + 7) / 8, 16); };
    while (slots > 0 && offsetFor(slots) + slots * stride > pageBytes)
        --slots;
    pool->fixedStride = static_cast<std::uint32_t>(stride);
    pool->fixedReciprocal = ((std::uint64_t(1) << kReciprocalShift) + stride - 1) / stride;
    pool->fixedSlots = static_cast<std::uint32_t>(slots);
    pool->fixedSlotOffset = static_cast<std::uint32_t>(offsetFor(slots));
    pool->fixedPageBytes = static_cast<std::uint32_t>(pageBytes);
}

bool fixedAddPages(MemPool* pool, std::size_t bytes) {
    if (pool->fixedFromHeap) return true;
    const std::size_t perPage = std::size_t(pool->fixedSlots) * pool->fixedBlockSize;
    for (std::size_t covered = 0; covered < bytes; covered += perPage)
        if (!fixedNewPage(pool)) return false;
    return true;
}

void fixedReleaseEmptyPage(MemPool* pool, PageHeader* page) {
    availRemove(pool, page);
    backendReleaseRun(pool, page);
}

void fixedDestroyPages(MemPool* pool) {
    while (PageHeader* page = pool->pages[kFixedPage])
        backendReleaseRun(pool, page);
    pool->fixedAvail = nullptr;
}

} // namespace vael::memory_detail
