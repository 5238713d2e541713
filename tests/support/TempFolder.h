#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view relative) const;
    std::filesystem::path operator/(std::u16string_view relative) const;
    // The folder as the tool names folders: as UTF-16, ending with its delimiter.
    std::u16string base() const;
    // base() followed by relative, exactly as given.
    std::u16string name(std::u16string_view relative) const;

private:
    std::filesystem::path path_;
};

std::string readBytes(const std::filesystem::path& file);
// Creates the folders on the way.
void writeBytes(const std::filesystem::path& file, std::string_view bytes);
std::u16string u16(const std::filesystem::path& path);
// Everything below folder, as sorted relative names: what a test compares to tell that
// nothing was created or removed.
std::vector<std::string> entries(const std::filesystem::path& folder);
