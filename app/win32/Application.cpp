#include "Application.h"

#include "ApplicationRules.h"
#include "migration/PathRules.h"
#include "platform/Platform.h"

#include <commctrl.h>

TApplication* Application = nullptr;

namespace {

// The task dialog is there with version 6 of the common controls, on Windows 6 or later;
// looked up at run time, so that the program starts where it is missing.
using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

TaskDialogIndirectFn taskDialogIndirect() {
    if (LOBYTE(LOWORD(GetVersion())) < 6)
        return nullptr;
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    if (!controls)
        return nullptr;
    return reinterpret_cast<TaskDialogIndirectFn>(
        reinterpret_cast<void*>(GetProcAddress(controls, "TaskDialogIndirect")));
}

} // namespace

TApplication::ModalBox::ModalBox(TApplication& application) : application_(application) {
    // A quit request already waiting would end the box at once: take it now, as the loop
    // would have.
    MSG quit;
    if (application_.openBoxes_++ == 0 && PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        application_.terminated_ = true;
}

TApplication::ModalBox::~ModalBox() {
    if (--application_.openBoxes_ == 0 && application_.quitWaiting_) {
        application_.quitWaiting_ = false;
        PostQuitMessage(0);
    }
}

TApplication::TApplication() : title_(ApplicationTitle(GetExeName(), platform::pathDelimiters())) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    Application = this;
    SetWindowErrorHandler([this](const std::u16string& message) { ShowException(message); });
}

TApplication::~TApplication() {
    // A quit request still waiting belongs to this application; the next one on the thread
    // must not end on it.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    if (Application == this) {
        Application = nullptr;
        SetWindowErrorHandler({});
    }
}

void TApplication::Run(TCustomForm& mainForm) {
    ShowMainForm(mainForm);
    MSG message;
    while (!terminated_) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            terminated_ = true;
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TApplication::ShowMainForm(TCustomForm& mainForm) {
    mainForm_ = mainForm.Handle();
    mainForm.Show();
}

void TApplication::ProcessMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            terminated_ = true;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

HWND TApplication::boxOwner() const {
    HWND active = GetActiveWindow();
    return active ? active : mainForm_;
}

void TApplication::ShowMessage(const std::u16string& text) {
    const std::u16string body = MessageBoxText(text, u"\r\n");
    ModalBox box(*this);
    HWND owner = boxOwner();
    if (const TaskDialogIndirectFn taskDialog = taskDialogIndirect()) {
        TASKDIALOGCONFIG config{};
        config.cbSize = sizeof config;
        config.hwndParent = owner;
        // Esc and the close box answer it as OK does; without a position of its own it is
        // centred on the monitor.
        config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
        config.dwCommonButtons = TDCBF_OK_BUTTON;
        config.pszWindowTitle = platform::wide(title_);
        config.pszContent = platform::wide(body);
        config.nDefaultButton = IDOK;
        int pressed = 0;
        if (SUCCEEDED(taskDialog(&config, &pressed, nullptr, nullptr)))
            return;
    }
    MessageBoxW(owner, platform::wide(body), platform::wide(title_), MB_OK);
}

void TApplication::Terminate() {
    if (openBoxes_ > 0)
        quitWaiting_ = true;
    else
        PostQuitMessage(0);
}

void TApplication::ShowException(const std::u16string& message) {
    ModalBox box(*this);
    MessageBoxW(boxOwner(), platform::wide(ErrorBoxText(message)), platform::wide(title_),
                MB_ICONSTOP | MB_OK);
}

void TApplication::HandleErrors(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        ShowException(CaughtErrorMessage());
    }
}
