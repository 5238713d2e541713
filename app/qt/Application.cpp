#include "Application.h"

#include "ApplicationRules.h"
#include "migration/PathRules.h"
#include "platform/Platform.h"

#include <QAbstractButton>
#include <QEvent>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

TApplication* Application = nullptr;

namespace {

const QEvent::Type quitRequest = static_cast<QEvent::Type>(QEvent::registerEventType());

// Centred on the screen of the window it belongs to, rather than over that window.
class CentredMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        if (event->spontaneous())
            return;
        const QWidget* owner = parentWidget();
        const QScreen* where = owner ? owner->screen() : screen();
        QRect frame = frameGeometry();
        frame.moveCenter(where->availableGeometry().center());
        move(frame.topLeft());
    }
};

// Shows the box until it is answered: its one button, OK, answers Enter and Esc alike. The
// button shows its text alone, as a native box's does, whatever icons the style would add.
void execWithOk(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

} // namespace

TGuiApplication::TGuiApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The application object decides when the program ends, never the last window.
    setQuitOnLastWindowClosed(false);
}

namespace {

// Runs work; an error that escapes it is shown in the error box and goes no further.
// False when it did.
template <typename Work> bool showingErrors(Work&& work) {
    QString message;
    try {
        work();
        return true;
    } catch (...) {
        message = QString::fromStdU16String(CaughtErrorMessage());
    }
    if (Application)
        Application->ShowException(message);
    else
        qCritical("%s", qUtf8Printable(
                            QString::fromStdU16String(ErrorBoxText(message.toStdU16String()))));
    return false;
}

} // namespace

bool TGuiApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = true;
    showingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

TApplication::TApplication()
    : title_(
          QString::fromStdU16String(ApplicationTitle(GetExeName(), platform::pathDelimiters()))) {
    Application = this;
}

TApplication::~TApplication() {
    if (Application == this)
        Application = nullptr;
}

void TApplication::Run(QWidget& mainForm) {
    ShowMainForm(mainForm);
    while (!terminated_) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // Outside exec() Qt would keep deleteLater() requests waiting for ever.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void TApplication::ShowMainForm(QWidget& mainForm) {
    mainForm.show();
    mainForm.activateWindow();
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::ShowMessage(const QString& text) {
    CentredMessageBox box(QMessageBox::NoIcon, title_,
                          QString::fromStdU16String(MessageBoxText(text.toStdU16String(), u"\n")),
                          QMessageBox::Ok, QApplication::activeWindow());
    execWithOk(box);
}

void TApplication::HandleErrors(const std::function<void()>& handler) {
    showingErrors(handler);
}

void TApplication::Terminate() {
    QCoreApplication::postEvent(this, new QEvent(quitRequest));
}

void TApplication::ShowException(const QString& message) {
    QMessageBox box(QMessageBox::Critical, title_,
                    QString::fromStdU16String(ErrorBoxText(message.toStdU16String())),
                    QMessageBox::Ok, QApplication::activeWindow());
    execWithOk(box);
}

void TApplication::customEvent(QEvent* event) {
    if (event->type() == quitRequest)
        terminated_ = true;
    else
        QObject::customEvent(event);
}
