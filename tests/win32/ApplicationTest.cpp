// The application object on Win32: the message box, the loop on the thread's queue and the
// error display, in the real window.
#include "ApplicationRules.h"
#include "TempFolder.h"
#include "UPrincipal.h"
#include "Win32Support.h"
#include "migration/IniFiles.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const std::u16string warning = u"ATENÇÃO! \r\rNão foi possivel\r\r Feche\r\nfim";

struct Shown {
    TempFolder folder;
    TApplication application;
    TForm1 form{application, folder.base()};
    Shown() { application.ShowMainForm(form); }
};

// Runs work once, from inside the application's loop.
void soon(std::function<void()> work) {
    static thread_local std::function<void()> pending;
    pending = std::move(work);
    SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        auto run = std::move(pending);
        run();
    });
}

TEST(ShowMessage, PlainBoxWithTitleLineBreaksAndOneDefaultOkButton) {
    Shown shown;
    LRESULT defaultButton = 0;
    Boxes boxes(Answer::Enter,
                [&](HWND box) { defaultButton = SendMessageW(box, DM_GETDEFID, 0, 0); });
    shown.application.ShowMessage(warning);
    ASSERT_EQ(boxes.seen().size(), 1u);
    const SeenBox& box = boxes.seen()[0];
    EXPECT_EQ(box.title, shown.application.Title());
    EXPECT_EQ(box.text, u"ATENÇÃO! \r\n\r\nNão foi possivel\r\n\r\n Feche\r\nfim");
    EXPECT_FALSE(box.icon);
    EXPECT_EQ(box.buttons, std::vector<std::u16string>{u"OK"});
    EXPECT_EQ(HIWORD(defaultButton), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defaultButton), IDOK);
    // Modal to the window, centred on the work area of its monitor.
    EXPECT_EQ(box.owner, shown.form.Handle());
    EXPECT_FALSE(box.ownerEnabled);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(shown.form.Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    EXPECT_LE(std::abs((box.frame.left + box.frame.right) - (work.left + work.right)), 2);
    EXPECT_LE(std::abs((box.frame.top + box.frame.bottom) - (work.top + work.bottom)), 2);
    EXPECT_TRUE(IsWindowEnabled(shown.form.Handle())) << "the window takes input again";
}

TEST(ShowMessage, OkEnterAndTheCloseBoxDismissIt) {
    for (const Answer way : {Answer::Ok, Answer::Enter, Answer::CloseBox}) {
        SCOPED_TRACE(static_cast<int>(way));
        Shown shown;
        Boxes boxes(way);
        shown.application.ShowMessage(u"Feito");
        EXPECT_EQ(boxes.seen().size(), 1u);
        EXPECT_TRUE(dialogsOf(0).empty());
    }
}

TEST(ShowMessage, EscDismissesIt) {
    const bool taskDialog =
        GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "TaskDialogIndirect") != nullptr;
    if (taskDialog && underWine())
        GTEST_SKIP() << "Wine's task dialog ignores Esc; TDF_ALLOW_DIALOG_CANCELLATION makes "
                        "Windows' answer it as OK";
    Shown shown;
    Boxes boxes(Answer::Escape);
    shown.application.ShowMessage(u"Feito");
    EXPECT_EQ(boxes.seen().size(), 1u);
}

TEST(ShowMessage, TheWindowGoesOnRepaintingBehindIt) {
    Shown shown;
    pumpFor(100);
    BOOL statusWaitsForPaint = TRUE;
    Boxes boxes(
        Answer::Enter,
        [&](HWND) {
            statusWaitsForPaint = GetUpdateRect(shown.form.lbStatus->Handle(), nullptr, FALSE);
        },
        0, 500);
    // Set just before the box, with no pump between: only the box's own loop can paint it.
    shown.form.SetStatus(u"ALTERAÇÕES REALIZADAS COM SUCESSO!!!");
    InvalidateRect(shown.form.lbStatus->Handle(), nullptr, TRUE);
    ASSERT_TRUE(GetUpdateRect(shown.form.lbStatus->Handle(), nullptr, FALSE));
    shown.application.ShowMessage(u"ALTERAÇÕES REALIZADAS COM SUCESSO!!!");
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_FALSE(statusWaitsForPaint);
}

TEST(MessageLoop, TerminateTwiceEndsTheLoopOnce) {
    Shown shown;
    soon([&] {
        shown.application.Terminate();
        shown.application.Terminate();
        EXPECT_FALSE(shown.application.Terminated()) << "Terminate only posts the request";
    });
    shown.application.Run(shown.form);
    EXPECT_TRUE(shown.application.Terminated());
    EXPECT_TRUE(IsWindowVisible(shown.form.Handle()));
    MSG left;
    EXPECT_FALSE(PeekMessageW(&left, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
        << "the second request was the same one";
}

TEST(MessageLoop, QuitRequestTakenByProcessMessagesOnlySetsTheFlag) {
    Shown shown;
    shown.application.Terminate();
    EXPECT_FALSE(shown.application.Terminated());
    shown.application.ProcessMessages();
    EXPECT_TRUE(shown.application.Terminated());
    EXPECT_TRUE(IsWindowVisible(shown.form.Handle()));
}

TEST(MessageLoop, AQuitRequestNeverEndsABoxThatIsUp) {
    struct Case {
        const char* name;
        bool closeWhileUp; // else the request comes before the box
    };
    for (const Case c : {Case{"request before the box", false}, Case{"close while up", true}}) {
        SCOPED_TRACE(c.name);
        Shown shown;
        bool visibleWhenAnswered = false;
        Boxes boxes(
            Answer::Enter, [&](HWND box) { visibleWhenAnswered = IsWindowVisible(box) != FALSE; },
            0, 300);
        soon([&] {
            if (c.closeWhileUp)
                PostMessageW(shown.form.Handle(), WM_CLOSE, 0, 0);
            else
                shown.application.Terminate();
            shown.application.ShowMessage(u"ALTERAÇÕES REALIZADAS COM SUCESSO!!!");
        });
        shown.application.Run(shown.form);
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_TRUE(visibleWhenAnswered) << "the box stayed until it was answered";
        EXPECT_TRUE(shown.application.Terminated());
    }
}

TEST(ErrorDisplay, AnErrorFromAClickShowsTheStopBoxAndTheWindowStaysOpen) {
    struct Case {
        const char* name;
        std::function<void()> raise;
        std::u16string shown;
        bool ownEdge; // caught by the handler's own edge, else by the window procedure's
    };
    const Case cases[] = {
        {"settings write",
         [] { throw EIniFileException(u"Unable to write to C:\\Sistema\\Talbrix/Quorvane.ini"); },
         u"Unable to write to C:\\Sistema\\Talbrix/Quorvane.ini.", true},
        {"standard error", [] { throw std::runtime_error("Falha geral!"); }, u"Falha geral!", true},
        {"past the handler", [] { throw std::runtime_error("Sem memória"); }, u"Sem memória.",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Shown shown;
        bool after = false;
        const auto work = [&] {
            shown.form.DisableButton();
            c.raise();
            after = true;
        };
        shown.form.sButton1->OnClick = [&](TWinControl*) {
            if (c.ownEdge)
                shown.application.HandleErrors(work);
            else
                work();
        };
        Boxes boxes;
        soon([&] { sendKeys({VK_RETURN}); });
        pumpUntil([&] { return !boxes.seen().empty() && dialogsOf(0).empty(); });

        ASSERT_EQ(boxes.seen().size(), 1u);
        const SeenBox& box = boxes.seen()[0];
        EXPECT_TRUE(box.icon);
        EXPECT_EQ(box.title, shown.application.Title());
        EXPECT_EQ(box.text, c.shown);
        EXPECT_EQ(box.buttons, std::vector<std::u16string>{u"OK"});
        EXPECT_EQ(box.owner, shown.form.Handle());
        EXPECT_FALSE(after) << "the code after the error must not run";
        EXPECT_TRUE(IsWindowVisible(shown.form.Handle()));
        EXPECT_FALSE(shown.form.sButton1->Enabled()) << "the window stays as the code left it";
        shown.application.ProcessMessages();
        EXPECT_FALSE(shown.application.Terminated());
    }
}

} // namespace
