// The system back end: every block comes from the standard allocator, so the sanitizers and valgrind see
// it. A block that is not a fixed-size block is allocated on its own and entered in a registry (address ->
// pool), which both finds the block's pool on freeing without reading the pointer and lets destroying a
// pool free all its blocks. Fixed-size pages are aligned chunks of the standard allocator.
//
// The registry's own memory comes from malloc, never from operator new, so that routing the global
// operators through the manager does not recurse.
#if !defined(VAEL_MEMORY_PAGED)

#include <cstdlib>
#include <new>

#include "framework/core/memory_pool.h"
#include "framework/core/page_map.h"

namespace vael::memory_detail {

struct BlockRecord {
    BlockRecord* hashNext;
    BlockRecord* poolPrev;
    BlockRecord* poolNext;
    MemPool* pool;
    void* block;
    std::size_t size;
};

namespace {

struct RecordSlab {
    RecordSlab* next;
    BlockRecord records[127];
};

constinit std::mutex registryLock;
constinit BlockRecord** buckets = nullptr;
constinit unsigned bucketBits = 0;
constinit std::size_t recordCount = 0;
constinit BlockRecord* spareRecords = nullptr;
constinit RecordSlab* slabs = nullptr;

std::size_t bucketOf(const void* p, unsigned bits) {
    return static_cast<std::size_t>(((reinterpret_cast<std::uintptr_t>(p) >> 4) * 0x9E3779B97F4A7C15ull) >>
                                    (64 - bits));
}

BlockRecord* newRecord() {
    if (!spareRecords) {
        auto* slab = static_cast<RecordSlab*>(std::malloc(sizeof(RecordSlab)));
        if (!slab) return nullptr;
        slab->next = slabs;
        slabs = slab;
        for (BlockRecord& r : slab->records) {
            r.hashNext = spareRecords;
            spareRecords = &r;
        }
    }
    BlockRecord* r = spareRecords;
    spareRecords = r->hashNext;
    return r;
}

void dropRecord(BlockRecord* r) {
    r->hashNext = spareRecords;
    spareRecords = r;
}

bool growTable() {
    const unsigned bits = bucketBits ? bucketBits + 1 : 10;
    auto* table = static_cast<BlockRecord**>(std::calloc(std::size_t(1) << bits, sizeof(BlockRecord*)));
    if (!table) return false;
    if (buckets) {
        for (std::size_t i = 0; i < (std::size_t(1) << bucketBits); ++i) {
            BlockRecord* r = buckets[i];
            while (r) {
                BlockRecord* next = r->hashNext;
                BlockRecord*& head = table[bucketOf(r->block, bits)];
                r->hashNext = head;
                head = r;
                r = next;
            }
        }
        std::free(buckets);
    }
    buckets = table;
    bucketBits = bits;
    return true;
}

BlockRecord* findRecord(const void* p) {
    if (!buckets) return nullptr;
    for (BlockRecord* r = buckets[bucketOf(p, bucketBits)]; r; r = r->hashNext)
        if (r->block == p) return r;
    return nullptr;
}

// Enters a block; false when the registry cannot grow.
bool enterBlock(MemPool* pool, void* block, std::size_t size) {
    if ((!buckets || recordCount >= (std::size_t(1) << bucketBits)) && !growTable() && !buckets) return false;
    BlockRecord* r = newRecord();
    if (!r) return false;
    *r = BlockRecord{nullptr, nullptr, pool->blocks, pool, block, size};
    BlockRecord*& head = buckets[bucketOf(block, bucketBits)];
    r->hashNext = head;
    head = r;
    if (pool->blocks) pool->blocks->poolPrev = r;
    pool->blocks = r;
    ++recordCount;
    return true;
}

void removeRecord(BlockRecord* r) {
    for (BlockRecord** link = &buckets[bucketOf(r->block, bucketBits)]; *link; link = &(*link)->hashNext)
        if (*link == r) {
            *link = r->hashNext;
            break;
        }
    if (r->poolPrev)
        r->poolPrev->poolNext = r->poolNext;
    else
        r->pool->blocks = r->poolNext;
    if (r->poolNext) r->poolNext->poolPrev = r->poolPrev;
    --recordCount;
    dropRecord(r);
}

bool exceedsCeiling(const MemPool* pool, std::size_t bytes) {
    return pool->ceiling != kNoCeiling && (bytes > pool->ceiling || pool->committed > pool->ceiling - bytes);
}

} // namespace

void backendInitPool(MemPool*) {}

void* backendAlloc(MemPool* pool, std::size_t size, unsigned flags) {
    for (;;) {
        if (exceedsCeiling(pool, size)) {
            heapReportError(pool, MEM_EXCEEDED_CEILING);
            return nullptr;
        }
        void* block = (flags & MEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
        if (block) {
            std::lock_guard<std::mutex> guard(registryLock);
            if (enterBlock(pool, block, size)) {
                pool->committed += size;
                return block;
            }
        }
        std::free(block);
        if (heapReportError(pool, MEM_OUT_OF_MEMORY) != 1) return nullptr;
    }
}

bool backendLocate(void* p, BlockPlace& place, std::uint16_t& code) {
    if (void* owner = pageMap().find(p)) {
        auto* page = static_cast<PageHeader*>(owner);
        place.pool = page->pool;
        place.page = page;
        return true;
    }
    std::lock_guard<std::mutex> guard(registryLock);
    BlockRecord* r = findRecord(p);
    if (!r) {
        code = MEM_BAD_POINTER;
        return false;
    }
    place.pool = r->pool;
    place.page = nullptr;
    return true;
}

bool backendFree(const BlockPlace& place, void* p, std::uint16_t& code) {
    std::size_t size;
    {
        std::lock_guard<std::mutex> guard(registryLock);
        BlockRecord* r = findRecord(p);
        if (!r) {
            code = MEM_BAD_POINTER;
            return false;
        }
        size = r->size;
        removeRecord(r);
    }
    place.pool->committed -= size;
    std::free(p);
    return true;
}

std::size_t backendUsableSize(const BlockPlace& place, void* p) {
    if (place.page) return place.pool->fixedBlockSize;
    std::lock_guard<std::mutex> guard(registryLock);
    BlockRecord* r = findRecord(p);
    return r ? r->size : 0;
}

void backendDestroyPool(MemPool* pool) {
    std::lock_guard<std::mutex> guard(registryLock);
    while (BlockRecord* r = pool->blocks) {
        void* block = r->block;
        pool->committed -= r->size;
        removeRecord(r);
        std::free(block);
    }
}

PageHeader* backendTakeRun(MemPool* pool, std::size_t bytes, std::size_t committedBytes, PageKind kind) {
    const std::size_t runBytes = roundUp(bytes, PageMap::kGranule);
    for (;;) {
        if (exceedsCeiling(pool, committedBytes)) {
            heapReportError(pool, MEM_EXCEEDED_CEILING);
            return nullptr;
        }
        void* run = std::aligned_alloc(PageMap::kGranule, runBytes);
        if (run && !pageMap().enter(run, runBytes, run)) {
            std::free(run);
            run = nullptr;
        }
        if (run) {
            auto* page = new (run) PageHeader();
            page->pool = pool;
            page->runBytes = runBytes;
            page->committedBytes = committedBytes;
            page->signature = static_cast<std::uint16_t>(kPageSignature | kind);
            linkPage(pool, page);
            pool->committed += committedBytes;
            return page;
        }
        if (heapReportError(pool, MEM_OUT_OF_MEMORY) != 1) return nullptr;
    }
}

void backendReleaseRun(MemPool* pool, PageHeader* page) {
    unlinkPage(pool, page);
    pageMap().forget(page, page->runBytes);
    pool->committed -= page->committedBytes;
    page->signature = 0;
    VAEL_UNPOISON(page, page->runBytes);
    std::free(page);
}

} // namespace vael::memory_detail

#endif
