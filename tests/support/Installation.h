#pragma once

#include "TempFolder.h"

#include <map>
#include <string>

// One settings file of the suite and the key the migration rewrites in it.
struct SettingsFile {
    std::u16string file, section, key;
};

extern const SettingsFile backOfficeIni, kitchenIni, waiterIni, transportIni, pointOfSaleIni,
    fiscalIni;
extern const SettingsFile* const allSettingsFiles[6];

// A settings file as the suite keeps them (ANSI text, CRLF): a comment and other sections
// and keys around the one the run rewrites, so that a test sees every other byte kept.
std::string settingsText(const SettingsFile& s, const std::u16string& value);

// Latin-1 text as Windows-1252 bytes, the code page of the suite's settings files.
std::string ansi(const std::u16string& text);

// Text as UTF-16 LE bytes after their mark, code unit by code unit: unpaired surrogates
// are written as they stand.
std::string utf16le(std::u16string_view text);

// A suite installed in a temporary folder, laid out as the tool finds it at a customer.
class Installation {
public:
    static constexpr std::u16string_view databaseName = u"Talbrix/Database/Gestão/banco.gdb";
    static constexpr std::u16string_view newDatabaseName = u"Talbrix/Database/Gestão/BANCO.FDB";
    static constexpr std::u16string_view backupName = u"Talbrix/Database/BANCOANT9313.GDB";

    // A database of size bytes with a pattern that shows any byte moved or lost.
    static std::string databaseContent(std::size_t size);

    void addModules(bool backOffice, bool transport, bool pointOfSale);
    void addDatabase(std::size_t size = 64 * 1024);
    void addSettings(const SettingsFile& s, const std::u16string& value);
    void addAllSettings(const std::u16string& value);
    // Everything of a full installation whose database still has to be converted.
    void addEverything(std::size_t databaseSize = 64 * 1024);

    std::u16string base() const { return folder.base(); }
    std::u16string databasePath() const;
    // What the run writes into the settings for databasePath().
    std::u16string newDatabasePath() const;

    std::string bytes(std::u16string_view relative) const;
    bool exists(std::u16string_view relative) const;
    // Every file below the installation with its bytes, to tell that nothing changed.
    std::map<std::string, std::string> snapshot() const;

    TempFolder folder;
    std::string database;
};
