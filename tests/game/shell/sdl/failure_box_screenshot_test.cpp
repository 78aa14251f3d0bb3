// The failed-check box of the program itself, on a display: started on a data folder without its palette,
// the game shows the system's box before its window stands, captioned with the file and line of the check,
// the reason followed by "  Abort?", Yes and No. Yes (Return) ends the game with exit 1; No (Escape) lets
// it play on, on colours of its own, to its end. The box is saved as a picture for people to look at.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include <fcntl.h>
#include <signal.h>
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

// The program on the data folder, its settings, lock and trace in the scratch folder.
Started start(const std::filesystem::path& scratch, const std::string& data) {
    const auto config = scratch / "config";
    std::filesystem::create_directories(config / "vael");
    std::ofstream(config / "vael" / "settings.ini")
        << "[Machine\\SOFTWARE\\Tamblor\\Vaelmoric]\n\"Path\"=\"" << data << "\"\n";
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeEnds[1], 2);
        ::close(pipeEnds[0]);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::setenv("XDG_STATE_HOME", (scratch / "state").c_str(), 1);
        ::setenv("VAEL_TRACE", (scratch / "trace").c_str(), 1);
        ::execl(VAEL_PROGRAM, "vael", "--quit-after", "1500", static_cast<char*>(nullptr));
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

} // namespace
} // namespace vael::test
