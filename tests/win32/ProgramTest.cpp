// The shipped Migrador.exe, started as a user starts it, in the folder of a sample
// installation, and driven through its windows from this process.
#include "Installation.h"
#include "Recorder.h"
#include "Win32Support.h"

#include <gtest/gtest.h>

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
