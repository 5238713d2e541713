#include "Platform.h"
#include "PosixFiles.h"
#include "ProfileText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Profile files on POSIX: the format lives in ProfileText; this is the file access
// around it. Nothing is cached, so every read sees the file as it is and every write is
// complete when it returns.

namespace platform {

namespace {

// Far above any settings file, and low enough that a huge file cannot exhaust memory.
constexpr std::size_t maxProfileBytes = std::size_t{1} << 30;

bool holdsNul(const std::u16string& text) {
    return text.find(u'\0') != std::u16string::npos;
}

// The file's bytes, or nothing when it is not a regular file that can be read whole.
// A FIFO or a device is never waited on, nor read without end.
std::optional<std::string> readRegularFile(const std::string& path, struct stat& st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.emplace();
        bytes->reserve(std::min(static_cast<std::size_t>(st.st_size), maxProfileBytes));
        std::vector<char> chunk(1 << 18);
        for (;;) {
            const ssize_t n = ::read(fd, chunk.data(), chunk.size());
            if (n == 0)
                break;
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 || bytes->size() + static_cast<std::size_t>(n) > maxProfileBytes) {
                bytes.reset();
                break;
            }
            bytes->append(chunk.data(), static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return bytes;
}

// The mode a new file gets from open(2): 0666 less the process's umask.
mode_t newFileMode() {
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "Umask:") {
            std::string octal;
            status >> octal;
            return 0666 & ~static_cast<mode_t>(std::strtoul(octal.c_str(), nullptr, 8));
        }
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::size_t getProfileString(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue, char16_t* buffer, std::size_t size,
                             const std::u16string& fileName) {
    if (size == 0)
        return 0;
    std::optional<std::u16string> value;
    const auto path = posix::resolvePath(fileName);
    if (path && !holdsNul(section) && !holdsNul(key)) {
        struct stat st;
        if (const auto bytes = readRegularFile(*path, st))
            value = profile::readValue(*bytes, section, key);
    }
    if (!value) {
        // Trailing blanks of the default are not part of it.
        value = defaultValue;
        value->erase(value->find_last_not_of(u' ') + 1);
    }
    const std::size_t count = std::min(value->size(), size - 1);
    value->copy(buffer, count);
    buffer[count] = u'\0';
    return count;
}

bool writeProfileString(const std::u16string& section, const std::u16string& key,
                        const std::u16string& value, const std::u16string& fileName) {
    if (holdsNul(section) || holdsNul(key) || holdsNul(value))
        return false;
    const auto path = posix::resolvePath(fileName);
    if (!path)
        return false;

    std::string target = *path;
    std::string bytes;
    mode_t mode;
    struct stat st;
    if (::lstat(path->c_str(), &st) != 0) {
        if (errno != ENOENT)
            return false;
        mode = newFileMode();
    } else {
        // A link stays a link: the file it names is the one rewritten. A dangling link
        // names no file to write.
        if (S_ISLNK(st.st_mode)) {
            char real[PATH_MAX];
            if (!::realpath(path->c_str(), real))
                return false;
            target = real;
        }
        auto existing = readRegularFile(target, st);
        if (!existing)
            return false;
        // The file is replaced by a rename, which asks only the folder's permission; the
        // file's own must hold as well. A file without any write permission is read-only
        // for everyone, root included, as a read-only file is on Windows.
        if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            return false;
        bytes = std::move(*existing);
        mode = st.st_mode & 07777;
    }

    const auto edit = profile::editValue(bytes, section, key, value);
    if (!edit)
        return false;
    if (!bytes.empty() &&
        std::string_view(bytes).substr(edit->from, edit->to - edit->from) == edit->replacement)
        return true;
    return posix::replaceFile(target, edit->pieces(bytes), mode);
}

void flushProfile(const std::u16string&) {
    // Every write is on disk when it returns: nothing is held back to flush.
}

} // namespace platform
