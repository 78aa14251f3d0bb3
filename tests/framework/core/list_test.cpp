#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/list.h"
#include "framework/core/memory_manager.h"
#include "memory_test_support.h"

namespace vael {
namespace {

using testing_support::MemoryRecorder;
using testing_support::MemoryTest;

template <class T> std::vector<T> values(const List<T>& list) {
    std::vector<T> out;
    Item<T>* n = nullptr;
    if (list.firstItem(n))
        for (; n; n = n->next)
            out.push_back(n->value);
    return out;
}

template <class T> std::vector<T> backwards(const List<T>& list) {
    std::vector<T> out;
    Item<T>* n = nullptr;
    if (list.lastItem(n))
        for (; n; n = n->prev)
            out.push_back(n->value);
    return out;
}

List<int> listOf(std::initializer_list<int> items, std::uint16_t privatePool = 0) {
    List<int> list(privatePool);
    for (int v : items)
        list.append(v);
    return list;
}

using Ints = std::vector<int>;

// Counts the live instances, so that a value that is never destroyed shows.
struct Tracked {
    static inline int alive = 0;
    int v;
    Tracked(int value) : v(value) { ++alive; }
    Tracked(const Tracked& o) : v(o.v) { ++alive; }
    Tracked& operator=(const Tracked&) = default;
    ~Tracked() { --alive; }
    bool operator==(const Tracked& o) const { return v == o.v; }
};

// --- the list --------------------------------------------------------------------------------------------

TEST(List, NodesAreLinkedBothWaysAndCounted) {
    List<int> list(0);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.count(), 0);
    list.append(2);
    list.prepend(1);
    list += 3;
    list << 4;
    list.prepend(0);
    EXPECT_EQ(values(list), (Ints{0, 1, 2, 3, 4}));
    EXPECT_EQ(backwards(list), (Ints{4, 3, 2, 1, 0}));
    EXPECT_EQ(list.count(), 5);
    EXPECT_FALSE(list.isEmpty());
    Item<int>* head = nullptr;
    Item<int>* tail = nullptr;
    ASSERT_TRUE(list.firstItem(head));
    ASSERT_TRUE(list.lastItem(tail));
    EXPECT_EQ(head->prev, nullptr);
    EXPECT_EQ(tail->next, nullptr);
    // A node's address is its value's address.
    EXPECT_EQ(static_cast<void*>(head), static_cast<void*>(&head->value));
}

TEST(List, AccessOnAnEmptyListLeavesTheOutArgumentAlone) {
    List<int> list(0);
    int out = 42;
    Item<int>* item = reinterpret_cast<Item<int>*>(0x10);
    EXPECT_EQ(list.first(out), 0);
    EXPECT_EQ(list.last(out), 0);
    EXPECT_EQ(list.removeFirst(out), 0);
    EXPECT_EQ(list.removeLast(out), 0);
    EXPECT_EQ(list.removeFirst(), 0);
    EXPECT_EQ(list.removeLast(), 0);
    EXPECT_EQ(list.firstItem(item), 0);
    EXPECT_EQ(list.lastItem(item), 0);
    list >> out;
    EXPECT_EQ(out, 42);
    EXPECT_EQ(item, reinterpret_cast<Item<int>*>(0x10));
    EXPECT_EQ(list.contains(0), 0);
    EXPECT_EQ(list.remove(0), 0);
}

TEST(List, FirstLastAndRemovalAtBothEnds) {
    List<int> list = listOf({1, 2, 3});
    int out = 0;
    EXPECT_EQ(list.first(out), 1);
    EXPECT_EQ(out, 1);
    EXPECT_EQ(list.last(out), 1);
    EXPECT_EQ(out, 3);
    EXPECT_EQ(list.removeFirst(out), 1);
    EXPECT_EQ(out, 1);
    list >> out; // takes the last
    EXPECT_EQ(out, 3);
    EXPECT_EQ(values(list), (Ints{2}));
    EXPECT_EQ(list.removeLast(), 1);
    EXPECT_TRUE(list.isEmpty());
    Item<int>* n = nullptr;
    EXPECT_EQ(list.firstItem(n), 0);
    list.append(9);
    EXPECT_EQ(values(list), (Ints{9}));
    EXPECT_EQ(backwards(list), (Ints{9}));
}

TEST(List, RemoveTakesTheFirstMatchFromTheHead) {
    List<int> list = listOf({5, 1, 5, 2, 5});
    EXPECT_EQ(list.remove(5), 1);
    EXPECT_EQ(values(list), (Ints{1, 5, 2, 5}));
    list -= 2;
    EXPECT_EQ(values(list), (Ints{1, 5, 5}));
    EXPECT_EQ(list.remove(7), 0);
    EXPECT_EQ(list.count(), 3);
}

TEST(List, RemoveAllCountsWhatItTookAndKeepsTheRestInOrder) {
    List<int> list = listOf({4, 7, 1, 7, 2, 7, 3});
    EXPECT_EQ(list.removeAll(9), 0);
    EXPECT_EQ(list.removeAll(7), 3);
    EXPECT_EQ(values(list), (Ints{4, 1, 2, 3}));
    EXPECT_EQ(backwards(list), (Ints{3, 2, 1, 4}));
}

TEST(List, RemoveItemOnlyTakesANodeOfThisList) {
    List<int> list = listOf({1, 2, 3});
    List<int> other = listOf({2});
    Item<int>* foreign = nullptr;
    other.firstItem(foreign);
    EXPECT_EQ(list.removeItem(foreign), 0);
    Item<int>* middle = nullptr;
    list.firstItem(middle);
    middle = middle->next;
    list -= middle;
    EXPECT_EQ(values(list), (Ints{1, 3}));
    EXPECT_EQ(values(other), (Ints{2}));
}

TEST(List, EqualityComparesCountAndValuesInOrder) {
    EXPECT_TRUE(listOf({1, 2, 3}) == listOf({1, 2, 3}, 1));
    EXPECT_FALSE(listOf({1, 2, 3}) == listOf({1, 2}));
    EXPECT_FALSE(listOf({1, 2, 3}) == listOf({1, 3, 2}));
    EXPECT_TRUE(List<int>(0) == List<int>(1));
}

TEST(List, AListOfPointersNeverDeletesWhatTheyPointTo) {
    int a = 1, b = 2;
    {
        List<int*> list(1);
        list.append(&a);
        list.append(&b);
        list.clear();
        list.append(&a);
    }
    EXPECT_EQ(a + b, 3);
}

TEST(List, IntersectionFollowsTheOtherListsOrderAndRepetitions) {
    List<int> a = listOf({1, 2, 3}, 1);
    List<int> result = a.intersection(listOf({3, 3, 1}));
    EXPECT_EQ(values(result), (Ints{3, 3, 1}));
    EXPECT_EQ(result.hasPrivatePool(), 0); // always the shared pool
    EXPECT_EQ(values(a), (Ints{1, 2, 3}));
    EXPECT_TRUE(a.intersection(listOf({4, 5})).isEmpty());
}

TEST(List, UnionKeepsThisListsRepetitionsAndAddsTheOthersOnce) {
    List<int> a = listOf({1, 2, 2});
    List<int> b = listOf({2, 4, 4});
    List<int> u = a.unionWith(b);
    EXPECT_EQ(values(u), (Ints{1, 2, 2, 4}));
    EXPECT_EQ(values(a), (Ints{1, 2, 2}));
    EXPECT_EQ(values(b), (Ints{2, 4, 4}));
    List<int> priv = listOf({7}, 1);
    EXPECT_EQ(priv.unionWith(b).hasPrivatePool(), 1); // a copy of this list, pool kind and all
}

TEST(List, TheSharedPoolIsOnePerElementType) {
    List<int> a(0);
    List<int> b(0);
    List<short> c(0);
    EXPECT_EQ(a.pool(), b.pool());
    EXPECT_NE(a.pool(), c.pool());
    List<int> p(1);
    List<int> q(1);
    EXPECT_NE(p.pool(), q.pool());
    EXPECT_NE(p.pool(), a.pool());
}

TEST_F(MemoryTest, ListNodesComeFromTheListsPool) {
    List<int> priv(1);
    List<int> shared(0);
    for (int i = 0; i < 30; ++i) {
        priv.append(i);
        shared.prepend(i);
    }
    Item<int>* n = nullptr;
    for (priv.firstItem(n); n; n = n->next)
        ASSERT_EQ(heapBlockPool(n), priv.pool());
    for (shared.firstItem(n); n; n = n->next)
        ASSERT_EQ(heapBlockPool(n), shared.pool());
    shared.firstItem(n);
    EXPECT_EQ(heapBlockSize(n), (sizeof(Item<int>) + 3) / 4 * 4);
    EXPECT_TRUE(MemoryRecorder::errors.empty());
}

TEST_F(MemoryTest, CopyingAListWithAPrivatePoolSizesTheNewPoolByTheSourcesCount) {
    List<int> source(0);
    for (int i = 0; i < 2000; ++i)
        source.append(i);
    List<int> copy(source);
    EXPECT_EQ(copy.hasPrivatePool(), 0);
    EXPECT_EQ(copy.pool(), source.pool());

    List<int> privateSource(1);
    for (int i = 0; i < 2000; ++i)
        privateSource.append(i);
    List<int> privateCopy(privateSource);
    EXPECT_EQ(privateCopy.hasPrivatePool(), 1);
    EXPECT_NE(privateCopy.pool(), privateSource.pool());
    // Enough pages for 2000 nodes were prepared before the first append: appending took no new page.
    const std::size_t nodeBytes = (sizeof(Item<int>) + 3) / 4 * 4;
    const std::size_t committed = heapPoolCommitted(privateCopy.pool());
    EXPECT_GE(committed - 4096, 2000 * nodeBytes);
    List<int> sized(1);
    EXPECT_EQ(heapPoolCommitted(sized.pool()), 4096u + 16384u); // 10 nodes: one page
    EXPECT_EQ(values(privateCopy), values(privateSource));
}

TEST_F(MemoryTest, AssigningToAPrivatePoolListGivesItAFreshPoolWithAllTheNodes) {
    List<int> source(0);
    for (int i = 0; i < 25; ++i)
        source.append(i * 3);
    List<int> target(1);
    target.append(-1);
    target.append(-2);
    HeapPool oldPool = target.pool();
    target = source;
    EXPECT_EQ(target.count(), 25);
    EXPECT_EQ(values(target), values(source));
    EXPECT_NE(target.pool(), source.pool());
    // The old pool is gone with its nodes...
    EXPECT_EQ(heapPoolAlloc(oldPool, 4, 0), nullptr);
    EXPECT_EQ(MemoryRecorder::errors.back().errorCode, MEM_BAD_MEM_POOL);
    // ...and every node now comes from the new one.
    Item<int>* n = nullptr;
    for (target.firstItem(n); n; n = n->next)
        ASSERT_EQ(heapBlockPool(n), target.pool());
    HeapPool newPool = target.pool();
    target.clear();
    EXPECT_EQ(heapPoolAlloc(newPool, 4, 0), nullptr); // clear destroyed it, nodes and all
    EXPECT_NE(target.pool(), newPool);
}

TEST(List, AssignmentWithTheSharedPoolClearsAndCopies) {
    List<int> target = listOf({9, 9, 9});
    List<int> source = listOf({1, 2}, 1);
    target = source;
    EXPECT_EQ(values(target), (Ints{1, 2}));
    EXPECT_EQ(target.hasPrivatePool(), 0);
    target = target; // to itself: unchanged
    EXPECT_EQ(values(target), (Ints{1, 2}));
}

TEST(List, ClearEmptiesAndLeavesTheListUsable) {
    for (std::uint16_t privatePool : {0, 1}) {
        List<int> list = listOf({1, 2, 3}, privatePool);
        HeapPool before = list.pool();
        list.clear();
        EXPECT_TRUE(list.isEmpty());
        EXPECT_EQ(list.count(), 0);
        if (privatePool) {
            EXPECT_NE(list.pool(), before); // a fresh pool with 10 nodes prepared: one page
            EXPECT_EQ(heapPoolCommitted(list.pool()), 4096u + 16384u);
        } else {
            EXPECT_EQ(list.pool(), before);
        }
        list.append(4);
        EXPECT_EQ(values(list), (Ints{4}));
    }
}

TEST(List, ClearingOrDestroyingAPrivatePoolListDestroysItsValues) {
    Tracked::alive = 0;
    {
        List<Tracked> list(1);
        for (int i = 0; i < 12; ++i)
            list.append(Tracked(i));
        EXPECT_EQ(Tracked::alive, 12);
        list.clear();
        EXPECT_EQ(Tracked::alive, 0);
        list.append(Tracked(1));
        list.append(Tracked(2));
        List<Tracked> other(1);
        other.append(Tracked(3));
        list = other;
        EXPECT_EQ(Tracked::alive, 2);
    }
    EXPECT_EQ(Tracked::alive, 0);
    {
        List<Tracked> shared(0);
        shared.append(Tracked(1));
        shared.remove(Tracked(1));
        shared.append(Tracked(2));
        shared.clear();
        shared.append(Tracked(3));
    }
    EXPECT_EQ(Tracked::alive, 0);
    // Lists of strings and of lists own memory of their own; the sanitizer's leak check watches these.
    List<std::string> names(1);
    names.append("a fairly long string that lives on the heap");
    names.clear();
    names.append("another fairly long string that lives on the heap");
    List<List<int>> nested(1);
    nested.append(listOf({1, 2, 3}, 1));
    nested.append(listOf({4}));
}

// --- the iterator
// -------------------------------------------------------------------------------------------

TEST(ListIterator, ADetachedIteratorDoesNothing) {
    ListIterator<int> it;
    int out = 5;
    Item<int>* item = nullptr;
    EXPECT_EQ(it.isNull(), 1);
    EXPECT_EQ(it.next(out), 0);
    EXPECT_EQ(it.nextItem(item), 0);
    EXPECT_EQ(it.current(out), 0);
    EXPECT_EQ(it.currentItem(item), 0);
    EXPECT_EQ(it.skip(), 0);
    EXPECT_EQ(it.remove(), 0);
    EXPECT_EQ(it.insert(1), 0);
    it.reset();
    it.advance();
    it.reverse();
    EXPECT_EQ(out, 5);
}

TEST(ListIterator, AWalkEndsWithFalseOnceAndThenStartsOver) {
    List<int> list = listOf({1, 2, 3});
    ListIterator<int> it(list, 0);
    EXPECT_EQ(it.isNull(), 0);
    int out = 0;
    std::vector<int> seen;
    while (it.next(out))
        seen.push_back(out);
    EXPECT_EQ(seen, (Ints{1, 2, 3}));
    EXPECT_EQ(it.next(out), 1); // the false came with the reset: this is the head again
    EXPECT_EQ(out, 1);

    ListIterator<int> back(list, 7); // any direction but 0 walks from the tail
    seen.clear();
    while (back.next(out))
        seen.push_back(out);
    EXPECT_EQ(seen, (Ints{3, 2, 1}));
    EXPECT_EQ(back.next(out), 1);
    EXPECT_EQ(out, 3);

    List<int> empty(0);
    ListIterator<int> none(empty, 0);
    EXPECT_EQ(none.next(out), 0);
    EXPECT_EQ(none.next(out), 0);
}

TEST(ListIterator, AfterTheLastValueOneMoreNextFailsAndTheFollowingOneReturnsTheHead) {
    List<int> list = listOf({10, 20});
    ListIterator<int> it(list, 0);
    int out = 0;
    EXPECT_EQ(it.next(out), 1);
    EXPECT_EQ(it.next(out), 1);
    EXPECT_EQ(out, 20);
    out = -1;
    EXPECT_EQ(it.next(out), 0);
    EXPECT_EQ(out, -1);
    EXPECT_EQ(it.next(out), 1);
    EXPECT_EQ(out, 10);
}

TEST(ListIterator, CurrentLooksWithoutMoving) {
    List<int> list = listOf({1, 2, 3});
    ListIterator<int> it(list, 0);
    int out = 0;
    EXPECT_EQ(it.current(out), 1);
    EXPECT_EQ(out, 1);
    it.next(out);
    it.current(out);
    EXPECT_EQ(out, 2);
    it.next(out);
    it.next(out); // past the end: current looks at the last node returned
    out = 0;
    EXPECT_EQ(it.current(out), 1);
    EXPECT_EQ(out, 3);
    Item<int>* item = nullptr;
    EXPECT_EQ(it.currentItem(item), 1);
    EXPECT_EQ(item->value, 3);

    ListIterator<int> back(list, 1);
    while (back.next(out)) {
    }
    // The walk ended and reset to the tail on that last call; current is the starting node again.
    back.current(out);
    EXPECT_EQ(out, 3);
    back.skip();
    back.skip();
    back.skip(); // past the head
    EXPECT_EQ(back.current(out), 1);
    EXPECT_EQ(out, 1);

    List<int> empty(0);
    ListIterator<int> none(empty, 0);
    EXPECT_EQ(none.current(out), 0);
}

TEST(ListIterator, SkipStepsAndSaysWhetherANodeIsLeft) {
    List<int> list = listOf({1, 2});
    ListIterator<int> it(list, 0);
    EXPECT_EQ(it.skip(), 1);
    EXPECT_EQ(it.skip(), 0);
    EXPECT_EQ(it.skip(), 1); // reset to the head
    int out = 0;
    it.current(out);
    EXPECT_EQ(out, 1);
}

TEST(ListIterator, SetDirectionAndAttachStartAgain) {
    List<int> list = listOf({1, 2, 3});
    ListIterator<int> it(list, 0);
    int out = 0;
    it.next(out);
    it.setDirection(1);
    it.next(out);
    EXPECT_EQ(out, 3);
    List<int> other = listOf({8, 9});
    it.attach(other, 0);
    it.next(out);
    EXPECT_EQ(out, 8);
    ListIterator<int> copy(it);
    copy.next(out);
    EXPECT_EQ(out, 9);
    it.next(out);
    EXPECT_EQ(out, 9); // the copy walks on its own
    copy = copy;
    copy.reset();
    copy.next(out);
    EXPECT_EQ(out, 8);
}

TEST(ListIterator, ReverseContinuesTheOtherWayWithoutRepeating) {
    List<int> list = listOf({1, 2, 3, 4});
    ListIterator<int> it(list, 0);
    int out = 0;
    it.next(out); // 1
    it.next(out); // 2, standing on 3
    it.reverse();
    std::vector<int> seen;
    while (it.next(out))
        seen.push_back(out);
    EXPECT_EQ(seen, (Ints{1}));

    ListIterator<int> fresh(list, 0);
    fresh.reverse(); // nothing returned yet: off the head, then reset to the tail
    seen.clear();
    while (fresh.next(out))
        seen.push_back(out);
    EXPECT_EQ(seen, (Ints{4, 3, 2, 1}));

    ListIterator<int> odd(list, 5);
    odd.reverse(); // any non-zero direction flips to 0
    odd.next(out);
    EXPECT_EQ(out, 1);
}

TEST(ListIterator, RemoveTakesTheNodeMostRecentlyReturned) {
    List<int> list = listOf({1, 2, 3});
    ListIterator<int> it(list, 0);
    EXPECT_EQ(it.remove(), 0); // nothing returned yet
    int out = 0;
    it.next(out);
    EXPECT_EQ(it.remove(), 1);
    EXPECT_EQ(values(list), (Ints{2, 3}));
    int head = 0;
    list.first(head);
    EXPECT_EQ(head, 2);
    it.next(out);
    EXPECT_EQ(out, 2); // the walk goes on where it was
    it.next(out);
    EXPECT_EQ(it.remove(), 1); // past the end: the tail goes
    EXPECT_EQ(values(list), (Ints{2}));
    EXPECT_EQ(list.count(), 1);

    List<int> empty(0);
    ListIterator<int> none(empty, 0);
    EXPECT_EQ(none.remove(), 0);
}

TEST(ListIterator, RemoveWalkingBackwards) {
    List<int> list = listOf({1, 2, 3});
    ListIterator<int> it(list, 1);
    int out = 0;
    EXPECT_EQ(it.remove(), 0);
    it.next(out); // 3
    EXPECT_EQ(it.remove(), 1);
    EXPECT_EQ(values(list), (Ints{1, 2}));
    EXPECT_EQ(backwards(list), (Ints{2, 1}));
    it.next(out); // 2
    it.next(out); // 1, past the head now
    EXPECT_EQ(it.remove(), 1);
    EXPECT_EQ(values(list), (Ints{2}));
}

TEST(ListIterator, RemovingEveryValueDuringAWalk) {
    List<int> list = listOf({1, 2, 3, 4, 5}, 1);
    ListIterator<int> it(list, 0);
    int out = 0;
    while (it.next(out))
        if (out % 2) it.remove();
    EXPECT_EQ(values(list), (Ints{2, 4}));
    EXPECT_EQ(backwards(list), (Ints{4, 2}));
}

TEST(ListIterator, InsertGoesBeforeTheNextValueAndIsNotVisited) {
    List<int> list = listOf({1, 2, 3});
    ListIterator<int> it(list, 0);
    EXPECT_EQ(it.insert(0), 0); // nothing returned yet
    int out = 0;
    it.next(out); // 1
    EXPECT_EQ(it.insert(10), 1);
    std::vector<int> seen;
    while (it.next(out))
        seen.push_back(out);
    EXPECT_EQ(seen, (Ints{2, 3}));
    EXPECT_EQ(values(list), (Ints{1, 10, 2, 3}));
    EXPECT_EQ(list.count(), 4);

    // With the walk past the tail, the value is appended.
    ListIterator<int> toEnd(list, 0);
    for (int i = 0; i < 4; ++i)
        toEnd.next(out);
    EXPECT_EQ(out, 3); // past the end now
    EXPECT_EQ(toEnd.insert(99), 1);
    EXPECT_EQ(values(list), (Ints{1, 10, 2, 3, 99}));
    EXPECT_EQ(backwards(list), (Ints{99, 3, 2, 10, 1}));
    EXPECT_EQ(toEnd.next(out), 0); // the appended value is not visited either

    List<int> empty(0);
    ListIterator<int> none(empty, 0);
    EXPECT_EQ(none.insert(1), 0);
    EXPECT_TRUE(empty.isEmpty());
}

TEST(ListIterator, InsertWalkingBackwards) {
    List<int> list = listOf({1, 2, 3});
    ListIterator<int> it(list, 1);
    int out = 0;
    it.next(out); // 3, standing on 2
    EXPECT_EQ(it.insert(25), 1);
    std::vector<int> seen;
    while (it.next(out))
        seen.push_back(out);
    EXPECT_EQ(seen, (Ints{2, 1}));
    EXPECT_EQ(values(list), (Ints{1, 2, 25, 3}));

    ListIterator<int> past(list, 1);
    while (past.next(out) && out != 1) {
    }
    // past the head now
    EXPECT_EQ(past.insert(0), 1);
    EXPECT_EQ(values(list), (Ints{0, 1, 2, 25, 3}));
    EXPECT_EQ(backwards(list), (Ints{3, 25, 2, 1, 0}));
}

TEST(Queue, FirstInFirstOut) {
    Queue<int> q;
    q.push(1);
    q.push(2);
    int out = 0;
    EXPECT_EQ(q.pop(out), 1);
    EXPECT_EQ(out, 1);
    EXPECT_EQ(q.pop(out), 1);
    EXPECT_EQ(out, 2);
    EXPECT_EQ(q.pop(out), 0);
}

} // namespace
} // namespace vael
