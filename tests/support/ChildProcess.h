#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// A program started in a child process, its input from /dev/null and none of the test's
// descriptors open in it but keepFd; killed if the test leaves it running.
class ChildProcess {
public:
    // argv[0] is looked up in PATH. An empty env passes the test's own environment; output,
    // when given, takes the program's standard output and error.
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::filesystem::path& folder, int keepFd = -1,
                 const std::filesystem::path& output = {});
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    // Readable once the program has ended, for poll(2).
    int endedFd() const { return pidFd_; }

    // The exit code, or nothing when the program has not ended within patience or ended by
    // a signal.
    std::optional<int> waitForExit(std::chrono::milliseconds patience);
    void kill(int signal);

private:
    void reap();

    pid_t pid_ = -1;
    int pidFd_ = -1;
    int status_ = 0;
};
