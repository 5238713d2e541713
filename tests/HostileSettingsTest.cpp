// The whole migration over settings files damaged the ways a customer's disk damages them.
// Whatever the damage, the run ends: the key is written and every other byte kept, or the
// error box names the file and the file stays as it was.

#include "Installation.h"
#include "Recorder.h"
#include "migration/IniFiles.h"
#include "migration/MigrationRun.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct Damage {
    const char* name;
    std::function<void(const fs::path& file)> inflict;
};

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (auto& b : bytes)
        b = static_cast<char>(generator());
    return bytes;
}

// True when after differs from before only inside one line, or by lines added in one place.
bool changedInOnePlace(const std::string& before, const std::string& after) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const std::string removed = before.substr(prefix, before.size() - prefix - suffix);
    const std::string added = after.substr(prefix, after.size() - prefix - suffix);
    const auto breaks = [](const std::string& s) { return s.find_first_of("\r\n") != s.npos; };
    return !breaks(removed) && (removed.empty() || !breaks(added));
}

TEST(HostileSettings, TheRunEndsAndEachFileIsWrittenWholeOrNamed) {
    const Damage damages[] = {
        {"empty", [](const fs::path& f) { writeBytes(f, ""); }},
        {"binary garbage", [](const fs::path& f) { writeBytes(f, randomBytes(64 << 10, 1)); }},
        {"garbage around the key",
         [](const fs::path& f) {
             writeBytes(f, randomBytes(4096, 2) +
                               "\r\n[ConfiguracaoLocal]\r\nCaminhoBanco=c:\\x.gdb\r\n" +
                               randomBytes(4096, 3));
         }},
        {"NUL bytes",
         [](const fs::path& f) {
             writeBytes(f, std::string("[Config\0Local]\r\nA=\0\0\r\n[ConfiguracaoLocal]\r\n"
                                       "CaminhoBanco=c:\\dados\\banco.gdb\0lixo\r\n",
                                       70));
         }},
        {"50 MB on one line", [](const fs::path& f) { writeBytes(f, std::string(50 << 20, 'x')); }},
        {"a 1 MB value",
         [](const fs::path& f) {
             writeBytes(f, "[ConfiguracaoLocal]\r\nCaminhoBanco=" + std::string(1 << 20, 'y') +
                               "\r\nOutra=1\r\n");
         }},
        {"lone CR line ends",
         [](const fs::path& f) {
             writeBytes(f, "[Geral]\rA=1\r\r[ConfiguracaoLocal]\rCaminhoBanco=c:\\b.gdb\rB=2");
         }},
        {"invalid UTF-8 after a mark",
         [](const fs::path& f) {
             writeBytes(f,
                        "\xEF\xBB\xBF[ConfiguracaoLocal]\r\nX=\xC3\x28\xFF\r\nCaminhoBanco=a\r\n");
         }},
        {"UTF-16 of odd length with unpaired surrogates",
         [](const fs::path& f) {
             writeBytes(
                 f, utf16le(u"[ConfiguracaoLocal]\r\nX=\xD800\xD800\r\nCaminhoBanco=c.gdb\r\n") +
                        "\x41");
         }},
        {"a link to /dev/zero", [](const fs::path& f) { fs::create_symlink("/dev/zero", f); }},
        {"a FIFO", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0644), 0); }},
        {"a dangling link", [](const fs::path& f) { fs::create_symlink("nowhere.ini", f); }},
    };
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.name);
        Installation suite;
        suite.addEverything();
        const fs::path file = suite.folder / transportIni.file;
        fs::remove(file);
        damage.inflict(file);
        const bool regular = fs::is_regular_file(fs::symlink_status(file));
        const std::string before = regular ? readBytes(file) : std::string();

        Recorder window;
        std::u16string error;
        try {
            RunMigration(window, suite.base());
        } catch (const EIniFileException& e) {
            error = e.Message();
        }

        std::printf("[          ] %-48s %s\n", damage.name,
                    error.empty() ? "key written, the rest kept" : "error box names the file");
        if (error.empty()) {
            ASSERT_GE(window.calls.size(), 2u);
            EXPECT_EQ(window.calls[window.calls.size() - 2],
                      "box ALTERAÇÕES REALIZADAS COM SUCESSO!!!");
            ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(file)));
            EXPECT_TRUE(changedInOnePlace(before, readBytes(file)));
            TIniFile settings(suite.folder.name(transportIni.file));
            const std::u16string written =
                settings.ReadString(transportIni.section, transportIni.key, u"");
            EXPECT_TRUE(written.ends_with(u"FDB")) << utf8(written.substr(0, 80));
            for (const auto* s : {&pointOfSaleIni, &fiscalIni})
                EXPECT_EQ(suite.bytes(s->file), settingsText(*s, suite.newDatabasePath()));
        } else {
            EXPECT_EQ(error, u"Unable to write to " + suite.base() + transportIni.file);
            EXPECT_EQ(fs::is_regular_file(fs::symlink_status(file)), regular);
            if (regular) {
                EXPECT_EQ(readBytes(file), before);
            }
        }
    }
}

} // namespace
