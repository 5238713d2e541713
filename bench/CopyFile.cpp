// The tool's copy as a process of its own, as the benchmarks run it against cp and dd.
//
//   copy-file SOURCE DESTINATION

#include "platform/Platform.h"
#include "platform/Unicode.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE DESTINATION\n", argv[0]);
        return 2;
    }
    const auto source = platform::utf8ToUtf16(argv[1]);
    const auto destination = platform::utf8ToUtf16(argv[2]);
    return source && destination && platform::copyFile(*source, *destination, false) ? 0 : 1;
}
