#include "TsPanel.h"

namespace {

const wchar_t* panelClass() {
    static const ATOM atom = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"TsPanel";
        return RegisterClassW(&windowClass);
    }();
    return reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(atom));
}

void line(HDC canvas, int fromX, int fromY, int toX, int toY, int colour) {
    SetDCPenColor(canvas, GetSysColor(colour));
    MoveToEx(canvas, fromX, fromY, nullptr);
    LineTo(canvas, toX, toY);
}

} // namespace

HWND TsPanel::CreateWnd(HWND parent, int id) {
    return CreateWindowExW(0, panelClass(), L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void TsPanel::Paint(HDC canvas) const {
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(canvas, &client, GetSysColorBrush(COLOR_BTNFACE));
    // The raised bevel: light along the top and the left, then shadow along the bottom
    // and the right, which on a panel of 1 pixel is all that shows.
    const int saved = SaveDC(canvas);
    SelectObject(canvas, GetStockObject(DC_PEN));
    const int right = client.right - 1, bottom = client.bottom - 1;
    line(canvas, 0, bottom, 0, 0, COLOR_BTNHIGHLIGHT);
    line(canvas, 0, 0, right + 1, 0, COLOR_BTNHIGHLIGHT);
    line(canvas, right, 0, right, bottom, COLOR_BTNSHADOW);
    line(canvas, 0, bottom, right + 1, bottom, COLOR_BTNSHADOW);
    RestoreDC(canvas, saved);
}

void TsPanel::paintAll(HDC canvas) {
    Paint(canvas);
    if (OnPaint)
        OnPaint(this, canvas);
}

LRESULT TsPanel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC canvas = BeginPaint(Handle(), &paint);
        paintAll(canvas);
        EndPaint(Handle(), &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        paintAll(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    default:
        return Inherited(message, wParam, lParam);
    }
}
