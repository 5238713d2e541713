// One settings write by the tool against one by crudini --set, each a whole process, on
// files of the suite's shape from 10 KB to 5 MB; then the tool's peak memory for a write
// into a 50 MB file, which must hold the file once, not twice.
//
//   settings-bench SETTINGS_WRITE FOLDER

#include "BenchSupport.h"

#include <fstream>
#include <string>

namespace {

// Sections of a hundred lines, CR LF line breaks, a comment now and then: the shape of
// the suite's files, only much longer. Returns the name of the section in the middle.
std::string generate(const std::string& file, std::size_t bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    char line[128];
    long section = 0;
    for (long n = 0; static_cast<std::size_t>(out.tellp()) < bytes; ++n) {
        if (n % 100 == 0)
            std::snprintf(line, sizeof line, "[Secao%04ld]\r\n", ++section);
        else if (n % 100 == 1)
            std::snprintf(line, sizeof line, "; module %04ld\r\n", section);
        else
            std::snprintf(line, sizeof line,
                          "Chave%02ld=C:\\SISTEMA\\DADOS\\MODULO%04ld\\BANCO%02ld.FDB\r\n", n % 100,
                          section, n % 100);
        out << line;
    }
    char name[32];
    std::snprintf(name, sizeof name, "Secao%04ld", (section + 1) / 2);
    return name;
}

void copyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
}

} // namespace

int main(int argc, char** argv) {
    // Line by line, so that the figures show as they come, in order with what the
    // programs run print.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SETTINGS_WRITE FOLDER\n", argv[0]);
        return 2;
    }
    const std::string settingsWrite = argv[1];
    const std::string folder = argv[2];
    const int rounds = bench::roundsFromEnvironment(9);
    const std::string master = folder + "/master.ini";
    const std::string file = folder + "/Quorvane.ini";
    const std::string key = "Chave50";
    const std::string value = "C:\\SISTEMA\\DADOS\\BANCO.FDB";

    struct Size {
        const char* name;
        std::size_t bytes;
    };
    for (const Size size :
         {Size{"10 KB", 10'000}, Size{"1 MB", 1'000'000}, Size{"5 MB", 5'000'000}}) {
        const std::string section = generate(master, size.bytes);
        std::printf("== settings write: one key in the middle of a %s file\n", size.name);
        const auto fresh = [&] {
            copyFile(master, file);
            ::sync();
        };
        const bench::Contender ours{
            "ours", fresh, [&] {
                return bench::run({settingsWrite, file, section, key, value});
            }};
        const std::vector<bench::Contender> peers{
            {"crudini --set", fresh, [&] {
                 return bench::run({"crudini", "--set", file, section, key, value});
             }}};
        const bench::Comparison c = bench::compare(ours, peers, rounds);
        if (!c.ok)
            return 1;
        bench::print(c, "ours", peers, 1000, "ms");
        const double r = bench::ratioMedian(c, 0);
        std::printf("  ours is %.1f times as fast as crudini (median of the rounds' ratios)\n",
                    1 / r);
        if (size.bytes == 1'000'000)
            bench::target("at least 20 times as fast as crudini at 1 MB", 1 / r >= 20);
    }

    std::printf("== settings write: peak memory for one key in a 50 MB file\n");
    const std::string section = generate(master, 50'000'000);
    double peak = 0;
    for (int run = 0; run < 3; ++run) {
        copyFile(master, file);
        const bench::Run r = bench::run({settingsWrite, file, section, key, value});
        if (!r.ok)
            return 1;
        peak = std::max(peak, r.peakMiB);
    }
    std::printf("  peak memory of ours %.1f MiB for a file of %.1f MiB (3 writes)\n", peak,
                50'000'000 / 1048576.0);
    ::unlink(file.c_str());
    ::unlink(master.c_str());
    return 0;
}
