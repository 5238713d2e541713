#include "TsButton.h"

#include <vsstyle.h>
#include <windowsx.h>

namespace {

int themeState(TThemedButton state) {
    switch (state) {
    case TThemedButton::tbPushButtonHot:
        return PBS_HOT;
    case TThemedButton::tbPushButtonPressed:
        return PBS_PRESSED;
    case TThemedButton::tbPushButtonDisabled:
        return PBS_DISABLED;
    case TThemedButton::tbPushButtonDefaulted:
        return PBS_DEFAULTED;
    case TThemedButton::tbPushButtonNormal:
        break;
    }
    return PBS_NORMAL;
}

RECT toRECT(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

// Draws a 1-pixel rectangle in pen, filled with brush (or hollow).
void frameRect(HDC canvas, const RECT& rect, COLORREF pen, HBRUSH brush) {
    const int saved = SaveDC(canvas);
    SelectObject(canvas, GetStockObject(DC_PEN));
    SetDCPenColor(canvas, pen);
    SelectObject(canvas, brush ? brush : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    Rectangle(canvas, rect.left, rect.top, rect.right, rect.bottom);
    RestoreDC(canvas, saved);
}

} // namespace

TsButton::TsButton() : TsButtonState(this) {
    TabStop = true;
}

TsButton::~TsButton() {
    SkinData()->BeginOwnerDestroy();
    if (theme_)
        CloseThemeData(theme_);
}

HWND TsButton::CreateWnd(HWND parent, int id) {
    const DWORD style = WS_CHILD | WS_VISIBLE | (TabStop ? WS_TABSTOP : 0) | BS_OWNERDRAW;
    HWND handle =
        CreateWindowExW(0, WC_BUTTONW, L"", style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (handle)
        theme_ = OpenThemeData(handle, L"BUTTON");
    return handle;
}

void TsButton::openTheme() {
    if (theme_)
        CloseThemeData(theme_);
    theme_ = OpenThemeData(Handle(), L"BUTTON");
}

bool TsButton::Themed() const {
    return theme_ && IsAppThemed() && IsThemeActive();
}

void TsButton::Click() {
    if (Enabled() && OnClick)
        OnClick(this);
}

void TsButton::FocusMovedTo(HWND now, bool nowIsAButton) {
    SetButtonStyle(nowIsAButton ? now == Handle() : Default);
}

void TsButton::SetButtonStyle(bool ADefault) {
    StoreButtonStyle(ADefault);
    InvalidateRect(Handle(), nullptr, FALSE);
}

bool TsButton::Pushed() const {
    return (SendMessageW(Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

bool TsButton::CurrentState() const {
    return CurrentStateOf(Pushed());
}

TThemedButton TsButton::ElementState() const {
    return ElementStateOf(!Enabled(), Pushed(), GetFocus() == Handle());
}

SIZE TsButton::GetCaptionSize(HDC canvas) const {
    const std::u16string caption = Text();
    if (caption.empty())
        return {0, 0};
    RECT client;
    GetClientRect(Handle(), &client);
    RECT bounds = toRECT(CaptionBounds(client.right, client.bottom));
    const int saved = SaveDC(canvas);
    if (Font)
        SelectObject(canvas, Font->Handle());
    DrawTextW(canvas, platform::wide(caption), -1, &bounds,
              DT_CALCRECT | DT_EXPANDTABS | DT_CENTER | (WordWrap ? DT_WORDBREAK : DT_SINGLELINE));
    RestoreDC(canvas, saved);
    return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

TRect TsButton::CaptionRect(HDC canvas) const {
    RECT client;
    GetClientRect(Handle(), &client);
    const SIZE caption = GetCaptionSize(canvas);
    return CaptionRectOf(client.right, client.bottom, caption.cx, caption.cy, Pushed());
}

void TsButton::CNDrawItem(const DRAWITEMSTRUCT& item) {
    StdDrawItem(item);
}

void TsButton::CNMeasureItem(MEASUREITEMSTRUCT& item) const {
    RECT client;
    GetClientRect(Handle(), &client);
    item.itemWidth = static_cast<UINT>(client.right);
    item.itemHeight = static_cast<UINT>(client.bottom);
}

void TsButton::StdDrawItem(const DRAWITEMSTRUCT& item) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool hasFocus = (item.itemState & ODS_FOCUS) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    if (Themed())
        drawStyled(item.hDC, item.rcItem, pressed, hasFocus, disabled);
    else
        drawClassic(item.hDC, item.rcItem, pressed, hasFocus, disabled);
    DrawCaption(item.hDC);
}

void TsButton::drawStyled(HDC canvas, const RECT& itemRect, bool pressed, bool hasFocus,
                          bool disabled) {
    const int state = themeState(ElementStateOf(disabled, pressed, hasFocus));
    // The element has rounded, partly transparent corners: the parent shows through them.
    if (IsThemeBackgroundPartiallyTransparent(theme_, BP_PUSHBUTTON, state)) {
        RECT behind = itemRect;
        DrawThemeParentBackground(Handle(), canvas, &behind);
    }
    DrawThemeBackground(theme_, canvas, BP_PUSHBUTTON, state, &itemRect, nullptr);
    RECT content = itemRect;
    GetThemeBackgroundContentRect(theme_, canvas, BP_PUSHBUTTON, state, &itemRect, &content);
    if (StyledFocusRect(hasFocus))
        DrawFocusRect(canvas, &content);
}

void TsButton::drawClassic(HDC canvas, const RECT&, bool pressed, bool hasFocus, bool disabled) {
    const TClassicFrame frame = ClassicFrameOf(pressed, hasFocus, disabled);
    RECT client;
    GetClientRect(Handle(), &client);
    RECT rect = client;
    if (frame.FocusFrame) {
        frameRect(canvas, rect, GetSysColor(COLOR_WINDOWFRAME), nullptr);
        InflateRect(&rect, -1, -1);
    }
    if (frame.PushedFrame) {
        frameRect(canvas, rect, GetSysColor(COLOR_BTNSHADOW), GetSysColorBrush(COLOR_BTNFACE));
        InflateRect(&rect, -1, -1);
    } else {
        DrawFrameControl(canvas, &rect, DFC_BUTTON,
                         DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (frame.Inactive ? DFCS_INACTIVE : 0));
    }
    if (frame.FocusRect) {
        RECT focus = client;
        InflateRect(&focus, -ClassicFocusInset, -ClassicFocusInset);
        DrawFocusRect(canvas, &focus);
    }
}

void TsButton::DrawCaption(HDC canvas) const {
    const std::u16string caption = Text();
    if (caption.empty())
        return;
    const wchar_t* text = platform::wide(caption);
    RECT rect = toRECT(CaptionRect(canvas));
    const bool rightToLeft = (GetWindowLongW(Handle(), GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
    const UINT flags = DT_EXPANDTABS | DT_VCENTER | DT_CENTER | (WordWrap ? DT_WORDBREAK : 0) |
                       (rightToLeft ? DT_RTLREADING : 0);
    const int saved = SaveDC(canvas);
    if (Font)
        SelectObject(canvas, Font->Handle());
    SetBkMode(canvas, TRANSPARENT);
    IntersectClipRect(canvas, rect.left, rect.top, rect.right, rect.bottom);
    if (Enabled()) {
        SetTextColor(canvas, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(canvas, text, -1, &rect, flags);
    } else {
        RECT raised = rect;
        OffsetRect(&raised, 1, 1);
        SetTextColor(canvas, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(canvas, text, -1, &raised, flags);
        SetTextColor(canvas, GetSysColor(COLOR_BTNSHADOW));
        DrawTextW(canvas, text, -1, &rect, flags);
    }
    RestoreDC(canvas, saved);
}

void TsButton::pointerOver(bool above) {
    pointerInside_ = above;
    if (TrackMouse(above, Enabled()))
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

LRESULT TsButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDBLCLK:
        // The button does not handle double clicks as such: the second click of one is an
        // ordinary press, so a double click counts as two.
        message = WM_LBUTTONDOWN;
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        // A press queued before the button was disabled arrives after it; it is ignored,
        // as a disabled button ignores the mouse.
        if (!Enabled())
            return 0;
        SetLeftPressHeld(true);
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        SetLeftPressHeld(false);
        break;
    case WM_MOUSEMOVE: {
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
            tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        // The pointer leaves and enters also while a press holds the mouse, which the
        // leave notification does not tell.
        RECT client;
        GetClientRect(Handle(), &client);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const bool inside = PtInRect(&client, at) != FALSE;
        if (inside != pointerInside_)
            pointerOver(inside);
        break;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (pointerInside_)
            pointerOver(false);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (!Enabled())
            return 0;
        if (wParam == VK_RETURN) {
            if (message == WM_KEYDOWN)
                Click();
            return 0;
        }
        if (wParam == VK_TAB) {
            if (message == WM_KEYDOWN)
                SendMessageW(GetParent(Handle()), WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0, FALSE);
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        const LRESULT result = Inherited(message, wParam, lParam);
        // Tell the window where the focus went, so that each button takes its look.
        HWND now = message == WM_SETFOCUS ? Handle() : reinterpret_cast<HWND>(wParam);
        HWND parent = GetParent(Handle());
        if (now && (now == parent || IsChild(parent, now)))
            SendMessageW(parent, CM_FOCUSCHANGED, reinterpret_cast<WPARAM>(now), 0);
        return result;
    }
    case BM_SETSTYLE:
        // Whoever asks for another push-button style, the button stays owner-drawn.
        wParam = (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
        break;
    case WM_ERASEBKGND:
        // The draw request paints every pixel.
        return 1;
    case WM_THEMECHANGED:
        openTheme();
        InvalidateRect(Handle(), nullptr, FALSE);
        break;
    case WM_DESTROY:
        SkinData()->BeginOwnerDestroy();
        break;
    default:
        break;
    }
    return Inherited(message, wParam, lParam);
}
