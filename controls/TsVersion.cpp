#include "TsVersion.h"

#include <algorithm>

std::u16string LibraryVersionText() {
    return u"Skinned Controls v9.10";
}

bool HasVersionSwitch(const std::vector<std::u16string>& arguments) {
    // No letter outside A to Z has one of the switch's letters as its small form, so
    // lowering A to Z is all the comparison needs.
    const auto lower = [](char16_t c) -> char16_t { return c >= u'A' && c <= u'Z' ? c + 32 : c; };
    return std::any_of(arguments.begin(), arguments.end(), [&](const std::u16string& argument) {
        std::u16string lowered(argument);
        std::transform(lowered.begin(), lowered.end(), lowered.begin(), lower);
        return lowered == u"/vexlonver";
    });
}
