#include "framework/core/container.h"

#include "framework/core/memory_manager.h"

#if defined(__SANITIZE_ADDRESS__)
#define VAEL_BOXES_FROM_OPERATOR_NEW 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VAEL_BOXES_FROM_OPERATOR_NEW 1
#endif
#endif

#if !defined(VAEL_BOXES_FROM_OPERATOR_NEW) && defined(__has_include)
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define VAEL_HAVE_VALGRIND 1
#endif
#endif

namespace vael {

#if defined(VAEL_BOXES_FROM_OPERATOR_NEW)

void* ContainerBase::operator new(std::size_t size) {
    return ::operator new(size);
}

void ContainerBase::operator delete(void* p, std::size_t) noexcept {
    ::operator delete(p);
}

#else

namespace {

constexpr std::size_t kClassBytes = 16;
constexpr std::size_t kClasses = ContainerBase::LargestPooledBox / kClassBytes;
// A thread keeps at most this many bytes of blocks per class, what a pool keeps committed for reuse anyway:
// enough for the copies of a burst of thousands of sends made inside one handler.
constexpr std::size_t kKeptBytes = 256 * 1024;

// One pool per class, shared by every thread, made at the first box. A pool that cannot be made is null,
// and heapAlloc then takes the class's blocks from the default pool.
struct ClassPools {
    HeapPool pool[kClasses];
    ClassPools() {
        for (std::size_t i = 0; i < kClasses; ++i)
            pool[i] = heapPoolCreateFixed((i + 1) * kClassBytes, 0, MEM_POOL_SERIALIZE);
    }
};

HeapPool classPool(std::size_t index) {
    static const ClassPools pools;
    return pools.pool[index];
}

// The blocks a thread keeps for one class, linked through their first word. Each thread keeps its own, so
// that making and deleting a box takes no lock; a box deleted on another thread than the one that made it
// only moves its block to that thread's blocks.
struct KeptBlocks {
    void* head;
    std::uint32_t count;
    std::uint32_t limit; // 0 until the thread's first box, and under valgrind, which must see every block
};

enum KeptState : unsigned char { NotStarted, Keeping, Ended };

constinit thread_local KeptBlocks keptBlocks[kClasses] = {};
constinit thread_local KeptState keptState = NotStarted;

inline std::size_t classOf(std::size_t size) {
    return (size - 1) / kClassBytes; // size is 1 to LargestPooledBox
}

inline bool pooled(std::size_t size) {
    return size - 1 < ContainerBase::LargestPooledBox; // 0 wraps round and is not pooled
}

// Gives a thread's kept blocks back to their pools when the thread ends. Boxes deleted on the thread after
// that (by the destructors of statics, on the main thread) go straight to their pools.
struct KeptBlocksReturn {
    ~KeptBlocksReturn() {
        keptState = Ended;
        for (KeptBlocks& kept : keptBlocks) {
            kept.limit = 0;
            while (void* block = kept.head) {
                kept.head = *static_cast<void**>(block);
                heapFree(block);
            }
            kept.count = 0;
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
    for (std::size_t i = 0; i < kClasses; ++i)
        keptBlocks[i].limit = keep ? static_cast<std::uint32_t>(kKeptBytes / ((i + 1) * kClassBytes)) : 0;
}

[[gnu::noinline]] void* allocateFromPool(std::size_t index) {
    if (keptState == NotStarted) startKeeping();
    // Every block of a class is as large as the class, since a kept block goes to any box of the class.
    void* block = heapAlloc((index + 1) * kClassBytes, 0, classPool(index));
    if (!block) throw std::bad_alloc();
    return block;
}

} // namespace

void* ContainerBase::operator new(std::size_t size) {
    if (!pooled(size)) return ::operator new(size);
    const std::size_t index = classOf(size);
    KeptBlocks& kept = keptBlocks[index];
    if (void* block = kept.head) {
        kept.head = *static_cast<void**>(block);
        --kept.count;
        return block;
    }
    return allocateFromPool(index);
}

void ContainerBase::operator delete(void* p, std::size_t size) noexcept {
    if (!p) return;
    if (!pooled(size)) {
        ::operator delete(p);
        return;
    }
    KeptBlocks& kept = keptBlocks[classOf(size)];
    if (kept.count < kept.limit) {
        *static_cast<void**>(p) = kept.head;
        kept.head = p;
        ++kept.count;
        return;
    }
    heapFree(p);
}

#endif

void* ContainerBase::operator new(std::size_t size, std::align_val_t alignment) {
    return ::operator new(size, alignment);
}

void ContainerBase::operator delete(void* p, std::size_t, std::align_val_t alignment) noexcept {
    ::operator delete(p, alignment);
}

} // namespace vael
