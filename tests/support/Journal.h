#pragma once

// The journal of the power-cut layer: every request that changed something on the file
// system below it, in the order it was served. The layer appends one record per request;
// the test reads them back to work out what a power cut may have left.

#include <cstdint>
#include <string>
#include <vector>

namespace journal {

enum class Op : std::uint32_t {
    // Changes to folders: their entries.
    create,
    mkdir,
    unlink,
    rmdir,
    rename,
    link,
    symlink,
    // Changes to a file's data or attributes.
    write,
    truncate,
    chmod,
    chown,
    utimens,
    // Flushes: what they cover reaches the disk.
    fsync,
    fsyncdir,
    // A flush that the layer was told to refuse: it covers nothing.
    failedFsyncdir,
};

struct Record {
    Op op{};
    // Inode numbers of the file system below: the file or folder the request is about, and
    // for a rename the one it replaced (0: none).
    std::uint64_t ino = 0;
    std::uint64_t replaced = 0;
    // The folders whose entries change (0: none).
    std::uint64_t folder = 0;
    std::uint64_t otherFolder = 0;
    // write: the offset; truncate: the new size; chmod: the mode.
    std::int64_t value = 0;
    // Relative to the root of the layer; rename and link: from path to otherPath.
    std::string path{};
    std::string otherPath{};
    // write: the bytes written; symlink: the link's target.
    std::string data{};

    bool changesFolders() const { return op <= Op::symlink; }
    bool changesData() const { return op >= Op::write && op <= Op::utimens; }
};

void append(int fd, const Record& record);
std::vector<Record> read(const std::string& file);

} // namespace journal
