#pragma once
// Where payload boxes live. Boxes are made and deleted all the time (every queued task owns a copy of its
// payload, and replies are boxes too), so their blocks come from fixed-size pools of the memory manager, one
// per 16-byte size class up to LargestPooled bytes, and each thread keeps the blocks of the boxes it
// deleted for its next boxes of their class, so that making and deleting a box mostly takes neither a call
// nor a lock. The pools are shared by every thread, so a box may be deleted on another thread than the one
// that made it; a thread's kept blocks go back to the pools when it ends. Larger boxes come from operator
// new. Under AddressSanitizer every box comes from operator new on its own, so that a leaked or
// twice-deleted box or reply is reported as such.
#include <cstddef>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VAEL_BOXES_FROM_OPERATOR_NEW 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VAEL_BOXES_FROM_OPERATOR_NEW 1
#endif
#endif

namespace vael::box_blocks {

constexpr std::size_t LargestPooled = 128;
constexpr std::size_t ClassBytes = 16;
constexpr std::size_t Classes = LargestPooled / ClassBytes;

// The blocks a thread keeps for one class, linked through their first word.
struct Kept {
    void* head;
    std::uint32_t count;
    std::uint32_t limit; // 0 until the thread's first box, and under valgrind, which must see every block
};

extern constinit thread_local Kept kept[Classes];

// The slow paths: a block from the class's pool, and a block given back to its pool.
void* allocateFromPool(std::size_t index);
void releaseToPool(void* block) noexcept;

inline void* allocate(std::size_t size) {
#if defined(VAEL_BOXES_FROM_OPERATOR_NEW)
    return ::operator new(size);
#else
    if (size - 1 >= LargestPooled) return ::operator new(size); // 0 wraps round and is not pooled either
    const std::size_t index = (size - 1) / ClassBytes;
    Kept& k = kept[index];
    if (void* block = k.head) {
        k.head = *static_cast<void**>(block);
        --k.count;
        return block;
    }
    return allocateFromPool(index);
#endif
}

inline void release(void* block, std::size_t size) noexcept {
#if defined(VAEL_BOXES_FROM_OPERATOR_NEW)
    (void)size;
    ::operator delete(block);
#else
    if (!block) return;
    if (size - 1 >= LargestPooled) {
        ::operator delete(block);
        return;
    }
    Kept& k = kept[(size - 1) / ClassBytes];
    if (k.count < k.limit) {
        *static_cast<void**>(block) = k.head;
        k.head = block;
        ++k.count;
        return;
    }
    releaseToPool(block);
#endif
}

} // namespace vael::box_blocks
