// The failed-check box of the program itself, on a display: started on a data folder without its palette,
// the game shows the system's box before its window stands, captioned with the file and line of the check,
// the reason followed by "  Abort?", Yes and No. Yes (Return) ends the game with exit 1; No (Escape) lets
// it play on, on colours of its own, to its end. The box is saved as a picture for people to look at.
// A system box still standing when --quit-after ends the game (the settings that will not be kept, the
// game already running, a failed check) ends with it: the process the toolkit shows it in is gone, and
// nothing holds the game's lock, so that the next start is not refused.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "grab_png.h"
#include "support/linked_data.h"
#include "support/temp_dir.h"
#include "x11_windows.h"

namespace vael::test {
namespace {

struct Started {
    pid_t pid = -1;
    int errors = -1; // the read end of the program's standard error
};

// A program the test gave up on is not left behind it.
struct EndsWithTest {
    const Started& run;
    ~EndsWithTest() {
        int status = 0;
        if (run.pid > 0 && ::waitpid(run.pid, &status, WNOHANG) == 0) {
            ::kill(run.pid, SIGKILL);
            ::waitpid(run.pid, &status, 0);
        }
    }
};

// The program on the data folder, its settings, lock and trace in the scratch folder, ended by
// --quit-after at quitAfter; its settings file read-only when asked.
Started start(const std::filesystem::path& scratch, const std::string& data, const char* quitAfter = "8000",
              bool readOnlySettings = false) {
    const auto config = scratch / "config";
    std::filesystem::create_directories(config / "vael");
    std::ofstream(config / "vael" / "settings.ini")
        << "[Machine\\SOFTWARE\\Tamblor\\Vaelmoric]\n\"Path\"=\"" << data << "\"\n";
    if (readOnlySettings)
        std::filesystem::permissions(config / "vael" / "settings.ini", std::filesystem::perms::owner_read |
                                                                         std::filesystem::perms::group_read |
                                                                         std::filesystem::perms::others_read);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeEnds[1], 2);
        ::close(pipeEnds[0]);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::setenv("XDG_STATE_HOME", (scratch / "state").c_str(), 1);
        ::setenv("VAEL_TRACE", (scratch / "trace").c_str(), 1);
        ::execl(VAEL_PROGRAM, "vael", "--quit-after", quitAfter, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    return {pid, pipeEnds[0]};
}

// The program's exit status (-1 when it did not end within the time) and what it said on standard error.
int finish(const Started& run, std::string& said) {
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    pid_t ended = 0;
    while ((ended = ::waitpid(run.pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (ended != run.pid) {
        ::kill(run.pid, SIGKILL);
        ::waitpid(run.pid, &status, 0);
        return -1;
    }
    // Read as far as the program wrote: a process it left behind would hold the pipe open for ever.
    ::fcntl(run.errors, F_SETFL, ::fcntl(run.errors, F_GETFL) | O_NONBLOCK);
    char buffer[4096];
    for (ssize_t n; (n = ::read(run.errors, buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    ::close(run.errors);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(FailureBox, AMissingPaletteIsAskedInTheSystemsBoxAndYesEndsTheGameNoPlaysOn) {
    TempDir dir{"failure-box"};
    LinkedData data(dir / "data", VAEL_BUILD_DATA_DIR);
    data.remove("vael.pal");
    const std::regex caption("Failure in windows_palette\\.cpp at line [0-9]+\\.");
    const struct {
        const char* what;
        const char* key;
        int exit;
    } rows[] = {{"Yes", "Return", 1}, {"No", "Escape", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const Started run = start(dir / row.what, data.path());
        ASSERT_GT(run.pid, 0);
        const EndsWithTest ends{run};
        std::string title;
        const unsigned long box = waitForWindowTitled("Failure in ", 30'000, title);
        ASSERT_NE(box, 0u) << "no box came";
        EXPECT_TRUE(std::regex_match(title, caption)) << title;
        // The box draws itself once it is mapped, whenever its program gets to it: it is looked at once it
        // shows more than its background and two looks a moment apart agree (half a minute at most).
        Grab shot;
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            Grab look = grabXWindow(box);
            const bool settled = look.width > 0 && look.width == shot.width && look.rgb == shot.rgb &&
                                 std::set<std::uint32_t>(look.rgb.begin(), look.rgb.end()).size() >= 2;
            shot = std::move(look);
            if (settled || std::chrono::steady_clock::now() > end) break;
        }
        ASSERT_GT(shot.width, 0);
        const std::set<std::uint32_t> colours(shot.rgb.begin(), shot.rgb.end());
        EXPECT_GE(colours.size(), 2u) << "the box shows nothing";
        if (row.exit == 1) {
            EXPECT_TRUE(writePng(shot, std::filesystem::path(VAEL_BUILD_DIR) / "failure_box.png"));
        }
        ASSERT_TRUE(pressKey(box, row.key));
        std::string said;
        EXPECT_EQ(finish(run, said), row.exit) << said;
        // The same words on standard error, the file named, and no exception left uncaught.
        EXPECT_NE(said.find("vael: " + title + " Can't find " + data.path() + "/VAEL.PAL  Abort?"),
                  std::string::npos)
            << said;
        EXPECT_EQ(said.find("terminate called"), std::string::npos) << said;
    }
}

// The processes started by pid, read from the table of processes.
std::vector<pid_t> childrenOf(pid_t pid) {
    std::vector<pid_t> children;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat)) continue;
        const std::size_t close = stat.rfind(')');
        char state = 0;
        pid_t parent = 0;
        std::istringstream fields(close == std::string::npos ? std::string() : stat.substr(close + 1));
        if (fields >> state >> parent && parent == pid && state != 'Z')
            children.push_back(std::stoi(entry.path().filename().string()));
    }
    return children;
}

// Still there, and more than an entry in the table of processes.
bool stillRuns(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) return false;
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && stat.size() > close + 2 && stat[close + 2] != 'Z';
}

bool lockIsFree(const std::filesystem::path& lock) {
    const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC);
    const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) ::close(fd);
    return free;
}

// Before, the box stood on with no program behind it, ignored SIGTERM and kept the lock: the next start was
// refused as "already running".
TEST(SystemBoxes, ABoxStandingWhenTheGameEndsEndsWithItAndLeavesNoProcessNorLock) {
    TempDir dir{"system-boxes"};
    const std::string data = VAEL_BUILD_DATA_DIR;
    std::ofstream(dir / "afile") << "a file where the data folder should be\n";
    // SIGTERM under the box ends the game as it ends it without one (128 + 15 as finish tells it).
    const struct {
        const char* what;
        bool readOnly, running, dataAFile, terminated;
        int exit;
    } rows[] = {{"the settings will not be kept", true, false, false, false, 0},
                {"already running", false, true, false, false, 1},
                {"a failed check: the data folder a file", false, false, true, false, 1},
                {"SIGTERM under the failed check", false, false, true, true, 128 + SIGTERM}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto scratch = dir / row.what;
        const auto lock = scratch / "state" / "vael" / "vael.lock";
        int held = -1;
        // The running game's trace so far, which a start refused as already running leaves byte for byte:
        // it once emptied it and wrote its own first line, leaving NUL bytes where the game's lines were.
        const std::string running = "The Iron Vigils of Vaelmoric starting\nthe running game's lines\n";
        if (row.running) {
            std::filesystem::create_directories(lock.parent_path());
            held = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
            std::ofstream(scratch / "trace", std::ios::binary) << running;
        }
        const Started run = start(scratch, row.dataAFile ? (dir / "afile").string() : data,
                                  row.terminated ? "60000" : "2500", row.readOnly);
        ASSERT_GT(run.pid, 0);
        const EndsWithTest ends{run};
        // The box stands in a process the program started.
        std::vector<pid_t> boxes;
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
             boxes.empty() && std::chrono::steady_clock::now() < end;)
            if ((boxes = childrenOf(run.pid)).empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(boxes.empty()) << "no box came";
        if (row.terminated) ::kill(run.pid, SIGTERM);
        std::string said;
        EXPECT_EQ(finish(run, said), row.exit) << said;
        for (const pid_t box : boxes) {
            EXPECT_FALSE(stillRuns(box)) << "the box's process " << box << " is left";
            if (stillRuns(box)) ::kill(box, SIGKILL);
        }
        if (held >= 0) ::close(held);
        EXPECT_TRUE(lockIsFree(lock));
        if (row.running) {
            std::ifstream in(scratch / "trace", std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
                      running);
        }
    }
}

} // namespace
} // namespace vael::test
