// The shipped Migrador.exe, started as a user starts it, in the folder of a sample
// installation, and driven through its windows from this process.
#include "Installation.h"
#include "Recorder.h"
#include "Win32Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace fs = std::filesystem;

namespace {

// The tool where its user puts it: in the folder of the installation.
fs::path placeProgram(const Installation& suite) {
    const fs::path exe = suite.folder / "Migrador.exe";
    fs::copy_file(MIGRATOR_EXE, exe, fs::copy_options::overwrite_existing);
    return exe;
}

class Program {
public:
    Program(const Installation& suite, const std::wstring& arguments = L"") {
        const fs::path exe = placeProgram(suite);
        std::wstring command = L"\"" + exe.wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  suite.folder.path().c_str(), &startup, &process_) != FALSE;
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (!started_)
            return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    bool started() const { return started_; }
    DWORD id() const { return process_.dwProcessId; }

    // Its main window, once it is shown.
    HWND window(DWORD milliseconds = 30000) const {
        HWND found = nullptr;
        pumpUntil(
            [&] {
                found = nullptr;
                for (HWND w = FindWindowExW(nullptr, nullptr, L"TForm1", nullptr); w && !found;
                     w = FindWindowExW(nullptr, w, L"TForm1", nullptr)) {
                    DWORD owner = 0;
                    GetWindowThreadProcessId(w, &owner);
                    if (owner == id() && IsWindowVisible(w))
                        found = w;
                }
                return found != nullptr;
            },
            milliseconds);
        return found;
    }

    std::optional<DWORD> exitCode(DWORD milliseconds = 30000) const {
        if (!pumpUntil([&] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; },
                       milliseconds))
            return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION process_{};
};

void pressIniciar(HWND window) {
    SetForegroundWindow(window);
    pumpFor(200);
    tap(VK_RETURN);
}

// The DLLs the program imports, as its image names them.
std::vector<std::string> importsOf(HMODULE image) {
    std::vector<std::string> names;
    const auto* base = reinterpret_cast<const BYTE*>(image);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string resourceText(HMODULE image, LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(image, name, type);
    if (!found)
        return {};
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(image, found)));
    return std::string(bytes, SizeofResource(image, found));
}

TEST(Program, StandsAloneWithItsVersionRecordManifestAndIcon) {
    HMODULE image = LoadLibraryExW(MIGRATOR_EXE, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    // Statically linked: nothing but what Windows itself ships.
    const std::vector<std::string> shipped = {"comctl32.dll", "gdi32.dll",   "kernel32.dll",
                                              "msvcrt.dll",   "shell32.dll", "user32.dll",
                                              "uxtheme.dll"};
    for (const auto& dll : importsOf(image))
        EXPECT_TRUE(std::find(shipped.begin(), shipped.end(), dll) != shipped.end()) << dll;

    const std::string manifest = resourceText(image, RT_MANIFEST, MAKEINTRESOURCEW(1));
    for (const char* part : {"PerMonitorV2", "Microsoft.Windows.Common-Controls",
                             "version=\"6.0.0.0\"", "level=\"asInvoker\""})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    EXPECT_NE(FindResourceW(image, L"MAINICON", RT_GROUP_ICON), nullptr);
    FreeLibrary(image);

    // The version record: 1.0.0.0 in US English with the Western code page, and nothing else.
    DWORD ignored = 0;
    std::vector<BYTE> record(GetFileVersionInfoSizeW(MIGRATOR_EXE, &ignored));
    ASSERT_FALSE(record.empty());
    ASSERT_TRUE(
        GetFileVersionInfoW(MIGRATOR_EXE, 0, static_cast<DWORD>(record.size()), record.data()));
    const auto value = [&](const wchar_t* path) -> std::wstring {
        void* data = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(record.data(), path, &data, &length) || length == 0)
            return {};
        return static_cast<const wchar_t*>(data);
    };
    EXPECT_EQ(value(L"\\StringFileInfo\\040904E4\\FileVersion"), L"1.0.0.0");
    EXPECT_EQ(value(L"\\StringFileInfo\\040904E4\\ProductVersion"), L"1.0.0.0");
    for (const wchar_t* absent : {L"ProductName", L"CompanyName", L"FileDescription"})
        EXPECT_EQ(value((std::wstring(L"\\StringFileInfo\\040904E4\\") + absent).c_str()), L"");
    void* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &translation, &length));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(translation)[0], 0x0409);
    EXPECT_EQ(static_cast<const WORD*>(translation)[1], 1252);
    void* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", &fixed, &length));
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    EXPECT_EQ(info->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(info->dwFileVersionLS, 0u);
    EXPECT_EQ(info->dwProductVersionMS, 0x00010000u);
}

TEST(Program, VersionSwitchShowsTheLibraryBoxOnceBeforeTheWindow) {
    Installation suite;
    Program program(suite, L"-x /VEXLONVER /vexlonver");
    ASSERT_TRUE(program.started());
    bool windowUp = true;
    Boxes boxes(
        Answer::Enter, [&](HWND) { windowUp = program.window(0) != nullptr; }, program.id());
    ASSERT_TRUE(boxes.waitFor(1));
    EXPECT_FALSE(windowUp) << "nothing is visible before the version box";
    EXPECT_EQ(boxes.seen()[0].text, u"Skinned Controls v9.10");
    EXPECT_EQ(boxes.seen()[0].title, u"Migrador");
    HWND window = program.window();
    ASSERT_NE(window, nullptr);
    pumpFor(300);
    EXPECT_EQ(boxes.seen().size(), 1u) << "of several switches only the first shows the box";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.exitCode(), 0u);
}

TEST(Program, ClosedBeforeAPressItEndsWithCodeZeroAndTouchesNothing) {
    Installation suite;
    suite.addEverything();
    placeProgram(suite);
    const auto before = suite.snapshot();
    Program program(suite);
    ASSERT_TRUE(program.started());
    HWND window = program.window();
    ASSERT_NE(window, nullptr);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 668);
    EXPECT_EQ(client.bottom, 169);
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_TRUE(suite.snapshot() == before) << "the installation changed";
}

TEST(Program, OnePressConvertsTheInstallationAndEndsWithCodeZero) {
    Installation suite;
    suite.addEverything();
    Program program(suite);
    ASSERT_TRUE(program.started());
    HWND window = program.window();
    ASSERT_NE(window, nullptr);
    Boxes boxes(Answer::Enter, {}, program.id());
    pressIniciar(window);
    ASSERT_TRUE(boxes.waitFor(1));
    EXPECT_EQ(boxes.seen()[0].text, u"ALTERAÇÕES REALIZADAS COM SUCESSO!!!");
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(suite.exists(Installation::databaseName));
    EXPECT_EQ(suite.bytes(Installation::newDatabaseName), suite.database);
    for (const auto* s : allSettingsFiles)
        EXPECT_EQ(suite.bytes(s->file), settingsText(*s, suite.newDatabasePath())) << utf8(s->file);
}

} // namespace
