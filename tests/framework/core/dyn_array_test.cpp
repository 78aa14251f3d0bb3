#include <gtest/gtest.h>

#include <string>

#include "framework/core/assertion.h"
#include "framework/core/dyn_array.h"

namespace vael {
namespace {

TEST(DynArray, ANewArrayIsEmptyAndIndexZeroMakesItOneStepLong) {
    DynArray<short*> table(10);
    EXPECT_EQ(table.size(), 0);
    EXPECT_EQ(table.step(), 10);
    EXPECT_EQ(table[0], nullptr);
    EXPECT_EQ(table.size(), 10);
}

TEST(DynArray, GrowsToTheSmallestMultipleOfTheStepPastTheIndex) {
    DynArray<int> table(10);
    table[0] = 1;
    EXPECT_EQ(table.size(), 10);
    table[9] = 2;
    EXPECT_EQ(table.size(), 10); // below the size: no growth
    table[10] = 3;
    EXPECT_EQ(table.size(), 20);
    table.at(35) = 4;
    EXPECT_EQ(table.size(), 40);
    // Growing keeps every earlier value; the new slots read as zero.
    EXPECT_EQ(table[0], 1);
    EXPECT_EQ(table[9], 2);
    EXPECT_EQ(table[10], 3);
    EXPECT_EQ(table[35], 4);
    for (int i : {1, 8, 11, 19, 20, 34, 36, 39})
        EXPECT_EQ(table[i], 0) << i;
}

TEST(DynArray, WithStepOneEveryIndexPastTheEndGrowsToExactlyIndexPlusOne) {
    DynArray<long> table(1);
    for (int i = 0; i < 50; i += 7) {
        table[i] = i;
        EXPECT_EQ(table.size(), i + 1);
    }
    for (int i = 0; i < 50; i += 7)
        EXPECT_EQ(table[i], i);
}

TEST(DynArray, ReferencesStayValidUntilTheNextGrowth) {
    DynArray<int> table(10);
    int& r = table[3];
    r = 7;
    table[9] = 1;
    EXPECT_EQ(&table[3], &r);
    EXPECT_EQ(table[3], 7);
}

TEST(DynArray, ACopyIsIndependentOfItsSource) {
    DynArray<int> source(4);
    source[2] = 5;
    DynArray<int> copy(source);
    EXPECT_EQ(copy.size(), 4);
    EXPECT_EQ(copy.step(), 4);
    EXPECT_EQ(copy[2], 5);
    copy[2] = 6;
    copy[9] = 1;
    EXPECT_EQ(source[2], 5);
    EXPECT_EQ(source.size(), 4);
    source[20] = 3;
    EXPECT_EQ(copy.size(), 12);
    EXPECT_EQ(copy[2], 6);

    DynArray<int> empty(10);
    DynArray<int> emptyCopy(empty);
    EXPECT_EQ(emptyCopy.size(), 0);
    emptyCopy = source;
    EXPECT_EQ(emptyCopy[20], 3);
    EXPECT_EQ(emptyCopy.size(), source.size());
}

TEST(DynArray, ClassElementsAreConstructedCopiedAndDestroyed) {
    DynArray<std::string> names(3);
    names[0] = "a string long enough to live on the heap, not in the object";
    names[5] = "another string long enough to live on the heap as well";
    EXPECT_EQ(names[0], "a string long enough to live on the heap, not in the object");
    EXPECT_EQ(names[3], "");
    DynArray<std::string> copy(names);
    EXPECT_EQ(copy[5], names[5]);
}

TEST(DynArray, TheSizeNeverPassesSixteenBits) {
    DynArray<char> table(10);
    table[32766] = 'x';
    EXPECT_EQ(table.size(), 32767);
    EXPECT_EQ(table[32766], 'x');
    // Past that, or below 0, there is no element: the failure is reported instead of writing outside.
    AssertionPrompt previous =
        Assertion::setPrompt([](const std::string&, const std::string&) { return true; });
    EXPECT_THROW(table[32767], Assertion);
    EXPECT_THROW(table[-1], Assertion);
    Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
    EXPECT_THROW(table[40000], std::out_of_range);
    Assertion::setPrompt(previous);
    EXPECT_EQ(table.size(), 32767);

    DynArray<int> huge(60000); // a step past the largest size is the largest size
    EXPECT_EQ(huge.step(), 32767);
    DynArray<int> zero(0); // and a step of 0 is 1
    zero[4] = 1;
    EXPECT_EQ(zero.size(), 5);
}

} // namespace
} // namespace vael
