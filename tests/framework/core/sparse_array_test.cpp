#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/sparse_array.h"

namespace vael {
namespace {

// Shows the cache, which the array keeps to itself.
template <class T> class InspectedArray : public SparseArray<T> {
public:
    using SparseArray<T>::SparseArray;
    std::int32_t cacheIndex() const { return this->cachedIndex; }
    T* cacheElement() const { return this->cachedElement; }
};

template <class T> std::vector<T> valuesOf(SparseArray<T>& a) {
    std::vector<T> out;
    List<T*> all = a.entries();
    ListIterator<T*> it(all);
    T* p = nullptr;
    while (it.next(p))
        out.push_back(*p);
    return out;
}

template <class T> std::vector<std::int32_t> keysOf(BSTree<T>& tree) {
    // Keys equal values in these trees, so the collected values are the keys.
    std::vector<std::int32_t> out;
    List<T*> all(0);
    tree.collect(all);
    ListIterator<T*> it(all);
    T* p = nullptr;
    while (it.next(p))
        out.push_back(*p);
    return out;
}

TEST(SparseArray, IndexZeroAlwaysExistsAndOthersAreAbsentUntilUsed) {
    SparseArray<int> a(42);
    int out = -1;
    EXPECT_EQ(a.get(0, out), 1);
    EXPECT_EQ(out, 42);
    out = -1;
    EXPECT_EQ(a.get(5, out), 0);
    EXPECT_EQ(out, -1);
}

TEST(SparseArray, IndexingCreatesWithTheDefaultInAscendingOrder) {
    SparseArray<int> a(9);
    EXPECT_EQ(a[7], 9);
    EXPECT_EQ(valuesOf(a), (std::vector<int>{9, 9}));
    a[7] = 70;
    a[-3] = -30;
    a[0] = 0;
    int out = 0;
    EXPECT_EQ(a.get(-3, out), 1);
    EXPECT_EQ(out, -30);
    EXPECT_EQ(valuesOf(a), (std::vector<int>{-30, 0, 70}));
    a[-2147483647 - 1] = 1;
    a[2147483647] = 2;
    EXPECT_EQ(valuesOf(a), (std::vector<int>{1, -30, 0, 70, 2}));
}

TEST(SparseArray, ClearKeepsIndexZeroWithItsValue) {
    SparseArray<std::string> a("default");
    a[0] = "zero";
    a[4] = "four";
    a[-1] = "minus one";
    a.clear();
    std::string out;
    EXPECT_EQ(a.get(0, out), 1);
    EXPECT_EQ(out, "zero");
    EXPECT_EQ(a.get(4, out), 0);
    EXPECT_EQ(a.get(-1, out), 0);
    EXPECT_EQ(a[4], "default");
    EXPECT_EQ(valuesOf(a), (std::vector<std::string>{"zero", "default"}));
}

TEST(SparseArray, TheCacheFollowsIndexingAndGet) {
    InspectedArray<int> a(0);
    EXPECT_EQ(a.cacheElement(), nullptr);
    int& seven = a[7];
    EXPECT_EQ(a.cacheIndex(), 7);
    EXPECT_EQ(a.cacheElement(), &seven);
    EXPECT_EQ(&a[7], &seven); // answered from the cache
    int out = 0;
    EXPECT_EQ(a.get(0, out), 1);
    EXPECT_EQ(a.cacheIndex(), 0);
    EXPECT_NE(a.cacheElement(), nullptr);
    EXPECT_EQ(a.get(99, out), 0);
    EXPECT_EQ(a.cacheElement(), nullptr);
    a[3];
    a.clear();
    EXPECT_EQ(a.cacheElement(), nullptr);
    // References stay valid while their element exists, however the tree grows.
    int& three = a[3];
    three = 33;
    for (int i = -50; i < 50; ++i)
        a[i * 7];
    EXPECT_EQ(three, 33);
    EXPECT_EQ(a[3], 33);
}

TEST(SparseArray, ElementsOwningMemoryAreReleased) {
    SparseArray<List<int>> handlers{List<int>(0)};
    for (int i = 0; i < 20; ++i)
        handlers[i * 13 % 7 - 3].append(i);
    handlers.clear();
    handlers[5].append(1);
    EXPECT_EQ(handlers[5].count(), 1);
}

TEST(BSTree, LongChainsAreCollectedAndTakenApartWithoutRecursion) {
    // What an unbalanced tree fed ascending keys becomes: one chain as long as the tree, built here by
    // hand because inserting it key by key takes quadratic time.
    BSTree<int> root(0, 0);
    BSTree<int>* tail = &root;
    for (int i = 1; i <= 150000; ++i)
        tail = tail->right = new BSTree<int>(i, i);
    BSTree<int>* head = &root;
    for (int i = -1; i >= -1000; --i)
        head = head->left = new BSTree<int>(i, i);
    List<int*> all(0);
    root.collect(all);
    ListIterator<int*> it(all);
    int* p = nullptr;
    int expected = -1000;
    bool ascending = true;
    while (it.next(p))
        ascending = ascending && *p == expected++;
    EXPECT_TRUE(ascending);
    EXPECT_EQ(expected, 150001);
    root.clear();
    EXPECT_EQ(root.left, nullptr);
    EXPECT_EQ(root.right, nullptr);
}

TEST(BSTree, InsertPutFindAndGet) {
    BSTree<int> root(0, 0);
    EXPECT_EQ(root.insert(5, 5), 1);
    EXPECT_EQ(root.insert(5, 50), 0);
    EXPECT_EQ(root.insert(0, 1), 0); // the root's own key
    EXPECT_EQ(*root.find(5), 5);
    EXPECT_EQ(root.find(6), nullptr);
    EXPECT_EQ(root.put(5, 55), 1);
    EXPECT_EQ(root.put(-4, -4), 1);
    EXPECT_EQ(keysOf(root), (std::vector<int>{-4, 0, 55}));
    int out = 0;
    EXPECT_EQ(root.get(5, out), 1);
    EXPECT_EQ(out, 55);
    out = 9;
    EXPECT_EQ(root.get(17, out), 0);
    EXPECT_EQ(out, 9);
}

TEST(BSTree, PutOnAPresentKeyKeepsTheNodeCount) {
    BSTree<int> root(0, 0);
    for (int k : {3, 1, 4, 15, 9, 2, 6})
        root.insert(k, k);
    List<int*> before(0);
    root.collect(before);
    EXPECT_EQ(root.put(9, 9), 1);
    List<int*> after(0);
    root.collect(after);
    EXPECT_EQ(before.count(), after.count());
}

TEST(BSTree, RemovingANodeWithTwoSubtreesKeepsEveryOtherKey) {
    BSTree<int> root(0, 0);
    const std::vector<int> keys{50, 30, 70, 20, 40, 60, 80, 35, 45, 65, -10, -5, -20};
    for (int k : keys)
        root.insert(k, k);
    EXPECT_EQ(root.remove(30), 1); // two subtrees
    EXPECT_EQ(root.find(30), nullptr);
    for (int k : keys)
        if (k != 30) {
            EXPECT_NE(root.find(k), nullptr) << k;
        }
    EXPECT_EQ(keysOf(root), (std::vector<int>{-20, -10, -5, 0, 20, 35, 40, 45, 50, 60, 65, 70, 80}));
    EXPECT_EQ(root.remove(-10), 1); // on the left of the root
    EXPECT_EQ(root.remove(80), 1);  // a leaf
    EXPECT_EQ(root.remove(70), 1);  // left subtree only
    EXPECT_EQ(keysOf(root), (std::vector<int>{-20, -5, 0, 20, 35, 40, 45, 50, 60, 65}));
}

TEST(BSTree, RemoveAndAttachRefuseWhatTheyCannotDo) {
    BSTree<int> root(0, 0);
    root.insert(10, 10);
    EXPECT_EQ(root.remove(0), 0);  // the node's own key
    EXPECT_EQ(root.remove(11), 0); // absent
    EXPECT_EQ(root.attach(nullptr), 0);
    auto* clash = new BSTree<int>(10, 99);
    EXPECT_EQ(root.attach(clash), 0);
    delete clash;
    auto* branch = new BSTree<int>(20, 20);
    branch->insert(15, 15);
    branch->insert(25, 25);
    EXPECT_EQ(root.attach(branch), 1);
    EXPECT_EQ(keysOf(root), (std::vector<int>{0, 10, 15, 20, 25}));
    EXPECT_EQ(root.clear(), 0);
    EXPECT_EQ(keysOf(root), (std::vector<int>{0}));
}

} // namespace
} // namespace vael
