#pragma once
// A map from a signed 32-bit index to an element, with a default value for indices never used and a
// one-entry cache of the last access. Elements live in an unbalanced binary search tree whose root, index
// 0, is part of the array.
#include <cstdint>
#include <new>
#include <vector>

#include "framework/core/assertion.h"
#include "framework/core/list.h"
#include "framework/core/memory_manager.h"

namespace vael {

template <class T> class BSTree {
public:
    BSTree(std::int32_t key, const T& value) : value(value), key(key) {}
    BSTree(const BSTree&) = delete;
    BSTree& operator=(const BSTree&) = delete;
    ~BSTree() { clear(); }

    // Nodes come one by one from the memory manager.
    static void* operator new(std::size_t size) {
        void* p = operatorNew(size);
        if (!p) throw std::bad_alloc();
        return p;
    }
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return operatorNew(size); }
    static void operator delete(void* p) noexcept { operatorDelete(p); }
    static void operator delete(void* p, const std::nothrow_t&) noexcept { operatorDelete(p); }

    T* find(std::int32_t k) {
        for (BSTree* n = this; n; n = k < n->key ? n->left : n->right)
            if (n->key == k) return &n->value;
        return nullptr;
    }

    std::int16_t get(std::int32_t k, T& out) {
        T* v = find(k);
        if (!v) return 0;
        out = *v;
        return 1;
    }

    std::int16_t insert(std::int32_t k, const T& v) {
        BSTree** slot = slotFor(k);
        if (!slot) return 0;
        *slot = new (std::nothrow) BSTree(k, v);
        return *slot != nullptr;
    }

    std::int16_t put(std::int32_t k, const T& v) {
        if (T* present = find(k)) {
            *present = v;
            return 1;
        }
        return insert(k, v);
    }

    std::int16_t remove(std::int32_t k) {
        if (k == key) return 0;
        BSTree* parent = this;
        for (;;) {
            BSTree*& slot = k < parent->key ? parent->left : parent->right;
            if (!slot) return 0;
            if (slot->key != k) {
                parent = slot;
                continue;
            }
            BSTree* victim = slot;
            if (victim->right) {
                slot = victim->right;
                if (victim->left) slot->attach(victim->left);
            } else {
                slot = victim->left;
            }
            victim->left = victim->right = nullptr;
            delete victim;
            return 1;
        }
    }

    std::int16_t attach(BSTree* subtree) {
        if (!subtree) return 0;
        BSTree** slot = slotFor(subtree->key);
        if (!slot) return 0;
        *slot = subtree;
        return 1;
    }

    // Deletes every node below this one. The tree is never balanced, so a run of ascending keys makes a
    // chain as long as the tree: the nodes are taken apart by rotation rather than by recursion, which
    // would exhaust the stack on such a chain.
    std::int16_t clear() {
        deleteChain(right);
        deleteChain(left);
        right = left = nullptr;
        return 0;
    }

    // In ascending key order, without recursion for the same reason.
    void collect(List<T*>& out) {
        std::vector<BSTree*> pending;
        BSTree* n = this;
        while (n || !pending.empty()) {
            for (; n; n = n->left)
                pending.push_back(n);
            n = pending.back();
            pending.pop_back();
            out.append(&n->value);
            n = n->right;
        }
    }

    BSTree* left = nullptr;
    BSTree* right = nullptr;
    T value;
    std::int32_t key;

private:
    static void deleteChain(BSTree* n) {
        while (n) {
            if (n->left) {
                BSTree* l = n->left; // rotate right until the node has no left subtree
                n->left = l->right;
                l->right = n;
                n = l;
            } else {
                BSTree* next = n->right;
                n->right = nullptr;
                delete n;
                n = next;
            }
        }
    }

    // The empty slot where a node of key k belongs, or null when k is already present.
    BSTree** slotFor(std::int32_t k) {
        BSTree* n = this;
        for (;;) {
            if (n->key == k) return nullptr;
            BSTree*& next = k < n->key ? n->left : n->right;
            if (!next) return &next;
            n = next;
        }
    }
};

template <class T> class Array {
public:
    Array(const T& defaultValue, std::int32_t size) : defaultValue(defaultValue), size(size) {}
    virtual ~Array() = default;
    virtual T& operator[](std::int32_t index) = 0;
    virtual std::int16_t get(std::int32_t index, T& out) = 0;
    virtual List<T*> entries() = 0;

protected:
    T defaultValue;
    std::int32_t cachedIndex = 0;
    T* cachedElement = nullptr;
    std::int32_t size;
};

template <class T> class SparseArray : public Array<T> {
public:
    explicit SparseArray(const T& defaultValue) : Array<T>(defaultValue, 0), root_(0, defaultValue) {}

    T& operator[](std::int32_t index) override {
        if (index == this->cachedIndex && this->cachedElement) return *this->cachedElement;
        this->cachedElement = root_.find(index);
        if (!this->cachedElement) {
            if (!root_.insert(index, this->defaultValue)) {
                Assertion::fail("Out of memory. Close all applications and try again.", "..\\BRAMBLE\\ARRAY",
                                46);
                throw std::bad_alloc();
            }
            this->cachedElement = root_.find(index);
        }
        this->cachedIndex = index;
        return *this->cachedElement;
    }

    std::int16_t get(std::int32_t index, T& out) override {
        T* element = root_.find(index);
        if (!element) {
            this->cachedElement = nullptr;
            return 0;
        }
        this->cachedIndex = index;
        this->cachedElement = element;
        out = *element;
        return 1;
    }

    List<T*> entries() override {
        List<T*> out(0);
        root_.collect(out);
        return out;
    }

    virtual void clear() {
        root_.clear();
        this->cachedElement = nullptr;
    }

    BSTree<T>& root() { return root_; }

private:
    BSTree<T> root_;
};

} // namespace vael
