#pragma once

// The base of the controls on Win32: a child window whose bounds are kept as the window's
// layout gives them, at 96 dpi, and placed by its window at the window's own DPI.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/Unicode.h"

#include <functional>
#include <string>

enum class TAlign { alNone, alTop, alBottom };

// Sent by a control to its window when the focus has moved within the window; wParam is
// the window that has it now.
constexpr UINT CM_FOCUSCHANGED = WM_APP + 1;

// The DPI of the monitor the window is on, as the window sees it.
UINT WindowDpi(HWND window);
// A length at 96 dpi, at dpi.
inline int Scaled(int value, UINT dpi) {
    return MulDiv(value, static_cast<int>(dpi), 96);
}

// A font asked for by face and character height in pixels at 96 dpi. The GDI font is made
// for the DPI of the window that uses it, and made anew when that changes.
class TFont {
public:
    TFont(const wchar_t* name, int height, bool bold, BYTE charset);
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;
    ~TFont();

    // What is asked of the platform at dpi: minus the character height, so that the
    // height is that of the characters without the internal leading.
    LOGFONTW Request(UINT dpi) const;
    void Scale(UINT dpi);
    HFONT Handle() const { return handle_; }

private:
    LOGFONTW request_{};
    int height_;
    HFONT handle_ = nullptr;
};

// Where an error that escapes one of our window procedures ends: no C++ error may unwind
// into the platform's code. The application sets it to its error display.
void SetWindowErrorHandler(std::function<void(const std::u16string& message)> handler);
// Shows the error being handled through that handler; to be called inside a catch block.
void HandleWindowError() noexcept;

class TWinControl {
public:
    TWinControl() = default;
    TWinControl(const TWinControl&) = delete;
    TWinControl& operator=(const TWinControl&) = delete;
    virtual ~TWinControl();

    HWND Handle() const { return handle_; }

    // The bounds at 96 dpi, as laid out.
    RECT Bounds{};
    TAlign Align = TAlign::alNone;
    // Position in the window's tab order, and whether Tab stops there.
    int TabOrder = -1;
    bool TabStop = false;
    // The font it is given to draw with: the window's, unless it has one of its own.
    const TFont* Font = nullptr;

    void SetBounds(int left, int top, int width, int height);
    // Creates the window, as a child of parent with the control identifier id.
    void CreateHandle(HWND parent, int id);
    // Hands the current font to the window, which draws with it from then on.
    void ApplyFont();
    std::u16string Text() const;
    void SetText(const std::u16string& text);
    bool Enabled() const;
    // A control that is disabled while it has the focus gives it back to its window.
    void SetEnabled(bool enabled);

protected:
    virtual HWND CreateWnd(HWND parent, int id) = 0;
    // Every message of the window comes here first; what a control does not handle goes
    // on to the window's own procedure through Inherited.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Inherited(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);

    HWND handle_ = nullptr;
};
