// Writes one key into arbitrary file content and checks what a write promises: the key
// reads back as written, every other key reads as before, no line is lost or joined, the
// encoding stays, and the bytes outside the edit are the old ones.

#include "platform/ProfileText.h"
#include "platform/Unicode.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace platform::profile;

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "profile write broke its promise: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds)
        fail(what);
}

// Text for names and values: ASCII as it comes, and other bytes picked from characters
// that stress the encodings.
std::u16string textFrom(FuzzedDataProvider& in, std::size_t maxLength) {
    static const char16_t special[] = {u'ã',   u'Ç',   u'€',   0x81,  u'Ω',  u'日', 0xD800,
                                       0xDC00, 0xFEFF, 0xFFFD, u'\t', u' ',  u'"',  u'\'',
                                       u'[',   u']',   u'=',   u';',  u'\r', u'\n', 0};
    const std::string bytes = in.ConsumeRandomLengthString(maxLength);
    std::u16string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += byte < 0x80 ? char16_t(byte) : special[byte % std::size(special)];
    }
    return text;
}

bool isBlank(char16_t unit) {
    return unit == u' ' || unit == u'\t';
}

std::u16string trimmed(std::u16string text) {
    while (!text.empty() && isBlank(text.back()))
        text.pop_back();
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    return text.substr(first);
}

// How Windows reads a stored value: without outer blanks, and without one pair of
// matching outer quotes.
std::u16string asRead(const std::u16string& value) {
    std::u16string text = trimmed(value);
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
        text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return text;
}

// The code units of the text, without a byte-order mark and without the odd last byte of
// UTF-16.
std::vector<char16_t> units(const std::string& bytes) {
    std::vector<char16_t> out;
    const Encoding encoding = detectEncoding(bytes);
    if (encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE) {
        const bool little = encoding == Encoding::Utf16LE;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto a = static_cast<unsigned char>(bytes[i]);
            const auto b = static_cast<unsigned char>(bytes[i + 1]);
            out.push_back(little ? char16_t(a | b << 8) : char16_t(a << 8 | b));
        }
        return out;
    }
    for (std::size_t i = encoding == Encoding::Utf8WithMark ? 3 : 0; i < bytes.size(); ++i)
        out.push_back(static_cast<unsigned char>(bytes[i]));
    return out;
}

struct Line {
    std::u16string content;
    std::u16string lineBreak; // CR LF, LF, CR, or nothing on a last line
    bool operator==(const Line&) const = default;
};

std::vector<Line> lines(const std::string& bytes) {
    const auto text = units(bytes);
    std::vector<Line> out;
    Line line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') {
            line.content += text[i];
            continue;
        }
        line.lineBreak = text[i];
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            line.lineBreak += text[++i];
        out.push_back(std::move(line));
        line = Line{};
    }
    if (!line.content.empty())
        out.push_back(std::move(line));
    return out;
}

// Every line of the old text is still there, as it was, but for one of three edits: one
// line's content replaced with its line break kept; one or two lines inserted; or, where
// the old text ended without a line break, one gained at its end before the new lines.
void checkLines(const std::string& before, const std::string& after) {
    const auto a = lines(before);
    const auto b = lines(after);
    std::size_t same = 0;
    while (same < a.size() && same < b.size() && a[same] == b[same])
        ++same;
    std::size_t tail = 0;
    while (tail < a.size() - same && tail < b.size() - same &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const std::size_t removed = a.size() - same - tail;
    const std::size_t added = b.size() - same - tail;
    const bool replaced = removed == 1 && added == 1 && a[same].lineBreak == b[same].lineBreak;
    const bool inserted = removed == 0 && (added == 1 || added == 2);
    const bool appended = removed == 1 && same + 1 == a.size() && a[same].lineBreak.empty() &&
                          b[same].content == a[same].content && !b[same].lineBreak.empty() &&
                          (added == 2 || added == 3);
    const bool unchanged = removed == 0 && added == 0;
    check(unchanged || replaced || inserted || appended, "lines were lost, joined or changed");
}

bool isAscii(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // The choices come from the end of the input and the file from its start, so a
    // settings file given as a seed is mostly read as a file.
    const auto choice = in.ConsumeIntegral<std::uint8_t>();
    const auto pick = in.ConsumeIntegral<std::uint16_t>();
    const std::string before =
        in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, in.remaining_bytes()));
    std::u16string section = textFrom(in, 12);
    std::u16string key = textFrom(in, 12);
    const std::u16string value = textFrom(in, 24);

    // Most writes aim at what the file holds: an existing key, or a new key in an
    // existing section.
    const std::vector<KeyName> keysBefore = listKeys(before);
    if (!keysBefore.empty() && choice % 4 != 0) {
        const KeyName& existing = keysBefore[pick % keysBefore.size()];
        section = existing.section;
        if (choice % 4 != 1)
            key = existing.key;
    }

    const auto edit = editValue(before, section, key, value);
    if (!edit)
        return 0;
    check(edit->from <= edit->to && edit->to <= before.size(), "the edit lies outside the file");
    // What the writer writes: the pieces one after the other.
    std::string after;
    for (const std::string_view piece : edit->pieces(before))
        after.append(piece);

    const auto written = readValue(after, section, key);
    check(written.has_value(), "the written key is missing");
    check(*written == asRead(value), "the written key reads back as something else");

    const std::u16string writtenSection = trimmed(section);
    const std::u16string writtenKey = trimmed(key);
    for (const KeyName& other : keysBefore) {
        if (platform::equalsIgnoringCase(other.section, writtenSection) &&
            platform::equalsIgnoringCase(other.key, writtenKey))
            continue;
        check(readValue(before, other.section, other.key) ==
                  readValue(after, other.section, other.key),
              "another key reads differently");
    }
    const std::size_t keysAfter = listKeys(after).size();
    check(keysAfter == keysBefore.size() || keysAfter == keysBefore.size() + 1,
          "keys appeared or vanished");

    if (!before.empty()) {
        const Encoding was = detectEncoding(before);
        const Encoding is = detectEncoding(after);
        check(is == was || (was == Encoding::Utf8 && is == Encoding::Windows1252 && isAscii(after)),
              "the encoding changed");
        checkLines(before, after);
        // What no line holds: the mark, and the odd last byte of UTF-16.
        const std::size_t mark = was == Encoding::Utf8WithMark                          ? 3
                                 : was == Encoding::Utf16LE || was == Encoding::Utf16BE ? 2
                                                                                        : 0;
        check(after.compare(0, mark, before, 0, mark) == 0, "the mark changed");
        if (mark == 2 && before.size() % 2 == 1)
            check(after.back() == before.back(), "the odd last byte changed");
    }
    return 0;
}
