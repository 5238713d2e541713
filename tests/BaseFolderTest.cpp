// The tool started from folders whose names Linux allows and Windows-made installations
// bring along: it must find its installation there, as it is, and convert it.

#include "ChildProcess.h"
#include "Installation.h"
#include "Recorder.h"
#include "TempFolder.h"
#include "migration/PathRules.h"
#include "platform/Unicode.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

TEST(BaseFolder, EveryFolderNameFindsItsInstallation) {
    struct Case {
        const char* what;
        std::string folder;
        // Whether the database lies in the folder: settings in Windows-1252 cannot name a
        // folder whose name is not text.
        bool databaseInside;
    };
    const Case cases[] = {
        {"a name that is not UTF-8, as unpacked from a Windows archive", "Gest\xE3o Comercial",
         false},
        {"a name with a backslash", "Suite\\Nova", true},
        {"a name with spaces and accents", "Minha Empresa Gest\xC3\xA3o", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder tmp;
        const fs::path folder = tmp.path() / c.folder;
        const fs::path program = folder / "migrador";
        fs::create_directory(folder);
        fs::copy_file(MIGRATION_DRIVER, program);
        for (const char* exe : {"Talbrix/Talbrix.exe", "Zorp/Zorp.exe", "Kestal/Ombrive.exe"})
            writeBytes(folder / exe, "MZ");
        fs::create_directories(folder / "Talbrix/Database");
        fs::create_directories(folder / "Talbrix/Brenmoor");
        fs::create_directories(folder / "Talbrix/Hulvern");
        const fs::path database =
            c.databaseInside ? folder / "Talbrix/Database/banco.gdb" : tmp / "Dados/banco.gdb";
        const std::string content = Installation::databaseContent(64 * 1024);
        writeBytes(database, content);
        const std::u16string databasePath = platform::fileNameToUtf16(database.string());
        for (const auto* s : allSettingsFiles)
            writeBytes(folder / s->file, settingsText(*s, databasePath));

        ChildProcess tool({program.string()}, {}, tmp.path(), -1, tmp / "output");
        EXPECT_EQ(tool.waitForExit(60s), 0);

        EXPECT_EQ(readBytes(tmp / "output"),
                  "box ALTERAÇÕES REALIZADAS COM SUCESSO!!!\nterminate\n");
        EXPECT_FALSE(fs::exists(database));
        EXPECT_EQ(readBytes(folder / Installation::backupName), content);
        EXPECT_EQ(readBytes(database.parent_path() / "BANCO.FDB"), content);
        for (const auto* s : allSettingsFiles)
            EXPECT_EQ(readBytes(folder / s->file), settingsText(*s, NewDatabasePath(databasePath)))
                << utf8(s->file);
    }
}

} // namespace
