// Two application objects in one test, host and guest, joined by a socket pair: the network road of the
// game from the start of the battle to its end, each side played by the computer on its own machine.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "battle_doubles.h"
#include "framework/comm/net_peer.h"
#include "framework/comm/tcp_link.h"
#include "game/flow/side_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/vael_net_component.h"
#include "game/shell/vael_app.h"
#include "game/shell/version.h"
#include "platform/headless/headless_platform.h"

namespace vael::battle {
namespace {

struct Machine {
    explicit Machine(bool hosting, VaelApp::Views views = VaelApp::Views::None) : host(hosting) {
        platform.settings().writeText(platform::Settings::Root::Machine,
                                      std::string("SOFTWARE\\Tamblor\\") + VaelApp::ProductKey, "Path",
                                      VAEL_BUILD_DATA_DIR);
        platform.socketWaitLimit = 5;
        // Two games in one program cannot share the display's artwork, which is the program's own: the
        // animations are answered at once, as the battle tool does without its display.
        // One of them may show it: its display layers then play every animation and give its reply.
        app = std::make_unique<VaelApp>(platform, VAEL_BUILD_DATA_DIR, nullptr, views);
        app->keepMessageNames();
        SideControlServices& services = app->logicalLayer().getSideControlServices();
        services.readLastAIType = [] { return std::uint32_t{0}; };
        services.writeLastAIType = [](std::uint32_t) {};
        app->endOfGameDialog = [](std::uint32_t, bool) {};
        display.onCommentary = [this](const std::string& text) { commentary.push_back(text); };
        display.onGameEnded = [this](bool) { ended = true; };
        display.onEndOfGame = [this](const EndOfGameResults& r) { results = r; };
        display.onBeginTurn = [this] { ++turnsBegun; };
        display.attach(app->logicalLayer());
        if (views == VaelApp::Views::Shown)
            display.answersFit = true;
        else
            instant.attach(app->logicalLayer());
        app->net().onLost = [this](const std::string& why, bool) { lost.push_back(why); };
    }
    ~Machine() {
        instant.detach();
        display.detach();
        app->net().setPeer(nullptr, false);
    }
    void join(std::int32_t socket, const char* player) {
        auto link = std::make_unique<comm::TcpLink>(platform, socket);
        app->net().setPeer(std::make_unique<comm::NetPeer>(
                               std::move(link), comm::Greeting{comm::ProtocolVersion, VaelVersion, player,
                                                               static_cast<std::uint16_t>(host ? 1 : 0)}),
                           host);
        app->net().peer()->start();
    }
    // Takes one waiting event of this machine; false when none waited.
    bool pump() {
        if (!platform.eventWaiting()) return false;
        app->pumpMessage();
        return true;
    }

    bool host;
    platform::HeadlessPlatform platform;
    std::unique_ptr<VaelApp> app;
    BattleDisplay display;
    InstantAnimations instant;
    std::vector<std::string> commentary;
    std::vector<std::string> lost;
    EndOfGameResults results;
    bool ended = false;
    int turnsBegun = 0;
};

class TwoApps : public ::testing::Test {
protected:
    // The guest shows the battle on its display layers.
    virtual VaelApp::Views guestViews() const { return VaelApp::Views::None; }
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        // The application made last runs the task queue of both (there is one current application).
        host = std::make_unique<Machine>(true);
        guest = std::make_unique<Machine>(false, guestViews());
        host->join(fds[0], "Host");
        guest->join(fds[1], "Guest");
        run([this] { return host->app->net().peer()->greeted() && guest->app->net().peer()->greeted(); },
            1000);
        ASSERT_TRUE(host->app->net().peer()->greeted());
        // While the host waits for the guest's answer to a question, both machines go on here: one program
        // runs them both.
        for (Machine* m : {host.get(), guest.get()})
            m->app->net().waitStep = [this] {
                step();
                return ++waitSteps < 1'000'000;
            };
    }
    void TearDown() override {
        // The host first: the guest's application is the current one, which the host's close still needs.
        host.reset();
        guest.reset();
    }
    // Runs both machines until done() or nothing is left to do; answers the steps taken.
    std::int64_t run(const std::function<bool()>& done, std::int64_t cap = 3'000'000) {
        std::int64_t steps = 0;
        while (!done() && steps < cap) {
            ++steps;
            step();
        }
        return steps;
    }
    void step() {
        VaelApp& queue = *guest->app;
        if (queue.queuedTasks() > 0) {
            queue.dispatchOne();
            return;
        }
        if (host->pump() || guest->pump()) return;
        // Nothing waits: time moves on to the next tick of the queue's timers, or the sockets are watched
        // a little.
        if (queue.waitMessage()) queue.pumpMessage();
    }
    std::int64_t waitSteps = 0;
    std::unique_ptr<Machine> host, guest;
};

TEST_F(TwoApps, HostAndGuestPlayOneBattleAndAreToldTheSameOfIt) {
    std::string error;
    ASSERT_TRUE(guest->app->startNetworkBattle("GHATMAR.SCN", VaelApp::CustomScenario, false, true, error))
        << error;
    EXPECT_EQ(guest->app->gameControl(), nullptr) << "the guest never makes game control";
    std::srand(5);
    ASSERT_TRUE(host->app->startNetworkBattle("GHATMAR.SCN", VaelApp::CustomScenario, true, true, error))
        << error;
    ASSERT_NE(host->app->gameControl(), nullptr);
    EXPECT_EQ(host->app->gameControl()->getPlayers(), 2);
    run([this] { return host->ended && guest->ended; });
    ASSERT_TRUE(host->ended && guest->ended);
    EXPECT_TRUE(host->lost.empty() && guest->lost.empty());
    EXPECT_GT(host->commentary.size(), 50u);
    EXPECT_EQ(guest->commentary, host->commentary);
    EXPECT_EQ(guest->results, host->results);
    EXPECT_NE(host->results.winner, 0u);
    EXPECT_GT(host->app->net().batchesSent(), 10);
    EXPECT_GT(guest->app->net().batchesSent(), 10);
}

// The guest's machine goes away in the middle of the battle: the host's game ends with the guest's leaders
// taken out and "GameEnded", and nothing waits for the guest any more.
TEST_F(TwoApps, AGuestLostMidBattleEndsTheHostsGameCleanly) {
    std::string error;
    ASSERT_TRUE(guest->app->startNetworkBattle("GHATMAR.SCN", VaelApp::CustomScenario, false, true, error))
        << error;
    ASSERT_TRUE(host->app->startNetworkBattle("GHATMAR.SCN", VaelApp::CustomScenario, true, true, error))
        << error;
    run([this] { return host->commentary.size() > 40; });
    ASSERT_FALSE(host->ended);
    guest->app->net().peer()->close();
    run([this] { return host->ended; }, 100000);
    EXPECT_TRUE(host->ended);
    ASSERT_EQ(host->lost.size(), 1u);
    // Closed with bytes unread, the socket may be reset rather than closed: either way it is gone.
    EXPECT_TRUE(host->lost[0] == "the other machine closed the connection" ||
                host->lost[0] == "the connection failed while receiving: Connection reset by peer")
        << host->lost[0];
    EXPECT_NE(
        std::find(
            host->commentary.begin(), host->commentary.end(),
            "\\BGuest has left the game. Leaders controlled by this player are permanently inactive.\\b"),
        host->commentary.end());
}

} // namespace
} // namespace vael::battle

namespace vael::battle {
namespace {

// A damaged frame from the guest mid-battle: the host refuses it, says why and ends its game; the guest is
// told the reason and ends its game too. Neither waits for the other afterwards.
TEST_F(TwoApps, ADamagedFrameEndsTheGameOnBothMachinesWithTheReason) {
    std::string error;
    ASSERT_TRUE(guest->app->startNetworkBattle("GHATMAR.SCN", VaelApp::CustomScenario, false, true, error))
        << error;
    ASSERT_TRUE(host->app->startNetworkBattle("GHATMAR.SCN", VaelApp::CustomScenario, true, true, error))
        << error;
    run([this] { return host->commentary.size() > 40; });
    ASSERT_FALSE(host->ended || guest->ended);
    guest->app->net().peer()->link()->send(std::string("VF\x02\x00\xff\xff\xff\xff", 8));
    run([this] { return host->ended && guest->ended; }, 100000);
    EXPECT_TRUE(host->ended && guest->ended);
    EXPECT_EQ(host->lost,
              (std::vector<std::string>{"refused an oversized frame (4294967295 bytes, at most 1048576)"}));
    EXPECT_EQ(
        guest->lost,
        (std::vector<std::string>{
            "the other machine refused: refused an oversized frame (4294967295 bytes, at most 1048576)"}));
}

} // namespace
} // namespace vael::battle

#include "game/figures/vael_physical_object.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat.h"
#include "game/rules/leader.h"

namespace vael::battle {
namespace {

class TwoAppsShown : public TwoApps {
protected:
    VaelApp::Views guestViews() const override { return VaelApp::Views::Shown; }

    VaelPhysicalObject* objectOf(VaelPhysicalLayer& layer, const VaelUnit& unit) {
        const short id = layer.objectId(unit.getUnitNum());
        PhysicalObject* found = nullptr;
        for (PhysicalObject* o : each(layer.objects()))
            if (o->getId() == id) found = o;
        return dynamic_cast<VaelPhysicalObject*>(found);
    }
    // Every display object has played what it was told.
    bool quiet() {
        // The reversed view is not watched here: its objects are not played.
        for (PhysicalObject* o : each(guest->app->views()->normal().objects()))
            if (o->commands().count() > 0) return false;
        return true;
    }
    std::vector<VaelUnit*> unitsOf(VaelLogicalLayer& layer) {
        std::vector<VaelUnit*> units;
        for (Combat* u : each(layer.getHomeUnits()))
            units.push_back(u);
        for (Combat* u : each(layer.getVisitorUnits()))
            units.push_back(u);
        for (Leader* l : each(layer.getLeaders()))
            units.push_back(l);
        return units;
    }
};

// The normal view turns every facing two steps clockwise: 1 (north) is drawn as 3, 7 as 1, 8 as 2.
std::int32_t drawnFacing(std::uint32_t logical) {
    return static_cast<std::int32_t>((logical + 1) % 8 + 1);
}

// The host plays its side and the guest only hears of it at the handovers: the guest's figures of the host's
// units stand where the host's units stand, facing their way, and the fallen have fallen.
TEST_F(TwoAppsShown, TheGuestsFiguresStandWhereTheHostsUnitsStand) {
    ASSERT_EQ(drawnFacing(1), 3);
    ASSERT_EQ(drawnFacing(7), 1);
    ASSERT_EQ(drawnFacing(8), 2);
    std::string error;
    ASSERT_TRUE(guest->app->startNetworkBattle("GHATMAR.SCN", VaelApp::CustomScenario, false, true, error))
        << error;
    std::srand(3);
    ASSERT_TRUE(host->app->startNetworkBattle("GHATMAR.SCN", VaelApp::CustomScenario, true, true, error))
        << error;
    // A few turns in, at moments the guest's display has caught up with what its units were told.
    std::vector<VaelNetComponent::UnitSight> hostAtTheEnd, guestAtTheEnd;
    host->display.onGameEnded = [&](bool) {
        host->ended = true;
        hostAtTheEnd = VaelNetComponent::sightOf(host->app->logicalLayer());
    };
    guest->display.onGameEnded = [&](bool) {
        guest->ended = true;
        guestAtTheEnd = VaelNetComponent::sightOf(guest->app->logicalLayer());
    };
    int checked = 0, fallen = 0;
    for (int turn = 3; turn <= 5; ++turn) {
        run([&] { return guest->turnsBegun >= turn && quiet(); }, 2'000'000);
        ASSERT_GE(guest->turnsBegun, turn);
        ASSERT_FALSE(host->ended || guest->ended) << "the battle ended before turn " << turn;
        VaelPhysicalLayer& normal = guest->app->views()->normal();
        for (VaelUnit* unit : unitsOf(guest->app->logicalLayer())) {
            SCOPED_TRACE(unit->getName() + " at turn " + std::to_string(turn));
            VaelPhysicalObject* figure = objectOf(normal, *unit);
            ASSERT_NE(figure, nullptr);
            if (unit->isOutOfPlay()) {
                if (unit->isLeader()) continue;
                for (std::int16_t k = 0; k < static_cast<std::int16_t>(figure->spriteCount()); ++k)
                    EXPECT_NE(figure->fallenState(k), 0) << "figure " << k << " still stands";
                ++fallen;
                continue;
            }
            EXPECT_EQ(figure->region(), static_cast<std::int16_t>(unit->getHex()));
            EXPECT_EQ(figure->facing(), drawnFacing(static_cast<std::uint32_t>(unit->getFacing())));
            ++checked;
        }
    }
    // And the units the guest's figures follow are the host's: both end where the other does.
    run([this] { return host->ended && guest->ended; });
    ASSERT_TRUE(host->ended && guest->ended);
    EXPECT_EQ(guestAtTheEnd, hostAtTheEnd);
    EXPECT_FALSE(hostAtTheEnd.empty());
    // Seed 3 has units fall before the fifth turn.
    EXPECT_GT(checked, 100);
    EXPECT_GT(fallen, 0);
}

} // namespace
} // namespace vael::battle

namespace vael::battle {
namespace {

// Hears what the logical side tells the display objects, each written "event #unit value payload".
class DisplayEar : public Component {
public:
    DisplayEar() : Component("Display Ear") {}
    void connectHandlers() override { connect(LOGICAL_COMMAND, onCommand); }
    std::vector<std::string> heard;

private:
    static ContainerBase* onCommand(Component* target, BusMessage, ContainerBase* data) {
        const auto* box = dynamic_cast<const Container<LogicalCommandInfo>*>(data);
        if (!box) return nullptr;
        const LogicalCommandInfo& c = *box->valuePtr();
        std::string name = c.event.id() == CHANGE_UNIT_FACING
                               ? "CHANGE_UNIT_FACING"
                               : RegisteredMessage::nameOf(static_cast<std::uint16_t>(c.event.id()));
        std::string line = name + " #" + std::to_string(c.command) + " " + std::to_string(c.value);
        List<short> path;
        DIRECTION facing{};
        if (Container<List<short>>::fromMessage(c.payload.get(), path))
            for (short h : path)
                line += " " + std::to_string(h);
        else if (Container<DIRECTION>::fromMessage(c.payload.get(), facing))
            line += " facing " + std::to_string(static_cast<int>(facing));
        if (c.replyEvent.id() != 0) line += " asks a reply";
        static_cast<DisplayEar*>(target)->heard.push_back(line);
        return nullptr;
    }
};

// The state from the other machine moves one unit, turns another and takes a third out of play: this
// machine's display objects are told exactly that, and nothing asks them for a reply.
TEST_F(TwoApps, AppliedStateTellsTheDisplayWhatChanged) {
    std::string error;
    // Both battles loaded and waiting for a host that never speaks: nothing moves but what the test does.
    for (Machine* m : {host.get(), guest.get()})
        ASSERT_TRUE(
            m->app->startNetworkBattle("GHATMAR.SCN", VaelApp::CustomScenario, m == guest.get(), true, error))
            << error;
    VaelLogicalLayer& there = host->app->logicalLayer();
    VaelLogicalLayer& here = guest->app->logicalLayer();
    Combat *moved = nullptr, *turned = nullptr, *fallen = nullptr;
    there.getHomeUnits().first(moved);
    there.getVisitorUnits().first(turned);
    there.getVisitorUnits().last(fallen);
    ASSERT_TRUE(moved && turned && fallen);
    const std::uint16_t from = moved->getHex(), fallenAt = fallen->getHex();
    const std::uint16_t to = static_cast<std::uint16_t>(from + 1);
    const DIRECTION facing = turned->getFacing() == NorthEast ? SouthWest : NorthEast;
    moved->setHex(to);
    turned->setFacing(facing);
    fallen->VaelUnit::disconnectHandlers();
    const std::vector<std::uint8_t> state = VaelNetComponent::captureState(there);

    DisplayEar ear;
    ear.attach(here);
    const std::vector<VaelNetComponent::UnitSight> before = VaelNetComponent::sightOf(here);
    ASSERT_TRUE(VaelNetComponent::applyState(here, state));
    VaelNetComponent::showChanges(here, before);
    ear.detach();
    const auto number = [](const Combat* u) { return " #" + std::to_string(u->getUnitNum()) + " "; };
    EXPECT_EQ(ear.heard,
              (std::vector<std::string>{"UnitTeleport" + number(moved) + std::to_string(to) + " " +
                                            std::to_string(from) + " " + std::to_string(to),
                                        "CHANGE_UNIT_FACING" + number(turned) + "0 facing " +
                                            std::to_string(static_cast<int>(facing)),
                                        "UnitEliminated" + number(fallen) + std::to_string(fallenAt)}));
    // The same state again changes nothing, and says nothing.
    ear.attach(here);
    ear.heard.clear();
    const std::vector<VaelNetComponent::UnitSight> again = VaelNetComponent::sightOf(here);
    ASSERT_TRUE(VaelNetComponent::applyState(here, state));
    VaelNetComponent::showChanges(here, again);
    ear.detach();
    EXPECT_TRUE(ear.heard.empty());
}

} // namespace
} // namespace vael::battle
