#include "Unicode.h"

namespace platform {

namespace {

// Lone surrogates from U+DC80 to U+DCFF are bytes of a file name that is not UTF-8.
constexpr char16_t firstByteUnit = 0xDC80;
constexpr char16_t lastByteUnit = 0xDCFF;

std::optional<std::string> toUtf8(std::u16string_view text, bool bytesAsSurrogates) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (!bytesAsSurrogates || c < firstByteUnit || c > lastByteUnit)
                return std::nullopt;
            out += static_cast<char>(c - 0xDC00);
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

std::optional<std::string> utf16ToUtf8(std::u16string_view text) {
    return toUtf8(text, false);
}

std::optional<std::string> fileNameFromUtf16(std::u16string_view name) {
    return toUtf8(name, true);
}

std::size_t utf8SequenceAt(std::string_view bytes, std::size_t i, char32_t& code) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - i < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void appendUtf16(std::u16string& text, char32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        text += static_cast<char16_t>(0xD800 + (code >> 10));
        text += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        text += static_cast<char16_t>(code);
    }
}

std::optional<std::u16string> utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t code;
        const std::size_t length = utf8SequenceAt(bytes, i, code);
        if (length == 0)
            return std::nullopt;
        appendUtf16(out, code);
        i += length;
    }
    return out;
}

std::u16string fileNameToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t code;
        const std::size_t length = utf8SequenceAt(bytes, i, code);
        if (length == 0) {
            out += static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i]));
            ++i;
        } else {
            appendUtf16(out, code);
            i += length;
        }
    }
    return out;
}

char16_t foldCase(char16_t u) {
    if (u >= u'a' && u <= u'z')
        return u - 32;
    if (u < 0xE0)
        return u;
    if (u <= 0xFE)
        return u == 0xF7 ? u : u - 32;
    if (u == 0xFF)
        return 0x178;
    if (u >= 0x100 && u <= 0x17F) {
        // Latin Extended-A pairs a capital with its small letter; which of the two sits
        // on the even code changes twice across the block.
        const bool evenIsSmall = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
        if (u == 0x130 || u == 0x131 || u == 0x138 || u == 0x149 || u == 0x17F)
            return u;
        if (evenIsSmall)
            return (u & 1) ? u : u - 1;
        return (u & 1) ? u - 1 : u;
    }
    if (u >= 0x3B1 && u <= 0x3C9)
        return u == 0x3C2 ? 0x3A3 : u - 32;
    if (u >= 0x430 && u <= 0x44F)
        return u - 32;
    if (u >= 0x450 && u <= 0x45F)
        return u - 80;
    return u;
}

char16_t lowerCase(char16_t u) {
    if (u >= u'A' && u <= u'Z')
        return u + 32;
    if (u >= 0xC0 && u <= 0xDE)
        return u == 0xD7 ? u : u + 32;
    if (u == 0x178)
        return 0xFF;
    if (u >= 0x100 && u <= 0x17F) {
        const char16_t lower = u + 1;
        return foldCase(lower) == u && lower != u ? lower : u;
    }
    if (u >= 0x391 && u <= 0x3A9)
        return u == 0x3A2 ? u : u + 32;
    if (u >= 0x410 && u <= 0x42F)
        return u + 32;
    if (u >= 0x400 && u <= 0x40F)
        return u + 80;
    return u;
}

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    return true;
}

} // namespace platform
