#include "Journal.h"

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace journal {

namespace {

// One record: a fixed header of little-endian fields, then the three strings.
struct Header {
    std::uint32_t op;
    std::uint32_t pathSize;
    std::uint32_t otherPathSize;
    std::uint32_t dataSize;
    std::uint64_t ino;
    std::uint64_t replaced;
    std::uint64_t folder;
    std::uint64_t otherFolder;
    std::int64_t value;
};

} // namespace

void append(int fd, const Record& record) {
    const Header header{static_cast<std::uint32_t>(record.op),
                        static_cast<std::uint32_t>(record.path.size()),
                        static_cast<std::uint32_t>(record.otherPath.size()),
                        static_cast<std::uint32_t>(record.data.size()),
                        record.ino,
                        record.replaced,
                        record.folder,
                        record.otherFolder,
                        record.value};
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes += record.path;
    bytes += record.otherPath;
    bytes += record.data;
    // One write per record, so a layer killed at any moment leaves whole records only.
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            throw std::runtime_error("cannot write the journal");
        done += static_cast<std::size_t>(n);
    }
}

std::vector<Record> read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<Record> records;
    Header header;
    while (in.read(reinterpret_cast<char*>(&header), sizeof header)) {
        Record record;
        record.op = static_cast<Op>(header.op);
        record.ino = header.ino;
        record.replaced = header.replaced;
        record.folder = header.folder;
        record.otherFolder = header.otherFolder;
        record.value = header.value;
        record.path.resize(header.pathSize);
        record.otherPath.resize(header.otherPathSize);
        record.data.resize(header.dataSize);
        if (!in.read(record.path.data(), header.pathSize) ||
            !in.read(record.otherPath.data(), header.otherPathSize) ||
            !in.read(record.data.data(), header.dataSize))
            throw std::runtime_error("a torn journal record");
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace journal
