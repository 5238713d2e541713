#pragma once

// Shared by the benchmark programs: timing, medians, running a peer command, peak memory.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

inline double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

template <typename F> double timed(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return seconds(std::chrono::steady_clock::now() - start);
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs a command and waits for it; false when it fails.
inline bool runCommand(const std::vector<std::string>& argv) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Peak resident memory of this process, in MiB.
inline double peakMemoryMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Peak resident memory of the largest waited-for child, in MiB.
inline double childPeakMemoryMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024.0;
}

// The peers of a copy of source: cp alone, which leaves its data in the page cache, and cp
// followed by sync of the copy, which is on the disk when it returns as ours is. Each
// starts with nothing pending on the disk, so none pays for another's writes. The copies
// are removed; false when one failed.
inline bool timeCopyPeers(const std::string& source, const std::string& peer,
                          std::vector<double>& cpTimes, std::vector<double>& cpSyncTimes) {
    bool ok = true;
    runCommand({"sync"});
    cpTimes.push_back(timed([&] { ok &= runCommand({"cp", source, peer}); }));
    std::filesystem::remove(peer);
    runCommand({"sync"});
    cpSyncTimes.push_back(timed([&] {
        ok &= runCommand({"cp", source, peer}) && runCommand({"sync", peer});
    }));
    std::filesystem::remove(peer);
    return ok;
}

inline const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

} // namespace bench
