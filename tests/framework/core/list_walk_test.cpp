// Walking a List with range-based for: read-only through a const list, changing values through each(),
// and asking a list of pointers with a pointer to const.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/list.h"
#include "framework/core/list_walk.h"

namespace vael {
namespace {

std::vector<short> walked(const List<short>& list) {
    std::vector<short> out;
    for (short v : list)
        out.push_back(v);
    return out;
}

TEST(ListWalk, AConstListWalksItsValuesInOrderFromHeadToTail) {
    List<short> list;
    EXPECT_TRUE(walked(list).empty());
    list.append(5);
    EXPECT_EQ(walked(list), (std::vector<short>{5}));
    list.append(7);
    list.prepend(3);
    list.append(7);
    EXPECT_EQ(walked(list), (std::vector<short>{3, 5, 7, 7}));
    list.removeAll(7);
    EXPECT_EQ(walked(list), (std::vector<short>{3, 5}));
    list.clear();
    EXPECT_TRUE(walked(list).empty());
}

TEST(ListWalk, TheValuesAreTheListsOwnNotCopies) {
    List<std::string> list;
    list.append("first");
    list.append("second");
    const List<std::string>& view = list;
    std::vector<const std::string*> seen;
    for (const std::string& v : view)
        seen.push_back(&v);
    ASSERT_EQ(seen.size(), 2u);
    Item<std::string>* head = nullptr;
    ASSERT_TRUE(list.firstItem(head));
    EXPECT_EQ(seen[0], &head->value);
    EXPECT_EQ(seen[1], &head->next->value);
}

TEST(ListWalk, EachChangesTheValuesInPlace) {
    List<short> list;
    for (short v : {1, 2, 3})
        list.append(v);
    for (short& v : each(list))
        v = static_cast<short>(v * 10);
    EXPECT_EQ(walked(list), (std::vector<short>{10, 20, 30}));
}

TEST(ListWalk, HoldsFindsAnObjectByAPointerToConst) {
    int a = 0, b = 0, c = 0;
    List<int*> list;
    EXPECT_FALSE(holds(list, static_cast<const int*>(&a)));
    list.append(&a);
    list.append(&b);
    const struct {
        const int* asked;
        bool held;
    } rows[] = {{&a, true}, {&b, true}, {&c, false}, {nullptr, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.asked == &a ? "a" : row.asked == &b ? "b" : row.asked == &c ? "c" : "null");
        EXPECT_EQ(holds(list, row.asked), row.held);
    }
    list.append(nullptr);
    EXPECT_TRUE(holds(list, static_cast<const int*>(nullptr)));
}

} // namespace
} // namespace vael
