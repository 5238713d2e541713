#pragma once

// The text of a profile (settings) file, read and edited the way the suite's Windows
// programs read it: sections in square brackets, key=value lines, ";" comments. Works on
// the file's bytes only, with no I/O, so that every rule can be checked on any input.
//
// Reading never fails: any byte sequence decodes to something. Editing touches only the
// bytes it must and copies every other byte as it was, so comments, blank lines, line
// endings, stray bytes and the encoding all survive a write.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::profile {

enum class Encoding {
    // The code page of the suite's installations; also any file that is not valid UTF-8
    // or holds only ASCII.
    Windows1252,
    // Valid UTF-8 holding non-ASCII text, without a byte-order mark.
    Utf8,
    Utf8WithMark,
    Utf16LE, // with its mark
    Utf16BE, // with its mark
};

Encoding detectEncoding(std::string_view bytes);

// The value of key in the first section named section, as the file holds it: blanks
// around it dropped, and one pair of matching outer quotes removed. Nothing when the
// section or the key is missing.
std::optional<std::u16string> readValue(std::string_view bytes, std::u16string_view section,
                                        std::u16string_view key);

// A write as an edit of the file's bytes: the bytes from `from` to `to` give way to
// replacement, and every other byte stays as it was.
struct Edit {
    std::size_t from = 0;
    std::size_t to = 0;
    std::string replacement;

    // The new file, in order: the unchanged start, the replacement, the unchanged end. A
    // large file is written from the bytes read, never copied whole.
    std::array<std::string_view, 3> pieces(std::string_view bytes) const {
        return {bytes.substr(0, from), replacement, bytes.substr(to)};
    }
};

// The edit that sets key in section to value, or nothing when the file cannot hold it: a
// character its encoding lacks, a line break or NUL, a section name with "]", or a key
// that would read as something else ("=" inside, or starting with "[" or ";"). Empty
// bytes stand for a new file.
std::optional<Edit> editValue(std::string_view bytes, std::u16string_view section,
                              std::u16string_view key, std::u16string_view value);

struct KeyName {
    std::u16string section;
    std::u16string key;
};

// Every key line of every section in file order, duplicates included; names as read.
std::vector<KeyName> listKeys(std::string_view bytes);

} // namespace platform::profile
