// A file system for power-cut tests: it passes every request through to a folder below,
// and logs each request that changes something, in the order served, to a journal from
// which the test works out what a power cut may leave. Nothing is flushed for real: what
// lasts is decided by the crash model, from the flushes in the journal.
//
//   powercut_fs BACKING MOUNTPOINT JOURNAL NOTIFY-FD [cut-after=N] [failing-fsyncdir=K]
//               [plain-rename]
//
// After N requests that change something the power is cut: every request from then on
// fails. The K-th flush of a folder fails. With plain-rename a rename that must not replace
// is refused, as on file systems that have no such rename. On NOTIFY-FD it writes 'r' once
// mounted, 'x' when the mount is refused and 'c' at the cut. It serves requests one at a
// time, so the journal's order is the order they took effect; SIGTERM unmounts it.

#define FUSE_USE_VERSION 31

#include "Journal.h"

#include <fuse.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

struct Layer {
    int root = -1;
    int journal = -1;
    int notify = -1;
    long long cutAfter = -1;
    long long failingFsyncdir = 0;
    bool plainRename = false;
    long long served = 0;
    long long fsyncdirs = 0;
    bool cut = false;
} layer;

void tell(char what) {
    const ssize_t n = ::write(layer.notify, &what, 1);
    static_cast<void>(n);
}

// The name below the root: "" for the root itself.
std::string nameOf(const char* path) {
    return path && path[1] ? std::string(path + 1) : std::string();
}

// The same, as the *at functions take it.
std::string at(const char* path) {
    const std::string name = nameOf(path);
    return name.empty() ? "." : name;
}

std::string folderOf(const std::string& name) {
    const auto slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

std::uint64_t inoAt(const std::string& name) {
    struct stat st;
    return ::fstatat(layer.root, name.empty() ? "." : name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
               ? st.st_ino
               : 0;
}

std::uint64_t inoOf(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 ? st.st_ino : 0;
}

// Before a request that would change something: false once the power is off.
bool powered() {
    if (layer.cut)
        return false;
    if (layer.cutAfter >= 0 && layer.served >= layer.cutAfter) {
        layer.cut = true;
        tell('c');
        return false;
    }
    return true;
}

int logged(journal::Record record) {
    journal::append(layer.journal, record);
    ++layer.served;
    return 0;
}

int failure() {
    return -errno;
}

// The requests, under their names in fuse_operations.
namespace ops {

int getattr(const char* path, struct stat* st, fuse_file_info* fi) {
    if (layer.cut)
        return -EIO;
    const int result = fi ? ::fstat(static_cast<int>(fi->fh), st)
                          : ::fstatat(layer.root, at(path).c_str(), st, AT_SYMLINK_NOFOLLOW);
    return result == 0 ? 0 : failure();
}

int access(const char* path, int mask) {
    if (layer.cut)
        return -EIO;
    return ::faccessat(layer.root, at(path).c_str(), mask, 0) == 0 ? 0 : failure();
}

int readlink(const char* path, char* buffer, size_t size) {
    if (layer.cut)
        return -EIO;
    const ssize_t n = ::readlinkat(layer.root, at(path).c_str(), buffer, size - 1);
    if (n < 0)
        return failure();
    buffer[n] = '\0';
    return 0;
}

int mkdir(const char* path, mode_t mode) {
    if (!powered())
        return -EIO;
    if (::mkdirat(layer.root, at(path).c_str(), mode) != 0)
        return failure();
    const std::string name = nameOf(path);
    return logged({.op = journal::Op::mkdir,
                   .ino = inoAt(name),
                   .folder = inoAt(folderOf(name)),
                   .path = name});
}

int remove(const char* path, bool folder) {
    if (!powered())
        return -EIO;
    const std::string name = nameOf(path);
    const std::uint64_t ino = inoAt(name);
    if (::unlinkat(layer.root, at(path).c_str(), folder ? AT_REMOVEDIR : 0) != 0)
        return failure();
    return logged({.op = folder ? journal::Op::rmdir : journal::Op::unlink,
                   .ino = ino,
                   .folder = inoAt(folderOf(name)),
                   .path = name});
}

int unlink(const char* path) {
    return remove(path, false);
}

int rmdir(const char* path) {
    return remove(path, true);
}

int symlink(const char* target, const char* path) {
    if (!powered())
        return -EIO;
    if (::symlinkat(target, layer.root, at(path).c_str()) != 0)
        return failure();
    const std::string name = nameOf(path);
    return logged({.op = journal::Op::symlink,
                   .ino = inoAt(name),
                   .folder = inoAt(folderOf(name)),
                   .path = name,
                   .data = target});
}

int rename(const char* from, const char* to, unsigned int flags) {
    if (!powered())
        return -EIO;
    if ((flags & ~static_cast<unsigned int>(RENAME_NOREPLACE)) || (flags && layer.plainRename))
        return -EINVAL;
    const std::string source = nameOf(from), target = nameOf(to);
    const std::uint64_t ino = inoAt(source), replaced = inoAt(target);
    if (::renameat2(layer.root, at(from).c_str(), layer.root, at(to).c_str(), flags) != 0)
        return failure();
    return logged({.op = journal::Op::rename,
                   .ino = ino,
                   .replaced = replaced,
                   .folder = inoAt(folderOf(source)),
                   .otherFolder = inoAt(folderOf(target)),
                   .path = source,
                   .otherPath = target});
}

int link(const char* from, const char* to) {
    if (!powered())
        return -EIO;
    if (::linkat(layer.root, at(from).c_str(), layer.root, at(to).c_str(), 0) != 0)
        return failure();
    const std::string target = nameOf(to);
    return logged({.op = journal::Op::link,
                   .ino = inoAt(target),
                   .folder = inoAt(folderOf(target)),
                   .path = nameOf(from),
                   .otherPath = target});
}

int chmod(const char* path, mode_t mode, fuse_file_info* fi) {
    if (!powered())
        return -EIO;
    const int result = fi ? ::fchmod(static_cast<int>(fi->fh), mode)
                          : ::fchmodat(layer.root, at(path).c_str(), mode, 0);
    if (result != 0)
        return failure();
    return logged({.op = journal::Op::chmod,
                   .ino = fi ? inoOf(static_cast<int>(fi->fh)) : inoAt(nameOf(path)),
                   .value = mode});
}

int chown(const char* path, uid_t user, gid_t group, fuse_file_info* fi) {
    if (!powered())
        return -EIO;
    const int result =
        fi ? ::fchown(static_cast<int>(fi->fh), user, group)
           : ::fchownat(layer.root, at(path).c_str(), user, group, AT_SYMLINK_NOFOLLOW);
    if (result != 0)
        return failure();
    return logged({.op = journal::Op::chown,
                   .ino = fi ? inoOf(static_cast<int>(fi->fh)) : inoAt(nameOf(path))});
}

int truncate(const char* path, off_t size, fuse_file_info* fi) {
    if (!powered())
        return -EIO;
    int fd = fi ? static_cast<int>(fi->fh) : ::openat(layer.root, at(path).c_str(), O_WRONLY);
    if (fd < 0)
        return failure();
    const int result = ::ftruncate(fd, size);
    const std::uint64_t ino = inoOf(fd);
    if (!fi)
        ::close(fd);
    if (result != 0)
        return failure();
    return logged({.op = journal::Op::truncate, .ino = ino, .value = size});
}

int utimens(const char* path, const struct timespec times[2], fuse_file_info* fi) {
    if (!powered())
        return -EIO;
    const int result = fi ? ::futimens(static_cast<int>(fi->fh), times)
                          : ::utimensat(layer.root, at(path).c_str(), times, AT_SYMLINK_NOFOLLOW);
    if (result != 0)
        return failure();
    return logged({.op = journal::Op::utimens,
                   .ino = fi ? inoOf(static_cast<int>(fi->fh)) : inoAt(nameOf(path))});
}

int openFile(const char* path, mode_t mode, fuse_file_info* fi, bool create) {
    const std::string name = nameOf(path);
    const bool existed = inoAt(name) != 0;
    const bool changes = (create && !existed) || (existed && (fi->flags & O_TRUNC));
    if (changes ? !powered() : layer.cut)
        return -EIO;
    const int fd = ::openat(layer.root, at(path).c_str(), fi->flags | (create ? O_CREAT : 0), mode);
    if (fd < 0)
        return failure();
    fi->fh = static_cast<std::uint64_t>(fd);
    if (create && !existed)
        return logged({.op = journal::Op::create,
                       .ino = inoOf(fd),
                       .folder = inoAt(folderOf(name)),
                       .path = name});
    if (changes)
        return logged({.op = journal::Op::truncate, .ino = inoOf(fd), .value = 0});
    return 0;
}

int open(const char* path, fuse_file_info* fi) {
    return openFile(path, 0, fi, false);
}

int create(const char* path, mode_t mode, fuse_file_info* fi) {
    return openFile(path, mode, fi, true);
}

int read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    if (layer.cut)
        return -EIO;
    const ssize_t n = ::pread(static_cast<int>(fi->fh), buffer, size, offset);
    return n < 0 ? failure() : static_cast<int>(n);
}

int write(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    if (!powered())
        return -EIO;
    const int fd = static_cast<int>(fi->fh);
    const ssize_t n = ::pwrite(fd, buffer, size, offset);
    if (n < 0)
        return failure();
    logged({.op = journal::Op::write,
            .ino = inoOf(fd),
            .value = offset,
            .data = std::string(buffer, static_cast<std::size_t>(n))});
    return static_cast<int>(n);
}

int statfs(const char*, struct statvfs* st) {
    if (layer.cut)
        return -EIO;
    return ::fstatvfs(layer.root, st) == 0 ? 0 : failure();
}

int flush(const char*, fuse_file_info*) {
    return layer.cut ? -EIO : 0;
}

int release(const char*, fuse_file_info* fi) {
    ::close(static_cast<int>(fi->fh));
    return 0;
}

int fsync(const char*, int, fuse_file_info* fi) {
    if (!powered())
        return -EIO;
    return logged({.op = journal::Op::fsync, .ino = inoOf(static_cast<int>(fi->fh))});
}

int opendir(const char* path, fuse_file_info* fi) {
    if (layer.cut)
        return -EIO;
    const int fd = ::openat(layer.root, at(path).c_str(), O_RDONLY | O_DIRECTORY);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir)
        return failure();
    fi->fh = reinterpret_cast<std::uint64_t>(dir);
    return 0;
}

int readdir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info* fi,
            fuse_readdir_flags) {
    if (layer.cut)
        return -EIO;
    DIR* dir = reinterpret_cast<DIR*>(fi->fh);
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir))
        if (fill(buffer, entry->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0)) != 0)
            break;
    return 0;
}

int releasedir(const char*, fuse_file_info* fi) {
    ::closedir(reinterpret_cast<DIR*>(fi->fh));
    return 0;
}

int fsyncdir(const char*, int, fuse_file_info* fi) {
    if (!powered())
        return -EIO;
    const std::uint64_t ino = inoOf(::dirfd(reinterpret_cast<DIR*>(fi->fh)));
    if (++layer.fsyncdirs == layer.failingFsyncdir) {
        logged({.op = journal::Op::failedFsyncdir, .ino = ino});
        return -EIO;
    }
    return logged({.op = journal::Op::fsyncdir, .ino = ino});
}

void* init(fuse_conn_info*, fuse_config* config) {
    // Every request reaches the layer: nothing cached in the kernel answers in its place.
    config->use_ino = 1;
    config->hard_remove = 1;
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    return nullptr;
}

} // namespace ops

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: %s BACKING MOUNTPOINT JOURNAL NOTIFY-FD [cut-after=N] "
                     "[failing-fsyncdir=K] [plain-rename]\n",
                     argv[0]);
        return 2;
    }
    layer.root = ::open(argv[1], O_RDONLY | O_DIRECTORY);
    layer.journal = ::open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
    layer.notify = std::atoi(argv[4]);
    for (int i = 5; i < argc; ++i) {
        const std::string option = argv[i];
        const auto number = [&](const std::string& name) {
            return option.rfind(name + "=", 0) == 0 ? std::atoll(option.c_str() + name.size() + 1)
                                                    : -1;
        };
        if (number("cut-after") >= 0)
            layer.cutAfter = number("cut-after");
        else if (number("failing-fsyncdir") >= 0)
            layer.failingFsyncdir = number("failing-fsyncdir");
        else if (option == "plain-rename")
            layer.plainRename = true;
    }
    if (layer.root < 0 || layer.journal < 0) {
        tell('x');
        return 2;
    }

    fuse_operations operations{};
    operations.getattr = ops::getattr;
    operations.readlink = ops::readlink;
    operations.mkdir = ops::mkdir;
    operations.unlink = ops::unlink;
    operations.rmdir = ops::rmdir;
    operations.symlink = ops::symlink;
    operations.rename = ops::rename;
    operations.link = ops::link;
    operations.chmod = ops::chmod;
    operations.chown = ops::chown;
    operations.truncate = ops::truncate;
    operations.open = ops::open;
    operations.read = ops::read;
    operations.write = ops::write;
    operations.statfs = ops::statfs;
    operations.flush = ops::flush;
    operations.release = ops::release;
    operations.fsync = ops::fsync;
    operations.opendir = ops::opendir;
    operations.readdir = ops::readdir;
    operations.releasedir = ops::releasedir;
    operations.fsyncdir = ops::fsyncdir;
    operations.init = ops::init;
    operations.access = ops::access;
    operations.create = ops::create;
    operations.utimens = ops::utimens;

    char* arguments[] = {argv[0], const_cast<char*>("-o"),
                         const_cast<char*>("fsname=migrador-powercut,subtype=powercut")};
    fuse_args args = FUSE_ARGS_INIT(3, arguments);
    fuse* fs = fuse_new(&args, &operations, sizeof operations, nullptr);
    if (!fs || fuse_mount(fs, argv[2]) != 0) {
        tell('x');
        return 3;
    }
    fuse_set_signal_handlers(fuse_get_session(fs));
    tell('r');
    const int result = fuse_loop(fs);
    fuse_remove_signal_handlers(fuse_get_session(fs));
    fuse_unmount(fs);
    fuse_destroy(fs);
    return result == 0 ? 0 : 1;
}
