#include "ApplicationRules.h"

#include "migration/Exception.h"
#include "platform/Unicode.h"

#include <exception>

std::u16string ApplicationTitle(std::u16string_view exeName, std::u16string_view delimiters) {
    const auto last = exeName.find_last_of(delimiters);
    std::u16string name(last == std::u16string_view::npos ? exeName : exeName.substr(last + 1));
    name = name.substr(0, name.find(u'.'));
    // Lower case as the platform gives it for the suite's alphabets, accented letters too.
    for (std::size_t i = 1; i < name.size(); ++i)
        name[i] = platform::lowerCase(name[i]);
    return name;
}

std::u16string ErrorBoxText(std::u16string_view message) {
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.')
        text += u'.';
    return text;
}

std::u16string MessageBoxText(std::u16string_view text, std::u16string_view lineBreak) {
    std::u16string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r') {
            result += text[i];
            continue;
        }
        result += lineBreak;
        if (i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
    }
    return result;
}

std::u16string CaughtErrorMessage() {
    try {
        throw;
    } catch (const Exception& error) {
        return error.Message();
    } catch (const std::exception& error) {
        return platform::utf8ToUtf16(error.what()).value_or(u"?");
    } catch (...) {
        return u"?";
    }
}
