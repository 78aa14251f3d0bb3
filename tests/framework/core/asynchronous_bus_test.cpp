// Asynchronous buses and the application's task queue: the order of deliveries, what a query waits for
// and answers, directed dispatch, and the queue's safety when components go away.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "framework/core/application.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael {
namespace {

using test::BusRecorder;
using test::FailedChecks;
using test::h1;
using test::h2;
using test::h3;
using test::h4;
using test::Probe;
using test::replyWith;
using test::TestApplication;
using test::TrackedReply;
using Labels = std::vector<std::string>;

const BusMessage A = 110;
const BusMessage B = 111;
const BusMessage Q = 112;
const BusMessage C = 113;

BusRecorder::Action nothing() {
    return [](Component*, BusMessage, ContainerBase*) -> ContainerBase* { return nullptr; };
}

class AsynchronousBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec().reset();
        for (Probe* p : {&x, &y, &z})
            p->attach(bus);
    }
    void TearDown() override {
        rec().reset();
        EXPECT_EQ(TrackedReply::live(), 0) << "a reply was leaked or kept";
    }
    static BusRecorder& rec() { return BusRecorder::instance(); }

    TestApplication app;
    AsynchronousBus bus{"Async"};
    Probe x{"X"}, y{"Y"}, z{"Z"};
};

TEST_F(AsynchronousBusTest, NamesAndDefaults) {
    EXPECT_STREQ(AsynchronousBus().nameText(), "Unnamed AsynchronousBus");
    EXPECT_STREQ(app.nameText(), "GlobalApp");
    EXPECT_EQ(Application::instance(), &app);
    EXPECT_EQ(app.dispatchDepth(), 0);
    EXPECT_EQ(app.queuedTasks(), 0);
}

TEST_F(AsynchronousBusTest, ASendMadeByAHandlerRunsAfterThatHandlerAndTheTasksBeforeIt) {
    x.connect(A, h1);
    y.connect(A, h2);
    z.connect(B, h3);
    std::vector<int> depths;
    rec().on(&x, 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        depths.push_back(app.dispatchDepth());
        self->sendEmpty(B); // only queued: a drain is in progress
        EXPECT_EQ(rec().labels(), Labels{"X.h1"});
        return nullptr;
    });
    rec().on(&z, 3, [&](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        depths.push_back(app.dispatchDepth());
        return nullptr;
    });
    x.sendEmpty(A);
    // Outside any drain the send returns with everything it caused delivered.
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "Y.h2", "Z.h3"}));
    EXPECT_EQ(depths, (std::vector<int>{1, 1}));
    EXPECT_EQ(app.dispatchDepth(), 0);
    EXPECT_EQ(app.queuedTasks(), 0);
    for (const auto& call : rec().calls())
        EXPECT_EQ(call.mode, BusMessage::Send);
}

TEST_F(AsynchronousBusTest, EachDeliveryGetsItsOwnCopyOfThePayload) {
    x.connect(A, h1);
    y.connect(A, h2);
    rec().on(&x, 1, [](Component*, BusMessage, ContainerBase* data) -> ContainerBase* {
        *dynamic_cast<Container<short>*>(data)->valuePtr() = 99; // scribbling on one copy
        return nullptr;
    });
    Container<short> five(5);
    x.send(A, &five);
    EXPECT_EQ(rec().calls()[1].payload, "short:5");
    EXPECT_EQ(five.value(), 5);
}

TEST_F(AsynchronousBusTest, AQueryInsideAHandlerRunsTheTasksAheadOfItsOwnAndLeavesLaterOnesQueued) {
    x.connect(A, h1);
    y.connect(A, h2);
    z.connect(B, h3);
    y.connect(Q, h4);
    x.connect(C, h2);
    rec().on(&z, 3, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(C); // queued behind the query's own task
        return nullptr;
    });
    rec().on(&y, 4, replyWith(4));
    short answered = 0;
    int leftQueued = -1;
    rec().on(&x, 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(B);
        ContainerBase* answer = self->queryEmpty(Q);
        answered = TrackedReply::valueOf(answer);
        delete answer;
        leftQueued = app.queuedTasks();
        BusRecorder::instance().record(self, 9, Q, nullptr); // marks where the query returned
        return nullptr;
    });
    x.sendEmpty(A);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "Y.h2", "Z.h3", "Y.h4", "X.h9", "X.h2"}));
    EXPECT_EQ(answered, 4);
    EXPECT_EQ(leftQueued, 1);
    EXPECT_EQ(rec().calls()[3].mode, BusMessage::Query);
}

TEST_F(AsynchronousBusTest, AQueryOutsideAnyDrainWhoseHandlerSendsDrainsEverythingAndStillAnswers) {
    x.connect(Q, h1);
    y.connect(Q, h2);
    z.connect(B, h3);
    rec().on(&x, 1, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(B); // at depth 0: drains the whole queue, the query's last task included
        EXPECT_EQ(BusRecorder::instance().labels(), (Labels{"X.h1", "Y.h2", "Z.h3"}));
        return nullptr;
    });
    rec().on(&y, 2, replyWith(2));
    ContainerBase* answer = z.queryEmpty(Q);
    EXPECT_EQ(TrackedReply::valueOf(answer), 2);
    delete answer;
    EXPECT_EQ(app.queuedTasks(), 0);
}

TEST_F(AsynchronousBusTest, AQueryAnswersTheLastNonZeroReplyAndDeletesTheEarlierOnes) {
    x.connect(Q, h1);
    y.connect(Q, h2);
    rec().on(&x, 1, replyWith(1));
    rec().on(&y, 2, replyWith(2));
    ContainerBase* answer = z.queryEmpty(Q);
    EXPECT_EQ(TrackedReply::valueOf(answer), 2);
    EXPECT_EQ(TrackedReply::live(), 1);
    delete answer;
    rec().on(&y, 2, nothing());
    answer = z.queryEmpty(Q);
    EXPECT_EQ(TrackedReply::valueOf(answer), 1);
    delete answer;
    rec().on(&x, 1, nothing());
    EXPECT_EQ(z.queryEmpty(Q), nullptr);
}

TEST_F(AsynchronousBusTest, AQueryWaitsForItsOwnLastTaskAlsoWhenAnEqualTaskComesFirst) {
    // The same handler connected twice makes two equal tasks; the query must not stop after the first.
    x.connect(Q, h1);
    x.connect(Q, h1);
    short next = 1;
    rec().on(&x, 1, [&next](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        return new TrackedReply(next++);
    });
    ContainerBase* answer = z.queryEmpty(Q);
    EXPECT_EQ(TrackedReply::valueOf(answer), 2);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "X.h1"}));
    EXPECT_EQ(app.queuedTasks(), 0);
    delete answer;
}

TEST_F(AsynchronousBusTest, OnlyRepliesOfTasksFromTheLastTasksOriginCount) {
    // Y hooks the bus: its hook task has the bus as origin, the handler task has the sender.
    y.hookReceiveAll(h2, h2, h2, AnyDirection);
    rec().on(&y, 2, replyWith(2));
    x.connect(Q, h1);
    ContainerBase* answer = z.queryEmpty(Q);
    EXPECT_EQ(rec().labels(), (Labels{"Y.h2", "X.h1"}));
    EXPECT_EQ(answer, nullptr); // the hook's reply was deleted, the handler answered 0
    // With no handler the hooks' replies are the answer.
    x.disconnect(Q, h1);
    answer = z.queryEmpty(Q);
    EXPECT_EQ(TrackedReply::valueOf(answer), 2);
    delete answer;
    EXPECT_EQ(rec().calls()[2].payload, "forward(Async):short:0");
}

TEST_F(AsynchronousBusTest, QueryToAsksEachHandlerSeparatelyAndKeepsEveryAnswer) {
    y.connect(Q, h1);
    x.connect(Q, h3);
    y.connect(Q, h2);
    rec().on(&y, 1, replyWith(1));
    rec().on(&y, 2, replyWith(2));
    List<VectorBusResponse> answers = x.queryToEmpty(1, Q);
    ASSERT_EQ(answers.count(), 2);
    std::vector<short> got;
    VectorBusResponse r;
    while (answers.removeFirst(r)) {
        EXPECT_EQ(r.componentId, 1);
        got.push_back(TrackedReply::valueOf(r.result));
        delete r.result;
    }
    EXPECT_EQ(got, (std::vector<short>{1, 2}));
    for (const auto& call : rec().calls())
        EXPECT_EQ(call.mode, BusMessage::Query);

    rec().on(&y, 1, nothing());
    answers = x.queryToEmpty(1, Q);
    ASSERT_EQ(answers.count(), 1);
    answers.removeFirst(r);
    EXPECT_EQ(TrackedReply::valueOf(r.result), 2);
    delete r.result;

    List<short> ids;
    for (short id : {1, 0, 1, 7})
        ids.append(id);
    rec().clearCalls();
    answers = x.queryToListEmpty(ids, Q);
    EXPECT_EQ(answers.count(), 2);
    while (answers.removeFirst(r))
        delete r.result;
    EXPECT_EQ(rec().labels(), (Labels{"Y.h1", "Y.h2", "X.h3", "Y.h1", "Y.h2"}));
    EXPECT_TRUE(x.queryToEmpty(1, NULL_EVENT).isEmpty());
}

TEST_F(AsynchronousBusTest, DirectedSendsPostOnceAndSetTheSendMode) {
    y.connect(A, h1);
    y.connect(A, h2);
    x.connect(A, h3);
    x.sendToEmpty(1, BusMessage(A.id(), BusMessage::Query));
    EXPECT_EQ(rec().labels(), (Labels{"Y.h1", "Y.h2"}));
    EXPECT_EQ(rec().calls()[0].mode, BusMessage::Send);
    List<short> ids;
    for (short id : {1, 0, 1, 9})
        ids.append(id);
    rec().clearCalls();
    x.sendToListEmpty(ids, A);
    EXPECT_EQ(rec().labels(), (Labels{"Y.h1", "Y.h2", "X.h3", "Y.h1", "Y.h2"}));
}

// Leaves tasks in the queue at depth 0 the only way the program can: a handler that throws out of the
// drain (a failed check the user chose to abort) after it queued a send.
void leaveQueuedTasks(Probe& thrower, Probe& target) {
    thrower.connect(A, h1);
    target.connect(B, h2);
    BusRecorder::instance().on(&thrower, 1,
                               [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
                                   self->sendEmpty(B);
                                   throw std::runtime_error("abandoned");
                               });
    EXPECT_THROW(thrower.sendEmpty(A), std::runtime_error);
}

TEST_F(AsynchronousBusTest, ADrainLeftByAnExceptionRestoresTheDepth) {
    leaveQueuedTasks(x, y);
    EXPECT_EQ(app.dispatchDepth(), 0);
    EXPECT_EQ(app.queuedTasks(), 1);
    EXPECT_EQ(rec().labels(), Labels{"X.h1"});
}

TEST_F(AsynchronousBusTest, ASendToNoHandlerQueuesAndDrainsNothingButAnUnhandledSendDrains) {
    leaveQueuedTasks(x, y);
    rec().clearCalls();
    z.sendToEmpty(0, C); // X has no handler for C
    List<short> ids;
    ids.append(2);
    z.sendToListEmpty(ids, C);
    EXPECT_EQ(app.queuedTasks(), 1);
    EXPECT_TRUE(rec().calls().empty());
    // A query for which nothing is queued answers at once, without running the queue.
    EXPECT_EQ(z.queryEmpty(C), nullptr);
    EXPECT_EQ(app.queuedTasks(), 1);
    z.sendEmpty(C); // nobody handles C, but at depth 0 the queue is drained
    EXPECT_EQ(rec().labels(), Labels{"Y.h2"});
    EXPECT_EQ(app.queuedTasks(), 0);
}

TEST_F(AsynchronousBusTest, ASendWithNoReceiversAtDepthZeroDrainsAnEmptyQueue) {
    const int before = app.messageChecks;
    z.sendEmpty(C);
    EXPECT_EQ(app.messageChecks, before + 1); // one step of the drain, which found nothing
    z.sendEmpty(NULL_EVENT);
    EXPECT_EQ(app.messageChecks, before + 1); // event 0 does not even drain
}

TEST_F(AsynchronousBusTest, EventZeroIsIgnoredButAQueryOfItStillTakesASerialNumber) {
    x.connect(NULL_EVENT, h1);
    const std::uint32_t serial = Application::lastQuerySerial();
    EXPECT_EQ(z.queryEmpty(NULL_EVENT), nullptr);
    EXPECT_EQ(Application::lastQuerySerial(), serial + 1);
    z.sendEmpty(NULL_EVENT);
    z.sendToEmpty(0, NULL_EVENT);
    EXPECT_TRUE(rec().calls().empty());
}

TEST_F(AsynchronousBusTest, SendNowIsImmediateEvenWhileTheQueueHoldsTasks) {
    x.connect(A, h1);
    y.connect(B, h2);
    z.connect(C, h3);
    rec().on(&z, 3, replyWith(3));
    rec().on(&x, 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(B);
        EXPECT_EQ(app.queuedTasks(), 1);
        ContainerBase* answer = self->sendNowEmpty(C);
        EXPECT_EQ(TrackedReply::valueOf(answer), 3);
        delete answer;
        EXPECT_EQ(app.queuedTasks(), 1);
        return nullptr;
    });
    x.sendEmpty(A);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "Z.h3", "Y.h2"}));
    EXPECT_EQ(rec().calls()[1].mode, BusMessage::Immediate);
}

TEST_F(AsynchronousBusTest, TheHandlerListIsTakenWhenTheMessageIsSent) {
    x.connect(A, h1);
    y.connect(B, h2);
    rec().on(&x, 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(B);
        y.disconnect(B, h2); // still called: its task is queued
        z.connect(B, h3);    // not called for this send
        return nullptr;
    });
    x.sendEmpty(A);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "Y.h2"}));
}

TEST_F(AsynchronousBusTest, AComponentDetachedAfterItsTaskWasQueuedStillGetsIt) {
    x.connect(A, h1);
    y.connect(B, h2);
    rec().on(&x, 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(B);
        y.detach();
        return nullptr;
    });
    x.sendEmpty(A);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "Y.h2"}));
    EXPECT_EQ(y.getBus(), nullptr);
}

TEST_F(AsynchronousBusTest, AComponentDestroyedWithTasksQueuedForItLosesThemSafely) {
    auto doomed = std::make_unique<Probe>("Doomed");
    doomed->attach(bus);
    x.connect(A, h1);
    doomed->connect(B, h2);
    y.connect(B, h3);
    doomed->connect(CAN_TERMINATE, h4);
    rec().on(&x, 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(B);
        EXPECT_EQ(app.queuedTasks(), 2);
        doomed.reset();
        EXPECT_EQ(app.queuedTasks(), 1);
        return nullptr;
    });
    x.sendEmpty(A);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "Y.h3"}));
    EXPECT_TRUE(app.terminateHandlers().isEmpty());
}

TEST_F(AsynchronousBusTest, ATaskSentByAComponentThatIsThenDestroyedStillRuns) {
    auto sender = std::make_unique<Probe>("Sender");
    sender->attach(bus);
    sender->connect(A, h1);
    y.connect(B, h2);
    rec().on(sender.get(), 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(B);
        sender.reset();
        return nullptr;
    });
    x.sendEmpty(A);
    EXPECT_EQ(rec().labels(), (Labels{"Sender.h1", "Y.h2"}));
}

TEST_F(AsynchronousBusTest, TheRepliesOfSendsAreDeletedAndQueuedTasksDieWithTheApplication) {
    x.connect(A, h1);
    rec().on(&x, 1, replyWith(1));
    x.sendEmpty(A);
    EXPECT_EQ(TrackedReply::live(), 0);

    Probe p("P");
    AsynchronousBus otherBus("Other");
    auto other = std::make_unique<TestApplication>(); // replaces the global application
    p.attach(otherBus);
    p.connect(A, h1);
    p.connect(B, h2);
    rec().on(&p, 1, [](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        Container<short> payload(3);
        self->send(B, &payload);
        self->sendNowEmpty(BusMessage(C.id()));
        throw std::runtime_error("abandoned");
    });
    EXPECT_THROW(p.sendEmpty(A), std::runtime_error);
    EXPECT_EQ(other->queuedTasks(), 1);
    other.reset(); // the queued task and its payload copy go with the application, without running
    EXPECT_EQ(Application::instance(), nullptr);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "P.h1"}));
}

TEST(AsynchronousBusWithoutApplication, ReportsAndDeliversNothing) {
    BusRecorder::instance().reset();
    FailedChecks checks;
    AsynchronousBus lonely("Lonely");
    Probe p;
    p.attach(lonely);
    p.connect(A, h1);
    p.sendEmpty(A);
    EXPECT_EQ(p.queryEmpty(A), nullptr);
    p.sendToEmpty(0, A);
    EXPECT_TRUE(p.queryToEmpty(0, A).isEmpty());
    EXPECT_EQ(checks.count(), 4u);
    EXPECT_EQ(checks.texts[0], "AsynchronousBus \"Lonely\" cannot send: there is no application  Abort?");
    EXPECT_TRUE(BusRecorder::instance().calls().empty());
    // Immediate dispatch needs no queue.
    p.sendNowEmpty(A);
    EXPECT_EQ(BusRecorder::instance().labels(), Labels{"Probe.h1"});
    BusRecorder::instance().reset();
}

// The tree with the application as its asynchronous root R, an asynchronous child L and a synchronous
// child P, each with a handler for the event.
class AsynchronousTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        BusRecorder::instance().reset();
        L.attach(app);
        P.attach(app);
        for (Bus* b : {static_cast<Bus*>(&app), static_cast<Bus*>(&L), &P})
            b->connect(A, h1);
    }
    void TearDown() override { BusRecorder::instance().reset(); }
    Labels sendOn(Bus& b) {
        BusRecorder::instance().clearCalls();
        b.sendEmpty(A);
        return BusRecorder::instance().labels();
    }

    TestApplication app;
    AsynchronousBus L{"L"};
    Bus P{"P"};
};

TEST_F(AsynchronousTreeTest, AnEventReachesEveryBusOnceInTheOrderTheQueueGives) {
    // On L: the hook task to R runs first and queues R's own deliveries behind L's handler task; R's
    // forwarding to the synchronous P delivers at once, before R's handler task.
    EXPECT_EQ(sendOn(L), (Labels{"L.h1", "P.h1", "GlobalApp.h1"}));
    // On P: P forwards first; at depth 0 R's send drains the queue before P's own handler runs.
    EXPECT_EQ(sendOn(P), (Labels{"GlobalApp.h1", "L.h1", "P.h1"}));
    // On R: L's forwarded deliveries queue behind R's own handler task, P's happen when its hook runs.
    EXPECT_EQ(sendOn(app), (Labels{"P.h1", "GlobalApp.h1", "L.h1"}));
    EXPECT_EQ(app.queuedTasks(), 0);
}

TEST_F(AsynchronousTreeTest, TheFiltersWorkOnAsynchronousHooksToo) {
    L.blockEvent(A, 0);
    EXPECT_EQ(sendOn(app), (Labels{"P.h1", "GlobalApp.h1"}));
    EXPECT_EQ(sendOn(P), (Labels{"GlobalApp.h1", "P.h1"}));
    EXPECT_EQ(sendOn(L), (Labels{"L.h1", "P.h1", "GlobalApp.h1"}));
    L.unblockEvent(A, 0);
    app.blockEvent(A, 1);
    EXPECT_EQ(sendOn(L), Labels{"L.h1"});
    EXPECT_EQ(sendOn(P), Labels{"P.h1"});
    EXPECT_EQ(sendOn(app), (Labels{"P.h1", "GlobalApp.h1", "L.h1"}));
    app.unblockEvent(A, 1);
    P.blockForwarding(A, ToParent);
    EXPECT_EQ(sendOn(P), Labels{"P.h1"});
}

TEST_F(AsynchronousTreeTest, AForwardedQueryAnswersWithTheReceivingTreesReply) {
    BusRecorder::instance().on(&app, 1, replyWith(7));
    ContainerBase* answer = P.queryEmpty(A); // P's own handler answers 0, the forwarded query 7
    EXPECT_EQ(TrackedReply::valueOf(answer), 7);
    delete answer;
    // Asked by a component on L, the last task (L's handler) has the asker as origin and the hook task
    // has L: the forwarded reply does not count.
    Probe asker("Asker");
    asker.attach(L);
    answer = asker.queryEmpty(A);
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(TrackedReply::live(), 0);
    // Asked by L itself, both tasks have L as origin and the forwarded reply is the last non-zero one.
    answer = L.queryEmpty(A);
    EXPECT_EQ(TrackedReply::valueOf(answer), 7);
    delete answer;
}

TEST_F(AsynchronousTreeTest, ParentSendFromAnAsynchronousChildSkipsTheChild) {
    BusRecorder::instance().clearCalls();
    L.parentSendEmpty(A);
    EXPECT_EQ(BusRecorder::instance().labels(), (Labels{"P.h1", "GlobalApp.h1"}));
    L.parentConnect(A, h2);
    EXPECT_EQ(sendOn(P), (Labels{"GlobalApp.h1", "L.h2", "L.h1", "P.h1"}));
    EXPECT_EQ(BusRecorder::instance().calls()[1].target, &L);
}

} // namespace
} // namespace vael
