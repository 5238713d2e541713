#pragma once

#include <chrono>
#include <string>

// The display that an X server started with "-displayfd" names, read from the other end of
// that pipe, which this closes: ":N", or empty when the server named none in time.
std::string displayFromPipe(int fd, std::chrono::milliseconds patience);
