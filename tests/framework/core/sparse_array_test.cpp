#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "framework/core/sparse_array.h"

namespace vael {
namespace {

// Shows the cache, which the array keeps to itself.
template <class T> struct InspectedArray : SparseArray<T> {
    using SparseArray<T>::SparseArray;
    std::tuple<std::int32_t, T*> cache() const { return {this->cachedIndex, this->cachedElement}; }
};

template <class T> std::vector<T> values(List<T*> all) {
    std::vector<T> out;
    for (T* p = nullptr; all.removeFirst(p);)
        out.push_back(*p);
    return out;
}

// Keys equal values in these trees, so the collected values are the keys.
std::vector<int> keysOf(BSTree<int>& tree) {
    List<int*> all(0);
    tree.collect(all);
    return values(all);
}

TEST(SparseArray, IndicesAreCreatedWithTheDefaultAndListedInAscendingOrder) {
    SparseArray<int> a(9);
    int out = -1;
    EXPECT_EQ((std::tuple{a.get(0, out), out}), std::tuple(1, 9));
    out = -1;
    EXPECT_EQ((std::tuple{a.get(5, out), out, a[7]}), std::tuple(0, -1, 9));
    EXPECT_EQ(values(a.entries()), (std::vector<int>{9, 9}));
    a[7] = 70, a[-3] = -30;
    EXPECT_EQ((std::tuple{a.get(-3, out), out}), std::tuple(1, -30));
    a[-2147483647 - 1] = 1, a[2147483647] = 2;
    EXPECT_EQ(values(a.entries()), (std::vector<int>{1, -30, 9, 70, 2}));
}

TEST(SparseArray, ClearKeepsIndexZeroWithItsValueAndTheCacheFollowsEveryAccess) {
    InspectedArray<std::string> a("default");
    a[0] = "zero", a[-1] = "minus one";
    a[4] = std::string(40, '4'); // long enough to own memory, which must go with its node
    a.clear();
    EXPECT_EQ(std::get<1>(a.cache()), nullptr);
    std::string out;
    EXPECT_EQ((std::tuple{a.get(4, out), a.get(-1, out), a.get(0, out), out}), std::tuple(0, 0, 1, "zero"));
    EXPECT_EQ(a[4], "default");
    EXPECT_EQ(values(a.entries()), (std::vector<std::string>{"zero", "default"}));

    InspectedArray<int> b(0); // the cache follows indexing and get; references stay valid however it grows
    EXPECT_EQ(b.cache(), std::tuple(0, nullptr));
    int& seven = b[7];
    EXPECT_EQ(b.cache(), std::tuple(7, &seven));
    int found = 0;
    EXPECT_EQ((std::tuple{b.get(0, found), std::get<0>(b.cache()), std::get<1>(b.cache()) != nullptr,
                          b.get(99, found), std::get<1>(b.cache())}),
              std::tuple(1, 0, true, 0, nullptr));
    seven = 33;
    for (int i = -50; i < 50; ++i)
        b[i * 7];
    EXPECT_EQ(std::tuple(&b[7], seven), std::tuple(&seven, 33));
}

// An unbalanced tree fed ascending keys becomes one chain as long as the tree (built here by hand, since
// inserting it key by key takes quadratic time): collecting and deleting it must not recurse. Collected
// into a list, it is as long as a list can count.
TEST(BSTree, LongChainsAreCollectedAndTakenApartWithoutRecursion) {
    BSTree<int> root(0, 0);
    BSTree<int>*tail = &root, *head = &root;
    for (int i = 1; i <= 31766; ++i)
        tail = tail->right = new BSTree<int>(i, i);
    for (int i = -1; i >= -1000; --i)
        head = head->left = new BSTree<int>(i, i);
    const std::vector<int> keys = keysOf(root);
    EXPECT_EQ(std::tuple(keys.size(), keys.front(), keys.back()),
              std::tuple(std::size_t(List<int>::MaxCount), -1000, 31766));
    EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end(), std::greater_equal<>()), keys.end());
    for (int i = 31767; i <= 150000; ++i)
        tail = tail->right = new BSTree<int>(i, i);
    EXPECT_EQ(root.clear(), 0);
    EXPECT_EQ(keysOf(root), std::vector<int>{0});
}

TEST(BSTree, InsertRefusesPresentKeysAndPutReplacesTheirValues) {
    BSTree<int> root(0, 0);
    EXPECT_EQ((std::tuple{root.insert(5, 5), root.insert(5, 50), root.insert(0, 1)}), std::tuple(1, 0, 0));
    for (int k : {3, 1, 4, 15, 9, 2, 6})
        root.insert(k, k);
    EXPECT_EQ((std::tuple{root.put(5, 55), root.put(-4, -4), root.find(7)}), std::tuple(1, 1, nullptr));
    EXPECT_EQ(keysOf(root), (std::vector<int>{-4, 0, 1, 2, 3, 4, 55, 6, 9, 15})); // no node added for 5
    int out = 0;
    EXPECT_EQ((std::tuple{root.get(5, out), root.get(17, out), out}), std::tuple(1, 0, 55));
}

TEST(BSTree, RemoveKeepsEveryOtherKeyAndAttachHangsASubtreeInItsPlace) {
    BSTree<int> root(0, 0);
    const std::vector<int> keys{50, 30, 70, 20, 40, 60, 80, 35, 45, 65, -10, -5, -20};
    for (int k : keys)
        root.insert(k, k);
    EXPECT_EQ(root.remove(30), 1); // two subtrees
    EXPECT_TRUE(std::all_of(keys.begin(), keys.end(), [&](int k) { return !root.find(k) == (k == 30); }));
    EXPECT_EQ(keysOf(root), (std::vector<int>{-20, -10, -5, 0, 20, 35, 40, 45, 50, 60, 65, 70, 80}));
    // Left of the root, a leaf, a left subtree only; then the node's own key, an absent key.
    EXPECT_EQ(
        (std::tuple{root.remove(-10), root.remove(80), root.remove(70), root.remove(0), root.remove(11)}),
        std::tuple(1, 1, 1, 0, 0));
    BSTree<int> clash(20, 99);
    auto* branch = new BSTree<int>(47, 47);
    branch->insert(46, 46), branch->insert(48, 48);
    EXPECT_EQ((std::tuple{root.attach(nullptr), root.attach(&clash), root.attach(branch)}),
              std::tuple(0, 0, 1));
    EXPECT_EQ(keysOf(root), (std::vector<int>{-20, -5, 0, 20, 35, 40, 45, 46, 47, 48, 50, 60, 65}));
}

} // namespace
} // namespace vael
