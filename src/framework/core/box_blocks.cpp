#include "framework/core/box_blocks.h"

#include "framework/core/memory_manager.h"

#if defined(__has_include)
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define VAEL_HAVE_VALGRIND 1
#endif
#endif

namespace vael::box_blocks {

constinit thread_local Kept kept[Classes] = {};

namespace {

// A thread keeps at most this many bytes of blocks per class, what a pool keeps committed for reuse anyway:
// enough for the copies of a burst of thousands of sends made inside one handler.
constexpr std::size_t kKeptBytes = 256 * 1024;

// One pool per class, shared by every thread, made at the first box. A pool that cannot be made is null,
// and heapAlloc then takes the class's blocks from the default pool.
struct ClassPools {
    HeapPool pool[Classes];
    ClassPools() {
        for (std::size_t i = 0; i < Classes; ++i)
            pool[i] = heapPoolCreateFixed((i + 1) * ClassBytes, 0, MEM_POOL_SERIALIZE);
    }
};

HeapPool classPool(std::size_t index) {
    static const ClassPools pools;
    return pools.pool[index];
}

enum KeptState : unsigned char { NotStarted, Keeping, Ended };
constinit thread_local KeptState keptState = NotStarted;

// Gives a thread's kept blocks back to their pools when the thread ends. Boxes deleted on the thread after
// that (by the destructors of statics, on the main thread) go straight to their pools.
struct KeptBlocksReturn {
    ~KeptBlocksReturn() {
        keptState = Ended;
        for (Kept& k : kept) {
            k.limit = 0;
            while (void* block = k.head) {
                k.head = *static_cast<void**>(block);
                heapFree(block);
            }
            k.count = 0;
        }
    }
};

void startKeeping() {
    static thread_local KeptBlocksReturn returnAtThreadEnd;
    (void)returnAtThreadEnd;
    keptState = Keeping;
    bool keep = true;
#if defined(VAEL_HAVE_VALGRIND)
    keep = !RUNNING_ON_VALGRIND;
#endif
    for (std::size_t i = 0; i < Classes; ++i)
        kept[i].limit = keep ? static_cast<std::uint32_t>(kKeptBytes / ((i + 1) * ClassBytes)) : 0;
}

} // namespace

void* allocateFromPool(std::size_t index) {
    if (keptState == NotStarted) startKeeping();
    // Every block of a class is as large as the class, since a kept block goes to any box of the class.
    void* block = heapAlloc((index + 1) * ClassBytes, 0, classPool(index));
    if (!block) throw std::bad_alloc();
    return block;
}

void releaseToPool(void* block) noexcept {
    heapFree(block);
}

} // namespace vael::box_blocks
