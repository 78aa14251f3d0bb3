#pragma once
// Two copies of the test program, one for each machine of a network game: the test starts itself again with
// the filter of one machine's part and its role, port and folder in the environment, and waits for each.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <cstdlib>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "game/net/net_dialogs.h"

extern char** environ;

namespace vael::test {

inline std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Starts this program again as the machine of the role, its output to the log.
inline pid_t startMachine(const std::string& filter, const char* role, std::uint16_t port,
                          const std::filesystem::path& work, const std::filesystem::path& log) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<std::string> args = {self, "--gtest_filter=" + filter};
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e)
        vars.push_back(*e);
    vars.push_back(std::string("VAEL_NET_ROLE=") + role);
    vars.push_back("VAEL_NET_PORT=" + std::to_string(port));
    vars.push_back("VAEL_NET_WORK=" + work.string());
    std::vector<char*> argv, envp;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& v : vars)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // A session of its own: a machine the test stops for a while, in the process group shared with the test
    // runner and every other test, is hung up by the kernel once that group loses its last parent outside it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    if (posix_spawn(&pid, self.c_str(), &actions, &attributes, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The road into the battle as each machine's player takes it: Multiplayer's choice of hosting or joining,
// then his name (Ann on the host, Bob on the guest), the host and the port typed. False for any other dialog.
inline bool takeTheRoadIn(Dialog& d, const std::string& name, bool host, std::uint16_t port,
                          const std::function<void(Dialog&, std::int16_t)>& click) {
    if (name == TempNetDlg::TemplateName) {
        click(d, host ? TempNetDlg::IdServer : TempNetDlg::IdClient);
    } else if (name == StartServerDlg::TemplateName) {
        d.setItemText(StartServerDlg::IdName, "Ann");
        d.setItemText(StartServerDlg::IdPort, std::to_string(port));
        click(d, Dialog::IdOk);
    } else if (name == StartClientDlg::TemplateName) {
        d.setItemText(StartClientDlg::IdName, "Bob");
        d.setItemText(StartClientDlg::IdServer, "127.0.0.1");
        d.setItemText(StartClientDlg::IdPort, std::to_string(port));
        click(d, Dialog::IdOk);
    } else {
        return false;
    }
    return true;
}

inline std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Ends a machine that is still running after the time given, and tells how it ended.
inline std::string finish(pid_t pid, std::chrono::steady_clock::time_point until) {
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return "killed after the time allowed";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : "exited " + std::to_string(status);
}

} // namespace vael::test
