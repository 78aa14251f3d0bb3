#include <gtest/gtest.h>

#include "framework/core/assertion.h"
#include "framework/core/dyn_array.h"

namespace vael {
namespace {

using Longs = std::vector<long>;

TEST(DynArray, GrowsToTheNextMultipleOfItsStepKeepingValuesAndZeroingNewSlots) {
    // A new array is empty; index 0 makes it one step long.
    DynArray<short*> pointers(10);
    EXPECT_EQ((Longs{pointers.size(), pointers[0] == nullptr, pointers.size()}), (Longs{0, 1, 10}));
    // Index 9 is below the size; 10 and 35 grow it to the next multiple of the step.
    DynArray<int> table(10);
    EXPECT_EQ((Longs{(table[0] = 100, table.size()), (table[9] = 109, table.size()),
                     (table[10] = 110, table.size()), (table.at(35) = 135, table.size())}),
              (Longs{10, 10, 20, 40}));
    // Below the size the block stays, and references into it stay valid.
    int* slot = &table[3];
    table[39] = 139;
    EXPECT_EQ(&table.at(3), slot);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(table.at(i), i == 0 || i == 9 || i == 10 || i == 35 || i == 39 ? i + 100 : 0) << i;
    DynArray<long> one(1);
    for (int i = 0; i < 50; i += 7)
        EXPECT_EQ((one[i] = i, one.size()), i + 1);
    // A copy is independent of its source.
    DynArray<int> copy(table), empty(4), assigned(empty);
    copy[3] = 6;
    copy[50] = 1;
    table[100] = 3;
    EXPECT_EQ((Longs{table[3], table.size(), copy[3], copy[35], copy.size(), copy.step(), assigned.size()}),
              (Longs{0, 110, 6, 135, 60, 10, 0}));
    assigned = table;
    EXPECT_EQ((Longs{assigned.size(), assigned[100]}), (Longs{110, 3}));
    DynArray<std::string> names(3);
    names[5] = "a string long enough to live on the heap, not in the object";
    EXPECT_EQ((std::vector<std::string>{DynArray<std::string>(names)[5], names[0]}),
              (std::vector<std::string>{names[5], ""}));
}

TEST(DynArray, TheSizeNeverPassesSixteenBits) {
    DynArray<char> table(10);
    table[32766] = 'x';
    EXPECT_EQ(table.size(), 32767);
    // Past that, or below 0, there is no element: the failure is reported instead of writing outside.
    const auto answer = [](bool abort) {
        return [abort](const std::string&, const std::string&) { return abort; };
    };
    AssertionPrompt previous = Assertion::setPrompt(answer(true));
    EXPECT_THROW(table[32767], Assertion);
    EXPECT_THROW(table[-1], Assertion);
    Assertion::setPrompt(answer(false));
    EXPECT_THROW(table[40000], std::out_of_range);
    Assertion::setPrompt(previous);
    EXPECT_EQ((Longs{table.size(), table[32766]}), (Longs{32767, 'x'}));
    // A step past the largest size is the largest size, and a step of 0 is 1.
    EXPECT_EQ((Longs{DynArray<int>(60000).step(), DynArray<int>(0).step()}), (Longs{32767, 1}));
}

} // namespace
} // namespace vael
