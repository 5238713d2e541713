#include "ProfileText.h"

#include "Unicode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace platform::profile {

namespace {

// Windows-1252 from 0x80 to 0x9F. The five bytes that the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same number, as
// Windows' own conversion does: every byte then reads as something and writes back as
// itself.
constexpr std::array<char16_t, 32> windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t fromWindows1252(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? windows1252High[byte - 0x80] : char16_t(byte);
}

std::optional<std::string> toWindows1252(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char16_t unit : text) {
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            out += static_cast<char>(unit);
            continue;
        }
        std::size_t i = 0;
        while (i < windows1252High.size() && windows1252High[i] != unit)
            ++i;
        if (i == windows1252High.size())
            return std::nullopt;
        out += static_cast<char>(0x80 + i);
    }
    return out;
}

struct Utf8Scan {
    bool valid = true;
    bool nonAscii = false;
};

Utf8Scan scanUtf8(std::string_view bytes) {
    Utf8Scan scan;
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Settings files are mostly ASCII: skip it eight bytes at a time.
        std::uint64_t word;
        if (bytes.size() - i >= 8) {
            std::memcpy(&word, bytes.data() + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        char32_t code;
        const std::size_t length = utf8SequenceAt(bytes, i, code);
        if (length == 0)
            return {false, scan.nonAscii};
        scan.nonAscii = scan.nonAscii || length > 1;
        i += length;
    }
    return scan;
}

bool isContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::optional<Encoding> markOf(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE"))
        return Encoding::Utf16LE;
    if (bytes.starts_with("\xFE\xFF"))
        return Encoding::Utf16BE;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return Encoding::Utf8WithMark;
    return std::nullopt;
}

Encoding unmarkedEncoding(Utf8Scan scan) {
    return scan.valid && scan.nonAscii ? Encoding::Utf8 : Encoding::Windows1252;
}

// The encoding of the three pieces of an edited file read as one text, without joining
// them. No UTF-8 sequence starts on a continuation byte, so the text is valid exactly
// when each part is, cut where the unchanged start's last sequence begins and where the
// unchanged end's first one does: only the few bytes around the replacement are joined.
Encoding encodingOf(const std::array<std::string_view, 3>& pieces) {
    std::string start;
    for (const std::string_view piece : pieces)
        start.append(piece.substr(0, 3 - start.size()));
    if (const auto mark = markOf(start))
        return *mark;
    const auto [head, middle, tail] = pieces;
    std::size_t headCut = head.size();
    for (std::size_t back = 1; back <= std::min<std::size_t>(4, head.size()); ++back) {
        if (!isContinuation(head[head.size() - back])) {
            headCut = head.size() - back;
            break;
        }
    }
    std::size_t tailCut = std::min<std::size_t>(4, tail.size());
    for (std::size_t at = 0; at < std::min<std::size_t>(4, tail.size()); ++at) {
        if (!isContinuation(tail[at])) {
            tailCut = at;
            break;
        }
    }
    const std::string joined = std::string(head.substr(headCut)) + std::string(middle) +
                               std::string(tail.substr(0, tailCut));
    Utf8Scan scan;
    for (const std::string_view part :
         {head.substr(0, headCut), std::string_view(joined), tail.substr(tailCut)}) {
        const Utf8Scan own = scanUtf8(part);
        scan.valid = scan.valid && own.valid;
        scan.nonAscii = scan.nonAscii || own.nonAscii;
    }
    return unmarkedEncoding(scan);
}

// The file's bytes as a sequence of code units. Every character that gives the file its
// structure (line breaks, brackets, "=", ";", blanks, quotes) is ASCII, and a unit of that
// value means that character in each encoding: UTF-8 never uses bytes below 0x80 inside a
// multi-byte sequence. So lines are found on the units, and only names and values are
// decoded.
struct Text {
    std::string_view bytes;
    Encoding encoding;
    std::size_t begin; // after the byte-order mark
    std::size_t end;   // after the last whole unit: an odd byte of UTF-16 is kept, not read
    std::size_t width; // bytes per unit

    char16_t unit(std::size_t at) const {
        const auto first = static_cast<unsigned char>(bytes[at]);
        if (width == 1)
            return first;
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return encoding == Encoding::Utf16LE ? char16_t(first | second << 8)
                                             : char16_t(first << 8 | second);
    }

    std::u16string decode(std::size_t from, std::size_t to) const {
        std::u16string out;
        out.reserve((to - from) / width);
        switch (encoding) {
        case Encoding::Windows1252:
            for (std::size_t i = from; i < to; ++i)
                out += fromWindows1252(static_cast<unsigned char>(bytes[i]));
            break;
        case Encoding::Utf8:
        case Encoding::Utf8WithMark: {
            const std::string_view range = bytes.substr(0, to);
            for (std::size_t i = from; i < to;) {
                char32_t code;
                const std::size_t length = utf8SequenceAt(range, i, code);
                if (length == 0) {
                    out += u'\uFFFD';
                    ++i;
                    continue;
                }
                appendUtf16(out, code);
                i += length;
            }
            break;
        }
        case Encoding::Utf16LE:
        case Encoding::Utf16BE:
            for (std::size_t i = from; i < to; i += 2)
                out += unit(i);
            break;
        }
        return out;
    }

    std::optional<std::string> encode(std::u16string_view text) const {
        switch (encoding) {
        case Encoding::Windows1252:
            return toWindows1252(text);
        case Encoding::Utf8:
        case Encoding::Utf8WithMark:
            return utf16ToUtf8(text);
        case Encoding::Utf16LE:
        case Encoding::Utf16BE:
            break;
        }
        std::string out;
        out.reserve(text.size() * 2);
        for (const char16_t unit : text) {
            const char low = static_cast<char>(unit & 0xFF);
            const char high = static_cast<char>(unit >> 8);
            if (encoding == Encoding::Utf16LE)
                out += low, out += high;
            else
                out += high, out += low;
        }
        return out;
    }
};

Text analyse(std::string_view bytes) {
    const Encoding encoding = detectEncoding(bytes);
    std::size_t begin = 0;
    std::size_t width = 1;
    if (encoding == Encoding::Utf8WithMark)
        begin = 3;
    if (encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE)
        begin = 2, width = 2;
    const std::size_t end = begin + (bytes.size() - begin) / width * width;
    return Text{bytes, encoding, begin, end, width};
}

bool isBlank(char16_t unit) {
    return unit == u' ' || unit == u'\t';
}

std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Byte offsets of one line: its content, then its line break (CR LF, LF or a lone CR),
// which is empty on a last line without one.
struct Line {
    std::size_t begin;
    std::size_t contentEnd;
    std::size_t end;

    bool hasBreak() const { return end > contentEnd; }
};

Line lineAt(const Text& text, std::size_t begin) {
    std::size_t at = begin;
    if (text.width == 1) {
        const char* bytes = text.bytes.data();
        while (at < text.end && bytes[at] != '\n' && bytes[at] != '\r')
            ++at;
    } else {
        while (at < text.end && text.unit(at) != u'\n' && text.unit(at) != u'\r')
            at += 2;
    }
    Line line{begin, at, at};
    if (at < text.end) {
        line.end = at + text.width;
        if (text.unit(at) == u'\r' && line.end < text.end && text.unit(line.end) == u'\n')
            line.end += text.width;
    }
    return line;
}

struct Range {
    std::size_t begin = 0;
    std::size_t end = 0;
};

enum class LineKind { Other, Section, Key };

struct Parsed {
    LineKind kind = LineKind::Other;
    Range name;  // section or key name, blanks dropped
    Range value; // blanks and matching outer quotes dropped
};

Range trimmedRange(const Text& text, std::size_t begin, std::size_t end) {
    while (begin < end && isBlank(text.unit(begin)))
        begin += text.width;
    while (end > begin && isBlank(text.unit(end - text.width)))
        end -= text.width;
    return {begin, end};
}

std::size_t findUnit(const Text& text, std::size_t begin, std::size_t end, char16_t wanted) {
    while (begin < end && text.unit(begin) != wanted)
        begin += text.width;
    return begin;
}

Parsed parse(const Text& text, const Line& line) {
    Parsed parsed;
    const std::size_t first = trimmedRange(text, line.begin, line.contentEnd).begin;
    if (first == line.contentEnd || text.unit(first) == u';')
        return parsed;
    if (text.unit(first) == u'[') {
        const std::size_t nameBegin = first + text.width;
        parsed.kind = LineKind::Section;
        parsed.name =
            trimmedRange(text, nameBegin, findUnit(text, nameBegin, line.contentEnd, u']'));
        return parsed;
    }
    const std::size_t equals = findUnit(text, first, line.contentEnd, u'=');
    if (equals == line.contentEnd)
        return parsed;
    parsed.kind = LineKind::Key;
    parsed.name = trimmedRange(text, first, equals);
    parsed.value = trimmedRange(text, equals + text.width, line.contentEnd);
    Range& value = parsed.value;
    if (value.end - value.begin >= 2 * text.width) {
        const char16_t open = text.unit(value.begin);
        if ((open == u'"' || open == u'\'') && text.unit(value.end - text.width) == open)
            value.begin += text.width, value.end -= text.width;
    }
    return parsed;
}

bool nameIs(const Text& text, Range name, std::u16string_view wanted) {
    // A name of another length cannot match, and most names are told apart without being
    // decoded. In UTF-8 one UTF-16 unit takes one to three bytes.
    const std::size_t stored = (name.end - name.begin) / text.width;
    if (text.width == 2 || text.encoding == Encoding::Windows1252) {
        if (stored != wanted.size())
            return false;
    } else if (stored < wanted.size() || stored > 3 * wanted.size()) {
        return false;
    }
    return equalsIgnoringCase(text.decode(name.begin, name.end), wanted);
}

// Where a key stands, or would stand, in the first section of its name.
struct Place {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine{};
    Parsed key;
    // The last line of the section's header and keys: a new key goes after it.
    Line lastOfSection{};
};

Place locate(const Text& text, std::u16string_view section, std::u16string_view key) {
    Place place;
    for (std::size_t at = text.begin; at < text.end;) {
        const Line line = lineAt(text, at);
        at = line.end;
        const Parsed parsed = parse(text, line);
        if (parsed.kind == LineKind::Section) {
            if (place.sectionFound)
                break;
            if (nameIs(text, parsed.name, section)) {
                place.sectionFound = true;
                place.lastOfSection = line;
            }
        } else if (parsed.kind == LineKind::Key && place.sectionFound) {
            place.lastOfSection = line;
            if (nameIs(text, parsed.name, key)) {
                place.keyFound = true;
                place.keyLine = line;
                place.key = parsed;
                break;
            }
        }
    }
    return place;
}

bool holdsAny(std::u16string_view text, std::u16string_view units) {
    return text.find_first_of(units) != std::u16string_view::npos;
}

// Names and values that would read back as something else once written.
bool storable(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    static constexpr std::u16string_view lineBreakOrNul(u"\r\n\0", 3);
    if (holdsAny(section, lineBreakOrNul) || holdsAny(key, lineBreakOrNul) ||
        holdsAny(value, lineBreakOrNul))
        return false;
    if (holdsAny(section, u"]") || holdsAny(key, u"="))
        return false;
    return key.empty() || (key.front() != u'[' && key.front() != u';');
}

std::u16string sectionLine(std::u16string_view section) {
    return u"[" + std::u16string(section) + u"]";
}

std::u16string keyLine(std::u16string_view key, std::u16string_view value) {
    return std::u16string(key) + u"=" + std::u16string(value);
}

// A new file is Windows-1252 when its text fits and reads back as such, UTF-16 with a
// mark otherwise.
std::string newFile(std::u16string_view section, std::u16string_view key,
                    std::u16string_view value) {
    const std::u16string content = sectionLine(section) + u"\r\n" + keyLine(key, value) + u"\r\n";
    if (auto ansi = toWindows1252(content); ansi && detectEncoding(*ansi) == Encoding::Windows1252)
        return *ansi;
    const Text utf16{{}, Encoding::Utf16LE, 0, 0, 2};
    return "\xFF\xFE" + *utf16.encode(content);
}

// The file's own line break: its first one, or CR LF in a file that has none.
std::string lineBreakOf(const Text& text) {
    for (std::size_t at = text.begin; at < text.end;) {
        const Line line = lineAt(text, at);
        if (line.hasBreak())
            return std::string(text.bytes.substr(line.contentEnd, line.end - line.contentEnd));
        at = line.end;
    }
    return *text.encode(u"\r\n");
}

} // namespace

Encoding detectEncoding(std::string_view bytes) {
    if (const auto mark = markOf(bytes))
        return *mark;
    return unmarkedEncoding(scanUtf8(bytes));
}

std::optional<std::u16string> readValue(std::string_view bytes, std::u16string_view section,
                                        std::u16string_view key) {
    const Text text = analyse(bytes);
    const Place place = locate(text, trimmed(section), trimmed(key));
    if (!place.keyFound)
        return std::nullopt;
    return text.decode(place.key.value.begin, place.key.value.end);
}

std::optional<Edit> editValue(std::string_view bytes, std::u16string_view section,
                              std::u16string_view key, std::u16string_view value) {
    section = trimmed(section);
    key = trimmed(key);
    if (!storable(section, key, value))
        return std::nullopt;
    if (bytes.empty())
        return Edit{0, 0, newFile(section, key, value)};

    const Text text = analyse(bytes);
    const Place place = locate(text, section, key);
    std::optional<Edit> edit;
    if (place.keyFound) {
        // The key keeps its spelling, byte for byte.
        const Range name = place.key.name;
        const auto rest = text.encode(u"=" + std::u16string(value));
        if (rest)
            edit = Edit{place.keyLine.begin, place.keyLine.contentEnd,
                        std::string(bytes.substr(name.begin, name.end - name.begin)) + *rest};
    } else {
        const std::string lineBreak = lineBreakOf(text);
        const auto line = text.encode(keyLine(key, value));
        const auto header = text.encode(sectionLine(section));
        if (line && header) {
            // A file that ends without a line break still does after the write.
            if (place.sectionFound) {
                // A new key takes the line break of the line before it: with the file's
                // first one, a lone CR could join a blank line's LF that follows.
                const Line after = place.lastOfSection;
                const std::string_view ownBreak =
                    bytes.substr(after.contentEnd, after.end - after.contentEnd);
                edit = Edit{after.end, after.end,
                            after.hasBreak() ? *line + std::string(ownBreak) : lineBreak + *line};
            } else if (text.end == text.begin) {
                edit = Edit{text.end, text.end, *header + lineBreak + *line + lineBreak};
            } else {
                const char16_t last = text.unit(text.end - text.width);
                const bool endsWithBreak = last == u'\n' || last == u'\r';
                edit = Edit{text.end, text.end,
                            endsWithBreak ? *header + lineBreak + *line + lineBreak
                                          : lineBreak + *header + lineBreak + *line};
            }
        }
    }
    // A file read as Windows-1252 that would turn into valid UTF-8 would read back as
    // other text, this key's or another's.
    if (edit && text.encoding == Encoding::Windows1252 &&
        encodingOf(edit->pieces(bytes)) != Encoding::Windows1252)
        return std::nullopt;
    return edit;
}

std::vector<KeyName> listKeys(std::string_view bytes) {
    const Text text = analyse(bytes);
    std::vector<KeyName> keys;
    std::optional<std::u16string> section;
    for (std::size_t at = text.begin; at < text.end;) {
        const Line line = lineAt(text, at);
        at = line.end;
        const Parsed parsed = parse(text, line);
        if (parsed.kind == LineKind::Section)
            section = text.decode(parsed.name.begin, parsed.name.end);
        else if (parsed.kind == LineKind::Key && section)
            keys.push_back({*section, text.decode(parsed.name.begin, parsed.name.end)});
    }
    return keys;
}

} // namespace platform::profile
