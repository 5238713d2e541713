#include "migration/IniFiles.h"
#include "Installation.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

// The Windows build runs under Wine, whose profile functions are a reimplementation that
// differs from Windows in places; those cases carry Wine's result and the reason.
bool underWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

std::string fixture(const char* name) {
    return readBytes(fs::path(MIGRATOR_FIXTURES) / name);
}

const std::u16string longValue = [] {
    std::u16string value;
    while (value.size() < 3000)
        value += u"0123456789";
    return value;
}();

// Builds the file name the way the run does: the base folder, then a relative name with
// forward slashes.
const char16_t* const settingsName = u"Talbrix/Quorvane.ini";

fs::path settingsPath(const TempFolder& tmp) {
    return tmp / "Talbrix" / "Quorvane.ini";
}

// Where Wine, itself a reimplementation, reads differently from Windows' rules that this
// backend follows.
const char* const wineReadsCommentsAsKeys =
    "Wine takes a line starting with ';' for a key of that name; here it is a comment";
const char* const wineFoldsOnlyAscii =
    "Wine matches names without regard to case for ASCII letters only";
const char* const wineReadsAnsi =
    "Wine reads a file without a mark in the ANSI code page; here valid UTF-8 is read as UTF-8";

struct WineRead {
    const char* reason;
    std::u16string value;
};

struct ReadCase {
    const char* fixture; // nullptr: the file does not exist
    std::u16string section;
    std::u16string key;
    std::u16string defaultValue;
    std::u16string expected;
    std::optional<WineRead> wine = std::nullopt;
};

TEST(IniFileRead, Cases) {
    const ReadCase cases[] = {
        {"crlf.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"", u"C:\\DADOS\\BANCO.GDB"},
        {"crlf.ini", u"DADOS", u"BASEDADOS", u"", u"C:\\DADOS\\BANCO.GDB"},
        {"crlf.ini", u"configuracaolocal", u"CAMINHOBANCO", u"", u"C:\\DADOS\\BANCO.GDB"},
        {"crlf.ini", u"DADOS", u"CaminhoBanco", u"", u""}, // only in another section
        {"crlf.ini", u"Ausente", u"CaminhoBanco", u"padrão", u"padrão"},
        {"crlf.ini", u"DADOS", u"Ausente", u"padrão  ", u"padrão"},
        {nullptr, u"ConfiguracaoLocal", u"CaminhoBanco", u"", u""},
        {"lf-no-final-newline.ini", u"DADOS", u"BASEDADOS", u"", u"/dados/banco.gdb"},
        {"lf-no-final-newline.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"",
         u"/dados/banco.gdb"},
        {"quirks.ini", u"Geral", u"Nome", u"", u"Loja Central"},
        {"quirks.ini", u"GERAL", u"nome", u"", u"Loja Central"},
        {"quirks.ini", u"Geral", u"Aspas", u"", u"  entre aspas  "},
        {"quirks.ini", u"Geral", u"Simples", u"", u"simples"},
        {"quirks.ini", u"Geral", u"Mista", u"", u"\"aberta'"},
        {"quirks.ini", u"Geral", u"SoAspa", u"", u"\""},
        {"quirks.ini", u"Geral", u"Vazia", u"x", u""},
        {"quirks.ini", u"Geral", u";Comentada", u"x", u"x",
         WineRead{wineReadsCommentsAsKeys, u"sim"}},
        {"quirks.ini", u"Geral", u"Comentada", u"x", u"x"},
        {"quirks.ini", u"Geral", u"linha sem igual", u"x", u"x"},
        {"quirks.ini", u"Geral", u"Dup", u"", u"primeira"},
        {"quirks.ini", u"Geral", u"Formula", u"", u"a=b"},
        {"quirks.ini", u"Geral", u"Extra", u"x", u"x"}, // only in the second [Geral]
        {"quirks.ini", u"Geral", u"SoAqui", u"x", u"x"},
        {"quirks.ini", u"Outra", u"SoAqui", u"", u"outra"},
        {"quirks.ini", u"Geral", u"Orphan", u"x", u"x"},
        {"long-value.ini", u"Geral", u"Longa", u"", longValue.substr(0, 2047)},
        {"long-value.ini", u"Geral", u"Depois", u"", u"fim"},
        {"utf16le.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"",
         u"D:\\Gestão\\Dados\\Banco.gdb"},
        {"utf16le.ini", u"ConfiguracaoLocal", u"OBSERVAÇÃO", u"", u"日本",
         WineRead{wineFoldsOnlyAscii, u""}},
        {"utf8-bom.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"",
         u"D:\\Gestão\\Dados\\Banco.gdb"},
        {"utf8.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"", u"D:\\Gestão\\Dados\\Banco.gdb",
         WineRead{wineReadsAnsi, u"D:\\GestÃ£o\\Dados\\Banco.gdb"}},
        {"cp1252.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"", u"D:\\Gestão\\Dados\\Banco.gdb"},
        {"cp1252.ini", u"dados", u"PREÇO", u"", u"€ 10", WineRead{wineFoldsOnlyAscii, u""}},
    };
    const bool wine = underWine();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fixture ? c.fixture : "no file") + " [" +
                     std::string(c.section.begin(), c.section.end()) + "] " +
                     std::string(c.key.begin(), c.key.end()));
        TempFolder tmp;
        fs::create_directory(tmp / "Talbrix");
        if (c.fixture)
            writeBytes(settingsPath(tmp), fixture(c.fixture));
        std::u16string value;
        {
            TIniFile ini(tmp.name(settingsName));
            value = ini.ReadString(c.section, c.key, c.defaultValue);
        }
        const bool asWine = wine && c.wine;
        SCOPED_TRACE(asWine ? c.wine->reason : "");
        EXPECT_EQ(value, asWine ? c.wine->value : c.expected);
        if (c.fixture)
            EXPECT_EQ(readBytes(settingsPath(tmp)), fixture(c.fixture));
        else
            EXPECT_TRUE(fs::is_empty(tmp / "Talbrix"));
    }
}

struct WineWrite {
    const char* reason;
    std::optional<std::string> bytes;
};

struct WriteCase {
    const char* fixture; // nullptr: the file does not exist
    std::u16string section;
    std::u16string key;
    std::u16string value;
    // The whole file afterwards; nothing when the write must raise EIniFileException and
    // leave the file byte for byte as it was.
    std::optional<std::string> expected;
    std::optional<WineWrite> wine = std::nullopt;
};

// Where Wine writes differently from Windows' rules that this backend follows.
const char* const wineRewrites =
    "Wine rewrites the whole file from what it parsed: blank lines go, names lose their outer "
    "blanks and values their leading ones, every line break becomes CR LF and the file "
    "ends with one";
const char* const wineRewritesAndMovesComments =
    "Wine rewrites the whole file (blank lines go) and puts a new key after the comment lines "
    "that end its section, which it counts as the section's";
const char* const wineBestFit =
    "Wine writes a look-alike ('O' for Omega) where the file's code page lacks the character; "
    "here the write fails and the file stays as it was";
const char* const wineAnsiOnly =
    "Wine writes a file without a mark in the ANSI code page, with a look-alike ('O' for "
    "Omega) for what it lacks; here the file keeps its UTF-8 and a new file its UTF-16";

TEST(IniFileWrite, Cases) {
    const WriteCase cases[] = {
        {"crlf.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"C:\\DADOS\\BANCO.FDB",
         "; Back-office settings\r\n\r\n[ConfiguracaoLocal]\r\n"
         "CaminhoBanco=C:\\DADOS\\BANCO.FDB\r\n"
         "Servidor=localhost\r\n\r\n; database of the kitchen module\r\n[DADOS]\r\n"
         "BASEDADOS=C:\\DADOS\\BANCO.GDB\r\n",
         WineWrite{
             wineRewrites,
             "; Back-office settings\r\n[ConfiguracaoLocal]\r\n"
             "CaminhoBanco=C:\\DADOS\\BANCO.FDB\r\nServidor=localhost\r\n"
             "; database of the kitchen module\r\n[DADOS]\r\nBASEDADOS=C:\\DADOS\\BANCO.GDB\r\n"}},
        {"crlf.ini", u"configuracaolocal", u"CAMINHOBANCO", u"X",
         "; Back-office settings\r\n\r\n[ConfiguracaoLocal]\r\nCaminhoBanco=X\r\n"
         "Servidor=localhost\r\n\r\n; database of the kitchen module\r\n[DADOS]\r\n"
         "BASEDADOS=C:\\DADOS\\BANCO.GDB\r\n",
         WineWrite{wineRewrites,
                   "; Back-office settings\r\n[ConfiguracaoLocal]\r\nCaminhoBanco=X\r\n"
                   "Servidor=localhost\r\n; database of the kitchen module\r\n[DADOS]\r\n"
                   "BASEDADOS=C:\\DADOS\\BANCO.GDB\r\n"}},
        {"crlf.ini", u"ConfiguracaoLocal", u"Porta", u"3050",
         "; Back-office settings\r\n\r\n[ConfiguracaoLocal]\r\n"
         "CaminhoBanco=C:\\DADOS\\BANCO.GDB\r\n"
         "Servidor=localhost\r\nPorta=3050\r\n\r\n; database of the kitchen module\r\n[DADOS]\r\n"
         "BASEDADOS=C:\\DADOS\\BANCO.GDB\r\n",
         WineWrite{wineRewritesAndMovesComments,
                   "; Back-office settings\r\n[ConfiguracaoLocal]\r\n"
                   "CaminhoBanco=C:\\DADOS\\BANCO.GDB\r\nServidor=localhost\r\n"
                   "; database of the kitchen module\r\nPorta=3050\r\n[DADOS]\r\n"
                   "BASEDADOS=C:\\DADOS\\BANCO.GDB\r\n"}},
        {"crlf.ini", u"Novo", u"Chave", u"1",
         "; Back-office settings\r\n\r\n[ConfiguracaoLocal]\r\n"
         "CaminhoBanco=C:\\DADOS\\BANCO.GDB\r\n"
         "Servidor=localhost\r\n\r\n; database of the kitchen module\r\n[DADOS]\r\n"
         "BASEDADOS=C:\\DADOS\\BANCO.GDB\r\n[Novo]\r\nChave=1\r\n",
         WineWrite{
             wineRewrites,
             "; Back-office settings\r\n[ConfiguracaoLocal]\r\n"
             "CaminhoBanco=C:\\DADOS\\BANCO.GDB\r\nServidor=localhost\r\n"
             "; database of the kitchen module\r\n[DADOS]\r\nBASEDADOS=C:\\DADOS\\BANCO.GDB\r\n"
             "[Novo]\r\nChave=1\r\n"}},
        {"crlf.ini", u"ConfiguracaoLocal", u"Servidor", u"",
         "; Back-office settings\r\n\r\n[ConfiguracaoLocal]\r\n"
         "CaminhoBanco=C:\\DADOS\\BANCO.GDB\r\n"
         "Servidor=\r\n\r\n; database of the kitchen module\r\n[DADOS]\r\n"
         "BASEDADOS=C:\\DADOS\\BANCO.GDB\r\n",
         WineWrite{
             wineRewrites,
             "; Back-office settings\r\n[ConfiguracaoLocal]\r\n"
             "CaminhoBanco=C:\\DADOS\\BANCO.GDB\r\nServidor=\r\n"
             "; database of the kitchen module\r\n[DADOS]\r\nBASEDADOS=C:\\DADOS\\BANCO.GDB\r\n"}},

        {"lf-no-final-newline.ini", u"DADOS", u"BASEDADOS", u"/DADOS/BANCO.FDB",
         "[ConfiguracaoLocal]\nCaminhoBanco=/dados/banco.gdb\n\n[DADOS]\n"
         "BASEDADOS=/DADOS/BANCO.FDB",
         WineWrite{wineRewrites,
                   "[ConfiguracaoLocal]\r\nCaminhoBanco=/dados/banco.gdb\r\n[DADOS]\r\n"
                   "BASEDADOS=/DADOS/BANCO.FDB\r\n"}},
        {"lf-no-final-newline.ini", u"DADOS", u"Nova", u"1",
         "[ConfiguracaoLocal]\nCaminhoBanco=/dados/banco.gdb\n\n[DADOS]\n"
         "BASEDADOS=/dados/banco.gdb\nNova=1",
         WineWrite{wineRewrites,
                   "[ConfiguracaoLocal]\r\nCaminhoBanco=/dados/banco.gdb\r\n[DADOS]\r\n"
                   "BASEDADOS=/dados/banco.gdb\r\nNova=1\r\n"}},
        {"lf-no-final-newline.ini", u"ConfiguracaoLocal", u"Porta", u"3050",
         "[ConfiguracaoLocal]\nCaminhoBanco=/dados/banco.gdb\nPorta=3050\n\n[DADOS]\n"
         "BASEDADOS=/dados/banco.gdb",
         WineWrite{wineRewrites,
                   "[ConfiguracaoLocal]\r\nCaminhoBanco=/dados/banco.gdb\r\nPorta=3050\r\n"
                   "[DADOS]\r\nBASEDADOS=/dados/banco.gdb\r\n"}},
        {"lf-no-final-newline.ini", u"Novo", u"Chave", u"1",
         "[ConfiguracaoLocal]\nCaminhoBanco=/dados/banco.gdb\n\n[DADOS]\n"
         "BASEDADOS=/dados/banco.gdb\n[Novo]\nChave=1",
         WineWrite{wineRewrites,
                   "[ConfiguracaoLocal]\r\nCaminhoBanco=/dados/banco.gdb\r\n[DADOS]\r\n"
                   "BASEDADOS=/dados/banco.gdb\r\n[Novo]\r\nChave=1\r\n"}},

        {"quirks.ini", u"Geral", u"nome", u"Nova",
         "Orphan=before any section\r\n[Geral]\r\nNome=Nova\r\nAspas=\"  entre aspas  \"\r\n"
         "Simples='simples'\r\nMista=\"aberta'\r\nSoAspa=\"\r\nVazia=\r\n;Comentada=sim\r\n"
         "linha sem igual\r\nDup=primeira\r\nDUP=segunda\r\nFormula=a=b\r\n\r\n"
         "; the same section again\r\n[ geral ]\r\nExtra=da segunda\r\nNome=segunda\r\n"
         "[Outra]\r\nSoAqui=outra\r\n",
         WineWrite{
             wineRewrites,
             "Orphan=before any section\r\n[Geral]\r\nNome=Nova\r\nAspas=\"  entre aspas  \"\r\n"
             "Simples='simples'\r\nMista=\"aberta'\r\nSoAspa=\"\r\nVazia=\r\n;Comentada=sim\r\n"
             "linha sem igual\r\nDup=primeira\r\nDUP=segunda\r\nFormula=a=b\r\n"
             "; the same section again\r\n[geral]\r\nExtra=da segunda\r\nNome=segunda\r\n"
             "[Outra]\r\nSoAqui=outra\r\n"}},
        {"quirks.ini", u"GERAL", u"dup", u"x",
         "Orphan=before any section\r\n[Geral]\r\n  Nome  =  Loja Central  \r\n"
         "Aspas=\"  entre aspas  \"\r\nSimples='simples'\r\nMista=\"aberta'\r\nSoAspa=\"\r\n"
         "Vazia=\r\n;Comentada=sim\r\nlinha sem igual\r\nDup=x\r\nDUP=segunda\r\nFormula=a=b\r\n"
         "\r\n; the same section again\r\n[ geral ]\r\nExtra=da segunda\r\nNome=segunda\r\n"
         "[Outra]\r\nSoAqui=outra\r\n",
         WineWrite{
             wineRewrites,
             "Orphan=before any section\r\n[Geral]\r\nNome=Loja Central\r\n"
             "Aspas=\"  entre aspas  \"\r\nSimples='simples'\r\nMista=\"aberta'\r\nSoAspa=\"\r\n"
             "Vazia=\r\n;Comentada=sim\r\nlinha sem igual\r\nDup=x\r\nDUP=segunda\r\n"
             "Formula=a=b\r\n; the same section again\r\n[geral]\r\nExtra=da segunda\r\n"
             "Nome=segunda\r\n[Outra]\r\nSoAqui=outra\r\n"}},
        {"quirks.ini", u"Geral", u"Extra", u"nova",
         "Orphan=before any section\r\n[Geral]\r\n  Nome  =  Loja Central  \r\n"
         "Aspas=\"  entre aspas  \"\r\nSimples='simples'\r\nMista=\"aberta'\r\nSoAspa=\"\r\n"
         "Vazia=\r\n;Comentada=sim\r\nlinha sem igual\r\nDup=primeira\r\nDUP=segunda\r\n"
         "Formula=a=b\r\nExtra=nova\r\n\r\n; the same section again\r\n[ geral ]\r\n"
         "Extra=da segunda\r\nNome=segunda\r\n[Outra]\r\nSoAqui=outra\r\n",
         WineWrite{
             wineRewritesAndMovesComments,
             "Orphan=before any section\r\n[Geral]\r\nNome=Loja Central\r\n"
             "Aspas=\"  entre aspas  \"\r\nSimples='simples'\r\nMista=\"aberta'\r\nSoAspa=\"\r\n"
             "Vazia=\r\n;Comentada=sim\r\nlinha sem igual\r\nDup=primeira\r\nDUP=segunda\r\n"
             "Formula=a=b\r\n; the same section again\r\nExtra=nova\r\n[geral]\r\n"
             "Extra=da segunda\r\nNome=segunda\r\n[Outra]\r\nSoAqui=outra\r\n"}},
        {"quirks.ini", u"Outra", u"Nova", u"  com brancos  ",
         "Orphan=before any section\r\n[Geral]\r\n  Nome  =  Loja Central  \r\n"
         "Aspas=\"  entre aspas  \"\r\nSimples='simples'\r\nMista=\"aberta'\r\nSoAspa=\"\r\n"
         "Vazia=\r\n;Comentada=sim\r\nlinha sem igual\r\nDup=primeira\r\nDUP=segunda\r\n"
         "Formula=a=b\r\n\r\n; the same section again\r\n[ geral ]\r\nExtra=da segunda\r\n"
         "Nome=segunda\r\n[Outra]\r\nSoAqui=outra\r\nNova=  com brancos  \r\n",
         WineWrite{
             wineRewrites,
             "Orphan=before any section\r\n[Geral]\r\nNome=Loja Central\r\n"
             "Aspas=\"  entre aspas  \"\r\nSimples='simples'\r\nMista=\"aberta'\r\nSoAspa=\"\r\n"
             "Vazia=\r\n;Comentada=sim\r\nlinha sem igual\r\nDup=primeira\r\nDUP=segunda\r\n"
             "Formula=a=b\r\n; the same section again\r\n[geral]\r\nExtra=da segunda\r\n"
             "Nome=segunda\r\n[Outra]\r\nSoAqui=outra\r\nNova=com brancos  \r\n"}},

        {"utf16le.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"D:\\GESTãO\\DADOS\\BANCO.FDB",
         utf16le(u"[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\GESTãO\\DADOS\\BANCO.FDB\r\n"
                 u"Observação=日本\r\n")},
        {"utf16le.ini", u"ConfiguracaoLocal", u"Símbolo", u"Ω",
         utf16le(u"[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\Gestão\\Dados\\Banco.gdb\r\n"
                 u"Observação=日本\r\nSímbolo=Ω\r\n")},
        {"utf8-bom.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"D:\\GESTãO\\DADOS\\BANCO.FDB",
         "\xEF\xBB\xBF[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\GEST\xC3\xA3O\\DADOS\\BANCO.FDB\r\n"},
        {"utf8.ini", u"ConfiguracaoLocal", u"Símbolo", u"Ω",
         "[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\Gest\xC3\xA3o\\Dados\\Banco.gdb\r\n"
         "S\xC3\xADmbolo=\xCE\xA9\r\n",
         WineWrite{wineAnsiOnly,
                   "[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\Gest\xC3\xA3o\\Dados\\Banco.gdb\r\n"
                   "S\xEDmbolo=O\r\n"}},
        {"cp1252.ini", u"ConfiguracaoLocal", u"CaminhoBanco", u"D:\\GESTãO\\DADOS\\BANCO.FDB",
         "[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\GEST\xE3O\\DADOS\\BANCO.FDB\r\n[DADOS]\r\n"
         "Pre\xE7o=\x80 10\r\n"},
        {"cp1252.ini", u"DADOS", u"preço", u"€ 20",
         "[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\Gest\xE3o\\Dados\\Banco.gdb\r\n[DADOS]\r\n"
         "Pre\xE7o=\x80 20\r\n"},
        {"cp1252.ini", u"DADOS", u"Preço", u"Ω 10", std::nullopt,
         WineWrite{wineBestFit,
                   "[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\Gest\xE3o\\Dados\\Banco.gdb\r\n"
                   "[DADOS]\r\nPre\xE7o=O 10\r\n"}},

        {nullptr, u"ConfiguracaoLocal", u"CaminhoBanco", u"FDB",
         "[ConfiguracaoLocal]\r\nCaminhoBanco=FDB\r\n"},
        {nullptr, u"ConfiguracaoLocal", u"CaminhoBanco", u"D:\\GESTãO\\BANCO.FDB",
         "[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\GEST\xE3O\\BANCO.FDB\r\n"},
        {nullptr, u"ConfiguracaoLocal", u"CaminhoBanco", u"D:\\Ω\\BANCO.FDB",
         utf16le(u"[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\Ω\\BANCO.FDB\r\n"),
         WineWrite{wineAnsiOnly, "[ConfiguracaoLocal]\r\nCaminhoBanco=D:\\O\\BANCO.FDB\r\n"}},
    };
    const bool wine = underWine();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fixture ? c.fixture : "no file") + " [" +
                     std::string(c.section.begin(), c.section.end()) + "] " +
                     std::string(c.key.begin(), c.key.end()));
        const bool asWine = wine && c.wine;
        SCOPED_TRACE(asWine ? c.wine->reason : "");
        const std::optional<std::string> expected = asWine ? c.wine->bytes : c.expected;
        TempFolder tmp;
        fs::create_directory(tmp / "Talbrix");
        const std::string before = c.fixture ? fixture(c.fixture) : std::string();
        if (c.fixture)
            writeBytes(settingsPath(tmp), before);
        bool raised = false;
        {
            TIniFile ini(tmp.name(settingsName));
            try {
                ini.WriteString(c.section, c.key, c.value);
            } catch (const EIniFileException&) {
                raised = true;
            }
        }
        EXPECT_EQ(raised, !expected.has_value());
        if (!expected) {
            if (c.fixture)
                EXPECT_EQ(readBytes(settingsPath(tmp)), before);
            else
                EXPECT_FALSE(fs::exists(settingsPath(tmp)));
            continue;
        }
        ASSERT_TRUE(fs::exists(settingsPath(tmp)));
        EXPECT_EQ(readBytes(settingsPath(tmp)), *expected);
        if (asWine)
            continue;
        TIniFile ini(tmp.name(settingsName));
        const auto blank = c.value.find_first_not_of(u' ');
        EXPECT_EQ(ini.ReadString(c.section, c.key, u"absent"),
                  blank == std::u16string::npos
                      ? std::u16string()
                      : c.value.substr(blank, c.value.find_last_not_of(u' ') + 1 - blank));
        EXPECT_EQ(entries(tmp.path()),
                  (std::vector<std::string>{"Talbrix", "Talbrix/Quorvane.ini"}))
            << "nothing but the settings file is left behind";
    }
}

TEST(IniFileErrors, WriteIntoMissingFolderNamesTheFileAsPassed) {
    TempFolder tmp;
    const std::u16string name = tmp.name(u"Talbrix/Brenmoor\\Plessgard.ini");
    TIniFile ini(name);
    try {
        ini.WriteString(u"DADOS", u"BASEDADOS", u"FDB");
        FAIL() << "the write into a missing folder succeeded";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(error.Message(), u"Unable to write to " + name);
    }
    EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(IniFileErrors, WriteWhereAFolderStandsRaisesAndChangesNothing) {
    TempFolder tmp;
    fs::create_directories(settingsPath(tmp));
    writeBytes(settingsPath(tmp) / "inside.txt", "kept");
    TIniFile ini(tmp.name(settingsName));
    EXPECT_THROW(ini.WriteString(u"ConfiguracaoLocal", u"CaminhoBanco", u"FDB"), EIniFileException);
    EXPECT_TRUE(fs::is_directory(settingsPath(tmp)));
    EXPECT_EQ(readBytes(settingsPath(tmp) / "inside.txt"), "kept");
    EXPECT_EQ(ini.ReadString(u"ConfiguracaoLocal", u"CaminhoBanco", u""), u"");
}

TEST(IniFileErrors, AReadOnlyFileRaisesAndStaysAsItWas) {
    TempFolder tmp;
    writeBytes(settingsPath(tmp), fixture("crlf.ini"));
    const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(settingsPath(tmp), writable, fs::perm_options::remove);
    {
        TIniFile ini(tmp.name(settingsName));
        try {
            ini.WriteString(u"ConfiguracaoLocal", u"CaminhoBanco", u"FDB");
            ADD_FAILURE() << "a read-only file was written";
        } catch (const EIniFileException& error) {
            EXPECT_EQ(error.Message(), u"Unable to write to " + tmp.name(settingsName));
        }
    }
    EXPECT_EQ(readBytes(settingsPath(tmp)), fixture("crlf.ini"));
    EXPECT_EQ(fs::status(settingsPath(tmp)).permissions() & fs::perms::owner_write,
              fs::perms::none);
    EXPECT_EQ(entries(tmp.path()), (std::vector<std::string>{"Talbrix", "Talbrix/Quorvane.ini"}));
    fs::permissions(settingsPath(tmp), fs::perms::owner_write, fs::perm_options::add);
}

TEST(IniFileErrors, TextHoldingNulNeverReachesTheFile) {
    // The platform reads names up to a NUL: "Caminho\0X" would name another key.
    TempFolder tmp;
    writeBytes(settingsPath(tmp), fixture("crlf.ini"));
    const std::u16string withNul(u"CaminhoBanco\0X", 14);
    TIniFile ini(tmp.name(settingsName));
    EXPECT_EQ(ini.ReadString(u"ConfiguracaoLocal", withNul, u"padrão "), u"padrão");
    EXPECT_THROW(ini.WriteString(u"ConfiguracaoLocal", withNul, u"FDB"), EIniFileException);
    EXPECT_THROW(ini.WriteString(u"ConfiguracaoLocal", u"CaminhoBanco", withNul),
                 EIniFileException);
    EXPECT_EQ(readBytes(settingsPath(tmp)), fixture("crlf.ini"));
}

TEST(IniFileLifetime, CreatingAndReleasingTouchesNothing) {
    TempFolder tmp;
    writeBytes(settingsPath(tmp), fixture("crlf.ini"));
    const auto stamp = fs::last_write_time(settingsPath(tmp)) - std::chrono::hours(1);
    fs::last_write_time(settingsPath(tmp), stamp);
    for (const char16_t* name : {settingsName, u"Talbrix/Ausente.ini", u"Ausente/Ausente.ini"}) {
        TIniFile ini(tmp.name(name));
        EXPECT_EQ(ini.FileName(), tmp.name(name));
    }
    EXPECT_EQ(readBytes(settingsPath(tmp)), fixture("crlf.ini"));
    EXPECT_EQ(fs::last_write_time(settingsPath(tmp)), stamp);
    EXPECT_EQ(entries(tmp.path()), (std::vector<std::string>{"Talbrix", "Talbrix/Quorvane.ini"}));
}

} // namespace
