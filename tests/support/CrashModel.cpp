#include "CrashModel.h"

#include "TempFolder.h"

#include <algorithm>
#include <optional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// A symbolic link stands in a tree as its target behind a mark no file content starts with
// in these tests.
const std::string linkMark("\0symlink\0", 9);

std::string nameBelow(const fs::path& root, const fs::path& path) {
    return fs::relative(path, root).generic_string();
}

ContentPtr contentOf(const fs::directory_entry& entry) {
    if (entry.is_symlink())
        return std::make_shared<Content>(linkMark + fs::read_symlink(entry.path()).string());
    return std::make_shared<Content>(readBytes(entry.path()));
}

enum Variant { whole, absent, torn };

// A file or folder, followed through renames by its identity rather than its name; the
// file system may give a removed file's inode number to a new one.
struct Object {
    bool folder = false;
    ContentPtr initial = std::make_shared<Content>("");
    std::vector<std::size_t> dataOps;
    std::optional<std::size_t> lastFlush;
    // Its bytes with its unflushed data whole, absent and torn.
    ContentPtr variants[3];

    bool unflushed() const {
        return !dataOps.empty() && (!lastFlush || dataOps.back() > *lastFlush);
    }
};

void applyData(std::string& bytes, const journal::Record& r, std::size_t limit) {
    if (r.op == journal::Op::truncate) {
        bytes.resize(static_cast<std::size_t>(r.value));
    } else if (r.op == journal::Op::write) {
        const auto offset = static_cast<std::size_t>(r.value);
        const std::size_t length = std::min(limit, r.data.size());
        if (bytes.size() < offset + length)
            bytes.resize(offset + length);
        std::copy_n(r.data.begin(), length, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    }
}

// The object's bytes when its data since the last flush survives whole, not at all, or
// only its first half.
void replay(Object& o, const std::vector<journal::Record>& journal) {
    std::size_t unflushedBytes = 0;
    for (const auto i : o.dataOps)
        if (!o.lastFlush || i > *o.lastFlush)
            unflushedBytes += journal[i].data.size();
    for (const Variant v : {whole, absent, torn}) {
        std::string bytes = o.initial->bytes;
        std::size_t budget = v == whole ? unflushedBytes : v == torn ? unflushedBytes / 2 : 0;
        for (const auto i : o.dataOps) {
            const bool flushed = o.lastFlush && i < *o.lastFlush;
            if (flushed) {
                applyData(bytes, journal[i], journal[i].data.size());
                continue;
            }
            if (budget == 0 && (v != whole || !journal[i].data.empty()))
                break;
            const std::size_t taken = std::min(budget, journal[i].data.size());
            applyData(bytes, journal[i], taken);
            budget -= taken;
        }
        o.variants[v] = std::make_shared<Content>(std::move(bytes));
    }
}

} // namespace

Content::Content(std::string b) : bytes(std::move(b)), hash(std::hash<std::string>{}(bytes)) {}

const std::string* Tree::bytes(const std::string& name) const {
    const auto it = files.find(name);
    return it == files.end() ? nullptr : &it->second->bytes;
}

std::string Tree::key() const {
    // The tool's temporaries have random names: two states that differ in those alone are
    // one state.
    std::vector<std::string> entries;
    for (const auto& [name, content] : files) {
        const auto slash = name.rfind('/') + 1;
        const bool temporary = name.compare(slash, 8, ".migtmp-") == 0;
        entries.push_back((temporary ? name.substr(0, slash) + ".migtmp-*" : name) + '\0' +
                          std::to_string(content->bytes.size()) + ':' +
                          std::to_string(content->hash));
    }
    std::sort(entries.begin(), entries.end());
    std::string key;
    for (const auto& entry : entries)
        key += entry + '\0';
    key += '\1';
    for (const auto& folder : folders)
        key += folder + '\0';
    return key;
}

Tree Tree::read(const fs::path& root) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_directory() && !entry.is_symlink())
            tree.folders.insert(nameBelow(root, entry.path()));
        else
            tree.files[nameBelow(root, entry.path())] = contentOf(entry);
    }
    return tree;
}

void Tree::write(const fs::path& root) const {
    for (const auto& entry : fs::directory_iterator(root))
        fs::remove_all(entry.path());
    for (const auto& folder : folders)
        fs::create_directories(root / folder);
    for (const auto& [name, content] : files) {
        if (content->bytes.rfind(linkMark, 0) == 0)
            fs::create_symlink(content->bytes.substr(linkMark.size()), root / name);
        else
            writeBytes(root / name, content->bytes);
    }
}

Disk Disk::scan(const fs::path& root) {
    Disk disk;
    struct stat st;
    ::lstat(root.c_str(), &st);
    disk.names[""] = {st.st_ino, true};
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        ::lstat(entry.path().c_str(), &st);
        const bool folder = S_ISDIR(st.st_mode);
        disk.names[nameBelow(root, entry.path())] = {st.st_ino, folder};
        if (!folder)
            disk.contents[st.st_ino] = contentOf(entry);
    }
    return disk;
}

std::vector<CrashState> crashStates(const Disk& before,
                                    const std::vector<journal::Record>& journal) {
    using journal::Op;
    std::vector<Object> objects;
    std::map<std::uint64_t, std::size_t> current;
    const auto objectOf = [&](std::uint64_t ino) {
        const auto it = current.find(ino);
        if (it != current.end())
            return it->second;
        objects.emplace_back();
        return current[ino] = objects.size() - 1;
    };

    std::map<std::string, std::size_t> initialNames;
    for (const auto& [name, entry] : before.names) {
        const std::size_t id = objectOf(entry.ino);
        objects[id].folder = entry.folder;
        if (!entry.folder)
            objects[id].initial = before.contents.at(entry.ino);
        initialNames[name] = id;
    }

    struct Resolved {
        std::size_t id;
        std::optional<std::size_t> folder, otherFolder;
    };
    std::vector<Resolved> resolved(journal.size());
    for (std::size_t i = 0; i < journal.size(); ++i) {
        const auto& r = journal[i];
        if (r.op == Op::create || r.op == Op::mkdir || r.op == Op::symlink) {
            objects.emplace_back();
            objects.back().folder = r.op == Op::mkdir;
            if (r.op == Op::symlink)
                objects.back().initial = std::make_shared<Content>(linkMark + r.data);
            current[r.ino] = objects.size() - 1;
        }
        resolved[i].id = objectOf(r.ino);
        if (r.folder)
            resolved[i].folder = objectOf(r.folder);
        if (r.otherFolder)
            resolved[i].otherFolder = objectOf(r.otherFolder);
        if (r.changesData())
            objects[resolved[i].id].dataOps.push_back(i);
        if (r.op == Op::fsync)
            objects[resolved[i].id].lastFlush = i;
    }
    for (auto& o : objects)
        if (!o.folder)
            replay(o, journal);

    // The changes to folders in order, and how many of them the flushes have made last.
    std::vector<std::size_t> folderOps;
    for (std::size_t i = 0; i < journal.size(); ++i)
        if (journal[i].changesFolders())
            folderOps.push_back(i);
    std::size_t flushed = 0;
    for (std::size_t i = 0; i < journal.size(); ++i) {
        if (journal[i].op != Op::fsyncdir)
            continue;
        for (std::size_t p = 0; p < folderOps.size() && folderOps[p] < i; ++p) {
            const auto& op = resolved[folderOps[p]];
            if (op.folder == resolved[i].id || op.otherFolder == resolved[i].id)
                flushed = std::max(flushed, p + 1);
        }
    }

    std::vector<CrashState> states;
    std::map<std::string, std::size_t> names = initialNames;
    std::set<std::string> vacated;
    for (std::size_t kept = 0; kept <= folderOps.size(); ++kept) {
        if (kept > 0) {
            const auto& r = journal[folderOps[kept - 1]];
            const std::size_t id = resolved[folderOps[kept - 1]].id;
            switch (r.op) {
            case Op::create:
            case Op::mkdir:
            case Op::symlink:
                names[r.path] = id;
                vacated.erase(r.path);
                break;
            case Op::unlink:
            case Op::rmdir:
                names.erase(r.path);
                break;
            case Op::link:
                names[r.otherPath] = id;
                vacated.erase(r.otherPath);
                break;
            case Op::rename: {
                std::map<std::string, std::size_t> moved;
                for (auto it = names.begin(); it != names.end();) {
                    if (it->first == r.path || it->first.rfind(r.path + "/", 0) == 0) {
                        moved[r.otherPath + it->first.substr(r.path.size())] = it->second;
                        it = names.erase(it);
                    } else {
                        ++it;
                    }
                }
                names.erase(r.otherPath);
                names.insert(moved.begin(), moved.end());
                vacated.insert(r.path);
                vacated.erase(r.otherPath);
                break;
            }
            default:
                break;
            }
        }
        if (kept < flushed)
            continue;

        std::vector<std::pair<std::size_t, std::string>> unflushed;
        std::set<std::size_t> seen;
        for (const auto& [name, id] : names)
            if (!objects[id].folder && objects[id].unflushed() && seen.insert(id).second)
                unflushed.emplace_back(id, name);
        std::vector<std::pair<std::string, std::map<std::size_t, Variant>>> choices = {
            {"all data whole", {}}};
        for (const auto& [id, name] : unflushed) {
            choices.push_back({"the unflushed data of " + name + " absent", {{id, absent}}});
            choices.push_back({"the unflushed data of " + name + " torn", {{id, torn}}});
        }
        if (unflushed.size() > 1) {
            std::map<std::size_t, Variant> allAbsent, allTorn;
            for (const auto& [id, name] : unflushed) {
                allAbsent[id] = absent;
                allTorn[id] = torn;
            }
            choices.push_back({"all unflushed data absent", allAbsent});
            choices.push_back({"all unflushed data torn", allTorn});
        }

        std::set<std::string> stillVacated;
        for (const auto& name : vacated)
            if (!names.count(name))
                stillVacated.insert(name);
        for (const auto& [what, variants] : choices) {
            CrashState state;
            for (const auto& [name, id] : names) {
                if (objects[id].folder) {
                    if (!name.empty())
                        state.tree.folders.insert(name);
                    continue;
                }
                const auto v = variants.find(id);
                state.tree.files[name] =
                    objects[id].variants[v == variants.end() ? whole : v->second];
            }
            state.how = std::to_string(kept) + " of " + std::to_string(folderOps.size()) +
                        " folder changes kept (" + std::to_string(flushed) + " flushed), " + what;
            state.vacated = stillVacated;
            states.push_back(std::move(state));
        }
    }
    return states;
}
