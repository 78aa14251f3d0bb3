// The application object: the CAN_TERMINATE question, pumping and waiting, the busy state, the shared
// image archives, mouse hover and what the application does when it goes.
#include <gtest/gtest.h>

#include <memory>

#include "framework/core/application.h"
#include "framework/core/registered_message.h"
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
using test::Probe;
using test::TestApplication;
using test::TrackedReply;
using Labels = std::vector<std::string>;

BusRecorder::Action answer(short value) {
    return [value](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        return new Container<short>(value);
    };
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec().reset();
        for (Probe* p : {&x, &y, &z})
            p->attach(bus);
    }
    void TearDown() override { rec().reset(); }
    static BusRecorder& rec() { return BusRecorder::instance(); }

    std::vector<std::string> journal; // outlives the application, which may still hold archives
    TestApplication app;
    AsynchronousBus bus{"Async"};
    Probe x{"X"}, y{"Y"}, z{"Z"};
};

// CAN_TERMINATE.

TEST_F(ApplicationTest, WithNoTerminateHandlersTheProgramMayEnd) {
    EXPECT_EQ(app.canTerminate(), 1);
}

TEST_F(ApplicationTest, EveryTerminateHandlerIsAskedAndOneRefusalIsEnough) {
    x.connect(CAN_TERMINATE, h1);
    y.connect(CAN_TERMINATE, h2);
    z.connect(CAN_TERMINATE, h3);
    rec().on(&x, 1, answer(1));
    rec().on(&y, 2, answer(0));
    rec().on(&z, 3, answer(1));
    EXPECT_EQ(app.canTerminate(), 0);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "Y.h2", "Z.h3"}));
    EXPECT_EQ(rec().calls()[0].event, CAN_TERMINATE);
    EXPECT_EQ(rec().calls()[0].payload, "short:0");
    rec().on(&y, 2, answer(5));
    EXPECT_EQ(app.canTerminate(), 1);
}

TEST_F(ApplicationTest, ANullOrForeignReplyToCanTerminateCountsAsYes) {
    x.connect(CAN_TERMINATE, h1); // no action: answers null
    y.connect(CAN_TERMINATE, h2);
    rec().on(&y, 2,
             [](Component*, BusMessage, ContainerBase*) -> ContainerBase* { return new TrackedReply(0); });
    EXPECT_EQ(app.canTerminate(), 1);
    EXPECT_EQ(TrackedReply::live(), 0);
}

TEST_F(ApplicationTest, CanTerminateHandlersLiveWithTheApplicationNotTheBus) {
    x.connect(CAN_TERMINATE, h1);
    EXPECT_EQ(bus.hasHandlerList(CAN_TERMINATE), 0);
    ASSERT_EQ(app.terminateHandlers().count(), 1);
    Callback first;
    app.terminateHandlers().first(first);
    EXPECT_EQ(first, Callback(&x, h1));
    x.sendEmpty(CAN_TERMINATE); // never dispatched by a bus
    EXPECT_TRUE(rec().calls().empty());

    x.connect(CAN_TERMINATE, h2);
    x.disconnect(CAN_TERMINATE, h1);
    EXPECT_EQ(app.terminateHandlers().count(), 1);
    x.connect(CAN_TERMINATE, h1);
    y.connect(CAN_TERMINATE, h1);
    x.disconnectAll();
    ASSERT_EQ(app.terminateHandlers().count(), 1);
    app.terminateHandlers().first(first);
    EXPECT_EQ(first, Callback(&y, h1));
    y.detach(); // detaching disconnects everything, this too
    EXPECT_TRUE(app.terminateHandlers().isEmpty());
}

TEST_F(ApplicationTest, ATerminateHandlerRemovedByAnEarlierOneIsNotAsked) {
    auto doomed = std::make_unique<Probe>("Doomed");
    doomed->attach(bus);
    x.connect(CAN_TERMINATE, h1);
    doomed->connect(CAN_TERMINATE, h2);
    rec().on(&x, 1, [&](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        doomed.reset();
        return nullptr;
    });
    EXPECT_EQ(app.canTerminate(), 1);
    EXPECT_EQ(rec().labels(), Labels{"X.h1"});
}

// Pumping and waiting.

TEST_F(ApplicationTest, PumpOnceRunsOneTaskUnlessTheProgramIsClosing) {
    x.connect(110, h1);
    y.connect(111, h2);
    rec().on(&x, 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(111);
        self->sendEmpty(111);
        EXPECT_EQ(self->pumpOnce(), 1); // runs the first of the two
        EXPECT_EQ(app.queuedTasks(), 1);
        app.onPump = [] { return std::int16_t(0); };
        EXPECT_EQ(self->pumpOnce(), 0); // closing: nothing runs
        EXPECT_EQ(app.queuedTasks(), 1);
        app.onPump = nullptr;
        return nullptr;
    });
    x.sendEmpty(110);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "Y.h2", "Y.h2"}));
}

TEST_F(ApplicationTest, WaitForFlagReturnsAtOnceForASetFlag) {
    const std::int16_t flag = 1;
    EXPECT_EQ(x.waitForFlag(flag, 0), 1);
    EXPECT_EQ(app.pumps, 0);
    EXPECT_EQ(app.messageChecks, 0);
}

TEST_F(ApplicationTest, WaitForFlagTimesOutOnTheFirstStepAfterTheClockMovedPastTheLimit) {
    const std::int16_t flag = 0;
    app.onPump = [&] {
        app.advance(1);
        return std::int16_t(1);
    };
    EXPECT_EQ(x.waitForFlag(flag, 0), 0);
    EXPECT_EQ(app.pumps, 1);
    app.pumps = 0;
    EXPECT_EQ(x.waitForFlag(flag, 5), 0);
    EXPECT_EQ(app.pumps, 6);
}

TEST_F(ApplicationTest, WaitForFlagMeasuresTimeAcrossTheTickCountWrapping) {
    const std::int16_t flag = 0;
    app.clock = 0xFFFFFFF0u;
    app.onPump = [&] {
        app.advance(10);
        return std::int16_t(1);
    };
    EXPECT_EQ(x.waitForFlag(flag, 25), 0);
    EXPECT_EQ(app.pumps, 3);
}

TEST_F(ApplicationTest, WaitForFlagEndsWhenATaskSetsTheFlagOrTheProgramCloses) {
    std::int16_t flag = 0;
    x.connect(110, h1);
    y.connect(111, h2);
    rec().on(&y, 2, [&](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
        flag = 1;
        return nullptr;
    });
    int result = -1;
    rec().on(&x, 1, [&](Component* self, BusMessage, ContainerBase*) -> ContainerBase* {
        self->sendEmpty(111);
        result = self->waitForFlag(flag, 1000);
        return nullptr;
    });
    x.sendEmpty(110);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(rec().labels(), (Labels{"X.h1", "Y.h2"}));

    flag = 0;
    app.onPump = [] { return std::int16_t(0); };
    EXPECT_EQ(x.waitForFlag(flag, 1000), 0);
}

TEST(ApplicationWithout, PumpingWithoutAnApplicationIsReported) {
    FailedChecks checks;
    Probe p("P");
    std::int16_t flag = 0;
    EXPECT_EQ(p.pumpOnce(), 0);
    EXPECT_EQ(p.waitForFlag(flag, 10), 0);
    p.addTimer(h1, 5);
    p.killTimer(h1);
    EXPECT_EQ(checks.count(), 3u);
    EXPECT_EQ(checks.texts[0], "Component \"P\" cannot pump messages: there is no application  Abort?");
}

// Busy state, main window, palette, data path.

TEST_F(ApplicationTest, BeginWaitShowsTheWaitCursorUntilEndWait) {
    int waitCursor = 0;
    app.setWaitCursor(&waitCursor);
    EXPECT_EQ(app.notWaiting(), 1);
    app.beginWait();
    EXPECT_EQ(app.notWaiting(), 0);
    EXPECT_EQ(app.cursor, &waitCursor);
    app.endWait();
    EXPECT_EQ(app.notWaiting(), 1);
    EXPECT_EQ(app.log, Labels{"setCursor"});
}

TEST_F(ApplicationTest, StopClearsTheRunningFlag) {
    EXPECT_EQ(app.isRunning(), 1);
    app.stop();
    EXPECT_EQ(app.isRunning(), 0);
}

int palettesDestroyed = 0;
void destroyPalette(LogicalPalette*) {
    ++palettesDestroyed;
}

TEST(ApplicationLifetime, TheApplicationOwnsItsPaletteAndEmptiesTheRegistryWhenItGoes) {
    palettesDestroyed = 0;
    int firstPalette = 0, secondPalette = 0;
    {
        TestApplication app;
        app.clearRegistryWhenDestroyed(true);
        app.setPalette(reinterpret_cast<LogicalPalette*>(&firstPalette), destroyPalette);
        app.setPalette(reinterpret_cast<LogicalPalette*>(&secondPalette), destroyPalette);
        EXPECT_EQ(palettesDestroyed, 1); // the replaced one
        EXPECT_EQ(app.getPalette(), reinterpret_cast<LogicalPalette*>(&secondPalette));
        app.setDataPath("/data");
        EXPECT_EQ(app.dataPath(9), "/data");
        EXPECT_EQ(app.getMainWindow(), nullptr);
        RegisteredMessage::getId("ApplicationLifetimeName");
        EXPECT_GT(RegisteredMessage::registryCount(), 0);
    }
    EXPECT_EQ(palettesDestroyed, 2);
    EXPECT_EQ(RegisteredMessage::registryCount(), 0);
    EXPECT_EQ(Application::instance(), nullptr);
}

TEST(ApplicationLifetime, TheCoresMessagesToTheUserAreShownByTheApplication) {
    int before = 0;
    MessageBoxFunction previous =
        setMessageBox([&before](const std::string&, const std::string&, std::uint32_t) {
            ++before;
            return 1;
        });
    {
        TestApplication app;
        app.answers.push_back(AnswerYes);
        EXPECT_EQ(messageBox("Error: Thing is not a registered class and cannot be sent to a remote machine.",
                             "Error", MessageBoxIconInformation),
                  AnswerYes);
        ASSERT_EQ(app.boxes.size(), 1u);
        EXPECT_EQ(app.boxes[0].title, "Error");
        EXPECT_EQ(app.boxes[0].style, MessageBoxIconInformation);
        EXPECT_EQ(before, 0);
    }
    messageBox("after", "Error", MessageBoxOk); // back to what was there before the application
    EXPECT_EQ(before, 1);
    setMessageBox(std::move(previous));
}

// Shared image archives.

// An archive double that records what the application asks of it.
class FakeArchive : public OIFBase {
public:
    explicit FakeArchive(const std::string& name, std::vector<std::string>* journal)
        : OIFBase(name), journal_(journal) {}
    ~FakeArchive() override { journal_->push_back("delete " + name() + (master ? " master" : "")); }
    void readFile(const std::string&, std::istream&) override {}
    void readMemory(const std::string&, const std::uint8_t*& cursor, const std::uint8_t* end) override {
        cursor = cursor + 2 <= end ? cursor + 2 : end;
        journal_->push_back("readMemory " + name());
    }
    void copyFrom(const OIFBase& other) override { journal_->push_back("copyFrom " + other.name()); }
    void deleteImages() override { journal_->push_back("deleteImages " + name()); }
    OIFBase* clone(const std::string& name) const override {
        journal_->push_back("clone " + name);
        auto* copy = new FakeArchive(name, journal_);
        copy->master = true;
        return copy;
    }
    bool master = false;

private:
    std::vector<std::string>* journal_;
};

TEST_F(ApplicationTest, AnArchiveIsLoadedOnceAndDeletedWhenTheLastUseIsReleased) {
    app.onFindInMapFile = [&](OIFBase* library) { journal.push_back("read " + library->name()); };
    FakeArchive first("Units", &journal), second("Units", &journal);
    app.loadImageLibrary(first);
    EXPECT_EQ(app.imageLibraryCount("Units"), 2);
    app.loadImageLibrary(second);
    EXPECT_EQ(app.imageLibraryCount("Units"), 3);
    EXPECT_EQ(journal, (Labels{"clone Units", "read Units", "copyFrom Units", "copyFrom Units"}));
    EXPECT_EQ(app.log, Labels{"findInMapFile Units"}); // read once only

    journal.clear();
    app.releaseImageLibrary(first);
    EXPECT_EQ(app.imageLibraryCount("Units"), 2);
    EXPECT_TRUE(journal.empty());
    app.releaseImageLibrary(second);
    EXPECT_EQ(app.imageLibraryCount("Units"), 0);
    EXPECT_EQ(journal, (Labels{"deleteImages Units", "delete Units master"}));
    app.releaseImageLibrary(second); // nothing left of that name: nothing happens
    FakeArchive other("Never loaded", &journal);
    app.releaseImageLibrary(other);
    EXPECT_EQ(journal.size(), 2u);
}

TEST_F(ApplicationTest, AnArchiveFromTheImageIndexIsAlwaysReadAfresh) {
    app.onFindDataFile = [&](OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) {
        library->readMemory("units.dat", cursor, end);
    };
    const std::uint8_t index[4] = {1, 2, 3, 4};
    const std::uint8_t* cursor = index;
    FakeArchive a("Index", &journal), b("Index", &journal);
    app.loadImageLibraryFromIndex(a, cursor, index + 4);
    app.loadImageLibraryFromIndex(b, cursor, index + 4);
    EXPECT_EQ(cursor, index + 4);
    EXPECT_EQ(journal, (Labels{"clone Index", "readMemory Index", "copyFrom Index", "clone Index",
                               "readMemory Index", "copyFrom Index"}));
    EXPECT_EQ(app.imageLibraryCount("Index"), 2); // the first entry of the name
}

TEST(ApplicationLifetime, LoadedArchivesGoWithTheApplication) {
    std::vector<std::string> journal;
    {
        TestApplication app;
        FakeArchive user("Terrain", &journal);
        app.loadImageLibrary(user);
        journal.clear();
    }
    // The user's archive goes first (it was made last); the shared copy goes with the application.
    EXPECT_EQ(journal, (Labels{"delete Terrain", "deleteImages Terrain", "delete Terrain master"}));
}

// Mouse hover.

TEST_F(ApplicationTest, EnteringAndLeavingDisplaysAndHoverOnlyWhenTheCountEqualsTheDelay) {
    auto* d1 = reinterpret_cast<Display*>(&x); // displays are opaque to the application
    auto* d2 = reinterpret_cast<Display*>(&y);
    app.run(); // the hover timer at two ticks a second
    EXPECT_EQ(app.log, Labels{"startTimer 500"});
    app.setDisplayUnderMouse(d1, Point(3, 4), 2);
    ASSERT_EQ(app.mouseEvents.size(), 1u);
    EXPECT_EQ(app.mouseEvents[0].display, d1);
    EXPECT_EQ(app.mouseEvents[0].kind, MouseEnter);
    app.tickSystemTimer();
    EXPECT_EQ(app.mouseEvents.size(), 1u);
    app.tickSystemTimer();
    ASSERT_EQ(app.mouseEvents.size(), 2u);
    EXPECT_EQ(app.mouseEvents[1].kind, MouseHover);
    EXPECT_EQ(app.mouseEvents[1].point, Point(3, 4));
    for (int i = 0; i < 5; ++i)
        app.tickSystemTimer();
    EXPECT_EQ(app.mouseEvents.size(), 2u); // once only

    // Moving within the display restarts the count without enter or leave.
    app.setDisplayUnderMouse(d1, Point(5, 6), 1);
    EXPECT_EQ(app.mouseEvents.size(), 2u);
    app.tickSystemTimer();
    ASSERT_EQ(app.mouseEvents.size(), 3u);
    EXPECT_EQ(app.mouseEvents[2].point, Point(5, 6));

    app.setDisplayUnderMouse(d2, Point(7, 8), 3);
    ASSERT_EQ(app.mouseEvents.size(), 5u);
    EXPECT_EQ(app.mouseEvents[3].display, d1);
    EXPECT_EQ(app.mouseEvents[3].kind, MouseLeave);
    EXPECT_EQ(app.mouseEvents[3].point, Point(7, 8));
    EXPECT_EQ(app.mouseEvents[4].display, d2);
    EXPECT_EQ(app.mouseEvents[4].kind, MouseEnter);

    app.forgetDisplayUnderMouse(d1); // not the one under the mouse: nothing changes
    EXPECT_EQ(app.displayUnderMouse(), d2);
    app.forgetDisplayUnderMouse(d2);
    EXPECT_EQ(app.displayUnderMouse(), nullptr);
    for (int i = 0; i < 5; ++i)
        app.tickSystemTimer();
    EXPECT_EQ(app.mouseEvents.size(), 5u);
    app.setDisplayUnderMouse(nullptr, Point(), 1); // from none to none: no events
    EXPECT_EQ(app.mouseEvents.size(), 5u);
}

TEST_F(ApplicationTest, AMouseLeftStillForHoursHoversOnce) {
    auto* d = reinterpret_cast<Display*>(&x);
    app.setDisplayUnderMouse(d, Point(1, 1), 1);
    for (int i = 0; i < 70000; ++i)
        app.hoverTick();
    EXPECT_EQ(app.mouseEvents.size(), 2u);
}

} // namespace
} // namespace vael
