// Writes PNGs of the main window in its looks, for the README and for eyes: idle with the
// focused button, hot, pressed, and disabled with a status text and the bar at 5 of 8.
// Runs on the offscreen platform; never part of the shipped program.
#include "Application.h"
#include "UPrincipal.h"

#include <QDir>
#include <QEnterEvent>
#include <QTest>

#include <cstdio>

namespace {

bool save(TForm1& form, const QString& folder, const char* name) {
    QCoreApplication::processEvents();
    const QString file = QDir(folder).filePath(QString::fromLatin1(name) + ".png");
    if (!form.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    TGuiApplication host(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);

    TApplication application;
    TForm1 form(application);
    application.ShowMainForm(form);
    if (!QTest::qWaitForWindowActive(&form))
        return 1;
    bool ok = save(form, folder, "idle");

    const QPoint centre = form.sButton1->rect().center();
    QTest::mouseMove(form.sButton1, centre);
    ok = save(form, folder, "hot") && ok;

    QTest::mousePress(form.sButton1, Qt::LeftButton, {}, centre);
    ok = save(form, folder, "pressed") && ok;
    QObject::disconnect(form.sButton1, &QAbstractButton::clicked, &form, nullptr);
    QTest::mouseRelease(form.sButton1, Qt::LeftButton, {}, centre);
    QTest::mouseMove(&form, QPoint(5, 160));

    form.DisableButton();
    form.SetStatus(u"Alterando extenção do banco no arquivo Talbrix/Quorvane.ini");
    form.SetProgressMax(8);
    form.SetProgressPosition(5);
    ok = save(form, folder, "disabled") && ok;
    return ok ? 0 : 1;
}
