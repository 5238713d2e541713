#include "IniFiles.h"

#include "platform/Platform.h"

#include <algorithm>
#include <array>

TIniFile::~TIniFile() {
    UpdateFile();
}

std::u16string TIniFile::ReadString(const std::u16string& Section, const std::u16string& Ident,
                                    const std::u16string& Default) {
    std::array<char16_t, 2048> buffer{};
    const std::size_t count = platform::getProfileString(Section, Ident, Default, buffer.data(),
                                                         buffer.size(), FileName());
    return std::u16string(buffer.data(), std::min(count, buffer.size() - 1));
}

void TIniFile::WriteString(const std::u16string& Section, const std::u16string& Ident,
                           const std::u16string& Value) {
    if (!platform::writeProfileString(Section, Ident, Value, FileName()))
        throw EIniFileException(u"Unable to write to " + FileName());
}

void TIniFile::UpdateFile() {
    platform::flushProfile(FileName());
}
