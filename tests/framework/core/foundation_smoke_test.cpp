#include <gtest/gtest.h>

#include "framework/core/container.h"
#include "framework/core/dyn_array.h"
#include "framework/core/sparse_array.h"

namespace vael {
namespace {

TEST(FoundationSmoke, SparseArrayDefaultsAndOrder) {
    SparseArray<List<int>> table{List<int>(0)};
    table[7].append(3);
    table[-3].append(1);
    List<List<int>*> all = table.entries();
    EXPECT_EQ(all.count(), 3);
}

TEST(FoundationSmoke, BoxAndArray) {
    Container<short> box(5);
    ContainerBase* copy = box.clone();
    short out = 0;
    EXPECT_EQ(Container<short>::fromMessage(copy, out), 1);
    EXPECT_EQ(out, 5);
    EXPECT_EQ(copy->typeId(), RegisteredMessage::getId("short"));
    delete copy;
    DynArray<int*> table(10);
    EXPECT_EQ(table[35], nullptr);
    EXPECT_EQ(table.size(), 40);
}

} // namespace
} // namespace vael
