// --quit-after: the game asked to end after its time, whatever box stands. In a battle the question whether
// to leave it is not asked (before, the close request asked it and the program waited for ever); the
// system's boxes, which hold the program's one thread in the toolkit, end with the program and the status
// it would have ended with, and so does the process the toolkit shows each in, which shares the program's
// lock; a signal to end under a box ends both as it ends the program without one.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "framework/core/list_walk.h"
#include "game/shell/clicking_player.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/quit_after.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"

namespace vael::test {
namespace {

using namespace std::chrono_literals;

// The box stands longer than any test waits: only the watch ends it.
void aBoxNobodyAnswers() {
    std::this_thread::sleep_for(60s);
}

TEST(QuitAfterDeathTest, TheTimeComingUnderASystemBoxEndsTheProgramWithItsStatus) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* what;
        int status;
    } rows[] = {{"the settings will not be kept: the game would have gone on", 0},
                {"already running: the program would have ended refused", 1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EXIT(
            {
                QuitAfter quit(100);
                quit.showSystemBox(r.status, aBoxNobodyAnswers);
                std::_Exit(99);
            },
            ::testing::ExitedWithCode(r.status), "");
    }
}

// The toolkit's way with a box: a process of its own, forked with the program's open files (its lock among
// them), which the program waits on. The box's process says who it is in told once it stands.
// Of the program's files it keeps only the lock, so that a box left behind holds no test's pipe open; and it
// stands half a minute at most.
void aBoxInAProcessOfItsOwn(const std::filesystem::path& told, int lock = -1, int signalToTheBox = 0) {
    const pid_t box = ::fork();
    if (box == 0) {
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != lock) ::close(fd);
        std::ofstream(told) << ::getpid() << "\n";
        for (int slept = 0; slept < 30; ++slept)
            ::sleep(1);
        std::_Exit(0);
    }
    while (!std::filesystem::exists(told))
        std::this_thread::sleep_for(1ms);
    if (signalToTheBox) ::kill(box, signalToTheBox);
    // A box that will not end is ended after a while, as the test's failure.
    int status = 0;
    pid_t ended = 0;
    for (int waited = 0; (ended = ::waitpid(box, &status, WNOHANG)) == 0 && waited < 10'000; ++waited)
        std::this_thread::sleep_for(1ms);
    // The watch that ended the box may have waited on it first: gone all the same.
    if (ended == 0) {
        ::kill(box, SIGKILL);
        ::waitpid(box, &status, 0);
        std::_Exit(98);
    }
    // How the box's process ended told as the program's end; else the box gives back what it answered,
    // as the toolkit does (the program then waits on the watch that ended the box).
    if (signalToTheBox) std::_Exit(WIFSIGNALED(status) ? 200 + WTERMSIG(status) : 99);
}

// Whether the lock can be had now; a box left standing would still hold it.
bool lockIsFree(const std::filesystem::path& lock) {
    const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC);
    const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) ::close(fd);
    return free;
}

// Gone, or gone but for its entry in the table of processes.
bool processHasEnded(const std::filesystem::path& told) {
    std::ifstream in(told);
    pid_t pid = 0;
    if (!(in >> pid) || pid <= 0) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
}

// The time coming, or a signal to end, while the system's box stands: the program ends with its status (or
// by the signal), and the box's process ends before it, so that nothing holds the lock and the next start
// is not refused. Before, the box stood on with no program behind it, and held the lock.
TEST(QuitAfterDeathTest, TheBoxsOwnProcessEndsWithTheProgramAndFreesTheLock) {
    GTEST_FLAG_SET(death_test_style, "fast");
    TempDir dir{"quitafter-box"};
    const auto lock = dir / "vael.lock", told = dir / "box";
    std::ofstream(lock).close();
    const struct {
        const char* what;
        std::int64_t milliseconds;
        int signal;
        int status;
    } rows[] = {{"the time, settings not kept", 300, 0, 0},
                {"the time, already running", 300, 0, 1},
                {"SIGTERM, no time given", -1, SIGTERM, 0},
                {"SIGINT, a minute to go", 60'000, SIGINT, 1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::filesystem::remove(told);
        const auto body = [&] {
            const int held = ::open(lock.c_str(), O_RDWR);
            if (held < 0 || ::flock(held, LOCK_EX | LOCK_NB) != 0) std::_Exit(98);
            QuitAfter quit(r.milliseconds);
            quit.showSystemBox(r.status, [&] {
                if (r.signal) {
                    std::thread([signal = r.signal, &told] {
                        while (!std::filesystem::exists(told))
                            std::this_thread::sleep_for(1ms);
                        ::kill(::getpid(), signal);
                    }).detach();
                }
                aBoxInAProcessOfItsOwn(told, held);
            });
            std::_Exit(97);
        };
        if (r.signal) {
            EXPECT_EXIT(body(), ::testing::KilledBySignal(r.signal), "");
        } else {
            EXPECT_EXIT(body(), ::testing::ExitedWithCode(r.status), "");
        }
        EXPECT_TRUE(std::filesystem::exists(told)) << "the box never stood";
        EXPECT_TRUE(processHasEnded(told));
        EXPECT_TRUE(lockIsFree(lock));
        pid_t left = 0;
        if (!processHasEnded(told) && std::ifstream(told) >> left && left > 0) ::kill(left, SIGKILL);
    }
}

// The toolkit forks the box's process with the handler the program has while the box stands; a signal to
// end sent to that process ends it, as it ends any program, where the toolkit's own handler (which only
// notes it for a loop the box never reads) would have kept it standing.
TEST(QuitAfterDeathTest, TheBoxsOwnProcessEndsOnASignalToEnd) {
    GTEST_FLAG_SET(death_test_style, "fast");
    TempDir dir{"quitafter-signal"};
    EXPECT_EXIT(
        {
            struct sigaction noted {};
            noted.sa_handler = [](int) {};
            sigemptyset(&noted.sa_mask);
            ::sigaction(SIGTERM, &noted, nullptr);
            QuitAfter quit(-1);
            quit.showSystemBox(0, [&] { aBoxInAProcessOfItsOwn(dir / "box", -1, SIGTERM); });
            std::_Exit(97);
        },
        ::testing::ExitedWithCode(200 + SIGTERM), "");
}

// A time too far to count on the clock (ten thousand million seconds and more) never comes: a box stands
// its whole while under it and the program goes on. Before, the deadline overflowed into the past.
TEST(QuitAfterDeathTest, ATimeTooFarToCountNeverComes) {
    GTEST_FLAG_SET(death_test_style, "fast");
    for (const std::int64_t milliseconds : {std::int64_t(10'000'000'000'000), std::int64_t(99'999'999'999'999),
                                            std::numeric_limits<std::int64_t>::max()}) {
        SCOPED_TRACE(milliseconds);
        EXPECT_EXIT(
            {
                QuitAfter quit(milliseconds);
                const bool shown = quit.showSystemBox(3, [] { std::this_thread::sleep_for(300ms); });
                std::_Exit(shown ? 0 : 4);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

// A box asked for once the time has come is not shown, though the watch has not woken to it yet; one asked
// for before it is, and so is every box of a program without the option. A time too far to count on the
// clock (ten thousand million seconds and more) is far off, never past.
TEST(QuitAfter, ABoxIsShownOnlyBeforeTheTimeHasCome) {
    const struct {
        const char* what;
        std::int64_t milliseconds;
        bool shown;
    } rows[] = {{"the time come", 0, false},
                {"a minute to go", 60'000, true},
                {"no option", -1, true},
                {"ten thousand million seconds", 10'000'000'000'000, true},
                {"the most there can be", std::numeric_limits<std::int64_t>::max(), true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        QuitAfter quit(r.milliseconds);
        bool shown = false;
        EXPECT_EQ(quit.showSystemBox(0, [&] { shown = true; }), r.shown);
        EXPECT_EQ(shown, r.shown);
    }
}

class QuitAfterInGame : public ::testing::Test {
protected:
    TempDir dir{"quitafter"};
    DataHome home{dir.path().string()};
    ScriptedPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
};

// The game's time counts on the game's clock from its start, and asks once: a tick a millisecond before it
// asks nothing, the tick at it asks, the ticks after it ask no more.
TEST_F(QuitAfterInGame, TheGameIsAskedToEndOnceAtItsTime) {
    ASSERT_TRUE(game.ready());
    QuitAfter quit(500);
    quit.gameStarts(game.app());
    const struct {
        const char* what;
        std::uint32_t advance;
        bool asks;
    } rows[] = {{"499 ms", 499, false}, {"500 ms", 1, true}, {"a second", 500, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        os.advance(r.advance);
        EXPECT_EQ(quit.tick(game.app()), r.asks);
    }
}

// The time coming in a battle, while the player gives his first orders, ends the game without the
// question whether to leave the battle; before, the question came and the program waited on it.
TEST_F(QuitAfterInGame, InABattleTheGameEndsWithoutTheQuestion) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> afterTheTime;
    QuitAfter quit(0);
    bool asked = false;
    int looks = 0, starts = 0;
    ClickingPlayer player;
    player.os = &os;
    player.game = &game;
    os.idle = [&] {
        if (++looks > 200000) {
            ADD_FAILURE() << "the game never ended";
            platform::Event end;
            end.kind = platform::EventKind::Quit;
            return os.postEvent(end);
        }
        // After the time the player does nothing more: a game still waiting on him has nothing to wait for.
        if (asked) return;
        if (!playersOrders(game.app())) return player.idle();
        asked = true;
        quit.gameStarts(game.app());
        quit.tick(game.app());
    };
    game.onDialog = [&](Dialog& d, const std::string& name) {
        // A box after the time (the question) is answered as by a player gone from the machine: never,
        // until the test gives up on the game.
        if (asked) return afterTheTime.push_back(name);
        if (name == StartGameDlg::TemplateName)
            return clickOn(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
        if (name == IntroDlg::TemplateName) clickOn(os, d, IntroDlg::IdHomePlayer);
        if (d.item(Dialog::IdOk)) clickOn(os, d, Dialog::IdOk);
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_TRUE(asked) << "the player never came to his orders";
    EXPECT_EQ(afterTheTime, std::vector<std::string>{});
}

} // namespace
} // namespace vael::test
