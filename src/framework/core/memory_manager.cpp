// The front end of the memory manager: the heap functions, pool creation and destruction, the new-handler
// loop and the error reporting with its thread table and default handler. The back end (system or paged)
// supplies the blocks.
//
// Nothing here allocates through operator new: when the global operators are routed through the manager,
// its own bookkeeping must not call back into itself. Global state is constant-initialised for the same
// reason, since static constructors of other files may allocate before ours would run.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/core/fixed_pages.h"
#include "framework/core/memory_manager.h"
#include "framework/core/memory_pool.h"
#include "framework/core/page_map.h"

namespace vael {

using namespace memory_detail;

namespace {

constexpr int kThreadTableSize = 25;
constexpr const char* kCaption = "Vaelmoric Memory Manager";
constexpr const char* kOutOfMemoryText = "Out of memory.  Please free some memory, then choose retry.";
constexpr const char* kTooManyThreadsText = "\n\rMemory errors in too many threads concurrently.\n\r";
constexpr const char* kReenteredText = "\n\rMemory error handler recursively re-entered.\n\r";
// No request this large can be met; refusing it up front keeps it away from the system allocator, which
// under the sanitizers would stop the program instead of failing.
constexpr std::size_t kLargestBlock = std::size_t(1) << 40;

struct MemErrorName {
    std::uint16_t code;
    char name[21];
};
constexpr MemErrorName kErrorNames[] = {
    {MEM_INTERNAL_ERROR, "MEM_INTERNAL_ERROR"}, {MEM_BLOCK_TOO_BIG, "MEM_BLOCK_TOO_BIG"},
    {MEM_ALLOC_ZERO, "MEM_ALLOC_ZERO"},         {MEM_RESIZE_FAILED, "MEM_RESIZE_FAILED"},
    {MEM_LOCK_ERROR, "MEM_LOCK_ERROR"},         {MEM_EXCEEDED_CEILING, "MEM_EXCEEDED_CEILING"},
    {MEM_TOO_MANY_PAGES, "MEM_TOO_MANY_PAGES"}, {MEM_TOO_MANY_TASKS, "MEM_TOO_MANY_TASKS"},
    {MEM_BAD_MEM_POOL, "MEM_BAD_MEM_POOL"},     {MEM_BAD_BLOCK, "MEM_BAD_BLOCK"},
    {MEM_BAD_FREE_BLOCK, "MEM_BAD_FREE_BLOCK"}, {MEM_BAD_HANDLE, "MEM_BAD_HANDLE"},
    {MEM_BAD_POINTER, "MEM_BAD_POINTER"},       {MEM_WRONG_TASK, "MEM_WRONG_TASK"},
};

struct ThreadEntry {
    std::uintptr_t thread;
    int nesting;
};

// Guards the list of pools, the header arena, the installed handler, the seams and the thread table.
constinit std::mutex globalLock;
constinit MemPool* poolList = nullptr;
constinit MemPool* retiredHead = nullptr; // free header slots, oldest first
constinit MemPool* retiredTail = nullptr;
constinit MemErrorHandler installedHandler = nullptr;
constinit MemMessageBox messageBox = nullptr;
constinit MemExitFunction exitFunction = nullptr;
constinit ThreadEntry threadTable[kThreadTableSize] = {};
constinit std::atomic<unsigned> globalOptions{kDefaultOptions};
constinit std::atomic<MemPool*> defaultPool{nullptr};

thread_local char threadMarker;

// Header slots come from the standard allocator in slabs and are never given back (see MemPool).
MemPool* takeHeaderSlot() {
    if (retiredHead) {
        MemPool* slot = retiredHead;
        retiredHead = slot->retiredNext;
        if (!retiredHead) retiredTail = nullptr;
        slot->~MemPool();
        return new (slot) MemPool();
    }
    constexpr int kSlabSlots = 32;
    void* slab = std::malloc(sizeof(MemPool) * kSlabSlots);
    if (!slab) return nullptr;
    MemPool* slots = static_cast<MemPool*>(slab);
    // The other slots of the slab join the free list, constructed and marked destroyed.
    for (int i = 1; i < kSlabSlots; ++i) {
        MemPool* s = new (&slots[i]) MemPool();
        if (retiredTail)
            retiredTail->retiredNext = s;
        else
            retiredHead = s;
        retiredTail = s;
    }
    return new (&slots[0]) MemPool();
}

void retireHeaderSlot(MemPool* slot) {
    slot->retiredNext = nullptr;
    if (retiredTail)
        retiredTail->retiredNext = slot;
    else
        retiredHead = slot;
    retiredTail = slot;
}

MemBoxAnswer headlessBox(const char* text, const char* caption, MemBoxButtons) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return MemBoxAnswer::NotShown;
}

MemBoxAnswer showBox(const char* text, MemBoxButtons buttons) {
    MemMessageBox box;
    {
        std::lock_guard<std::mutex> guard(globalLock);
        box = messageBox;
    }
    if (!box) {
        headlessBox(text, kCaption, buttons);
        return buttons == MemBoxButtons::AbortRetryIgnore ? MemBoxAnswer::Ignore : MemBoxAnswer::Ok;
    }
    MemBoxAnswer answer = box(text, kCaption, buttons);
    if (answer == MemBoxAnswer::NotShown) answer = box(text, kCaption, buttons); // the one further try
    return answer;
}

// Abort and Cancel end the program at once; a test's exit function returns instead, and then so do we.
int answerToResult(MemBoxAnswer answer) {
    switch (answer) {
    case MemBoxAnswer::Retry:
        return 1;
    case MemBoxAnswer::Abort:
    case MemBoxAnswer::Cancel: {
        MemExitFunction exitNow;
        {
            std::lock_guard<std::mutex> guard(globalLock);
            exitNow = exitFunction;
        }
        if (exitNow)
            exitNow(3);
        else
            std::_Exit(3);
        return 0;
    }
    default:
        return 0;
    }
}

MemPool* createPool(unsigned flags) {
    if (flags & MEM_POOL_SHARED) flags |= MEM_POOL_SERIALIZE;
    MemPool* pool = nullptr;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(globalLock);
            pool = takeHeaderSlot();
            if (pool) {
                pool->signature = kPoolSignature;
                pool->flags = static_cast<std::uint16_t>(flags);
                pool->committed = (flags & MEM_POOL_SHARED) ? kSharedHeaderBytes : kHeaderPageBytes;
                pool->link = poolList;
                poolList = pool;
            }
        }
        if (pool) break;
        if (heapReportError(nullptr, MEM_OUT_OF_MEMORY) != 1) return nullptr;
    }
    backendInitPool(pool);
    return pool;
}

MemPool* theDefaultPool() {
    MemPool* pool = defaultPool.load(std::memory_order_acquire);
    if (pool) return pool;
    // The runtime and the libraries allocate from many threads, so the default pool is always serialized.
    MemPool* made = heapPoolCreate(globalOptions.load() | MEM_POOL_SERIALIZE);
    if (!made) return nullptr;
    MemPool* expected = nullptr;
    if (!defaultPool.compare_exchange_strong(expected, made)) {
        heapPoolDestroy(made); // another thread made it first
        return expected;
    }
    return made;
}

bool validPool(HeapPool pool) {
    return pool && pool->signature == kPoolSignature;
}

// Holds a serialized pool's lock for a scope.
class PoolGuard {
public:
    explicit PoolGuard(MemPool* pool) : pool_(pool->serialized() ? pool : nullptr) {
        if (pool_) pool_->lock.lock();
    }
    ~PoolGuard() {
        if (pool_) pool_->lock.unlock();
    }
    PoolGuard(const PoolGuard&) = delete;
    PoolGuard& operator=(const PoolGuard&) = delete;

private:
    MemPool* pool_;
};

inline void* allocFromValidPool(MemPool* pool, std::size_t size, unsigned flags) {
    if (size > kLargestBlock) {
        heapReportError(pool, MEM_BLOCK_TOO_BIG);
        return nullptr;
    }
    PoolGuard guard(pool);
    if (pool->fixedBlockSize != 0 && !pool->fixedFromHeap && roundUp(size, 4) == pool->fixedBlockSize)
        return fixedAlloc(pool, flags);
    return backendAlloc(pool, size, flags);
}

} // namespace

namespace memory_detail {

std::uintptr_t currentThread() {
    return reinterpret_cast<std::uintptr_t>(&threadMarker);
}

void PoolLock::lock() {
    const std::uintptr_t me = currentThread();
    if (owner_.load(std::memory_order_relaxed) == me) {
        ++depth_;
        return;
    }
    mutex_.lock();
    owner_.store(me, std::memory_order_relaxed);
    depth_ = 1;
}

void PoolLock::unlock() {
    if (--depth_ == 0) {
        owner_.store(0, std::memory_order_relaxed);
        mutex_.unlock();
    }
}

unsigned PoolLock::leaveAll() {
    if (owner_.load(std::memory_order_relaxed) != currentThread()) return 0;
    const unsigned depth = depth_;
    depth_ = 0;
    owner_.store(0, std::memory_order_relaxed);
    mutex_.unlock();
    return depth;
}

void PoolLock::retake(unsigned depth) {
    if (depth == 0) return;
    mutex_.lock();
    owner_.store(currentThread(), std::memory_order_relaxed);
    depth_ = depth;
}

void linkPage(MemPool* pool, PageHeader* page) {
    PageHeader*& head = pool->pages[page->kind()];
    if (!head) {
        page->prev = page->next = page;
        head = page;
        return;
    }
    page->next = head;
    page->prev = head->prev;
    head->prev->next = page;
    head->prev = page;
}

void unlinkPage(MemPool* pool, PageHeader* page) {
    PageHeader*& head = pool->pages[page->kind()];
    if (page->next == page) {
        head = nullptr;
    } else {
        page->prev->next = page->next;
        page->next->prev = page->prev;
        if (head == page) head = page->next;
    }
    page->prev = page->next = nullptr;
}

} // namespace memory_detail

namespace {

// Everything heapAlloc does but its common case.
[[gnu::noinline]] void* heapAllocSlow(std::size_t size, unsigned flags, HeapPool pool) {
    if (size == 0) size = 1;
    if (globalOptions.load(std::memory_order_relaxed) & MEM_OPTION_ZEROINIT) flags |= MEM_ZEROINIT;
    for (;;) {
        MemPool* target = pool ? pool : theDefaultPool();
        if (!target) return nullptr;
        if (!validPool(target)) {
            heapReportError(target, MEM_BAD_MEM_POOL);
            return nullptr; // no new-handler can mend a bad handle
        }
        if (void* block = allocFromValidPool(target, size, flags)) return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) return nullptr;
        handler();
    }
}

// Everything heapFree does but its common case.
[[gnu::noinline]] bool heapFreeSlow(void* p) {
    std::uint16_t code = 0;
    BlockPlace place;
    if (!backendLocate(p, place, code)) {
        heapReportError(nullptr, code);
        return false;
    }
    bool freed;
    {
        PoolGuard guard(place.pool);
        if (place.page && place.page->kind() == kFixedPage)
            freed = fixedFree(place.pool, place.page, p, code);
        else
            freed = backendFree(place, p, code);
    }
    if (!freed) heapReportError(place.pool, code);
    return freed;
}

} // namespace

void* heapAlloc(std::size_t size, unsigned flags, HeapPool pool) {
    // The common case first, with nothing to lock and nothing that can fail: a block of an unserialized
    // fixed-size pool that has a page with room (a pool whose blocks come from the heap never has one).
    if (pool && pool->signature == kPoolSignature && pool->fixedAvail && !pool->serialized() &&
        size <= pool->fixedBlockSize && pool->fixedBlockSize == roundUp(size ? size : 1, 4)) {
        if (globalOptions.load(std::memory_order_relaxed) & MEM_OPTION_ZEROINIT) flags |= MEM_ZEROINIT;
        return fixedAlloc(pool, flags);
    }
    return heapAllocSlow(size, flags, pool);
}

void* operatorNew(std::size_t size) {
    return heapAlloc(size, 0, nullptr);
}
void* operatorNewArray(std::size_t size) {
    return heapAlloc(size, 0, nullptr);
}

void operatorDelete(void* p) {
    if (p) heapFree(p);
}
void operatorDeleteArray(void* p) {
    if (p) heapFree(p);
}

// heapAlloc makes a 0-byte request 1 byte and zero-fills under the global option.
void* heapMalloc(std::size_t size) {
    return heapAlloc(size, 0, nullptr);
}

void* heapCalloc(std::size_t count, std::size_t size) {
    if (size != 0 && count > static_cast<std::size_t>(-1) / size) {
        // The product would wrap round to a small block; refuse it instead.
        heapReportError(nullptr, MEM_BLOCK_TOO_BIG);
        return nullptr;
    }
    const std::size_t total = count * size;
    return heapAlloc(total ? total : 1, MEM_ZEROINIT, nullptr);
}

void* heapRealloc(void* p, std::size_t size) {
    if (!p) return heapMalloc(size);
    if (size == 0) {
        heapFree(p);
        return nullptr;
    }
    BlockPlace place;
    std::uint16_t code = 0;
    if (!backendLocate(p, place, code)) {
        heapReportError(nullptr, code);
        return nullptr;
    }
    std::size_t oldSize;
    {
        PoolGuard guard(place.pool);
        oldSize = backendUsableSize(place, p);
    }
    // The block stays in its pool; on failure the old block is left as it was. Under the global option
    // heapAlloc zero-fills the new block, so the growth reads as zeros.
    void* q = heapAlloc(size, 0, place.pool);
    if (!q) return nullptr;
    std::memcpy(q, p, std::min(oldSize, size));
    heapFree(p);
    return q;
}

void heapRelease(void* p) {
    if (p) heapFree(p);
}

bool heapFree(void* p) {
    // The common case first: a pooled block of a fixed-size page, found through the page map.
    if (auto* page = static_cast<PageHeader*>(pageMap().find(p));
        page && page->signature == (kPageSignature | kFixedPage)) {
        MemPool* pool = page->pool;
        std::uint16_t code = 0;
        bool freed;
        if (!pool->serialized()) {
            freed = fixedFree(pool, page, p, code);
        } else {
            PoolGuard guard(pool);
            freed = fixedFree(pool, page, p, code);
        }
        if (!freed) heapReportError(pool, code);
        return freed;
    }
    return heapFreeSlow(p);
}

HeapPool heapPoolCreate(unsigned flags) {
    return createPool(flags);
}

HeapPool heapPoolCreateFixed(std::size_t blockSize, std::size_t blockCount, unsigned flags) {
    MemPool* pool = createPool(flags);
    if (!pool) return nullptr;
    const std::size_t rounded = roundUp(blockSize, 4);
    if (rounded < blockSize || rounded > static_cast<std::size_t>(pool->pageSize) - kFixedHeaderAllowance) {
        heapReportError(pool, MEM_BLOCK_TOO_BIG);
        heapPoolDestroy(pool);
        return nullptr;
    }
    pool->fixedBlockSize = static_cast<std::uint16_t>(rounded);
    fixedSetLayout(pool);
    if (blockCount != 0 && rounded != 0) {
        const std::size_t bytes = blockCount > static_cast<std::size_t>(-1) / rounded
                                      ? static_cast<std::size_t>(-1)
                                      : blockCount * rounded;
        PoolGuard guard(pool);
        fixedAddPages(pool, bytes);
    }
    return pool;
}

void* heapPoolAlloc(HeapPool pool, std::size_t size, unsigned flags) {
    if (!validPool(pool)) {
        heapReportError(pool, MEM_BAD_MEM_POOL);
        return nullptr;
    }
    return allocFromValidPool(pool, size == 0 ? 1 : size, flags);
}

bool heapPoolDestroy(HeapPool pool) {
    if (!validPool(pool)) {
        heapReportError(pool, MEM_BAD_MEM_POOL);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(globalLock);
        for (MemPool** link = &poolList; *link; link = &(*link)->link)
            if (*link == pool) {
                *link = pool->link;
                break;
            }
        pool->link = nullptr;
        pool->signature = 0;
    }
    {
        PoolGuard guard(pool);
        fixedDestroyPages(pool);
        backendDestroyPool(pool);
    }
    std::lock_guard<std::mutex> guard(globalLock);
    retireHeaderSlot(pool);
    return true;
}

MemErrorHandler heapSetErrorHandler(MemErrorHandler handler) {
    std::lock_guard<std::mutex> guard(globalLock);
    MemErrorHandler previous = installedHandler;
    installedHandler = handler;
    return previous;
}

void heapLeaveErrorHandler() {
    const std::uintptr_t me = currentThread();
    std::lock_guard<std::mutex> guard(globalLock);
    for (ThreadEntry& e : threadTable)
        if (e.thread == me) {
            if (--e.nesting <= 0) e = ThreadEntry{};
            return;
        }
}

int heapReportError(HeapPool pool, std::uint16_t code) {
    enum class Entry { Entered, TableFull, Reentered, Deeper } entry;
    MemErrorHandler handler;
    {
        std::lock_guard<std::mutex> guard(globalLock);
        handler = installedHandler ? installedHandler : heapDefaultErrorHandler;
        const std::uintptr_t me = currentThread();
        ThreadEntry* mine = nullptr;
        ThreadEntry* vacant = nullptr;
        for (ThreadEntry& e : threadTable) {
            if (e.thread == me) mine = &e;
            if (!vacant && e.thread == 0) vacant = &e;
        }
        if (mine) {
            entry = ++mine->nesting == 2 ? Entry::Reentered : Entry::Deeper;
        } else if (vacant) {
            *vacant = ThreadEntry{me, 1};
            entry = Entry::Entered;
        } else {
            entry = Entry::TableFull;
        }
    }
    // Only a pool that still looks valid is ours to unlock; the handler runs with it fully unlocked.
    MemPool* locked = validPool(pool) && pool->serialized() ? pool : nullptr;
    const unsigned depth = locked ? locked->lock.leaveAll() : 0;

    int answer = 0;
    switch (entry) {
    case Entry::Entered: {
        MemErrorInfo info{code, pool};
        answer = handler(&info);
        break;
    }
    case Entry::TableFull:
        answerToResult(showBox(kTooManyThreadsText, MemBoxButtons::OkCancel));
        break;
    case Entry::Reentered:
        answerToResult(showBox(kReenteredText, MemBoxButtons::OkCancel));
        break;
    case Entry::Deeper:
        break;
    }
    if (entry != Entry::TableFull) heapLeaveErrorHandler();
    if (locked) locked->lock.retake(depth);
    return answer;
}

int heapDefaultErrorHandler(MemErrorInfo* info) {
    const std::uint16_t code = info ? info->errorCode : std::uint16_t(MEM_INTERNAL_ERROR);
    if (code == MEM_OUT_OF_MEMORY)
        return answerToResult(showBox(kOutOfMemoryText, MemBoxButtons::AbortRetryIgnore));
    const char* text = kErrorNames[0].name;
    if (code >= MEM_BLOCK_TOO_BIG && code <= MEM_BAD_POINTER)
        for (const MemErrorName& n : kErrorNames)
            if (n.code == code) text = n.name;
    return answerToResult(showBox(text, MemBoxButtons::OkCancel));
}

std::size_t heapBlockSize(void* p) {
    BlockPlace place;
    std::uint16_t code = 0;
    if (!backendLocate(p, place, code)) {
        heapReportError(nullptr, code);
        return 0;
    }
    PoolGuard guard(place.pool);
    return backendUsableSize(place, p);
}

HeapPool heapBlockPool(void* p) {
    BlockPlace place;
    std::uint16_t code = 0;
    return backendLocate(p, place, code) ? place.pool : nullptr;
}

unsigned heapSetOptions(unsigned options) {
    return globalOptions.exchange(options);
}

void heapPoolSetCeiling(HeapPool pool, std::size_t ceiling) {
    if (!validPool(pool)) {
        heapReportError(pool, MEM_BAD_MEM_POOL);
        return;
    }
    PoolGuard guard(pool);
    pool->ceiling = ceiling;
}

std::size_t heapPoolCommitted(HeapPool pool) {
    if (!validPool(pool)) return 0;
    PoolGuard guard(pool);
    return pool->committed;
}

MemMessageBox heapSetMessageBox(MemMessageBox box) {
    std::lock_guard<std::mutex> guard(globalLock);
    MemMessageBox previous = messageBox;
    messageBox = box;
    return previous;
}

MemExitFunction heapSetExitFunction(MemExitFunction function) {
    std::lock_guard<std::mutex> guard(globalLock);
    MemExitFunction previous = exitFunction;
    exitFunction = function;
    return previous;
}

} // namespace vael

#if defined(VAEL_ROUTE_NEW)
// The global operators through the manager. Over-aligned requests keep the runtime's own aligned forms,
// which never reach these.
void* operator new(std::size_t size) {
    if (void* p = vael::operatorNew(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = vael::operatorNewArray(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return vael::operatorNew(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return vael::operatorNewArray(size);
}
void operator delete(void* p) noexcept {
    vael::operatorDelete(p);
}
void operator delete[](void* p) noexcept {
    vael::operatorDeleteArray(p);
}
void operator delete(void* p, std::size_t) noexcept {
    vael::operatorDelete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    vael::operatorDeleteArray(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    vael::operatorDelete(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    vael::operatorDeleteArray(p);
}
#endif
