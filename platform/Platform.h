#pragma once

// The operating system as the tool sees it. Two backends implement this header:
// platform_win32.cpp calls the Win32 API, platform_posix.cpp gives the same results
// on POSIX systems (names resolved as Windows would, profile files read and written
// the way Windows does). Every function reports by its result and never throws.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The characters that end a folder in a path of this platform: backslash and colon on
// Windows, slash on POSIX.
std::u16string_view pathDelimiters();

// Full path of the running executable.
std::u16string executablePath();

// True for an existing path that is not a folder; links are followed when asked.
bool fileExists(const std::u16string& path, bool followLink);

// Renames or moves a file. Never replaces an existing destination.
bool moveFile(const std::u16string& source, const std::u16string& destination);

// Copies a file's contents and attributes. With failIfExists false an existing
// destination is replaced; a failed copy leaves the destination as it was.
bool copyFile(const std::u16string& source, const std::u16string& destination, bool failIfExists);

// Reads one key of a profile (settings) file into buffer, which holds size units. The
// result is the number of units copied, without the terminating zero that follows them.
// A missing file, section or key copies the default.
std::size_t getProfileString(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue, char16_t* buffer, std::size_t size,
                             const std::u16string& fileName);

// Writes one key of a profile file, creating the key, the section or the file as needed.
bool writeProfileString(const std::u16string& section, const std::u16string& key,
                        const std::u16string& value, const std::u16string& fileName);

// Asks the platform to write out what it holds cached for the file.
void flushProfile(const std::u16string& fileName);

} // namespace platform
