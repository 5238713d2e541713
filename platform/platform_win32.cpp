#include "Platform.h"
#include "Temporaries.h"
#include "Unicode.h"

#include <algorithm>
#include <windows.h>

namespace platform {

namespace {

// The API reads names up to their first NUL; a name holding one would name another file.
bool holdsNul(const std::u16string& text) {
    return text.find(u'\0') != std::u16string::npos;
}

// From this size on the database is copied without the system cache, as Windows recommends
// for very large files. The copy is flushed to the disk before it takes its name in any case,
// so caching it would gain nothing and push the rest of the cache out on a machine short of
// memory; below this size that cost is small.
constexpr ULONGLONG unbufferedCopyFrom = ULONGLONG{64} << 20;

// The folder part of a name, delimiter included: a name may use either separator, or be
// relative to a drive's current folder.
std::u16string folderOf(const std::u16string& path) {
    const auto last = path.find_last_of(u"\\/:");
    return last == std::u16string::npos ? std::u16string() : path.substr(0, last + 1);
}

// What a power cut during an earlier run left in folder: the tool's own temporaries only.
void removeLeftovers(const std::u16string& folder) {
    const std::u16string pattern =
        folder + std::u16string(temporaries::prefix.begin(), temporaries::prefix.end()) + u"*";
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(wide(pattern), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::u16string_view name(reinterpret_cast<const char16_t*>(entry.cFileName));
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            temporaries::isTemporaryName(name)) {
            const std::u16string path = folder + std::u16string(name);
            SetFileAttributesW(wide(path), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(wide(path));
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

// A hidden file beside the one it is to replace, removed again unless it took that file's
// name. CopyFileW and the profile API write in place and flush nothing, so a power cut
// would leave the file torn; this way it is written whole and flushed before it appears.
class Temporary {
public:
    explicit Temporary(const std::u16string& finalPath) : folder_(folderOf(finalPath)) {
        removeLeftovers(folder_);
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() {
        if (!path_.empty()) {
            SetFileAttributesW(wide(path_), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(wide(path_));
        }
    }

    // make(name) creates the file under name, and fails with ERROR_FILE_EXISTS when the
    // name is taken.
    template <class Make> bool create(Make make) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string random = temporaries::randomName();
            const std::u16string name = folder_ + std::u16string(random.begin(), random.end());
            if (make(name)) {
                path_ = name;
                return true;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
                SetFileAttributesW(wide(name), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(wide(name));
                return false;
            }
        }
        return false;
    }

    const std::u16string& path() const { return path_; }
    // It has its final name now, or is the only copy left of what it holds.
    void keep() { path_.clear(); }

private:
    std::u16string folder_;
    std::u16string path_;
};

// Writes what the system holds of the file to the disk.
bool flushFile(const std::u16string& path) {
    const HANDLE handle = CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool flushed = FlushFileBuffers(handle) != 0;
    CloseHandle(handle);
    return flushed;
}

// Hides the copy from its first byte on, where the copy reports its streams.
DWORD CALLBACK hideWhileCopying(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                DWORD reason, HANDLE, HANDLE destination, LPVOID) {
    FILE_BASIC_INFO info;
    if (reason == CALLBACK_STREAM_SWITCH &&
        GetFileInformationByHandleEx(destination, FileBasicInfo, &info, sizeof info)) {
        // Zero times leave the times as they are.
        info.CreationTime.QuadPart = info.LastAccessTime.QuadPart = 0;
        info.LastWriteTime.QuadPart = info.ChangeTime.QuadPart = 0;
        info.FileAttributes |= FILE_ATTRIBUTE_HIDDEN;
        SetFileInformationByHandle(destination, FileBasicInfo, &info, sizeof info);
    }
    return PROGRESS_CONTINUE;
}

// Whether the profile API could write the file where it stands: not a folder, not
// read-only, and open to writing by this user now. A rename over it would ask none of it.
bool writableInPlace(const std::u16string& fileName, DWORD attributes) {
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return false;
    const HANDLE handle = CreateFileW(wide(fileName), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(handle);
    return true;
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
    // MoveFileW's own semantics, but not done until the move is on the disk: across volumes
    // that means the copy is flushed before the source is deleted.
    return MoveFileExW(wide(source), wide(destination),
                       MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != 0;
}

bool copyFile(const std::u16string& source, const std::u16string& destination, bool failIfExists) {
    if (holdsNul(source) || holdsNul(destination))
        return false;
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExW(wide(source), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    // What CopyFileW refuses to overwrite: anything when asked not to, and a folder, a
    // read-only file or a hidden one.
    const DWORD existing = GetFileAttributesW(wide(destination));
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (failIfExists || (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                                      FILE_ATTRIBUTE_HIDDEN)) != 0))
        return false;

    const ULONGLONG size = (ULONGLONG{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    DWORD flags = COPY_FILE_FAIL_IF_EXISTS;
    if (size >= unbufferedCopyFrom)
        flags |= COPY_FILE_NO_BUFFERING;
    Temporary copy(destination);
    if (!copy.create([&](const std::u16string& name) {
            return CopyFileExW(wide(source), wide(name), hideWhileCopying, nullptr, nullptr,
                               flags) != 0;
        }))
        return false;
    // The copy carries the source's attributes, as CopyFileW's would; a read-only one is
    // writable only for as long as it takes to flush it.
    const DWORD attributes = GetFileAttributesW(wide(copy.path()));
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !SetFileAttributesW(wide(copy.path()),
                            (attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL)) |
                                FILE_ATTRIBUTE_HIDDEN) ||
        !flushFile(copy.path()) || !SetFileAttributesW(wide(copy.path()), attributes) ||
        !MoveFileExW(wide(copy.path()), wide(destination),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    copy.keep();
    return true;
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
    const DWORD attributes = GetFileAttributesW(wide(fileName));
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists ? !writableInPlace(fileName, attributes) : GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;

    // The platform's own writer still decides every byte; it writes a copy, and only the
    // moment the new file appears is the tool's.
    Temporary edited(fileName);
    if (!edited.create([&](const std::u16string& name) {
            if (exists)
                return CopyFileExW(wide(fileName), wide(name), nullptr, nullptr, nullptr,
                                   COPY_FILE_FAIL_IF_EXISTS) != 0;
            const HANDLE handle = CreateFileW(wide(name), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                              FILE_ATTRIBUTE_HIDDEN, nullptr);
            if (handle == INVALID_HANDLE_VALUE)
                return false;
            CloseHandle(handle);
            return true;
        }))
        return false;
    const std::u16string temporaryName = edited.path();
    const wchar_t* temporary = wide(temporaryName);
    if (exists)
        SetFileAttributesW(temporary,
                           (attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_HIDDEN);
    if (!WritePrivateProfileStringW(wide(section), wide(key), wide(value), temporary))
        return false;
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, temporary);
    if (!flushFile(edited.path()))
        return false;

    if (!exists) {
        const DWORD written = GetFileAttributesW(temporary) & ~FILE_ATTRIBUTE_HIDDEN;
        SetFileAttributesW(temporary, written != 0 ? written : FILE_ATTRIBUTE_NORMAL);
        if (!MoveFileExW(temporary, wide(fileName),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return false;
        edited.keep();
        return true;
    }
    // ReplaceFileW keeps the original's ACL and merges its attributes into the new file;
    // they are set here as well, for layers that do not merge them.
    SetFileAttributesW(temporary, attributes);
    if (ReplaceFileW(wide(fileName), temporary, nullptr, 0, nullptr, nullptr)) {
        edited.keep();
        return true;
    }
    if (GetLastError() != ERROR_UNABLE_TO_MOVE_REPLACEMENT)
        return false;
    // The original is gone and the new file still has its temporary name: now it is the
    // only copy of the settings.
    edited.keep();
    return MoveFileExW(temporary, wide(fileName),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void flushProfile(const std::u16string& fileName) {
    if (!holdsNul(fileName))
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, wide(fileName));
}

} // namespace platform
