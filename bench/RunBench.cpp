// The whole migration as its user runs it, window included, on a sample installation with
// a database of the size given, against cp of the same database in the same run: the
// median time ratio and the run's peak memory.
//
//   run-bench SIZE_MIB ROUNDS

#include "BenchSupport.h"
#include "Installation.h"
#include "WindowDriver.h"

#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct ChildRun {
    double seconds;
    double peakMiB;
    bool ok;
};

// The tool in a process of its own, so that its peak memory is its own.
ChildRun runTool(const Installation& suite) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = startTool(suite.base());
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    return {bench::seconds(std::chrono::steady_clock::now() - start), usage.ru_maxrss / 1024.0,
            WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SIZE_MIB ROUNDS\n", argv[0]);
        return 2;
    }
    const std::size_t size = std::strtoull(argv[1], nullptr, 10) << 20;
    const int rounds = std::atoi(argv[2]);

    // Written once and linked into each round's installation: the run only renames and
    // copies it.
    TempFolder work;
    const fs::path master = work / "master.gdb";
    writeBytes(master, Installation::databaseContent(size));
    const std::string peer = (work / "peer.fdb").string();

    std::vector<double> runs, copies, copiesSynced;
    double peak = 0;
    for (int round = 0; round < rounds; ++round) {
        Installation suite;
        suite.addModules(true, true, true);
        fs::create_hard_link(master, suite.folder / Installation::databaseName);
        suite.addAllSettings(suite.databasePath());
        bench::runCommand({"sync"});
        const ChildRun run = runTool(suite);
        if (!run.ok || !suite.exists(Installation::newDatabaseName)) {
            std::fprintf(stderr, "the run did not convert the database\n");
            return 1;
        }
        runs.push_back(run.seconds);
        peak = std::max(peak, run.peakMiB);

        if (!bench::timeCopyPeers(master.string(), peer, copies, copiesSynced)) {
            std::fprintf(stderr, "cp failed\n");
            return 1;
        }
    }
    const double r = bench::median(runs), c = bench::median(copies),
                 cs = bench::median(copiesSynced);
    std::printf("  whole run %.3f s, cp %.3f s, cp+sync %.3f s (medians of %d rounds)\n", r, c, cs,
                rounds);
    std::printf("  ratio run/cp %.2f (target <= 1.1: %s), run/(cp+sync) %.2f\n", r / c,
                bench::verdict(r / c <= 1.1), r / cs);
    std::printf("  peak memory of the run, window included: %.1f MiB (target < 64 MiB: %s)\n", peak,
                bench::verdict(peak < 64));
    return 0;
}
