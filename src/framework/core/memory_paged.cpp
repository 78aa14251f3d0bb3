// The paged back end (release builds, VAEL_MEMORY_PAGED): blocks carved out of page runs taken from the
// system with mmap, every run starting on a 64 KB boundary with a header that names its pool and kind.
//   small  (1..256 bytes): size classes of 4 bytes, each block behind a 4-byte header whose last byte is the
//          class / 4; carved from 64 KB pages, freed onto per-class free lists of the pool
//   medium (257..4096 bytes): first fit in 16 KB pages, neighbours merged when freed
//   large  (over 4096 bytes): a run of its own, given back as soon as it is freed
// A block's address is aligned to what an object of its size can need (16 bytes at most, as from malloc),
// so the global operator new can be routed here.
#if defined(VAEL_MEMORY_PAGED)

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "framework/core/fixed_pages.h"
#include "framework/core/memory_pool.h"
#include "framework/core/page_map.h"

namespace vael::memory_detail {

namespace {

constexpr std::size_t kSmallPageBytes = 65536;
constexpr std::size_t kPageHeaderBytes = sizeof(PageHeader);
constexpr std::size_t kMediumHeaderBytes = 16;
constexpr std::size_t kMediumMinimum = 32; // a header and the two links of a free block, rounded
constexpr std::uint32_t kMediumTag = 0x4D454400;
constexpr unsigned char kSmallMark0 = 0xA5;
constexpr unsigned char kSmallMark1 = 0x5A;
constexpr unsigned char kSmallUsed = 1;
constexpr unsigned char kSmallFree = 0;

static_assert(kPageHeaderBytes % 16 == 0, "blocks after the page header must stay 16-byte aligned");

// --- page runs -----------------------------------------------------------------------------------------

constinit std::mutex hintLock;
constinit char* lowestFreedSmallRun = nullptr; // the lowest run of at most 64 KB given back

char* mapAligned(std::size_t reserve) {
    if (reserve <= kRunAlignment) {
        char* hint = nullptr;
        {
            std::lock_guard<std::mutex> guard(hintLock);
            hint = lowestFreedSmallRun;
            lowestFreedSmallRun = nullptr;
        }
        if (hint) {
            void* at = ::mmap(hint, reserve, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
            if (at == hint) return hint;
            if (at != MAP_FAILED) ::munmap(at, reserve); // an old kernel took the hint as a mere hint
        }
    }
    const std::size_t span = reserve + kRunAlignment;
    void* raw =
        ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    char* start = static_cast<char*>(raw);
    char* aligned = reinterpret_cast<char*>(roundUp(reinterpret_cast<std::uintptr_t>(start), kRunAlignment));
    if (aligned > start) ::munmap(start, static_cast<std::size_t>(aligned - start));
    char* end = start + span;
    if (aligned + reserve < end)
        ::munmap(aligned + reserve, static_cast<std::size_t>(end - (aligned + reserve)));
    return aligned;
}

void unmapRun(char* base, std::size_t reserve) {
    ::munmap(base, reserve);
    if (reserve <= kRunAlignment) {
        std::lock_guard<std::mutex> guard(hintLock);
        if (!lowestFreedSmallRun || base < lowestFreedSmallRun) lowestFreedSmallRun = base;
    }
}

bool exceedsCeiling(const MemPool* pool, std::size_t bytes) {
    return pool->ceiling != kNoCeiling && (bytes > pool->ceiling || pool->committed > pool->ceiling - bytes);
}

// Takes a run without reporting anything: null when the ceiling or the system says no.
PageHeader* takeRunQuietly(MemPool* pool, std::size_t bytes, std::size_t committedBytes, PageKind kind) {
    if (exceedsCeiling(pool, committedBytes)) return nullptr;
    const std::size_t reserve = roundUp(bytes, kRunAlignment);
    char* base = mapAligned(reserve);
    if (!base) return nullptr;
    if (!pageMap().enter(base, reserve, base)) {
        ::munmap(base, reserve);
        return nullptr;
    }
    auto* page = new (base) PageHeader();
    page->pool = pool;
    page->runBytes = reserve;
    page->committedBytes = committedBytes;
    page->signature = static_cast<std::uint16_t>(kPageSignature | kind);
    linkPage(pool, page);
    pool->committed += committedBytes;
    if ((pool->flags & MEM_POOL_VIRTUAL_LOCK) && ::mlock(base, committedBytes) != 0)
        heapReportError(pool, MEM_LOCK_ERROR);
    return page;
}

// Gives back the fixed-size and medium pages that hold no block, as far as the floor allows.
bool releaseEmptyPages(MemPool* pool) {
    bool released = false;
    for (PageKind kind : {kFixedPage, kMediumPage}) {
        PageHeader* head = pool->pages[kind];
        if (!head) continue;
        PageHeader* page = head;
        std::size_t n = 0;
        for (PageHeader* q = head; n == 0 || q != head; q = q->next)
            ++n;
        for (std::size_t i = 0; i < n; ++i) {
            PageHeader* next = page->next;
            if (page->inUse == 0 && pool->committed - page->committedBytes >= pool->retainFloor) {
                if (kind == kFixedPage) availRemove(pool, page); // it may be among the pages with room
                if (pool->mediumLast == page) pool->mediumLast = nullptr;
                backendReleaseRun(pool, page);
                released = true;
            }
            page = next;
        }
    }
    return released;
}

// --- large blocks ------------------------------------------------------------------------------------

void* largeAlloc(MemPool* pool, std::size_t size, unsigned flags) {
    const std::size_t bytes = kPageHeaderBytes + size;
    const std::size_t committed = roundUp(bytes, kCommitStep);
    for (;;) {
        if (exceedsCeiling(pool, committed)) {
            heapReportError(pool, MEM_EXCEEDED_CEILING);
            return nullptr;
        }
        if (PageHeader* page = takeRunQuietly(pool, bytes, committed, kLargeRun)) {
            page->blockBytes = size;
            page->inUse = 1;
            char* block = reinterpret_cast<char*>(page) + kPageHeaderBytes;
            (void)flags; // fresh pages are zero already
            return block;
        }
        if (releaseEmptyPages(pool)) continue;
        if (heapReportError(pool, MEM_OUT_OF_MEMORY) != 1) return nullptr;
    }
}

bool largeFree(PageHeader* page, void* p, std::uint16_t& code) {
    if (p != reinterpret_cast<char*>(page) + kPageHeaderBytes || page->inUse != 1) {
        code = MEM_BAD_BLOCK;
        return false;
    }
    backendReleaseRun(page->pool, page);
    return true;
}

// --- medium blocks -----------------------------------------------------------------------------------
// A medium page is a row of blocks, each behind a 16-byte header holding its size and its left neighbour's
// size, so both neighbours are found when it is freed. Free blocks are chained through their first bytes
// (offsets from the page start) in a list per page.

struct MediumHeader {
    std::uint32_t size;     // whole block, header included
    std::uint32_t prevSize; // the block to the left, 0 for the first
    std::uint32_t tag;      // kMediumTag | 1 in use, kMediumTag free
    std::uint32_t requested;
};
struct FreeLinks {
    std::uint32_t next;
    std::uint32_t prev;
};

char* pageBase(PageHeader* page) {
    return reinterpret_cast<char*>(page);
}
MediumHeader* mediumAt(PageHeader* page, std::uint32_t offset) {
    return reinterpret_cast<MediumHeader*>(pageBase(page) + offset);
}
FreeLinks* linksOf(MediumHeader* h) {
    return reinterpret_cast<FreeLinks*>(h + 1);
}
std::uint32_t offsetOf(PageHeader* page, MediumHeader* h) {
    return static_cast<std::uint32_t>(reinterpret_cast<char*>(h) - pageBase(page));
}
std::uint32_t firstFree(PageHeader* page) {
    return page->carve;
} // medium pages keep their free list here
std::uint32_t mediumEnd(PageHeader* page) {
    return page->limit;
}

void freeListInsert(PageHeader* page, MediumHeader* h) {
    const std::uint32_t at = offsetOf(page, h);
    FreeLinks* l = linksOf(h);
    l->prev = 0;
    l->next = page->carve;
    if (page->carve) linksOf(mediumAt(page, page->carve))->prev = at;
    page->carve = at;
    page->largestFree = std::max(page->largestFree, h->size);
}

void freeListRemove(PageHeader* page, MediumHeader* h) {
    FreeLinks* l = linksOf(h);
    if (l->prev)
        linksOf(mediumAt(page, l->prev))->next = l->next;
    else
        page->carve = l->next;
    if (l->next) linksOf(mediumAt(page, l->next))->prev = l->prev;
}

PageHeader* newMediumPage(MemPool* pool) {
    PageHeader* page = takeRunQuietly(pool, pool->pageSize, pool->pageSize, kMediumPage);
    if (!page) return nullptr;
    page->limit = pool->pageSize;
    page->carve = 0;
    page->largestFree = 0;
    auto* h = mediumAt(page, kPageHeaderBytes);
    *h = MediumHeader{static_cast<std::uint32_t>(pool->pageSize - kPageHeaderBytes), 0, kMediumTag, 0};
    freeListInsert(page, h);
    return page;
}

void* placeInPage(PageHeader* page, std::uint32_t need, std::size_t size) {
    if (page->largestFree < need) return nullptr;
    std::uint32_t largest = 0;
    for (std::uint32_t at = firstFree(page); at; at = linksOf(mediumAt(page, at))->next) {
        MediumHeader* h = mediumAt(page, at);
        if (h->size < need) {
            largest = std::max(largest, h->size);
            continue;
        }
        freeListRemove(page, h);
        if (h->size - need >= kMediumMinimum) {
            auto* rest = mediumAt(page, at + need);
            *rest = MediumHeader{h->size - need, need, kMediumTag, 0};
            const std::uint32_t after = at + h->size;
            if (after < mediumEnd(page)) mediumAt(page, after)->prevSize = rest->size;
            h->size = need;
            freeListInsert(page, rest);
        }
        h->tag = kMediumTag | 1;
        h->requested = static_cast<std::uint32_t>(size);
        ++page->inUse;
        return h + 1;
    }
    page->largestFree = largest; // the bound was stale: now it is exact
    return nullptr;
}

void* mediumAlloc(MemPool* pool, std::size_t size, unsigned flags) {
    const auto need =
        static_cast<std::uint32_t>(std::max(roundUp(size + kMediumHeaderBytes, 16), kMediumMinimum));
    void* block = nullptr;
    if (PageHeader* head = pool->pages[kMediumPage]) {
        PageHeader* start = pool->mediumLast ? pool->mediumLast : head;
        PageHeader* page = start;
        do {
            if ((block = placeInPage(page, need, size))) {
                pool->mediumLast = page;
                break;
            }
            page = page->next;
        } while (page != start);
    }
    if (!block) {
        if (PageHeader* page = newMediumPage(pool)) {
            block = placeInPage(page, need, size);
            pool->mediumLast = page;
        }
    }
    if (!block) return largeAlloc(pool, size, flags);
    if (flags & MEM_ZEROINIT) std::memset(block, 0, size);
    return block;
}

bool mediumFree(PageHeader* page, void* p, std::uint16_t& code) {
    MemPool* pool = page->pool;
    const auto at = static_cast<std::size_t>(static_cast<char*>(p) - pageBase(page)) - kMediumHeaderBytes;
    if (at < kPageHeaderBytes || at % 16 != 0 || at >= mediumEnd(page)) {
        code = MEM_BAD_BLOCK;
        return false;
    }
    MediumHeader* h = mediumAt(page, static_cast<std::uint32_t>(at));
    if ((h->tag & ~1u) != kMediumTag) {
        code = MEM_BAD_BLOCK;
        return false;
    }
    if (!(h->tag & 1)) {
        code = MEM_BAD_FREE_BLOCK;
        return false;
    }
    h->tag = kMediumTag;
    --page->inUse;
    // Merge with the free neighbour on the right, then with the one on the left.
    std::uint32_t offset = static_cast<std::uint32_t>(at);
    const std::uint32_t right = offset + h->size;
    if (right < mediumEnd(page)) {
        MediumHeader* r = mediumAt(page, right);
        if (r->tag == kMediumTag) {
            freeListRemove(page, r);
            h->size += r->size;
        }
    }
    if (h->prevSize) {
        MediumHeader* l = mediumAt(page, offset - h->prevSize);
        if (l->tag == kMediumTag) {
            freeListRemove(page, l);
            l->size += h->size;
            h = l;
            offset = offsetOf(page, l);
        }
    }
    const std::uint32_t after = offset + h->size;
    if (after < mediumEnd(page)) mediumAt(page, after)->prevSize = h->size;
    freeListInsert(page, h);
    if (page->inUse == 0 && pool->committed - page->committedBytes >= pool->retainFloor) {
        if (pool->mediumLast == page) pool->mediumLast = nullptr;
        backendReleaseRun(pool, page);
    }
    return true;
}

// --- small blocks ------------------------------------------------------------------------------------

std::size_t smallClass(std::size_t size) {
    return std::max<std::size_t>(roundUp(size, 4), 4);
}
// A free block holds the link of its class's free list, so the smallest class gets room for a pointer.
std::size_t smallRoom(std::size_t cls) {
    return std::max<std::size_t>(cls, sizeof(void*));
}
std::size_t smallAlignment(std::size_t cls) {
    return std::min<std::size_t>(16, cls & (~cls + 1));
}

// Where a block of the class would start if carved at the page's cursor; 0 when it does not fit.
std::size_t carveOffset(PageHeader* page, std::size_t cls) {
    const std::size_t user = roundUp(page->carve + 4, smallAlignment(cls));
    return user + smallRoom(cls) <= page->limit ? user : 0;
}

unsigned char* smallHeader(void* p) {
    return static_cast<unsigned char*>(p) - 4;
}

void* carveSmall(PageHeader* page, std::size_t cls, std::size_t user) {
    char* block = pageBase(page) + user;
    unsigned char* h = smallHeader(block);
    h[0] = kSmallMark0;
    h[1] = kSmallMark1;
    h[2] = kSmallFree;
    h[3] = static_cast<unsigned char>(cls / 4);
    page->carve = static_cast<std::uint32_t>(user + smallRoom(cls));
    return block;
}

void pushSmallFree(MemPool* pool, void* block, std::size_t cls) {
    std::memcpy(block, &pool->smallFree[cls / 4], sizeof(void*));
    pool->smallFree[cls / 4] = block;
}

// What is left at the end of a page becomes a free block of the largest class that fits.
void salvageRemainder(MemPool* pool, PageHeader* page) {
    if (page->limit - page->carve < 8) return;
    for (std::size_t cls = std::min<std::size_t>(kSmallThreshold, roundUp(page->limit - page->carve, 4));
         cls >= 4; cls -= 4)
        if (std::size_t user = carveOffset(page, cls)) {
            pushSmallFree(pool, carveSmall(page, cls, user), cls);
            return;
        }
}

void* smallAlloc(MemPool* pool, std::size_t size, unsigned flags) {
    const std::size_t cls = smallClass(size);
    void* block = pool->smallFree[cls / 4];
    if (block) {
        std::memcpy(&pool->smallFree[cls / 4], block, sizeof(void*));
    } else {
        PageHeader* page = pool->smallCurrent;
        std::size_t user = page ? carveOffset(page, cls) : 0;
        if (!user) {
            if (page) salvageRemainder(pool, page);
            page = takeRunQuietly(pool, kSmallPageBytes, kSmallPageBytes, kSmallPage);
            if (!page) return mediumAlloc(pool, size, flags);
            page->carve = static_cast<std::uint32_t>(kPageHeaderBytes);
            page->limit = static_cast<std::uint32_t>(kSmallPageBytes);
            pool->smallCurrent = page;
            user = carveOffset(page, cls);
        }
        block = carveSmall(page, cls, user);
    }
    smallHeader(block)[2] = kSmallUsed;
    auto* page =
        reinterpret_cast<PageHeader*>(reinterpret_cast<std::uintptr_t>(block) & ~(kRunAlignment - 1));
    ++page->inUse;
    if (flags & MEM_ZEROINIT) std::memset(block, 0, cls);
    return block;
}

bool smallFree(PageHeader* page, void* p, std::uint16_t& code) {
    const auto at = static_cast<std::size_t>(static_cast<char*>(p) - pageBase(page));
    if (at < kPageHeaderBytes + 4 || at >= page->carve) {
        code = MEM_BAD_BLOCK;
        return false;
    }
    unsigned char* h = smallHeader(p);
    const std::size_t cls = std::size_t(h[3]) * 4;
    if (h[0] != kSmallMark0 || h[1] != kSmallMark1 || cls == 0 || cls > kSmallThreshold ||
        reinterpret_cast<std::uintptr_t>(p) % smallAlignment(cls) != 0) {
        code = MEM_BAD_BLOCK;
        return false;
    }
    if (h[2] != kSmallUsed) {
        code = MEM_BAD_FREE_BLOCK;
        return false;
    }
    h[2] = kSmallFree;
    --page->inUse;
    pushSmallFree(page->pool, p, cls);
    return true;
}

} // namespace

void backendInitPool(MemPool*) {}

void* backendAlloc(MemPool* pool, std::size_t size, unsigned flags) {
    if (size <= pool->smallThreshold) return smallAlloc(pool, size, flags);
    if (size <= pool->mediumThreshold) return mediumAlloc(pool, size, flags);
    return largeAlloc(pool, size, flags);
}

bool backendLocate(void* p, BlockPlace& place, std::uint16_t& code) {
    auto* page = static_cast<PageHeader*>(pageMap().find(p));
    if (!page || (page->signature & ~kPageKindMask) != kPageSignature) {
        code = MEM_BAD_POINTER;
        return false;
    }
    place.pool = page->pool;
    place.page = page;
    return true;
}

bool backendFree(const BlockPlace& place, void* p, std::uint16_t& code) {
    switch (place.page->kind()) {
    case kSmallPage:
        return smallFree(place.page, p, code);
    case kMediumPage:
        return mediumFree(place.page, p, code);
    case kLargeRun:
        return largeFree(place.page, p, code);
    default:
        code = MEM_BAD_POINTER;
        return false;
    }
}

std::size_t backendUsableSize(const BlockPlace& place, void* p) {
    switch (place.page->kind()) {
    case kSmallPage:
        return std::size_t(smallHeader(p)[3]) * 4;
    case kMediumPage:
        return static_cast<MediumHeader*>(p)[-1].size - kMediumHeaderBytes;
    case kLargeRun:
        return place.page->blockBytes;
    case kFixedPage:
        return place.pool->fixedBlockSize;
    default:
        return 0;
    }
}

void backendDestroyPool(MemPool* pool) {
    for (PageKind kind : {kMediumPage, kLargeRun, kSmallPage})
        while (PageHeader* page = pool->pages[kind])
            backendReleaseRun(pool, page);
    std::fill(std::begin(pool->smallFree), std::end(pool->smallFree), nullptr);
    pool->smallCurrent = nullptr;
    pool->mediumLast = nullptr;
}

PageHeader* backendTakeRun(MemPool* pool, std::size_t bytes, std::size_t committedBytes, PageKind kind) {
    for (;;) {
        if (exceedsCeiling(pool, committedBytes)) {
            heapReportError(pool, MEM_EXCEEDED_CEILING);
            return nullptr;
        }
        if (PageHeader* page = takeRunQuietly(pool, bytes, committedBytes, kind)) return page;
        if (heapReportError(pool, MEM_OUT_OF_MEMORY) != 1) return nullptr;
    }
}

void backendReleaseRun(MemPool* pool, PageHeader* page) {
    unlinkPage(pool, page);
    pageMap().forget(page, page->runBytes);
    pool->committed -= page->committedBytes;
    page->signature = 0;
    unmapRun(reinterpret_cast<char*>(page), page->runBytes);
}

} // namespace vael::memory_detail

#endif
