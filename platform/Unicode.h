#pragma once

// Text conversions and case rules shared by the core. All text of the core is UTF-16;
// UTF-8 appears only where POSIX names files.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Nothing when the text holds an unpaired surrogate: such a name cannot be spelled in
// UTF-8, so it names no file.
std::optional<std::string> utf16ToUtf8(std::u16string_view text);

// Length of the well-formed UTF-8 sequence at bytes[i], with its code point in code; 0 when
// none starts there.
std::size_t utf8SequenceAt(std::string_view bytes, std::size_t i, char32_t& code);

// Appends one code point, as a surrogate pair beyond the first plane.
void appendUtf16(std::u16string& text, char32_t code);

// Nothing when the bytes are not valid UTF-8.
std::optional<std::u16string> utf8ToUtf16(std::string_view bytes);

// A POSIX file name is bytes, which need not be UTF-8: a folder unpacked from a Windows
// archive holds Windows-1252 names. Each byte outside well-formed UTF-8 stands for itself
// as the lone surrogate U+DC80 + (byte - 0x80), so every name decodes, and spells back as
// the same bytes.
std::u16string fileNameToUtf16(std::string_view bytes);

// Spells a name for the file system: UTF-8, and each lone surrogate U+DC80 to U+DCFF as
// the byte it stands for. Nothing when the name holds any other unpaired surrogate.
std::optional<std::string> fileNameFromUtf16(std::u16string_view name);

// The capital of a letter of the Latin, Greek or Cyrillic alphabets, accented ones
// included; every other unit is returned as it is. File systems and profile files on
// Windows compare names through such a table, so "GESTÃO" and "gestão" name one folder.
char16_t foldCase(char16_t unit);

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);

#ifdef _WIN32
// Our text as the Win32 API's wide characters, which are UTF-16 units too.
inline const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
#endif

// The small letter of a capital of the same alphabets; the inverse of foldCase there.
char16_t lowerCase(char16_t unit);

} // namespace platform
