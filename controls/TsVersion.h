#pragma once

#include <string>
#include <vector>

// The control library's answer to its version switch, given at start-up.

// The library's name and version, as the version box shows them.
std::u16string LibraryVersionText();

// True when one of the arguments (the program's name excluded), converted to lower case,
// is the version switch. Every other argument is ignored.
bool HasVersionSwitch(const std::vector<std::u16string>& arguments);
