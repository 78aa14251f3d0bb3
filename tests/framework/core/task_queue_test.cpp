// The application's circular task queue: order across wrapping and growth, and removal in place.
#include <gtest/gtest.h>

#include <vector>

#include "framework/core/task_queue.h"

namespace vael {
namespace {

std::vector<std::uint64_t> sequences(const TaskQueue& queue) {
    std::vector<std::uint64_t> out;
    queue.forEach([&](const CBtask& t) { out.push_back(t.sequence); });
    return out;
}

TEST(TaskQueue, KeepsFirstInFirstOutAcrossWrappingAndGrowth) {
    TaskQueue queue;
    std::uint64_t next = 1, expected = 1;
    // Move the head round the block, then grow while it is wrapped.
    for (int i = 0; i < 50; ++i)
        queue.append().sequence = next++;
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(queue.takeFirst().sequence, expected++);
    for (int i = 0; i < 200; ++i)
        queue.append().sequence = next++;
    EXPECT_EQ(queue.count(), 210);
    while (!queue.isEmpty())
        EXPECT_EQ(queue.takeFirst().sequence, expected++);
    EXPECT_EQ(expected, next);
}

TEST(TaskQueue, TakingATaskHandsOverItsPayload) {
    TaskQueue queue;
    Container<short> five(5);
    CBtask& slot = queue.append();
    slot.data = five.clone();
    CBtask first = queue.takeFirst();
    short v = 0;
    EXPECT_EQ(Container<short>::fromMessage(first.data, v), 1);
    EXPECT_EQ(v, 5);
    EXPECT_TRUE(queue.isEmpty());
}

TEST(TaskQueue, RemoveIfKeepsTheOrderOfTheRestAndFreesThePayloadsItDrops) {
    TaskQueue queue;
    Container<short> box(1);
    for (std::uint64_t s = 1; s <= 70; ++s) {
        CBtask& t = queue.append();
        t.sequence = s;
        t.data = box.clone();
    }
    for (int i = 0; i < 10; ++i)
        queue.takeFirst(); // the head is not at the block's start
    EXPECT_EQ(queue.removeIf([](const CBtask& t) { return t.sequence % 3 == 0; }), 20);
    std::vector<std::uint64_t> expected;
    for (std::uint64_t s = 11; s <= 70; ++s)
        if (s % 3) expected.push_back(s);
    EXPECT_EQ(sequences(queue), expected);
    queue.append().sequence = 71;
    EXPECT_EQ(sequences(queue).back(), 71u);
}

TEST(CBtaskCopies, ACopyClonesThePayloadAndStartsFresh) {
    Container<short> seven(7);
    Component* origin = nullptr;
    CBtask task(origin, Callback(), BusMessage(70, BusMessage::Send), &seven, 4);
    EXPECT_NE(task.data, &seven);
    EXPECT_EQ(task.kind, CBtask::SendTask);
    EXPECT_EQ(task.done, 0);
    task.done = 1;
    task.result = seven.clone();
    CBtask copy(task);
    EXPECT_NE(copy.data, task.data);
    EXPECT_EQ(copy.done, 0);
    EXPECT_EQ(copy.result, nullptr);
    EXPECT_TRUE(copy == task);
    CBtask assigned;
    assigned = task;
    EXPECT_NE(assigned.data, task.data);
    EXPECT_EQ(assigned.serial, 4u);
    CBtask other(origin, Callback(), BusMessage(71), nullptr, 4);
    EXPECT_FALSE(other == task);
    EXPECT_EQ(other.data, nullptr);
}

} // namespace
} // namespace vael
