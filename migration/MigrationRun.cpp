#include "MigrationRun.h"

#include "IniFiles.h"
#include "PathRules.h"
#include "platform/Platform.h"

namespace {

// Every name the tool uses itself, relative to its own folder.
namespace names {
const std::u16string backOfficeExe = u"Talbrix/Talbrix.exe";
const std::u16string backOfficeIni = u"Talbrix/Quorvane.ini";
const std::u16string backupDatabase = u"Talbrix/Database/BANCOANT9313.GDB";
const std::u16string kitchenIni = u"Talbrix/Brenmoor/Plessgard.ini";
const std::u16string waiterServerIni = u"Talbrix/Hulvern/Hulvern.ini";
const std::u16string transportExe = u"Zorp/Zorp.exe";
const std::u16string transportIni = u"Zorp/Quorvane.ini";
const std::u16string pointOfSaleExe = u"Kestal/Ombrive.exe";
const std::u16string pointOfSaleIni = u"Kestal/Quorvane.ini";
const std::u16string fiscalIni = u"Kestal/Trusket.ini";
} // namespace names

struct SettingsRow {
    const std::u16string& file;
    std::u16string section;
    std::u16string key;
    int position;
};

const SettingsRow backOfficeRow{names::backOfficeIni, u"ConfiguracaoLocal", u"CaminhoBanco", 3};
const SettingsRow kitchenRow{names::kitchenIni, u"DADOS", u"BASEDADOS", 4};
const SettingsRow waiterServerRow{names::waiterServerIni, u"DADOS", u"BASEDADOS", 5};
const SettingsRow transportRow{names::transportIni, u"ConfiguracaoLocal", u"CaminhoBanco", 6};
const SettingsRow pointOfSaleRow{names::pointOfSaleIni, u"ConfiguracaoLocal", u"CaminhoBanco", 7};
const SettingsRow fiscalRow{names::fiscalIni, u"ConfiguracaoLocal", u"CaminhoBancoServer", 8};

const std::u16string successText = u"ALTERAÇÕES REALIZADAS COM SUCESSO!!!";
const std::u16string conversionErrorText =
    u"Erro ao converter o banco de dados, entre em contato com o Suporte!!!";
const std::u16string noBaseFolderText =
    u"Erro ao localizar a pasta do sistema, entre em contato com o Suporte!!!";
const std::u16string databaseInUseText =
    u"ATENÇÃO! \r\rNão foi possivel relizar os procedimentos de conversão!\r\r"
    u" Feche todas as conexões ao banco de dados!!!";

class Run {
public:
    Run(WindowServices& window, const std::u16string& baseFolder)
        : window_(window), baseFolder_(baseFolder) {}

    void execute() {
        window_.DisableButton();
        window_.SetProgressMax(8);
        window_.SetProgressPosition(0);
        window_.ProcessMessages();
        // Without the tool's own folder every name would be taken from whatever folder it
        // was started in, where another installation, or none, may lie.
        if (baseFolder_.empty()) {
            end(noBaseFolderText);
            return;
        }

        if (exists(names::backOfficeExe)) {
            if (!migrateBackOffice())
                return;
            rewrite(kitchenRow);
            rewrite(waiterServerRow);
        }
        if (exists(names::transportExe))
            rewrite(transportRow);
        if (exists(names::pointOfSaleExe)) {
            rewrite(pointOfSaleRow);
            rewrite(fiscalRow);
        }
        window_.SetStatus(successText);
        end(successText);
    }

private:
    std::u16string name(const std::u16string& relative) const {
        return JoinPath(baseFolder_, relative);
    }

    bool exists(const std::u16string& relative) const {
        return platform::fileExists(name(relative), true);
    }

    // False when the run has ended here.
    bool migrateBackOffice() {
        window_.SetStatus(u"Carregando o arquivo Quorvane.ini");
        std::u16string databasePath;
        {
            TIniFile settings(name(names::backOfficeIni));
            window_.SetStatus(u"Obtendo o caminho do banco");
            databasePath = settings.ReadString(u"ConfiguracaoLocal", u"CaminhoBanco", u"");
            window_.SetProgressPosition(1);
            window_.ProcessMessages();
        }
        window_.SetStatus(u"Obtendo a extenção do banco Quorvane.ini");
        const bool gdb = HasGdbExtension(databasePath);
        window_.SetStatus(u"Colocando a nova extenção no arquivo");
        const std::u16string newPath = NewDatabasePath(databasePath);

        if (gdb && !platform::fileExists(newPath, true) && !convert(databasePath, newPath))
            return false;
        write(backOfficeRow, newPath);
        return true;
    }

    // Moves the database to the backup name and copies it to its new name. False when
    // the run has ended here; then no settings file has been written.
    bool convert(const std::u16string& databasePath, const std::u16string& newPath) {
        try {
            window_.SetStatus(u"Alterando nome do arquivo de Backup");
            const bool moved = platform::moveFile(databasePath, name(names::backupDatabase));
            // The move's own answer cannot tell a database in use from one already moved
            // by an earlier run; what stands at its name afterwards can.
            if (platform::fileExists(databasePath, true)) {
                end(databaseInUseText);
                return false;
            }
            window_.SetStatus(u"Convertendo banco de GDB para FDB");
            if (!platform::copyFile(name(names::backupDatabase), newPath, false)) {
                // The settings must never name a database that is not there: put it back
                // under the name they still hold.
                if (moved)
                    platform::moveFile(name(names::backupDatabase), databasePath);
                end(conversionErrorText);
                return false;
            }
            window_.SetProgressPosition(2);
            window_.ProcessMessages();
            return true;
        } catch (...) {
            end(conversionErrorText);
            return false;
        }
    }

    void rewrite(const SettingsRow& row) {
        std::u16string databasePath;
        {
            TIniFile settings(name(row.file));
            databasePath = settings.ReadString(row.section, row.key, u"");
        }
        write(row, NewDatabasePath(databasePath));
    }

    // A failed write raises EIniFileException, which ends the run without Terminate.
    void write(const SettingsRow& row, const std::u16string& value) {
        TIniFile settings(name(row.file));
        window_.SetStatus(u"Alterando extenção do banco no arquivo " + row.file);
        settings.WriteString(row.section, row.key, value);
        window_.SetProgressPosition(row.position);
        window_.ProcessMessages();
    }

    void end(const std::u16string& message) {
        window_.ShowMessage(message);
        window_.Terminate();
    }

    WindowServices& window_;
    const std::u16string baseFolder_;
};

} // namespace

void RunMigration(WindowServices& window, const std::u16string& baseFolder) {
    Run(window, baseFolder).execute();
}
