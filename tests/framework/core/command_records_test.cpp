#include <gtest/gtest.h>

#include "framework/core/command_records.h"
#include "stream_test_support.h"

namespace vael {
namespace {

// Looks for the shared records once every static object is built and before any test has emptied the
// registries: what a program finds when its first message is sent.
class SharedRecordsAtStart : public ::testing::Environment {
public:
    void SetUp() override {
        direction = TypeInfoBase::lookUp("DIRECTION") != nullptr;
        command = TypeInfoBase::lookUp("LogicalCommandInfo") != nullptr;
        setText = TypeInfoBase::lookUp("SetTextData") != nullptr;
    }
    static inline bool direction = false, command = false, setText = false;
};
[[maybe_unused]] ::testing::Environment* const sharedRecordsAtStart =
    ::testing::AddGlobalTestEnvironment(new SharedRecordsAtStart);

using testing_support::bytes;
using testing_support::hex;

class CommandRecords : public ::testing::Test {
protected:
    void SetUp() override { testing_support::resetRegistries(); }
    void TearDown() override { testing_support::resetRegistries(); }
};

TEST_F(CommandRecords, CopyingCloneTheBoxes) {
    auto* first = new LogicalCommandInfo(4, new Container<short>(7), 9, BusMessage(70), BusMessage(71),
                                         new Container<long>(8));
    LogicalCommandInfo copy(*first);
    EXPECT_NE(copy.payload.get(), first->payload.get());
    EXPECT_NE(copy.extra.get(), first->extra.get());
    delete first;
    short payload = 0;
    long extra = 0;
    EXPECT_EQ(Container<short>::fromMessage(copy.payload.get(), payload), 1);
    EXPECT_EQ(Container<long>::fromMessage(copy.extra.get(), extra), 1);
    EXPECT_EQ(payload, 7);
    EXPECT_EQ(extra, 8);
    EXPECT_EQ(copy.command, 4);
    EXPECT_EQ(copy.value, 9);

    LogicalCommandInfo nulls(1);
    LogicalCommandInfo nullCopy(nulls);
    EXPECT_EQ(nullCopy.payload, nullptr);
    EXPECT_EQ(nullCopy.extra, nullptr);
}

TEST_F(CommandRecords, AssignmentReplacesTheBoxesAndIgnoresItself) {
    LogicalCommandInfo a(1, new Container<short>(1), 2, BusMessage(80, 3), BusMessage(81), nullptr);
    LogicalCommandInfo b(5, nullptr, 6, BusMessage(90), BusMessage(91), new Container<short>(2));
    a = b;
    EXPECT_EQ(a.command, 5);
    EXPECT_EQ(a.value, 6);
    EXPECT_EQ(a.event.id(), 90);
    EXPECT_EQ(a.replyEvent.id(), 91);
    EXPECT_EQ(a.payload, nullptr);
    ASSERT_NE(a.extra, nullptr);
    EXPECT_NE(a.extra.get(), b.extra.get());
    ContainerBase* held = b.extra.get();
    auto& self = b;
    b = self;
    EXPECT_EQ(b.extra.get(), held);
}

TEST_F(CommandRecords, EqualityIgnoresTheBoxesAndTheModes) {
    LogicalCommandInfo a(1, new Container<short>(1), 2, BusMessage(80, 3), BusMessage(81, 1), nullptr);
    LogicalCommandInfo b(1, nullptr, 2, BusMessage(80, 1), BusMessage(81, 2), new Container<long>(5));
    EXPECT_TRUE(a == b);
    LogicalCommandInfo c(1, nullptr, 3, BusMessage(80), BusMessage(81), nullptr);
    EXPECT_FALSE(a == c);
    LogicalCommandInfo d(1, nullptr, 2, BusMessage(80), BusMessage(82), nullptr);
    EXPECT_FALSE(a == d);
    Queue<LogicalCommandInfo> queue;
    queue.push(a);
    LogicalCommandInfo out;
    ASSERT_EQ(queue.pop(out), 1);
    EXPECT_TRUE(out == a);
    EXPECT_NE(out.payload, nullptr);
}

TEST_F(CommandRecords, ACommandWithNullBoxesGolden) {
    LogicalCommandInfo info(0x0102, nullptr, 0x0304, BusMessage(27), BusMessage(3, 3), nullptr);
    SuperString s;
    s << info;
    EXPECT_EQ(
        hex(s.str()),
        hex(bytes({0x02, 0x01, 0x00, 0x00, 0x04, 0x03, 0x00, 0x00,             // command, null, value, null
                   0,    0,    0,    0,    27,   0,    0,    0,    0, 0, 0, 0, // event, unnamed
                   0,    0,    0,    0,    3,    0,    0,    0,    3, 0, 0, 0}))); // replyEvent, unnamed
    LogicalCommandInfo back(9, new Container<short>(1));
    s >> back;
    EXPECT_FALSE(s.failed());
    EXPECT_TRUE(back == info);
    EXPECT_EQ(back.payload, nullptr);
    EXPECT_EQ(back.extra, nullptr);
    EXPECT_EQ(back.replyEvent.word(), 0x30000003u);
}

TEST_F(CommandRecords, ACommandWithBoxesAndNamedWordsGolden) {
    TypeInfo<short> shorts;
    TypeInfo<LogicalCommandInfo> commands;
    const std::uint16_t moved = RegisteredMessage::getId("Moved");
    LogicalCommandInfo info(1, new Container<short>(-1), 2, BusMessage(moved, 3), BusMessage(0), nullptr);
    SuperString s;
    Container<LogicalCommandInfo> box(info);
    s << &box;
    EXPECT_EQ(hex(s.str()),
              hex(bytes({1,   0,   18,  0,   'L', 'o', 'g', 'i', 'c', 'a',  'l',  'C',
                         'o', 'm', 'm', 'a', 'n', 'd', 'I', 'n', 'f', 'o',        // the box's type name
                         1,   0,                                                  // command
                         1,   0,   5,   0,   's', 'h', 'o', 'r', 't', 0xFF, 0xFF, // payload
                         2,   0,                                                  // value
                         0,   0,                                                  // extra
                         5,   0,   0,   0,   'M', 'o', 'v', 'e', 'd', 3,    0,    // event by name
                         0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    0,    0}))); // replyEvent, plain

    // Read on a machine where "Moved" has another id.
    RegisteredMessage::clearRegistry();
    RegisteredMessage::getId("SomethingElse");
    ContainerBase* back = nullptr;
    s >> back;
    ASSERT_NE(back, nullptr);
    LogicalCommandInfo out;
    ASSERT_EQ(Container<LogicalCommandInfo>::fromMessage(back, out), 1);
    delete back;
    EXPECT_EQ(out.command, 1);
    EXPECT_EQ(out.value, 2);
    EXPECT_EQ(out.event.id(), RegisteredMessage::getId("Moved"));
    EXPECT_EQ(out.event.mode(), 3);
    short payload = 0;
    EXPECT_EQ(Container<short>::fromMessage(out.payload.get(), payload), 1);
    EXPECT_EQ(payload, -1);
    EXPECT_EQ(out.extra, nullptr);
}

TEST_F(CommandRecords, SetTextDataGolden) {
    SetTextData empty;
    EXPECT_EQ(empty.target, 0u);
    EXPECT_EQ(empty.text, "");
    SuperString s;
    s << SetTextData(1, "Hi", 2) << SetTextData(0xF0000001u, "", 0);
    EXPECT_EQ(hex(s.str()), hex(bytes({1, 0, 0, 0, 0,    0,    0,    0,    2, 0, 'H', 'i', 2, 0, //
                                       1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,   0})));
    SetTextData a, b;
    s >> a >> b;
    EXPECT_EQ(a.target, 1u);
    EXPECT_EQ(a.text, "Hi");
    EXPECT_EQ(a.flag, 2);
    EXPECT_EQ(b.target, 0xF0000001u);
}

TEST(SharedRecords, AreRegisteredAtProgramStart) {
    EXPECT_TRUE(SharedRecordsAtStart::direction);
    EXPECT_TRUE(SharedRecordsAtStart::command);
    EXPECT_TRUE(SharedRecordsAtStart::setText);
    // Building them again (after a clean-up) restores them.
    TypeInfo<DIRECTION> d;
    TypeInfo<LogicalCommandInfo> l;
    TypeInfo<SetTextData> t;
    EXPECT_NE(TypeInfoBase::findByName("DIRECTION"), nullptr);
    EXPECT_NE(TypeInfoBase::findByName("LogicalCommandInfo"), nullptr);
    EXPECT_NE(TypeInfoBase::findByName("SetTextData"), nullptr);
}

} // namespace
} // namespace vael
