#pragma once

#include <filesystem>

// Holds a file the way the suite's database server does while it runs: on POSIX another
// process keeps a lock on it; on Windows a handle stays open without sharing.
class FileHolder {
public:
    enum class Lock { flock, record };
    explicit FileHolder(const std::filesystem::path& file, Lock lock = Lock::flock);
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    ~FileHolder();
    bool holding() const { return holding_; }

private:
    bool holding_ = false;
#ifdef _WIN32
    void* handle_;
#else
    int ready_[2];
    int done_[2];
    int pid_;
#endif
};
