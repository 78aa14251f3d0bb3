#pragma once
// Runs a program of the build as a whole process, its output thrown away, and answers how it ended and
// the most memory it held: the benchmarks of the tools measure them so, as a user would run them.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace vael::bench {

// Starts program with args (args[0] its name as it sees it), standard output thrown away, standard error to
// errFd or thrown away when errFd < 0; -1 when it could not be started.
inline pid_t spawnProcess(const char* program, std::vector<std::string> args, int errFd = -1) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (errFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// args[0] is the program; false when it could not be started. exitCode is -1 when it did not exit.
inline bool runProcess(std::vector<std::string> args, int& exitCode, long& peakKB) {
    const std::string program = args.empty() ? std::string() : args[0];
    const pid_t pid = spawnProcess(program.c_str(), std::move(args));
    if (pid < 0) return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return false;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    peakKB = usage.ru_maxrss;
    return true;
}

} // namespace vael::bench
