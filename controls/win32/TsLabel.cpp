#include "TsLabel.h"

#include "TsCommonData.h"

#include <commctrl.h>

bool TsLabel::Skinned() const {
    return LabelSkinned(skinManager_.get());
}

int TsLabel::LineHeight(UINT dpi) const {
    HDC screen = GetDC(nullptr);
    HFONT made = nullptr;
    HGDIOBJ old = nullptr;
    if (Font) {
        const LOGFONTW request = Font->Request(dpi);
        made = CreateFontIndirectW(&request);
        old = SelectObject(screen, made);
    }
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    if (made) {
        SelectObject(screen, old);
        DeleteObject(made);
    }
    ReleaseDC(nullptr, screen);
    return metrics.tmHeight;
}

HWND TsLabel::CreateWnd(HWND parent, int id) {
    return CreateWindowExW(
        0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0, 0, 0,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}
