#include "TempFolder.h"
#include "platform/Platform.h"
#include "platform/PosixFiles.h"
#include "platform/Unicode.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TEST(NameResolution, ResolvesWindowsNamesAgainstOneTree) {
    TempFolder tmp;
    writeBytes(tmp / "DADOS" / "Banco.gdb", "db");
    writeBytes(tmp / "Gestão" / "x.ini", "ini");
    writeBytes(tmp / "Dup" / "abc", "small");
    writeBytes(tmp / "Dup" / "ABC", "capital");
    writeBytes(tmp / "Dup" / "aBc", "mixed");
    const std::string root = tmp.path().string() + "/";

    struct Case {
        std::u16string name;
        std::optional<std::string> resolved; // relative to the folder
    };
    const Case cases[] = {
        {u"DADOS/Banco.gdb", "DADOS/Banco.gdb"},
        {u"dados\\BANCO.GDB", "DADOS/Banco.gdb"},
        {u"Dados/\\/banco.gdb", "DADOS/Banco.gdb"},
        {u"GESTÃO\\X.INI", "Gestão/x.ini"},
        {u"gestão/x.ini", "Gestão/x.ini"},
        {u"Dup/abc", "Dup/abc"}, // the exact name wins
        {u"Dup/Abc", "Dup/ABC"}, // else the first variant in byte order
        {u"DADOS/NOVO.FDB", "DADOS/NOVO.FDB"},
        {u"missing/Banco.gdb", "missing/Banco.gdb"},
        {u"DADOS/", "DADOS/"},
    };
    for (const auto& c : cases) {
        const auto resolved = platform::posix::resolvePath(tmp.base() + c.name);
        ASSERT_TRUE(resolved.has_value());
        EXPECT_EQ(*resolved, root + *c.resolved);
    }
    EXPECT_TRUE(platform::fileExists(tmp.name(u"DADOS\\BANCO.GDB"), true));
    EXPECT_EQ(readBytes(tmp / "Dup" / "ABC"), "capital");
}

TEST(NameResolution, NamesThatCannotExistHere) {
    const std::u16string cases[] = {
        u"",
        u"C:\\DADOS\\BANCO.GDB",
        u"c:/dados",
        u"C:",
        u"\\\\servidor\\share\\banco.gdb",
        std::u16string(u"/tmp/a\0b", 8),
        u"/tmp/\xD800.gdb",
    };
    for (const auto& name : cases)
        EXPECT_FALSE(platform::posix::resolvePath(name).has_value());
    EXPECT_FALSE(platform::fileExists(u"C:\\Windows\\win.ini", true));
}

// A folder unpacked from a Windows archive has names that are not UTF-8; they must still
// name their files, byte for byte.
TEST(NameResolution, EveryByteStringSpellsBackAsItself) {
    const std::string names[] = {"plain",          "Gest\xC3\xA3o",   "Gest\xE3o",
                                 "\xFF\xFE",       "\xED\xA0\x80",    "\xC3",
                                 "a\x80z\xC3\xA3", "\xF0\x9F\x98\x80"};
    for (const auto& name : names)
        EXPECT_EQ(platform::fileNameFromUtf16(platform::fileNameToUtf16(name)), name);
    EXPECT_EQ(platform::fileNameToUtf16("Gest\xE3o"), u"Gest\xDCE3o");
    EXPECT_EQ(platform::fileNameToUtf16("Gest\xC3\xA3o"), u"Gestão");
    EXPECT_FALSE(platform::fileNameFromUtf16(u"\xD800x").has_value());
    EXPECT_FALSE(platform::fileNameFromUtf16(u"\xDC7F").has_value());

    TempFolder tmp;
    writeBytes(tmp.path() / "Gest\xE3o" / "Banco.gdb", "db");
    EXPECT_TRUE(platform::fileExists(tmp.base() + u"GEST\xDCE3O\\BANCO.GDB", true));
}

TEST(NameResolution, RelativeNamesStartAtTheWorkingFolder) {
    TempFolder tmp;
    writeBytes(tmp / "Talbrix" / "Quorvane.ini", "x");
    const auto previous = fs::current_path();
    fs::current_path(tmp.path());
    const auto resolved = platform::posix::resolvePath(u"talbrix\\quorvane.INI");
    fs::current_path(previous);
    EXPECT_EQ(resolved, std::optional<std::string>("Talbrix/Quorvane.ini"));
}

} // namespace
