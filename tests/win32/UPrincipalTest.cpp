// The main window on Win32: its frame, its controls and fonts at the screen's DPI (96, and
// 144 in a child run with the desktop's LogPixels set), its layout anew on a move to a
// denser monitor, and the services the run takes from it.
#include "UPrincipal.h"
#include "TempFolder.h"
#include "Win32Support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>

namespace {

std::wstring classOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

RECT placeOf(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE clientOf(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return {r.right, r.bottom};
}

// The font the control draws with, read back from the platform. A progress bar draws no text
// and keeps no font of its own; it is given the window's.
LOGFONTW fontOf(const TWinControl& control) {
    HFONT handle = reinterpret_cast<HFONT>(SendMessageW(control.Handle(), WM_GETFONT, 0, 0));
    if (!handle && control.Font)
        handle = control.Font->Handle();
    LOGFONTW font{};
    GetObjectW(handle, sizeof font, &font);
    return font;
}

struct Shown {
    TempFolder folder;
    TApplication application;
    std::unique_ptr<TForm1> form;
    Shown() {
        application.MainFormOnTaskBar = true;
        form = std::make_unique<TForm1>(application, folder.base());
        application.ShowMainForm(*form);
    }
};

// Everything the layout fixes, at dpi.
void expectLayoutAt(const TForm1& form, UINT dpi) {
    const auto s = [dpi](int v) { return Scaled(v, dpi); };
    const SIZE client = clientOf(form.Handle());
    EXPECT_EQ(client.cx, s(668));
    EXPECT_EQ(client.cy, s(169));

    struct Control {
        const char* name;
        const TWinControl* control;
        const wchar_t* kind;
        RECT place;
        const wchar_t* face;
        int height;
        bool bold;
        BYTE charset;
        bool tabStop;
    };
    const int progressTop = s(169) - s(58);
    const int statusTop = progressTop - form.lbStatus->LineHeight(dpi);
    const Control controls[] = {
        {"progresso",
         form.progresso,
         PROGRESS_CLASSW,
         {0, progressTop, s(668), s(169)},
         L"Tahoma",
         s(11),
         false,
         DEFAULT_CHARSET,
         false},
        {"lbStatus",
         form.lbStatus,
         WC_STATICW,
         {0, statusTop, s(668), progressTop},
         L"Arial",
         s(21),
         false,
         ANSI_CHARSET,
         false},
        {"sButton1",
         form.sButton1,
         WC_BUTTONW,
         {s(236), s(19), s(433), s(68)},
         L"Arial",
         s(21),
         true,
         ANSI_CHARSET,
         true},
        {"sPanel1",
         form.sPanel1,
         L"TsPanel",
         {0, 0, s(668), s(1)},
         L"Tahoma",
         s(11),
         false,
         DEFAULT_CHARSET,
         false},
    };
    // The z-order is the order of declaration.
    HWND next = GetWindow(form.Handle(), GW_CHILD);
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        const HWND window = c.control->Handle();
        EXPECT_EQ(next, window);
        next = GetWindow(next, GW_HWNDNEXT);
        EXPECT_EQ(_wcsicmp(classOf(window).c_str(), c.kind), 0);
        EXPECT_EQ(describe(placeOf(window)), describe(c.place));
        const LOGFONTW font = fontOf(*c.control);
        EXPECT_STREQ(font.lfFaceName, c.face);
        EXPECT_EQ(font.lfHeight, -c.height) << "a character height, not a cell height";
        EXPECT_EQ(font.lfWeight, c.bold ? FW_BOLD : FW_NORMAL);
        EXPECT_EQ(font.lfCharSet, c.charset);
        EXPECT_EQ((GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) != 0, c.tabStop);
    }
    // The status line's one line follows its font.
    HDC screen = GetDC(form.lbStatus->Handle());
    const HGDIOBJ old = SelectObject(
        screen, reinterpret_cast<HFONT>(SendMessageW(form.lbStatus->Handle(), WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(form.lbStatus->Handle(), screen);
    EXPECT_EQ(form.lbStatus->LineHeight(dpi), metrics.tmHeight);
}

TEST(Window, FactsAtTheScreenDpi) {
    Shown shown;
    const TForm1& form = *shown.form;
    HDC screen = GetDC(nullptr);
    const UINT screenDpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    if (const char* expected = std::getenv("MIGRATOR_EXPECT_DPI")) {
        EXPECT_EQ(screenDpi, static_cast<UINT>(std::atoi(expected)));
    }
    EXPECT_EQ(form.Dpi(), screenDpi);
    expectLayoutAt(form, form.Dpi());

    wchar_t caption[64] = {};
    GetWindowTextW(form.Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Atualizador para versão 9.3.13.x");
    // A fixed dialog frame with the close box and the system menu, and its own taskbar button.
    const LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
    const LONG exStyle = GetWindowLongW(form.Handle(), GWL_EXSTYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ(GetClassLongPtrW(form.Handle(), GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);

    // Centred on the screen, with the focus on the only tab stop.
    RECT frame;
    GetWindowRect(form.Handle(), &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_LE(
        std::abs((frame.left + frame.right) - (monitor.rcMonitor.left + monitor.rcMonitor.right)),
        1);
    EXPECT_LE(
        std::abs((frame.top + frame.bottom) - (monitor.rcMonitor.top + monitor.rcMonitor.bottom)),
        1);
    EXPECT_EQ(GetFocus(), form.sButton1->Handle());
    const std::vector<TWinControl*> tabOrder = {form.progresso, form.sButton1, form.sPanel1};
    EXPECT_EQ(form.TabOrderList(), tabOrder);

    // The status line: one line, no wrapping, no mnemonics; empty. The bar: 0 of 0..100.
    const LONG status = GetWindowLongW(form.lbStatus->Handle(), GWL_STYLE);
    EXPECT_EQ(status & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
    EXPECT_TRUE(status & SS_NOPREFIX);
    EXPECT_EQ(form.lbStatus->Text(), u"");
    EXPECT_EQ(form.progresso->Min(), 0);
    EXPECT_EQ(form.progresso->Max(), 100);
    EXPECT_EQ(form.progresso->Position(), 0);
    EXPECT_EQ(form.sButton1->Text(), u"Iniciar");
}

TEST(Window, CreatedAt144Dpi) {
    if (std::getenv("MIGRATOR_EXPECT_DPI"))
        GTEST_SKIP() << "this is the child run";
    const UserSetting dense(L"Control Panel\\Desktop", L"LogPixels", 144);
    EXPECT_EQ(runThisProgram("Window.FactsAtTheScreenDpi", L"MIGRATOR_EXPECT_DPI", L"144"), 0);
}

TEST(Window, MovedToADenserMonitorItLaysItselfOutAgain) {
    Shown shown;
    TForm1& form = *shown.form;
    for (const UINT dpi : {144u, 120u, 96u}) {
        SCOPED_TRACE(dpi);
        RECT frame;
        GetWindowRect(form.Handle(), &frame);
        RECT suggested{frame.left + 10, frame.top + 20, frame.left + 10 + Scaled(680, dpi),
                       frame.top + 20 + Scaled(200, dpi)};
        SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(form.Dpi(), dpi);
        expectLayoutAt(form, dpi);
        GetWindowRect(form.Handle(), &frame);
        EXPECT_EQ(frame.left, suggested.left);
        EXPECT_EQ(frame.top, suggested.top);
    }
}

TEST(Window, ServicesReachTheControls) {
    Shown shown;
    TForm1& form = *shown.form;
    form.SetStatus(u"Obtendo o caminho do banco");
    EXPECT_EQ(form.lbStatus->Text(), u"Obtendo o caminho do banco");
    form.SetProgressMax(8);
    form.SetProgressPosition(5);
    EXPECT_EQ(form.progresso->Min(), 0);
    EXPECT_EQ(form.progresso->Max(), 8);
    EXPECT_EQ(form.progresso->Position(), 5);
    // A native bar takes a position beyond its range as its end.
    form.SetProgressPosition(12);
    EXPECT_EQ(form.progresso->Position(), 8);
    form.DisableButton();
    EXPECT_FALSE(IsWindowEnabled(form.sButton1->Handle()));
    EXPECT_NE(GetFocus(), form.sButton1->Handle()) << "a disabled button keeps no focus";
}

TEST(Window, ALongStatusIsCutAtTheRightEdgeAndNothingGrows) {
    Shown shown;
    TForm1& form = *shown.form;
    const RECT before = placeOf(form.lbStatus->Handle());
    const SIZE client = clientOf(form.Handle());
    std::u16string longText;
    for (int i = 0; i < 12; ++i)
        longText += u"Alterando extenção do banco no arquivo Talbrix/Quorvane.ini ";
    form.SetStatus(longText);
    pumpFor(50);
    EXPECT_EQ(describe(placeOf(form.lbStatus->Handle())), describe(before));
    const SIZE after = clientOf(form.Handle());
    EXPECT_EQ(after.cx, client.cx);
    EXPECT_EQ(after.cy, client.cy);
    // Text up to the very edge, on one line: the label's last column holds ink, and so does
    // no row below the line.
    const Picture status(form.lbStatus->Handle());
    const RECT ink =
        status.boundsOf(GetSysColor(COLOR_WINDOWTEXT), {0, 0, status.width(), status.height()});
    EXPECT_GE(ink.right, status.width() - 8);
    EXPECT_LE(ink.bottom, status.height());
}

TEST(Window, ClosingRequestsTerminationAndKeepsTheWindow) {
    struct Way {
        const char* name;
        std::function<void(HWND)> close;
    };
    const Way ways[] = {
        {"close box", [](HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"close request", [](HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); }},
        {"Alt+F4",
         [](HWND) {
             sendKeys({VK_MENU, VK_F4});
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Shown shown;
        pumpFor(100);
        way.close(shown.form->Handle());
        EXPECT_TRUE(pumpUntil([&] {
            shown.application.ProcessMessages();
            return shown.application.Terminated();
        }));
        EXPECT_TRUE(IsWindow(shown.form->Handle()));
        EXPECT_TRUE(IsWindowVisible(shown.form->Handle()));
    }
}

TEST(Window, EscDoesNothing) {
    Shown shown;
    pumpFor(100);
    int clicks = 0;
    shown.form->sButton1->OnClick = [&](TWinControl*) { ++clicks; };
    tap(VK_ESCAPE);
    shown.application.ProcessMessages();
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(shown.application.Terminated());
}

} // namespace
