#include "PathRules.h"

#include "platform/Platform.h"

std::u16string Copy(std::u16string_view text, long long index, long long count) {
    const auto length = static_cast<long long>(text.size());
    long long start = index < 1 ? 0 : index - 1;
    if (start > length)
        start = length;
    long long taken = count < 0 ? 0 : count;
    if (taken > length - start)
        taken = length - start;
    return std::u16string(
        text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(taken)));
}

std::u16string UpperCase(std::u16string_view text) {
    std::u16string result(text);
    for (auto& unit : result)
        if (unit >= u'a' && unit <= u'z')
            unit -= 32;
    return result;
}

std::u16string ExtractFilePath(std::u16string_view path, std::u16string_view delimiters) {
    const auto last = path.find_last_of(delimiters);
    return last == std::u16string_view::npos ? std::u16string()
                                             : std::u16string(path.substr(0, last + 1));
}

std::u16string JoinPath(std::u16string_view baseFolder, std::u16string_view relativeName) {
    std::u16string result(baseFolder);
    result += relativeName;
    return result;
}

std::u16string DatabaseExtension(std::u16string_view databasePath) {
    return Copy(databasePath, static_cast<long long>(databasePath.size()) - 2, 3);
}

bool HasGdbExtension(std::u16string_view databasePath) {
    return UpperCase(DatabaseExtension(databasePath)) == u"GDB";
}

std::u16string NewDatabasePath(std::u16string_view databasePath) {
    return UpperCase(Copy(databasePath, 1, static_cast<long long>(databasePath.size()) - 3) +
                     u"fdb");
}

std::u16string GetExeName() {
    return platform::executablePath();
}

std::u16string BaseFolder() {
    return ExtractFilePath(GetExeName(), platform::pathDelimiters());
}
