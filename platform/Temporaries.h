#pragma once

// The hidden files both backends write beside a file before it takes that file's name.
// Their names are of a form no file of the suite has, so what a crash leaves behind is
// known to be the tool's own, and the next run can remove it.

#include <cstddef>
#include <random>
#include <string>
#include <string_view>

namespace platform::temporaries {

inline constexpr std::string_view prefix = ".migtmp-";
inline constexpr std::size_t suffixLength = 10;
inline constexpr std::string_view suffixLetters = "abcdefghijklmnopqrstuvwxyz0123456789";

inline std::string randomName() {
    static std::mt19937_64 generator{std::random_device{}()};
    std::string name(prefix);
    for (std::size_t i = 0; i < suffixLength; ++i)
        name += suffixLetters[generator() % suffixLetters.size()];
    return name;
}

template <class Char> bool isTemporaryName(std::basic_string_view<Char> name) {
    if (name.size() != prefix.size() + suffixLength)
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto unit = name[i];
        if (i < prefix.size() ? unit != static_cast<Char>(prefix[i])
                              : unit > 0x7F || suffixLetters.find(static_cast<char>(unit)) ==
                                                   std::string_view::npos)
            return false;
    }
    return true;
}

} // namespace platform::temporaries
