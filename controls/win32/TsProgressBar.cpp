#include "TsProgressBar.h"

#include <commctrl.h>

HWND TsProgressBar::CreateWnd(HWND parent, int id) {
    HWND handle =
        CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (handle) {
        SendMessageW(handle, PBM_SETRANGE32, 0, 100);
        SendMessageW(handle, PBM_SETPOS, 0, 0);
    }
    return handle;
}

int TsProgressBar::Min() const {
    return static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, TRUE, 0));
}

int TsProgressBar::Max() const {
    return static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, FALSE, 0));
}

void TsProgressBar::SetMax(int maximum) {
    SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(Min()), maximum);
}

int TsProgressBar::Position() const {
    return static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0));
}

void TsProgressBar::SetPosition(int position) {
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
