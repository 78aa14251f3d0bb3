// The application object: the CAN_TERMINATE question, pumping and waiting, the shared image archives,
// mouse hover and what the application does when it goes.
#include <memory>

#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

const BusMessage A = 110, B = 111;

BusRecorder::Action answer(short value) {
    return [value](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        return new Container<short>(value);
    };
}

using ApplicationTest = ApplicationFixture;

TEST_F(ApplicationTest, EveryTerminateHandlerIsAskedAndOnlyABoxedZeroRefuses) {
    EXPECT_EQ(app.canTerminate(), 1); // nobody to ask
    connectAll({{&x, CAN_TERMINATE, h1}, {&y, CAN_TERMINATE, h2}, {&z, CAN_TERMINATE, h3}});
    rec().on({{&x, 1, answer(1)}, {&y, 2, answer(0)}, {&z, 3, answer(1)}});
    EXPECT_EQ((std::tuple{app.canTerminate(), rec().traces(), rec().calls[0].event}),
              std::tuple(0, Labels{"X.h1 - short:0", "Y.h2 - short:0", "Z.h3 - short:0"}, CAN_TERMINATE));
    // A null reply, another number and a box of another kind all count as yes.
    rec().on({{&x, 1, {}}, {&y, 2, answer(5)}, {&z, 3, replyWith(0)}});
    EXPECT_EQ(app.canTerminate(), 1);
    auto doomed = std::make_unique<Probe>("Doomed"); // a handler removed by an earlier one is not asked
    doomed->attach(bus), doomed->connect(CAN_TERMINATE, h1);
    rec().on({{doomed.get(), 1, answer(0)}, {&x, 1, does([&](Component*) { doomed.reset(); })}});
    rec().calls.clear();
    EXPECT_EQ((std::tuple{app.canTerminate(), rec().labels()}),
              std::tuple(1, Labels{"X.h1", "Y.h2", "Z.h3"}));
}

TEST_F(ApplicationTest, CanTerminateHandlersLiveWithTheApplicationNotTheBus) {
    using Handlers = std::vector<Callback>;
    x.connect(CAN_TERMINATE, h1);
    EXPECT_EQ((std::tuple{bus.hasHandlerList(CAN_TERMINATE), valuesOf(app.terminateHandlers()),
                          trail([&] { x.sendEmpty(CAN_TERMINATE); })}),
              std::tuple(0, Handlers{{&x, h1}}, "")); // never dispatched by a bus
    connectAll({{&x, CAN_TERMINATE, h2}, {&x, CAN_TERMINATE, h3}, {&y, CAN_TERMINATE, h1}});
    x.disconnect(CAN_TERMINATE, h1);
    EXPECT_EQ(valuesOf(app.terminateHandlers()), (Handlers{{&x, h2}, {&x, h3}, {&y, h1}}));
    x.disconnectAll();
    EXPECT_EQ(valuesOf(app.terminateHandlers()), (Handlers{{&y, h1}}));
    y.detach(); // detaching disconnects everything, this too
    EXPECT_TRUE(app.terminateHandlers().isEmpty());
}

// A bus that goes first leaves its components their CAN_TERMINATE handlers; the component that goes after
// it takes them with it, so that the question is never put to freed memory.
TEST_F(ApplicationTest, AComponentDestroyedAfterItsBusKeepsNoTerminateHandler) {
    using Handlers = std::vector<Callback>;
    auto inner = std::make_unique<AsynchronousBus>("Inner");
    auto late = std::make_unique<Probe>("Late");
    late->attach(*inner), late->connect(CAN_TERMINATE, h1);
    y.connect(CAN_TERMINATE, h2);
    inner.reset();
    EXPECT_EQ(valuesOf(app.terminateHandlers()), (Handlers{{late.get(), h1}, {&y, h2}}));
    late.reset();
    EXPECT_EQ((std::tuple{valuesOf(app.terminateHandlers()), trail([&] { app.canTerminate(); })}),
              std::tuple(Handlers{{&y, h2}}, "Y.h2"));
}

TEST_F(ApplicationTest, PumpOnceRunsOneTaskUnlessTheProgramIsClosing) {
    connectAll({{&x, A, h1}, {&y, B, h2}});
    rec().on(&x, 1, does([&](Component* self) {
        self->sendEmpty(B), self->sendEmpty(B);
        EXPECT_EQ(self->pumpOnce(), 1); // runs the first of the two
        app.onPump = [] { return std::int16_t(0); };
        EXPECT_EQ((std::tuple{self->pumpOnce(), app.queuedTasks()}), std::tuple(0, 1)); // closing: none runs
        app.onPump = nullptr;
    }));
    EXPECT_EQ(trail([&] { x.sendEmpty(A); }), "X Y.h2 Y.h2");
}

TEST_F(ApplicationTest, WaitForFlagEndsWhenTheFlagIsSetTheTimeIsUpOrTheProgramCloses) {
    std::int16_t flag = 1, flagResult = -1;
    EXPECT_EQ((std::tuple{x.waitForFlag(flag, 0), app.pumps, app.messageChecks}), std::tuple(1, 0, 0));
    // Time is up on the first step after the clock moved past the limit, also across the wrap.
    flag = 0;
    app.onPump = [&] { return app.advance(1), std::int16_t(1); };
    const std::tuple<std::uint32_t, std::int32_t, int> waits[] = {
        {0, 0, 1}, {0, 5, 6}, {0xFFFFFFF0u, 25, 26}};
    for (auto [clock, timeout, pumps] : waits) {
        app.clock = clock, app.pumps = 0;
        EXPECT_EQ((std::tuple{x.waitForFlag(flag, timeout), app.pumps}), std::tuple(0, pumps)) << timeout;
    }
    app.onPump = nullptr; // a task sets the flag
    connectAll({{&x, A, h1}, {&y, B, h2}});
    rec().on(&y, 2, does([&](Component*) { flag = 1; }));
    rec().on(&x, 1,
             does([&](Component* self) { self->sendEmpty(B), flagResult = self->waitForFlag(flag, 1000); }));
    EXPECT_EQ((std::tuple{trail([&] { x.sendEmpty(A); }), flagResult}), std::tuple("X Y.h2", 1));
    flag = 0;
    app.onPump = [] { return std::int16_t(0); }; // closing
    EXPECT_EQ(x.waitForFlag(flag, 1000), 0);
}

TEST(ApplicationWithout, PumpingAndTimersWithoutAnApplicationAreReported) {
    FailedChecks checks;
    Probe p("P");
    std::int16_t flag = 0;
    EXPECT_EQ((std::tuple{p.pumpOnce(), p.waitForFlag(flag, 10)}), std::tuple(0, 0));
    p.addTimer(h1, 5), p.killTimer(h1);
    EXPECT_EQ((std::tuple{checks.count(), checks.texts[0]}),
              std::tuple(3u, "Component \"P\" cannot pump messages: there is no application  Abort?"));
}

int palettesDestroyed = 0;
void destroyPalette(LogicalPalette*) {
    ++palettesDestroyed;
}

TEST(ApplicationLifetime,
     TheApplicationKeepsTheBusyStateOwnsItsPaletteShowsTheCoresMessagesAndEmptiesTheRegistry) {
    int firstPalette = 0, secondPalette = 0, shownBefore = 0;
    MessageBoxFunction previous = setMessageBox(
        [&shownBefore](const std::string&, const std::string&, std::uint32_t) { return ++shownBefore, 1; });
    {
        TestApplication app;
        app.clearRegistryWhenDestroyed(true);
        app.beginWait(); // busy, with the wait cursor shown
        EXPECT_EQ((std::tuple{app.notWaiting(), app.log}), std::tuple(0, Labels{"setCursor"}));
        app.endWait(), app.stop();
        EXPECT_EQ((std::tuple{app.notWaiting(), app.isRunning()}), std::tuple(1, 0));
        app.setPalette(reinterpret_cast<LogicalPalette*>(&firstPalette), destroyPalette);
        app.setPalette(reinterpret_cast<LogicalPalette*>(&secondPalette), destroyPalette);
        EXPECT_EQ(palettesDestroyed, 1); // the replaced one
        RegisteredMessage::getId("ApplicationLifetimeName");
        app.defaultAnswer = AnswerYes;
        EXPECT_EQ((std::tuple{messageBox("Thing cannot be sent.", "Error", MessageBoxIconInformation),
                              app.boxes.size(), app.boxes.back().text, app.boxes.back().title,
                              app.boxes.back().style, shownBefore}),
                  std::tuple(AnswerYes, 1u, "Thing cannot be sent.", "Error", MessageBoxIconInformation, 0));
    }
    messageBox("after", "Error", MessageBoxOk); // back to what was there before the application
    EXPECT_EQ((std::tuple{palettesDestroyed, RegisteredMessage::registryCount(), Application::instance(),
                          shownBefore}),
              std::tuple(2, 0, nullptr, 1));
    setMessageBox(std::move(previous));
}

// An archive double that records what the application asks of it.
class FakeArchive : public OIFBase {
public:
    FakeArchive(const std::string& name, Labels* journal, bool master = false)
        : OIFBase(name), master_(master), journal_(journal) {}
    ~FakeArchive() override { journal_->push_back("delete " + name() + (master_ ? " master" : "")); }
    void readFile(const std::string&, std::istream&) override {}
    void readMemory(const std::string&, const std::uint8_t*& at, const std::uint8_t* end) override {
        at = std::min(at + 2, end), journal_->push_back("readMemory " + name());
    }
    void copyFrom(const OIFBase& other) override { journal_->push_back("copyFrom " + other.name()); }
    void deleteImages() override { journal_->push_back("deleteImages " + name()); }
    OIFBase* clone(const std::string& name) const override {
        return journal_->push_back("clone " + name), new FakeArchive(name, journal_, true);
    }

private:
    bool master_;
    Labels* journal_;
};

TEST_F(ApplicationTest, AnArchiveIsLoadedOnceAndDeletedWhenTheLastUseIsReleased) {
    static Labels journal; // outlives the application, which may still hold archives
    journal.clear();
    app.onFindInMapFile = [&](OIFBase* library) { journal.push_back("read " + library->name()); };
    FakeArchive first("Units", &journal), second("Units", &journal), other("Never loaded", &journal);
    app.loadImageLibrary(first);
    EXPECT_EQ(app.imageLibraryCount("Units"), 2); // the first use, and the list's own
    app.loadImageLibrary(second);                 // not read again
    EXPECT_EQ((std::tuple{journal, app.imageLibraryCount("Units"), app.log}),
              std::tuple(Labels{"clone Units", "read Units", "copyFrom Units", "copyFrom Units"}, 3,
                         Labels{"findInMapFile Units"}));
    journal.clear();
    app.releaseImageLibrary(first);
    EXPECT_EQ((std::tuple{app.imageLibraryCount("Units"), journal.size()}), std::tuple(2, 0u));
    app.releaseImageLibrary(second);
    app.releaseImageLibrary(second); // nothing left of that name: nothing happens
    app.releaseImageLibrary(other);
    EXPECT_EQ((std::tuple{app.imageLibraryCount("Units"), journal}),
              std::tuple(0, Labels{"deleteImages Units", "delete Units master"}));
    // One from the image index is read afresh each time.
    app.onFindDataFile = [&](OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) {
        library->readMemory("units.dat", cursor, end);
    };
    const std::uint8_t index[4] = {1, 2, 3, 4};
    const std::uint8_t* cursor = index;
    FakeArchive a("Index", &journal), b("Index", &journal);
    journal.clear();
    app.loadImageLibraryFromIndex(a, cursor, index + 4);
    app.loadImageLibraryFromIndex(b, cursor, index + 4);
    EXPECT_EQ((std::tuple{journal, cursor, app.imageLibraryCount("Index")}), // that of the first entry
              std::tuple(Labels{"clone Index", "readMemory Index", "copyFrom Index", "clone Index",
                                "readMemory Index", "copyFrom Index"},
                         index + 4, 2));
}

TEST_F(ApplicationTest, EnteringAndLeavingDisplaysAndHoverOnlyWhenTheCountEqualsTheDelay) {
    auto* d1 = reinterpret_cast<Display*>(&x); // displays are opaque to the application
    auto* d2 = reinterpret_cast<Display*>(&y);
    // The mouse events since the last look, as "d<n> kind x,y", and those after a few ticks.
    auto seen = [&] {
        const char* kinds[] = {"", "", "", "", "hover", "enter", "leave"};
        Labels out;
        for (auto [display, kind, at] : std::exchange(app.mouseEvents, {}))
            out.push_back((display == d1 ? "d1 " : "d2 ") + std::string(kinds[kind]) + " " +
                          std::to_string(at.x) + "," + std::to_string(at.y));
        return out;
    };
    auto ticks = [&](int n) {
        while (n--)
            app.tickSystemTimer();
        return seen();
    };
    app.run(); // the hover timer at two ticks a second
    app.setDisplayUnderMouse(d1, Point(3, 4), 2);
    EXPECT_EQ((std::tuple{app.log, seen(), ticks(1), ticks(6)}),
              std::tuple(Labels{"startTimer 500"}, Labels{"d1 enter 3,4"}, Labels{}, Labels{"d1 hover 3,4"}));
    app.setDisplayUnderMouse(d1, Point(5, 6), 1); // moving within the display restarts the count
    EXPECT_EQ(ticks(1), Labels{"d1 hover 5,6"});
    app.setDisplayUnderMouse(d2, Point(7, 8), 3);
    app.forgetDisplayUnderMouse(d1); // not the one under the mouse: nothing changes
    EXPECT_EQ((std::tuple{seen(), app.displayUnderMouse()}),
              std::tuple(Labels{"d1 leave 7,8", "d2 enter 7,8"}, d2));
    app.forgetDisplayUnderMouse(d2);
    app.setDisplayUnderMouse(nullptr, Point(), 1); // from none to none
    EXPECT_EQ((std::tuple{app.displayUnderMouse(), ticks(5)}), std::tuple(nullptr, Labels{}));
    app.setDisplayUnderMouse(d1, Point(1, 1), 1); // a mouse left still for hours hovers once
    for (int i = 0; i < 70000; ++i)
        app.hoverTick();
    EXPECT_EQ(seen(), (Labels{"d1 enter 1,1", "d1 hover 1,1"}));
}

} // namespace
} // namespace vael::test
