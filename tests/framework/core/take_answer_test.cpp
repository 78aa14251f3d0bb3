// The value of a query's answer: no answer is no fault, an answer of another type is reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/payload_check.h"
#include "support/failed_checks.h"

namespace vael {
namespace {

TEST(TakeAnswer, NoAnswerKeepsTheFallbackAndReportsNothing) {
    test::FailedChecks checks;
    short value = -1;
    EXPECT_FALSE(takeAnswer(nullptr, value, "turn.cpp", 3));
    EXPECT_EQ(value, -1);
    EXPECT_EQ(checks.count(), 0u);
}

TEST(TakeAnswer, AnAnswerOfTheTypeIsTakenAndOneOfAnotherIsReported) {
    test::FailedChecks checks;
    Container<short> asShort(12);
    Container<unsigned short> asUnsigned(12);
    Container<long> asLong(12);
    const struct {
        const char* name;
        const ContainerBase* reply;
        bool taken;
        short value;
    } rows[] = {{"short", &asShort, true, 12},
                {"unsigned short", &asUnsigned, false, -1},
                {"long", &asLong, false, -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        short value = -1;
        EXPECT_EQ(takeAnswer(row.reply, value, "turn.cpp", 9), row.taken);
        EXPECT_EQ(value, row.value);
    }
    EXPECT_EQ(checks.texts,
              std::vector<std::string>(2, "Bad data passed in bus message to function  Abort?"));
    EXPECT_EQ(checks.captions, std::vector<std::string>(2, "Failure in turn.cpp at line 9."));
}

TEST(TakeAnswer, APointerAnswerOfNullIsStillAnAnswer) {
    test::FailedChecks checks;
    int here = 0;
    int* found = &here;
    Container<int*> none(nullptr);
    EXPECT_TRUE(takeAnswer(&none, found, "f", 1));
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(checks.count(), 0u);
}

} // namespace
} // namespace vael
