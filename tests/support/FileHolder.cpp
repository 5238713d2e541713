#include "FileHolder.h"

#include <stdexcept>

#ifdef _WIN32

#include <windows.h>

FileHolder::FileHolder(const std::filesystem::path& file, Lock) {
    handle_ = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr);
    holding_ = handle_ != INVALID_HANDLE_VALUE;
}

FileHolder::~FileHolder() {
    if (holding_)
        CloseHandle(handle_);
}

#else

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

FileHolder::FileHolder(const std::filesystem::path& file, Lock lock) {
    if (::pipe(ready_) != 0 || ::pipe(done_) != 0)
        throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(done_[1]);
        const int fd = ::open(file.c_str(), O_RDWR);
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        const bool locked = fd >= 0 && (lock == Lock::record ? ::fcntl(fd, F_SETLK, &whole) == 0
                                                             : ::flock(fd, LOCK_EX) == 0);
        const char answer = locked ? 'y' : 'n';
        static_cast<void>(::write(ready_[1], &answer, 1));
        char ignored;
        static_cast<void>(::read(done_[0], &ignored, 1));
        ::_exit(0);
    }
    char answer = 'n';
    static_cast<void>(::read(ready_[0], &answer, 1));
    holding_ = answer == 'y';
}

FileHolder::~FileHolder() {
    ::close(done_[1]);
    ::waitpid(pid_, nullptr, 0);
    for (int fd : {ready_[0], ready_[1], done_[0]})
        ::close(fd);
}

#endif
