#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "framework/core/list.h"
#include "framework/core/type_info.h"
#include "memory_test_support.h"
#include "support/failed_checks.h"

namespace vael {
namespace {

using testing_support::MemoryTest;
using Ints = std::vector<int>;

// The values from the head; the walk from the tail and the count must agree with it, and every node must
// come from the list's pool, so every link and node is checked along the way.
Ints values(const List<int>& list) {
    Ints forward, backward;
    Item<int>* n = nullptr;
    bool fromItsPool = true;
    for (list.firstItem(n); n; n = n->next)
        fromItsPool &= (forward.push_back(n->value), heapBlockPool(n) == list.pool());
    for (list.lastItem(n); n; n = n->prev)
        backward.insert(backward.begin(), n->value);
    EXPECT_TRUE(fromItsPool);
    EXPECT_EQ(backward, forward);
    EXPECT_EQ(static_cast<std::size_t>(list.count()), forward.size());
    return forward;
}

List<int> listOf(const Ints& items, std::uint16_t privatePool = 0) {
    List<int> list(privatePool);
    for (int v : items)
        list.append(v);
    return list;
}

TEST(List, LinksCountAndAccessAtBothEnds) {
    List<int> list(0);
    int out = 42;
    Item<int>* item = nullptr;
    // On an empty list access and removal fail and leave their out argument alone.
    EXPECT_EQ(
        (Ints{list.isEmpty(), list.first(out), list.last(out), list.removeFirst(out), list.removeLast(out),
              list.removeFirst(), list.removeLast(), list.firstItem(item), list.lastItem(item),
              list.contains(0), list.remove(0), (list >> out, out), item == nullptr}),
        (Ints{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 42, 1}));
    list.append(2), list.prepend(1);
    (list += 3) << 4, list.prepend(0);
    EXPECT_EQ(values(list), (Ints{0, 1, 2, 3, 4}));
    // A node's address is its value's.
    ASSERT_TRUE(list.firstItem(item));
    EXPECT_EQ(static_cast<void*>(item), static_cast<void*>(&item->value));
    // >> takes the last value; a list of one becomes empty when it goes, and takes new values again.
    EXPECT_EQ((Ints{list.first(out), out, list.last(out), out, list.removeFirst(out), out, list.removeLast(),
                    list.removeFirst(), (list >> out, out), list.removeLast(out), out, list.isEmpty()}),
              (Ints{1, 0, 1, 4, 1, 0, 1, 1, 3, 1, 2, 1}));
    list.append(9);
    EXPECT_EQ(values(list), (Ints{9}));
    // A queue: first in, first out.
    Queue<int> queue;
    queue.push(1), queue.push(2);
    EXPECT_EQ((Ints{queue.pop(out), out, queue.pop(out), out, queue.pop(out)}), (Ints{1, 1, 1, 2, 0}));
}

TEST(List, RemovalByValueAndByNodeAndEquality) {
    List<int> list = listOf({5, 1, 5, 2, 5, 7, 7, 3, 7}), other = listOf({5});
    list -= 2; // remove takes the first
    EXPECT_EQ((Ints{list.remove(5), list.remove(4), list.removeAll(9)}), (Ints{1, 0, 0}));
    EXPECT_EQ(values(list), (Ints{1, 5, 5, 7, 7, 3, 7}));
    EXPECT_EQ((std::tuple{list.removeAll(7), values(list)}), std::tuple(3, Ints{1, 5, 5, 3}));
    Item<int>* node = nullptr;
    other.firstItem(node);
    EXPECT_EQ(list.removeItem(node), 0); // a node of another list
    list.firstItem(node);
    list -= node->next;
    EXPECT_EQ(values(list), (Ints{1, 5, 3}));
    EXPECT_EQ(values(other), (Ints{5}));
    EXPECT_EQ((Ints{list == listOf({1, 5, 3}, 1), list == listOf({1, 5}), list == listOf({1, 3, 5}),
                    List<int>(0) == List<int>(1)}),
              (Ints{1, 0, 0, 1}));
}

TEST(List, IntersectionAndUnionKeepOrderAndRepetitions) {
    List<int> a = listOf({1, 2, 3}, 1), b = listOf({1, 2, 2}), c = listOf({2, 4, 4});
    List<int> both = a.intersection(listOf({3, 3, 1})), either = b.unionWith(c);
    EXPECT_EQ(values(both), (Ints{3, 3, 1}));
    EXPECT_EQ(values(either), (Ints{1, 2, 2, 4}));
    // An intersection takes the shared pool; a union is a copy of this list, pool kind and all.
    EXPECT_EQ((Ints{a.intersection(listOf({4, 5})).count(), both.hasPrivatePool(), either.hasPrivatePool(),
                    a.unionWith(c).hasPrivatePool()}),
              (Ints{0, 0, 0, 1}));
    EXPECT_EQ((std::vector<Ints>{values(a), values(b), values(c)}),
              (std::vector<Ints>{{1, 2, 3}, {1, 2, 2}, {2, 4, 4}}));
}

TEST_F(MemoryTest, NodesComeFromTheSharedPoolOfTheirTypeOrAFreshPoolOfTheListsOwn) {
    List<int> a(0), b = listOf({7}), p(1), q(1);
    List<short> c(0);
    EXPECT_EQ(
        (std::tuple{a.pool() == b.pool(), std::set<HeapPool>{a.pool(), c.pool(), p.pool(), q.pool()}.size()}),
        std::tuple(true, 4u));
    for (int i = 0; i < 25; ++i)
        a.prepend(i), p.append(i);
    Item<int>* n = nullptr;
    a.firstItem(n);
    EXPECT_EQ(heapBlockSize(n), (sizeof(Item<int>) + 3) / 4 * 4);
    // Assigning to a private-pool list, or clearing it, replaces its pool: the old one goes, nodes and all.
    List<int> copy(a);
    const HeapPool old[] = {q.pool(), p.pool()};
    q = a;
    EXPECT_EQ(values(q), values(a)); // 25 values, each from q's new pool
    p.clear(), a.clear();
    EXPECT_EQ(
        (Ints{a.isEmpty(), p.isEmpty(), copy.pool() == a.pool(), q.pool() == old[0], p.pool() == old[1]}),
        (Ints{1, 1, 1, 0, 0}));
    EXPECT_EQ((std::tuple{heapPoolAlloc(old[0], 4, 0), heapPoolAlloc(old[1], 4, 0), codes()}),
              std::tuple(nullptr, nullptr, std::vector<std::uint16_t>{MEM_BAD_MEM_POOL, MEM_BAD_MEM_POOL}));
    EXPECT_EQ(heapPoolCommitted(p.pool()), 4096u + 16384u); // the fresh pool of a clear: 10 nodes, one page
    p.append(4);
    EXPECT_EQ(values(p), (Ints{4}));
    b = listOf({1, 2}, 1); // with the shared pool: cleared, then copied
    List<int>& self = b;
    b = self; // to itself: unchanged
    EXPECT_EQ(std::tuple(values(b), b.hasPrivatePool()), std::tuple(Ints{1, 2}, 0));
}

// Counts the live values, so that a value never destroyed shows; a copy made in a node notes how many bytes
// the node's pool had committed at that moment.
struct Tracked {
    static inline int alive = 0;
    static inline std::vector<std::size_t> committed;
    Tracked() { ++alive; }
    Tracked(const Tracked&) {
        ++alive;
        committed.push_back(heapPoolCommitted(heapBlockPool(this)));
    }
    ~Tracked() { --alive; }
};

TEST(List, PrivatePoolsAreSizedByTheSourcesCountAndReleasedAfterTheirValues) {
    {
        List<Tracked> source(1), assigned(1), shared(0);
        for (int i = 0; i < 2000; ++i)
            source.append(Tracked());
        assigned.append(Tracked());
        Tracked::committed.clear();
        List<Tracked> copy(source);
        assigned = source;
        // Pages for every node were prepared before the first node of the copy (and of the assigned list).
        const std::size_t needed = 4096 + 2000 * ((sizeof(Item<Tracked>) + 3) / 4 * 4);
        EXPECT_GE(Tracked::committed[0], needed);
        EXPECT_GE(Tracked::committed[2000], needed);
        source.clear();
        shared.append(Tracked());
        shared.clear();
        shared.append(Tracked());
        EXPECT_EQ(Tracked::alive, 4001);
    }
    EXPECT_EQ(Tracked::alive, 0);
}

// Strings and lists own memory that only the leak checker sees go; what pointers point to is never deleted.
TEST(List, PrivatePoolListsOfOwningValuesLeakNothingUnderTheLeakChecker) {
    int onTheStack = 0;
    List<int*> pointers(1);
    pointers.append(&onTheStack);
    List<std::string> names(1);
    names.append("a fairly long string that lives on the heap");
    List<List<int>> nested(1);
    nested.append(listOf({1, 2, 3}, 1));
}

// The count is 16 bits: a list holds 32767 values at most, and refuses one more wherever it would go
// with a failed check, staying as it was; once a value has gone, it takes one again. Its count goes on
// the stream as it is.
TEST(List, HoldsAtMost32767ValuesAndRefusesMoreWithAFailedCheck) {
    test::FailedChecks checks;
    List<short> list(1);
    for (int i = 0; i < 32766; ++i)
        list.append(1);
    list.prepend(0);
    ASSERT_EQ(std::tuple(list.count(), checks.count()), std::tuple(32767, 0u));
    list.append(2), list << 2, list.prepend(2);
    ListIterator<short> it(list);
    short out = 0;
    it.next(out);
    EXPECT_EQ((Ints{it.insert(2), list.count(), list.first(out), out, list.last(out), out}),
              (Ints{0, 32767, 1, 0, 1, 1}));
    EXPECT_EQ(checks.texts, std::vector<std::string>(4, "A list cannot hold more than 32767 values  Abort?"));
    list.removeLast(), list.append(3);
    EXPECT_EQ((Ints{list.count(), list.last(out), out, static_cast<int>(checks.count())}),
              (Ints{32767, 1, 3, 4}));
    TypeInfo<short> shorts;
    SuperString stream;
    list.write(stream);
    EXPECT_EQ((std::tuple{stream.failed(), stream.length(), stream.str().substr(0, 4)}),
              std::tuple(false, 2 + 2 * 32767, std::string("\xFF\x7F\x00\x00", 4)));
    test::FailedChecks aborting(true);
    EXPECT_THROW(list.append(4), Assertion);
    EXPECT_EQ(list.count(), 32767);
}

// Runs a script of steps on a fresh iterator over the list and tells what each step gave: n next and
// c current give the value or "-"; s skip, x remove and i insert (10, 11, ... in turn) give 1 or 0; r
// reverses.
std::string walk(List<int>& list, std::uint32_t direction, std::string_view script) {
    ListIterator<int> it(list, direction);
    std::string gave;
    int v = 0, toInsert = 10;
    for (char step : script) {
        const int r = step == 'n'   ? it.next(v)
                      : step == 'c' ? it.current(v)
                      : step == 's' ? it.skip()
                      : step == 'x' ? it.remove()
                      : step == 'i' ? it.insert(toInsert++)
                                    : (it.reverse(), -1);
        if (r < 0) continue;
        if (!gave.empty()) gave += ' ';
        gave += step == 'n' || step == 'c' ? (r ? std::to_string(v) : "-") : std::to_string(r);
    }
    return gave;
}

TEST(ListIterator, Walks) {
    const std::tuple<Ints, std::uint32_t, const char*, const char*, Ints> rows[] = {
        // A walk ends with one false, and that very call resets it: the next value is the first again.
        // current looks without moving (past the end, at the value last returned); skip says if one is left.
        {{1, 2, 3}, 0, "cncnncnnsssc", "1 1 2 2 3 3 - 1 1 0 1 1", {1, 2, 3}},
        // Any direction but 0 walks from the tail.
        {{1, 2, 3}, 7, "nnnncsssc", "3 2 1 - 3 1 1 0 1", {1, 2, 3}},
        {{}, 0, "ncsxin", "- - 0 0 0 -", {}},
        // reverse flips, then steps twice: the walk goes on the other way without repeating a value.
        {{1, 2, 3, 4}, 0, "nnrnn", "1 2 1 -", {1, 2, 3, 4}},
        {{1, 2, 3, 4}, 0, "rnnnnn", "4 3 2 1 -", {1, 2, 3, 4}}, // off the head, then reset to the tail
        {{1, 2, 3, 4}, 5, "rn", "1", {1, 2, 3, 4}},
        // remove takes the value last returned, one step behind current; past the end, the tail (or head).
        {{1, 2, 3}, 0, "xnx", "0 1 1", {2, 3}},
        {{1, 2, 3}, 1, "xnxnnx", "0 3 1 2 1 1", {2}},
        {{1, 2, 3, 4, 5}, 0, "nxnnxnnx", "1 1 2 3 1 4 5 1", {2, 4}},
        // insert goes between the value last returned and current; the walk in progress never returns it.
        {{1, 2, 3}, 0, "ininnn", "0 1 1 2 3 -", {1, 11, 2, 3}},
        {{1, 2, 3}, 0, "nnnin", "1 2 3 1 -", {1, 2, 3, 10}},
        {{1, 2, 3}, 1, "ninnn", "3 1 2 1 -", {1, 2, 10, 3}},
        {{1, 2, 3}, 1, "nnnin", "3 2 1 1 -", {10, 1, 2, 3}},
    };
    for (const auto& [items, direction, script, gave, after] : rows) {
        SCOPED_TRACE(script);
        List<int> list = listOf(items);
        EXPECT_EQ((std::tuple{walk(list, direction, script), values(list)}), std::tuple(gave, after));
    }
}

TEST(ListIterator, DetachedAttachedAndCopied) {
    ListIterator<int> it;
    int out = 5;
    Item<int>* item = nullptr;
    EXPECT_EQ((Ints{(it.reset(), it.advance(), it.reverse(), it.isNull()), it.next(out), it.nextItem(item),
                    it.current(out), it.currentItem(item), it.skip(), it.remove(), it.insert(1), out}),
              (Ints{1, 0, 0, 0, 0, 0, 0, 0, 5}));
    List<int> list = listOf({1, 2, 3}), other = listOf({8, 9});
    it.attach(list, 0);
    it.next(out);
    it.setDirection(1); // starts again, from the tail
    EXPECT_EQ((Ints{it.isNull(), it.nextItem(item), item->value, it.currentItem(item), item->value}),
              (Ints{0, 1, 3, 1, 2}));
    it.attach(other, 0);
    it.next(out);
    ListIterator<int> copy(it);
    EXPECT_EQ((Ints{copy.next(out), out, it.next(out), out}), (Ints{1, 9, 1, 9})); // each walks on its own
    ListIterator<int>& itself = copy;
    copy = itself;
    copy.reset();
    copy.next(out);
    EXPECT_EQ(out, 8);
}

} // namespace
} // namespace vael
