#include "Platform.h"
#include "PosixFiles.h"
#include "Temporaries.h"
#include "Unicode.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

bool isSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_;
};

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The entry of folder that stands for component: itself when it exists under that exact
// spelling, else the first case variant in byte order, else the spelling given.
std::string matchComponent(const std::string& folder, const std::string& component) {
    struct stat st;
    const std::string listed = folder.empty() ? "." : folder;
    const std::string exact =
        folder.empty() || folder.back() == '/' ? folder + component : folder + "/" + component;
    if (component == "." || component == ".." || ::lstat(exact.c_str(), &st) == 0)
        return component;
    const std::u16string wanted = fileNameToUtf16(component);
    DIR* dir = ::opendir(listed.c_str());
    if (!dir)
        return component;
    std::string best;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < wanted.size() || (!best.empty() && name >= best))
            continue;
        if (equalsIgnoringCase(fileNameToUtf16(name), wanted))
            best = name;
    }
    ::closedir(dir);
    return best.empty() ? component : best;
}

// A folder's entries reach the disk only with a flush of their own. A file system that
// cannot flush a folder (EINVAL) keeps its names its own way; any other failure means a
// name just made may not survive a power cut.
bool syncFolder(const std::string& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd && (::fsync(fd.get()) == 0 || errno == EINVAL);
}

bool syncFolders(const std::string& first, const std::string& second) {
    const bool firstSynced = syncFolder(first);
    return (first == second || syncFolder(second)) && firstSynced;
}

// Hidden temporaries that a crash left in folder, where the file system has no O_TMPFILE;
// each can be as large as the database. Only names of the tool's own form are touched.
void removeLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st;
        if (temporaries::isTemporaryName(std::string_view(entry->d_name)) &&
            ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// Where the file system allows, the file has no name until it is complete, so a crash
// while it is being filled leaves nothing behind. Otherwise it carries a hidden name that
// no name of the suite can match, and the next write in its folder removes it.
class PendingFile {
public:
    explicit PendingFile(std::string finalPath)
        : finalPath_(std::move(finalPath)), folder_(folderOf(finalPath_)) {}
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() {
        if (!tempName_.empty())
            ::unlink(tempName_.c_str());
    }

    bool create() {
        removeLeftovers(folder_);
        fd_.reset(::open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        if (fd_)
            return true;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return false;
        for (int attempt = 0; attempt < 100 && !fd_; ++attempt) {
            const std::string name = temporaryName();
            fd_.reset(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
            if (fd_)
                tempName_ = name;
            else if (errno != EEXIST)
                return false;
        }
        return static_cast<bool>(fd_);
    }

    int fd() const { return fd_.get(); }

    // Gives the finished file its final name, and makes the name last. Without replace an
    // existing file there makes this fail. When the folder cannot be flushed, a file that
    // stood at no name before is taken away again, so that the failure leaves things as
    // they were wherever that can be done.
    bool commit(bool replace) {
        if (::fsync(fd_.get()) != 0)
            return false;
        struct stat st;
        const bool nameWasFree = ::lstat(finalPath_.c_str(), &st) != 0;
        if (!place(replace))
            return false;
        if (syncFolder(folder_))
            return true;
        if (nameWasFree)
            ::unlink(finalPath_.c_str());
        return false;
    }

private:
    std::string temporaryName() const { return folder_ + "/" + temporaries::randomName(); }

    bool place(bool replace) {
        if (tempName_.empty()) {
            if (!replace)
                return linkInto(finalPath_);
            for (int attempt = 0; attempt < 100 && tempName_.empty(); ++attempt) {
                const std::string name = temporaryName();
                if (linkInto(name))
                    tempName_ = name;
                else if (errno != EEXIST)
                    return false;
            }
            if (tempName_.empty())
                return false;
        }
        if (replace) {
            if (::rename(tempName_.c_str(), finalPath_.c_str()) != 0)
                return false;
        } else {
            if (::link(tempName_.c_str(), finalPath_.c_str()) != 0)
                return false;
            ::unlink(tempName_.c_str());
        }
        tempName_.clear();
        return true;
    }

    bool linkInto(const std::string& name) {
        if (::linkat(fd_.get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno == EEXIST)
            return false;
        const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }

    std::string finalPath_;
    std::string folder_;
    std::string tempName_;
    FileDescriptor fd_;
};

// Starts the disk's writeback of each finished step of a copy, so that the disk writes one
// step while the next is read, and the final fsync waits for the last steps only. It asks
// for the write alone and never waits: a wait would take a writeback error for itself that
// the fsync must report. Where the call is refused the copy goes on and the fsync writes
// everything, as it would without it.
class Writeback {
public:
    explicit Writeback(int fd) : fd_(fd) {}

    // How much of the current step is still to be copied.
    std::size_t rest() const { return posix::copyStep - pending_; }

    void wrote(std::size_t bytes) {
        pending_ += bytes;
        if (pending_ < posix::copyStep)
            return;
        if (!refused_ && ::sync_file_range(fd_, offset_, static_cast<off_t>(pending_),
                                           SYNC_FILE_RANGE_WRITE) != 0)
            refused_ = true;
        offset_ += static_cast<off_t>(pending_);
        pending_ = 0;
    }

private:
    int fd_;
    bool refused_ = false;
    off_t offset_ = 0;
    std::size_t pending_ = 0;
};

bool writeAll(int fd, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The kernel moves the bytes (sendfile), so that they never pass through our memory. Not
// copy_file_range: on file systems that share blocks (XFS, btrfs) it makes the new database
// share the backup's blocks, and one damaged block would then damage both.
bool copyData(int in, int out) {
    Writeback writeback(out);
    for (;;) {
        const ssize_t n = ::sendfile(out, in, nullptr, writeback.rest());
        if (n > 0) {
            writeback.wrote(static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
            errno != EBADF && errno != EPERM)
            return false;
        break;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), std::min(buffer.size(), writeback.rest()));
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!writeAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(n))))
            return false;
        writeback.wrote(static_cast<std::size_t>(n));
    }
}

// Opens a regular file for reading without blocking on a FIFO or a device.
int openRegularFile(const std::string& path, struct stat& st) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    ::fcntl(fd.get(), F_SETFL, 0);
    return fd.release();
}

bool copyResolved(const std::string& source, const std::string& destination, bool replace) {
    struct stat sourceInfo;
    FileDescriptor in(openRegularFile(source, sourceInfo));
    if (!in)
        return false;
    struct stat destinationInfo;
    if (::stat(destination.c_str(), &destinationInfo) == 0) {
        // A read-only destination is refused, as Windows refuses it, though a rename over it
        // would only ask the folder's permission.
        if (!replace || S_ISDIR(destinationInfo.st_mode) || (destinationInfo.st_mode & 0222) == 0 ||
            ::access(destination.c_str(), W_OK) != 0)
            return false;
        if (destinationInfo.st_dev == sourceInfo.st_dev &&
            destinationInfo.st_ino == sourceInfo.st_ino)
            return false;
    }
    PendingFile out(destination);
    if (!out.create() || !copyData(in.get(), out.fd()))
        return false;
    ::fchmod(out.fd(), sourceInfo.st_mode & 07777);
    const struct timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    ::futimens(out.fd(), times);
    return out.commit(replace);
}

// The suite's other programs hold the database with a lock while they use it, as Windows
// would refuse to move a file open in another program.
bool lockedByAnotherProcess(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    return ::fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
}

bool moveAcrossFileSystems(const std::string& source, const std::string& destination,
                           const struct stat& sourceInfo) {
    if (S_ISLNK(sourceInfo.st_mode)) {
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(source.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size())
            return false;
        target.resize(n);
        if (::symlink(target.c_str(), destination.c_str()) != 0)
            return false;
        if (!syncFolder(folderOf(destination))) {
            ::unlink(destination.c_str());
            return false;
        }
    } else if (!copyResolved(source, destination, false)) {
        return false;
    }
    if (::unlink(source.c_str()) != 0) {
        ::unlink(destination.c_str());
        syncFolder(folderOf(destination));
        return false;
    }
    return syncFolder(folderOf(source));
}

// The folder that holds the running executable, as the tool names it and as the file
// system spells it.
struct OwnFolder {
    std::u16string name;
    std::string bytes;
};

std::string executableLink() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

const OwnFolder& ownFolder() {
    static const OwnFolder folder = [] {
        OwnFolder own;
        const std::string exe = executableLink();
        const auto slash = exe.rfind('/');
        if (slash != std::string::npos) {
            own.bytes = exe.substr(0, slash + 1);
            own.name = fileNameToUtf16(own.bytes);
        }
        return own;
    }();
    return folder;
}

} // namespace

namespace posix {

std::optional<std::string> resolvePath(std::u16string_view path) {
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos)
        return std::nullopt;
    const bool driveLetter =
        path.size() >= 2 && path[1] == u':' &&
        ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
    const bool serverName = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    if (driveLetter || serverName)
        return std::nullopt;

    // The tool's own folder is taken as it stands: a Linux folder name may hold a
    // backslash, which is no separator there.
    std::string resolved;
    const OwnFolder& own = ownFolder();
    if (!own.name.empty() && path.size() >= own.name.size() &&
        equalsIgnoringCase(path.substr(0, own.name.size()), own.name)) {
        resolved = own.bytes;
        path.remove_prefix(own.name.size());
    } else if (isSeparator(path.front())) {
        resolved = "/";
    }
    const auto bytes = fileNameFromUtf16(path);
    if (!bytes)
        return std::nullopt;

    for (std::size_t start = 0; start <= bytes->size();) {
        const std::size_t end = std::min(bytes->find_first_of("/\\", start), bytes->size());
        const std::string component = bytes->substr(start, end - start);
        start = end + 1;
        if (component.empty())
            continue;
        const std::string match = matchComponent(resolved, component);
        if (!resolved.empty() && resolved.back() != '/')
            resolved += '/';
        resolved += match;
    }
    if (!path.empty() && isSeparator(path.back()) && resolved.back() != '/')
        resolved += '/';
    return resolved;
}

bool replaceFile(const std::string& path, std::span<const std::string_view> content, mode_t mode) {
    PendingFile out(path);
    if (!out.create())
        return false;
    for (const std::string_view piece : content)
        if (!writeAll(out.fd(), piece))
            return false;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        // Another user's file stays theirs where the process may say so; where it may
        // not, the contents are still what the suite needs.
        const int owned = ::fchown(out.fd(), st.st_uid, st.st_gid);
        static_cast<void>(owned);
    }
    if (::fchmod(out.fd(), mode) != 0)
        return false;
    return out.commit(true);
}

} // namespace posix

std::u16string_view pathDelimiters() {
    return u"/";
}

std::u16string executablePath() {
    return fileNameToUtf16(executableLink());
}

bool fileExists(const std::u16string& path, bool followLink) {
    const auto resolved = posix::resolvePath(path);
    struct stat st;
    if (!resolved)
        return false;
    const int result =
        followLink ? ::stat(resolved->c_str(), &st) : ::lstat(resolved->c_str(), &st);
    return result == 0 && !S_ISDIR(st.st_mode);
}

bool moveFile(const std::u16string& source, const std::u16string& destination) {
    const auto from = posix::resolvePath(source);
    const auto to = posix::resolvePath(destination);
    struct stat sourceInfo;
    if (!from || !to || ::lstat(from->c_str(), &sourceInfo) != 0 || S_ISDIR(sourceInfo.st_mode))
        return false;
    FileDescriptor held;
    if (S_ISREG(sourceInfo.st_mode)) {
        held.reset(::open(from->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
        if (held && lockedByAnotherProcess(held.get()))
            return false;
        if (!held && errno != EACCES)
            return false;
    }
    const std::string toFolder = folderOf(*to);
    const std::string fromFolder = folderOf(*from);
    if (::renameat2(AT_FDCWD, from->c_str(), AT_FDCWD, to->c_str(), RENAME_NOREPLACE) == 0) {
        if (syncFolders(toFolder, fromFolder))
            return true;
        // The move may not survive a power cut: undone, so that the file stays where a
        // failed move leaves it.
        if (::renameat2(AT_FDCWD, to->c_str(), AT_FDCWD, from->c_str(), RENAME_NOREPLACE) == 0)
            syncFolders(fromFolder, toFolder);
        return false;
    }
    if (errno == EXDEV)
        return moveAcrossFileSystems(*from, *to, sourceInfo);
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without an atomic no-replace rename: a hard link fails just as well on
    // an existing destination. The new name is made to last before the old one goes, so
    // that a crash leaves the file under at least one of them.
    if (::link(from->c_str(), to->c_str()) != 0)
        return errno == EXDEV && moveAcrossFileSystems(*from, *to, sourceInfo);
    if (!syncFolder(toFolder) || ::unlink(from->c_str()) != 0) {
        ::unlink(to->c_str());
        syncFolder(toFolder);
        return false;
    }
    if (syncFolder(fromFolder))
        return true;
    if (::link(to->c_str(), from->c_str()) == 0 && ::unlink(to->c_str()) == 0)
        syncFolders(fromFolder, toFolder);
    return false;
}

bool copyFile(const std::u16string& source, const std::u16string& destination, bool failIfExists) {
    const auto from = posix::resolvePath(source);
    const auto to = posix::resolvePath(destination);
    return from && to && copyResolved(*from, *to, !failIfExists);
}

} // namespace platform
