// Components: attaching, registration by id and by name, the message family, blocked events, receivers
// and the failed checks of a component that talks while unattached.
#include "framework/core/asynchronous_bus.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"

namespace vael::test {
namespace {

using ComponentTest = RecorderTest;

TEST_F(ComponentTest, AttachGivesTheIdBeforeTheSetUpAndMovingOrDetachingLetsGo) {
    EXPECT_EQ((Labels{Bus().nameText(), AsynchronousBus().nameText(), Probe(nullptr).nameText()}),
              (Labels{"Unnamed Bus", "Unnamed AsynchronousBus", ""}));
    Bus first, second;
    Probe p;
    int idDuringSetUp = -2;
    p.setup = [&](Probe& self) { idDuringSetUp = self.getId(), self.connect(70, h1); };
    EXPECT_EQ((std::tuple{p.getId(), p.getBus()}), std::tuple(-1, nullptr));
    p.attach(first);
    EXPECT_EQ((std::tuple{p.getId(), idDuringSetUp, p.connectCount}), std::tuple(0, 0, 1));
    p.attach(second); // moves it, setting it up again
    EXPECT_EQ((std::tuple{p.getBus(), p.getId(), p.connectCount, first.usedIds().count(),
                          first.handlersOf(70).count(), second.handlersOf(70).count()}),
              std::tuple(&second, 0, 2, 0, 0, 1));
    p.detach(), p.detach(); // a second detach does nothing
    EXPECT_EQ((std::tuple{p.getId(), p.getBus(), p.connectCount}), std::tuple(-1, nullptr, 2));
}

TEST_F(ComponentTest, TheMessageFamilyByIdAndByNamePassesPayloadAndModeAndReturnsTheAnswer) {
    Bus bus;
    Probe a("A"), b("B");
    a.attach(bus), b.attach(bus);
    const std::int32_t names = RegisteredMessage::registryCount();
    a.sendNamedEmpty("ComponentTestFamily"); // registered on first use, reaching nobody
    const BusMessage e = RegisteredMessage::getId("ComponentTestFamily");
    EXPECT_EQ((std::tuple{RegisteredMessage::registryCount(), a.queryEmpty(e)}),
              std::tuple(names + 1, nullptr));
    b.connectNamed("ComponentTestFamily", h1);
    EXPECT_EQ((std::tuple{b.isConnected(e, h1), b.isConnected(e, h2)}), std::tuple(1, 0));
    rec().on(&b, 1, replyWith(9));
    Container<short> five(5);
    a.send(e, &five);
    for (ContainerBase* answer :
         {a.query(e, &five), a.sendNow(e, &five), a.queryNamedEmpty("ComponentTestFamily"),
          a.sendNowNamed("ComponentTestFamily", &five)})
        EXPECT_EQ(takeReply(answer).first, 9);
    a.sendEmpty(e); // the forms without data send a boxed 0
    EXPECT_EQ(rec().traces(), (Labels{"B.h1 send short:5", "B.h1 query short:5", "B.h1 now short:5",
                                      "B.h1 query short:0", "B.h1 now short:5", "B.h1 send short:0"}));
    EXPECT_EQ(rec().calls[0].event, e.id());
    // Directed forms reach only the named component and keep the mode the caller gave.
    a.connect(e, h1), rec().calls.clear();
    a.sendToNamed(1, "ComponentTestFamily", &five);
    a.sendToEmpty(0, e);
    EXPECT_EQ(takeAnswers(a.queryToEmpty(1, e)), (Answers{{1, 9}}));
    EXPECT_EQ(rec().traces(), (Labels{"B.h1 - short:5", "A.h1 - short:0", "B.h1 - short:0"}));
    b.disconnectNamed("ComponentTestFamily", h1);
    EXPECT_EQ(b.isConnected(e, h1), 0);
}

// The ids blockedEvents (0), (1) and (2) hold; {-1} for no list.
using Blocked = std::vector<std::vector<std::int32_t>>;
Blocked blocked(const Component& c) {
    Blocked out;
    for (std::uint32_t direction : {0u, 1u, 2u}) {
        const List<BusMessage>* list = c.blockedEvents(direction);
        out.push_back(list ? std::vector<std::int32_t>{} : std::vector<std::int32_t>{-1});
        for (BusMessage e : list ? valuesOf(*list) : std::vector<BusMessage>{})
            out.back().push_back(e.id());
    }
    return out;
}

TEST_F(ComponentTest, BlockModesFillTheListsTheHooksOfTheOtherDirectionRead) {
    Probe p, q, r;
    p.unblockEvent(70, 2); // creates nothing
    EXPECT_EQ(blocked(p), (Blocked{{-1}, {-1}, {-1}}));
    p.blockEvent(70, 2);
    EXPECT_EQ(blocked(p), (Blocked{{70}, {70}, {-1}}));
    p.unblockEvent(70, 0); // left refused from the children only
    EXPECT_EQ(blocked(p), (Blocked{{70}, {}, {-1}}));
    q.blockEvent(BusMessage(71, BusMessage::Send), 0); // read by the hooks that come down from the parent
    EXPECT_EQ(blocked(q), (Blocked{{}, {71}, {-1}}));
    q.blockEvent(72, 1), q.blockEvent(71, 0), q.unblockEvent(71, 0); // by id; blocked twice, two unblocks
    EXPECT_EQ(blocked(q), (Blocked{{72}, {71}, {-1}}));
    q.unblockEvent(71, 0), q.unblockEvent(71, 0); // the second finds it not blocked: nothing changes
    EXPECT_EQ(blocked(q), (Blocked{{72}, {}, {-1}}));
    r.blockEvent(70, 7); // an unknown mode creates the lists and blocks nothing
    EXPECT_EQ(blocked(r), (Blocked{{}, {}, {-1}}));
}

TEST_F(ComponentTest, FindReceiversAsksEveryComponentInAttachOrderOrTheGivenIdsInTheirOrder) {
    Bus bus;
    Probe a("A"), b("B"), c("C");
    Labels asked;
    for (Probe* p : {&a, &b, &c}) {
        p->attach(bus);
        if (p != &b)
            p->accepts = [&asked, p](ContainerBase* data) -> std::int16_t {
                asked.push_back(p->getName());
                short hex = 0;
                return Container<short>::fromMessage(data, hex) && hex == 5;
            };
    }
    Container<short> hex(5), otherHex(6);
    EXPECT_EQ((std::tuple{valuesOf(b.findReceivers(&hex)), asked}),
              std::tuple(std::vector<short>{0, 2}, Labels{"A", "C"}));
    EXPECT_EQ(valuesOf(b.findReceivers(idList({2, 1, 0, 40, -1}), &hex)), (std::vector<short>{2, 0}));
    EXPECT_TRUE(b.findReceivers(&otherHex).isEmpty());
}

TEST_F(ComponentTest, TalkingWhileUnattachedIsReportedAndDoesNothingOrThrowsOnAbort) {
    FailedChecks checks;
    Probe p("Loner");
    Container<short> five(5);
    EXPECT_EQ(p.isConnected(70, h1), 0); // asking needs no bus and is no error
    p.send(70, &five);
    EXPECT_EQ((std::tuple{p.query(70, &five), p.sendNowEmpty(70), p.queryToEmpty(0, 70).count(),
                          p.findReceivers(&five).count()}),
              std::tuple(nullptr, nullptr, 0, 0));
    p.connect(70, h1), p.disconnectAll(), p.blockForwarding(70, 2);
    p.blockEvent(70, 0); // blocking events needs no bus
    ASSERT_EQ(checks.count(), 8u);
    EXPECT_EQ(checks.texts[0], "Component \"Loner\" cannot send: it is not attached to a bus  Abort?");
    EXPECT_EQ(checks.captions[0].rfind("Failure in component.cpp at line ", 0), 0u);
    FailedChecks abort(true);
    EXPECT_THROW(p.sendEmpty(70), Assertion);
}

} // namespace
} // namespace vael::test
