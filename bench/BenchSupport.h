#pragma once

// Shared by the benchmark programs. Every figure is taken the same way: whole processes,
// ours and the peers, timed from the start of the process to its end; a warm-up round
// that counts for nothing; then rounds in which ours and the peers take turns, the order
// reversed every other round; the ratio of ours to each peer taken within each round; the
// median printed with the smallest and the largest value; and the peak memory of our
// process alone.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench {

inline double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Run {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = false;
};

// This process's environment without the given variables, and with the additions.
inline std::vector<std::string> environment(const std::vector<std::string>& without = {},
                                            const std::vector<std::string>& with = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (std::find(without.begin(), without.end(), name) == without.end())
            env.push_back(entry);
    }
    env.insert(env.end(), with.begin(), with.end());
    return env;
}

// A process of its own, started the way a shell starts one: fork, then exec in folder.
class Process {
public:
    explicit Process(const std::vector<std::string>& argv, const std::string& folder = ".",
                     const std::vector<std::string>& env = environment(), int keepFd = -1)
        : start_(std::chrono::steady_clock::now()) {
        std::vector<char*> args, envp;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const auto& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            for (int fd = 3; fd < 256; ++fd)
                if (fd != keepFd)
                    ::close(fd);
            if (::chdir(folder.c_str()) == 0)
                ::execvpe(args[0], args.data(), envp.data());
            ::_exit(127);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // Waits for the end: the time since the start, the process's peak resident memory,
    // and whether it ended with code 0.
    Run wait() {
        int status = 0;
        rusage usage{};
        ::wait4(pid_, &status, 0, &usage);
        pid_ = -1;
        return {seconds(std::chrono::steady_clock::now() - start_), usage.ru_maxrss / 1024.0,
                WIFEXITED(status) && WEXITSTATUS(status) == 0};
    }

private:
    std::chrono::steady_clock::time_point start_;
    pid_t pid_ = -1;
};

inline Run run(const std::vector<std::string>& argv) {
    return Process(argv).wait();
}

// Processes one after the other, as a shell's "a && b" runs them, timed as one.
inline Run runInTurn(const std::vector<std::vector<std::string>>& commands) {
    Run total{0, 0, true};
    for (const auto& argv : commands) {
        const Run one = run(argv);
        total.seconds += one.seconds;
        total.ok = total.ok && one.ok;
        if (!total.ok)
            break;
    }
    return total;
}

struct Contender {
    std::string name;
    // Untimed, before every timed run: removes what the last run left and writes out
    // what is pending, so that no contender pays for another's writes.
    std::function<void()> prepare;
    std::function<Run()> run;
};

struct Spread {
    double median, min, max;
};

inline Spread spread(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

struct Comparison {
    std::vector<double> ours;
    std::vector<std::vector<double>> peers;  // seconds, per peer
    std::vector<std::vector<double>> ratios; // ours / peer within each round, per peer
    double oursPeakMiB = 0;
    bool ok = true;
};

// The rounds that are counted; a warm-up round runs before them.
inline int roundsFromEnvironment(int fallback) {
    const char* text = std::getenv("BENCH_ROUNDS");
    return text ? std::max(1, std::atoi(text)) : fallback;
}

inline Comparison compare(const Contender& ours, const std::vector<Contender>& peers, int rounds) {
    Comparison result;
    result.peers.resize(peers.size());
    result.ratios.resize(peers.size());
    std::vector<const Contender*> order{&ours};
    for (const auto& p : peers)
        order.push_back(&p);
    for (int round = 0; round <= rounds && result.ok; ++round) {
        std::vector<double> took(order.size());
        for (std::size_t turn = 0; turn < order.size(); ++turn) {
            const std::size_t who = round % 2 ? order.size() - 1 - turn : turn;
            if (order[who]->prepare)
                order[who]->prepare();
            const Run r = order[who]->run();
            if (!r.ok) {
                std::fprintf(stderr, "%s failed\n", order[who]->name.c_str());
                result.ok = false;
                break;
            }
            took[who] = r.seconds;
            if (who == 0 && round > 0)
                result.oursPeakMiB = std::max(result.oursPeakMiB, r.peakMiB);
        }
        if (round == 0 || !result.ok)
            continue;
        result.ours.push_back(took[0]);
        for (std::size_t p = 0; p < peers.size(); ++p) {
            result.peers[p].push_back(took[p + 1]);
            result.ratios[p].push_back(took[0] / took[p + 1]);
        }
    }
    return result;
}

inline const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

// Prints the times and the ratios, each as its median with the smallest and largest value.
// scale turns seconds into the unit named.
inline void print(const Comparison& c, const std::string& oursName,
                  const std::vector<Contender>& peers, double scale = 1, const char* unit = "s") {
    const auto line = [&](const std::string& name, const std::vector<double>& values, double k,
                          const char* u) {
        const Spread s = spread(values);
        std::printf("  %-36s %9.3f %-2s (min %.3f, max %.3f)\n", name.c_str(), s.median * k, u,
                    s.min * k, s.max * k);
    };
    std::printf("  %d rounds after a warm-up; median, then smallest and largest\n",
                static_cast<int>(c.ours.size()));
    line(oursName, c.ours, scale, unit);
    for (std::size_t p = 0; p < peers.size(); ++p)
        line(peers[p].name, c.peers[p], scale, unit);
    for (std::size_t p = 0; p < peers.size(); ++p)
        line("ratio ours / " + peers[p].name, c.ratios[p], 1, "");
    std::printf("  %-36s %9.1f MiB\n", "peak memory of ours", c.oursPeakMiB);
}

inline double ratioMedian(const Comparison& c, std::size_t peer) {
    return spread(c.ratios[peer]).median;
}

inline void target(const std::string& what, bool met) {
    std::printf("  target: %s: %s\n", what.c_str(), verdict(met));
}

// A target on the median of the rounds' ratios of ours to one peer.
inline void ratioTarget(const Comparison& c, std::size_t peer, const std::string& what,
                        double limit) {
    const double r = ratioMedian(c, peer);
    char median[32];
    std::snprintf(median, sizeof median, " (median %.2f)", r);
    target(what + median, r <= limit);
}

// Free bytes on the file system that holds path.
inline double freeBytes(const std::string& path) {
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0)
        return 0;
    return static_cast<double>(st.f_bavail) * st.f_frsize;
}

// Writes size bytes of a pattern to path a megabyte at a time, so that this process stays
// small: a child it starts begins with its resident memory.
inline bool writePattern(const std::string& path, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::vector<char> block(1 << 20);
    bool ok = true;
    for (std::size_t done = 0; ok && done < size;) {
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>((done + i) * 7919 % 251 ^ (done >> 20));
        const std::size_t n = std::min(block.size(), size - done);
        ok = ::write(fd, block.data(), n) == static_cast<ssize_t>(n);
        done += n;
    }
    return ::close(fd) == 0 && ok;
}

} // namespace bench
