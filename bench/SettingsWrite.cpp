// One settings write by the tool, as a process of its own, as the benchmarks run it
// against crudini.
//
//   settings-write FILE SECTION KEY VALUE

#include "migration/IniFiles.h"
#include "platform/Unicode.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FILE SECTION KEY VALUE\n", argv[0]);
        return 2;
    }
    const auto text = [](const char* utf8) { return platform::utf8ToUtf16(utf8).value_or(u""); };
    try {
        TIniFile ini(text(argv[1]));
        ini.WriteString(text(argv[2]), text(argv[3]), text(argv[4]));
    } catch (const Exception&) {
        return 1;
    }
    return 0;
}
