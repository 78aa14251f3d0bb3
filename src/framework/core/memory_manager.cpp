#include "framework/core/memory_manager.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

// First cut of the system back end: blocks from the standard allocator, tracked per pool.
namespace vael {

struct MemPool {
    std::uint16_t signature = 0xBEAD;
    unsigned flags = 0;
    std::size_t fixedBlockSize = 0;
    std::unordered_set<void*> blocks;
};

namespace {
std::mutex registryLock;
std::unordered_map<void*, MemPool*>& owners() {
    static auto* map = new std::unordered_map<void*, MemPool*>();
    return *map;
}
MemPool* defaultPool = nullptr;
MemErrorHandler installedHandler = nullptr;
} // namespace

HeapPool heapPoolCreate(unsigned flags) {
    auto* pool = static_cast<MemPool*>(std::malloc(sizeof(MemPool)));
    new (pool) MemPool();
    pool->flags = (flags & MEM_POOL_SHARED) ? (flags | MEM_POOL_SERIALIZE) : flags;
    return pool;
}

HeapPool heapPoolCreateFixed(std::size_t blockSize, std::size_t, unsigned flags) {
    if (blockSize > 16384 - 28) {
        heapReportError(nullptr, MEM_BLOCK_TOO_BIG);
        return nullptr;
    }
    HeapPool pool = heapPoolCreate(flags);
    pool->fixedBlockSize = (blockSize + 3) & ~std::size_t(3);
    return pool;
}

void* heapPoolAlloc(HeapPool pool, std::size_t size, unsigned flags) {
    std::lock_guard<std::mutex> guard(registryLock);
    if (!pool || pool->signature != 0xBEAD) {
        heapReportError(pool, MEM_BAD_MEM_POOL);
        return nullptr;
    }
    if (size == 0) size = 1;
    void* p = (flags & MEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
    if (!p) return nullptr;
    pool->blocks.insert(p);
    owners()[p] = pool;
    return p;
}

void* heapAlloc(std::size_t size, unsigned flags, HeapPool pool) {
    if (!pool) {
        if (!defaultPool) defaultPool = heapPoolCreate(0x8000);
        pool = defaultPool;
    }
    return heapPoolAlloc(pool, size, flags);
}

bool heapFree(void* p) {
    std::lock_guard<std::mutex> guard(registryLock);
    auto it = owners().find(p);
    if (it == owners().end()) {
        heapReportError(nullptr, MEM_BAD_POINTER);
        return false;
    }
    it->second->blocks.erase(p);
    owners().erase(it);
    std::free(p);
    return true;
}

bool heapPoolDestroy(HeapPool pool) {
    std::lock_guard<std::mutex> guard(registryLock);
    if (!pool || pool->signature != 0xBEAD) {
        heapReportError(pool, MEM_BAD_MEM_POOL);
        return false;
    }
    for (void* p : pool->blocks) {
        owners().erase(p);
        std::free(p);
    }
    pool->signature = 0;
    pool->~MemPool();
    std::free(pool);
    return true;
}

void* operatorNew(std::size_t size) { return heapAlloc(size, 0, nullptr); }
void* operatorNewArray(std::size_t size) { return heapAlloc(size, 0, nullptr); }
void operatorDelete(void* p) {
    if (p) heapFree(p);
}
void operatorDeleteArray(void* p) {
    if (p) heapFree(p);
}
void* heapMalloc(std::size_t size) { return heapAlloc(size ? size : 1, 0, nullptr); }
void* heapCalloc(std::size_t count, std::size_t size) {
    std::size_t total = count * size;
    return heapAlloc(total ? total : 1, MEM_ZEROINIT, nullptr);
}
void* heapRealloc(void* p, std::size_t size) {
    if (!p) return heapMalloc(size);
    if (size == 0) {
        heapFree(p);
        return nullptr;
    }
    void* q = heapMalloc(size);
    if (q) std::memcpy(q, p, size); // first cut: over-reads; replaced by the real back end
    heapFree(p);
    return q;
}
void heapRelease(void* p) {
    if (p) heapFree(p);
}

MemErrorHandler heapSetErrorHandler(MemErrorHandler handler) {
    MemErrorHandler old = installedHandler;
    installedHandler = handler;
    return old;
}
void heapLeaveErrorHandler() {}
int heapReportError(HeapPool pool, std::uint16_t code) {
    MemErrorInfo info{code, pool};
    return installedHandler ? installedHandler(&info) : heapDefaultErrorHandler(&info);
}
int heapDefaultErrorHandler(MemErrorInfo*) { return 0; }

} // namespace vael
