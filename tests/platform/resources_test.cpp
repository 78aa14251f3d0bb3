#include "platform/resources.h"

#include <gtest/gtest.h>

#include <tuple>

namespace vael::platform {
namespace {

TEST(Resources, AreFoundByKindAndNameWithoutRegardToCase) {
    const Resource* main = findResource("ACCELERATORS", "mAiN");
    ASSERT_NE(main, nullptr);
    const auto strings = resourcesOfKind("Strings");
    ASSERT_EQ(strings.size(), 1u);
    EXPECT_EQ(
        (std::tuple{main->name, main->text.find("Ctrl+M 219\n") != std::string_view::npos,
                    findResource("accelerators", "Mai"), findResource("strings", "main"), strings[0]->name}),
        std::tuple("main", true, nullptr, nullptr, "strings"));
}

} // namespace
} // namespace vael::platform
