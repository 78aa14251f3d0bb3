// Asynchronous buses and the application's task queue: the order of deliveries, what a query waits for
// and answers, directed dispatch, and the queue's safety when components go away. Call orders are written
// as trails: "X Y.h2" is X's h1, then Y's h2.
#include <memory>
#include <stdexcept>

#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

const BusMessage A = 110, B = 111, Q = 112, C = 113;

class AsynchronousBusTest : public ApplicationFixture {
protected:
    // Leaves a task queued at depth 0 the only way the program can: a handler that throws out of the drain
    // (a failed check the user chose to abort) after it queued a send.
    void leaveATaskFor(Component& target) {
        connectAll({{&x, A, h6}, {&target, B, h2}});
        rec().on(&x, 6, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
            Container<short> payload(3);
            self->send(B, &payload);
            throw std::runtime_error("abandoned");
        });
        EXPECT_THROW(x.sendEmpty(A), std::runtime_error);
        x.disconnect(A, h6);
    }
};

TEST_F(AsynchronousBusTest, ASendMadeByAHandlerRunsAfterThatHandlerAndTheTasksBeforeIt) {
    connectAll({{&x, A, h1}, {&y, A, h2}, {&z, B, h3}});
    std::vector<int> depths;
    rec().on(&x, 1, [&](Component* self, BusMessage, ContainerBase* data) -> ContainerBase* {
        *dynamic_cast<Container<short>*>(data)->valuePtr() = 99; // scribbling on its own copy
        self->sendEmpty(B);                                      // only queued: a drain is in progress
        depths.push_back(app.dispatchDepth());
        EXPECT_EQ(rec().calls.size(), 1u);
        return nullptr;
    });
    rec().on(&z, 3, does([&](Component*) { depths.push_back(app.dispatchDepth()); }));
    Container<short> five(5);
    x.send(A, &five); // outside any drain it returns with everything it caused delivered
    EXPECT_EQ(rec().traces(), (Labels{"X.h1 send short:5", "Y.h2 send short:5", "Z.h3 send short:0"}));
    EXPECT_EQ((std::tuple{depths, app.dispatchDepth(), app.queuedTasks(), five.value()}),
              std::tuple(std::vector<int>{1, 1}, 0, 0, 5));
}

TEST_F(AsynchronousBusTest, AQueryInsideAHandlerRunsTheTasksAheadOfItsOwnAndLeavesLaterOnesQueued) {
    connectAll({{&x, A, h1}, {&y, A, h2}, {&z, B, h3}, {&y, Q, h4}, {&x, C, h2}});
    rec().on(&z, 3, does([](Component* self) { self->sendEmpty(C); })); // queued behind the query's task
    rec().on(&y, 4, replyWith(4));
    rec().on(&x, 1, does([&](Component* self) {
        self->sendEmpty(B);
        EXPECT_EQ((std::tuple{takeReply(self->queryEmpty(Q)), app.queuedTasks()}),
                  std::tuple(Reply(4, 1), 1));
        BusRecorder::handler<9>(self, Q, nullptr); // marks where the query returned
    }));
    EXPECT_EQ((std::tuple{trail([&] { x.sendEmpty(A); }), rec().traces()[3]}),
              std::tuple("X Y.h2 Z.h3 Y.h4 X.h9 X.h2", "Y.h4 query short:0"));
}

TEST_F(AsynchronousBusTest, AQueryOutsideAnyDrainWhoseHandlerSendsDrainsEverythingAndStillAnswers) {
    connectAll({{&x, Q, h1}, {&y, Q, h2}, {&z, B, h3}});
    rec().on(&x, 1, does([](Component* self) {
        self->sendEmpty(B); // at depth 0: drains the whole queue, the query's last task included
        EXPECT_EQ(rec().calls.size(), 3u);
    }));
    rec().on(&y, 2, replyWith(2));
    EXPECT_EQ((std::tuple{takeReply(z.queryEmpty(Q)), app.queuedTasks()}), std::tuple(Reply(2, 1), 0));
}

TEST_F(AsynchronousBusTest, AQueryAnswersTheLastNonZeroReplyOfItsOwnTasks) {
    connectAll({{&x, Q, h1}, {&y, Q, h2}});
    rec().on({{&x, 1, replyWith(1)}, {&y, 2, replyWith(2)}});
    EXPECT_EQ(takeReply(z.queryEmpty(Q)), Reply(2, 1)); // r1 was deleted
    rec().on(&y, 2, {});
    EXPECT_EQ(takeReply(z.queryEmpty(Q)), Reply(1, 1));
    rec().on(&x, 1, {});
    EXPECT_EQ(z.queryEmpty(Q), nullptr);
    // The same handler connected twice makes two equal tasks; the query must not stop after the first.
    y.disconnect(Q, h2), x.connect(Q, h1);
    short next = 1;
    rec().on(&x, 1, [&next](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        return new TrackedReply(next++);
    });
    rec().calls.clear();
    EXPECT_EQ((std::tuple{takeReply(z.queryEmpty(Q)), rec().calls.size(), app.queuedTasks()}),
              std::tuple(Reply(2, 1), 2u, 0));
}

TEST_F(AsynchronousBusTest, OnlyRepliesOfTasksFromTheLastTasksOriginCount) {
    // Y hooks the bus: its hook task has the bus as origin, the handler task has the sender.
    y.hookReceiveAll(h2, h2, h2, AnyDirection);
    rec().on(&y, 2, replyWith(2));
    x.connect(Q, h1);
    // The hook's reply was deleted, the handler answered 0.
    EXPECT_EQ((std::tuple{z.queryEmpty(Q), rec().labels()}), std::tuple(nullptr, Labels{"Y.h2", "X.h1"}));
    x.disconnect(Q, h1); // with no handler the hooks' replies are the answer
    EXPECT_EQ((std::tuple{takeReply(z.queryEmpty(Q)), rec().traces().back()}),
              std::tuple(Reply(2, 1), "Y.h2 query forward(Async):short:0"));
}

TEST_F(AsynchronousBusTest, DirectedQueriesAskEachHandlerAndDirectedSendsPostOnce) {
    connectAll({{&y, Q, h1}, {&x, Q, h3}, {&y, Q, h2}});
    rec().on({{&y, 1, replyWith(1)}, {&y, 2, replyWith(2)}});
    EXPECT_EQ(takeAnswers(x.queryToEmpty(1, Q)), (Answers{{1, 1}, {1, 2}}));
    EXPECT_EQ(rec().traces(), (Labels{"Y.h1 query short:0", "Y.h2 query short:0"}));
    rec().on(&y, 1, {});
    EXPECT_EQ(takeAnswers(x.queryToEmpty(1, Q)), (Answers{{1, 2}}));
    Answers answers;
    EXPECT_EQ((std::tuple{trail([&] {
                              answers = takeAnswers(x.queryToListEmpty(idList({1, 0, 1, 7}), Q));
                          }),
                          answers, x.queryToEmpty(1, NULL_EVENT).count()}),
              std::tuple("Y Y.h2 X.h3 Y Y.h2", Answers{{1, 2}, {1, 2}}, 0));
    rec().calls.clear();
    x.sendToEmpty(1, BusMessage(Q.id(), BusMessage::Query));
    EXPECT_EQ(rec().traces(), (Labels{"Y.h1 send short:0", "Y.h2 send short:0"}));
    EXPECT_EQ(trail([&] { x.sendToListEmpty(idList({1, 0, 1, 9}), Q); }), "Y Y.h2 X.h3 Y Y.h2");
}

// A target that leaves the bus in its own first handler is not asked again for this query, though it
// has more handlers; another target of the list still is.
TEST_F(AsynchronousBusTest, ADirectedQueryStopsAskingATargetThatDetachedItself) {
    connectAll({{&y, Q, h1}, {&y, Q, h2}, {&z, Q, h3}});
    rec().on({{&y, 1, does([](Component* self) { self->detach(); })}, {&z, 3, replyWith(3)}});
    Answers answers;
    EXPECT_EQ((std::tuple{trail([&] {
                              answers = takeAnswers(x.queryToListEmpty(idList({1, 2}), Q));
                          }),
                          answers}),
              std::tuple("Y Z.h3", Answers{{2, 3}}));
}

TEST_F(AsynchronousBusTest, TasksLeftQueuedRunAtTheNextSendThatFindsHandlersOrNoneAtAll) {
    leaveATaskFor(y);
    EXPECT_EQ((std::tuple{app.dispatchDepth(), app.queuedTasks()}), std::tuple(0, 1));
    z.sendToEmpty(0, C); // X has no handler for C
    z.sendToListEmpty(idList({2}), C);
    // Nothing to ask: answered without running the queue.
    EXPECT_EQ((std::tuple{z.queryEmpty(C), app.queuedTasks(), rec().calls.size()}),
              std::tuple(nullptr, 1, 1u));
    EXPECT_EQ(trail([&] { z.sendEmpty(C); }), "Y.h2"); // nobody handles C, but at depth 0 it drains
    const int checks = app.messageChecks;
    z.sendEmpty(C);          // one step of the drain, which finds nothing
    z.sendEmpty(NULL_EVENT); // event 0 does not even drain
    EXPECT_EQ((std::tuple{app.queuedTasks(), app.messageChecks}), std::tuple(0, checks + 1));
}

TEST_F(AsynchronousBusTest, EventZeroIsIgnoredButAQueryOfItStillTakesASerialNumber) {
    x.connect(NULL_EVENT, h1);
    const std::uint32_t serial = Application::lastQuerySerial();
    z.sendEmpty(NULL_EVENT), z.sendToEmpty(0, NULL_EVENT);
    EXPECT_EQ((std::tuple{z.queryEmpty(NULL_EVENT), Application::lastQuerySerial(), rec().calls.size()}),
              std::tuple(nullptr, serial + 1, 0u));
}

TEST_F(AsynchronousBusTest, SendNowIsImmediateEvenWhileTheQueueHoldsTasks) {
    connectAll({{&x, A, h1}, {&y, B, h2}, {&z, C, h3}});
    rec().on(&z, 3, replyWith(3));
    rec().on(&x, 1, does([&](Component* self) {
        self->sendEmpty(B);
        EXPECT_EQ((std::tuple{takeReply(self->sendNowEmpty(C)), app.queuedTasks()}),
                  std::tuple(Reply(3, 1), 1));
    }));
    x.sendEmpty(A);
    EXPECT_EQ(rec().traces(), (Labels{"X.h1 send short:0", "Z.h3 now short:0", "Y.h2 send short:0"}));
}

TEST_F(AsynchronousBusTest, TheHandlerListIsTakenWhenTheMessageIsSent) {
    connectAll({{&x, A, h1}, {&y, B, h2}, {&z, B, h3}});
    rec().on(&x, 1, does([&](Component* self) {
        self->sendEmpty(B);
        y.disconnect(B, h2);  // still called: its task is queued
        z.detach();           // likewise
        self->connect(B, h4); // not called for this send
    }));
    EXPECT_EQ(trail([&] { x.sendEmpty(A); }), "X Y.h2 Z.h3");
}

TEST_F(AsynchronousBusTest, AComponentDestroyedLosesTheTasksQueuedForItButNotThoseItSent) {
    auto doomed = std::make_unique<Probe>("D");
    doomed->attach(bus);
    connectAll(
        {{doomed.get(), A, h1}, {doomed.get(), B, h2}, {doomed.get(), CAN_TERMINATE, h4}, {&y, B, h3}});
    rec().on(doomed.get(), 1, does([&](Component* self) {
                 self->sendEmpty(B);
                 EXPECT_EQ(app.queuedTasks(), 2);
                 doomed.reset();
                 EXPECT_EQ(app.queuedTasks(), 1);
             }));
    EXPECT_EQ((std::tuple{trail([&] { x.sendEmpty(A); }), app.terminateHandlers().count()}),
              std::tuple("D Y.h3", 0));
}

TEST_F(AsynchronousBusTest, TheRepliesOfSendsAreDeletedAndQueuedTasksDieWithTheApplication) {
    x.connect(A, h1), rec().on(&x, 1, replyWith(1));
    x.sendEmpty(A), x.disconnect(A, h1);              // the fixture checks that no reply is left
    auto other = std::make_unique<TestApplication>(); // replaces the global application
    leaveATaskFor(y);
    EXPECT_EQ(other->queuedTasks(), 1);
    other.reset(); // the queued task and its payload copy go with the application, without running
    EXPECT_EQ((std::tuple{Application::instance(), rec().labels()}),
              std::tuple(nullptr, Labels{"X.h1", "X.h6"}));
}

TEST(AsynchronousBusWithoutApplication, ReportsAndDeliversNothingButImmediateDispatch) {
    rec().reset();
    FailedChecks checks;
    AsynchronousBus lonely("Lonely");
    Probe p;
    p.attach(lonely), p.connect(A, h1);
    p.sendEmpty(A), p.sendToEmpty(0, A);
    EXPECT_EQ((std::tuple{p.queryEmpty(A), p.queryToEmpty(0, A).count(), rec().calls.size(), checks.count()}),
              std::tuple(nullptr, 0, 0u, 4u));
    EXPECT_EQ(checks.texts[0], "AsynchronousBus \"Lonely\" cannot send: there is no application  Abort?");
    EXPECT_EQ(trail([&] { p.sendNowEmpty(A); }), "Probe"); // needs no queue
}

// The tree with the application as its asynchronous root R, an asynchronous child L and a synchronous
// child P, each with a handler for the event.
class AsynchronousTreeTest : public RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        L.attach(app), P.attach(app);
        connectAll({{&app, A, h1}, {&L, A, h1}, {&P, A, h1}});
    }
    // Who hears A sent on R, on L and on P, in the order they hear it.
    Labels fromAll() {
        Labels out;
        for (Bus* b : {static_cast<Bus*>(&app), static_cast<Bus*>(&L), &P})
            out.push_back(trail([&] { b->sendEmpty(A); }));
        return out;
    }
    TestApplication app;
    AsynchronousBus L{"L"};
    Bus P{"P"};
};

TEST_F(AsynchronousTreeTest, AnEventReachesEveryBusOnceInTheOrderTheQueueGivesThroughTheFilters) {
    // On R, L's forwarded deliveries queue behind R's own handler task, P's happen when its hook runs. On
    // L, the hook task to R runs first and queues R's own deliveries behind L's handler task, and R's
    // forwarding to the synchronous P delivers at once. On P, P forwards first, and at depth 0 R's send
    // drains the queue before P's own handler runs.
    EXPECT_EQ(fromAll(), (Labels{"P GlobalApp L", "L P GlobalApp", "GlobalApp L P"}));
    EXPECT_EQ(app.queuedTasks(), 0);
    L.blockEvent(A, 0);
    EXPECT_EQ(fromAll(), (Labels{"P GlobalApp", "L P GlobalApp", "GlobalApp P"}));
    L.unblockEvent(A, 0);
    app.blockEvent(A, 1);
    EXPECT_EQ(fromAll(), (Labels{"P GlobalApp L", "L", "P"}));
    app.unblockEvent(A, 1);
    P.blockForwarding(A, ToParent);
    L.parentConnect(A, h2);
    EXPECT_EQ(fromAll(), (Labels{"P GlobalApp L.h2 L", "L P GlobalApp L.h2", "P"}));
    EXPECT_EQ(trail([&] { L.parentSendEmpty(A); }), "P GlobalApp L.h2"); // not L's own handler
    EXPECT_EQ(rec().calls[2].target, &L);
}

TEST_F(AsynchronousTreeTest, AForwardedQueryAnswersWithTheReceivingTreesReply) {
    rec().on(&app, 1, replyWith(7));
    EXPECT_EQ(takeReply(P.queryEmpty(A)), Reply(7, 1)); // P's own handler answers 0, the forwarded query 7
    // Asked by a component on L, the last task (L's handler) has the asker as origin and the hook task
    // has L: the forwarded reply does not count.
    Probe asker("Asker");
    asker.attach(L);
    EXPECT_EQ(asker.queryEmpty(A), nullptr);
    // Asked by L itself, both tasks have L as origin and the forwarded reply is the last non-zero one.
    EXPECT_EQ(takeReply(L.queryEmpty(A)), Reply(7, 1));
}

// The queue itself: first in, first out across wrapping round its block, growing and removing in place.
TEST(TaskQueue, KeepsFirstInFirstOutAcrossWrappingGrowthAndRemoval) {
    TaskQueue queue;
    Container<short> box(1);
    std::vector<std::uint32_t> order, expected;
    auto append = [&](std::uint32_t from, std::uint32_t to) { // the serial numbers mark the tasks
        while (from <= to)
            queue.append() = CBtask(nullptr, Callback(), BusMessage(1), &box, from++);
    };
    auto take = [&](int n) {
        while (n--)
            order.push_back(queue.takeFirst().serial);
    };
    append(1, 50); // moves the head round the block, then grows while it is wrapped
    take(40);
    append(51, 250);
    take(10); // the head is not at the block's start
    EXPECT_EQ((std::tuple{queue.count(), queue.removeIf([](const CBtask& t) { return t.serial % 3 == 0; })}),
              std::tuple(200, 67)); // the queue frees the payloads it drops
    queue.forEach([&](const CBtask& t) { order.push_back(t.serial); });
    for (std::uint32_t s = 1; s <= 250; ++s)
        if (s <= 50 || s % 3) expected.push_back(s);
    EXPECT_EQ(order, expected);
    CBtask first = queue.takeFirst(); // taking a task hands over its payload
    EXPECT_EQ((std::tuple{first.serial, describePayload(first.data)}), std::tuple(52u, "short:1"));
    first.done = 1, first.result = box.clone(); // a copy clones the payload and starts undone
    CBtask copy(first);
    EXPECT_EQ((std::tuple{copy == first, copy.done, copy.result, copy.data != first.data,
                          describePayload(copy.data)}),
              std::tuple(true, 0, nullptr, true, "short:1"));
}

} // namespace
} // namespace vael::test
