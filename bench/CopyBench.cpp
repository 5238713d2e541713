// Copies one file with the tool's own copy and with cp, alternating, several rounds, and
// prints the median times, their ratio and this process's peak memory.
//
//   copy-bench FILE ROUNDS

#include "BenchSupport.h"
#include "platform/Platform.h"
#include "platform/Unicode.h"

#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE ROUNDS\n", argv[0]);
        return 2;
    }
    const std::string source = argv[1];
    const int rounds = std::atoi(argv[2]);
    const std::string ours = source + ".ours";
    const std::string peer = source + ".cp";
    const auto source16 = *platform::utf8ToUtf16(source);
    const auto ours16 = *platform::utf8ToUtf16(ours);

    std::vector<double> oursTimes, cpTimes, cpSyncTimes;
    for (int round = 0; round < rounds; ++round) {
        bench::runCommand({"sync"});
        bool ok = true;
        oursTimes.push_back(
            bench::timed([&] { ok = platform::copyFile(source16, ours16, false); }));
        std::filesystem::remove(ours);
        if (!ok || !bench::timeCopyPeers(source, peer, cpTimes, cpSyncTimes)) {
            std::fprintf(stderr, "a copy failed\n");
            return 1;
        }
    }
    const double o = bench::median(oursTimes), c = bench::median(cpTimes),
                 cs = bench::median(cpSyncTimes);
    std::printf("  ours %.3f s, cp %.3f s, cp+sync %.3f s (medians of %d rounds)\n", o, c, cs,
                rounds);
    std::printf("  ratio ours/cp %.2f (target <= 1.05: %s), ours/(cp+sync) %.2f\n", o / c,
                bench::verdict(o / c <= 1.05), o / cs);
    std::printf("  peak memory of ours %.1f MiB (target < 16 MiB: %s)\n", bench::peakMemoryMiB(),
                bench::verdict(bench::peakMemoryMiB() < 16));
    return 0;
}
