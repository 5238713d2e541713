#include "migration/MigrationRun.h"
#include "FileHolder.h"
#include "Installation.h"
#include "Recorder.h"
#include "migration/IniFiles.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Calls = std::vector<std::string>;

Calls operator+(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::string successText = "ALTERAÇÕES REALIZADAS COM SUCESSO!!!";
const std::string warningText = "ATENÇÃO! \r\rNão foi possivel relizar os procedimentos de "
                                "conversão!\r\r Feche todas as conexões ao banco de dados!!!";
const std::string errorText =
    "Erro ao converter o banco de dados, entre em contato com o Suporte!!!";

const Calls start = {"disable", "max 8", "position 0", "pump"};
const Calls readBackOffice = {"status Carregando o arquivo Quorvane.ini",
                              "status Obtendo o caminho do banco",
                              "position 1",
                              "pump",
                              "status Obtendo a extenção do banco Quorvane.ini",
                              "status Colocando a nova extenção no arquivo"};
const Calls backupStep = {"status Alterando nome do arquivo de Backup"};
const Calls copyStep = {"status Convertendo banco de GDB para FDB"};
const Calls converted = backupStep + copyStep + Calls{"position 2", "pump"};
const Calls success = {"status " + successText, "box " + successText, "terminate"};
const Calls warning = {"box " + warningText, "terminate"};
const Calls conversionError = {"box " + errorText, "terminate"};

Calls written(const std::string& file, int position) {
    return {"status Alterando extenção do banco no arquivo " + file,
            "position " + std::to_string(position), "pump"};
}

const Calls backOfficeRows = written("Talbrix/Quorvane.ini", 3) +
                             written("Talbrix/Brenmoor/Plessgard.ini", 4) +
                             written("Talbrix/Hulvern/Hulvern.ini", 5);
const Calls transportRow = written("Zorp/Quorvane.ini", 6);
const Calls pointOfSaleRows = written("Kestal/Quorvane.ini", 7) + written("Kestal/Trusket.ini", 8);

struct Fixture {
    void run() { RunMigration(window, suite.base()); }

    void expectEverySettingsFileHolds(const std::u16string& value) const {
        for (const auto* s : allSettingsFiles)
            EXPECT_EQ(suite.bytes(s->file), settingsText(*s, value)) << utf8(s->file);
    }

    Installation suite;
    Recorder window;
};

TEST(MigrationRun, ConvertsTheDatabaseAndRewritesEverySettingsFile) {
    Fixture f;
    f.suite.addEverything();
    f.suite.addSettings(fiscalIni, u"servidor:c:\\dados\\Razão\\banco.gdb");

    f.run();

    EXPECT_EQ(f.window.calls, start + readBackOffice + converted + backOfficeRows + transportRow +
                                  pointOfSaleRows + success);
    EXPECT_FALSE(f.suite.exists(Installation::databaseName));
    EXPECT_EQ(f.suite.bytes(Installation::backupName), f.suite.database);
    EXPECT_EQ(f.suite.bytes(Installation::newDatabaseName), f.suite.database);
    for (const auto* s : {&backOfficeIni, &kitchenIni, &waiterIni, &transportIni, &pointOfSaleIni})
        EXPECT_EQ(f.suite.bytes(s->file), settingsText(*s, f.suite.newDatabasePath()));
    EXPECT_EQ(f.suite.bytes(fiscalIni.file),
              settingsText(fiscalIni, u"SERVIDOR:C:\\DADOS\\RAZãO\\BANCO.FDB"));
}

TEST(MigrationRun, WithoutAnyModuleTouchesNothing) {
    Fixture f;
    f.suite.addDatabase();
    f.suite.addAllSettings(f.suite.databasePath());
    const auto before = f.suite.snapshot();

    f.run();

    EXPECT_EQ(f.window.calls, start + success);
    EXPECT_EQ(f.suite.snapshot(), before);
}

TEST(MigrationRun, EachGroupRunsWhenItsExecutableIsThere) {
    struct Case {
        bool backOffice, transport, pointOfSale;
        Calls calls;
    };
    // The database path ends in FDB already, so no conversion is due.
    const Case cases[] = {
        {false, true, false, start + transportRow + success},
        {false, false, true, start + pointOfSaleRows + success},
        {true, false, false, start + readBackOffice + backOfficeRows + success},
        {false, true, true, start + transportRow + pointOfSaleRows + success},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.suite.addModules(c.backOffice, c.transport, c.pointOfSale);
        f.suite.addAllSettings(u"c:\\dados\\banco.fdb");

        f.run();

        EXPECT_EQ(f.window.calls, c.calls);
        const std::pair<const SettingsFile*, bool> rows[] = {
            {&backOfficeIni, c.backOffice},   {&kitchenIni, c.backOffice},
            {&waiterIni, c.backOffice},       {&transportIni, c.transport},
            {&pointOfSaleIni, c.pointOfSale}, {&fiscalIni, c.pointOfSale}};
        for (const auto& [s, ran] : rows)
            EXPECT_EQ(f.suite.bytes(s->file),
                      settingsText(*s, ran ? u"C:\\DADOS\\BANCO.FDB" : u"c:\\dados\\banco.fdb"))
                << utf8(s->file);
    }
}

TEST(MigrationRun, MissingOrShortPathsAreWrittenAsFdb) {
    for (const std::u16string value : {u"", u"x", u"ab", u"abc", u"fdb"}) {
        Fixture f;
        f.suite.addModules(true, false, false);
        f.suite.addAllSettings(value);

        f.run();

        EXPECT_EQ(f.window.calls, start + readBackOffice + backOfficeRows + success);
        for (const auto* s : {&backOfficeIni, &kitchenIni, &waiterIni})
            EXPECT_EQ(f.suite.bytes(s->file), settingsText(*s, u"FDB")) << utf8(value);
    }
}

TEST(MigrationRun, MissingSettingsFilesAreCreatedWithFdb) {
    Fixture f;
    f.suite.addModules(true, false, false);

    f.run();

    EXPECT_EQ(f.window.calls, start + readBackOffice + backOfficeRows + success);
    EXPECT_EQ(f.suite.bytes(backOfficeIni.file), "[ConfiguracaoLocal]\r\nCaminhoBanco=FDB\r\n");
    EXPECT_EQ(f.suite.bytes(kitchenIni.file), "[DADOS]\r\nBASEDADOS=FDB\r\n");
    EXPECT_EQ(f.suite.bytes(waiterIni.file), "[DADOS]\r\nBASEDADOS=FDB\r\n");
}

TEST(MigrationRun, AFileAtTheNewPathMeansNoConversion) {
    Fixture f;
    f.suite.addEverything();
    writeBytes(f.suite.folder / Installation::newDatabaseName, "already converted");

    f.run();

    EXPECT_EQ(f.window.calls,
              start + readBackOffice + backOfficeRows + transportRow + pointOfSaleRows + success);
    EXPECT_EQ(f.suite.bytes(Installation::databaseName), f.suite.database);
    EXPECT_EQ(f.suite.bytes(Installation::newDatabaseName), "already converted");
    EXPECT_FALSE(f.suite.exists(Installation::backupName));
    f.expectEverySettingsFileHolds(f.suite.newDatabasePath());
}

TEST(MigrationRun, ADatabaseThatCannotBeMovedStopsWithTheWarning) {
    for (const bool held : {false, true}) {
        Fixture f;
        f.suite.addEverything();
        if (!held)
            writeBytes(f.suite.folder / Installation::backupName, "earlier backup");
        const auto before = f.suite.snapshot();
        {
            // Held the way the database server holds it while the suite runs.
            std::optional<FileHolder> holder;
            if (held) {
                holder.emplace(f.suite.folder / Installation::databaseName);
                ASSERT_TRUE(holder->holding());
            }
            f.run();
        }
        EXPECT_EQ(f.window.calls, start + readBackOffice + backupStep + warning)
            << (held ? "held" : "backup name taken");
        EXPECT_EQ(f.suite.snapshot(), before);
    }
}

TEST(MigrationRun, AMissingDatabaseIsTakenFromAnEarlierBackup) {
    Fixture f;
    f.suite.addModules(true, false, false);
    f.suite.addAllSettings(f.suite.databasePath());
    writeBytes(f.suite.folder / Installation::backupName, "the earlier run's backup");

    f.run();

    EXPECT_EQ(f.window.calls, start + readBackOffice + converted + backOfficeRows + success);
    EXPECT_EQ(f.suite.bytes(Installation::backupName), "the earlier run's backup");
    EXPECT_EQ(f.suite.bytes(Installation::newDatabaseName), "the earlier run's backup");
    for (const auto* s : {&backOfficeIni, &kitchenIni, &waiterIni})
        EXPECT_EQ(f.suite.bytes(s->file), settingsText(*s, f.suite.newDatabasePath()));
}

// Copying used to fail unnoticed: the settings then named a database that was not there.
TEST(MigrationRun, AFailedCopyPutsTheDatabaseBackAndWritesNothing) {
    Fixture f;
    f.suite.addEverything();
    // A folder at the new name lets the move succeed and the copy fail.
    fs::create_directory(f.suite.folder / Installation::newDatabaseName);
    const auto before = f.suite.snapshot();

    f.run();

    EXPECT_EQ(f.window.calls, start + readBackOffice + backupStep + copyStep + conversionError);
    EXPECT_EQ(f.suite.snapshot(), before);
}

TEST(MigrationRun, NoDatabaseAndNoBackupIsAConversionError) {
    Fixture f;
    f.suite.addModules(true, true, true);
    f.suite.addAllSettings(f.suite.databasePath());
    const auto before = f.suite.snapshot();

    f.run();

    EXPECT_EQ(f.window.calls, start + readBackOffice + backupStep + copyStep + conversionError);
    EXPECT_EQ(f.suite.snapshot(), before);
}

// Without its own folder the tool would take every name from the folder it was started in.
TEST(MigrationRun, WithoutABaseFolderNothingIsTouched) {
    Fixture f;
    f.suite.addEverything();
    const auto before = f.suite.snapshot();
    const auto previous = fs::current_path();
    fs::current_path(f.suite.folder.path());

    RunMigration(f.window, u"");

    fs::current_path(previous);
    const Calls noFolder = {
        "box Erro ao localizar a pasta do sistema, entre em contato com o Suporte!!!", "terminate"};
    EXPECT_EQ(f.window.calls, start + noFolder);
    EXPECT_EQ(f.suite.snapshot(), before);
}

TEST(MigrationRun, AFailedSettingsWriteStopsTheRunWithoutEndingTheProgram) {
    Fixture f;
    f.suite.addEverything();
    fs::remove_all(f.suite.folder / "Talbrix/Brenmoor");
    const auto untouched = {&waiterIni, &transportIni, &pointOfSaleIni, &fiscalIni};

    try {
        f.run();
        FAIL() << "the write into a missing folder did not fail";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(),
                  u"Unable to write to " + f.suite.base() + u"Talbrix/Brenmoor/Plessgard.ini");
    }

    EXPECT_EQ(
        f.window.calls,
        start + readBackOffice + converted + written("Talbrix/Quorvane.ini", 3) +
            Calls{"status Alterando extenção do banco no arquivo Talbrix/Brenmoor/Plessgard.ini"});
    EXPECT_EQ(f.suite.bytes(backOfficeIni.file),
              settingsText(backOfficeIni, f.suite.newDatabasePath()));
    EXPECT_FALSE(f.suite.exists(kitchenIni.file));
    for (const auto* s : untouched)
        EXPECT_EQ(f.suite.bytes(s->file), settingsText(*s, f.suite.databasePath()));
}

} // namespace
