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
    explicit Machine(bool hosting) : host(hosting) {
        platform.settings().writeText(platform::Settings::Root::Machine,
                                      std::string("SOFTWARE\\Tamblor\\") + VaelApp::ProductKey, "Path",
                                      VAEL_BUILD_DATA_DIR);
        platform.socketWaitLimit = 5;
        // Two games in one program cannot share the display's artwork, which is the program's own: the
        // animations are answered at once, as the battle tool does without its display.
        app = std::make_unique<VaelApp>(platform, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        app->keepMessageNames();
        SideControlServices& services = app->logicalLayer().getSideControlServices();
        services.readLastAIType = [] { return std::uint32_t{0}; };
        services.writeLastAIType = [](std::uint32_t) {};
        app->endOfGameDialog = [](std::uint32_t, bool) {};
        display.onCommentary = [this](const std::string& text) { commentary.push_back(text); };
        display.onGameEnded = [this](bool) { ended = true; };
        display.onEndOfGame = [this](const EndOfGameResults& r) { results = r; };
        display.attach(app->logicalLayer());
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
};

class TwoApps : public ::testing::Test {
protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        // The application made last runs the task queue of both (there is one current application).
        host = std::make_unique<Machine>(true);
        guest = std::make_unique<Machine>(false);
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
