#pragma once

#include "TWinControl.h"
#include "TsButtonState.h"

#include <uxtheme.h>

#include <functional>

// The standard push button, a native BUTTON, except that it is owner-drawn: the platform
// never paints it, and its window draws it through CNDrawItem with the element of the
// visual style in the state of the moment, or the classic frame, and always its own
// caption. Its click goes through the native button: the mouse and Space as the platform
// handles them, Enter by the button itself, since no dialog manager runs in a plain window.
class TsButton : public TWinControl, public TsButtonState {
public:
    TsButton();
    ~TsButton() override;

    // The window's default button takes the focused look when the focus goes to a control
    // that is no button.
    bool Default = false;
    std::function<void(TWinControl* Sender)> OnClick;

    // The click, as the native button reports it to its window; nothing while disabled.
    void Click();
    // Called by the window as the focus moves within it, to now.
    void FocusMovedTo(HWND now, bool nowIsAButton);
    // Stores ADefault as the focused look and repaints, without the native style change
    // of a standard push button, which would take the owner-drawn style away.
    void SetButtonStyle(bool ADefault);

    // The platform's draw request, handed on by the window.
    void CNDrawItem(const DRAWITEMSTRUCT& item);
    // The platform's measure request: the button's own size.
    void CNMeasureItem(MEASUREITEMSTRUCT& item) const;

    // The caption measured with the button's font; 0 x 0 when there is none.
    SIZE GetCaptionSize(HDC canvas) const;
    TRect CaptionRect(HDC canvas) const;
    // The native button reports its pushed state.
    bool Pushed() const;
    bool CurrentState() const;
    TThemedButton ElementState() const;
    // Visual styles are on for this button: for the application, on the desktop, and with
    // a theme for its class.
    bool Themed() const;

    // The caption on its rectangle: once in the text colour, or embossed when disabled.
    void DrawCaption(HDC canvas) const;

protected:
    HWND CreateWnd(HWND parent, int id) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void StdDrawItem(const DRAWITEMSTRUCT& item);

private:
    void drawStyled(HDC canvas, const RECT& itemRect, bool pressed, bool hasFocus, bool disabled);
    void drawClassic(HDC canvas, const RECT& itemRect, bool pressed, bool hasFocus, bool disabled);
    void pointerOver(bool above);
    void openTheme();

    HTHEME theme_ = nullptr;
    bool tracking_ = false;
    // Where the pointer is as far as hover goes; the flag itself stays put while disabled.
    bool pointerInside_ = false;
};
