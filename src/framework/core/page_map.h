#pragma once
// Which address ranges belong to the memory manager. Every run of pages the manager holds is entered here,
// 16 KB granule by granule, with the address of the run's header; a pointer handed back to the manager is
// looked up here before anything at its address is read, so a foreign pointer is recognised without
// touching it. Lookups take no lock: entries are atomic and the tree's nodes are never freed.
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vael::memory_detail {

class PageMap {
public:
    static constexpr unsigned kGranuleShift = 14;
    static constexpr std::size_t kGranule = std::size_t(1) << kGranuleShift;

    constexpr PageMap() = default;

    // Enters [base, base + bytes) as belonging to the run whose header is at owner; false when the tree
    // could not grow (out of memory) or the range lies outside the addresses it covers.
    bool enter(const void* base, std::size_t bytes, void* owner);
    // Forgets the range again.
    void forget(const void* base, std::size_t bytes);
    // The owner entered for the granule holding p, or null. Inline: every free of a pooled block asks.
    void* find(const void* p) const {
        const std::uintptr_t granule = reinterpret_cast<std::uintptr_t>(p) >> kGranuleShift;
        const std::uintptr_t rootIndex = granule >> (kLeafBits + kMidBits);
        if (rootIndex >= (std::uintptr_t(1) << kRootBits)) return nullptr;
        Mid* mid = root_[rootIndex].load(std::memory_order_acquire);
        if (!mid) return nullptr;
        Leaf* leaf = mid->leaf[(granule >> kLeafBits) & ((std::uintptr_t(1) << kMidBits) - 1)].load(
            std::memory_order_acquire);
        if (!leaf) return nullptr;
        return leaf->entry[granule & ((std::uintptr_t(1) << kLeafBits) - 1)].load(std::memory_order_acquire);
    }

private:
    static constexpr unsigned kAddressBits = 48;
    static constexpr unsigned kLeafBits = 11;
    static constexpr unsigned kMidBits = 11;
    static constexpr unsigned kRootBits = kAddressBits - kGranuleShift - kLeafBits - kMidBits;

    struct Leaf {
        std::atomic<void*> entry[std::size_t(1) << kLeafBits];
    };
    struct Mid {
        std::atomic<Leaf*> leaf[std::size_t(1) << kMidBits];
    };

    std::atomic<void*>* slot(std::uintptr_t granule, bool grow);

    std::atomic<Mid*> root_[std::size_t(1) << kRootBits] = {};
};

inline constinit PageMap thePageMap;
inline PageMap& pageMap() {
    return thePageMap;
}

} // namespace vael::memory_detail
