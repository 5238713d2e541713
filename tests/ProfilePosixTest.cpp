#include "TempFolder.h"
#include "migration/IniFiles.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string utf16(std::u16string_view text, bool bigEndian = false) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::u16string readKey(const std::u16string& file, const std::u16string& key) {
    TIniFile ini(file);
    return ini.ReadString(u"S", key, u"default");
}

// Writes key in section S; false when the write raised.
bool writeKey(const std::u16string& file, const std::u16string& key, const std::u16string& value) {
    TIniFile ini(file);
    try {
        ini.WriteString(u"S", key, value);
        return true;
    } catch (const EIniFileException&) {
        return false;
    }
}

struct BadContent {
    const char* what;
    std::string content;
    std::u16string key;               // read, then written, in section S
    std::u16string reads;             // "default" when the key is not found
    std::u16string value;             // written
    std::optional<std::string> after; // nothing: the write fails and changes nothing
};

TEST(ProfileBadContent, ReadsGiveTheValueOrTheDefaultAndWritesKeepEveryOtherByte) {
    const std::string megabyteLine = "X=" + std::string(1 << 20, 'a');
    const BadContent cases[] = {
        {"empty file", "", u"K", u"default", u"novo", "[S]\r\nK=novo\r\n"},
        {"NUL bytes only", std::string(4, '\0'), u"K", u"default", u"novo",
         std::string(4, '\0') + "\r\n[S]\r\nK=novo"},
        {"NUL inside a value", std::string("[S]\r\nK=a\0b\r\n", 12), u"K",
         std::u16string(u"a\0b", 3), u"novo", "[S]\r\nK=novo\r\n"},
        {"binary garbage around the section",
         "\xFF\xD8\xFF\xE0\x10JFIF\x01\r\n[S]\r\nK=v\x80\r\n\x1A\x9D", u"K", u"v€", u"novo",
         "\xFF\xD8\xFF\xE0\x10JFIF\x01\r\n[S]\r\nK=novo\r\n\x1A\x9D"},
        {"lone CR line breaks", "[S]\rK=velho\rL=x", u"K", u"velho", u"novo", "[S]\rK=novo\rL=x"},
        {"lone CR, new key", "[S]\rK=velho\rL=x", u"M", u"default", u"novo",
         "[S]\rK=velho\rL=x\rM=novo"},
        {"mixed line breaks, new key", "[S]\rK=v\n\n;end", u"M", u"default", u"novo",
         "[S]\rK=v\nM=novo\n\n;end"},
        {"a 1 MB line", "[S]\r\n" + megabyteLine + "\r\nK=velho\r\n", u"K", u"velho", u"novo",
         "[S]\r\n" + megabyteLine + "\r\nK=novo\r\n"},
        {"a 1 MB value", "[S]\r\n" + megabyteLine + "\r\n", u"X", std::u16string(2047, u'a'), u"b",
         "[S]\r\nX=b\r\n"},
        {"invalid UTF-8 reads as Windows-1252", "[S]\r\nK=\xC3\x28\r\n", u"K", u"Ã(", u"novo",
         "[S]\r\nK=novo\r\n"},
        {"invalid UTF-8 after a mark", "\xEF\xBB\xBF[S]\r\nK=\xFF\xFE\r\nL=\xC3\xA9\r\n", u"K",
         u"\uFFFD\uFFFD", u"ção", "\xEF\xBB\xBF[S]\r\nK=\xC3\xA7\xC3\xA3o\r\nL=\xC3\xA9\r\n"},
        {"UTF-16 of odd length", utf16(u"[S]\r\nK=v\r\n") + "A", u"M", u"default", u"novo",
         utf16(u"[S]\r\nK=v\r\nM=novo\r\n") + "A"},
        {"UTF-16 with an unpaired surrogate", utf16(u"[S]\r\nK=\xD800x\r\n"), u"K", u"\xD800x",
         u"Ω\xDC00", utf16(u"[S]\r\nK=Ω\xDC00\r\n")},
        {"UTF-16 big-endian", utf16(u"[S]\r\nK=v\r\n", true), u"K", u"v", u"ção",
         utf16(u"[S]\r\nK=ção\r\n", true)},
        {"a mark and nothing else", "\xFF\xFE", u"K", u"default", u"novo",
         utf16(u"[S]\r\nK=novo\r\n")},
        {"Windows-1252 that the write would turn into valid UTF-8",
         "[S]\r\nA=\xE3\r\nK=\xC3\xA3\r\n", u"A", u"ã", u"x", std::nullopt},
        {"a line break in the value", "[S]\r\nK=v\r\n", u"K", u"v", u"x\r\n[T]\r\nY=1",
         std::nullopt},
        {"a character Windows-1252 lacks", "[S]\r\nK=v\r\n", u"K", u"v", u"日本", std::nullopt},
        {"a key that would read as a comment", "[S]\r\nK=v\r\n", u";K", u"default", u"x",
         std::nullopt},
        {"a key with an equals sign", "[S]\r\nK=v\r\n", u"K=1", u"default", u"x", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder tmp;
        writeBytes(tmp / "x.ini", c.content);
        EXPECT_EQ(readKey(tmp.name(u"x.ini"), c.key), c.reads);
        EXPECT_EQ(writeKey(tmp.name(u"x.ini"), c.key, c.value), c.after.has_value());
        EXPECT_EQ(readBytes(tmp / "x.ini"), c.after.value_or(c.content));
        EXPECT_EQ(entries(tmp.path()), std::vector<std::string>{"x.ini"});
    }
}

TEST(ProfileBadContent, HundredMegabyteFile) {
    TempFolder tmp;
    const fs::path file = tmp / "big.ini";
    writeBytes(file, "[S]\r\nfiller=");
    fs::resize_file(file, 100 << 20);
    {
        std::FILE* out = std::fopen(file.c_str(), "ab");
        ASSERT_NE(out, nullptr);
        std::fputs("\r\nK=velho\r\n", out);
        std::fclose(out);
    }
    const auto size = fs::file_size(file);
    EXPECT_EQ(readKey(tmp.name(u"big.ini"), u"K"), u"velho");
    EXPECT_TRUE(writeKey(tmp.name(u"big.ini"), u"K", u"novo"));
    EXPECT_EQ(fs::file_size(file), size - 1);
    EXPECT_EQ(readKey(tmp.name(u"big.ini"), u"K"), u"novo");
}

TEST(ProfileFileKinds, WhatIsNotARegularFileReadsAsMissingAndIsNeverWritten) {
    TempFolder tmp;
    fs::create_symlink(tmp / "gone.ini", tmp / "dangling.ini");
    fs::create_symlink("/dev/zero", tmp / "zero.ini");
    ASSERT_EQ(::mkfifo((tmp / "fifo.ini").c_str(), 0644), 0);
    fs::create_directory(tmp / "folder.ini");
    const auto before = entries(tmp.path());
    for (const char16_t* name : {u"dangling.ini", u"zero.ini", u"fifo.ini", u"folder.ini"}) {
        SCOPED_TRACE(std::string(name, name + std::char_traits<char16_t>::length(name)));
        EXPECT_EQ(readKey(tmp.name(name), u"K"), u"default");
        EXPECT_FALSE(writeKey(tmp.name(name), u"K", u"v"));
    }
    EXPECT_EQ(entries(tmp.path()), before);
    EXPECT_TRUE(fs::is_symlink(tmp / "dangling.ini"));
    EXPECT_FALSE(fs::exists(tmp / "gone.ini"));
    EXPECT_TRUE(fs::is_fifo(tmp / "fifo.ini"));
}

TEST(ProfileFileKinds, ALinkStaysALinkAndItsTargetIsRewritten) {
    TempFolder tmp;
    writeBytes(tmp / "real" / "x.ini", "[S]\r\nK=v\r\n");
    fs::create_symlink(tmp / "real" / "x.ini", tmp / "link.ini");
    EXPECT_TRUE(writeKey(tmp.name(u"link.ini"), u"K", u"novo"));
    EXPECT_TRUE(fs::is_symlink(tmp / "link.ini"));
    EXPECT_EQ(readBytes(tmp / "real" / "x.ini"), "[S]\r\nK=novo\r\n");
    EXPECT_EQ(entries(tmp / "real"), std::vector<std::string>{"x.ini"});
}

TEST(ProfileFileKinds, NamesResolveAsOnWindowsAndPermissionsStay) {
    TempFolder tmp;
    writeBytes(tmp / "Talbrix" / "Quorvane.ini", "[S]\r\nK=v\r\n");
    fs::permissions(tmp / "Talbrix" / "Quorvane.ini", fs::perms(0640));
    EXPECT_TRUE(writeKey(tmp.name(u"TALBRIX\\quorvane.INI"), u"K", u"novo"));
    EXPECT_EQ(entries(tmp / "Talbrix"), std::vector<std::string>{"Quorvane.ini"});
    EXPECT_EQ(readBytes(tmp / "Talbrix" / "Quorvane.ini"), "[S]\r\nK=novo\r\n");
    EXPECT_EQ(fs::status(tmp / "Talbrix" / "Quorvane.ini").permissions(), fs::perms(0640));

    const mode_t previous = ::umask(027);
    const bool created = writeKey(tmp.name(u"talbrix/Novo.ini"), u"K", u"v");
    ::umask(previous);
    EXPECT_TRUE(created);
    EXPECT_EQ(fs::status(tmp / "Talbrix" / "Novo.ini").permissions(), fs::perms(0640));
}

TEST(ProfileBuffer, CopiesAtMostSizeLessOneUnitsAndTerminates) {
    TempFolder tmp;
    writeBytes(tmp / "x.ini", "[S]\r\nK=velho\r\n");
    for (const std::size_t size : {0, 1, 4, 6, 7}) {
        char16_t buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        const std::size_t count =
            platform::getProfileString(u"S", u"K", u"", buffer, size, tmp.name(u"x.ini"));
        const std::size_t expected = size == 0 ? 0 : std::min<std::size_t>(size - 1, 5);
        EXPECT_EQ(count, expected) << "size " << size;
        EXPECT_EQ(std::u16string(buffer, count), std::u16string(u"velho").substr(0, expected));
        EXPECT_EQ(buffer[count], size == 0 ? u'#' : u'\0') << "size " << size;
        EXPECT_EQ(buffer[size == 0 ? 0 : size], u'#') << "nothing written past the buffer";
    }
}

} // namespace
