// Times settings-file writes for scripts/bench.
//
//   profile_bench generate FILE LINES            a settings file of about LINES lines
//   profile_bench write FILE SECTION KEY RUNS    rewrites KEY RUNS times, prints the median
//                                                time of one write in milliseconds

#include "migration/IniFiles.h"
#include "platform/Unicode.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::u16string u16(const char* text) {
    return platform::utf8ToUtf16(text).value_or(u"");
}

// Sections of a hundred lines, CR LF line breaks, a comment now and then: the shape of
// the suite's files, only much longer.
int generate(const char* file, long lines) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    char line[128];
    for (long n = 0, section = 0; n < lines; ++n) {
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
    return out ? 0 : 1;
}

int write(const char* file, const char* section, const char* key, int runs) {
    const std::u16string name = u16(file);
    std::vector<double> milliseconds;
    for (int run = 0; run < runs; ++run) {
        const std::u16string value = run % 2 ? u"C:\\SISTEMA\\DADOS\\BANCO.FDB" : u"C:\\OUTRO.FDB";
        const auto start = std::chrono::steady_clock::now();
        {
            TIniFile ini(name);
            ini.WriteString(u16(section), u16(key), value);
        }
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        milliseconds.push_back(took.count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("%.3f\n", milliseconds[milliseconds.size() / 2]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "generate" && argc == 4)
        return generate(argv[2], std::atol(argv[3]));
    if (command == "write" && argc == 6)
        return write(argv[2], argv[3], argv[4], std::max(1, std::atoi(argv[5])));
    std::fprintf(stderr, "usage: profile_bench generate FILE LINES\n"
                         "       profile_bench write FILE SECTION KEY RUNS\n");
    return 2;
}
