#include "framework/core/page_map.h"

#include <cstdlib>
#include <mutex>

namespace vael::memory_detail {

namespace {
// Growing the tree is rare (once per 32 MB of address space in use); lookups never wait for it.
constinit std::mutex growLock;
} // namespace

std::atomic<void*>* PageMap::slot(std::uintptr_t granule, bool grow) {
    const std::uintptr_t rootIndex = granule >> (kLeafBits + kMidBits);
    if (rootIndex >= (std::uintptr_t(1) << kRootBits)) return nullptr;
    const std::uintptr_t midIndex = (granule >> kLeafBits) & ((std::uintptr_t(1) << kMidBits) - 1);
    const std::uintptr_t leafIndex = granule & ((std::uintptr_t(1) << kLeafBits) - 1);

    Mid* mid = root_[rootIndex].load(std::memory_order_acquire);
    Leaf* leaf = mid ? mid->leaf[midIndex].load(std::memory_order_acquire) : nullptr;
    if (!leaf) {
        if (!grow) return nullptr;
        std::lock_guard<std::mutex> guard(growLock);
        mid = root_[rootIndex].load(std::memory_order_acquire);
        if (!mid) {
            // Zeroed memory is a node of null entries; nodes come from malloc so that routing the global
            // operator new through the manager cannot recurse into here.
            mid = static_cast<Mid*>(std::calloc(1, sizeof(Mid)));
            if (!mid) return nullptr;
            root_[rootIndex].store(mid, std::memory_order_release);
        }
        leaf = mid->leaf[midIndex].load(std::memory_order_acquire);
        if (!leaf) {
            leaf = static_cast<Leaf*>(std::calloc(1, sizeof(Leaf)));
            if (!leaf) return nullptr;
            mid->leaf[midIndex].store(leaf, std::memory_order_release);
        }
    }
    return &leaf->entry[leafIndex];
}

bool PageMap::enter(const void* base, std::size_t bytes, void* owner) {
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(base) >> kGranuleShift;
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(base) + bytes - 1) >> kGranuleShift;
    for (std::uintptr_t g = first; g <= last; ++g) {
        std::atomic<void*>* s = slot(g, true);
        if (!s) {
            if (g > first) forget(base, (g - first) << kGranuleShift);
            return false;
        }
        s->store(owner, std::memory_order_release);
    }
    return true;
}

void PageMap::forget(const void* base, std::size_t bytes) {
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(base) >> kGranuleShift;
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(base) + bytes - 1) >> kGranuleShift;
    for (std::uintptr_t g = first; g <= last; ++g)
        if (std::atomic<void*>* s = slot(g, false)) s->store(nullptr, std::memory_order_release);
}

} // namespace vael::memory_detail
