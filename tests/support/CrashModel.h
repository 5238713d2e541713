#pragma once

// What a power cut may leave of a file system, from the journal of the power-cut layer.
//
// The model is an ordered journal. Changes to folders survive in the order they were made:
// what a flush covered is kept, and any longer prefix may be kept too; a rename is kept
// whole or not at all. A file's data since its last flush comes back whole, absent, or with
// a torn tail.

#include "Journal.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct Content {
    explicit Content(std::string b);
    std::string bytes;
    std::size_t hash;
};
using ContentPtr = std::shared_ptr<const Content>;

// Files by name relative to the root, with their bytes, and the folders.
struct Tree {
    std::map<std::string, ContentPtr> files;
    std::set<std::string> folders;

    const std::string* bytes(const std::string& name) const;
    // Equal for equal trees, different otherwise: the key by which states are told apart.
    std::string key() const;

    static Tree read(const std::filesystem::path& root);
    // Replaces everything below root with this tree.
    void write(const std::filesystem::path& root) const;
};

// The file system below root as the layer finds it, with inode numbers to follow each file
// through the journal.
struct Disk {
    static Disk scan(const std::filesystem::path& root);
    struct Entry {
        std::uint64_t ino;
        bool folder;
    };
    std::map<std::string, Entry> names;
    std::map<std::uint64_t, ContentPtr> contents;
};

struct CrashState {
    Tree tree;
    // Which changes to folders and which data survived.
    std::string how;
    // Names that a surviving rename moved away and where nothing stands now.
    std::set<std::string> vacated;
};

// Every state the model allows once the journal has been served on before.
std::vector<CrashState> crashStates(const Disk& before,
                                    const std::vector<journal::Record>& journal);
