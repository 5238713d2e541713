#include "TWinControl.h"

#include "ApplicationRules.h"

#include <commctrl.h>

#include <utility>

namespace {

std::function<void(const std::u16string&)>& windowErrorHandler() {
    static std::function<void(const std::u16string&)> handler;
    return handler;
}

} // namespace

UINT WindowDpi(HWND window) {
    // Windows before 10 has no DPI of its own for a window; the screen's then serves.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0)
            return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

TFont::TFont(const wchar_t* name, int height, bool bold, BYTE charset) : height_(height) {
    request_.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    request_.lfCharSet = charset;
    request_.lfOutPrecision = OUT_DEFAULT_PRECIS;
    request_.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    request_.lfQuality = DEFAULT_QUALITY;
    request_.lfPitchAndFamily = DEFAULT_PITCH;
    lstrcpynW(request_.lfFaceName, name, LF_FACESIZE);
}

TFont::~TFont() {
    if (handle_)
        DeleteObject(handle_);
}

LOGFONTW TFont::Request(UINT dpi) const {
    LOGFONTW request = request_;
    request.lfHeight = -Scaled(height_, dpi);
    return request;
}

void TFont::Scale(UINT dpi) {
    const LOGFONTW request = Request(dpi);
    HFONT made = CreateFontIndirectW(&request);
    if (!made)
        return;
    if (handle_)
        DeleteObject(handle_);
    handle_ = made;
}

void SetWindowErrorHandler(std::function<void(const std::u16string&)> handler) {
    windowErrorHandler() = std::move(handler);
}

void HandleWindowError() noexcept {
    try {
        const std::u16string message = CaughtErrorMessage();
        if (windowErrorHandler())
            windowErrorHandler()(message);
    } catch (...) {
        // The error display itself failed; the message is handled all the same, since
        // nothing may unwind into the platform.
    }
}

TWinControl::~TWinControl() {
    if (handle_)
        DestroyWindow(handle_);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    Bounds = {left, top, left + width, top + height};
}

void TWinControl::CreateHandle(HWND parent, int id) {
    handle_ = CreateWnd(parent, id);
    if (handle_)
        SetWindowSubclass(handle_, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void TWinControl::ApplyFont() {
    if (handle_ && Font)
        SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font->Handle()), TRUE);
}

std::u16string TWinControl::Text() const {
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(handle_)) + 1, u'\0');
    const int count = GetWindowTextW(handle_, reinterpret_cast<wchar_t*>(text.data()),
                                     static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(count > 0 ? count : 0));
    return text;
}

void TWinControl::SetText(const std::u16string& text) {
    SetWindowTextW(handle_, platform::wide(text));
}

bool TWinControl::Enabled() const {
    return IsWindowEnabled(handle_) != FALSE;
}

void TWinControl::SetEnabled(bool enabled) {
    if (!enabled && GetFocus() == handle_)
        SetFocus(GetParent(handle_));
    EnableWindow(handle_, enabled);
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return Inherited(message, wParam, lParam);
}

LRESULT TWinControl::Inherited(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR self) {
    auto* control = reinterpret_cast<TWinControl*>(self);
    if (message == WM_NCDESTROY) {
        // The window goes before the control when its parent is destroyed first.
        RemoveWindowSubclass(window, SubclassProc, 0);
        control->handle_ = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    try {
        return control->WndProc(message, wParam, lParam);
    } catch (...) {
        HandleWindowError();
        return 0;
    }
}
