#include "TempFolder.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::random_device seed;
    std::mt19937_64 generator(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = fs::temp_directory_path() /
                                   ("migrador-test-" + std::to_string(generator() % 1000000000));
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

fs::path TempFolder::operator/(std::string_view relative) const {
    return path_ / relative;
}

fs::path TempFolder::operator/(std::u16string_view relative) const {
    return path_ / relative;
}

std::u16string TempFolder::base() const {
    return u16(path_) + static_cast<char16_t>(fs::path::preferred_separator);
}

std::u16string TempFolder::name(std::u16string_view relative) const {
    return base() + std::u16string(relative);
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const fs::path& file, std::string_view bytes) {
    if (file.has_parent_path())
        fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::u16string u16(const fs::path& path) {
    return path.u16string();
}

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(entry.path(), folder).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}
