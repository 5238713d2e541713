#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& env, const std::filesystem::path& folder,
                           int keepFd, const std::filesystem::path& output) {
    std::vector<char*> args, envp;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        if (!output.empty()) {
            const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        for (int fd = 3; fd < 256; ++fd)
            if (fd != keepFd)
                ::close(fd);
        if (keepFd >= 0)
            ::fcntl(keepFd, F_SETFD, 0);
        if (env.empty())
            ::execvp(args[0], args.data());
        else
            ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    if (pid_ > 0)
        pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
}

ChildProcess::~ChildProcess() {
    kill(SIGKILL);
    if (pidFd_ >= 0)
        ::close(pidFd_);
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds patience) {
    if (pid_ > 0) {
        pollfd ended{pidFd_, POLLIN, 0};
        if (::poll(&ended, 1, static_cast<int>(patience.count())) != 1)
            return std::nullopt;
        reap();
    }
    if (WIFEXITED(status_))
        return WEXITSTATUS(status_);
    return std::nullopt;
}

void ChildProcess::kill(int signal) {
    if (pid_ <= 0)
        return;
    ::kill(pid_, signal);
    reap();
}

void ChildProcess::reap() {
    while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}
