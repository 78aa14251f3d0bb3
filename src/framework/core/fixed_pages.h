#pragma once
// Fixed-size pages: the blocks of a pool made with a fixed block size (list nodes above all). A page is a
// run with a header, a bitmap of the blocks in use and the blocks themselves. Allocation pops the page's
// free list or carves the next untouched block; freeing finds the page by look-up and pushes the block
// back. Both back ends share this; they differ only in where runs come from. The two hot paths are inline
// so that a list's append and remove cost no calls beyond the heap function itself.
//
// Under AddressSanitizer every block that is not in use is poisoned, and each block is followed by a
// poisoned gap, so a node used after it was removed, or written past its end, is reported as if it had
// come from the standard allocator one by one.
#include <cstring>

#include "framework/core/memory_pool.h"

namespace vael::memory_detail {

// A new page with room, or null (reported).
PageHeader* fixedNewPage(MemPool* pool);
// Gives back a page that holds no block.
void fixedReleaseEmptyPage(MemPool* pool, PageHeader* page);

#if defined(VAEL_ASAN)
constexpr std::size_t kFixedRedZone = 16;
#else
constexpr std::size_t kFixedRedZone = 0;
#endif
constexpr std::size_t kFixedHeaderBytes = sizeof(PageHeader);

inline unsigned char* bitmap(PageHeader* page) {
    return reinterpret_cast<unsigned char*>(page) + kFixedHeaderBytes;
}

inline char* slotBase(MemPool* pool, PageHeader* page) {
    return reinterpret_cast<char*>(page) + pool->fixedSlotOffset;
}

// offset / stride by multiplication: exact while offset * stride < 2^40, which a page (offsets below 2^20,
// strides below 2^15) always keeps. A division here would cost more than all the rest of the call.
constexpr unsigned kReciprocalShift = 40;
inline std::size_t blockNumber(const MemPool* pool, std::size_t offset) {
    return static_cast<std::size_t>((std::uint64_t(offset) * pool->fixedReciprocal) >> kReciprocalShift);
}

inline void availPush(MemPool* pool, PageHeader* page) {
    page->availPrev = nullptr;
    page->availNext = pool->fixedAvail;
    if (pool->fixedAvail) pool->fixedAvail->availPrev = page;
    pool->fixedAvail = page;
}

inline void availRemove(MemPool* pool, PageHeader* page) {
    if (page->availPrev)
        page->availPrev->availNext = page->availNext;
    else if (pool->fixedAvail == page)
        pool->fixedAvail = page->availNext;
    if (page->availNext) page->availNext->availPrev = page->availPrev;
    page->availPrev = page->availNext = nullptr;
}

inline bool inAvail(MemPool* pool, PageHeader* page) {
    return page->availPrev || pool->fixedAvail == page;
}

// The bytes of a block that are in use: what was asked for, and never less than the free list's link that
// the block holds while it is free.
inline std::size_t fixedSpan(const MemPool* pool) {
    return pool->fixedBlockSize < sizeof(void*) ? sizeof(void*) : pool->fixedBlockSize;
}

inline void* fixedAlloc(MemPool* pool, unsigned flags) {
    PageHeader* page = pool->fixedAvail;
    if (!page) {
        page = fixedNewPage(pool);
        if (!page) return nullptr;
    }
    char* block;
    if (page->freeList) {
        block = static_cast<char*>(page->freeList);
        VAEL_UNPOISON(block, fixedSpan(pool));
        std::memcpy(&page->freeList, block, sizeof(void*));
    } else {
        block = slotBase(pool, page) + std::size_t(page->carve) * pool->fixedStride;
        ++page->carve;
        VAEL_UNPOISON(block, fixedSpan(pool));
    }
    const std::size_t index = blockNumber(pool, std::size_t(block - slotBase(pool, page)));
    bitmap(page)[index / 8] |= static_cast<unsigned char>(1u << (index % 8));
    ++page->inUse;
    if (!page->freeList && page->carve == page->limit) availRemove(pool, page);
    if (flags & MEM_ZEROINIT) std::memset(block, 0, pool->fixedBlockSize);
    return block;
}

inline bool fixedFree(MemPool* pool, PageHeader* page, void* p, std::uint16_t& code) {
    char* block = static_cast<char*>(p);
    char* base = slotBase(pool, page);
    const std::size_t offset = static_cast<std::size_t>(block - base);
    const std::size_t index = blockNumber(pool, offset);
    if (block < base || index * pool->fixedStride != offset || index >= page->carve) {
        code = MEM_BAD_BLOCK;
        return false;
    }
    unsigned char& bits = bitmap(page)[index / 8];
    const unsigned char mask = static_cast<unsigned char>(1u << (index % 8));
    if (!(bits & mask)) {
        code = MEM_BAD_FREE_BLOCK; // freed twice
        return false;
    }
    bits = static_cast<unsigned char>(bits & ~mask);
    std::memcpy(block, &page->freeList, sizeof(void*));
    page->freeList = block;
    VAEL_POISON(block, fixedSpan(pool));
    --page->inUse;
    if (!inAvail(pool, page)) availPush(pool, page);
    // An emptied page goes back to the system only when the pool keeps enough committed bytes without it.
    if (page->inUse == 0 && pool->committed >= page->committedBytes &&
        pool->committed - page->committedBytes >= pool->retainFloor) {
        fixedReleaseEmptyPage(pool, page);
    }
    return true;
}

} // namespace vael::memory_detail
