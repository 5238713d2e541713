#include "Application.h"

#include "migration/Exception.h"
#include "migration/PathRules.h"
#include "platform/Platform.h"

#include <QEvent>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

#include <exception>

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

// Shows the box until it is answered: its one button, OK, answers Enter and Esc alike.
void execWithOk(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

} // namespace

QString ApplicationTitle(const QString& exeName, const QString& delimiters) {
    qsizetype start = 0;
    for (qsizetype i = exeName.size(); i > 0; --i)
        if (delimiters.contains(exeName[i - 1])) {
            start = i;
            break;
        }
    QString name = exeName.mid(start);
    const qsizetype stop = name.indexOf(u'.');
    if (stop >= 0)
        name.truncate(stop);
    return name.left(1) + name.mid(1).toLower();
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

QString MessageBoxText(const QString& text) {
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(u'\r', u'\n');
    return result;
}

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
    } catch (const Exception& error) {
        message = QString::fromStdU16String(error.Message());
    } catch (const std::exception& error) {
        message = QString::fromUtf8(error.what());
    }
    if (Application)
        Application->ShowException(message);
    else
        qCritical("%s", qUtf8Printable(ErrorBoxText(message)));
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
          ApplicationTitle(QString::fromStdU16String(GetExeName()),
                           QString::fromStdU16String(std::u16string(platform::pathDelimiters())))) {
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
    CentredMessageBox box(QMessageBox::NoIcon, title_, MessageBoxText(text), QMessageBox::Ok,
                          QApplication::activeWindow());
    execWithOk(box);
}

void TApplication::HandleErrors(const std::function<void()>& handler) {
    showingErrors(handler);
}

void TApplication::Terminate() {
    QCoreApplication::postEvent(this, new QEvent(quitRequest));
}

void TApplication::ShowException(const QString& message) {
    QMessageBox box(QMessageBox::Critical, title_, ErrorBoxText(message), QMessageBox::Ok,
                    QApplication::activeWindow());
    execWithOk(box);
}

void TApplication::customEvent(QEvent* event) {
    if (event->type() == quitRequest)
        terminated_ = true;
    else
        QObject::customEvent(event);
}
