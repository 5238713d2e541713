#include "Platform.h"

#include <algorithm>

// Placeholder until the profile-file backend lands: reads give the default, writes fail.

namespace platform {

std::size_t getProfileString(const std::u16string&, const std::u16string&,
                             const std::u16string& defaultValue, char16_t* buffer, std::size_t size,
                             const std::u16string&) {
    if (size == 0)
        return 0;
    const std::size_t count = std::min(defaultValue.size(), size - 1);
    defaultValue.copy(buffer, count);
    buffer[count] = u'\0';
    return count;
}

bool writeProfileString(const std::u16string&, const std::u16string&, const std::u16string&,
                        const std::u16string&) {
    return false;
}

void flushProfile(const std::u16string&) {}

} // namespace platform
