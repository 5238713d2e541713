#include "XDisplay.h"

#include <poll.h>
#include <unistd.h>

std::string displayFromPipe(int fd, std::chrono::milliseconds patience) {
    std::string number;
    pollfd reader{fd, POLLIN, 0};
    char c = 0;
    while (::poll(&reader, 1, static_cast<int>(patience.count())) > 0 && ::read(fd, &c, 1) == 1 &&
           c != '\n')
        number += c;
    ::close(fd);
    return number.empty() ? std::string() : ":" + number;
}
