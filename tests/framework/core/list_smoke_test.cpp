#include <gtest/gtest.h>

#include <string>

#include "framework/core/list.h"

namespace vael {
namespace {

TEST(ListSmoke, PrivatePoolListOfStringsReleasesValuesOnClear) {
    List<std::string> names(1);
    names.append("a fairly long string that lives on the heap");
    names.append("another fairly long string that lives on the heap");
    names.clear();
    EXPECT_EQ(names.count(), 0);
    names.append("again");
    EXPECT_EQ(names.count(), 1);
}

} // namespace
} // namespace vael
