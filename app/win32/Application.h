#pragma once

#include "TWinControl.h"

#include <functional>
#include <string>

// What the application object needs of its main window.
class TCustomForm {
public:
    virtual ~TCustomForm() = default;
    virtual HWND Handle() const = 0;
    // Shows the window, centred where it belongs, with the focus on its first control.
    virtual void Show() = 0;
};

// The application object: the title, the terminate flag and the message loop on the
// thread's queue, and the services that the migration run takes from it. One per program;
// tests make one per test.
class TApplication {
public:
    // Forms the title from the running executable's file name and makes the common
    // controls ready.
    TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;
    ~TApplication();

    const std::u16string& Title() const { return title_; }
    bool Terminated() const { return terminated_; }

    // The main window gets its own taskbar button; there is no other window to take it.
    bool MainFormOnTaskBar = false;

    // Shows the main form, then takes and dispatches messages, waiting when none is
    // waiting, until the terminate flag is set.
    void Run(TCustomForm& mainForm);
    void ShowMainForm(TCustomForm& mainForm);

    // Dispatches every waiting message and returns once none is left. A quit request among
    // them only sets the terminate flag.
    void ProcessMessages();
    // The task dialog where the platform has one, else a box of the platform's own: the
    // title as caption, no icon, one OK button that Enter, Esc and the close box trigger
    // as well; centred on the monitor.
    void ShowMessage(const std::u16string& text);
    // Posts a quit request and returns at once; the loop ends once the request has been
    // taken and control is back in it. Further calls change nothing.
    void Terminate();
    // The error box for an error that no handler caught: stop icon, the title, the message
    // by ErrorBoxText, modal to the active window.
    void ShowException(const std::u16string& message);
    // Runs an event handler of ours; an error that escapes it is shown by ShowException and
    // the handler counts as done. Nothing may unwind through the platform's dispatch.
    void HandleErrors(const std::function<void()>& handler);

private:
    // While a box is open its own loop takes the messages, and a quit request would end
    // it: the request waits until the last box is closed.
    class ModalBox {
    public:
        explicit ModalBox(TApplication& application);
        ~ModalBox();

    private:
        TApplication& application_;
    };

    HWND boxOwner() const;

    std::u16string title_;
    bool terminated_ = false;
    HWND mainForm_ = nullptr;
    int openBoxes_ = 0;
    bool quitWaiting_ = false;
};

// The application object of the running program; null when there is none.
extern TApplication* Application;
