#include "migration/PathRules.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace {

struct DatabasePathCase {
    std::u16string path;
    std::u16string extension;
    bool passes;
    std::u16string newPath;
};

TEST(PathRules, DatabasePathRules) {
    const DatabasePathCase cases[] = {
        {u"C:\\Suite\\Dados\\banco.gdb", u"gdb", true, u"C:\\SUITE\\DADOS\\BANCO.FDB"},
        {u"C:\\Suite\\Dados\\BANCO.GDB", u"GDB", true, u"C:\\SUITE\\DADOS\\BANCO.FDB"},
        {u"C:\\Suite\\Dados\\Banco.Gdb", u"Gdb", true, u"C:\\SUITE\\DADOS\\BANCO.FDB"},
        {u"C:\\Suite\\Dados\\BANCO.FDB", u"FDB", false, u"C:\\SUITE\\DADOS\\BANCO.FDB"},
        {u"c:\\dados\\banco.fdb", u"fdb", false, u"C:\\DADOS\\BANCO.FDB"},
        {u"D:\\Gestão\\Dados\\Banco.gdb", u"gdb", true, u"D:\\GESTãO\\DADOS\\BANCO.FDB"},
        {u"C:\\Dados\\BANCO", u"NCO", false, u"C:\\DADOS\\BAFDB"},
        {u".gdb", u"gdb", true, u".FDB"},
        {u"gdb", u"gdb", true, u"FDB"},
        {u"GD", u"GD", false, u"FDB"},
        {u"g", u"g", false, u"FDB"},
        {u"", u"", false, u"FDB"},
        {u"/srv/Razão/banco.gDb", u"gDb", true, u"/SRV/RAZãO/BANCO.FDB"},
        // Lone surrogates are code units like any other.
        {u"\xD800.gdb", u"gdb", true, u"\xD800.FDB"},
        {u"x\xDC00gdb", u"gdb", true,
         u"X\xDC00"
         u"FDB"},
        {u"ab\xD800", u"ab\xD800", false, u"FDB"},
        {u"zab\xD800", u"ab\xD800", false, u"ZFDB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case of length " << c.path.size());
        EXPECT_EQ(DatabaseExtension(c.path), c.extension);
        EXPECT_EQ(HasGdbExtension(c.path), c.passes);
        EXPECT_EQ(NewDatabasePath(c.path), c.newPath);
    }
}

TEST(PathRules, UpperCaseChangesOnlyAToZ) {
    EXPECT_EQ(UpperCase(u"azAZ09 çãéÿ\xD800ß"), u"AZAZ09 çãéÿ\xD800ß");
    EXPECT_EQ(UpperCase(u""), u"");
}

TEST(PathRules, SubstringRule) {
    struct Case {
        long long index, count;
        std::u16string expected;
    };
    const Case cases[] = {
        {1, 3, u"abc"},
        {-1, 3, u"abc"},
        {0, 2, u"ab"},
        {2, 1, u"b"},
        {3, 10, u"c"},
        {4, 1, u""},
        {100, 1, u""},
        {1, -5, u""},
        {1, 0, u""},
        {2, 2, u"bc"},
        {-1000000000000, 1, u"a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Copy(u"abc", c.index, c.count), c.expected) << c.index << "," << c.count;
    EXPECT_EQ(Copy(u"", 1, 3), u"");
}

TEST(PathRules, ExtractFilePathWithWindowsDelimiters) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"C:\\Suite\\migrar.exe", u"C:\\Suite\\"},
        {u"\\\\servidor\\share\\Suite\\migrar.exe", u"\\\\servidor\\share\\Suite\\"},
        {u"C:migrar.exe", u"C:"},
        {u"migrar.exe", u""},
        {u"", u""},
        // A forward slash is no delimiter.
        {u"C:\\Suite/sub/migrar.exe", u"C:\\"},
        {u"/opt/suite/migrar", u""},
    };
    for (const auto& [path, folder] : cases)
        EXPECT_EQ(ExtractFilePath(path, u"\\:"), folder);
}

TEST(PathRules, ExtractFilePathWithPosixDelimiters) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"/opt/Suite/migrar", u"/opt/Suite/"}, {u"/migrar", u"/"}, {u"migrar", u""}, {u"", u""},
        {u"/opt/Suite\\migrar.exe", u"/opt/"},
    };
    for (const auto& [path, folder] : cases)
        EXPECT_EQ(ExtractFilePath(path, u"/"), folder);
}

TEST(PathRules, JoinKeepsBothSeparators) {
    EXPECT_EQ(JoinPath(u"C:\\Sistema\\", u"Talbrix/Quorvane.ini"),
              u"C:\\Sistema\\Talbrix/Quorvane.ini");
    EXPECT_EQ(JoinPath(u"", u"Talbrix/Quorvane.ini"), u"Talbrix/Quorvane.ini");
}

TEST(PathRules, BaseFolderIsTheRunningExecutablesFolder) {
    const std::u16string exe = GetExeName();
    ASSERT_FALSE(exe.empty());
    const std::u16string base = BaseFolder();
    ASSERT_FALSE(base.empty());
    EXPECT_EQ(exe.substr(0, base.size()), base);
    EXPECT_NE(platform::pathDelimiters().find(base.back()), std::u16string_view::npos);
    EXPECT_EQ(exe.substr(base.size()).find_first_of(platform::pathDelimiters()),
              std::u16string::npos);
    EXPECT_TRUE(platform::fileExists(exe, true));
}

} // namespace
