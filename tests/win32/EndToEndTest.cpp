// The whole tool in this process on Win32: the real window on a real installation in a
// temporary folder, "Iniciar" pressed as a person presses it, every box answered, until the
// program would end.
#include "FileHolder.h"
#include "Installation.h"
#include "Recorder.h"
#include "UPrincipal.h"
#include "Win32Support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace fs = std::filesystem;

namespace {

const std::u16string successText = u"ALTERAÇÕES REALIZADAS COM SUCESSO!!!";

struct Tool {
    explicit Tool(const Installation& suite) : form(application, suite.base()) {}

    // Presses Enter once the loop runs, then more with the same presses. The loop ends
    // when the program would end; a window that stays open is closed once its boxes are
    // answered.
    void pressAndRun(std::initializer_list<WORD> keys = {VK_RETURN}, bool closeAfterBoxes = false,
                     std::size_t boxes = 1) {
        static thread_local std::function<void()> press;
        press = [this, keys] {
            // Where the pointer was last left must not matter.
            SetCursorPos(0, 0);
            for (const WORD k : keys)
                sendKeys({k});
        };
        SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            press();
        });
        static thread_local std::function<void()> closeWhenDone;
        closeWhenDone = [this, boxes] {
            if (answered.seen().size() >= boxes && dialogsOf(0).empty())
                PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
        };
        const UINT_PTR closer =
            closeAfterBoxes
                ? SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) { closeWhenDone(); })
                : 0;
        application.Run(form);
        if (closer)
            KillTimer(nullptr, closer);
    }

    std::vector<std::u16string> boxTexts() const {
        std::vector<std::u16string> texts;
        for (const auto& box : answered.seen())
            texts.push_back(box.text);
        return texts;
    }

    TApplication application;
    TForm1 form;
    // Whether the program had been asked to end by the time its box came up.
    bool terminatedAtBox = false;
    Boxes answered{Answer::Enter, [this](HWND) { terminatedAtBox = application.Terminated(); }};
};

TEST(EndToEnd, OnePressMigratesTheInstallationAndEndsTheProgram) {
    Installation suite;
    suite.addEverything();
    Tool tool(suite);
    tool.pressAndRun();

    EXPECT_TRUE(tool.application.Terminated());
    EXPECT_FALSE(tool.terminatedAtBox) << "the run asks to end only after its box";
    EXPECT_EQ(tool.boxTexts(), std::vector<std::u16string>{successText});
    EXPECT_FALSE(tool.answered.seen()[0].icon);
    EXPECT_EQ(tool.form.lbStatus->Text(), successText);
    EXPECT_EQ(tool.form.progresso->Position(), 8);
    EXPECT_FALSE(tool.form.sButton1->Enabled());
    EXPECT_FALSE(suite.exists(Installation::databaseName));
    EXPECT_EQ(suite.bytes(Installation::backupName), suite.database);
    EXPECT_EQ(suite.bytes(Installation::newDatabaseName), suite.database);
    for (const auto* s : allSettingsFiles)
        EXPECT_EQ(suite.bytes(s->file), settingsText(*s, suite.newDatabasePath())) << utf8(s->file);
}

TEST(EndToEnd, ADoubleClickRunsTheMigrationOnce) {
    Installation suite;
    suite.addEverything();
    Tool tool(suite);
    static thread_local HWND button;
    button = tool.form.sButton1->Handle();
    SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        doubleClick(button);
    });
    tool.application.Run(tool.form);
    pumpFor(200);
    EXPECT_EQ(tool.boxTexts(), std::vector<std::u16string>{successText});
    EXPECT_EQ(suite.bytes(Installation::newDatabaseName), suite.database);
}

TEST(EndToEnd, TheWarningShowsItsLineBreaksAndNothingChanges) {
    Installation suite;
    suite.addEverything();
    const auto before = suite.snapshot();
    Tool tool(suite);
    {
        const FileHolder server(suite.folder / Installation::databaseName);
        ASSERT_TRUE(server.holding());
        tool.pressAndRun();
    }

    EXPECT_EQ(tool.boxTexts(),
              std::vector<std::u16string>{
                  u"ATENÇÃO! \r\n\r\nNão foi possivel relizar os procedimentos de conversão!"
                  u"\r\n\r\n Feche todas as conexões ao banco de dados!!!"});
    EXPECT_EQ(tool.form.lbStatus->Text(), u"Alterando nome do arquivo de Backup");
    EXPECT_EQ(tool.form.progresso->Position(), 1);
    EXPECT_EQ(suite.snapshot(), before);
}

TEST(EndToEnd, AFailedCopyShowsTheConversionErrorAndNothingChanges) {
    Installation suite;
    suite.addEverything();
    fs::create_directory(suite.folder / Installation::newDatabaseName);
    const auto before = suite.snapshot();
    Tool tool(suite);
    tool.pressAndRun();

    EXPECT_EQ(tool.boxTexts(),
              std::vector<std::u16string>{
                  u"Erro ao converter o banco de dados, entre em contato com o Suporte!!!"});
    EXPECT_TRUE(tool.application.Terminated());
    EXPECT_EQ(suite.snapshot(), before);
}

TEST(EndToEnd, AFailedSettingsWriteShowsTheErrorBoxAndLeavesTheWindowOpen) {
    Installation suite;
    suite.addEverything();
    fs::remove_all(suite.folder / "Talbrix/Brenmoor");
    Tool tool(suite);
    tool.pressAndRun({VK_RETURN}, true);

    ASSERT_EQ(tool.answered.seen().size(), 1u);
    const SeenBox& box = tool.answered.seen()[0];
    EXPECT_TRUE(box.icon);
    EXPECT_EQ(box.text, u"Unable to write to " + suite.base() + u"Talbrix/Brenmoor/Plessgard.ini.");
    EXPECT_EQ(tool.form.lbStatus->Text(),
              u"Alterando extenção do banco no arquivo Talbrix/Brenmoor/Plessgard.ini");
    EXPECT_EQ(tool.form.progresso->Position(), 3);
    EXPECT_FALSE(tool.form.sButton1->Enabled());
    EXPECT_EQ(suite.bytes(backOfficeIni.file),
              settingsText(backOfficeIni, suite.newDatabasePath()));
    for (const auto* s : {&waiterIni, &transportIni, &pointOfSaleIni, &fiscalIni})
        EXPECT_EQ(suite.bytes(s->file), settingsText(*s, suite.databasePath())) << utf8(s->file);
}

LRESULT CALLBACK closeOnFirstStatus(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR form) {
    if (message == WM_SETTEXT) {
        PostMessageW(reinterpret_cast<HWND>(form), WM_CLOSE, 0, 0);
        RemoveWindowSubclass(window, closeOnFirstStatus, id);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST(EndToEnd, ClosingDuringARunLetsItFinish) {
    Installation suite;
    suite.addEverything();
    Tool tool(suite);
    // The close request arrives as the run sets its first status text.
    SetWindowSubclass(tool.form.lbStatus->Handle(), closeOnFirstStatus, 1,
                      reinterpret_cast<DWORD_PTR>(tool.form.Handle()));
    tool.pressAndRun();

    EXPECT_TRUE(tool.terminatedAtBox) << "the close request was taken during the run";
    EXPECT_TRUE(tool.application.Terminated());
    EXPECT_EQ(tool.boxTexts(), std::vector<std::u16string>{successText});
    EXPECT_EQ(tool.form.progresso->Position(), 8);
    for (const auto* s : allSettingsFiles)
        EXPECT_EQ(suite.bytes(s->file), settingsText(*s, suite.newDatabasePath())) << utf8(s->file);
}

} // namespace
