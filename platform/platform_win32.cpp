#include "Platform.h"

#include <algorithm>
#include <windows.h>

namespace platform {

namespace {

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The API reads names up to their first NUL; a name holding one would name another file.
bool holdsNul(const std::u16string& text) {
    return text.find(u'\0') != std::u16string::npos;
}

} // namespace

std::u16string_view pathDelimiters() {
    return u"\\:";
}

std::u16string executablePath() {
    wchar_t buffer[261];
    const DWORD count = GetModuleFileNameW(nullptr, buffer, 261);
    std::u16string path(reinterpret_cast<const char16_t*>(buffer), count);
    return path.substr(0, path.find(u'\0'));
}

bool fileExists(const std::u16string& path, bool followLink) {
    if (holdsNul(path))
        return false;
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!followLink || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 || directory)
            return !directory;
        // A link: what counts is its target.
        const HANDLE handle = CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            return true;
        }
        return GetLastError() == ERROR_SHARING_VIOLATION;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_INVALID_NAME)
        return false;
    // The attributes of a file locked by another program may be denied; its folder
    // entry still tells.
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(wide(path), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool moveFile(const std::u16string& source, const std::u16string& destination) {
    if (holdsNul(source) || holdsNul(destination))
        return false;
    // The tool moves files only; a folder standing at the database's name stays put.
    const DWORD attributes = GetFileAttributesW(wide(source));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    return MoveFileW(wide(source), wide(destination)) != 0;
}

bool copyFile(const std::u16string& source, const std::u16string& destination, bool failIfExists) {
    return !holdsNul(source) && !holdsNul(destination) &&
           CopyFileW(wide(source), wide(destination), failIfExists) != 0;
}

std::size_t getProfileString(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue, char16_t* buffer, std::size_t size,
                             const std::u16string& fileName) {
    if (size == 0)
        return 0;
    if (holdsNul(section) || holdsNul(key) || holdsNul(fileName)) {
        // As the API does with a default: its trailing blanks are not part of it.
        const std::size_t blanksFrom = defaultValue.find_last_not_of(u' ') + 1;
        const std::size_t count = std::min(blanksFrom, size - 1);
        defaultValue.copy(buffer, count);
        buffer[count] = u'\0';
        return count;
    }
    return GetPrivateProfileStringW(wide(section), wide(key), wide(defaultValue),
                                    reinterpret_cast<wchar_t*>(buffer), static_cast<DWORD>(size),
                                    wide(fileName));
}

bool writeProfileString(const std::u16string& section, const std::u16string& key,
                        const std::u16string& value, const std::u16string& fileName) {
    if (holdsNul(section) || holdsNul(key) || holdsNul(value) || holdsNul(fileName))
        return false;
    return WritePrivateProfileStringW(wide(section), wide(key), wide(value), wide(fileName)) != 0;
}

void flushProfile(const std::u16string& fileName) {
    if (!holdsNul(fileName))
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, wide(fileName));
}

} // namespace platform
