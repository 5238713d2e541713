// The tool's copy of one file against the durable copies a user would reach for, cp
// followed by sync of the copy and dd with conv=fsync, and against plain cp, which leaves
// its data in the page cache, as the price of durability. The source is cached, as the
// database is when the run copies it: the run has just moved it.
//
//   copy-bench COPY_FILE FOLDER SIZE_MIB

#include "BenchSupport.h"

#include <string>

int main(int argc, char** argv) {
    // Line by line, so that the figures show as they come, in order with what the
    // programs run print.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s COPY_FILE FOLDER SIZE_MIB\n", argv[0]);
        return 2;
    }
    const std::string copyFile = argv[1];
    const std::string folder = argv[2];
    const std::size_t mib = std::strtoull(argv[3], nullptr, 10);
    const std::size_t size = mib << 20;
    const int rounds = bench::roundsFromEnvironment(9);

    std::printf("== copy of a %zu MiB file\n", mib);
    // The source and one copy at a time, and room to spare for the file system.
    const double needed = 2.0 * size + (512 << 20);
    if (bench::freeBytes(folder) < needed) {
        std::printf("  skipped: %.1f GiB free in %s, %.1f GiB needed\n",
                    bench::freeBytes(folder) / (1 << 30), folder.c_str(), needed / (1 << 30));
        return 0;
    }
    const std::string source = folder + "/source.gdb";
    const std::string copy = folder + "/copy.fdb";
    if (!bench::writePattern(source, size)) {
        std::fprintf(stderr, "cannot write %s\n", source.c_str());
        return 1;
    }
    const auto fresh = [&] {
        ::unlink(copy.c_str());
        ::sync();
    };
    const bench::Contender ours{"ours", fresh, [&] {
                                    return bench::run({copyFile, source, copy});
                                }};
    const std::vector<bench::Contender> peers{
        {"cp + sync FILE", fresh,
         [&] {
             return bench::runInTurn({{"cp", source, copy}, {"sync", copy}});
         }},
        {"dd bs=1M conv=fsync", fresh,
         [&] {
             return bench::run(
                 {"dd", "if=" + source, "of=" + copy, "bs=1M", "conv=fsync", "status=none"});
         }},
        {"cp (not durable)", fresh,
         [&] {
             return bench::run({"cp", source, copy});
         }},
    };
    const bench::Comparison c = bench::compare(ours, peers, rounds);
    ::unlink(copy.c_str());
    ::unlink(source.c_str());
    if (!c.ok)
        return 1;
    bench::print(c, "ours", peers);
    if (mib == 1024)
        bench::ratioTarget(c, 0, "ours <= 0.75 of cp + sync FILE at 1 GiB", 0.75);
    bench::target("peak memory of ours below 8 MiB", c.oursPeakMiB < 8);
    return 0;
}
