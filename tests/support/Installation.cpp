#include "Installation.h"

#include "migration/PathRules.h"
#include "platform/Unicode.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

const SettingsFile backOfficeIni{u"Talbrix/Quorvane.ini", u"ConfiguracaoLocal", u"CaminhoBanco"};
const SettingsFile kitchenIni{u"Talbrix/Brenmoor/Plessgard.ini", u"DADOS", u"BASEDADOS"};
const SettingsFile waiterIni{u"Talbrix/Hulvern/Hulvern.ini", u"DADOS", u"BASEDADOS"};
const SettingsFile transportIni{u"Zorp/Quorvane.ini", u"ConfiguracaoLocal", u"CaminhoBanco"};
const SettingsFile pointOfSaleIni{u"Kestal/Quorvane.ini", u"ConfiguracaoLocal", u"CaminhoBanco"};
const SettingsFile fiscalIni{u"Kestal/Trusket.ini", u"ConfiguracaoLocal", u"CaminhoBancoServer"};
const SettingsFile* const allSettingsFiles[6] = {&backOfficeIni, &kitchenIni,     &waiterIni,
                                                 &transportIni,  &pointOfSaleIni, &fiscalIni};

std::string ansi(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        if (unit > 0xFF)
            throw std::invalid_argument("not a Latin-1 text");
        bytes += static_cast<char>(unit);
    }
    return bytes;
}

std::string utf16le(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string settingsText(const SettingsFile& s, const std::u16string& value) {
    return ansi(u"; Configuração do módulo\r\n[Geral]\r\nVersao=9.3.12.4\r\n[" + s.section +
                u"]\r\nServidor=localhost\r\n" + s.key + u"=" + value + u"\r\nPorta=3050\r\n");
}

std::string Installation::databaseContent(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919 + i / 4096) % 251);
    return bytes;
}

void Installation::addModules(bool backOffice, bool transport, bool pointOfSale) {
    if (backOffice)
        writeBytes(folder / "Talbrix/Talbrix.exe", "MZ");
    if (transport)
        writeBytes(folder / "Zorp/Zorp.exe", "MZ");
    if (pointOfSale)
        writeBytes(folder / "Kestal/Ombrive.exe", "MZ");
    fs::create_directories(folder / u"Talbrix/Database/Gestão");
    fs::create_directories(folder / "Talbrix/Brenmoor");
    fs::create_directories(folder / "Talbrix/Hulvern");
}

void Installation::addDatabase(std::size_t size) {
    database = databaseContent(size);
    writeBytes(folder / databaseName, database);
}

void Installation::addSettings(const SettingsFile& s, const std::u16string& value) {
    writeBytes(folder / s.file, settingsText(s, value));
}

void Installation::addAllSettings(const std::u16string& value) {
    for (const auto* s : allSettingsFiles)
        addSettings(*s, value);
}

void Installation::addEverything(std::size_t databaseSize) {
    addModules(true, true, true);
    addDatabase(databaseSize);
    addAllSettings(databasePath());
}

std::u16string Installation::databasePath() const {
    return folder.name(databaseName);
}

std::u16string Installation::newDatabasePath() const {
    return NewDatabasePath(databasePath());
}

std::string Installation::bytes(std::u16string_view relative) const {
    return readBytes(folder / relative);
}

bool Installation::exists(std::u16string_view relative) const {
    return fs::exists(folder / relative);
}

namespace {

// A large file stands in a snapshot by its size and a hash of its bytes, so that one of a
// few hundred megabytes costs no more than reading it once.
std::string fingerprint(const fs::path& file) {
    if (fs::file_size(file) <= (1u << 20))
        return readBytes(file);
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint64_t> block(1 << 17);
    std::uint64_t hash = 0x9E3779B97F4A7C15u;
    std::uintmax_t size = 0;
    while (in) {
        std::fill(block.begin(), block.end(), 0);
        in.read(reinterpret_cast<char*>(block.data()), block.size() * sizeof(std::uint64_t));
        size += in.gcount();
        for (const std::uint64_t word : block) {
            hash = (hash ^ word) * 0x100000001B3u;
            hash ^= hash >> 29;
        }
    }
    return std::to_string(size) + " bytes, hash " + std::to_string(hash);
}

} // namespace

std::map<std::string, std::string> Installation::snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        const auto name = platform::utf16ToUtf8(entry.path().u16string()).value_or("?");
        files[name] = entry.is_regular_file() ? fingerprint(entry.path()) : "<folder>";
    }
    return files;
}
