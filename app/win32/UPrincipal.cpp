#include "UPrincipal.h"

#include "migration/MigrationRun.h"

#include <algorithm>

namespace {

constexpr DWORD formStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD formExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;

const wchar_t* formClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hIcon = LoadIconW(windowClass.hInstance, L"MAINICON");
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = L"TForm1";
        return RegisterClassExW(&windowClass);
    }();
    return reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(atom));
}

// The window's outer size for a client area at dpi; Windows before 10 knows only its
// system DPI.
SIZE windowSizeFor(SIZE client, DWORD style, DWORD exStyle, UINT dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    RECT rect{0, 0, client.cx, client.cy};
    if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, dpi))
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

RECT scaled(const RECT& r, UINT dpi) {
    return {Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.right, dpi), Scaled(r.bottom, dpi)};
}

} // namespace

TForm1::TForm1(TApplication& application, std::u16string baseFolder)
    : application_(application), baseFolder_(std::move(baseFolder)) {
    const DWORD exStyle = formExStyle | (application_.MainFormOnTaskBar ? WS_EX_APPWINDOW : 0);
    handle_ = CreateWindowExW(exStyle, formClass(), L"Atualizador para versão 9.3.13.x", formStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));

    progresso->SetBounds(0, 111, 668, 58);
    progresso->Align = TAlign::alBottom;
    progresso->TabOrder = 0;
    progresso->Font = &font_;

    lbStatus->SetBounds(0, 87, 668, 24);
    lbStatus->Align = TAlign::alBottom;
    lbStatus->Font = &statusFont_;

    sButton1->SetBounds(236, 19, 197, 49);
    sButton1->TabOrder = 1;
    sButton1->Font = &buttonFont_;
    sButton1->OnClick = [this](TWinControl* Sender) {
        application_.HandleErrors([&] { sButton1Click(Sender); });
    };

    sPanel1->SetBounds(0, 0, 668, 1);
    sPanel1->Align = TAlign::alTop;
    sPanel1->TabOrder = 2;
    sPanel1->Font = &font_;

    controls_ = {progresso, lbStatus, sButton1, sPanel1};
    int id = 1;
    for (TWinControl* control : controls_) {
        control->CreateHandle(handle_, id++);
        // Each new control goes below the ones before it, so that the z-order is the order
        // of declaration.
        SetWindowPos(control->Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    sButton1->SetText(u"Iniciar");
    ScaleTo(WindowDpi(handle_));
}

TForm1::~TForm1() {
    if (handle_) {
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
}

std::vector<TWinControl*> TForm1::TabOrderList() const {
    std::vector<TWinControl*> ordered;
    for (TWinControl* control : controls_)
        if (control->TabOrder >= 0)
            ordered.push_back(control);
    std::stable_sort(
        ordered.begin(), ordered.end(),
        [](const TWinControl* a, const TWinControl* b) { return a->TabOrder < b->TabOrder; });
    return ordered;
}

SIZE TForm1::AutoSizeClient(UINT dpi) {
    // Taken on the layout at 96 dpi: scaling keeps every edge in its order, so the
    // rectangle at dpi is this one scaled.
    RECT bounds{};
    bool any = false;
    for (const TWinControl* control : controls_) {
        if ((GetWindowLongW(control->Handle(), GWL_STYLE) & WS_VISIBLE) == 0)
            continue;
        if (!any)
            bounds = control->Bounds;
        else
            UnionRect(&bounds, &bounds, &control->Bounds);
        any = true;
    }
    // Controls that lie further in move together, so that the rectangle starts at the
    // corner.
    if (bounds.left != 0 || bounds.top != 0) {
        for (TWinControl* control : controls_)
            OffsetRect(&control->Bounds, -bounds.left, -bounds.top);
        OffsetRect(&bounds, -bounds.left, -bounds.top);
    }
    return {Scaled(bounds.right, dpi), Scaled(bounds.bottom, dpi)};
}

void TForm1::AlignControls(SIZE client) {
    int top = 0, bottom = client.cy;
    const auto place = [](TWinControl* control, const RECT& r) {
        SetWindowPos(control->Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    for (TWinControl* control : controls_)
        if (control->Align == TAlign::alTop) {
            const int height = Scaled(control->Bounds.bottom - control->Bounds.top, dpi_);
            place(control, {0, top, client.cx, top + height});
            top += height;
        }
    // Bottom-aligned controls stack upwards from the lowest one in the layout.
    std::vector<TWinControl*> bottomUp;
    for (TWinControl* control : controls_)
        if (control->Align == TAlign::alBottom)
            bottomUp.push_back(control);
    std::stable_sort(
        bottomUp.begin(), bottomUp.end(),
        [](const TWinControl* a, const TWinControl* b) { return a->Bounds.top > b->Bounds.top; });
    for (TWinControl* control : bottomUp) {
        // The status line's height follows its font: one line of text.
        const int height = control == lbStatus
                               ? lbStatus->LineHeight(dpi_)
                               : Scaled(control->Bounds.bottom - control->Bounds.top, dpi_);
        place(control, {0, bottom - height, client.cx, bottom});
        bottom -= height;
    }
    for (TWinControl* control : controls_)
        if (control->Align == TAlign::alNone)
            place(control, scaled(control->Bounds, dpi_));
}

void TForm1::ScaleTo(UINT dpi, const RECT* suggested) {
    dpi_ = dpi;
    for (TFont* font : {&font_, &statusFont_, &buttonFont_})
        font->Scale(dpi);
    for (TWinControl* control : controls_)
        control->ApplyFont();
    const SIZE client = AutoSizeClient(dpi);
    AlignControls(client);
    SIZE outer = windowSizeFor(client, formStyle, formExStyle, dpi);
    if (suggested)
        SetWindowPos(handle_, nullptr, suggested->left, suggested->top, outer.cx, outer.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    else
        SetWindowPos(handle_, nullptr, 0, 0, outer.cx, outer.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    // The frame the platform draws may not be the one it reported for dpi (a frame still
    // at the old density): the client area, not the frame, is what must come out exact.
    RECT actual;
    GetClientRect(handle_, &actual);
    if (actual.right != client.cx || actual.bottom != client.cy) {
        outer.cx += client.cx - actual.right;
        outer.cy += client.cy - actual.bottom;
        SetWindowPos(handle_, nullptr, 0, 0, outer.cx, outer.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
}

void TForm1::Show() {
    if (!shown_) {
        shown_ = true;
        // Centred on the screen: the primary monitor, where the window opens.
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
        RECT frame;
        GetWindowRect(handle_, &frame);
        const int width = frame.right - frame.left, height = frame.bottom - frame.top;
        const RECT& screen = monitor.rcMonitor;
        SetWindowPos(handle_, nullptr, screen.left + (screen.right - screen.left - width) / 2,
                     screen.top + (screen.bottom - screen.top - height) / 2, 0, 0,
                     SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ShowWindow(handle_, SW_SHOWNORMAL);
    SetForegroundWindow(handle_);
    focusFirst();
    UpdateWindow(handle_);
}

std::vector<TWinControl*> TForm1::tabStops() const {
    std::vector<TWinControl*> stops;
    for (TWinControl* control : TabOrderList())
        if (control->TabStop && control->Enabled() && IsWindowVisible(control->Handle()))
            stops.push_back(control);
    return stops;
}

void TForm1::focusFirst() {
    const std::vector<TWinControl*> stops = tabStops();
    if (stops.empty())
        return;
    SetFocus(stops.front()->Handle());
    activeControl_ = stops.front()->Handle();
}

void TForm1::selectNext(bool forward) {
    const std::vector<TWinControl*> stops = tabStops();
    if (stops.empty())
        return;
    const auto at = std::find_if(stops.begin(), stops.end(),
                                 [](const TWinControl* c) { return c->Handle() == GetFocus(); });
    std::size_t next = 0;
    if (at != stops.end()) {
        const std::size_t here = static_cast<std::size_t>(at - stops.begin());
        next = forward ? (here + 1) % stops.size() : (here + stops.size() - 1) % stops.size();
    }
    SetFocus(stops[next]->Handle());
}

TWinControl* TForm1::controlOf(HWND window) const {
    for (TWinControl* control : controls_)
        if (control->Handle() == window)
            return control;
    return nullptr;
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(window, message, wParam, lParam);
    try {
        return form->WndProc(message, wParam, lParam);
    } catch (...) {
        HandleWindowError();
        return 0;
    }
}

LRESULT TForm1::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && controlOf(reinterpret_cast<HWND>(lParam)) == sButton1) {
            sButton1->Click();
            return 0;
        }
        break;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_BUTTON && controlOf(item->hwndItem) == sButton1) {
            sButton1->CNDrawItem(*item);
            return TRUE;
        }
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_BUTTON &&
            controlOf(GetDlgItem(handle_, static_cast<int>(item->CtlID))) == sButton1) {
            sButton1->CNMeasureItem(*item);
            return TRUE;
        }
        break;
    }
    case WM_CTLCOLORSTATIC: {
        // The status line on the window's face; the bar asks too, and keeps its own colours.
        if (reinterpret_cast<HWND>(lParam) != lbStatus->Handle())
            break;
        HDC canvas = reinterpret_cast<HDC>(wParam);
        SetTextColor(canvas, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(canvas, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case CM_FOCUSCHANGED: {
        HWND now = reinterpret_cast<HWND>(wParam);
        sButton1->FocusMovedTo(now, controlOf(now) == sButton1);
        return 0;
    }
    case WM_NEXTDLGCTL:
        selectNext(wParam == 0);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (controlOf(focus))
                activeControl_ = focus;
        } else if (activeControl_ && IsWindowEnabled(activeControl_)) {
            // Back to the control that had the focus, rather than to the window itself.
            SetFocus(activeControl_);
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (activeControl_ && IsWindowEnabled(activeControl_) && IsWindowVisible(activeControl_)) {
            SetFocus(activeControl_);
            return 0;
        }
        break;
    case WM_CLOSE:
        // Closing asks the application to end, as Terminate does; the window stays up until
        // the loop ends, so a run in progress finishes first.
        application_.Terminate();
        return 0;
    case WM_DPICHANGED:
        ScaleTo(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

void TForm1::sButton1Click([[maybe_unused]] TWinControl* Sender) {
    RunMigration(*this, baseFolder_);
}

void TForm1::SetStatus(const std::u16string& text) {
    lbStatus->SetText(text);
}

void TForm1::SetProgressMax(int maximum) {
    progresso->SetMax(maximum);
}

void TForm1::SetProgressPosition(int position) {
    progresso->SetPosition(position);
}

void TForm1::DisableButton() {
    sButton1->SetEnabled(false);
}

void TForm1::ProcessMessages() {
    application_.ProcessMessages();
}

void TForm1::ShowMessage(const std::u16string& text) {
    application_.ShowMessage(text);
}

void TForm1::Terminate() {
    application_.Terminate();
}
