#pragma once

#include <QApplication>
#include <QObject>
#include <QString>

#include <functional>

// The Qt application. It hands every event to its receiver and is where an error that
// escapes an event handler is caught: the error box shows it and the event counts as
// handled, so the loop goes on and the window stays as the handler left it.
class TGuiApplication : public QApplication {
    Q_OBJECT

public:
    TGuiApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// The application object: the title, the terminate flag and the message loop, and the
// services that the migration run takes from it. One per program; tests make one per test.
class TApplication : public QObject {
    Q_OBJECT

public:
    // Forms the title from the running executable's file name.
    TApplication();
    ~TApplication() override;

    const QString& Title() const { return title_; }
    bool Terminated() const { return terminated_; }

    // Qt gives every top-level window its own taskbar button and keeps no hidden window of
    // its own, so the switch only records the request.
    bool MainFormOnTaskBar = false;

    // Shows the main form, then dispatches events, waiting when none is pending, until the
    // terminate flag is set. The loop is ours rather than QCoreApplication::exec() because
    // quit() or exit() would also end the loop of a message box that is open.
    void Run(QWidget& mainForm);
    // The first step of Run, apart so that tests can drive the window without the loop.
    void ShowMainForm(QWidget& mainForm);

    // Dispatches every pending event and returns once none is left. A quit request among
    // them only sets the terminate flag.
    void ProcessMessages();
    // Modal box without icon, captioned with the title, with one OK button that Enter, Esc
    // and the close box trigger as well; centred on the screen.
    void ShowMessage(const QString& text);
    // Posts a quit request and returns at once; the loop ends once the request has been
    // dispatched and control is back in it. Further calls change nothing.
    void Terminate();
    // The error box for an error that no handler caught: stop icon, the title, the message
    // by ErrorBoxText.
    void ShowException(const QString& message);
    // Runs an event handler of ours; an error that escapes it is shown by ShowException and
    // the handler counts as done. Qt's own code is built without exceptions, so an error
    // unwound through it would skip its clean-up: handlers stop errors at their own edge,
    // and the application's notify() is only the last resort.
    void HandleErrors(const std::function<void()>& handler);

protected:
    void customEvent(QEvent* event) override;

private:
    QString title_;
    bool terminated_ = false;
};

// The application object of the running program; null when there is none.
extern TApplication* Application;
