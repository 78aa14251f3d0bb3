// The synchronous bus: ids, handler order, replies, directed dispatch, and what handlers may do to the
// tables while a dispatch walks them. Call orders are written as trails: "P Q.h2" is P's h1, then Q's h2.
#include <memory>

#include "framework/core/bus.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"

namespace vael::test {
namespace {

const BusMessage E = 80, F = 81; // ids no registered name takes in these tests

// A bus with the components P, Q and R (ids 0, 1 and 2).
class BusTest : public RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        for (Probe* c : {&p, &q, &r})
            c->attach(bus);
    }
    std::string sendE() {
        return trail([&] { p.sendEmpty(E); });
    }
    Bus bus{"B"};
    Probe p{"P"}, q{"Q"}, r{"R"};
};

TEST_F(BusTest, IdsAreGivenInOrderAndNeverTwice) {
    EXPECT_EQ(valuesOf(bus.usedIds()), (std::vector<short>{0, 1, 2}));
    Probe d("D");
    q.detach(), d.attach(bus), q.attach(bus); // a component that comes back gets a new id
    // Looking past the end of the table finds nothing and does not grow it.
    EXPECT_EQ(
        (std::tuple{d.getId(), q.getId(), bus.componentAt(1), bus.componentAt(3), bus.componentAt(0xFFFF),
                    bus.componentAt(-1), bus.nextId(), valuesOf(bus.usedIds())}),
        std::tuple(3, 4, nullptr, &d, nullptr, nullptr, 5, std::vector<short>{0, 2, 3, 4}));
}

TEST_F(BusTest, HandlersRunInConnectionOrderAndAQueryAnswersTheLastNonZeroReply) {
    connectAll({{&p, E, h1}, {&q, E, h2}, {&p, E, h3}});
    p.sendEmpty(E);
    EXPECT_EQ(rec().traces(), (Labels{"P.h1 send short:0", "Q.h2 send short:0", "P.h3 send short:0"}));
    rec().on({{&p, 1, replyWith(1)}, {&p, 3, replyWith(3)}});
    EXPECT_EQ(takeReply(p.queryEmpty(E)), Reply(3, 1)); // r1 was deleted
    rec().on(&p, 3, {}); // the last handler answering 0 leaves the earlier reply standing
    EXPECT_EQ(takeReply(p.queryEmpty(E)), Reply(1, 1));
    rec().on(&q, 2, replyWith(2)); // immediate dispatch combines replies the same way
    EXPECT_EQ(takeReply(p.sendNowEmpty(E)), Reply(2, 1));
    p.sendEmpty(E); // the replies of sends are deleted by the bus (the fixture checks that none is left)
    p.sendToEmpty(0, E);
    p.sendToListEmpty(idList({0}), E);
}

TEST_F(BusTest, AHandlerConnectedTwiceRunsTwiceAndOneDisconnectLeavesOne) {
    connectAll({{&p, E, h1}, {&p, E, h2}, {&p, E, h1}});
    EXPECT_EQ(sendE(), "P P.h2 P");
    // The first registration goes; one not registered, or of an event with no list, is ignored.
    p.disconnect(E, h1), p.disconnect(E, h3), p.disconnect(F, h1);
    EXPECT_EQ((std::tuple{sendE(), p.isConnected(E, h1)}), std::tuple("P.h2 P", 1));
}

TEST_F(BusTest, EventZeroIsNeverDeliveredWhateverItsMode) {
    p.connect(NULL_EVENT, h1);
    rec().on(&p, 1, replyWith(1));
    for (BusMessage zero : {BusMessage(NULL_EVENT), BusMessage(0, BusMessage::Query)}) {
        p.sendEmpty(zero);
        p.sendToEmpty(0, zero);
        p.sendToListEmpty(idList({0}), zero);
        EXPECT_EQ((std::tuple{p.queryEmpty(zero), p.sendNowEmpty(zero), p.queryToEmpty(0, zero).count(),
                              p.queryToListEmpty(idList({0}), zero).count(), rec().calls.size()}),
                  std::tuple(nullptr, nullptr, 0, 0, 0u));
    }
}

TEST_F(BusTest, DirectedDispatchReachesOnlyTheTargetsKeepsTheModeAndUsesNoHooks) {
    r.hookReceiveAll(h4, h4, h4, AnyDirection);
    connectAll({{&p, E, h1}, {&q, E, h2}, {&q, F, h1}, {&r, E, h1}, {&r, E, h2}});
    p.sendTo(1, BusMessage(E.id(), BusMessage::Query), nullptr);
    EXPECT_EQ(rec().traces(), Labels{"Q.h2 query null"});
    // Each listed id in list order, an id listed twice twice.
    EXPECT_EQ(trail([&] { p.sendToListEmpty(idList({2, 0, 2, 9}), E); }), "R R.h2 P R R.h2");
    EXPECT_EQ(trail([&] {
                  p.sendToEmpty(1, 99); // the target has no handler for it
                  p.sendToEmpty(7, E);  // never given
                  p.sendToEmpty(0xFFFF, E);
                  q.detach();
                  p.sendToEmpty(1, E); // left
              }),
              "");
}

TEST_F(BusTest, QueryToKeepsEveryNonZeroAnswerOfTheTargetInRegistrationOrder) {
    connectAll({{&q, E, h1}, {&p, E, h3}, {&q, E, h2}});
    rec().on({{&q, 1, replyWith(1)}, {&p, 3, replyWith(3)}});
    EXPECT_EQ(takeAnswers(p.queryToEmpty(1, E)), (Answers{{1, 1}})); // r1 and 0: one entry
    rec().on(&q, 2, replyWith(2));
    EXPECT_EQ(takeAnswers(p.queryToEmpty(1, E)), (Answers{{1, 1}, {1, 2}}));
    EXPECT_EQ(takeAnswers(p.queryToListEmpty(idList({1, 0, 5}), E)), (Answers{{1, 1}, {1, 2}, {0, 3}}));
    EXPECT_TRUE(p.queryToEmpty(7, E).isEmpty());
}

TEST_F(BusTest, DestroyingABusLeavesItsComponentsAliveWithNoBusAndTheirIds) {
    Probe a, b;
    auto gone = std::make_unique<Bus>();
    a.attach(*gone), b.attach(*gone), a.connect(E, h1);
    gone.reset();
    EXPECT_EQ((std::tuple{a.getBus(), b.getBus(), a.getId(), b.getId(), a.isConnected(E, h1)}),
              std::tuple(nullptr, nullptr, 0, 1, 0));
    a.attach(bus); // and they can join another bus
    EXPECT_EQ(a.getId(), 3);
}

TEST(BusEvents, NamesOfTheBuiltInIds) {
    EXPECT_EQ((Labels{Bus::eventName(0), Bus::eventName(16), Bus::eventName(60), Bus::eventName(66),
                      Bus::eventName(67), Bus::eventName(-1)}),
              (Labels{"NULL_EVENT", "LOGIN FINISHED", "CAN_TERMINATE", "NumBusEvents", "", ""}));
}

TEST_F(BusTest, ABusIsItsOwnBusAndRelaysOnItselfWhereAPlainComponentRefuses) {
    bus.connect(E, h1); // the component operations of a bus register on the bus itself
    rec().on(&bus, 1, replyWith(4));
    Container<short> seven(7);
    ContainerBase *answer = nullptr, *none = nullptr;
    EXPECT_EQ((std::tuple{bus.getBus(), bus.getId(), bus.relaySend(E, &seven, nullptr),
                          bus.relayQuery(E, &seven, nullptr, answer), takeReply(answer),
                          bus.relayNow(E, &seven, nullptr, answer), takeReply(answer),
                          p.relaySend(E, &seven, nullptr) + p.relayQuery(E, &seven, nullptr, none) +
                              p.relayNow(E, &seven, nullptr, none)}),
              std::tuple(&bus, -1, 1, 1, Reply(4, 1), 1, Reply(4, 1), 0));
    EXPECT_EQ(rec().traces(), (Labels{"B.h1 send short:7", "B.h1 query short:7", "B.h1 now short:7"}));
    // CAN_TERMINATE is the application's: with none, connecting it adds nothing and sends deliver nothing.
    p.connect(CAN_TERMINATE, h1);
    EXPECT_EQ((std::tuple{bus.hasHandlerList(CAN_TERMINATE), p.isConnected(CAN_TERMINATE, h1),
                          trail([&] { p.sendEmpty(CAN_TERMINATE); })}),
              std::tuple(0, 0, ""));
}

// What a handler may do to the lists a dispatch is walking.

TEST_F(BusTest, HandlersRemovedDuringTheWalkAreSkippedSafelyAndGoneAfterIt) {
    connectAll({{&p, E, h1}, {&q, E, h2}, {&q, E, h3}, {&p, E, h4}});
    rec().on(&p, 1, does([&](Component* self) { q.disconnect(E, h2), self->disconnect(E, h1); }));
    EXPECT_EQ(sendE(), "P Q.h3 P.h4"); // Q.h2 was not yet reached
    EXPECT_EQ((std::tuple{bus.handlersOf(E).count(), q.isConnected(E, h2), sendE()}),
              std::tuple(2, 0, "Q.h3 P.h4"));
}

TEST_F(BusTest, AHandlerConnectedDuringTheWalkRunsOnlyWhenAppendedBehindAnEntryNotYetReached) {
    connectAll({{&p, E, h1}, {&p, E, h2}});
    rec().on(&p, 1, does([](Component* self) { self->connect(E, h3); })); // h2 is still ahead: h3 runs
    // The walk has stepped past the end when the last entry runs: h4 waits for the next send.
    rec().on(&p, 3, does([](Component* self) { self->connect(E, h4); }));
    EXPECT_EQ(sendE(), "P P.h2 P.h3");
    rec().reset();
    EXPECT_EQ(sendE(), "P P.h2 P.h3 P.h4");
}

TEST_F(BusTest, ComponentsDetachedOrDestroyedDuringTheWalkAreNeverCalledAgain) {
    auto victim = std::make_unique<Probe>("V");
    auto* self = new Probe("S");
    victim->attach(bus), self->attach(bus);
    connectAll({{&q, E, h1}, {&p, E, h2}, {&q, E, h3}, {victim.get(), E, h4}});
    connectAll({{self, E, h5}, {self, E, h1}, {&p, E, h6}, {&q, F, h3}});
    rec().on(&q, 1, does([](Component* c) { c->detach(); }));
    rec().on(&p, 2, does([&](Component*) { victim.reset(); }));
    rec().on(self, 5, does([](Component* c) { delete c; })); // a component may destroy itself
    EXPECT_EQ(sendE(), "Q P.h2 S.h5 P.h6");
    EXPECT_EQ((std::tuple{bus.handlersOf(E).count(), bus.handlersOf(F).count()}), std::tuple(2, 0));
}

TEST_F(BusTest, RemovalsInANestedDispatchOfTheSameEventWaitForTheOutermostWalk) {
    connectAll({{&p, E, h1}, {&q, E, h2}, {&p, E, h3}});
    rec().on(&p, 1, does([&](Component* self) {
        rec().on(&p, 1, {});
        self->sendEmpty(E); // runs h1 (nested, does nothing more), h2, h3 before this handler goes on
        q.disconnect(E, h2), self->disconnect(E, h3);
    }));
    EXPECT_EQ((std::tuple{sendE(), bus.handlersOf(E).count()}), std::tuple("P P Q.h2 P.h3", 1));
}

// The raw handler lists, marked entries included, of a bus like B.
class OpenBus : public Bus {
public:
    using Bus::Bus;
    std::int16_t rawCount(BusMessage event) { return handlerList(event.id()).count(); }
};

class BusCompaction : public RecorderTest {};

TEST_F(BusCompaction, EveryListThatLostHandlersDuringTheWalkIsCompactedWhenItEnds) {
    OpenBus bus("B");
    Probe p("P"), q("Q"), r("R");
    for (Probe* c : {&p, &q, &r})
        c->attach(bus);
    const BusMessage G = 82;
    connectAll({{&p, E, h1}, {&q, E, h2}, {&q, F, h3}, {&r, F, h4}, {&q, G, h5}, {&r, G, h6}});
    std::vector<int> during;
    rec().on(&p, 1, does([&](Component*) {
        q.disconnectAll();   // marks Q's entries in E, F and G
        r.disconnect(G, h6); // and one more in G
        during = {bus.rawCount(E), bus.rawCount(F), bus.rawCount(G)};
    }));
    p.sendEmpty(E);
    EXPECT_EQ(during, (std::vector<int>{2, 2, 2}));
    EXPECT_EQ((std::vector<int>{bus.rawCount(E), bus.rawCount(F), bus.rawCount(G)}),
              (std::vector<int>{1, 1, 0}));
    // Outside a walk a removal is dropped at once.
    r.disconnect(F, h4);
    EXPECT_EQ(bus.rawCount(F), 0);
}

TEST_F(BusTest, RemovingAComponentTakesEveryEntryItHasInEveryListAndKeepsTheOthersInOrder) {
    // P is in E's list four times (h1 twice, h2, h3 after one h1 went) between Q's and R's entries.
    connectAll({{&q, E, h1}, {&p, E, h1}, {&r, E, h2}, {&p, E, h1}, {&p, E, h2}, {&q, F, h4}, {&p, F, h5}});
    p.disconnect(E, h1);
    connectAll({{&r, E, h3}, {&p, E, h3}, {&p, E, h1}});
    EXPECT_EQ(trail([&] { q.sendEmpty(E); }), "Q R.h2 P P.h2 R.h3 P.h3 P");
    p.detach();
    EXPECT_EQ((std::tuple{bus.handlersOf(E).count(), bus.handlersOf(F).count()}), std::tuple(3, 1));
    rec().reset();
    EXPECT_EQ(trail([&] { q.sendEmpty(E); }), "Q R.h2 R.h3");
    // Attached and connected again, it is removed again in full; a component never connected is no trouble.
    p.attach(bus);
    connectAll({{&p, E, h4}, {&p, E, h4}});
    Probe idle("I");
    idle.attach(bus), idle.detach();
    p.detach();
    rec().reset();
    EXPECT_EQ(trail([&] { q.sendEmpty(E); }), "Q R.h2 R.h3");
    // A component's removal during a walk leaves its entries for the sweep after it.
    connectAll({{&r, F, h1}});
    rec().on(&q, 4, does([&](Component*) { r.detach(); }));
    EXPECT_EQ(trail([&] { q.sendEmpty(F); }), "Q.h4");
    EXPECT_EQ((std::tuple{bus.handlersOf(E).count(), bus.handlersOf(F).count()}), std::tuple(1, 1));
}

// The component table grows by ten slots at a time, so filling it once is the slow part; one test
// covers the whole end of the id range.
TEST(BusIds, TheLastIdIsUsableAndABusWithNoIdsLeftRefusesTheNextComponentClearly) {
    rec().reset();
    Bus bus("Crowded");
    Probe p("P"), last("Last"), late("Late");
    for (int i = 0; i < Bus::MaxComponentIds - 1; ++i)
        p.attach(bus), p.detach();
    last.attach(bus), last.connect(E, h1);
    EXPECT_EQ((std::tuple{last.getId(), bus.nextId(), trail([&] { last.sendEmpty(E); })}),
              std::tuple(32759, 32760, "Last"));
    FailedChecks checks;
    late.attach(bus);
    EXPECT_EQ(checks.texts,
              Labels{"Bus \"Crowded\" has no component ids left: all 32760 have been given out  Abort?"});
    EXPECT_EQ((std::tuple{late.getBus(), late.getId(), late.connectCount, valuesOf(bus.usedIds())}),
              std::tuple(nullptr, -1, 0, std::vector<short>{32759}));
    FailedChecks abort(true);
    EXPECT_THROW(p.attach(bus), Assertion);
    EXPECT_EQ((std::tuple{p.getBus(), p.getId()}), std::tuple(nullptr, -1)); // and it stays safely unattached
}

} // namespace
} // namespace vael::test
